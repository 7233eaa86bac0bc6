// What the device builders share: linking a device to its part, value texts as numbers,
// model look-up and the value-token scanner.

#include <cctype>
#include <cstring>

#include "circuit/attribute_ids.h"
#include "foundation/numbers.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_statements.h"
#include "netlist/model_values.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/circuit_models.h"

namespace ob7 {

void AttachDeviceToPart(CompileContext& cc, int part, DeviceInstance* device) {
    device->owning_part = &cc.Part(part);
    if (!cc.partDevice[static_cast<size_t>(part)]) cc.partDevice[static_cast<size_t>(part)] = device;
}

std::string NameInternalNode(CompileContext& cc, int part, const char* suffix, int* node) {
    std::string name = PartAttr(cc.Part(part), 1) + suffix;
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const std::string base = name;
    const int scope = cc.Part(part).scope;
    for (int k = 1; cc.internalNodeNames.count(name) || FindNodeByName(cc.c, name, scope) >= 0; ++k)
        name = base + "_" + std::to_string(k);
    *node = cc.NewInternalNode();
    cc.internalNodeNames[name] = *node;
    // Beside the node table, so that curves can name it too.
    cc.c.nodes.internal[MakeScopedName(cc.c.tables, name, scope)] = *node;
    return name;
}

int EvalPartValue(CompileContext& cc, int part, const std::string& text, double* value) {
    NetlistPart& p = cc.Part(part);
    std::string t;
    if (SubstituteDefines(cc.c.tables, t, p.scope, text, false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
    size_t start = t.find_first_not_of(" \t");
    t = start == std::string::npos ? std::string() : t.substr(start);
    if (t.empty()) return ReportCompileError(cc, part, 15040);
    int bad = 0;
    const double number = ParseNumber(t.c_str(), &bad);
    if (!bad) {
        *value = number;
        return 0;
    }
    for (char& ch : t)
        if (ch == '{') ch = '(';
        else if (ch == '}') ch = ')';
    int code = 0;
    const double v = EvalNumberOrExpression(t.c_str(), &code);
    if (code == kMsgPending) return ReportCompileError(cc, part, kMsgPending);
    if (code) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    *value = v;
    return 0;
}

int FindPartModelStatement(CompileContext& cc, int part, std::initializer_list<int> modelTypes) {
    NetlistPart& p = cc.Part(part);
    const std::string text = PartAttr(p, ATTR_MODEL);
    std::string name;
    if (SubstituteDefines(cc.c.tables, name, p.scope, text, false)) {
        MarkPartErrorSource(cc.c, part);
        return -1;
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    int index = -1;
    for (int type : modelTypes) {
        index = FindModelInScope(cc.c.tables, type, p.scope, name);
        if (index >= 0) break;
    }
    if (index < 0) {
        // The libraries, then the report against the part.
        int error = 0;
        index = FindModelStatement(cc.c.tables, *modelTypes.begin(), p.scope, name, &error);
        if (index < 0) {
            if (error) MarkPartErrorSource(cc.c, part);
            else ReportCompileError(cc, part, 10834, name.c_str());
            return -1;
        }
    }
    return index;
}

ModelParams* FindPartModel(CompileContext& cc, int part, std::initializer_list<int> modelTypes) {
    const int index = FindPartModelStatement(cc, part, modelTypes);
    if (index < 0) return nullptr;
    ModelParams* model = FindModel(cc.c.tables, -1, index);
    if (!model) {
        MarkPartErrorSource(cc.c, part);
        return nullptr;
    }
    auto& list = CircuitModels[model->modelType];
    bool listed = false;
    for (ModelParams* m : list) listed = listed || m == model;
    if (!listed) list.push_back(model);
    return model;
}

namespace {
bool IsOperator(char ch) { return ch && std::strchr("&*+-/^|~!<=>", ch) != nullptr; }
bool IsWordChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '.'; }
}  // namespace

size_t NextValueToken(const std::string& text, size_t pos, std::string* out, bool join) {
    const size_t n = text.size();
    auto skip = [&](size_t& i) {
        while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    size_t i = pos;
    skip(i);
    const size_t start = i;
    if (!join && i < n && (text[i] == '+' || text[i] == '-')) ++i;
    bool more = true;
    while (more && i < n) {
        more = false;
        const size_t before = i;
        if (text[i] == '(' || text[i] == '{') {
            const char open = text[i], close = open == '(' ? ')' : '}';
            int depth = 0;
            for (; i < n; ++i) {
                if (text[i] == open) ++depth;
                else if (text[i] == close && --depth == 0) {
                    ++i;
                    break;
                }
            }
        } else if (text[i] == '+' || text[i] == '-') {
            ++i;
            more = true;
            continue;
        }
        bool word = false;
        while (i < n && IsWordChar(text[i])) ++i, word = true;
        // A function name takes its argument list.
        if (word && i < n && text[i] == '(') {
            more = true;
            continue;
        }
        size_t j = i;
        skip(j);
        if (join && j < n && IsOperator(text[j])) {
            i = j + 1;
            skip(i);
            more = i < n;
            continue;
        }
        if (i == before) break;
    }
    if (out) {
        *out = text.substr(start, i - start);
        while (!out->empty() && std::isspace(static_cast<unsigned char>(out->back()))) out->pop_back();
    }
    return i - pos;
}

}  // namespace ob7
