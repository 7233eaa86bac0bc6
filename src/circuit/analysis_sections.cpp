// The analysis set-up sections of circuit files: [Limits] with the [WaveForm] rows of
// each analysis, [Monte Carlo Options], [Stepping], [DSP], [TF] and [SENS].

#include "circuit/analysis_setup.h"
#include "circuit/circuit_file.h"
#include "circuit/file_values.h"
#include "foundation/profile.h"

#include <strings.h>

#include <algorithm>

namespace ob7 {

using namespace file_values;

namespace {

const char* const kTransientLimits[] = {"TRange", "TStep", "NPts", "Temp"};
const char* const kAcLimits[] = {"FRange", "NPts", "Temp", "MaxChng", "NInput", "NOutput"};
const char* const kDcLimits[] = {"I2Range", "I2", "I1Range", "I1", "NPts", "Temp", "MaxChng"};
const char* const kStepTexts[5] = {"Name", "Param", "From", "To", "Value"};
const char kLetters[2] = {'X', 'Y'};

std::string SweepTypeName(int method, int sweep)
{
    switch (method) {
    case kDcSweepLinear: return "Linear";
    case kDcSweepLog: return "Log";
    case kDcSweepList: return "List";
    default: return sweep == 0 ? "Auto" : "None";
    }
}

int SweepTypeFromName(const std::string& name)
{
    if (EqualNoCase(name, "Linear"))
        return kDcSweepLinear;
    if (EqualNoCase(name, "Log"))
        return kDcSweepLog;
    if (EqualNoCase(name, "List"))
        return kDcSweepList;
    return 0;
}

std::string FormatAfterPoint(const std::string& text)
{
    size_t dot = text.find('.');
    return dot == std::string::npos ? text : text.substr(dot + 1);
}

const char* SteppingParamTypeName(int32_t flags)
{
    if (flags & SF_MODEL)
        return "Model";
    if (flags & SF_COMPONENT)
        return "Component";
    if (flags & SF_SYMBOLIC)
        return "Symbolic";
    return nullptr;
}

int32_t SteppingParamTypeFromName(const std::string& name)
{
    if (EqualNoCase(name, "Model"))
        return SF_MODEL;
    if (EqualNoCase(name, "Component"))
        return SF_COMPONENT;
    if (EqualNoCase(name, "Symbolic"))
        return SF_SYMBOLIC;
    return 0;
}

}  // namespace

// 5.20 value formats: "5.<number>" unless the format is an exponent form without "G".
std::string VersionedFormat(const std::string& format, int32_t version)
{
    if (version > kCircuitVersion520)
        return format;
    bool e = format.find_first_of("Ee") != std::string::npos;
    bool g = format.find_first_of("Gg") != std::string::npos;
    if (e && !g)
        return format;
    return Fmt("5.%ld", ToLong(format));
}

int PickSteppingAnalysis(const CircuitDocument& doc)
{
    int best = 0, bestCount = -1;
    for (int a = 0; a < 3; ++a) {
        int count = 0;
        for (const StepRecord& r : doc.analyses[a].steps)
            count += (r.flags & SF_ENABLED) ? 1 : 0;
        if (count > bestCount) {
            best = a;
            bestCount = count;
        }
    }
    return best;
}

const char* const* AnalysisLimitNames(int analysis, int* count)
{
    switch (analysis) {
    case 0: *count = 4; return kTransientLimits;
    case 1: *count = 6; return kAcLimits;
    case 2: *count = 7; return kDcLimits;
    default: *count = 0; return nullptr;
    }
}

const char* AnalysisName(int analysis)
{
    static const char* const names[3] = {"Transient", "AC", "DC"};
    return analysis >= 0 && analysis < 3 ? names[analysis] : "";
}

int CircuitFile::LimitsSection(int analysis)
{
    if (writing_) {
        const AnalysisSetup& s = doc_->analyses[analysis];
        Header("Limits");
        Entry("Analysis", AnalysisName(analysis));
        int count = 0;
        const char* const* names = AnalysisLimitNames(analysis, &count);
        for (int i = 0; i < count; ++i) {
            if (s.limits[i].empty())
                continue;
            bool noSecondSweep = analysis == 2 && i == 1 && version <= kCircuitVersion520 && s.sweep[1] == 0;
            Entry(names[i], noSecondSweep ? std::string("None") : s.limits[i]);
        }
        EntryInt("OPT", s.options);
        if (version >= kCircuitVersion70 && s.plusMark)
            Entry("PLUSMARK", "True");
        if (version >= kCircuitVersion60) {
            Entry("Horizontal Cursor", s.horizontalCursor ? "True" : "False");
            Entry("Temperature Type", s.temperatureList ? "List" : "Linear");
            if (analysis == 2) {
                Entry("Sweep1 type", SweepTypeName(s.sweep[0], 0));
                Entry("Sweep2 type", SweepTypeName(s.sweep[1], 1));
            }
        }
        return 0;
    }
    analysis_ = -1;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "ANALYSIS") {
            analysis_ = AnalysisIndexFromName(value.c_str());
            continue;
        }
        if (analysis_ < 0)
            continue;
        AnalysisSetup& s = doc_->analyses[analysis_];
        if (key == "TEMPERATURE TYPE") {
            if (EqualNoCase(value, "Linear"))
                s.temperatureList = 0;
            else if (EqualNoCase(value, "List"))
                s.temperatureList = 1;
        } else if (key == "OPT") {
            s.options = static_cast<int32_t>(ToLong(value));
        } else if (key == "PLUSMARK") {
            s.plusMark = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "HORIZONTAL CURSOR") {
            s.horizontalCursor = IsTrue(value.c_str()) ? 1 : 0;
        } else if (analysis_ == 2 && key == "SWEEP1 TYPE") {
            s.sweep[0] = SweepTypeFromName(value);
        } else if (analysis_ == 2 && key == "SWEEP2 TYPE") {
            s.sweep[1] = SweepTypeFromName(value);
        } else {
            int count = 0;
            const char* const* names = AnalysisLimitNames(analysis_, &count);
            for (int i = 0; i < count; ++i)
                if (EqualNoCase(key, names[i]))
                    s.limits[i] = value;
        }
    }
    // 5.20 files keep no sweep methods: the second sweep runs when I2 is given.
    if (version <= kCircuitVersion520 && analysis_ == 2) {
        AnalysisSetup& dc = doc_->analyses[2];
        const std::string& i2 = dc.limits[1];
        dc.sweep[0] = 0;
        dc.sweep[1] = (!i2.empty() && !EqualNoCase(i2, "None") && i2 != "0") ? kDcSweepLinear : 0;
    }
    return 0;
}

