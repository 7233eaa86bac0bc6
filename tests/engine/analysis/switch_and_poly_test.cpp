// A voltage-controlled switch and POLY sources through the transient and DC sweep drivers,
// against the reference simulator on the deck
//   V1 ctl 0 DC 0 PULSE(0 2 2u 10n 10n 5u 10u)    VDD vdd 0 DC 5
//   S1 vdd out ctl 0 SW1   RL out 0 1k   C1 out 0 1n
//   .model SW1 SW(VT=1.005 VH=0 RON=10 ROFF=1MEG)
//   VA a 0 DC 0 SIN(0 1 1k)   VB b 0 DC 0.5
//   E1 p 0 POLY(2) a 0 b 0 0 1 0.5 0.2 0.1 0.3   RP p f 1k   CP f 0 100n
//   G1 0 c POLY(1) a 0 0 1m 0.5m   RC c 0 1k
// (.dc V1 0 2 0.1, .dc VA -2 2 0.1, .tran 1n 20u 0 1n, .tran 10u 2m 0 1u; the transient
// curves are the reference's resampled on a fixed grid).

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <functional>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/dc_sweep.h"
#include "sim/analysis/sensitivity.h"
#include "sim/analysis/transfer_function.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/switch.h"
#include "sim/devices/table_source.h"

namespace ob7 {
namespace {

enum Node { ctl = 1, vdd, out, a, b, p, f, c };

class SwitchAndPolyRun : public AnalysisCircuit {
protected:
    SpiceSource* v1 = nullptr;
    SpiceSource* va = nullptr;
    SpiceSource* vdd_source = nullptr;
    PolySource* e1 = nullptr;
    PolySource* g1 = nullptr;

    void Build() {
        v1 = AddSpiceSource(ctl, 0, kSpiceVoltageSource, 0);
        v1->spec_kind = kSourcePulse;
        const double pulse[7] = {0, 2, 2e-6, 10e-9, 10e-9, 5e-6, 10e-6};
        std::copy(pulse, pulse + 7, v1->p);
        vdd_source = AddSpiceSource(vdd, 0, kSpiceVoltageSource, 5);
        // With equal on and off controls the switch is the reference's threshold switch
        // without hysteresis.
        AddVSwitch(Model(kModelVSwitch, {{"RON", 10}, {"ROFF", 1e6}, {"VON", 1.005}, {"VOFF", 1.005}}), vdd, out,
                   ctl, 0);
        AddResistor(out, 0, 1e3);
        AddCapacitor(out, 0, 1e-9);

        va = AddSpiceSource(a, 0, kSpiceVoltageSource, 0);
        va->spec_kind = kSourceSin;
        va->p[1] = 1, va->p[2] = 1e3;
        AddSpiceSource(b, 0, kSpiceVoltageSource, 0.5);
        e1 = AddPolySource(kPolyE, p, 0, {0, 1, 0.5, 0.2, 0.1, 0.3}, {PolyControl{0, 0, a, 0}, PolyControl{0, 0, b, 0}});
        AddResistor(p, f, 1e3);
        AddCapacitor(f, 0, 100e-9);
        g1 = AddPolySource(kPolyG, 0, c, {0, 1e-3, 0.5e-3}, {PolyControl{0, 0, a, 0}});
        AddResistor(c, 0, 1e3);
        NodeCount = 8;
    }
};

// The reference's points on a grid of `step` from 0: the worst deviation over the span.
double WorstOnGrid(const RecordingSink& sink, size_t column, double step, const std::vector<double>& expected) {
    std::vector<double> t;
    for (size_t k = 0; k < expected.size(); ++k) t.push_back(static_cast<double>(k) * step);
    return WorstDeviationOfSpan(sink.x, sink.Column(column), t, expected);
}

TEST_F(SwitchAndPolyRun, SwitchTransientMatchesReference) {
    Build();
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(out)}; };
    TransientSettings s;
    s.tmax = 20e-6;
    s.max_step = 1e-9;
    s.points = 20001;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    // Off, on at 2 us, off at 7 us with the 1 us discharge, on again at 12 us.
    const std::vector<double> expected = {
        0.00499501, 0.00499501, 0.00499501, 0.00499501, 0.00499501, 0.00499501, 0.00499501, 0.00499501, 0.00499501,
        4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,
        4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,
        4.9505,     4.9505,     3.91211,    3.0471,     2.3736,     1.8492,     1.44091,    1.123,      0.875484,
        0.682763,   0.532709,   0.415877,   0.32491,    0.254083,   0.198936,   0.155999,   0.122567,   0.0965376,
        0.0762707,  0.0604907,  0.0482043,  0.038638,   4.9505,     4.9505,     4.9505,     4.9505,     4.9505,
        4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,
        4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     4.9505,     3.91211,    3.0471,     2.3736,
        1.8492,     1.44091,    1.123,      0.875484,   0.682763,   0.532709,   0.415877,   0.32491,    0.254083};
    EXPECT_LT(WorstOnGrid(sink, 0, 0.25e-6, expected), 1e-3);
}

