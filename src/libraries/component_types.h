#pragma once
// The component type table: one constant row per type code 0..136 that says what a
// component type is (netlist letter, domain, pins, device list, model type, default
// attributes). Component definitions store only the type code.

#include <cstdint>
#include <string>

namespace ob7 {

constexpr int kComponentTypeCount = 137;

// Type codes named by other code.
enum ComponentTypeCode : int {
    CT_NULL = 0, CT_BATTERY = 1, CT_RESISTOR = 2, CT_INDUCTOR = 3, CT_CAPACITOR = 4,
    CT_DIODE = 5, CT_NPN = 6, CT_PNP = 7, CT_PMOS = 8, CT_NMOS = 9, CT_TRANSFORMER = 10,
    CT_ISPICE = 11, CT_SWITCH = 12, CT_PULSE = 13, CT_SHORT = 14, CT_TLINE = 15,
    CT_USER_SOURCE = 16, CT_SINE = 17, CT_GROUND = 18, CT_OPAMP = 19, CT_JUMPER = 20,
    CT_ISOURCE = 21, CT_MACRO = 22, CT_TIE = 23, CT_PJFET = 24, CT_NJFET = 25,
    CT_VSPICE = 30, CT_NPN4 = 36, CT_PNP4 = 38, CT_BLANK = 47, CT_GAASFET = 48,
    CT_SUBCKT = 49, CT_DINPUT = 54, CT_DOUTPUT = 55, CT_ADC = 56, CT_DAC = 57,
    CT_BUF = 58, CT_INV = 59, CT_AND = 60, CT_NAND = 61, CT_OR = 62, CT_NOR = 63,
    CT_XOR = 64, CT_NXOR = 65, CT_JKFF = 94, CT_DFF = 95, CT_SRFF = 96, CT_DLTCH = 97,
    CT_PULLUP = 98, CT_PULLDN = 99, CT_DLYLINE = 100, CT_ROM = 113, CT_RAM = 114,
    CT_VSWITCH = 115, CT_ISWITCH = 116, CT_STIM = 117, CT_NBTG = 118, CT_PBTG = 119,
    CT_LOGICEXP = 120, CT_PINDLY = 121, CT_CONSTRAINT = 122, CT_CORE = 123, CT_FSTIM = 124,
    CT_DIGITAL_LED = 125, CT_SEVEN_SEGMENT = 127, CT_DIGITAL_SWITCH = 128,
    CT_ANALOG_STATE = 129, CT_DIGITAL_STATE = 130, CT_SAMPLE_AND_HOLD = 135, CT_S_PORT = 136
};

// Pin-name base schemes (column 5); other values are string-table bases of pin 0.
enum PinNameBase : int {
    PNB_NONE = 0,
    PNB_PIN_LETTER = 8400,   // "PinA", "PinB", ...
    PNB_NO_NAMES = 8401,
    PNB_DIGITAL = 8410,      // In / Enable / Out numbered from the data fields
    PNB_USER = 8510,         // names stored in each definition
    PNB_ADC = 8570,
    PNB_DAC = 8580,
};

// Pin-scheme flags (column 10).
enum PinSchemeFlags : int32_t {
    PSF_DATA1_INPUTS = 0x01, PSF_DATA2_OUTPUTS = 0x02, PSF_DATA1_BITS = 0x04,
    PSF_DATA2_OUTPUTS_B = 0x08, PSF_DATA2_WIDTH = 0x10, PSF_DATA1_ADDRESS = 0x20,
    PSF_ARRAY = 0x100, PSF_LINE_BIT = 0x1000, PSF_ONE_SIZE = 0x2000, PSF_TWO_SIZES = 0x4000,
    PSF_THREE_SIZES = 0x8000, PSF_ONE_INPUT = 0x10000, PSF_TWO_INPUTS = 0x20000,
    PSF_DATA1_INPUT_PINS = 0x40000, PSF_ENABLE = 0x80000, PSF_ONE_OUTPUT = 0x100000,
    PSF_DATA2_OUTPUT_PINS = 0x200000, PSF_VALUE_PRINCIPAL = 0x1000000,
    PSF_ARRAYED_GATE = 0x10000000,
};

// Model type indexes used by the table (rows of the model type table).
enum ComponentModelType : int {
    MT_NONE = -1, MT_OPA = 0, MT_D, MT_NPN, MT_NMOS, MT_NJF, MT_PUL, MT_SIN, MT_TRN,
    MT_CORE, MT_GASFET, MT_VSWITCH, MT_ISWITCH, MT_CAP, MT_IND, MT_RES, MT_PNP, MT_PMOS,
    MT_PJF, MT_DOUTPUT, MT_DINPUT, MT_UADC, MT_UDAC, MT_UGATE, MT_UTGATE, MT_UEFF, MT_UGFF,
    MT_UDLY, MT_UPLD, MT_UROM, MT_URAM, MT_UBGT, MT_UIO, MT_LPNP = 38
};

// One row: 32 columns in the stored order.
struct ComponentTypeRow {
    int32_t letter;          // netlist letter, ' ' when none
    int32_t domain;          // 0 analog, 1 digital, 2 mixed
    int32_t pinDomain;       // 0 analog, 1 digital, 2 pin by pin
    int32_t helpContext;     // 6001..6133 or 0
    int32_t deviceList;      // analog device list number, -1 for none
    int32_t pinNameBase;     // see PinNameBase
    int32_t modelType;       // ComponentModelType, -1 for none
    int32_t operatorMask;
    int32_t fixedPinCount;   // -1 when derived from the pin scheme
    const char* definitionName;
    int32_t pinSchemeFlags;
    int32_t reserved11;
    int32_t defaultAttrs[9];  // AttributeId values, 0 ends the list
    int32_t attrHelp[9];      // string ids of the attributes' help texts
    int32_t reserved30, reserved31;
};

extern const ComponentTypeRow ComponentTypeTable[kComponentTypeCount];

inline bool IsValidComponentType(int type) { return type >= 0 && type < kComponentTypeCount; }

// The type whose definition name equals the text (any case); -1 when none. Types
// without a definition name are never found.
int ComponentTypeFromDefinitionName(const std::string& name);

// Derived questions; an invalid type code answers as "none"/false.
int TypeModelAttrId(int type);         // ATTR_MODEL, ATTR_TIMING_MODEL or 0
int TypeAssignNameAttrId(int type);    // attribute the component name may be copied to, or 0
int TypeFirstAttrId(int type);         // column 12, 0 when none
bool TypeCanShowPart(int type);
bool TypeCanShowFirstAttr(int type);
bool TypeHasModel(int type);
bool TypeHasDefaultAttr(int type, int attrId);
// Principal attribute: VALUE, TIMING MODEL, MODEL, FILE (Macro) or NAME (Subckt).
int TypePrincipalAttrId(int type);

}  // namespace ob7
