#pragma once
// Sample-and-hold sources (device list 21): a voltage source that holds the value of
// its input expression, sampled periodically or whenever its clock expression is
// nonzero.

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;

struct SampleHold : DeviceInstance {
    int a = 0, b = 0;  // output nodes
    double held = 0;
    CompiledExpression input;
    double saved = 0;   // the held value at the last accepted point
    double period = 0;  // periodic sampling
    int branch = 0;
    CompiledExpression clock;  // empty for periodic sampling
    double power = 0;

    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = held;
        return 1;
    }
};

SampleHold* AddSampleHold(int a, int b, double period);

int SetupSampleHolds();
int LoadSampleHolds();
// After an accepted point the held values are kept; after a rejected step they return.
void SaveSampleHoldStates();
void RestoreSampleHoldStates();
// At the digital reset of a run (first nonzero): outside the operating point a period
// that is not positive becomes TMAX / 1000; the held values start at 0.
void InitSampleHolds(int first);
// Two breakpoints at every sampling instant of a periodic source, one just before it;
// 0 or the breakpoint list's message id.
int AddSampleHoldBreakpoints();

extern const DeviceKindHandler kSampleHoldKind;

}  // namespace ob7
