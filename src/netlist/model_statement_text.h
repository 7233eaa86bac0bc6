#pragma once
// The .MODEL text of a model found by name: a statement of the circuit, a model of a
// binary library, or the defaults of a type.

#include <string>

namespace ob7 {

class ModelLibrary;
struct ModelStatement;
struct NetlistCircuitTables;

// The statement's parameter text in parentheses, as SPICE3 writes it: the ")" right after
// the last character that is no blank (nor comment, for statements read from text lines);
// trailing comments follow it.
std::string ModelParamsInParens(const ModelStatement& statement);

// The statement of type `modelType` named `name` in scope 1 (LPNP also finds PNP) as
// written; else the `index`-th model of that type of `library` (breaks with "+ " when
// `wrap`); else the type's defaults. `source` and `memo` (may be null) receive the
// statement's source file and the model's memo. `overrides` may replace value texts.
std::string GetModelStatementText(const NetlistCircuitTables& tables, const ModelLibrary* library, int modelType,
                                  int index, const std::string& name, bool wrap, std::string* source,
                                  std::string* memo, const char* const* overrides);

}  // namespace ob7
