// Writes the default library files of the program folder from the readable tables in
// data/libraries/: the shape library "Standard.shp" (shapes.txt), the component library
// "Demo.cmp" (components.txt), the package file "Demo.pkg" (packages.txt), and the empty
// libraries that other parts of the program fill ("Import.cmp", "Macro.cmp",
// "Filter.cmp", "Import.shp"). Any inconsistency in the tables stops the build.
//
// Usage: ob7_libgen <source folder> <output folder>

#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/library_text.h"
#include "libraries/package.h"
#include "libraries/shape.h"
#include "libraries/shapedef.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace ob7;

namespace {

struct Entry {
    std::string key, value;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
    int line = 0;
};

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "ob7_libgen: %s\n", what.c_str());
    std::exit(1);
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::vector<Section> ReadSections(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        Fail("cannot read " + path);
    std::vector<Section> sections;
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            sections.push_back({line.substr(1, line.find(']') - 1), {}, number});
            continue;
        }
        if (sections.empty())
            Fail(path + ":" + std::to_string(number) + ": entry outside a section");
        size_t eq = line.find('=');
        std::string key = Trim(line.substr(0, eq));
        std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        sections.back().entries.push_back({key, value});
    }
    return sections;
}

std::string Get(const Section& s, const char* key)
{
    for (const Entry& e : s.entries)
        if (EqualNoCase(e.key, key))
            return e.value;
    return {};
}

void BuildShapes(const std::string& path, ShapeLibrary& lib)
{
    for (const Section& s : ReadSections(path)) {
        if (!EqualNoCase(s.name, "shape"))
            continue;
        ShapeDefReader reader;
        reader.Begin();
        for (const Entry& e : s.entries)
            reader.Entry(UpperCopy(e.key), e.value);
        std::unique_ptr<Shape> shape = reader.TakeShape();
        if (shape->name.empty())
            Fail(path + ":" + std::to_string(s.line) + ": shape without a name");
        if (lib.FindShape(shape->name))
            Fail("shape " + shape->name + " is defined twice");
        lib.shapes.push_back(std::move(shape));
    }
    if (!lib.LinkRootObjects().empty())
        Fail("shape inclusions form a cycle");
    for (auto& shape : lib.shapes)
        for (Shape* link : shape->rootLinks)
            if (!link)
                Fail("shape " + shape->name + " includes a shape that does not exist");
    // Boxes of including shapes depend on the boxes of the included ones.
    for (size_t pass = 0; pass < lib.shapes.size(); ++pass) {
        bool changed = false;
        for (auto& shape : lib.shapes) {
            Rect32 box = ComputeShapeBox(*shape);
            if (!(box == shape->box)) {
                shape->box = box;
                changed = true;
            }
        }
        if (!changed)
            return;
    }
    Fail("shape inclusions form a cycle");
}

void BuildComponents(const std::string& path, ComponentLibrary& lib, const ShapeLibrary& shapes)
{
    for (const Section& s : ReadSections(path)) {
        if (!EqualNoCase(s.name, "component"))
            continue;
        std::string where = path + ":" + std::to_string(s.line) + ": ";
        ComponentDef& d = *lib.Add();
        d.name = Get(s, "Name");
        if (d.name.empty())
            Fail(where + "component without a name");
        d.type = ComponentTypeFromDefinitionName(Get(s, "Definition"));
        if (d.type < 0)
            Fail(where + "unknown definition " + Get(s, "Definition"));
        d.shapeName = Get(s, "Shape");
        d.shape = shapes.FindShape(d.shapeName);
        if (!d.shape)
            Fail(where + "unknown shape " + d.shapeName);
        std::string group = Get(s, "Group");
        for (char& c : group)
            if (c == '/')
                c = '\n';
        ComponentGroup* g = lib.MakeGroupPath(group);
        d.group = g ? g->number : 0;
        d.memo = Get(s, "Memo");
        std::string mask = Get(s, "Mask");
        d.mask = static_cast<uint16_t>(mask.empty() ? 0x1800 : std::strtol(mask.c_str(), nullptr, 0));
        d.data1 = static_cast<int16_t>(std::atoi(Get(s, "Data1").c_str()));
        d.data2 = static_cast<int16_t>(std::atoi(Get(s, "Data2").c_str()));
        std::istringstream pins(Get(s, "Pins"));
        std::string pair;
        while (pins >> pair) {
            ComponentPin p;
            if (std::sscanf(pair.c_str(), "%hd,%hd", &p.x, &p.y) != 2)
                Fail(where + "bad pin " + pair);
            p.nameDx = 4;
            p.nameDy = -4;
            d.pins.push_back(p);
        }
        int wanted = GetPinCount(d);
        if (wanted != d.PinCount())
            Fail(where + d.name + " has " + std::to_string(d.PinCount()) + " pins, its type " +
                 std::to_string(wanted));
        // Attribute texts start to the right of the symbol, level with its top; a quarter
        // turn maps (x, y) to (-y, x), so the turned symbol spans -bottom..-top across.
        Rect32 box = d.shape->box;
        d.labelOffsets[0] = static_cast<int16_t>(box.right + 8);
        d.labelOffsets[1] = static_cast<int16_t>(box.top);
        d.labelOffsets[2] = static_cast<int16_t>(-box.top + 8);
        d.labelOffsets[3] = static_cast<int16_t>(box.left);
    }
    for (size_t i = 0; i < lib.components.size(); ++i)
        for (size_t j = i + 1; j < lib.components.size(); ++j)
            if (EqualNoCase(lib.components[i]->name, lib.components[j]->name))
                Fail("component " + lib.components[i]->name + " is defined twice");
}

void Check(int code, const std::string& file)
{
    if (code != 0)
        Fail("writing " + file + " failed with code " + std::to_string(code));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        Fail("usage: ob7_libgen <source folder> <output folder>");
    std::string in = std::string(argv[1]) + "/";
    std::string out = std::string(argv[2]) + "/";

    auto& shapeTable = ShapeLibraryTable();
    shapeTable.emplace_back();
    ShapeLibrary& standard = shapeTable.back();
    BuildShapes(in + "shapes.txt", standard);
    standard.fileName = out + "Standard.shp";
    Check(standard.Write(), standard.fileName);

    ShapeLibrary import;
    import.fileName = out + "Import.shp";
    Check(import.Write(), import.fileName);

    auto& table = ComponentLibraryTable();
    table.emplace_back();
    ComponentLibrary& demo = table.back();
    demo.fileName = out + "Demo.cmp";
    BuildComponents(in + "components.txt", demo, standard);
    Check(demo.Write(kComponentFileVersion), demo.fileName);
    BuildComponentIndex(demo, -1, true);

    for (const char* name : {"Import.cmp", "Macro.cmp", "Filter.cmp"}) {
        ComponentLibrary empty;
        empty.fileName = out + name;
        Check(empty.Write(kComponentFileVersion), empty.fileName);
    }

    std::vector<Package> packages;
    if (ParsePackageList(packages, in + "packages.txt") != 0)
        Fail("cannot read packages.txt");
    std::string missing = PackageConsistencyText(packages);
    if (!missing.empty())
        Fail(missing);
    Check(WritePackageList(packages, out + kPackageFileName), kPackageFileName);
    return 0;
}
