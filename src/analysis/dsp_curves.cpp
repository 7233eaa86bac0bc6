#include "analysis/dsp_curves.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "analysis/output_points.h"
#include "expression/operator_table.h"
#include "expression/waveform_operators.h"
#include "foundation/messages.h"

namespace ob7 {

namespace {

constexpr int kMsgStopped = 15055;
constexpr int kMsgRangeZero = 10156;  // "%EThe frequency range must not be zero."
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kImaginaryFloor = 1e-12;

// Opcodes the tree reading and the vector forms need.
enum : int { kOpNot = 74, kOpTilde = 104, kOpBusValue = 121 };

bool IsDspOpcode(int op) { return (op >= 47 && op <= 57) || op == 66 || op == 67; }

DspFunction FunctionOf(int op) {
    switch (op) {
    case 47: return DspFunction::Harm;
    case 48: return DspFunction::Fft;
    case 49: return DspFunction::Ift;
    case 50: return DspFunction::Conj;
    case 51: return DspFunction::Psd;
    case 52: return DspFunction::Cmul;
    case 53: return DspFunction::Cs;
    case 54: return DspFunction::Cc;
    case 55: return DspFunction::As;
    case 56: return DspFunction::Ac;
    case 57: return DspFunction::Coh;
    case 66: return DspFunction::Thd;
    default: return DspFunction::Ihd;
    }
}

// Operators that work on each point of a DSP result alone. Stateful operators (they need
// the run's steps), references to devices, curves or sub-expressions, and the time
// functions do not.
bool WorksPointwise(int op) {
    if (op == kOpPhase || op == kOpRms) return true;  // their vector forms
    if (WaveformSlotCount(op)) return false;
    switch (op) {
    case 13: case 14:               // B, H of a core
    case 150: case 151:             // STP, IMPULSE read the time
    case 157: case 158: case 578: case 579:  // DDT, SDT, DD, SD
    case 168:                       // DER
    case kOpBusValue: case 127:     // digital
    case 574:                       // SERIES
        return false;
    default: return !(op >= 520 && op <= 541);  // performance functions
    }
}

// Stack entries an operator takes: functions carry their count in the token.
int OperandCount(const ExpressionToken& t) {
    const int op = t.opcode;
    if (op == kOpUnaryMinus || op == kOpTilde || op == kOpNot || op == kOpDigitalNot) return 1;
    if (op == kOpSafeDivide || IsOperatorOpcode(op)) return 2;
    if (t.value.index > 0) return t.value.index;
    if (WaveformSlotCount(op)) return WaveformArgumentCount(op) + WaveformSlotCount(op);
    return MaxArgsByOpcode(op);
}

// Runs `tokens` in place of the expression's own list (sub-expressions and the context
// stay the expression's).
int EvaluateTokens(CompiledExpression& e, std::vector<ExpressionToken>& tokens, ComplexValue* v) {
    std::swap(e.tokens, tokens);
    const int code = EvaluateExpression(&e, v);
    std::swap(e.tokens, tokens);
    return code;
}

}  // namespace

std::unique_ptr<DspExpression> DspExpression::Make(const CompiledExpression& e, int* code, std::string* name) {
    *code = 0;
    auto d = std::unique_ptr<DspExpression>(new DspExpression);
    std::vector<int> stack, first;  // node indices; first token of each node
    for (int i = 0; i < static_cast<int>(e.tokens.size()); ++i) {
        const ExpressionToken& t = e.tokens[i];
        if (t.opcode == kOpEnd) continue;
        Node n;
        n.token = i;
        int begin = i;
        if (!t.pushes) {
            const int count = OperandCount(t);
            if (count <= 0 || count > static_cast<int>(stack.size())) return nullptr;
            n.children.assign(stack.end() - count, stack.end());
            stack.resize(stack.size() - count);
            begin = first[n.children.front()];
            for (int c : n.children) n.dsp = n.dsp || d->nodes_[c].dsp;
            n.dsp = n.dsp || IsDspOpcode(t.opcode);
        }
        d->nodes_.push_back(std::move(n));
        first.push_back(begin);
        stack.push_back(static_cast<int>(d->nodes_.size()) - 1);
    }
    if (stack.size() != 1 || !d->nodes_[stack[0]].dsp) return nullptr;
    d->root_ = stack[0];
    // The largest subtrees without DSP functions become the operands.
    std::vector<int> pending{d->root_};
    while (!pending.empty()) {
        const int k = pending.back();
        pending.pop_back();
        Node& n = d->nodes_[k];
        if (!n.dsp) {
            n.operand = static_cast<int>(d->operandTokens_.size());
            d->operandTokens_.emplace_back(e.tokens.begin() + first[k], e.tokens.begin() + n.token + 1);
            continue;
        }
        const ExpressionToken& t = e.tokens[n.token];
        if (!IsDspOpcode(t.opcode) && !WorksPointwise(t.opcode)) {
            *code = kMsgCantUseInExpression;
            *name = t.text;
            return nullptr;
        }
        for (int c : n.children) pending.push_back(c);
    }
    d->values_.resize(d->operandTokens_.size());
    return d;
}

int DspExpression::Collect(CompiledExpression& e, double sweep) {
    sweep_.push_back(sweep);
    int result = 0;
    for (size_t k = 0; k < operandTokens_.size(); ++k) {
        ComplexValue v{};
        if (int code = EvaluateTokens(e, operandTokens_[k], &v); code && !result) result = code;
        values_[k].push_back(v);
    }
    return result;
}

void DspExpression::Clear() {
    sweep_.clear();
    for (auto& v : values_) v.clear();
}

int DspExpression::Evaluate(CompiledExpression& e, const DspGrid& grid, const std::vector<double>& positions,
                            DspArray* out) {
    const int n = static_cast<int>(positions.size());
    const int count = CollectedPoints();
    const std::vector<double> x(sweep_.begin(), sweep_.end());
    std::vector<double> re(count), im(count);
    std::vector<DspArray> operands;
    operands.reserve(values_.size());
    for (const auto& values : values_) {
        for (int i = 0; i < count; ++i) re[i] = values[i].re, im[i] = values[i].im;
        DspArray a(n);
        SampleRun(x.data(), re.data(), count, positions, a.re.data());
        SampleRun(x.data(), im.data(), count, positions, a.im.data());
        operands.push_back(std::move(a));
    }
    return EvaluateNode(e, root_, grid, operands, out);
}

int DspExpression::EvaluateNode(CompiledExpression& e, int index, const DspGrid& grid,
                                std::vector<DspArray>& operands, DspArray* out) {
    const Node& node = nodes_[index];
    if (node.operand >= 0) {
        *out = operands[node.operand];
        return 0;
    }
    std::vector<DspArray> args(node.children.size());
    for (size_t c = 0; c < node.children.size(); ++c)
        if (int code = EvaluateNode(e, node.children[c], grid, operands, &args[c])) return code;
    const ExpressionToken& t = e.tokens[node.token];
    const int op = t.opcode;
    DspArray& x = args[0];
    const int n = x.Size();
    if (IsDspOpcode(op)) {
        const DspFunction f = FunctionOf(op);
        const bool distortion = f == DspFunction::Thd || f == DspFunction::Ihd;
        // THD and IHD take the fundamental as a number (its first sample).
        const double fundamental = distortion && args.size() > 1 && args[1].Size() > 0 ? args[1].re[0] : 0.0;
        const DspArray* y = !distortion && args.size() > 1 ? &args[1] : nullptr;
        if (int code = ApplyDspFunction(f, x, y, grid, fundamental)) return code;
        *out = std::move(x);
        return 0;
    }
    if (op == kOpPhase) {  // phase in degrees
        for (int k = 0; k < n; ++k) {
            x.re[k] = std::atan2(x.im[k], x.re[k]) * kDegreesPerRadian;
            x.im[k] = 0;
        }
        *out = std::move(x);
        return 0;
    }
    if (op == kOpRms) {  // cumulative magnitude over the first half of the bins
        double sum = 0;
        for (int k = 0; k < n; ++k) {
            sum += x.re[k] * x.re[k] + x.im[k] * x.im[k];
            x.re[k] = k < n / 2 ? std::sqrt(sum) : 0.0;
            x.im[k] = 0;
        }
        *out = std::move(x);
        return 0;
    }
    return ApplyElementwise(e, t, args, out);
}

int DspExpression::ApplyElementwise(CompiledExpression& e, const ExpressionToken& op, std::vector<DspArray>& args,
                                    DspArray* out) {
    // A small program: each argument's value at the point, then the operator.
    std::vector<ComplexValue> at(args.size());
    std::vector<ExpressionToken> program(args.size() + 1);
    for (size_t k = 0; k < args.size(); ++k) {
        program[k].opcode = kOpComplexPointer;
        program[k].pushes = 1;
        program[k].value.complex = &at[k];
    }
    program.back() = op;
    const int n = args[0].Size();
    DspArray result(n);
    std::swap(e.tokens, program);
    int code = 0;
    for (int i = 0; i < n && !code; ++i) {
        for (size_t k = 0; k < args.size(); ++k) at[k] = ComplexValue{args[k].re[i], args[k].im[i]};
        ComplexValue v{};
        code = EvaluateExpression(&e, &v);
        result.re[i] = v.re;
        result.im[i] = v.im;
    }
    std::swap(e.tokens, program);
    *out = std::move(result);
    return code;
}

namespace {

// What a curve held in the case before the DSP step: its X and Y (and in AC the six
// further values) over the sweep.
struct StoredRun {
    std::vector<double> sweep;
    std::vector<std::vector<double>> columns;
};

StoredRun ReadStoredRun(AnalysisPlot& plot, int curve, int run, int columnCount) {
    StoredRun s;
    const int count = plot.RunPointCount(curve, run);
    const StoreCurve& sc = plot.storeCurves[curve];
    s.columns.resize(columnCount);
    for (int i = 0; i < count; ++i) {
        s.sweep.push_back(plot.RunPointValue(curve, run, i, -1));
        for (int c = 0; c < columnCount; ++c)
            s.columns[c].push_back(GetRunPointValue(plot.store, sc.columns[c], sc, i, run));
    }
    return s;
}

// The stored values of a curve without DSP functions at the positions: interpolated, or
// for a digital curve the state that holds there.
std::vector<double> Resample(const StoredRun& s, int column, const std::vector<double>& positions, bool hold) {
    std::vector<double> out(positions.size());
    const int count = static_cast<int>(s.sweep.size());
    if (!hold) {
        SampleRun(s.sweep.data(), s.columns[column].data(), count, positions, out.data());
        return out;
    }
    int j = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        while (j + 1 < count && s.sweep[j + 1] <= positions[i]) ++j;
        out[i] = count ? s.columns[column][j] : 0.0;
    }
    return out;
}

double ClampValue(double v, bool linear) {
    if (std::isnan(v) || v < -kPlotClamp) v = -kPlotClamp;
    if (v > kPlotClamp) v = kPlotClamp;
    if (!linear && !(v > 0)) v = kLogAxisFloor;
    return v;
}

int ReportDspError(int code) {
    ReportMessage("EM", code, "Dialog", "DSP Parameter");
    return kMsgStopped;
}

}  // namespace

