#include "foundation/messages.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/owned_strings.h"
#include "foundation/report_sink.h"
#include "foundation/string_table.h"
#include "foundation/text_functions.h"
#include "platform/system_services.h"

namespace ob7 {

PendingMessageState PendingMessage = {nullptr, nullptr, 0};

namespace {

enum {
    kMessageTextSize = 1371,  // the text of one report, before its labelled lines
    kCaptionSize = 30,
    kMaxLabelledLines = 10,
    kLineValueCut = 60,
    kPendingSize = 2000,
};

ReportSink* parameterCheckSink = nullptr;
ReportSink* batchLogSink = nullptr;
ReportSink* analysisLogSink = nullptr;
ReportContext defaultContext;
ReportContext* context = &defaultContext;
std::string extendedHelpFile;

// Message id to help topic of the messages with a "&Syntax..." button.
const int kSyntaxTopicTable[][2] = {{13258, 6124}, {10864, 6132}, {10859, 6015}};

const char* PendingText(const char* text) { return text ? text : ""; }

// Fills the %s of a stored text with up to two texts; every other % sequence is kept
// as it is, so that a stored text can never read arguments that are not there.
std::string FormatWithTexts(const char* format, const char* first, const char* second) {
    std::string out;
    int used = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && used < 2) {
            out += used++ == 0 ? first : second;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void CopyToBuffer(char* buffer, std::size_t size, const std::string& text) {
    if (size == 0)
        return;
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
}

bool IsPendingFileCode(int code) {
    return code == 15003 || (code >= 15007 && code <= 15009) || (code >= 15015 && code <= 15023) ||
           (code >= 15027 && code <= 15029) || code == 15047 || code == 15050;
}

// The number of error texts of the C runtime.
constexpr int kErrnoTexts = 134;

// GetMessageText; *final is set when the text is complete (pending, runtime or
// already filled with the pending texts) and must not be used as a format again.
const char* LoadCodeText(char* buffer, std::size_t size, int* code, bool* final) {
    *final = true;
    const int c = *code;
    std::string text;
    const char* word = nullptr;
    if (c == kMsgPending) {
        text = PendingText(PendingMessage.text1);
        StrFree(&PendingMessage.text1);
        StrInitEmpty(&PendingMessage.text1);
        *code = PendingMessage.id;
        PendingMessage.id = 0;
    } else if (c > kMsgErrnoBase && c < kMsgErrnoBase + kErrnoTexts) {
        text = std::strerror(c - kMsgErrnoBase);
        if (c == 16002 || c == 16013 || c == 16024) {
            text += ' ';
            text += PendingText(PendingMessage.text1);
        }
        word = "Error";
    } else if (IsPendingFileCode(c)) {
        text = FormatWithTexts(LoadMessageTextTemp(c), PendingText(PendingMessage.text1),
                               PendingText(PendingMessage.text2));
        StrSetEmpty(&PendingMessage.text1);
        StrSetEmpty(&PendingMessage.text2);
    } else {
        const char* stored = FindResString(c);
        text = stored ? stored : "";
        *final = false;
    }
    if (text.size() >= 2 && (text[0] == '%' || text[0] == '#') && (text[1] == 'E' || text[1] == 'W')) {
        word = text[1] == 'E' ? "Error" : "Warning";
        text.erase(0, 2);
    }
    CopyToBuffer(buffer, size, text);
    return word;
}

// The working record of one report.
struct MessageRecord {
    int id = -1;
    int sourceIndex = -1;
    bool hasFormat = false;
    const char* format = nullptr;
    std::string formatted;
    int severity = 0;
    bool captionGiven = false;
    std::string captionOverride;
    bool styleGiven = false;
    int styleOverride = 0;
    void* owner = nullptr;
    std::string fileName;  // from d / p
    const void* part = nullptr;
    const void* gridText = nullptr;
    const char* lineText = nullptr;  // t
    std::vector<ReportLine> lines;
    bool linesAsList = false;
    int* checkFlag = nullptr;
    int offsetX = 0, offsetY = 0;
};

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    return StrFindNoCase(a.c_str(), b.c_str()) == a.c_str();
}

bool IsFileLabel(const std::string& label) { return label == "File:" || label == "File"; }

// Removes every "\nFile:" line and a final newline (the analysis-log form).
std::string WithoutFileLines(std::string text) {
    for (std::size_t at; (at = text.find("\nFile:")) != std::string::npos;) {
        std::size_t end = text.find('\n', at + 1);
        text.erase(at, end == std::string::npos ? std::string::npos : end - at);
    }
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

int Deliver(ReportDelivery& report, MessageRecord& record, bool* wentToLog) {
    *wentToLog = false;
    if (analysisLogSink) {
        report.text = WithoutFileLines(report.text);
        std::string first, second;
        char line[kMessageTextSize + 200];
        if (context->AnalysisLogNames(&first, &second))
            std::snprintf(line, sizeof line, "%s.%s: %s, %s\n", first.c_str(), second.c_str(),
                          report.caption.c_str(), report.text.c_str());
        else
            std::snprintf(line, sizeof line, "%s, %s\n", report.caption.c_str(), report.text.c_str());
        report.logLine = line;
        analysisLogSink->Deliver(report);
        report.logLine.clear();
    }
    if (parameterCheckSink) {
        *wentToLog = true;
        parameterCheckSink->Deliver(report);
        return 0;
    }
    if (batchLogSink) {
        *wentToLog = true;
        batchLogSink->Deliver(report);
        return 0;
    }
    if (report.beepType != 0 && context->SoundEnabled())
        platform::Services().Beep(report.beepType);
    int button = context->ShowReportDialog(report);
    if (record.checkFlag && ((button >= kButtonOk && button <= kButtonNo) || button == kButtonYesToAll ||
                             button == kButtonNoToAll))
        *record.checkFlag = report.checkBoxTicked ? 0 : 1;
    return button;
}

void AddFileLine(std::vector<ReportLine>& lines, const std::string& file) {
    if (file.empty())
        return;
    for (const ReportLine& line : lines)
        if (IsFileLabel(line.label) && SameNoCase(line.value, file))
            return;
    lines.push_back({"File:", file});
}

}  // namespace

void SetParameterCheckSink(ReportSink* sink) { parameterCheckSink = sink; }
void SetBatchLogSink(ReportSink* sink) { batchLogSink = sink; }
void SetAnalysisLogSink(ReportSink* sink) { analysisLogSink = sink; }
bool ReportsGoToLog() { return parameterCheckSink || batchLogSink; }

void SetReportContext(ReportContext* newContext) { context = newContext ? newContext : &defaultContext; }
ReportContext& CurrentReportContext() { return *context; }

int ReportContext::ShowReportDialog(ReportDelivery& report) {
    std::string text = report.text;
    for (const ReportLine& line : report.lines)
        text += "\n" + line.label + "\t" + line.value;
    return platform::Services().ShowMessageBox(text, report.caption, report.style);
}

int ReportMessage(const char* options, ...) {
    va_list args;
    va_start(args, options);
    int result = VReportMessage(options, args);
    va_end(args);
    return result;
}

int VReportMessage(const char* options, va_list args) {
    MessageRecord record;
    bool nGiven = false;
    for (const char* o = options ? options : ""; *o; ++o) {
        switch (*o) {
        case 'A': record.owner = context->ActiveWindow(); break;
        case 'D':
        case 'P': record.owner = va_arg(args, void*); break;
        case 'd':
            record.owner = va_arg(args, void*);
            record.fileName = context->DrawWindowFileTitle(record.owner);
            break;
        case 'p':
            record.owner = va_arg(args, void*);
            record.fileName = context->FrameFileTitle(record.owner);
            break;
        case 'E': record.id = va_arg(args, int); break;
        case 'F':
            record.format = va_arg(args, const char*);
            record.hasFormat = true;
            break;
        case 's': record.severity = va_arg(args, int); break;
        case 'B': {
            const char* caption = va_arg(args, const char*);
            record.captionGiven = true;
            record.captionOverride = std::string(caption ? caption : "").substr(0, kCaptionSize - 1);
            break;
        }
        case 'S':
            record.styleGiven = true;
            record.styleOverride = va_arg(args, int);
            break;
        case 'N': record.part = va_arg(args, const void*); break;
        case 'T': record.gridText = va_arg(args, const void*); break;
        case 't': record.lineText = va_arg(args, const char*); break;
        case 'L': record.sourceIndex = va_arg(args, int); break;
        case 'M': {
            const char* label = va_arg(args, const char*);
            const char* value = va_arg(args, const char*);
            if (record.lines.size() < kMaxLabelledLines)
                record.lines.push_back({label ? label : "", value ? value : ""});
            record.linesAsList = true;
            break;
        }
        case 'n': nGiven = true; break;
        case 'C': record.checkFlag = va_arg(args, int*); break;
        case 'O':
            record.offsetX = va_arg(args, int);
            record.offsetY = va_arg(args, int);
            break;
        default: break;
        }
    }
    if (nGiven)
        record.linesAsList = false;
    if (IsSilentCode(record.id))
        return 0;
    // F and E texts take the arguments that follow those of the letters.
    if (record.hasFormat) {
        char formatted[kMessageTextSize];
        std::vsnprintf(formatted, sizeof formatted, record.format ? record.format : "", args);
        record.formatted = formatted;
    }

    // Compose.
    const bool logActive = parameterCheckSink || batchLogSink || analysisLogSink;
    if (logActive)
        record.linesAsList = false;
    if (!record.owner)
        record.owner = context->ActiveWindow();
    if (!record.owner)
        record.owner = context->MainWindow();

    std::string text;
    const char* word = nullptr;
    if (record.hasFormat) {
        text = record.formatted;
    } else if (record.id != -1) {
        char loaded[kMessageTextSize];
        bool final = false;
        word = LoadCodeText(loaded, sizeof loaded, &record.id, &final);
        if (final) {
            text = loaded;
        } else {
            char formatted[kMessageTextSize - 1];
            std::vsnprintf(formatted, sizeof formatted, loaded, args);
            text = formatted;
        }
    }
    if (!word)
        word = record.severity == 'E' ? "Error" : record.severity == 'W' ? "Warning" : nullptr;

    ReportDelivery report;
    report.id = record.id;
    report.owner = record.owner;
    if (word) {
        report.caption = std::string("OB7 ") + word;
        report.style = word[0] == 'E' ? kIconHand : kStyleSystemModal | kIconExclamation;
    }
    if (report.style & 0x30)
        report.beepType = 0x30;
    if (report.style & 0x10)
        report.beepType = 0x10;

    // The labelled lines: M lines, then Part: or Text:, then File:.
    std::vector<ReportLine> lines = record.lines;
    std::string partName;
    int partSource = -1;
    bool namedPart = record.part && context->PartName(record.part, &partName, &partSource);
    std::string gridText, gridFile;
    int gridSource = -1;
    if (record.gridText)
        context->GridTextInfo(record.gridText, &gridText, &gridFile, &gridSource);
    int sourceIndex = record.sourceIndex;
    if (sourceIndex < 0)
        sourceIndex = namedPart ? partSource : gridSource;
    bool hasText = false;
    if (namedPart) {
        std::string prefix, file;
        if (partSource >= 0 && context->SourceEntry(partSource, &prefix, &file) && !prefix.empty())
            partName = prefix + "." + partName;
        lines.push_back({"Part:", partName});
    } else if (record.lineText || record.gridText) {
        lines.push_back({"Text:", record.lineText ? record.lineText : gridText});
        hasText = true;
    }
    std::string file = gridFile;
    if (file.empty() && sourceIndex >= 0) {
        std::string prefix;
        context->SourceEntry(sourceIndex, &prefix, &file);
    }
    if (file.empty())
        file = record.fileName;
    AddFileLine(lines, file);
    if (!namedPart && !hasText)
        text += '\n';
    if (record.linesAsList) {
        report.lines = lines;
    } else {
        for (const ReportLine& line : lines) {
            text += "\n" + line.label + "\t" + line.value.substr(0, kLineValueCut);
            if (line.value.size() > kLineValueCut)
                text += "...";
        }
    }
    report.text = text;

    if (record.styleGiven)
        report.style = record.styleOverride;
    if (report.caption.empty())
        report.caption = FindResString(kStrProgramName) ? FindResString(kStrProgramName) : "";
    if (record.captionGiven)
        report.caption = record.captionOverride;
    report.checkBox = record.checkFlag != nullptr;
    report.offsetX = record.offsetX;
    report.offsetY = record.offsetY;
    if (report.id > 0) {
        int exists = 0;
        LoadExtendedHelp(report.id, &exists);
        report.hasHelp = exists != 0;
        report.syntaxTopic = SyntaxTopicOf(report.id);
    }

    bool wentToLog = false;
    int result = Deliver(report, record, &wentToLog);
    if (!wentToLog && report.caption.find("Warning") == std::string::npos &&
        (record.part || record.gridText))
        context->MarkErrorSource(record.part, record.part ? nullptr : record.gridText);
    return result;
}

void SetPendingMessage(int id, ...) {
    char text[kPendingSize];
    va_list args;
    va_start(args, id);
    std::vsnprintf(text, sizeof text, LoadMessageTextTemp(id), args);
    va_end(args);
    StrAssign(&PendingMessage.text1, text);
    PendingMessage.id = id;
}

void SetPendingMessageText(const char* text) {
    StrAssign(&PendingMessage.text1, text ? text : "");
    PendingMessage.id = 0;
}

void SetPendingMessageText2(const char* text) { SetPendingMessageText(text); }

void ClearPendingMessage() {
    StrFree(&PendingMessage.text1);
    StrFree(&PendingMessage.text2);
    PendingMessage.id = 0;
}

const char* GetMessageText(char* buffer, std::size_t size, int* code) {
    bool final = false;
    return LoadCodeText(buffer, size, code, &final);
}

int SyntaxTopicOf(int id) {
    for (const auto& pair : kSyntaxTopicTable)
        if (pair[0] == id)
            return pair[1];
    return 0;
}

void SetExtendedHelpFile(const char* path) { extendedHelpFile = path ? path : ""; }

char* LoadExtendedHelp(int id, int* exists) {
    if (exists)
        *exists = 0;
    if (extendedHelpFile.empty())
        return nullptr;
    std::FILE* f = std::fopen(extendedHelpFile.c_str(), "rb");
    if (!f)
        return nullptr;
    std::vector<unsigned char> data;
    unsigned char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);

    // Every count, offset and length is checked against the file's size.
    auto readInt = [&](std::size_t at, int32_t* value) {
        if (at > data.size() || data.size() - at < 4)
            return false;
        uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
        *value = static_cast<int32_t>(v);
        return true;
    };
    int32_t count = 0;
    if (!readInt(0, &count) || count < 0 || static_cast<std::size_t>(count) > (data.size() - 4) / 8)
        return nullptr;
    for (int32_t i = 0; i < count; ++i) {
        int32_t offset = 0, entryId = 0, length = 0;
        readInt(4 + 8 * static_cast<std::size_t>(i), &offset);
        readInt(8 + 8 * static_cast<std::size_t>(i), &entryId);
        if (entryId != id)
            continue;
        if (offset < 0 || !readInt(static_cast<std::size_t>(offset), &length) || length < 0 ||
            static_cast<std::size_t>(length) > data.size() - offset - 4)
            return nullptr;
        if (exists) {
            *exists = 1;
            return nullptr;
        }
        return StrDupN(reinterpret_cast<const char*>(data.data()) + offset + 4, length);
    }
    return nullptr;
}

}  // namespace ob7
