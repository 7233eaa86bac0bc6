#pragma once
// Time services: seconds for run timing, and the locale's date and time texts for
// printed stamps and logs.

#include <ctime>
#include <string>

namespace ob7 {

// Seconds from a fixed start, from a monotonic clock (never wraps or jumps).
double GetSeconds();

// Makes the date and time texts read a fixed moment (0: the clock again), so that
// stamped output can be compared with stored texts.
void SetFixedClock(std::time_t now);

// Today's date and the time of now in the locale's short forms (the C library's
// current LC_TIME locale).
std::string GetDateString();
std::string GetTimeString();

// Now, formatted by a date or time picture: runs of y (yy two digits, yyyy four), M, d,
// H (24 h), h (12 h), m and s (one letter: no padding, two: two digits); text in single
// quotes and every other character is copied. "yyyy M d" gives "2026 12 7".
std::string FormatDateTimePicture(const std::string& picture);

// Print-stamp option bits of the preferences.
enum StampBits : int { kStampTime = 0x800, kStampDate = 0x1000 };

// "Date <date>" and/or "Time <time>" by the stamp bits, separated by a blank; the
// labels only when `withLabels`. Empty when neither bit is set.
std::string FormatTimeDateStamp(int stampBits, bool withLabels);

}  // namespace ob7
