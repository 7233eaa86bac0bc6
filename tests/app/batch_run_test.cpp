#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/batch_run.h"
#include "foundation/messages.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

// A circuit host with fixed run counters: files that exist open, others are reported
// as not found; Esc is "pressed" at the poll given.
struct FakeHost : BatchCircuitHost {
    std::string open;
    std::vector<std::string> events;
    int pollsBeforeEscape = -1;
    std::string OpenCircuitPath() override { return open; }
    int OpenCircuit(const std::string& path, int) override {
        if (!fs::exists(path)) {
            SetPendingMessageText(path.c_str());
            ReportMessage("E", 15022);
            return 15022;
        }
        open = path;
        events.push_back("open " + fs::path(path).filename().string());
        return 0;
    }
    void CloseCircuit() override {
        if (!open.empty()) events.push_back("close");
        open.clear();
    }
    int RunAnalysis(int kind, int runMode, BatchRunResult& r) override {
        events.push_back(std::string("run ") + "TAD"[kind] + " mode " + std::to_string(runMode));
        r = {4, 120, 3, 117, 0.25};
        return 0;
    }
    void PrintCircuit() override { events.push_back("print circuit"); }
    void PrintPlot() override { events.push_back("print plot"); }
    bool PollEscape() override { return pollsBeforeEscape >= 0 && pollsBeforeEscape-- == 0; }
};

struct BatchFixture : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("ob7_batch_" + std::to_string(::getpid()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::ofstream(dir / "rc.cir") << "circuit\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    int Run(const std::string& text, BatchCircuitHost& host, int mode = 8) {
        std::ofstream(dir / "run.cmd") << text;
        BatchSettings s;
        s.commandFile = (dir / "run.cmd").string();
        s.batchMode = mode;
        return RunBatchFile(s, host);
    }
    std::vector<std::string> LogLines() {
        std::ifstream in(dir / "run.DOC");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

}  // namespace

TEST_F(BatchFixture, LogColumnsLabelsCommentsAndFailures) {
    FakeHost host;
    int code = Run("; a comment line\n"
                   "* skipped\n"
                   ": skipped too\n"
                   "\trc.cir /t /a ; lower case and a comment\n"
                   "missing.cir /T\n"
                   "rc.cir /T /X\n"
                   "rc.cir\n"
                   "goto done\n"
                   "rc.cir /D\n"
                   "LABEL DONE\n"
                   "rc.cir /D /TOSPICE\n",
                   host);
    EXPECT_EQ(code, 1);  // two lines failed
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 12u);
    EXPECT_EQ(log[0].rfind((dir / "run.cmd").string() + " ", 0), 0u);
    EXPECT_EQ(log[1], "Circuit               Analog       Total   Rejected      Total        Run");
    EXPECT_EQ(log[2], "                       Nodes  Iterations  Solutions  Solutions       Time");
    EXPECT_EQ(log[3], "rc.cir             /T      4         120          3        117      0.250");
    EXPECT_EQ(log[4], "rc.cir             /A      4         120          3        117      0.250");
    EXPECT_EQ(log[5], "OB7 Error ");
    EXPECT_EQ(log[6], "\tFile not found 'missing.cir'.");
    EXPECT_EQ(log[7], "OB7 Error " + (dir / "rc.cir").string());
    EXPECT_EQ(log[8], "\tError in command line '/X'.");
    // The line without an analysis is skipped; GOTO jumps over the /D line.
    EXPECT_EQ(log[9], "rc.cir             /D      4         120          3        117      0.250");
    EXPECT_EQ(log[10], "Total run time     0.75");
    EXPECT_EQ(log[11].rfind("Total elapsed time ", 0), 0u);
    const std::vector<std::string> events = {"open rc.cir", "run T mode 8", "run A mode 8", "close",
                                             "open rc.cir", "close", "open rc.cir", "run D mode 8", "close"};
    EXPECT_EQ(host.events, events);
}

TEST_F(BatchFixture, MissingLabelEndsTheBatch) {
    FakeHost host;
    EXPECT_EQ(Run("GOTO NOWHERE\nrc.cir /T\n", host), 1);
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[3], "OB7 Error ");
    EXPECT_EQ(log[4], "\tCan't Find LABEL NOWHERE");
    EXPECT_EQ(log[5], "Total run time     0");
    EXPECT_TRUE(host.events.empty());
}

TEST_F(BatchFixture, LoopRunsUntilEscape) {
    FakeHost host;
    host.pollsBeforeEscape = 5;  // polls: after open, after the run, after the close ...
    EXPECT_EQ(Run("LABEL START\nrc.cir /T\nGOTO START\n", host), 0);
    int runs = 0;
    for (const std::string& e : host.events) runs += e == "run T mode 8";
    EXPECT_EQ(runs, 2);
}

TEST_F(BatchFixture, LineRetrieveModeReplacesSaveForThatLineOnly) {
    FakeHost host;
    EXPECT_EQ(Run("rc.cir /T /R\nrc.cir /T\n", host, 2), 0);
    EXPECT_EQ(host.events[1], "run T mode 1");
    EXPECT_EQ(host.events[4], "run T mode 2");
}

TEST_F(BatchFixture, WithoutCircuitDocumentsEveryLineIsReportedAndTheNextRuns) {
    NoCircuitHost host;
    EXPECT_EQ(Run("nothere.cir /T\nrc.cir /T\n", host), 1);
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[4], "\tFile not found 'nothere.cir'.");
    EXPECT_NE(log[6].find("rc.cir"), std::string::npos);
}

TEST_F(BatchFixture, MissingCommandFileGivesTotalsOfZero) {
    FakeHost host;
    BatchSettings s;
    s.commandFile = (dir / "absent.cmd").string();
    EXPECT_EQ(RunBatchFile(s, host), 1);
    std::ifstream in(dir / "absent.DOC");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Total run time     0\n"), std::string::npos);
}
