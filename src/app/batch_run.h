#pragma once
// Batch runs of command files: each line names a circuit and the analyses to run on
// it; every run writes one line into a log named like the command file with the
// extension "DOC", and every message of the batch goes into that log (and to standard
// error) instead of a box. Nothing ever waits for input.

#include <cstdio>
#include <string>

#include "foundation/report_sink.h"
#include "foundation/textfile.h"

namespace ob7 {

// Counters of one finished run, as the log prints them.
struct BatchRunResult {
    unsigned analogNodes = 0;
    unsigned long totalIterations = 0;
    unsigned long rejectedSolutions = 0;
    unsigned long totalSolutions = 0;
    double runSeconds = 0.0;
};

// What the batch asks of the circuit documents and the analyses. Open and run report
// their own messages (they reach the log) and return 0 or the message code.
class BatchCircuitHost {
public:
    virtual ~BatchCircuitHost() = default;
    // The path of the circuit window now open, or empty.
    virtual std::string OpenCircuitPath() = 0;
    virtual int OpenCircuit(const std::string& path, int kind) = 0;
    virtual void CloseCircuit() = 0;
    // Runs analysis 0 (transient), 1 (AC) or 2 (DC) to its end in the given run mode.
    virtual int RunAnalysis(int kind, int runMode, BatchRunResult& result) = 0;
    virtual void PrintCircuit() = 0;
    virtual void PrintPlot() = 0;
    // True when Esc was pressed since the last poll (drains queued input, never waits).
    virtual bool PollEscape() = 0;
};

// The host used while no circuit documents can be opened: a file that does not exist
// gets "File not found", an existing one the message that circuits cannot be opened.
class NoCircuitHost : public BatchCircuitHost {
public:
    std::string OpenCircuitPath() override { return {}; }
    int OpenCircuit(const std::string& path, int kind) override;
    void CloseCircuit() override {}
    int RunAnalysis(int, int, BatchRunResult&) override { return 0; }
    void PrintCircuit() override {}
    void PrintPlot() override {}
    bool PollEscape() override;
};

// The log of a batch run: while open, every report is written into it as a title line
// and tab-indented text lines, and echoed to standard error.
class BatchLog : public ReportSink {
public:
    int Open(const std::string& path, const std::string& commandFile);
    bool IsOpen() const { return file_ != nullptr; }
    void WriteRun(const std::string& circuitName, char analysisLetter, const BatchRunResult& run);
    void WriteTotals(double runSeconds, double elapsedSeconds);
    void Close();
    int Deliver(const ReportDelivery& report) override;
    // The circuit path shown with messages of the active circuit.
    std::string activeCircuitPath;

private:
    std::FILE* file_ = nullptr;
};

// The batch log path: the command file with its extension replaced by "DOC".
std::string BatchLogPath(const std::string& commandFile);

// Reads one command-file line: cut at ";", tabs removed, trimmed (case is kept for the
// file names; words and switches compare case-blind); a line
// beginning with "*" or ":" becomes empty. 0, or the read error (15007 at the end).
int ReadBatchLine(TextFile& file, std::string& line);

// One batch from its command file to the totals. Returns the process exit code: 0 when
// every line ran, 1 when a line, the command file or the log failed.
struct BatchSettings {
    std::string commandFile;  // full path
    int batchMode = 8;        // 1, 2 or 8
    bool printCircuit = false;
    bool printAnalysis = false;
};
int RunBatchFile(const BatchSettings& settings, BatchCircuitHost& host);

}  // namespace ob7
