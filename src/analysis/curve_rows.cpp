#include "analysis/curve_rows.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "foundation/numbers.h"
#include "sim/engine/run_helpers.h"

namespace ob7 {

namespace {
const char* const kTransientDefaults[] = {"1u", "0", "51", "27"};
const char* const kAcDefaults[] = {"1E8,1Meg", "51", "27", "5", "NONE", "2"};
const char* const kDcDefaults[] = {"", "", "10,0,.5", "", "51", "27", "5"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::array<CurveStyle, kCurveStyleCount> CurveStyleDefaults = [] {
    std::array<CurveStyle, kCurveStyleCount> styles{};
    for (int i = 0; i < kCurveStyleCount; ++i) styles[i].textColour = styles[i].lineColour = kCurveStyleDefaultColours[i];
    return styles;
}();

CurveStyle DefaultCurveStyle(int i) {
    CurveStyle s = CurveStyleDefaults[((i % kCurveStyleCount) + kCurveStyleCount) % kCurveStyleCount];
    s.markerWord = 0;
    return s;
}

void ApplyCurveStyle(CurveRowRecord& row, const CurveStyle& style) {
    row.textColour = style.textColour;
    row.lineColour = style.lineColour;
    row.lineWidth = style.lineWidth;
    row.pattern = style.pattern;
    row.rainbow = style.rainbow;
}

CurveRowRecord NewCurveRow() {
    CurveRowRecord row;
    row.alias = -1;
    row.lineWidth = 1;
    return row;
}

int NextFreeAliasId(const std::vector<CurveRowRecord>& rows) {
    std::set<int> used;
    for (const CurveRowRecord& r : rows)
        used.insert(r.alias);
    int id = 1;
    while (used.count(id))
        ++id;
    return id;
}

const char* DefaultLimitText(int kind, int field) {
    switch (kind) {
    case kCurvesTransient: return field >= 0 && field < 4 ? kTransientDefaults[field] : "";
    case kCurvesAc: return field >= 0 && field < 6 ? kAcDefaults[field] : "";
    case kCurvesDc: return field >= 0 && field < 7 ? kDcDefaults[field] : "";
    default: return "";
    }
}

bool FillDefaultLimits(int kind, AnalysisSetup& setup) {
    bool changed = false;
    for (int i = 0; i < 7; ++i) {
        const char* d = DefaultLimitText(kind, i);
        if (setup.limits[i].empty() && *d) {
            setup.limits[i] = d;
            changed = true;
        }
    }
    return changed;
}

int ParseLimitNumbers(const char* text, double* a, double* b, double* c, int* count) {
    if (count)
        *count = 0;
    std::string copy = text ? text : "";
    char* first = copy.data();
    char* second = b ? SplitAtTopLevelComma(first) : nullptr;
    char* third = c && second ? SplitAtTopLevelComma(second) : nullptr;
    double* outs[3] = {a, b, c};
    char* parts[3] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
        if (!outs[i])
            continue;
        *outs[i] = 0.0;
        const char* part = parts[i] ? parts[i] : "";
        while (*part == ' ' || *part == '\t')
            ++part;
        if (!*part && i > 0)
            continue;  // an empty later part reads as 0 and is not counted
        int code = 0;
        double v = EvalNumberOrExpression(part, &code);
        if (code)
            return code;
        *outs[i] = v;
        if (count)
            ++*count;
    }
    return 0;
}

int LimitCount(const char* text, int* code) {
    double v = 0;
    *code = ParseLimitNumbers(text, &v, nullptr, nullptr, nullptr);
    if (*code)
        return 5;
    return std::max(ClampToInt(v), 5);
}

std::string FormatCurveRange(double high, double low) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.6g", high);
    TidyExponent(buffer);
    std::string text = buffer;
    if (low != 0) {
        std::snprintf(buffer, sizeof buffer, "%.6g", low);
        TidyExponent(buffer);
        text += ",";
        text += buffer;
    }
    return text;
}

DefaultNodeNames::DefaultNodeNames(std::vector<DefaultNodeName> names, bool digital, int nodesPerName)
    : names_(std::move(names)), digital_(digital), divisor_(std::max(nodesPerName, 1)) {
    for (const DefaultNodeName& n : names_)
        if (n.digital == digital_)
            highest_ = std::max(highest_, n.number);
}

std::string DefaultNodeNames::Find(int node) const {
    const DefaultNodeName* numeric = nullptr;
    for (auto it = names_.rbegin(); it != names_.rend(); ++it) {
        if (it->number != node || it->digital != digital_ || it->name.empty())
            continue;
        if (!IsDigit(it->name[0])) {
            if (preferNames_)
                return it->name;
            return std::string();  // a node with a textual name was offered already
        }
        numeric = &*it;
    }
    return !preferNames_ && numeric ? numeric->name : std::string();
}

std::string DefaultNodeNames::Next() {
    for (;;) {
        int node = counter_ / divisor_ + 1;
        if (node > highest_) {
            if (!preferNames_)
                return std::string();
            preferNames_ = false;  // the named nodes are used up: now those with numbers only
            counter_ = 0;
            continue;
        }
        std::string name = Find(node);
        if (!name.empty()) {
            ++counter_;
            return name;
        }
        counter_ += divisor_ - counter_ % divisor_;  // past this node
    }
}

bool SetDefaultCurves(int kind, AnalysisSetup& setup, const std::vector<DefaultNodeName>& nodes) {
    bool changed = FillDefaultLimits(kind, setup);
    const char* defaultX = kind == kCurvesTransient ? "T" : (kind == kCurvesAc ? "F" : "DCINPUT1");
    DefaultNodeNames analog(nodes, false, kind == kCurvesAc ? 2 : 1), digital(nodes, true, 1);
    std::vector<CurveRowRecord>& rows = setup.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        CurveRowRecord& row = rows[i];
        if (!IsDigit(row.plotGroup) && !(row.options & CO_OUTPUT))
            continue;
        if (row.yExpression.empty()) {
            std::string node = analog.Next();
            if (!node.empty()) {
                if (kind == kCurvesAc)
                    row.yExpression = (i % 2 == 0 ? "db(v(" : "ph(v(") + node + "))";
                else
                    row.yExpression = "v(" + node + ")";
            } else if (!(node = digital.Next()).empty()) {
                if (kind != kCurvesAc)
                    row.yExpression = "d(" + node + ")";
            } else {
                for (std::size_t j = i; j < rows.size(); ++j)
                    if (rows[j].yExpression.empty())
                        rows[j].plotGroup = 0;
                return true;
            }
            changed = true;
        }
        if (row.xExpression.empty()) {
            row.xExpression = defaultX;
            changed = true;
        }
        changed = FillDefaultNumberFormats(row) || changed;
        if (row.alias == -1) {
            row.alias = NextFreeAliasId(rows);
            changed = true;
        }
        for (std::string* range : {&row.xRange, &row.yRange}) {
            if (range->empty()) {
                *range = "Auto";
                changed = true;
            }
        }
    }
    return changed;
}

CurveNumberFormatDefaults CurveNumberFormats;

bool FillDefaultNumberFormats(CurveRowRecord& row, const CurveNumberFormatDefaults& defaults) {
    bool changed = false;
    for (int axis = 0; axis < 2; ++axis) {
        for (auto [format, fallback] : {std::pair{&row.valueFormat[axis], &defaults.value[axis]},
                                        std::pair{&row.scaleFormat[axis], &defaults.scale[axis]}}) {
            if (!format->empty()) continue;
            *format = *fallback;
            changed = true;
        }
    }
    return changed;
}

}  // namespace ob7
