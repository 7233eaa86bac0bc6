#include "analysis/user_source_file.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "sim/analysis/waveform_import.h"

namespace ob7 {

namespace {

constexpr int kMsgNotFound = 13547;
constexpr int kMsgFewerPoints = 13548;

struct Lines {
    const std::string& text;
    std::size_t pos = 0;
    int number = 0;  // of the line last read
    // The next line without its line end; false at the end of the text.
    bool Next(std::string& line) {
        if (pos >= text.size())
            return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        line.assign(text, pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        ++number;
        return true;
    }
    // The next line that is neither empty nor a comment.
    bool NextEntry(std::string& line) {
        while (Next(line)) {
            std::size_t first = line.find_first_not_of(" \t");
            if (first != std::string::npos && line[first] != ';')
                return true;
        }
        return false;
    }
};

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "key=value"; false for a line without '='.
bool SplitEntry(const std::string& line, std::string& key, std::string& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

// The common header after "[Main]" and the "[Menu]" line that ends it.
bool ReadHeader(Lines& lines) {
    std::string line, key, value;
    bool type = false, version = false, program = false;
    while (lines.NextEntry(line)) {
        std::string t = Trim(line);
        if (SameNoCase(t, "[Menu]"))
            return type && version && program;
        if (!SplitEntry(t, key, value))
            return false;
        if (SameNoCase(key, "FileType"))
            type = SameNoCase(value, "USR");
        else if (SameNoCase(key, "Version"))
            version = value == "2.00";
        else if (SameNoCase(key, "Program"))
            program = value == "Ombrelic" || value == "Ombrelic V";
    }
    return false;
}

// A plain decimal number: digits, one point, an exponent; no suffixes, no "inf" or "nan".
bool PlainNumber(const std::string& token, double& value) {
    if (token.empty() || token.size() > 49)
        return false;
    std::size_t i = 0;
    if (token[i] == '+' || token[i] == '-')
        ++i;
    bool digits = false;
    while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])))
        ++i, digits = true;
    if (i < token.size() && token[i] == '.') {
        ++i;
        while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])))
            ++i, digits = true;
    }
    if (!digits)
        return false;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-'))
            ++i;
        bool exponent = false;
        while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])))
            ++i, exponent = true;
        if (!exponent)
            return false;
    }
    if (i != token.size())
        return false;
    value = std::strtod(token.c_str(), nullptr);
    return std::isfinite(value);
}

enum class RowResult { Ok, Short, Text };

// The numbers of a row: blanks and one comma before each, up to a comma, blank or the end.
RowResult ReadRow(const std::string& line, int wanted, double* values) {
    std::size_t p = 0;
    for (int n = 0; n < wanted; ++n) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        if (n > 0 && p < line.size() && line[p] == ',') {
            ++p;
            while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
                ++p;
        }
        std::size_t end = line.find_first_of(", \t", p);
        if (end == std::string::npos)
            end = line.size();
        if (end == p)
            return RowResult::Short;
        if (!PlainNumber(line.substr(p, end - p), values[n]))
            return RowResult::Text;
        p = end;
    }
    return RowResult::Ok;
}

struct Section {
    bool complex = false, noX = false, formatSeen = false;
    bool labelMatch = false, mainXMatch = false, labelYSeen = false, labelXSeen = false;
    long long count = 0;
    bool Ready() const {
        return labelXSeen && labelYSeen && labelMatch && (mainXMatch || noX) && count > 0 && formatSeen;
    }
};

// Reads the rows of the section taken; the file position is at its first row.
int ReadRows(Lines& lines, const Section& s, UserWaveformUse use, bool timeAxis, UserWaveform& out,
             UserWaveformProblem& problem) {
    out = UserWaveform{};
    out.complex = s.complex;
    out.hasX = !s.noX;
    int wanted = 1 + (s.noX ? 0 : (s.complex ? 2 : 1)) + (s.complex ? 2 : 1);
    problem.announced = static_cast<int>(std::min<long long>(s.count, 0x7fffffff));
    int direction = 0;  // of the main X so far: +1 rising, -1 falling
    std::string line;
    double v[5] = {};
    for (long long row = 0; row < s.count; ++row) {
        if (!lines.NextEntry(line)) {
            problem.found = out.PointCount();
            problem.line = lines.number;
            if (out.PointCount() > 2) {
                problem.code = kMsgFewerPoints;
                return 0;
            }
            return problem.code = kMsgLoadError;
        }
        RowResult r = ReadRow(line, wanted, v);
        if (r != RowResult::Ok) {
            problem.line = lines.number;
            problem.found = out.PointCount();
            // A last line without its line end was cut short while the file was written.
            bool cut = lines.pos >= lines.text.size() && lines.text.back() != '\n';
            if (cut && out.PointCount() > 2) {
                problem.code = kMsgFewerPoints;  // a file cut short inside its last row
                return 0;
            }
            return problem.code = kMsgBadFormat;
        }
        int k = 0;
        double mx = v[k++];
        if (!out.mainX.empty()) {
            double step = mx - out.mainX.back();
            if (step < 0)
                out.mainXIncreasing = false;
            int d = step > 0 ? 1 : (step < 0 ? -1 : 0);
            // A source plays its rows in order: a main X that turns back, or a time that
            // falls, has no meaning for it.
            bool back = (d != 0 && direction != 0 && d != direction) || (timeAxis && d < 0);
            if (use == UserWaveformUse::Source && back) {
                problem.line = lines.number;
                problem.found = out.PointCount();
                return problem.code = kMsgBadFormat;
            }
            if (d)
                direction = d;
        }
        out.mainX.push_back(mx);
        double xr = 0, xi = 0;
        if (!s.noX) {
            xr = v[k++];
            if (s.complex)
                xi = v[k++];
        }
        out.xRe.push_back(xr);
        out.xIm.push_back(xi);
        out.yRe.push_back(v[k++]);
        out.yIm.push_back(s.complex ? v[k++] : 0.0);
    }
    problem.found = out.PointCount();
    return 0;
}

}  // namespace

