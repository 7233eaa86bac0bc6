#pragma once
// The AC terminal currents of a three-terminal FET (JFET and GaAs FET), from the same
// small-signal record the engine's AcStampFet3 stamps.

#include <complex>

#include "sim/engine/ac_load.h"

namespace ob7 {

struct FetAcCurrents {
    std::complex<double> drain, gate, source;  // into the device
};
// The terminal currents from the AC solution.
FetAcCurrents FetCurrents(const Fet3Small& f);

}  // namespace ob7
