// Device pass of level 5 (BSIM2): the junction values as level 4, the fitted range's
// bounds and thermal voltage of the model, then per instance the size-dependent
// parameters from the table below.

#include <algorithm>
#include <cmath>
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
    double Bsim2SizeParams::*field;
};
constexpr SizeGroup kGroups[] = {
    {"VFB", "VFBL", "VFBW", &Bsim2SizeParams::vfb},
    {"PHI", "PHIL", "PHIW", &Bsim2SizeParams::phi},
    {"K1", "K1L", "K1W", &Bsim2SizeParams::k1},
    {"K2", "K2L", "K2W", &Bsim2SizeParams::k2},
    {"ETA0", "LETA", "WETA", &Bsim2SizeParams::eta0},
    {"ETAB", "LETAB", "WETAB", &Bsim2SizeParams::etaB},
    {"MU0", nullptr, nullptr, &Bsim2SizeParams::beta0},
    {"MU0B", "LMU0B", "WMU0B", &Bsim2SizeParams::beta0B},
    {"MUS0", "LMUS0", "WMUS0", &Bsim2SizeParams::betas0},
    {"MUSB", "LMUSB", "WMUSB", &Bsim2SizeParams::betasB},
    {"MU20", "LMU20", "WMU20", &Bsim2SizeParams::beta20},
    {"MU2B", "LMU2B", "WMU2B", &Bsim2SizeParams::beta2B},
    {"MU2G", "LMU2G", "WMU2G", &Bsim2SizeParams::beta2G},
    {"MU30", "LMU30", "WMU30", &Bsim2SizeParams::beta30},
    {"MU3B", "LMU3B", "WMU3B", &Bsim2SizeParams::beta3B},
    {"MU3G", "LMU3G", "WMU3G", &Bsim2SizeParams::beta3G},
    {"MU40", "LMU40", "WMU40", &Bsim2SizeParams::beta40},
    {"MU4B", "LMU4B", "WMU4B", &Bsim2SizeParams::beta4B},
    {"MU4G", "LMU4G", "WMU4G", &Bsim2SizeParams::beta4G},
    {"UA0", "LUA0", "WUA0", &Bsim2SizeParams::ua0},
    {"UAB", "LUAB", "WUAB", &Bsim2SizeParams::uaB},
    {"UB0", "LUB0", "WUB0", &Bsim2SizeParams::ub0},
    {"UBB", "LUBB", "WUBB", &Bsim2SizeParams::ubB},
    {"U10", "LU10", "WU10", &Bsim2SizeParams::u10},
    {"U1B", "LU1B", "WU1B", &Bsim2SizeParams::u1B},
    {"U1D", "LU1D", "WU1D", &Bsim2SizeParams::u1D},
    {"N0", "LN0", "WN0", &Bsim2SizeParams::n0},
    {"NB", "LNB", "WNB", &Bsim2SizeParams::nB},
    {"ND", "LND", "WND", &Bsim2SizeParams::nD},
    {"VOF0", "LVOF0", "WVOF0", &Bsim2SizeParams::vof0},
    {"VOFB", "LVOFB", "WVOFB", &Bsim2SizeParams::vofB},
    {"VOFD", "LVOFD", "WVOFD", &Bsim2SizeParams::vofD},
    {"AI0", "LAI0", "WAI0", &Bsim2SizeParams::ai0},
    {"AIB", "LAIB", "WAIB", &Bsim2SizeParams::aiB},
    {"BI0", "LBI0", "WBI0", &Bsim2SizeParams::bi0},
    {"BIB", "LBIB", "WBIB", &Bsim2SizeParams::biB},
    {"VGHIGH", "LVGHIGH", "WVGHIGH", &Bsim2SizeParams::vghigh},
    {"VGLOW", "LVGLOW", "WVGLOW", &Bsim2SizeParams::vglow},
};

// The model's derived values: the bounds of the fitted range and the thermal voltage.
void DerivedValues(ModelParams& model, const Bsim12ModelAtTemperature& mt) {
    double* x = ModelReals(model);
    x[kBsim2Vdd2Slot] = 2 * Bsim12Value(model, "VDD");
    x[kBsim2Vgg2Slot] = 2 * Bsim12Value(model, "VGG");
    x[kBsim2Vbb2Slot] = 2 * Bsim12Value(model, "VBB");
    x[kBsim2VtmSlot] = 8.625e-5 * mt.td;
}

void SizeDependentValues(MosfetInstance& m, const ModelParams& model, const Bsim12ModelAtTemperature& mt) {
    Bsim2SizeParams& s = *m.bsim2;
    const double leff = m.Leff * 1e6, weff = m.Weff * 1e6, unit_weff = weff / m.M;
    for (const SizeGroup& g : kGroups)
        s.*g.field = Bsim12Value(model, g.value) + Bsim12Value(model, g.by_length) / leff +
                     Bsim12Value(model, g.by_width) / unit_weff;
    // The mobility at VDD and VBB is kept at least the one at zero drain bias.
    const double vbb = Bsim12Value(model, "VBB");
    s.betas0 = std::max(s.betas0, 1.01 * s.beta0);
    const double margin = s.betas0 - s.beta0 - vbb * s.beta0B;
    if (vbb != 0 && -s.betasB * vbb > margin) s.betasB = -margin / vbb;
    const double cw = mt.cox * weff / leff;
    for (double Bsim2SizeParams::*beta :
         {&Bsim2SizeParams::beta0, &Bsim2SizeParams::beta0B, &Bsim2SizeParams::betas0, &Bsim2SizeParams::betasB,
          &Bsim2SizeParams::beta30, &Bsim2SizeParams::beta3B, &Bsim2SizeParams::beta3G, &Bsim2SizeParams::beta40,
          &Bsim2SizeParams::beta4B, &Bsim2SizeParams::beta4G})
        s.*beta *= cw;
    s.u1D = std::max(s.u1D, 0.0);
    s.n0 = std::max(s.n0, 0.0);

    const double* x = ModelReals(model);
    s.vdd = Bsim12Value(model, "VDD");
    s.vddLimit = std::fabs(x[kBsim2Vdd2Slot]);
    s.vggLimit = std::fabs(x[kBsim2Vgg2Slot]);
    s.vbbLimit = std::fabs(x[kBsim2Vbb2Slot]);
    s.vtm = x[kBsim2VtmSlot];
    s.coxWL = mt.cox * 1e4 * m.Weff * m.Leff;
    s.oneThirdCoxWL = s.coxWL / 3;
    s.twoThirdsCoxWL = 2 * s.oneThirdCoxWL;
    s.sqrtPhi = GuardedSqrt(m.model, s.phi, mt.td);
    s.phiSqrtPhi = s.phi * s.sqrtPhi;
}

}  // namespace

int UpdateBsim2Instances(double t) {
    Bsim12ModelsDone models(kBsim2PolaritySlot, kBsim2DeviceTempSlot);
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        if (m->level != 5) continue;
        ModelParams& model = *m->model;
        const Bsim12ModelAtTemperature& mt = models.Of(model, t);
        DerivedValues(model, mt);
        if (!m->bsim2) m->bsim2 = std::make_shared<Bsim2SizeParams>();
        if (int error = PrepareBsim12Instance(*m, model, mt)) return error;

        SizeDependentValues(*m, model, mt);
        const Bsim2SizeParams& s = *m->bsim2;
        FinishBsim12Instance(*m, s.vfb + s.phi + s.k1 * s.sqrtPhi - s.k2 * s.phi);
    }
    return 0;
}

}  // namespace ob7
