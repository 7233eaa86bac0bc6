// The lossy line's set-up, load and histories. A port's current is the convolution of
// the port histories with the line's impulse responses; with each history linear between
// accepted points, a convolution is a sum over the intervals of the history's slope times
// a difference of the response integrated twice, which the analytic forms give. The
// responses that begin at the delay T (h2 and h3' of an RLC line) reach only history
// that is already accepted while the step stays below T.

#include <algorithm>
#include <cmath>
#include <map>
#include <new>

#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/lossy_line_coeffs.h"
#include "sim/devices/lossy_line_math.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

enum : int { kMsgLossyCaseUnsupported = 14181, kMsgOutOfMemory = 15002 };

int NumberLossyLineBranches(int next) {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        l->branch1 = next++;
        l->branch2 = next++;
    }
    return next;
}

int CaseOf(const LossyLine& l) { return static_cast<int>(ModelReals(*l.model)[kLossyCase]); }

// The matrix entries of a line, the same in both matrices:
// (P1,B1) (N1,B1) (P2,B2) (N2,B2) (B1,B1) (B1,B2) (B2,B1) (B2,B2)
// (B1,P1) (B1,N1) (B1,P2) (B1,N2) (B2,P1) (B2,N1) (B2,P2) (B2,N2).
struct LineStamps {
    double p1b1 = 1, n1b1 = -1, p2b2 = 1, n2b2 = -1;
    double b1b1 = 0, b1b2 = 0, b2b1 = 0, b2b2 = 0;
    double b1p1 = 0, b1n1 = 0, b1p2 = 0, b1n2 = 0, b2p1 = 0, b2n1 = 0, b2p2 = 0, b2n2 = 0;
};

void Stamp(const LineStamps& s) {
    for (double v : {s.p1b1, s.n1b1, s.p2b2, s.n2b2, s.b1b1, s.b1b2, s.b2b1, s.b2b2, s.b1p1, s.b1n1, s.b1p2,
                     s.b1n2, s.b2p1, s.b2n1, s.b2p2, s.b2n2})
        StampNext(v);
}

// Every lossy model's coefficients at the present time point.
std::map<const ModelParams*, LossyCoefficients> Coefficients;

// The coefficients of a line's model at the present time, formed once per time point.
const LossyCoefficients& CoefficientsAt(const LossyLine& l, double t) {
    LossyCoefficients& c = Coefficients[l.model];
    if (c.time == t && c.h1.size() == l.history.size()) return c;
    double* x = ModelReals(*l.model);
    switch (CaseOf(l)) {
    case kLossyRc: SetupRcCoefficients(x, l.history, t, c); break;
    case kLossyRlc: SetupRlcCoefficients(x, l.history, t, c); break;
    default:
        c = LossyCoefficients{};
        LocateDelayedPoint(x, l.history, t, c);
        c.time = t;
    }
    return c;
}

// The known part of a convolution: the initial value times the response's total, the
// weighted history, less the present coefficient's share of the initial value (the
// present value itself is in the matrix).
double Known(const std::vector<double>& weight, double first, double total, const std::vector<LossyLinePoint>& h,
             double LossyLinePoint::*value) {
    const double initial = h.front().*value;
    return initial * total + WeightedDeviations(weight, h, value) - first * initial;
}

