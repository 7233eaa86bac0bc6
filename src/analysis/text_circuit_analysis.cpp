#include "analysis/text_circuit_analysis.h"

#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "analysis/circuit_expression_context.h"
#include "analysis/curve_rows.h"
#include "analysis/operating_point_report.h"
#include "analysis/mosfet_stepping.h"
#include "analysis/source_stepping.h"
#include "analysis/tline_stepping.h"
#include "expression/compiler.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "netlist/netlist_circuit.h"
#include "netlist/netlist_reader.h"
#include "netlist/netlist_text_page.h"
#include "netlist/param_statements.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kLimitFieldKind = 1;
constexpr int kMsgSourceNotFound = 13530;  // "%ESource not found."
constexpr int kMsgSpiceStepping = 13278;  // "%EError in SPICE stepping."
constexpr int kMsgUnknownModelParameter = 13584;  // "%EUnknown model parameter."

// The DC sweep method of a set-up word.
SweepMethod SweepMethodOf(int method) {
    switch (method & kStepMask) {
    case kStepLinear: return SweepMethod::Linear;
    case kStepLog: return SweepMethod::Log;
    case kStepList: return SweepMethod::List;
    default: return SweepMethod::Auto;
    }
}

AcStepMethod AcMethodOf(int flags) {
    switch (flags & kStepMask) {
    case kStepLinear: return AcStepMethod::Linear;
    case kStepLog: return AcStepMethod::Log;
    case kStepList: return AcStepMethod::List;
    default: return AcStepMethod::Auto;
    }
}

// NMOS and PMOS models come in four parameter sets each; a model named by its type is
// searched in all of them.
bool SameModelFamily(int t, int type) {
    auto family = [](int m) {
        if (m == kModelNmos || m == kModelNmos4 || m == kModelNmos5 || m == kModelNmos8) return -2;
        if (m == kModelPmos || m == kModelPmos4 || m == kModelPmos5 || m == kModelPmos8) return -3;
        return m;
    };
    return family(t) == family(type);
}

// A limit text as a number (empty: fallback). false after reporting the field.
bool LimitValue(const std::string& text, int field, double fallback, double* value) {
    if (text.empty()) {
        *value = fallback;
        return true;
    }
    int code = 0;
    *value = EvalNumberOrExpression(text.c_str(), &code);
    if (code) ReportRunError(kLimitFieldKind, field, -1, text.c_str(), code);
    return code == 0;
}

// The deck's .OPTIONS statements: each option of the table goes into a working copy of
// the values, which then becomes the option texts, parsed and clamped to their limits.
class DeckOptions : public OptionTargets {
public:
    DeckOptions() : values_(Options) { method = Method; }
    bool Find(const std::string& name, OptionTarget* target) override {
        const int row = FindOption(name);
        if (row < 0) return false;
        const SimulationOptionRow& r = SimulationOptionTable[row];
        target->type = r.type;  // 1 integer, 2 real, 3 flag in both tables
        target->real = r.real ? &(values_.*r.real) : nullptr;
        target->integer = r.integer ? &(values_.*r.integer) : nullptr;
        rows_.push_back(row);
        return true;
    }
    void Apply() const {
        for (int row : rows_) {
            const SimulationOptionRow& r = SimulationOptionTable[row];
            char text[40];
            if (r.real) std::snprintf(text, sizeof text, "%.17g", values_.*r.real);
            else std::snprintf(text, sizeof text, "%d", static_cast<int>(values_.*r.integer));
            OptionTexts[row] = text;
        }
        Method = method;
        ParseSimulationOptions(true);
    }

private:
    SimulationOptionValues values_;
    std::vector<int> rows_;
};

}  // namespace

// What a text circuit without a window answers the netlist reader.
class TextCircuitAnalysis::Services : public NetlistCircuitServices {
public:
    std::string title;
    int kind = -1;
    std::string Title() const override { return title; }
    bool IsSchematic() const override { return false; }
    bool IsModified() const override { return false; }
    int AnalysisKind() const override { return kind; }
    // While a run compiles the circuit again, stepped symbols take their case's value
    // and every other define keeps the value of the run's first compile.
    bool recompiling = false;
    std::map<std::string, double> stepped;           // upper-case name -> value
    std::map<std::pair<std::string, int>, double> kept;  // (name, row) -> evaluated value
    bool RunInProgress() const override { return recompiling; }
    bool RunCaseDefineValue(const std::string& name, int, std::string* value) const override {
        const auto it = stepped.find(name);
        if (it == stepped.end()) return false;
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", it->second);
        *value = text;
        return true;
    }
    bool RunCaseDefineNumber(const std::string& name, int row, double* value) const override {
        if (const auto it = stepped.find(name); it != stepped.end()) {
            *value = it->second;
            return true;
        }
        const auto it = kept.find({name, row});
        if (it == kept.end()) return false;
        *value = it->second;
        return true;
    }
    int ApplyParamStatement(NetlistCircuitTables& tables, const std::string& text, int scope, const std::string&,
                            int line) override {
        return ob7::ApplyParamStatement(tables, text, scope, StatementOrigin{nullptr, line}, 5);
    }
    void CheckModelParameterLimits(NetlistCircuitTables&, int, const ModelParams&) override {}
};

