#pragma once
// Real and complex math of the expression language. None of these functions fails:
// singular points are replaced by fixed large or small values, exponents are clamped and
// results of inverse functions have near-zero parts snapped to zero, so that an
// expression evaluated at every simulation point never raises a fault here. Only the C
// library's own power function can still report a domain error (math_error.h).

#include "expression/complex_value.h"

namespace ob7 {

constexpr double LogFloor = 1e-50;
constexpr double HugeValue = 1e50;
constexpr double ExpClamp = 350.0;
constexpr double HyperbolicClamp = 500.0;
constexpr double SineClamp = 1e8;
constexpr double SnapLimit = 1e-10;
constexpr double GammaFloor = 1e-20;

// Real functions.
double Log10Floored(double x);
double LogFlooredBase(int natural, double x);
double Exp10Clamped(double x);
double ExpClamped(double x);
int RoundToInt(double x);
double Ceil(double x);
double SignNonNegative(double x);
double SignOf(double x);
double ACoshReal(double x);
double SafeReciprocal(double x);
double SafePow(double a, double b);
void SnapTiny(double& x);
// n! as a double: n above 170 counts as 170, a negative n gives 1.
double Factorial(int n);

// Complex functions.
double ComplexAbs(const ComplexValue& z);
double ComplexArg(const ComplexValue& z);
void ComplexAddAssign(ComplexValue& a, const ComplexValue& b);
void ComplexSubAssign(ComplexValue& a, const ComplexValue& b);
void ComplexMulAssign(ComplexValue& a, const ComplexValue& b);
void ComplexScaleAssign(ComplexValue& z, double d);
void ComplexDivAssign(ComplexValue& a, const ComplexValue& b);
void ComplexDivReal(ComplexValue& out, const ComplexValue& z, double x);
void ComplexDivRealAssign(ComplexValue& z, double x);
void ComplexReciprocal(ComplexValue& z);
void ComplexRecipScaled(ComplexValue& out, const ComplexValue& z, double x);
void ComplexExp(ComplexValue& out, const ComplexValue& z);
void ComplexLog(ComplexValue& z);
void ComplexLogSnapped(ComplexValue& z);
void ComplexSqrt(ComplexValue& out, const ComplexValue& z);
void ComplexSqrtSnapped(ComplexValue& z);
void ComplexPowReal(ComplexValue& out, const ComplexValue& z, double p);
void ComplexGammaToZ(ComplexValue& out, const ComplexValue& g);

// The circular and hyperbolic functions and their inverses, opcodes 580 to 603, in place.
// Returns false for an opcode outside that range.
bool ApplyTrigFunction(int opcode, ComplexValue& z);

}  // namespace ob7
