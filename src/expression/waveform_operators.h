#pragma once
// Operators that depend on the history of a run rather than on the present values alone:
// PH (unwrapped phase), GD (group delay), DEL (difference to the previous point), SUM
// (running trapezoid integral), RMS and AVG (running RMS and average).
//
// Each occurrence of such an operator owns consecutive hidden state slots (opcode 10
// tokens, one ComplexValue each) that come in pairs: a tentative value written while a
// point is computed, and an accepted value copied from it when the run accepts the
// point. A rejected point (a transient step that is retried) therefore never disturbs
// the accepted history.

#include "expression/complex_value.h"

namespace ob7 {

struct RunValues;
struct EvalEntry;
struct CompiledExpression;

// Opcodes of the stateful operators.
enum WaveformOpcode {
    kOpPhase = 38,
    kOpGroupDelay = 39,
    kOpSum = 43,
    kOpDifference = 44,
    kOpRms = 45,
    kOpAverage = 46,
};

// Number of hidden state slots the compiler inserts for the operator; 0 for others.
int WaveformSlotCount(int opcode);
// Number of argument entries the operator consumes below its slots; 0 for others.
int WaveformArgumentCount(int opcode);

// How the expression is being run: a point step, or a reset (code != 0: new sweep;
// code 0: accept the point just computed).
struct WaveformMode {
    int reset_mode = 0;
    int reset_code = 0;
};

// One step (or reset) of a stateful operator. args holds WaveformArgumentCount values
// (x, then var and start for SUM, start for RMS and AVG); slots points at the operator's
// WaveformSlotCount state slots. Returns the value that replaces the first argument;
// in reset mode that is the first argument unchanged. Returns false in *handled for an
// opcode that is not stateful.
ComplexValue StepWaveformOperator(int opcode, const ComplexValue* args, ComplexValue* const* slots,
                                  const RunValues& run, WaveformMode mode, bool* handled = nullptr);

// The evaluator's step for a stateful operator: args holds its n stack entries (the
// arguments, then the hidden slots); the result replaces args[0]. The run values and the
// reset mode come from the expression being evaluated.
void StepWaveformEntries(int opcode, EvalEntry* args, int n, const CompiledExpression& expression);

// The phase of z in degrees; with unwrap set, moved by a multiple of 360 (at most
// 57600) so that it lies closest to the previous phase.
double UnwrapPhaseDegrees(const ComplexValue& z, double previous, bool unwrap);

// The group-delay step on the five GD slots (phase tentative and accepted, delay
// tentative, accepted and the one before).
double GroupDelayStep(const ComplexValue& z, ComplexValue* const* slots, const RunValues& run);

// The present value of the sweep variable (T, F or the DC sweep value) and its range.
double SweepValue(const RunValues& run);
void SweepRange(const RunValues& run, double* start, double* end);
// True when the sweep variable has passed s in the direction of the sweep.
bool IsPastStart(const RunValues& run, double s);

// Series behind the complex Bessel functions.
double HarmonicNumber(int n);
ComplexValue BesselJSeries(int n, const ComplexValue& z, int terms);
ComplexValue BesselYSeries(int n, const ComplexValue& z, int terms);
// The series form of J0, J1, Y0, Y1 (args: z; 10 terms) and JN, YN (args: n, z, k; |k|
// terms, at most 80): what the evaluator uses for complex arguments and explicit term
// counts.
ComplexValue BesselSeriesValue(int opcode, const EvalEntry* args);

}  // namespace ob7
