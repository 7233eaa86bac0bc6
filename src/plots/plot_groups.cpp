#include "plots/plot_groups.h"

#include <cctype>

namespace ob7 {

namespace {

// The tokens of an expression without blanks, upper-cased: "v( out)" equals "V(OUT)".
std::string TokenText(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

}  // namespace

void RenumberPlotGroups(PlotData& data) {
    for (int a = 1; a <= 9; ++a) {
        for (;;) {
            bool used = false, higher = false;
            for (int c = 0; c < data.plottedCount; ++c) {
                used = used || data.curves[c].plotGroup == a;
                higher = higher || data.curves[c].plotGroup > a;
            }
            if (used || !higher) break;
            for (int c = 0; c < data.plottedCount; ++c)
                if (data.curves[c].plotGroup > a) --data.curves[c].plotGroup;
        }
    }
    for (int c = 0; c < data.CurveCount(); ++c) data.curves[c].indexInGroup = c + 10;
    for (int group = 1; group <= 9; ++group) {
        int n = 0;
        for (int c = 0; c < data.plottedCount; ++c)
            if (data.curves[c].plotGroup == group) data.curves[c].indexInGroup = n++;
    }
}

void UpdateGroupDigitalStatus(PlotData& data) {
    for (int group = 1; group <= 9; ++group) {
        int status = -1;
        for (int c = 0; c < data.plottedCount; ++c) {
            const GraphRecord& g = data.curves[c];
            if (g.plotGroup != group) continue;
            int d = g.digital ? 1 : 0;
            status = status < 0 ? d : (status == d ? d : 2);
        }
        for (int c = 0; c < data.plottedCount; ++c)
            if (data.curves[c].plotGroup == group) data.curves[c].groupDigitalStatus = status < 0 ? 0 : status;
    }
}

GroupCheckFailure CheckPlotGroups(const PlotData& data, const std::vector<std::string>& xExpressions) {
    for (int group = 1; group <= 9; ++group) {
        int first = -1;
        for (int c = 0; c < data.plottedCount; ++c)
            if (data.curves[c].plotGroup == group && data.curves[c].indexInGroup == 0) first = c;
        if (first < 0) continue;
        const GraphRecord& ref = data.curves[first];
        for (int c = 0; c < data.plottedCount; ++c) {
            const GraphRecord& g = data.curves[c];
            if (c == first || g.plotGroup != group) continue;
            if (g.chartKind != ref.chartKind) return {13804, c};
            if (g.axis[kXAxis].linear != ref.axis[kXAxis].linear || g.axis[kYAxis].linear != ref.axis[kYAxis].linear)
                return {13802, c};
            if (c < static_cast<int>(xExpressions.size()) && first < static_cast<int>(xExpressions.size()) &&
                TokenText(xExpressions[c]) != TokenText(xExpressions[first]))
                return {13807, c};
        }
    }
    return {};
}

}  // namespace ob7
