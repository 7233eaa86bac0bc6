#include "expression/waveform_operators.h"

#include <cmath>

#include "expression/complex_math.h"
#include "expression/evaluator.h"
#include "expression/expression.h"
#include "expression/run_values.h"

namespace ob7 {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kInvTwoPi = 0.15915494309189535;
constexpr double kPi = 3.141592653589793;
constexpr double kEulerGamma = 0.5772;  // four places, as the series has always used
constexpr int kMaxSeriesTerms = 80;

ComplexValue Real(double x) { return ComplexValue{x, 0.0}; }

// Phase: slots A (tentative), B (accepted).
ComplexValue PhaseStep(const ComplexValue& z, ComplexValue* const* slots, const RunValues& run) {
    ComplexValue result = Real(UnwrapPhaseDegrees(z, slots[1]->re, run.point_index != 0));
    *slots[0] = result;
    return result;
}

// Difference: slots A (tentative), B (accepted). Right after a reset B is 1.0, so the
// first point subtracts 1.0; that is how the operator has always behaved.
ComplexValue DifferenceStep(const ComplexValue& x, ComplexValue* const* slots) {
    *slots[0] = x;
    return ComplexValue{x.re - slots[1]->re, x.im - slots[1]->im};
}

// Running integral: slots V1 V2 (var), X1 X2 (x), S1 S2 (sum); tentative then accepted.
enum { kV1, kV2, kX1, kX2, kS1, kS2 };

ComplexValue SumStep(const ComplexValue* args, ComplexValue* const* slots) {
    double x = args[0].re, var = args[1].re, start = args[2].re;
    if (!(var > start)) return Real(0.0);
    *slots[kX1] = Real(x);
    double sum = (slots[kX2]->re + x) * (var - slots[kV2]->re) * 0.5 + slots[kS2]->re;
    *slots[kS1] = Real(sum);
    *slots[kV1] = Real(var);
    return Real(sum);
}

void SumReset(const ComplexValue* args, ComplexValue* const* slots, int code) {
    double x = args[0].re, var = args[1].re, start = args[2].re;
    if (code != 0 || !(var > start)) {
        *slots[kV1] = *slots[kV2] = Real(var);
        *slots[kX1] = *slots[kX2] = Real(x);
        *slots[kS1] = *slots[kS2] = Real(0.0);
        return;
    }
    *slots[kX2] = *slots[kX1];
    *slots[kV2] = *slots[kV1];
    *slots[kS2] = *slots[kS1];
}

// Running average and RMS: slots P (previous X), A (tentative), B (accepted).
ComplexValue AverageStep(int opcode, const ComplexValue* args, ComplexValue* const* slots,
                         const RunValues& run) {
    double x = args[0].re, s = args[1].re;
    double result = 0.0;
    if (IsPastStart(run, s)) {
        double X = SweepValue(run), P = slots[0]->re, B = slots[2]->re;
        if (opcode == kOpAverage)
            result = ((P - s) * B + (X - P) * x) / (X - s);
        else
            result = std::sqrt((x * x * (X - P) + B * B * (P - s)) / (X - s));
    }
    *slots[1] = Real(result);
    return Real(result);
}

void AverageReset(const ComplexValue* args, ComplexValue* const* slots, const RunValues& run,
                  int code) {
    *slots[0] = Real(SweepValue(run));
    if (code != 0 || !IsPastStart(run, args[1].re))
        *slots[2] = Real(0.0);
    else
        *slots[2] = *slots[1];
}

// z^n for a whole n, by repeated products (n < 0 gives the reciprocal).
ComplexValue IntegerPower(const ComplexValue& z, int n) {
    ComplexValue p = Real(1.0);
    for (int i = 0; i < (n < 0 ? -n : n); ++i) ComplexMulAssign(p, z);
    if (n < 0) ComplexReciprocal(p);
    return p;
}

bool TermOutOfRange(const ComplexValue& t) {
    auto bad = [](double v) {
        double a = std::fabs(v);
        return a > 1e300 || (v != 0.0 && a < 1e-300);
    };
    return bad(t.re) || bad(t.im);
}

ComplexValue Scaled(ComplexValue z, double d) {
    ComplexScaleAssign(z, d);
    return z;
}

}  // namespace

int WaveformSlotCount(int opcode) {
    switch (opcode) {
    case kOpPhase: return 2;
    case kOpDifference: return 2;
    case kOpGroupDelay: return 5;
    case kOpSum: return 6;
    case kOpRms: return 3;
    case kOpAverage: return 3;
    default: return 0;
    }
}

