#include "sim/analysis/waveform_import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "sim/analysis/time_breakpoints.h"
#include "sim/engine/run_control.h"

namespace ob7 {

int (*ReadUserSourceWaveform)(ImportSpec& spec) = nullptr;

namespace {

struct Keyword {
    const char* name;
    int kind;
};
const Keyword kKeywords[] = {{"IMPORT", kImportNumericOutput},
                             {"WAVEFORMY", kImportWaveformY},
                             {"WAVEFORMX", kImportWaveformX},
                             {"CURVEX", kImportWaveformX},
                             {"CURVEY", kImportWaveformY}};

constexpr size_t kMaxLine = 300;
constexpr const char kStateLetters[] = "0RF1XZ?";

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string Unquote(const std::string& s) {
    std::string t = Trim(s);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return Trim(t);
}

bool IdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int Report(int message, const char* argument = nullptr) {
    if (argument) ReportMessage("E", message, argument);
    else ReportMessage("E", message);
    return kMsgReported;
}

// Whether the line begins a number (after blanks).
bool BeginsNumber(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos) return false;
    if (line[i] == '+' || line[i] == '-') ++i;
    if (i < line.size() && line[i] == '.') ++i;
    return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]));
}

struct Token {
    std::string text;
    size_t begin, end;
};
std::vector<Token> SplitTokens(const std::string& line) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        const size_t begin = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        tokens.push_back({line.substr(begin, i - begin), begin, i});
    }
    return tokens;
}

// The value after "name" (after blanks) ends with a blank or the end of the line.
bool FollowedBy(const std::string& line, const std::string& name, const std::string& value) {
    for (size_t at = line.find(" " + name); at != std::string::npos; at = line.find(" " + name, at + 1)) {
        size_t i = at + 1 + name.size();
        while (i < line.size() && line[i] == ' ') ++i;
        if (line.compare(i, value.size(), value) == 0) {
            const size_t end = i + value.size();
            if (end == line.size() || line[end] == ' ') return true;
        }
    }
    return false;
}

std::string FormatG(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

// The unit scale written in parentheses under a column, as "(u)" -> 1e-6; a unit with an
// M is mega (the line is upper-cased, so M and MEG both are).
double UnitScale(const std::string& line, size_t begin, size_t end) {
    for (size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
        size_t close = line.find(')', open);
        if (close == std::string::npos) close = line.size();
        if (close < begin || open >= end) continue;  // not under the column
        const std::string unit = line.substr(open + 1, close - open - 1);
        if (unit.find('M') != std::string::npos) return 1e6;
        int error = 0;
        const double scale = ParseNumber(("1" + unit).c_str(), &error);
        return scale != 0 ? scale : 1.0;
    }
    return 1.0;
}

}  // namespace

size_t FindImportCall(const std::string& text, bool with_parenthesis, int* kind) {
    const std::string upper = Upper(text);
    size_t best = std::string::npos;
    for (const Keyword& k : kKeywords) {
        for (size_t at = upper.find(k.name); at != std::string::npos; at = upper.find(k.name, at + 1)) {
            size_t after = at + std::strlen(k.name);
            if (with_parenthesis) {
                while (after < upper.size() && upper[after] == ' ') ++after;
                if (after >= upper.size() || upper[after] != '(') continue;
            }
            if (at < best) {
                best = at;
                if (kind) *kind = k.kind;
            }
            break;
        }
    }
    return best;
}

int ParseImportCalls(std::string& expression, bool is_x_axis, int analysis_kind, const std::string& x_expression,
                     const std::string& folder, std::vector<ImportSpec>* specs, bool* handled) {
    *handled = false;
    specs->clear();
    std::string text = expression;
    size_t from = 0;
    for (;;) {
        int kind = 0;
        const size_t rel = FindImportCall(text.substr(from), false, &kind);
        if (rel == std::string::npos) break;
        const size_t at = from + rel;
        const size_t name_length = kind == kImportNumericOutput ? 6 : (Upper(text.substr(at, 5)) == "CURVE" ? 6 : 9);
        size_t i = at + name_length;
        if (at > 0 && IdentifierChar(text[at - 1])) {
            from = i;
            continue;
        }
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size() || text[i] != '(') return Report(kMsgMissingOpenParen);
        *handled = true;
        if (kind == kImportNumericOutput) {
            if (is_x_axis) {
                from = i;
                continue;
            }
            const std::string x = Upper(Trim(x_expression));
            if (analysis_kind == 0 && x != "T") return Report(kMsgImportNeedsT);
            if (analysis_kind == 1 && x != "F") return Report(kMsgImportNeedsF);
        }
        // The argument runs to the matching parenthesis.
        int depth = 0;
        size_t close = std::string::npos;
        bool quoted = false;
        for (size_t j = i; j < text.size(); ++j) {
            if (text[j] == '"') quoted = !quoted;
            if (quoted) continue;
            if (text[j] == '(') ++depth;
            else if (text[j] == ')' && --depth == 0) {
                close = j;
                break;
            }
        }
        if (close == std::string::npos) return Report(kMsgMissingCloseParen);
        const std::string argument = text.substr(i + 1, close - i - 1);
        if (kind != kImportNumericOutput) {
            // ("file", "name")
            const std::string a = Trim(argument);
            if (a.empty() || a[0] != '"') return ReportMessage("E", kMsgExpecting, "\""), kMsgReported;
            const size_t end_file = a.find('"', 1);
            const size_t comma = end_file == std::string::npos ? std::string::npos : a.find(',', end_file);
            if (comma == std::string::npos) return ReportMessage("E", kMsgExpecting, ","), kMsgReported;
        }
        const size_t comma = argument.find(',');
        if (comma == std::string::npos) return Report(kMsgIllegalImport);
        ImportSpec spec;
        spec.kind = kind;
        std::string file = Unquote(argument.substr(0, comma));
        if (!file.empty() && file[0] != '/' && !folder.empty()) file = folder + "/" + file;
        spec.file_name = file;
        spec.waveform_name = Unquote(argument.substr(comma + 1));
        specs->push_back(spec);
        // The keyword stays; its argument goes.
        text = text.substr(0, i) + " " + text.substr(close + 1);
        from = i;
    }
    expression = text;
    return 0;
}

