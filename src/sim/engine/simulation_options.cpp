#include "sim/engine/simulation_options.h"

#include <cmath>
#include <cstdio>
#include <strings.h>

#include "foundation/numbers.h"
#include "foundation/profile.h"
#include "sim/engine/integration.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

// The standard set as values, so that the engine never runs on zero tolerances before
// the settings are read.
const SimulationOptionValues kStandardOptionValues = {
    1e-12, 1e-14, 0, 0, 100e-6, 100e-6, 2, 20e3,  // abstol .. digdrvz
    20, 10000,                                    // digerrdefault, digerrlimit
    10e9,                                         // digfreq
    0, 2, 2,                                      // diginitstate, digiolvl, digmntymx
    0.4, 3, 1.6, 1e-12,                           // digmntyscale .. gmin
    100, 50, 10, 0,                               // itl1, itl2, itl4, nooutmsg
    1e-3, 1e-13, 1e-3, 2.58, 27, 7,               // pivrel .. trtol
    0,                                            // trytocompact
    1e-6,                                         // vntol
    80, 0, 1, 2,                                  // width .. perform_m
    1e-6,                                         // rmin
    0,                                            // numeric_derivative
};
SimulationOptionValues Options = kStandardOptionValues;
std::string OptionTexts[kOptionCount];
int32_t Method = 1;

namespace {
using V = SimulationOptionValues;
constexpr double kIntMax = 2147483647;
constexpr OptionType R = kOptionReal, I = kOptionInteger, F = kOptionFlag;

#define REAL(field) &V::field, nullptr
#define INT(field) nullptr, &V::field
}  // namespace

const SimulationOptionRow SimulationOptionTable[kOptionCount] = {
    {5600, "ABSTOL", REAL(abstol), "1pA", "1uA", 1e-18, 1, R, 0x43, true},
    {5601, "CHGTOL", REAL(chgtol), ".01pC", "1nC", 1e-30, 1, R, 0x43, true},
    {5603, "DEFAD", REAL(defad), "0", "0", 0, 1e30, R, 0x43, true},
    {5604, "DEFAS", REAL(defas), "0", "0", 0, 1e30, R, 0x43, true},
    {5605, "DEFL", REAL(defl), "100u", "100u", 1e-15, 1e30, R, 0x43, true},
    {5606, "DEFW", REAL(defw), "100u", "100u", 1e-15, 1e30, R, 0x43, true},
    {5607, "DIGDRVF", REAL(digdrvf), "2", "2", 1, 1e30, R, 0x41, false},
    {5608, "DIGDRVZ", REAL(digdrvz), "20K", "20K", 1, 1e30, R, 0x41, false},
    {5609, "DIGERRDEFAULT", INT(digerrdefault), "20", "20", 1, kIntMax, I, 0x41, false},
    {5610, "DIGERRLIMIT", INT(digerrlimit), "10K", "10K", 1, kIntMax, I, 0x41, false},
    {5611, "DIGFREQ", REAL(digfreq), "10GHz", "10GHz", 1, 1e30, R, 0x41, false},
    {5612, "DIGINITSTATE", INT(diginitstate), "0", "0", 0, kIntMax, I, 0x41, false},
    {5613, "DIGIOLVL", INT(digiolvl), "2", "2", 1, 5, I, 0x41, false},
    {5614, "DIGMNTYMX", INT(digmntymx), "2", "2", 0, 5, I, 0x41, false},
    {5615, "DIGMNTYSCALE", REAL(digmntyscale), "0.4", "0.4", 0, 1, R, 0x41, false},
    {5616, "DIGOVRDRV", REAL(digovrdrv), "3", "3", 1, 1e30, R, 0x41, false},
    {5617, "DIGTYMXSCALE", REAL(digtymxscale), "1.6", "1.6", 1, 1e30, R, 0x41, false},
    {5618, "GMIN", REAL(gmin), "1p", "1n", 1e-20, 1e30, R, 0x43, false},
    {5619, "ITL1", INT(itl1), "100", "200", 1, kIntMax, I, 0x43, true},
    {5620, "ITL2", INT(itl2), "50", "50", 1, kIntMax, I, 0x43, true},
    {5621, "ITL4", INT(itl4), "10", "10", 1, kIntMax, I, 0x43, true},
    {5624, "NOOUTMSG", INT(nooutmsg), "0", "0", 0, 1, F, 0x41, true},
    {5625, "PIVREL", REAL(pivrel), "1m", "1m", 1e-50, 1, R, 0x43, true},
    {5626, "PIVTOL", REAL(pivtol), ".1p", ".1p", 1e-50, 1, R, 0x43, true},
    {5627, "RELTOL", REAL(reltol), "1m", "10m", 1e-50, 1, R, 0x43, true},
    {5628, "SD", REAL(sd), "2.58", "2.58", 1, 10, R, 0, true},
    {5629, "TNOM", REAL(tnom), "27", "27", 0, 50, R, 0x43, true},
    {5630, "TRTOL", REAL(trtol), "7", "7", 1, 100, R, 0x43, true},
    {5631, "TRYTOCOMPACT", INT(trytocompact), "0", "0", 0, 1, F, 0x40, true},
    {5632, "VNTOL", REAL(vntol), "1u", "1m", 1e-30, 1e30, R, 0x43, true},
    {5633, "WIDTH", INT(width), "80", "80", 10, 1000, I, 0x43, true},
    {5634, "PRIVATEDIGITAL", INT(privatedigital), "0", "0", 0, 1, F, 0, false},
    {5635, "PRIVATEANALOG", INT(privateanalog), "1", "1", 0, 1, F, 0, false},
    {5638, "PERFORM_M", INT(perform_m), "2", "2", 0, 2, I, 0, true},
    {5639, "RMIN", REAL(rmin), "1u", "1u", 1e-30, 1e30, R, 0, false},
    {5643, "NUMERIC_DERIVATIVE", INT(numeric_derivative), "0", "0", 0, 1, F, 0, false},
};

