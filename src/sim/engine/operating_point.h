#pragma once
// The DC operating point: Newton at full sources, then the fall-backs of source
// stepping and GMIN stepping.

namespace ob7 {

// Lowers the independent sources (when the full-source attempt ran out of iterations)
// and raises them back to full value in adaptive steps. Every Newton call gets the
// given limit and the GMIN option. Leaves the source factor at 1 and the
// initialisation mode at 2. Returns 0, 14190, 15002 or another Newton code.
int SourceStepping(void* poll_window, int iteration_limit);

// Solves with a conductance added to every diagonal entry, lowered decade by decade from
// GMIN x 1e10 to GMIN (ratio 100, then a second pass with ratio 10), then once without.
// `prepare`, when given, prepares the run state again at the start of every pass.
int GminSteppingSolve(void* poll_window, int (*prepare)());

// The operating point with its fall-backs in their order: Newton (ITL1, GMIN); on
// 14190 or 15051 source stepping (ITL1); on 14190 or 15051 again, when `gmin_stepping`
// (the preference) is on, GMIN stepping. `prepare` as above, also before source stepping.
int SolveOperatingPoint(void* poll_window, bool gmin_stepping, int (*prepare)());

}  // namespace ob7
