// Behavioural sources: function sources (a formula of circuit quantities as a current
// or a voltage) and Laplace sources (a transfer function of S from a control voltage).
// Their formulas stay raw here; the device-expression sweep compiles them. The time
// integral and derivative of a function source become small circuits of their own.

#include <cctype>
#include <cstring>

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/function_source.h"
#include "sim/devices/inductor.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/resistor.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

bool IsNameChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '.'; }

// The next SDT or DDT at or after from that is a name of its own; npos when none.
size_t FindIntegralOrDerivative(const std::string& text, size_t from) {
    for (size_t i = from; i + 3 <= text.size(); ++i) {
        const std::string word = text.substr(i, 3);
        if (word != "SDT" && word != "DDT") continue;
        if (i > 0 && IsNameChar(text[i - 1])) continue;
        if (i + 3 < text.size() && IsNameChar(text[i + 3])) continue;
        return i;
    }
    return std::string::npos;
}

}  // namespace

int RewriteIntegralsAndDerivatives(CompileContext& cc, int part, std::string& text) {
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    void* owner = &cc.Part(part);
    for (size_t at = FindIntegralOrDerivative(text, 0); at != std::string::npos;
         at = FindIntegralOrDerivative(text, at)) {
        const bool integral = text[at] == 'S';
        size_t open = at + 3;
        while (open < text.size() && text[open] == ' ') ++open;
        if (open >= text.size() || text[open] != '(') return ReportCompileError(cc, part, 11900, "(");
        size_t close = open;
        for (int depth = 0; close < text.size(); ++close) {
            if (text[close] == '(') ++depth;
            else if (text[close] == ')' && --depth == 0) break;
        }
        if (close >= text.size()) return ReportCompileError(cc, part, 11900, ")");
        int in = 0, out = 0;
        const std::string inName = NameInternalNode(cc, part, "_IN", &in);
        const std::string outName = NameInternalNode(cc, part, "_OUT", &out);
        // V(In) follows the argument.
        FunctionSource* follower = AddFunctionSource(kFunctionVoltage, in, 0);
        SetExpressionText(&follower->value_expression, text.substr(open + 1, close - open - 1));
        follower->owning_part = owner;
        if (integral) {
            // A current of V(In) from time 0 into 1 F: V(Out) is the running integral.
            FunctionSource* charge = AddFunctionSource(kFunctionCurrent, 0, out);
            SetExpressionText(&charge->value_expression, "V(" + inName + ")*(T>0)");
            charge->owning_part = owner;
            AddCapacitor(0, out, 1.0)->owning_part = owner;
            AddResistor(0, out, 1.0 / (Options.gmin > 0 ? Options.gmin : 1e-12))->owning_part = owner;
        } else {
            // A current of V(In) through 1 H: V(Out) is its derivative.
            AddDependentSource(kFormG, in, 0, 0, out, 1.0)->owning_part = owner;
            AddInductor(0, out, 1.0)->owning_part = owner;
        }
        text = text.substr(0, at) + "V(" + outName + ")" + text.substr(close + 1);
    }
    return 0;
}

int BuildFunctionSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    int error = 0;
    std::string text = GetPartTextExpanded(cc.c.tables, p, ATTR_VALUE, &error);
    if (error) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    if (text.find_first_not_of(" {}") == std::string::npos) return ReportCompileError(cc, part, 15040);
    if (int code = RewriteIntegralsAndDerivatives(cc, part, text)) return code;
    FunctionSource* s = AddFunctionSource(p.type == kFunctionVoltage ? kFunctionVoltage : kFunctionCurrent,
                                          p.pinNodes[0], p.pinNodes[1]);
    SetExpressionText(&s->value_expression, text);
    if (cc.c.analysisKind == kAc) {
        const std::string noise = PartAttr(p, ATTR_NOISE_EXPRESSION);
        if (!noise.empty()) SetExpressionText(&s->noise_expression, noise);
        if (int code = SetFrequencyExpression(cc, part, &s->ac_expression)) return code;
    }
    AttachDeviceToPart(cc, part, s);
    return 0;
}

namespace {

bool IsZNeighbour(char ch) { return ch == '\0' || std::strchr(" ,=()[]<>{}^~*\\/+-='!|&", ch) != nullptr; }

}  // namespace

int ConvertZToS(CompileContext& cc, int part, std::string& text) {
    std::string clock;
    const NetlistPart& p = cc.Part(part);
    if (SubstituteDefines(cc.c.tables, clock, p.scope, PartAttr(p, ATTR_CLOCK_FREQUENCY), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    if (clock.find_first_not_of(' ') == std::string::npos)
        return ReportCompileError(cc, part, 10893);
    const std::string z = "(EXP(S/(" + clock + ")))";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const bool alone = (ch == 'Z' || ch == 'z') && (i == 0 || IsZNeighbour(text[i - 1])) &&
                           IsZNeighbour(i + 1 < text.size() ? text[i + 1] : '\0');
        if (alone) out += z;
        else out += ch;
    }
    text = out;
    return 0;
}

// Output on pins 1 and 2, control on pins 3 and 4. The z-domain forms (131 to 134) are
// the s-domain ones with Z standing for EXP(S/clock).
int BuildLaplaceFunctionSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    const bool zDomain = p.type > 100;
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, PartAttr(p, zDomain ? ATTR_ZEXP : ATTR_LAPLACE), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    if (text.find_first_not_of(" {}") == std::string::npos) return ReportCompileError(cc, part, 15040);
    if (zDomain)
        if (int code = ConvertZToS(cc, part, text)) return code;
    LaplaceSource* s = AddLaplaceSource(zDomain ? p.type - 100 : p.type, p.pinNodes[2], p.pinNodes[3],
                                        p.pinNodes[0], p.pinNodes[1]);
    SetExpressionText(&s->transfer, text);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

// Linear G, F, E and H parts: the first number of VALUE is the gain.
int BuildLinearControlledSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, PartAttr(p, ATTR_VALUE), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    if (ParseNumberList(text.c_str(), 3)) return ReportCompileError(cc, part, 10847, text.c_str());
    DependentSource* s = AddDependentSource(p.type, p.pinNodes[2], p.pinNodes[3], p.pinNodes[0], p.pinNodes[1],
                                            NumberList[0]);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

}  // namespace ob7
