#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "analysis/user_source_file.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"

namespace ob7 {

namespace {

const char kFileHeader[] =
    "[Main]\nFileType=USR\nVersion=2.00\nProgram=Ombrelic\n\n[Menu]\n"
    ";Simple    = T,X,Y\n;SimpleNoX = T,Y\n;Complex   = F,Xr,Xi,Yr,Yi\n;ComplexNoX= F,Yr,Yi\n"
    ";FormatType = Simple | Complex | SimpleNoX | ComplexNoX\n;Format=FormatType\n";

const char* const kSectionKeys[] = {"Label", "MainX", "LabelX", "LabelY", "Format", "Data Point Count"};
constexpr int kSectionKeyCount = 6;

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool SameNoCase(const std::string& a, const char* b) {
    std::size_t n = std::char_traits<char>::length(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The lines of a text that reading sees: no blank lines, no comments.
std::vector<std::string> EntryLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (!t.empty() && t[0] != ';')
            lines.push_back(t);
    }
    return lines;
}

int KeyIndex(const std::string& key) {
    for (int i = 0; i < kSectionKeyCount; ++i)
        if (SameNoCase(key, kSectionKeys[i]))
            return i;
    return -1;
}

bool SplitEntry(const std::string& line, std::string& key, std::string& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

}  // namespace

int ReplaceUserSourceFileText(const std::string& fileName, const std::string& text) {
    // A link stays a link and its target is rewritten; a read-only file is refused.
    const std::string target = SaveTargetPath(fileName);
    if (IsReadOnlyFile(target))
        return kMsgWriteError;
    std::string temp = target;
    ReplaceFileExtension(temp, "$$$");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return kMsgWriteError;
        }
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return kMsgWriteError;
    }
    return 0;
}

std::string UserSourceFileHeaderText() { return kFileHeader; }

namespace {

std::string ReadWholeFile(const std::string& fileName, bool* ok) {
    std::ifstream in(fileName, std::ios::binary);
    *ok = static_cast<bool>(in);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::string UsrName(std::string fileName) {
    ReplaceFileExtension(fileName, "USR");
    std::string existing = FindExistingPathNoCase(fileName);
    return existing.empty() ? fileName : existing;
}

}  // namespace

std::string WaveformSectionText(const UserWaveformSave& w) {
    std::string s = "\n[Waveform]\nLabel=" + w.label + "\nMainX=" + w.mainX + "\nLabelX=" + w.labelX +
                    "\nLabelY=" + w.labelY + "\nFormat=" + (w.complex ? "Complex" : "Simple") +
                    "\nData Point Count=" + std::to_string(w.mainXValues.size()) + "\n";
    char row[160];
    for (std::size_t i = 0; i < w.mainXValues.size(); ++i) {
        auto at = [](const std::vector<double>& v, std::size_t k) { return k < v.size() ? v[k] : 0.0; };
        if (w.complex)
            std::snprintf(row, sizeof row, "%.10G,%.10G,%.10G,%.10G,%.10G\n", w.mainXValues[i], at(w.xRe, i),
                          at(w.xIm, i), at(w.yRe, i), at(w.yIm, i));
        else
            std::snprintf(row, sizeof row, "%.10G,%.10G,%.10G\n", w.mainXValues[i], at(w.xRe, i), at(w.yRe, i));
        s += row;
    }
    return s;
}

std::string NewUserSourceFileText(const UserWaveformSave& w) {
    return kFileHeader + std::string("WaveformMenu=") + w.label + "\n" + WaveformSectionText(w);
}

int RemoveWaveformFromText(const std::string& text, const std::string& label, bool add, std::string& out) {
    std::vector<std::string> lines = EntryLines(text);
    std::string key, value;
    // The header as reading checks it.
    std::size_t i = 0;
    if (lines.empty() || !SameNoCase(lines[0], "[Main]"))
        return kMsgBadFileFormat;
    bool type = false, version = false, program = false, menu = false;
    for (i = 1; i < lines.size(); ++i) {
        if (SameNoCase(lines[i], "[Menu]")) {
            menu = true;
            ++i;
            break;
        }
        if (!SplitEntry(lines[i], key, value))
            return kMsgBadFileFormat;
        if (SameNoCase(key, "FileType"))
            type = SameNoCase(value, "USR");
        else if (SameNoCase(key, "Version"))
            version = value == "2.00";
        else if (SameNoCase(key, "Program"))
            program = value == "Ombrelic" || value == "Ombrelic V";
    }
    if (!(menu && type && version && program))
        return kMsgBadFileFormat;
    const std::size_t body = i;

    out = kFileHeader;
    for (std::size_t k = body; k < lines.size(); ++k)
        if (SplitEntry(lines[k], key, value) && SameNoCase(key, "Label") && value != label)
            out += "WaveformMenu=" + value + "\n";
    if (add)
        out += "WaveformMenu=" + label + "\n";

    // Sections are collected key by key and written out again at their first row (or when
    // the next section or the end comes), except the one of the label.
    std::string keys[kSectionKeyCount];
    bool inSection = false, written = false, dropped = false;
    auto flush = [&] {
        if (!inSection || written)
            return;
        written = true;
        dropped = keys[0] == label;
        if (dropped)
            return;
        out += "\n[Waveform]\n";
        for (int k = 0; k < kSectionKeyCount; ++k)
            out += std::string(kSectionKeys[k]) + "=" + keys[k] + "\n";
    };
    for (std::size_t k = body; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        if (SameNoCase(line, "[Waveform]")) {
            flush();
            inSection = true;
            written = dropped = false;
            for (std::string& s : keys)
                s.clear();
            continue;
        }
        if (SplitEntry(line, key, value)) {
            if (SameNoCase(key, "WaveformMenu"))
                continue;
            int index = inSection && !written ? KeyIndex(key) : -1;
            if (index >= 0) {
                keys[index] = value;
                continue;
            }
        } else if (inSection) {
            flush();  // the first row of the section
            if (dropped)
                continue;
        }
        out += line + "\n";
    }
    flush();
    return 0;
}

int SaveUserSourceWaveform(std::string fileName, const UserWaveformSave& w) {
    fileName = UsrName(fileName);
    if (int check = CheckUserSourceFileFormat(fileName))
        return check == 1 ? 0 : check;  // declined: nothing saved
    bool ok = false;
    std::string old = ReadWholeFile(fileName, &ok);
    std::string text;
    if (!ok) {
        text = NewUserSourceFileText(w);
    } else {
        int code = RemoveWaveformFromText(old, w.label, true, text);
        if (code) {
            ReportMessage("EM", code, "File", fileName.c_str());
            return kMsgReported;
        }
        text += WaveformSectionText(w);
    }
    if (int code = ReplaceUserSourceFileText(fileName, text)) {
        ReportMessage("E", code, fileName.c_str());
        return kMsgReported;
    }
    return 0;
}

int RemoveUserSourceWaveform(std::string fileName, const std::string& label) {
    fileName = UsrName(fileName);
    bool ok = false;
    std::string old = ReadWholeFile(fileName, &ok);
    if (!ok) {
        ReportMessage("E", kMsgFileNotFound, fileName.c_str());
        return kMsgReported;
    }
    std::string text;
    int code = RemoveWaveformFromText(old, label, false, text);
    if (!code)
        code = ReplaceUserSourceFileText(fileName, text);
    if (code == kMsgBadFileFormat)
        ReportMessage("EM", code, "File", fileName.c_str());
    else if (code)
        ReportMessage("E", code, fileName.c_str());
    return code ? kMsgReported : 0;
}

}  // namespace ob7
