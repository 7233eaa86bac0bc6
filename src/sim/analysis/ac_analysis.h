#pragma once
// The AC small-signal analysis and its noise mode: the frequency limits and stepping,
// the operating point, the complex AC matrix built once and refactored at every
// frequency, and the points handed to a sink.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ob7 {

class PointSink;
struct SimulationDataFile;

enum class AcStepMethod : int { Auto = 0, Linear = 0x1000, Log = 0x2000, List = 0x3000 };

struct AcSettings {
    std::string frequency_range;     // "Frequency Range": fmax[,fmin], or the list
    int points = 50;                 // "Number of Points" (at least 5)
    double temperature = 27;
    double max_change_percent = 0;   // "Maximum Change %"
    AcStepMethod method = AcStepMethod::Log;
    // Noise: the run solves the adjoint system for the noise output pair and fills the
    // noise sources; the input pair names the noise input source's nodes.
    bool noise = false;
    int noise_output_plus = 0, noise_output_minus = 0;
    int noise_input_plus = 0, noise_input_minus = 0;
    double noise_input_magnitude = 1.0;  // 1 for sine, pulse and user sources
    bool gmin_stepping = false;
    // Save writes every accepted point, Retrieve replays the file (no operating point).
    SimulationDataFile* data_file = nullptr;
    // The circuit or the limits changed since the last run (the limits dialog's flag).
    bool circuit_changed = false;
};

// What the last run left for the next: its operating point and AC matrix are reused when
// nothing that affects them changed (temperature by more than 0.001 degrees, the noise
// flag or the noise input, the circuit).
struct AcRunState {
    int operating_point_valid = 0;
    double last_temperature = -1e30;
    int last_noise_flag = -1;
    int last_input_plus = -1, last_input_minus = -1;
};
extern AcRunState AcRun;
// Forgets the stored operating point (entering the AC analysis).
void ResetAcAnalysisState();

// The frequencies of a run and the step control of the "Auto" method.
struct AcFrequencyState {
    AcStepMethod method = AcStepMethod::Log;
    double high = 0, low = 0, tolerance = 0, range = 0;
    int points = 0;
    double max_change = 1.0, doubling_threshold = 0.4;
    double first_auto_step = 0, auto_step = 0, linear_step = 0, log_ratio = 1.0;
    double f = 0, previous = 0, previous2 = 0;
    std::vector<double> list;
    int point_index = 0;
    // Step control.
    int accepted_counter = -2, halvings = 0, rejected = 0, first_point = 0;
    double last_x_pixel = 0, last_y_pixel = 0, last_angle = 0;
};
extern AcFrequencyState AcFrequencies;

enum : int {
    kMsgNoiseWithOthers = 13575,    // "%ECan't plot noise with other expressions."
    kMsgLogLimitsZero = 13577,      // "%EThe high limit and low limit must be non-zero when using log stepping."
    kMsgFrequencyLimits = 13578,    // "%EThe high limit must be < 1e30 and low limit must > 0 and high must be bigger then low."
};

// Reads and checks "Frequency Range" and "Number of Points"; a failed check is reported
// and gives 15055.
int ReadAcFrequencyLimits(const AcSettings& settings, AcFrequencyState& state);
// Tolerance, range, maximum change and the step of the method; 15055 after a report.
int PrepareAcFrequencySteps(const AcSettings& settings, AcFrequencyState& state);
// Start of a case: the previous frequency is set so the first step lands on the low limit.
void StartAcFrequencies(AcFrequencyState& state);
// The next frequency (and omega).
void NextAcFrequency(AcFrequencyState& state);
bool HasMoreAcPoints(const AcFrequencyState& state);

// The noise check over the curves of the plot: each curve's X and Y analysis-variable
// masks (of the expression language). A mask of only ONOISE/INOISE (0x8000) makes a noise
// run; noise beside anything but time, S, frequency or imported curves reports 13575
// once for the curve. Returns the noise flag; *reports counts the curves reported.
int CheckNoiseCurves(const std::vector<std::pair<uint32_t, uint32_t>>& curve_masks, int* reports);

// One AC run of the compiled circuit. 0, 15055 after a reported error, 15056 when stopped
// by Esc (the points so far were handed over), or an engine code (15051 for a singular
// matrix) for the caller to show.
int RunAcAnalysis(const AcSettings& settings, PointSink& sink);

}  // namespace ob7
