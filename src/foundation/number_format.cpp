#include "foundation/number_format.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace ob7 {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

int NumberFormatSpec::Set(const char* value) {
    std::string t(value ? value : "");
    if (t.size() > 9) t.resize(9);
    t.erase(0, t.find_first_not_of(' ') == std::string::npos ? t.size() : t.find_first_not_of(' '));
    t.erase(t.find_last_not_of(' ') + 1);

    bool changed = false;
    auto letterAt = t.find_first_of("Ee");
    if (letterAt == std::string::npos) letterAt = t.find_first_of("Gg");
    std::size_t run = 0;
    while (run < t.size() && IsDigit(t[run])) ++run;
    if (letterAt != std::string::npos) {
        char letter = t[letterAt];
        if (run == 0) {
            changed = t.size() != 1;
            t = std::string("3") + letter;
        } else {
            changed = letterAt != run || t.size() != run + 1;
            std::string number = t.substr(0, run);
            if (std::atoi(number.c_str()) > 16 || number.size() > 2) {
                number = "16";
                changed = true;
            }
            t = number + letter;
        }
    } else if (t.size() > 3 || std::atoi(t.c_str()) > 16) {
        t = "16";
        changed = true;
    } else {
        if (run < t.size()) {
            t.resize(run);
            changed = true;
        }
        if (t.empty()) t = "3";
    }
    std::memcpy(text, t.c_str(), t.size() + 1);
    digits = static_cast<int16_t>(std::atoi(text));
    style = 0;
    if (std::strpbrk(text, "Ee")) style = 'E';
    if (std::strpbrk(text, "Gg")) style = 'G';
    return changed ? 1 : 0;
}

std::string NumberFormatSpec::StyleName() const {
    const char* kind = style == 'E' ? "Scientific" : style == 'G' ? "Default" : "Engineering";
    return std::to_string(digits) + " Digit " + kind;
}

}  // namespace ob7
