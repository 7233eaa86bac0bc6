// BSIM3 noise sources at the operating point: thermal noise of the series resistances
// and of the channel, and flicker noise of the channel, by NOIMOD. NOIMOD 1 and 3 take
// the channel's thermal noise from its conductances (8kT/3 (gm + gds + gmbs)), 2 and 4
// from its inversion charge (4kT ueff |Qinv| / Leff^2); NOIMOD 1 and 4 take the flicker
// noise as KF Id^AF / (f^EF Cox Leff^2), 2 and 3 from the oxide trap densities NOIA,
// NOIB and NOIC, with the clamped channel-length modulation length in saturation and,
// in weak inversion, in parallel with the strong-inversion value 0.1 V above threshold.

#include <algorithm>
#include <cmath>
#include <tuple>

#include "sim/devices/bsim3.h"
#include "sim/devices/bsim3_slots.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/mosfet_instance_defaults.h"
#include "sim/engine/noise_sources.h"

namespace ob7 {

namespace {

constexpr double kMinLog = 1e-38;
constexpr double kEvPerKelvin = 8.62e-5;

// The flicker noise (A^2/Hz) of the trap-density form in strong inversion at vgs.
double StrongInversionFlicker(const MosfetInstance& m, const Bsim3SizeParams& s, const double* x, double vgs,
                              double vds, double vth, double vdsat, double f, double T) {
    const Bsim3Slots& k = Bsim3Slot();
    const double q = kNoiseElectronCharge, cox = x[kBsim3CoxSlot], leff = s.Leff, weff = s.Weff / m.M;
    const double noia = x[k.NOIA], noib = x[k.NOIB], noic = x[k.NOIC];
    const double cd = std::fabs(m.cd);
    double del_clm = 0;
    if (vds > vdsat) {
        const double esat = 2 * s.vsattemp / s.ueff;
        del_clm = s.litl * std::log(std::max(((vds - vdsat) / s.litl + x[k.EM]) / esat, kMinLog));
    }
    const double ef = std::pow(f, x[k.EF]);
    const double t1 = q * q * kEvPerKelvin * cd * T * s.ueff;
    const double t2 = 1e8 * ef * cox * leff * leff;
    const double n0 = std::max(cox * (vgs - vth) / q, 0.0);
    const double nl = std::max(cox * (vgs - vth - std::min(vds, vdsat)) / q, 0.0);
    const double t3 = noia * std::log(std::max((n0 + 2e14) / (nl + 2e14), kMinLog));
    const double t4 = noib * (n0 - nl);
    const double t5 = noic * 0.5 * (n0 * n0 - nl * nl);
    const double t6 = kEvPerKelvin * T * cd * cd;
    const double t7 = 1e8 * ef * leff * leff * weff;
    const double t8 = noia + noib * nl + noic * nl * nl;
    const double t9 = (nl + 2e14) * (nl + 2e14);
    return t1 / t2 * (t3 + t4 + t5) + t6 / t7 * del_clm * t8 / t9;
}

void AddBsim3Noise(const MosfetInstance& m, double f) {
    const Bsim3SizeParams& s = *m.bsim3;
    const double* x = ModelReals(*m.model);
    const Bsim3Slots& k = Bsim3Slot();
    const double T = x[kBsim3DeviceTempSlot] + kZeroCelsius;
    const double four_kt = 4 * kNoiseBoltzmann * T;
    for (auto [inner, outer, g] : {std::tuple{m.drain_i, m.drain, m.gdrain}, {m.source_i, m.source, m.gsource},
                                   {m.gate_i, m.gate, m.ggate}, {m.bulk_i, m.bulk, m.gbulk}})
        AddNoiseSource(inner, outer, std::sqrt(four_kt * g));

    const int noimod = static_cast<int>(x[k.NOIMOD]);
    const double leff = s.Leff, cox = x[kBsim3CoxSlot];
    const double thermal = noimod == 2 || noimod == 4
                               ? four_kt * s.ueff * std::fabs(s.qinv / (leff * leff))
                               : four_kt * 2.0 / 3.0 * std::fabs(m.gm + m.gds + m.gmbs);
    double flicker;
    if (noimod == 2 || noimod == 3) {
        const double type = x[kBsim3TypeSlot] < 0 ? -1.0 : 1.0;
        const double vth = type * m.von, vdsat = type * m.vdsat;
        double vgs = m.vgs, vds = m.vds;
        if (vds < 0) vds = -vds, vgs += vds;
        if (vgs >= vth + 0.1) {
            flicker = StrongInversionFlicker(m, s, x, vgs, vds, vth, vdsat, f, T);
        } else {
            const double weak = x[k.NOIA] * kEvPerKelvin * T /
                                (s.Weff / m.M * leff * std::pow(f, x[k.EF]) * 4e36) * m.cd * m.cd;
            const double limit = StrongInversionFlicker(m, s, x, vth + 0.1, vds, vth, vdsat, f, T);
            flicker = weak + limit > 0 ? limit * weak / (weak + limit) : 0.0;
        }
    } else {
        flicker = x[k.KF] * std::exp(x[k.AF] * std::log(std::max(std::fabs(m.cd), kMinLog))) /
                  (std::pow(f, x[k.EF]) * leff * leff * cox);
    }
    AddNoiseSource(m.drain_i, m.source_i, std::sqrt(thermal + flicker));
}

}  // namespace

int AddBsim3NoiseSources(double frequency) {
    for (MosfetInstance* m : DevicesOf<MosfetInstance>(kMosfetList))
        if (m->level == 8 && m->bsim3) AddBsim3Noise(*m, frequency);
    return 0;
}

}  // namespace ob7
