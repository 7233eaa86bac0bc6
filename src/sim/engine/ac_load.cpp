#include "sim/engine/ac_load.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

#include "expression/math_error.h"
#include "foundation/message_codes.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

double AcOmega = 2 * std::numbers::pi * 1e-6;
double AcFrequency = 1e-6;
std::vector<double> AcRightHandSide;
std::vector<double> AcSolution;
std::vector<double> AcPreviousIterate;
std::vector<double> SavedExcitation;
int AcFirstLoad = 0;
int AcIterationNeeded = 0;
SparseMatrix* AcMatrix = nullptr;
MatrixElementTrail* AcTrail = nullptr;
MatrixElement** AcCursor = nullptr;

namespace {

std::vector<const AcKindHandler*>& AcHandlers() {
    static std::vector<const AcKindHandler*> handlers;
    return handlers;
}

// The handlers with a pass of their own, sorted by that pass's rank.
template <class Rank, class Has>
std::vector<const AcKindHandler*> RankedHandlers(Rank AcKindHandler::*rank, Has has) {
    std::vector<const AcKindHandler*> ranked;
    for (const AcKindHandler* h : AcHandlers())
        if (has(*h)) ranked.push_back(h);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [rank](const AcKindHandler* a, const AcKindHandler* b) { return a->*rank < b->*rank; });
    return ranked;
}

}  // namespace

void RegisterAcKind(const AcKindHandler* handler) {
    auto& handlers = AcHandlers();
    if (std::find(handlers.begin(), handlers.end(), handler) != handlers.end()) return;
    auto place = std::upper_bound(handlers.begin(), handlers.end(), handler,
                                  [](const AcKindHandler* a, const AcKindHandler* b) {
                                      if (a->stage != b->stage) return a->stage < b->stage;
                                      return a->order_in_stage < b->order_in_stage;
                                  });
    handlers.insert(place, handler);
}

void SetAcFrequency(double f) {
    AcFrequency = f;
    AcOmega = 2 * std::numbers::pi * (f > 0 ? f : 1e-6);
    Run.frequency = f;
}

void AllocateAcVectors() {
    const size_t n = static_cast<size_t>(EquationCount + 1) * 2;
    for (std::vector<double>* v : {&AcRightHandSide, &AcSolution, &AcPreviousIterate, &SavedExcitation})
        v->assign(n, 0.0);
}

void FreeAcVectors() {
    for (std::vector<double>* v : {&AcRightHandSide, &AcSolution, &AcPreviousIterate, &SavedExcitation})
        std::vector<double>().swap(*v);
}

namespace {
// The rows being summed while a device's currents are captured.
struct RowCapture {
    const int* rows;
    int count;
    std::complex<double>* sums;
};
RowCapture* Capture = nullptr;
}  // namespace

int AcRecordEntry(int row, int column, double value, bool imaginary) {
    if (Capture) {
        for (int i = 0; i < Capture->count; ++i) {
            if (Capture->rows[i] != row) continue;
            const std::complex<double> y = imaginary ? std::complex<double>(0, value) : std::complex<double>(value, 0);
            Capture->sums[i] += y * AcNodeValue(column);
            break;
        }
        return 0;
    }
    if (Noise.flag) std::swap(row, column);
    MatrixElement* element = GetMatrixElement(AcMatrix, row, column);
    if (!element) return kMsgInsufficientMemory;
    AcTrail->elements.push_back(element);
    AcCursor = AcTrail->elements.data() + AcTrail->elements.size();
    (imaginary ? element->imag : element->real) += value;
    return 0;
}

int AcStampConductance(int a, int b, double g) {
    int error = AcAddReal(a, a, g);
    if (!error) error = AcAddReal(b, b, g);
    if (!error) error = AcAddReal(a, b, -g);
    if (!error) error = AcAddReal(b, a, -g);
    return error;
}

int AcStampSusceptance(int a, int b, double susceptance) {
    int error = AcAddImag(a, a, susceptance);
    if (!error) error = AcAddImag(b, b, susceptance);
    if (!error) error = AcAddImag(a, b, -susceptance);
    if (!error) error = AcAddImag(b, a, -susceptance);
    return error;
}