AnalysisSetup AnalysisSetupFromNetlist(const NetlistCircuit& c, int kind) {
    AnalysisSetup s;
    const NetlistAnalysisSetup& a = c.analysis;
    switch (kind) {
    case kTransient: {
        const auto& t = a.transient;
        const std::string limits[] = {t.timeRange, t.maxTimeStep, t.numberOfPoints, t.temperature};
        std::copy(std::begin(limits), std::end(limits), s.limits);
        break;
    }
    case kAc: {
        const auto& ac = a.ac;
        const std::string limits[] = {ac.frequencyRange, ac.numberOfPoints, ac.temperature, "", ac.noiseInput,
                                      ac.noiseOutput};
        std::copy(std::begin(limits), std::end(limits), s.limits);
        break;
    }
    case kDc: {
        const auto& dc = a.dc;
        const std::string limits[] = {dc.range2, dc.name2, dc.range1, dc.name1, dc.numberOfPoints, dc.temperature, ""};
        std::copy(std::begin(limits), std::end(limits), s.limits);
        s.sweep[0] = dc.method1;
        s.sweep[1] = dc.name2.empty() ? 0 : dc.method2;
        break;
    }
    default: return s;
    }
    s.options = a.flags[kind];
    // A deck's transient starts from its operating point unless it asks for UIC.
    if (kind == kTransient && !c.useInitialConditions) s.options |= kFlagOperatingPoint;
    s.temperatureList = a.temperatureList[kind];
    for (const NetlistCurveRow& r : a.rows[kind]) {
        CurveRowRecord row = NewCurveRow();
        row.xExpression = r.x;
        row.yExpression = r.y;
        row.xRange = r.xRange;
        row.yRange = r.yRange;
        row.plotGroup = r.group;
        row.options = r.options;
        row.valueFormat[0] = r.formatX;
        row.valueFormat[1] = r.formatY;
        ApplyCurveStyle(row, DefaultCurveStyle(r.style));
        s.rows.push_back(row);
    }
    return s;
}

void OpenAcAnalysis(AnalysisSetup& setup) {
    ResetAcAnalysisState();
    if (setup.options == 0) setup.options = 120;
}

TextCircuitAnalysis::TextCircuitAnalysis() : services_(std::make_unique<Services>()) {}

TextCircuitAnalysis::~TextCircuitAnalysis() { Close(); }

int TextCircuitAnalysis::Open(const std::string& path) {
    Close();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SetPendingMessageText(path.c_str());
        ReportMessage("E", kMsgFileNotFound);
        return kMsgFileNotFound;
    }
    std::stringstream text;
    text << in.rdbuf();
    OpenText(path, text.str());
    return 0;
}

void TextCircuitAnalysis::OpenText(const std::string& path, std::string text) {
    Close();
    text_ = std::move(text);
    path_ = path;
    services_->title = path;
}

void TextCircuitAnalysis::FreeCircuit() {
    run_.reset();
    context_.reset();
    FreeSimulationState();
    ClearCompiledDevices();
    circuit_.reset();
    page_.reset();
}

void TextCircuitAnalysis::Close() {
    FreeCircuit();
    path_.clear();
    text_.clear();
}

