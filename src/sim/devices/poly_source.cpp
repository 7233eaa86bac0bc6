#include "sim/devices/poly_source.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

int NumberPolyBranches(int next) {
    for (auto* s : DevicesOf<PolySource>(kPolySourceList)) {
        s->branch = 0;
        if (s->form == kPolyE || s->form == kPolyH) s->branch = next++;
    }
    return next;
}

bool HasBranchOutput(const PolySource& s) { return s.form == kPolyE || s.form == kPolyH; }

// The exponent tuple the load walks the terms with; module state, as every source
// starts it afresh.
std::vector<int> Exponents;

double HoldMagnitude(double v) {
    if (v == 0) return 0;
    const double m = std::fabs(v);
    if (m < 1e-30) return std::copysign(1e-30, v);
    if (m > 1e30) return std::copysign(1e30, v);
    return v;
}

}  // namespace

const DeviceKindHandler kPolySourceKind{LoadStage::PolySources, 0, SetupPolySources, LoadPolySources,
                                        BranchRank::PolySources, NumberPolyBranches};
const AcKindHandler kPolySourceAcKind{AcStage::PolySources, 0, AcLoadPolySources, AcCurrentRank::PolySources,
                                      ComputePolyAcCurrents};

PolySource* AddPolySource(int form, int positive, int negative, std::vector<double> coefficients,
                          std::vector<PolyControl> controls) {
    auto* s = new PolySource;
    s->form = form, s->positive = positive, s->negative = negative;
    s->coefficients = std::move(coefficients);
    s->controls = std::move(controls);
    AddDevice(kPolySourceList, s);
    return s;
}

void NextPolyExponents(std::vector<int>& e) {
    const size_t n = e.size();
    if (n == 0) return;
    // Within a degree, move one unit from the rightmost nonzero exponent before the last
    // to its right neighbour, which takes the last one's units too; past the last tuple
    // of a degree comes x1 to the next degree.
    const int last = e[n - 1];
    e[n - 1] = 0;
    for (size_t i = n - 1; i-- > 0;) {
        if (e[i] > 0) {
            --e[i];
            e[i + 1] = last + 1;
            return;
        }
    }
    e[0] = last + 1;
}

double PolyPower(int e, double x) {
    if (e == 0) return 1;
    if (x == 0) return 0;
    switch (e) {
    case 1: return x;
    case 2: return x * x;
    case 3: return x * x * x;
    case 4: return x * x * x * x;
    default: return std::pow(x, e);
    }
}

double PolyTermSum(int j, const PolySource& s) {
    const size_t n = s.controls.size();
    Exponents.assign(n, 0);
    double sum = j == 0 && !s.coefficients.empty() ? s.coefficients[0] : 0.0;
    for (size_t i = 1; i < s.coefficients.size(); ++i) {
        NextPolyExponents(Exponents);
        const double p = s.coefficients[i];
        if (p == 0) continue;
        if (j == 0) {
            double term = p;
            for (size_t k = 0; k < n; ++k) term *= PolyPower(Exponents[k], s.controls[k].value);
            sum += term;
        } else {
            const size_t jj = static_cast<size_t>(j - 1);
            if (Exponents[jj] < 1) continue;
            double term = p * Exponents[jj] * PolyPower(Exponents[jj] - 1, s.controls[jj].value);
            for (size_t k = 0; k < n; ++k)
                if (k != jj) term *= PolyPower(Exponents[k], s.controls[k].value);
            sum += term;
        }
    }
    return HoldMagnitude(sum);
}

double PolyControlValue(int a, int b, double initial_condition, bool* limited) {
    const double x = Solution[a] - Solution[b];
    double value = x;
    switch (InitMode) {
    case kInitJunction: *limited = true; return initial_condition;
    case kInitSmallSignal: *limited = true; return x;
    case kInitTransient:
        *limited = true;
        value = LastAcceptedSolution[a] - LastAcceptedSolution[b];
        break;
    case kInitPredict:
        value = (1 + PredictorRatio) * (LastAcceptedSolution[a] - LastAcceptedSolution[b]) -
                PredictorRatio * (EarlierAcceptedSolution[a] - EarlierAcceptedSolution[b]);
        break;
    default: break;
    }
    // A large jump of a large control is taken in steps.
    if (std::fabs(value) > 1 && std::fabs(value - x) > 0.1) {
        const double step = std::min(std::fabs(value - x), std::max(0.1 * std::fabs(x), 0.1));
        *limited = true;
        return x + std::copysign(step, value - x);
    }
    return value;
}

