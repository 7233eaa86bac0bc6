#pragma once
// The 0.18 um BSIM3 (version 3.3) model cards the device and transient tests share; the
// reference decks in tests/devices/data use the same values.

#include <initializer_list>
#include <utility>

namespace ob7::bsim3_cards {

using Params = std::initializer_list<std::pair<const char*, double>>;

const Params kNmosCard = {
    {"VERSION", 3.3}, {"TOX", 4.1e-9}, {"XJ", 1e-7}, {"NCH", 2.3549e17}, {"VTH0", 0.3694}, {"K1", 0.5789},
    {"K2", 1.11e-3}, {"K3", 1e-3}, {"K3B", 0.0297}, {"W0", 1e-7}, {"NLX", 1.7e-7}, {"DVT0W", 0}, {"DVT1W", 0},
    {"DVT2W", 0}, {"DVT0", 1.0}, {"DVT1", 0.4}, {"DVT2", 0.04}, {"U0", 259.5}, {"UA", -1.38e-9}, {"UB", 2.26e-18},
    {"UC", 5.46e-11}, {"VSAT", 1.03e5}, {"A0", 1.92}, {"AGS", 0.414}, {"B0", -6.4e-9}, {"B1", -1e-7},
    {"KETA", -8.8e-4}, {"A1", 3.96e-4}, {"A2", 0.79}, {"RDSW", 105.6}, {"PRWG", 0.5}, {"PRWB", -0.2}, {"WR", 1},
    {"WINT", 0}, {"LINT", 1.7e-8}, {"DWG", -4.57e-9}, {"DWB", 3.6e-9}, {"VOFF", -0.0948}, {"NFACTOR", 2.127},
    {"CIT", 0}, {"CDSC", 2.4e-4}, {"CDSCD", 0}, {"CDSCB", 0}, {"ETA0", 2.8e-3}, {"ETAB", 6.5e-6}, {"DSUB", 0.0216},
    {"PCLM", 0.77}, {"PDIBLC1", 0.185}, {"PDIBLC2", 3.5e-3}, {"PDIBLCB", -0.1}, {"DROUT", 0.7}, {"PSCBE1", 8e10},
    {"PSCBE2", 4.1e-10}, {"PVAG", 0}, {"DELTA", 0.01}, {"MOBMOD", 1}, {"ALPHA0", 1e-6}, {"BETA0", 20},
    {"PVTH0", -2e-3}, {"PRDSW", -10}, {"PK2", 3e-3}, {"WKETA", -1e-2}, {"LKETA", 7e-3}, {"PU0", 5},
    {"PUA", -1e-11}, {"PVSAT", 1e3}, {"PETA0", 1e-4}, {"PKETA", -3e-3}, {"LVTH0", 1e-3}, {"WVTH0", -2e-3}};
const Params kPmosCard = {
    {"VERSION", 3.3}, {"TOX", 4.1e-9}, {"XJ", 1e-7}, {"NCH", 4.1589e17}, {"VTH0", -0.3948}, {"K1", 0.5507},
    {"K2", 0.0350}, {"K3", 0}, {"K3B", 12.0}, {"W0", 1e-6}, {"NLX", 1.06e-7}, {"DVT0W", 0}, {"DVT1W", 0},
    {"DVT2W", 0}, {"DVT0", 0.39}, {"DVT1", 0.25}, {"DVT2", 0.1}, {"U0", 108.8}, {"UA", 1.40e-9}, {"UB", 1e-21},
    {"UC", -1e-10}, {"VSAT", 1.62e5}, {"A0", 1.68}, {"AGS", 0.34}, {"B0", 4.9e-7}, {"B1", 1.15e-6},
    {"KETA", 0.0217}, {"A1", 0.423}, {"A2", 0.95}, {"RDSW", 325}, {"PRWG", 0.5}, {"PRWB", 0.03}, {"WR", 1},
    {"WINT", 0}, {"LINT", 3.1e-8}, {"DWG", -3e-8}, {"DWB", 8e-10}, {"VOFF", -0.1095}, {"NFACTOR", 2}, {"CIT", 0},
    {"CDSC", 2.4e-4}, {"CDSCD", 0}, {"CDSCB", 0}, {"ETA0", 0.0108}, {"ETAB", -1.56e-3}, {"DSUB", 0.18},
    {"PCLM", 1.2}, {"PDIBLC1", 0.0212}, {"PDIBLC2", 7.5e-3}, {"PDIBLCB", -1e-3}, {"DROUT", 0.42},
    {"PSCBE1", 1.3e10}, {"PSCBE2", 5e-10}, {"PVAG", 0.5}, {"DELTA", 0.01}, {"MOBMOD", 1}, {"NGATE", 5e20},
    {"PVTH0", 5e-3}, {"PRDSW", 1.3}, {"PK2", 1.4e-3}, {"WKETA", 0.02}, {"LKETA", -5e-3}, {"PU0", -1.8},
    {"PUA", -6e-11}, {"PVSAT", 50}};

}  // namespace ob7::bsim3_cards
