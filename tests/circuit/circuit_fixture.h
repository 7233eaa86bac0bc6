#pragma once
// Test helper: a component library with the few definitions the circuit tests place
// (resistor, capacitor, ground, jumper, tie, an AND gate, a macro), and a scratch folder.

#include "circuit/circuit_document.h"
#include "libraries/component_def.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/shape.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace ob7::test {

struct TestDefs {
    ComponentDef* resistor;
    ComponentDef* capacitor;
    ComponentDef* ground;
    ComponentDef* jumper;
    ComponentDef* tie;
    ComponentDef* andGate;
    ComponentDef* macro;
};

inline ComponentDef* AddDef(ComponentLibrary& lib, const char* name, int type,
                            std::initializer_list<std::pair<int, int>> pins)
{
    ComponentDef* d = lib.Add();
    d->Clear();
    d->name = name;
    d->type = type;
    d->pins.resize(pins.size());
    int i = 0;
    for (auto [x, y] : pins) {
        d->pins[i].x = static_cast<int16_t>(x);
        d->pins[i].y = static_cast<int16_t>(y);
        ++i;
    }
    SetComponentShape(*d, &DefaultShape());
    return d;
}

inline const TestDefs& Defs()
{
    static TestDefs defs = [] {
        InitMissingComponentPlaceholder();
        int n = AddComponentLibrary("circuit_test.cmp");
        ComponentLibrary& lib = ComponentLibraryTable()[n];
        TestDefs d{};
        d.resistor = AddDef(lib, "Resistor", CT_RESISTOR, {{0, 0}, {4, 0}});
        d.capacitor = AddDef(lib, "Capacitor", CT_CAPACITOR, {{0, 0}, {0, 4}});
        d.ground = AddDef(lib, "Ground", CT_GROUND, {{0, 0}});
        d.jumper = AddDef(lib, "Jumper", CT_JUMPER, {{0, 0}, {2, 0}});
        d.tie = AddDef(lib, "Tie", CT_TIE, {{0, 0}});
        // A two-input gate: In1, In2, Out.
        d.andGate = AddDef(lib, "And2", CT_AND, {{0, 0}, {0, 2}, {4, 1}});
        d.andGate->data1 = 2;
        d.macro = AddDef(lib, "Amp", CT_MACRO, {{0, 0}, {4, 0}});
        SetPinName(*d.macro, 0, 'a', "IN");
        SetPinName(*d.macro, 1, 'a', "OUT");
        return d;
    }();
    return defs;
}

// A folder of its own under the system's temporary folder, removed at the end.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ob7circuitXXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

}  // namespace ob7::test
