#pragma once
// The global simulation options: texts with two default sets, typed values clamped to
// their limits, and their place in the settings profile.

#include <cstdint>
#include <string>

namespace ob7 {

// The typed values that the engine, the device models and the digital simulator read.
struct SimulationOptionValues {
    double abstol, chgtol, defad, defas, defl, defw, digdrvf, digdrvz;
    int32_t digerrdefault, digerrlimit;
    double digfreq;
    int32_t diginitstate, digiolvl, digmntymx;
    double digmntyscale, digovrdrv, digtymxscale, gmin;
    int32_t itl1, itl2, itl4, nooutmsg;
    double pivrel, pivtol, reltol, sd, tnom, trtol;
    int32_t trytocompact;
    double vntol;
    int32_t width, privatedigital, privateanalog, perform_m;
    double rmin;
    int32_t numeric_derivative;
};
extern SimulationOptionValues Options;
extern const SimulationOptionValues kStandardOptionValues;

enum OptionType : int16_t { kOptionInteger = 1, kOptionReal = 2, kOptionFlag = 3 };

// Export bits: which SPICE dialects write the option.
enum : uint16_t { kExportPspice = 0x01, kExportSpice2 = 0x02, kExportSpice3 = 0x40 };

struct SimulationOptionRow {
    int32_t control_id;  // dialog control, also the string id of the help text
    const char* name;
    double SimulationOptionValues::*real;     // set for real rows
    int32_t SimulationOptionValues::*integer; // set for integer and flag rows
    const char* standard_default;             // set 1: most circuits
    const char* power_default;                // set 2: high-power circuits
    double minimum, maximum;
    OptionType type;
    uint16_t export_bits;
    bool changeable_during_run;
};

inline constexpr int kOptionCount = 36;
extern const SimulationOptionRow SimulationOptionTable[kOptionCount];

// The option texts in row order, as the user and the .OPTIONS statement gave them.
extern std::string OptionTexts[kOptionCount];

// METHOD: 1 trapezoidal, 0 Gear. Its radio controls in the settings dialog.
extern int32_t Method;
inline constexpr int kGearControl = 5636;
inline constexpr int kTrapezoidalControl = 5637;

// Row index of an option name (case-insensitive), or -1.
int FindOption(const std::string& name);

// Empty texts take their standard default; then every row (all) or only the rows
// editable now are parsed and clamped, a clamped text being rewritten. The working
// integration method then takes METHOD.
void ParseSimulationOptions(bool all);

// Copies the standard default into every empty text, or into every text when bit 0 of
// flags is set (METHOD then becomes trapezoidal as well).
void FillOptionDefaultTexts(int flags);

// Puts the texts of one default set (1 standard, 2 power) and its METHOD in place, as
// the dialog's default buttons do; parses nothing.
void LoadOptionDefaultSet(int set);

// A row (index 0..35) or the METHOD control can be edited now: always when no
// analysis runs, else as the row allows.
bool IsOptionEditable(int row_or_control);

// The "Global Settings" profile section: one key per option, then METHOD.
// Both directions end by parsing every option.
class Profile;
void WriteGlobalSettingsSection(Profile& profile);
void ReadGlobalSettingsSection(Profile& profile);

}  // namespace ob7
