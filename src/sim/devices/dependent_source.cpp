#include "sim/devices/dependent_source.h"

#include "sim/devices/device_contract.h"

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

}  // namespace ob7
