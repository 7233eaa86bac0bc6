#pragma once
// The lossy transmission line (device list 39, a TRN model with a length): the two
// ports tied by the line's impulse responses. This unit holds the record and the model
// and device passes that choose the line's case (RLC, RC, RG, LC) and fill the model's
// derived values: delay, impedance, attenuation, the RC constants, the static RG
// two-port and the RLC line's largest safe step.

#include <vector>

#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"

namespace ob7 {

struct ModelParams;

// TRN model slots of the lossy line: parameters, then derived working values.
enum LossySlot : int {
    kLossyTd = 1,
    kLossyR = 4,
    kLossyL = 5,
    kLossyG = 6,
    kLossyC = 7,
    kLossyLen = 8,
    kLossySlopeRel = 9,
    kLossySlopeAbs = 10,
    kLossyFixed15 = 15,
    kLossyFixed16 = 16,
    kLossyFixed17 = 17,
    kLossyStepMode = 20,
    kLossyFirstH1 = 25,  // first coefficients of h1', h2 and h3' for the present step
    kLossyFirstH2 = 26,
    kLossyFirstH3 = 27,
    kLossyCoeffSize = 31,
    kLossyZ0 = 32,
    kLossyY0 = 33,
    kLossyAlpha = 34,
    kLossyBeta = 35,
    kLossyAttenuation = 36,
    kLossyCbyR = 37,
    kLossyRclsqr = 38,
    kLossyH1Total = 39,  // integrals of h1', h2 and h3' over all time
    kLossyH2Total = 40,
    kLossyH3Total = 41,
    kLossyRgCosh = 42,
    kLossyRgSinhR = 43,
    kLossyRgSinhG = 44,
    kLossyAuxIndex = 45,  // the last accepted point before t - TD
    kLossyRelTol = 46,
    kLossyAbsTol = 48,
    kLossySafeStep = 52,
    kLossyLteMode = 59,
    kLossyInterpMode = 60,
    kLossyCase = 63,
    kLossyQuadWeights = 64,    // 64 to 66: quadratic interpolation at t - TD
    kLossyLinearWeights = 67,  // 67 and 68: linear interpolation there
};

enum LossyCase : int { kLossyRlc = 37, kLossyRc = 38, kLossyRg = 39, kLossyLc = 40, kLossyRl = 41 };
enum : int { kLossyStepNeverAboveTd = 32, kLossyLteOn = 26 };
enum : int { kLossyInterpLinear = 34, kLossyInterpQuadratic = 35, kLossyInterpMixed = 36 };

// One accepted time point of a line: port voltages and branch currents.
struct LossyLinePoint {
    double t = 0;
    double v1 = 0, i1 = 0, v2 = 0, i2 = 0;
};

struct LossyLine : DeviceInstance {
    ModelParams* model = nullptr;
    int p1 = 0, n1 = 0, p2 = 0, n2 = 0;  // port 1 and port 2
    int branch1 = 0, branch2 = 0;        // the port currents
    double input1 = 0, input2 = 0;       // history terms of the two branch rows
    double u1 = 0, i1 = 0, u2 = 0, i2 = 0;  // initial port voltages and currents (0 with UIC)
    std::vector<LossyLinePoint> history;    // the accepted points, oldest first
    double inputs_time = -1;                // the time the inputs were formed for
};

LossyLine* AddLossyLine(ModelParams* model, int p1, int n1, int p2, int n2);

// Model pass: tolerances and modes, then the case of every lossy line's model.
// 0, 14181 (RL, or G with L or C), 14185 (fewer than two of R, L, G, C), or 15055 after
// reporting a missing length (14183).
int PrepareLossyLineModels(double temperature);
// Device pass: the case's derived values; 0 or 14181 for a case outside the four.
int PrepareLossyLines(double temperature);

// Set-up and load of both matrices. At the operating point every case but RG is the
// series resistance R*LEN from P1 to P2 with the return path N1, N2; RG is its static
// two-port in every analysis. In a transient the branch rows carry the convolutions of
// the port histories with the line's impulse responses.
int SetupLossyLines();
int LoadLossyLines();
// Before the first step: every history starts with the operating point, or with the
// line at rest under initial conditions (UIC).
void InitLossyLineHistories();
// After an accepted time point: its port values join the histories; with TRYTOCOMPACT a
// middle point that lies on a straight line in every line's history leaves them all;
// a kink in a port's incident wave asks for a breakpoint one delay later. 0, 15002 when
// a history cannot grow, or the breakpoint's error.
int AcceptLossyLineStep();
// The truncation error of an RLC or RC line's convolution at the present time t (the
// newest accepted point plus the proposed step); 1 for another case.
double LossyLteEstimate(const LossyLine& line, double t);
// The proposed step never exceeds the delay of an RLC or LC line, nor an RLC line's
// safe step, and is halved when an RLC or RC line's truncation error reaches
// TRTOL (ABSTOL + RELTOL (|input1| + |input2|)). 0 or 14181.
int LimitLossyLineTimeStep(double* step);
void FreeLossyLineBuffers();

extern const DeviceKindHandler kLossyLineKind;
// The small-signal stamp: the exact line at the analysis frequency.
extern const AcKindHandler kLossyLineAcKind;

void RegisterLossyLinePasses();

}  // namespace ob7
