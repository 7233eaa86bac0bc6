// The lossy line's set-up, load and histories. A port's current is the convolution of
// the port histories with the line's impulse responses; with each history linear between
// accepted points, a convolution is a sum over the intervals of the history's slope times
// a difference of the response integrated twice, which the analytic forms give. The
// responses that begin at the delay T (h2 and h3' of an RLC line) reach only history
// that is already accepted while the step stays below T.

#include <algorithm>
#include <cmath>

#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/lossy_line_math.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

enum : int { kMsgLossyCaseUnsupported = 14181 };

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

// A convolution of one port quantity with a response F integrated twice (F(0) = 0):
// the part known from the accepted history, and the coefficient of the present value.
struct Convolution {
    double known = 0;
    double present = 0;
};

template <typename F>
Convolution Convolve(const std::vector<LossyLinePoint>& h, double LossyLinePoint::*value, double initial, double total,
                     double t, F twice) {
    Convolution c;
    c.known = initial * total;
    const size_t n = h.size();
    for (size_t k = 1; k < n; ++k) {
        const double span = std::max(h[k].t - h[k - 1].t, 1e-12);
        c.known += (h[k].*value - h[k - 1].*value) / span * (twice(t - h[k - 1].t) - twice(t - h[k].t));
    }
    // The present interval from the newest accepted point.
    const double span = std::max(t - h[n - 1].t, 1e-12);
    c.present = twice(t - h[n - 1].t) / span;
    c.known -= c.present * (h[n - 1].*value);
    return c;
}

// The convolution of a history with a response that starts at T and is 0 before:
// h3' through its integral G from T (the history's slope times G, trapezoid over each
// interval), h2 by the trapezoid of the product. Only times up to t - T are reached.
template <typename G>
double ConvolveSlopeWithIntegral(const std::vector<LossyLinePoint>& h, double LossyLinePoint::*value, double initial,
                                 double total, double t, double T, G once) {
    double sum = initial * total;
    const double end = t - T;
    for (size_t k = 1; k < h.size() && h[k - 1].t < end; ++k) {
        const double a = h[k - 1].t, b = std::min(h[k].t, end);
        const double span = std::max(h[k].t - a, 1e-12);
        const double slope = (h[k].*value - h[k - 1].*value) / span;
        sum += slope * (once(t - a) + once(t - b)) / 2 * (b - a);
    }
    return sum;
}

// The value of a port quantity at time s from the history (the initial value before
// it): quadratic over three points around s, linear at the start.
double Delayed(const std::vector<LossyLinePoint>& h, double LossyLinePoint::*value, double s) {
    if (s <= h.front().t) return h.front().*value;
    size_t i = 1;
    while (i < h.size() && h[i].t < s) ++i;
    if (i == h.size()) return h.back().*value;
    double c1, c2, c3;
    if (i >= 2 && QuadraticInterpCoeffs(s, h[i - 2].t, h[i - 1].t, h[i].t, &c1, &c2, &c3) == 0)
        return c1 * (h[i - 2].*value) + c2 * (h[i - 1].*value) + c3 * (h[i].*value);
    if (LinearInterpCoeffs(s, h[i - 1].t, h[i].t, &c1, &c2) == 0) return c1 * (h[i - 1].*value) + c2 * (h[i].*value);
    return h[i].*value;
}

double ProductTrapezoid(const std::vector<LossyLinePoint>& h, double LossyLinePoint::*value, double initial, double t,
                        double T, double alpha, double beta) {
    double sum = 0;
    const double end = t - T;
    for (size_t k = 1; k < h.size() && h[k - 1].t < end; ++k) {
        const double a = h[k - 1].t, b = std::min(h[k].t, end);
        const double xa = h[k - 1].*value - initial, xb = Delayed(h, value, b) - initial;
        sum += (LossyH2Response(t - a, T, alpha, beta) * xa + LossyH2Response(t - b, T, alpha, beta) * xb) / 2 * (b - a);
    }
    return sum;
}

