#pragma once
// The instance parameters of a SPICE voltage or current source that stepping reaches:
// "dc.value", "ac.magval", "ac.phaseval" of every source, and the parameters of its own
// waveform (pulse, sin, exp, sffm). A current source's waveform names read "i" where a
// voltage source's read "v" right after the dot (pulse.i1, sin.io).

#include <string>
#include <vector>

namespace ob7 {

struct SpiceSource;

// The names the source offers, in table order. Waveform parameters its statement left
// out are not offered: the run gives those their defaults at every start.
std::vector<std::string> SpiceSourceStepNames(const SpiceSource& source);
// The value the name (any case) selects in the source; null when the source offers no
// such parameter.
double* SpiceSourceStepTarget(SpiceSource& source, const std::string& name);

}  // namespace ob7
