// The postfix evaluator: one shared stack of complex values, one switch on the opcode.

#include "expression/evaluator.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#if defined(__SSE2__)
#include <xmmintrin.h>
#endif
#include <utility>
#include <vector>

#include "expression/complex_math.h"
#include "expression/expression.h"
#include "expression/expression_context.h"
#include "expression/math_error.h"
#include "expression/operator_table.h"
#include "expression/vector_eval.h"
#include "expression/waveform_operators.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {

EvalEntry g_stack[kEvalStackSize];
int g_top = 0;
int g_depth = 0;
int g_series_index = 0;

constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxSeriesIndex = 10000000;

// Level tables, rows the first operand, columns the second: 0 R F 1 X Z ? eighth.
constexpr uint8_t X = 4;
constexpr uint8_t kAnd[8][8] = {
    {0, 0, 0, 0, 0, X, X, X}, {0, 1, 1, 1, X, X, X, X}, {0, 1, 2, 2, X, X, X, X}, {0, 1, 2, 3, X, X, X, X},
    {0, X, X, X, X, X, X, X}, {X, X, X, X, X, X, X, X}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kOr[8][8] = {
    {0, 1, 2, 3, X, X, X, X}, {1, 1, 2, 3, X, X, X, X}, {2, 2, 2, 3, X, X, X, X}, {3, 3, 3, 3, 3, X, X, X},
    {X, X, X, 3, X, X, X, X}, {X, X, X, X, X, X, X, X}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kXor[8][8] = {
    {0, 2, 1, 3, X, X, X, X}, {2, X, 1, 1, X, X, X, X}, {1, 1, X, 2, X, X, X, X}, {3, 1, 2, 0, X, X, X, X},
    {X, X, X, X, X, X, X, X}, {X, X, X, X, X, X, X, X}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kNot[8] = {3, 2, 1, 0, X, X, X, 0};

void LoadCompareOperands(const EvalEntry& a, const EvalEntry& b, double* x, double* y) {
    if (a.value.im != 0.0 || b.value.im != 0.0) {
        *x = ComplexAbs(a.value);
        *y = ComplexAbs(b.value);
    } else {
        *x = a.value.re;
        *y = b.value.re;
    }
}

void SetReal(EvalEntry& e, double v) {
    e.value.re = v;
    e.value.im = 0.0;
    e.tag = 0;
}

void SetDigital(EvalEntry& e, uint16_t state) {
    e.value.re = state;
    e.value.im = 0.0;
    e.tag = 1;
}

// A fault flag of the floating-point status is set. Doubles are computed in SSE
// registers on x86-64, whose status register reads in a cycle or two.
inline bool FaultFlagsRaised() {
#if defined(__SSE2__)
    return (_mm_getcsr() & 0x1d) != 0;  // invalid, zero-divide, overflow, underflow
#else
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID) != 0;
#endif
}

uint16_t StateOf(const EvalEntry& e) { return uint16_t(int(e.value.re)); }

// The integer operators work on the value truncated to 64 bits. NaN or a value beyond
// that range has no integer: an invalid operation, not a conversion left to chance.
long long Truncated(double x) {
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) {
        NoteMathFault(kFaultInvalid);
        return 0;
    }
    return static_cast<long long>(x);
}

// MIN and MAX compare their operands as the comparisons do: a NaN is an invalid
// operation, not an operand to drop.
void NoteIfUnordered(const ComplexValue& a, const ComplexValue& b) {
    if (std::isnan(a.re) || std::isnan(a.im) || std::isnan(b.re) || std::isnan(b.im)) NoteMathFault(kFaultInvalid);
}

// Stops the evaluation with a message of its own (an opcode the evaluator cannot run).
void InvalidOpcode() {
    SetPendingMessage(10424);
    MathError().pending_code = kMsgPending;
}

double Table(const EvalEntry* args, int n) {
    // x, x1, y1, ..., xn, yn, count
    const double x = args[0].value.re;
    const int pairs = (n - 2) / 2;
    const EvalEntry* p = args + 1;
    for (int i = 0; i + 1 < pairs; ++i) {
        double x1 = p[2 * i].value.re, y1 = p[2 * i + 1].value.re;
        double x2 = p[2 * i + 2].value.re, y2 = p[2 * i + 3].value.re;
        if ((x >= x1 && x <= x2) || (x >= x2 && x <= x1)) {
            if (x1 == x2) return 0.5 * (y1 + y2);
            return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
        }
    }
    int lo = 0, hi = 0;
    for (int i = 1; i < pairs; ++i) {
        if (p[2 * i].value.re < p[2 * lo].value.re) lo = i;
        if (p[2 * i].value.re > p[2 * hi].value.re) hi = i;
    }
    if (pairs == 0) return 0.0;
    return x < p[2 * lo].value.re ? p[2 * lo + 1].value.re : p[2 * hi + 1].value.re;
}

double Impulse(double x, double t) {
    const double w = x == 0.0 ? 1e-9 : 1.0 / x;
    const double edge = w * 0.0001;
    if (t < 0.0 || t > 2.0 * edge + w) return 0.0;
    if (t <= edge) return (x / edge) * t;
    if (t <= edge + w) return x;
    return x - (x / edge) * (t - edge - w);
}

double BesselReal(int opcode, int order, double x) {
    const bool y = opcode == 571 || opcode == 572 || opcode == 573;
    if (order < 1) return y ? ::y0(x) : ::j0(x);
    if (order == 1) return y ? ::y1(x) : ::j1(x);
    return y ? ::yn(order, x) : ::jn(order, x);
}

// Sums the SERIES term from `from` to `to`; 0 or the first failing term's code.
int Series(EvalEntry* args) {
    CompiledExpression* term = const_cast<CompiledExpression*>(static_cast<const CompiledExpression*>(args[2].ref));
    // Clamped into int before the conversion: a bound beyond it would otherwise read as
    // any int at all.
    const int from = std::max(ClampToInt(args[0].value.re), -kMaxSeriesIndex);
    const int to = std::min(ClampToInt(args[1].value.re), kMaxSeriesIndex);
    const int saved = g_series_index;
    ComplexValue sum{};
    int code = 0;
    for (int i = from; i <= to; ++i) {
        g_series_index = i;
        ComplexValue v;
        code = EvaluateExpression(term, &v);
        if (code) break;
        sum.re += v.re;
        sum.im += v.im;
    }
    g_series_index = saved;
    args[0].value = sum;
    args[0].tag = 0;
    return code;
}

}  // namespace

