#pragma once
// The records of a drawn circuit: placed parts, wires and graphic objects with their
// attributes, grid texts and schematic pages, with their codes, the defaults of a new
// record and the limits every reader enforces.

#include "circuit/attribute_ids.h"

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/profile.h"

namespace ob7 {

struct ComponentDef;

enum ObjectKind : int16_t { OK_COMPONENT = 0, OK_WIRE = 1, OK_GRAPHIC = 2 };

constexpr uint8_t kNoHatch = 10;

struct LineStyle {
    uint8_t weight = 1;      // 1, 2 or 3
    uint8_t pattern = 0;     // 0 solid
    uint8_t colour = kNoColor;
    uint8_t fillColour = kNoColor;
    uint8_t fillPattern = kNoHatch;
    bool operator==(const LineStyle&) const = default;
};

// StyleWord bits.
enum StyleWordBits : uint16_t {
    SW_ARROW_F = 0x0001,      // lines: arrow head "ArrowF"; old closed shapes: filled
    SW_ARROW = 0x0002,        // lines: "Arrow"; rectangles: rounded
    SW_LOCKED = 0x0010,
    SW_BORDER = 0x0080,
    SW_GRAPHIC_KIND = 0x0F00,
    SW_SHOW_PIN_TEXT = 0x8000,
};

// Graphic kinds (bits 8-11 of the style word).
struct GraphicKindRow {
    uint16_t code;
    const char* name;
    bool closed;
};
extern const GraphicKindRow GraphicKindTable[12];
// The name of a code; "" when the code is not in the table.
const char* GraphicKindName(int code);
// The code of a name (any case); 0 when it is not in the table.
int GraphicKindFromName(const char* name);
bool GraphicKindIsClosed(int code);

// AttrNode display flags.
enum AttrFlags : uint16_t {
    AF_SHOW_VALUE = 0x2000, AF_SHOW_NAME = 0x1000, AF_HIDDEN = 0x80, AF_NOT_FOUND_TEXT = 0x20,
};

struct FontRef {
    int16_t height = 0;
    uint16_t face = 0;
    uint8_t style = 0;
    uint8_t colour = 0;
    bool operator==(const FontRef&) const = default;
};

struct AttrNode {
    uint16_t flags = 0;
    int id = 0;              // AttributeId 1..62, or 0 for a user attribute named below
    std::string userName;
    std::string value;
    FontRef font;
    int32_t dx = 0, dy = 0;  // text offset from the placement point, -1000..1000

    // The attribute's name: the table name of an id, else the user name.
    std::string Name() const;
    // Sets the identity from a name: a table name (any case) becomes its id.
    void SetName(const std::string& name);
    void ClampOffset();
};

struct CircuitObject {
    LineStyle style;
    uint8_t state = 0;           // bit 0 selected
    int16_t kind = OK_COMPONENT;
    int32_t coords[4] = {};      // part: x, y, unused, pin-node count; wire/graphic: x1 y1 x2 y2
    ComponentDef* def = nullptr;
    // The name a file gave a part whose definition was found nowhere (def is then the
    // placeholder); saving writes it back so that the part is not renamed.
    std::string missingName;
    uint16_t styleWord = 0;
    uint8_t showCurrent = 1, showPower = 1, showCondition = 1, showPackagePins = 0, showPinMarkers = 0;
    int16_t rotation = 0;        // 0..7
    int16_t page = 0;
    int16_t editorField = 1;     // the schematic editor's; 1 for a new object
    uint8_t attrsChanged = 0;
    // Node numbers: one per pin of a part (its PinNodeArray; coords[3] holds the count);
    // a wire keeps the node of its ends in entry 0. Filled by node numbering.
    std::vector<int32_t> pinNodes;
    std::vector<AttrNode> attrs; // in display order

    AttrNode* FindAttr(int id);
    AttrNode* FindAttrByName(const std::string& name);
    // Sets an attribute by id or name, adding the node when it is missing.
    AttrNode& SetAttr(int id, const std::string& value);
    AttrNode& SetAttrByName(const std::string& name, const std::string& value);
    int GraphicKind() const { return styleWord & SW_GRAPHIC_KIND; }
};

// A rotated and mirrored pin offset (quarter turns, then the mirror negates y).
void RotatePinOffset(int rotation, int32_t& dx, int32_t& dy);

enum GridTextFlags : uint8_t { GT_FLAG = 1, GT_NODE_NAME = 2 };

struct GridText {
    LineStyle style;
    uint8_t state = 0;
    int16_t page = 0;
    std::string text;
    int32_t x = 0, y = 0;
    int32_t editorField = -1;
    FontRef font;
    uint8_t textFlags = 0;
    int16_t editorField2 = 1;
};

struct PrintPreviewSetting {
    int32_t on = 0;
    double place[4] = {};
};

struct PageRecord {
    int32_t scrollX[4] = {};
    int32_t scrollY[4] = {};
    double zoom[4] = {1.0, 1.0, 1.0, 1.0};
    int32_t gridX = 0, gridY = 0;
    std::string name;
    PrintPreviewSetting preview[3];  // transient, AC, DC
};

// Load flag: keep coordinates and rotations as read.
constexpr int kLoadKeepCoordinates = 2;

// Moves a coordinate outside 1..32000 to 10 (unless the load keeps them) and raises
// *illegal. Returns true when the point was changed.
bool ClampGridPoint(int32_t& x, int32_t& y, int loadFlags, bool* illegal);
bool IsBadRotation(int rotation, int loadFlags);
// The zoom step matching a value read from a file, else 1.0.
double SnapZoomFactor(double zoom);

}  // namespace ob7
