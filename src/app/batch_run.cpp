#include "app/batch_run.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/command_line.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/string_table.h"
#include "foundation/time_stamp.h"
#include "platform/system_services.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

constexpr int kMsgCommandLineError = 10150;
constexpr int kMsgCircuitsUnavailable = 14094;
constexpr int kLogHeader1 = 13371, kLogHeader2 = 13372, kLogRunTotal = 13373, kLogElapsed = 13374;
constexpr int kEndOfFile = 15007;
constexpr size_t kMaxLine = 1000;

const char* Text(int id) {
    const char* text = FindResString(id);
    return text ? text : "";
}

}  // namespace

int NoCircuitHost::OpenCircuit(const std::string& path, int kind) {
    if (kind < 0 || CheckFileExists(path) != 0) {
        SetPendingMessageText(path.c_str());
        ReportMessage("E", kMsgFileNotFound);
        return kMsgFileNotFound;
    }
    ReportMessage("E", kMsgCircuitsUnavailable, path.c_str());
    return kMsgCircuitsUnavailable;
}

bool NoCircuitHost::PollEscape() { return platform::Services().PollKey() == 27; }

std::string BatchLogPath(const std::string& commandFile) {
    std::filesystem::path p(commandFile);
    p.replace_extension("DOC");
    return p.string();
}

int BatchLog::Open(const std::string& path, const std::string& commandFile) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) return ErrnoToMessageId();
    std::fprintf(file_, "%s %s %s\n", commandFile.c_str(), GetDateString().c_str(), GetTimeString().c_str());
    std::fputs(Text(kLogHeader1), file_);
    std::fputs(Text(kLogHeader2), file_);
    std::fflush(file_);
    return 0;
}

void BatchLog::WriteRun(const std::string& circuitName, char letter, const BatchRunResult& run) {
    std::fprintf(file_, "%-19s/%c%7u%12lu%11lu%11lu%11.3f\n", circuitName.c_str(), letter, run.analogNodes,
                 run.totalIterations, run.rejectedSolutions, run.totalSolutions, run.runSeconds);
    std::fflush(file_);
}

void BatchLog::WriteTotals(double runSeconds, double elapsedSeconds) {
    std::fprintf(file_, Text(kLogRunTotal), runSeconds);
    std::fprintf(file_, Text(kLogElapsed), elapsedSeconds);
}

void BatchLog::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

int BatchLog::Deliver(const ReportDelivery& report) {
    std::string text = report.text;
    for (size_t at; (at = text.find("\n\n")) != std::string::npos;) text.erase(at, 1);
    std::string block = report.caption + " " + activeCircuitPath + "\n";
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) block += "\t" + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    if (file_) {
        std::fputs(block.c_str(), file_);
        std::fflush(file_);
    }
    std::fputs(block.c_str(), stderr);
    return 0;
}

int ReadBatchLine(TextFile& file, std::string& line) {
    int code = file.ReadLine(line);
    if (code) {
        line.clear();
        return code;
    }
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    if (size_t semi = line.find(';'); semi != std::string::npos) line.erase(semi);
    std::string clean;
    for (char c : line)
        if (c != '\t' && c != '\r') clean += c;
    size_t a = clean.find_first_not_of(' ');
    size_t b = clean.find_last_not_of(' ');
    line = a == std::string::npos ? std::string() : clean.substr(a, b - a + 1);
    if (!line.empty() && (line[0] == '*' || line[0] == ':')) line.clear();
    return 0;
}

