#include "netlist/model_types.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "netlist/model_type_data.h"

namespace ob7 {
namespace {

// Fixed columns of each row; `source` indexes ModelParamTableSources (-1: no parameters).
struct RowSpec {
    const char* name;
    int paramCount, storedCount, componentType, tMeasured, typeClass, firstHelpId, defaultOff;
    int source;
};

constexpr RowSpec kRows[ModelTypeCount] = {
    {"OPA", 24, 24, 19, 20, 0, 4000, 0, 0},
    {"D", 31, 38, 5, 27, 0, 4024, 0, 1},
    {"NPN", 55, 67, 6, 51, 0, 4055, 0, 2},
    {"NMOS", 58, 64, 9, 54, 0, 4110, 0, 3},
    {"NJF", 20, 26, 25, 16, 0, 4168, 0, 4},
    {"PUL", 7, 7, 13, 0, 0, 4188, 0, 5},
    {"SIN", 7, 7, 17, 0, 0, 4195, 0, 6},
    {"TRN", 9, 69, 15, 0, 0, 4202, 0, 7},
    {"CORE", 8, 8, 123, 0, 0, 4211, 0, 8},
    {"GASFET", 36, 42, 48, 32, 0, 4219, 0, 9},
    {"VSWITCH", 4, 4, 115, 0, 0, 4255, 0, 10},
    {"ISWITCH", 4, 4, 116, 0, 0, 4259, 0, 11},
    {"CAP", 9, 9, 4, 5, 0, 4263, 0, 12},
    {"IND", 9, 9, 3, 5, 0, 4272, 0, 13},
    {"RES", 9, 9, 2, 5, 0, 4281, 0, 14},
    {"PNP", 55, 67, 7, 51, 0, 4055, 0, 2},
    {"PMOS", 58, 64, 8, 54, 0, 4110, 0, 3},
    {"PJF", 20, 26, 24, 16, 0, 4168, 0, 4},
    {"DOUTPUT", 64, 67, 55, 0, 2, 4290, 0, 15},
    {"DINPUT", 82, 82, 54, 0, 2, 4354, 0, 16},
    {"UADC", 9, 10, 56, 0, 2, 4436, 0, 17},
    {"UDAC", 3, 3, 57, 0, 2, 4445, 0, 18},
    {"UGATE", 6, 6, 74, 0, 1, 4448, 1, 19},
    {"UTGATE", 18, 18, 78, 0, 1, 4454, 1, 20},
    {"UEFF", 30, 30, 94, 0, 1, 4472, 1, 21},
    {"UGFF", 33, 33, 96, 0, 1, 4502, 1, 22},
    {"UDLY", 3, 3, 100, 0, 1, 4535, 1, 23},
    {"UPLD", 10, 10, 101, 0, 1, 4538, 0, 24},
    {"UROM", 18, 18, 113, 0, 1, 4548, 1, 25},
    {"URAM", 36, 36, 114, 0, 1, 4566, 1, 26},
    {"UBGT", 0, 0, 118, 0, 1, 4602, 1, -1},
    {"UIO", 21, 21, 0, 0, 1, 4602, 0, 27},
    {"NMOS", 98, 100, 9, 28, 0, 4623, 0, 28},
    {"PMOS", 98, 100, 8, 28, 0, 4623, 0, 28},
    {"NMOS", 154, 160, 9, 28, 0, 4721, 0, 29},
    {"PMOS", 154, 160, 8, 28, 0, 4721, 0, 29},
    {"NMOS", 424, 430, 9, 39, 0, 4875, 0, 30},
    {"PMOS", 424, 430, 8, 39, 0, 4875, 0, 30},
    {"LPNP", 55, 67, 7, 51, 0, 4055, 0, 2},
};

// The level-8 PMOS set differs from the NMOS set only in these noise defaults.
struct DefaultOverride { const char* name; double value; };
constexpr DefaultOverride kPmos8Defaults[] = {{"NOIA", 9.9e18}, {"NOIB", 2400}, {"NOIC", 1.4e-12}};

struct Alias { const char* alias; const char* param; };
constexpr Alias kBipolarAliases[] = {
    {"VA", "VAF"}, {"IK", "IKF"}, {"C2", "ISE"}, {"VB", "VAR"}, {"C4", "ISC"}, {"PE", "VJE"},
    {"ME", "MJE"}, {"PC", "VJC"}, {"MC", "MJC"}, {"CCS", "CJS"}, {"PS", "VJS"}, {"MS", "MJS"},
    {"PT", "XTI"}, {nullptr, nullptr}};
constexpr Alias kLevel8Aliases[] = {{"JSW", "JSSW"}, {nullptr, nullptr}};
constexpr Alias kLevel4Aliases[] = {
    {"WDF", "W"}, {"TEMP", "T_ABS"}, {"WVFB", "VFBW"}, {"LVFB", "VFBL"}, {"WK1", "K1W"},
    {"LK1", "K1L"}, {"WK2", "K2W"}, {"LK2", "K2L"}, {"WPHI", "PHIW"}, {"LPHI", "PHIL"},
    {nullptr, nullptr}};
constexpr Alias kLevel5Aliases[] = {
    {"WVFB", "VFBW"}, {"LVFB", "VFBL"}, {"WK1", "K1W"}, {"LK1", "K1L"}, {"WK2", "K2W"},
    {"LK2", "K2L"}, {"WPHI", "PHIW"}, {"LPHI", "PHIL"}, {nullptr, nullptr}};
constexpr Alias kTrnAliases[] = {{"Z0", "ZO"}, {nullptr, nullptr}};

const Alias* AliasesOf(int t) {
    switch (t) {
    case kModelNpn: case kModelPnp: case kModelLpnp: return kBipolarAliases;
    case kModelNmos8: case kModelPmos8: return kLevel8Aliases;
    case kModelNmos4: case kModelPmos4: return kLevel4Aliases;
    case kModelNmos5: case kModelPmos5: return kLevel5Aliases;
    case kModelTrn: return kTrnAliases;
    default: return nullptr;
    }
}

struct Tables {
    std::deque<std::string> texts;                   // names and text defaults; stable addresses
    std::vector<std::vector<ModelParamInfo>> params; // one per source, plus the level-8 PMOS set
    ModelTypeInfo rows[ModelTypeCount];
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.remove_suffix(1);
    return s;
}

// Parses one item "NAME[=default][ {state}|{text}][ [check]]".
ModelParamInfo ParseParam(std::string_view item, Tables& tables) {
    ModelParamInfo p{};
    p.kind = kParamReal;
    p.check = 'A';
    p.defaultValue.real = 0.0;
    size_t end = item.find_first_of("= ");
    p.name = tables.texts.emplace_back(item.substr(0, end)).c_str();
    std::string_view rest = end == std::string_view::npos ? std::string_view() : item.substr(end);
    std::string_view def;
    if (!rest.empty() && rest.front() == '=') {
        rest.remove_prefix(1);
        size_t stop = rest.find(' ');
        def = rest.substr(0, stop);
        rest = stop == std::string_view::npos ? std::string_view() : rest.substr(stop);
    }
    if (rest.find("{state}") != std::string_view::npos) p.kind = kParamState;
    if (rest.find("{text}") != std::string_view::npos) p.kind = kParamText;
    if (size_t open = rest.find('['); open != std::string_view::npos) {
        std::string_view code = rest.substr(open + 1, rest.find(']', open) - open - 1);
        p.check = code.size() == 1 ? code[0] : '-';  // "[none]" checks nothing
    }
    if (p.kind == kParamState) {
        std::memset(p.defaultValue.state, 0, sizeof p.defaultValue.state);
        if (def.size() == 3 && def.front() == '\'') p.defaultValue.state[0] = def[1];
    } else if (p.kind == kParamText) {
        std::string_view text = def.size() >= 2 ? def.substr(1, def.size() - 2) : std::string_view();
        p.defaultValue.text = tables.texts.emplace_back(text).c_str();
    } else if (def == "NG") {
        p.defaultValue.real = ParamNotGiven;
    } else if (!def.empty()) {
        p.defaultValue.real = std::strtod(std::string(def).c_str(), nullptr);
    }
    return p;
}

// Applies "Flag byte 0xNN[ on every row]; other rows 0xMM: A B; 0xKK: C D."
void ApplyFlags(std::vector<ModelParamInfo>& params, std::string_view text) {
    const char* s = text.data() + text.find("0x");
    unsigned base = std::strtoul(s, nullptr, 16);
    for (auto& p : params) p.flags = static_cast<uint8_t>(base);
    for (size_t at = text.find(';'); at != std::string_view::npos; at = text.find(';', at + 1)) {
        size_t hex = text.find("0x", at);
        size_t colon = text.find(':', hex);
        unsigned flags = std::strtoul(text.data() + hex, nullptr, 16);
        size_t stop = text.find(';', colon);
        std::string_view names = Trim(text.substr(colon + 1, stop == std::string_view::npos ? std::string_view::npos : stop - colon - 1));
        while (!names.empty()) {
            size_t space = names.find(' ');
            std::string_view name = names.substr(0, space);
            for (auto& p : params)
                if (name == p.name) p.flags = static_cast<uint8_t>(flags);
            names = space == std::string_view::npos ? std::string_view() : Trim(names.substr(space));
        }
    }
}

std::vector<ModelParamInfo> ParseTable(const ModelParamTableSource& src, Tables& tables) {
    std::vector<ModelParamInfo> params;
    std::string_view list = src.params;
    while (!list.empty()) {
        size_t comma = list.find(',');
        params.push_back(ParseParam(Trim(list.substr(0, comma)), tables));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    ApplyFlags(params, src.flags);
    return params;
}

Tables* Build() {
    auto* tables = new Tables;
    for (int i = 0; i < ModelParamTableSourceCount; ++i)
        tables->params.push_back(ParseTable(ModelParamTableSources[i], *tables));
    // The parameter-set rows of levels 4, 5 and 8 carry group 6 on their LEVEL row.
    for (int src : {28, 29, 30}) tables->params[src][0].group = 6;
    auto pmos8 = tables->params[30];
    for (const auto& o : kPmos8Defaults)
        for (auto& p : pmos8)
            if (std::strcmp(p.name, o.name) == 0) p.defaultValue.real = o.value;
    tables->params.push_back(std::move(pmos8));
    const int pmos8Source = static_cast<int>(tables->params.size()) - 1;

    for (int t = 0; t < ModelTypeCount; ++t) {
        const RowSpec& r = kRows[t];
        int source = t == kModelPmos8 ? pmos8Source : r.source;
        tables->rows[t] = ModelTypeInfo{
            r.paramCount, r.paramCount, r.storedCount, r.componentType,
            source < 0 ? nullptr : tables->params[source].data(), r.tMeasured, r.name,
            r.typeClass, r.firstHelpId, r.defaultOff};
    }
    return tables;
}

const Tables& GetTables() {
    static const Tables* tables = Build();  // built once, never freed: the table lives as long as the program
    return *tables;
}

}  // namespace

void InitModelTypeDefaults() { GetTables(); }

const ModelTypeInfo& ModelTypeRow(int t) { return GetTables().rows[t]; }

int FindModelType(const char* name) {
    if (!name) return -1;
    if (std::strcmp(name, "R") == 0) return kModelRes;
    for (int t = 0; t < ModelTypeCount; ++t)
        if (std::strcmp(name, kRows[t].name) == 0) return t;
    return -1;
}

int FindModelParam(int t, const char* name) {
    if (t < 0 || t >= ModelTypeCount || !name) return -1;
    size_t len = std::strlen(name);
    if (len > 29) return -1;
    char upper[30];
    for (size_t i = 0; i <= len; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    const ModelTypeInfo& row = ModelTypeRow(t);
    for (int i = 0; i < row.valueCount; ++i)
        if (std::strcmp(upper, row.params[i].name) == 0) return i;
    if (const Alias* a = AliasesOf(t))
        for (; a->alias; ++a)
            if (std::strcmp(upper, a->alias) == 0) return FindModelParam(t, a->param);
    return -1;
}

int ModelTypeDisplayNameId(int t) {
    if (t >= 0 && t <= 17) return 101 + t;
    if (t >= 32 && t <= 38) return 101 + t;
    return 0;
}

}  // namespace ob7
