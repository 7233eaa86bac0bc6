#pragma once
// LOT and DEV tolerances of model parameters and defines: the record, the keyword syntax
// LOT[/set][/distribution] and DEV[/set][/distribution], and the value "x" or "x%".

#include <cstdint>

namespace ob7 {

enum ToleranceDistribution : uint8_t { kDistNone = 0, kDistGauss = 1, kDistUniform = 2, kDistWorstCase = 3 };

struct ModelTolerance {
    double lot = 0.0;    // absolute value, sign kept; 0 none
    double dev = -1.0;   // absolute value; -1 none
    uint8_t lotSet = 0xFF;
    uint8_t devSet = 0xFF;
    uint8_t lotDistribution = kDistNone;
    uint8_t devDistribution = kDistNone;
};

inline void InitModelTolerance(ModelTolerance& t) { t = ModelTolerance{}; }

// Reads the keyword part of a token. *lot or *dev becomes true for "LOT"/"DEV" (any
// case; dev only when asked for), *setDigits receives the digits after the first '/'
// (empty when none), *distribution the code of a following GAUSS, UNIFORM or WCASE.
// Returns the position after the keyword part and any blanks (text itself when the
// token is no keyword).
const char* ParseToleranceKeyword(const char* token, bool* lot, bool* dev, uint8_t* distribution,
                                  char setDigits[12]);

// Evaluates `text` ("10", "10%", an expression) into `t`. A percentage is relative to
// `nominal`. Returns 0, the evaluator's code, or 11863 when the set lies outside 0..9.
int SetModelTolerance(ModelTolerance& t, double nominal, const char* text, bool lot, const char* setDigits,
                      uint8_t distribution);

}  // namespace ob7
