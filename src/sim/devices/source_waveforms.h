#pragma once
// The time functions of the independent sources: pure functions of their parameters,
// the piecewise-linear tables with their repetitions, and the user-source point tables.

#include <functional>
#include <string>
#include <vector>

namespace ob7 {

double PulseValue(double time, double vzero, double vone, double p1, double p2, double p3, double p4, double p5);
// form 5 modulates the phase (SFFM); any other form takes `phase` in radians.
double SineValue(double time, int form, double offset, double frequency, double amplitude, double damping_time,
                 double period, double delay, double phase, double modulation_index, double signal_frequency);
double ExpValue(double time, double v1, double v2, double td1, double tau1, double td2, double tau2);

// --- Piecewise linear ---------------------------------------------------------------
enum PwlEntryType : int { kPwlRepeat = 1, kPwlEndRepeat = 2, kPwlPoint = 3 };
struct PwlEntry {
    int type = kPwlPoint;
    double time = 0;         // relative to the enclosing repetition
    std::string value_text;  // a number or an expression
    int count = 0;           // REPEAT: repetitions, -1 FOREVER
};
struct PwlSpec {
    std::vector<PwlEntry> entries;
    double time_scale = 1;   // TIME_SCALE_FACTOR
    double value_scale = 1;  // VALUE_SCALE_FACTOR
    std::vector<double> times, values;  // the table built from the entries
};

// The points of the entries in order, repetitions unrolled, with their unscaled times,
// until visit returns false. A FOREVER block whose pass adds no time ends the walk; so
// does the max_forever_loops-th loop-back of FOREVER blocks (0: no limit).
void WalkPwlEntries(const PwlSpec& spec, int max_forever_loops,
                    const std::function<bool(const PwlEntry& point, double time)>& visit);
// Walks the entries into the table up to the first point past stop_time. With
// plot_limit the walk also ends after the third FOREVER loop-back or past 2000 points.
// A FOREVER block whose pass adds no time ends the walk. 0 or 15002.
int BuildPwlTables(PwlSpec& spec, double stop_time, bool plot_limit);
// The table's value at time; *ascending is false (and the value 0) when times fall back.
double PwlTableValue(const PwlSpec& spec, double time, bool* ascending);

// --- User-source point tables ---------------------------------------------------------
struct PointTable {
    std::vector<double> abscissas;
    std::vector<double> values;  // two per point
    int start = 0;               // position the builder gives
    int found = 0;               // interval start of the last look-up
};
// The pair at abscissa x, interpolated linearly between points.
void LookupPointTable(PointTable& table, double x, double pair[2]);

}  // namespace ob7
