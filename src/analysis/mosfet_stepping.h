#pragma once
// The instance parameters of a MOSFET that stepping reaches: "value.m", "value.l",
// "value.w", "value.ad", "value.as", "value.pd", "value.ps", "value.nrd", "value.nrs",
// "value.nrb", "value.nrg". The sizes are stepped in the values as parsed: every run case
// prepares the device again from them (working sizes, and the size-dependent values of
// every level), so a stepped size reaches the whole device.

#include <string>
#include <vector>

namespace ob7 {

struct MosfetInstance;
struct StepVariable;

// The names every MOSFET offers, in table order.
const std::vector<std::string>& MosfetStepNames();
// Gives the variable its read, write and restore of the parameter its param names (any
// case) in the device. 0; 15055 (stops the run silently) for a name the table lacks;
// 13274 for a squares count whose terminal the circuit compiled without the series
// resistance it would scale.
int ResolveMosfetStep(MosfetInstance& device, StepVariable& v);

}  // namespace ob7
