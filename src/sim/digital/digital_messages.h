#pragma once
// Set-up errors of the digital parts: reported once with the part (and the file and line
// when the error lies in a file) and kept in LastDigitalSetupError.

#include <string>

namespace ob7 {

// Formats the message text of `code` with the printf arguments, reports it and returns
// 15055.
int DigitalSetupFail(int code, const std::string& part, const std::string& file, int line, ...);

}  // namespace ob7
