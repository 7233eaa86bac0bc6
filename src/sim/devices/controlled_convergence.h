#pragma once
// Convergence tests of the behavioural controlled sources (table, function, Laplace and
// frequency-table sources): the output, and the input, against the value of the last
// load.

namespace ob7 {

// 1 (and NonConvergedCount raised) when value moved from the slot by more than
// RELTOL * max(|value|, |slot|) + tol, tol being ABSTOL for current outputs (forms 0 G
// and 1 F, and the function source's current form 35) and VNTOL otherwise; the value is
// stored in the slot either way.
int ControlledOutputNotConverged(int form, double& slot, double value);
// The output test, then the same test of the input against its slot.
int ControlledSourceNotConverged(int form, double& output_slot, double output, double input, double& input_slot);

}  // namespace ob7
