#include "libraries/shape.h"

#include "libraries/byte_io.h"
#include "libraries/component_library.h"
#include "libraries/library_files.h"
#include "libraries/library_text.h"
#include "libraries/shape_edit.h"

#include "foundation/messages.h"
#include "foundation/paths.h"

#include <algorithm>

namespace ob7 {

// A static object whose address serves as the reserved handle.
static Shape autoMacroSentinel;
Shape* const AutoMacroShape = &autoMacroSentinel;

Shape& DefaultShape()
{
    static Shape shape = [] {
        Shape s;
        s.name = kDefaultShapeName;
        s.box = {0, 0, 20, 20};
        AppendObject(s.block, MakeRectBody(0, 0, 20, 20), SO_RECTANGLE, 0);
        return s;
    }();
    return shape;
}

int Shape::ObjectCount() const
{
    return block.size() >= 2 ? GetI16(block.data()) : 0;
}

Shape* ShapeLibrary::FindShape(const std::string& name) const
{
    for (const auto& s : shapes)
        if (EqualNoCase(s->name, name))
            return s.get();
    return nullptr;
}

void ShapeLibrary::ClearUsedMarks()
{
    for (auto& s : shapes)
        s->usedMark = 0;
}

// Depth-first walk over the inclusion links; an edge back to a shape on the current
// path closes a cycle and is cut.
static void CutCycles(Shape* s, std::vector<int>& state, const std::vector<std::unique_ptr<Shape>>& shapes,
                      std::vector<std::string>& cut)
{
    auto indexOf = [&](const Shape* p) {
        for (size_t i = 0; i < shapes.size(); ++i)
            if (shapes[i].get() == p)
                return static_cast<int>(i);
        return -1;
    };
    int me = indexOf(s);
    state[me] = 1;
    for (Shape*& link : s->rootLinks) {
        int next = link ? indexOf(link) : -1;
        if (next < 0)
            continue;
        if (state[next] == 1) {
            link = nullptr;
            if (std::find(cut.begin(), cut.end(), s->name) == cut.end())
                cut.push_back(s->name);
        } else if (state[next] == 0) {
            CutCycles(link, state, shapes, cut);
        }
    }
    state[me] = 2;
}

std::vector<std::string> ShapeLibrary::LinkRootObjects()
{
    for (auto& s : shapes) {
        s->rootLinks.clear();
        ForEachStoredObject(s->block, [&](int code, int, const uint8_t* body, int length, int) {
            if (code != SO_ROOT)
                return;
            std::string name;
            if (length >= kRootBodySize) {
                const char* p = reinterpret_cast<const char*>(body + kRootNameOffset);
                name.assign(p, strnlen(p, kRootNameSize));
            }
            s->rootLinks.push_back(FindShape(name));
        });
    }
    std::vector<std::string> cut;
    std::vector<int> state(shapes.size(), 0);
    for (auto& s : shapes)
        if (state[&s - &shapes[0]] == 0)
            CutCycles(s.get(), state, shapes, cut);
    return cut;
}

std::vector<ShapeLibrary>& ShapeLibraryTable()
{
    static std::vector<ShapeLibrary> table;
    return table;
}

int FindShapeLibraryByName(const std::string& path)
{
    auto& table = ShapeLibraryTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].fileName.empty() && EqualNoCase(table[i].fileName, path))
            return static_cast<int>(i);
    return -1;
}

int AddShapeLibrary(const std::string& path)
{
    int found = FindShapeLibraryByName(path);
    if (found >= 0)
        return found;
    auto& table = ShapeLibraryTable();
    table.emplace_back();
    table.back().fileName = path;
    return static_cast<int>(table.size()) - 1;
}

void RemoveShapeLibrary(int index)
{
    auto& table = ShapeLibraryTable();
    if (index < 0 || index >= static_cast<int>(table.size()))
        return;
    for (auto& s : table[index].shapes)
        DetachShapeFromComponents(s.get());
    table.erase(table.begin() + index);
}

void FreeShapeLibraries()
{
    auto& table = ShapeLibraryTable();
    for (auto& lib : table)
        for (auto& s : lib.shapes)
            DetachShapeFromComponents(s.get());
    table.clear();
}

std::string DefaultShapeLibraryPath()
{
    return JoinProgramFolder("Standard.shp");
}

int LoadShapeLibrary(int index)
{
    auto& table = ShapeLibraryTable();
    if (index < 0 || index >= static_cast<int>(table.size()))
        return MSG_REPORTED;
    std::string path = table[index].fileName;
    return table[index].Read(path, true);
}

int LoadShapeLibraries()
{
    auto& table = ShapeLibraryTable();
    if (table.empty())
        AddShapeLibrary(DefaultShapeLibraryPath());
    for (size_t i = 0; i < table.size();) {
        std::string path = table[i].fileName;
        int code = LoadShapeLibrary(static_cast<int>(i));
        if (code == 0) {
            ++i;
            continue;
        }
        RemoveShapeLibrary(static_cast<int>(i));
        if (code != MSG_REPORTED)
            ReportLibraryMessage(code, path);
    }
    return 0;
}

Shape* FindShapeByName(const std::string& name)
{
    if (EqualNoCase(name, kAutoMacroName))
        return AutoMacroShape;
    if (EqualNoCase(name, kDefaultShapeName))
        return &DefaultShape();
    for (auto& lib : ShapeLibraryTable())
        if (Shape* s = lib.FindShape(name))
            return s;
    return nullptr;
}

bool IsLibraryShape(const Shape* shape)
{
    for (auto& lib : ShapeLibraryTable())
        for (auto& s : lib.shapes)
            if (s.get() == shape)
                return true;
    return false;
}

void DetachShapeFromComponents(const Shape* shape)
{
    for (auto& lib : ComponentLibraryTable())
        for (auto& def : lib.components)
            if (def->shape == shape)
                def->shape = nullptr;
}

std::string LinkComponentShapes()
{
    std::string text;
    int missing = 0;
    for (auto& lib : ComponentLibraryTable()) {
        for (auto& def : lib.components) {
            def->shape = FindShapeByName(def->shapeName);
            def->shapeStandIn = false;
            if (def->shape)
                continue;
            if (++missing <= 6) {
                if (!text.empty())
                    text += "\n";
                text += "Warning a Component " + def->name + " uses shape " + def->shapeName +
                        " which does not exist.";
            }
        }
    }
    if (!text.empty())
        ReportMessage("F", "%s", text.c_str());
    return text;
}

void ClearShapeImportAliases()
{
    for (auto& lib : ShapeLibraryTable())
        for (auto& s : lib.shapes)
            s->importAlias.clear();
}

Shape* FindShapeByImportAlias(const std::string& name)
{
    for (auto& lib : ShapeLibraryTable())
        for (auto& s : lib.shapes)
            if (!s->importAlias.empty() && EqualNoCase(s->importAlias, name))
                return s.get();
    return nullptr;
}

Rect32 ComputeShapeBox(const Shape& shape)
{
    ShapeEditList list;
    ShapeToEditList(shape, list, EOF_KEEP_UNLINKED_ROOT);
    Shape scratch;
    StoreEditList(scratch, list);
    return scratch.box;
}

}  // namespace ob7
