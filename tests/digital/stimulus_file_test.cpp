// Stimulus files: the header, the data lines, and the messages of bad files with their
// lines.

#include "digital_fixture.h"
#include "sim/digital/stimulus_file.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class StimulusFiles : public DigitalFixture {};

TEST_F(StimulusFiles, HexGroupsTimescaleAndRelativeTimes) {
    auto& f = Add(kCtFstim, "F1", {"CLK", "B3", "B2", "B1", "B0"});
    f.attributes["FILE"] = "\"" DIGITAL_TEST_DATA "/counter.stm\"";
    f.attributes["SIGNAMES"] = "CLK Q3 Q2 Q1 Q0";
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(100e-9), 0);
    EXPECT_EQ(Wave("CLK"), "0@0 1@10 0@15 1@30");
    EXPECT_EQ(Wave("B3"), "0@0 1@10 X@15 1@30");  // A, then X, then F: most significant first
    EXPECT_EQ(Wave("B2"), "0@0 X@15 1@30");
    EXPECT_EQ(Wave("B1"), "0@0 1@10 X@15 1@30");
    EXPECT_EQ(Wave("B0"), "0@0 X@15 1@30");
}

TEST_F(StimulusFiles, PinsFoundByNodeNameWhenNoSignalNamesAreGiven) {
    Add(kCtFstim, "F1", {"CLK", "Q0"});
    ASSERT_EQ(SetupDigitalPrimitives(circuit), kMsgDigitalSetupFailed);  // no FILE at all
    FreeDigitalNetwork();
    circuit.parts.clear();
    Add(kCtFstim, "F1", {"Q0", "CLK"}).attributes["FILE"] = DIGITAL_TEST_DATA "/counter.stm";
    ASSERT_EQ(Build(1e-6), 0);
    ASSERT_EQ(RunTo(100e-9), 0);
    EXPECT_EQ(Wave("CLK"), "0@0 1@10 0@15 1@30");
    EXPECT_EQ(Wave("Q0"), "0@0 X@15 1@30");
}

TEST_F(StimulusFiles, BadFilesNameTheLine) {
    struct Case { const char* text; int code; int line; const char* message; };
    const Case cases[] = {
        {"A B\n\n0 00\n10 0Q\n", 13192, 4, "Invalid value '0Q'."},
        {"A B\n\n0 00\n10 01\n5 10\n", 13194, 5, "Time must be in ascending order."},
        {"A B\n\n0 00\n10 01\n10 10\n", 13194, 5, "Time must be in ascending order."},
        {"A B\n\n0 00\n10 1\n", 13254, 4, "Number of signal names not equal to number of values 1."},
        {"A B\n0 00\n", 13258, 0, ""},
        {"A B\n\n", 13258, 0, ""},
        {"TIMESCALE = 1ns extra\nA B\n\n0 00\n", 13253, 1, "TIMESCALE must appear on separate line."},
        {"TIMESCALE 1ns\nA B\n\n0 00\n", 13257, 1, "Expecting '=' to follow 'TIMESCALE'."},
        {"HEX(A B C)\n\n0 0\n", 13252, 1, "Missing HEX signal name."},
        {"OCT A B C\n\n0 0\n", 11901, 1, "Expecting '(' to follow 'OCT'."},
        {"A C\n\n0 00\n", 13255, 2, "Node B not found in STIM file bad.stm."},
        {"A B\n\nTEN 00\n", 11903, 3, "Extra text 'TEN' found."},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        capture.reports.clear();
        Node("A");
        Node("B");
        DigitalPartDesc part;
        part.type = kCtFstim;
        part.name = "F1";
        part.pins = {1, 2};
        circuit.parts.push_back(part);
        ASSERT_EQ(SetupDigitalPrimitives({circuit.node_count, circuit.node_names, 0, 0, 0, {}}), 0);
        EXPECT_EQ(ReadStimText(part, 0, c.text, "bad.stm", "A B"), kMsgDigitalSetupFailed) << c.text;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.text;
        EXPECT_EQ(LastDigitalSetupError.line, c.line) << c.text;
        EXPECT_EQ(LastDigitalSetupError.file, "bad.stm");
        if (c.message[0]) {
            EXPECT_EQ(LastDigitalSetupError.text, c.message) << c.text;
        }
        ASSERT_EQ(capture.reports.size(), 1u);
        FreeDigitalNetwork();
    }
}

TEST_F(StimulusFiles, TooManySignals) {
    std::string header;
    for (int i = 0; i < 257; ++i) header += "S" + std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
    DigitalPartDesc part;
    part.type = kCtFstim;
    part.name = "F1";
    EXPECT_EQ(ReadStimText(part, 0, header + "\n\n0 0\n", "big.stm", ""), kMsgDigitalSetupFailed);
    EXPECT_EQ(LastDigitalSetupError.code, 13256);
    EXPECT_EQ(LastDigitalSetupError.text, "Too many signals in header, exceeded 256 max.");
}

}  // namespace
