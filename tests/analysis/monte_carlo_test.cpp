#include "analysis/monte_carlo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "foundation/report_capture.h"
#include "netlist/model_values.h"

namespace ob7 {
namespace {

struct Moments {
    double mean = 0, sd = 0, low = 1e300, high = -1e300;
};

template <class Draw>
Moments Measure(int n, Draw draw) {
    double sum = 0, sum2 = 0;
    Moments m;
    for (int i = 0; i < n; ++i) {
        double v = draw();
        sum += v;
        sum2 += v * v;
        m.low = std::min(m.low, v);
        m.high = std::max(m.high, v);
    }
    m.mean = sum / n;
    m.sd = std::sqrt(std::max(0.0, sum2 / n - m.mean * m.mean));
    return m;
}

TEST(MonteCarloTest, NormalTableIsTheCutNormalInSixHundredthSteps) {
    std::vector<double> table;
    ASSERT_EQ(BuildNormalTable(table), 0);
    ASSERT_EQ(table.size(), std::size_t(kNormalTableSlots));
    std::map<long, int> counts;
    for (int i = 1; i <= kNormalTableEntries; ++i) {
        ASSERT_GE(table[i], table[i - 1] * (i > 1));
        counts[std::lround(table[i] * 100)]++;
    }
    EXPECT_EQ(table[0], 0.0);
    EXPECT_EQ(table[kNormalTableEntries + 1], 0.0);
    EXPECT_EQ(counts[1000], 48);
    EXPECT_EQ(counts[700], 1);
    EXPECT_EQ(counts[1300], 1);
    EXPECT_NEAR(table[1], 7.0, 1e-12);
    EXPECT_NEAR(table[kNormalTableEntries], 13.0, 1e-12);
}

// 10,000 draws of each distribution around 100 with tolerance 10 and SD 2.58.
TEST(MonteCarloTest, DistributionsHaveTheirMeanAndSpread) {
    const int n = 10000;
    const double nominal = 100, tol = 10, sd = 2.58;
    // Standard deviation of a unit normal cut at +-3: sqrt(1 - 6 phi(3) / (2 Phi(3) - 1)).
    const double cutNormalSd = std::sqrt(1 - 6 * 0.0044318484119380075 / 0.9973002039367398);
    struct Case {
        int distribution;
        double expectedSd, maxDeviation;
    };
    const Case cases[] = {
        {kMcGauss, tol / sd * cutNormalSd, 3 * tol / sd},
        {kMcUniform, tol / std::sqrt(3.0), tol},
        {kMcWorstCase, tol, tol},
    };
    for (const Case& c : cases) {
        MonteCarloSampler sampler(kMcGauss, sd, 12345);
        ASSERT_EQ(sampler.Prepare(), 0);
        Moments m = Measure(n, [&] { return sampler.Sample(nominal, tol, c.distribution, -1, 0); });
        SCOPED_TRACE(MonteCarloDistributionName(c.distribution));
        EXPECT_NEAR(m.mean, nominal, 4 * c.expectedSd / std::sqrt(n));
        EXPECT_NEAR(m.sd / c.expectedSd, 1.0, 0.035);
        EXPECT_GE(m.low, nominal - c.maxDeviation - 1e-9);
        EXPECT_LE(m.high, nominal + c.maxDeviation + 1e-9);
    }
    // Worst Case gives exactly one of the two ends.
    MonteCarloSampler sampler(kMcWorstCase, sd, 7);
    for (int i = 0; i < 1000; ++i) {
        double v = sampler.Sample(nominal, tol, kMcAnalysisDefault, -1, 0);
        ASSERT_TRUE(v == nominal - tol || v == nominal + tol) << v;
    }
}

TEST(MonteCarloTest, UnsetOrUnknownDistributionSamplesAsGauss) {
    for (int code : {0, 4, 7, 255}) {
        MonteCarloSampler gauss(kMcGauss, 2.58, 99), other(0, 2.58, 99);
        for (int i = 0; i < 500; ++i) {
            double expected = gauss.Sample(100.0, 0.5, kMcGauss, -1, 0);
            double v = other.Sample(100.0, 0.5, code, -1, 0);
            ASSERT_EQ(v, expected) << "code " << code;
            ASSERT_NE(v, 0.5);
        }
    }
    EXPECT_STREQ(MonteCarloDistributionName(0), "Gauss");
    EXPECT_STREQ(MonteCarloDistributionName(9), "Gauss");
    EXPECT_STREQ(MonteCarloDistributionName(kMcUniform), "Uniform");
    EXPECT_STREQ(MonteCarloDistributionName(kMcWorstCase), "Worst Case");
}

TEST(MonteCarloTest, RunsTextIsLimited) {
    struct Case { const char* text; bool on; int total; const char* after; };
    const Case cases[] = {
        {"0", true, 1, "1"}, {"50000", true, 30000, "30000"}, {"25", true, 25, "25"},
        {"2*5", true, 10, "2*5"}, {"50000", false, 1, "50000"},
    };
    for (const Case& c : cases) {
        MonteCarloSettings s;
        s.flags = kMcUniform | (c.on ? kMcOn : 0);
        std::snprintf(s.runs, sizeof s.runs, "%s", c.text);
        EXPECT_EQ(ValidateMonteCarloRuns(s), c.total) << c.text;
        EXPECT_STREQ(s.runs, c.after);
    }
}

TEST(MonteCarloTest, SteppingSwitchesMonteCarloOffOnce) {
    MonteCarloSettings s;
    s.flags = kMcGauss | kMcOn;
    std::snprintf(s.runs, sizeof s.runs, "20");
    bool active = true;
    {
        ReportCapture reports;
        EXPECT_EQ(CheckMonteCarloOptions(s, 3, true, true, &active), 15055);
        ASSERT_EQ(reports.reports.size(), 1u);
        EXPECT_EQ(reports.Last().id, 15004);
    }
    EXPECT_FALSE(active);
    EXPECT_FALSE(s.On());
    ReportCapture reports;
    EXPECT_EQ(CheckMonteCarloOptions(s, 3, true, true, &active), 0);  // the next run steps
    EXPECT_TRUE(reports.reports.empty());
    s.flags |= kMcOn;
    EXPECT_EQ(CheckMonteCarloOptions(s, 20, false, true, &active), 0);
    EXPECT_TRUE(active);
}

// A resistor model with one toleranced parameter, and per-device copies of it.
struct Model {
    std::unique_ptr<ModelParams> record = std::make_unique<ModelParams>();
    Model(double nominal, ModelTolerance t, ModelParams* parent = nullptr) {
        record->modelType = kModelRes;
        record->nominal = std::make_shared<ModelValueArray>(kModelRes, 1);
        (*record->nominal)[0].real = nominal;
        record->values.Reset(kModelRes, 1);
        record->values[0].real = nominal;
        record->hasTolerances = true;
        record->tolerances = std::make_shared<std::vector<ModelTolerance>>(1, t);
        record->parent = parent;
    }
    double Value() const { return record->values[0].real; }
};

TEST(MonteCarloTest, LotIsSharedByTheDevicesOfAModelAndDevIsTheirOwn) {
    ModelTolerance t;
    t.lot = 10;
    t.lotDistribution = kMcUniform;
    t.dev = 1;
    t.devDistribution = kMcUniform;
    Model model(100, t);
    Model device1(100, t, model.record.get()), device2(100, t, model.record.get());
    ModelTolerance lotOnly = t;
    lotOnly.dev = -1;  // a device copy without DEV keeps the model's LOT value
    Model device3(100, lotOnly, model.record.get());
    MonteCarloSampler sampler(kMcGauss, 2.58, 2024);
    // The model's own record adds its DEV after the copies took its LOT value, so every
    // value lies within 2 DEV of the model's; two devices differ by their DEVs alone.
    double spreadBetweenDevices = 0;
    Moments device = Measure(2000, [&] {
        sampler.DrawSharedNumbers();
        sampler.SampleModelRecords(
            {model.record.get(), device1.record.get(), device2.record.get(), device3.record.get()});
        EXPECT_LE(std::fabs(device1.Value() - model.Value()), 2.0 + 1e-9);
        EXPECT_LE(std::fabs(device3.Value() - model.Value()), 1.0 + 1e-9);
        spreadBetweenDevices = std::max(spreadBetweenDevices, std::fabs(device1.Value() - device2.Value()));
        return device1.Value();
    });
    EXPECT_NEAR(device.sd, std::sqrt((100.0 + 1.0) / 3), 0.4);  // LOT and DEV, both uniform
    EXPECT_GT(spreadBetweenDevices, 1.0);
    EXPECT_LE(spreadBetweenDevices, 2.0 + 1e-9);
}

TEST(MonteCarloTest, SharedLotNumberMovesModelsTogether) {
    ModelTolerance shared;
    shared.lot = 5;
    shared.lotSet = 1;
    shared.lotDistribution = kMcUniform;
    ModelTolerance own = shared;
    own.lotSet = 0xFF;
    Model a(10, shared), b(1000, shared), c(10, own), d(1000, own);
    // LOT/1 alone is scaled the same in both; LOT without a set is independent.
    Model a2(10, ModelTolerance{}), b2(10, ModelTolerance{});
    MonteCarloSampler sampler(kMcGauss, 2.58, 5);
    int together = 0, ownTogether = 0;
    for (int run = 0; run < 200; ++run) {
        sampler.DrawSharedNumbers();
        sampler.SampleModelRecords({a.record.get(), b.record.get(), c.record.get(), d.record.get()});
        together += std::fabs((a.Value() - 10) - (b.Value() - 1000)) < 1e-9;
        ownTogether += std::fabs((c.Value() - 10) - (d.Value() - 1000)) < 1e-9;
    }
    EXPECT_EQ(together, 200);
    EXPECT_LT(ownTogether, 5);
}

}  // namespace
}  // namespace ob7
