#include "sim/devices/fet_ac_stamp.h"

namespace ob7 {

FetAcCurrents FetCurrents(const Fet3Small& f) {
    const std::complex<double> vgs = AcNodeValue(f.Gp) - AcNodeValue(f.Sp);
    const std::complex<double> vgd = AcNodeValue(f.Gp) - AcNodeValue(f.Dp);
    const std::complex<double> vds = AcNodeValue(f.Dp) - AcNodeValue(f.Sp);
    const std::complex<double> j(0, 1);
    const std::complex<double> igs = (f.ggs + j * f.xgs) * vgs, igd = (f.ggd + j * f.xgd) * vgd;
    FetAcCurrents c;
    c.gate = igs + igd;
    c.drain = f.gm * vgs + f.gds * vds + j * f.xds * vds - igd;
    c.source = -c.gate - c.drain;
    return c;
}

}  // namespace ob7
