#pragma once
// New RND values for each Monte Carlo or stepping case, across the expressions of a run.

namespace ob7 {

class RunExpressionOwners;

// Notes which of the source lists (nonlinear function sources, table-controlled sources,
// resistors, capacitors, inductors) hold an expression that uses RND, redraws, and
// returns that mask (bit i for ExpressionDeviceList value i) for the later redraws.
int UpdateRandomTokenFlags(RunExpressionOwners& owners);
// Redraws the RND tokens of every graph expression and of the lists in list_mask.
void RedrawAllRandomTokens(RunExpressionOwners& owners, int list_mask);

}  // namespace ob7
