#include "foundation/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/char_classes.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/report_sink.h"
#include "platform/system_services.h"

namespace ob7 {

const EngineeringStep EngineeringSuffixTable[10] = {
    {1e-15, "F", "f"}, {1e-12, "P", "p"}, {1e-9, "N", "n"}, {1e-6, "U", "u"}, {1e-3, "M", "m"},
    {1.0, " ", " "},   {1e3, "K", "K"},   {1e6, "MEG", "M"}, {1e9, "G", "G"},  {1e12, "T", "T"},
};

int NumberClockFlag = 0;
double EngineeringScaleFloor = 1e-18;

namespace {

enum {
    kMaxDigits = 30,          // more is meaningless for a double and keeps texts bounded
    kMaxExponent = 300,
    kSuffixPointLimit = 100,  // a suffix stands for the point only this near the start
};

NumericExpressionEvaluator expressionEvaluator = nullptr;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Removes trailing zeros of a fraction and then a bare point.
void TrimFraction(char* text) {
    if (!std::strchr(text, '.'))
        return;
    std::size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == '0')
        text[--n] = 0;
    if (n > 0 && text[n - 1] == '.')
        text[--n] = 0;
}

}  // namespace

const char* EngineeringScale(double* multiplier, int flags, double value) {
    const double a = std::fabs(value);
    if (a == 0 || a < EngineeringScaleFloor || a >= 1e15 || !std::isfinite(a)) {
        *multiplier = 1;
        return " ";
    }
    int c = static_cast<int>(std::floor(std::log10(a)));
    if (c % 3 != 0 && a < 1)
        c -= 3;  // so that the truncating division rounds down for negative exponents
    int index = c / 3 + 5;
    if (index < 0)
        index = 0;
    if (index > 9)
        index = 9;
    *multiplier = 1.0 / EngineeringSuffixTable[index].factor;
    return (flags & kNumLowerCase) ? EngineeringSuffixTable[index].lower : EngineeringSuffixTable[index].upper;
}

char* FormatNumber(char* text, const double* value, int digits, int style, int flags) {
    if (digits > kMaxDigits)
        digits = kMaxDigits;
    if (digits < -1)
        digits = -1;
    const double v = *value;
    char* out = text;
    if (flags & kNumLeadingBlank)
        *out++ = ' ';
    const int size = kNumberTextSize - static_cast<int>(out - text);

    if (style == 'E' || style == 'e') {
        std::snprintf(out, size, "%1.*E", digits, v);
    } else if (style == 'G' || style == 'g') {
        std::snprintf(out, size, "%.*G", digits, v);
    } else {
        double multiplier = 1;
        const char* suffix = "";
        if (!(flags & kNumNoScaling))
            suffix = EngineeringScale(&multiplier, flags, v);
        const double a = std::fabs(v);
        if (multiplier == 1 && v != 0 && (a < 1e-15 || a >= 1e15)) {
            std::snprintf(out, size, "%1.*E", digits, v);
        } else {
            const double y = v * multiplier;
            char number[kNumberTextSize];
            std::snprintf(number, sizeof number, "%.*G", digits == -1 ? 6 : 15, y);
            if (std::strchr(number, 'E')) {
                std::snprintf(number, sizeof number, "%.*E", digits == -1 ? 6 : digits, y);
            } else {
                char* point = std::strchr(number, '.');
                if (digits >= 0 && digits <= 15 && point && static_cast<int>(std::strlen(point + 1)) > digits) {
                    if (point[digits + 1] >= '5') {
                        point[digits + 1] = 0;
                        double step = std::pow(10.0, -digits);
                        double rounded = std::strtod(number, nullptr) + (y < 0 ? -step : step);
                        std::snprintf(number, sizeof number, "%.*G", 15, rounded);
                        point = std::strchr(number, '.');
                    }
                    if (point && static_cast<int>(std::strlen(point + 1)) > digits)
                        point[digits + 1] = 0;
                }
                if (flags & kNumPadZeros) {
                    if (digits >= 0) {
                        if (!std::strchr(number, '.'))
                            std::strcat(number, ".");
                        std::size_t decimals = std::strlen(std::strchr(number, '.') + 1);
                        while (decimals++ < static_cast<std::size_t>(digits))
                            std::strcat(number, "0");
                    }
                } else {
                    TrimFraction(number);
                }
            }
            std::snprintf(out, size, "%s%s", number, suffix);
        }
    }
    if (flags & kNumTidyExponent)
        TidyExponentSign(text);
    return text;
}

