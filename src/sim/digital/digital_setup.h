#pragma once
// What the circuit compiler hands the digital simulator: one description per digital
// part, with its digital pin nodes, its models and its text attributes. The compiler
// numbers the digital nodes from 1 apart from the analog ones, inserts the A-to-D and
// D-to-A interface parts where analog and digital pins meet (choosing their models by
// I/O level, GetPartIoLevel), and then calls SetupDigitalPrimitives once per compile.

#include <map>
#include <string>
#include <vector>

namespace ob7 {

// Component type codes of the digital parts.
enum DigitalComponentType : int {
    kCtDtoA = 54, kCtAtoD = 55, kCtAdc = 56, kCtDac = 57,
    kCtBuf = 58, kCtInv, kCtAnd, kCtNand, kCtOr, kCtNor, kCtXor, kCtNxor,  // 58-65
    kCtAo = 74, kCtOa, kCtAoi, kCtOai,                                      // 74-77
    kCtBuf3 = 78, kCtInv3, kCtAnd3, kCtNand3, kCtOr3, kCtNor3, kCtXor3, kCtNxor3,  // 78-85
    kCtJkff = 94, kCtDff, kCtSrff, kCtDltch,
    kCtPullup = 98, kCtPulldn, kCtDlyline,
    kCtPland = 101, kCtPlor, kCtPlxor, kCtPlnand, kCtPlnor, kCtPlnxor,
    kCtPlandc, kCtPlorc, kCtPlxorc, kCtPlnandc, kCtPlnorc, kCtPlnxorc,      // 101-112
    kCtRom = 113, kCtRam = 114,
    kCtStim = 117, kCtNbtg = 118, kCtPbtg = 119,
    kCtLogicExp = 120, kCtPinDly = 121, kCtConstraint = 122,
    kCtFstim = 124, kCtDigitalSwitch = 128, kCtDigitalState = 130,
};

// Timing model types of the digital primitives.
enum DigitalModelType : int {
    kMtNone = -1, kMtUgate, kMtUtgate, kMtUeff, kMtUgff, kMtUdly, kMtUpld, kMtUadc, kMtUdac,
    kMtUrom, kMtUram, kMtUbgt, kMtDinput, kMtDoutput,
};

// The model type of a component type, or kMtNone.
DigitalModelType ModelTypeOfComponent(int component_type);
// The parameter names of a model type in slot order (triples as NAMEMN, NAMETY, NAMEMX).
const std::vector<std::string>& DigitalModelParameterNames(DigitalModelType type);

// A model as the compiler found it: parameter values by upper-case name; a parameter not
// given is absent. State names (SnNAME, SXNAME) are text parameters.
struct DigitalModelValues {
    std::string name;
    std::string library_file;
    std::map<std::string, double> values;
    std::map<std::string, std::string> texts;

    double Get(const std::string& key, double fallback) const;
    std::string Text(const std::string& key) const;
};

// The parameters of a UIO model that the digital simulator uses.
struct IoModelValues {
    double inld = 0, outld = 0;
    double drvh = 50, drvl = 50;
    double tswlh[4] = {0, 0, 0, 0}, tswhl[4] = {0, 0, 0, 0};
};

struct DigitalPartDesc {
    int type = 0;                          // DigitalComponentType
    std::string name;                      // the PART attribute ("" when none)
    std::vector<int> pins;                 // digital node of every pin, in pin order
    std::vector<std::string> pin_names;    // from the component definition
    int input_count = 0;                   // LOGICEXP, PINDLY, PLAs: inputs of the definition
    int output_count = 0;                  // LOGICEXP, PINDLY, PLAs: outputs of the definition
    int group_size = 0;                    // AO, OA, AOI, OAI: inputs per group
    DigitalModelValues timing;             // TIMING MODEL (MODEL of N and O parts)
    bool has_timing = true;                // false: the timing model was not found
    IoModelValues io;                      // I/O MODEL
    int timing_mode = 0;                   // MNTYMXDLY; 0 takes DIGMNTYMX
    int io_level = 0;                      // IO_LEVEL; 0 takes DIGIOLVL
    bool drives_dtoa = false;              // ISDTOA: the output feeds a D-to-A interface
    bool switch_closed = false;            // DIGITAL SWITCH: its switch state
    std::map<std::string, std::string> attributes;  // COMMAND, FORMAT, FILE, SIGNAMES,
                                                    // DATA, VALUE, LOGIC, TIMESTEP
    // Interfaces and converters: their analog nodes (equation numbers).
    int analog_node = 0, reference_node = 0;        // A-to-D: V(analog) - V(reference)
    int low_node = 0, high_node = 0;                // D-to-A: the level supplies
    int adc_in = 0, adc_ref = 0, adc_gnd = 0;       // ADC
    int dac_out = 0, dac_ref = 0, dac_gnd = 0;      // DAC
};

struct DigitalCircuitDesc {
    int node_count = 0;                    // digital nodes, numbered 1..node_count
    std::vector<std::string> node_names;   // index = node number (0 unused)
    int hi_node = 0, lo_node = 0, x_node = 0;  // "$D_HI", "$D_LO", "$D_X"; 0 when absent
    std::vector<DigitalPartDesc> parts;    // in the order of the circuit's object list
};

// Builds the digital network of a compiled circuit: 0, 15002, or 15055 after the error
// was reported (LastDigitalSetupError holds it as well).
int SetupDigitalPrimitives(const DigitalCircuitDesc& circuit);

struct DigitalSetupError {
    int code = 0;          // message id
    std::string part;      // the part's name
    std::string text;      // the formatted message
    std::string file;      // the file and line the message points at, when any
    int line = 0;
};
extern DigitalSetupError LastDigitalSetupError;

// The part's timing mode (1..4) and I/O level (1..4) as the compiler needs them.
int GetPartTimingMode(const DigitalPartDesc& part);
int GetPartIoLevel(const DigitalPartDesc& part);

}  // namespace ob7
