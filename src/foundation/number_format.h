#pragma once
// NumberFormatSpec: how a number is shown, as the text the settings store: digits and
// an optional style letter ("6E" scientific, "3G" default, "3" engineering).

#include <cstdint>
#include <string>

namespace ob7 {

struct NumberFormatSpec {
    char text[10] = "3";
    int16_t digits = 3;  // 0 to 16
    uint8_t style = 0;   // 'E', 'G' or 0

    // Copies at most 9 characters and normalises them; 1 when that changed the text.
    int Set(const char* value);
    // "%d Digit " followed by "Scientific", "Default" or "Engineering".
    std::string StyleName() const;
};

}  // namespace ob7
