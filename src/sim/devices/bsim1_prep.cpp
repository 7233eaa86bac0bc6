// Device pass of level 4 (BSIM1): the model's junction values at the device temperature
// (once per model), then per instance the effective sizes, junction currents and
// capacitances, overlap capacitances and the size-dependent parameters.

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
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

// A size-dependent parameter P + LP/Leff + WP/Weff (sizes in um) and where it goes.
struct SizeGroup {
    const char *value, *by_length, *by_width;
    double Bsim1SizeParams::*field;
};
constexpr SizeGroup kGroups[] = {
    {"VFB", "VFBL", "VFBW", &Bsim1SizeParams::vfb},      {"PHI", "PHIL", "PHIW", &Bsim1SizeParams::phi},
    {"K1", "K1L", "K1W", &Bsim1SizeParams::k1},          {"K2", "K2L", "K2W", &Bsim1SizeParams::k2},
    {"ETA", "LETA", "WETA", &Bsim1SizeParams::eta},      {"X2E", "LX2E", "WX2E", &Bsim1SizeParams::etaB},
    {"X3E", "LX3E", "WX3E", &Bsim1SizeParams::etaD},     {"MUZ", nullptr, nullptr, &Bsim1SizeParams::betaZero},
    {"X2MZ", "LX2MZ", "WX2MZ", &Bsim1SizeParams::betaZeroB}, {"MUS", "LMUS", "WMUS", &Bsim1SizeParams::betaVdd},
    {"X2MS", "LX2MS", "WX2MS", &Bsim1SizeParams::betaVddB},  {"X3MS", "LX3MS", "WX3MS", &Bsim1SizeParams::betaVddD},
    {"U0", "LU0", "WU0", &Bsim1SizeParams::ugs},         {"X2U0", "LX2U0", "WX2U0", &Bsim1SizeParams::ugsB},
    {"U1", "LU1", "WU1", &Bsim1SizeParams::uds},         {"X2U1", "LX2U1", "WX2U1", &Bsim1SizeParams::udsB},
    {"X3U1", "LX3U1", "WX3U1", &Bsim1SizeParams::udsD},  {"N0", "LN0", "WN0", &Bsim1SizeParams::n0},
    {"NB", "LNB", "WNB", &Bsim1SizeParams::nB},          {"ND", "LND", "WND", &Bsim1SizeParams::nD},
};

// A parameter of the model; not given reads as 0.
double Value(const ModelParams& model, const char* name) {
    if (!name) return 0;
    const double v = ModelReals(model)[FindModelParam(model.modelType, name)];
    return IsGiven(v) ? v : 0.0;
}
int Slot(const ModelParams& model, const char* name) { return FindModelParam(model.modelType, name); }

// The values of a model at the device temperature that its instances share.
struct ModelAtTemperature {
    double vt, cj, cjsw, cox;
};

ModelAtTemperature UpdateModel(ModelParams& model, double t) {
    double* x = ModelReals(model);
    x[kBsim1PolaritySlot] = model.modelType == kModelPmos4 ? -1.0 : 1.0;
    const double device_t = ModelDeviceTemperature(model, Slot(model, "T_MEASURED"), t);
    x[kBsim1DeviceTempSlot] = device_t;
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

    ModelAtTemperature r;
    r.vt = vt;
    const JunctionTemperatureSlots slots = {Slot(model, "PB"),  Slot(model, "PBSW"), Slot(model, "CBD"),
                                            Slot(model, "CBS"), Slot(model, "CJ"),   Slot(model, "CJSW"),
                                            Slot(model, "MJ"),  Slot(model, "MJSW")};
    AdjustJunctionForTemperature(x, &r.cj, kReference, tn, td, &r.cjsw, slots, pbfact, pbfact1, fact1);
    const double tox = Value(model, "TOX");
    r.cox = tox > 0 ? kEpsOxCm / (tox * 1e-4) : 0.0;
    return r;
}

// Junction currents, critical voltages and zero-bias capacitances of one instance.
void JunctionValues(MosfetInstance& m, const ModelParams& model, const ModelAtTemperature& mt) {
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

void SizeDependentValues(MosfetInstance& m, const ModelParams& model, const ModelAtTemperature& mt) {
    Bsim1SizeParams& s = *m.bsim1;
    const double leff = m.Leff * 1e6, weff = m.Weff * 1e6, unit_weff = weff / m.M;
    for (const SizeGroup& g : kGroups)
        s.*g.field = Value(model, g.value) + Value(model, g.by_length) / leff + Value(model, g.by_width) / unit_weff;
    s.phi = std::max(s.phi, 0.1);
    if (s.k1 < 0) s.k1 = 1e-50;
    if (s.k2 < 0) s.k2 = 1e-50;
    const double cw = mt.cox * weff / leff;
    for (double Bsim1SizeParams::*beta : {&Bsim1SizeParams::betaZero, &Bsim1SizeParams::betaZeroB,
                                          &Bsim1SizeParams::betaVdd, &Bsim1SizeParams::betaVddB,
                                          &Bsim1SizeParams::betaVddD})
        s.*beta *= cw;
    s.betaVddD = std::max(s.betaVddD, 0.0);
    s.uds /= leff, s.udsB /= leff, s.udsD /= leff;
    s.vdd = Value(model, "VDD");
    s.xpart = Value(model, "XPART");
    s.vt = mt.vt;
    s.coxWL = mt.cox * 1e4 * m.Weff * m.Leff;
}

}  // namespace

int UpdateBsim1Instances(double t) {
    std::vector<std::pair<const ModelParams*, ModelAtTemperature>> done;
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 4) continue;
        ModelParams& model = *m->model;
        auto found = std::find_if(done.begin(), done.end(), [&](const auto& d) { return d.first == &model; });
        if (found == done.end()) {
            done.emplace_back(&model, UpdateModel(model, t));
            found = done.end() - 1;
        }
        const ModelAtTemperature& mt = found->second;
        if (mt.cox == 0) {
            ReportMessage("E", kMsgToxNotPositive);
            return kMsgReported;
        }
        if (!m->bsim1) m->bsim1 = std::make_shared<Bsim1SizeParams>();

        m->Weff = m->W - Value(model, "DW") * m->M * 1e-6;
        m->Leff = m->L - Value(model, "DL") * 1e-6;
        m->NVt = mt.vt * Value(model, "N");
        JunctionValues(*m, model, mt);
        m->CGSOVL = Value(model, "CGSO") * m->Weff;
        m->CGDOVL = Value(model, "CGDO") * m->Weff;
        m->CGBOVL = Value(model, "CGBO") * m->Leff;
        // A channel without positive size has no current to scale: stop here.
        if (int error = CheckEffectiveWidth(m->owning_part, m->Weff)) return error;
        if (int error = CheckEffectiveLength(m->owning_part, m->Leff)) return error;

        SizeDependentValues(*m, model, mt);
        const Bsim1SizeParams& s = *m->bsim1;
        m->tVto = s.vfb + s.phi + s.k1 * GuardedSqrt(m->model, s.phi, ModelReals(model)[kBsim1DeviceTempSlot] + kKelvin) -
                  s.k2 * s.phi;
        m->von = m->tVto;
        if (!OperatingPointSolved) m->mode = 1;
        m->vbs1 = m->vgs1 = m->vds1 = m->vbs2 = m->vgs2 = m->vds2 = 0;
    }
    return 0;
}

}  // namespace ob7
