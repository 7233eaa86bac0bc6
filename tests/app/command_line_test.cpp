#include <gtest/gtest.h>

#include "app/command_line.h"

using namespace ob7;

TEST(CommandLine, StartupTable) {
    struct Case {
        const char* line;
        int batch, analysis;
        bool printCircuit, printAnalysis;
        const char* commandFile;
        const char* first;
        const char* error;
    };
    const Case cases[] = {
        {"@RUN.TXT /P /S", 2, -1, true, true, "RUN.TXT", "", ""},
        {"@RUN.TXT /R", 1, -1, false, false, "RUN.TXT", "", ""},
        {"@RUN.TXT", 8, -1, false, false, "RUN.TXT", "", ""},
        {"@RUN.TXT /PA", 8, -1, false, true, "RUN.TXT", "", ""},
        {"@run.txt /s /pc", 2, -1, true, false, "run.txt", "", ""},
        {"CIRCUIT.CIR /T /D", 0, 2, false, false, "", "CIRCUIT.CIR", ""},
        {"circuit.cir /a", 0, 1, false, false, "", "circuit.cir", ""},
        {"CIRCUIT.CIR /X", 0, -1, false, false, "", "CIRCUIT.CIR", "/X"},
        {"CIRCUIT.CIR /TOSPICE", 0, -1, false, false, "", "CIRCUIT.CIR", "/TOSPICE"},
        {"CIRCUIT.CIR /S", 0, -1, false, false, "", "CIRCUIT.CIR", "/S"},
        {"@RUN.TXT /T", 8, -1, false, false, "RUN.TXT", "", "/T"},
        {"\"My Circuit.cir\" /T", 0, 0, false, false, "", "My Circuit.cir", ""},
        {"\"never closed /T", 0, -1, false, false, "", "never closed /T", ""},
        {"/T/D A.CIR", 0, 2, false, false, "", "A.CIR", ""},
        {"@examples/demo.cmd /S", 2, -1, false, false, "examples/demo.cmd", "", ""},
        {"/home/user/a.cir /A", 0, 1, false, false, "", "/home/user/a.cir", ""},
        {"", 0, -1, false, false, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        StartupOptions o = ParseCommandLine(c.line);
        EXPECT_EQ(o.batchMode, c.batch);
        EXPECT_EQ(o.startupAnalysis, c.analysis);
        EXPECT_EQ(o.printCircuit, c.printCircuit);
        EXPECT_EQ(o.printAnalysis, c.printAnalysis);
        EXPECT_EQ(o.commandFile, c.commandFile);
        EXPECT_EQ(o.firstWord, c.first);
        EXPECT_EQ(o.error, c.error);
    }
}

TEST(CommandLine, FurtherFilesStayForOpening) {
    StartupOptions o = ParseCommandLine("A.CIR B.TXT /T C.LBR");
    EXPECT_EQ(o.firstWord, "A.CIR");
    EXPECT_EQ(o.startupAnalysis, 0);
    EXPECT_EQ(SplitFirstWord(o.rest), "B.TXT");
    EXPECT_EQ(SplitFirstWord(o.rest), "C.LBR");
    EXPECT_EQ(SplitFirstWord(o.rest), "");
}

TEST(CommandLine, FindSwitchCountsOnlyTheFirstOccurrence) {
    // "/P" first occurs inside "/PC": that token is longer, so nothing is found.
    std::string text = "/PC /P";
    EXPECT_EQ(FindSwitch(text, "/P"), -1);
    EXPECT_EQ(text, "/PC /P");
    EXPECT_EQ(FindSwitch(text, "/PC"), 0);
    EXPECT_EQ(text, "/P");
    EXPECT_EQ(FindSwitch(text, "/P"), 0);
    EXPECT_EQ(text, "");
}

TEST(CommandLine, BatchLineOptions) {
    struct Case {
        const char* line;
        bool t, a, d, pc, pa;
        int mode;
        const char* name;
        const char* leftover;
    };
    const Case cases[] = {
        {"CIRCUIT1.CIR /T /A", true, true, false, false, false, 8, "CIRCUIT1.CIR", ""},
        {"CIRCUIT1.CIR", false, false, false, false, false, 8, "CIRCUIT1.CIR", ""},
        {"CIRCUIT1.CIR /T /X", true, false, false, false, false, 8, "CIRCUIT1.CIR", "/X"},
        {"CIRCUIT1.CIR /TOSPICE /D", false, false, true, false, false, 8, "CIRCUIT1.CIR", ""},
        {"/SPICE3 /NOTOSPICE X.CIR /A", false, true, false, false, false, 8, "X.CIR", ""},
        {"X.CIR /T /R", true, false, false, false, false, 1, "X.CIR", ""},
        {"X.CIR /T /R /S", true, false, false, false, false, 2, "X.CIR", ""},
        {"X.CIR /P /T", true, false, false, true, true, 8, "X.CIR", ""},
        {"x.cir /pa /t", true, false, false, false, true, 8, "x.cir", ""},
        {"\"with blank.cir\" /D/T", true, false, true, false, false, 8, "with blank.cir", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        BatchLineOptions o = ParseBatchLineOptions(c.line);
        EXPECT_EQ(o.runTransient, c.t);
        EXPECT_EQ(o.runAC, c.a);
        EXPECT_EQ(o.runDC, c.d);
        EXPECT_EQ(o.printCircuit, c.pc);
        EXPECT_EQ(o.printPlot, c.pa);
        EXPECT_EQ(o.runMode, c.mode);
        EXPECT_EQ(o.name, c.name);
        EXPECT_EQ(o.leftover, c.leftover);
    }
}
