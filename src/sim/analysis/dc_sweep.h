#pragma once
// The DC sweep: one or two swept quantities (variable 1 inner, variable 2 outer), the
// operating point solved at every value from the previous one, with a fixed, logarithmic,
// listed or adaptive ("Auto") step.

#include <vector>

namespace ob7 {

class PointSink;
struct SimulationDataFile;

enum class SweepMethod : int { Auto = 0, Linear = 0x1000, Log = 0x2000, List = 0x3000, None = -1 };

// One swept quantity: where the value goes, and its range.
struct SweepVariable {
    double* target = nullptr;   // a source's DC value, a model parameter ...
    bool temperature = false;   // the case temperature: models and devices follow it
    SweepMethod method = SweepMethod::Linear;
    double to = 0, from = 0, step = 0;  // "Range": to[,from[,step]]
    std::vector<double> list;           // List method
    // Run state.
    double value = 0, current_step = 0;
    int position = 0;
};

struct DcSweepSettings {
    SweepVariable variable1;
    SweepVariable variable2;             // method None: one branch
    double temperature = 27;
    double max_change_percent = 1;       // "Maximum Change %", the Auto method's aim
    bool gmin_stepping = false;
    // Save writes every accepted point (value 1 as its time), Retrieve replays the file.
    SimulationDataFile* data_file = nullptr;
};

// The per-variable steps of a sweep (index 0 variable 1, 1 variable 2).
void PrepareSweepStep(SweepVariable& v, int index);
int CountSweepPoints(const SweepVariable& v);
void StartSweepValue(SweepVariable& v);
void AdvanceSweepValue(SweepVariable& v);
void ClampSweepValue(SweepVariable& v);
bool IsSweepMore(const SweepVariable& v);

enum : int {
    kMsgLogSameSign = 13585,  // "%EIn log stepping, from and to must have the same sign."
    kMsgLogBadStep = 13586,   // "%EIn log stepping, step can not be 0.0 or 1.0 and must be positive."
    kMsgLogZero = 13587,      // "%EIn log stepping, from or to can not be 0.0."
};

// One sweep of the compiled circuit. A point whose iteration and source stepping both
// fail is not handed over; the sweep goes on. 0, 15055 after a reported error, 15056
// when stopped by Esc (the points so far were handed over), or an engine code.
int RunDcSweep(DcSweepSettings& settings, PointSink& sink);

}  // namespace ob7