void FreeDspBuffers(AnalysisPlot& plot) {
    for (AnalysisCurve& c : plot.curves)
        if (c.dsp) c.dsp->Clear();
}

int PrepareDspData(AnalysisPlot& plot) {
    const int run = plot.runs.runCount - 1;
    int collected = 0;
    for (const AnalysisCurve& c : plot.curves)
        if (c.dsp) collected = std::max(collected, c.dsp->CollectedPoints());
    if (run < 0 || collected == 0) return 0;
    int points = collected;
    for (size_t k = 0; k < plot.curves.size(); ++k)
        points = std::max(points, plot.RunPointCount(static_cast<int>(k), run));
    if (points < 3) {
        FreeDspBuffers(plot);
        return 0;
    }
    const bool transient = plot.analysisKind == 0;
    const DspWindow& w = plot.dspWindow;
    const int n = w.on ? w.points : DspPointCount(points);
    const double lower = w.on && transient ? w.lower : 0.0;
    const double window = w.on ? w.upper - (transient ? w.lower : 0.0) : w.span;
    if (window == 0 || n < kDspMinPoints) {
        FreeDspBuffers(plot);
        return ReportDspError(kMsgRangeZero);
    }
    const DspGrid grid = MakeDspGrid(transient, n, lower, window);
    const std::vector<double>& own = transient ? grid.time : grid.frequency;

    // Everything is computed before the store is written: the curves share its indices.
    const int columnCount = plot.analysisKind == 1 ? 8 : 2;
    std::vector<std::vector<std::vector<double>>> results(plot.curves.size());
    for (size_t k = 0; k < plot.curves.size(); ++k) {
        AnalysisCurve& c = plot.curves[k];
        auto& r = results[k];
        r.assign(columnCount, std::vector<double>(n));
        if (c.dsp) {
            DspArray y;
            if (int code = c.dsp->Evaluate(*c.expression[kAxisY], grid, own, &y)) {
                FreeDspBuffers(plot);
                return ReportDspError(code);
            }
            const std::vector<double>& x = c.mark[kAxisX] == 'F' ? grid.frequency : grid.time;
            for (int i = 0; i < n; ++i) {
                const double value = std::fabs(y.im[i]) > kImaginaryFloor ? std::hypot(y.re[i], y.im[i]) : y.re[i];
                r[0][i] = ClampValue(x[i], c.linear[kAxisX]);
                r[1][i] = c.chartKind != 0 ? y.re[i] : ClampValue(value, c.linear[kAxisY]);
                if (columnCount == 8) {
                    r[2][i] = x[i];
                    r[3][i] = r[0][i];
                    r[4][i] = r[1][i];
                    r[5][i] = 0;
                    r[6][i] = y.re[i];
                    r[7][i] = y.im[i];
                }
            }
            // The run's extremes are those of the results.
            c.dataLow = {r[0][0], r[1][0]};
            c.dataHigh = c.dataLow;
        } else {
            const StoredRun s = ReadStoredRun(plot, static_cast<int>(k), run, columnCount);
            for (int col = 0; col < columnCount; ++col) r[col] = Resample(s, col, own, c.digital);
        }
        for (int axis = 0; axis < 2; ++axis)
            for (int i = 0; i < n; ++i) {
                c.dataLow[axis] = std::min(c.dataLow[axis], r[axis][i]);
                c.dataHigh[axis] = std::max(c.dataHigh[axis], r[axis][i]);
            }
    }
    // The case's run of every curve now holds the n points, from a first index shared by all.
    int start = 0;
    for (const StoreCurve& s : plot.storeCurves) start = std::max(start, s.runFirst[run]);
    for (size_t k = 0; k < plot.curves.size(); ++k) {
        StoreCurve& s = plot.storeCurves[k];
        s.runFirst[run] = start;
        s.runLast[run] = start + n - 1;
        s.pointCount = start + n - 1;
        for (int col = 0; col < columnCount; ++col)
            if (s.columns[col] != 0)
                for (int i = 0; i < n; ++i) plot.store.SetPointValue(s.columns[col], start + i, results[k][col][i]);
    }
    for (int i = 0; i < n; ++i) plot.store.SetPointValue(0, start + i, own[i]);
    FreeDspBuffers(plot);
    return plot.store.Failed() ? kMsgStopped : 0;
}

}  // namespace ob7
