#pragma once
// What start-up reads of the libraries once the settings file has registered their files:
// the shape and component libraries, the palettes' parts, the package list and the
// current component.

namespace ob7 {

// Builds "Shape not Found" and "Component Not Found", which stand in for what a circuit
// names but no library has; done before anything can look a component up.
void BuildPlaceholderRecords();

// Loads the shipped libraries when the program folder holds them; returns false (nothing
// loaded) when it does not. A package file that cannot be read is reported and start-up
// goes on with an empty package list.
bool LoadStartupLibraries();

}  // namespace ob7
