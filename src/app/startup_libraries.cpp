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

bool LoadStartupLibraries() {
    if (!std::filesystem::exists(DefaultLibraryName())) return false;
    LoadShapeLibraries();
    LoadComponentLibraries();
    ResolvePaletteParts();
    // The list binds its packages to the component records just loaded.
    ClearPackageList();
    ParsePackageList(PackageList());
    // The last placed component is current again, else the resistor.
    InitCurrentComponent();
    return true;
}

}  // namespace ob7
