#pragma once
// The FFT and the DSP functions that curve expressions apply to whole runs: spectra,
// harmonics, power spectra, correlations, coherence and distortion.

#include <vector>

namespace ob7 {

enum FftMode : int { kFftForward = 48, kFftInverse = 49 };

inline constexpr int kDspMinPoints = 8;
inline constexpr int kDspMaxPoints = 262144;

// In-place radix-2 transform of n points (n a power of two): forward
// X_k = sum x_j e^(-2 pi i k j / n); the inverse divides by n. 0, 15002, or 10155 when n
// is no power of two.
int Fft(int n, double* re, double* im, int mode);

// Points of the DSP arrays for a run of `points` points: the nearest power of two (the
// smaller on a tie), at most 262144, and 8 for 8 points or fewer.
int DspPointCount(int points);
// True for 8, 16, ..., 262144.
bool IsDspPointCount(double n);

// The point count text of the DSP parameters, checked before a run: the points, or 0
// after the message (the evaluator's, or 10155 for a count that is no power of two from
// 8 to 262144), shown with the "Dialog" line "DSP Parameter".
int CheckDspPointCount(const char* text);

// The grid of one DSP step: N positions in the analysis' own domain and in the other one.
// Transient: t_i = lower + i T/N and f_i = i/T; AC: f_i = i T/N and t_i = i/T (lower 0).
// T is the window: upper - lower of the DSP parameters, else the stop time or the
// frequency span.
struct DspGrid {
    std::vector<double> time, frequency;
    double scaleStep = 0;    // T/N transient, 1/T AC
    double binSpacing = 0;   // 1/T transient, T/N AC
};
DspGrid MakeDspGrid(bool transient, int n, double lower, double window);

// Complex work arrays of one DSP operand.
struct DspArray {
    std::vector<double> re, im;
    explicit DspArray(int n = 0) : re(n, 0.0), im(n, 0.0) {}
    int Size() const { return static_cast<int>(re.size()); }
};

// Samples a stored run (x ascending) at `positions` by linear interpolation between the
// two points that bracket each position; outside the run the end values hold.
void SampleRun(const double* x, const double* y, int count, const std::vector<double>& positions, double* out);

// The DSP functions; dt is the scale step (T/N for transient, 1/T for AC). Each returns 0
// or 15002.
int DspFft(DspArray& x);
int DspIft(DspArray& x);
void DspConj(DspArray& x);
void DspCmul(DspArray& x, const DspArray& y);
int DspHarm(DspArray& x);
int DspCs(DspArray& x, DspArray y, double dt);  // cross power FFT(x) conj(FFT(y)) dt^2
int DspAs(DspArray& x, double dt);              // auto power |FFT(x)|^2 dt^2
int DspCc(DspArray& x, DspArray y, double dt);  // cross correlation
int DspAc(DspArray& x, double dt);              // auto correlation
int DspCoh(DspArray& x, DspArray y, double dt); // coherence
// Distortion in percent of the fundamental F (binSpacing: 1/T transient, T/N AC): THD is
// cumulative over the harmonics up to each bin, IHD is each bin's own part.
int DspThd(DspArray& x, double fundamental, double binSpacing);
int DspIhd(DspArray& x, double fundamental, double binSpacing);
enum class DspFunction { Fft, Ift, Harm, Conj, Psd, Cmul, Cs, Cc, As, Ac, Coh, Thd, Ihd };
// Applies one DSP function to x (y: the second operand of the two-operand functions;
// fundamental: the F of THD and IHD). 0 or 15002.
int ApplyDspFunction(DspFunction f, DspArray& x, const DspArray* y, const DspGrid& grid, double fundamental);

// The bin of the fundamental: the first k >= 1 with |(F - k df) / (k df)| < 0.0001, else 1.
int FundamentalBin(int n, double fundamental, double binSpacing);

}  // namespace ob7