TEST_F(SwitchAndPolyRun, PolyTransientMatchesReference) {
    Build();
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(f), V(c)}; };
    TransientSettings s;
    s.tmax = 2e-3;
    s.max_step = 1e-6;
    s.points = 201;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const std::vector<double> filtered = {
        0.325,     0.397524,  0.577982,   0.813528,  1.05325,   1.25038,   1.36763,    1.38281,   1.29205,
        1.10932,   0.862001,  0.583896,   0.307878,  0.0602521, -0.141691, -0.288804,  -0.37698,  -0.403651,
        -0.365746, -0.260179, -0.0867568, 0.147781,  0.426506,  0.721653,  0.997523,   1.21658,   1.34713,
        1.37037,   1.28451,   1.10475,    0.859227,  0.582213,  0.306857,  0.0596331,  -0.142066, -0.289032,
        -0.377119, -0.403735, -0.365797,  -0.26021,  -0.0867759};
    const std::vector<double> current = {
        0,         0.35676,   0.760529,  1.13627,   1.40331,   1.5,       1.40331,   1.13627,   0.760529,
        0.35676,   0,         -0.261273, -0.415041, -0.481763, -0.498802, -0.5,      -0.498802, -0.481763,
        -0.415041, -0.261273, 0,         0.35676,   0.760529,  1.13627,   1.40331,   1.5,       1.40331,
        1.13627,   0.760529,  0.35676,   0,         -0.261273, -0.415041, -0.481763, -0.498802, -0.5,
        -0.498802, -0.481763, -0.415041, -0.261273, 0};
    EXPECT_LT(WorstOnGrid(sink, 0, 50e-6, filtered), 1e-3);
    EXPECT_LT(WorstOnGrid(sink, 1, 50e-6, current), 1e-3);
}

// DC sweeps: the switch's two resistances on either side of its threshold, and the
// polynomials against their closed forms (which the reference gives to its 9 digits).
TEST_F(SwitchAndPolyRun, DcSweepsMatchReference) {
    Build();
    const double y = 0.5;  // VB
    struct Sweep {
        double* target;
        double from, to;
        size_t points;
        std::vector<int> nodes;
        std::function<std::vector<double>(double)> expected;
    };
    const Sweep sweeps[] = {
        {&v1->dc_value, 0, 2, 21, {out},
         [](double x) { return std::vector<double>{x > 1.005 ? 5 * 1e3 / 1010 : 5 * 1e3 / (1e6 + 1e3)}; }},
        {&va->dc_value, -2, 2, 41, {p, c},
         [y](double x) {
             return std::vector<double>{x + 0.5 * y + 0.2 * x * x + 0.1 * x * y + 0.3 * y * y,
                                        (1e-3 * x + 0.5e-3 * x * x) * 1e3};
         }},
    };
    for (const Sweep& sweep : sweeps) {
        RecordingSink sink;
        sink.probe = [&sweep] {
            std::vector<double> v;
            for (int node : sweep.nodes) v.push_back(V(node));
            return v;
        };
        DcSweepSettings s;
        s.variable1 = {sweep.target, false, SweepMethod::Linear, sweep.to, sweep.from, 0.1, {}};
        s.variable2.method = SweepMethod::None;
        ASSERT_EQ(RunDcSweep(s, sink), 0);
        ASSERT_EQ(sink.x.size(), sweep.points);
        for (size_t i = 0; i < sink.x.size(); ++i) {
            SCOPED_TRACE(sink.x[i]);
            const std::vector<double> e = sweep.expected(sink.x[i]);
            for (size_t k = 0; k < e.size(); ++k) EXPECT_NEAR(sink.values[i][k], e[k], 1e-6 * std::fabs(e[k]) + 1e-9);
        }
    }
}

// The transfer function from VA at 1 V: the polynomials' derivatives, dp/da = 1 + 0.4 a +
// 0.1 b and dc/da = (1m + 1m a) 1k; p is held by the E source, c sees RC alone.
TEST_F(SwitchAndPolyRun, TransferFunctionIsThePolynomialsSlope) {
    Build();
    va->spec_kind = kSourceDc;
    va->dc_value = 1;
    const struct {
        int node;
        double gain, output_impedance;
        const char* output_text;
    } cases[] = {{p, 1.45, 0, "0"}, {c, 2, 1e3, "1000"}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.node);
        const int node = k.node;
        TfOutput out{[node] { return V(node); }, TfOutput::Form::Voltage, node, 0};
        TfResult r;
        ASSERT_EQ(RunTransferFunction({va, kSpiceVoltageSource}, out, 27, &r), 0);
        EXPECT_NEAR(r.transfer_function, k.gain, 1e-6 * k.gain);
        EXPECT_EQ(r.output_impedance_text, k.output_text);
        if (k.output_impedance > 0) {
            EXPECT_NEAR(r.output_impedance, k.output_impedance, 1e-6 * k.output_impedance);
        }
    }
}

