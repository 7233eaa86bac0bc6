// The lossy line's small-signal stamp. At a frequency the line is exact: with
// Y = sqrt((G + jwC) / (R + jwL)) and E = exp(-LEN sqrt((R + jwL)(G + jwC))), each port's
// outgoing wave is the other's incoming one delayed and damped:
//   Y V1 - I1 = E (Y V2 + I2),   Y V2 - I2 = E (Y V1 + I1).
// The RG line is its static two-port, as in every analysis.

#include <complex>
#include <tuple>

#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

using Complex = std::complex<double>;

int AddComplex(int row, int column, Complex z) {
    if (int error = AcAddReal(row, column, z.real())) return error;
    return AcAddImag(row, column, z.imag());
}

int StampWaves(const LossyLine& l, const double* x) {
    const Complex z(x[kLossyR], AcOmega * x[kLossyL]), y(x[kLossyG], AcOmega * x[kLossyC]);
    const Complex admittance = std::sqrt(y / z);
    const Complex gamma_len = std::sqrt(z * y) * x[kLossyLen];
    // Far beyond e^-700 the ports no longer see each other.
    const Complex e = gamma_len.real() > 700 ? Complex(0) : std::exp(-gamma_len);
    const Complex ey = e * admittance;
    const int P1 = l.p1, N1 = l.n1, P2 = l.p2, N2 = l.n2, B1 = l.branch1, B2 = l.branch2;
    int error = 0;
    for (auto [r, c, v] : {std::tuple{P1, B1, 1.0}, {N1, B1, -1.0}, {P2, B2, 1.0}, {N2, B2, -1.0}, {B1, B1, -1.0},
                           {B2, B2, -1.0}})
        if (!error) error = AcAddReal(r, c, v);
    for (auto [r, c, v] : {std::tuple{B1, P1, admittance}, {B1, N1, -admittance}, {B1, P2, -ey}, {B1, N2, ey},
                           {B1, B2, -e}, {B2, P2, admittance}, {B2, N2, -admittance}, {B2, P1, -ey},
                           {B2, N1, ey}, {B2, B1, -e}})
        if (!error) error = AddComplex(r, c, v);
    return error;
}

int StampRg(const LossyLine& l, const double* x) {
    const double c = x[kLossyRgCosh], zr = x[kLossyRgSinhR], yg = x[kLossyRgSinhG], g = 1 + Options.gmin;
    const int P1 = l.p1, N1 = l.n1, P2 = l.p2, N2 = l.n2, B1 = l.branch1, B2 = l.branch2;
    int error = 0;
    for (auto [r, col, v] : {std::tuple{B1, P1, 1.0}, {B1, N1, -1.0}, {B1, P2, -c}, {B1, N2, c}, {B1, B2, g * zr},
                             {B2, B2, c}, {B2, P2, -g * yg}, {B2, N2, g * yg}, {B2, B1, 1.0}, {P1, B1, 1.0},
                             {N1, B1, -1.0}, {P2, B2, 1.0}, {N2, B2, -1.0}})
        if (!error) error = AcAddReal(r, col, v);
    return error;
}

int AcLoadLossyLines() {
    for (LossyLine* l : DevicesOf<LossyLine>(kLossyLineList)) {
        const double* x = ModelReals(*l->model);
        const int error = static_cast<int>(x[kLossyCase]) == kLossyRg ? StampRg(*l, x) : StampWaves(*l, x);
        if (error) return error;
    }
    return 0;
}

}  // namespace

const AcKindHandler kLossyLineAcKind{AcStage::LossyLines, 0, AcLoadLossyLines};

}  // namespace ob7
