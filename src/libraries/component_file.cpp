// Component library files: the ".CMP" layout (versions 15, 0x70000 and 0x7000a read;
// 0x70000 and 15 written) and the older headerless files of versions 13 and 14, whose
// definitions name their shapes by a slot of the matching old shape file.

#include "libraries/byte_io.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/library_files.h"
#include "libraries/library_text.h"
#include "libraries/shape.h"

#include "foundation/paths.h"

namespace ob7 {

static void ReadGroup(ByteReader& r, ComponentGroup& g, int depth)
{
    g.kind = kGroupKind;
    g.name = r.LenString();
    g.number = r.I16();
    int children = r.I16();
    g.depth = static_cast<int16_t>(depth);
    g.children.clear();
    // A damaged count cannot be larger than the bytes left (each child needs 6 bytes),
    // and the nesting is bounded, so a bad file ends instead of recursing without end.
    if (children < 0 || static_cast<size_t>(children) * 6 > r.Remaining() || depth > 64) {
        r.Fail();
        return;
    }
    g.children.resize(children);
    for (auto& c : g.children) {
        ReadGroup(r, c, depth + 1);
        if (r.Failed())
            return;
    }
    g.RelinkChildren();
}

static void WriteGroup(ByteWriter& w, const ComponentGroup& g)
{
    w.LenString(g.name);
    w.I16(g.number);
    w.I16(g.ChildCount());
    for (const auto& c : g.children)
        WriteGroup(w, c);
}

// "COMPx" names its shapes "SHAPEx" in the same folder; other old names have none.
static std::string ShapeFileNameForComponentFile(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    if (file.size() >= 4 && EqualNoCase(file.substr(0, 4), "comp"))
        return folder + "SHAPE" + file.substr(4);
    return {};
}

// The shape library of an old component file, loaded beside it; -1 when none reads.
static int OpenShapeLibraryForComponents(const std::string& componentPath, bool report)
{
    std::string shapePath = ShapeFileNameForComponentFile(componentPath);
    if (!shapePath.empty()) {
        std::string onDisk = FindExistingPathNoCase(shapePath);
        if (!onDisk.empty())
            shapePath = onDisk;
    }
    if (shapePath.empty()) {
        if (report)
            ReportLibraryMessage(MSG_CANT_READ_VERSION, componentPath);
        return -1;
    }
    int index = AddShapeLibrary(shapePath);
    if (index < 0)
        return -1;
    int code = ShapeLibraryTable()[index].Read(shapePath, report);
    if (code != 0) {
        RemoveShapeLibrary(index);
        if (report && code != MSG_REPORTED)
            ReportLibraryMessage(code, shapePath);
        return -1;
    }
    return index;
}

int ComponentLibrary::Read(const std::string& path, bool takePaletteNames, ShapeLibrary* shapes, bool report)
{
    backedByFile = false;
    fileTime = FileTimeByName(path);
    bool old = !ExtensionIs(path, ".CMP");
    int32_t fileVersion = 0;
    std::vector<uint8_t> image;
    int error = ReadLibraryImage(path, old ? nullptr : "CMP", fileVersion, image);
    if (error && error != MSG_NOT_RECOGNIZED)
        return error;
    ByteReader r(image);
    if (old) {
        fileVersion = r.I16();
        if (r.Failed() || (fileVersion != 13 && fileVersion != 14)) {
            if (report)
                ReportLibraryMessage(MSG_CANT_READ_VERSION, path);
            return MSG_REPORTED;
        }
    } else {
        if (error) {
            if (report)
                ReportLibraryMessage(MSG_NOT_RECOGNIZED, path);
            return MSG_REPORTED;
        }
        if (fileVersion != 15 && fileVersion != 0x70000 && fileVersion != 0x7000a) {
            if (report)
                ReportLibraryMessage(MSG_CANT_READ_VERSION, path);
            return MSG_REPORTED;
        }
    }
    int subVersion = old ? r.I16() : 0;
    if (old && !shapes) {
        int index = OpenShapeLibraryForComponents(path, report);
        if (index < 0)
            return MSG_REPORTED;
        shapes = &ShapeLibraryTable()[index];
    }
    version = fileVersion;

    auto damaged = [&]() {
        FreeIndex();
        components.clear();
        root.children.clear();
        if (report)
            ReportLibraryMessage(MSG_NOT_RECOGNIZED, path);
        return MSG_REPORTED;
    };

    FreeIndex();
    ReadGroup(r, root, 0);
    root.parent = nullptr;
    components.clear();
    if (r.Failed())
        return damaged();

    int32_t count;
    if (old) {
        int names = r.I16();
        if (names < 0)
            return damaged();
        for (int i = 0; i < names; ++i) {
            std::string paletteName = r.LenString();
            // Entry 0 is skipped; empty names and single digits are no names.
            bool named = !paletteName.empty() && !(paletteName.size() == 1 && paletteName[0] >= '0' &&
                                                   paletteName[0] <= '9');
            if (takePaletteNames && i >= 1 && i <= 8 && named)
                UserPaletteNames()[i - 1] = paletteName;
        }
        count = r.I16();
    } else {
        count = r.I32();
    }
    if (r.Failed() || count < 0)
        return damaged();

    bool userNamesShown = old && subVersion < 9;
    for (int32_t i = 0; i < count; ++i) {
        auto def = std::make_unique<ComponentDef>();
        if (old) {
            int slot = r.I16();
            if (shapes && slot > 0 && slot < static_cast<int>(shapes->slots.size()) && shapes->slots[slot])
                SetComponentShape(*def, shapes->slots[slot]);
        } else {
            def->shapeName = r.LenString();
            def->shape = FindShapeByName(def->shapeName);
            if (!def->shape && shapes)
                def->shape = shapes->FindShape(def->shapeName);
        }
        def->type = r.I16();
        def->mask = r.U16();
        def->group = r.I16();
        def->data1 = r.I16();
        def->data2 = r.I16();
        def->memo = r.LenString();
        for (auto& v : def->labelOffsets)
            v = r.I16();
        int pinCount = r.I16();
        // Each pin needs 8 bytes of positions and offsets at least.
        if (pinCount < 0 || static_cast<size_t>(pinCount) * 8 > r.Remaining())
            return damaged();
        def->pins.resize(pinCount);
        def->name = r.LenString();
        if (!def->shape) {
            auto& table = ShapeLibraryTable();
            if (!table.empty() && !table.front().shapes.empty()) {
                Shape* first = table.front().shapes.front().get();
                if (def->shapeName.empty()) {
                    SetComponentShape(*def, first);
                } else {
                    // A named shape that is missing keeps its name; the first shape
                    // only stands in for it, so saving does not lose the name.
                    def->shape = first;
                    def->shapeStandIn = true;
                }
            }
        }
        for (auto& p : def->pins) {
            p.x = r.I16();
            p.y = r.I16();
        }
        for (auto& p : def->pins) {
            p.nameDx = r.I16();
            p.nameDy = r.I16();
        }
        bool valid = IsValidComponentType(def->type);
        bool userNames = valid && ComponentTypeTable[def->type].pinNameBase == PNB_USER;
        if (userNamesShown && userNames)
            def->mask |= CM_SHOW_PIN_NAMES;
        if (userNames) {
            for (auto& p : def->pins) {
                int length = r.I16();
                if (length < 0)
                    return damaged();
                const uint8_t* bytes = r.Take(static_cast<size_t>(length));
                if (bytes)
                    p.text.assign(reinterpret_cast<const char*>(bytes), length);
                while (!p.text.empty() && p.text.back() == '\0')
                    p.text.pop_back();
            }
        }
        if (fileVersion > 14 && def->shape == AutoMacroShape)
            for (auto& v : def->macroBox)
                v = static_cast<int16_t>(r.I32());
        if (fileVersion >= 0x70000) {
            def->power = r.F64();
            def->cost = r.F64();
        }
        if (fileVersion == 0x7000a)
            r.I16();
        if (r.Failed())
            return damaged();
        if (valid)
            components.push_back(std::move(def));
    }
    backedByFile = true;
    return 0;
}

int ComponentLibrary::Write(int32_t writeVersion)
{
    if (writeVersion == kComponentFileVersion) {
        int64_t onDisk = FileTimeByName(fileName);
        if (onDisk != 0 && fileTime != 0 && onDisk != fileTime && !AskOverwriteChangedFile(fileName))
            return 0;
    }
    ByteWriter w;
    WriteGroup(w, root);
    w.I32(static_cast<int32_t>(components.size()));
    for (const auto& d : components) {
        bool macro = d->shape == AutoMacroShape;
        bool linked = d->shape && !d->shapeStandIn;
        w.LenString(macro ? std::string(kAutoMacroName) : linked ? d->shape->name : d->shapeName);
        int type = d->type;
        if (writeVersion == kComponentFileVersionOld && type > 135)
            type = CT_NULL;
        w.I16(type);
        w.I16(d->mask);
        w.I16(d->group);
        w.I16(d->data1);
        w.I16(d->data2);
        w.LenString(d->memo);
        for (int16_t v : d->labelOffsets)
            w.I16(v);
        w.I16(d->PinCount());
        w.LenString(d->name);
        for (const auto& p : d->pins) {
            w.I16(p.x);
            w.I16(p.y);
        }
        for (const auto& p : d->pins) {
            w.I16(p.nameDx);
            w.I16(p.nameDy);
        }
        if (IsValidComponentType(d->type) && ComponentTypeTable[d->type].pinNameBase == PNB_USER) {
            for (const auto& p : d->pins) {
                // Exactly the text: kind letter and name, and NUL and second name when
                // there is one; no terminator.
                w.I16(static_cast<int>(p.text.size()));
                w.Bytes(p.text.data(), p.text.size());
            }
        }
        if (macro)
            for (int16_t v : d->macroBox)
                w.I32(v);
        if (writeVersion >= kComponentFileVersion) {
            w.F64(d->power);
            w.F64(d->cost);
        }
    }
    int error = WriteLibraryImage(fileName, "CMP", writeVersion, w.bytes);
    if (error)
        return error;
    backedByFile = true;
    if (writeVersion == kComponentFileVersion)
        fileTime = FileTimeByName(fileName);
    return 0;
}

int LoadComponentLibrary(int n)
{
    auto& table = ComponentLibraryTable();
    if (n < 0 || n >= static_cast<int>(table.size()))
        return MSG_REPORTED;
    ComponentLibrary& lib = table[n];
    std::string path = lib.fileName;
    int code = lib.Read(path, true, nullptr, true);
    if (code == 0 && (lib.version == 13 || lib.version == 14)) {
        // An old file is saved in the current format beside it, under its name with the
        // extension "cmp", and the library continues from there; the old file stays as
        // it was. When that name is taken the old file is not loaded.
        std::string converted = path;
        ReplaceFileExtension(converted, "cmp");
        if (FindComponentLibraryByName(converted) >= 0 || FileTimeByName(converted) != 0) {
            code = MSG_REPORTED;
            ReportLibraryMessage(MSG_OLD_FILE_LOADED, path);
        } else {
            lib.fileTime = 0;
            lib.fileName = converted;
            lib.root.name = "Component";
            code = lib.Write(kComponentFileVersion);
        }
    }
    if (code == 0) {
        BuildComponentIndex(lib, -1, true);
        return 0;
    }
    RemoveComponentLibrary(n);
    if (code != MSG_REPORTED)
        ReportLibraryMessage(code, path);
    return MSG_REPORTED;
}

int LoadComponentLibraries()
{
    auto& table = ComponentLibraryTable();
    if (table.empty()) {
        AddComponentLibrary(DefaultLibraryName());
        return LoadComponentLibrary(0) == 0 ? 0 : MSG_REPORTED;
    }
    for (size_t i = 0; i < table.size();) {
        if (LoadComponentLibrary(static_cast<int>(i)) == 0)
            ++i;
    }
    return 0;
}

void SaveComponentLibraries()
{
    for (auto& lib : ComponentLibraryTable()) {
        // Writing one that was never read would empty its file.
        if (lib.fileName.empty() || !lib.backedByFile)
            continue;
        int code = lib.Write(kComponentFileVersion);
        if (code != 0)
            ReportLibraryMessage(code, lib.fileName);
    }
}

}  // namespace ob7
