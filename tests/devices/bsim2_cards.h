#pragma once
// The BSIM2 (level 5) model cards the device and transient tests share; the reference
// decks in tests/devices/data use the same values.

#include <initializer_list>
#include <utility>

namespace ob7::bsim2_cards {

using Params = std::initializer_list<std::pair<const char*, double>>;

const Params kNmosCard = {
    {"LEVEL", 5},   {"TOX", 0.02},   {"DL", 0.5},     {"DW", 0.3},    {"VDD", 5},      {"VGG", 5},
    {"VBB", -5},    {"VFB", -0.9},   {"VFBL", 0.05},  {"PHI", 0.8},   {"K1", 1.0},     {"K1L", -0.1},
    {"K1W", 0.05},  {"K2", 0.05},    {"ETA0", 0.002}, {"ETAB", -0.001}, {"MU0", 500},  {"MU0B", 5},
    {"MUS0", 600},  {"WMUS0", -20},  {"MUSB", -5},    {"MU20", 1.5},  {"LMU20", 0.2},  {"MU2B", 0.1},
    {"MU2G", 0.05}, {"MU30", 10},    {"MU3B", -0.5},  {"MU3G", -1},   {"MU40", 0.5},   {"MU4G", -0.1},
    {"UA0", 0.1},   {"UAB", -0.01},  {"UB0", 0.01},   {"U10", 0.1},   {"LU10", 0.05},  {"U1B", 0.01},
    {"U1D", 0.5},   {"N0", 1.4},     {"NB", 0.5},     {"ND", 0.02},   {"VOF0", 1.8},   {"LVOF0", 0.1},
    {"VOFB", -0.1}, {"VOFD", 0.1},   {"AI0", 2},      {"BI0", 30},    {"VGHIGH", 0.2}, {"VGLOW", -0.15}};
const Params kPmosCard = {
    {"LEVEL", 5},  {"TOX", 0.025}, {"DL", 0.4},    {"DW", 0.2},     {"VDD", 5},     {"VGG", 5},
    {"VBB", -5},   {"VFB", -0.3},  {"PHI", 0.75},  {"K1", 0.6},     {"K2", 0.02},   {"ETA0", 0.004},
    {"MU0", 200},  {"MUS0", 230},  {"MUSB", -2},   {"MU20", 2},     {"MU30", 4},    {"MU40", 0.2},
    {"UA0", 0.15}, {"UB0", 0.02},  {"U10", 0.05},  {"U1D", 0.3},    {"N0", 1.5},    {"NB", 0.3},
    {"ND", 0.01},  {"VOF0", 1.5},  {"AI0", 1},     {"BI0", 20},     {"VGHIGH", 0.25}, {"VGLOW", -0.1}};

}  // namespace ob7::bsim2_cards