#undef REAL
#undef INT

namespace {

void ParseRow(int row) {
    const SimulationOptionRow& option = SimulationOptionTable[row];
    std::string& text = OptionTexts[row];
    char rewritten[32];
    if (option.type == kOptionReal) {
        int code = 0;
        double value = EvalNumberOrExpression(text.c_str(), &code);
        const double clamped = std::fmin(std::fmax(value, option.minimum), option.maximum);
        if (clamped != value || std::isnan(value)) {
            value = std::isnan(value) ? option.minimum : clamped;
            std::snprintf(rewritten, sizeof rewritten, "%g", value);
            text = rewritten;
        }
        Options.*option.real = value;
    } else {
        int32_t value = ParseInt(text.c_str());
        const int32_t low = static_cast<int32_t>(option.minimum);
        const int32_t high = static_cast<int32_t>(option.maximum);
        if (value < low || value > high) {
            value = value < low ? low : high;
            std::snprintf(rewritten, sizeof rewritten, "%d", value);
            text = rewritten;
        }
        Options.*option.integer = value;
    }
}

}  // namespace

int FindOption(const std::string& name) {
    for (int row = 0; row < kOptionCount; ++row)
        if (strcasecmp(SimulationOptionTable[row].name, name.c_str()) == 0) return row;
    return -1;
}

void ParseSimulationOptions(bool all) {
    FillOptionDefaultTexts(0);
    for (int row = 0; row < kOptionCount; ++row)
        if (all || IsOptionEditable(row)) ParseRow(row);
    WorkingMethod = Method;
    Run.gmin = Options.gmin;  // the GMIN of expressions
}

void FillOptionDefaultTexts(int flags) {
    const bool every = (flags & 1) != 0;
    for (int row = 0; row < kOptionCount; ++row)
        if (every || OptionTexts[row].empty()) OptionTexts[row] = SimulationOptionTable[row].standard_default;
    if (every) Method = kTrapezoidal;
}

void LoadOptionDefaultSet(int set) {
    for (int row = 0; row < kOptionCount; ++row) {
        const SimulationOptionRow& option = SimulationOptionTable[row];
        OptionTexts[row] = set == 2 ? option.power_default : option.standard_default;
    }
    Method = set == 2 ? kGear : kTrapezoidal;
}

bool IsOptionEditable(int row_or_control) {
    if (row_or_control == kGearControl || row_or_control == kTrapezoidalControl) return true;
    if (AnalysisKind == -1) return true;
    int row = row_or_control;
    if (row >= kOptionCount) {
        row = -1;
        for (int r = 0; r < kOptionCount; ++r)
            if (SimulationOptionTable[r].control_id == row_or_control) row = r;
    }
    return row >= 0 && SimulationOptionTable[row].changeable_during_run;
}

void WriteGlobalSettingsSection(Profile& profile) {
    for (int row = 0; row < kOptionCount; ++row)
        profile.WriteString(SimulationOptionTable[row].name, OptionTexts[row].c_str());
    profile.WriteString("METHOD", Method == kTrapezoidal ? "TRAP" : "GEAR");
    ParseSimulationOptions(true);
}

void ReadGlobalSettingsSection(Profile& profile) {
    std::string entry, key, value;
    while (profile.NextEntry(entry)) {
        SplitKeyValue(entry.c_str(), key, value);
        const int row = FindOption(key);
        if (row >= 0) OptionTexts[row] = value;
        else if (key == "METHOD") Method = strcasecmp(value.c_str(), "GEAR") == 0 ? kGear : kTrapezoidal;
    }
    ParseSimulationOptions(true);
}

}  // namespace ob7