int CurrentSeriesIndex() { return g_series_index; }

bool IsIntegerValue(double x) { return x >= -2147483648.0 && x <= 2147483647.0 && x == std::trunc(x); }

int DigitalLevel(uint16_t state) { return (state & kFullStrength) ? (state & 7) : X; }

uint16_t DigitalNot(uint16_t state) { return uint16_t(kNot[DigitalLevel(state)] | kFullStrength); }
uint16_t DigitalAnd(uint16_t a, uint16_t b) { return uint16_t(kAnd[DigitalLevel(a)][DigitalLevel(b)] | kFullStrength); }
uint16_t DigitalOr(uint16_t a, uint16_t b) { return uint16_t(kOr[DigitalLevel(a)][DigitalLevel(b)] | kFullStrength); }
uint16_t DigitalXor(uint16_t a, uint16_t b) { return uint16_t(kXor[DigitalLevel(a)][DigitalLevel(b)] | kFullStrength); }

ComplexValue& VectorEvalContext::At(int array, int point) {
    auto& blocks = operand_arrays[size_t(array)];
    const size_t block = size_t(point) / kBlock;
    while (blocks.size() <= block) blocks.push_back(std::make_unique<ComplexValue[]>(kBlock));
    return blocks[block][size_t(point) % kBlock];
}

int EvaluateExpression(CompiledExpression* e, ComplexValue* result) { return EvaluateExpression(e, result, nullptr); }