bool MatchImportCase(const std::string& line, const ImportCase& at) {
    if (!line.empty() && line[0] == '*') return true;
    bool match = false;
    if (at.analysis_kind == 2 && at.has_variable2) {
        const std::string name = Upper(at.dc_variable2);
        if (line.find(" " + name) != std::string::npos) {
            if (!FollowedBy(line, name, FormatG(at.dc_value2)) &&
                !FollowedBy(line, name, Upper(FormatNumberText(at.dc_value2, -1, 0, 0))))
                return false;
            match = true;
        }
    }
    if (at.run_number < 2) return true;
    if (FollowedBy(line, "CASE", std::to_string(at.run_number))) return true;
    return match;
}

int LoadImportWaveform(ImportSpec& spec, const std::vector<const ImportSpec*>& earlier, const ImportCase& at) {
    spec.points = std::make_shared<std::vector<ImportPoint>>();
    spec.shared = false;
    spec.search_position = 0;
    spec.increasing = true;
    for (const ImportSpec* e : earlier) {
        if (e->file_name == spec.file_name && e->waveform_name == spec.waveform_name && e->kind == spec.kind) {
            spec.points = e->points;
            spec.shared = true;
            spec.increasing = e->increasing;
            return 0;
        }
    }
    if (spec.kind != kImportNumericOutput) {
        if (!ReadUserSourceWaveform) return Report(kMsgImportCannotOpen, spec.file_name.c_str());
        return ReadUserSourceWaveform(spec);
    }
    if (!at.own_numeric_output.empty() && at.own_numeric_output == spec.file_name) return Report(kMsgImportBeingWritten);

    std::vector<std::string> x_names;
    if (at.analysis_kind == 0) x_names = {"TIME", "T"};
    else if (at.analysis_kind == 1) x_names = {"FREQUENCY", "FREQ", "F"};
    else x_names = {Upper("V(" + at.dc_variable1 + ")")};
    const std::string wave = Upper(spec.waveform_name);

    char prompt[600];
    std::snprintf(prompt, sizeof prompt, "Scanning import file %s for %s", spec.file_name.c_str(), spec.waveform_name.c_str());
    ShowPrompt(prompt);
    std::ifstream in(spec.file_name);
    if (!in) {
        ShowPrompt("");
        return Report(kMsgImportCannotOpen, spec.file_name.c_str());
    }
    std::vector<ImportPoint>& points = *spec.points;
    points.reserve(2001);
    bool in_block = false, block_found = false, header_found = false, data_read = false;
    int x_column = -1, y_column = -1;
    size_t x_begin = 0, x_end = 0, y_begin = 0, y_end = 0;
    std::string raw;
    while (std::getline(in, raw)) {
        if (raw.size() > kMaxLine) raw.resize(kMaxLine);
        const std::string full = Upper(raw);  // column spans count from the line's start
        const size_t lead = full.find_first_not_of(" \t");
        const std::string line = lead == std::string::npos ? std::string() : full.substr(lead);
        const size_t temp = line.find("TEMP");
        if (temp != std::string::npos) {
            size_t eq = line.find_first_not_of(' ', temp + (line.compare(temp, 11, "TEMPERATURE") == 0 ? 11 : 4));
            if (eq != std::string::npos && line[eq] == '=') {
                if (data_read) break;
                int error = 0;
                const double t = ParseNumber(line.substr(eq + 1).c_str(), &error);
                in_block = std::fabs(t - at.temperature) < 1e-9 && MatchImportCase(line, at);
                block_found = block_found || in_block;
                header_found = false;
                continue;
            }
        }
        if (!in_block) continue;
        if (!header_found) {
            if (line.find(wave) == std::string::npos) continue;
            const std::vector<Token> tokens = SplitTokens(full);
            x_column = y_column = -1;
            for (size_t k = 0; k < tokens.size(); ++k) {
                for (const std::string& x : x_names)
                    if (x_column < 0 && tokens[k].text.compare(0, x.size(), x) == 0 && tokens[k].text.compare(0, wave.size(), wave) != 0)
                        x_column = static_cast<int>(k), x_begin = tokens[k].begin, x_end = tokens[k].end;
                if (y_column < 0 && tokens[k].text.compare(0, wave.size(), wave) == 0)
                    y_column = static_cast<int>(k), y_begin = tokens[k].begin, y_end = tokens[k].end;
            }
            if (x_column < 0 || y_column < 0) continue;
            header_found = true;
            spec.x_scale = spec.y_scale = 1.0;
            continue;
        }
        if (line.compare(0, 2, "--") == 0) continue;
        if (!BeginsNumber(line)) {
            if (data_read) break;
            if (line.find('(') != std::string::npos) {
                spec.x_scale = UnitScale(full, x_begin, x_end);
                spec.y_scale = UnitScale(full, y_begin, y_end);
            }
            continue;
        }
        const std::vector<Token> tokens = SplitTokens(line);
        const bool has_x = x_column < static_cast<int>(tokens.size());
        const bool has_y = y_column < static_cast<int>(tokens.size());
        if (!has_x || !has_y) {
            const std::string missing = has_x ? spec.waveform_name : x_names.front();
            ReportMessage("E", kMsgImportMissingColumn, missing.c_str(), spec.file_name.c_str());
            ShowPrompt("");
            return kMsgImportMissingColumn;
        }
        int error = 0;
        const double x = ParseNumber(tokens[x_column].text.c_str(), &error) * spec.x_scale;
        double y = 0;
        if (at.digital_axis) {
            const char* letter = std::strchr(kStateLetters, tokens[y_column].text[0]);
            y = letter && *letter ? static_cast<double>(letter - kStateLetters) : 0;
        } else {
            y = ParseNumber(tokens[y_column].text.c_str(), &error) * spec.y_scale;
        }
        if (!points.empty()) {
            if (x < points.back().x) spec.increasing = false;
            if (at.digital_axis && x == points.back().x) {
                points.back().y = y;
                continue;
            }
        }
        points.push_back({x, y, 0});
        data_read = true;
    }
    ShowPrompt("");
    if (points.empty()) {
        if (block_found)
            ReportMessage("E", kMsgImportNotFound, x_names.front().c_str(), spec.waveform_name.c_str(),
                          spec.file_name.c_str());
        else
            ReportMessage("E", kMsgImportCaseNotFound, FormatG(at.temperature).c_str(), spec.waveform_name.c_str(),
                          spec.file_name.c_str());
        return kMsgReported;
    }
    return 0;
}

