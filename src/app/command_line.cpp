#include "app/command_line.h"

#include <cctype>
#include <cstring>
#include <filesystem>

namespace ob7 {

namespace {

void Trim(std::string& text) {
    size_t a = text.find_first_not_of(' ');
    if (a == std::string::npos) { text.clear(); return; }
    size_t b = text.find_last_not_of(' ');
    text = text.substr(a, b - a + 1);
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// End of the blank-delimited token that begins at `from`.
size_t BlankEnd(const std::string& text, size_t from) {
    size_t end = text.find(' ', from);
    return end == std::string::npos ? text.size() : end;
}

// A token that begins with "/" is a path rather than switches when it names something
// that exists or holds a "." (switches are letters only, "/T/A" or "/TOSPICE").
bool IsPathToken(const std::string& token) {
    if (token.find('.') != std::string::npos) return true;
    std::error_code ec;
    return std::filesystem::exists(token, ec);
}

bool IsSwitchToken(const std::string& text, size_t from) {
    return text[from] == '/' && !IsPathToken(text.substr(from, BlankEnd(text, from) - from));
}

}  // namespace

std::string SplitFirstWord(std::string& text) {
    for (char& c : text)
        if (c == '\t') c = ' ';
    size_t i = 0;
    std::string word;
    while (i < text.size()) {
        if (text[i] == ' ') { ++i; continue; }
        if (IsSwitchToken(text, i)) { i = BlankEnd(text, i); continue; }
        if (text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                word = text.substr(i + 1);
                text.erase(i);
            } else {
                word = text.substr(i + 1, close - i - 1);
                text.erase(i, close - i + 1);
            }
        } else {
            size_t end = BlankEnd(text, i);
            word = text.substr(i, end - i);
            text.erase(i, end - i);
        }
        break;
    }
    Trim(text);
    return word;
}

int FindSwitch(std::string& text, const char* name) {
    const std::string upper = Upper(text);
    const std::string wanted = Upper(name);
    const size_t length = wanted.size();
    int result = -1;
    // The first place where the switch text begins inside a switch token decides.
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') { ++i; continue; }
        size_t end = BlankEnd(text, i);
        if (IsSwitchToken(text, i)) {
            size_t at = upper.find(wanted, i);
            if (at != std::string::npos && at < end) {
                size_t partEnd = at + 1;
                while (partEnd < end && text[partEnd] != '/') ++partEnd;
                if (partEnd - at == length) {
                    text.erase(at, length);
                    result = static_cast<int>(at);
                }
                break;
            }
        }
        i = end;
    }
    Trim(text);
    return result;
}

StartupOptions ParseCommandLine(const std::string& commandLine) {
    StartupOptions o;
    std::string text = commandLine;
    Trim(text);
    std::string first = SplitFirstWord(text);
    if (!first.empty() && first[0] == '@') {
        if (FindSwitch(text, "/PC") >= 0) o.printCircuit = true;
        if (FindSwitch(text, "/PA") >= 0) o.printAnalysis = true;
        if (FindLetterSwitch(text, 'P') >= 0) o.printCircuit = o.printAnalysis = true;
        // "/S" wins over "/R"; both are taken off the line.
        const bool save = FindLetterSwitch(text, 'S') >= 0;
        const bool retrieve = FindLetterSwitch(text, 'R') >= 0;
        o.batchMode = save ? 2 : retrieve ? 1 : 8;
        o.commandFile = first.substr(1);
        Trim(o.commandFile);
    } else {
        if (FindLetterSwitch(text, 'T') >= 0) o.startupAnalysis = 0;
        if (FindLetterSwitch(text, 'A') >= 0) o.startupAnalysis = 1;
        if (FindLetterSwitch(text, 'D') >= 0) o.startupAnalysis = 2;
        o.firstWord = first;
    }
    if (text.find('/') != std::string::npos) o.error = text;
    o.rest = text;
    return o;
}

BatchLineOptions ParseBatchLineOptions(const std::string& line) {
    BatchLineOptions o;
    std::string text = line;
    FindSwitch(text, "/TOSPICE");
    FindSwitch(text, "/SPICE3");
    FindSwitch(text, "/NOTOSPICE");
    o.runTransient = FindLetterSwitch(text, 'T') >= 0;
    o.runAC = FindLetterSwitch(text, 'A') >= 0;
    o.runDC = FindLetterSwitch(text, 'D') >= 0;
    o.printCircuit = FindSwitch(text, "/PC") >= 0;
    o.printPlot = FindSwitch(text, "/PA") >= 0;
    if (FindLetterSwitch(text, 'P') >= 0) o.printCircuit = o.printPlot = true;
    const bool save = FindLetterSwitch(text, 'S') >= 0;
    const bool retrieve = FindLetterSwitch(text, 'R') >= 0;
    o.runMode = save ? 2 : retrieve ? 1 : 8;
    o.name = SplitFirstWord(text);
    o.leftover = text;
    return o;
}

}  // namespace ob7
