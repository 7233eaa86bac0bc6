#pragma once
// File/Translate: the .MODEL statements of a SPICE text, outside subcircuits, become the
// models of a binary model library.

#include <string>

namespace ob7 {

class ModelLibrary;

// Adds to `library` one model for every top-level ".MODEL" statement of `text`, with the
// statement's name and the parameter values of its type. A statement with an error is
// reported and skipped; a type whose values cannot be kept in a binary library is
// skipped. Stops at a statement that cannot be resolved or a model that cannot be added.
// The number of models added.
int TranslateSpiceTextToLibrary(const std::string& text, const std::string& sourceName, ModelLibrary& library);

// The target a translation proposes: the path with the extension "LBR".
std::string ProposedLibraryName(const std::string& path);

}  // namespace ob7
