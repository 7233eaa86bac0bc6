#include "sim/analysis/transfer_function.h"

#include <cstdio>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "sim/analysis/transient.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/newton.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

std::string Number(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

std::string FailureText(int code) {
    if (code == kMsgReported) return "Error";
    char buffer[512] = {};
    GetMessageText(buffer, sizeof buffer, &code);
    return buffer;
}

bool IsCurrentSource(int type) { return type == 11 || type == 35; }

// The input source's own measure: the voltage across a current source, the current
// through a voltage source.
double InputMeasure(const TfInputSource& input) {
    if (input.type == 13) {
        auto* s = static_cast<PulseSource*>(input.device);
        return Solution[s->branch];
    }
    if (input.type == 17) {
        auto* s = static_cast<SineSource*>(input.device);
        return Solution[s->branch];
    }
    auto* s = static_cast<SpiceSource*>(input.device);
    if (IsCurrentSource(input.type)) return Solution[s->positive] - Solution[s->negative];
    return Solution[s->branch];
}

// A fresh operating point (the circuit may have changed size).
int SolvePoint(double temperature) {
    ReleaseEngineMatrices();
    return RunOperatingPointOnly(temperature);
}

// Unlinks and frees the last record of a list (the test source of the output impedance).
void RemoveLastDevice(DeviceListKind kind) {
    DeviceList& list = DeviceListTable[kind];
    DeviceInstance* last = list.last;
    if (!last) return;
    list.last = last->previous;
    if (list.last) list.last->next = nullptr;
    else list.first = nullptr;
    --list.count;
    delete last;
}

}  // namespace

bool PerturbSourceValue(const TfInputSource& source, double delta) {
    if (!source.device) return false;
    switch (source.type) {
    case 11:
    case 30: {
        auto* s = static_cast<SpiceSource*>(source.device);
        switch (s->spec_kind) {
        case kSourcePulse:
        case kSourceSin:
        case kSourceExp:
        case kSourceSffm: s->p[0] += delta; break;
        default: s->dc_value += delta; break;
        }
        return true;
    }
    case 13: {
        auto* s = static_cast<PulseSource*>(source.device);
        ModelReals(*s->model)[kPulVzero] += delta;
        return true;
    }
    case 17: {
        auto* s = static_cast<SineSource*>(source.device);
        ModelReals(*s->model)[kSinDc] += delta;
        return true;
    }
    default:
        return false;
    }
}

int RunTransferFunction(const TfInputSource& input, const TfOutput& output, double temperature, TfResult* r) {
    *r = {};
    const bool valid_source = input.device && (input.type == 11 || input.type == 13 || input.type == 17 || input.type == 30);
    int first_error = 0;

    // Transfer function and input impedance.
    int code = SolvePoint(temperature);
    double out0 = 0, out1 = 0, in0 = 0, in1 = 0;
    if (!code) {
        out0 = output.value();
        if (valid_source) in0 = InputMeasure(input);
        if (valid_source && PerturbSourceValue(input, kTfStep)) {
            code = SolvePoint(temperature);
            PerturbSourceValue(input, -kTfStep);
            if (!code) {
                out1 = output.value();
                in1 = InputMeasure(input);
            }
        }
    }
    if (!valid_source) {
        r->transfer_function_text = "Bad source.";
    } else if (code) {
        first_error = code;
        r->transfer_function_text = FailureText(code);
    } else {
        r->transfer_function = (out1 - out0) / kTfStep;
        r->transfer_function_text = Number(r->transfer_function);
        if (IsCurrentSource(input.type)) {
            r->input_impedance = (in0 - in1) / kTfStep;
            r->input_impedance_text = Number(r->input_impedance);
        } else if (in0 == in1) {
            r->input_impedance_text = "inf";
        } else {
            r->input_impedance = kTfStep / (in0 - in1);
            r->input_impedance_text = Number(r->input_impedance);
        }
    }

    // Output impedance: a test source holds the output's value, then 1e-6 more.
    if (output.form == TfOutput::Form::None) {
        r->output_impedance_text = "N/A";
        return first_error;
    }
    double m[2] = {0, 0};
    bool short_output = false;
    for (int k = 0; k < 2 && !code; ++k) {
        if (output.form == TfOutput::Form::Voltage) {
            SpiceSource* test = AddSpiceSource(output.node_plus, output.node_minus, kSpiceVoltageSource,
                                               out0 + k * kTfStep);
            code = SolvePoint(temperature);
            if (!code) m[k] = Solution[test->branch];
            RemoveLastDevice(kSpiceSourceList);
            ReleaseEngineMatrices();
            // A test source that closes a loop of voltage sources leaves no solution.
            if (code == kMsgMatrixSingular) {
                short_output = true;
                code = 0;
                break;
            }
        } else {
            TfInputSource held{output.source, 30};
            if (k == 1) PerturbSourceValue(held, kTfStep);
            code = SolvePoint(temperature);
            if (k == 1) PerturbSourceValue(held, -kTfStep);
            if (!code) m[k] = output.value();
        }
    }
    if (short_output) {
        r->output_impedance_text = "0";
    } else if (code) {
        if (!first_error) first_error = code;
        r->output_impedance_text = FailureText(code);
    } else if (m[0] == m[1]) {
        r->output_impedance_text = "inf";
    } else {
        r->output_impedance = kTfStep / (m[0] - m[1]);
        r->output_impedance_text = Number(r->output_impedance);
    }
    return first_error;
}

}  // namespace ob7