int CircuitFile::WaveFormSection(const CurveRowRecord* row, int analysis)
{
    if (writing_) {
        const CurveRowRecord& r = *row;
        const bool v6 = version >= kCircuitVersion60, v7 = version >= kCircuitVersion70;
        Header("WaveForm");
        Entry("Analysis", AnalysisName(analysis));
        std::string options;
        for (auto [bit, word] : {std::pair{CO_OUTPUT, "OUTPUT"}, {CO_LINEARX, "LINEARX"}, {CO_LINEARY, "LINEARY"}})
            if (r.options & bit)
                options += (options.empty() ? "" : ",") + std::string(word);
        if (options.empty())
            *out_ += "Options\n";
        else
            Entry("Options", options);
        if (v7)
            EntryInt("AliasID", r.alias);
        if (r.plotGroup)
            Entry("Plt", std::string(1, r.plotGroup));
        const std::pair<const char*, const std::string*> texts[] = {
            {"XExp", &r.xExpression}, {"YExp", &r.yExpression}, {"XRng", &r.xRange}, {"YRng", &r.yRange}};
        for (const auto& [k, t] : texts)
            if (!t->empty())
                Entry(k, *t);
        if (v7)
            for (int axis = 0; axis < 2; ++axis) {
                if (!r.rangeGrid[axis].empty())
                    Entry(Fmt("Range Grid %c", kLetters[axis]).c_str(), r.rangeGrid[axis]);
                if (!r.rangeBold[axis].empty())
                    Entry(Fmt("Range Bold %c", kLetters[axis]).c_str(), r.rangeBold[axis]);
            }
        for (int axis = 0; axis < 2; ++axis)
            if (!r.valueFormat[axis].empty())
                Entry(Fmt("VFmt%c", kLetters[axis]).c_str(), VersionedFormat(r.valueFormat[axis], version));
        for (int axis = 0; axis < 2; ++axis)
            if (!r.scaleFormat[axis].empty())
                Entry(Fmt("SFmt%c", kLetters[axis]).c_str(), r.scaleFormat[axis]);
        if (r.lineWidth > 1)
            EntryInt("LWdth", r.lineWidth);
        if (v7 && r.chartType)
            Entry("Chart Type", r.chartType == 1 ? "Polar" : "Smith");
        if (v7 && r.showDataPoints)
            Entry("SHOW DATA POINTS", "True");
        if (v7 && !r.dataPoints.empty())
            Entry("Data Points", r.dataPoints);
        if (!v6 && r.lineColour > 0)
            EntryInt("Color", r.lineColour);
        if (v6) {
            if (const char* name = PatternName(r.pattern))
                Entry("Pattern", name);
            if (r.rainbow)
                Entry("Rainbow", "True");
            if (r.lineColour > 0)
                EntryInt("Line Color", r.lineColour);
            if (r.textColour > 0)
                EntryInt("Text Color", r.textColour);
            if (r.slope > 0 && r.slope < 3)
                Entry("Slope Calculation", kScaleNames[r.slope]);
        }
        return 0;
    }
    row_ = nullptr;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "ANALYSIS") {
            int a = AnalysisIndexFromName(value.c_str());
            row_ = nullptr;
            if (a >= 0) {
                doc_->analyses[a].rows.emplace_back();
                row_ = &doc_->analyses[a].rows.back();
            }
            continue;
        }
        if (!row_)
            continue;
        CurveRowRecord& r = *row_;
        const std::pair<const char*, std::string*> texts[] = {
            {"XEXP", &r.xExpression},       {"YEXP", &r.yExpression},       {"XRNG", &r.xRange},
            {"YRNG", &r.yRange},            {"DATA POINTS", &r.dataPoints}, {"RANGE GRID X", &r.rangeGrid[0]},
            {"RANGE GRID Y", &r.rangeGrid[1]}, {"RANGE BOLD X", &r.rangeBold[0]},
            {"RANGE BOLD Y", &r.rangeBold[1]}, {"SFMTX", &r.scaleFormat[0]}, {"SFMTY", &r.scaleFormat[1]}};
        bool text = false;
        for (const auto& [k, t] : texts)
            if (key == k) {
                *t = value;
                text = true;
            }
        if (text)
            continue;
        if (key == "OPTIONS") {
            r.options = 0;
            for (const std::string& word : SplitCommas(value)) {
                if (EqualNoCase(word, "OUTPUT"))
                    r.options |= CO_OUTPUT;
                else if (EqualNoCase(word, "LINEARX"))
                    r.options |= CO_LINEARX;
                else if (EqualNoCase(word, "LINEARY"))
                    r.options |= CO_LINEARY;
            }
        } else if (key == "PLT") {
            r.plotGroup = value.empty() ? 0 : value[0];
        } else if (key == "ALIASID") {
            r.alias = static_cast<int32_t>(ToLong(value));
        } else if (key == "LWDTH") {
            r.lineWidth = static_cast<int32_t>(ToLong(value));
        } else if (key == "VFMTX" || key == "VFMTY") {
            r.valueFormat[key == "VFMTY"] = FormatAfterPoint(value);
        } else if (key == "PATTERN") {
            r.pattern = ParsePatternName(value.c_str());
        } else if (key == "RAINBOW") {
            r.rainbow = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "SHOW DATA POINTS") {
            r.showDataPoints = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "CHART TYPE") {
            r.chartType = EqualNoCase(value, "Polar") ? 1 : 2;
        } else if (key == "COLOR") {
            r.lineColour = r.textColour = ParseColor(value.c_str());
        } else if (key == "LINE COLOR") {
            r.lineColour = ParseColor(value.c_str());
        } else if (key == "TEXT COLOR") {
            r.textColour = ParseColor(value.c_str());
        } else if (key == "SLOPE CALCULATION") {
            r.slope = ScaleNameIndex(value.c_str());
        }
    }
    row_ = nullptr;
    return 0;
}

