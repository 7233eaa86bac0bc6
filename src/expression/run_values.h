#pragma once
// The run-time doubles that variable rows of the operator table read (time, frequency,
// sweep limits, temperature, power totals ...). The engine owns one RunValues record and
// hands it out through ExpressionContext::Run(); compiled variable tokens point into it,
// so a variable costs one load at evaluation time.

namespace ob7 {

struct RunValues {
    double analysis_kind = -1.0;  // -1 none, 0 transient, 1 AC, 2 DC, 3 dynamic DC, 4 TF, 5 sens
    double time = 0.0;            // T
    double time_step = 0.0;       // DT
    double tmin = 0.0;
    double tmax = 0.0;
    double frequency = 0.0;       // F
    double fmin = 0.0;
    double fmax = 0.0;
    double dc_input = 0.0;        // DCINPUT1, the DC sweep value
    double dc_start = 0.0;
    double dc_end = 0.0;
    double vt = 0.025864186;      // thermal voltage at 27 degrees
    double temp = 27.0;
    double gmin = 1e-12;
    double power_generated = 0.0;
    double power_dissipated = 0.0;
    double power_stored = 0.0;
    double prev_frequency = 0.0;   // the previous two frequencies of an AC sweep
    double prev_frequency2 = 0.0;
    double laplace_sigma = 0.0;    // real part of S during transient analysis
    double tick_length = 1e-9;     // seconds per simulator tick (breakpoints)
    int operating_point = 0;       // non-zero while the operating point is solved
    int point_index = -1;          // output point of the run, -1 before the first
    int solution_available = 0;    // a solution vector exists
    int skip_first_vector_point = 0;  // transient: the first collected point is not stored
    int keep_vector_point = 1;        // the point just collected is kept
};

// The variables the operator table names; each maps to one field above.
enum class RunVariable {
    None,
    Analysis,
    DcInput,
    Tmin,
    Tmax,
    Fmin,
    Fmax,
    Gmin,
    Dt,
    Vt,
    Temp,
    Time,
    Frequency,
    PowerGenerated,
    PowerDissipated,
    PowerStored,
    DcStart,
    DcEnd,
};

inline const double* RunVariableAddress(const RunValues& run, RunVariable v) {
    switch (v) {
    case RunVariable::Analysis: return &run.analysis_kind;
    case RunVariable::DcInput: return &run.dc_input;
    case RunVariable::Tmin: return &run.tmin;
    case RunVariable::Tmax: return &run.tmax;
    case RunVariable::Fmin: return &run.fmin;
    case RunVariable::Fmax: return &run.fmax;
    case RunVariable::Gmin: return &run.gmin;
    case RunVariable::Dt: return &run.time_step;
    case RunVariable::Vt: return &run.vt;
    case RunVariable::Temp: return &run.temp;
    case RunVariable::Time: return &run.time;
    case RunVariable::Frequency: return &run.frequency;
    case RunVariable::PowerGenerated: return &run.power_generated;
    case RunVariable::PowerDissipated: return &run.power_dissipated;
    case RunVariable::PowerStored: return &run.power_stored;
    case RunVariable::DcStart: return &run.dc_start;
    case RunVariable::DcEnd: return &run.dc_end;
    case RunVariable::None: break;
    }
    return nullptr;
}

}  // namespace ob7