int PolyCurrentNotConverged(double a, double b) {
    if (std::fabs(a) < Options.vntol && std::fabs(b) < Options.vntol) return 0;
    if (std::fabs(a - b) > Options.abstol + Options.reltol * std::max(std::fabs(a), std::fabs(b))) {
        ++NonConvergedCount;
        return 1;
    }
    return 0;
}

int SetupPolySources() {
    for (auto* s : DevicesOf<PolySource>(kPolySourceList)) {
        if (HasBranchOutput(*s))
            if (int error = AllocVoltageBranchEntries(s->branch, s->positive, s->negative)) return error;
        for (PolyControl& c : s->controls) {
            if (c.branch) c.a = *c.branch, c.b = 0;
            int error = 0;
            switch (s->form) {
            case kPolyG: error = AllocTransconductanceEntries(c.a, c.b, s->positive, s->negative); break;
            case kPolyF:
                if (!(error = AllocMatrixEntry(s->positive, c.a))) error = AllocMatrixEntry(s->negative, c.a);
                break;
            case kPolyE:
                if (!(error = AllocMatrixEntry(s->branch, c.a))) error = AllocMatrixEntry(s->branch, c.b);
                break;
            case kPolyH: error = AllocMatrixEntry(s->branch, c.a); break;
            default: break;
            }
            if (error) return error;
        }
    }
    return 0;
}

int LoadPolySources() {
    for (auto* s : DevicesOf<PolySource>(kPolySourceList)) {
        bool limited = false;
        for (PolyControl& c : s->controls) c.value = PolyControlValue(c.a, c.b, c.initial_condition, &limited);
        const double ynew = PolyTermSum(0, *s);

        if (limited || InitMode == kInitPredict) {
            ++NonConvergedCount;
            RecordNonConvergentDevice(s, kNcPolyInput, 0);
        } else if (HasBranchOutput(*s) ? IsNotConverged(ynew, s->y) : PolyCurrentNotConverged(ynew, s->y)) {
            RecordNonConvergentDevice(s, kNcPolyValue, s->y);
        }
        s->y = ynew;

        if (HasBranchOutput(*s)) {
            StampNext(1);
            StampNext(-1);
            StampNext(1);
            StampNext(-1);
        }
        double rhs = ynew;
        for (size_t j = 0; j < s->controls.size(); ++j) {
            PolyControl& c = s->controls[j];
            const double d = c.derivative = PolyTermSum(static_cast<int>(j) + 1, *s);
            rhs -= d * c.value;
            switch (s->form) {
            case kPolyG: StampNext(d), StampNext(-d), StampNext(-d), StampNext(d); break;
            case kPolyF: StampNext(d), StampNext(-d); break;
            case kPolyE: StampNext(-d), StampNext(d); break;
            case kPolyH: StampNext(-d); break;
            default: break;
            }
        }
        double output_current = ynew;
        if (HasBranchOutput(*s)) {
            RightHandSide[s->branch] = rhs;
            output_current = Solution[s->branch];
        } else {
            RightHandSide[s->positive] -= rhs;
            RightHandSide[s->negative] += rhs;
        }
        const double p = (Solution[s->positive] - Solution[s->negative]) * output_current;
        s->power = -p;
        Run.power_generated -= p;
    }
    return 0;
}

int AcLoadPolySources() {
    for (auto* s : DevicesOf<PolySource>(kPolySourceList)) {
        const int type = s->form - kPolyG;
        for (size_t j = 0; j < s->controls.size(); ++j) {
            const PolyControl& c = s->controls[j];
            // The controlling branches belong to their sources, which stamp them.
            if (int error = AcStampControlledSource(false, j == 0, type, c.a, s->branch, c.a, c.b, s->positive,
                                                    s->negative, c.derivative, 0))
                return error;
        }
    }
    return 0;
}

int ComputePolyAcCurrents() {
    for (auto* s : DevicesOf<PolySource>(kPolySourceList)) {
        if (HasBranchOutput(*s)) continue;
        std::complex<double> sum = 0;
        for (const PolyControl& c : s->controls) sum += c.derivative * (AcNodeValue(c.a) - AcNodeValue(c.b));
        s->ac_current = sum;
    }
    return 0;
}

}  // namespace ob7
