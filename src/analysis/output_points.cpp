#include "analysis/output_points.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "expression/compiler.h"
#include "expression/expression_context.h"
#include "expression/waveform_run_hooks.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/paths.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kMsgStopped = 15055;
constexpr int kAutoScaleRangesBit = 1 << 15;
constexpr int kCurveGridRow = 2;  // ReportRunError's field kind for the curve grid

// Upper case with every blank outside double quotes removed.
std::string CurveText(const std::string& text) {
    std::string out;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (!quoted && (c == ' ' || c == '\t')) continue;
        out += quoted ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool OneToken(const CompiledExpression& e, const char* name) {
    return e.tokens.size() == 1 && strcasecmp(e.tokens[0].text.c_str(), name) == 0;
}

bool UsesFunction(const CompiledExpression& e, const char* name) {
    return std::any_of(e.tokens.begin(), e.tokens.end(),
                       [&](const ExpressionToken& t) { return strcasecmp(t.text.c_str(), name) == 0; });
}

}  // namespace

AnalysisPlot::AnalysisPlot() { store.SetSwapFileName("graph7.tmp"); }

int AnalysisPlot::BuildGraphs(std::vector<CurveRowRecord>& rows, bool prepareColumns, int runCapacity) {
    resultsAvailable = false;
    MaskDeviceListFlags(1);
    plotEveryN = std::max(plotEveryN, 1);
    saveEveryN = std::max(saveEveryN, 1);
    ClearPlotData();

    bool anyPlotted = false;
    for (CurveRowRecord& row : rows) {
        if (row.plotGroup == '0') row.plotGroup = ' ';
        if (std::isdigit(static_cast<unsigned char>(row.plotGroup))) anyPlotted = true;
    }
    if (!anyPlotted) {
        ReportRunError(kCurveGridRow, 0, -1, nullptr, kMsgNoExpressionToPlot);
        return kMsgNoExpressionToPlot;
    }
    // Pass 1 the plotted rows, pass 2 those that are only listed.
    for (int pass = 1; pass <= 2; ++pass) {
        for (size_t r = 0; r < rows.size(); ++r) {
            const bool plotted = std::isdigit(static_cast<unsigned char>(rows[r].plotGroup)) != 0;
            const bool listed = (rows[r].options & CO_OUTPUT) != 0;
            if (pass == 1 ? !plotted : plotted || !listed) continue;
            int flag = (plotted ? kCurvePlotted : 0) | (listed ? kCurveListed : 0);
            if (int code = AddCurveToGraph(rows, static_cast<int>(r), flag)) return code;
        }
    }
    // Spectra are drawn from every point.
    for (const AnalysisCurve& c : curves)
        if (UsesFunction(*c.expression[kAxisY], "FFT") || UsesFunction(*c.expression[kAxisY], "IFT"))
            plotEveryN = saveEveryN = 1;
    for (AnalysisCurve& c : curves) {
        StoreCurve s;
        // A transient curve plotted against exactly T on a linear axis shares column 0.
        s.xIsSweep = analysisKind == 0 && !c.digital && c.linear[kAxisX] && OneToken(*c.expression[kAxisX], "T");
        s.yIsSweep = analysisKind == 0 && !c.digital && c.linear[kAxisY] && OneToken(*c.expression[kAxisY], "T");
        storeCurves.push_back(std::move(s));
    }
    if (prepareColumns)
        if (int code = PrepareDataColumns(store, storeCurves, runs, runCapacity, analysisKind == 1)) return code;
    return 0;
}

int AnalysisPlot::AddCurveToGraph(std::vector<CurveRowRecord>& rows, int rowIndex, int flag) {
    CurveRowRecord& row = rows[rowIndex];
    curves.emplace_back();
    AnalysisCurve& c = curves.back();
    c.row = rowIndex;
    c.flags = flag;
    c.chartKind = row.chartType;
    c.dataLow = {1e200, 1e200};
    c.dataHigh = {-1e200, -1e200};
    const std::string* texts[2] = {&row.xExpression, &row.yExpression};
    for (int axis = 0; axis < 2; ++axis) {
        std::string text = *texts[axis];
        if (context) {
            std::string substituted;
            if (context->SubstituteDefines(text, 1, &substituted) == 0) text = substituted;
        }
        text = CurveText(text);
        if (int code = CompileCurveExpression(text, c, axis, 0)) {
            curves.pop_back();
            return code;
        }
    }
    if (flag & kCurvePlotted) c.plotGroup = row.plotGroup - '0';
    c.valueFormat = {row.valueFormat[0], row.valueFormat[1]};
    c.scaleFormat = {row.scaleFormat[0], row.scaleFormat[1]};
    const bool polar = c.chartKind != 0;
    c.linear[kAxisX] = polar || (row.options & CO_LINEARX) != 0;
    c.linear[kAxisY] = polar || (row.options & CO_LINEARY) != 0;
    if (int code = SetCurveRanges(c, row)) {
        curves.pop_back();
        return code;
    }
    return 0;
}