std::string FormatNumberText(double value, int digits, int style, int flags) {
    char text[kNumberTextSize];
    return FormatNumber(text, &value, digits, style, flags);
}

char* TidyExponentSign(char* text) {
    char* e = std::strpbrk(text, "eE");
    if (!e)
        return text;
    char* at = e + 1;
    if (*at == '+') {
        std::memmove(at, at + 1, std::strlen(at + 1) + 1);
        if (*at == '0')
            std::memmove(at, at + 1, std::strlen(at + 1) + 1);
    } else if (*at == '-') {
        ++at;
        if (*at == '0')
            std::memmove(at, at + 1, std::strlen(at + 1) + 1);
    }
    return text;
}

char* TidyExponent(char* text) {
    TidyExponentSign(text);
    TidyExponentSign(text);
    for (char* p = text; *p; ++p) {
        if ((p[0] == 'e' || p[0] == 'E') && p[1] == '0') {
            std::memmove(p + 1, p + 2, std::strlen(p + 2) + 1);
            break;
        }
    }
    return text;
}

char* TrimNumberText(char* text) {
    char* e = std::strpbrk(text, "eE");
    char exponent[kNumberTextSize] = "";
    if (e) {
        std::snprintf(exponent, sizeof exponent, "%s", e);
        *e = 0;
    }
    char* mantissa = text[0] == '-' ? text + 1 : text;
    if (!*text) {
        // No digits to trim: "" or "E5" stay as they are (a "0" would not fit).
        std::strcat(text, exponent);
        return text;
    }
    while (mantissa[0] == '0' && mantissa[1] != 0)
        std::memmove(mantissa, mantissa + 1, std::strlen(mantissa + 1) + 1);
    TrimFraction(mantissa);
    if (!*text)
        std::strcpy(text, "0");
    std::strcat(text, exponent);
    return text;
}

double ParseNumber(const char* text, int* error) {
    int dummy = 0;
    if (!error)
        error = &dummy;
    *error = 0;
    NumberClockFlag = 0;
    if (!text)
        return 0;
    const char* start = text;
    while (*start == ' ')
        ++start;
    const char* p = start;
    bool point = false;
    if (*p == '+' || *p == '-')
        ++p;
    if (*p == '.') {
        point = true;
        ++p;
    }
    const char* digits = p;
    while (IsDigit(*p))
        ++p;
    bool anyDigit = p > digits;
    if (*p == '.' && !point)
        ++p;
    digits = p;
    while (IsDigit(*p))
        ++p;
    anyDigit = anyDigit || p > digits;
    if (!anyDigit) {
        // A sign or a point alone ("-", ".", "-E5") is no number.
        *error = 1;
        return 0;
    }
    if (p > start && (*p == 'E' || *p == 'e')) {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        long exponent = 0;
        for (; IsDigit(*p); ++p)
            if (exponent <= kMaxExponent)
                exponent = exponent * 10 + (*p - '0');  // saturates past the limit
        if (exponent > kMaxExponent) {
            *error = 1;
            return 0;
        }
    }
    if (p == start) {
        *error = 1;
        return 0;
    }
    // Only the scanned text is converted (the C library would also take hex and "inf").
    std::string number(start, p);

    int scale = 0;  // the suffix as a power of ten
    bool consumed = false;
    const char* suffix = p;
    if (*p == 'R' || *p == 'V') {
        ++p;
        consumed = true;
    } else if (strncasecmp(p, "MEG", 3) == 0) {
        scale = 6;
        p += 3;
        consumed = true;
    } else if (*p) {
        const char c = ToUpperMap(*p);
        for (const EngineeringStep& step : EngineeringSuffixTable) {
            if (step.upper[0] == c) {
                scale = static_cast<int>(std::lround(std::log10(step.factor)));
                ++p;
                consumed = true;
                break;
            }
        }
    }
    // 4K7, 2R2, 1MEG5: the suffix stands for the decimal point.
    if (consumed && suffix - text < kSuffixPointLimit && IsDigit(*p)) {
        const char* digitsEnd = p;
        while (IsDigit(*digitsEnd))
            ++digitsEnd;
        number.assign(start, suffix);
        number += '.';
        number.append(p, digitsEnd);
        p = digitsEnd;
    }
    // The scale joins the decimal exponent, so that 1.5N reads as exactly 1.5E-9.
    if (scale != 0) {
        long exponent = scale;
        if (std::string::size_type e = number.find_first_of("Ee"); e != std::string::npos) {
            exponent += std::strtol(number.c_str() + e + 1, nullptr, 10);
            number.erase(e);
        }
        number += 'E' + std::to_string(exponent);
    }
    const double value = std::strtod(number.c_str(), nullptr);
    if (*p == 'C' || *p == 'c')
        NumberClockFlag = 1;
    while (HasClass(*p, kCcIdentStart))
        ++p;
    while (*p == ' ')
        ++p;
    if (*p)
        *error = 1;
    const double result = value;
    if (!std::isfinite(result)) {
        *error = 1;  // beyond the range of a double
        return 0;
    }
    return result;
}

