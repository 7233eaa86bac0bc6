#include "expression/operator_table.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

namespace ob7 {

namespace {

constexpr int16_t kAnyAnalysis = 0x4f;

// Row builders; the defaults are class 14, syntax 0x800, kinds Analog.
constexpr OperatorRow Fn(const char* name, int min, int max, int opcode, int analysis = kAnyAnalysis,
                         int32_t flags = 0, int32_t syntax = kSynAnalog, int32_t kinds = kKindAnalog,
                         int32_t device = 0) {
    return OperatorRow{name, int16_t(min), int16_t(max), 14, int16_t(opcode), int16_t(analysis), syntax,
                       kinds, flags, device, 0.0, RunVariable::None};
}

// A device quantity: the family's first row takes a node, a part or a node pair.
constexpr OperatorRow Quantity(const char* name, int opcode, int32_t unit, int32_t device, bool first) {
    return OperatorRow{name, 1, int16_t(first ? 2 : 1), 14, int16_t(opcode), 0x7,
                       first ? 0x1500 : 0x1400, kKindAnalog, unit, device, 0.0, RunVariable::None};
}

constexpr OperatorRow Var(const char* name, int opcode, int analysis, int32_t flags, RunVariable v) {
    return OperatorRow{name, 0, 0, 15, int16_t(opcode), int16_t(analysis), kSynVariable, kKindAnalog, flags, 0,
                       0.0, v};
}

constexpr OperatorRow RunTime(const char* name, int opcode, int analysis, int32_t flags) {
    return OperatorRow{name, 0, 0, 15, int16_t(opcode), int16_t(analysis), kSynRunTime, kKindAnalog, flags, 0,
                       0.0, RunVariable::None};
}

constexpr OperatorRow Op(const char* name, int cls, int opcode, int32_t kinds) {
    return OperatorRow{name, 0, 0, int16_t(cls), int16_t(opcode), kAnyAnalysis, kSynOperator, kinds, 0, 0, 0.0,
                       RunVariable::None};
}

constexpr OperatorRow Transition(const char* name, int opcode) {
    return OperatorRow{name, 0, 0, 15, int16_t(opcode), 0x7, kSynRunTime, kKindTrn, 0, kDevDigitalFunction, 0.0,
                       RunVariable::None};
}

constexpr OperatorRow Perf(const char* name, int args, int opcode) {
    return Fn(name, args, args, opcode, kMaskPerformance, kFlagPerformance, kSynPerformance);
}

constexpr OperatorRow Curve(const char* name, int opcode) {
    return OperatorRow{name, 0, 0, 15, int16_t(opcode), 0x17, kSynVariable, kKindAnalog, kFlagImport, 0, 0.0,
                       RunVariable::None};
}

constexpr OperatorRow Digital(const char* name, int min, int max, int opcode, int analysis, int32_t syntax,
                              int32_t kinds, int32_t flags, int32_t device) {
    return Fn(name, min, max, opcode, analysis, flags, syntax, kinds, device);
}

constexpr OperatorRow Constant(const char* name, int32_t kinds, int32_t flags, double value) {
    return OperatorRow{name, 0, 0, 15, 0, kAnyAnalysis, kSynConstant, kinds, flags, 0, value, RunVariable::None};
}

constexpr int32_t kVolt = 0x1, kAmp = 0x2, kCoulomb = 0x4, kFarad = 0x8, kFlux = 0x10, kHenry = 0x20,
                  kOhm = 0x40, kDegree = 0x80, kRadian = 0x100, kFluxDensity = 0x200, kFieldStrength = 0x400,
                  kSecond = 0x800, kLaplace = 0x1000, kHertz = 0x2000, kNoise = 0x8000, kTemperature = 0x10000;

OperatorRow g_rows[] = {
    // The constant E comes first; its value is set with the predefined symbols.
    OperatorRow{"E", 0, 0, 15, 0, kAnyAnalysis, kSynConstant, kKindAnalog, 0, 0, 2.718281828459045, RunVariable::None},

    // Device quantities.
    Quantity("V", 11, kVolt, 0xc000, true),
    Quantity("VA", 11, kVolt, 0x2000, false), Quantity("VAP", 11, kVolt, 0x2000, false),
    Quantity("VAM", 11, kVolt, 0x2000, false), Quantity("VBP", 11, kVolt, 0x2000, false),
    Quantity("VBM", 11, kVolt, 0x2000, false), Quantity("VB", 11, kVolt, 0x2030, false),
    Quantity("VBC", 11, kVolt, 0x10, false), Quantity("VBE", 11, kVolt, 0x10, false),
    Quantity("VC", 11, kVolt, 0x10, false), Quantity("VCB", 11, kVolt, 0x10, false),
    Quantity("VCE", 11, kVolt, 0x10, false), Quantity("VCS", 11, kVolt, 0x10, false),
    Quantity("VE", 11, kVolt, 0x10, false), Quantity("VEB", 11, kVolt, 0x10, false),
    Quantity("VEC", 11, kVolt, 0x10, false), Quantity("VES", 11, kVolt, 0x10, false),
    Quantity("VSC", 11, kVolt, 0x10, false), Quantity("VSE", 11, kVolt, 0x10, false),
    Quantity("VBS", 11, kVolt, 0x30, false), Quantity("VSB", 11, kVolt, 0x30, false),
    Quantity("VBG", 11, kVolt, 0x20, false), Quantity("VBD", 11, kVolt, 0x20, false),
    Quantity("VGB", 11, kVolt, 0x20, false), Quantity("VDB", 11, kVolt, 0x20, false),
    Quantity("VS", 11, kVolt, 0xf0, false),
    Quantity("VSG", 11, kVolt, 0xe0, false), Quantity("VSD", 11, kVolt, 0xe0, false),
    Quantity("VG", 11, kVolt, 0xe0, false), Quantity("VGD", 11, kVolt, 0xe0, false),
    Quantity("VGS", 11, kVolt, 0xe0, false), Quantity("VD", 11, kVolt, 0xe0, false),
    Quantity("VDG", 11, kVolt, 0xe0, false), Quantity("VDS", 11, kVolt, 0xe0, false),
    Quantity("VEE", 11, kVolt, 0x200, false), Quantity("VCC", 11, kVolt, 0x200, false),
    Quantity("VP", 11, kVolt, 0x200, false), Quantity("VM", 11, kVolt, 0x200, false),
    Quantity("VPM", 11, kVolt, 0x200, false), Quantity("VOUT", 11, kVolt, 0x200, false),
    Quantity("I", 12, kAmp, 0x5d0f, true),
    Quantity("IA", 12, kAmp, 0x2000, false), Quantity("IB", 12, kAmp, 0x2030, false),
    Quantity("IC", 12, kAmp, 0x10, false), Quantity("IE", 12, kAmp, 0x10, false),
    Quantity("IS", 12, kAmp, 0xf0, false),
    Quantity("IG", 12, kAmp, 0xe0, false), Quantity("ID", 12, kAmp, 0xe0, false),
    Quantity("Q", 15, kCoulomb, 0xa, true),
    Quantity("QBE", 15, kCoulomb, 0x10, false), Quantity("QEB", 15, kCoulomb, 0x10, false),
    Quantity("QBC", 15, kCoulomb, 0x10, false), Quantity("QCB", 15, kCoulomb, 0x10, false),
    Quantity("QCS", 15, kCoulomb, 0x10, false), Quantity("QSC", 15, kCoulomb, 0x10, false),
    Quantity("QGS", 15, kCoulomb, 0xe0, false), Quantity("QSG", 15, kCoulomb, 0xe0, false),
    Quantity("QGD", 15, kCoulomb, 0xe0, false), Quantity("QDG", 15, kCoulomb, 0xe0, false),
    Quantity("QGB", 15, kCoulomb, 0x20, false), Quantity("QBG", 15, kCoulomb, 0x20, false),
    Quantity("QBD", 15, kCoulomb, 0x20, false), Quantity("QDB", 15, kCoulomb, 0x20, false),
    Quantity("QBS", 15, kCoulomb, 0x20, false), Quantity("QSB", 15, kCoulomb, 0x20, false),
    Quantity("C", 16, kFarad, 0xa, true),
    Quantity("CBE", 16, kFarad, 0x10, false), Quantity("CEB", 16, kFarad, 0x10, false),
    Quantity("CBC", 16, kFarad, 0x10, false), Quantity("CCB", 16, kFarad, 0x10, false),
    Quantity("CCS", 16, kFarad, 0x10, false), Quantity("CSCX", 16, kFarad, 0x10, false),
    Quantity("CGS", 16, kFarad, 0xe0, false), Quantity("CSG", 16, kFarad, 0xe0, false),
    Quantity("CGD", 16, kFarad, 0xe0, false), Quantity("CDG", 16, kFarad, 0xe0, false),
    Quantity("CGB", 16, kFarad, 0x20, false), Quantity("CBG", 16, kFarad, 0x20, false),
    Quantity("CBD", 16, kFarad, 0x20, false), Quantity("CDB", 16, kFarad, 0x20, false),
    Quantity("CBS", 16, kFarad, 0x20, false), Quantity("CSB", 16, kFarad, 0x20, false),
    Fn("X", 1, 2, 17, 0x7, kFlux, 0x1500, kKindAnalog, kDevInductor),
    Fn("L", 1, 2, 18, 0x7, kHenry, 0x1500, kKindAnalog, kDevInductor),
    Fn("R", 1, 2, 19, 0x7, kOhm, 0x1500, kKindAnalog, kDevResistor),
    Fn("B", 1, 2, 13, 0x7, kFluxDensity, 0x500, kKindAnalog, kDevInductor),
    Fn("H", 1, 2, 14, 0x7, kFieldStrength, 0x500, kKindAnalog, kDevInductor),

    // Power and energy: totals are variables, per-part rows take a part name.
    Var("EGT", 21, 0x9, 0, RunVariable::PowerGenerated),
    Var("EDT", 21, 0x9, 0, RunVariable::PowerDissipated),
    Var("EST", 21, 0x9, 0, RunVariable::PowerStored),
    Fn("ES", 1, 1, 21, 0x1, 0, 0x1400, kKindAnalog, 0xfe),
    Fn("ED", 1, 1, 21, 0x1, 0, 0x1400, kKindAnalog, 0xf9),
    Fn("EG", 1, 1, 21, 0x1, 0, 0x1400, kKindAnalog, 0x25d00),
    Var("PGT", 20, 0xd, 0, RunVariable::PowerGenerated),
    Var("PDT", 20, 0xd, 0, RunVariable::PowerDissipated),
    Var("PST", 20, 0x9, 0, RunVariable::PowerStored),
    Fn("PG", 1, 1, 20, 0x5, 0, 0x1400, kKindAnalog, 0x25d00),
    Fn("PD", 1, 1, 20, 0x5, 0, 0x1400, kKindAnalog, 0xf9),
    Fn("PS", 1, 1, 20, 0x1, 0, 0x1400, kKindAnalog, 0xfe),

    // System variables.
    Var("ANALYSIS", 0, 0x7, 0, RunVariable::Analysis),
    Var("DCINPUT1", 0, 0x14, 0, RunVariable::DcInput),
    Var("TMIN", 0, 0xf, kSecond, RunVariable::Tmin),
    Var("TMAX", 0, 0xf, kSecond, RunVariable::Tmax),
    Var("FMIN", 0, 0xf, kHertz, RunVariable::Fmin),
    Var("FMAX", 0, 0xf, kHertz, RunVariable::Fmax),
    Var("GMIN", 0, 0x7, int32_t(0x80000000u), RunVariable::Gmin),
    Var("DT", 0, 0x1, 0, RunVariable::Dt),
    Var("VT", 0, 0x7, kVolt, RunVariable::Vt),
    Var("TEMP", 0, 0x47, kTemperature, RunVariable::Temp),
    Var("T", 0, 0x7, kSecond, RunVariable::Time),
    Var("TIME", 0, 0x7, kSecond, RunVariable::Time),
    Var("F", 0, 0x7, kHertz, RunVariable::Frequency),
    RunTime("S", 29, 0x7, kLaplace),

    // Complex parts.
    Fn("RE", 1, 1, 35, 0xf, kFlagKeepsUnit), Fn("REAL", 1, 1, 35, 0xf, kFlagKeepsUnit),
    Fn("IM", 1, 1, 36, 0xf, kFlagKeepsUnit), Fn("IMG", 1, 1, 36, 0xf, kFlagKeepsUnit),
    Fn("IMAG", 1, 1, 36, 0xf, kFlagKeepsUnit),
    Fn("MAG", 1, 1, 37, 0xf, kFlagKeepsUnit), Fn("M", 1, 1, 37, 0xf, kFlagKeepsUnit),
    Fn("PH", 1, 1, 38, 0x37, 0x80080), Fn("PHASE", 1, 1, 38, 0x37, 0x80080), Fn("P", 1, 1, 38, 0x37, 0x80080),
    Fn("GD", 1, 1, 39, 0x37, kFlagStateful),

    // Noise.
    OperatorRow{"INOISE", 0, 0, 15, 40, 0x12, kSynRunTime, kKindAnalog, kNoise, 0, 0.0, RunVariable::None},
    OperatorRow{"ONOISE", 0, 0, 15, 41, 0x12, kSynRunTime, kKindAnalog, kNoise, 0, 0.0, RunVariable::None},

    // Vector (DSP) functions.
    Fn("FFT", 1, 1, 48, 0x13, kFlagVector), Fn("HARM", 1, 1, 47, 0x13, kFlagVector),
    Fn("IFT", 1, 1, 49, 0x13, kFlagVector), Fn("CONJ", 1, 1, 50, 0x13, kFlagVector),
    Fn("PSD", 1, 1, 51, 0x13, kFlagVector), Fn("AS", 1, 1, 55, 0x13, kFlagVector),
    Fn("AC", 1, 1, 56, 0x13, kFlagVector),
    Fn("CMUL", 2, 2, 52, 0x13, kFlagVector), Fn("CS", 2, 2, 53, 0x13, kFlagVector),
    Fn("CC", 2, 2, 54, 0x13, kFlagVector),
    Fn("COH", 2, 2, 57, 0x13, 0x60000),
    Fn("THD", 1, 2, 66, 0x13, 0x24000), Fn("IHD", 1, 2, 67, 0x13, 0x24000),

    // Calculus, stateful.
    Fn("SUM", 2, 3, 43, 0x7, 0xa0000), Fn("DEL", 1, 2, 44, 0x17, 0x400a0000),
    Fn("DDT", 1, 1, 157, 0x11, kFlagStateful), Fn("DD", 1, 1, 578, 0x17, kFlagStateful),
    Fn("SDT", 1, 2, 158, 0x11, kFlagStateful), Fn("SD", 1, 2, 579, 0x17, kFlagStateful),
    Fn("RMS", 1, 2, 45, 0x17, 0xa0000), Fn("AVG", 1, 2, 46, 0x17, 0x400a0000),

    // Math.
    Fn("PWR", 2, 2, 159), Fn("PWRS", 2, 2, 160), Fn("POW", 2, 2, 68),
    Fn("LOG", 1, 1, 75), Fn("LOG10", 1, 1, 75), Fn("LN", 1, 1, 71), Fn("EXP", 1, 1, 72),
    Fn("SIN", 1, 1, 580), Fn("COS", 1, 1, 581), Fn("TAN", 1, 1, 582), Fn("COT", 1, 1, 583),
    Fn("SEC", 1, 1, 584), Fn("CSC", 1, 1, 585), Fn("ASIN", 1, 1, 586), Fn("ACOS", 1, 1, 587),
    Fn("ATN", 1, 1, 588, kAnyAnalysis, kRadian), Fn("ARCTAN", 1, 1, 588, kAnyAnalysis, kRadian),
    Fn("ATAN", 1, 1, 588, kAnyAnalysis, kRadian), Fn("ATAN2", 2, 2, 152, kAnyAnalysis, kRadian),
    Fn("ACOT", 1, 1, 589), Fn("ASEC", 1, 1, 590), Fn("ACSC", 1, 1, 591),
    Fn("SINH", 1, 1, 592), Fn("COSH", 1, 1, 593), Fn("TANH", 1, 1, 594), Fn("COTH", 1, 1, 595),
    Fn("SECH", 1, 1, 596), Fn("CSCH", 1, 1, 597),
    Fn("ASINH", 1, 1, 598), Fn("ACOSH", 1, 1, 599), Fn("ATANH", 1, 1, 600), Fn("ACOTH", 1, 1, 601),
    Fn("ASECH", 1, 1, 602), Fn("ACSCH", 1, 1, 603),
    Fn("MIN", 2, 2, 153, kAnyAnalysis, kFlagKeepsUnit), Fn("MAX", 2, 2, 154, kAnyAnalysis, kFlagKeepsUnit),
    Fn("IF", 3, 3, 155), Fn("LIMIT", 3, 3, 156), Fn("TABLE", 3, 1001, 162),
    Fn("J0", 1, 1, 568), Fn("J1", 1, 1, 569), Fn("JN", 2, 3, 570),
    Fn("Y0", 1, 1, 571), Fn("Y1", 1, 1, 572), Fn("YN", 2, 3, 573), Fn("FACT", 1, 1, 575),
    Fn("SERIES", 4, 4, 574, 0xf), Fn("DER", 2, 2, 168, 0xf),
    Fn("ABS", 1, 1, 73, kAnyAnalysis, kFlagKeepsUnit), Fn("DB", 1, 1, 76), Fn("SGN", 1, 1, 78),
    Fn("SQRT", 1, 1, 77),
    RunTime("RND", 79, kAnyAnalysis, 0),
    Fn("STP", 1, 1, 150, 0x7, kFlagStp, kSynAnalog | kSynRunTime),
    Fn("IMPULSE", 1, 1, 151, 0x7, kFlagImpulse, kSynAnalog | kSynRunTime),

    // Performance functions.
    Perf("RISE_TIME", 5, 520), Perf("FALL_TIME", 5, 521), Perf("PEAK_X", 3, 522), Perf("PEAK", 3, 523),
    Perf("PEAK_Y", 3, 523), Perf("VALLEY_X", 3, 524), Perf("VALLEY", 3, 525), Perf("VALLEY_Y", 3, 525),
    Perf("PEAK_VALLEY", 3, 526), Perf("PERIOD", 3, 527), Perf("FREQUENCY", 3, 528), Perf("WIDTH", 4, 529),
    Perf("HIGH_X", 2, 530), Perf("HIGH", 2, 531), Perf("HIGH_Y", 2, 531), Perf("LOW_X", 2, 532),
    Perf("LOW", 2, 533), Perf("LOW_Y", 2, 533), Perf("X_LEVEL", 4, 534), Perf("Y_LEVEL", 4, 535),
    Perf("X_DELTA", 5, 536), Perf("Y_DELTA", 5, 537), Perf("X_RANGE", 5, 538), Perf("Y_RANGE", 5, 539),
    Perf("SLOPE", 4, 540), Perf("PHASE_MARGIN", 1, 541),

    // Curves and imports.
    Curve("CURVEX", 551), Curve("WAVEFORMX", 551), Curve("CURVEY", 552), Curve("WAVEFORMY", 552),
    Curve("IMPORT", 42), Curve("IMP", 42),

    // Digital.
    Digital("DIFA", 2, 3, 122, 0x17, 0x800, kKindDif, kFlagDifference, 0),
    Digital("D", 1, 1, 120, 0x5, 0x1100, kKind5State, kFlagDigitalConstants, kDevDigitalFunction),
    Digital("DIFD", 2, 3, 127, 0x17, 0x840, kKindDif, 0x2100000, kDevDigitalFunction),
    Digital("BIN", 1, 32, 121, 0x5, 0x100, kKindBin, 0x900000, kDevDigitalFunction),
    Digital("BINARY", 1, 32, 121, 0x5, 0x100, kKindBin, 0x900000, kDevDigitalFunction),
    Digital("OCT", 1, 32, 121, 0x5, 0x100, kKindOct, 0x500000, kDevDigitalFunction),
    Digital("DEC", 1, 32, 121, 0x5, 0x100, kKindDec, 0x4100000, kDevDigitalFunction),
    Digital("HEX", 1, 32, 121, 0x5, 0x100, kKindHex, 0x300000, kDevDigitalFunction),
    Digital("CASE", 1, 200, 123, 0x7, 0x2e8, kKindPinDly, 0, kDevDigitalFunction),
    Digital("DELAY", 3, 3, 512, 0x7, 0x804, kKindPinDly, 0, kDevDigitalFunction),
    Digital("CHANGED", 2, 2, 513, 0x7, 0x805, kKind2State, 0, kDevDigitalFunction),
    Digital("CHANGED_LH", 2, 2, 514, 0x7, 0x805, kKind2State, 0, kDevDigitalFunction),
    Digital("CHANGED_HL", 2, 2, 515, 0x7, 0x805, kKind2State, 0, kDevDigitalFunction),

    // Transition names: 0x100 | old level bit (0x10 L, 0x20 H, 0x40 Z, 0x80 any) | new level bit.
    Transition("TRN_LH", 274), Transition("TRN_LZ", 276), Transition("TRN_L$", 280),
    Transition("TRN_HL", 289), Transition("TRN_HZ", 292), Transition("TRN_H$", 296),
    Transition("TRN_ZL", 321), Transition("TRN_ZH", 322), Transition("TRN_Z$", 328),
    Transition("TRN_$L", 385), Transition("TRN_$H", 386), Transition("TRN_$Z", 388),

    // Operators.
    Op("<", 9, 91, 0x800), Op(">", 9, 92, 0x800), Op(">=", 9, 93, 0x800), Op("<=", 9, 94, 0x800),
    Op("!=", 8, 95, 0x820), Op("<>", 8, 95, 0x800), Op("==", 8, 96, 0x820), Op("=", 8, 96, 0x800),
    Op("**", 13, 68, 0x800), Op("*", 11, 100, 0x800), Op("/", 11, 101, 0x800),
    Op("+", 10, 102, 0x3c800), Op("-", 10, 103, 0x3c800), Op("~", 12, 104, 0x3c860),
    Op("&", 7, 105, 0x3c860), Op("^", 6, 106, 0x3c860), Op("|", 5, 107, 0x3c860),
    Op("AND", 4, 80, 0x800), Op("NAND", 4, 115, 0x800), Op("OR", 2, 81, 0x800), Op("NOR", 2, 116, 0x800),
    Op("XOR", 3, 82, 0x800), Op("NOT", 12, 74, 0x800), Op("DIV", 11, 70, 0x3c800), Op("MOD", 11, 69, 0x3c800),

    // The predefined symbols: J, the analysis-kind numbers to compare with ANALYSIS, PI,
    // and the two truth values that 2-state expressions accept as well.
    OperatorRow{"J", 0, 0, 15, 161, kAnyAnalysis, kSynRunTime, kKindAnalog, 0, 0, 0.0, RunVariable::None},
    Constant("_AC", kKindAnalog, 0, 1.0), Constant("_DC", kKindAnalog, 0, 2.0),
    Constant("_TRANSIENT", kKindAnalog, 0, 0.0), Constant("_DYNAMICDC", kKindAnalog, 0, 3.0),
    Constant("_TF", kKindAnalog, 0, 4.0), Constant("_SENS", kKindAnalog, 0, 5.0),
    Constant("PI", kKindAnalog, 0, 3.141592653589793),
    Constant("TRUE", 0x820, kFlagDigitalResult, 1.0), Constant("FALSE", 0x820, kFlagDigitalResult, 0.0),
};

constexpr int kRowCount = int(sizeof(g_rows) / sizeof(g_rows[0]));

int g_first_letter[256];
bool g_first_letter_built = false;

bool EqualNoCase(std::string_view a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(b[i])) return false;
    }
    return true;
}

