// The numeric output of a transient, an AC and a DC run, written by the batch with a
// fixed clock and the option WIDTH 80, against stored texts checked by hand against the
// report's layout: header, limits, operating point with its device tables, curve tables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "analysis/text_circuit_analysis.h"
#include "analysis/user_source_file.h"
#include "app/batch_circuit_host.h"
#include "foundation/time_stamp.h"
#include "numeric_output_reader.h"
#include "sim/analysis/waveform_import.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class NumericOutputGolden : public TextCircuitHome {
protected:
    void SetUp() override {
        TextCircuitHome::SetUp();
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        SetFixedClock(1767323045);  // 2026-01-02 03:04:05 UTC
    }
    void TearDown() override {
        SetFixedClock(0);
        TextCircuitHome::TearDown();
    }
    // Copies the golden deck into the home folder and runs its analysis by the batch.
    std::string Run(const std::string& deck, const char* switches) {
        const std::filesystem::path golden = std::filesystem::path(OB7_ANALYSIS_TEST_DATA) / "golden";
        std::filesystem::copy_file(golden / (deck + ".cir"), home / (deck + ".cir"));
        std::ofstream(home / "golden.cmd") << deck << ".cir " << switches << "\n";
        DocumentBatchHost host;
        BatchSettings settings;
        settings.commandFile = (home / "golden.cmd").string();
        EXPECT_EQ(RunBatchFile(settings, host), 0) << AllReports();
        return golden.string();
    }
};

TEST_F(NumericOutputGolden, TransientAcAndDcReports) {
    const struct {
        const char *deck, *switches, *output;
    } cases[] = {
        {"nout_tran", "/T", "nout_tran.TNO"},
        {"nout_ac", "/A", "nout_ac.ANO"},
        {"nout_dc", "/D", "nout_dc.DNO"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deck);
        const std::string golden = Run(c.deck, c.switches);
        const std::string written = ReadText(home / c.output);
        EXPECT_EQ(written, ReadText(std::filesystem::path(golden) / c.output)) << written;
    }
    EXPECT_TRUE(reports.empty()) << AllReports();

    // An IMPORT of the transient report reads back the points its table printed.
    ImportSpec spec;
    spec.file_name = (home / "nout_tran.TNO").string();
    spec.waveform_name = "V(OUT)";
    ImportCase at;
    at.temperature = 27;
    at.analysis_kind = 0;
    ASSERT_EQ(LoadImportWaveform(spec, {}, at), 0) << AllReports();
    const auto tables = ReadPrintedTables(spec.file_name);
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_EQ(spec.Points().size(), tables[0].rows.size());
    for (size_t k = 0; k < tables[0].rows.size(); ++k) {
        EXPECT_DOUBLE_EQ(spec.Points()[k].x, std::strtod(tables[0].rows[k][0].c_str(), nullptr)) << k;
        EXPECT_DOUBLE_EQ(spec.Points()[k].y, std::strtod(tables[0].rows[k][1].c_str(), nullptr)) << k;
    }
}

// A curve that imports a column of an earlier report follows the printed table: the
// report's rows are found, read and interpolated at every point of the new run.
TEST_F(NumericOutputGolden, CurveImportsAnEarlierReport) {
    Run("nout_tran", "/T");
    std::filesystem::copy_file(home / "nout_tran.TNO", home / "earlier.TNO");
    TextCircuitAnalysis circuit;
    ASSERT_EQ(circuit.Open((home / "nout_tran.cir").string()), 0);
    circuit.prepareRun = [](AnalysisRun& run) {
        CurveRowRecord row = run.setup.rows[0];
        row.yExpression = "IMPORT(earlier.TNO,V(OUT))";
        row.options = CO_LINEARX | CO_LINEARY;
        run.setup.rows.push_back(row);
    };
    ASSERT_EQ(circuit.RunAnalysis(0), 0) << AllReports();
    const auto tables = ReadPrintedTables((home / "earlier.TNO").string());
    ASSERT_EQ(tables.size(), 1u);
    const std::vector<double> xs = tables[0].Values(0), ys = tables[0].Values(1);
    AnalysisPlot& plot = circuit.LastRun()->plot;
    int imported = -1;
    for (size_t k = 0; k < plot.curves.size(); ++k)
        if (plot.curves[k].text[kAxisY].rfind("IMPORT", 0) == 0) imported = static_cast<int>(k);
    ASSERT_GE(imported, 0);
    const int points = plot.RunPointCount(imported, 0);
    ASSERT_GT(points, 20);
    for (int i = 0; i < points; ++i) {
        const double t = plot.RunPointValue(imported, 0, i, kAxisX);
        EXPECT_NEAR(plot.RunPointValue(imported, 0, i, kAxisY), ReferenceAt(xs, ys, t, false), 1e-9) << t;
    }
}

// CURVEY reads a waveform of a user-source waveform file over the run's time.
TEST_F(NumericOutputGolden, CurveReadsAUserSourceWaveform) {
    UserWaveformSave w;
    w.label = "ramp";
    w.mainX = "T";
    w.labelX = "T";
    w.labelY = "V(OUT)";
    w.mainXValues = {0, 1e-6, 2e-6};
    w.xRe = w.mainXValues;
    w.yRe = {0, 4, 2};
    ASSERT_EQ(SaveUserSourceWaveform((home / "waves.USR").string(), w), 0) << AllReports();
    const std::filesystem::path golden = std::filesystem::path(OB7_ANALYSIS_TEST_DATA) / "golden";
    std::filesystem::copy_file(golden / "nout_tran.cir", home / "nout_tran.cir");
    TextCircuitAnalysis circuit;
    ASSERT_EQ(circuit.Open((home / "nout_tran.cir").string()), 0);
    circuit.prepareRun = [](AnalysisRun& run) {
        CurveRowRecord row = run.setup.rows[0];
        row.yExpression = "CURVEY(\"waves.USR\",\"ramp\")";
        run.setup.rows.push_back(row);
    };
    ASSERT_EQ(circuit.RunAnalysis(0), 0) << AllReports();
    AnalysisPlot& plot = circuit.LastRun()->plot;
    const int curve = static_cast<int>(plot.curves.size()) - 1;
    ASSERT_EQ(plot.curves[curve].text[kAxisY].rfind("CURVEY", 0), 0u);
    const int points = plot.RunPointCount(curve, 0);
    ASSERT_GT(points, 20);
    for (int i = 0; i < points; ++i) {
        const double t = plot.RunPointValue(curve, 0, i, kAxisX);
        EXPECT_NEAR(plot.RunPointValue(curve, 0, i, kAxisY), ReferenceAt(w.mainXValues, w.yRe, t, false), 1e-9) << t;
    }
}

}  // namespace
}  // namespace ob7
