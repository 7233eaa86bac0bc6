#include "analysis/numeric_output.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "analysis/curve_rows.h"
#include "analysis/output_points.h"
#include "circuit/active_circuit.h"
#include "foundation/numbers.h"
#include "foundation/paths.h"
#include "sim/devices/mosfet_preparation.h"

namespace ob7 {

namespace {

constexpr int kOptionOperatingPoint = 0x40, kOptionOperatingPointOnly = 0x80;
constexpr int kFlagMonteCarloOn = 0x1000;

const char* const kRunOptions[] = {"Normal", "Save", "Retrieve", "Normal"};
const char* const kStateVariables[] = {"Zero", "Read", "Leave", "Auto"};
const char* const kStepMethods[] = {"Auto", "Linear", "Log", "List"};
const char* const kSecondMethods[] = {"None", "Linear", "Log", "List"};
const char* const kDistributions[] = {"", "Gauss", "Uniform", "Worst Case"};

// The labels of the limit fields, as the limits dialog shows them.
const char* const kTransientLabels[] = {"Time Range", "Maximum Time Step", "Number of Points", "Temperature"};
const char* const kAcLabels[] = {"Frequency Range", "Number of Points", "Temperature",
                                 "Maximum Change %", "Noise Input",      "Noise Output"};

const char* OnOff(bool on) { return on ? "On" : "Off"; }

std::string WithoutBlanks(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

std::string TrimTrailing(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A value of a curve table: the column's precision and style, padded with zeros. The
// engineering style writes its step as an exponent instead of a suffix letter, so that
// 0.5m reads 500.000E-3 and not 0.001: the table keeps its digits and stays plain numbers.
// Written into `out` (kCellSize bytes); returns the length.
constexpr int kCellSize = 40;
int FormatTableValue(double value, const NumberFormatSpec& spec, char* out) {
    const int digits = std::clamp<int>(spec.digits, 0, 16);
    if (spec.style == 'G' || spec.style == 'g') return std::snprintf(out, kCellSize, "%.*G", digits, value);
    char* const limit = out + kCellSize - 8;
    auto write = [&](double v, std::chars_format format) {
        char* end = std::to_chars(out, limit, v, format, digits).ptr;
        for (char* p = out; p < end; ++p)
            if (*p == 'e') *p = 'E';
        *end = 0;
        return end;
    };
    const double a = std::fabs(value);
    if (spec.style == 'E' || spec.style == 'e' || (value != 0 && (a < 1e-15 || a >= 1e15)))
        return static_cast<int>(write(value, std::chars_format::scientific) - out);
    // The engineering step: the exponent, a multiple of 3, of the number's leading digit.
    static constexpr double kPowers[] = {1e-15, 1e-12, 1e-9, 1e-6, 1e-3, 1, 1e3, 1e6, 1e9, 1e12};
    int step = 5;
    if (a != 0 && a >= EngineeringScaleFloor) {
        const int leading = static_cast<int>(std::floor(std::log10(a)));
        step = std::clamp((leading >= 0 ? leading / 3 : (leading - 2) / 3) + 5, 0, 9);
    }
    if (step == 5) return static_cast<int>(write(value, std::chars_format::fixed) - out);
    char* end = write(value / kPowers[step], std::chars_format::fixed);
    *end++ = 'E';
    end = std::to_chars(end, out + kCellSize - 1, 3 * (step - 5)).ptr;
    *end = 0;
    return static_cast<int>(end - out);
}

}  // namespace

// One printed column of a curve table.
struct TableColumn {
    int curve = 0;
    int axis = kAxisX;
    std::string heading;
    NumberFormatSpec format;
    bool digital = false;
    size_t width = 0;
    int position = 0;  // where the sampling searches next
};

namespace {

// The sampling over any two accessors of stored values (arrays, or the point store).
template <class XAt, class YAt>
int FindValueAt(double x, XAt xAt, YAt yAt, int count, int start, int flags, double* value) {
    if (count <= 0) {
        *value = 0;
        return 0;
    }
    if (count == 1) {
        *value = yAt(0);
        return 0;
    }
    start = std::clamp(start, 0, count - 2);
    // Below the first interval the first is used; no pair enclosing x ends at the last point.
    // Both are told before searching, so that sampling a whole table stays linear.
    const double first = xAt(0), second = xAt(1);
    const bool below = second >= first ? x < first : x > first;
    int i = below ? 0 : start;
    for (; !below && i < count - 1; ++i) {
        const double a = xAt(i), b = xAt(i + 1);
        if ((x >= a && x <= b) || (x <= a && x >= b)) break;
    }
    if (i == count - 1) {
        *value = yAt(count - 1);
        return count - 1;
    }
    const double x0 = xAt(i), x1 = xAt(i + 1);
    const double y0 = yAt(i), y1 = yAt(i + 1);
    if (x == x1) {
        *value = y1;
        return i + 1;
    }
    if (flags & kSampleDigital) {
        *value = y0;
        return i + 1;
    }
    auto lg = [](double v) { return v == 0 ? 0.0 : std::log10(std::fabs(v)); };
    const bool logX = flags & kSampleLogX, logY = flags & kSampleLogY;
    const double y = InterpolateLinear(logX ? lg(x) : x, logX ? lg(x0) : x0, logX ? lg(x1) : x1,
                                       logY ? lg(y0) : y0, logY ? lg(y1) : y1);
    *value = logY ? std::pow(10.0, y) : y;
    return i + 1;
}

}  // namespace

const std::vector<DeviceTableLayout>& DeviceTableLayouts() {
    using V = std::vector<const char*>;
    static const V kSourcePower{"PG"}, kSourcePins{"ISource"};
    static const std::vector<DeviceTableLayout> layouts = {
        {"Diodes", true, V{"ID", "VD", "REQ", "CAP"}, V{"PD", "PS"}, V{"Id"}, 1},
        {"Bipolar Junction Transistors", true,
         V{"IB", "IC", "VBE", "VBC", "VCE", "BETADC", "GM", "RPI", "RX", "RO", "CPI", "CMU", "CBX", "CJS", "BETAAC",
           "FT"},
         V{"PD", "PS"}, V{"Ib", "Ic", "Ie", "Is"}, 1},
        {"JFET Devices", true, V{"ID", "VGS", "VDS", "GM", "GDS", "CGS", "CGD"}, V{"PD", "PS"}, V{"Ig", "Id", "Is"}, 1},
        {"MOSFET Devices", true,
         V{"ID", "VGS", "VDS", "VBS", "VTH", "VDSAT", "GM", "GDS", "GMB", "CBD", "CBS", "CGSOVL", "CGDOVL", "CGBOVL",
           "CGS", "CGD", "CGB"},
         V{"PD", "PS"}, V{"Ig", "Id", "Is", "Ib"}, 1},
        {"GaAsFET Devices", true, V{"ID", "VGS", "VDS", "GM", "GDS", "CGS", "CGD", "CDS"}, V{"PD", "PS"},
         V{"Ig", "Id", "Is"}, 1},
        {"Resistor Devices", true, V{}, V{"PD"}, V{"Ir"}, 0},
        {"TransmissionLine Devices", true, V{}, V{"PG"}, V{"Input", "Output"}, 0},
        {"Ltra Devices", true, V{}, V{"PG"}, V{"Input", "Output"}, 0},
        {"Inductor Devices", true, V{}, V{"PS"}, V{"Il"}, 0},
        {"Capacitor Devices", true, V{}, V{"PS"}, V{"Ic"}, 0},
        {"Opamp Devices", true, V{}, V{}, V{}, 2},
        {"Sample and Hold Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Switch Devices", true, V{}, V{"PD"}, kSourcePins, 1},
        {"W Devices", true, V{}, V{"PD"}, kSourcePins, 1},
        {"S Devices", true, V{}, V{"PD"}, kSourcePins, 1},
        {"Sine Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Pulse Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"User Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Dependent Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Function Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Laplace Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"SPICE Poly Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"SPICE Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"Table Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
        {"CTable3 Source Devices", true, V{}, kSourcePower, kSourcePins, 0},
    };
    return layouts;
}

int DeviceTableIndex(const char* title) {
    const auto& layouts = DeviceTableLayouts();
    for (size_t i = 0; i < layouts.size(); ++i)
        if (std::string(layouts[i].title) == title) return static_cast<int>(i);
    return -1;
}

std::string NumericOutputPath(const std::string& circuitPath, int kind) {
    std::string path = BuildAnalysisFileName(circuitPath, kind, "NO", false);
    if (path.find_first_of("/\\") == std::string::npos) PrefixDefaultFolder(path, kDataPath);
    return path;
}

NumericOutputWriter::NumericOutputWriter(int kind, const AnalysisSetup& setup, AnalysisPlot& plot)
    : kind_(kind), setup_(setup), plot_(plot) {}

NumericOutputWriter::~NumericOutputWriter() { Close(); }

int NumericOutputWriter::Open(const std::string& path) {
    Close();
    path_ = path;
    headWritten_ = false;
    outputFlag_ = false;
    for (const CurveRowRecord& row : setup_.rows) outputFlag_ = outputFlag_ || (row.options & CO_OUTPUT);
    const int code = file_.OpenForWrite(path.c_str(), "w");
    if (code) {
        file_.Close();
        return code;
    }
    // Model checks during the run write their warnings into this report.
    NumericOutput = &file_;
    return 0;
}

int NumericOutputWriter::Close() {
    if (NumericOutput == &file_) NumericOutput = nullptr;
    if (!file_.IsOpen()) return 0;
    const int error = file_.error;
    const int closed = file_.Close();
    return error ? error : closed;
}

std::string NumericOutputWriter::CaseCaption(int run) const {
    if (run < 0 || run >= plot_.runs.runCount) return {};
    const RunRecord& r = plot_.runs.records[run];
    std::string caption;
    // Every case names its temperature, even the only one: an IMPORT of this report finds
    // the blocks of a case by their "Temperature=" lines.
    caption += "Temperature=" + TrimTrailing(FormatNumberText(r.temperature, -1, 0, 0)) + " ";
    if (kind_ == kCurvesDc && !dcSource2Name.empty()) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", r.secondSweepValue);
        caption += dcSource2Name + " = " + text + " ";
    }
    if (monteCarloOn) {
        caption += "Case= " + std::to_string(r.caseNumber);
    } else {
        std::string stepping;
        for (int n = kStepRecords - 1; n >= 0; --n) {
            const StepRecord& s = setup_.steps[n];
            if (!(s.flags & SF_ENABLED) || s.texts[0].empty()) continue;
            std::string name = s.texts[0];
            if (!s.texts[1].empty() && s.texts[1] != "Value") name += "." + s.texts[1];
            char value[64];
            std::snprintf(value, sizeof value, "%g", r.stepValues[n]);
            if (!stepping.empty()) stepping += " ";
            stepping += name + "=" + value;
        }
        caption += stepping;
    }
    return TrimTrailing(caption);
}

void NumericOutputWriter::WriteNumericOutput(bool opFlag, int run) {
    if (quiet || !file_.IsOpen() || file_.error) return;
    const bool reportWhen = !setup_.monteCarloPerformance.empty() && monteCarloOn;
    if (!outputFlag_ && !opFlag && modelWarnings.empty() && !reportWhen) return;
    if (!headWritten_) {
        headWritten_ = true;
        if (writeHeader && writeHeader(file_, width)) {
            outputFlag_ = false;
            return;
        }
        WriteLimits();
        if (!modelWarnings.empty()) {
            file_.WriteText("\n");
            for (const std::string& w : modelWarnings) file_.Printf("%s\n", w.c_str());
            file_.WriteText("\n");
        }
    }
    if (plot_.runs.runCount > 0) {
        file_.WriteText("\n");
        const std::string caption = CaseCaption(run);
        if (!caption.empty()) file_.PrintCentered(width, "%s", caption.c_str());
        file_.WriteText("\n");
    }
    if (opFlag && operatingPoint) WriteOperatingPoint();
}

void NumericOutputWriter::WriteLimits() {
    const int count = kind_ == kCurvesTransient ? 4 : kind_ == kCurvesAc ? 6 : 0;
    const char* const* labels = kind_ == kCurvesTransient ? kTransientLabels : kAcLabels;
    const char* extra = kind_ == kCurvesTransient ? "Operating Point Only"
                        : kind_ == kCurvesAc      ? "State Variables"
                                                  : "Variable 1 Method";
    int L = static_cast<int>(std::strlen(extra));
    if (kind_ == kCurvesDc) L = std::max(L, static_cast<int>(std::strlen("Maximum Change %")));
    for (int i = 0; i < count; ++i) L = std::max(L, static_cast<int>(std::strlen(labels[i])));
    const int temperatureField = kind_ == kCurvesTransient ? 3 : kind_ == kCurvesAc ? 2 : 5;
    const char* temperatureMethod = setup_.temperatureList ? "List " : "Linear ";
    const int options = setup_.options;
    if (kind_ != kCurvesDc) {
        for (int i = 0; i < count; ++i)
            file_.Printf("%-*s %s%s\n", L, labels[i], i == temperatureField ? temperatureMethod : "",
                         setup_.limits[i].c_str());
    } else {
        file_.Printf("%-*s %s\n", L, "Variable 1 Method", kStepMethods[(setup_.sweep[0] >> 12) & 3]);
        file_.Printf("%-*s %s\n", L, "Variable 1 Name", setup_.limits[3].c_str());
        file_.Printf("%-*s %s\n", L, "Variable 1 Range", setup_.limits[2].c_str());
        file_.Printf("%-*s %s\n", L, "Variable 2 Method", kSecondMethods[(setup_.sweep[1] >> 12) & 3]);
        file_.Printf("%-*s %s\n", L, "Variable 2 Name", setup_.limits[1].c_str());
        file_.Printf("%-*s %s\n", L, "Variable 2 Range", setup_.limits[0].c_str());
        file_.Printf("%-*s %s%s\n", L, "Temperature", temperatureMethod, setup_.limits[5].c_str());
        file_.Printf("%-*s %s\n", L, "Number of Points", setup_.limits[4].c_str());
        file_.Printf("%-*s %s\n", L, "Maximum Change %", setup_.limits[6].c_str());
    }
    file_.Printf("%-*s %s\n", L, "Run Options", kRunOptions[(options >> 8) & 3]);
    if (kind_ != kCurvesDc) {
        file_.Printf("%-*s %s\n", L, "State Variables", kStateVariables[(options >> 10) & 3]);
        if (kind_ == kCurvesAc) file_.Printf("%-*s %s\n", L, "Frequency Step", kStepMethods[(options >> 12) & 3]);
        file_.Printf("%-*s %s\n", L, "Operating Point", OnOff(options & kOptionOperatingPoint));
        if (kind_ == kCurvesTransient)
            file_.Printf("%-*s %s\n", L, "Operating Point Only", OnOff(options & kOptionOperatingPointOnly));
    }
    if (setup_.monteCarloFlags & kFlagMonteCarloOn) {
        file_.WriteText("\nMonte Carlo Options\n");
        file_.Printf("Distribution to Use: %s\n", kDistributions[setup_.monteCarloFlags & 3]);
        file_.Printf("Number of Runs       %s\n", setup_.monteCarloRuns.empty() ? "10" : setup_.monteCarloRuns.c_str());
        if (!setup_.monteCarloPerformance.empty())
            file_.Printf("Report When          %s\n", setup_.monteCarloPerformance.c_str());
    }
    bool first = true;
    for (const StepRecord& s : setup_.steps) {
        if (!(s.flags & SF_ENABLED)) continue;
        if (first) {
            first = false;
            file_.WriteText("\nStepping Options\n");
            file_.Printf("Stepping is %s\n\n", setup_.simultaneous ? "Simultaneous" : "Nested");
        }
        file_.Printf("Step What  %s %s\n", s.texts[0].c_str(), s.texts[1].c_str());
        file_.Printf("From       %s\n", s.texts[2].c_str());
        if (!(s.flags & SF_LIST)) {
            file_.Printf("To         %s\n", s.texts[3].c_str());
            file_.Printf("Step Value %s\n", s.texts[4].c_str());
        }
        file_.Printf("Method     %s\n\n", (s.flags & SF_LINEAR) ? "Linear" : (s.flags & SF_LOG) ? "Log" : "List");
    }
}

// An operating-point value: a leading blank, the engineering form padded to its digits with
// its suffix (a blank for unity); large circuits print thousands, so it avoids printf.
std::string NumericOutputWriter::FormatOperatingValue(double value) const {
    const NumberFormatSpec& spec = operatingPointFormat;
    const double a = std::fabs(value);
    const bool plain = value == 0 || (a >= EngineeringScaleFloor && a < 1e15);
    if (spec.style || !plain || spec.digits < 0 || spec.digits > 15)
        return FormatNumberText(value, spec.digits, spec.style, kNumLeadingBlank | kNumPadZeros);
    int step = 5;
    if (a != 0) {
        const int leading = static_cast<int>(std::floor(std::log10(a)));
        step = std::clamp((leading >= 0 ? leading / 3 : (leading - 2) / 3) + 5, 0, 9);
    }
    char text[kCellSize];
    text[0] = ' ';
    char* end = std::to_chars(text + 1, text + kCellSize - 4, value / EngineeringSuffixTable[step].factor,
                              std::chars_format::fixed, spec.digits)
                    .ptr;
    *end = 0;
    return std::string(text, end) + EngineeringSuffixTable[step].upper;
}

void NumericOutputWriter::WriteOperatingPoint() {
    const OperatingPointReport op = operatingPoint();
    const char S = separator;
    file_.WriteText("\n");
    file_.PrintCentered(width, "DC Operating Point Values");
    file_.WriteText("\n");
    // Node voltages and inductor currents share one layout.
    int N = 8, V = 0;
    for (const auto* list : {&op.nodes, &op.inductors})
        for (const NamedValue& v : *list) {
            N = std::max(N, static_cast<int>(v.name.size()));
            V = std::max(V, static_cast<int>(FormatOperatingValue(v.value).size()));
        }
    if (V <= 10) V = 11;
    const int C = std::max(1, width / (N + V + 3));
    if (!op.nodes.empty()) {
        file_.PrintCentered(width, "DC Operating Point Voltages");
        const int heading = std::min(static_cast<int>(op.nodes.size()), C);
        for (int i = 0; i < heading; ++i) {
            if (i) file_.Printf("%c", S);
            file_.Printf("%-*.*s%c%*.*s ", N, N, "Node", S, V, V, "Voltage");
        }
        file_.WriteText("\n");
        for (size_t i = 0; i < op.nodes.size(); ++i) {
            if (i % C) file_.Printf("%c", S);
            file_.Printf("%-*.*s%c%*s ", N, N, op.nodes[i].name.c_str(), S, V,
                         FormatOperatingValue(op.nodes[i].value).c_str());
            if ((i + 1) % C == 0) file_.WriteText("\n");
        }
        if (op.nodes.size() % C) file_.WriteText("\n");
    }
    if (!op.inductors.empty()) {
        file_.PrintCentered(width, "DC Operating Point Inductor Current");
        const int heading = std::min(static_cast<int>(op.inductors.size()), C);
        for (int i = 0; i < heading; ++i) {
            if (i) file_.Printf("%c", S);
            file_.Printf("%*.*s%c%*.*s ", N, N, "Inductor", S, V, V, "Current");
        }
        file_.WriteText("\n");
        for (size_t i = 0; i < op.inductors.size(); ++i) {
            if (i % C) file_.Printf("%c", S);
            file_.Printf("%-*.*s%c%*.*s ", N, N, op.inductors[i].name.c_str(), S, V, V,
                         FormatOperatingValue(op.inductors[i].value).c_str());
            if ((i + 1) % C == 0) file_.WriteText("\n");
        }
        if (op.inductors.size() % C) file_.WriteText("\n");
    }
    if (!op.digital.empty()) {
        int D = 8;
        for (const auto& d : op.digital) D = std::max(D, static_cast<int>(d.first.size()));
        const int CD = std::max(1, width / (D + 8));
        file_.PrintCentered(width, "DC Operating Point Digital States");
        const int heading = std::min(static_cast<int>(op.digital.size()), CD);
        for (int i = 0; i < heading; ++i) file_.Printf("%-*.*s%c%*.*s", D, D, "Node", S, 5, 5, "State");
        file_.WriteText("\n");
        for (size_t i = 0; i < op.digital.size(); ++i) {
            const char state[2] = {op.digital[i].second, 0};
            file_.Printf("%-*.*s%c%-*.*s", D, D, op.digital[i].first.c_str(), S, 5, 5, state);
            if ((i + 1) % CD == 0) file_.WriteText("\n");
        }
        if (op.digital.size() % CD) file_.WriteText("\n");
    }
    const int valueWidth = DeviceValueWidth(op);
    for (const DeviceTable& table : op.tables)
        if (!table.devices.empty()) WriteDeviceTable(table, valueWidth);
}

int NumericOutputWriter::DeviceValueWidth(const OperatingPointReport& op) const {
    size_t V = 10;
    for (const DeviceTable& table : op.tables)
        for (const DeviceColumn& d : table.devices) {
            V = std::max({V, d.part.size(), d.model.size()});
            for (double v : d.values) V = std::max(V, FormatOperatingValue(v).size());
        }
    return static_cast<int>(V);
}

void NumericOutputWriter::WriteDeviceTable(const DeviceTable& table, int V) {
    const DeviceTableLayout& layout = *table.layout;
    const char S = separator;
    const int C = std::max(1, (width - 6) / (V + 4));
    const bool earlyTable = DeviceTableIndex(layout.title) < 5;
    file_.WriteText("\n");
    file_.PrintCentered(width, "%s", layout.title);
    const auto& devices = table.devices;
    for (size_t start = 0; start < devices.size(); start += C) {
        const size_t end = std::min(devices.size(), start + C);
        for (size_t d = start; d < end; ++d)
            file_.Printf("%c%*.*s", d == start ? ' ' : S, d == start ? V + 9 : V + 3, d == start ? V + 9 : V + 3,
                         devices[d].part.c_str());
        bool anyModel = false;
        for (size_t d = start; d < end; ++d) anyModel = anyModel || !devices[d].model.empty();
        if (layout.hasModels && anyModel) {
            file_.WriteText("\nModel ");
            for (size_t d = start; d < end; ++d)
                file_.Printf("%c%*.*s", d == start ? ' ' : S, V + 3, V + 3,
                             devices[d].model.empty() ? "N\\A" : devices[d].model.c_str());
        }
        size_t row = 0;
        auto valueRow = [&](const char* label) {
            file_.Printf("\n%-7s", label);
            for (size_t d = start; d < end; ++d) {
                const double v = row < devices[d].values.size() ? devices[d].values[row] : 0.0;
                file_.Printf("  %c%*s ", S, V, FormatOperatingValue(v).c_str());
            }
            ++row;
        };
        for (const char* label : layout.values) valueRow(label);
        if (!layout.power.empty()) {
            file_.WriteText(earlyTable ? "\n\nPower Terms:" : "\nPower Terms:");
            for (const char* label : layout.power) valueRow(label);
        }
        if (!layout.pins.empty()) {
            file_.WriteText("\n\nPin Currents:");
            for (const char* label : layout.pins) valueRow(label);
        }
        if (layout.stateRow) {
            if (layout.stateRow == 1) file_.WriteText("\n");
            file_.WriteText("\nCondition:\nState  ");
            for (size_t d = start; d < end; ++d)
                file_.Printf("  %c%*.*s ", S, V, V, devices[d].state.c_str());
        }
        file_.WriteText("\n\n");
    }
}

void NumericOutputWriter::WriteNumericTables(int n, int run) {
    if (quiet || !file_.IsOpen() || !outputFlag_ || file_.error) return;
    if (run < 0 || run >= plot_.runs.runCount) return;
    // The listed curves' columns, each expression once: curves whose DSP functions moved
    // them into the other domain (X = F in a transient, X = T in AC) go to a table of their own.
    std::vector<TableColumn> ordinary, transformed;
    std::set<std::string> listed;
    const char otherDomain = kind_ == kCurvesAc ? 'T' : 'F';
    for (size_t k = 0; k < plot_.curves.size(); ++k) {
        const AnalysisCurve& c = plot_.curves[k];
        if (!(c.flags & kCurveListed)) continue;
        const bool isTransformed = c.dsp && c.mark[kAxisX] == otherDomain;
        for (int axis : {kAxisX, kAxisY}) {
            if (!listed.insert(c.text[axis]).second) continue;
            TableColumn col;
            col.curve = static_cast<int>(k);
            col.axis = axis;
            col.heading = WithoutBlanks(c.text[axis]);
            const CurveRowRecord* row =
                c.row >= 0 && c.row < static_cast<int>(setup_.rows.size()) ? &setup_.rows[c.row] : nullptr;
            if (row && !row->valueFormat[axis].empty()) col.format.Set(row->valueFormat[axis].c_str());
            col.digital = c.digital && axis == kAxisY;
            (isTransformed ? transformed : ordinary).push_back(std::move(col));
        }
    }
    // The ordinary table samples every column at n evenly spaced values of the analysis'
    // own variable (the store's column 0); values are read from the store as the sampling
    // moves forward through each run.
    if (!ordinary.empty()) {
        const int firstCurve = ordinary.front().curve;
        const int count0 = plot_.RunPointCount(firstCurve, run);
        if (count0 >= 2) {
            double low = plot_.RunPointValue(firstCurve, run, 0, -1), high = low;
            for (int i = 1; i < count0; ++i) {
                const double x = plot_.RunPointValue(firstCurve, run, i, -1);
                low = std::min(low, x), high = std::max(high, x);
            }
            const bool acLog = kind_ == kCurvesAc && ((setup_.options >> 12) & 3) == 2;
            double step = 0;
            bool rows = true;
            if (acLog) {
                const double f0 = plot_.RunPointValue(firstCurve, run, 0, -1);
                rows = f0 > 0;
                if (rows) step = plot_.RunPointValue(firstCurve, run, 1, -1) / f0;
            } else if (n > 1) {
                step = (high - low) / (n - 1);
            }
            const int flagsLog = acLog ? kSampleLogX : 0;
            auto sampled = [&](TableColumn& col, int k, char* out) {
                const int count = plot_.RunPointCount(col.curve, run);
                if (count <= 0) {
                    std::memcpy(out, "N/A", 4);
                    return 3;
                }
                const double x = acLog ? low * std::pow(step, k) : low + k * step;
                double value = 0;
                const int found = FindValueAt(
                    x, [&](int i) { return plot_.RunPointValue(col.curve, run, i, -1); },
                    [&](int i) { return plot_.RunPointValue(col.curve, run, i, col.axis); }, count, col.position,
                    flagsLog | (col.digital ? kSampleDigital : 0), &value);
                col.position = std::max(0, found - 1);
                return FormatTableValue(value, col.format, out);
            };
            if (rows && !WriteTable(ordinary, n, sampled)) return;
        }
    }
    // The transformed table prints the stored points of the run as they are.
    if (!transformed.empty() && plot_.RunPointCount(transformed.front().curve, run) >= 2) {
        const int rows = std::min(n, plot_.RunPointCount(transformed.front().curve, run));
        auto stored = [&](TableColumn& col, int k, char* out) {
            if (k >= plot_.RunPointCount(col.curve, run)) {
                std::memcpy(out, "N/A", 4);
                return 3;
            }
            return FormatTableValue(plot_.RunPointValue(col.curve, run, k, col.axis), col.format, out);
        };
        WriteTable(transformed, rows, stored);
    }
}

bool NumericOutputWriter::WriteTable(std::vector<TableColumn>& columns, int rows,
                                     const std::function<int(TableColumn&, int, char*)>& cellText) {
    // Two passes over the same cells: the first measures the columns, the second writes.
    char cell[kCellSize];
    for (TableColumn& col : columns) {
        col.width = col.heading.size();
        col.position = 0;
        for (int k = 0; k < rows; ++k) col.width = std::max(col.width, static_cast<size_t>(cellText(col, k, cell)));
        col.width += 1;
        col.position = 0;
    }
    // Each line is built whole and written at once.
    const char S = separator;
    std::string line;
    auto writeLine = [&](auto text) {
        line.assign(" ");
        for (size_t c = 0; c < columns.size(); ++c) {
            const char* t = text(columns[c]);
            const size_t length = std::strlen(t);
            line += c == 0 ? ' ' : S;
            if (length < columns[c].width) line.append(columns[c].width - length, ' ');
            line.append(t, length);
        }
        line += '\n';
        return file_.WriteText(line.c_str());
    };
    writeLine([](TableColumn& c) { return c.heading.c_str(); });
    writeLine([](TableColumn&) { return ""; });
    for (int k = 0; k < rows; ++k)
        if (writeLine([&](TableColumn& c) {
                cellText(c, k, cell);
                return static_cast<const char*>(cell);
            })) {
            outputFlag_ = false;
            return false;
        }
    return true;
}

void NumericOutputWriter::WriteTemperatureWarnings() {
    if (quiet || !file_.IsOpen() || file_.error || !temperatureWarnings) return;
    const std::vector<NamedValue> warnings = temperatureWarnings();
    if (warnings.empty()) return;
    file_.WriteText("\n");
    for (const NamedValue& w : warnings)
        file_.Printf("Warning %s temperature adjusted PHI (or PB, VJ, VJE, or VJC) went negative at temperature=%f.\n",
                     w.name.c_str(), w.value);
    file_.WriteText("Check model parameter value and or the operating temperature.\n");
}

void NumericOutputWriter::WriteCaseText(const std::string& text) {
    if (quiet || !file_.IsOpen() || file_.error || text.empty()) return;
    file_.WriteText(text.c_str());
}

void DeleteEmptyNumericOutput(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error) && std::filesystem::file_size(path, error) == 0 && !error)
        std::filesystem::remove(path, error);
}

double InterpolateLinear(double x, double x0, double x1, double y0, double y1) {
    if (x0 == x1) return 0.5 * (y0 + y1);
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

int FindCurveValueAtX(double x, const double* xs, const double* ys, int count, int start, int flags, double* value) {
    return FindValueAt(x, [xs](int i) { return xs[i]; }, [ys](int i) { return ys[i]; }, count, start, flags, value);
}

}  // namespace ob7