std::string UserSourceMainXName(int analysisKind, const std::string& dcVariable1Name) {
    if (analysisKind == 0)
        return "T";
    if (analysisKind == 1)
        return "F";
    std::string name = "V(" + dcVariable1Name + ")";
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

int ParseUserSourceWaveform(const std::string& text, const std::string& label, const std::string& mainX,
                            UserWaveformUse use, UserWaveform& out, UserWaveformProblem& problem) {
    problem = UserWaveformProblem{};
    out = UserWaveform{};
    const std::string wanted = label.empty() ? std::string("Label vs T") : label;
    Lines lines{text};
    std::string line, key, value;
    if (!lines.Next(line) || !SameNoCase(Trim(line), "[Main]") || !ReadHeader(lines))
        return problem.code = kMsgBadFileFormat;
    Section s;
    while (lines.NextEntry(line)) {
        std::string t = Trim(line);
        if (!SplitEntry(t, key, value)) {
            s = Section{};  // a section line or a row of a section not taken
            continue;
        }
        if (SameNoCase(key, "Label")) {
            // Curve expressions are upper case: their labels match in any case.
            s.labelMatch = use == UserWaveformUse::Curve ? SameNoCase(value, wanted) : value == wanted;
        } else if (SameNoCase(key, "MainX")) {
            s.mainXMatch = SameNoCase(value, mainX);
        } else if (SameNoCase(key, "LabelX")) {
            s.labelXSeen = true;
        } else if (SameNoCase(key, "LabelY")) {
            s.labelYSeen = true;
        } else if (SameNoCase(key, "Format")) {
            s.formatSeen = true;
            s.complex = SameNoCase(value, "Complex") || SameNoCase(value, "ComplexNoX");
            s.noX = SameNoCase(value, "SimpleNoX") || SameNoCase(value, "ComplexNoX");
        } else if (SameNoCase(key, "Data Point Count")) {
            s.count = std::atoll(value.c_str());
        } else {
            s = Section{};
            continue;
        }
        if (s.Ready())
            return ReadRows(lines, s, use, SameNoCase(mainX, "T"), out, problem);
    }
    return problem.code = kMsgNotFound;
}

int LoadUserSourceWaveform(std::string fileName, const std::string& label, const std::string& mainX,
                           UserWaveformUse use, UserWaveform& out) {
    ReplaceFileExtension(fileName, "USR");
    std::string existing = FindExistingPathNoCase(fileName);  // "wave.usr" serves for "wave.USR"
    if (!existing.empty())
        fileName = existing;
    // An older layout the user would not convert loads nothing; the run must not go on
    // with an empty waveform.
    if (int check = CheckUserSourceFileFormat(fileName))
        return check == 1 ? kMsgReported : check;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        ReportMessage("E", kMsgFileNotFound, fileName.c_str());
        return kMsgReported;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    UserWaveformProblem problem;
    int code = ParseUserSourceWaveform(buffer.str(), label, mainX, use, out, problem);
    const std::string wanted = label.empty() ? std::string("Label vs T") : label;
    std::string lineText = std::to_string(problem.line);
    switch (problem.code) {
    case 0:
        return 0;
    case kMsgFewerPoints:
        ReportMessage("EMMM", kMsgFewerPoints, "X Expression", mainX.c_str(), "Expression", wanted.c_str(), "Line",
                      lineText.c_str(), problem.found, problem.announced);
        return 0;
    case kMsgNotFound:
        ReportMessage("EMM", kMsgNotFound, "X Expression", mainX.c_str(), "Expression", wanted.c_str(),
                      fileName.c_str());
        return kMsgReported;
    case kMsgBadFileFormat:
        ReportMessage("EM", kMsgBadFileFormat, "File", fileName.c_str());
        return kMsgReported;
    default:
        ReportMessage("EMMM", code, "X Expression", mainX.c_str(), "Expression", wanted.c_str(), "Line",
                      lineText.c_str(), fileName.c_str());
        return kMsgReported;
    }
}

namespace {
std::string ImportMainX = "T";
}  // namespace

void SetUserSourceImportMainX(const std::string& mainX) { ImportMainX = mainX; }

int ReadUserSourceImport(ImportSpec& spec) {
    UserWaveform w;
    if (int code = LoadUserSourceWaveform(spec.file_name, spec.waveform_name, ImportMainX, UserWaveformUse::Curve, w))
        return code;
    const bool wantX = spec.kind == kImportWaveformX;
    std::vector<ImportPoint>& points = *spec.points;
    points.clear();
    for (int i = 0; i < w.PointCount(); ++i) {
        if (wantX && !w.hasX) break;
        points.push_back({w.mainX[i], wantX ? w.xRe[i] : w.yRe[i], wantX ? w.xIm[i] : w.yIm[i]});
    }
    spec.increasing = w.mainXIncreasing;
    return 0;
}

}  // namespace ob7