// Transient stamps and history terms of one line at the present time.
void TransientLine(LossyLine& l, LineStamps& s) {
    const double* x = ModelReals(*l.model);
    const auto& h = l.history;
    const double t = Run.time;
    const int kind = CaseOf(l);
    const LossyCoefficients& c = CoefficientsAt(l, t);
    const double c1 = x[kLossyFirstH1], c2 = x[kLossyFirstH2], c3 = x[kLossyFirstH3];
    s.b1b1 = s.b2b2 = -1;
    if (kind == kLossyRc) {
        // i1 = h1' * v1 - h2 * i2 - h3' * v2, and the mirror.
        s.b1p1 = c1, s.b1n1 = -c1, s.b2p2 = c1, s.b2n2 = -c1;
        s.b1b2 = -c2, s.b2b1 = -c2;
        s.b1p2 = -c3, s.b1n2 = c3, s.b2p1 = -c3, s.b2n1 = c3;
        if (l.inputs_time != t) {
            using P = LossyLinePoint;
            const auto known = [&](const std::vector<double>& w, double first, double total, double P::*v) {
                return Known(w, first, total, h, v);
            };
            l.input1 = -(known(c.h1, c1, 0, &P::v1) - known(c.h2, c2, 1, &P::i2) - known(c.h3, c3, 0, &P::v2));
            l.input2 = -(known(c.h1, c1, 0, &P::v2) - known(c.h2, c2, 1, &P::i1) - known(c.h3, c3, 0, &P::v1));
        }
        return;
    }
    // RLC and LC: i1 = Y0 (v1 + h1' * v1) - A (Y0 v2 + i2)(t - T) - Y0 h3' * v2 - h2 * i2.
    const double y0 = x[kLossyY0], atten = x[kLossyAttenuation];
    const bool rlc = kind == kLossyRlc;
    const double first = rlc ? c1 : 0;
    s.b1p1 = y0 * (1 + first), s.b1n1 = -s.b1p1;
    s.b2p2 = y0 * (1 + first), s.b2n2 = -s.b2p2;
    if (l.inputs_time == t) return;
    const auto far = [&](double LossyLinePoint::*v, double LossyLinePoint::*i) {
        const double dv = DelayedValue(x, c, h, v), di = DelayedValue(x, c, h, i);
        const double wave = atten * (y0 * dv + di);
        if (!rlc) return wave;
        const double i0 = h.front().*i;
        return wave + y0 * (h.front().*v * x[kLossyH3Total] + WeightedDeviations(c.h3, h, v)) +
               i0 * x[kLossyH2Total] + WeightedDeviations(c.h2, h, i) + c.h2_delayed * (di - i0);
    };
    const double own1 = rlc ? Known(c.h1, c1, x[kLossyH1Total], h, &LossyLinePoint::v1) : 0;
    const double own2 = rlc ? Known(c.h1, c1, x[kLossyH1Total], h, &LossyLinePoint::v2) : 0;
    l.input1 = -(y0 * own1 - far(&LossyLinePoint::v2, &LossyLinePoint::i2));
    l.input2 = -(y0 * own2 - far(&LossyLinePoint::v1, &LossyLinePoint::i1));
}

}  // namespace

const DeviceKindHandler kLossyLineKind{LoadStage::LossyLines, 0, SetupLossyLines, LoadLossyLines,
                                       BranchRank::LossyLines, NumberLossyLineBranches};

int SetupLossyLines() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const int k = CaseOf(*l);
        if (k < kLossyRlc || k > kLossyLc) return kMsgLossyCaseUnsupported;
        const int P1 = l->p1, N1 = l->n1, P2 = l->p2, N2 = l->n2, B1 = l->branch1, B2 = l->branch2;
        for (auto [r, c] : {std::pair{P1, B1}, {N1, B1}, {P2, B2}, {N2, B2}, {B1, B1}, {B1, B2}, {B2, B1}, {B2, B2},
                            {B1, P1}, {B1, N1}, {B1, P2}, {B1, N2}, {B2, P1}, {B2, N1}, {B2, P2}, {B2, N2}})
            if (int error = AllocMatrixEntry(r, c)) return error;
    }
    return 0;
}

int LoadLossyLines() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const double* x = ModelReals(*l->model);
        LineStamps s;
        if (CaseOf(*l) == kLossyRg) {
            const double c = x[kLossyRgCosh], zr = x[kLossyRgSinhR], yg = x[kLossyRgSinhG];
            s.b1p1 = 1, s.b1n1 = -1, s.b1p2 = -c, s.b1n2 = c, s.b1b2 = (1 + Options.gmin) * zr;
            s.b2b2 = c, s.b2p2 = -(1 + Options.gmin) * yg, s.b2n2 = (1 + Options.gmin) * yg, s.b2b1 = 1;
            l->input1 = l->input2 = 0;
        } else if (OperatingPointPhase || l->history.empty()) {
            // i1 + i2 = 0 and V(P1) - V(P2) = R LEN i1.
            s.b1b1 = 1, s.b1b2 = 1, s.b2p1 = 1, s.b2p2 = -1;
            s.b2b1 = MatrixSetUp ? -x[kLossyR] * x[kLossyLen] : 0.001;
            l->input1 = l->input2 = 0;
        } else {
            TransientLine(*l, s);
            l->inputs_time = Run.time;
        }
        Stamp(s);
        RightHandSide[l->branch1] += l->input1;
        RightHandSide[l->branch2] += l->input2;
    }
    return 0;
}

