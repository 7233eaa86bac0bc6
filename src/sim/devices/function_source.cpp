#include "sim/devices/function_source.h"

#include <algorithm>
#include <cmath>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/devices/controlled_convergence.h"
#include "sim/devices/device_contract.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/newton.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

int NumberFunctionBranches(int next) {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList))
        s->branch = s->form == kFunctionVoltage ? next++ : 0;
    return next;
}

bool IsBranch(int equation) { return equation > NodeCount; }

// The expression's real part, or its error.
int Evaluate(CompiledExpression& e, double* value) {
    ComplexValue result{};
    if (int error = EvaluateExpression(&e, &result)) return error;
    *value = result.re;
    return 0;
}

// dF/dx by trial steps growing from 1e-7 until F moves by more than rounding.
int NumericDerivative(FunctionSource& s, int e, double f, double* g) {
    double x = Solution[e];
    if (x != 0 && std::fabs(x) <= 1e-20) x = std::copysign(1e-20, x);
    const bool relative = std::fabs(x) >= 1e-12;
    double step = 1e-7;
    *g = 1e-20;
    for (int trial = 0; trial < 5; ++trial) {
        step *= 10;
        const double h = relative ? x * step : step;
        Solution[e] = x + h;
        double f2 = 0;
        if (int error = Evaluate(s.value_expression, &f2)) {
            Solution[e] = x;
            return error;
        }
        const double d = f2 - f;
        *g = d == 0 ? 1e-20 : d / h;
        if (std::fabs(d) / std::max({std::fabs(f2), std::fabs(f), 1e-50}) >= 1e-14) break;
    }
    const double m = std::clamp(std::fabs(*g), 1e-20, 1e30);
    *g = std::copysign(m, *g);
    Solution[e] = x;
    return 0;
}

}  // namespace

const DeviceKindHandler kFunctionSourceKind{LoadStage::FunctionSources, 0, SetupFunctionSources, LoadFunctionSources,
                                            BranchRank::FunctionSources, NumberFunctionBranches};
const AcKindHandler kFunctionSourceAcKind{AcStage::FunctionSources,   0, AcLoadFunctionSources,
                                          AcCurrentRank::FunctionSources, ComputeFunctionSourceAcCurrents,
                                          NoiseRank::FunctionSources,  AddFunctionSourceNoise};

FunctionSource* AddFunctionSource(int form, int a, int b) {
    auto* s = new FunctionSource;
    s->form = form, s->a = a, s->b = b;
    AddDevice(kFunctionSourceList, s);
    return s;
}

int SetupFunctionSources() {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        const bool voltage = s->form == kFunctionVoltage;
        if (voltage)
            if (int error = AllocVoltageBranchEntries(s->branch, s->a, s->b)) return error;
        for (const FunctionVariable& v : s->variables) {
            int error = 0;
            if (voltage) {
                error = AllocMatrixEntry(s->branch, v.equation);
            } else if (!IsBranch(v.equation)) {
                error = AllocTransconductanceEntries(v.equation, 0, s->a, s->b);
            } else if (!(error = AllocMatrixEntry(s->a, v.equation))) {
                error = AllocMatrixEntry(s->b, v.equation);
            }
            if (error) return error;
        }
    }
    return 0;
}

int LoadFunctionSources() {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        double f = 0;
        if (int error = Evaluate(s->value_expression, &f)) {
            ReportMessage("EN", error, s->owning_part);
            return kMsgReported;
        }
        if (s->transfer_input) f += 1e-6;
        s->value = f;
        const bool voltage = s->form == kFunctionVoltage;
        if (voltage) StampNext(1), StampNext(-1), StampNext(1), StampNext(-1);
        double rhs = f, predicted = s->previous_value;
        for (FunctionVariable& v : s->variables) {
            const int e = v.equation;
            double g = v.g;
            if (Options.numeric_derivative || !v.derivative) {
                if (int error = NumericDerivative(*s, e, f, &g)) return error;
            } else {
                if (int error = Evaluate(*v.derivative, &g)) return error;
            }
            v.g = v.last_derivative = g;
            const double x = Solution[e];
            rhs -= x * g;
            predicted += (x - PreviousIterate[e]) * g;
            if (ControlledOutputNotConverged(s->form, v.previous_derivative, g))
                RecordNonConvergentDevice(s, kNcFunction, g);
            if (voltage) {
                StampNext(-g);
            } else if (!IsBranch(e)) {
                StampNext(g), StampNext(-g), StampNext(-g), StampNext(g);
            } else {
                StampNext(g), StampNext(-g);
            }
        }
        if (ControlledOutputNotConverged(s->form, predicted, f)) RecordNonConvergentDevice(s, kNcFunction, f);
        s->previous_value = f;
        if (voltage) {
            RightHandSide[s->branch] = rhs;
        } else {
            RightHandSide[s->a] -= rhs;
            RightHandSide[s->b] += rhs;
        }
        if (s->flag_byte1) {
            const double i = voltage ? Solution[s->branch] : f;
            s->power = -(i * (Solution[s->a] - Solution[s->b]));
            Run.power_generated += s->power;
        }
    }
    return 0;
}

