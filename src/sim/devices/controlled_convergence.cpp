#include "sim/devices/controlled_convergence.h"

#include <algorithm>
#include <cmath>

#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kFunctionCurrentForm = 35;

bool Moved(int form, double slot, double value) {
    const bool current = form == 0 || form == 1 || form == kFunctionCurrentForm;
    const double tol = current ? Options.abstol : Options.vntol;
    return std::fabs(value - slot) > Options.reltol * std::max(std::fabs(value), std::fabs(slot)) + tol;
}

}  // namespace

int ControlledOutputNotConverged(int form, double& slot, double value) {
    const bool moved = Moved(form, slot, value);
    slot = value;
    if (!moved) return 0;
    ++NonConvergedCount;
    return 1;
}

int ControlledSourceNotConverged(int form, double& output_slot, double output, double input, double& input_slot) {
    int failed = ControlledOutputNotConverged(form, output_slot, output);
    const bool input_moved = Moved(form == 0 || form == 1 ? 0 : 2, input_slot, input);
    input_slot = input;
    if (input_moved) {
        ++NonConvergedCount;
        failed = 1;
    }
    return failed;
}

}  // namespace ob7
