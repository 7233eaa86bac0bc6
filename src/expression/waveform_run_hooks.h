#pragma once
// The hooks through which the engine and the plot view drive the expressions of a run:
// resetting and accepting the history of stateful operators, the breakpoints of STP and
// IMPULSE, the device history fields, and the report of DIFA/DIFD violations.

#include <string>

namespace ob7 {

struct CompiledExpression;

// The device lists whose records hold expressions.
enum class ExpressionDeviceList {
    Resistors,
    NonlinearSources,
    Inductors,
    TableSources,      // the table-controlled dependent sources
    Capacitors,
    SampleHold,
    SampleHoldSecond,  // the second expression of the sample-and-hold records
};

// What the hooks walk: the graphs of the analysis view with their stored points, and the
// expression-driven device records of the compiled circuit. The plot view and the engine
// implement it.
class RunExpressionOwners {
public:
    virtual ~RunExpressionOwners() = default;

    // Graphs: axis 0 is the X expression, 1 the Y expression.
    virtual int GraphCount() const = 0;
    virtual CompiledExpression* GraphExpression(int graph, int axis) = 0;
    virtual std::string GraphExpressionText(int graph, int axis) const = 0;
    // The points the run stored for a graph.
    virtual int PointCount(int graph) const = 0;
    virtual double PointValue(int graph, int axis, int point) const = 0;
    virtual void MovePoint(int graph, int from, int to) = 0;
    virtual void SetPointCount(int graph, int count) = 0;

    // Device lists; a list is walked only while its flag says it holds expressions.
    virtual bool ListHoldsExpressions(ExpressionDeviceList list) const = 0;
    virtual int DeviceCount(ExpressionDeviceList list) const = 0;
    virtual CompiledExpression* DeviceExpression(ExpressionDeviceList list, int index) = 0;
    // The four-value history fields of the device records that keep one.
    virtual int HistoryRecordCount() const = 0;
    virtual double* HistoryFields(int record) = 0;

    // The analysis output log: open or not, and one line into it.
    virtual bool AnalysisLogOpen() const = 0;
    virtual void WriteAnalysisLog(const std::string& line) = 0;
    virtual std::string CircuitName() const = 0;
};

// Code 1 before each sweep (stateful operators forget their history), 0 after every
// accepted output point (they keep the point just computed).
void ResetExpressionStates(RunExpressionOwners& owners, int code);

// Adds the time breakpoints of STP and IMPULSE; transient analysis only. Returns 0 or
// the first failure of the engine's breakpoint insertion.
int ScheduleExpressionBreakpoints(RunExpressionOwners& owners);
int ScheduleTokenBreakpoints(const CompiledExpression& expression);

// Zeroes the device history fields before a transient run.
void ClearDeviceHistories(RunExpressionOwners& owners);

// After a run: thins DIFD curves of differences shorter than their tolerance and writes
// every remaining violation (at most 20 lines in all) into the analysis output log.
void ReportDifferenceViolations(RunExpressionOwners& owners);

}  // namespace ob7