int WaveformArgumentCount(int opcode) {
    switch (opcode) {
    case kOpPhase:
    case kOpGroupDelay:
    case kOpDifference: return 1;
    case kOpSum: return 3;
    case kOpRms:
    case kOpAverage: return 2;
    default: return 0;
    }
}

double SweepValue(const RunValues& run) {
    switch (static_cast<int>(run.analysis_kind)) {
    case 1: return run.frequency;
    case 2: return run.dc_input;
    default: return run.time;
    }
}

void SweepRange(const RunValues& run, double* start, double* end) {
    switch (static_cast<int>(run.analysis_kind)) {
    case 1: *start = run.fmin; *end = run.fmax; break;
    case 2: *start = run.dc_start; *end = run.dc_end; break;
    default: *start = run.tmin; *end = run.tmax; break;
    }
}

bool IsPastStart(const RunValues& run, double s) {
    double start, end;
    SweepRange(run, &start, &end);
    double x = SweepValue(run);
    return start < end ? x > s : x < s;
}

double UnwrapPhaseDegrees(const ComplexValue& z, double previous, bool unwrap) {
    double p = ComplexArg(z) * kDegreesPerRadian;
    double shift = 0.0;
    if (unwrap && std::fabs(p - previous) > 180.0) {
        double best = 1e30;
        for (int step = 1; step <= 160; ++step) {
            double d = 360.0 * step;
            double e = std::fabs(p - previous - d);
            double f = std::fabs(p - previous + d);
            if (e < best && e < f) {
                shift = -d;
                best = e;
            } else if (f < best) {
                shift = d;
                best = f;
            }
        }
    }
    return p + shift;
}

double GroupDelayStep(const ComplexValue& z, ComplexValue* const* slots, const RunValues& run) {
    // S1 phase tentative, S2 phase accepted, S3 delay tentative, S4 delay accepted,
    // S5 the accepted delay before S4.
    double df = run.frequency - run.prev_frequency;
    double delay = 1e-50;
    if (df != 0.0) {
        double p = UnwrapPhaseDegrees(z, slots[1]->re, run.point_index != 0);
        *slots[0] = Real(p);
        double c = (p - slots[1]->re) * (kPi / 180.0) * kInvTwoPi / df;
        delay = -c;
        double s4 = slots[3]->re, s5 = slots[4]->re;
        if (run.point_index > 2 && c != 0.0 && s4 != 0.0) {
            // A jump of more than five times the last delay is a spike of the phase
            // unwrapping, not a real delay: extrapolate from the last two instead.
            double m = std::fmin(std::fabs(c), std::fabs(s4));
            double df_before = run.prev_frequency - run.prev_frequency2;
            if (std::fabs(c) / m > 5.0 && df_before != 0.0)
                delay = s4 + df * (s4 - s5) / df_before;
        }
    }
    *slots[2] = Real(delay);
    return delay;
}

ComplexValue StepWaveformOperator(int opcode, const ComplexValue* args, ComplexValue* const* slots,
                                  const RunValues& run, WaveformMode mode, bool* handled) {
    if (handled) *handled = true;
    if (mode.reset_mode) {
        int code = mode.reset_code;
        switch (opcode) {
        case kOpPhase:
        case kOpDifference:
            if (code != 0)
                *slots[1] = Real(1.0);
            else
                *slots[1] = *slots[0];
            return args[0];
        case kOpGroupDelay:
            if (code != 0) {
                *slots[1] = *slots[3] = *slots[4] = Real(1.0);
            } else {
                *slots[1] = *slots[0];
                *slots[4] = *slots[3];
                *slots[3] = *slots[2];
            }
            return args[0];
        case kOpSum: SumReset(args, slots, code); return args[0];
        case kOpRms:
        case kOpAverage: AverageReset(args, slots, run, code); return args[0];
        default: break;
        }
    } else {
        switch (opcode) {
        case kOpPhase: return PhaseStep(args[0], slots, run);
        case kOpGroupDelay: return Real(GroupDelayStep(args[0], slots, run));
        case kOpDifference: return DifferenceStep(args[0], slots);
        case kOpSum: return SumStep(args, slots);
        case kOpRms:
        case kOpAverage: return AverageStep(opcode, args, slots, run);
        default: break;
        }
    }
    if (handled) *handled = false;
    return args[0];
}

void StepWaveformEntries(int opcode, EvalEntry* args, int n, const CompiledExpression& expression) {
    int slot_count = WaveformSlotCount(opcode);
    int arg_count = n - slot_count;
    ComplexValue values[3];
    for (int i = 0; i < arg_count && i < 3; ++i) values[i] = args[i].value;
    ComplexValue* slots[6] = {};
    for (int i = 0; i < slot_count && i < 6; ++i) slots[i] = args[arg_count + i].slot;
    WaveformMode mode{expression.reset_mode, expression.reset_code};
    args[0].value = StepWaveformOperator(opcode, values, slots, *expression.run, mode);
    args[0].tag = 0;
}

