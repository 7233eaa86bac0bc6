#pragma once
// The analysis statements of a SPICE text built from the analysis set-up, and the
// rewrite of a text page's statements when its analysis window closes.

#include <string>

#include "netlist/netlist_circuit.h"

namespace ob7 {

struct AnalysisSetup;

// One analysis's limits, flags and curves as the analysis window edits them, put into the
// set-up that the statement builders read.
void SetNetlistAnalysis(NetlistAnalysisSetup& out, int kind, const AnalysisSetup& setup);

std::string BuildTranStatement(const NetlistCircuit& c);
std::string BuildAcStatement(const NetlistCircuit& c);
// Ends in a line feed of its own.
std::string BuildNoiseStatement(NetlistCircuit& c);
std::string BuildDcStatement(const NetlistCircuit& c);
std::string BuildTempStatement(bool list, const std::string& temperature);
std::string BuildAnalysisTempStatement(const NetlistCircuit& c, int kind);
// The .PRINT (print) or .PLOT statement of one group of an analysis's curves; empty when
// no curve is taken. Long statements continue on "\n+ " lines of at most `width`.
std::string BuildOutputStatement(NetlistCircuit& c, int analysis, bool substitute, bool takeAll, bool print,
                                 int* continuations, char group, int width);
bool HasNoiseOutputItem(NetlistCircuit& c, int analysis, bool substitute);

// Replaces the page's statements of the analysis (and .TEMP) by ones built from the
// set-up, before the ".END" line; every other line stays as it was. With asRead (the
// set-up the page was read with), the analysis line, .TEMP and the output lines are each
// left as the user wrote them when they would be built the same. 0 or 15055.
int WriteAnalysisStatements(NetlistCircuit& c, int kind, int width = 80,
                            const NetlistAnalysisSetup* asRead = nullptr);

}  // namespace ob7
