#include "sim/devices/dependent_source.h"

#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"

namespace ob7 {

namespace {
int NumberDependentBranches(int next) {
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList)) {
        s->branch = 0;
        if (s->form == kFormG) continue;
        s->branch = next;
        next += s->form == kFormH ? 2 : 1;
    }
    return next;
}
}  // namespace

const DeviceKindHandler kDependentSourceKind{LoadStage::DependentSources, 0, SetupDependentSources,
                                             LoadDependentSources, BranchRank::LinearDependentSources,
                                             NumberDependentBranches};

DependentSource* AddDependentSource(int form, int a, int b, int c, int d, double gain) {
    auto* s = new DependentSource;
    s->form = form, s->a = a, s->b = b, s->c = c, s->d = d, s->gain = gain;
    AddDevice(kLinearDependentSourceList, s);
    return s;
}

int SetupDependentSources() {
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList))
        if (int error = AllocControlledSourceEntries(s->form - kFormG, s->branch, s->a, s->b, s->c, s->d))
            return error;
    return 0;
}

int LoadDependentSources() {
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList)) {
        StampControlledSource(s->form - kFormG, s->gain);
        double i = 0;
        switch (s->form) {
        case kFormG: i = s->output_current = s->gain * (Solution[s->a] - Solution[s->b]); break;
        case kFormF: i = s->output_current = s->gain * Solution[s->branch]; break;
        case kFormE: i = Solution[s->branch]; break;
        case kFormH: i = Solution[s->branch + 1]; break;
        default: break;
        }
        s->power = -(i * (Solution[s->c] - Solution[s->d]));
        Run.power_generated += s->power;
    }
    return 0;
}

// --- AC -------------------------------------------------------------------------------------
int AcLoadDependentSources() {
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList))
        if (int error = AcStampControlledSource(true, true, s->form - kFormG, s->branch, s->branch + 1, s->a, s->b,
                                                s->c, s->d, s->gain, 0))
            return error;
    return 0;
}

// Current-output forms keep their output current; the others' is a solution entry.
int ComputeDependentSourceAcCurrents() {
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList)) {
        if (s->form == kFormG) s->ac_output_current = s->gain * (AcNodeValue(s->a) - AcNodeValue(s->b));
        else if (s->form == kFormF) s->ac_output_current = ScaledNodeValue(s->branch, s->gain);
    }
    return 0;
}

const AcKindHandler kDependentSourceAcKind{AcStage::LinearDependentSources, 0, AcLoadDependentSources,
                                           AcCurrentRank::LinearDependentSources, ComputeDependentSourceAcCurrents};

}  // namespace ob7
