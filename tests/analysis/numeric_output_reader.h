#pragma once
// Reads back what the numeric output printed: the curve tables (a heading line, a unit
// line, rows of numbers), the caption above each, and the operating-point node voltages;
// and how finely a printed number was rounded.

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/numbers.h"

namespace ob7 {

struct PrintedTable {
    std::string caption;                         // the nearest text line above
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;  // the cells as printed
    int Column(const std::string& heading) const {
        for (size_t i = 0; i < headings.size(); ++i)
            if (headings[i] == heading) return static_cast<int>(i);
        return -1;
    }
    std::vector<double> Values(int column) const {
        std::vector<double> v;
        for (const auto& r : rows) v.push_back(std::strtod(r[column].c_str(), nullptr));
        return v;
    }
};

inline std::vector<std::string> SplitBlanks(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

inline bool IsPlainNumber(const std::string& text) {
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end && *end == 0 && end != text.c_str();
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every curve table of a numeric output file, in file order.
inline std::vector<PrintedTable> ReadPrintedTables(const std::string& path) {
    const std::vector<std::string> lines = ReadLines(path);
    std::vector<PrintedTable> tables;
    for (size_t i = 0; i + 2 < lines.size(); ++i) {
        const auto headings = SplitBlanks(lines[i]);
        if (headings.empty() || !SplitBlanks(lines[i + 1]).empty()) continue;
        const auto first = SplitBlanks(lines[i + 2]);
        if (first.size() != headings.size() || !IsPlainNumber(first[0])) continue;
        PrintedTable t;
        t.headings = headings;
        for (size_t k = i; k-- > 0;)
            if (!SplitBlanks(lines[k]).empty()) {
                const size_t a = lines[k].find_first_not_of(' ');
                t.caption = lines[k].substr(a);
                break;
            }
        size_t r = i + 2;
        for (; r < lines.size(); ++r) {
            auto cells = SplitBlanks(lines[r]);
            // A table that follows at once starts with its heading.
            if (cells.size() != headings.size() || (!IsPlainNumber(cells[0]) && cells[0] != "N/A")) break;
            t.rows.push_back(cells);
        }
        tables.push_back(std::move(t));
        i = r - 1;  // the loop steps onto the line that ended the table
    }
    return tables;
}

// The node voltages of the first "DC Operating Point Voltages" section (lower-case names).
inline std::map<std::string, std::string> ReadPrintedNodeVoltages(const std::string& path) {
    const std::vector<std::string> lines = ReadLines(path);
    std::map<std::string, std::string> voltages;
    size_t i = 0;
    while (i < lines.size() && lines[i].find("DC Operating Point Voltages") == std::string::npos) ++i;
    for (i += 2; i < lines.size(); ++i) {
        const auto words = SplitBlanks(lines[i]);
        if (words.empty() || words.size() % 2) break;
        for (size_t k = 0; k < words.size(); k += 2) {
            std::string name = words[k];
            for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            voltages[name] = words[k + 1];
        }
    }
    return voltages;
}

// Half a unit of the last digit a printed number shows ("-754.975M", "4.990E-06", "0.000").
inline double PrintedHalfUnit(const std::string& text) {
    size_t end = text.find_first_not_of("+-0123456789.");
    const std::string mantissa = text.substr(0, end);
    const size_t point = mantissa.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    const std::string rest = end == std::string::npos ? std::string() : text.substr(end);
    const double scale = rest.empty() ? 1.0 : rest[0] == 'E' ? std::pow(10.0, std::atof(rest.c_str() + 1))
                                                             : ParseNumber(("1" + rest).c_str(), nullptr);
    return 0.5 * std::pow(10.0, -decimals) * scale;
}

// The reference curve at x by linear interpolation (in log x when asked).
inline double ReferenceAt(const std::vector<double>& xs, const std::vector<double>& ys, double x, bool logX) {
    auto f = [logX](double v) { return logX ? std::log10(v) : v; };
    if (x <= xs.front()) return ys.front();
    for (size_t k = 0; k + 1 < xs.size(); ++k)
        if (x <= xs[k + 1]) {
            if (xs[k + 1] == xs[k]) return ys[k + 1];
            return ys[k] + (ys[k + 1] - ys[k]) * (f(x) - f(xs[k])) / (f(xs[k + 1]) - f(xs[k]));
        }
    return ys.back();
}

}  // namespace ob7
