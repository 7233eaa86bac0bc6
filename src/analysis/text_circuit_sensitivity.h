#pragma once
// The sensitivity calculation of a text circuit: the names and parameters its input
// variables can take, and the calculation, each variable found in the compiled circuit as
// a step variable is (a part's value, or a model parameter in every record of the model);
// a symbolic variable (.DEFINE/.PARAM) is applied by compiling the circuit again.

#include <cstdint>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"
#include "sim/analysis/sensitivity.h"

namespace ob7 {

class TextCircuitAnalysis;

// The names of kind 8 (parts whose value can vary), 4 (the circuit's models) or 0x20
// (the circuit's own .DEFINE/.PARAM symbols with a value), in the circuit's order. Empty when the circuit does not compile.
std::vector<std::string> TextCircuitSensitivityNames(TextCircuitAnalysis& deck, int32_t kind);

// The parameters of a name: "Value" for a part or a symbol; for a model every real parameter of its
// type (all) or those the model statement sets to other than their default.
std::vector<std::string> TextCircuitSensitivityParameters(TextCircuitAnalysis& deck, int32_t kind,
                                                          const std::string& name, bool all);

// Removes, from the last to the first, the chosen variables the circuit cannot vary (a
// part or parameter that is gone). Nothing when the circuit does not compile.
void DropInvalidSensVariables(TextCircuitAnalysis& deck, std::vector<SensitivityChoice>& variables);

// Solves the operating points and fills one row per variable (RunSensitivity). 0, 15055
// after a reported failure (the compile, an output expression, a variable the circuit
// lacks), or the driver's code.
int TextCircuitSensitivity(TextCircuitAnalysis& deck, const std::vector<SensitivityChoice>& variables,
                           const std::string (&outputs)[kSensitivityOutputs], std::vector<SensitivityRow>* rows);

}  // namespace ob7
