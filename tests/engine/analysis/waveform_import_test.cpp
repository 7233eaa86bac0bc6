// Waveform import: the calls cut out of curve expressions, the numeric output file read
// block by block, and the interpolation.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/waveform_import.h"

namespace ob7 {
namespace {

class WaveformImport : public AnalysisCircuit {};

TEST_F(WaveformImport, CallsAreCutOutOfTheExpression) {
    struct Case {
        const char* expression;
        bool x_axis;
        int analysis;
        const char* x_expression;
        int result;
        const char* rewritten;  // null: not checked
        size_t specs;
    } cases[] = {
        {"IMPORT(out.no, V(OUT))*2", false, 0, "T", 0, "IMPORT *2", 1},
        {"IMPORT(out.no, V(OUT))", true, 0, "T", 0, "IMPORT(out.no, V(OUT))", 0},
        {"IMPORT(out.no, V(OUT))", false, 0, "F", 15055, nullptr, 0},
        {"IMPORT(out.no, V(OUT))", false, 1, "T", 15055, nullptr, 0},
        {"WAVEFORMY(\"w.usr\", \"v1\")+V(1)", false, 0, "T", 0, "WAVEFORMY +V(1)", 1},
        {"CURVEX(\"w.usr\", \"c\")", false, 2, "V(1)", 0, "CURVEX ", 1},
        {"IMPORT out.no", false, 0, "T", 15055, nullptr, 0},
        {"IMPORT(out.no, V(OUT)", false, 0, "T", 15055, nullptr, 0},
        {"IMPORT(out.no)", false, 0, "T", 15055, nullptr, 0},
        {"V(MYIMPORT)", false, 0, "T", 0, "V(MYIMPORT)", 0},
    };
    for (const Case& c : cases) {
        std::string text = c.expression;
        std::vector<ImportSpec> specs;
        bool handled = false;
        EXPECT_EQ(ParseImportCalls(text, c.x_axis, c.analysis, c.x_expression, "", &specs, &handled), c.result)
            << c.expression;
        if (c.rewritten) EXPECT_EQ(text, c.rewritten) << c.expression;
        if (c.result == 0) EXPECT_EQ(specs.size(), c.specs) << c.expression;
    }
    EXPECT_EQ(reported.ids, (std::vector<int>{12005, 12002, 12007, 13582, 12003}));
    std::string text = "WAVEFORMX(\"a.usr\" , \"b\")";
    std::vector<ImportSpec> specs;
    bool handled = false;
    ASSERT_EQ(ParseImportCalls(text, false, 0, "T", "/data", &specs, &handled), 0);
    EXPECT_EQ(specs[0].file_name, "/data/a.usr");
    EXPECT_EQ(specs[0].waveform_name, "b");
    EXPECT_EQ(specs[0].kind, kImportWaveformX);
}

// A numeric output file with two temperature blocks and a unit line under the columns
// (u under T: microseconds; MEG under V(OUT): mega, as any unit with an M).
TEST_F(WaveformImport, NumericOutputBlocksAndInterpolation) {
    const std::string path = (std::filesystem::temp_directory_path() / "ob7_import.no").string();
    std::ofstream(path) << "Transient Analysis\n"
                           "Temperature=27 Case=1\n"
                           "   T          V(OUT)     I(R1)\n"
                           "  (u)        (MEG)\n"
                           "------------------------\n"
                           "   0          0          1\n"
                           "   1          2          2\n"
                           "   3          6          3\n"
                           "\n"
                           "Temperature=85 Case=1\n"
                           "   T          V(OUT)\n"
                           "   0          5\n"
                           "   1          7\n";
    ImportSpec spec;
    spec.file_name = path;
    spec.waveform_name = "V(OUT)";
    ImportCase at;
    ASSERT_EQ(LoadImportWaveform(spec, {}, at), 0);
    ASSERT_EQ(spec.Points().size(), 3u);
    EXPECT_DOUBLE_EQ(spec.Points()[1].x, 1e-6);
    EXPECT_DOUBLE_EQ(spec.Points()[2].y, 6e6);
    std::vector<ImportSpec> specs{spec};
    InterpolateImportWaveform(specs, 0.5e-6);
    EXPECT_DOUBLE_EQ(specs[0].value, 1e6);  // half way: the mean
    InterpolateImportWaveform(specs, 2e-6);
    EXPECT_DOUBLE_EQ(specs[0].value, 4e6);
    InterpolateImportWaveform(specs, 9e-6);
    EXPECT_DOUBLE_EQ(specs[0].value, 6e6);  // beyond the last point: held
    InterpolateImportWaveform(specs, 0.0);   // back to the start
    EXPECT_DOUBLE_EQ(specs[0].value, 0.0);

    // The second block for its temperature; an earlier spec of the same waveform shares.
    at.temperature = 85;
    ImportSpec hot;
    hot.file_name = path;
    hot.waveform_name = "V(OUT)";
    ASSERT_EQ(LoadImportWaveform(hot, {}, at), 0);
    ASSERT_EQ(hot.Points().size(), 2u);
    EXPECT_EQ(hot.Points()[1].y, 7);
    ImportSpec again = hot;
    ASSERT_EQ(LoadImportWaveform(again, {&hot}, at), 0);
    EXPECT_EQ(&again.Points(), &hot.Points());

    // A temperature with no block, and a waveform that is not there.
    at.temperature = 50;
    ImportSpec none = hot;
    EXPECT_EQ(LoadImportWaveform(none, {}, at), 15055);
    at.temperature = 27;
    none.waveform_name = "V(IN)";
    EXPECT_EQ(LoadImportWaveform(none, {}, at), 15055);
    EXPECT_EQ(reported.ids, (std::vector<int>{12010, 12009}));
    std::remove(path.c_str());
}

TEST_F(WaveformImport, DigitalRepeatsKeepTheLaterStateAndMissingColumnsStop) {
    const std::string path = (std::filesystem::temp_directory_path() / "ob7_import_d.no").string();
    std::ofstream(path) << "TEMPERATURE = 27\n  T   D(Q)\n  0   0\n  1   1\n  1   X\n  2   0\n  3\n";
    ImportSpec spec;
    spec.file_name = path;
    spec.waveform_name = "D(Q)";
    ImportCase at;
    at.digital_axis = true;
    EXPECT_EQ(LoadImportWaveform(spec, {}, at), 12011);
    ASSERT_EQ(spec.Points().size(), 3u);
    EXPECT_EQ(spec.Points()[1].y, 4);  // X is state 4 of 0RF1XZ?
    std::remove(path.c_str());
    ImportSpec missing;
    missing.file_name = path;
    missing.waveform_name = "D(Q)";
    EXPECT_EQ(LoadImportWaveform(missing, {}, at), 15055);
    EXPECT_EQ(reported.ids, (std::vector<int>{12011, 12008}));
}

}  // namespace
}  // namespace ob7
