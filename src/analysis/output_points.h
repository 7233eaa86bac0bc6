#pragma once
// Curve set-up and output points: before a run the curve rows of the analysis become
// curves whose X and Y expressions are compiled against the circuit and whose ranges are
// read; at every accepted output point each curve is evaluated, clamped and stored in
// the point store, one run (branch) per case.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/dsp_curves.h"
#include "analysis/point_store.h"
#include "analysis/runs.h"
#include "circuit/analysis_setup.h"
#include "expression/complex_value.h"
#include "expression/expression.h"
#include "sim/analysis/waveform_import.h"

namespace ob7 {

class ExpressionContext;

enum CurveFlags : int { kCurveListed = 1, kCurvePlotted = 4 };
enum CurveAxis : int { kAxisX = 0, kAxisY = 1 };

// Message codes of the curve set-up.
enum : int {
    kMsgNoExpressionToPlot = 13801,   // "%EMust select an expression to plot."
    kMsgIllegalRange = 13803,         // "%EIllegal range."
    kMsgFftInXExpression = 13810,     // "%ECan't plot FFT/IFT function for X expr."
    kMsgFftNeedsTimeOrFrequency = 13811,
    kMsgDigitalX = 13813,             // "%ECan't plot digital function for X expression."
    kMsgDigitalInAc = 13815,          // "%ECan't plot digital variables in AC."
};

// The largest magnitude a plotted value keeps, and the floor of a log axis.
inline constexpr double kPlotClamp = 1e50;
inline constexpr double kLogAxisFloor = 1e-50;

// One curve of the analysis plot: what a run needs of it.
struct AnalysisCurve {
    int row = -1;              // its curve row
    int flags = 0;             // kCurvePlotted, kCurveListed
    int plotGroup = 0;         // 1..9 for plotted curves
    int chartKind = 0;         // 0 rectangular, 1 polar, 2 Smith
    bool digital = false;
    // A bus (BIN, OCT, DEC or HEX): its radix flags and bit width; 0 for other curves.
    int busRadix = 0, busWidth = 0;
    bool newPending = false;   // an accepted point was thinned out and waits
    std::array<bool, 2> linear{};
    std::array<char, 2> mark{};         // 'T' or 'F' when the axis is the time or frequency
    std::array<std::string, 2> text;    // the expression as compiled (upper case, no blanks)
    std::array<std::unique_ptr<CompiledExpression>, 2> expression;
    std::array<ComplexValue, 2> value{};   // at the last evaluated point
    std::array<double, 2> plotted{};       // what is stored and drawn
    std::array<double, 2> clamped{};       // the real values after clamping
    std::array<double, 2> dataLow{}, dataHigh{};
    std::array<bool, 2> autoScale{};
    std::array<double, 2> rangeHigh{}, rangeLow{}, gridStep{}, minorStep{};
    std::array<std::string, 2> valueFormat, scaleFormat;
    // The IMPORT, WAVEFORMX/Y and CURVEX/Y calls of each axis' expression, in call order.
    std::array<std::vector<ImportSpec>, 2> imports;
    // The Y expression's DSP functions; null without any.
    std::unique_ptr<DspExpression> dsp;
};

// The analysis plot of one analysis kind without a window: its curves, their point
// store and runs. GUI views draw from it; the batch and the tests read it back.
class AnalysisPlot {
public:
    AnalysisPlot();
    AnalysisPlot(const AnalysisPlot&) = delete;
    AnalysisPlot& operator=(const AnalysisPlot&) = delete;

    int analysisKind = 0;                    // 0 transient, 1 AC, 2 DC
    ExpressionContext* context = nullptr;    // the circuit the curves are compiled against
    std::int32_t analysisFlags = 0;          // bit 15: ranges that cannot be read auto-scale
    int plotEveryN = 1;
    int saveEveryN = 1;
    bool resultsAvailable = false;
    int evaluationCounter = -1;              // output points evaluated in this run
    // The DC sweep's first variable, for X expressions written DCINPUT1.
    std::string dcSweepName;
    bool dcSweepIsCurrentSource = false;
    // Brings the values the curves read up to date before a point is evaluated.
    std::function<void()> refreshValues;
    // Where imported files named without a folder are looked for.
    std::string importFolder;
    // The sweep value (time, frequency or first DC value) of the point about to be
    // evaluated: imported waveforms are interpolated there.
    double pointSweep = 0.0;
    // The DSP parameters and the window of the analysis (stop time or frequency span).
    DspWindow dspWindow;

    // Loads every curve's imported waveforms for the case. 0, or the code after its report.
    int LoadImports(const ImportCase& at);

    std::vector<AnalysisCurve> curves;       // plotted curves first, then listed-only ones
    std::vector<StoreCurve> storeCurves;     // the point store's side of each curve
    PointStore store;
    RunBook runs;

    // Turns the curve rows into curves, compiles them and (prepareColumns) assigns the
    // store columns for runCapacity runs. 0, or the code of the first failure after its
    // report (13801 when no row is plotted).
    int BuildGraphs(std::vector<CurveRowRecord>& rows, bool prepareColumns, int runCapacity);
    // Adds one curve for the row. 0, or the failure's code.
    int AddCurveToGraph(std::vector<CurveRowRecord>& rows, int rowIndex, int flag);
    // Compiles one axis' expression into the curve. 0 or a message code; mode 2 drops the
    // report.
    int CompileCurveExpression(const std::string& text, AnalysisCurve& curve, int axis, int mode);
    // Compiles every curve's expressions again against `context` (the circuit was
    // compiled again). 0 or a message code.
    int RecompileCurves();
    // Reads the grid steps and ranges of the row into the curve. 0 or a message code.
    int SetCurveRanges(AnalysisCurve& curve, CurveRowRecord& row);

    // Per accepted output point: evaluates every curve's X, then every curve's Y. 0 or
    // 15055 after the report.
    int EvaluateRunPoint();
    // Then stores the evaluated point of every curve; sweep is the time, frequency or
    // first DC sweep value of the point.
    void StoreRunPoint(double sweep);
    void StoreCurvePoint(int curve, bool force);
    // At the end of a case: stores what thinning left pending, then replaces the case's
    // points by the results of the DSP functions when curves use them.
    void PlotNewPoints();
    bool HasDspCurves() const;

    // The transient run's breakpoints of the curves: the transitions of waveforms imported
    // on a digital axis, and the STP and IMPULSE of their expressions. 0 or the code of
    // the breakpoint list.
    int AddImportBreakpoints();
    int AddExpressionBreakpoints();

    // Empties the store for a new run.
    void ResetPointStore();
    // Opens the next run in every curve with its record.
    void BeginRun(const RunStartValues& values);
    // Frees the curves' points, the runs and the store.
    void ClearPlotData();

    // The stored value; 0 when the page cannot be read.
    double GetPointValue(int column, int index) { return store.GetPointValue(column, index); }
    // Stored point i of run r of a curve on an axis (the sweep column for axis -1).
    double RunPointValue(int curve, int run, int i, int axis);
    // Points of run r of a curve.
    int RunPointCount(int curve, int run) const;

private:
    int Clamp(AnalysisCurve& c, int axis);
    double sweep_ = 0.0;
};

}  // namespace ob7
