#pragma once
// Curve rows, curve styles and analysis limit fields: defaults, reading the limit texts
// as numbers, and the default curves an analysis gets before it runs.

#include <array>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"

namespace ob7 {

// Analysis kinds as the per-analysis arrays are indexed.
enum CurveAnalysisKind : int { kCurvesTransient = 0, kCurvesAc = 1, kCurvesDc = 2 };

// How one curve is drawn.
struct CurveStyle {
    int textColour = 0;
    int lineColour = 0;
    int lineWidth = 1;
    int markerWord = 0;
    unsigned char pattern = 0;
    int rainbow = 0;
};

inline constexpr int kCurveStyleCount = 10;
// Colour slots of the ten default styles (text and line alike).
inline constexpr int kCurveStyleDefaultColours[kCurveStyleCount] = {12, 9, 2, 13, 0, 12, 9, 2, 13, 0};

// The styles new curves take by number: the program's settings once read, the fixed
// colours above until then.
extern std::array<CurveStyle, kCurveStyleCount> CurveStyleDefaults;
// Entry i modulo 10 of the default style table, with marker word 0.
CurveStyle DefaultCurveStyle(int i);
void ApplyCurveStyle(CurveRowRecord& row, const CurveStyle& style);
// A fresh row: empty texts, colours 0, width 1, no plot group, alias id -1.
CurveRowRecord NewCurveRow();

// The smallest id from 1 upward that no row uses.
int NextFreeAliasId(const std::vector<CurveRowRecord>& rows);

// The default text of limit field i of an analysis kind; empty when it has none.
const char* DefaultLimitText(int kind, int field);
// Fills the empty limit texts of the analysis with their defaults. True when any changed.
bool FillDefaultLimits(int kind, AnalysisSetup& setup);

// Up to three values separated by commas outside parentheses, each a number with
// engineering suffix or an expression. b, c and count may be null. An empty part gives 0
// and is not counted. Returns 0 or the code of the first value that failed (the values
// read before it stay set).
int ParseLimitNumbers(const char* text, double* a, double* b, double* c, int* count);

// A count field: at least 5; a text that fails reads as 5 too (*code then holds the error).
int LimitCount(const char* text, int* code);

// The range text of an axis: "%.6g" of the high end, then ",%.6g" of the low end unless it
// is 0, with tidied exponents.
std::string FormatCurveRange(double high, double low);

// The program's number formats of new curves: the settings "G2D ValueFormatX",
// "G2D ValueFormatY", "G2D ScaleFormatX" and "G2D ScaleFormatY", "3" until set.
struct CurveNumberFormatDefaults {
    std::string value[2] = {"3", "3"};  // X, Y
    std::string scale[2] = {"3", "3"};
};
extern CurveNumberFormatDefaults CurveNumberFormats;
// Gives every empty value and scale format of the row its default. True when any changed.
bool FillDefaultNumberFormats(CurveRowRecord& row, const CurveNumberFormatDefaults& defaults = CurveNumberFormats);

// One name of a node of the main circuit.
struct DefaultNodeName {
    int number = 0;
    bool digital = false;
    std::string name;
};

// Gives the next node name for a default curve: textual names of the main circuit first,
// in node order, then the nodes that have only a number for a name.
class DefaultNodeNames {
public:
    DefaultNodeNames(std::vector<DefaultNodeName> names, bool digital, int nodesPerName);
    // The next name; empty when the nodes are used up.
    std::string Next();

private:
    std::string Find(int node) const;
    std::vector<DefaultNodeName> names_;
    bool digital_;
    int divisor_;
    int counter_ = 0;
    bool preferNames_ = true;
    int highest_ = 0;
};

// Default curves: every row that is plotted or printed gets a Y expression from the next
// node ("v(%s)"; in AC "db(v(%s))" on even rows and "ph(v(%s))" on odd rows; digital
// nodes "d(%s)" outside AC), the default X expression, "Auto" ranges and an alias id. Rows
// left without a node lose their plot group. True when anything changed.
bool SetDefaultCurves(int kind, AnalysisSetup& setup, const std::vector<DefaultNodeName>& nodes);

}  // namespace ob7
