#include "sim/devices/source_waveforms.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <new>

#include "foundation/message_codes.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {
constexpr double kPi = 3.14159265358979323846;
double Clamp350(double x) { return std::clamp(x, -350.0, 350.0); }
}  // namespace

double PulseValue(double time, double vzero, double vone, double p1, double p2, double p3, double p4, double p5) {
    if (p5 == 0) return vzero;
    const double x = p1 < 0 ? time - p1 : time;
    const double t = time - p5 * std::floor(x / p5);
    if (t <= p1 || time <= 0) return vzero;
    if (t <= p2) return vzero + (t - p1) * (vone - vzero) / (p2 - p1);
    if (t <= p3) return vone;
    if (t <= p4) return vone + (vzero - vone) * (t - p3) / (p4 - p3);
    return vzero;
}

double SineValue(double time, int form, double offset, double frequency, double amplitude, double damping_time,
                 double period, double delay, double phase, double modulation_index, double signal_frequency) {
    double r = 1;
    if (damping_time != 0 && period != 0)
        r = std::exp(Clamp350(-((time - delay) - period * std::floor(time / period)) / damping_time));
    if (time < delay) return offset;
    const double u = time - delay;
    const double phase_term = form == 5 ? modulation_index * std::sin(2 * kPi * signal_frequency * u) : phase;
    const double arg = std::min(2 * kPi * frequency * u + phase_term, 1e8);
    return offset + amplitude * r * std::sin(arg);
}

double ExpValue(double time, double v1, double v2, double td1, double tau1, double td2, double tau2) {
    if (time <= td1) return v1;
    auto rising = [&](double t) { return tau1 <= 0 ? v2 : v1 + (v2 - v1) * (1 - std::exp(Clamp350((td1 - t) / tau1))); };
    if (time <= td2) return rising(time);
    const double u = rising(time);
    if (tau2 > 0) return u + (v1 - v2) * (1 - std::exp(Clamp350((td2 - time) / tau2)));
    return u + (v1 - v2);
}

void WalkPwlEntries(const PwlSpec& spec, int max_forever_loops,
                    const std::function<bool(const PwlEntry& point, double time)>& visit) {
    struct Level {
        int repeat_index;
        int remaining;
        double offset;
        double time_at_loop;  // the last point's time at the previous loop-back
    };
    std::vector<Level> levels;
    double offset = 0, last_time = 0;
    int forever_loops = 0;
    const int n = static_cast<int>(spec.entries.size());
    for (int i = 0; i < n; ++i) {
        const PwlEntry& e = spec.entries[i];
        if (e.type == kPwlRepeat) {
            levels.push_back({i, e.count, 0, NAN});
        } else if (e.type == kPwlEndRepeat) {
            if (levels.empty()) continue;
            Level& level = levels.back();
            if (level.remaining > 0) --level.remaining;
            if (level.remaining > 0 || level.remaining == -1) {
                if (level.remaining == -1) {
                    // A pass that adds no time would repeat for ever.
                    if (last_time == level.time_at_loop) return;
                    level.time_at_loop = last_time;
                    if (max_forever_loops && ++forever_loops >= max_forever_loops) return;
                }
                i = level.repeat_index;
                level.offset = offset = last_time;
            } else {
                levels.pop_back();
                offset = levels.empty() ? 0 : levels.back().offset;
            }
        } else {
            last_time = offset + e.time;
            if (!visit(e, last_time)) return;
        }
    }
}

int BuildPwlTables(PwlSpec& spec, double stop_time, bool plot_limit) {
    spec.times.clear();
    spec.values.clear();
    try {
        WalkPwlEntries(spec, plot_limit ? 3 : 0, [&](const PwlEntry& e, double time) {
            const double scaled = time * spec.time_scale;
            spec.times.push_back(scaled);
            spec.values.push_back(EvalNumberOrExpressionNoErr(e.value_text.c_str()) * spec.value_scale);
            if (scaled > stop_time) return false;
            return !(plot_limit && spec.times.size() > 2000);
        });
    } catch (const std::bad_alloc&) {
        spec.times.clear();
        spec.values.clear();
        return kMsgInsufficientMemory;
    }
    return 0;
}

double PwlTableValue(const PwlSpec& spec, double x, bool* ascending) {
    *ascending = true;
    const auto& t = spec.times;
    const auto& v = spec.values;
    const size_t n = t.size();
    if (n == 0) return 0;
    if (x <= t[0]) return v[0];
    for (size_t i = 1; i < n; ++i) {
        if (t[i] < t[i - 1]) {
            *ascending = false;
            return 0;
        }
        if (x <= t[i]) {
            // Two points at one time: their mean exactly at that time.
            if (x == t[i] && i + 1 < n && t[i + 1] == t[i]) return (v[i] + v[i + 1]) / 2;
            if (t[i] == t[i - 1]) return (v[i] + v[i - 1]) / 2;
            return v[i - 1] + (v[i] - v[i - 1]) * (x - t[i - 1]) / (t[i] - t[i - 1]);
        }
    }
    return v[n - 1];
}

void LookupPointTable(PointTable& table, double x, double pair[2]) {
    const int n = static_cast<int>(table.abscissas.size());
    if (n == 0) {
        pair[0] = pair[1] = 0;
        return;
    }
    const auto& a = table.abscissas;
    const auto& v = table.values;
    if (x > a[n - 1]) {
        pair[0] = v[2 * (n - 1)], pair[1] = v[2 * (n - 1) + 1];
        return;
    }
    if (x <= a[0]) {
        pair[0] = v[0], pair[1] = v[1];
        return;
    }
    // Forward from the start position, or from the first interval when x lies before it.
    int i = std::clamp(table.start, 1, n - 1);
    if (x <= a[i - 1]) i = 1;
    while (x > a[i]) ++i;
    const int lo = i - 1;
    table.found = lo;
    for (int k = 0; k < 2; ++k) {
        const double y0 = v[2 * lo + k], y1 = v[2 * i + k];
        pair[k] = a[i] == a[lo] ? y0 : y0 + (y1 - y0) * (x - a[lo]) / (a[i] - a[lo]);
    }
}

}  // namespace ob7