const OperatorRow* FindByName(std::string_view name) {
    for (const OperatorRow& row : g_rows) {
        if (row.name[0] && EqualNoCase(name, row.name)) return &row;
    }
    return nullptr;
}

const OperatorRow* FindByOpcode(int opcode) {
    for (const OperatorRow& row : g_rows) {
        if (row.name[0] && row.opcode == opcode) return &row;
    }
    return nullptr;
}

void BuildFirstLetterIndex() {
    for (int& e : g_first_letter) e = kRowCount;
    for (int i = kRowCount - 1; i >= 0; --i) {
        auto c = static_cast<unsigned char>(g_rows[i].name[0]);
        if (c) g_first_letter[c] = i;
    }
    g_first_letter_built = true;
}

}  // namespace

const OperatorRow* OperatorTableRows() { return g_rows; }

int OperatorTableSize() { return kRowCount; }

// The predefined symbols are rows of the table from program load; only e is computed.
void InitPredefinedSymbols() { g_rows[0].value = std::exp(1.0); }

int FirstRowForLetter(unsigned char c) {
    if (!g_first_letter_built) BuildFirstLetterIndex();
    return g_first_letter[std::toupper(c)];
}

bool IsFunctionName(std::string_view name) {
    for (const OperatorRow& row : g_rows) {
        if ((row.syntax & kSynNode) && row.name[0] && EqualNoCase(name, row.name)) return true;
    }
    return false;
}

