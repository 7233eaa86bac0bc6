// The level-3 opamp: a macro model of 15 internal nodes made of ordinary devices (an
// input pair with its tail, a transconductance stage with the compensation capacitor,
// an output stage that follows the mid-supply voltage, output swing clamps and current
// limiting). The elements whose values come from the data-sheet values are recorded in
// the opamp's macro so that every temperature update recomputes them.
//
// Internal nodes, numbered 6..20 in the order they are taken:
//   6, 7 collectors; 8, 9 emitters; 10 tail; 11 the sense source of the second stage;
//   12 second stage; 13 output stage; 14 mid supply; 15 the output current sense;
//   16, 17 the swing clamps; 18 the current-limit sense; 19, 20 the limit levels.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "foundation/messages.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/jfet.h"
#include "sim/devices/opamp.h"
#include "sim/devices/opamp_macro.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"

namespace ob7 {

namespace {

// The macros and the private model records of the input pairs and diodes, freed with
// the compiled devices.
std::vector<std::unique_ptr<OpampMacro>> Macros;
std::vector<std::unique_ptr<ModelParams>> MacroModels;

ModelParams* FreshModel(int type) {
    MacroModels.push_back(MakeModelParams(type));
    ModelParams* m = MacroModels.back().get();
    CircuitModels[type].push_back(m);
    return m;
}

}  // namespace

void ForgetOpampMacros() {
    Macros.clear();
    MacroModels.clear();
}

int BuildOpampMacroModel(CompileContext& cc, int part, Opamp* o) {
    const NetlistPart& p = cc.Part(part);
    const int plus = p.pinNodes[0], minus = p.pinNodes[1], vee = p.pinNodes[2], out = p.pinNodes[3],
              vcc = p.pinNodes[4];
    const double* opa = ModelReals(*o->model);
    const int type = static_cast<int>(opa[kOpaType]);
    if (type != kOpampNpn && type != kOpampPnp && type != kOpampJfet) return 15059;
    // The values are checked before any element exists.
    OpampMacroValues v;
    if (int code = ComputeOpampParameters(o, &v, 27.0)) {
        // The least power the tail current needs waits as the second pending text.
        const std::string least = PendingMessage.text2 ? PendingMessage.text2 : "";
        ClearPendingMessage();
        if (code != kMsgOpampPd) return code;
        return ReportCompileError(cc, part, code, PartAttr(p, 1).c_str(), least.c_str());
    }
    int n[21] = {};
    for (int k = 6; k <= 20; ++k) n[k] = cc.NewInternalNode();
    const int rail = type == kOpampNpn ? vcc : vee;
    Macros.push_back(std::make_unique<OpampMacro>());
    OpampMacro& mac = *Macros.back();
    o->macro = &mac;
    void* owner = o->owning_part;
    auto own = [owner](auto* device) {
        device->owning_part = owner;
        return device;
    };
    auto voltage = [&](int a, int b, double value) { return own(AddSpiceSource(a, b, kSpiceVoltageSource, value)); };

    // Sources: the tail current, the two sense sources, the swing clamps and the limits.
    mac.iee = own(AddSpiceSource(n[10], type == kOpampNpn ? vee : vcc, 11, v.iee));
    SpiceSource* vs1 = voltage(n[11], 0, 0);
    mac.vc = voltage(vcc, n[16], v.vc);
    mac.ve = voltage(n[17], vee, v.ve);
    mac.vlp = voltage(n[19], 0, std::fabs(v.vlp));
    mac.vln = voltage(0, n[20], std::fabs(v.vln));
    SpiceSource* vs2 = voltage(n[13], n[15], 0);

    // The output stage follows the second stage's current and is pulled back by the
    // currents of the clamps and limits.
    std::vector<PolyControl> controls(5);
    const SpiceSource* sensed[5] = {vs1, mac.vc, mac.ve, mac.vlp, mac.vln};
    for (int k = 0; k < 5; ++k) controls[static_cast<size_t>(k)].branch = &sensed[k]->branch;
    mac.gb = own(AddPolySource(kPolyF, n[13], n[14], {0, v.gb, -v.gb, v.gb, v.gb, -v.gb}, std::move(controls)));
    std::vector<PolyControl> supplies(2);
    supplies[0].a = vcc, supplies[1].a = vee;
    own(AddPolySource(kPolyE, n[14], 0, {0, 0.5, 0.5}, std::move(supplies)));
    std::vector<PolyControl> limit(1);
    limit[0].branch = &vs2->branch;
    own(AddPolySource(kPolyH, n[18], 0, {0, 1000}, std::move(limit)));
    mac.gcm = own(AddDependentSource(kFormG, n[10], 0, 0, n[12], v.gcm));
    mac.ga = own(AddDependentSource(kFormG, n[6], n[7], n[12], 0, v.ga));

    mac.c1 = own(AddCapacitor(n[6], n[7], v.c1));
    mac.ce = own(AddCapacitor(n[10], n[14], v.ce));
    mac.c2 = own(AddCapacitor(n[12], n[13], v.c2));

    mac.rc1 = own(AddResistor(rail, n[6], v.rc));
    mac.rc2 = own(AddResistor(rail, n[7], v.rc));
    mac.re1 = own(AddResistor(n[8], n[10], v.re));
    mac.re2 = own(AddResistor(n[9], n[10], v.re));
    mac.ree = own(AddResistor(n[10], n[14], v.ree));
    mac.rp = own(AddResistor(vcc, vee, v.rp));
    mac.r2 = own(AddResistor(n[12], n[11], v.r2));
    mac.ro2 = own(AddResistor(n[13], n[14], v.ro2));
    mac.ro1 = own(AddResistor(n[15], out, v.ro1));

    // Diodes: the supply clamp, the output swing clamps and the current limits. A diode
    // whose two ends are one node is not built, and then none of them.
    if (vee != vcc) {
        mac.diodes = FreshModel(kModelDiode);
        own(AddDiode(mac.diodes, vee, vcc));
        own(AddDiode(mac.diodes, out, n[16]));
        own(AddDiode(mac.diodes, n[17], out));
        own(AddDiode(mac.diodes, n[18], n[19]));
        own(AddDiode(mac.diodes, n[20], n[18]));
    }

    // The input pair, each with a model record of its own.
    if (type == kOpampJfet) {
        mac.q1 = FreshModel(kModelPjf);
        mac.q2 = FreshModel(kModelPjf);
        ModelReals(*mac.q1)[kJBeta] = ModelReals(*mac.q2)[kJBeta] = v.beta1;
        own(AddJfet(mac.q1, n[6], minus, n[8]));
        own(AddJfet(mac.q2, n[7], plus, n[9]));
    } else {
        const int modelType = type == kOpampNpn ? kModelNpn : kModelPnp;
        mac.q1 = FreshModel(modelType);
        mac.q2 = FreshModel(modelType);
        ModelReals(*mac.q1)[kQBf] = v.beta1;
        ModelReals(*mac.q2)[kQBf] = v.beta2;
        ModelReals(*mac.q2)[kQIs] = v.is2;
        for (ModelParams* m : {mac.q1, mac.q2}) ModelReals(*m)[kQVcritBe] = ModelReals(*m)[kQVcritBc] = 0.7;
        const int inputs[2][3] = {{n[6], minus, n[8]}, {n[7], plus, n[9]}};
        ModelParams* models[2] = {mac.q1, mac.q2};
        for (int k = 0; k < 2; ++k) {
            Bjt* q = own(AddBjt(models[k], inputs[k][0], inputs[k][1], inputs[k][2]));
            q->collector_i = inputs[k][0], q->base_i = inputs[k][1], q->emitter_i = inputs[k][2];
        }
    }
    return 0;
}

}  // namespace ob7