int AnalysisPlot::CompileCurveExpression(const std::string& source, AnalysisCurve& curve, int axis, int mode) {
    std::string text = source;
    SimplifySigns(text);
    if (analysisKind == 2 && axis == kAxisX && strcasecmp(text.c_str(), "DCINPUT1") == 0 && !dcSweepName.empty()) {
        const bool named = strcasecmp(dcSweepName.c_str(), "temp") == 0 ||
                           strncasecmp(dcSweepName.c_str(), "PARAM ", 6) == 0;
        text = named ? dcSweepName : std::string(dcSweepIsCurrentSource ? "I(" : "V(") + dcSweepName + ")";
        text = CurveText(text);
    }
    curve.text[axis] = text;
    // Import calls are cut out of the text; each keyword left reads its spec's value.
    std::vector<ImportSpec>& imports = curve.imports[axis];
    bool hasImports = false;
    if (int code = ParseImportCalls(text, axis == kAxisX, analysisKind, curve.text[kAxisX], importFolder, &imports,
                                    &hasImports))
        return code;
    curve.expression[axis] = std::make_unique<CompiledExpression>();
    CompiledExpression* e = curve.expression[axis].get();
    InitCompiledExpression(e);
    ExpressionCompiler compiler;
    InitExpressionCompiler(&compiler, text, e, (1 << analysisKind) | 0x10, kKindFlagsCurve);
    compiler.context = context;
    static_assert(sizeof(ComplexValue) == 2 * sizeof(double));
    for (ImportSpec& spec : imports)  // value and second_value lie together as a complex value
        compiler.import_specs.push_back(reinterpret_cast<const ComplexValue*>(&spec.value));
    compiler.pending_mode = mode == 2 ? 1 : 0;
    int code = CompileExpression(&compiler);
    if (code) {
        if (mode == 2) ClearPendingMessage();
        return code;
    }
    if (OneToken(*e, "F")) curve.mark[axis] = 'F';
    if (OneToken(*e, "T")) curve.mark[axis] = 'T';
    // A bus call (BIN, OCT, DEC, HEX) at the top is a digital curve shown by its value.
    constexpr int16_t kOpBusValue = 121;
    const bool bus = !e->tokens.empty() && e->tokens.back().opcode == kOpBusValue;
    const bool digital = bus || (!e->tokens.empty() && e->tokens.back().digital != 0);
    auto fail = [&](int message) {
        if (mode != 2) ReportRunError(kCurveGridRow, curve.row, axis + 1, curve.text[axis].c_str(), message);
        return message;
    };
    if (axis == kAxisX) {
        if (digital) return fail(kMsgDigitalX);
        if (UsesFunction(*e, "FFT") || UsesFunction(*e, "IFT")) return fail(kMsgFftInXExpression);
    } else {
        curve.digital = digital;
        curve.busRadix = bus ? e->flags & (kRadixHex | kRadixOctal | kRadixBinary | kRadixDecimal) : 0;
        curve.busWidth = curve.busRadix ? MaxCoreIndex(*e) : 0;
        if (digital && analysisKind == 1) return fail(kMsgDigitalInAc);
        if ((UsesFunction(*e, "FFT") || UsesFunction(*e, "IFT")) && curve.mark[kAxisX] != 'F' &&
            curve.mark[kAxisX] != 'T')
            return fail(kMsgFftNeedsTimeOrFrequency);
        int code = 0;
        std::string name;
        curve.dsp = DspExpression::Make(*e, &code, &name);
        if (code) {
            if (mode != 2)
                ReportRunError2(kCurveGridRow, curve.row, axis + 1, curve.text[axis].c_str(), code, name.c_str(),
                                curve.text[axis].c_str(), nullptr);
            return code;
        }
    }
    return 0;
}

int AnalysisPlot::RecompileCurves() {
    for (AnalysisCurve& c : curves)
        for (int axis = 0; axis < 2; ++axis) {
            const std::string text = c.text[axis];
            if (int code = CompileCurveExpression(text, c, axis, 0)) return code;
        }
    return 0;
}

