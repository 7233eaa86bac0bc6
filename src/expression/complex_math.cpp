#include "expression/complex_math.h"

#include <algorithm>
#include <cmath>

#include "expression/math_error.h"

namespace ob7 {

namespace {

constexpr double kLn10 = 2.302585092994046;

double Clamp(double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); }

ComplexValue Make(double re, double im) { return ComplexValue{re, im}; }

ComplexValue Mul(ComplexValue a, const ComplexValue& b) {
    ComplexMulAssign(a, b);
    return a;
}

ComplexValue Add(ComplexValue a, const ComplexValue& b) {
    ComplexAddAssign(a, b);
    return a;
}

ComplexValue Sub(ComplexValue a, const ComplexValue& b) {
    ComplexSubAssign(a, b);
    return a;
}

ComplexValue Exp(const ComplexValue& z) {
    ComplexValue out;
    ComplexExp(out, z);
    return out;
}

ComplexValue SqrtSnapped(ComplexValue z) {
    ComplexSqrtSnapped(z);
    return z;
}

ComplexValue LogSnapped(ComplexValue z) {
    ComplexLogSnapped(z);
    return z;
}

ComplexValue Reciprocal(ComplexValue z) {
    ComplexReciprocal(z);
    return z;
}

const ComplexValue kI{0.0, 1.0};
const ComplexValue kOne{1.0, 0.0};

ComplexValue SinZ(const ComplexValue& z) {
    ComplexValue iz = Mul(kI, z);
    ComplexValue d = Sub(Exp(iz), Exp(Make(-iz.re, -iz.im)));
    return Mul(d, Make(0.0, -0.5));
}

ComplexValue CosZ(const ComplexValue& z) {
    ComplexValue iz = Mul(kI, z);
    ComplexValue s = Add(Exp(iz), Exp(Make(-iz.re, -iz.im)));
    ComplexScaleAssign(s, 0.5);
    return s;
}

ComplexValue TanZ(const ComplexValue& z) {
    ComplexValue s = SinZ(z);
    ComplexDivAssign(s, CosZ(z));
    return s;
}

ComplexValue RecipScaled(const ComplexValue& z) {
    ComplexValue out;
    ComplexRecipScaled(out, z, 1.0);
    return out;
}

// sinh and cosh from the two exponentials.
ComplexValue SinhZ(const ComplexValue& z) {
    ComplexValue d = Sub(Exp(z), Exp(Make(-z.re, -z.im)));
    ComplexScaleAssign(d, 0.5);
    return d;
}

ComplexValue CoshZ(const ComplexValue& z) {
    ComplexValue s = Add(Exp(z), Exp(Make(-z.re, -z.im)));
    ComplexScaleAssign(s, 0.5);
    return s;
}

// a / b with the denominator |b|^2 floored at 1e-50, always on the complex path.
ComplexValue DivFloored(const ComplexValue& a, const ComplexValue& b) {
    double d = b.re * b.re + b.im * b.im;
    if (d == 0.0) d = LogFloor;
    return Make((a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d);
}

ComplexValue Square(const ComplexValue& z) { return Mul(z, z); }

ComplexValue Asin(const ComplexValue& z) {
    ComplexValue root = SqrtSnapped(Sub(kOne, Square(z)));
    ComplexValue l = LogSnapped(Add(Mul(kI, z), root));
    return Mul(Make(0.0, -1.0), l);
}

ComplexValue Acos(const ComplexValue& z) {
    ComplexValue root = SqrtSnapped(Sub(kOne, Square(z)));
    ComplexValue r = Mul(Make(0.0, -1.0), LogSnapped(Add(z, Mul(kI, root))));
    SnapTiny(r.re);
    SnapTiny(r.im);
    return r;
}

ComplexValue Atan(const ComplexValue& z) {
    ComplexValue iz = Mul(kI, z);
    ComplexValue q = DivFloored(Sub(kOne, iz), Add(kOne, iz));
    return Mul(Make(0.0, 0.5), LogSnapped(q));
}

ComplexValue Asinh(const ComplexValue& z) {
    ComplexValue r = LogSnapped(Add(z, SqrtSnapped(Add(Square(z), kOne))));
    SnapTiny(r.re);
    SnapTiny(r.im);
    return r;
}

ComplexValue Acosh(const ComplexValue& z) {
    ComplexValue r = LogSnapped(Add(z, SqrtSnapped(Sub(Square(z), kOne))));
    SnapTiny(r.re);
    SnapTiny(r.im);
    return r;
}

ComplexValue Atanh(const ComplexValue& z) {
    ComplexValue r = LogSnapped(DivFloored(Add(kOne, z), Sub(kOne, z)));
    ComplexScaleAssign(r, 0.5);
    return r;
}

}  // namespace

double Log10Floored(double x) { return std::log10(std::max(x, LogFloor)); }

double LogFlooredBase(int natural, double x) {
    return natural ? std::log(std::max(x, LogFloor)) : std::log10(std::max(x, LogFloor));
}

double Exp10Clamped(double x) { return std::exp(Clamp(x * kLn10, -ExpClamp, ExpClamp)); }

double ExpClamped(double x) { return std::exp(Clamp(x, -ExpClamp, ExpClamp)); }

int RoundToInt(double x) { return x >= 0.0 ? static_cast<int>(x + 0.5) : static_cast<int>(x - 0.5); }

double Ceil(double x) { return std::ceil(x); }

double SignNonNegative(double x) { return x >= 0.0 ? 1.0 : -1.0; }

double SignOf(double x) { return x == 0.0 ? 0.0 : (x > 0.0 ? 1.0 : -1.0); }

double ACoshReal(double x) {
    double y = std::max(x, 1.0);
    return std::log(std::max(y + std::sqrt(y * y - 1.0), LogFloor));
}

double SafeReciprocal(double x) {
    double s = x >= 0.0 ? 1.0 : -1.0;
    double a = std::fabs(x);
    if (x == 0.0) return HugeValue;
    if (a < LogFloor) return 1.0 / (s * LogFloor);
    if (a > HugeValue) return 1.0 / (s * HugeValue);
    return 1.0 / x;
}

double SafePow(double a, double b) {
    if (a == 0.0 && b == 0.0) return 1.0;
    if (a == 0.0 && b < 0.0) return HugeValue;
    if (b >= 2.0) {
        if (a > 1e100) a = 1e100;
        else if (a > 0.0 && a < 1e-100) a = 1e-100;
        else if (a < -1e100) a = -1e100;
        else if (a < 0.0 && a > -1e-100) a = -1e-100;
    }
    return CheckedPow(a, b);
}

void SnapTiny(double& x) {
    if (x > -SnapLimit && x < SnapLimit) x = 0.0;
}

double Factorial(int n) {
    if (n < 0) return 1.0;
    if (n > 170) n = 170;
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

double ComplexAbs(const ComplexValue& z) {
    return z.im == 0.0 ? std::fabs(z.re) : std::sqrt(z.re * z.re + z.im * z.im);
}

double ComplexArg(const ComplexValue& z) {
    return (z.re == 0.0 && z.im == 0.0) ? 0.0 : std::atan2(z.im, z.re);
}

void ComplexAddAssign(ComplexValue& a, const ComplexValue& b) {
    a.re += b.re;
    a.im += b.im;
}

void ComplexSubAssign(ComplexValue& a, const ComplexValue& b) {
    a.re -= b.re;
    a.im -= b.im;
}

void ComplexMulAssign(ComplexValue& a, const ComplexValue& b) {
    if (a.im == 0.0 && b.im == 0.0) {
        a.re *= b.re;
        a.im = 0.0;
        return;
    }
    double re = a.re * b.re - a.im * b.im;
    a.im = a.re * b.im + a.im * b.re;
    a.re = re;
}

void ComplexScaleAssign(ComplexValue& z, double d) {
    z.re *= d;
    z.im *= d;
}

void ComplexDivAssign(ComplexValue& a, const ComplexValue& b) {
    if (a.im == 0.0 && b.im == 0.0) {
        a.re = b.re == 0.0 ? a.re * HugeValue : a.re / b.re;
        return;
    }
    a = DivFloored(a, b);
}

void ComplexDivReal(ComplexValue& out, const ComplexValue& z, double x) {
    out.re = z.re / x;
    out.im = z.im == 0.0 ? 0.0 : z.im / x;
}

void ComplexDivRealAssign(ComplexValue& z, double x) { ComplexDivReal(z, z, x); }

void ComplexReciprocal(ComplexValue& z) {
    ComplexValue one{1.0, 0.0};
    ComplexDivAssign(one, z);
    z = one;
}

void ComplexRecipScaled(ComplexValue& out, const ComplexValue& z, double x) {
    if (z.im != 0.0) {
        double d = z.re * z.re + z.im * z.im;
        if (d == 0.0) d = LogFloor;
        out = Make(x * z.re / d, -x * z.im / d);
        return;
    }
    out = Make(z.re == 0.0 ? HugeValue : x / z.re, 0.0);
}

void ComplexExp(ComplexValue& out, const ComplexValue& z) {
    double m = std::exp(Clamp(z.re, -ExpClamp, ExpClamp));
    double im = z.im;
    out = im == 0.0 ? Make(m, 0.0) : Make(m * std::cos(im), m * std::sin(im));
}

void ComplexLog(ComplexValue& z) {
    if (z.im == 0.0 && z.re > 0.0) {
        z = Make(std::log(z.re), 0.0);
        return;
    }
    double m = ComplexAbs(z);
    z = m != 0.0 ? Make(std::log(m), ComplexArg(z)) : Make(-HugeValue, 0.0);
}

void ComplexLogSnapped(ComplexValue& z) {
    ComplexValue r = Make(std::log(std::max(ComplexAbs(z), LogFloor)), ComplexArg(z));
    SnapTiny(r.re);
    SnapTiny(r.im);
    z = r;
}

void ComplexSqrt(ComplexValue& out, const ComplexValue& z) {
    if (z.im == 0.0 && z.re >= 0.0) {
        out = Make(std::sqrt(z.re), 0.0);
        return;
    }
    ComplexExp(out, Make(0.5 * std::log(std::max(ComplexAbs(z), LogFloor)), 0.5 * ComplexArg(z)));
}

void ComplexSqrtSnapped(ComplexValue& z) {
    double re = 0.5 * std::log(std::max(ComplexAbs(z), LogFloor));
    double im = 0.5 * ComplexArg(z);
    SnapTiny(re);
    SnapTiny(im);
    ComplexExp(z, Make(re, im));
}

void ComplexPowReal(ComplexValue& out, const ComplexValue& z, double p) {
    if (z.im != 0.0) {
        ComplexExp(out, Make(p * std::log(std::max(ComplexAbs(z), LogFloor)), p * ComplexArg(z)));
        return;
    }
    out = Make(SafePow(z.re, p), 0.0);
}

void ComplexGammaToZ(ComplexValue& out, const ComplexValue& g) {
    double d = g.im * g.im + (1.0 - g.re) * (1.0 - g.re);
    if (d == 0.0) d = GammaFloor;
    out = Make((1.0 - g.re * g.re - g.im * g.im) / d, 2.0 * g.im / d);
}

bool ApplyTrigFunction(int opcode, ComplexValue& z) {
    const bool complex = z.im != 0.0;
    switch (opcode) {
    case 580:  // SIN
        if (complex) z = SinZ(z);
        else z.re = std::sin(std::min(z.re, SineClamp));
        return true;
    case 581:  // COS
        if (complex) z = CosZ(z);
        else z.re = std::cos(z.re);
        return true;
    case 582:  // TAN
        if (complex) z = TanZ(z);
        else z.re = std::tan(z.re);
        return true;
    case 583:  // COT
        if (complex) z = RecipScaled(TanZ(z));
        else z.re = SafeReciprocal(std::tan(z.re));
        return true;
    case 584:  // SEC
        if (complex) z = RecipScaled(CosZ(z));
        else z.re = SafeReciprocal(std::cos(z.re));
        return true;
    case 585:  // CSC
        if (complex) z = RecipScaled(SinZ(z));
        else z.re = SafeReciprocal(std::sin(z.re));
        return true;
    case 586: z = Asin(z); return true;
    case 587: z = Acos(z); return true;
    case 588: z = Atan(z); return true;
    case 589: z = Atan(Reciprocal(z)); return true;
    case 590: z = Acos(Reciprocal(z)); return true;
    case 591: z = Asin(Reciprocal(z)); return true;
    case 592:  // SINH
        if (complex) z = SinhZ(z);
        else z.re = std::sinh(Clamp(z.re, -HyperbolicClamp, HyperbolicClamp));
        return true;
    case 593:  // COSH
        if (complex) z = CoshZ(z);
        else z.re = std::cosh(Clamp(z.re, -HyperbolicClamp, HyperbolicClamp));
        return true;
    case 594:  // TANH
        if (complex) z = DivFloored(SinhZ(z), CoshZ(z));
        else z.re = std::tanh(z.re);
        return true;
    case 595: z = DivFloored(CoshZ(z), SinhZ(z)); return true;  // COTH
    case 596:  // SECH
        z = complex ? CoshZ(z) : Make(std::cosh(Clamp(z.re, -HyperbolicClamp, HyperbolicClamp)), 0.0);
        ComplexReciprocal(z);
        return true;
    case 597:  // CSCH
        z = complex ? SinhZ(z) : Make(std::sinh(Clamp(z.re, -HyperbolicClamp, HyperbolicClamp)), 0.0);
        ComplexReciprocal(z);
        return true;
    case 598: z = Asinh(z); return true;
    case 599: z = Acosh(z); return true;
    case 600: z = Atanh(z); return true;
    case 601: z = Atanh(Reciprocal(z)); return true;
    case 602: z = Acosh(Reciprocal(z)); return true;
    case 603: z = Asinh(Reciprocal(z)); return true;
    default: return false;
    }
}

}  // namespace ob7
