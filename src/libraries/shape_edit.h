#pragma once
// The edit form of shape objects: one node per object with its own data, rectangle and
// style; included shapes carry their objects placed and oriented. Geometry (moving,
// resizing, rotating and mirroring by orientation code) and the hit test work on it.

#include "libraries/byte_io.h"
#include "libraries/shape.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ob7 {

struct Point32 {
    int32_t x = 0, y = 0;
    bool operator==(const Point32&) const = default;
};

// Orientation code 0..7: bits 0-1 quarter turns (clockwise on screen), bit 2 mirror.
Point32 RotateOffset(int code, int32_t x, int32_t y);
Point32 OrientAndOffsetPoint(int code, int32_t x, int32_t y, int32_t dx, int32_t dy);
// Orientation of an object of orientation a placed in a parent of orientation b.
int ComposeOrientation(int a, int b);

struct ShapeEditNode;
using ShapeEditList = std::vector<std::unique_ptr<ShapeEditNode>>;

struct ShapeEditNode {
    std::vector<uint8_t> data;  // ARC, BLOCK, TEXT, POLY: a copy of the body
    Rect32 rect;
    int16_t code = 0;
    int16_t style = 0;
    // ROOT only: the included shape, placed and oriented.
    bool hasIncluded = false;
    ShapeEditList children;
    int16_t orientation = 0;
    Shape* included = nullptr;
    std::string includedName;
};

// CreateEditObject flags.
enum EditObjectFlags : int { EOF_INCLUDED = 1, EOF_KEEP_UNLINKED_ROOT = 0x20 };

// Body length of a code (data size for variable kinds, 0 for unknown codes); with a
// count, a non-zero length increments it and the length plus the 8-byte header returns.
int ObjectBodySize(int code, int* count, int dataSize);
const char* GetObjectKindName(const ShapeEditNode& node);
int ObjectPointCount(const ShapeEditNode& node);

// Adds a node made from a stored object at the origin; null when none is made (unknown
// code, unlinked ROOT without the keep flag, or an inclusion nested too deep / cyclic).
// A ROOT object's included shape is given as link.
ShapeEditNode* CreateEditObject(ShapeEditList& list, const uint8_t* body, int length,
                                int32_t ox, int32_t oy, int code, int style, int flags,
                                Shape* link = nullptr);
// Calls fn(code, style, body, length, rootIndex) for every stored object of a block;
// rootIndex counts ROOT objects (-1 for other codes). Stops at a damaged record.
template <class Fn> void ForEachStoredObject(const std::vector<uint8_t>& block, Fn fn);
// Builds the edit list of a shape's stored objects.
void ShapeToEditList(const Shape& shape, ShapeEditList& list, int flags = 0);
// Stores an edit list into a shape: block and box (selection bits cleared).
void StoreEditList(Shape& shape, ShapeEditList& list);
// The stored body of a node.
std::vector<uint8_t> EditNodeToBody(const ShapeEditNode& node);

// Copies the selected nodes of src (those present when the copy begins) into dst at the
// offset. Flags: 1 empties dst first, 4 deletes each source node after copying (a move).
// When dst is src the source nodes are deselected.
enum CopyEditFlags : int { CEF_EMPTY_TARGET = 1, CEF_MOVE = 4 };
void CopySelectedEditNodes(ShapeEditList& dst, ShapeEditList& src, Point32 offset, int flags);

void MoveEditNode(ShapeEditNode& node, int32_t dx, int32_t dy);
void SetEditNodeRect(const Rect32& rect, ShapeEditNode& node);
Rect32 GetObjectRect(const ShapeEditNode& node);
Rect32 EditNodeHitRect(const ShapeEditNode& node);
Rect32 BlockNodeRect(const std::vector<uint8_t>& blockBody);
Rect32 PolyBounds(const std::vector<uint8_t>& polyBody);
// Rebuilds a pin block for a box; count -1 fits the box. Empty when nothing is built.
std::vector<uint8_t> BuildBlockLines(const Rect32& box, const std::vector<uint8_t>* oldBlock,
                                     int spacing, int count);

int EditListBounds(const ShapeEditList& list, Rect32& out, int bits);
int SelectEditNodesInRect(ShapeEditList& list, Rect32& rect, bool toggle);
int SetEditNodeFlags(ShapeEditList& list, int bits);
// Rotates or mirrors the selected nodes (all with flag bit 0) about (cx, cy); flag bit 1
// composes the orientation of included shapes.
void TransformEditList(ShapeEditList& list, int code, int flags, double cx, double cy);
// The topmost node under the point, or null; handle receives a handle drag code.
ShapeEditNode* HitTestEditObjects(ShapeEditList& list, Point32 point, int* handle,
                                  int tolerance = 3);

Rect32 NormalizeRect(Rect32 r);
int HitTestHandles(const Rect32& r, Point32 p, int tolerance, int mask);
bool PointNear(int32_t x, int32_t y, Point32 p, int tolerance);

// Body builders used by writers of shapes (generator, shapedef reader).
std::vector<uint8_t> MakeRectBody(int32_t l, int32_t t, int32_t r, int32_t b);
std::vector<uint8_t> MakeArcBody(const Rect32& r, Point32 start, Point32 end);
std::vector<uint8_t> MakePolyBody(const std::vector<Point32>& points);
std::vector<uint8_t> MakeTextBody(const Rect32& r, int16_t height, uint16_t faceIndex,
                                  uint8_t styleBits, uint8_t colour, const std::string& face,
                                  const std::string& text);
std::vector<uint8_t> MakeRootBody(const std::string& name, int32_t x, int32_t y, int orientation);
struct BlockLine {
    int16_t decoration = 4;
    int32_t x = 0, y = 0;
};
std::vector<uint8_t> MakeBlockBody(const Rect32& box, const std::vector<BlockLine>& lines);

// Coordinates read from files are kept within this bound, far beyond the drawable extent,
// so that sums over the include depth, centres and transforms stay inside 32 bits.
inline constexpr int32_t kMaxShapeCoordinate = 1 << 20;
int32_t BoundShapeCoordinate(long long v);
// Bounds every coordinate field of a stored object body (by the layout of its code).
void BoundObjectCoordinates(int code, std::vector<uint8_t>& body);

// Appends a stored object (header and body) to an object block being built.
void AppendObject(std::vector<uint8_t>& block, const std::vector<uint8_t>& body, int code, int style);

template <class Fn> void ForEachStoredObject(const std::vector<uint8_t>& block, Fn fn)
{
    if (block.size() < 2)
        return;
    int count = GetI16(block.data());
    size_t pos = 2;
    int roots = 0;
    for (int i = 0; i < count; ++i) {
        if (block.size() - pos < 8)
            return;
        const uint8_t* p = block.data() + pos;
        int code = GetI16(p), style = GetI16(p + 2);
        int32_t length = GetI32(p + 4);
        if (length < 0 || static_cast<size_t>(length) > block.size() - pos - 8)
            return;
        fn(code, style, p + 8, static_cast<int>(length), code == SO_ROOT ? roots++ : -1);
        pos += 8 + static_cast<size_t>(length);
    }
}

}  // namespace ob7
