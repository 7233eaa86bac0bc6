#include "sim/digital/digital_state.h"

#include <cmath>

namespace ob7 {

int DigitalInvert(int level) {
    static constexpr int kInvert[8] = {kLvl1, kLvlF, kLvlR, kLvl0, kLvlX, kLvlX, kLvlX, kLvlX};
    return kInvert[level & 7];
}

char DigitalStateChar(DigitalState s) {
    if (StrengthOf(s) == 0) return 'Z';
    return kLevelLetters[LevelOf(s) > 6 ? 4 : LevelOf(s)];
}

int DigitalLevelOfLetter(char c) {
    switch (c) {
    case '0': return kLvl0;
    case 'R': return kLvlR;
    case 'F': return kLvlF;
    case '1': return kLvl1;
    case 'X': return kLvlX;
    case 'Z': return kLvlZ;
    case '?': return kLvlAny;
    default: return -1;
    }
}

namespace {
// Rows first operand, columns second: 0 R F 1 X Z.
constexpr int kXor[6][6] = {
    {0, 1, 2, 3, 4, 4}, {1, 4, 1, 2, 4, 4}, {2, 1, 4, 1, 4, 4},
    {3, 2, 1, 0, 4, 4}, {4, 4, 4, 4, 4, 4}, {4, 4, 4, 4, 4, 4}};
constexpr int kAnd[6][6] = {
    {0, 0, 0, 0, 0, 4}, {0, 1, 1, 1, 4, 4}, {0, 1, 2, 2, 4, 4},
    {0, 1, 2, 3, 4, 4}, {0, 4, 4, 4, 4, 4}, {4, 4, 4, 4, 4, 4}};
constexpr int kOr[6][6] = {
    {0, 1, 2, 3, 4, 4}, {1, 1, 2, 3, 4, 4}, {2, 2, 2, 3, 4, 4},
    {3, 3, 3, 3, 3, 4}, {4, 4, 4, 3, 4, 4}, {4, 4, 4, 4, 4, 4}};
int Row(int level) { return level > 5 ? 4 : level; }
}  // namespace

int XorLevels(int a, int b) { return kXor[Row(a)][Row(b)]; }
int AndLevels(int a, int b) { return kAnd[Row(a)][Row(b)]; }
int OrLevels(int a, int b) { return kOr[Row(a)][Row(b)]; }

int DriveStrength(double r, double digdrvf, double digdrvz) {
    if (digdrvf <= 0.001) digdrvf = 0.001;
    if (digdrvz <= 0.001) digdrvz = 0.001;
    if (r < digdrvf) r = digdrvf;
    if (r > digdrvz) r = digdrvz;
    const double span = std::log(digdrvf) - std::log(digdrvz);
    if (span == 0) return 0;
    const double t = std::trunc(std::log(r) - std::log(digdrvz));
    const int s = static_cast<int>(t / span * 63.0);
    return s < 0 ? 0 : s > 63 ? 63 : s;
}

}  // namespace ob7