int TextCircuitAnalysis::ReadAndCompile(int kind, bool recompile) {
    InstallNumericExpressionEvaluator();
    services_->kind = kind;
    page_ = std::make_unique<StringTextPage>(path_, text_);
    circuit_ = std::make_unique<NetlistCircuit>(*services_, *page_);
    circuit_->analysisKind = kind;
    circuit_->runRecompile = recompile;
    // The read applies the .OPTIONS statements: the main circuit's steer the expansion.
    DeckOptions options;
    int code = ReadTextCircuit(*circuit_, &options);
    if (code) {
        if (code != kMsgReported) ReportMessage("E", code);
        return kMsgReported;
    }
    options.Apply();
    if (!recompile && !keepSetup) {
        DefaultAnalysisTemperature(*circuit_, Options.tnom);
        setup_ = AnalysisSetupFromNetlist(*circuit_, kind);
        // .OPTIONS MAXTIMESTEP stands in for a missing maximum time step.
        if (kind == kTransient && setup_.limits[1].empty() && options.maxTimeStep > 0) {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", options.maxTimeStep);
            setup_.limits[1] = text;
        }
    }
    compiled_ = {};
    CompileSettings settings = compileSettings;
    settings.smallSignalRequest = smallSignal_;
    if (CompileCircuit(*circuit_, settings, &compiled_)) return kMsgReported;
    if (!recompile) {
        services_->kept.clear();
        const auto& rows = circuit_->tables.defines.rows;
        for (size_t r = 0; r < rows.size(); ++r)
            for (const DefineEntry& e : rows[r]) services_->kept[{e.name, static_cast<int>(r)}] = e.evaluated;
    }
    NodeCount = compiled_.nodeCount;
    context_ = std::make_unique<CircuitExpressionContext>(*circuit_);
    return 0;
}

int TextCircuitAnalysis::ResolveSweepVariable(const std::string& name, int field, SweepVariable& v) {
    v.target = nullptr;
    v.temperature = false;
    if (strcasecmp(name.c_str(), "TEMP") == 0) {
        v.temperature = true;
        return 0;
    }
    const int part = FindPartByName(*circuit_, name, 1);
    if (part >= 0)
        for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
            if (s->owning_part == &circuit_->parts[part]) {
                v.target = &s->dc_value;
                return 0;
            }
    ReportRunError(kLimitFieldKind, field, -1, name.c_str(), kMsgSourceNotFound);
    return kMsgReported;
}

