// Reference decks read, compiled and run through the run cycle: the curves the point
// store keeps against the reference simulator's results of the same decks.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>

#include "analysis/text_circuit_analysis.h"
#include "engine/analysis/raw_reference.h"
#include "foundation/numbers.h"
#include "sim/engine/simulation_options.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

class DeckRuns : public TextCircuitHome {
protected:
    // Runs analysis kind of the deck. The run's plot, or null after a failure.
    AnalysisPlot* RunDeck(const std::string& deck, int kind) {
        if (deck_.Open(CopyDeck(deck)) != 0) return nullptr;
        const int code = deck_.RunAnalysis(kind);
        EXPECT_EQ(code, 0) << AllReports();
        return code == 0 && deck_.LastRun() ? &deck_.LastRun()->plot : nullptr;
    }
    // The curve whose Y expression is that text; -1 when none.
    static int Curve(const AnalysisPlot& plot, const std::string& y) {
        for (size_t i = 0; i < plot.curves.size(); ++i)
            if (plot.curves[i].text[kAxisY] == y) return static_cast<int>(i);
        return -1;
    }
    static std::vector<double> Column(AnalysisPlot& plot, int curve, int run, int axis) {
        std::vector<double> v;
        for (int i = 0; i < plot.RunPointCount(curve, run); ++i) v.push_back(plot.RunPointValue(curve, run, i, axis));
        return v;
    }
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis deck_;
};

TEST_F(DeckRuns, TransientCurvesFollowTheReference) {
    const struct {
        const char* deck;
        const char* curve;      // as the deck's .PRINT makes it
        const char* reference;  // the reference's vector
        double sign;
    } cases[] = {
        {"rc_step_tran", "V(OUT)", "v(out)", 1},
        {"rc_step_tran", "I(C1)", "i(v1)", -1},  // all of V1's current charges C1
        {"diode_clipper_tran", "V(OUT)", "v(out)", 1},
        {"jfet_bias_op", "V(OUT)", "v(out)", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.deck) + " " + c.curve);
        AnalysisPlot* plot = RunDeck(c.deck, 0);
        ASSERT_TRUE(plot);
        const int k = Curve(*plot, c.curve);
        ASSERT_GE(k, 0);
        ASSERT_EQ(plot->runs.runCount, 1);
        const RawReference ref = ReadRawReference(std::string(c.deck) + ".tran.raw");
        ASSERT_TRUE(ref.ok);
        std::vector<double> y = Column(*plot, k, 0, kAxisY);
        for (double& v : y) v *= c.sign;
        EXPECT_LT(WorstDeviationOfSpan(Column(*plot, k, 0, -1), y, ref.Real("time"), ref.Real(c.reference)), 1e-3);
    }
}

TEST_F(DeckRuns, AcCurvesMatchTheReference) {
    {
        AnalysisPlot* plot = RunDeck("rlc_bandpass_ac", 1);
        ASSERT_TRUE(plot);
        const RawReference ref = ReadRawReference("rlc_bandpass_ac.ac.raw");
        ASSERT_TRUE(ref.ok);
        const auto out = ref.Complex("v(out)");
        const int mag = Curve(*plot, "MAG(V(OUT))"), db = Curve(*plot, "DB(V(OUT))");
        ASSERT_GE(mag, 0);
        ASSERT_GE(db, 0);
        ASSERT_EQ(plot->RunPointCount(mag, 0), static_cast<int>(out.size()));
        EXPECT_EQ(deck_.AcceptedPoints(), static_cast<long>(out.size()));  // the batch log's solutions
        for (size_t i = 0; i < out.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(plot->RunPointValue(mag, 0, i, -1), ref.points[i][0].real(), 1e-9 * ref.points[i][0].real());
            EXPECT_NEAR(plot->RunPointValue(mag, 0, i, kAxisY), std::abs(out[i]), 1e-6 * std::abs(out[i]) + 1e-9);
            EXPECT_NEAR(plot->RunPointValue(db, 0, i, kAxisY), 20 * std::log10(std::abs(out[i])), 1e-5);
        }
    }
    {
        AnalysisPlot* plot = RunDeck("jfet_bias_op", 1);
        ASSERT_TRUE(plot);
        const RawReference ref = ReadRawReference("jfet_bias_op.ac.raw");
        const auto out = ref.Complex("v(out)");
        const int mag = Curve(*plot, "MAG(V(OUT))");
        ASSERT_GE(mag, 0);
        ASSERT_EQ(plot->RunPointCount(mag, 0), static_cast<int>(out.size()));
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_NEAR(plot->RunPointValue(mag, 0, i, kAxisY), std::abs(out[i]), 1e-4 * std::abs(out[i]) + 1e-9) << i;
    }
}

