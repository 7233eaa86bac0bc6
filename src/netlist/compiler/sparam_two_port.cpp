// S-parameter two-ports (S_PORT parts, pins INA, INB, OUTA, OUTB): the data file's points
// become Y parameters, and the two-port four frequency-table current sources, one per Y
// parameter, each driven by the voltage of its port.

#include "netlist/compiler/sparam_two_port.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "circuit/attribute_ids.h"
#include "expression/waveform_operators.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "sim/devices/freq_table_source.h"

namespace ob7 {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

Complex2 Add(Complex2 a, Complex2 b) { return {a.re + b.re, a.im + b.im}; }
Complex2 Subtract(Complex2 a, Complex2 b) { return {a.re - b.re, a.im - b.im}; }
Complex2 Multiply(Complex2 a, Complex2 b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
Complex2 Scale(Complex2 a, double k) { return {a.re * k, a.im * k}; }
// A zero divisor gives 0, not a division fault.
Complex2 Divide(Complex2 a, Complex2 b) {
    double m = b.re * b.re + b.im * b.im;
    if (m == 0) m = 1e-50;
    return {(a.re * b.re + a.im * b.im) / m, (a.im * b.re - a.re * b.im) / m};
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

size_t SkipBlanks(const std::string& t, size_t i) {
    while (i < t.size() && IsBlank(t[i])) ++i;
    return i;
}

// The next blank-separated word from *pos.
std::string NextBlankToken(const std::string& t, size_t* pos) {
    size_t i = SkipBlanks(t, *pos);
    const size_t start = i;
    while (i < t.size() && !IsBlank(t[i])) ++i;
    *pos = i;
    return t.substr(start, i - start);
}

// A plain decimal number; a missing or malformed one reads as 0.
double NextNumber(const std::string& t, size_t* pos) {
    const std::string word = NextBlankToken(t, pos);
    return word.empty() ? 0.0 : std::strtod(word.c_str(), nullptr);
}

Complex2 ReadSParamPair(const SParamTwoPort& record, const std::string& t, size_t* pos) {
    const double a = NextNumber(t, pos), b = NextNumber(t, pos);
    if (record.pairFormat == kPairRealImag) return {a, b};
    const double magnitude = record.pairFormat == kPairDecibelAngle ? std::pow(10.0, 0.05 * a) : a;
    return {magnitude * std::cos(b * kRadiansPerDegree), magnitude * std::sin(b * kRadiansPerDegree)};
}

std::string KeyLineError(const char* format, char found) {
    char text[120];
    std::snprintf(text, sizeof text, format, found ? found : ' ');
    return text;
}

bool StartsWithNoCase(const std::string& t, size_t i, const char* word) {
    for (size_t k = 0; word[k]; ++k)
        if (i + k >= t.size() || std::toupper(static_cast<unsigned char>(t[i + k])) != word[k]) return false;
    return true;
}

}  // namespace

int ParseSParamOptionLine(SParamTwoPort& record, const std::string& line, std::string* error) {
    size_t i = SkipBlanks(line, line.find('#') + 1);
    auto at = [&] { return i < line.size() ? line[i] : '\0'; };
    static const char kUnits[] = "KMGT";
    double factor = 1.0;
    if (const char* unit = at() ? std::strchr(kUnits, at()) : nullptr) {
        factor = std::pow(1e3, static_cast<double>(unit - kUnits + 1));
        i = SkipBlanks(line, i + 1);
    }
    if (!StartsWithNoCase(line, i, "HZ")) {
        *error = KeyLineError("Error unknown '%c' found in key line, missing Hz.", at());
        return kMsgReported;
    }
    i = SkipBlanks(line, i + 2);
    if (std::toupper(static_cast<unsigned char>(at())) != 'S') {
        *error = KeyLineError("Error unknown '%c' found in key line, missing S.", at());
        return kMsgReported;
    }
    i = SkipBlanks(line, i + 1);
    if (StartsWithNoCase(line, i, "MA")) record.pairFormat = kPairMagnitudeAngle;
    else if (StartsWithNoCase(line, i, "RI")) record.pairFormat = kPairRealImag;
    else if (StartsWithNoCase(line, i, "DB")) record.pairFormat = kPairDecibelAngle;
    else {
        *error = KeyLineError("Error unknown '%c' found in key line, missing MA or RI.", at());
        return kMsgReported;
    }
    i = SkipBlanks(line, i + 2);
    if (std::toupper(static_cast<unsigned char>(at())) != 'R') {
        *error = KeyLineError("Error unknown '%c' found in key line, missing R.", at());
        return kMsgReported;
    }
    size_t pos = i + 1;
    const std::string value = NextBlankToken(line, &pos);
    if (value.empty()) {
        *error = "Error in key line Missing R value.";
        return kMsgReported;
    }
    record.referenceResistance = std::strtod(value.c_str(), nullptr);
    record.unitFactor = factor;
    return 0;
}

int ReadSParamText(SParamTwoPort& record, const std::string& text, std::vector<SParamPoint>* points,
                   std::string* error) {
    record.unitFactor = 1.0;
    record.pointCount = 0;
    points->clear();
    bool inTable = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t i = SkipBlanks(line, 0);
        const char first = i < line.size() ? line[i] : '\0';
        const bool data = std::isdigit(static_cast<unsigned char>(first));
        if (!inTable && !data) {
            if (first == '#' && ParseSParamOptionLine(record, line, error)) return kMsgReported;
            continue;
        }
        if (first == '!') continue;
        if (!data) break;  // the table ends at the first other line
        inTable = true;
        size_t pos = i;
        SParamPoint p;
        p.frequency = NextNumber(line, &pos) * record.unitFactor;
        if (!points->empty() && !(p.frequency > points->back().frequency)) break;
        if (p.frequency == 0) continue;
        if (!(p.frequency > 0) || !std::isfinite(p.frequency)) break;  // no measured frequency
        p.v11 = ReadSParamPair(record, line, &pos);
        p.v21 = ReadSParamPair(record, line, &pos);
        p.v12 = ReadSParamPair(record, line, &pos);
        p.v22 = ReadSParamPair(record, line, &pos);
        points->push_back(p);
    }
    record.pointCount = static_cast<int>(points->size());
    if (points->empty()) {
        *error = "Can't find the table in the file " + record.path + ".";
        return kMsgReported;
    }
    return 0;
}

SParamPoint SParamToYParam(const SParamPoint& s, double r) {
    const Complex2 one{1, 0};
    const double y0 = 1.0 / r;
    const Complex2 s12s21 = Multiply(s.v12, s.v21);
    const Complex2 d = Subtract(Multiply(Add(one, s.v11), Add(one, s.v22)), s12s21);
    SParamPoint y;
    y.frequency = s.frequency;
    y.v11 = Divide(Scale(Add(Multiply(Subtract(one, s.v11), Add(one, s.v22)), s12s21), y0), d);
    y.v22 = Divide(Scale(Add(Multiply(Add(one, s.v11), Subtract(one, s.v22)), s12s21), y0), d);
    y.v12 = Divide(Scale(s.v12, -2 * y0), d);
    y.v21 = Divide(Scale(s.v21, -2 * y0), d);
    return y;
}

void ComplexToDbPhase(const Complex2& z, double* previousPhase, double* db, double* phase) {
    *phase = UnwrapPhaseDegrees(ComplexValue{z.re, z.im}, *previousPhase, true);
    *previousPhase = *phase;
    const double squared = std::max(z.re * z.re + z.im * z.im, 1e-20);
    *db = 20 * std::log10(std::sqrt(squared));
}

std::vector<std::array<double, 3>> BuildYParamTable(const std::vector<SParamPoint>& y, int index) {
    auto value = [index](const SParamPoint& p) {
        const Complex2* v[4] = {&p.v11, &p.v12, &p.v21, &p.v22};
        return *v[index];
    };
    std::vector<std::array<double, 3>> table;
    table.reserve(y.size() * 10 + 3);
    table.push_back({});  // the copy of the first entry
    double previous = 0;
    auto add = [&](double f, Complex2 z) {
        std::array<double, 3> e{f, 0, 0};
        ComplexToDbPhase(z, &previous, &e[1], &e[2]);
        table.push_back(e);
    };
    for (size_t k = 0; k + 1 < y.size(); ++k) {
        const Complex2 a = value(y[k]), b = value(y[k + 1]);
        const double fa = y[k].frequency, fb = y[k + 1].frequency;
        for (int j = 0; j < 10; ++j) {
            const double u = j * 0.1;
            add(fa + u * (fb - fa), {a.re + u * (b.re - a.re), a.im + u * (b.im - a.im)});
        }
    }
    if (!y.empty()) add(y.back().frequency, value(y.back()));
    table.front() = table.size() > 1 ? table[1] : table.front();
    table.push_back(table.back());
    return table;
}

int BuildSParamTwoPort(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    auto* record = new SParamTwoPort;
    AddDevice(kNPortList, record);
    if (SubstituteDefines(cc.c.tables, record->path, p.scope, PartAttr(p, ATTR_FILE), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    ResolveFilePath(record->path, kDataPath);
    TextFile file;
    if (int code = file.OpenReadPreferWindow(record->path.c_str())) {
        SetPendingMessageText(record->path.c_str());
        return ReportCompileError(cc, part, code);
    }
    std::string text, line;
    while (file.ReadLine(line) == 0) text += line + '\n';
    file.Close();
    std::vector<SParamPoint> points;
    std::string error;
    if (ReadSParamText(*record, text, &points, &error)) {
        SetPendingMessageText(("%E" + error).c_str());
        return ReportCompileError(cc, part, kMsgPending);
    }
    std::vector<SParamPoint> y;
    y.reserve(points.size());
    for (const SParamPoint& s : points) y.push_back(SParamToYParam(s, record->referenceResistance));
    record->port1Plus = p.pinNodes[0], record->port1Minus = p.pinNodes[1];
    record->port2Plus = p.pinNodes[2], record->port2Minus = p.pinNodes[3];
    // Output pair, then controlling pair: Y11 port 1 by port 1, Y12 port 1 by port 2,
    // Y21 port 2 by port 1, Y22 port 2 by port 2.
    const int ports[2][2] = {{record->port1Plus, record->port1Minus}, {record->port2Plus, record->port2Minus}};
    for (int k = 0; k < 4; ++k) {
        const int* out = ports[k / 2];
        const int* control = ports[k % 2];
        FreqTableSource* s = AddFreqTableSource(kFreqTableG, control[0], control[1], out[0], out[1],
                                                BuildYParamTable(y, k));
        s->value_kind = kTableDecibels;
        s->phase_kind = kTableDegrees;
        s->owning_part = &cc.Part(part);
        record->sources[k] = s;
    }
    AttachDeviceToPart(cc, part, record);
    return 0;
}

}  // namespace ob7
