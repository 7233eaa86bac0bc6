#pragma once
// The attributes of macro parts in older circuit files. Before 7.0 a macro part kept its
// call in one VALUE attribute, "amp(10,1k)": the macro file's name and the arguments of
// the parameters its first .PARAMETERS statement declares. Since 7.0 the part keeps the
// file in FILE and each argument in a "Param:<name>" attribute.

#include "circuit/circuit_document.h"

#include <string>
#include <vector>

namespace ob7 {

// Where the macro file of a FILE value lies; set by the layer that knows the macro folders.
// The default takes the value as a path, with ".MAC" added when it has no extension,
// relative to the folder of the circuit being read or written. Empty: no file.
using MacroFileLocator = std::string (*)(const std::string& fileValue, const std::string& circuitPath);
extern MacroFileLocator LocateMacroFile;
std::string DefaultMacroFileLocation(const std::string& fileValue, const std::string& circuitPath);

// The declared parameters ("GAIN=1", "R") of a statement text from its "(" on; empty when
// the text holds no "(".
std::vector<std::string> ParseParameterList(const std::string& statement);

// The parameter list of a macro file: its first .PARAMETERS statement among its grid
// texts, else among the lines of its text area (read with a hidden open). Empty when the
// file cannot be read or declares none.
std::vector<std::string> ReadMacroParameterList(const std::string& path);

// "amp(10,1k)": the FILE value and, with a parameter list, each parameter's "Param:"
// attribute in list order (a missing one takes the default after "=", or nothing).
std::string MacroCallText(CircuitObject& part, const std::vector<std::string>& parameters);

// Turns the VALUE call of a macro part into FILE and "Param:" attributes.
void ConvertMacroValueAttr(CircuitObject& part, const std::vector<std::string>& parameters);

// Remembers the parameter list of the last macro file asked for during one load or save.
class MacroParameterCache {
public:
    const std::vector<std::string>& For(const std::string& fileValue, const std::string& circuitPath);

private:
    std::string file_;
    std::vector<std::string> parameters_;
    bool valid_ = false;
};

}  // namespace ob7
