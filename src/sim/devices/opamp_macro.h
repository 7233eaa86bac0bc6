#pragma once
// The elements of a level-3 opamp's macro model that carry data-sheet values. The
// compiler builds the macro of ordinary devices and records them here; at every
// temperature update their values come from the opamp's model.

namespace ob7 {

struct Capacitor;
struct DependentSource;
struct ModelParams;
struct Opamp;
struct PolySource;
struct Resistor;
struct SpiceSource;

struct OpampMacro {
    SpiceSource* iee = nullptr;  // tail current source
    SpiceSource *vc = nullptr, *ve = nullptr;    // output swing limits
    SpiceSource *vlp = nullptr, *vln = nullptr;  // current-limit sources
    DependentSource *ga = nullptr, *gcm = nullptr;
    PolySource* gb = nullptr;  // the output stage: +GB and -GB on its two controls
    Capacitor *c1 = nullptr, *c2 = nullptr, *ce = nullptr;
    Resistor *rc1 = nullptr, *rc2 = nullptr, *re1 = nullptr, *re2 = nullptr, *ree = nullptr;
    Resistor *rp = nullptr, *r2 = nullptr, *ro1 = nullptr, *ro2 = nullptr;
    ModelParams *q1 = nullptr, *q2 = nullptr;  // the input transistors' models (BJT or JFET)
    ModelParams* diodes = nullptr;             // the model of the macro's diodes
};

// Level 3 at temperature t: the macro's element values from ComputeOpampParameters,
// and the opamp model's temperature parameters passed to the transistor and diode
// models. Its result is that of ComputeOpampParameters (0, 15050 with every value
// written, or another message id).
int UpdateOpampMacro(Opamp* opamp, double t);

}  // namespace ob7
