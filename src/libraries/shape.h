#pragma once
// Shapes: named lists of drawing objects stored as a packed object block, held in shape
// libraries (".SHP" files). The process-wide table of loaded libraries is the search
// order of shape names.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob7 {

struct Rect32 {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect32&) const = default;
};

// Stored object codes.
enum ShapeObjectCode : int16_t {
    SO_ROOT = 1, SO_LINE = -1, SO_RECTANGLE = -2, SO_ELLIPSE = -3, SO_ARC = -4, SO_BLOCK = -5,
    SO_UNUSED7 = -7, SO_UNUSED8 = -8, SO_UNUSED11 = -11, SO_DIAMOND = -12, SO_TEXT = -13,
    SO_POLY_CLOSED = -17, SO_UNUSED18 = -18, SO_POLY_OPEN = -19, SO_SEVEN_SEGMENT = -22,
    SO_LED = -23, SO_SWITCH = -24, SO_CURRENT = -25,
};

enum ShapeStyleBits : int16_t { SS_SELECTED = 1, SS_INCLUDED = 2, SS_FILLED = 8 };

constexpr int kShapeKind = 11;
constexpr int kRootBodySize = 68;
constexpr int kRootNameOffset = 16;
constexpr int kRootNameSize = 52;
constexpr int kTextFaceOffset = 22;   // RECT (16) + FontRecord (6)
constexpr int kTextStringOffset = 54; // + char[32] face name
constexpr const char* kAutoMacroName = "AutoMacro";
constexpr const char* kDefaultShapeName = "Shape not Found";

struct Shape {
    int32_t kind = kShapeKind;
    std::vector<uint8_t> block;  // int16 count, then the objects; empty when none
    int32_t usedMark = 0;
    std::string name;
    Rect32 box;
    std::string importAlias;     // empty when none
    // The shapes the ROOT objects include, one per ROOT object in block order; set when
    // the library is loaded (a stored link is meaningless in a file).
    std::vector<Shape*> rootLinks;

    int ObjectCount() const;
};

struct ShapeLibrary {
    std::vector<std::unique_ptr<Shape>> shapes;
    std::string lastShape;
    std::string fileName;
    std::string savedFileName;
    std::vector<Shape*> slots;  // old files only: slot number -> shape
    int64_t fileTime = 0;
    int32_t version = 0;

    Shape* FindShape(const std::string& name) const;
    void ClearUsedMarks();
    // Fixes objects of older versions and links every ROOT object by name; returns the
    // names of shapes whose inclusions formed a cycle (see LinkRootObjects).
    std::vector<std::string> ConvertOldObjects(int version);
    // Links the ROOT objects of every shape to the shapes of this library by name. An
    // inclusion that closes a cycle is left unlinked, so it is not drawn; the names of
    // the shapes that held such inclusions are returned.
    std::vector<std::string> LinkRootObjects();
    // Reads the file; 0, the open error, or 15055 after a reported format or version error.
    int Read(const std::string& path, bool report);
    // Writes the library in version 11 to its file name; 0, or 15055 after a file error
    // was reported.
    int Write();
};

// The reserved handle of the automatic macro outline; never dereferenced.
extern Shape* const AutoMacroShape;
// The placeholder drawing of a missing shape.
Shape& DefaultShape();

// Process-wide table of loaded shape libraries.
std::vector<ShapeLibrary>& ShapeLibraryTable();
int AddShapeLibrary(const std::string& path);
void RemoveShapeLibrary(int index);
int FindShapeLibraryByName(const std::string& path);
void FreeShapeLibraries();
// Loads library index: read with reporting; 0 or the message code.
int LoadShapeLibrary(int index);
// Start-up: the standard library when the table is empty, then every library loaded;
// a library that fails is removed and reported.
int LoadShapeLibraries();
std::string DefaultShapeLibraryPath();

Shape* FindShapeByName(const std::string& name);
bool IsLibraryShape(const Shape* shape);
void DetachShapeFromComponents(const Shape* shape);
// Relinks every component definition by shape name; returns the warning text shown for
// missing shapes (empty when none were missing).
std::string LinkComponentShapes();
void ClearShapeImportAliases();
Shape* FindShapeByImportAlias(const std::string& name);

// Bounding box of a shape's objects (normalised lines, empty extents widened to 1).
Rect32 ComputeShapeBox(const Shape& shape);

}  // namespace ob7
