// Operational amplifier parts (pins: plus input, minus input, VEE, output, VCC) from
// their OPA model: level 1 one transconductance stage into an output resistor, level 2
// three equal stages with two compensation poles, level 3 a transistor macro model of
// ordinary devices.

#include <cmath>

#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/opamp.h"
#include "sim/devices/resistor.h"

namespace ob7 {

namespace {

constexpr double kPi = 3.14159265358979323846;

enum OpampPin : int { kPinPlus = 0, kPinMinus = 1, kPinVee = 2, kPinOutput = 3, kPinVcc = 4 };

}  // namespace

int BuildOpamp(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 5) return ReportCompileError(cc, part, 10847, PartAttr(p, 1).c_str());
    ModelParams* model = FindPartModel(cc, part, {kModelOpamp});
    if (!model) return kMsgReported;
    const int plus = p.pinNodes[kPinPlus], minus = p.pinNodes[kPinMinus], out = p.pinNodes[kPinOutput];
    const double* m = ModelReals(*model);
    const double r = m[kOpaRoutDc] + m[kOpaRoutAc];
    const int level = static_cast<int>(m[kOpaLevel]);
    Opamp* o = AddOpamp(model, plus, minus, out);
    AttachDeviceToPart(cc, part, o);
    switch (level) {
    case 1:
        o->stage_resistors[0] = AddResistor(out, 0, r);
        o->stage_resistors[0]->owning_part = o->owning_part;
        o->gm = m[kOpaA] / r;
        break;
    case 2: {
        o->s1 = cc.NewInternalNode();
        o->s2 = cc.NewInternalNode();
        const double f1 = m[kOpaGbw] / m[kOpaA];
        const double f2 = m[kOpaGbw] / std::tan(kPi - std::atan(m[kOpaA]) - m[kOpaPm] * kPi / 180);
        // A phase margin that makes f2 negative is the temperature update's to reject.
        o->c1 = AddCapacitor(0, o->s1, 1 / (2 * kPi * f1 * r));
        o->c2 = AddCapacitor(0, o->s2, 1 / (2 * kPi * f2 * r));
        o->c1->owning_part = o->c2->owning_part = o->owning_part;
        const int stageNodes[3] = {o->s1, o->s2, out};
        for (int k = 0; k < 3; ++k) {
            o->stage_resistors[k] = AddResistor(stageNodes[k], 0, r);
            o->stage_resistors[k]->owning_part = o->owning_part;
        }
        o->gm = std::pow(m[kOpaA], 1.0 / 3.0) / r;
        break;
    }
    case 3:
        if (int code = BuildOpampMacroModel(cc, part, o)) {
            if (code == kMsgReported) return code;
            return ReportCompileError(cc, part, code, PartAttr(p, 1).c_str());
        }
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace ob7
