#include "sim/devices/sampled_sources.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "sim/engine/solver_state.h"

namespace ob7 {

int SampledSourceCount = 1024;

double SampleInterval() { return 2 * Run.tmax / SampledSourceCount; }

void TransformInPlace(std::vector<double>& re, std::vector<double>& im, bool inverse) {
    const size_t n = re.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(re[i], re[j]), std::swap(im[i], im[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
        const double wr = std::cos(angle), wi = std::sin(angle);
        for (size_t i = 0; i < n; i += len) {
            double cr = 1, ci = 0;
            for (size_t k = 0; k < len / 2; ++k) {
                const size_t p = i + k, q = p + len / 2;
                const double tr = re[q] * cr - im[q] * ci, ti = re[q] * ci + im[q] * cr;
                re[q] = re[p] - tr, im[q] = im[p] - ti;
                re[p] += tr, im[p] += ti;
                const double next = cr * wr - ci * wi;
                ci = cr * wi + ci * wr;
                cr = next;
            }
        }
    }
    if (inverse)
        for (size_t i = 0; i < n; ++i) re[i] /= static_cast<double>(n), im[i] /= static_cast<double>(n);
}

std::vector<double> FrequencyToImpulse(std::vector<double>& re, std::vector<double>& im, double df, double sigma) {
    const size_t n = re.size();
    // A real response: the upper half mirrors the lower one.
    im[n / 2] = 0;
    for (size_t m = n / 2 + 1; m < n; ++m) {
        re[m] = re[n - m];
        im[m] = -im[n - m];
    }
    TransformInPlace(re, im, true);
    const double dt = 1 / (df * static_cast<double>(n));
    std::vector<double> h(n + 2, 0.0);
    for (size_t j = 0; j < n; ++j) {
        h[j] = 2 * df * re[j];
        if (sigma != 0) h[j] *= std::exp(std::clamp(sigma * static_cast<double>(j) * dt, -350.0, 350.0));
    }
    return h;
}

double ConvolveHistory(const std::vector<double>& h, const std::vector<double>& history, int j, double phi,
                       double u_dt, double op_input_dt, double op_output) {
    double y = op_output;
    for (int m = 0; m <= j; ++m)
        y += (phi * h[static_cast<size_t>(j - m + 1)] + (1 - phi) * h[static_cast<size_t>(j - m)]) *
             (history[static_cast<size_t>(m)] - op_input_dt);
    return y + phi * (u_dt - op_input_dt) * h[0];
}

}  // namespace ob7
