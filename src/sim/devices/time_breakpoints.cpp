#include "sim/devices/time_breakpoints.h"

namespace ob7 {

int (*RequestTimeBreakpoint)(double time) = nullptr;

}  // namespace ob7
