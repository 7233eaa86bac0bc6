#pragma once
// The small-signal stamp of a three-terminal FET (JFET and GaAs FET): gate, drain and
// source with their internal nodes, the series conductances, the transconductance, the
// output conductance, the gate junctions and their susceptances.

#include <complex>

namespace ob7 {

struct FetSmallSignal {
    int g = 0, d = 0, s = 0;     // external nodes
    int gi = 0, di = 0, si = 0;  // internal gate, drain and source
    double gG = 0, gdpr = 0, gspr = 0;  // series conductances
    double gm = 0, gds = 0, ggs = 0, ggd = 0;
    double xgs = 0, xgd = 0, xds = 0;   // susceptances at the present frequency
};

// The entries in their fixed order; 0 or 15002.
int AcStampFet3(const FetSmallSignal& f);

struct FetAcCurrents {
    std::complex<double> drain, gate, source;  // into the device
};
// The terminal currents from the AC solution.
FetAcCurrents FetCurrents(const FetSmallSignal& f);

}  // namespace ob7
