#pragma once
// The .TF and .SENS statements of a circuit text kept up to date by the transfer-function
// and sensitivity dialogs when they close.

#include <string>

#include "circuit/analysis_setup.h"

namespace ob7 {

enum class AnalysisStatement { Tf, Sens };

// ".TF <output> <source>" with the most recent output (empty when there is none);
// ".sens" followed by a blank and each of the ten outputs, empty ones too.
std::string TfStatementText(const TransferFunctionSettings& settings);
std::string SensStatementText(const std::string (&outputs)[kSensitivityOutputs]);

// The circuit text with every statement of the kind outside subcircuits removed (its
// comment lines stay) and the new one in the place of the first, or before ".END", or
// at the end. An empty statement only removes. The text's own line ending is kept.
std::string ReplaceAnalysisStatement(const std::string& text, AnalysisStatement kind, const std::string& statement);

}  // namespace ob7
