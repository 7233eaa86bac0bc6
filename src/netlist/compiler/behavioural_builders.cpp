// Behavioural sources: function sources (a formula of circuit quantities as a current
// or a voltage) and Laplace sources (a transfer function of S from a control voltage).
// Their formulas stay raw here; the device-expression sweep compiles them.

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "sim/devices/function_source.h"
#include "sim/devices/laplace_source.h"

namespace ob7 {

int BuildFunctionSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    const std::string text = PartAttr(p, ATTR_VALUE);
    if (text.find_first_not_of(" {}") == std::string::npos) return ReportCompileError(cc, part, 15040);
    FunctionSource* s = AddFunctionSource(p.type == kFunctionVoltage ? kFunctionVoltage : kFunctionCurrent,
                                          p.pinNodes[0], p.pinNodes[1]);
    SetExpressionText(&s->value_expression, text);
    if (cc.c.analysisKind == kAc) {
        const std::string noise = PartAttr(p, ATTR_NOISE_EXPRESSION);
        if (!noise.empty()) SetExpressionText(&s->noise_expression, noise);
    }
    AttachDeviceToPart(cc, part, s);
    return 0;
}

// Output on pins 1 and 2, control on pins 3 and 4.
int BuildLaplaceFunctionSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    const std::string text = PartAttr(p, ATTR_LAPLACE);
    if (text.find_first_not_of(" {}") == std::string::npos) return ReportCompileError(cc, part, 15040);
    LaplaceSource* s = AddLaplaceSource(p.type, p.pinNodes[2], p.pinNodes[3], p.pinNodes[0], p.pinNodes[1]);
    SetExpressionText(&s->transfer, text);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

}  // namespace ob7