namespace {

std::complex<double> AcEquationValue(int e) { return {AcSolution[2 * e], AcSolution[2 * e + 1]}; }

int EvaluateAc(FunctionSource& s, std::complex<double>* value) {
    ComplexValue v{};
    if (int error = EvaluateExpression(&s.ac_expression, &v)) {
        ReportMessage("EN", error, s.owning_part);
        return kMsgReported;
    }
    *value = {v.re, v.im};
    return 0;
}

// The AC expression linearised at the present AC solution: for each equation it reads, the
// complex derivative by a step in the real part of that equation's value; the rest of the
// value is the excitation.
int AcLoadExpression(FunctionSource& s, bool voltage) {
    AcIterationNeeded = 1;
    std::complex<double> v;
    if (int error = EvaluateAc(s, &v)) return error;
    s.ac_value = v;
    std::complex<double> excitation = v;
    for (int e : s.ac_equations) {
        double& re = AcSolution[2 * e];
        const double x = re;
        double moved = x;
        if (x != 0 && std::fabs(x) < 1e-50) moved = std::copysign(1e-50, x);
        const double step = x == 0 ? 1e-6 : 1e-6 * std::fabs(moved);
        re = moved + step;
        std::complex<double> stepped;
        const int error = EvaluateAc(s, &stepped);
        re = x;
        if (error) return error;
        const std::complex<double> d = (stepped - v) / step;
        excitation -= d * AcEquationValue(e);
        int stamp = 0;
        if (voltage) {
            stamp = AcAddReal(s.branch, e, -d.real());
            if (!stamp) stamp = AcAddImag(s.branch, e, -d.imag());
        } else if (IsBranch(e)) {
            stamp = AcAddReal(s.a, e, d.real());
            if (!stamp) stamp = AcAddImag(s.a, e, d.imag());
            if (!stamp) stamp = AcAddReal(s.b, e, -d.real());
            if (!stamp) stamp = AcAddImag(s.b, e, -d.imag());
        } else {
            stamp = AcStampTransconductance(e, 0, s.a, s.b, d.real(), d.imag());
        }
        if (stamp) return stamp;
    }
    if (voltage) {
        AcAddExcitation(s.branch, excitation.real(), excitation.imag());
    } else {
        AcAddExcitation(s.a, -excitation.real(), -excitation.imag());
        AcAddExcitation(s.b, excitation.real(), excitation.imag());
    }
    return 0;
}

}  // namespace

int AcLoadFunctionSources() {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        const bool voltage = s->form == kFunctionVoltage;
        int error = voltage ? AcStampBranchIncidence(s->branch, s->a, s->b) : 0;
        if (!s->ac_expression.tokens.empty()) {
            if (!error) error = AcLoadExpression(*s, voltage);
            if (error) return error;
            continue;
        }
        for (const FunctionVariable& v : s->variables) {
            if (error) break;
            const int e = v.equation;
            if (voltage) {
                error = AcAddReal(s->branch, e, -v.g);
            } else if (IsBranch(e)) {
                error = AcAddReal(s->a, e, v.g);
                if (!error) error = AcAddReal(s->b, e, -v.g);
            } else {
                error = AcStampRealTransconductance(e, 0, s->a, s->b, v.g);
            }
        }
        if (error) return error;
    }
    return 0;
}

int ComputeFunctionSourceAcCurrents() {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        s->ac_current = 0;
        if (!s->ac_expression.tokens.empty()) {
            s->ac_current = s->form == kFunctionVoltage ? AcEquationValue(s->branch) : s->ac_value;
            continue;
        }
        if (s->form == kFunctionVoltage) continue;
        for (const FunctionVariable& v : s->variables)
            if (!IsBranch(v.equation)) s->ac_current += v.g * AcNodeValue(v.equation);
    }
    return 0;
}

int AddFunctionSourceNoise(double) {
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        if (s->noise_expression.tokens.empty()) continue;
        double density = 0;
        if (int error = Evaluate(s->noise_expression, &density)) {
            ReportMessage("EN", error, s->owning_part);
            return kMsgReported;
        }
        if (density != 0) AddNoiseSource(s->a, s->b, density);
    }
    return 0;
}

}  // namespace ob7
