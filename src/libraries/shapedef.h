#pragma once
// "shapedef" sections of circuit files: the shapes a circuit's parts use, written with
// the circuit, and read back into the import library "Import.shp" when unknown.

#include "libraries/shape_edit.h"

#include <memory>
#include <string>
#include <vector>

namespace ob7 {

class Profile;
struct ComponentDef;

// Marks a shape and, through its ROOT objects, every shape it includes.
void MarkShapeUsed(Shape* shape);
// Writes one shape's keys (the caller writes the section header).
int WriteShapeDef(Profile& out, const Shape& shape);
// Writes a "shapedef" section for every shape the definitions use, included ones too.
int WriteShapeDefSections(Profile& out, const std::vector<const ComponentDef*>& used);

// Reads "shapedef" sections: Begin, one Entry per key (upper-cased) and value, End.
class ShapeDefReader {
public:
    void Begin();
    void Entry(const std::string& key, const std::string& value);
    // Stores the section's shape: the known shape of that name, or a new shape of the
    // import library; null when it could not be stored.
    Shape* End();
    // Ends the section without the import rules: the shape as read (its included
    // shapes not yet linked).
    std::unique_ptr<Shape> TakeShape();
    // After the whole file: copies the shapes that imported shapes include into the
    // import library, so that it stands on its own.
    void ResolveImportedRootShapes();

    int importIndex = -1;                   // the import library, once it is needed
    std::vector<std::string> importedNames; // shapes added to it

private:
    void FindOrOpenImportLibrary();
    ShapeEditList list_;
    std::string name_;
    int pendingLines_ = 0;   // BLOCKLINE or POLYLINE entries still expected
    int pendingCode_ = 0;
    std::vector<uint8_t> pendingBody_;
    int pendingStyle_ = 0;
    int pendingIndex_ = 0;
    void FlushPending();
};

std::string ImportShapeLibraryPath();

}  // namespace ob7