int CircuitFile::MonteCarloOptionsSection(int analysis)
{
    static const char* const distributions[4] = {"", "Normal", "Linear", "Worst Case"};
    if (writing_) {
        const AnalysisSetup& s = doc_->analyses[analysis];
        Header("Monte Carlo Options");
        Entry("Analysis", AnalysisName(analysis));
        Entry("Status", (s.monteCarloFlags & kMonteCarloOn) ? "On" : "Off");
        if (s.monteCarloFlags & 3)
            Entry("Distribution", distributions[s.monteCarloFlags & 3]);
        Entry("Number of Runs", s.monteCarloRuns);
        if (!s.monteCarloPerformance.empty())
            Entry("Performance", s.monteCarloPerformance);
        return 0;
    }
    int a = -1;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "ANALYSIS") {
            a = AnalysisIndexFromName(value.c_str());
            continue;
        }
        if (a < 0)
            continue;
        AnalysisSetup& s = doc_->analyses[a];
        if (key == "STATUS") {
            if (IsOn(value.c_str()))
                s.monteCarloFlags |= kMonteCarloOn;
        } else if (key == "DISTRIBUTION") {
            for (int d = 1; d < 4; ++d)
                if (EqualNoCase(value, distributions[d]))
                    s.monteCarloFlags = (s.monteCarloFlags & ~3) | d;
        } else if (key == "NUMBER OF RUNS") {
            s.monteCarloRuns = value.substr(0, 63);  // the runs field holds 64 bytes
        } else if (key == "PERFORMANCE") {
            s.monteCarloPerformance = value;
        }
    }
    for (AnalysisSetup& s : doc_->analyses)
        if (!(s.monteCarloFlags & 3))
            s.monteCarloFlags |= 1;
    return 0;
}

