#pragma once
// The transfer-function calculation of a text circuit: the circuit is compiled, the
// input source named by the user found among its parts, the output expression compiled
// against it, and the operating points solved by the transfer-function driver.

#include <string>
#include <vector>

#include "sim/analysis/transfer_function.h"

namespace ob7 {

class TextCircuitAnalysis;

// The names of the circuit's parts that can be an input source (SPICE voltage and
// current sources, pulse and sine sources), in the circuit's order.
std::vector<std::string> TextCircuitSourceNames(TextCircuitAnalysis& deck);

// Fills the three fields for the output expression and the source name. 0, or the first
// failure (15055 after a reported one: the compile, the output expression, a solve).
int TextCircuitTransferFunction(TextCircuitAnalysis& deck, const std::string& output, const std::string& source,
                                TfResult* result);

}  // namespace ob7
