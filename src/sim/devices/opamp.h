#pragma once
// Operational amplifiers (device list 27, OPA model): level 1 one transconductance
// stage, level 2 three stages with two poles and slew limiting, level 3 a transistor
// macro the compiler builds of ordinary devices (this kind computes its element values).

#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;
struct Capacitor;
struct Resistor;
struct OpampMacro;

// OPA model slots.
enum OpaModelSlot : int {
    kOpaLevel, kOpaType, kOpaC, kOpaA, kOpaRoutAc, kOpaRoutDc, kOpaVoff, kOpaIoff, kOpaSrp, kOpaSrn,
    kOpaIbias, kOpaVee, kOpaVcc, kOpaVps, kOpaVns, kOpaCmrr, kOpaGbw, kOpaPm, kOpaPd, kOpaIosc,
    kOpaTMeasured,
};
enum OpampInputType : int { kOpampNpn = 1, kOpampPnp = 2, kOpampJfet = 3 };

enum : int {
    kMsgOpampNegativeC2 = 15015,
    kMsgOpampIbias = 15016,
    kMsgOpampSrpNpn = 15017,
    kMsgOpampRout = 15018,
    kMsgOpampNpnSlew = 15019,
    kMsgOpampPnpSlew = 15020,
    kMsgOpampSrnPnp = 15027,
    kMsgOpampVcc = 15028,
    kMsgOpampVee = 15029,
    kMsgOpampPd = 15050,
};

struct Opamp : DeviceInstance {
    ModelParams* model = nullptr;
    int in_plus = 0, in_minus = 0;
    int s1 = 0, s2 = 0;  // level-2 stage nodes
    int out = 0;
    double gm = 0;
    // Level 2: the compensation capacitors and the three stage resistors the compiler made.
    Capacitor* c1 = nullptr;
    Capacitor* c2 = nullptr;
    Resistor* stage_resistors[3] = {};
    OpampMacro* macro = nullptr;  // level 3: the macro's valued elements (not owned)
    int output_state = 0;  // region code for the operating-point display
};

// Values of the level-3 macro at a temperature.
struct OpampMacroValues {
    double rc, ga, c1, c2, ic, ce, beta1, beta2, iee, re, ree, rp, r2, ro1, ro2, gcm, gb, vlp, vln, vc, ve, is2;
};

Opamp* AddOpamp(ModelParams* model, int in_plus, int in_minus, int out);

int SetupOpamps();
int LoadOpamps();
// The level's internal values at temperature t; 0 or a message id with the part's name
// pending. Level 3 is computed by ComputeOpampParameters.
int UpdateOpampValues(Opamp* opamp, double t);
// Model pass over every opamp.
int UpdateOpampTemperatures(double t);
// Level-3 element values at t from the data-sheet values; is1 is the first input
// transistor's saturation current. 0, 15050 (values filled) or another message id.
int ComputeOpampParameters(const Opamp* opamp, OpampMacroValues* values, double t, double is1 = 1e-16);
int AcLoadOpamps();

extern const DeviceKindHandler kOpampKind;
extern const AcKindHandler kOpampAcKind;

}  // namespace ob7
