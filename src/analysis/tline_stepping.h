#pragma once
// The instance parameters of a transmission line that stepping reaches: "value.z0",
// "value.td", "value.f", "value.nl" of a lossless line, "value.r", "value.l", "value.g",
// "value.c", "value.len" of a lossy one. They are stepped in the line's own values, which
// the run writes over the line's model at the start of every case.

#include <string>
#include <vector>

namespace ob7 {

struct StepVariable;

// The names a lossless or a lossy line offers, in table order.
const std::vector<std::string>& LineStepNames(bool lossless);
// Gives the variable its read, write and restore of the parameter its param names (any
// case) in the line compiled for part `part`. 0; 15055 (stops the run silently) for a name
// the line's table lacks or a part without a line.
int ResolveLineStep(int part, StepVariable& v);

}  // namespace ob7