int AddImportTransitions(const ImportSpec& spec) {
    for (const ImportPoint& p : spec.Points()) {
        const uint32_t tick = TickCeiling(p.x);
        if (tick > kEndTick) continue;
        if (int error = AddTimeBreakpoint(tick)) return error;
    }
    return 0;
}

void InterpolateImportWaveform(std::vector<ImportSpec>& specs, double x, bool digital_axis) {
    for (ImportSpec& s : specs) {
        const std::vector<ImportPoint>& p = s.Points();
        if (p.empty()) {
            s.value = s.second_value = 0;
            continue;
        }
        if (s.increasing && x < s.last_x) s.search_position = 0;
        s.last_x = x;
        if (s.increasing && x >= p.back().x) {
            s.value = p.back().y, s.second_value = p.back().y2;
            continue;
        }
        if (s.increasing && x <= p.front().x) {
            s.value = p.front().y, s.second_value = p.front().y2;
            continue;
        }
        if (digital_axis) {
            size_t k = static_cast<size_t>(std::max(0, s.search_position - 1));
            while (k + 1 < p.size() && p[k].x < x / 1.00000000001) ++k;
            s.search_position = static_cast<int>(k);
            s.value = p[k].y, s.second_value = p[k].y2;
            continue;
        }
        size_t k = static_cast<size_t>(std::max(0, s.search_position - 1));
        bool found = false;
        for (; k + 1 < p.size(); ++k) {
            const double a = p[k].x, b = p[k + 1].x;
            if ((a <= x && x <= b) || (b <= x && x <= a)) {
                found = true;
                break;
            }
        }
        if (!found) {
            s.value = p.back().y, s.second_value = p.back().y2;
            continue;
        }
        s.search_position = static_cast<int>(k);
        const ImportPoint& a = p[k];
        const ImportPoint& b = p[k + 1];
        const double u = b.x != a.x ? (x - a.x) / (b.x - a.x) : 0;
        s.value = a.y + u * (b.y - a.y);
        s.second_value = (a.y2 != 0 || b.y2 != 0) ? a.y2 + u * (b.y2 - a.y2) : 0;
    }
}

}  // namespace ob7
