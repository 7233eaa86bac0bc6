#include "sim/devices/fet_ac_stamp.h"

#include "sim/engine/ac_load.h"

namespace ob7 {

int AcStampFet3(const FetSmallSignal& f) {
    const int g = f.g, d = f.d, s = f.s, gp = f.gi, dp = f.di, sp = f.si;
    struct Entry {
        int row, column;
        double value;
        bool imaginary;
    };
    const Entry entries[] = {
        {g, g, f.gG, false},
        {g, gp, -f.gG, false},
        {gp, g, -f.gG, false},
        {d, d, f.gdpr, false},
        {gp, gp, f.gG + f.ggs + f.ggd, false},
        {gp, gp, f.xgs + f.xgd, true},
        {s, s, f.gspr, false},
        {dp, dp, f.ggd + f.gdpr + f.gds, false},
        {dp, dp, f.xgd + f.xds, true},
        {sp, sp, f.ggs + f.gds + f.gspr + f.gm, false},
        {sp, sp, f.xgs + f.xds, true},
        {d, dp, -f.gdpr, false},
        {gp, dp, -f.ggd, false},
        {gp, dp, -f.xgd, true},
        {gp, sp, -f.ggs, false},
        {gp, sp, -f.xgs, true},
        {s, sp, -f.gspr, false},
        {dp, d, -f.gdpr, false},
        {dp, gp, f.gm - f.ggd, false},
        {dp, gp, -f.xgd, true},
        {dp, sp, -f.gds - f.gm, false},
        {sp, gp, -f.ggs - f.gm, false},
        {sp, gp, -f.xgs, true},
        {sp, s, -f.gspr, false},
        {sp, dp, -f.gds, false},
        {sp, dp, -f.xds, true},
        {dp, sp, -f.xds, true},
    };
    for (const Entry& e : entries) {
        const int error = e.imaginary ? AcAddImag(e.row, e.column, e.value) : AcAddReal(e.row, e.column, e.value);
        if (error) return error;
    }
    return 0;
}

FetAcCurrents FetCurrents(const FetSmallSignal& f) {
    const std::complex<double> vgs = AcNodeValue(f.gi) - AcNodeValue(f.si);
    const std::complex<double> vgd = AcNodeValue(f.gi) - AcNodeValue(f.di);
    const std::complex<double> vds = AcNodeValue(f.di) - AcNodeValue(f.si);
    const std::complex<double> j(0, 1);
    const std::complex<double> igs = (f.ggs + j * f.xgs) * vgs, igd = (f.ggd + j * f.xgd) * vgd;
    FetAcCurrents c;
    c.gate = igs + igd;
    c.drain = f.gm * vgs + f.gds * vds + j * f.xds * vds - igd;
    c.source = -c.gate - c.drain;
    return c;
}

}  // namespace ob7
