// Transmission lines (T parts) from the TRN model and the instance text, which overrides
// the model for this line alone: lossless by ZO and TD, or ZO, F and NL; lossy by R, L,
// G, C and LEN when neither names any of ZO, TD, F and NL.

#include <cctype>
#include <memory>

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_statements.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/tline.h"

namespace ob7 {

namespace {

// The private model records of lines with instance values, freed with the devices.
std::vector<std::unique_ptr<ModelParams>> LineModels;

enum TrnParam : int { kZo = 0, kTd = 1, kF = 2, kNl = 3, kR = 4, kL = 5, kG = 6, kC = 7, kLen = 8 };
constexpr int kLineKindSlot = 21;  // 1 for a lossless line's model, 0 for a lossy one's

int ParamOfKey(const std::string& key) {
    static const char* const keys[] = {"ZO", "TD", "F", "NL", "R", "L", "G", "C", "LEN"};
    if (key == "Z0") return kZo;
    for (int i = 0; i < 9; ++i)
        if (key == keys[i]) return i;
    return -1;
}

size_t FirstWordStart(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}

// The first word (up to a blank or "=") is a bare length unless it is empty or a
// leading part of LEN, R, L, G or C.
bool IsBareLength(const std::string& text, size_t pos) {
    size_t end = pos;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '=') ++end;
    const std::string word = text.substr(pos, end - pos);
    if (word.empty()) return false;
    for (const char* key : {"LEN", "R", "L", "G", "C"})
        if (std::string(key).compare(0, word.size(), word) == 0) return false;
    // Z0 and the other lossless keywords are no lengths either.
    return ParamOfKey(word) < 0;
}

}  // namespace

void ForgetLineModels() { LineModels.clear(); }

int BuildTransmissionLine(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10859);
    ModelParams* shared = nullptr;
    if (!PartAttr(p, ATTR_MODEL).empty() && !(shared = FindPartModel(cc, part, {kModelTrn}))) return kMsgReported;

    // KEY=value pairs of the instance text.
    std::string text = PartAttr(p, ATTR_VALUE);
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    double given[9];
    bool has[9] = {};
    for (size_t pos = 0; pos < text.size();) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        size_t eq = text.find('=', pos);
        if (pos >= text.size()) break;
        // A first word that is no keyword is a lossy line's bare length ("2 R=0.1").
        if (pos == FirstWordStart(text) && IsBareLength(text, pos)) {
            std::string value;
            pos += NextValueToken(text, pos, &value, true);
            if (int code = EvalPartValue(cc, part, value, &given[kLen])) return code;
            has[kLen] = true;
            continue;
        }
        if (eq == std::string::npos) return ReportCompileError(cc, part, 10859);
        std::string key = text.substr(pos, eq - pos);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        const int param = ParamOfKey(key);
        if (param < 0) return ReportCompileError(cc, part, 10847, key.c_str());
        std::string value;
        pos = eq + 1;
        pos += NextValueToken(text, pos, &value, true);
        if (int code = EvalPartValue(cc, part, value, &given[param])) return code;
        has[param] = true;
    }

    auto own = MakeModelParams(kModelTrn);
    double* x = ModelReals(*own);
    if (shared)
        for (int i = 0; i <= kLen; ++i) x[i] = ModelReals(*shared)[i];
    // A line that names none of Z0, TD, F and NL, in its model or its text, is lossy.
    bool lossless = false;
    for (int i = kZo; i <= kNl; ++i) lossless = lossless || has[i] || (shared && IsModelParamGiven(cc.c.tables, *shared, i));
    if (!lossless) {
        for (int i = kR; i <= kLen; ++i)
            if (has[i]) x[i] = given[i];
        x[kLineKindSlot] = 0;
        LossyLine* line = AddLossyLine(own.get(), p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3]);
        LineModels.push_back(std::move(own));
        AttachDeviceToPart(cc, part, line);
        return 0;
    }
    x[kLineKindSlot] = 1;
    for (int i = 0; i < 4; ++i)
        if (has[i]) x[i] = given[i];
    if (!IsGiven(x[kZo])) return ReportCompileError(cc, part, 10859);
    if (!IsGiven(x[kTd])) {
        if (!IsGiven(x[kF])) return ReportCompileError(cc, part, 10859);
        if (!IsGiven(x[kNl]) || x[kF] == 0 || x[kNl] == 0) return ReportCompileError(cc, part, 10867);
        x[kTd] = x[kNl] / x[kF];
    }
    if (!(x[kTd] > 1e-16)) return ReportCompileError(cc, part, 10892);

    const int n1 = cc.NewInternalNode(), n2 = cc.NewInternalNode();
    TLine* line = AddTLine(own.get(), p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3], n1, n2);
    line->td = x[kTd];
    LineModels.push_back(std::move(own));
    AttachDeviceToPart(cc, part, line);
    return 0;
}

}  // namespace ob7
