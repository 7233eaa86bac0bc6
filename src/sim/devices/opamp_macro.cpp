#include "sim/devices/opamp_macro.h"

#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/jfet.h"
#include "sim/devices/opamp.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

void SetValue(Resistor* r, double value) {
    if (r) r->base_value = r->working_value = value;
}
void SetValue(Capacitor* c, double value) {
    if (c) c->base_value = c->working_value = value;
}
void SetValue(SpiceSource* s, double value) {
    if (s) s->dc_value = s->value = value;
}
void SetValue(DependentSource* s, double value) {
    if (s) s->gain = value;
}

// The opamp's T_MEASURED (defaulting to TNOM), T_ABS, T_REL_GLOBAL and T_REL_LOCAL
// into the four temperature slots of a macro model from `slot`.
void PassTemperatures(const double* opa, ModelParams* model, int slot) {
    if (!model) return;
    double* x = ModelReals(*model);
    x[slot] = IsGiven(opa[kOpaTMeasured]) ? opa[kOpaTMeasured] : Options.tnom;
    for (int k = 1; k < 4; ++k) x[slot + k] = opa[kOpaTMeasured + k];
}

}  // namespace

int UpdateOpampMacro(Opamp* o, double t) {
    OpampMacro* mac = o->macro;
    const double* opa = ModelReals(*o->model);
    const bool jfet_inputs = static_cast<int>(opa[kOpaType] + 0.5) == kOpampJfet;
    const double is1 = !jfet_inputs && mac && mac->q1 ? ModelReals(*mac->q1)[kQIs] : 1e-16;
    OpampMacroValues v;
    const int result = ComputeOpampParameters(o, &v, t, is1);
    if ((result != 0 && result != kMsgOpampPd) || !mac) return result;

    SetValue(mac->iee, v.iee);
    SetValue(mac->vc, v.vc);
    SetValue(mac->ve, v.ve);
    SetValue(mac->vlp, v.vlp);
    SetValue(mac->vln, v.vln);
    SetValue(mac->ga, v.ga);
    SetValue(mac->gcm, v.gcm);
    if (mac->gb && mac->gb->coefficients.size() >= 3) {
        mac->gb->coefficients[1] = v.gb;
        mac->gb->coefficients[2] = -v.gb;
    }
    SetValue(mac->c1, v.c1);
    SetValue(mac->c2, v.c2);
    SetValue(mac->ce, v.ce);
    SetValue(mac->rc1, v.rc);
    SetValue(mac->rc2, v.rc);
    SetValue(mac->re1, v.re);
    SetValue(mac->re2, v.re);
    SetValue(mac->ree, v.ree);
    SetValue(mac->rp, v.rp);
    SetValue(mac->r2, v.r2);
    SetValue(mac->ro1, v.ro1);
    SetValue(mac->ro2, v.ro2);

    if (jfet_inputs) {
        // Both input JFETs: the transconductance parameter and the bias currents with
        // their offset; the second one's threshold carries the offset voltage.
        const double ibias = opa[kOpaIbias], ioff = opa[kOpaIoff], voff = opa[kOpaVoff];
        ModelParams* inputs[2] = {mac->q1, mac->q2};
        for (int k = 0; k < 2; ++k) {
            if (!inputs[k]) continue;
            double* x = ModelReals(*inputs[k]);
            x[kJBeta] = k == 0 ? v.beta1 : v.beta2;
            if (k == 1) x[kJVto] += voff;
            x[kJIs] = (ibias + (k == 0 ? 0.5 : -0.5) * ioff) / 2;
            PassTemperatures(opa, inputs[k], kJTMeasured);
        }
    } else {
        if (mac->q1) ModelReals(*mac->q1)[kQBf] = v.beta1;
        if (mac->q2) {
            double* x = ModelReals(*mac->q2);
            x[kQBf] = v.beta2;
            x[kQIs] = v.is2;
            PassTemperatures(opa, mac->q2, kQTMeasured);
        }
    }
    PassTemperatures(opa, mac->diodes, kDTMeasured);
    return result;
}

}  // namespace ob7
