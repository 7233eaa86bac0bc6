#pragma once
// Component definitions: a named component of one type with its shape, pins, display
// flags, memo, cost and power. Definitions live in component libraries.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

struct Shape;

// ComponentMask bits.
enum ComponentMaskBits : uint16_t {
    CM_PALETTE = 0x000F,
    CM_TEMPORARY = 0x0010,
    CM_SHOW_MODEL = 0x0040,
    CM_ASSIGN_NAME = 0x0080,
    CM_SHOW_FIRST_ATTR = 0x0800,
    CM_SHOW_PART = 0x1000,
    CM_SHOW_PIN_NUMBERS = 0x2000,
    CM_SHOW_PIN_NAMES = 0x4000,
    CM_WRITTEN = 0x8000,
};

constexpr int kComponentDefKind = 14;

struct ComponentPin {
    // Kind letter and name, for Macro and Subckt optionally followed by a NUL and a second
    // name; empty for types without user pin names. Its size is the stored text length.
    std::string text;
    int16_t x = 0, y = 0;          // position on the shape in grid units
    int16_t nameDx = 0, nameDy = 0;  // pin-name text offset in drawing units

    bool operator==(const ComponentPin&) const = default;
};

struct ComponentDef {
    int32_t kind = kComponentDefKind;
    int32_t type = 0;
    uint16_t mask = 0;
    int16_t group = 0;
    int16_t data1 = 0, data2 = 0;
    std::string memo;
    int16_t labelOffsets[4] = {};  // rotation 0 x, y; rotation 1 x, y
    int16_t importMark = 0;
    std::string name;
    std::vector<ComponentPin> pins;
    std::string shapeName;
    Shape* shape = nullptr;        // a loaded shape, AutoMacroShape, DefaultShape or null
    // The linked shape only stands in for a shape that was missing when the library was
    // read; the stored name is kept so that saving does not lose it.
    bool shapeStandIn = false;
    int16_t macroBox[4] = {};      // left, top, right, bottom in grid units
    double cost = 0, power = 0;
    int32_t tag = 0;

    int PinCount() const { return static_cast<int>(pins.size()); }

    // Empties the record (type 0, no pins, no texts, no shape).
    void Clear();
    // Copies every field of the source.
    void CopyFrom(const ComponentDef& source) { *this = source; }
    // Copies the source but keeps this definition's name and group.
    void ReplaceKeepName(const ComponentDef& source);
    void Swap(ComponentDef& other);
    int PinTextLength(int n) const;
    // Same pin count and same pin names in any order, ignoring case.
    bool SamePinNames(const ComponentDef& other) const;
};

// Resizes the pins; a definition that had none gets pin i at (0, 2i). Returns 0.
int SetPinCount(ComponentDef& def, int n);
// The pin count the type's rules give (GetPinCount); resizes the pins to it. Returns 0
// when valid, 1 when invalid; with repair the data fields are tried (0,0),(1,0),(0,1),(1,1).
int SetPinCountFromType(ComponentDef& def, bool repair);
// Builds pin n's text with the kind letter forced by the type.
void SetPinName(ComponentDef& def, int n, char kind, const std::string& name,
                const std::string* second = nullptr);
bool PinHasSecondName(const ComponentDef& def, int n);
std::string GetPinSecondName(const ComponentDef& def, int n);
char GetPinKind(const ComponentDef& def, int n);
int CountPinsOfKind(const ComponentDef& def, char kind);
// The name of pin n by the type's pin-name scheme.
std::string GetPinName(const ComponentDef& def, int n);
int FindPinByName(const ComponentDef& def, const std::string& name);
int CountInputPins(const ComponentDef& def);
// Pin count by the type's rules: fixed, or from the pin scheme and data fields; -1 invalid.
int GetPinCount(const ComponentDef& def);
// "name" or "name:memo"; "" for a null definition or an invalid type.
std::string GetPartDisplayName(const ComponentDef* def);
// Links the shape and stores its name ("AutoMacro" for the macro shape); null clears the link.
void SetComponentShape(ComponentDef& def, Shape* shape);
std::string AppendNumberToName(const std::string& text, int number);

}  // namespace ob7
