// MOSFET level 3: the semi-empirical short-channel model. Threshold with static
// feedback, junction-depth and narrow-width corrections; mobility modulation by the gate
// field; velocity saturation; channel shortening in saturation; weak inversion.

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/junction_temperature.h"
#include "sim/devices/mosfet_dual.h"

namespace ob7 {

namespace {
// Junction-depth correction of the depletion charge shared with source and drain.
constexpr double kDepth0 = 0.0631353, kDepth1 = 0.8013292, kDepth2 = -0.01110777;
}  // namespace

double EvaluateMos3Current(MosfetInstance& m, const MosVoltages& volts) {
    const double* x = ModelReals(*m.model);
    const Mos123Values& e = m.m123;
    const auto [vgs, vds, vbs] = KernelBias(m, volts);

    // A surface potential driven to zero or below by the temperature keeps the square
    // roots real (its warning was recorded by the preparation).
    const double p = x[kMosPolarity], phi = std::max(e.tPhi, 1e-6), gamma = x[kMosGamma];
    const double cox = x[kMosTox], leff = m.Leff, weff = m.Weff;
    const double xj = x[kMosXj], ld = x[kMosLd], xd = x[kMosDepletionFactor];
    const double eta = x[kMosUexp], theta = x[kMosUcrit], kappa = x[kMosUtra], delta = x[kMosDelta];
    const double vmax = x[kMosVmax], nfs = x[kMosNfs], vt = x[kMosVt];
    const double us0 = x[kMosUo];

    MosDual phibs, sqphbs;
    SurfacePotential(phi, vbs, &phibs, &sqphbs);

    // Share of the depletion charge left to the gate by source and drain junctions.
    MosDual fshort = 1;
    if (xj > 0 && xd > 0) {
        const MosDual wponxj = xd * sqphbs / xj;
        const MosDual wconxj = kDepth0 + kDepth1 * wponxj + kDepth2 * wponxj * wponxj;
        const double djonxj = ld / xj;
        const MosDual argc = wponxj / (1 + wponxj);
        fshort = 1 - xj / leff * ((wconxj + djonxj) * sqrt(1 - argc * argc) - djonxj);
    }
    const double fnarrow = weff > 0 ? delta / weff : 0.0;
    const MosDual gammas = gamma * fshort;
    const MosDual fbody = gammas / (4 * sqphbs) + fnarrow;
    const MosDual qbonco = gammas * sqphbs + fnarrow * phibs;
    // Static feedback: the drain lowers the threshold of a short channel.
    const double sigma = eta / (leff * leff * leff);
    const MosDual vth = p * e.tVbi - sigma * vds + qbonco;

    MosDual von = vth, xn = 1;
    if (nfs != 0 && cox != 0) {
        xn = 1 + kElectronCharge * nfs / cox + qbonco / (2 * phibs);
        von = vth + vt * xn;
    }
    m.von = p * von.v;
    if (nfs == 0 && vgs.v <= von.v) return ChannelOff(m);

    // Above von the gate drives the channel; below it the current at von falls off
    // exponentially.
    const bool weak = vgs.v < von.v;
    const MosDual vgsx = weak ? von : vgs;
    const MosDual fgate = 1 / (1 + theta * (vgsx - vth));
    const MosDual us = us0 * fgate;
    const MosDual beta = e.Beta * fgate;

    MosDual vdsat = (vgsx - vth) / (1 + fbody);
    MosDual vdsc = 0;
    if (vmax > 0) {
        vdsc = leff * vmax / us;
        vdsat = vdsat + vdsc - sqrt(vdsat * vdsat + vdsc * vdsc);
    }
    m.vdsat = p * std::max(vdsat.v, 0.0);

    const bool saturated = vds.v > vdsat.v;
    const MosDual vdsx = saturated ? vdsat : vds;
    MosDual current = beta * (vgsx - vth - 0.5 * (1 + fbody) * vdsx) * vdsx;
    MosDual fdrain = 1;
    if (vmax > 0) {
        fdrain = 1 / (1 + vdsx / vdsc);
        current = current * fdrain;
    }

    if (saturated && kappa > 0 && xd > 0) {
        MosDual delxl;
        if (vmax > 0) {
            // The field at the pinch-off point sets the shortening.
            MosDual gdsat = current * (1 - fdrain) / vdsc;
            if (gdsat.v < 1e-12) gdsat = 1e-12;
            const MosDual arga = 0.5 * current / (gdsat * leff) * xd * xd;
            delxl = sqrt(arga * arga + kappa * xd * xd * (vds - vdsat)) - arga;
        } else {
            delxl = sqrt(kappa * xd * xd * (vds - vdsat));
        }
        if (delxl.v > 0.5 * leff) delxl = leff - leff * leff / (4 * delxl);
        current = current / (1 - delxl / leff);
    }

    if (weak) {
        current = current * exp((vgs - von) / (vt * xn));
        m.region = kRegionWeak;
    } else {
        m.region = saturated ? kRegionSat : kRegionLin;
    }
    return ChannelCurrent(m, current);
}

}  // namespace ob7
