#pragma once
// The value of every expression: a complex number; a real result has im == 0.

namespace ob7 {

struct ComplexValue {
    double re = 0.0;
    double im = 0.0;
};

// A value counts as complex exactly when its imaginary part is not zero; real values
// take the cheaper real paths everywhere.
inline bool IsComplex(const ComplexValue& z) { return z.im != 0.0; }

}  // namespace ob7