namespace {

// "GOTO" and "LABEL" lines carry their word at the start; the rest is the label.
bool StartsWord(const std::string& line, const char* word, std::string& rest) {
    size_t n = std::char_traits<char>::length(word);
    if (line.size() < n || strncasecmp(line.c_str(), word, n) != 0) return false;
    rest = line.substr(n);
    size_t a = rest.find_first_not_of(' ');
    rest = a == std::string::npos ? std::string() : rest.substr(a);
    return true;
}

// Rewinds the command file and reads up to the "LABEL" line of that label.
bool FindLabel(TextFile& file, const std::string& label) {
    file.Seek(0);
    std::string line, rest;
    while (ReadBatchLine(file, line) == 0)
        if (StartsWord(line, "LABEL", rest) && strcasecmp(rest.c_str(), label.c_str()) == 0) return true;
    return false;
}

std::string NameWithExtension(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

int RunBatchFile(const BatchSettings& settings, BatchCircuitHost& host) {
    const double started = GetSeconds();
    double totalRun = 0.0;
    bool failed = false;
    bool abort = false;

    BatchLog log;
    const std::string logPath = BatchLogPath(settings.commandFile);
    if (int code = log.Open(logPath, settings.commandFile)) {
        SetPendingMessageText(logPath.c_str());
        ReportMessage("E", code);
        return 1;
    }
    SetBatchLogSink(&log);
    const int savedMode = Shell.batchMode;
    Shell.batchMode = settings.batchMode;

    TextFile commands;
    bool haveFile = true;
    if (int code = commands.OpenRead(settings.commandFile.c_str())) {
        SetPendingMessageText(settings.commandFile.c_str());
        ReportMessage("E", code);
        failed = true;
        haveFile = false;
    }
    while (haveFile && !abort) {
        std::string line, rest;
        if (ReadBatchLine(commands, line) != 0) break;
        if (StartsWord(line, "GOTO", rest)) {
            if (!FindLabel(commands, rest)) {
                ReportMessage("sF", 'E', "Can't Find LABEL %s", rest.c_str());
                failed = true;
                break;
            }
            continue;
        }
        BatchLineOptions options = ParseBatchLineOptions(line);
        if (!options.RunsAnything()) continue;

        std::string path = options.name;
        // A relative name is looked for beside the command file first.
        if (!path.empty() && path[0] != '/') {
            std::filesystem::path beside = std::filesystem::path(settings.commandFile).parent_path() / path;
            if (std::string found = FindExistingPathNoCase(beside.string()); !found.empty()) path = found;
        }
        if (std::string found = FindExistingPathNoCase(path); !found.empty()) path = found;
        int kind = FileKindFromName(path, 1, 0);
        if (!host.OpenCircuitPath().empty() && !path.empty() && host.OpenCircuitPath() != path)
            host.CloseCircuit();
        int openError = 0;
        if (host.OpenCircuitPath().empty()) {
            openError = host.OpenCircuit(path, kind);
            if (!openError && (settings.printCircuit || options.printCircuit)) host.PrintCircuit();
        }
        if (host.PollEscape()) abort = true;
        if (openError) {
            failed = true;
            continue;
        }
        log.activeCircuitPath = host.OpenCircuitPath();
        bool lineFailed = false;
        if (!options.leftover.empty()) {
            ReportMessage("E", kMsgCommandLineError, options.leftover.c_str());
            lineFailed = failed = true;
        }
        const bool wanted[3] = {options.runTransient, options.runAC, options.runDC};
        for (int k = 0; k < 3 && !lineFailed && !abort; ++k) {
            if (!wanted[k]) continue;
            const int runMode = (options.runMode & 3) ? options.runMode : settings.batchMode;
            Shell.batchMode = runMode;
            BatchRunResult run;
            if (host.RunAnalysis(k, runMode, run)) failed = true;
            Shell.batchMode = settings.batchMode;
            if (settings.printAnalysis || options.printPlot) host.PrintPlot();
            log.WriteRun(NameWithExtension(host.OpenCircuitPath()), "TAD"[k], run);
            totalRun += run.runSeconds;
            if (host.PollEscape()) abort = true;
        }
        host.CloseCircuit();
        log.activeCircuitPath.clear();
        if (host.PollEscape()) abort = true;
    }
    commands.Close();
    log.WriteTotals(totalRun, GetSeconds() - started);
    SetBatchLogSink(nullptr);
    log.Close();
    Shell.batchMode = savedMode;
    std::fprintf(stderr, "Batch log: %s\n", logPath.c_str());
    return failed ? 1 : 0;
}

}  // namespace ob7
