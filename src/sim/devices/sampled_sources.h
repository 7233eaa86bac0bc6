#pragma once
// What the Laplace and frequency-table sources share: the FFT that turns a sampled
// transfer function into an impulse response, the convolution with an input history,
// and the run's sample count.

#include <vector>

namespace ob7 {

// Samples of the impulse responses per run: a power of two of at least 128, set by the
// transient driver; the sample interval is 2 TMAX / N and the frequency step 0.5 / TMAX.
extern int SampledSourceCount;
double SampleInterval();

// In-place radix-2 complex FFT of n = 2^k points; `inverse` scales by 1/n.
void TransformInPlace(std::vector<double>& re, std::vector<double>& im, bool inverse);

// The impulse response (N + 2 samples) from the transfer function at the N/2 + 1
// frequencies 0 to N/2 df, given times N/2 in re and im (N entries each, the upper half
// free): the conjugate upper half, the inverse FFT, 2 df times the real part, undamped
// by e^(sigma t) when the frequencies lay on a damped line.
std::vector<double> FrequencyToImpulse(std::vector<double>& re, std::vector<double>& im, double df, double sigma);

// The source's output at sample position t / dt = j + phi: the operating-point output
// plus the convolution of the input history (inputs times dt) beyond its operating-point
// value with the impulse response.
double ConvolveHistory(const std::vector<double>& h, const std::vector<double>& history, int j, double phi,
                       double u_dt, double op_input_dt, double op_output);

}  // namespace ob7
