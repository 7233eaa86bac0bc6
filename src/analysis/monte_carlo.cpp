#include "analysis/monte_carlo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "netlist/model_values.h"

namespace ob7 {

namespace {
constexpr int kMsgPopulationExceeded = 15001;
constexpr int kMsgMonteCarloWithStepping = 15004;
}

const char* MonteCarloDistributionName(int distribution) {
    switch (distribution) {
    case kMcUniform: return "Uniform";
    case kMcWorstCase: return "Worst Case";
    default: return "Gauss";
    }
}

int ValidateMonteCarloRuns(MonteCarloSettings& settings) {
    if (!settings.On())
        return 1;
    int code = 0;
    double value = EvalNumberOrExpression(settings.runs, &code);
    long runs = code || !std::isfinite(value) ? 1 : static_cast<long>(std::max(-1.0, std::min(value, 1e9)));
    long limited = std::clamp(runs, 1L, long(kMonteCarloMaxRuns));
    if (limited != runs || code)
        std::snprintf(settings.runs, sizeof settings.runs, "%ld", limited);
    return static_cast<int>(limited);
}

int CheckMonteCarloOptions(MonteCarloSettings& settings, int caseTotal, bool steppingOn, bool firstTemperature,
                           bool* active) {
    *active = caseTotal > 1 && !steppingOn && settings.On();
    if (settings.On() && steppingOn && firstTemperature) {
        int code = 0;
        double runs = EvalNumberOrExpression(settings.runs, &code);
        if (!code && runs > 1) {
            ReportMessage("E", kMsgMonteCarloWithStepping);
            settings.flags &= ~kMcOn;
            *active = false;
            return kMsgReported;
        }
    }
    return 0;
}

int BuildNormalTable(std::vector<double>& table) {
    table.assign(kNormalTableSlots, 0.0);
    long double x = 6.94L;
    int n = 0;
    for (int i = 1; i <= 101; ++i) {
        x += 0.06L;
        double exponent = std::clamp(-0.5 * double((x - 10) * (x - 10)), -350.0, 350.0);
        int count = static_cast<int>(120 * 0.3989422804014326 * std::exp(exponent) + 0.5);
        for (int k = 0; k < count; ++k) {
            if (n >= kNormalTableEntries)
                return kMsgPopulationExceeded;
            table[++n] = static_cast<double>(x);
        }
    }
    return 0;
}

int MonteCarloRandom::Next() {
    // 64-bit linear congruential step; the high bits are the well mixed ones.
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state_ >> 33) & 0x7fff);
}

MonteCarloSampler::MonteCarloSampler(int analysisDistribution, double toleranceDeviations, std::uint64_t seed)
    : distribution_(analysisDistribution & kMonteCarloDistributionMask),
      deviations_(std::clamp(toleranceDeviations, 1.0, 10.0)), random_(seed) {}

int MonteCarloSampler::Prepare() { return BuildNormalTable(table_); }

void MonteCarloSampler::DrawSharedNumbers() {
    for (int i = 0; i < kSharedRandomCount; ++i) {
        lot_[i] = random_.Unit();
        dev_[i] = random_.Unit();
    }
}

double MonteCarloSampler::Sample(double nominal, double tolerance, int distribution, int index, int set) {
    double e = index < 0 || index >= kSharedRandomCount ? random_.Unit() : SharedNumber(set, index);
    if (distribution == kMcAnalysisDefault)
        distribution = distribution_;
    switch (distribution) {
    case kMcUniform:
        return nominal + tolerance * (2 * e - 1);
    case kMcWorstCase:
        return e > 0.5 ? nominal - tolerance : nominal + tolerance;
    default: {  // Gauss, also for an unset or unknown code
        if (table_.size() < kNormalTableSlots)
            Prepare();
        int p = std::max(static_cast<int>(e * kNormalTableEntries), 1);
        double m = table_[std::min(p + 1, kNormalTableEntries)];
        return nominal + tolerance / deviations_ * (m - 10.0);
    }
    }
}

int MonteCarloSampler::SampleModelRecords(const std::vector<ModelParams*>& records) {
    int changed = 0;
    auto set = [&](ModelParams& r, int k, double v) {
        if (r.values[k].real != v) {
            r.values[k].real = v;
            ++changed;
        }
    };
    auto params = [](const ModelParams& r) {
        return std::min<int>(r.values.Size(), r.tolerances ? static_cast<int>(r.tolerances->size()) : 0);
    };
    for (int pass = 1; pass <= 2; ++pass) {
        for (ModelParams* r : records) {
            if (!r || !r->hasTolerances || !r->tolerances)
                continue;
            for (int k = 0; k < params(*r); ++k) {
                const ModelTolerance& t = (*r->tolerances)[k];
                bool hasDev = t.dev >= 0.0;
                int lotIndex = t.lotSet == 0xFF ? -1 : t.lotSet;
                int devIndex = t.devSet == 0xFF ? -1 : t.devSet;
                if (t.lot == 0.0 && !hasDev)
                    continue;  // no tolerance on this parameter (text parameters never have one)
                if (pass == 1) {
                    if (r->parent && k < r->parent->values.Size()) {
                        // A device's copy starts from its model's value, which carries the
                        // one LOT deviation that every device of the model shares.
                        double base = r->parent->values[k].real;
                        set(*r, k, hasDev ? Sample(base, t.dev, t.devDistribution, devIndex, 1) : base);
                    } else if (t.lot != 0.0 && (*r->nominal).Size() > k) {
                        set(*r, k, Sample((*r->nominal)[k].real, t.lot, t.lotDistribution, lotIndex, 0));
                    }
                } else if (!r->parent && hasDev) {
                    set(*r, k, Sample(r->values[k].real, t.dev, t.devDistribution, devIndex, 1));
                }
            }
        }
    }
    return changed;
}

}  // namespace ob7
