#include "sim/devices/opamp.h"

#include <cmath>
#include <cstdio>

#include "foundation/messages.h"
#include "foundation/owned_strings.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/opamp_macro.h"
#include "sim/devices/resistor.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

constexpr double kPi = 3.14159265358979323846;

int Level(const Opamp* o) { return static_cast<int>(std::lround(o->model->Real(kOpaLevel))); }
double Rout(const Opamp* o) { return o->model->Real(kOpaRoutAc) + o->model->Real(kOpaRoutDc); }

// The part's name goes into the pending text of the message that follows.
int Fail(const Opamp* o, int message) {
    const std::string name = NonConvergencePartName ? NonConvergencePartName(o->owning_part) : std::string();
    SetPendingMessageText(name.c_str());
    return message;
}

void SetResistor(Resistor* r, double value) {
    if (r) r->base_value = r->working_value = value;
}
void SetCapacitor(Capacitor* c, double value) {
    if (c) c->base_value = c->working_value = value;
}

}  // namespace

const DeviceKindHandler kOpampKind{LoadStage::Opamps, 0, SetupOpamps, LoadOpamps};

Opamp* AddOpamp(ModelParams* model, int in_plus, int in_minus, int out) {
    auto* o = new Opamp;
    o->model = model, o->in_plus = in_plus, o->in_minus = in_minus, o->out = out;
    AddDevice(kOpampList, o);
    return o;
}

int SetupOpamps() {
    for (auto* o : DevicesOf<Opamp>(kOpampList)) {
        const int level = Level(o);
        int error = 0;
        if (level == 1) {
            error = AllocTransconductanceEntries(o->in_plus, o->in_minus, o->out, 0);
        } else if (level == 2) {
            error = AllocTransconductanceEntries(o->in_plus, o->in_minus, o->s1, 0);
            if (!error) error = AllocTransconductanceEntries(o->s1, 0, o->s2, 0);
            if (!error) error = AllocTransconductanceEntries(o->s2, 0, o->out, 0);
        }
        if (error) return error;
    }
    return 0;
}

int LoadOpamps() {
    auto stamp = [](double g) { StampNext(-g), StampNext(g), StampNext(g), StampNext(-g); };
    for (auto* o : DevicesOf<Opamp>(kOpampList)) {
        const int level = Level(o);
        // Level 3 stamps nothing: its macro's elements are devices of their own.
        if (o->flag_byte1 && level != 3) o->output_state = 6;
        if (level == 1) {
            stamp(o->gm);
        } else if (level == 2) {
            double g1 = o->gm;
            if (!OperatingPointPhase) {
                const double* m = ModelReals(*o->model);
                const double vin = o->gm * (Solution[o->in_plus] - Solution[o->in_minus]);
                const double c1 = o->c1 ? o->c1->working_value : 0;
                const double k = c1 / std::pow(m[kOpaA], 0.66666666666666);
                const double upper = k * m[kOpaSrp], lower = -k * m[kOpaSrn];
                if (vin > upper || vin < lower) {
                    RightHandSide[o->s1] += vin > upper ? upper : lower;
                    g1 = 1e-50;
                }
            }
            stamp(g1);
            stamp(o->gm);
            stamp(o->gm);
        }
    }
    return 0;
}

int UpdateOpampValues(Opamp* o, double t) {
    const double* m = ModelReals(*o->model);
    const double rout = Rout(o);
    switch (Level(o)) {
    case 1:
        o->gm = m[kOpaA] / rout;
        return 0;
    case 2: {
        o->gm = std::pow(m[kOpaA], 0.3333333333333) / rout;
        for (Resistor* r : o->stage_resistors) SetResistor(r, rout);
        SetCapacitor(o->c1, 1 / (2 * kPi * rout * m[kOpaGbw] / m[kOpaA]));
        const double c2 = std::tan(kPi - std::atan(m[kOpaA]) - m[kOpaPm] * kPi / 180) / (2 * kPi * rout * m[kOpaGbw]);
        if (!(c2 > 0)) return Fail(o, kMsgOpampNegativeC2);
        SetCapacitor(o->c2, c2);
        return 0;
    }
    case 3:
        return UpdateOpampMacro(o, t);
    default:
        return 0;
    }
}

int UpdateOpampTemperatures(double t) {
    for (auto* o : DevicesOf<Opamp>(kOpampList)) {
        const int error = UpdateOpampValues(o, t);
        // Too little power for the tail current: said, but every value is in place.
        if (error == kMsgOpampPd) ReportMessage("E", kMsgOpampPd);
        else if (error) return error;
    }
    return 0;
}