// A numeric-table E source on a 1.5 V, 1 kHz sine: at every accepted point the output is
// the table's piecewise-linear value, extended along the end segments past +-1 V.
TEST_F(SwitchAndPolyRun, TableSourceFollowsItsTableInTransient) {
    SpiceSource* in = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    in->spec_kind = kSourceSin;
    in->p[1] = 1.5, in->p[2] = 1e3;
    AddTableSource(kTableE, 1, 0, 2, 0, {{-1, -2}, {0, 0}, {0.5, 0.25}, {1, 1}});
    AddResistor(2, 0, 1e3);
    NodeCount = 2;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(1), V(2)}; };
    TransientSettings s;
    s.tmax = 2e-3;
    s.points = 201;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    ASSERT_GT(sink.x.size(), 100u);
    const auto table = [](double x) {
        if (x < 0) return 2 * x;
        if (x < 0.5) return 0.5 * x;
        return 0.25 + 1.5 * (x - 0.5);
    };
    for (size_t i = 0; i < sink.x.size(); ++i)
        EXPECT_NEAR(sink.values[i][1], table(sink.values[i][0]), 1e-6) << sink.x[i];
}

// AC with the switch on (control 2 V) and VA at 1 V DC: the switch is RON into RL and C1,
// the POLY sources are their slopes at the operating point (E: 1 + 0.4 a + 0.1 b, G:
// 1m + 1m a) on RP, CP and RC.
TEST_F(SwitchAndPolyRun, AcUsesTheSwitchStateAndThePolynomialSlopes) {
    Build();
    v1->spec_kind = kSourceDc;
    v1->dc_value = 2;
    vdd_source->ac_magnitude = 1;
    va->spec_kind = kSourceDc;
    va->dc_value = 1;
    va->ac_magnitude = 1;
    RecordingSink sink;
    sink.probe = [] {
        std::vector<double> v;
        for (int node : {out, f, c}) v.push_back(Vac(node).real()), v.push_back(Vac(node).imag());
        return v;
    };
    AcSettings settings;
    settings.frequency_range = "1e7,1e3";
    settings.points = 9;
    ASSERT_EQ(RunAcAnalysis(settings, sink), 0);
    ASSERT_EQ(sink.x.size(), 9u);
    for (size_t i = 0; i < sink.x.size(); ++i) {
        SCOPED_TRACE(sink.x[i]);
        const std::complex<double> jw(0, 2 * std::numbers::pi * sink.x[i]);
        const std::complex<double> load = 1.0 / (1e-3 + jw * 1e-9);
        const std::complex<double> expected[3] = {load / (10.0 + load), 1.45 / (1.0 + jw * 1e3 * 100e-9), 2.0};
        for (int k = 0; k < 3; ++k) {
            const std::complex<double> ours(sink.values[i][2 * k], sink.values[i][2 * k + 1]);
            EXPECT_LE(std::abs(ours - expected[k]), 1e-9 * std::abs(expected[k])) << k;
        }
    }
}

// Sensitivities to the coefficients at VA = 1 V, VB = 0.5 V: each output is linear in
// them, so the forward difference is the term's monomial, exactly.
TEST_F(SwitchAndPolyRun, SensitivityToPolynomialCoefficients) {
    Build();
    va->spec_kind = kSourceDc;
    va->dc_value = 1;
    std::vector<SensitivityVariable> variables = {{"E1", "P1", &e1->coefficients[1]},
                                                  {"E1", "P2", &e1->coefficients[2]},
                                                  {"E1", "P5", &e1->coefficients[5]},
                                                  {"G1", "P2", &g1->coefficients[2]}};
    std::vector<SensitivityOutput> outputs = {{"V(P)", [] { return V(p); }}, {"V(C)", [] { return V(c); }}};
    std::vector<SensitivityRow> rows;
    ASSERT_EQ(RunSensitivity(variables, outputs, 27, &rows), 0);
    ASSERT_EQ(rows.size(), 4u);
    // d V(p) / d P: a, b, b^2; d V(c) / d P2 of G1: a^2 times 1k.
    const double expected[4][2] = {{1, 0}, {0.5, 0}, {0.25, 0}, {0, 1e3}};
    for (size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(variables[k].parameter);
        for (size_t m = 0; m < 2; ++m)
            EXPECT_NEAR(rows[k].cells[m].sensitivity, expected[k][m], 1e-6 * std::fabs(expected[k][m]) + 1e-9);
    }
}

}  // namespace
}  // namespace ob7
