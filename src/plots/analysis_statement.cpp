#include "plots/analysis_statement.h"

#include <strings.h>

#include <algorithm>
#include <vector>

namespace ob7 {

namespace {

constexpr size_t kMaxDeletedLines = 200;

// The line's first word, upper-cased, after leading blanks.
std::string FirstWord(const std::string& line) {
    const size_t a = line.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const size_t b = std::min(line.find_first_of(" \t", a), line.size());
    std::string word = line.substr(a, b - a);
    for (char& c : word) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return word;
}

bool StartsWith(const std::string& line, char c) {
    const size_t a = line.find_first_not_of(" \t");
    return a != std::string::npos && line[a] == c;
}

}  // namespace

std::string TfStatementText(const TransferFunctionSettings& s) {
    if (s.outputs.empty() || s.outputs.front().empty()) return {};
    return ".TF " + s.outputs.front() + " " + s.inputSource;
}

std::string SensStatementText(const std::string (&outputs)[kSensitivityOutputs]) {
    std::string text = ".sens";
    for (const std::string& o : outputs) text += " " + o;
    return text;
}

std::string ReplaceAnalysisStatement(const std::string& text, AnalysisStatement kind, const std::string& statement) {
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> lines;
    for (size_t p = 0; p < text.size();) {
        const size_t e = text.find('\n', p);
        std::string line = text.substr(p, e == std::string::npos ? std::string::npos : e - p);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        p = e == std::string::npos ? text.size() : e + 1;
    }
    const bool endsWithEol = !text.empty() && text.back() == '\n';
    const std::string keyword = kind == AnalysisStatement::Tf ? ".TF" : ".SENS";

    std::vector<size_t> deleted;
    long insertAt = -1;
    int depth = 0;
    for (size_t i = 0; i < lines.size();) {
        // A logical line: this line and the "+" lines after it, with comments between.
        size_t end = i + 1;
        for (size_t k = end; k < lines.size() && (StartsWith(lines[k], '+') || StartsWith(lines[k], '*')); ++k)
            if (StartsWith(lines[k], '+')) end = k + 1;
        const std::string word = FirstWord(lines[i]);
        if (word == ".END") {
            if (insertAt < 0) insertAt = static_cast<long>(i);
            break;
        }
        if (word == ".SUBCKT") ++depth;
        else if (word == ".ENDS") depth = std::max(0, depth - 1);
        else if (depth == 0 && word == keyword) {
            if (insertAt < 0) insertAt = static_cast<long>(i);
            for (size_t k = i; k < end && deleted.size() < kMaxDeletedLines; ++k)
                if (!StartsWith(lines[k], '*')) deleted.push_back(k);
        }
        i = end;
    }
    for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) lines.erase(lines.begin() + static_cast<long>(*it));
    if (!statement.empty()) {
        if (insertAt < 0 || insertAt > static_cast<long>(lines.size())) lines.push_back(statement);
        else lines.insert(lines.begin() + insertAt, statement);
    }
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || endsWithEol) out += eol;
    }
    return out;
}

}  // namespace ob7
