#include "expression/waveform_run_hooks.h"

#include <cstdio>

#include "expression/digital_logic.h"
#include "expression/expression.h"
#include "expression/expression_context.h"
#include "expression/operator_table.h"

namespace ob7 {

namespace {

constexpr int kOpStp = 150;
constexpr int kOpImpulse = 151;
constexpr int kOpDifa = 122;
constexpr int kOpDifd = 127;
constexpr int kMaxViolationLines = 20;

constexpr ExpressionDeviceList kResetLists[] = {
    ExpressionDeviceList::Resistors,  ExpressionDeviceList::NonlinearSources,
    ExpressionDeviceList::Inductors,  ExpressionDeviceList::TableSources,
    ExpressionDeviceList::Capacitors, ExpressionDeviceList::SampleHold,
    ExpressionDeviceList::SampleHoldSecond,
};

constexpr ExpressionDeviceList kBreakpointLists[] = {
    ExpressionDeviceList::NonlinearSources, ExpressionDeviceList::TableSources,
    ExpressionDeviceList::Resistors,        ExpressionDeviceList::Capacitors,
    ExpressionDeviceList::Inductors,
};

// Calls f for both expressions of every graph, then for the expressions of the given
// device lists whose flag is set; stops at the first non-zero result.
template <typename F, std::size_t N>
int ForEachExpression(RunExpressionOwners& owners, const ExpressionDeviceList (&lists)[N], F f) {
    for (int g = 0; g < owners.GraphCount(); ++g)
        for (int axis = 0; axis < 2; ++axis)
            if (CompiledExpression* e = owners.GraphExpression(g, axis))
                if (int code = f(*e)) return code;
    for (ExpressionDeviceList list : lists) {
        if (!owners.ListHoldsExpressions(list)) continue;
        for (int i = 0; i < owners.DeviceCount(list); ++i)
            if (CompiledExpression* e = owners.DeviceExpression(list, i))
                if (int code = f(*e)) return code;
    }
    return 0;
}

// The value of the operand token before an STP or IMPULSE: a constant or a variable.
bool OperandValue(const ExpressionToken& t, double* x) {
    if (t.opcode == kOpConstant) {
        *x = t.value.number;
        return true;
    }
    if (t.opcode == kOpRealPointer && t.value.real) {
        *x = *t.value.real;
        return true;
    }
    return false;
}

int AddBreakpoint(ExpressionContext& context, const RunValues& run, double time) {
    int64_t tick = SecondsToTicks(time - run.tmin, run.tick_length);
    if (tick < 0 || tick == INT64_MAX) return 0;  // before the run or beyond any run
    return context.AddTimeBreakpoint(tick);
}

int DigitalLevelOf(double value) { return static_cast<int>(value) & 7; }

// Drops the points of a DIFD curve whose level lasts less than the tolerance, so that
// differences shorter than it vanish.
void ThinDigitalDifferences(RunExpressionOwners& owners, int g, double tolerance) {
    int n = owners.PointCount(g);
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        bool keep = i == 0 || i == n - 1 ||
                    DigitalLevelOf(owners.PointValue(g, 1, i)) == DigitalLevelOf(owners.PointValue(g, 1, i + 1)) ||
                    owners.PointValue(g, 0, i + 1) - owners.PointValue(g, 0, i) >= tolerance;
        if (!keep) continue;
        if (kept != i) owners.MovePoint(g, i, kept);
        ++kept;
    }
    owners.SetPointCount(g, kept);
}

}  // namespace

void ResetExpressionStates(RunExpressionOwners& owners, int code) {
    ForEachExpression(owners, kResetLists, [code](CompiledExpression& e) {
        e.ResetState(code);
        return 0;
    });
}

int ScheduleTokenBreakpoints(const CompiledExpression& expression) {
    if (!(expression.flags & (kFlagStp | kFlagImpulse)) || !expression.context) return 0;
    ExpressionContext& context = *expression.context;
    const RunValues& run = context.Run();
    const std::vector<ExpressionToken>& tokens = expression.tokens;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        int op = tokens[i].opcode;
        double x;
        if ((op != kOpStp && op != kOpImpulse) || !OperandValue(tokens[i - 1], &x)) continue;
        if (op == kOpStp) {
            if (int code = AddBreakpoint(context, run, x)) return code;
            continue;
        }
        double w = x != 0.0 ? 1.0 / x : 1e-9;
        double e = w * 0.0001;
        for (double t : {e, w + e, w + 2 * e})
            if (int code = AddBreakpoint(context, run, t)) return code;
    }
    return 0;
}

int ScheduleExpressionBreakpoints(RunExpressionOwners& owners) {
    return ForEachExpression(owners, kBreakpointLists, [](CompiledExpression& e) {
        if (!e.context || static_cast<int>(e.context->Run().analysis_kind) != 0) return 0;
        return ScheduleTokenBreakpoints(e);
    });
}

void ClearDeviceHistories(RunExpressionOwners& owners) {
    for (int i = 0; i < owners.HistoryRecordCount(); ++i) {
        double* h = owners.HistoryFields(i);
        for (int k = 0; k < 4; ++k) h[k] = 0.0;
    }
}

void ReportDifferenceViolations(RunExpressionOwners& owners) {
    int lines = 0;
    for (int g = 0; g < owners.GraphCount(); ++g) {
        const CompiledExpression* y = owners.GraphExpression(g, 1);
        if (!y || !(y->flags & kFlagDifference)) continue;
        bool digital = false;
        double tolerance = 0.0;
        for (std::size_t i = 0; i < y->tokens.size(); ++i) {
            int op = y->tokens[i].opcode;
            if (op != kOpDifd && op != kOpDifa) continue;
            digital = op == kOpDifd;
            if (i > 0 && y->tokens[i - 1].opcode == kOpConstant) tolerance = y->tokens[i - 1].value.number;
            break;
        }
        if (digital) ThinDigitalDifferences(owners, g, tolerance);
        if (!owners.AnalysisLogOpen()) continue;
        for (int i = 0; i < owners.PointCount(g) && lines < kMaxViolationLines; ++i) {
            double v = owners.PointValue(g, 1, i);
            bool failed = digital ? DigitalLevelOf(v) == kLevel1 : v == 1.0;
            if (!failed) continue;
            std::string name = owners.CircuitName(), x_text = owners.GraphExpressionText(g, 0),
                        y_text = owners.GraphExpressionText(g, 1);
            char buf[64];
            std::snprintf(buf, sizeof buf, "%g", owners.PointValue(g, 0, i));
            owners.WriteAnalysisLog(name + " At " + x_text + " = " + buf + ", " + y_text + " generated an error.\n");
            ++lines;
        }
    }
}

}  // namespace ob7
