#include "sim/devices/lossy_line.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "foundation/messages.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line_math.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

enum : int {
    kMsgLossyCaseUnsupported = 14181,
    kMsgLossyLengthMissing = 14183,
    kMsgLossyTooFewValues = 14185,
    kMsgAnalysisStopped = 15055,
};

// The distinct models of the lossy lines, in the order of their first line.
std::vector<std::pair<ModelParams*, LossyLine*>> LossyModels() {
    std::vector<std::pair<ModelParams*, LossyLine*>> models;
    std::set<ModelParams*> seen;
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList))
        if (seen.insert(l->model).second) models.push_back({l->model, l});
    return models;
}

void ReportMissingLength(const ModelParams& model, const LossyLine& first_line) {
    if (model.statement >= 0)
        ReportMessage("EM", kMsgLossyLengthMissing, "Model:", model.scopedName.c_str());
    else
        ReportMessage("EN", kMsgLossyLengthMissing, first_line.owning_part);
}

int ChooseCase(double r, double l, double g, double c) {
    if (r != 0 && l != 0 && c != 0 && g == 0) return kLossyRlc;
    if (r != 0 && c != 0 && l == 0 && g == 0) return kLossyRc;
    if (r != 0 && g != 0 && l == 0 && c == 0) return kLossyRg;
    if (l != 0 && c != 0 && r == 0 && g == 0) return kLossyLc;
    if (r != 0 && l != 0 && g == 0 && c == 0) return kLossyRl;
    return 0;
}

int PrepareLossyModel(ModelParams& model, const LossyLine& first_line) {
    double* x = ModelReals(model);
    x[kLossySlopeRel] = 1, x[kLossySlopeAbs] = 1;
    x[kLossyFixed15] = 1, x[kLossyFixed16] = 0.001, x[kLossyFixed17] = 1e-12;
    x[kLossyStepMode] = kLossyStepNeverAboveTd;
    if (!IsGiven(x[kLossyRelTol]) || x[kLossyRelTol] == 0) x[kLossyRelTol] = Options.reltol;
    if (!IsGiven(x[kLossyAbsTol]) || x[kLossyAbsTol] == 0) x[kLossyAbsTol] = Options.abstol;
    x[kLossyLteMode] = kLossyLteOn;
    // A compacted history is linear over long spans, across which a parabola through a
    // corner overshoots: there the quadratic value is checked against its points.
    x[kLossyInterpMode] = Options.trytocompact ? kLossyInterpMixed : kLossyInterpQuadratic;
    for (int slot : {kLossyR, kLossyL, kLossyG, kLossyC})
        if (!IsGiven(x[slot])) x[slot] = 0;

    if (!IsGiven(x[kLossyLen]) || x[kLossyLen] == 0) {
        ReportMissingLength(model, first_line);
        return kMsgAnalysisStopped;
    }
    const double r = x[kLossyR], l = x[kLossyL], g = x[kLossyG], c = x[kLossyC];
    const int nonzero = (r != 0) + (l != 0) + (g != 0) + (c != 0);
    if (nonzero < 2) return kMsgLossyTooFewValues;
    const int kind = ChooseCase(r, l, g, c);
    // RL lines, and conductance with inductance or capacitance, have no model here.
    if (kind == 0 || kind == kLossyRl) return kMsgLossyCaseUnsupported;
    x[kLossyCase] = kind;
    return 0;
}

// The largest step over which h2 after the delay still lies on a straight line, so
// that the convolution's linear pieces follow it.
double RlcSafeStep(const double* x) {
    const double td = x[kLossyTd], alpha = x[kLossyAlpha], beta = x[kLossyBeta];
    const double xs = td, ys = LossyH2Response(td, td, alpha, beta);
    double xb = 10 * td, xm = (td + xb) / 2;
    for (int k = 0; k < 51; ++k) {
        const double yb = LossyH2Response(xb, td, alpha, beta), ym = LossyH2Response(xm, td, alpha, beta);
        if (StraightLineCheck(xb, yb, xm, ym, xs, ys, x[kLossyRelTol], x[kLossyAbsTol])) break;
        xb = xm;
        xm = (xm + xs) / 2;
    }
    return xb - td;
}

void PrepareDelay(double* x) {
    x[kLossyZ0] = std::sqrt(x[kLossyL] / x[kLossyC]);
    x[kLossyY0] = 1 / x[kLossyZ0];
    x[kLossyTd] = std::sqrt(x[kLossyL] * x[kLossyC]) * x[kLossyLen];
}

int PrepareLossyLineValues(LossyLine& line) {
    double* x = ModelReals(*line.model);
    const double r = x[kLossyR], g = x[kLossyG], len = x[kLossyLen];
    switch (static_cast<int>(x[kLossyCase])) {
    case kLossyRlc:
        PrepareDelay(x);
        x[kLossyAlpha] = x[kLossyBeta] = r / (2 * x[kLossyL]);
        x[kLossyAttenuation] = ClampedExp(-x[kLossyBeta] * x[kLossyTd]);
        // The integrals of h1', h2 and h3' over all time: the line passes no current
        // at DC through its admittance, and all of a far-end wave arrives in the end.
        x[kLossyH1Total] = -1;
        x[kLossyH2Total] = 1 - x[kLossyAttenuation];
        x[kLossyH3Total] = -x[kLossyAttenuation];
        x[kLossySafeStep] = RlcSafeStep(x);
        break;
    case kLossyRc:
        x[kLossyH1Total] = 0, x[kLossyH2Total] = 1, x[kLossyH3Total] = 0;
        x[kLossyCbyR] = x[kLossyC] / r;
        x[kLossyRclsqr] = r * x[kLossyC] * len * len;
        break;
    case kLossyRg: {
        const double a = std::min(len * std::sqrt(r * g), 700.0);
        const double grow = std::min(std::exp(a), 1e31), decay = std::exp(-a);
        x[kLossyRgCosh] = (decay + grow) / 2;
        x[kLossyRgSinhR] = g > 1e-10 ? std::sqrt(r / g) * (grow - decay) / 2 : r * len;
        x[kLossyRgSinhG] = r > 1e-10 ? std::sqrt(g / r) * (grow - decay) / 2 : g * len;
        break;
    }
    case kLossyLc:
        x[kLossyAttenuation] = 1;
        PrepareDelay(x);
        break;
    default:
        return kMsgLossyCaseUnsupported;
    }
    line.input1 = line.input2 = 0;
    line.u1 = line.i1 = line.u2 = line.i2 = 0;
    return 0;
}

}  // namespace

LossyLine* AddLossyLine(ModelParams* model, int p1, int n1, int p2, int n2) {
    auto* l = new LossyLine;
    l->model = model;
    l->p1 = p1, l->n1 = n1, l->p2 = p2, l->n2 = n2;
    AddDevice(kLossyLineList, l);
    return l;
}

int PrepareLossyLineModels(double) {
    for (auto [model, first_line] : LossyModels())
        if (int error = PrepareLossyModel(*model, *first_line)) return error;
    return 0;
}

int PrepareLossyLines(double) {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList))
        if (int error = PrepareLossyLineValues(*l)) return error;
    return 0;
}

void RegisterLossyLinePasses() {
    RegisterModelPass(ModelPassStep::LossyLines, PrepareLossyLineModels);
    RegisterDevicePass(DevicePassStep::LossyLines, PrepareLossyLines);
}

}  // namespace ob7
