#include "foundation/time_stamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace ob7 {
namespace {

std::time_t FixedClock = 0;

std::string FormatNow(const char* format) {
    std::time_t now = FixedClock ? FixedClock : std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[100];
    std::size_t n = std::strftime(text, sizeof text, format, &local);
    return std::string(text, n);
}

}  // namespace

void SetFixedClock(std::time_t now) { FixedClock = now; }

double GetSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string GetDateString() { return FormatNow("%x"); }

std::string GetTimeString() { return FormatNow("%X"); }

std::string FormatDateTimePicture(const std::string& picture) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            std::size_t close = picture.find('\'', i + 1);
            if (close == std::string::npos) close = picture.size();
            out += picture.substr(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        int value = -1;
        switch (c) {
        case 'y': value = run >= 3 ? t.tm_year + 1900 : t.tm_year % 100; break;
        case 'M': value = t.tm_mon + 1; break;
        case 'd': value = t.tm_mday; break;
        case 'H': value = t.tm_hour; break;
        case 'h': value = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12; break;
        case 'm': value = t.tm_min; break;
        case 's': value = t.tm_sec; break;
        default: break;
        }
        if (value < 0) {
            out.append(run, c);
        } else {
            char text[16];
            bool twoDigits = c == 'y' ? run < 3 : run >= 2;
            std::snprintf(text, sizeof text, twoDigits ? "%02d" : "%d", value);
            out += text;
        }
        i += run;
    }
    return out;
}

std::string FormatTimeDateStamp(int stampBits, bool withLabels) {
    std::string stamp;
    if (stampBits & kStampDate) {
        if (withLabels) stamp += "Date ";
        stamp += GetDateString();
    }
    if ((stampBits & kStampDate) && (stampBits & kStampTime)) stamp += ' ';
    if (stampBits & kStampTime) {
        if (withLabels) stamp += "Time ";
        stamp += GetTimeString();
    }
    return stamp;
}

}  // namespace ob7
