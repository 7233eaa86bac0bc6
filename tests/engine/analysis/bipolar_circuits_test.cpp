// Bipolar circuits of the comparison decks: operating point, AC and noise against the
// reference simulator.
//
// Expected deviation: the junction models compute the thermal voltage from this
// program's constants k = 1.3806226e-23 and q = 1.6021918e-19, the reference from newer
// ones (kT/q 2.9e-5 apart); the operating points then differ by up to 3e-5, the
// high-gain node of the pair by 7e-5 and the noise by a few 1e-6. These circuits are
// compared within 1e-4 relative instead of 1e-6.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/dc_sweep.h"
#include "sim/analysis/transient.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"

namespace ob7 {
namespace {

constexpr double kConstantsDeviation = 1e-4;

class BipolarDeck : public AnalysisCircuit {
protected:
    // A transistor with internal nodes for the model's series resistances, numbered
    // from next_node.
    Bjt* Transistor(ModelParams* model, int c, int b, int e) {
        Bjt* q = AddBjt(model, c, b, e);
        if (model->Real(kQRc) != 0) q->collector_i = ++next_node;
        if (model->Real(kQRb) != 0) q->base_i = ++next_node;
        if (model->Real(kQRe) != 0) q->emitter_i = ++next_node;
        return q;
    }
    SpiceSource* Source(int p, int n, double dc, double ac = 0) {
        SpiceSource* s = AddSpiceSource(p, n, kSpiceVoltageSource, dc);
        s->ac_magnitude = ac;
        return s;
    }
    int next_node = 0;
};

::testing::AssertionResult Near(std::complex<double> ours, std::complex<double> ref, double rel) {
    const double tol = rel * std::abs(ref) + 1e-9;
    if (std::abs(ours - ref) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ours << " vs " << ref << " (relative "
                                         << std::abs(ours - ref) / std::abs(ref) << ")";
}

// bjt_diffpair.cir: vcc 1, vee 2, inp 3, c1 4, e 5, c2 6.
class DiffPair : public BipolarDeck {
protected:
    void Build() {
        ModelParams* qn = Model(kModelNpn, {{"IS", 1e-16}, {"BF", 150}, {"BR", 2}, {"VAF", 100}, {"IKF", 50e-3},
                                            {"ISE", 1e-14}, {"NE", 1.6}, {"RB", 100}, {"RE", 1}, {"RC", 10},
                                            {"CJE", 1e-12}, {"CJC", 0.5e-12}, {"TF", 0.3e-9}});
        ModelParams* qp = Model(kModelPnp, {{"IS", 1e-16}, {"BF", 80}, {"BR", 2}, {"VAF", 60}, {"IKF", 30e-3},
                                            {"RB", 150}, {"RE", 2}, {"RC", 20}, {"CJE", 1.5e-12}, {"CJC", 0.8e-12},
                                            {"TF", 0.8e-9}});
        next_node = 6;
        Source(1, 0, 12);
        Source(2, 0, -12);
        Source(3, 0, 0, 1);
        Transistor(qn, 4, 3, 5);
        Transistor(qn, 6, 0, 5);
        Transistor(qp, 4, 4, 1);
        Transistor(qp, 6, 4, 1);
        AddResistor(5, 2, 11.3e3);
        AddResistor(6, 0, 100e3);
        NodeCount = next_node;
    }
};

TEST_F(DiffPair, OperatingPointMatchesReference) {
    Build();
    ASSERT_EQ(RunOperatingPointOnly(27), 0);
    const RawReference ref = ReadRawReference("bjt_diffpair.op.raw");
    ASSERT_TRUE(ref.ok);
    const int vcc_branch = NodeCount + 1, vin_branch = NodeCount + 3;
    const struct {
        const char* name;
        double ours;
    } values[] = {{"v(c1)", V(4)}, {"v(c2)", V(6)}, {"v(e)", V(5)}, {"i(vcc)", V(vcc_branch)},
                  {"i(vin)", V(vin_branch)}};
    for (const auto& v : values) EXPECT_TRUE(Near(v.ours, ref.Real(v.name)[0], kConstantsDeviation)) << v.name;
}

TEST_F(DiffPair, AcGainMatchesReference) {
    Build();
    RecordingSink sink;
    std::vector<std::complex<double>> c2;
    sink.probe = [&] {
        c2.push_back(Vac(6));
        return std::vector<double>{};
    };
    AcSettings s;
    s.frequency_range = "1G,1k";
    s.points = 121;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    const RawReference ref = ReadRawReference("bjt_diffpair.ac.raw");
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(c2.size(), ref.points.size());
    const auto ref_c2 = ref.Complex("v(c2)");
    for (size_t i = 0; i < c2.size(); ++i) EXPECT_TRUE(Near(c2[i], ref_c2[i], kConstantsDeviation)) << sink.x[i];
}

// On the steep part of the curve the deck's reference is only as close as its Newton
// tolerance (RELTOL 1e-3: 0.012 V at 12 V); so both sides solve with tight tolerances here,
// the reference from bjt_diffpair_tight.cir (RELTOL 1e-7, ABSTOL 1e-15, VNTOL 1e-10).
TEST_F(DiffPair, TransferCurveMatchesReference) {
    Build();
    auto* vin = static_cast<SpiceSource*>(DeviceListTable[kSpiceSourceList].last);
    Options.reltol = 1e-6;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(6)}; };
    DcSweepSettings s;
    s.variable1 = {&vin->dc_value, false, SweepMethod::Linear, 0.1, -0.1, 2e-3};
    s.variable2.method = SweepMethod::None;
    ASSERT_EQ(RunDcSweep(s, sink), 0);
    const RawReference ref = ReadRawReference("bjt_diffpair_tight.dc.raw");
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(sink.x.size(), ref.points.size());
    // Where the gain is ~1000 the constants' offset of a few 1e-7 V at the input shows as
    // that much times the slope at the output: the tolerance counts 1 uV at the input too.
    const auto c2 = ref.Real("v(c2)");
    const auto x = ref.Real("v(v-sweep)");
    for (size_t i = 0; i < c2.size(); ++i) {
        const size_t a = i ? i - 1 : i, b = i + 1 < c2.size() ? i + 1 : i;
        const double slope = std::fabs((c2[b] - c2[a]) / (x[b] - x[a]));
        EXPECT_NEAR(sink.values[i][0], c2[i], kConstantsDeviation * std::fabs(c2[i]) + 1e-6 * slope) << sink.x[i];
    }
}

// noise_amp.cir: vcc 1, in 2, b0 3, b 4, c 5, e 6; output V(c), input VIN.
TEST_F(BipolarDeck, CommonEmitterNoiseMatchesReference) {
    ModelParams* qn = Model(kModelNpn, {{"IS", 2e-15}, {"BF", 180}, {"VAF", 90}, {"RB", 50}, {"KF", 1e-16},
                                        {"AF", 1}, {"CJE", 5e-12}, {"CJC", 2e-12}, {"TF", 0.5e-9}});
    next_node = 6;
    Source(1, 0, 10);
    Source(2, 0, 0, 1);
    for (auto [a, b, r] : {std::tuple{2, 3, 600.0}, {1, 4, 82e3}, {4, 0, 18e3}, {1, 5, 5.6e3}, {6, 0, 1e3}})
        AddResistor(a, b, r)->kind = 1;
    AddCapacitor(3, 4, 10e-6);
    AddCapacitor(6, 0, 100e-6);
    Transistor(qn, 5, 4, 6);
    NodeCount = next_node;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{OutputNoise(), InputNoise()}; };
    AcSettings s;
    s.frequency_range = "10MEG,10";
    s.points = 61;
    s.noise = true;
    s.noise_output_plus = 5;
    s.noise_input_plus = 2;
    ASSERT_EQ(RunAcAnalysis(s, sink), 0);
    const RawReference ref = ReadRawReference("noise_amp.noise.raw");
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(sink.x.size(), ref.points.size());
    const auto onoise = ref.Real("onoise_spectrum");
    const auto inoise = ref.Real("inoise_spectrum");
    for (size_t i = 0; i < sink.x.size(); ++i) {
        EXPECT_TRUE(Near(sink.values[i][0], onoise[i], kConstantsDeviation)) << sink.x[i];
        EXPECT_TRUE(Near(sink.values[i][1], inoise[i], kConstantsDeviation)) << sink.x[i];
    }
}

}  // namespace
}  // namespace ob7
