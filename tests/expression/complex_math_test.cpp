// The math library of the language: fixed substitutes at singular points, clamps, and
// the real path kept real.

#include <gtest/gtest.h>

#include <cmath>

#include "expression/complex_math.h"

namespace ob7::test {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(ComplexMath, SingularPointsGiveFixedValues) {
    ComplexValue z{0.0, 0.0};
    ComplexLog(z);
    EXPECT_EQ(z.re, -1e50);
    z = {-1.0, 0.0};
    ComplexLog(z);
    EXPECT_DOUBLE_EQ(z.im, kPi);
    ComplexValue r;
    ComplexSqrt(r, ComplexValue{-4.0, 0.0});
    EXPECT_NEAR(r.re, 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(r.im, 2.0);
    ComplexSqrt(r, ComplexValue{4.0, 0.0});
    EXPECT_EQ(r.re, 2.0);
    EXPECT_EQ(r.im, 0.0);
    z = {0.0, 0.0};
    ComplexReciprocal(z);
    EXPECT_EQ(z.re, 1e50);
    ComplexValue five{5.0, 0.0};
    ComplexDivAssign(five, ComplexValue{0.0, 0.0});
    EXPECT_EQ(five.re, 5e50);
    ComplexGammaToZ(r, ComplexValue{0.0, 0.0});
    EXPECT_EQ(r.re, 1.0);
    ComplexGammaToZ(r, ComplexValue{1.0, 0.0});
    EXPECT_EQ(r.re, 0.0);
}

TEST(ComplexMath, RealHelpers) {
    EXPECT_EQ(Exp10Clamped(200.0), std::exp(350.0));
    EXPECT_EQ(RoundToInt(-2.5), -3);
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(SafePow(0.0, -1.0), 1e50);
    EXPECT_EQ(SafePow(0.0, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(SafePow(1e150, 2.0), 1e200);
    EXPECT_EQ(SafeReciprocal(0.0), 1e50);
    EXPECT_EQ(SafeReciprocal(-1e-60), -1e50);
    EXPECT_DOUBLE_EQ(SafeReciprocal(1e60), 1e-50);
    EXPECT_EQ(ACoshReal(0.5), 0.0);
    EXPECT_EQ(Log10Floored(0.0), -50.0);
    EXPECT_EQ(SignOf(0.0), 0.0);
    EXPECT_EQ(SignNonNegative(0.0), 1.0);
    EXPECT_EQ(Factorial(-3), 1.0);
}

TEST(ComplexMath, InverseFunctionsLeaveTheRealDomainAsComplex) {
    ComplexValue z{2.0, 0.0};
    ApplyTrigFunction(586, z);  // ASIN(2)
    EXPECT_NEAR(z.re, kPi / 2, 1e-12);
    EXPECT_NE(z.im, 0.0);
    z = {0.5, 0.0};
    ApplyTrigFunction(599, z);  // ACOSH(0.5)
    EXPECT_NEAR(z.im, std::acos(0.5), 1e-12);
    z = {0.0, 0.0};
    ApplyTrigFunction(583, z);  // COT(0)
    EXPECT_EQ(z.re, 1e50);
    z = {2e8, 0.0};
    ApplyTrigFunction(580, z);  // SIN above the clamp
    EXPECT_EQ(z.re, std::sin(1e8));
    // Complex arguments agree with the identities.
    z = {0.3, 0.4};
    ComplexValue s = z, c = z;
    ApplyTrigFunction(580, s);
    ApplyTrigFunction(581, c);
    ComplexValue s2 = s, c2 = c;
    ComplexMulAssign(s2, s);
    ComplexMulAssign(c2, c);
    EXPECT_NEAR(s2.re + c2.re, 1.0, 1e-12);
    EXPECT_NEAR(s2.im + c2.im, 0.0, 1e-12);
    ComplexValue back = s;
    ApplyTrigFunction(586, back);
    EXPECT_NEAR(back.re, 0.3, 1e-9);
    EXPECT_NEAR(back.im, 0.4, 1e-9);
    EXPECT_FALSE(ApplyTrigFunction(100, z));
}

}  // namespace
}  // namespace ob7::test
