#pragma once
// Monte Carlo sampling: the per-analysis settings, the table of the normal distribution,
// the shared LOT and DEV random numbers of one run, and the sampling of model tolerances.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

struct ModelParams;

// Bits of the Monte Carlo flag word.
inline constexpr std::int32_t kMonteCarloDistributionMask = 0x3;  // 1 Gauss, 2 Uniform, 3 Worst Case
inline constexpr std::int32_t kMcOn = 0x1000;

enum MonteCarloDistribution : int { kMcAnalysisDefault = 0, kMcGauss = 1, kMcUniform = 2, kMcWorstCase = 3 };

inline constexpr int kMonteCarloMaxRuns = 30000;
inline constexpr int kNormalTableEntries = 2002;
inline constexpr int kNormalTableSlots = 2013;
inline constexpr int kSharedRandomCount = 10;
inline constexpr double kDefaultToleranceDeviations = 2.58;  // the option SD

struct MonteCarloSettings {
    std::int32_t flags = kMcGauss;
    char runs[65] = "10";
    std::string reportWhen;

    bool On() const { return (flags & kMcOn) != 0; }
    int Distribution() const { return flags & kMonteCarloDistributionMask; }
};

// "Gauss", "Uniform" or "Worst Case"; an unset or unknown code samples and reads as Gauss.
const char* MonteCarloDistributionName(int distribution);

// The case total that the runs text gives: 1 when Monte Carlo is off; else the text as an
// integer limited to 1..30000, the text rewritten when it was limited.
int ValidateMonteCarloRuns(MonteCarloSettings& settings);

// Before the first run of each temperature: *active tells whether Monte Carlo runs (more
// than one case, stepping off, switched on). Switched on together with stepping at the
// first temperature, it is switched off after the 15004 warning and 15055 is returned.
int CheckMonteCarloOptions(MonteCarloSettings& settings, int caseTotal, bool steppingOn, bool firstTemperature,
                           bool* active);

// The normal table: slots 1..2002 hold a normal distribution of mean 10 and deviation 1,
// cut at 3 deviations, in steps of 0.06 (slot 0 and the slots past 2002 stay 0).
// 0, or 15001 when the population overflows the table.
int BuildNormalTable(std::vector<double>& table);

// The run-time library's kind of generator: values 0..32767 from a seed.
class MonteCarloRandom {
public:
    explicit MonteCarloRandom(std::uint64_t seed = 1) { Seed(seed); }
    void Seed(std::uint64_t seed) { state_ = seed * 2 + 1; }
    int Next();  // 0..32767
    double Unit() { return Next() / 32767.0; }  // 0..1, both ends included

private:
    std::uint64_t state_ = 1;
};

// One Monte Carlo analysis: its normal table, distribution and the random numbers of the
// current run.
class MonteCarloSampler {
public:
    MonteCarloSampler(int analysisDistribution, double toleranceDeviations, std::uint64_t seed);
    // 0, or 15001.
    int Prepare();

    // Draws the 10 shared LOT numbers and the 10 shared DEV numbers of a run.
    void DrawSharedNumbers();

    // A value around nominal. distribution 0 takes the analysis' own; index -1 draws an
    // own random number, 0..9 takes shared number `index` of the LOT (set 0) or DEV (set 1)
    // numbers.
    double Sample(double nominal, double tolerance, int distribution, int index, int set);

    // Samples the LOT and DEV tolerances of the model records of one type, in list order:
    // records without parent take their LOT deviation, per-device copies take their DEV
    // deviation around the parent's value (so all devices of a model share its LOT
    // deviation), and then records without parent add their own DEV deviation.
    // Returns the number of working values changed.
    int SampleModelRecords(const std::vector<ModelParams*>& records);

    double SharedNumber(int set, int index) const { return set ? dev_[index] : lot_[index]; }
    const std::vector<double>& NormalTable() const { return table_; }
    MonteCarloRandom& Random() { return random_; }

private:
    int distribution_;
    double deviations_;
    MonteCarloRandom random_;
    std::vector<double> table_;
    double lot_[kSharedRandomCount] = {};
    double dev_[kSharedRandomCount] = {};
};

}  // namespace ob7