int32_t ClampToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value > 2147483647.0)
        return 2147483647;
    if (value < -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(value);
}

uint32_t ClampToUInt(double value) {
    if (std::isnan(value) || value < 0)
        return 0;
    if (value > 4294967295.0)
        return 4294967295u;
    return static_cast<uint32_t>(value);
}

int32_t ParseInt(const char* text) { return ClampToInt(ParseNumber(text, nullptr)); }

void SetNumericExpressionEvaluator(NumericExpressionEvaluator evaluator) { expressionEvaluator = evaluator; }

namespace {

// Compiles and evaluates through the expression language; 0 or a message code.
int EvaluateText(const char* text, int analysisMask, double* value, int* dependsOnVariables) {
    *value = 0;
    if (!expressionEvaluator) {
        // A build without the expression language: the text is simply not a number.
        char message[kNumberTextSize + 40];
        std::snprintf(message, sizeof message, "%%ENot a number: '%.60s'.", text);
        SetPendingMessageText(message);
        return kMsgPending;
    }
    double result = 0;
    int code = expressionEvaluator(text, analysisMask, 2048, &result, dependsOnVariables);
    if (code == kMsgOk)
        *value = result;
    return code;
}

}  // namespace

double EvalNumberOrExpression(const char* text, int* code) {
    if (!text)
        return 0;
    int error = 0;
    double value = ParseNumber(text, &error);
    if (!error) {
        *code = kMsgOk;
        return value;
    }
    *code = EvaluateText(text, 0x8, &value, nullptr);
    return value;
}

double EvalNumberOrExpressionNoErr(const char* text) {
    int code = 0;
    return EvalNumberOrExpression(text, &code);
}

int EvalNumberOrExpressionFlag(const char* text, double* value, int* flag) {
    *value = 0;
    *flag = 0;
    if (!text)
        return kMsgOk;
    int error = 0;
    double number = ParseNumber(text, &error);
    if (!error) {
        *value = number;
        return kMsgOk;
    }
    int depends = 0;
    int code = EvaluateText(text, 0x40, value, &depends);
    *flag = code == kMsgOk && depends ? 1 : 0;
    return code;
}

char* IntToText(char* buffer, int value) {
    std::sprintf(buffer, "%d", value);
    return buffer;
}

char* IntToOrdinal(char* buffer, int value) {
    if (value == 0) {
        std::strcpy(buffer, "none");
        return buffer;
    }
    // The teens take "th" in every hundred (111th, 212th).
    const long n = std::labs(static_cast<long>(value));
    const char* suffix = "th";
    if (n % 100 < 11 || n % 100 > 13) {
        if (n % 10 == 1)
            suffix = "st";
        else if (n % 10 == 2)
            suffix = "nd";
        else if (n % 10 == 3)
            suffix = "rd";
    }
    std::sprintf(buffer, "%d%s", value, suffix);
    return buffer;
}

void BeepIfEnabled() {
    if (CurrentReportContext().SoundEnabled())
        platform::Services().Beep(0);
}

int PollKey() { return platform::Services().PollKey(); }

}  // namespace ob7