int AnalysisPlot::SetCurveRanges(AnalysisCurve& c, CurveRowRecord& row) {
    const std::string* ranges[2] = {&row.xRange, &row.yRange};
    for (int axis = 0; axis < 2; ++axis) {
        if (axis == kAxisY && c.digital) {
            if (row.yRange != "N/A") row.yRange = "N/A";
            continue;
        }
        int code = 0;
        c.gridStep[axis] = row.rangeGrid[axis].empty() ? 0 : EvalNumberOrExpression(row.rangeGrid[axis].c_str(), &code);
        if (!code)
            c.minorStep[axis] =
                row.rangeBold[axis].empty() ? 0 : EvalNumberOrExpression(row.rangeBold[axis].c_str(), &code);
        const std::string& text = *ranges[axis];
        if (strcasecmp(text.c_str(), "Auto") == 0 || text.empty()) {
            c.autoScale[axis] = true;
            continue;
        }
        if (analysisFlags & kAutoScaleRangesBit) c.autoScale[axis] = true;
        double high = 0, low = 0;
        int message = ParseTwoNumbers(text.c_str(), &high, &low);
        const bool log = !c.linear[axis];
        if (!message && ((log && (high <= 0 || low <= 0)) || high == low)) message = kMsgIllegalRange;
        if (message) {
            if (analysisFlags & kAutoScaleRangesBit) {
                c.autoScale[axis] = true;
                continue;
            }
            ReportRunError(kCurveGridRow, c.row, axis + 3, text.c_str(), message);
            return message;
        }
        c.rangeHigh[axis] = high;
        c.rangeLow[axis] = low;
        const double span = std::fabs(high - low);
        if (c.gridStep[axis] != 0 && std::fabs(c.gridStep[axis]) < 0.01 * span) c.gridStep[axis] = 0.01 * span;
    }
    return 0;
}

int AnalysisPlot::Clamp(AnalysisCurve& c, int axis) {
    const ComplexValue& v = c.value[axis];
    double x = v.re;
    if (axis == kAxisY && c.digital) {
        c.clamped[axis] = x;
        return 0;
    }
    if (v.im != 0) x = std::sqrt(v.re * v.re + v.im * v.im);
    if (std::isnan(x) || x < -kPlotClamp) x = -kPlotClamp;
    if (x > kPlotClamp) x = kPlotClamp;
    if (!c.linear[axis] && !(x > 0)) x = kLogAxisFloor;
    c.clamped[axis] = x;
    return 0;
}

int AnalysisPlot::LoadImports(const ImportCase& at) {
    std::vector<const ImportSpec*> loaded;
    for (AnalysisCurve& c : curves)
        for (auto& specs : c.imports)
            for (ImportSpec& spec : specs) {
                // Names are upper case in the compiled text; the file keeps its own case.
                if (std::string found = FindExistingPathNoCase(spec.file_name); !found.empty()) spec.file_name = found;
                ImportCase curveCase = at;
                curveCase.digital_axis = c.digital;
                if (int code = LoadImportWaveform(spec, loaded, curveCase)) return code;
                loaded.push_back(&spec);
            }
    return 0;
}

int AnalysisPlot::AddImportBreakpoints() {
    for (const AnalysisCurve& c : curves)
        for (const auto& specs : c.imports)
            for (const ImportSpec& spec : specs)
                if (c.digital)
                    if (int code = AddImportTransitions(spec)) return code;
    return 0;
}

int AnalysisPlot::AddExpressionBreakpoints() {
    for (const AnalysisCurve& c : curves)
        for (const auto& e : c.expression)
            if (e)
                if (int code = ScheduleTokenBreakpoints(*e)) return code;
    return 0;
}