int CircuitFile::SteppingSection()
{
    if (writing_) {
        const bool v6 = version >= kCircuitVersion60, v7 = version >= kCircuitVersion70;
        const int records = v7 ? kStepRecords : 10;
        for (int a = v6 ? 0 : PickSteppingAnalysis(*doc_); a < 3; ++a) {
            const AnalysisSetup& s = doc_->analyses[a];
            for (int i = 0; i < records; ++i) {
                const StepRecord& r = s.steps[i];
                bool empty = std::all_of(std::begin(r.texts), std::end(r.texts), [](const auto& t) { return t.empty(); });
                if (v7 && r.flags == (SF_LINEAR | SF_COMPONENT) && empty)
                    continue;
                Header("Stepping");
                if (v6)
                    Entry("Analysis", AnalysisName(a));
                EntryInt("Index", i + 1);
                if (i == 0 && s.simultaneous)
                    Entry("Simultaneous", "Yes");
                if (r.flags & SF_ENABLED)
                    Entry("Status", "On");
                if (r.flags & SF_LOG)
                    Entry("Method", "Log");
                else if ((r.flags & SF_LIST) && !(r.flags & SF_LINEAR))
                    Entry("Method", "List");
                if (const char* type = SteppingParamTypeName(r.flags))
                    Entry("Parameter Type", type);
                for (int t = 0; t < 5; ++t)
                    if (!r.texts[t].empty())
                        Entry(kStepTexts[t], r.texts[t]);
            }
            if (!v6)
                break;
        }
        return 0;
    }
    int a = version <= kCircuitVersion520 ? 0 : -1;
    StepRecord* record = nullptr;
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "ANALYSIS") {
            a = AnalysisIndexFromName(value.c_str());
            record = nullptr;
            continue;
        }
        if (a < 0)
            continue;
        AnalysisSetup& s = doc_->analyses[a];
        if (key == "INDEX") {
            long n = ToLong(value);
            record = &s.steps[n >= 1 && n <= kStepRecords ? n - 1 : 0];
            record->flags = 0;
            continue;
        }
        if (!record)
            continue;
        if (key == "SIMULTANEOUS") {
            s.simultaneous = IsYes(value.c_str()) ? 1 : 0;
        } else if (key == "DEVICE") {
            record->device = static_cast<int32_t>(ToLong(value));
        } else if (key == "METHOD") {
            record->flags |= EqualNoCase(value, "Log")      ? SF_LOG
                             : EqualNoCase(value, "Linear") ? SF_LINEAR
                             : EqualNoCase(value, "List")   ? SF_LIST
                                                            : 0;
        } else if (key == "PARAMETER TYPE") {
            record->flags |= SteppingParamTypeFromName(value);
        } else if (key == "STATUS") {
            if (IsOn(value.c_str()))
                record->flags |= SF_ENABLED;
        } else {
            for (int t = 0; t < 5; ++t)
                if (EqualNoCase(key, kStepTexts[t]))
                    record->texts[t] = value;
        }
    }
    return 0;
}

