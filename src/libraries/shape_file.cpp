// Shape library files: the ".SHP" layout (versions 9 to 11 read, 11 written) and the
// older headerless shape files (versions 7 and 8) with their slot tables.

#include "libraries/byte_io.h"
#include "libraries/library_files.h"
#include "libraries/library_text.h"
#include "libraries/shape.h"
#include "libraries/shape_edit.h"

#include "foundation/messages.h"

#include <cstring>

namespace ob7 {

constexpr int32_t kShapeFileVersion = 11;

int ShapeLibrary::Read(const std::string& path, bool report)
{
    slots.clear();
    shapes.clear();
    fileTime = FileTimeByName(path);
    bool current = ExtensionIs(path, ".SHP");
    int32_t fileVersion = 0;
    int32_t count = 0;
    std::vector<uint8_t> image;
    int error = ReadLibraryImage(path, current ? "SHP" : nullptr, fileVersion, image);
    if (error && error != MSG_NOT_RECOGNIZED)
        return error;
    ByteReader r(image);
    auto damaged = [&]() {
        shapes.clear();
        slots.clear();
        if (report)
            ReportLibraryMessage(MSG_NOT_RECOGNIZED, path);
        return MSG_REPORTED;
    };
    if (current) {
        if (error)
            return damaged();
        if (fileVersion < 9 || fileVersion > 11) {
            if (report)
                ReportLibraryMessage(MSG_CANT_READ_VERSION, path);
            return MSG_REPORTED;
        }
        count = r.I32();
    } else {
        fileVersion = r.I16();
        if (r.Failed() || (fileVersion != 7 && fileVersion != 8)) {
            if (report)
                ReportLibraryMessage(MSG_CANT_READ_VERSION, path);
            return MSG_REPORTED;
        }
        count = r.I16();
        int slotCount = r.I16();
        if (r.Failed() || slotCount < 0)
            return damaged();
        slots.assign(static_cast<size_t>(slotCount) + (fileVersion == 7 ? 1 : 0), nullptr);
    }
    if (r.Failed() || count < 0)
        return damaged();
    version = fileVersion;
    std::vector<int> slotNumbers;
    for (int32_t i = 0; i < count; ++i) {
        auto shape = std::make_unique<Shape>();
        int slot = current ? 1 : r.I16();
        shape->name = fileVersion >= 11 ? r.LenString() : r.FixedString(16);
        shape->box.left = BoundShapeCoordinate(r.I32());
        shape->box.top = BoundShapeCoordinate(r.I32());
        shape->box.right = BoundShapeCoordinate(r.I32());
        shape->box.bottom = BoundShapeCoordinate(r.I32());
        int32_t size = r.I32();
        if (size > 0) {
            const uint8_t* p = r.Take(static_cast<size_t>(size));
            if (p)
                shape->block.assign(p, p + size);
        }
        if (r.Failed())
            return damaged();
        slotNumbers.push_back(slot);
        shapes.push_back(std::move(shape));
    }
    if (!current) {
        // Shapes without a slot are read and dropped; the others fill the slot table.
        std::vector<std::unique_ptr<Shape>> kept;
        for (size_t i = 0; i < shapes.size(); ++i) {
            if (slotNumbers[i] < 1)
                continue;
            if (static_cast<size_t>(slotNumbers[i]) < slots.size())
                slots[slotNumbers[i]] = shapes[i].get();
            kept.push_back(std::move(shapes[i]));
        }
        shapes = std::move(kept);
    }
    std::vector<std::string> cyclic = ConvertOldObjects(fileVersion);
    if (report)
        for (const std::string& name : cyclic)
            ReportMessage("EM", MSG_SHAPE_INCLUDES_ITSELF, "File", path.c_str(), name.c_str());
    return 0;
}

// Rewrites a shape's block object by object with the conversions of older versions.
static void ConvertShape(Shape& shape, int version, const std::vector<Shape*>& slots)
{
    std::vector<uint8_t> block;
    ForEachStoredObject(shape.block, [&](int code, int style, const uint8_t* bodyPtr, int length, int) {
        std::vector<uint8_t> body(bodyPtr, bodyPtr + length);
        if (code == SO_TEXT && length >= kTextFaceOffset) {
            if (version < 10) {
                std::vector<uint8_t> face(32, 0);
                std::string name = LibraryDefaultFaceName();
                std::memcpy(face.data(), name.data(), std::min<size_t>(name.size(), 31));
                body.insert(body.begin() + kTextFaceOffset, face.begin(), face.end());
            } else if (length >= kTextStringOffset) {
                const char* p = reinterpret_cast<const char*>(body.data() + kTextFaceOffset);
                std::string face(p, strnlen(p, 32));
                PutI16(body.data() + 18, LibraryFontFaceIndex(face));
            }
        } else if (code >= 0 && (length == 32 || (length == 12 && !slots.empty()))) {
            std::string name;
            if (length == 12) {
                if (code < static_cast<int>(slots.size()) && slots[code])
                    name = slots[code]->name;
            } else {
                const char* p = reinterpret_cast<const char*>(body.data() + 10);
                name.assign(p, strnlen(p, 22));
            }
            std::vector<uint8_t> root(kRootBodySize, 0);
            std::memcpy(root.data(), body.data(), 12);
            std::memcpy(root.data() + kRootNameOffset, name.data(), std::min<size_t>(name.size(), kRootNameSize - 1));
            body = std::move(root);
            code = SO_ROOT;
        }
        BoundObjectCoordinates(code, body);
        // Codes without a body length (unknown) are dropped, as when any list is stored.
        AppendObject(block, body, code, style);
    });
    if (!shape.block.empty() && block.empty())
        block.assign(2, 0);
    shape.block = std::move(block);
}

std::vector<std::string> ShapeLibrary::ConvertOldObjects(int fromVersion)
{
    for (auto& s : shapes)
        ConvertShape(*s, fromVersion, slots);
    return LinkRootObjects();
}

int ShapeLibrary::Write()
{
    int64_t onDisk = FileTimeByName(fileName);
    if (onDisk != 0 && fileTime != 0 && onDisk != fileTime && !AskOverwriteChangedFile(fileName))
        return 0;
    ByteWriter w;
    w.I32(static_cast<int32_t>(shapes.size()));
    for (const auto& s : shapes) {
        w.LenString(s->name);
        w.I32(s->box.left);
        w.I32(s->box.top);
        w.I32(s->box.right);
        w.I32(s->box.bottom);
        w.I32(static_cast<int32_t>(s->block.size()));
        w.Bytes(s->block.data(), s->block.size());
    }
    int error = WriteLibraryImage(fileName, "SHP", kShapeFileVersion, w.bytes);
    if (error) {
        ReportLibraryMessage(error, fileName);
        return MSG_REPORTED;
    }
    fileTime = FileTimeByName(fileName);
    return 0;
}

}  // namespace ob7