int AcStampBranchIncidence(int k, int p, int m) {
    int error = AcAddReal(k, p, 1.0);
    if (!error) error = AcAddReal(k, m, -1.0);
    if (!error) error = AcAddReal(p, k, 1.0);
    if (!error) error = AcAddReal(m, k, -1.0);
    return error;
}

int AcStampVoltageSource(int k, int p, int m, double re, double im) {
    AcAddExcitation(k, re, im);
    return AcStampBranchIncidence(k, p, m);
}

int AcStampRealTransconductance(int cp, int cm, int op, int om, double g) {
    int error = AcAddReal(op, cp, g);
    if (!error) error = AcAddReal(op, cm, -g);
    if (!error) error = AcAddReal(om, cp, -g);
    if (!error) error = AcAddReal(om, cm, g);
    return error;
}

int AcStampTransconductance(int cp, int cm, int op, int om, double gr, double gi) {
    int error = AcStampRealTransconductance(cp, cm, op, om, gr);
    if (!error) error = AcAddImag(op, cp, gi);
    if (!error) error = AcAddImag(op, cm, -gi);
    if (!error) error = AcAddImag(om, cp, -gi);
    if (!error) error = AcAddImag(om, cm, gi);
    return error;
}

namespace {
// g at (row, column) as a complex value.
int AcAddComplex(int row, int column, double gr, double gi) {
    int error = AcAddReal(row, column, gr);
    if (!error) error = AcAddImag(row, column, gi);
    return error;
}
}  // namespace

int AcStampControlledSource(bool incidence, bool first_control, int type, int k, int k2, int cp,
                            int cm, int op, int om, double gr, double gi) {
    int error = 0;
    switch (type) {
        case 0:
            return AcStampTransconductance(cp, cm, op, om, gr, gi);
        case 1:
            if (incidence) error = AcStampBranchIncidence(k, cp, cm);
            if (!error) error = AcAddComplex(op, k, gr, gi);
            if (!error) error = AcAddComplex(om, k, -gr, -gi);
            return error;
        case 2: {
            const int branch = incidence ? k : k2;
            error = AcAddComplex(branch, cp, -gr, -gi);
            if (!error) error = AcAddComplex(branch, cm, gr, gi);
            if (!error && first_control) error = AcStampBranchIncidence(branch, op, om);
            return error;
        }
        case 3:
            if (incidence) error = AcStampBranchIncidence(k, cp, cm);
            if (!error && first_control) error = AcStampBranchIncidence(k2, op, om);
            if (!error) error = AcAddComplex(k2, k, -gr, -gi);
            return error;
        default:
            return 0;
    }
}

int AcStampFet3(const Fet3Small& f) {
    struct Entry {
        int row, col;
        double value;
        bool imaginary;
    };
    const double gG = f.g_gate, gd = f.g_drain, gs = f.g_source;
    const Entry entries[] = {
        {f.G, f.G, gG, false}, {f.G, f.Gp, -gG, false}, {f.Gp, f.G, -gG, false}, {f.D, f.D, gd, false},
        {f.Gp, f.Gp, gG + f.ggs + f.ggd, false}, {f.Gp, f.Gp, f.xgs + f.xgd, true}, {f.S, f.S, gs, false},
        {f.Dp, f.Dp, f.ggd + gd + f.gds, false}, {f.Dp, f.Dp, f.xgd + f.xds, true},
        {f.Sp, f.Sp, f.ggs + f.gds + gs + f.gm, false}, {f.Sp, f.Sp, f.xgs + f.xds, true},
        {f.D, f.Dp, -gd, false}, {f.Gp, f.Dp, -f.ggd, false}, {f.Gp, f.Dp, -f.xgd, true},
        {f.Gp, f.Sp, -f.ggs, false}, {f.Gp, f.Sp, -f.xgs, true},
        {f.S, f.Sp, -gs, false}, {f.Dp, f.D, -gd, false}, {f.Dp, f.Gp, f.gm - f.ggd, false},
        {f.Dp, f.Gp, -f.xgd, true}, {f.Dp, f.Sp, -f.gds - f.gm, false},
        {f.Sp, f.Gp, -f.ggs - f.gm, false}, {f.Sp, f.Gp, -f.xgs, true}, {f.Sp, f.S, -gs, false},
        {f.Sp, f.Dp, -f.gds, false}, {f.Sp, f.Dp, -f.xds, true}, {f.Dp, f.Sp, -f.xds, true},
    };
    for (const Entry& e : entries) {
        const int error = e.imaginary ? AcAddImag(e.row, e.col, e.value) : AcAddReal(e.row, e.col, e.value);
        if (error) return error;
    }
    return 0;
}

