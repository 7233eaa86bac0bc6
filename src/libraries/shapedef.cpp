#include "libraries/shapedef.h"

#include "libraries/byte_io.h"
#include "libraries/component_def.h"
#include "libraries/library_files.h"
#include "libraries/library_text.h"

#include "foundation/paths.h"
#include "foundation/profile.h"

#include <cstdlib>
#include <cstring>
#include <set>

namespace ob7 {

static const char* const kDecorationNames[5] = {"None", "Clock", "Inv", "InvClock", "Line"};

std::string ImportShapeLibraryPath()
{
    return JoinProgramFolder("Import.shp");
}

void MarkShapeUsed(Shape* shape)
{
    // The mark doubles as the visited flag, so cyclic inclusions end.
    if (!shape || shape == AutoMacroShape || shape->usedMark)
        return;
    shape->usedMark = 1;
    for (Shape* included : shape->rootLinks)
        MarkShapeUsed(included);
}

static std::string RectText(const uint8_t* p)
{
    return std::to_string(GetI32(p)) + "," + std::to_string(GetI32(p + 4)) + "," +
           std::to_string(GetI32(p + 8)) + "," + std::to_string(GetI32(p + 12));
}

int WriteShapeDef(Profile& out, const Shape& shape)
{
    out.WriteString("Name", shape.name.c_str());
    ForEachStoredObject(shape.block, [&](int code, int style, const uint8_t* b, int length, int rootIndex) {
        bool filled = style & SS_FILLED;
        std::string v;
        switch (code) {
        case SO_ROOT: {
            Shape* link = rootIndex < static_cast<int>(shape.rootLinks.size()) ? shape.rootLinks[rootIndex] : nullptr;
            if (!link || length < kRootBodySize)
                return;
            v = "\"" + link->name + "\"," + std::to_string(GetI32(b)) + "," + std::to_string(GetI32(b + 4)) + "," +
                std::to_string(GetI16(b + 8));
            out.WriteString("Root", v.c_str());
            return;
        }
        case SO_LINE: out.WriteString("Line", RectText(b).c_str()); return;
        case SO_RECTANGLE: case SO_ELLIPSE: case SO_DIAMOND: {
            v = RectText(b) + (filled ? ",SOLID" : "");
            const char* key = code == SO_RECTANGLE ? "Rectangle" : code == SO_ELLIPSE ? "Ellipse" : "Diamond";
            out.WriteString(key, v.c_str());
            return;
        }
        case SO_SEVEN_SEGMENT: out.WriteString("Seven Segment", RectText(b).c_str()); return;
        case SO_LED: out.WriteString("Led", RectText(b).c_str()); return;
        case SO_SWITCH: out.WriteString("Switch", RectText(b).c_str()); return;
        case SO_CURRENT: out.WriteString("Current", RectText(b).c_str()); return;
        case SO_ARC:
            v = RectText(b) + " , " + RectText(b + 16);
            out.WriteString("Arc", v.c_str());
            return;
        case SO_TEXT: {
            if (length < kTextStringOffset)
                return;
            const char* text = reinterpret_cast<const char*>(b + kTextStringOffset);
            const char* face = reinterpret_cast<const char*>(b + kTextFaceOffset);
            v = "\"" + std::string(text, strnlen(text, length - kTextStringOffset)) + "\"," + RectText(b) +
                " , " + std::to_string(GetI16(b + 16)) + "," + std::to_string(b[20]) + ",\"" +
                std::string(face, strnlen(face, 32)) + "\"";
            out.WriteString("Text", v.c_str());
            return;
        }
        case SO_BLOCK: {
            if (length < 20)
                return;
            int n = std::max(0, std::min<int>(GetI16(b), (length - 20) / 12));
            v = RectText(b + 4) + "," + std::to_string(GetI16(b + 2)) + "," + std::to_string(n);
            out.WriteString("Block", v.c_str());
            for (int i = 0; i < n; ++i) {
                const uint8_t* line = b + 20 + 12 * i;
                int d = GetI16(line);
                std::string name = d >= 0 && d < 5 ? kDecorationNames[d] : "";
                std::string lv = "\"" + name + "\"," + std::to_string(GetI32(line + 4)) + "," +
                                 std::to_string(GetI32(line + 8));
                out.WriteString("BlockLine", lv.c_str());
            }
            return;
        }
        case SO_POLY_CLOSED: case SO_POLY_OPEN: {
            if (length < 20)
                return;
            int n = std::max(0, std::min<int>(GetI16(b), (length - 20) / 8));
            v = std::to_string(n) + (filled ? " ,Solid" : "");
            out.WriteString(code == SO_POLY_CLOSED ? "PolyClosed" : "PolyOpen", v.c_str());
            for (int i = 0; i < n; ++i) {
                const uint8_t* p = b + 20 + 8 * i;
                std::string pv = std::to_string(GetI32(p)) + "," + std::to_string(GetI32(p + 4));
                out.WriteString("PolyLine", pv.c_str());
            }
            return;
        }
        default:
            return;
        }
    });
    return out.error;
}

int WriteShapeDefSections(Profile& out, const std::vector<const ComponentDef*>& used)
{
    for (auto& lib : ShapeLibraryTable())
        lib.ClearUsedMarks();
    for (const ComponentDef* d : used)
        if (d && d->shape && d->shape != AutoMacroShape)
            MarkShapeUsed(d->shape);
    for (auto& lib : ShapeLibraryTable()) {
        for (auto& s : lib.shapes) {
            if (!s->usedMark)
                continue;
            out.WriteSection("shapedef");
            WriteShapeDef(out, *s);
        }
    }
    for (auto& lib : ShapeLibraryTable())
        lib.ClearUsedMarks();
    return out.error;
}

// ---- reading ----

// Splits a value into fields: quoted texts whole, the rest at commas, blanks trimmed.
static std::vector<std::string> Fields(std::string text)
{
    std::vector<std::string> out;
    for (;;) {
        size_t lead = text.find_first_not_of(" \t");
        if (lead == std::string::npos)
            break;
        text.erase(0, lead);
        if (text[0] == '"') {
            std::string q;
            ParseQuotedField(q, text);
            out.push_back(q);
            continue;
        }
        size_t comma = text.find(',');
        std::string f = text.substr(0, comma);
        while (!f.empty() && (f.back() == ' ' || f.back() == '\t'))
            f.pop_back();
        out.push_back(f);
        if (comma == std::string::npos)
            break;
        text.erase(0, comma + 1);
    }
    return out;
}

static int32_t Num(const std::vector<std::string>& f, size_t i)
{
    return i < f.size() ? BoundShapeCoordinate(std::strtoll(f[i].c_str(), nullptr, 10)) : 0;
}

void ShapeDefReader::Begin()
{
    list_.clear();
    name_.clear();
    pendingLines_ = 0;
    pendingBody_.clear();
}

void ShapeDefReader::FlushPending()
{
    if (!pendingBody_.empty()) {
        if (pendingCode_ != SO_BLOCK) {
            // The bounding box follows from the points.
            std::vector<uint8_t>& b = pendingBody_;
            Rect32 r = PolyBounds(b);
            PutI32(b.data() + 4, r.left); PutI32(b.data() + 8, r.top);
            PutI32(b.data() + 12, r.right); PutI32(b.data() + 16, r.bottom);
        }
        CreateEditObject(list_, pendingBody_.data(), static_cast<int>(pendingBody_.size()), 0, 0,
                         pendingCode_, pendingStyle_, EOF_KEEP_UNLINKED_ROOT);
    }
    pendingBody_.clear();
    pendingLines_ = 0;
}

void ShapeDefReader::Entry(const std::string& key, const std::string& value)
{
    std::vector<std::string> f = Fields(value);
    if (pendingLines_ > 0) {
        bool blockLine = pendingCode_ == SO_BLOCK && key == "BLOCKLINE";
        bool polyLine = pendingCode_ != SO_BLOCK && key == "POLYLINE";
        if (blockLine || polyLine) {
            if (blockLine) {
                uint8_t* p = pendingBody_.data() + 20 + 12 * pendingIndex_;
                int decoration = 4;
                for (int d = 0; d < 5; ++d)
                    if (!f.empty() && f[0] == kDecorationNames[d])
                        decoration = d;
                PutI16(p, decoration);
                PutI32(p + 4, Num(f, 1));
                PutI32(p + 8, Num(f, 2));
            } else {
                uint8_t* p = pendingBody_.data() + 20 + 8 * pendingIndex_;
                PutI32(p, Num(f, 0));
                PutI32(p + 4, Num(f, 1));
            }
            ++pendingIndex_;
            if (--pendingLines_ == 0)
                FlushPending();
            return;
        }
        // Another entry ends the run early and is itself consumed.
        FlushPending();
        return;
    }
    auto rectBody = [&]() { return MakeRectBody(Num(f, 0), Num(f, 1), Num(f, 2), Num(f, 3)); };
    auto add = [&](const std::vector<uint8_t>& body, int code, int style) {
        CreateEditObject(list_, body.data(), static_cast<int>(body.size()), 0, 0, code, style,
                         EOF_KEEP_UNLINKED_ROOT);
    };
    if (key == "NAME") {
        name_ = value.substr(0, 49);
    } else if (key == "LINE" || key == "SEVEN SEGMENT" || key == "LED" || key == "SWITCH" || key == "CURRENT") {
        int code = key == "LINE" ? SO_LINE : key == "SEVEN SEGMENT" ? SO_SEVEN_SEGMENT : key == "LED" ? SO_LED
                 : key == "SWITCH" ? SO_SWITCH : SO_CURRENT;
        add(rectBody(), code, 0);
    } else if (key == "RECTANGLE" || key == "ELLIPSE" || key == "DIAMOND") {
        int code = key == "RECTANGLE" ? SO_RECTANGLE : key == "ELLIPSE" ? SO_ELLIPSE : SO_DIAMOND;
        add(rectBody(), code, f.size() > 4 && f[4] == "SOLID" ? SS_FILLED : 0);
    } else if (key == "ARC") {
        add(MakeArcBody({Num(f, 0), Num(f, 1), Num(f, 2), Num(f, 3)}, {Num(f, 4), Num(f, 5)}, {Num(f, 6), Num(f, 7)}),
            SO_ARC, 0);
    } else if (key == "TEXT") {
        std::string text = f.empty() ? std::string() : f[0];
        std::string face = f.size() > 7 ? f[7] : std::string();
        std::vector<uint8_t> body = MakeTextBody({Num(f, 1), Num(f, 2), Num(f, 3), Num(f, 4)},
                                                 static_cast<int16_t>(Num(f, 5)),
                                                 static_cast<uint16_t>(LibraryFontFaceIndex(face)),
                                                 static_cast<uint8_t>(Num(f, 6)), 0, face, text);
        body.resize(body.size() + 2, 0);  // as the text dialog makes it
        add(body, SO_TEXT, 0);
    } else if (key == "ROOT") {
        add(MakeRootBody(f.empty() ? std::string() : f[0], Num(f, 1), Num(f, 2), Num(f, 3) & 7), SO_ROOT, 0);
    } else if (key == "BLOCK") {
        int n = Num(f, 5);
        if (n <= 0 || n > 4096)
            return;
        pendingBody_.assign(24 * n + 32, 0);
        PutI16(pendingBody_.data(), n);
        PutI16(pendingBody_.data() + 2, Num(f, 4));
        for (int i = 0; i < 4; ++i)
            PutI32(pendingBody_.data() + 4 + 4 * i, Num(f, i));
        for (int i = 0; i < n; ++i)
            PutI16(pendingBody_.data() + 20 + 12 * i, 4);
        pendingCode_ = SO_BLOCK;
        pendingStyle_ = 0;
        pendingIndex_ = 0;
        pendingLines_ = n;
    } else if (key == "POLYCLOSED" || key == "POLYOPEN") {
        int n = Num(f, 0);
        if (n < 0 || n > 65535 / 8)
            return;
        pendingBody_.assign(8 * n + 28, 0);
        PutI16(pendingBody_.data(), n);
        pendingCode_ = key == "POLYCLOSED" ? SO_POLY_CLOSED : SO_POLY_OPEN;
        pendingStyle_ = f.size() > 1 && EqualNoCase(f[1], "SOLID") ? SS_FILLED : 0;
        pendingIndex_ = 0;
        pendingLines_ = n;
        if (n == 0)
            FlushPending();
    }
}

void ShapeDefReader::FindOrOpenImportLibrary()
{
    std::string path = ImportShapeLibraryPath();
    if (FindShapeLibraryByName(path) >= 0)
        return;
    if (!FindExistingPathNoCase(path).empty()) {
        importIndex = AddShapeLibrary(path);
        if (ShapeLibraryTable()[importIndex].Read(path, false) != 0)
            ShapeLibraryTable()[importIndex].shapes.clear();
    }
}

std::unique_ptr<Shape> ShapeDefReader::TakeShape()
{
    FlushPending();
    auto shape = std::make_unique<Shape>();
    shape->name = name_;
    StoreEditList(*shape, list_);
    list_.clear();
    return shape;
}

Shape* ShapeDefReader::End()
{
    FlushPending();
    Shape* result = nullptr;
    if (FindShapeByName(name_)) {
        if (importIndex < 0)
            FindOrOpenImportLibrary();
        result = FindShapeByName(name_);
    } else {
        if (importIndex < 0) {
            FindOrOpenImportLibrary();
            if (importIndex < 0)
                importIndex = AddShapeLibrary(ImportShapeLibraryPath());
        }
        if (importIndex >= 0) {
            auto shape = std::make_unique<Shape>();
            shape->name = name_;
            StoreEditList(*shape, list_);
            result = shape.get();
            ShapeLibraryTable()[importIndex].shapes.push_back(std::move(shape));
            importedNames.push_back(name_);
        }
    }
    list_.clear();
    return result;
}

// Copies the shapes included by `shape` into the import library (recursively).
static void ResolveRoots(ShapeLibrary& import, Shape& shape, std::set<const Shape*>& visited)
{
    if (!visited.insert(&shape).second)
        return;
    std::vector<std::pair<size_t, std::string>> renames;
    std::vector<Shape*> copies;
    size_t offset = 2;
    ForEachStoredObject(shape.block, [&](int code, int, const uint8_t* body, int length, int) {
        size_t bodyOffset = offset + 8;
        offset += 8 + length;
        if (code != SO_ROOT || length < kRootBodySize)
            return;
        const char* p = reinterpret_cast<const char*>(body + kRootNameOffset);
        std::string n(p, strnlen(p, kRootNameSize));
        if (import.FindShape(n))
            return;
        for (auto& s : import.shapes)
            if (!s->importAlias.empty() && EqualNoCase(s->importAlias, n)) {
                renames.push_back({bodyOffset, s->name});
                return;
            }
        Shape* found = FindShapeByName(n);
        if (!found || found == AutoMacroShape)
            return;
        auto copy = std::make_unique<Shape>(*found);
        copy->importAlias = found->importAlias.empty() ? found->name : found->importAlias;
        copy->usedMark = 0;
        copies.push_back(copy.get());
        import.shapes.push_back(std::move(copy));
    });
    for (auto& [at, newName] : renames) {
        std::memset(shape.block.data() + at + kRootNameOffset, 0, kRootNameSize);
        std::memcpy(shape.block.data() + at + kRootNameOffset, newName.data(),
                    std::min<size_t>(newName.size(), kRootNameSize - 1));
    }
    for (Shape* c : copies)
        ResolveRoots(import, *c, visited);
}

void ShapeDefReader::ResolveImportedRootShapes()
{
    if (importIndex < 0 || importIndex >= static_cast<int>(ShapeLibraryTable().size()))
        return;
    ShapeLibrary& import = ShapeLibraryTable()[importIndex];
    std::set<const Shape*> visited;
    // New copies are appended while walking; index so that they are visited too.
    for (size_t i = 0; i < import.shapes.size(); ++i)
        ResolveRoots(import, *import.shapes[i], visited);
}

}  // namespace ob7
