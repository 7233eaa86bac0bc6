// The device-pass steps levels 4 and 5 share.

#include "sim/devices/bsim12_prep.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr double kBoltzmannOverCharge = 8.617086918058125e-5;
constexpr double kReference = 300.15;
constexpr double kEpsOxCm = 3.453e-13;  // F/cm
enum : int { kMsgToxNotPositive = 13662 };

double BandGap(double t) { return 1.16 - 7.02e-4 * t * t / (t + 1108); }

double Value(const ModelParams& model, const char* name) { return Bsim12Value(model, name); }
int Slot(const ModelParams& model, const char* name) { return FindModelParam(model.modelType, name); }

Bsim12ModelAtTemperature UpdateModel(ModelParams& model, double t, int polarity_slot, int temperature_slot) {
    double* x = ModelReals(model);
    const bool pmos = model.modelType == kModelPmos4 || model.modelType == kModelPmos5;
    x[polarity_slot] = pmos ? -1.0 : 1.0;
    const double device_t = ModelDeviceTemperature(model, Slot(model, "T_MEASURED"), t);
    x[temperature_slot] = device_t;
    const double td = device_t + kKelvin, tn = x[Slot(model, "T_MEASURED")] + kKelvin;
    const double vt = kBoltzmannOverCharge * td, vtn = kBoltzmannOverCharge * tn;
    const double fact1 = tn / kReference, fact2 = td / kReference;
    const double eg1 = BandGap(tn), eg = BandGap(td);
    const double pbfact1 =
        -2 * vtn * (1.5 * std::log(fact1) + kElectronCharge * (1.3454442398941469e20 - eg1 / (2 * kBoltzmann * tn)));
    const double pbfact =
        -2 * vt * (1.5 * std::log(fact2) + kElectronCharge * (1.3454442398941469e20 - eg / (2 * kBoltzmann * td)));

    const double f = std::exp(std::clamp(eg1 / vtn - eg / vt, -350.0, 350.0));
    x[Slot(model, "IS")] *= f;
    x[Slot(model, "JS")] *= f;
    for (const char* name : {"PB", "PBSW"}) x[Slot(model, name)] = std::max(x[Slot(model, name)], 0.1);
    // The depletion charge divides by 1 - grading.
    for (const char* name : {"MJ", "MJSW"}) AvoidUnity(x[Slot(model, name)]);

    Bsim12ModelAtTemperature r;
    r.vt = vt;
    r.td = td;
    const JunctionTemperatureSlots slots = {Slot(model, "PB"),  Slot(model, "PBSW"), Slot(model, "CBD"),
                                            Slot(model, "CBS"), Slot(model, "CJ"),   Slot(model, "CJSW"),
                                            Slot(model, "MJ"),  Slot(model, "MJSW")};
    AdjustJunctionForTemperature(x, &r.cj, kReference, tn, td, &r.cjsw, slots, pbfact, pbfact1, fact1);
    const double tox = Value(model, "TOX");
    r.cox = tox > 0 ? kEpsOxCm / (tox * 1e-4) : 0.0;
    return r;
}

// Junction currents, critical voltages and zero-bias capacitances of one instance.
void JunctionValues(MosfetInstance& m, const ModelParams& model, const Bsim12ModelAtTemperature& mt) {
    const double vt = mt.vt, js = Value(model, "JS"), jssw = Value(model, "JSSW"), is = Value(model, "IS");
    if (js != 0 && m.AD != 0 && m.AS != 0) {
        m.vcritD = vt * std::log(vt / (js * m.AD * M_SQRT2));
        m.vcritS = vt * std::log(vt / (js * m.AS * M_SQRT2));
        m.IsD = js * m.AD + jssw * m.PD;
        m.IsS = js * m.AS + jssw * m.PS;
    } else {
        m.vcritD = m.vcritS = vt * std::log(vt / (is * M_SQRT2));
        m.IsD = m.IsS = is;
    }
    const double cbd = Value(model, "CBD"), cbs = Value(model, "CBS");
    m.Cbd = cbd != 0 ? cbd : mt.cj * m.AD;
    m.Cbdsw = mt.cjsw * m.PD;
    m.Cbs = cbs != 0 ? cbs : mt.cj * m.AS;
    m.Cbssw = mt.cjsw * m.PS;
}

}  // namespace

double Bsim12Value(const ModelParams& model, const char* name) {
    if (!name) return 0;
    const double v = ModelReals(model)[FindModelParam(model.modelType, name)];
    return IsGiven(v) ? v : 0.0;
}

const Bsim12ModelAtTemperature& Bsim12ModelsDone::Of(ModelParams& model, double t) {
    for (const auto& [m, values] : done_)
        if (m == &model) return values;
    done_.emplace_back(&model, UpdateModel(model, t, polarity_slot_, temperature_slot_));
    return done_.back().second;
}

int PrepareBsim12Instance(MosfetInstance& m, const ModelParams& model, const Bsim12ModelAtTemperature& mt) {
    if (mt.cox == 0) {
        ReportMessage("E", kMsgToxNotPositive);
        return kMsgReported;
    }
    m.Weff = m.W - Value(model, "DW") * m.M * 1e-6;
    m.Leff = m.L - Value(model, "DL") * 1e-6;
    m.NVt = mt.vt * Value(model, "N");
    JunctionValues(m, model, mt);
    m.CGSOVL = Value(model, "CGSO") * m.Weff;
    m.CGDOVL = Value(model, "CGDO") * m.Weff;
    m.CGBOVL = Value(model, "CGBO") * m.Leff;
    // A channel without positive size has no current to scale: stop here.
    if (int error = CheckEffectiveWidth(m.owning_part, m.Weff)) return error;
    return CheckEffectiveLength(m.owning_part, m.Leff);
}

void FinishBsim12Instance(MosfetInstance& m, double vt0) {
    m.tVto = vt0;
    m.von = vt0;
    if (!OperatingPointSolved) m.mode = 1;
    m.vbs1 = m.vgs1 = m.vds1 = m.vbs2 = m.vgs2 = m.vds2 = 0;
}

}  // namespace ob7