int AnalysisPlot::EvaluateRunPoint() {
    ++evaluationCounter;
    if (refreshValues) refreshValues();
    for (AnalysisCurve& c : curves)
        for (auto& specs : c.imports)
            if (!specs.empty()) InterpolateImportWaveform(specs, pointSweep, c.digital);
    for (int axis = 0; axis < 2; ++axis) {
        for (AnalysisCurve& c : curves) {
            CompiledExpression* e = c.expression[axis].get();
            ComplexValue v{};
            // A DSP curve keeps its operands now and gets its values after the case.
            const int code = axis == kAxisY && c.dsp ? c.dsp->Collect(*e, pointSweep) : EvaluateExpression(e, &v);
            if (code) {
                ReportMessage("tE", CurveText(axis == 0 ? c.text[0] : c.text[1]).c_str(), code);
                return kMsgStopped;
            }
            // A lone F in a transient plots against time, a lone T in AC against frequency.
            if (axis == kAxisX && analysisKind == 0 && c.mark[axis] == 'F') v = {Run.time, 0.0};
            if (axis == kAxisX && analysisKind == 1 && c.mark[axis] == 'T') v = {Run.frequency, 0.0};
            c.value[axis] = v;
            Clamp(c, axis);
        }
    }
    for (AnalysisCurve& c : curves) {
        if (c.chartKind != 0) {
            c.plotted = {c.value[kAxisY].re, c.value[kAxisY].im};
        } else {
            c.plotted = c.clamped;
        }
    }
    return 0;
}

void AnalysisPlot::StoreRunPoint(double sweep) {
    sweep_ = sweep;
    for (size_t i = 0; i < curves.size(); ++i) {
        StoreCurvePoint(static_cast<int>(i), false);
        AnalysisCurve& c = curves[i];
        if (c.dsp) continue;  // its extremes are those of the results
        for (int axis = 0; axis < 2; ++axis) {
            c.dataLow[axis] = std::min(c.dataLow[axis], c.plotted[axis]);
            c.dataHigh[axis] = std::max(c.dataHigh[axis], c.plotted[axis]);
        }
    }
}

void AnalysisPlot::StoreCurvePoint(int index, bool force) {
    AnalysisCurve& c = curves[index];
    StoreCurve& s = storeCurves[index];
    // A digital curve that keeps its state overwrites its last point.
    if (c.digital && PointsInCurrentRun(s, runs) > 0 &&
        GetPointValue(s.columns[1], s.pointCount) == c.plotted[kAxisY] && s.pointCount > 0)
        --s.pointCount;
    if (!c.digital && evaluationCounter > 0 && evaluationCounter % plotEveryN != 0 && !force) {
        c.newPending = true;
        return;
    }
    c.newPending = false;
    if (!CountStoredPoint(store, s, runs)) return;
    const int at = s.pointCount;
    store.SetPointValue(s.columns[0], at, s.xIsSweep ? sweep_ : c.plotted[kAxisX]);
    store.SetPointValue(s.columns[1], at, s.yIsSweep ? sweep_ : c.plotted[kAxisY]);
    if (analysisKind == 1) {
        store.SetPointValue(s.columns[2], at, c.value[kAxisX].re);
        store.SetPointValue(s.columns[3], at, c.clamped[kAxisX]);
        store.SetPointValue(s.columns[4], at, c.clamped[kAxisY]);
        store.SetPointValue(s.columns[5], at, c.value[kAxisX].im);
        store.SetPointValue(s.columns[6], at, c.value[kAxisY].re);
        store.SetPointValue(s.columns[7], at, c.value[kAxisY].im);
    }
    if (!c.digital && s.columns[0] != 0) store.SetPointValue(0, at, sweep_);
    s.newRun = 0;
}

void AnalysisPlot::PlotNewPoints() {
    if (runs.runCount == 0) return;
    for (size_t i = 0; i < curves.size(); ++i)
        if (curves[i].newPending) StoreCurvePoint(static_cast<int>(i), true);
    PrepareDspData(*this);
}

bool AnalysisPlot::HasDspCurves() const {
    return std::any_of(curves.begin(), curves.end(), [](const AnalysisCurve& c) { return c.dsp != nullptr; });
}

void AnalysisPlot::ResetPointStore() {
    for (StoreCurve& s : storeCurves) s.pointCount = -1;
    runs.runCount = 0;
    store.Reset();
}

void AnalysisPlot::BeginRun(const RunStartValues& values) { ob7::BeginRun(storeCurves, runs, values); }

void AnalysisPlot::ClearPlotData() {
    curves.clear();
    storeCurves.clear();
    runs = RunBook{};
    store.Free();
    store.CloseSwapFile();
}

double AnalysisPlot::RunPointValue(int curve, int run, int i, int axis) {
    const StoreCurve& s = storeCurves[curve];
    const int column = axis < 0 ? 0 : s.columns[axis];
    return GetRunPointValue(store, column, s, i, run);
}

int AnalysisPlot::RunPointCount(int curve, int run) const {
    const StoreCurve& s = storeCurves[curve];
    if (run < 0 || run >= runs.runCount) return 0;
    return s.runLast[run] - s.runFirst[run] + 1;
}

}  // namespace ob7
