#pragma once
// The lossless transmission line (device list 2, TRN model without a length): each port
// is ZO in series with a voltage source, and each source carries the wave that left the
// other port TD earlier. The line stamps its two ZO conductances; its port sources are
// loaded with the independent sources, from a history of past port waves that grows by
// one entry per accepted time point and loses its oldest ones.

#include <deque>

#include "sim/devices/time_breakpoints.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;
struct ModelParams;

// TRN model slots read here.
enum TrnSlot : int { kTrnZo, kTrnTd };

struct TLineHistoryEntry {
    double time = 0;
    double wave1 = 0, wave2 = 0;  // the waves at the ports TD before `time`
};

struct TLine : DeviceInstance {
    ModelParams* model = nullptr;
    int p1n = 0, p1p = 0, p2n = 0, p2p = 0;  // port nodes
    int n1 = 0, n2 = 0;                      // internal nodes behind ZO
    double td = 0;
    double wave1 = 0, slope1 = 0, curve1 = 0;  // last wave at port 1, its slope and curvature
    double wave2 = 0, slope2 = 0, curve2 = 0;
    double value1 = 0, value2 = 0;  // present values of the port-1 and port-2 sources
    int branch1 = 0, branch2 = 0;
    std::deque<TLineHistoryEntry> history;
};

TLine* AddTLine(ModelParams* model, int p1p, int p1n, int p2p, int p2n, int n1, int n2);

// The wave leaving a port: its voltage plus ZO times the current into it.
double PortWave(int positive, int negative, int internal);

// Appends the waves of the present solution for time t: 0, 15002, or the breakpoint
// request's error.
int AppendTLineHistory(TLine& line, double t);
// Before the first step: the maximum step falls to half the smallest delay, and every
// history starts with the waves of the operating point.
int InitTLineHistories(double* max_step);
// After an accepted point: the oldest entry goes once three lie in the past, and the
// waves of now are kept for now plus TD.
int UpdateTLineHistories();
void ClearTLineHistories();
// The port sources' values at the present time, interpolated in the histories.
void EvaluateTLineSources();

int SetupTLines();
int LoadTLines();
int SetupTLinePorts();
int LoadTLinePorts();
// Small signal: the ZO conductances and the port sources as the other port's wave
// delayed by the phase e^(-j w TD).
int AcLoadTLines();

extern const DeviceKindHandler kTLineKind;
extern const DeviceKindHandler kTLinePortKind;
extern const AcKindHandler kTLineAcKind;

}  // namespace ob7
