#include "netlist/model_tolerance.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/char_classes.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {
constexpr int kMsgSetOutOfRange = 11863;

const char* SkipWhite(const char* p) {
    while (*p && HasClass(*p, kCcWhite)) ++p;
    return p;
}
}  // namespace

const char* ParseToleranceKeyword(const char* token, bool* lot, bool* dev, uint8_t* distribution,
                                  char setDigits[12]) {
    const char* p = SkipWhite(token);
    *lot = strncasecmp(p, "LOT", 3) == 0;
    if (dev) *dev = !*lot && strncasecmp(p, "DEV", 3) == 0;
    *distribution = kDistNone;
    setDigits[0] = 0;
    if (!*lot && !(dev && *dev)) return token;
    p += 3;
    if (*p == '/') {
        ++p;
        int n = 0;
        while (n < 10 && HasClass(*p, kCcDigit)) setDigits[n++] = *p++;
        setDigits[n] = 0;
        if (*p == '/') ++p;
        // The distribution is the whole rest of the token.
        static const char* const kNames[] = {"GAUSS", "UNIFORM", "WCASE"};
        size_t rest = std::strcspn(p, " \t\r\n=");
        for (int i = 0; i < 3; ++i)
            if (rest == std::strlen(kNames[i]) && strncasecmp(p, kNames[i], rest) == 0) {
                *distribution = static_cast<uint8_t>(i + 1);
                p += rest;
                break;
            }
    }
    return SkipWhite(p);
}

int SetModelTolerance(ModelTolerance& t, double nominal, const char* text, bool lot, const char* setDigits,
                      uint8_t distribution) {
    std::string value = text ? text : "";
    while (!value.empty() && HasClass(value.back(), kCcWhite)) value.pop_back();
    const bool percent = !value.empty() && value.back() == '%';
    if (percent) value.pop_back();
    int code = 0;
    double x = EvalNumberOrExpression(value.c_str(), &code);
    if (code) return code;
    if (percent) x = x * 0.01 * nominal;
    if (lot) t.lot = x;
    else t.dev = std::fabs(x);
    if (setDigits && setDigits[0]) {
        long set = std::strtol(setDigits, nullptr, 10);
        if (set < 0 || set > 9) return kMsgSetOutOfRange;
        (lot ? t.lotSet : t.devSet) = static_cast<uint8_t>(set);
    }
    (lot ? t.lotDistribution : t.devDistribution) = distribution;
    return 0;
}

}  // namespace ob7
