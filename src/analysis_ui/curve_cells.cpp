#include "analysis_ui/curve_cells.h"

#include <vector>

namespace ob7 {

namespace {

// Cuts the text at its first comma outside parentheses: the part before it is returned,
// the rest stays in text (empty when there was no comma).
std::string CutAtTopLevelComma(std::string& text) {
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        else if (text[i] == ')' && depth > 0) --depth;
        else if (text[i] == ',' && depth == 0) {
            std::string head = text.substr(0, i);
            text.erase(0, i + 1);
            return head;
        }
    }
    std::string head = text;
    text.clear();
    return head;
}

bool HasComma(const std::string& text) { return text.find(',') != std::string::npos; }

bool Assign(std::string& stored, const std::string& text) {
    if (stored == text) return false;
    stored = text;
    return true;
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string CurveCellText(const CurveRowRecord& row, int column) {
    switch (column) {
        case kColPlotGroup: return row.plotGroup ? std::string(1, row.plotGroup) : std::string();
        case kColXExpression: return row.xExpression;
        case kColYExpression: return row.yExpression;
        case kColXRange:
        case kColYRange: {
            const int axis = column - kColXRange;
            std::string range = axis == 0 ? row.xRange : row.yRange;
            const std::string& grid = row.rangeGrid[axis];
            const std::string& bold = row.rangeBold[axis];
            if (grid.empty() && bold.empty()) return range;
            // A spacing needs both range ends before it, or it would read as the low end.
            if (!HasComma(range)) range += ",0";
            range += "," + grid;
            if (!bold.empty()) range += "," + bold;
            return range;
        }
        default: return {};
    }
}

bool StoreCurveCell(CurveRowRecord& row, int column, const std::string& text) {
    switch (column) {
        case kColPlotGroup: {
            const std::string trimmed = TrimBlanks(text);
            const char group = trimmed.empty() ? 0 : trimmed[0];
            if (group == row.plotGroup) return false;
            row.plotGroup = group;
            return true;
        }
        case kColXExpression: row.xExpression = text; return false;
        case kColYExpression: row.yExpression = text; return false;
        case kColXRange:
        case kColYRange: {
            const int axis = column - kColXRange;
            std::string rest = TrimBlanks(text);
            std::string high = CutAtTopLevelComma(rest);
            std::string range = high;
            if (!rest.empty() || HasComma(TrimBlanks(text))) range += "," + CutAtTopLevelComma(rest);
            const std::string grid = CutAtTopLevelComma(rest);
            const std::string bold = rest;
            bool changed = Assign(axis == 0 ? row.xRange : row.yRange, range);
            changed |= Assign(row.rangeGrid[axis], grid);
            changed |= Assign(row.rangeBold[axis], bold);
            return changed;
        }
        default: return false;
    }
}

}  // namespace ob7
