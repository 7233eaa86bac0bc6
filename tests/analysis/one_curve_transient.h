#pragma once
// Runs a compiled text circuit's transient with one curve, Y against T, in place of the
// deck's own curve rows. 0 or the run's code.

#include <string>

#include "analysis/text_circuit_analysis.h"
#include "circuit/analysis_setup.h"

inline int RunTransientWithOneCurve(ob7::TextCircuitAnalysis& deck, const std::string& y) {
    ob7::AnalysisSetup& s = deck.Setup();
    s.rows.clear();
    ob7::CurveRowRecord row;
    row.plotGroup = '1';
    row.xExpression = "T";
    row.yExpression = y;
    row.xRange = row.yRange = "Auto";
    row.options = ob7::CO_LINEARX | ob7::CO_LINEARY;
    s.rows.push_back(row);
    deck.keepSetup = true;
    return deck.RunAnalysis(0);
}
