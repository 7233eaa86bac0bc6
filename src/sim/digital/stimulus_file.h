#pragma once
// Stimulus files: a header naming the signals and a time scale, a blank line, then data
// lines of a time and one character per signal group.

#include <string>

#include "sim/digital/digital_setup.h"

namespace ob7 {

// Reads the file into a stimulus program for the primitive: 0 or 15055 after a reported
// error (the file and line are kept in LastDigitalSetupError).
int ReadStimFile(const DigitalPartDesc& part, int primitive, const std::string& file_name,
                 const std::string& signal_names);
// The same on a text already in memory (file_name names it in messages).
int ReadStimText(const DigitalPartDesc& part, int primitive, const std::string& text, const std::string& file_name,
                 const std::string& signal_names);

}  // namespace ob7
