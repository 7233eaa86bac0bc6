#pragma once
// The password questions of protected circuit files.

#include <string>

namespace ob7 {

// Asks for the password of a protected file (at most 19 characters); empty when the
// question was cancelled.
std::string AskPassword();

// Asks for a new password twice until both entries agree (without regard to case), a
// mismatch being shown each time; empty when the question was cancelled.
std::string AskNewPasswordTwice();

}  // namespace ob7
