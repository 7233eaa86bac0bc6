#pragma once
// Where the device models ask the transient driver for time breakpoints (a kink in a
// line's wave, a sampling instant). The driver installs its breakpoint list here;
// unset, no breakpoint is asked for.

namespace ob7 {

// Takes a time in seconds; 0 or the breakpoint list's message id.
extern int (*RequestTimeBreakpoint)(double time);

}  // namespace ob7
