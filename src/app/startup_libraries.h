#pragma once
// What start-up reads of the libraries once the settings file has registered their files:
// the shape and component libraries, the palettes' parts, the package list and the
// current component; and what the end of the program frees of them.

namespace ob7 {

// Builds "Shape not Found" and "Component Not Found", which stand in for what a circuit
// names but no library has; done before anything can look a component up.
void BuildPlaceholderRecords();

enum class StartupLibraryResult {
    Loaded,
    NotInstalled,  // no component library in the program folder: nothing was read
    Failed,        // the component library is there but could not be read (reported)
};

// Loads the shipped libraries when the program folder holds the component library.
// Shape libraries that fail are reported and left out. A package file that cannot be
// read is reported and start-up goes on with an empty package list.
StartupLibraryResult LoadStartupLibraries();

// Frees the libraries and everything that points into them (package list, look-up cache,
// current component).
void FreeStartupLibraries();

}  // namespace ob7