namespace {

LossyLinePoint PortValues(const LossyLine& l, double t) {
    return {t, Solution[l.p1] - Solution[l.n1], Solution[l.branch1], Solution[l.p2] - Solution[l.n2],
            Solution[l.branch2]};
}

}  // namespace

void InitLossyLineHistories() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        // With initial conditions there is no operating point: the line starts from its
        // given port values (at rest unless given).
        if (UseInitialConditions) {
            l->history.assign(1, {Run.tmin, l->u1, l->i1, l->u2, l->i2});
        } else {
            const LossyLinePoint p = PortValues(*l, Run.tmin);
            l->u1 = p.v1, l->i1 = p.i1, l->u2 = p.v2, l->i2 = p.i2;
            l->history.assign(1, p);
        }
        l->inputs_time = -1;
    }
    Coefficients.clear();
}

namespace {

// A kink in the wave entering a port of a line with a delay reaches the other port TD
// later: the wave's slope over the last two intervals changed by more than its size,
// and the three values spread by more than 50 times the tolerance of their mean.
bool WaveKinked(const LossyLine& l, double LossyLinePoint::*v, double LossyLinePoint::*i) {
    const double* x = ModelReals(*l.model);
    const auto& h = l.history;
    const size_t n = h.size();
    double w[3], t[3];
    for (int k = 0; k < 3; ++k) {
        const LossyLinePoint& p = h[n - 3 + k];
        w[k] = x[kLossyAttenuation] * (x[kLossyZ0] * (p.*i) + p.*v);
        t[k] = p.t;
    }
    const double s1 = (w[2] - w[1]) / (t[2] - t[1]), s2 = (w[1] - w[0]) / (t[1] - t[0]);
    const double spread = std::max({w[0], w[1], w[2]}) - std::min({w[0], w[1], w[2]});
    const double mean = (w[0] + w[1] + w[2]) / 3;
    return std::fabs(s1 - s2) >= x[kLossySlopeAbs] + x[kLossySlopeRel] * std::max(std::fabs(s1), std::fabs(s2)) &&
           spread >= 50 * std::fabs(Options.abstol + Options.reltol * mean);
}

}  // namespace

namespace {

// The middle of the last three points of every line lies on the straight line through
// its neighbours, for all four port values, so the linear history loses nothing
// without it.
bool MiddlePointRedundant(const LossyLine& l) {
    const auto& h = l.history;
    const size_t n = h.size();
    if (n < 3) return false;
    const double* x = ModelReals(*l.model);
    // The absolute tolerance is one of the values (ABSTOL by default), so it bounds the
    // areas times the span: taken as an area, 1e-12 would pass a 40 mV corner on a 50 ps step.
    const double abs = x[kLossyAbsTol] * (h[n - 1].t - h[n - 3].t);
    for (double LossyLinePoint::*v : {&LossyLinePoint::v1, &LossyLinePoint::i1, &LossyLinePoint::v2, &LossyLinePoint::i2})
        if (!StraightLineCheck(h[n - 1].t, h[n - 1].*v, h[n - 2].t, h[n - 2].*v, h[n - 3].t, h[n - 3].*v,
                               x[kLossyRelTol], abs))
            return false;
    return true;
}

// The lines share their accepted times, so a point goes from all of them or from none.
void CompactHistories() {
    const auto lines = DevicesOf<LossyLine>(kLossyLineList);
    for (LossyLine* l : lines)
        if (!MiddlePointRedundant(*l)) return;
    for (LossyLine* l : lines) l->history.erase(l->history.end() - 2);
}

}  // namespace