int TextCircuitAnalysis::PrepareNoise(AcSettings& s) {
    // A noise run when the curves read ONOISE or INOISE (and nothing that cannot go with them).
    std::vector<std::pair<uint32_t, uint32_t>> masks;
    for (const AnalysisCurve& c : run_->plot.curves)
        masks.push_back({static_cast<uint32_t>(AnalysisVariableMask(*c.expression[kAxisX])),
                         static_cast<uint32_t>(AnalysisVariableMask(*c.expression[kAxisY]))});
    int reports = 0;
    s.noise = CheckNoiseCurves(masks, &reports) != 0;
    if (reports) return kMsgReported;
    if (!s.noise) return 0;
    // "Noise Output": a node, or two nodes "plus,minus"; "Noise Input": the input source.
    const std::string& output = setup_.limits[5];
    const size_t comma = output.find(',');
    const int plus = FindNodeByName(*circuit_, output.substr(0, comma), 1);
    const int minus = comma == std::string::npos ? 0 : FindNodeByName(*circuit_, output.substr(comma + 1), 1);
    if (plus < 0 || minus < 0) {
        ReportRunError(kLimitFieldKind, 5, -1, output.c_str(), kMsgSourceNotFound);
        return kMsgReported;
    }
    s.noise_output_plus = plus;
    s.noise_output_minus = minus;
    const int part = FindPartByName(*circuit_, setup_.limits[4], 1);
    for (auto* source : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (part >= 0 && source->owning_part == &circuit_->parts[part]) {
            s.noise_input_plus = source->positive;
            s.noise_input_minus = source->negative;
            s.noise_input_magnitude = source->ac_magnitude != 0 ? source->ac_magnitude : 1.0;
            return 0;
        }
    ReportRunError(kLimitFieldKind, 4, -1, setup_.limits[4].c_str(), kMsgSourceNotFound);
    return kMsgReported;
}

namespace {

// Counts the points an AC or DC run hands over: its solutions, for the batch log.
class CountingSink : public PointSink {
public:
    CountingSink(PointSink& to, long* count) : to_(to), count_(count) {}
    int AcceptPoint(double x) override {
        ++*count_;
        return to_.AcceptPoint(x);
    }
    bool CurvePixels(double* x, double* y, double* plot_height) override { return to_.CurvePixels(x, y, plot_height); }
    bool CurveValue(double* y, double* y_span) override { return to_.CurveValue(y, y_span); }

private:
    PointSink& to_;
    long* count_;
};

}  // namespace

namespace {
constexpr int kRunOptionShift = 8;
}  // namespace

void TextCircuitAnalysis::ApplyCommandLineDataMode() {
    const int mode = commandLineDataMode;
    if (!(mode & 11)) return;
    const int option = (mode & 2) ? 1 : (mode & 1) ? 2 : 0;  // Save, Retrieve, Normal
    setup_.options = (setup_.options & ~(3 << kRunOptionShift)) | (option << kRunOptionShift);
}

RunOption TextCircuitAnalysis::RunOptionOfSetup() const {
    const int option = (setup_.options >> kRunOptionShift) & 3;
    return option == 1 ? RunOption::Save : option == 2 ? RunOption::Retrieve : RunOption::Normal;
}

int TextCircuitAnalysis::OpenDataFile(int kind, int checkValue) {
    const RunOption option = RunOptionOfSetup();
    if (option == RunOption::Normal || dataFile_.open) return 0;
    // The record's layout follows the compiled circuit's equations.
    EquationCount = NumberBranchEquations();
    const std::string name = SimulationDataFileName(path_, kind, false);
    int code = OpenSimulationDataFile(dataFile_, name, option, kind, kSaveAll, checkValue);
    if (code == kMsgReported && option == RunOption::Retrieve) {
        // A file that does not fit: this run saves a new one.
        setup_.options = (setup_.options & ~(3 << kRunOptionShift)) | (1 << kRunOptionShift);
        code = OpenSimulationDataFile(dataFile_, name, RunOption::Save, kind, kSaveAll, checkValue);
    }
    return code;
}

int TextCircuitAnalysis::SolveCase(int kind, const RunCase& c, PointSink& out) {
    // Stepping and tolerances may have changed the lines' models: the lines' own values win.
    if (int code = ApplyTransmissionLineValues(*circuit_)) return code;
    CountingSink counted(out, &accepted_);
    PointSink& sink = kind == kTransient ? out : counted;
    const std::string* limits = setup_.limits;
    NodeCount = compiled_.nodeCount;
    UseInitialConditions = circuit_->useInitialConditions ? 1 : 0;
    int result = 0;
    if (kind == kTransient) {
        TransientSettings s;
        double tmax = 0, tmin = 0;
        int count = 0;
        if (int code = ParseLimitNumbers(limits[0].c_str(), &tmax, &tmin, nullptr, &count)) {
            ReportRunError(kLimitFieldKind, 0, -1, limits[0].c_str(), code);
            return kMsgReported;
        }
        s.tmax = tmax;
        s.tmin = tmin;
        if (!LimitValue(limits[1], 1, 0.0, &s.max_step)) return kMsgReported;
        int code = 0;
        s.points = LimitCount(limits[2].c_str(), &code);
        s.temperature = c.temperature;
        s.operating_point = (setup_.options & kFlagOperatingPoint) != 0;
        s.operating_point_only = (setup_.options & kFlagOperatingPointOnly) != 0;
        for (const TrEntry& e : circuit_->trTable) s.max_step_table.push_back({e.time, e.maxStep});
        if (int code = OpenDataFile(kind, 0)) return code;
        s.data_file = dataFile_.open ? &dataFile_ : nullptr;
        s.breakpoints.imports = [this] { return run_->plot.AddImportBreakpoints(); };
        s.breakpoints.expressions = [this] { return run_->plot.AddExpressionBreakpoints(); };
        result = RunTransientAnalysis(s, sink);
        rejected_ += Transient.rejected;
        accepted_ += Transient.AcceptedPoints();
        transientIterations_ += Transient.iterations;  // the time steps' own Newton iterations
    } else if (kind == kAc) {
        AcSettings s;
        s.frequency_range = limits[0];
        int code = 0;
        s.points = LimitCount(limits[1].c_str(), &code);
        s.temperature = c.temperature;
        s.method = AcMethodOf(setup_.options);
        if (!LimitValue(limits[3], 3, 0.0, &s.max_change_percent)) return kMsgReported;
        s.circuit_changed = true;
        if (int code = PrepareNoise(s)) return code;
        if (int code = OpenDataFile(kind, s.noise ? 1 : 0)) return code;
        s.data_file = dataFile_.open ? &dataFile_ : nullptr;
        result = RunAcAnalysis(s, sink);
    } else {
        sweep_ = DcSweepSettings{};
        const int methods[2] = {setup_.sweep[0], setup_.sweep[1]};
        const std::string names[2] = {limits[3], limits[1]};
        const std::string ranges[2] = {limits[2], limits[0]};
        SweepVariable* vars[2] = {&sweep_.variable1, &sweep_.variable2};
        for (int i = 0; i < 2; ++i) {
            SweepVariable& v = *vars[i];
            if (i == 1 && (methods[1] == 0 || names[1].empty())) {
                v.method = SweepMethod::None;
                continue;
            }
            v.method = SweepMethodOf(methods[i]);
            if (ResolveSweepVariable(names[i], i == 0 ? 3 : 1, v)) return kMsgReported;
            const int field = i == 0 ? 2 : 0;
            if (v.method == SweepMethod::List) {
                int error = 0;
                v.list = ParseNumberArray(ranges[i].c_str(), &error);
                if (error) {
                    ReportRunError(kLimitFieldKind, field, -1, ranges[i].c_str(), error);
                    return kMsgReported;
                }
            } else if (int code = ParseLimitNumbers(ranges[i].c_str(), &v.to, &v.from, &v.step, nullptr)) {
                ReportRunError(kLimitFieldKind, field, -1, ranges[i].c_str(), code);
                return kMsgReported;
            }
        }
        sweep_.temperature = c.temperature;
        if (!LimitValue(limits[6], 6, 1.0, &sweep_.max_change_percent)) return kMsgReported;
        if (int code = OpenDataFile(kind, 0)) return code;
        sweep_.data_file = dataFile_.open ? &dataFile_ : nullptr;
        result = RunDcSweep(sweep_, sink);
    }
    return result;
}

int TextCircuitAnalysis::CompileWithDefines(int kind, const std::map<std::string, double>& values) {
    services_->stepped = values;
    FreeSimulationState();
    ClearCompiledDevices();
    context_.reset();
    circuit_.reset();
    page_.reset();
    services_->recompiling = true;
    const int code = ReadAndCompile(kind, true);
    services_->recompiling = false;
    return code;
}

int TextCircuitAnalysis::Recompile(int kind, const StepSet& steps) {
    std::map<std::string, double> stepped;
    for (const StepVariable& v : steps.variables) {
        if (!v.active || !v.IsSymbolic()) continue;
        std::string name = v.name;
        for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        stepped[name] = v.current;
    }
    // The curves keep reading the old circuit's slots until they are compiled again.
    std::unique_ptr<CircuitExpressionContext> previous = std::move(context_);
    if (int code = CompileWithDefines(kind, stepped)) return code;
    run_->plot.context = context_.get();
    return run_->plot.RecompileCurves();
}

int TextCircuitAnalysis::ResolveStepTarget(StepVariable& v) {
    if (v.settings & kStepBitModel) {
        // Every record of the model steps together: the model's own and the per-device
        // copies made from it.
        std::vector<double*> targets;
        // The name is "TYPE model" as the Stepping dialog lists it, or the bare model name.
        const size_t blank = v.name.find(' ');
        const int type = blank == std::string::npos ? -1 : FindModelType(v.name.substr(0, blank).c_str());
        const std::string model = type < 0 ? v.name : v.name.substr(blank + 1);
        for (int t = 0; t < ModelTypeCount; ++t) {
            const int k = FindModelParam(t, v.param.c_str());
            if (k < 0 || (type >= 0 && !SameModelFamily(t, type))) continue;
            for (ModelParams* m : CircuitModels[t]) {
                const ModelParams* named = m->parent ? m->parent : m;
                if (strcasecmp(named->scopedName.c_str(), model.c_str()) == 0 && k < m->values.Size())
                    targets.push_back(&m->values[k].real);
            }
        }
        if (targets.empty()) return kMsgUnknownModelParameter;
        v.read = [targets] { return *targets.front(); };
        v.write = [targets](double x) {
            for (double* p : targets) *p = x;
        };
        return 0;
    }
    const bool value = v.param.empty() || strcasecmp(v.param.c_str(), "Value") == 0;
    const int part = (v.settings & kStepBitComponent) ? FindPartByName(*circuit_, v.name, 1) : -1;
    const NetlistPart* p = part >= 0 ? &circuit_->parts[part] : nullptr;
    double* target = nullptr;
    if (p && !value) {
        // A MOSFET's instance parameters ("value.w", ...) and a transmission line's own
        // values ("value.td", "value.len", ...).
        if (strncasecmp(v.param.c_str(), "value.", 6) == 0) {
            for (auto* m : DevicesOf<MosfetInstance>(kMosfetList))
                if (m->owning_part == p) return ResolveMosfetStep(*m, v);
            if (LineOwnValues line; FindLineOwnValues(part, &line)) return ResolveLineStep(part, v);
        }
        // A SPICE source's own parameters: "dc.value", "ac.magval", its waveform's.
        for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
            if (s->owning_part == p) {
                target = SpiceSourceStepTarget(*s, v.param);
                if (!target) return kMsgSpiceStepping;
            }
        p = nullptr;
    }
    for (auto* r : DevicesOf<Resistor>(kResistorList))
        if (p && r->owning_part == p) target = &r->working_value;
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList))
        if (p && c->owning_part == p) target = &c->working_value;
    for (auto* l : DevicesOf<Inductor>(kInductorList))
        if (p && l->owning_part == p) target = &l->nominal;
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (p && s->owning_part == p) target = &s->dc_value;
    if (!target) return kMsgSourceNotFound;
    v.target = target;
    v.read = [target] { return *target; };
    v.write = [target](double x) { *target = x; };
    return 0;
}

