#pragma once
// The active circuit: the one circuit that the compiler, the engines, the plot windows
// and the analysis tools work on, found through these globals instead of being passed.

#include "circuit/circuit_document.h"

#include <string>

namespace ob7 {

// The active circuit's document, or null.
extern CircuitDocument* ActiveCircuit;
// The value expressions see for the current analysis: 0 transient, 1 AC, 2 DC, 3 Dynamic
// DC, 4 transfer function, 5 sensitivity; -1 when no analysis runs.
extern double AnalysisValue;
// A help context asked for while an analysis started; 0 = none.
extern int PendingHelpTopic;

// The analysis letters indexed by the analysis kind.
inline constexpr char kAnalysisLetters[] = "TADF";

void MakeActiveCircuit(CircuitDocument& doc);
void ClearActiveCircuit();

// The analysis file of a circuit: the title (its last '.' made '_' when asked) whose
// extension becomes the analysis letter and the suffix: amp.cir, AC, "NO" -> amp.ANO.
std::string BuildAnalysisFileName(const std::string& title, int analysisKind, const std::string& suffix,
                                  bool dotToUnderscore);

}  // namespace ob7
