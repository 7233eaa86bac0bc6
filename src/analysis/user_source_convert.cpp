// Older user-source file layouts, converted to the sectioned layout before use.

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/user_source_file.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"

namespace ob7 {

namespace {

constexpr int kMsgConvertQuestion = 13549;
constexpr int kDefaultPointCount = 256;

double TransientTmin = 0.0;
double TransientTmax = 0.0;

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool SameNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// The non-empty lines of a text.
std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

bool ParseNumber(const std::string& token, double& value) {
    if (token.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size();
}

// The numbers of a line separated by commas or blanks; false when any is not a number.
bool LineNumbers(const std::string& line, std::vector<double>& numbers) {
    numbers.clear();
    std::string token;
    auto take = [&] {
        double v;
        if (token.empty())
            return true;
        if (!ParseNumber(token, v))
            return false;
        numbers.push_back(v);
        token.clear();
        return true;
    };
    for (char c : line) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!take())
                return false;
        } else {
            token += c;
        }
    }
    return take() && !numbers.empty();
}

// A count line: a bare number or "key=number".
bool CountLine(const std::string& line, int& count) {
    std::size_t eq = line.find('=');
    double v;
    if (!ParseNumber(Trim(eq == std::string::npos ? line : line.substr(eq + 1)), v))
        return false;
    count = v < 1.0 ? 0 : v > 1e7 ? 10000000 : static_cast<int>(v);
    return true;
}

// "Version=1" files: point count, waveform count, then per waveform a label line and
// the time/value pairs. A waveform cut short ends where the next label begins.
int ReadVersionOne(const std::vector<std::string>& lines, std::vector<UserWaveformSave>& waves) {
    int points = 0, count = 0;
    if (lines.size() < 3 || !CountLine(lines[1], points) || !CountLine(lines[2], count))
        return kMsgBadFileFormat;
    if (points < 1)
        points = kDefaultPointCount;
    std::size_t at = 3;
    std::vector<double> numbers;
    for (int w = 0; w < count && at < lines.size(); ++w) {
        UserWaveformSave save;
        save.label = lines[at++];
        std::vector<double> pending;
        while (static_cast<int>(save.mainXValues.size()) < points && at < lines.size() &&
               LineNumbers(lines[at], numbers)) {
            ++at;
            pending.insert(pending.end(), numbers.begin(), numbers.end());
            std::size_t k = 0;
            for (; k + 1 < pending.size() && static_cast<int>(save.mainXValues.size()) < points; k += 2) {
                save.mainXValues.push_back(pending[k]);
                save.yRe.push_back(pending[k + 1]);
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(k));
        }
        if (save.mainXValues.empty())
            return kMsgBadFileFormat;
        waves.push_back(std::move(save));
    }
    return waves.empty() ? kMsgBadFileFormat : 0;
}

// Bare files: the values of one waveform over the transient range.
int ReadBare(const std::vector<std::string>& lines, double tmin, double tmax, std::vector<UserWaveformSave>& waves) {
    int points = 0;
    std::size_t at = 0;
    if (lines[0].find('.') != std::string::npos) {
        points = kDefaultPointCount;
    } else {
        if (!CountLine(lines[0], points))
            return kMsgBadFileFormat;
        if (points < 1)
            points = kDefaultPointCount;
        at = 1;
    }
    UserWaveformSave save;
    // A source without a label asks for this one, which is what these files served.
    save.label = "Label vs T";
    std::vector<double> numbers;
    for (; at < lines.size() && static_cast<int>(save.yRe.size()) < points; ++at) {
        if (!LineNumbers(lines[at], numbers))
            return kMsgBadFileFormat;
        for (double v : numbers)
            if (static_cast<int>(save.yRe.size()) < points)
                save.yRe.push_back(v);
    }
    if (save.yRe.empty())
        return kMsgBadFileFormat;
    const double step = points > 1 ? (tmax - tmin) / (points - 1) : 0.0;
    for (std::size_t i = 0; i < save.yRe.size(); ++i)
        save.mainXValues.push_back(tmin + static_cast<double>(i) * step);
    waves.push_back(std::move(save));
    return 0;
}

}  // namespace

void SetUserSourceTimeRange(double tmin, double tmax) {
    TransientTmin = tmin;
    TransientTmax = tmax;
}

int ConvertOldUserSourceText(const std::string& text, double tmin, double tmax, std::string& out) {
    std::vector<std::string> lines = TextLines(text);
    if (lines.empty())
        return kMsgBadFileFormat;
    std::vector<UserWaveformSave> waves;
    std::string key = lines[0].substr(0, lines[0].find('='));
    int code = SameNoCase(Trim(key), "Version") ? ReadVersionOne(lines, waves) : ReadBare(lines, tmin, tmax, waves);
    if (code)
        return code;
    out = UserSourceFileHeaderText();
    for (const UserWaveformSave& w : waves)
        out += "WaveformMenu=" + w.label + "\n";
    for (UserWaveformSave& w : waves) {
        w.mainX = w.labelX = "T";
        w.labelY = w.label;
        w.xRe = w.mainXValues;  // rows: time, time, value
        out += WaveformSectionText(w);
    }
    return 0;
}

int ConvertOldUserSourceFile(const std::string& fileName, double tmin, double tmax) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return kMsgFileNotFound;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text;
    if (int code = ConvertOldUserSourceText(buffer.str(), tmin, tmax, text))
        return code;
    return ReplaceUserSourceFileText(fileName, text);
}

int CheckUserSourceFileFormat(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return 0;  // the reader reports a missing file
    std::string line;
    while (std::getline(in, line) && Trim(line).empty()) {
    }
    in.close();
    if (SameNoCase(Trim(line), "[Main]"))
        return 0;
    if (ReportMessage("SEM", kStyleYesNo | kIconExclamation, kMsgConvertQuestion, "File:", fileName.c_str()) !=
        kButtonYes)
        return 1;
    if (int code = ConvertOldUserSourceFile(fileName, TransientTmin, TransientTmax)) {
        if (code == kMsgBadFileFormat)
            ReportMessage("EM", code, "File", fileName.c_str());
        else
            ReportMessage("E", code, fileName.c_str());
        return kMsgReported;
    }
    return 0;
}

}  // namespace ob7