// Transient stamps and history terms of one line at the present time.
void TransientLine(LossyLine& l, LineStamps& s) {
    const double* x = ModelReals(*l.model);
    const auto& h = l.history;
    const double t = Run.time;
    const int kind = CaseOf(l);
    s.b1b1 = s.b2b2 = -1;
    if (kind == kLossyRc) {
        const double cbyr = x[kLossyCbyR], rcl = x[kLossyRclsqr];
        const auto h1 = [&](double u) { return RcH1dashTwiceInt(u, cbyr); };
        const auto h2 = [&](double u) { return RcH2TwiceInt(u, rcl); };
        const auto h3 = [&](double u) { return RcH3dashTwiceInt(u, cbyr, rcl); };
        // i1 = h1' * v1 - h2 * i2 - h3' * v2, and the mirror.
        const Convolution a1 = Convolve(h, &LossyLinePoint::v1, l.u1, 0, t, h1);
        const Convolution a2 = Convolve(h, &LossyLinePoint::v2, l.u2, 0, t, h1);
        const Convolution b1 = Convolve(h, &LossyLinePoint::i1, l.i1, 1, t, h2);
        const Convolution b2 = Convolve(h, &LossyLinePoint::i2, l.i2, 1, t, h2);
        const Convolution c1 = Convolve(h, &LossyLinePoint::v1, l.u1, 0, t, h3);
        const Convolution c2 = Convolve(h, &LossyLinePoint::v2, l.u2, 0, t, h3);
        s.b1p1 = a1.present, s.b1n1 = -a1.present, s.b2p2 = a2.present, s.b2n2 = -a2.present;
        s.b1b2 = -b2.present, s.b2b1 = -b1.present;
        s.b1p2 = -c2.present, s.b1n2 = c2.present, s.b2p1 = -c1.present, s.b2n1 = c1.present;
        if (l.inputs_time != t) {
            l.input1 = -(a1.known - b2.known - c2.known);
            l.input2 = -(a2.known - b1.known - c1.known);
        }
        return;
    }
    // RLC and LC: i1 = Y0 (v1 + h1' * v1) - A (Y0 v2 + i2)(t - T) - Y0 h3' * v2 - h2 * i2.
    const double y0 = x[kLossyY0], T = x[kLossyTd], beta = kind == kLossyRlc ? x[kLossyBeta] : 0;
    const double atten = x[kLossyAttenuation];
    const double h1_total = kind == kLossyRlc ? x[kLossyH1Total] : 0;
    const double h2_total = kind == kLossyRlc ? x[kLossyH2Total] : 0;
    const double h3_total = kind == kLossyRlc ? x[kLossyH3Total] : 0;
    const auto h1 = [&](double u) { return LossyH1dashTwiceInt(u, beta); };
    const Convolution a1 = Convolve(h, &LossyLinePoint::v1, l.u1, h1_total, t, h1);
    const Convolution a2 = Convolve(h, &LossyLinePoint::v2, l.u2, h1_total, t, h1);
    s.b1p1 = y0 * (1 + a1.present), s.b1n1 = -s.b1p1;
    s.b2p2 = y0 * (1 + a2.present), s.b2n2 = -s.b2p2;
    if (l.inputs_time == t) return;
    const auto g3 = [&](double u) { return LossyH3dashInt(u, T, beta); };
    const auto far = [&](double LossyLinePoint::*v, double LossyLinePoint::*i, double v0, double i0) {
        const double wave = atten * (y0 * Delayed(h, v, t - T) + Delayed(h, i, t - T));
        if (kind != kLossyRlc) return wave;
        return wave + y0 * ConvolveSlopeWithIntegral(h, v, v0, h3_total, t, T, g3) + i0 * h2_total +
               ProductTrapezoid(h, i, i0, t, T, x[kLossyAlpha], beta);
    };
    l.input1 = -(y0 * a1.known - far(&LossyLinePoint::v2, &LossyLinePoint::i2, l.u2, l.i2));
    l.input2 = -(y0 * a2.known - far(&LossyLinePoint::v1, &LossyLinePoint::i1, l.u1, l.i1));
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
        const LossyLinePoint p = PortValues(*l, Run.tmin);
        l->u1 = p.v1, l->i1 = p.i1, l->u2 = p.v2, l->i2 = p.i2;
        l->history.assign(1, p);
        l->inputs_time = -1;
    }
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

int AcceptLossyLineStep() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        if (l->history.empty() || Run.time <= l->history.back().t) continue;
        l->history.push_back(PortValues(*l, Run.time));
        l->inputs_time = -1;
        const int kind = CaseOf(*l);
        if ((kind != kLossyRlc && kind != kLossyLc) || l->history.size() < 3 || !RequestTimeBreakpoint) continue;
        if (WaveKinked(*l, &LossyLinePoint::v1, &LossyLinePoint::i1) ||
            WaveKinked(*l, &LossyLinePoint::v2, &LossyLinePoint::i2))
            if (int error = RequestTimeBreakpoint(l->history[l->history.size() - 2].t + ModelReals(*l->model)[kLossyTd]))
                return error;
    }
    return 0;
}

int LimitLossyLineTimeStep(double* step) {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const double* x = ModelReals(*l->model);
        switch (CaseOf(*l)) {
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
    }
    return 0;
}

void FreeLossyLineBuffers() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        l->history.clear();
        l->history.shrink_to_fit();
    }
}

}  // namespace ob7