int ComputeOpampParameters(const Opamp* o, OpampMacroValues* v, double t, double is1) {
    const double* m = ModelReals(*o->model);
    const double vt = ThermalVoltage(t);
    const int type = static_cast<int>(std::lround(m[kOpaType]));
    const bool bipolar = type == kOpampNpn || type == kOpampPnp;
    const double c = m[kOpaC], gbw = m[kOpaGbw];
    const double srp = std::fabs(m[kOpaSrp]), srn = std::fabs(m[kOpaSrn]);
    const double ibias = std::fabs(m[kOpaIbias]), ioff = std::fabs(m[kOpaIoff]);
    *v = {};

    v->rc = 1 / (2 * kPi * gbw * c);
    v->ga = 2 * kPi * gbw * c;
    v->c2 = c;
    v->c1 = c * std::tan((90 - m[kOpaPm]) * kPi / 180) / 2;
    if (!(ibias > ioff / 2)) return Fail(o, kMsgOpampIbias);

    if (type == kOpampNpn) {
        v->ic = c * srp / 2;
        v->ce = 2 * v->ic / srn - c;
        if (v->ce < 0) return Fail(o, kMsgOpampNpnSlew);
    } else if (type == kOpampPnp) {
        v->ic = srn * c / 2;
        v->ce = 2 * v->ic / srp - c;
        if (v->ce < 0) return Fail(o, kMsgOpampPnpSlew);
    }
    if (bipolar) {
        if (v->ce == 0) v->ce = 1e-19;
        v->beta1 = v->ic / (ibias + ioff / 2);
        v->beta2 = v->ic / (ibias - ioff / 2);
        v->iee = v->ic * ((v->beta2 + 1) / v->beta2 + (v->beta1 + 1) / v->beta1);
        if (!(v->rc - vt / v->ic > 0)) return Fail(o, type == kOpampNpn ? kMsgOpampSrpNpn : kMsgOpampSrnPnp);
        v->re = (v->rc - vt / v->ic) * (v->beta1 + v->beta2) / (v->beta1 + v->beta2 + 2);
        v->ree = 200 / v->iee;
    } else {
        v->iee = srn * c;
        v->ce = srn * c / srp - c;
        if (v->ce < 0) return Fail(o, kMsgOpampPnpSlew);
        if (v->ce == 0) v->ce = 1e-19;
        v->re = 1;
        v->ree = 200 / v->iee;
        v->beta1 = v->beta2 = std::pow(2 * kPi * gbw * c, 2) / 2 / v->iee;
    }

    int result = 0;
    const double d = (std::fabs(m[kOpaVee]) + std::fabs(m[kOpaVcc])) * std::fabs(v->iee);
    if (m[kOpaPd] > d) {
        v->rp = std::pow(m[kOpaVcc] - m[kOpaVee], 2) / (m[kOpaPd] - d);
    } else {
        // The part's name, then the least power the tail current needs.
        char text[64];
        std::snprintf(text, sizeof text, "%g", d);
        Fail(o, 0);
        StrAssign(&PendingMessage.text2, text);
        v->rp = 1 / Options.gmin;
        result = kMsgOpampPd;
    }
    if (m[kOpaRoutAc] >= m[kOpaRoutDc]) return Fail(o, kMsgOpampRout);
    v->r2 = 100000;
    v->ro1 = m[kOpaRoutAc];
    v->ro2 = m[kOpaRoutDc] - m[kOpaRoutAc];
    v->gcm = 1 / (v->rc * m[kOpaCmrr]);
    v->gb = v->rc * m[kOpaA] / v->ro2;
    v->vlp = v->vln = m[kOpaIosc] * 1000;
    v->vc = m[kOpaVcc] - m[kOpaVps];
    v->ve = m[kOpaVns] - m[kOpaVee];
    if (m[kOpaVee] > m[kOpaVns]) return Fail(o, kMsgOpampVee);
    if (m[kOpaVcc] < m[kOpaVps]) return Fail(o, kMsgOpampVcc);
    if (bipolar) v->is2 = is1 * (1 + m[kOpaVoff] / vt);
    if (type != kOpampNpn) v->iee = -v->iee;
    return result;
}

// --- AC -------------------------------------------------------------------------------------
// The stage transconductances of the operating point; level 3 is made of other devices.
int AcLoadOpamps() {
    for (auto* o : DevicesOf<Opamp>(kOpampList)) {
        const int level = Level(o);
        const double g = -o->gm;
        int error = 0;
        if (level == 1) {
            error = AcStampTransconductance(o->in_plus, o->in_minus, o->out, 0, g, 0);
        } else if (level == 2) {
            error = AcStampTransconductance(o->in_plus, o->in_minus, o->s1, 0, g, 0);
            if (!error) error = AcStampTransconductance(o->s1, 0, o->s2, 0, g, 0);
            if (!error) error = AcStampTransconductance(o->s2, 0, o->out, 0, g, 0);
        }
        if (error) return error;
    }
    return 0;
}

const AcKindHandler kOpampAcKind{AcStage::Opamps, 0, AcLoadOpamps};

}  // namespace ob7