int EvaluateExpression(CompiledExpression* e, ComplexValue* result, VectorEvalContext* vc) {
    std::vector<ExpressionToken>& tokens = e->tokens;
    const int count = int(tokens.size());
    if (count == 0) {  // never compiled, or freed
        if (result) *result = ComplexValue{};
        return 0;
    }
    const bool vector_mode = vc && result && (e->flags & kFlagVector);
    if (count == 1 && result && !vector_mode) {  // one operand: no stack work
        const ExpressionToken& t = tokens[0];
        if (t.opcode == kOpRealPointer) {
            *result = ComplexValue{*t.value.real, 0.0};
            return 0;
        }
        if (t.opcode == kOpDigitalNode) {
            *result = ComplexValue{double(*t.value.state), 0.0};
            return 0;
        }
    }
    MathErrorState& err = MathError();
    if (++g_depth == 1) {
        g_top = 0;
        // Faults left by earlier work are not this expression's; clearing only when
        // there are some keeps the common path cheap.
        if (FaultFlagsRaised()) std::feclearexcept(FE_ALL_EXCEPT);
    }
    err.pending_code = 0;
    const int saved = g_top;
    const RunValues& run = *e->run;
    const int analysis = int(run.analysis_kind);
    int point = 0;
    bool replay_stopped = false;
    if (vector_mode) {
        if (vc->setup_error) {
            err.pending_code = vc->setup_error;
            vc->setup_error = 0;
        }
        if (!vc->replay && analysis == 0 && vc->collect_point == 0 && run.skip_first_vector_point)
            vc->collect_point = 1;
        point = vc->replay ? vc->replay_point : vc->collect_point;
        vc->value_count = 0;
        vc->vector_opcode = 0;
        vc->token_counter = 0;
    }

    for (int i = 0; i < count && !err.pending_code && !replay_stopped; ++i) {
        ExpressionToken& t = tokens[i];
        if (t.pushes) {
            if (g_top + 1 >= kEvalStackSize) {
                NoteMathFault(kFaultStackOverflow);
                break;
            }
            EvalEntry& n = g_stack[++g_top];
            n.tag = t.digital;
            n.value.im = 0.0;
            n.ref = nullptr;
            if (vector_mode) ++vc->token_counter;
        }
        EvalEntry& top = g_stack[g_top];
        EvalEntry& below = g_stack[g_top > 0 ? g_top - 1 : 0];
        const int op = t.opcode;
        switch (op) {
        // Operands.
        case kOpDigitalConst: top.value.re = double(t.value.index | kFullStrength); break;
        case kOpDigitalNode: top.value.re = double(*t.value.state); break;
        case kOpRealPointer: top.value.re = *t.value.real; break;
        case kOpComplexPointer: top.value = *t.value.complex; break;
        case kOpConstant:
        case kOpDelayConstant: top.value.re = t.value.number; break;
        case kOpDeviceRef: top.ref = t.value.device; top.value.re = 0.0; break;
        case kOpStateSlot:
            // In a replay the slot reads what the collect pass stored for this point.
            top.slot = (vector_mode && vc->replay) ? &vc->At(vc->token_counter - 1, point) : &t.value.slot;
            top.value.re = 0.0;
            break;
        case kOpStoredValue:
            if (!vector_mode) {
                InvalidOpcode();
                break;
            }
            top.value = vc->At(t.value.index, point);
            break;
        case 29:  // S
            top.value.re = analysis == 0 ? run.laplace_sigma : 0.0;
            top.value.im = kTwoPi * run.frequency;
            break;
        case 40:
        case 41: top.value.re = e->context->NoiseValue(op == 40); break;
        case 79: top.value.re = (run.operating_point && analysis >= 0) ? 1.0 : t.value.number; break;
        case kOpEquation: top.value = e->context->SolutionValue(t.value.index); break;
        case 161: top.value = ComplexValue{0.0, 1.0}; break;
        case kOpSubExpression:
            top.ref = e->sub_expressions[size_t(t.value.index)].get();
            top.value.re = t.value.index;
            break;
        case kOpSeriesIndex: top.value.re = g_series_index; break;
        case kOpCurveValue: top.value.re = e->context->CurveValue(t.value.index, e->point_index); break;
        case kOpCurve: top.value.re = t.value.index; break;

        // Unary functions on the top entry.
        case 35: top.value.im = 0.0; break;
        case 36: top.value = ComplexValue{top.value.im, 0.0}; break;
        case 37:
        case 73: SetReal(top, ComplexAbs(top.value)); break;
        case 71: ComplexLog(top.value); break;
        case 72:
            if (top.value.im != 0.0) ComplexExp(top.value, top.value);
            else top.value.re = ExpClamped(top.value.re);
            break;
        case 74: SetReal(top, top.value.re == 0.0 ? 1.0 : 0.0); break;
        case 75:
            if (top.value.im != 0.0)
                top.value = ComplexValue{Log10Floored(ComplexAbs(top.value)),
                                         0.43429448190325176 * ComplexArg(top.value)};
            else top.value.re = Log10Floored(top.value.re);
            break;
        case 76: SetReal(top, 20.0 * Log10Floored(ComplexAbs(top.value))); break;
        case 77:
            if (top.value.im != 0.0) ComplexSqrt(top.value, top.value);
            else top.value.re = std::sqrt(std::fabs(top.value.re));
            break;
        case 78: SetReal(top, SignOf(top.value.re)); break;
        case kOpUnaryMinus:
            top.value.re = -top.value.re;
            if (top.value.im != 0.0) top.value.im = -top.value.im;
            break;
        case 13:
        case 14: SetReal(top, e->context->CoreValue(top.ref, op)); break;
        case 150: SetReal(top, (analysis == 0 && run.time >= top.value.re) ? 1.0 : 0.0); break;
        case 151: SetReal(top, analysis == 0 ? Impulse(top.value.re, run.time) : 0.0); break;
        case 575:
            if (std::isnan(top.value.re)) NoteMathFault(kFaultInvalid);
            SetReal(top, Factorial(ClampToInt(top.value.re)));
            break;
        case kOpDigitalNot: SetDigital(top, DigitalNot(StateOf(top))); break;

        // Binary operators: the result goes into the entry below.
        case 100:
            if (below.value.im == 0.0 && top.value.im == 0.0) below.value.re *= top.value.re;
            else ComplexMulAssign(below.value, top.value);
            below.tag = 0;
            --g_top;
            break;
        case 101:
            if (below.value.im != 0.0 || top.value.im != 0.0) ComplexDivAssign(below.value, top.value);
            else below.value.re = top.value.re == 0.0 ? below.value.re * HugeValue : below.value.re / top.value.re;
            below.tag = 0;
            --g_top;
            break;
        case kOpSafeDivide:
            if (top.value.re == 0.0 && top.value.im == 0.0) below.value = ComplexValue{};
            else ComplexDivAssign(below.value, top.value);
            below.tag = 0;
            --g_top;
            break;
        case 102:
            below.value.re += top.value.re;
            below.value.im += top.value.im;
            below.tag = 0;
            --g_top;
            break;
        case 103:
            below.value.re -= top.value.re;
            below.value.im -= top.value.im;
            below.tag = 0;
            --g_top;
            break;
        case 106:
            if (below.tag && top.tag) {
                SetDigital(below, DigitalXor(StateOf(below), StateOf(top)));
                --g_top;
                break;
            }
            [[fallthrough]];
        case 68:
            if (below.value.im != 0.0 || top.value.im != 0.0) {
                ComplexPowReal(below.value, below.value, top.value.re);
            } else {
                double a = below.value.re, b = top.value.re;
                below.value.re = (a >= 0.0 || IsIntegerValue(b)) ? SafePow(a, b) : 0.0;
            }
            below.tag = 0;
            --g_top;
            break;
        case 159: SetReal(below, SafePow(below.value.re, top.value.re)); --g_top; break;
        case 160: {
            double a = below.value.re, b = top.value.re;
            SetReal(below, a <= 0.0 ? -SafePow(-a, b) : SafePow(a, b));
            --g_top;
            break;
        }
        case 69:
            if (top.value.re == 0.0) {
                NoteMathFault(kFaultInvalid);
                break;
            }
            SetReal(below, std::fmod(below.value.re, top.value.re));
            --g_top;
            break;
        case 70: {
            double a = below.value.re, b = top.value.re;
            SetReal(below, std::trunc(b == 0.0 ? a * HugeValue : a / b));
            --g_top;
            break;
        }
        case 152: SetReal(below, std::atan2(below.value.re, top.value.re)); --g_top; break;
        case 153:
            NoteIfUnordered(below.value, top.value);
            below.value = ComplexValue{std::fmin(below.value.re, top.value.re), std::fmin(below.value.im, top.value.im)};
            --g_top;
            break;
        case 154:
            NoteIfUnordered(below.value, top.value);
            below.value = ComplexValue{std::fmax(below.value.re, top.value.re), std::fmax(below.value.im, top.value.im)};
            --g_top;
            break;
        case 91: case 92: case 93: case 94: case 95: case 96:
        case 80: case 81: case 82: case 115: case 116: {
            double a, b;
            LoadCompareOperands(below, top, &a, &b);
            bool r;
            switch (op) {
            case 91: r = a < b; break;
            case 92: r = a > b; break;
            case 93: r = a >= b; break;
            case 94: r = a <= b; break;
            case 95: r = a != b; break;
            case 96: r = a == b; break;
            case 80: r = a != 0.0 && b != 0.0; break;
            case 81: r = a != 0.0 || b != 0.0; break;
            case 82: r = (a != 0.0) != (b != 0.0); break;
            case 115: r = !(a != 0.0 && b != 0.0); break;
            default: r = !(a != 0.0 || b != 0.0); break;
            }
            SetReal(below, r ? 1.0 : 0.0);
            --g_top;
            break;
        }
        case 104:
            if (top.tag) SetDigital(top, DigitalNot(StateOf(top)));
            else SetReal(top, double(~Truncated(top.value.re)));
            break;
        case 105:
        case 107:
            if (below.tag && top.tag) {
                uint16_t a = StateOf(below), b = StateOf(top);
                SetDigital(below, op == 105 ? DigitalAnd(a, b) : DigitalOr(a, b));
            } else {
                long long a = Truncated(below.value.re), b = Truncated(top.value.re);
                SetReal(below, double(op == 105 ? (a & b) : (a | b)));
            }
            --g_top;
            break;

        // Functions of several arguments: args[0] takes the result.
        default: {
            int n = t.value.index;
            EvalEntry* args = &g_stack[g_top - n + 1];
            if (op >= 580 && op <= 603) {
                ApplyTrigFunction(op, top.value);
                top.tag = 0;
                break;
            }
            switch (op) {
            case 155: {  // IF: each part chosen separately by the real part of c
                if (std::isnan(args[0].value.re)) NoteMathFault(kFaultInvalid);
                const bool c = args[0].value.re != 0.0;
                args[0].value = c ? args[1].value : args[2].value;
                args[0].tag = 0;
                break;
            }
            case 156: {  // LIMIT
                double lo = args[1].value.re, hi = args[2].value.re;
                double lo_i = args[1].value.im, hi_i = args[2].value.im;
                if (hi < lo) {
                    std::swap(lo, hi);
                    std::swap(lo_i, hi_i);
                }
                ComplexValue& x = args[0].value;
                x.re = x.re < lo ? lo : (x.re > hi ? hi : x.re);
                if (lo_i > hi_i) std::swap(lo_i, hi_i);
                x.im = x.im < lo_i ? lo_i : (x.im > hi_i ? hi_i : x.im);
                args[0].tag = 0;
                break;
            }
            case 162: SetReal(args[0], Table(args, n)); break;
            case 121: {  // BIN, OCT, DEC, HEX: d1 (most significant) .. dn, n
                double v = 0.0;
                for (int k = 0; k < n - 1; ++k) v = v * 2.0 + (DigitalLevel(StateOf(args[k])) != 0 ? 1.0 : 0.0);
                SetReal(args[0], v);
                break;
            }
            case 122: {  // DIFA
                double a = args[0].value.im != 0.0 || args[1].value.im != 0.0 ? ComplexAbs(args[0].value) : args[0].value.re;
                double b = args[0].value.im != 0.0 || args[1].value.im != 0.0 ? ComplexAbs(args[1].value) : args[1].value.re;
                SetReal(args[0], std::fabs(a - b) > args[2].value.re ? 1.0 : 0.0);
                break;
            }
            case 127: {  // DIFD
                uint16_t a = StateOf(args[0]), b = StateOf(args[1]);
                bool weak_z = (!(a & kFullStrength) && (b & 7) == 5) || (!(b & kFullStrength) && (a & 7) == 5);
                bool differ = (a & 7) != (b & 7) && !weak_z;
                SetDigital(args[0], differ ? 507 : 504);
                break;
            }
            case 568: case 569: case 571: case 572:
                if (args[0].value.im != 0.0) {
                    args[0].value = BesselSeriesValue(op, args);
                    args[0].tag = 0;
                    break;
                }
                SetReal(args[0], BesselReal(op, op == 569 || op == 572 ? 1 : 0, args[0].value.re));
                break;
            case 570: case 573:  // JN, YN (n, x, k)
                if (args[1].value.im != 0.0 || args[2].value.re != -10.0) {
                    args[0].value = BesselSeriesValue(op, args);
                    args[0].tag = 0;
                    break;
                }
                SetReal(args[0], BesselReal(op, ClampToInt(args[0].value.re), args[1].value.re));
                break;
            case 168: {  // DER: the derivative the compiler made
                CompiledExpression* d =
                    const_cast<CompiledExpression*>(static_cast<const CompiledExpression*>(args[0].ref));
                ComplexValue v;
                if (int code = EvaluateExpression(d, &v)) {
                    if (!err.pending_code) err.pending_code = code;
                    break;
                }
                args[0].value = v;
                args[0].tag = 0;
                break;
            }
            case 520: case 521: case 522: case 523: case 524: case 525: case 526: case 527: case 528: case 529:
            case 530: case 531: case 532: case 533: case 534: case 535: case 536: case 537: case 538: case 539:
            case 540: case 541: {
                // curve, [condition], numbers...
                const int reference = int(args[0].value.re);
                CompiledExpression* condition = nullptr;
                int first_number = 1;
                if (n > 1 && args[1].ref) {
                    condition = const_cast<CompiledExpression*>(static_cast<const CompiledExpression*>(args[1].ref));
                    first_number = 2;
                }
                double numbers[8];
                int count = 0;
                for (int k = first_number; k < n && count < 8; ++k) numbers[count++] = args[k].value.re;
                double value = 0.0;
                if (int code = e->context->EvaluatePerformance(op, reference, condition, numbers, count, &value)) {
                    if (!err.pending_code) err.pending_code = code;
                    break;
                }
                SetReal(args[0], value);
                break;
            }
            case 574:
                if (int code = Series(args)) {
                    if (!err.pending_code) err.pending_code = code;
                }
                break;
            case 38: case 39: case 43: case 44: case 45: case 46:  // stateful: PH GD SUM DEL RMS AVG
                StepWaveformEntries(op, args, n, *e);
                break;
            case 47: case 48: case 49: case 50: case 51: case 52: case 53: case 54: case 55: case 56:
            case 57: case 58: case 59: case 60: case 61: case 62: case 63: case 64: case 65: case 66: case 67:
                // The DSP code applies vector operators to the stored arrays: a replay
                // stops here and names the operator; elsewhere they do nothing.
                if (vector_mode && vc->replay) {
                    vc->vector_opcode = op;
                    replay_stopped = true;
                    n = 1;
                }
                break;
            default:
                InvalidOpcode();
                break;
            }
            if (!err.pending_code) g_top -= n - 1;
            break;
        }
        }
        if (vector_mode && !vc->replay && t.pushes) {
            const EvalEntry& pushed = g_stack[g_top];
            vc->At(vc->token_counter - 1, point) = op == kOpStateSlot ? *pushed.slot : pushed.value;
        }
    }

    // A fault that only the status word saw fails the expression as well.
    if (!err.pending_code && FaultFlagsRaised()) CheckFpStatus();
    const bool failed = err.pending_code != 0;
    int top = g_top;
    if (failed) {
        std::feclearexcept(FE_ALL_EXCEPT);
        top = saved + 1;
        g_stack[top].value = ComplexValue{1.0, 0.0};
        g_stack[top].tag = 0;
    }
    if (vector_mode && !failed) {
        if (!vc->replay) {
            *result = ComplexValue{};
            if (run.keep_vector_point) ++vc->collect_point;
        } else {
            // Everything left above the base goes to the operand arrays; the last entry
            // is the result.
            const int entries = g_top - saved;
            for (int k = 1; k <= entries && k <= vc->operand_array_count; ++k)
                vc->At(k - 1, point) = g_stack[saved + k].value;
            *result = g_stack[g_top].value;
            vc->value_count = entries - 1;
        }
    } else if (result) {
        *result = g_stack[top].value;
    }
    g_top = saved;
    --g_depth;
    return failed ? CheckMathError() : 0;
}

void CompiledExpression::ResetState(int code) {
    if (!(flags & 0x80000)) return;
    reset_mode = 1;
    reset_code = code;
    EvaluateExpression(this, nullptr);
    reset_mode = 0;
    reset_code = 0;
}

}  // namespace ob7
