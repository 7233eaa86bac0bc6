#include "app/startup_libraries.h"

#include <filesystem>

#include "app/tool_buttons.h"
#include "libraries/component_library.h"
#include "libraries/package.h"
#include "libraries/shape.h"
#include "netlist/component_def_cache.h"

namespace ob7 {

void BuildPlaceholderRecords() {
    DefaultShape();
    InitMissingComponentPlaceholder();
    // Definitions found before the placeholder was rebuilt are looked up afresh.
    ClearComponentDefCache();
}

StartupLibraryResult LoadStartupLibraries() {
    // Without the shipped data the program still runs, with no components to place.
    if (!std::filesystem::exists(DefaultLibraryName())) return StartupLibraryResult::NotInstalled;
    LoadShapeLibraries();
    LoadComponentLibraries();
    // A library that fails is reported and dropped from the table.
    if (FindComponentLibraryByName(DefaultLibraryName()) < 0) return StartupLibraryResult::Failed;
    ResolvePaletteParts();
    // The list binds its packages to the component records just loaded.
    ClearPackageList();
    ParsePackageList(PackageList());
    // The last placed component is current again, else the resistor.
    InitCurrentComponent();
    return StartupLibraryResult::Loaded;
}

void FreeStartupLibraries() {
    ClearPackageList();
    ClearComponentDefCache();
    FreeComponentLibraries();
    FreeShapeLibraries();
}

}  // namespace ob7