ComplexValue BesselSeriesValue(int opcode, const EvalEntry* args) {
    constexpr int kJ0 = 568, kJ1 = 569, kJn = 570, kY0 = 571, kY1 = 572;
    switch (opcode) {
    case kJ0: return BesselJSeries(0, args[0].value, 10);
    case kJ1: return BesselJSeries(1, args[0].value, 10);
    case kY0: return BesselYSeries(0, args[0].value, 10);
    case kY1: return BesselYSeries(1, args[0].value, 10);
    default: break;
    }
    int order = static_cast<int>(args[0].value.re);
    int terms = static_cast<int>(std::fabs(args[2].value.re));
    return opcode == kJn ? BesselJSeries(order, args[1].value, terms) : BesselYSeries(order, args[1].value, terms);
}

double HarmonicNumber(int n) {
    double h = 0.0;
    for (int i = 1; i <= n; ++i) h += 1.0 / i;
    return h;
}

namespace {

// The sum over i = 0 .. terms of coef(i) z^(2i), ended early at the first term out of
// range.
template <class Coef>
ComplexValue EvenPowerSeries(const ComplexValue& z, int terms, Coef coef) {
    ComplexValue z2 = z;
    ComplexMulAssign(z2, z);
    ComplexValue z2i = Real(1.0);  // z^(2i)
    ComplexValue sum = Real(0.0);
    for (int i = 0; i <= terms; ++i) {
        ComplexValue term = Scaled(z2i, coef(i));
        if (TermOutOfRange(term)) break;
        ComplexAddAssign(sum, term);
        ComplexMulAssign(z2i, z2);
    }
    return sum;
}

}  // namespace

ComplexValue BesselJSeries(int n, const ComplexValue& z, int terms) {
    if (terms > kMaxSeriesTerms) terms = kMaxSeriesTerms;
    const ComplexValue sum = EvenPowerSeries(z, terms, [n](int i) {
        return (i % 2 ? -1.0 : 1.0) / (std::ldexp(1.0, n + 2 * i) * Factorial(i) * Factorial(n + i));
    });
    ComplexValue result = IntegerPower(z, n);
    ComplexMulAssign(result, sum);
    return result;
}

ComplexValue BesselYSeries(int n, const ComplexValue& z, int terms) {
    if (terms > kMaxSeriesTerms) terms = kMaxSeriesTerms;
    // (2/pi) J_n(z) (ln(z/2) + gamma)
    ComplexValue log_half = Scaled(z, 0.5);
    ComplexLog(log_half);
    log_half.re += kEulerGamma;
    ComplexValue result = BesselJSeries(n, z, terms);
    ComplexMulAssign(result, log_half);
    ComplexScaleAssign(result, 2.0 / kPi);

    // (z^n/pi) sum (-1)^(i-1) (H(n+i) + H(i)) z^(2i) / (2^(n+2i) (n+i)! i!)
    const ComplexValue sum = EvenPowerSeries(z, terms, [n](int i) {
        return (i % 2 ? 1.0 : -1.0) * (HarmonicNumber(n + i) + HarmonicNumber(i)) /
               (std::ldexp(1.0, n + 2 * i) * Factorial(n + i) * Factorial(i));
    });
    ComplexValue part = IntegerPower(z, n);
    ComplexMulAssign(part, sum);
    ComplexScaleAssign(part, 1.0 / kPi);
    ComplexAddAssign(result, part);

    // - (z^-n/pi) sum_{i<n} ((n-1-i)!/i!) z^(2i) / 2^(2i-n)
    if (n >= 1) {
        ComplexValue z2 = z;
        ComplexMulAssign(z2, z);
        ComplexValue z2i = Real(1.0);
        ComplexValue finite = Real(0.0);
        for (int i = 0; i < n; ++i) {
            double coef = Factorial(n - 1 - i) / Factorial(i) / std::ldexp(1.0, 2 * i - n);
            ComplexAddAssign(finite, Scaled(z2i, coef));
            ComplexMulAssign(z2i, z2);
        }
        ComplexValue lead = IntegerPower(z, -n);
        ComplexMulAssign(lead, finite);
        ComplexScaleAssign(lead, 1.0 / kPi);
        ComplexSubAssign(result, lead);
    }
    return result;
}

}  // namespace ob7
