#pragma once
// Switches: the voltage-controlled switch S (list 10, VSWITCH model), the current-
// controlled switch W (list 29, ISWITCH model) and the switch component (list 28), which
// chooses between two fixed conductances by the time, a voltage or an inductor current.
// Each is a conductance between its two nodes; a change of state between two loads
// counts as non-convergence, so that Newton iterates again.

#include "sim/engine/device_lists.h"

namespace ob7 {

struct AcKindHandler;
struct DeviceKindHandler;
struct ModelParams;

// VSWITCH and ISWITCH model slots: RON, ROFF, then the on and off controls.
enum SwitchModelSlot : int { kSwRon, kSwRoff, kSwOn, kSwOff };

// States of a switch.
enum SwitchState : int { kSwitchOn = 2, kSwitchOff = 3, kSwitchTransition = 8 };

struct VSwitch : DeviceInstance {
    ModelParams* model = nullptr;
    int a = 0, b = 0;           // switched nodes
    int cp = 0, cn = 0;         // controlling nodes
    int previous_state = 0;
    double resistance = 0;
    int state = 0;
    double power = 0;
    double current = 0;
};

struct ISwitch : DeviceInstance {
    ModelParams* model = nullptr;
    int a = 0, b = 0;
    const int* control_branch = nullptr;  // the controlling source's branch equation
    int previous_state = 0;
    double resistance = 0;
    int state = 0;
    double power = 0;
    double current = 0;
};

// Control kinds of the switch component.
enum SwitchControl : int { kSwitchByTime = 1, kSwitchByVoltage = 2, kSwitchByCurrent = 3 };

struct SwitchComponent : DeviceInstance {
    int ref1 = 0, ref2 = 0;                    // controlling nodes (by voltage)
    const DeviceInstance* inductor = nullptr;  // controlling inductor (by current)
    int a = 0, b = 0;
    int control = kSwitchByTime;
    double threshold_a = 0, threshold_b = 0;
    double g_on = 0, g_off = 0;
    int previous_state = 0;
    double resistance = 0;
    int state = 0;
    double power = 0;
    double current = 0;
};

VSwitch* AddVSwitch(ModelParams* model, int a, int b, int cp, int cn);
ISwitch* AddISwitch(ModelParams* model, int a, int b, const int* control_branch);
SwitchComponent* AddSwitchComponent(int control, int a, int b, double threshold_a, double threshold_b, double g_on,
                                    double g_off);

// The resistance of an S or W switch at control x between the on and off controls, and
// its state.
double SwitchResistance(double ron, double roff, double on, double off, double x, int* state);

int SetupVSwitches();
int SetupISwitches();
int SetupSwitches();
int LoadVSwitches();
int LoadISwitches();
int LoadSwitches();
// Small signal: each switch is the conductance of its present resistance, and the
// thermal noise of it.
int AcLoadSwitches();
int AddSwitchNoiseSources(double frequency);

extern const DeviceKindHandler kVSwitchKind;
extern const DeviceKindHandler kISwitchKind;
extern const DeviceKindHandler kSwitchComponentKind;
extern const AcKindHandler kSwitchAcKind;

}  // namespace ob7
