// Device pass of level 4 (BSIM1): the model's junction values at the device temperature
// (once per model), then per instance the effective sizes, junction currents and
// capacitances, overlap capacitances and the size-dependent parameters.

#include <algorithm>
#include <memory>

#include "sim/devices/bsim12.h"
#include "sim/devices/bsim12_prep.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/mosfet_preparation.h"

namespace ob7 {

namespace {

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

double Value(const ModelParams& model, const char* name) { return Bsim12Value(model, name); }

void SizeDependentValues(MosfetInstance& m, const ModelParams& model, const Bsim12ModelAtTemperature& mt) {
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
    Bsim12ModelsDone models(kBsim1PolaritySlot, kBsim1DeviceTempSlot);
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 4) continue;
        ModelParams& model = *m->model;
        const Bsim12ModelAtTemperature& mt = models.Of(model, t);
        if (!m->bsim1) m->bsim1 = std::make_shared<Bsim1SizeParams>();
        if (int error = PrepareBsim12Instance(*m, model, mt)) return error;

        SizeDependentValues(*m, model, mt);
        const Bsim1SizeParams& s = *m->bsim1;
        FinishBsim12Instance(*m, s.vfb + s.phi + s.k1 * GuardedSqrt(m->model, s.phi, mt.td) - s.k2 * s.phi);
    }
    return 0;
}

}  // namespace ob7
