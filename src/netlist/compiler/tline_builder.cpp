// Lossless transmission lines (T parts): ZO and TD, or ZO, F and NL, from the TRN model
// and the instance text, which overrides the model for this line alone.

#include <cctype>
#include <memory>

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/tline.h"

namespace ob7 {

namespace {

// The private model records of lines with instance values, freed with the devices.
std::vector<std::unique_ptr<ModelParams>> LineModels;

enum TrnParam : int { kZo = 0, kTd = 1, kF = 2, kNl = 3, kR = 4, kL = 5, kG = 6, kC = 7, kLen = 8 };

int ParamOfKey(const std::string& key) {
    static const char* const keys[] = {"ZO", "TD", "F", "NL", "R", "L", "G", "C", "LEN"};
    if (key == "Z0") return kZo;
    for (int i = 0; i < 9; ++i)
        if (key == keys[i]) return i;
    return -1;
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
    bool lossy = false;
    for (size_t pos = 0; pos < text.size();) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        size_t eq = text.find('=', pos);
        if (pos >= text.size()) break;
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
        lossy = lossy || param >= kR;
    }
    // Lines given by R, L, G, C and LEN have no device of their own here.
    if (lossy) return ReportCompileError(cc, part, 10859);

    auto own = MakeModelParams(kModelTrn);
    double* x = ModelReals(*own);
    if (shared)
        for (int i = 0; i <= kLen; ++i) x[i] = ModelReals(*shared)[i];
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