bool IsCircuitVariableFunction(std::string_view name) {
    for (const OperatorRow& row : g_rows) {
        if ((row.syntax & (kSynNode | kSynPart)) && row.name[0] && EqualNoCase(name, row.name)) return true;
    }
    return false;
}

const char* OperatorNameByOpcode(int opcode) {
    if (opcode == 110) return "-";
    const OperatorRow* row = FindByOpcode(opcode);
    return row ? row->name : nullptr;
}

const char* VariableNameByPointer(const RunValues& run, const double* p) {
    for (const OperatorRow& row : g_rows) {
        if (row.syntax == kSynVariable && row.variable != RunVariable::None &&
            RunVariableAddress(run, row.variable) == p)
            return row.name;
    }
    return nullptr;
}

int MaxArgsByOpcode(int opcode) {
    const OperatorRow* row = FindByOpcode(opcode);
    return row ? row->max_args : 0;
}

bool MinArgsByOpcodeNonZero(int opcode) {
    const OperatorRow* row = FindByOpcode(opcode);
    return row && row->min_args != 0;
}

bool IsOperatorOpcode(int opcode) {
    for (const OperatorRow& row : g_rows) {
        if (row.name[0] && row.opcode == opcode && row.syntax == kSynOperator) return true;
    }
    return false;
}

