#pragma once
// The BSIM1 (level 4) model cards the device and transient tests share; the reference
// decks in tests/devices/data use the same values.

#include <initializer_list>
#include <utility>

namespace ob7::bsim1_cards {

using Params = std::initializer_list<std::pair<const char*, double>>;

const Params kNmosCard = {{"LEVEL", 4}, {"TOX", 0.03},   {"VDD", 5},      {"DL", 0.8},     {"DW", 0.5},    {"VFB", -1.0},
                          {"VFBL", 0.1},   {"VFBW", -0.05}, {"PHI", 0.8},    {"K1", 1.2},    {"K1L", -0.1},
                          {"K1W", 0.05},   {"K2", 0.12},    {"ETA", 0.005},  {"X2E", -0.001}, {"X3E", 0.0005},
                          {"MUZ", 550},    {"X2MZ", 8},     {"MUS", 600},    {"LMUS", 50},   {"X2MS", 5},
                          {"X3MS", 6},     {"U0", 0.05},    {"LU0", 0.02},   {"X2U0", -0.005}, {"U1", 0.1},
                          {"LU1", 0.05},   {"X2U1", -0.01}, {"X3U1", 0.005}, {"N0", 1.3},    {"NB", 0.4},
                          {"ND", 0.05}};
const Params kPmosCard = {{"LEVEL", 4}, {"TOX", 0.03}, {"VDD", 5},     {"DL", 0.6},  {"DW", 0.4},   {"VFB", -0.2},
                          {"PHI", 0.75}, {"K1", 0.5},    {"K2", 0.05}, {"ETA", 0.01}, {"X3E", -0.001},
                          {"MUZ", 200},  {"MUS", 220},   {"X3MS", 3},  {"X2MZ", 2},   {"U0", 0.08},
                          {"U1", 0.05},  {"N0", 1.5},    {"ND", 0.02}};

}  // namespace ob7::bsim1_cards
