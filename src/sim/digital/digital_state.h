#pragma once
// The value of a digital node: a level code in bits 0-2 and a drive strength 0..63 in
// bits 3-8. Levels index "0RF1XZ?".

#include <cstdint>

namespace ob7 {

using DigitalState = uint16_t;

enum : int { kLvl0 = 0, kLvlR = 1, kLvlF = 2, kLvl1 = 3, kLvlX = 4, kLvlZ = 5, kLvlAny = 6 };

inline constexpr DigitalState kStrengthMask = 0x1f8;
inline constexpr DigitalState kStateX63 = 508;   // every node before a run, "$D_X"
inline constexpr DigitalState kStateHi63 = 507;  // "$D_HI"
inline constexpr DigitalState kStateLo63 = 504;  // "$D_LO"
inline constexpr char kLevelLetters[] = "0RF1XZ?";

inline int LevelOf(DigitalState s) { return s & 7; }
inline int StrengthOf(DigitalState s) { return (s >> 3) & 63; }
inline DigitalState MakeState(int level, int strength) {
    return static_cast<DigitalState>((strength & 63) << 3 | (level & 7));
}

// R counts as 1, F as 0: the class of every high-or-low test.
inline int DigitalFinalLevel(int level) { return level == kLvlR ? kLvl1 : level == kLvlF ? kLvl0 : level; }
inline int DigitalInitialLevel(int level) { return level == kLvlR ? kLvl0 : level == kLvlF ? kLvl1 : level; }
int DigitalInvert(int level);
// Of a driver's low and high values, the one a level takes: high unless it ends low (0 or
// F). Without a branch, for the gate evaluations of a large circuit, where the levels are
// random and a branch on them mispredicts half the time; where they follow a pattern
// (a register) the branch is cheaper.
inline int ByFinalLevel(int level, int low, int high) {
    const int up = (0xFA >> (level & 7)) & 1;
    return low + ((high - low) & -up);
}

// 'Z' for a state nothing drives, else the letter of its level.
char DigitalStateChar(DigitalState s);
// Level code of a state letter ('0','R','F','1','X','Z','?'), -1 for any other.
int DigitalLevelOfLetter(char c);

// Two-operand level tables on 0 R F 1 X Z (a ? operand counts as X).
int XorLevels(int a, int b);
int AndLevels(int a, int b);
int OrLevels(int a, int b);

// The drive strength of a resistance between the options DIGDRVF and DIGDRVZ.
int DriveStrength(double resistance, double digdrvf, double digdrvz);

}  // namespace ob7