int FunctionDeviceMask(std::string_view name) {
    const OperatorRow* row = FindByName(name);
    return row ? row->device_mask : 0;
}

bool IsTableSymbolName(std::string_view name) {
    const OperatorRow* row = FindByName(name);
    return row && (row->min_args != 0 || (row->result_flags & kFlagImport));
}

int FunctionMinArgsByName(std::string_view name) {
    const OperatorRow* row = FindByName(name);
    return row ? row->min_args : 0;
}

bool IsDeviceQuantityName(std::string_view name) {
    const OperatorRow* row = FindByName(name);
    return row && (row->syntax & (kSynNode | kSynPart)) && row->min_args >= 1;
}

bool StartsWithFunctionName(std::string_view text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    for (const OperatorRow& row : g_rows) {
        size_t n = std::strlen(row.name);
        if (n && row.min_args > 0 && text.size() >= n && EqualNoCase(text.substr(0, n), row.name)) return true;
    }
    return false;
}

bool IsKnownFunctionChar(std::string_view text, bool all_rows) {
    if (!all_rows) {
        // Characters of the names of rows without arguments (operators, variables, constants).
        static bool built = false;
        static bool allowed[256];
        if (!built) {
            for (const OperatorRow& row : g_rows) {
                if (row.max_args != 0) continue;
                for (const char* p = row.name; *p; ++p) {
                    allowed[static_cast<unsigned char>(*p)] = true;
                    allowed[std::tolower(static_cast<unsigned char>(*p))] = true;
                }
            }
            built = true;
        }
        for (char c : text) {
            if (!allowed[static_cast<unsigned char>(c)]) return false;
        }
    }
    for (const OperatorRow& row : g_rows) {
        if (!row.name[0] || (!all_rows && row.max_args != 0)) continue;
        if (EqualNoCase(text, row.name)) return true;
    }
    return false;
}

int ListDeviceFunctionNames(int32_t device_kind, std::string_view part, char letter, const char* wrapper,
                            bool ac_analysis, std::vector<std::string>* out) {
    int count = 0;
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    for (const OperatorRow& row : g_rows) {
        if (row.min_args == 0 || row.name[0] != upper || !(row.device_mask & device_kind)) continue;
        ++count;
        if (!out) continue;
        std::string name = std::string(row.name) + "(" + std::string(part) + ")";
        if (ac_analysis && wrapper) name = std::string(wrapper) + "(" + name + ")";
        out->push_back(std::move(name));
    }
    return count;
}

}  // namespace ob7
