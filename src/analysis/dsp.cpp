#include "analysis/dsp.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {
constexpr int kMsgDspPointCount = 10155;  // the number of points must be a power of 2
constexpr double kTwoPi = 6.283185307179586;

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }
}  // namespace

int Fft(int n, double* re, double* im, int mode) {
    if (!PowerOfTwo(n))
        return kMsgDspPointCount;
    std::vector<double> cosTable, sinTable;
    try {
        cosTable.resize(n + 1);
        sinTable.resize(n + 1);
    } catch (const std::bad_alloc&) {
        return kMsgInsufficientMemory;
    }
    double sign = -1.0;
    if (mode == kFftInverse) {
        sign = 1.0;
        for (int i = 0; i < n; ++i) {
            re[i] /= n;
            im[i] /= n;
        }
    }
    for (int i = 1, j = 0; i < n; ++i) {  // bit reversal of the indices
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (int k = 0; k < n; ++k) {
        double angle = k * kTwoPi / n;
        cosTable[k] = std::cos(angle);
        sinTable[k] = sign * std::sin(angle);
    }
    for (int span = 2; span <= n; span <<= 1) {
        int half = span >> 1, stride = n / span;
        for (int start = 0; start < n; start += span) {
            for (int j = 0; j < half; ++j) {
                double wr = cosTable[j * stride], wi = sinTable[j * stride];
                int a = start + j, b = a + half;
                double tr = re[b] * wr - im[b] * wi;
                double ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
    return 0;
}

int DspPointCount(int points) {
    if (points <= kDspMinPoints)
        return kDspMinPoints;
    if (points >= kDspMaxPoints)
        return kDspMaxPoints;
    int lower = 1;
    while (lower * 2 <= points)
        lower *= 2;
    int upper = lower * 2;
    return points - lower <= upper - points ? lower : upper;
}

bool IsDspPointCount(double n) {
    for (int p = kDspMinPoints; p <= kDspMaxPoints; p *= 2)
        if (n == p)
            return true;
    return false;
}

int CheckDspPointCount(const char* text) {
    int code = 0;
    double n = EvalNumberOrExpression(text ? text : "", &code);
    if (!code && !IsDspPointCount(n))
        code = kMsgDspPointCount;
    if (code) {
        ReportMessage("EM", code, "Dialog", "DSP Parameter");
        return 0;
    }
    return static_cast<int>(n);
}

void SampleRun(const double* x, const double* y, int count, const std::vector<double>& positions, double* out) {
    int j = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        double p = positions[i];
        if (count <= 0) {
            out[i] = 0.0;
            continue;
        }
        while (j + 1 < count - 1 && x[j + 1] < p)
            ++j;
        while (j > 0 && x[j] > p)  // positions that go back
            --j;
        if (count == 1 || p <= x[0]) {
            out[i] = y[0];
        } else if (p >= x[count - 1]) {
            out[i] = y[count - 1];
        } else {
            double x0 = x[j], x1 = x[j + 1];
            out[i] = x1 == x0 ? y[j + 1] : y[j] + (y[j + 1] - y[j]) * (p - x0) / (x1 - x0);
        }
    }
}

int DspFft(DspArray& x) { return Fft(x.Size(), x.re.data(), x.im.data(), kFftForward); }
int DspIft(DspArray& x) { return Fft(x.Size(), x.re.data(), x.im.data(), kFftInverse); }

void DspConj(DspArray& x) {
    for (double& v : x.im)
        v = -v;
}

void DspCmul(DspArray& x, const DspArray& y) {
    for (int k = 0; k < x.Size(); ++k) {
        double r = x.re[k] * y.re[k] - x.im[k] * y.im[k];
        x.im[k] = x.re[k] * y.im[k] + x.im[k] * y.re[k];
        x.re[k] = r;
    }
}

int DspHarm(DspArray& x) {
    int n = x.Size();
    if (int code = DspFft(x))
        return code;
    for (int k = 0; k < n; ++k) {
        double m = std::hypot(x.re[k], x.im[k]);
        x.re[k] = k == 0 ? m / n : m / (n / 2.0);
        x.im[k] = 0.0;
    }
    return 0;
}

// FFT(x) conj(FFT(y)) scaled.
static int CrossSpectrum(DspArray& x, DspArray& y, double scale) {
    if (int code = DspFft(x))
        return code;
    if (int code = DspFft(y))
        return code;
    DspConj(y);
    DspCmul(x, y);
    for (int k = 0; k < x.Size(); ++k) {
        x.re[k] *= scale;
        x.im[k] *= scale;
    }
    return 0;
}

int DspCs(DspArray& x, DspArray y, double dt) { return CrossSpectrum(x, y, dt * dt); }

int DspAs(DspArray& x, double dt) {
    if (int code = DspFft(x))
        return code;
    for (int k = 0; k < x.Size(); ++k) {
        x.re[k] = (x.re[k] * x.re[k] + x.im[k] * x.im[k]) * dt * dt;
        x.im[k] = 0.0;
    }
    return 0;
}

int DspCc(DspArray& x, DspArray y, double dt) {
    if (int code = CrossSpectrum(x, y, 1.0))
        return code;
    if (int code = DspIft(x))
        return code;
    for (int k = 0; k < x.Size(); ++k) {
        x.re[k] *= dt;
        x.im[k] *= dt;
    }
    return 0;
}

int DspAc(DspArray& x, double dt) {
    DspArray y = x;
    return DspCc(x, y, dt);
}

int DspCoh(DspArray& x, DspArray y, double dt) {
    DspArray ax = x, ay = y;
    if (int code = DspAc(ax, dt))
        return code;
    if (int code = DspAc(ay, dt))
        return code;
    double r = std::sqrt(ax.re[0] * ax.re[0] + ay.re[0] * ay.re[0]);
    if (int code = DspCc(x, y, dt))
        return code;
    if (r != 0.0)
        for (double& v : x.re)
            v /= r;
    return 0;
}

int FundamentalBin(int n, double fundamental, double binSpacing) {
    if (fundamental <= 0.0 || binSpacing <= 0.0)
        return 1;
    for (int k = 1; k < n; ++k)
        if (std::fabs((fundamental - k * binSpacing) / (k * binSpacing)) < 0.0001)
            return k;
    return 1;
}

// Shared by THD and IHD: the spectrum's powers above the fundamental up to n/2.
static int Distortion(DspArray& x, double fundamental, double binSpacing, bool cumulative) {
    int n = x.Size();
    if (int code = DspFft(x))
        return code;
    int c = std::min(FundamentalBin(n, fundamental, binSpacing), n - 1);
    double base = 0.01 * std::hypot(x.re[c], x.im[c]);
    if (!(base > 0.0))
        base = 1.0;
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
        double g = x.re[k] * x.re[k] + x.im[k] * x.im[k];
        double v = 0.0;
        if (k > c && k <= n / 2) {
            sum += g;
            v = std::sqrt(cumulative ? sum : g) / base;
        }
        x.re[k] = v;
        x.im[k] = 0.0;
    }
    return 0;
}

DspGrid MakeDspGrid(bool transient, int n, double lower, double window) {
    DspGrid g;
    g.time.resize(n);
    g.frequency.resize(n);
    double over = window != 0 ? 1 / window : 0.0;
    for (int i = 0; i < n; ++i) {
        if (transient) {
            g.time[i] = lower + i * window / n;
            g.frequency[i] = i * over;
        } else {
            g.frequency[i] = i * window / n;
            g.time[i] = i * over;
        }
    }
    g.scaleStep = transient ? window / n : over;
    g.binSpacing = transient ? over : window / n;
    return g;
}

int ApplyDspFunction(DspFunction f, DspArray& x, const DspArray* y, const DspGrid& grid, double fundamental) {
    DspArray none(x.Size());
    const DspArray& second = y ? *y : none;
    double dt = grid.scaleStep;
    switch (f) {
    case DspFunction::Fft: return DspFft(x);
    case DspFunction::Ift: return DspIft(x);
    case DspFunction::Harm: return DspHarm(x);
    case DspFunction::Conj: DspConj(x); return 0;
    case DspFunction::Psd: return 0;  // the samples pass unchanged
    case DspFunction::Cmul: DspCmul(x, second); return 0;
    case DspFunction::Cs: return DspCs(x, second, dt);
    case DspFunction::Cc: return DspCc(x, second, dt);
    case DspFunction::As: return DspAs(x, dt);
    case DspFunction::Ac: return DspAc(x, dt);
    case DspFunction::Coh: return DspCoh(x, second, dt);
    case DspFunction::Thd: return DspThd(x, fundamental, grid.binSpacing);
    case DspFunction::Ihd: return DspIhd(x, fundamental, grid.binSpacing);
    }
    return 0;
}

int DspThd(DspArray& x, double fundamental, double binSpacing) { return Distortion(x, fundamental, binSpacing, true); }
int DspIhd(DspArray& x, double fundamental, double binSpacing) { return Distortion(x, fundamental, binSpacing, false); }

}  // namespace ob7