int AcceptLossyLineStep() {
    bool accepted = false;
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        if (l->history.empty() || Run.time <= l->history.back().t) continue;
        try {
            l->history.push_back(PortValues(*l, Run.time));
        } catch (const std::bad_alloc&) {
            return kMsgOutOfMemory;
        }
        l->inputs_time = -1;
        accepted = true;
    }
    if (accepted && Options.trytocompact) CompactHistories();
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const int kind = CaseOf(*l);
        if ((kind != kLossyRlc && kind != kLossyLc) || l->history.size() < 3 || !RequestTimeBreakpoint) continue;
        if (WaveKinked(*l, &LossyLinePoint::v1, &LossyLinePoint::i1) ||
            WaveKinked(*l, &LossyLinePoint::v2, &LossyLinePoint::i2))
            if (int error = RequestTimeBreakpoint(l->history[l->history.size() - 2].t + ModelReals(*l->model)[kLossyTd]))
                return error;
    }
    return 0;
}

namespace {

// The second derivative of a port value from the last three accepted points.
double Curvature(const std::vector<LossyLinePoint>& h, double LossyLinePoint::*v) {
    const size_t n = h.size();
    if (n < 3) return 0;
    const LossyLinePoint &a = h[n - 3], &b = h[n - 2], &c = h[n - 1];
    const double late = (c.*v - b.*v) / std::max(c.t - b.t, 1e-12), early = (b.*v - a.*v) / std::max(b.t - a.t, 1e-12);
    return 2 * (late - early) / std::max(c.t - a.t, 1e-12);
}

}  // namespace

double LossyLteEstimate(const LossyLine& l, double t) {
    const double* x = ModelReals(*l.model);
    const auto& h = l.history;
    const int kind = CaseOf(l);
    if ((kind != kLossyRlc && kind != kLossyRc) || h.empty()) return 1;
    // Over the present step the convolution takes the history as a straight line; a
    // value curving by x'' is off by x'' u (step - u) / 2 there, and the response's
    // first coefficient k0 (its integral over the step is about 2 k0) turns that into
    // an error of x'' step^2 k0 / 6.
    const double step = t - h.back().t;
    if (step <= 0) return 0;
    using P = LossyLinePoint;
    const double dv = std::fabs(Curvature(h, &P::v1)) + std::fabs(Curvature(h, &P::v2));
    const double di = std::fabs(Curvature(h, &P::i1)) + std::fabs(Curvature(h, &P::i2));
    double k = 0;
    if (kind == kLossyRlc) {
        k = x[kLossyY0] * std::fabs(LossyH1dashTwiceInt(step, x[kLossyBeta]) / step) * dv;
    } else {
        const double cbyr = x[kLossyCbyR], rcl = x[kLossyRclsqr];
        k = (std::fabs(RcH1dashTwiceInt(step, cbyr)) + std::fabs(RcH3dashTwiceInt(step, cbyr, rcl))) / step * dv +
            std::fabs(RcH2TwiceInt(step, rcl)) / step * di;
    }
    return k * step * step / 6;
}

int LimitLossyLineTimeStep(double* step) {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const double* x = ModelReals(*l->model);
        const int kind = CaseOf(*l);
        switch (kind) {
        case kLossyRlc:
            *step = std::min({*step, x[kLossyTd], x[kLossySafeStep]});
            break;
        case kLossyLc:
            *step = std::min(*step, x[kLossyTd]);
            break;
        case kLossyRc:
        case kLossyRg:
            break;
        default:
            return kMsgLossyCaseUnsupported;
        }
        if ((kind == kLossyRlc || kind == kLossyRc) && static_cast<int>(x[kLossyLteMode]) == kLossyLteOn && !l->history.empty()) {
            const double tol =
                Options.trtol * (Options.abstol + Options.reltol * (std::fabs(l->input1) + std::fabs(l->input2)));
            if (LossyLteEstimate(*l, l->history.back().t + *step) >= tol) *step /= 2;
        }
    }
    return 0;
}

void FreeLossyLineBuffers() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        l->history.clear();
        l->history.shrink_to_fit();
    }
    Coefficients.clear();
}

}  // namespace ob7