int CircuitFile::DSPSection()
{
    DspSettings& d = doc_->dsp;
    if (writing_) {
        Header("DSP");
        for (int a = 0; a < 2; ++a) {
            const char c = a ? 'A' : 'T';
            Entry(Fmt("%c.Status", c).c_str(), d.status[a] ? "On" : "Off");
            if (!d.max[a].empty())
                Entry(Fmt("%c.Max", c).c_str(), d.max[a]);
            if (!d.min[a].empty())
                Entry(Fmt("%c.Min", c).c_str(), d.min[a]);
            if (!d.points[a].empty())
                Entry(Fmt("%c.NPts", c).c_str(), d.points[a]);
        }
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key.size() < 3 || key[1] != '.' || (key[0] != 'T' && key[0] != 'A'))
            continue;
        const int a = key[0] == 'A';
        const std::string rest = key.substr(2);
        const std::string text = value.substr(0, 19);  // fields of 20 bytes
        if (rest == "STATUS")
            d.status[a] = IsOn(value.c_str()) ? 1 : 0;
        else if (rest == "MAX")
            d.max[a] = text;
        else if (rest == "MIN")
            d.min[a] = text;
        else if (rest == "NPTS")
            d.points[a] = text;
    }
    return 0;
}

int CircuitFile::TFSection()
{
    TransferFunctionSettings& t = doc_->transfer;
    if (writing_) {
        Header("TF");
        for (const std::string& output : t.outputs)
            if (!output.empty())
                Entry("Output", output);
        Entry("Input Source", t.inputSource);
        Entry("Place Text", t.placeText ? "True" : "False");
        return 0;
    }
    std::string key, value;
    while (NextEntry(key, value)) {
        if (key == "OUTPUT") {
            if (t.outputs.size() < kTransferOutputSlots)
                t.outputs.push_back(value);
        } else if (key == "INPUT SOURCE") {
            t.inputSource = value.substr(0, 49);
        } else if (key == "PLACE TEXT") {
            t.placeText = IsTrue(value.c_str()) ? 1 : 0;
        }
    }
    return 0;
}

int CircuitFile::SensitivitySection()
{
    SensitivitySettings& s = doc_->sensitivity;
    if (writing_) {
        Header("SENS");
        for (const std::string& output : s.outputs)
            if (!output.empty())
                Entry("Output", output);
        Entry("Multiple", s.multiple ? "True" : "False");
        Entry("Parameter Type", s.parameterType == kSensComponent ? "Component"
                                : s.parameterType == kSensModel   ? "Model"
                                : s.parameterType == kSensSymbolic ? "Symbolic"
                                                                   : "");
        return 0;
    }
    std::string key, value;
    int outputs = 0;
    while (NextEntry(key, value)) {
        if (key == "OUTPUT") {
            if (outputs < kSensitivityOutputs)
                s.outputs[outputs++] = value;
        } else if (key == "MULTIPLE") {
            s.multiple = IsTrue(value.c_str()) ? 1 : 0;
        } else if (key == "PARAMETER TYPE") {
            s.parameterType = strcasecmp(value.c_str(), "Model") == 0       ? kSensModel
                              : strcasecmp(value.c_str(), "Component") == 0 ? kSensComponent
                                                                            : kSensSymbolic;
        }
    }
    return 0;
}

void CircuitFile::WriteAnalysisSetup()
{
    WriteKept(KEPT_ANALYSIS_WINDOW);
    for (int a = 0; a < 3; ++a)
        MonteCarloOptionsSection(a);
    WriteKept(KEPT_PLOT_WINDOWS);
    for (int a = 0; a < 3; ++a) {
        LimitsSection(a);
        for (const CurveRowRecord& row : doc_->analyses[a].rows)
            WaveFormSection(&row, a);
    }
    SteppingSection();
    WriteKept(KEPT_RUN_TOOLS);
    DSPSection();
    if (version >= kCircuitVersion60) {
        TFSection();
        SensitivitySection();
    }
    WriteKept(KEPT_SENSITIVITY);
}

void CircuitFile::FinishAnalysisSetup()
{
    for (AnalysisSetup& s : doc_->analyses)
        for (StepRecord& r : s.steps) {
            if (!(r.flags & (SF_MODEL | SF_COMPONENT | SF_SYMBOLIC)))
                r.flags |= SF_COMPONENT;
            if (!(r.flags & (SF_LOG | SF_LINEAR | SF_LIST)))
                r.flags |= SF_LINEAR;
        }
    // Files up to 5.20 held the stepping of one analysis: all three get it.
    if (version <= kCircuitVersion520 && !(loadFlags & kLoadSkipAnalysis))
        for (int a = 1; a < 3; ++a) {
            std::copy(std::begin(doc_->analyses[0].steps), std::end(doc_->analyses[0].steps),
                      std::begin(doc_->analyses[a].steps));
            doc_->analyses[a].simultaneous = doc_->analyses[0].simultaneous;
        }
}

}  // namespace ob7
