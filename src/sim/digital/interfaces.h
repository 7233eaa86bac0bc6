#pragma once
// The four device kinds that join the digital network to the analog circuit: the A-to-D
// and D-to-A interfaces and the A/D and D/A converters. Their records live in the
// engine's device lists; analog voltages are read from the engine's solution vectors.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/digital/digital_setup.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

// One state of an interface model.
struct InterfaceState {
    char name = 0;
    double vlo = 0, vhi = 0;          // A-to-D band
    double tsw = 0, rlo = 0, rhi = 0; // D-to-A switching
};

struct AtoDInterface : DeviceInstance {
    std::string part;
    int primitive = 0, digital_node = 0, analog_node = 0, reference_node = 0;
    std::vector<InterfaceState> states;   // the states in use
    InterfaceState between;               // SX; name 0 when not given
    int current = 0, previous = 0;
    bool hazard_reported = false;
    std::string model_name, model_file;
};

struct DtoAInterface : DeviceInstance {
    std::string part;
    int primitive = 0, digital_node = 0, analog_node = 0, low_node = 0, high_node = 0;
    std::vector<InterfaceState> states;
    int current = 0, applied = -1;
    double start = 0, tsw = 1e-11;
    double rlo_new = 1, rlo_old = 1, rhi_new = 2, rhi_old = 2;
    double rlo = 1, rhi = 2;              // the two resistors now
};

struct AdcDevice : DeviceInstance {
    std::string part;
    int primitive = 0;
    int in = 0, ref = 0, gnd = 0;         // analog nodes
    int convert = 0, status = 0, over = 0;  // digital nodes
    std::vector<int> bits;                // data bits, least significant first
    int code = 0, previous_code = 0;
    bool request = false;                 // Convert rose: convert at the next solution
    uint32_t kept = 0;                    // the undo generation the request was kept in
};

struct DacDevice : DeviceInstance {
    std::string part;
    int primitive = 0;
    int out = 0, ref = 0, gnd = 0;
    int branch = 0;                       // its voltage branch from out to gnd
    std::vector<int> bits;                // data bits, most significant first
    double change_time = 0, previous_change_time = 0, saved_change_time = 0;
    long long sum = 0, previous_sum = 0, saved_sum = 0, saved_previous_sum = 0;
    double tsw = 1e-8;                    // switching time of the timing mode
    uint32_t ramp_end = 0, saved_ramp_end = 0;  // tick at which the present switching ends
};

// Builds a record from a part description (called by the set-up); 0 or 15055.
int NewAtoDInterface(const DigitalPartDesc& part, int primitive);
int NewDtoAInterface(const DigitalPartDesc& part, int primitive);
int NewAdcDevice(const DigitalPartDesc& part, int primitive);
int NewDacDevice(const DigitalPartDesc& part, int primitive);

// Engine calls: 0 or a message code.
int ResetAtoDInterfaces(bool first);
int ResetDtoAInterfaces(bool first);
int ResetAdcDevices(bool first);
int ResetDacDevices(bool first);
int LoadAtoDInterfaces();
int UpdateAtoDInterfaces();
int UpdateDtoAForNode(int node);
int UpdateDtoAInterfaces();
void LoadDtoAResistances();    // the two resistors of every D-to-A interface now
int DigitalUpdateEvents();     // the A/D converters
void EvaluateDacInputs();
void ScheduleDacOutputs();
void RollBackDacOutputs(double time);
void AdcConvertTrigger(int primitive);
// The voltage of a D/A converter's branch (output minus ground) at time: its sum times
// the reference's step, ramped from the previous sum over the switching time (in a
// transient; at the operating point the present sum at once).
double DacBranchVoltage(const DacDevice& dac, double time, bool operating_point);
// True when a D/A switching ends at that tick (the analog side is solved there).
bool DacRampEndsAt(uint32_t tick);

// Index of the state whose band holds the voltage (the between state or the nearest).
int FindAtoDState(AtoDInterface& record, bool report);

// The interface outputs the engine reads.
struct InterfaceOutputs {
    double dtoa_step_limit = 1e30;
    bool dtoa_limit_active = false;
    double atod_step_fraction = 1e30;
    bool atod_step_cut = false;
    double present_time = 0;       // the engine's time of the solution being handled
    double previous_time = 0;
};
extern InterfaceOutputs Interfaces;

// Message ids of the interfaces.
inline constexpr int kMsgIllegalDtoAState = 15032;
inline constexpr int kMsgNoAtoDStartState = 15033;
inline constexpr int kMsgNoDtoAStartState = 15034;
inline constexpr int kMsgIllegalStateChar = 15035;

}  // namespace ob7
