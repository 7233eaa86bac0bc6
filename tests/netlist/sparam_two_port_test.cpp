// S-parameter two-ports: the data file's option line and table, the conversion to Y
// parameters, the generated frequency tables, and the part compiled and solved.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "libraries/component_types.h"
#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "netlist/compiler/sparam_two_port.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/point_sink.h"
#include "sim/devices/freq_table_source.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

namespace {

using ob7::SParamPoint;
using ob7::SParamTwoPort;

TEST(SParamFile, OptionLines) {
    const struct {
        const char* line;
        const char* error;  // empty: accepted
        double factor;
        int format;
    } cases[] = {
        {"# GHz S MA R 50", "", 1e9, ob7::kPairMagnitudeAngle},
        {"#Hz s db r 75", "", 1.0, ob7::kPairDecibelAngle},
        {"#kHz S MA R 50", "Error unknown 'k' found in key line, missing Hz.", 0, 0},  // prefixes are capitals
        {"# MHz S RI R 75", "", 1e6, ob7::kPairRealImag},
        {"# ghz S RI R 50", "Error unknown 'g' found in key line, missing Hz.", 0, 0},
        {"# Hz Y RI R 50", "Error unknown 'Y' found in key line, missing S.", 0, 0},
        {"# Hz S XY R 50", "Error unknown 'X' found in key line, missing MA or RI.", 0, 0},
        {"# Hz S RI Z 50", "Error unknown 'Z' found in key line, missing R.", 0, 0},
        {"# Hz S RI R", "Error in key line Missing R value.", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SParamTwoPort record;
        std::string error;
        const int code = ob7::ParseSParamOptionLine(record, c.line, &error);
        EXPECT_EQ(error, c.error);
        if (*c.error) {
            EXPECT_NE(code, 0);
            continue;
        }
        EXPECT_EQ(code, 0);
        EXPECT_EQ(record.unitFactor, c.factor);
        EXPECT_EQ(record.pairFormat, c.format);
        EXPECT_EQ(record.referenceResistance, c.format == ob7::kPairMagnitudeAngle ? 50 : 75);
    }
}

TEST(SParamFile, TableLines) {
    SParamTwoPort record;
    record.path = "X.S2P";
    std::vector<SParamPoint> points;
    std::string error;
    // A repeated frequency ends the table; a zero frequency is not stored; comments and
    // option lines before the table are read, "!" lines inside it skipped.
    const char* text =
        "! measured\n# KHz S RI R 50\n  0 9 9 9 9 9 9 9 9\n1 0.5 0 0.1 0 0.2 0 0.3 0\n! note\n"
        "\t2 0.6 0.1 0.1 0 0.2 0 0.3\n2 1 1 1 1 1 1 1 1\n3 1 1 1 1 1 1 1 1\n";
    ASSERT_EQ(ob7::ReadSParamText(record, text, &points, &error), 0) << error;
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(record.pointCount, 2);
    EXPECT_EQ(points[0].frequency, 1e3);
    EXPECT_EQ(points[1].frequency, 2e3);
    // File order S11, S21, S12, S22.
    EXPECT_EQ(points[0].v21.re, 0.1);
    EXPECT_EQ(points[0].v12.re, 0.2);
    EXPECT_EQ(points[0].v22.re, 0.3);
    // Missing numbers read as 0.
    EXPECT_EQ(points[1].v11.im, 0.1);
    EXPECT_EQ(points[1].v22.im, 0.0);

    // Magnitude and angle, dB and angle.
    ASSERT_EQ(ob7::ReadSParamText(record, "# Hz S MA R 50\n1 2 90 0 0 0 0 0 0\n", &points, &error), 0);
    EXPECT_NEAR(points[0].v11.re, 0, 1e-15);
    EXPECT_NEAR(points[0].v11.im, 2, 1e-15);
    ASSERT_EQ(ob7::ReadSParamText(record, "# Hz S DB R 50\n1 20 180 0 0 0 0 0 0\n", &points, &error), 0);
    EXPECT_NEAR(points[0].v11.re, -10, 1e-12);

    EXPECT_NE(ob7::ReadSParamText(record, "! nothing here\n# Hz S RI R 50\n", &points, &error), 0);
    EXPECT_EQ(error, "Can't find the table in the file X.S2P.");
}

// A series impedance Z between the ports: S11 = S22 = Z/(Z+2R), S21 = S12 = 2R/(Z+2R);
// its Y parameters are 1/Z on the diagonal and -1/Z off it.
TEST(SParamFile, ScatteringToAdmittance) {
    SParamPoint s;
    s.frequency = 7;
    s.v11 = s.v22 = {1.0 / 3, 0};
    s.v12 = s.v21 = {2.0 / 3, 0};
    const SParamPoint y = ob7::SParamToYParam(s, 50);
    EXPECT_EQ(y.frequency, 7);
    EXPECT_NEAR(y.v11.re, 0.02, 1e-15);
    EXPECT_NEAR(y.v22.re, 0.02, 1e-15);
    EXPECT_NEAR(y.v12.re, -0.02, 1e-15);
    EXPECT_NEAR(y.v21.re, -0.02, 1e-15);
    // D exactly 0 gives admittances of 0, not a division fault.
    SParamPoint open;
    open.v11 = open.v22 = {-1, 0};
    const SParamPoint z = ob7::SParamToYParam(open, 50);
    EXPECT_EQ(z.v11.re, 0);
    EXPECT_EQ(z.v12.re, 0);
    EXPECT_TRUE(std::isfinite(z.v22.re) && std::isfinite(z.v22.im));
}

TEST(SParamFile, AdmittanceTables) {
    std::vector<SParamPoint> y(3);
    const double f[3] = {1e3, 2e3, 4e3};
    // Y21 turns from 170 degrees to 190: the phase stays continuous.
    const double degrees[3] = {170, 190, 200};
    for (int k = 0; k < 3; ++k) {
        y[k].frequency = f[k];
        const double a = degrees[k] * 0.017453292519943295;
        y[k].v21 = {0.1 * std::cos(a), 0.1 * std::sin(a)};
        y[k].v11 = {k == 1 ? 0.0 : 1.0, 0};
    }
    const auto table = ob7::BuildYParamTable(y, 2);
    ASSERT_EQ(table.size(), 23u);  // 10 N - 7
    EXPECT_EQ(table[0], table[1]);
    EXPECT_EQ(table[22], table[21]);
    EXPECT_EQ(table[1][0], 1e3);
    EXPECT_EQ(table[6][0], 1.5e3);
    EXPECT_EQ(table[21][0], 4e3);
    EXPECT_NEAR(table[1][1], -20, 1e-12);
    EXPECT_NEAR(table[11][2], 190, 1e-9);
    EXPECT_NEAR(table[21][2], 200, 1e-9);
    for (size_t i = 2; i < table.size(); ++i) EXPECT_LT(std::fabs(table[i][2] - table[i - 1][2]), 180) << i;
    // A zero value is floored at -200 dB.
    const auto y11 = ob7::BuildYParamTable(y, 0);
    EXPECT_NEAR(y11[11][1], -200, 1e-9);
    // One point: the point and its two copies.
    EXPECT_EQ(ob7::BuildYParamTable({y[0]}, 0).size(), 3u);
}

class SParamCompile : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        ob7::FillOptionDefaultTexts(1);
        ob7::ParseSimulationOptions(true);
    }
    void TearDown() override {
        ob7::FreeSimulationState();
        ob7::ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    // A source of 1 V into port 1 of the two-port, 50 ohms on port 2.
    int CompileWithTwoPort(const std::string& file, int analysis = ob7::kDc) {
        EXPECT_EQ(Read("t\nV1 1 0 DC 1 AC 1\nRL 2 0 50\n.END\n", analysis), 0);
        ob7::NetlistPart& part = circuit->parts.emplace_back();
        part.type = ob7::CT_S_PORT;
        part.object.page = -1;
        part.object.SetAttr(ob7::ATTR_PART, "SP1");
        part.object.SetAttr(ob7::ATTR_FILE, file);
        part.pinNodes = {Node("1"), 0, Node("2"), 0};
        reports.reports.clear();
        return ob7::CompileCircuit(*circuit, {}, &compiled);
    }
    ob7::CompileResult compiled;
};

TEST_F(SParamCompile, SeriesResistorTwoPortDividesWithItsLoad) {
    Write("SERIES.S2P",
          "! 50 ohms in series\n# MHz S RI R 50\n"
          "1 0.3333333333333333 0 0.6666666666666666 0 0.6666666666666666 0 0.3333333333333333 0\n"
          "10 0.3333333333333333 0 0.6666666666666666 0 0.6666666666666666 0 0.3333333333333333 0\n");
    ASSERT_EQ(CompileWithTwoPort(Path("SERIES.S2P")), 0) << FirstReport();
    ASSERT_EQ(ob7::DeviceListTable[ob7::kNPortList].count, 1);
    auto* record = static_cast<SParamTwoPort*>(ob7::DeviceListTable[ob7::kNPortList].first);
    EXPECT_EQ(record->pointCount, 2);
    EXPECT_EQ(record->unitFactor, 1e6);
    ASSERT_EQ(ob7::DeviceListTable[ob7::kLaplaceTableSourceList].count, 4);
    const int p1 = Node("1"), p2 = Node("2");
    const int pairs[4][2] = {{p1, p1}, {p1, p2}, {p2, p1}, {p2, p2}};  // output, control
    for (int k = 0; k < 4; ++k) {
        const ob7::FreqTableSource* s = record->sources[k];
        ASSERT_TRUE(s);
        EXPECT_EQ(s->form, ob7::kFreqTableG);
        EXPECT_EQ(s->c, pairs[k][0]);
        EXPECT_EQ(s->a, pairs[k][1]);
        EXPECT_EQ(s->value_kind, ob7::kTableDecibels);
        EXPECT_EQ(s->phase_kind, ob7::kTableDegrees);
        EXPECT_EQ(s->table.size(), 13u);
    }
    ASSERT_EQ(ob7::SolveCompiledOperatingPoint(compiled), 0);
    EXPECT_NEAR(ob7::Solution[p2], 0.5, 1e-9);
}

TEST_F(SParamCompile, FileErrorsNameThePart) {
    Write("BAD.S2P", "# Hz Y RI R 50\n1 0 0 0 0 0 0 0 0\n");
    Write("EMPTY.S2P", "! no table\n");
    const struct {
        const char* file;
        const char* text;
    } cases[] = {
        {"BAD.S2P", "missing S."},
        {"EMPTY.S2P", "Can't find the table in the file"},
        {"NONE.S2P", "NONE.S2P"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(CompileWithTwoPort(Path(c.file)), ob7::kMsgReported);
        ASSERT_FALSE(reports.reports.empty());
        EXPECT_NE(reports.reports[0].text.find(c.text), std::string::npos) << reports.reports[0].text;
        EXPECT_EQ(ob7::ErrorSource.part, 2);
        EXPECT_EQ(ob7::DeviceListTable[ob7::kNPortList].count, 0);  // a failed compile leaves nothing
    }
}

// A series impedance of 50 + j50 ohms between the ports, loaded by 50 ohms: in AC the
// load sees 50 / (100 + j50) of the source.
TEST_F(SParamCompile, ComplexSeriesImpedanceInTheSmallSignalAnalysis) {
    const std::complex<double> z(50, 50), s11 = z / (z + 100.0), s21 = 100.0 / (z + 100.0);
    char line[200];
    std::string text = "# MHz S RI R 50\n";
    for (double f : {1.0, 10.0}) {
        std::snprintf(line, sizeof line, "%g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g\n", f, s11.real(),
                      s11.imag(), s21.real(), s21.imag(), s21.real(), s21.imag(), s11.real(), s11.imag());
        text += line;
    }
    Write("ZSERIES.S2P", text);
    ASSERT_EQ(CompileWithTwoPort(Path("ZSERIES.S2P"), ob7::kAc), 0) << FirstReport();
    struct Recorder : ob7::PointSink {
        int node = 0;
        std::vector<std::complex<double>> v;
        int AcceptPoint(double) override {
            v.push_back(ob7::AcNodeValue(node));
            return 0;
        }
    } sink;
    sink.node = Node("2");
    ob7::AcSettings settings;
    settings.frequency_range = "1e7,1e6";
    settings.points = 3;
    settings.circuit_changed = true;
    ASSERT_EQ(ob7::RunAcAnalysis(settings, sink), 0) << FirstReport();
    ASSERT_FALSE(sink.v.empty());
    const std::complex<double> expected = 50.0 / (z + 50.0);
    for (const auto& v : sink.v) EXPECT_NEAR(std::abs(v - expected), 0, 1e-9);
}

}  // namespace