namespace {

// The deck's options hold for its own runs; the global settings come back after.
struct RestoreOptions {
    std::vector<std::string> texts{std::begin(OptionTexts), std::end(OptionTexts)};
    int32_t method = Method;
    ~RestoreOptions() {
        std::copy(texts.begin(), texts.end(), std::begin(OptionTexts));
        Method = method;
        ParseSimulationOptions(true);
    }
};

}  // namespace

int TextCircuitAnalysis::CompileAndUse(int kind, bool smallSignal, const std::function<int()>& use) {
    RestoreOptions restore;
    FreeCircuit();
    struct Request {
        bool& flag;
        ~Request() { flag = false; }
    } request{smallSignal_};
    smallSignal_ = smallSignal;
    if (int code = ReadAndCompile(kind, false)) return code;
    return use();
}

int TextCircuitAnalysis::WithCompiledCircuit(int kind, const std::function<int()>& use) {
    return CompileAndUse(kind, true, use);
}

int TextCircuitAnalysis::Compile(int kind) {
    return CompileAndUse(kind, false, [] { return 0; });
}

int TextCircuitAnalysis::RunAnalysis(int kind) {
    iterations_ = rejected_ = accepted_ = transientIterations_ = 0;
    const long iterationsBefore = TotalIterations;
    RestoreOptions restore;
    FreeCircuit();
    if (int code = ReadAndCompile(kind, false)) return code;
    ApplyCommandLineDataMode();
    run_ = std::make_unique<AnalysisRun>(kind, setup_, context_.get());
    AnalysisRun& run = *run_;
    run.plot.refreshValues = [this] { context_->Refresh(); };
    run.plot.importFolder = std::filesystem::path(path_).parent_path().string();
    run.plot.dcSweepName = setup_.limits[3];
    run.plot.dcSweepIsCurrentSource = !setup_.limits[3].empty() && (setup_.limits[3][0] == 'I' || setup_.limits[3][0] == 'i');
    if (kind == kDc) run.secondSweepValue = &sweep_.variable2.value;
    // The default curves take the names of the main circuit's nodes.
    for (const NodeEntry& n : circuit_->nodes.entries)
        if (n.scope == 1 && n.number > 0) run.defaultNodes.push_back({n.number, n.kind == 1, n.name});
    run.solveCase = [this, kind](const RunCase& c, PointSink& sink) { return SolveCase(kind, c, sink); };
    run.resolveStepVariable = [this](StepVariable& v) { return ResolveStepTarget(v); };
    run.recompile = [this, kind](const StepSet& steps) { return Recompile(kind, steps); };
    // The numeric output beside the circuit.
    run.numericOutputPath = NumericOutputPath(path_, kind);
    NumericOutputWriter& out = run.numericOutput;
    out.width = Options.width;
    out.modelWarnings = ModelWarningLines(*circuit_);
    out.operatingPoint = [this] { return CollectOperatingPoint(*circuit_); };
    out.temperatureWarnings = [] { return TemperatureWarnings(); };
    if (kind == kDc && setup_.sweep[1] && !setup_.limits[1].empty()) out.dcSource2Name = setup_.limits[1];
    run.dsp = dsp;
    if (prepareRun) prepareRun(run);
    const int result = run.RunAnalysisCore();
    CloseSimulationDataFile(dataFile_);
    DeleteEmptyNumericOutput(run.numericOutputPath);
    iterations_ = TotalIterations - iterationsBefore + transientIterations_;
    return result;
}

}  // namespace ob7