TEST_F(DeckRuns, DcSweepMatchesTheReference) {
    AnalysisPlot* plot = RunDeck("controlled_sources", 2);
    ASSERT_TRUE(plot);
    EXPECT_EQ(deck_.AcceptedPoints(), plot->RunPointCount(0, 0));  // the batch log's solutions
    const RawReference ref = ReadRawReference("controlled_sources.dc.raw");
    ASSERT_TRUE(ref.ok);
    // POLY(2) p2 = 0.5 + a + 2b + 0.1a^2 + 0.2ab + 0.3b^2 (b = 3) follows its closed form;
    // the reference's p2 lies up to 1 mV off it, so the other nodes are checked against it.
    const int p2 = Curve(*plot, "V(P2)");
    ASSERT_GE(p2, 0);
    for (int i = 0; i < plot->RunPointCount(p2, 0); ++i) {
        const double a = plot->RunPointValue(p2, 0, i, -1), b = 3;
        const double p = 0.5 + a + 2 * b + 0.1 * a * a + 0.2 * a * b + 0.3 * b * b;
        EXPECT_NEAR(plot->RunPointValue(p2, 0, i, kAxisY), p, 1e-9) << a;
    }
    for (const char* node : {"e1", "g1", "f1", "h1"}) {
        SCOPED_TRACE(node);
        std::string name = std::string("V(") + node + ")";
        for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const int k = Curve(*plot, name);
        ASSERT_GE(k, 0);
        const auto expected = ref.Real(std::string("v(") + node + ")");
        ASSERT_EQ(plot->RunPointCount(k, 0), static_cast<int>(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(plot->RunPointValue(k, 0, i, -1), ref.points[i][0].real(), 1e-12);
            EXPECT_NEAR(plot->RunPointValue(k, 0, i, kAxisY), expected[i], 1e-6 * std::fabs(expected[i]) + 1e-9);
        }
    }
}

// Two temperatures of a nested sweep: one run per temperature and value of the outer
// variable, each with its record; the first point of every run, in the linear region,
// against the reference at that temperature.
TEST_F(DeckRuns, NestedSweepAtTwoTemperaturesGivesOneRunPerBranch) {
    AnalysisPlot* plot = RunDeck("mos3_family_dc", 2);
    ASSERT_TRUE(plot);
    ASSERT_EQ(plot->runs.runCount, 10);
    const RawReference refs[2] = {ReadRawReference("mos3_family_dc.dc.t27.raw"),
                                  ReadRawReference("mos3_family_dc.dc.t85.raw")};
    const int k = Curve(*plot, "I(VD)");
    ASSERT_GE(k, 0);
    for (int r = 0; r < 10; ++r) {
        SCOPED_TRACE(r);
        const RunRecord& record = plot->runs.records[r];
        EXPECT_EQ(record.temperature, r < 5 ? 27 : 85);
        EXPECT_EQ(record.secondSweepValue, 1 + r % 5);
        EXPECT_EQ(record.caseNumber, 1);
        ASSERT_EQ(plot->RunPointCount(k, r), 101);
        const RawReference& ref = refs[r / 5];
        ASSERT_TRUE(ref.ok);
        const double expected = ref.Real("i(vd)")[(r % 5) * 101 + 1];
        EXPECT_NEAR(plot->RunPointValue(k, r, 1, kAxisY), expected, 1e-6 * std::fabs(expected) + 1e-12);
    }
}

// .NOISE with its .AC sweep: the ONOISE and INOISE curves make a noise run, whose spectra
// agree with the reference to the physical constants' 1e-4.
TEST_F(DeckRuns, NoiseCurvesMakeANoiseRun) {
    AnalysisPlot* plot = RunDeck("noise_amp", 1);
    ASSERT_TRUE(plot);
    const RawReference ref = ReadRawReference("noise_amp.noise.raw");
    ASSERT_TRUE(ref.ok);
    for (const auto& [curve, vector] : {std::pair{"ONOISE", "onoise_spectrum"}, {"INOISE", "inoise_spectrum"}}) {
        SCOPED_TRACE(curve);
        const int k = Curve(*plot, curve);
        ASSERT_GE(k, 0);
        const auto expected = ref.Real(vector);
        ASSERT_EQ(plot->RunPointCount(k, 0), static_cast<int>(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(plot->RunPointValue(k, 0, i, kAxisY), expected[i], 1e-4 * expected[i]) << i;
    }
}

// The deck's .OPTIONS hold for its run: TNOM moves the temperature a TC is counted from.
// The global options are back afterwards.
TEST_F(DeckRuns, OptionsOfTheDeckHoldForItsRun) {
    const struct {
        const char* options;
        double v2;
    } cases[] = {{"", 0.5}, {".OPTIONS TNOM=17\n", 1e3 / (1e3 + 1.1e3)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        std::ofstream(home / "tnom.cir") << "TC divider\nV1 1 0 DC 1\nR1 1 2 1k TC=0.01\nR2 2 0 1k\n" << c.options
                                          << ".TEMP 27\n.DC V1 1 1 1\n.PRINT DC V(2)\n.END\n";
        ASSERT_EQ(deck_.Open((home / "tnom.cir").string()), 0);
        ASSERT_EQ(deck_.RunAnalysis(2), 0) << AllReports();
        EXPECT_NEAR(deck_.LastRun()->plot.RunPointValue(0, 0, 0, kAxisY), c.v2, 1e-12);
        EXPECT_EQ(Options.tnom, 27.0);
    }
}

// A deck without devices has no equations: its AC run hands over its frequencies and
// ends normally instead of reaching for a matrix it never built.
TEST_F(DeckRuns, AcRunOfACircuitWithoutEquations) {
    std::ofstream(home / "empty.cir") << "Nothing but a sweep\n.AC DEC 5 10 1k\n.PRINT AC F\n.END\n";
    ASSERT_EQ(deck_.Open((home / "empty.cir").string()), 0);
    ASSERT_EQ(deck_.RunAnalysis(1), 0) << AllReports();
    AnalysisPlot& plot = deck_.LastRun()->plot;
    ASSERT_EQ(plot.RunPointCount(0, 0), 11);
    EXPECT_NEAR(plot.RunPointValue(0, 0, 10, kAxisY), 1e3, 1e-9);
}

// A SPICE pulse of 4 ns over 10 ms warns before its 2.5 million periods are collected,
// as pulse sources of the library do; a batch run goes on (here it is stopped soon) with
// the edges of the first million periods.
TEST_F(DeckRuns, APulseOfMillionsOfPeriodsWarnsFirst) {
    std::ofstream(home / "fast.cir") << "fast pulse\nV1 1 0 PULSE(0 1 0 1n 1n 1n 4n)\nR1 1 0 1k\n"
                                        ".TRAN 1u 10m\n.PRINT TRAN V(1)\n.END\n";
    ASSERT_EQ(deck_.Open((home / "fast.cir").string()), 0);
    int points = 0;
    deck_.prepareRun = [&points](AnalysisRun& run) { run.pollAbort = [&points] { return ++points > 20; }; };
    EXPECT_EQ(deck_.RunAnalysis(0), 15056);
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports[0].find("2.5e+06 periods"), std::string::npos) << AllReports();
}

std::string SplitWord(const std::string& text, size_t from) {
    const size_t a = text.find_first_not_of(' ', from);
    return text.substr(a, text.find_first_of(" \n", a) - a);
}

// A lossless line carries DC like a wire: its table in the operating point shows the
// 20 mA that flow through it into the 50 Ohm load, in at port 1 and out at port 2.
TEST_F(DeckRuns, TheTransmissionLineTableShowsItsPortCurrents) {
    std::ofstream(home / "line.cir") << "line\nV1 1 0 DC 1\nT1 1 0 2 0 Z0=50 TD=1n\nR1 2 0 50\n"
                                        ".TRAN 1n 10n\n.PRINT TRAN V(2)\n.END\n";
    ASSERT_EQ(deck_.Open((home / "line.cir").string()), 0);
    ASSERT_EQ(deck_.RunAnalysis(0), 0) << AllReports();
    std::ifstream in(home / "line.TNO");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t table = text.find("TransmissionLine Devices");
    ASSERT_NE(table, std::string::npos) << text;
    const std::string rest = text.substr(table);
    const auto row = [&](const char* label) {
        const size_t at = rest.find(label);
        return at == std::string::npos ? 0.0 : std::fabs(ParseNumber(SplitWord(rest, at + 7).c_str(), nullptr));
    };
    EXPECT_NEAR(row("\nInput  "), 20e-3, 1e-6) << rest;
    EXPECT_NEAR(row("\nOutput "), 20e-3, 1e-6) << rest;
    EXPECT_EQ(row("\nPG     "), 0.0) << rest;
}

// A lossy RC line is its series resistance R*LEN at the operating point: 1 V through
// 100 Ohm of line into 100 Ohm gives 5 mA in at port 1 and out at port 2.
TEST_F(DeckRuns, TheLtraTableShowsItsPortCurrents) {
    std::ofstream(home / "rcline.cir") << "rc line\nV1 1 0 DC 1\nT1 1 0 2 0 RCL\nR1 2 0 100\n"
                                          ".MODEL RCL TRN(R=50 C=100p LEN=2)\n"
                                          ".TRAN 1n 10n\n.PRINT TRAN V(2)\n.END\n";
    ASSERT_EQ(deck_.Open((home / "rcline.cir").string()), 0);
    ASSERT_EQ(deck_.RunAnalysis(0), 0) << AllReports();
    std::ifstream in(home / "rcline.TNO");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t table = text.find("Ltra Devices");
    ASSERT_NE(table, std::string::npos) << text;
    const std::string rest = text.substr(table);
    const auto row = [&](const char* label) {
        const size_t at = rest.find(label);
        return at == std::string::npos ? -1.0 : std::fabs(ParseNumber(SplitWord(rest, at + 7).c_str(), nullptr));
    };
    EXPECT_NEAR(row("\nInput  "), 5e-3, 1e-8) << rest;
    EXPECT_NEAR(row("\nOutput "), 5e-3, 1e-8) << rest;
    EXPECT_EQ(row("\nPG     "), 0.0) << rest;
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// The RLC line of the device's reference run (ngspice 39 LTRA: R=10, L=250n, C=100p,
// LEN=1 between 50 ohm and 100 ohm) written as a model per half length, a bare length
// of 0.5 and the line's own R: the same line, so the same port voltages.
TEST_F(DeckRuns, LossyLineFromItsOwnTextMatchesTheReference) {
    std::ofstream(home / "lossy.cir") << "lossy RLC line\nV1 1 0 PULSE(0 1 1n 1n 1n 20n 100n)\nRS 1 2 50\n"
                                         "T1 2 0 3 0 LHALF 0.5 R=20\nRL 3 0 100\n"
                                         ".MODEL LHALF TRN(R=1 L=500n C=200p LEN=7)\n.TRAN 0.05n 40n 0 0.05n\n"
                                         ".PRINT TRAN V(2) V(3)\n.END\n";
    ASSERT_EQ(deck_.Open((home / "lossy.cir").string()), 0);
    ASSERT_EQ(deck_.RunAnalysis(0), 0) << AllReports();
    AnalysisPlot& plot = deck_.LastRun()->plot;
    const struct {
        double t, v2, v3;
    } samples[] = {{6e-9, 0.521520559, 7.54199904e-03}, {8e-9, 0.530493352, 0.607026945},
                   {15e-9, 0.684202893, 0.622013602},  {26e-9, 0.170577585, 0.624997599},
                   {30e-9, 0.152638258, 0.0155557006}, {38e-9, 2.15340672e-03, 2.98152066e-04}};
    const int v2 = Curve(plot, "V(2)"), v3 = Curve(plot, "V(3)");
    ASSERT_GE(v2, 0);
    ASSERT_GE(v3, 0);
    const std::vector<double> t = Column(plot, v2, 0, -1), y2 = Column(plot, v2, 0, kAxisY),
                              y3 = Column(plot, v3, 0, kAxisY);
    auto at = [&t](const std::vector<double>& y, double x) {
        size_t i = 1;
        while (i + 1 < t.size() && t[i] < x) ++i;
        return y[i - 1] + (y[i] - y[i - 1]) * (x - t[i - 1]) / (t[i] - t[i - 1]);
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.t);
        EXPECT_NEAR(at(y2, s.t), s.v2, 1e-3);
        EXPECT_NEAR(at(y3, s.t), s.v3, 1e-3);
    }
}

}  // namespace
}  // namespace ob7
