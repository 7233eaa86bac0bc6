#pragma once
// Noise: the selection of a noise run and the table of noise current sources that the
// devices fill at every frequency point.
//
// In noise mode the AC matrix is built transposed and excited by a unit current at the
// noise output, so the AC solution Z(n) is the transfer impedance from a current
// injected at equation n to the output voltage. Every noisy device kind adds its noise
// current densities (A/sqrt(Hz)) between node pairs; the output noise is then
// sqrt(sum |Z(a) - Z(b)|^2 density^2).

#include <complex>
#include <utility>
#include <vector>

namespace ob7 {

// Physical constants of the noise densities.
inline constexpr double kNoiseBoltzmann = 1.3806226e-23;      // J/K
inline constexpr double kNoiseElectronCharge = 1.6021918e-19; // C
inline constexpr double kNoiseTwoQ = 3.2043836e-19;
inline constexpr double kZeroCelsius = 273.15;

struct NoiseSelection {
    int flag = 0;              // the run is a noise run
    int output_plus = 0;       // the noise output pair; minus 0 measures against ground
    int output_minus = 0;
    int input_plus = 0;        // the noise input source's nodes
    int input_minus = 0;
    double input_magnitude = 1.0;  // its AC magnitude
    // The input source's own excitation entries (equation, value), noted at every AC load.
    std::vector<std::pair<int, std::complex<double>>> input_excitation;
};
extern NoiseSelection Noise;

struct NoiseSourceTable {
    std::vector<double> density;  // A/sqrt(Hz)
    std::vector<int> node_a;      // a node <= 0 is ground (0)
    std::vector<int> node_b;
    int count() const { return static_cast<int>(density.size()); }
};
extern NoiseSourceTable NoiseSources;

// A source of the given density between a and b; nothing when a == b.
void AddNoiseSource(int a, int b, double density);
// A source of density sqrt(s0 + kf x / f^ef) (ef exactly 1: kf x / f).
void AddShotFlickerNoise(int a, int b, double s0, double kf, double x, double f, double ef);
// Spectral densities (A^2/Hz): kind 1 shot 2q|x|, kind 2 thermal 4kxT (x a conductance,
// t in kelvin), kind 3: 1.0. Any other kind: 0.
double NoiseDensity(int kind, double x, double t);

// Reserves the table for a run (with the noise flag set); 0 or 15002.
int AllocNoiseTables();
void FreeNoiseTables();
// Fills the table for the present point: empties it and asks every noisy kind for its
// sources at frequency f (1e-6 when not positive). Nothing without the noise flag.
int AssembleNoiseSources(double f);

// Output noise (V/sqrt(Hz)) from the table and the AC solution; 1e-25 (the root of
// 1e-50) when the table is empty or the sum is not positive.
double OutputNoise();
// Called by each independent source's AC load with its nodes, its branch (voltage
// sources) and its excitation: the noise input source's entries are noted.
void NoteNoiseInputSource(int positive, int negative, int branch, bool voltage, std::complex<double> x);
// Input noise: the output noise over the gain from the noise input source, the gain
// being |sum E(n) Z(n)| over that source's own excitation E, divided by the input
// magnitude. Other sources carrying AC take no part. When the input source noted no
// entries (none matched), the sum of |E(n) Z(n)| over the whole excitation stands in.
double InputNoise();

}  // namespace ob7
