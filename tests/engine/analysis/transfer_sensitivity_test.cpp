// Transfer function and sensitivity of divider_op.cir by finite differences, against
// its closed form and the reference simulator.
//
// Expected deviation: the sensitivity is a forward difference over a 0.1% change of the
// variable, the reference's an analytic derivative; for this circuit they differ by up to
// 7e-4 relative. The closed form of the same forward difference is met within 1e-7.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/sensitivity.h"
#include "sim/analysis/transfer_function.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"

namespace ob7 {
namespace {

// in 1, mid 2, out 3.
struct DividerValues {
    double v1 = 10, r1 = 2e3, r2 = 3e3, i1 = 1e-3, r3 = 1e3, rl = 4e3;
    double Out() const {
        const double vm = (v1 / r1 + i1) / (1 / r1 + 1 / r2 + 1 / (r3 + rl));
        return vm * rl / (r3 + rl);
    }
};

class Divider : public AnalysisCircuit {
protected:
    void Build() {
        vin = AddSpiceSource(1, 0, kSpiceVoltageSource, 10);
        r1 = AddResistor(1, 2, 2e3);
        r2 = AddResistor(2, 0, 3e3);
        i1 = AddSpiceSource(0, 2, 11, 1e-3);
        r3 = AddResistor(2, 3, 1e3);
        rl = AddResistor(3, 0, 4e3);
        NodeCount = 3;
    }
    TfOutput OutputVoltage() {
        TfOutput out;
        out.value = [] { return V(3); };
        out.form = TfOutput::Form::Voltage;
        out.node_plus = 3;
        return out;
    }
    SpiceSource* vin = nullptr;
    SpiceSource* i1 = nullptr;
    Resistor *r1 = nullptr, *r2 = nullptr, *r3 = nullptr, *rl = nullptr;
};

TEST_F(Divider, TransferFunctionMatchesClosedFormAndReference) {
    Build();
    TfResult r;
    ASSERT_EQ(RunTransferFunction({vin, 30}, OutputVoltage(), 27, &r), 0);
    // Gain 1/(2k + 3k || 5k) * (3k || 5k) * 4/5; input 2k + 3k || 5k; output 1k || (...).
    const double rp = 1 / (1 / 3e3 + 1 / 5e3);
    EXPECT_NEAR(r.transfer_function, rp / (2e3 + rp) * 0.8, 1e-6);
    EXPECT_NEAR(r.input_impedance, 2e3 + rp, 1e-3);
    const double rth = 1 / (1 / 2e3 + 1 / 3e3) + 1e3;
    EXPECT_NEAR(r.output_impedance, 1 / (1 / rth + 1 / 4e3), 1e-3);
    const RawReference ref = ReadRawReference("divider_op.tf.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_NEAR(r.transfer_function, ref.Real("v(transfer_function)")[0], 1e-6 * 0.387);
    EXPECT_NEAR(r.input_impedance, ref.Real("v(vin#input_impedance)")[0], 1e-6 * 3875);
    EXPECT_NEAR(r.output_impedance, ref.Real("v(output_impedance_at_v(out))")[0], 1e-6 * 1419);
    EXPECT_EQ(r.transfer_function_text, "0.387097");
}

TEST_F(Divider, FieldsForOtherSourcesAndOutputs) {
    Build();
    TfResult r;
    // A current source as input: the transfer is an impedance and so is its input.
    ASSERT_EQ(RunTransferFunction({i1, 11}, OutputVoltage(), 27, &r), 0);
    EXPECT_NEAR(r.transfer_function, DividerValues{.i1 = 1e-3 + 1e-6}.Out() * 1e6 - DividerValues{}.Out() * 1e6, 1e-3);
    const double rmid = 1 / (1 / 2e3 + 1 / 3e3 + 1 / 5e3);
    EXPECT_NEAR(r.input_impedance, rmid, 1e-3);
    // An output that is no V() or I() has no output impedance; a resistor is no source.
    TfOutput doubled{[] { return 2 * V(3); }};
    ASSERT_EQ(RunTransferFunction({r1, 3}, doubled, 27, &r), 0);
    EXPECT_EQ(r.transfer_function_text, "Bad source.");
    EXPECT_EQ(r.input_impedance_text, "");
    EXPECT_EQ(r.output_impedance_text, "N/A");
    // An output node held by an ideal voltage source has no output impedance at all.
    TfOutput at_source{[] { return V(1); }, TfOutput::Form::Voltage, 1, 0};
    ASSERT_EQ(RunTransferFunction({vin, 30}, at_source, 27, &r), 0);
    EXPECT_EQ(r.transfer_function_text, "1");
    EXPECT_EQ(r.output_impedance_text, "0");
}

TEST_F(Divider, SensitivityMatchesForwardDifferenceAndReference) {
    Build();
    std::vector<SensitivityVariable> variables = {
        {"R1", "Value", &r1->working_value}, {"R2", "Value", &r2->working_value},
        {"R3", "Value", &r3->working_value}, {"RL", "Value", &rl->working_value},
        {"VIN", "Value", &vin->dc_value},     {"I1", "Value", &i1->dc_value},
    };
    std::vector<SensitivityOutput> outputs = {{"V(OUT)", [] { return V(3); }}};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(RunSensitivity(variables, outputs, 27, &rows), 0);
    ASSERT_EQ(rows.size(), variables.size());
    double DividerValues::*fields[] = {&DividerValues::r1, &DividerValues::r2, &DividerValues::r3,
                                       &DividerValues::rl, &DividerValues::v1, &DividerValues::i1};
    const char* ref_names[] = {"v(r1)", "v(r2)", "v(r3)", "v(rl)", "v(vin)", "v(i1)"};
    const RawReference ref = ReadRawReference("divider_op.sens.raw");
    ASSERT_TRUE(ref.ok);
    const DividerValues nominal;
    for (size_t k = 0; k < variables.size(); ++k) {
        DividerValues raised;
        raised.*fields[k] *= 1.001;
        const double x = nominal.*fields[k];
        const double forward = (raised.Out() - nominal.Out()) / (0.001 * x);
        const double s = rows[k].cells[0].sensitivity;
        EXPECT_NEAR(s, forward, 1e-7 * std::fabs(forward)) << variables[k].name;
        EXPECT_NEAR(rows[k].cells[0].relative, x / nominal.Out() * forward, 1e-7 * std::fabs(x / nominal.Out() * forward));
        const double analytic = ref.Real(ref_names[k])[0];
        EXPECT_NEAR(s, analytic, 1e-3 * std::fabs(analytic)) << variables[k].name;
    }
    // The circuit is left at its nominal values.
    EXPECT_EQ(r1->working_value, 2e3);
    EXPECT_NEAR(V(3), nominal.Out(), 1e-9);
}

TEST_F(Divider, SensitivityReportLayout) {
    Build();
    std::vector<SensitivityVariable> variables = {{"R1", "Value", &r1->working_value},
                                                  {"R2", "Value", &r2->working_value}};
    double zero = 0;
    variables.push_back({"X", "Value", &zero});
    std::vector<SensitivityOutput> outputs = {{"V(OUT)", [] { return V(3); }}, {"", nullptr}, {"V(MID)", [] { return V(2); }}};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(RunSensitivity(variables, outputs, 27, &rows), 0);
    EXPECT_EQ(rows[2].cells[0].sensitivity_text, "N/A");
    const std::string report = FormatSensitivityReport(variables, outputs, rows);
    std::vector<std::string> lines;
    for (size_t at = 0, next; (next = report.find('\n', at)) != std::string::npos; at = next + 1)
        lines.push_back(report.substr(at, next - at));
    // Two header lines and one line per variable of non-zero value.
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 8u + 18 + 2 * 36);
    EXPECT_EQ(lines[1].substr(0, 9), "Name     ");
    EXPECT_EQ(lines[2].substr(0, 8), "R1.Value");
    EXPECT_EQ(lines[2].size(), 8u + 1 + 17 + 2 * 36);
}

TEST_F(Divider, SensitivityNeedsVariablesAndOutputs) {
    Build();
    std::vector<SensitivityRow> rows;
    EXPECT_EQ(RunSensitivity({}, {{"V(OUT)", [] { return V(3); }}}, 27, &rows), 14195);
    EXPECT_EQ(RunSensitivity({{"R1", "Value", &r1->working_value}}, {{"", nullptr}}, 27, &rows), 14196);
}

}  // namespace
}  // namespace ob7
