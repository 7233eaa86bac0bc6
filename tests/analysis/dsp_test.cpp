#include "analysis/dsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "foundation/report_capture.h"

#ifdef OB7_HAVE_FFTW
#include <fftw3.h>
#endif

namespace ob7 {
namespace {

const double kPi = 3.14159265358979323846;

DspArray RandomArray(int n, unsigned seed, bool complex) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    DspArray a(n);
    for (int i = 0; i < n; ++i) {
        a.re[i] = u(gen);
        a.im[i] = complex ? u(gen) : 0.0;
    }
    return a;
}

TEST(DspTest, FftAgreesWithFftwOnRandomData) {
#ifndef OB7_HAVE_FFTW
    GTEST_SKIP() << "FFTW was not found when the build was configured";
#else
    for (int n : {8, 64, 1024, 4096, 65536}) {
        for (int sign : {FFTW_FORWARD, FFTW_BACKWARD}) {
            DspArray ours = RandomArray(n, n + sign, true);
            fftw_complex* data = fftw_alloc_complex(n);
            for (int i = 0; i < n; ++i) {
                data[i][0] = ours.re[i];
                data[i][1] = ours.im[i];
            }
            fftw_plan plan = fftw_plan_dft_1d(n, data, data, sign, FFTW_ESTIMATE);
            fftw_execute(plan);
            ASSERT_EQ(Fft(n, ours.re.data(), ours.im.data(), sign == FFTW_FORWARD ? kFftForward : kFftInverse), 0);
            double scale = sign == FFTW_FORWARD ? 1.0 : 1.0 / n;  // FFTW's inverse is unscaled
            double worst = 0, size = 0;
            for (int i = 0; i < n; ++i) {
                worst = std::max(worst, std::hypot(ours.re[i] - data[i][0] * scale, ours.im[i] - data[i][1] * scale));
                size = std::max(size, std::hypot(data[i][0], data[i][1]) * scale);
            }
            EXPECT_LE(worst, 1e-12 * size) << "n " << n << " sign " << sign;
            fftw_destroy_plan(plan);
            fftw_free(data);
        }
    }
#endif
}

TEST(DspTest, ForwardThenInverseGivesTheInput) {
    DspArray a = RandomArray(2048, 3, true), original = a;
    ASSERT_EQ(DspFft(a), 0);
    ASSERT_EQ(DspIft(a), 0);
    for (int i = 0; i < a.Size(); ++i) {
        ASSERT_NEAR(a.re[i], original.re[i], 1e-14);
        ASSERT_NEAR(a.im[i], original.im[i], 1e-14);
    }
    EXPECT_NE(Fft(1000, a.re.data(), a.im.data(), kFftForward), 0);
}

TEST(DspTest, SineSpectrumHasItsAmplitudeInItsBin) {
    const int n = 1024, cycles = 5;
    const double amplitude = 2.5, offset = 0.75;
    DspArray x(n);
    for (int i = 0; i < n; ++i)
        x.re[i] = offset + amplitude * std::sin(2 * kPi * cycles * i / n + 0.3);
    ASSERT_EQ(DspHarm(x), 0);
    EXPECT_NEAR(x.re[0], offset, 1e-12);
    EXPECT_NEAR(x.re[cycles], amplitude, 1e-12);
    EXPECT_NEAR(x.re[n - cycles], amplitude, 1e-12);  // the mirror bin
    for (int k = 1; k < n / 2; ++k) {
        if (k != cycles) {
            ASSERT_NEAR(x.re[k], 0.0, 1e-12) << k;
        }
    }
}

TEST(DspTest, PointCountIsTheNearestPowerOfTwo) {
    struct Case { int points, n; };
    const Case cases[] = {{1000, 1024}, {3000, 2048}, {3, 8}, {8, 8}, {12, 8}, {13, 16},
                          {1536, 1024}, {1537, 2048}, {1000000, 262144}};
    for (const Case& c : cases)
        EXPECT_EQ(DspPointCount(c.points), c.n) << c.points;
    EXPECT_TRUE(IsDspPointCount(8));
    EXPECT_TRUE(IsDspPointCount(262144));
    EXPECT_FALSE(IsDspPointCount(1000));
    EXPECT_FALSE(IsDspPointCount(4));
    EXPECT_FALSE(IsDspPointCount(524288));

    ReportCapture reports;
    EXPECT_EQ(CheckDspPointCount("2048"), 2048);
    EXPECT_EQ(CheckDspPointCount("2*("), 0);  // does not evaluate
    EXPECT_EQ(CheckDspPointCount("1000"), 0);
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_EQ(reports.Last().id, 10155);
}

// A sine of amplitude A clipped at A sin(alpha): closed forms of its Fourier series.
struct ClippedSine {
    double alpha;
    double B1() const { return 2 / kPi * (alpha + std::sin(alpha) * std::cos(alpha)); }
    double B3() const {
        return 4 / kPi * (std::sin(2 * alpha) / 4 - std::sin(4 * alpha) / 8 + std::sin(alpha) * std::cos(3 * alpha) / 3);
    }
    double MeanSquare() const {
        double s = std::sin(alpha);
        return 2 / kPi * (alpha / 2 - std::sin(2 * alpha) / 4 + s * s * (kPi / 2 - alpha));
    }
    double ThdPercent() const { return 100 * std::sqrt(2 * MeanSquare() - B1() * B1()) / B1(); }
};

TEST(DspTest, ThdOfAClippedSineMatchesItsClosedForm) {
    const int n = 4096;
    const double period = 1e-3;  // one cycle in the window: the fundamental lies in bin 1
    for (double alpha : {kPi / 6, kPi / 4, kPi / 3, 1.4}) {
        ClippedSine clip{alpha};
        DspArray x(n);
        double level = std::sin(alpha);
        for (int i = 0; i < n; ++i)
            x.re[i] = std::clamp(std::sin(2 * kPi * i / n), -level, level);
        DspArray ihd = x;
        ASSERT_EQ(DspThd(x, 1 / period, 1 / period), 0);
        ASSERT_EQ(DspIhd(ihd, 1 / period, 1 / period), 0);
        EXPECT_NEAR(x.re[n / 2] / clip.ThdPercent(), 1.0, 1e-4) << "alpha " << alpha;
        EXPECT_NEAR(ihd.re[3], 100 * clip.B3() / clip.B1(), 1e-3) << "alpha " << alpha;
        EXPECT_NEAR(ihd.re[2], 0.0, 1e-9);
        EXPECT_EQ(x.re[1], 0.0);  // the fundamental and below are cleared
        EXPECT_EQ(x.re[n / 2 + 1], 0.0);
    }
    EXPECT_EQ(FundamentalBin(n, 1.5e3, 1e3), 1);  // between bins: bin 1
    EXPECT_EQ(FundamentalBin(n, 3e3, 1e3), 3);
    EXPECT_EQ(FundamentalBin(n, -1, 1e3), 1);
}

TEST(DspTest, CorrelationsMatchTheirDirectSums) {
    const int n = 64;
    const double dt = 0.5;
    DspArray x = RandomArray(n, 11, false), y = RandomArray(n, 12, false);
    DspArray cc = x, ac = x, as = x;
    ASSERT_EQ(DspCc(cc, y, dt), 0);
    ASSERT_EQ(DspAc(ac, dt), 0);
    ASSERT_EQ(DspAs(as, dt), 0);
    double power = 0;
    for (int m = 0; m < n; ++m) {
        double c = 0, a = 0;
        for (int j = 0; j < n; ++j) {
            c += x.re[(j + m) % n] * y.re[j];
            a += x.re[(j + m) % n] * x.re[j];
        }
        EXPECT_NEAR(cc.re[m], dt * c, 1e-12) << m;
        EXPECT_NEAR(ac.re[m], dt * a, 1e-12) << m;
        power += as.re[m];
    }
    // Parseval: the auto power sums to n dt^2 times the signal's energy.
    EXPECT_NEAR(power, n * dt * dt * (ac.re[0] / dt), 1e-10);
}

TEST(DspTest, GridsOfTransientAndAc) {
    // Transient window 2 ms from 1 ms, 8 points: 0.25 ms apart, bins 500 Hz apart.
    DspGrid t = MakeDspGrid(true, 8, 1e-3, 2e-3);
    EXPECT_DOUBLE_EQ(t.time[0], 1e-3);
    EXPECT_DOUBLE_EQ(t.time[7], 1e-3 + 7 * 0.25e-3);
    EXPECT_DOUBLE_EQ(t.frequency[3], 1500);
    EXPECT_DOUBLE_EQ(t.scaleStep, 0.25e-3);
    EXPECT_DOUBLE_EQ(t.binSpacing, 500);
    // AC span 1 MHz, 16 points: 62.5 kHz apart; the time positions are 1 us apart.
    DspGrid a = MakeDspGrid(false, 16, 0, 1e6);
    EXPECT_DOUBLE_EQ(a.frequency[2], 125e3);
    EXPECT_DOUBLE_EQ(a.time[5], 5e-6);
    EXPECT_DOUBLE_EQ(a.scaleStep, 1e-6);
    EXPECT_DOUBLE_EQ(a.binSpacing, 62.5e3);

    // THD through the grid: a 2 kHz fundamental in a 2 ms window lies in bin 4.
    DspGrid g = MakeDspGrid(true, 64, 0, 2e-3);
    DspArray x(64);
    for (int i = 0; i < 64; ++i)
        x.re[i] = std::sin(2 * kPi * 2e3 * g.time[i]) + 0.1 * std::sin(2 * kPi * 6e3 * g.time[i]);
    ASSERT_EQ(ApplyDspFunction(DspFunction::Ihd, x, nullptr, g, 2e3), 0);
    EXPECT_NEAR(x.re[12], 10.0, 1e-9);  // the third harmonic: 10 % of the fundamental
    EXPECT_NEAR(x.re[8], 0.0, 1e-9);
}

TEST(DspTest, RunsAreSampledBetweenTheirPoints) {
    const double x[] = {0, 1, 2, 4};
    const double y[] = {0, 10, 20, 0};
    std::vector<double> at = {-1, 0, 0.5, 1, 3, 4, 5};
    std::vector<double> out(at.size());
    SampleRun(x, y, 4, at, out.data());
    const double expected[] = {0, 0, 5, 10, 10, 0, 0};
    for (std::size_t i = 0; i < at.size(); ++i)
        EXPECT_DOUBLE_EQ(out[i], expected[i]) << at[i];
}

}  // namespace
}  // namespace ob7
