#include "foundation/time_stamp.h"

#include <chrono>
#include <ctime>

namespace ob7 {
namespace {

std::string FormatNow(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[100];
    std::size_t n = std::strftime(text, sizeof text, format, &local);
    return std::string(text, n);
}

}  // namespace

double GetSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string GetDateString() { return FormatNow("%x"); }

std::string GetTimeString() { return FormatNow("%X"); }

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