std::complex<double> ConductanceCurrent(int a, int b, double g) {
    return g * (AcNodeValue(a) - AcNodeValue(b));
}

std::complex<double> SusceptanceCurrent(int a, int b, double susceptance) {
    return std::complex<double>(0, susceptance) * (AcNodeValue(a) - AcNodeValue(b));
}

std::complex<double> ScaledNodeValue(int k, double x) { return x * AcNodeValue(k); }

int CaptureAcRowCurrents(int (*stamp)(void* device), void* device, const int* rows, int count,
                         std::complex<double>* currents) {
    for (int i = 0; i < count; ++i) currents[i] = 0;
    RowCapture capture{rows, count, currents};
    const int first_load = AcFirstLoad;
    // The slow path of the stamps is the one that sees the capture.
    AcFirstLoad = 1;
    Capture = &capture;
    const int error = stamp(device);
    Capture = nullptr;
    AcFirstLoad = first_load;
    return error;
}

int AcLoad() {
    AcIterationNeeded = 0;
    std::fill(AcRightHandSide.begin(), AcRightHandSide.end(), 0.0);
    Noise.input_excitation.clear();
    if (AcFirstLoad) {
        AcTrail->elements.clear();
        AcTrail->stretches.clear();
    } else {
        ClearMatrix(AcMatrix);
    }
    // Each kind stamps its own stretch of the trail, so one kind's fault never shifts the
    // stamps of the kinds after it. The stretches follow the handlers with a load.
    size_t stretch = 0;
    for (const AcKindHandler* kind : AcHandlers()) {
        if (!kind->load) continue;
        int error = 0;
        if (AcFirstLoad) {
            const size_t begin = AcTrail->elements.size();
            AcCursor = AcTrail->elements.data() + begin;
            error = kind->load();
            AcTrail->stretches.push_back({nullptr, begin, AcTrail->elements.size()});
        } else {
            MatrixElement** const trail = AcTrail->elements.data();
            const MatrixElementTrail::Stretch& own = AcTrail->stretches[stretch];
            AcCursor = trail + own.begin;
            error = kind->load();
            assert((error || AcCursor == trail + own.end) && "an AC load must stamp what its first load stamped");
        }
        ++stretch;
        if (error) return error;
    }
    if (Noise.flag) {
        SavedExcitation = AcRightHandSide;
        std::fill(AcRightHandSide.begin(), AcRightHandSide.end(), 0.0);
        AcRightHandSide[2 * Noise.output_plus] -= 1.0;
        AcRightHandSide[2 * Noise.output_minus] += 1.0;
    }
    AcRightHandSide[0] = AcRightHandSide[1] = 0;
    return CheckMathError();
}

int ComputeAcBranchCurrents() {
    if (Noise.flag) return 0;
    for (const AcKindHandler* kind : RankedHandlers(&AcKindHandler::current_rank,
                                                   [](const AcKindHandler& h) { return h.compute_currents != nullptr; }))
        if (int error = kind->compute_currents()) return error;
    return 0;
}

int AddDeviceNoiseSources(double frequency) {
    for (const AcKindHandler* kind : RankedHandlers(&AcKindHandler::noise_rank,
                                                   [](const AcKindHandler& h) { return h.add_noise_sources != nullptr; }))
        if (int error = kind->add_noise_sources(frequency)) return error;
    return 0;
}

}  // namespace ob7
