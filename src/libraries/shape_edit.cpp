#include "libraries/shape_edit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ob7 {

// Included shapes deeper than this are not expanded; it also ends cyclic inclusions.
constexpr int kMaxIncludeDepth = 16;

// The orientation table, for grid and for real coordinates alike.
template <class T> static void Orient(int code, T x, T y, T& ox, T& oy)
{
    switch (code & 7) {
    case 0: ox = x; oy = y; break;
    case 1: ox = -y; oy = x; break;
    case 2: ox = -x; oy = -y; break;
    case 3: ox = y; oy = -x; break;
    case 4: ox = x; oy = -y; break;
    case 5: ox = -y; oy = -x; break;
    case 6: ox = -x; oy = y; break;
    default: ox = y; oy = x; break;
    }
}

Point32 RotateOffset(int code, int32_t x, int32_t y)
{
    Point32 p;
    Orient(code, x, y, p.x, p.y);
    return p;
}

Point32 OrientAndOffsetPoint(int code, int32_t x, int32_t y, int32_t dx, int32_t dy)
{
    Point32 p = RotateOffset(code, x, y);
    return {p.x + dx, p.y + dy};
}

int ComposeOrientation(int a, int b)
{
    static const int8_t table[64] = {
        0, 1, 2, 3, 4, 5, 6, 7,
        1, 2, 3, 0, 7, 4, 5, 6,
        2, 3, 0, 1, 6, 7, 4, 5,
        3, 0, 1, 2, 5, 6, 7, 4,
        4, 5, 6, 7, 0, 1, 2, 3,
        5, 6, 7, 4, 3, 0, 1, 2,
        6, 7, 4, 5, 2, 3, 0, 1,
        7, 4, 5, 6, 1, 2, 3, 0,
    };
    return table[(a & 7) + 8 * (b & 7)];
}

Rect32 NormalizeRect(Rect32 r)
{
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

static Rect32 GetRect(const uint8_t* p)
{
    return {GetI32(p), GetI32(p + 4), GetI32(p + 8), GetI32(p + 12)};
}

static void PutRect(uint8_t* p, const Rect32& r)
{
    PutI32(p, r.left); PutI32(p + 4, r.top); PutI32(p + 8, r.right); PutI32(p + 12, r.bottom);
}

static Rect32 MoveRect(Rect32 r, int32_t dx, int32_t dy)
{
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

static bool PtInRect(const Rect32& r, Point32 p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

static void UnionRect(Rect32& into, const Rect32& r, bool& first)
{
    if (first) {
        into = r;
        first = false;
        return;
    }
    into.left = std::min(into.left, r.left);
    into.top = std::min(into.top, r.top);
    into.right = std::max(into.right, r.right);
    into.bottom = std::max(into.bottom, r.bottom);
}

int ObjectBodySize(int code, int* count, int dataSize)
{
    int length = 0;
    switch (code) {
    case -25: case -24: case -23: case -22: case -12: case -8: case -7: case -3: case -2: case -1:
        length = 16;
        break;
    case -4: case -11:
        length = 32;
        break;
    case 1: case -19: case -18: case -17: case -13: case -5:
        length = dataSize;
        break;
    default:
        length = 0;
    }
    if (count && length != 0) {
        ++*count;
        return length + 8;
    }
    return length;
}

static bool IsSimpleKind(int code)
{
    return (code >= -25 && code <= -22) || code == -12 || code == -3 || code == -2 || code == -1;
}

const char* GetObjectKindName(const ShapeEditNode& node)
{
    switch (node.code) {
    case SO_LINE: return "LINE";
    case SO_RECTANGLE: return "RECTANGLE";
    case SO_ELLIPSE: return "ELLIPSE";
    case SO_ARC: return "ARC";
    case SO_BLOCK: return "BLOCK";
    case SO_DIAMOND: return "DIAMOND";
    case SO_TEXT: return "TEXT";
    case SO_POLY_CLOSED: return "POLY CLOSED";
    case SO_POLY_OPEN: return "POLY OPEN";
    case SO_SEVEN_SEGMENT: return "SEVEN SEGMENT";
    case SO_LED: return "LED";
    case SO_SWITCH: return "SWITCH";
    case SO_CURRENT: return "CURRENT";
    case SO_ROOT: return node.included ? node.includedName.c_str() : kDefaultShapeName;
    default: return "";
    }
}

static int DataCount(const ShapeEditNode& node)
{
    return node.data.size() >= 2 ? GetI16(node.data.data()) : 0;
}

int ObjectPointCount(const ShapeEditNode& node)
{
    switch (node.code) {
    case SO_ROOT: return 1;
    case SO_POLY_CLOSED: case SO_POLY_OPEN: case SO_BLOCK: return DataCount(node);
    case SO_ARC: return 4;
    default: return 2;
    }
}

// Poly: int16 n, int16 spare, RECT, n points. Block: int16 n, int16 0, RECT, n lines of 12.
constexpr size_t kListHeader = 20;

// The entries a list body holds: its count, cut to what the body has room for.
static int ListCapacity(const std::vector<uint8_t>& d, size_t entrySize)
{
    if (d.size() < kListHeader)
        return 0;
    int n = GetI16(d.data());
    int fit = static_cast<int>((d.size() - kListHeader) / entrySize);
    return std::clamp(n, 0, fit);
}

static int PolyPointCapacity(const std::vector<uint8_t>& d) { return ListCapacity(d, 8); }
static int BlockLineCapacity(const std::vector<uint8_t>& d) { return ListCapacity(d, 12); }

Rect32 PolyBounds(const std::vector<uint8_t>& body)
{
    int n = PolyPointCapacity(body);
    Rect32 r;
    for (int i = 0; i < n; ++i) {
        const uint8_t* p = body.data() + kListHeader + 8 * i;
        int32_t x = GetI32(p), y = GetI32(p + 4);
        if (i == 0) {
            r = {x, y, x, y};
        } else {
            r.left = std::min(r.left, x); r.right = std::max(r.right, x);
            r.top = std::min(r.top, y); r.bottom = std::max(r.bottom, y);
        }
    }
    return r;
}

Rect32 BlockNodeRect(const std::vector<uint8_t>& body)
{
    if (body.size() < kListHeader)
        return {};
    Rect32 box = GetRect(body.data() + 4);
    int n = BlockLineCapacity(body);
    if (n == 0)
        return box;
    auto line = [&](int i) { return body.data() + kListHeader + 12 * i; };
    const uint8_t* a = line(0);
    const uint8_t* b = line(std::min(n / 2, n - 1));
    Rect32 r = box;
    if (box.bottom - box.top < box.right - box.left) {
        r.top = std::min({box.top, GetI32(a + 8), GetI32(b + 8)});
        r.bottom = std::max({GetI32(a + 8), GetI32(b + 8), box.bottom});
    } else {
        r.left = std::min({box.left, GetI32(a + 4), GetI32(b + 4)});
        r.right = std::max({GetI32(a + 4), GetI32(b + 4), box.right});
    }
    return r;
}

int32_t BoundShapeCoordinate(long long v)
{
    return static_cast<int32_t>(std::clamp<long long>(v, -kMaxShapeCoordinate, kMaxShapeCoordinate));
}

void BoundObjectCoordinates(int code, std::vector<uint8_t>& body)
{
    auto bound = [&](size_t at) {
        if (at + 4 <= body.size())
            PutI32(body.data() + at, BoundShapeCoordinate(GetI32(body.data() + at)));
    };
    if (code == SO_ROOT) {
        bound(0);
        bound(4);
    } else if (IsSimpleKind(code) || code == SO_TEXT) {
        for (size_t at = 0; at < 16; at += 4)
            bound(at);
    } else if (code == SO_ARC) {
        for (size_t at = 0; at < 32; at += 4)
            bound(at);
    } else if (code == SO_POLY_CLOSED || code == SO_POLY_OPEN) {
        // The box, then points to the end of the body (its length, not the count, decides).
        for (size_t at = 4; at + 4 <= body.size(); at += 4)
            bound(at);
    } else if (code == SO_BLOCK) {
        for (size_t at = 4; at < kListHeader; at += 4)
            bound(at);
        for (size_t line = kListHeader; line + 12 <= body.size(); line += 12) {
            bound(line + 4);
            bound(line + 8);
        }
    }
}

// Shapes being expanded on the current path; an inclusion of one of them is a cycle.
static std::vector<const Shape*>& ExpansionPath()
{
    static std::vector<const Shape*> path;
    return path;
}

ShapeEditNode* CreateEditObject(ShapeEditList& list, const uint8_t* body, int length,
                                int32_t ox, int32_t oy, int code, int style, int flags,
                                Shape* link)
{
    auto node = std::make_unique<ShapeEditNode>();
    node->code = static_cast<int16_t>(code);
    int16_t includedBit = (flags & EOF_INCLUDED) ? SS_INCLUDED : 0;
    if (IsSimpleKind(code)) {
        if (length < 16)
            return nullptr;
        node->rect = MoveRect(GetRect(body), ox, oy);
        node->style = static_cast<int16_t>(style | includedBit);
    } else if (code == SO_ARC) {
        if (length < 32)
            return nullptr;
        node->data.assign(body, body + 32);
        node->style = static_cast<int16_t>(style | includedBit);
        node->rect = NormalizeRect(GetRect(body));
        MoveEditNode(*node, ox, oy);
    } else if (code == SO_POLY_CLOSED || code == SO_POLY_OPEN || code == SO_TEXT || code == SO_BLOCK) {
        size_t minimum = code == SO_TEXT ? kTextStringOffset : kListHeader;
        if (length < static_cast<int>(minimum))
            return nullptr;
        node->data.assign(body, body + length);
        node->style = static_cast<int16_t>(style);
        if (code == SO_TEXT)
            node->rect = GetRect(body);
        else if (code == SO_BLOCK)
            node->rect = BlockNodeRect(node->data);
        else
            node->rect = GetRect(body + 4);
        MoveEditNode(*node, ox, oy);
    } else if (code == SO_ROOT) {
        if (length < kRootBodySize)
            return nullptr;
        if (!link && !(flags & EOF_KEEP_UNLINKED_ROOT))
            return nullptr;
        Rect32 b = link ? link->box : Rect32{};
        int orientation = GetI16(body + 8) & 7;
        int32_t px = GetI32(body) + ox - b.left, py = GetI32(body + 4) + oy - b.top;
        if (orientation & 1) {
            int32_t g = ((b.right - b.left) - (b.bottom - b.top)) / 2;
            px -= g;
            py += g;
        }
        node->rect = MoveRect(b, px, py);
        node->style = static_cast<int16_t>(style | includedBit);
        node->hasIncluded = true;
        if (!(style & SS_FILLED)) {
            const char* name = reinterpret_cast<const char*>(body + kRootNameOffset);
            node->includedName.assign(name, strnlen(name, kRootNameSize));
            node->orientation = static_cast<int16_t>(orientation);
            node->included = link;
            auto& path = ExpansionPath();
            bool cyclic = std::find(path.begin(), path.end(), link) != path.end();
            if (link && !cyclic && path.size() < kMaxIncludeDepth) {
                path.push_back(link);
                ForEachStoredObject(link->block, [&](int c, int s, const uint8_t* bd, int len, int rootIndex) {
                    Shape* childLink = nullptr;
                    if (c == SO_ROOT) {
                        if (rootIndex < static_cast<int>(link->rootLinks.size()))
                            childLink = link->rootLinks[rootIndex];
                    }
                    CreateEditObject(node->children, bd, len, px, py, c, s, EOF_INCLUDED, childLink);
                });
                path.pop_back();
            }
            if (orientation != 0) {
                double cx = (node->rect.left + node->rect.right) / 2.0;
                double cy = (node->rect.top + node->rect.bottom) / 2.0;
                TransformEditList(node->children, orientation, 1, cx, cy);
                int32_t w = node->rect.right - node->rect.left, h = node->rect.bottom - node->rect.top;
                if (orientation & 1)
                    std::swap(w, h);
                node->rect.left = static_cast<int32_t>(cx - w / 2.0);
                node->rect.top = static_cast<int32_t>(cy - h / 2.0);
                node->rect.right = node->rect.left + w;
                node->rect.bottom = node->rect.top + h;
            }
        }
    } else {
        return nullptr;
    }
    list.push_back(std::move(node));
    return list.back().get();
}

void ShapeToEditList(const Shape& shape, ShapeEditList& list, int flags)
{
    ExpansionPath().push_back(&shape);
    ForEachStoredObject(shape.block, [&](int code, int style, const uint8_t* body, int len, int rootIndex) {
        Shape* link = nullptr;
        if (rootIndex >= 0 && rootIndex < static_cast<int>(shape.rootLinks.size()))
            link = shape.rootLinks[rootIndex];
        CreateEditObject(list, body, len, 0, 0, code, style, flags, link);
    });
    ExpansionPath().pop_back();
}

std::vector<uint8_t> EditNodeToBody(const ShapeEditNode& node)
{
    if (node.code == SO_ROOT) {
        std::string name = node.included ? node.included->name : node.includedName;
        return MakeRootBody(name, node.rect.left, node.rect.top, node.orientation);
    }
    if (!node.data.empty() || node.code == SO_ARC || node.code == SO_POLY_CLOSED ||
        node.code == SO_POLY_OPEN || node.code == SO_TEXT || node.code == SO_BLOCK)
        return node.data;
    std::vector<uint8_t> body(16);
    PutRect(body.data(), node.rect);
    return body;
}

void AppendObject(std::vector<uint8_t>& block, const std::vector<uint8_t>& body, int code, int style)
{
    int length = ObjectBodySize(code, nullptr, static_cast<int>(body.size()));
    if (length == 0 || body.size() < static_cast<size_t>(length))
        return;
    if (block.size() < 2)
        block.assign(2, 0);
    uint8_t header[8];
    PutI16(header, code);
    PutI16(header + 2, style);
    PutI32(header + 4, length);
    block.insert(block.end(), header, header + 8);
    block.insert(block.end(), body.begin(), body.begin() + length);
    PutI16(block.data(), GetI16(block.data()) + 1);
}

void StoreEditList(Shape& shape, ShapeEditList& list)
{
    shape.block.clear();
    shape.rootLinks.clear();
    Rect32 box;
    bool first = true;
    for (auto& node : list) {
        node->style &= ~SS_SELECTED;
        std::vector<uint8_t> body = EditNodeToBody(*node);
        if (ObjectBodySize(node->code, nullptr, static_cast<int>(body.size())) == 0)
            continue;
        AppendObject(shape.block, body, node->code, node->style);
        if (node->code == SO_ROOT)
            shape.rootLinks.push_back(node->included);
        Rect32 r = node->code == SO_LINE ? NormalizeRect(node->rect) : node->rect;
        UnionRect(box, r, first);
    }
    if (box.right == box.left) box.right = box.left + 1;
    if (box.bottom == box.top) box.bottom = box.top + 1;
    shape.box = box;
}

void CopySelectedEditNodes(ShapeEditList& dst, ShapeEditList& src, Point32 offset, int flags)
{
    bool same = &dst == &src;
    if ((flags & CEF_EMPTY_TARGET) && !same)
        dst.clear();
    // Copies appended to src while copying are not visited.
    std::vector<ShapeEditNode*> sources;
    for (auto& n : src)
        if (n->style & SS_SELECTED)
            sources.push_back(n.get());
    for (ShapeEditNode* n : sources) {
        std::vector<uint8_t> body = EditNodeToBody(*n);
        int style = n->style;
        if (same)
            n->style &= ~SS_SELECTED;
        CreateEditObject(dst, body.data(), static_cast<int>(body.size()), offset.x, offset.y, n->code,
                         style & ~SS_INCLUDED, EOF_KEEP_UNLINKED_ROOT, n->included);
        if (flags & CEF_MOVE)
            std::erase_if(src, [n](const std::unique_ptr<ShapeEditNode>& p) { return p.get() == n; });
    }
}

static void MovePoints(std::vector<uint8_t>& d, size_t offset, int count, size_t stride, int32_t dx, int32_t dy)
{
    for (int i = 0; i < count; ++i) {
        uint8_t* p = d.data() + offset + stride * i;
        PutI32(p, GetI32(p) + dx);
        PutI32(p + 4, GetI32(p + 4) + dy);
    }
}

void MoveEditNode(ShapeEditNode& node, int32_t dx, int32_t dy)
{
    node.rect = MoveRect(node.rect, dx, dy);
    auto& d = node.data;
    switch (node.code) {
    case SO_POLY_CLOSED: case SO_POLY_OPEN:
        if (d.size() >= kListHeader) {
            PutRect(d.data() + 4, MoveRect(GetRect(d.data() + 4), dx, dy));
            MovePoints(d, kListHeader, PolyPointCapacity(d), 8, dx, dy);
        }
        break;
    case SO_TEXT:
        if (d.size() >= 16)
            PutRect(d.data(), MoveRect(GetRect(d.data()), dx, dy));
        break;
    case SO_BLOCK:
        if (d.size() >= kListHeader) {
            PutRect(d.data() + 4, MoveRect(GetRect(d.data() + 4), dx, dy));
            MovePoints(d, kListHeader + 4, BlockLineCapacity(d), 12, dx, dy);
        }
        break;
    case SO_ARC:
        if (d.size() >= 32) {
            PutRect(d.data(), MoveRect(GetRect(d.data()), dx, dy));
            MovePoints(d, 16, 2, 8, dx, dy);
        }
        break;
    case SO_ROOT:
        for (auto& child : node.children)
            MoveEditNode(*child, dx, dy);
        break;
    default:
        break;
    }
}

static int32_t SnapToGrid(int32_t c, int32_t edge)
{
    int32_t s = 8 + 8 * ((c - 4) / 8);
    if (s == 8 && edge <= 8)
        s = 0;
    return s;
}

std::vector<uint8_t> BuildBlockLines(const Rect32& box, const std::vector<uint8_t>* oldBlock,
                                     int spacing, int count)
{
    bool horizontal = box.bottom - box.top < box.right - box.left;
    int32_t d = horizontal ? 12 : -12;
    int32_t k = horizontal ? 0 : 1;
    Point32 a{SnapToGrid(box.left + d - 1, box.left), SnapToGrid(box.top - d - 1, box.top)};
    Point32 b{SnapToGrid(box.right + 4 + 8 * k, box.right), SnapToGrid(box.bottom + 12 - 8 * k, box.bottom)};
    if (spacing <= 0)
        return {};
    if (count == -1)
        count = horizontal ? (b.x - a.x) / spacing : (b.y - a.y) / spacing;
    if (count < 1 || count > 16000)
        return {};
    int oldPerSide = oldBlock ? BlockLineCapacity(*oldBlock) / 2 : 0;
    std::vector<uint8_t> body(kListHeader + 12 * 2 * count, 0);
    PutI16(body.data(), 2 * count);
    PutRect(body.data() + 4, box);
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < count; ++i) {
            uint8_t* p = body.data() + kListHeader + 12 * (side * count + i);
            int16_t decoration = 4;
            if (oldPerSide == count)
                decoration = GetI16(oldBlock->data() + kListHeader + 12 * (side * count + i));
            PutI16(p, decoration);
            if (horizontal) {
                PutI32(p + 4, a.x + spacing * i);
                PutI32(p + 8, side == 0 ? a.y : b.y);
            } else {
                PutI32(p + 4, side == 0 ? a.x : b.x);
                PutI32(p + 8, a.y + spacing * i);
            }
        }
    }
    return body;
}

void SetEditNodeRect(const Rect32& rect, ShapeEditNode& node)
{
    auto& d = node.data;
    switch (node.code) {
    case SO_POLY_CLOSED: case SO_POLY_OPEN: {
        node.rect = rect;
        int32_t nw = rect.right - rect.left, nh = rect.bottom - rect.top;
        if (nw == 0 || nh == 0 || d.size() < kListHeader)
            break;
        Rect32 old = GetRect(d.data() + 4);
        int32_t ow = old.right - old.left, oh = old.bottom - old.top;
        int n = PolyPointCapacity(d);
        for (int i = 0; i < n; ++i) {
            uint8_t* p = d.data() + kListHeader + 8 * i;
            int64_t x = GetI32(p), y = GetI32(p + 4);
            if (ow != 0)
                PutI32(p, static_cast<int32_t>(int64_t(nw) * (x - old.left) / ow + rect.left));
            if (oh != 0)
                PutI32(p + 4, static_cast<int32_t>(int64_t(nh) * (y - old.top) / oh + rect.top));
        }
        PutRect(d.data() + 4, rect);
        break;
    }
    case SO_BLOCK: {
        std::vector<uint8_t> rebuilt = BuildBlockLines(rect, &d, 16, -1);
        if (!rebuilt.empty())
            d = std::move(rebuilt);
        node.rect = BlockNodeRect(d);
        break;
    }
    case SO_ARC:
        if (d.size() >= 16)
            PutRect(d.data(), rect);
        node.rect = NormalizeRect(rect);
        break;
    case SO_TEXT:
        node.rect = rect;
        if (d.size() >= 16)
            PutRect(d.data(), rect);
        break;
    default:
        node.rect = rect;
        break;
    }
}

Rect32 GetObjectRect(const ShapeEditNode& node)
{
    if (node.code == SO_BLOCK && node.data.size() >= kListHeader)
        return GetRect(node.data.data() + 4);
    return node.rect;
}

Rect32 EditNodeHitRect(const ShapeEditNode& node)
{
    Rect32 r = node.rect;
    if (node.code == SO_LINE || node.code == SO_ARC || node.code == SO_SWITCH || node.code == SO_CURRENT) {
        if (r.left == r.right) {
            r.left -= 2;
            r.right += 2;
        } else if (r.top == r.bottom) {
            r.top -= 2;
            r.bottom += 2;
        }
        r = NormalizeRect(r);
    }
    return r;
}

int EditListBounds(const ShapeEditList& list, Rect32& out, int bits)
{
    out = {1000, 1000, 1000, 1000};
    int count = 0;
    bool first = true;
    for (const auto& node : list) {
        bool take = bits == 0 ? !(node->style & SS_SELECTED) : (node->style & bits) != 0;
        if (!take)
            continue;
        ++count;
        UnionRect(out, EditNodeHitRect(*node), first);
    }
    if (count && (bits & SS_SELECTED)) {
        out.left -= 3; out.top -= 3; out.right += 4; out.bottom += 4;
    }
    return count;
}

static bool Intersects(const Rect32& a, const Rect32& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

int SelectEditNodesInRect(ShapeEditList& list, Rect32& rect, bool toggle)
{
    int count = 0;
    Rect32 u;
    bool first = true;
    Rect32 area = NormalizeRect(rect);
    for (auto& node : list) {
        Rect32 hit = EditNodeHitRect(*node);
        if (!Intersects(hit, area))
            continue;
        node->style = static_cast<int16_t>(toggle ? node->style ^ SS_SELECTED : node->style | SS_SELECTED);
        UnionRect(u, hit, first);
        ++count;
    }
    if (count)
        rect = {u.left - 2, u.top - 2, u.right + 4, u.bottom + 4};
    return count;
}

int SetEditNodeFlags(ShapeEditList& list, int bits)
{
    int changed = 0;
    for (auto& node : list) {
        if (bits == 0) {
            if (node->style & SS_SELECTED) {
                node->style &= ~SS_SELECTED;
                ++changed;
            }
        } else if (!(node->style & bits)) {
            node->style = static_cast<int16_t>(node->style | bits);
            ++changed;
        }
    }
    return changed;
}

// Maps a point inside an object from its old rectangle to the transformed one.
static Point32 MapInRect(int code, Point32 p, const Rect32& o, const Rect32& n)
{
    switch (code & 7) {
    case 1: return {n.right - (p.y - o.top), n.bottom - (o.right - p.x)};
    case 2: return {o.right + n.left - p.x, n.bottom + o.top - p.y};
    case 3: return {n.left + (p.y - o.top), n.top + (o.right - p.x)};
    case 4: return {p.x, n.bottom + o.top - p.y};
    case 5: return {n.left + (o.bottom - p.y), n.bottom - (p.x - o.left)};
    case 6: return {o.right + n.left - p.x, p.y};
    case 7: return {n.left + (p.y - o.top), n.top + (p.x - o.left)};
    default: return p;
    }
}

static Rect32 RectAroundCentre(const Rect32& old, int code, double cx, double cy)
{
    int32_t w = old.right - old.left, h = old.bottom - old.top;
    if (code & 1)
        std::swap(w, h);
    Rect32 r;
    r.left = static_cast<int32_t>(cx - w / 2.0);
    r.top = static_cast<int32_t>(cy - h / 2.0);
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

static void ReorderBlockLines(std::vector<uint8_t>& d, int code, bool horizontal)
{
    int n = BlockLineCapacity(d);
    if (n < 2)
        return;
    struct Line { uint8_t bytes[12]; };
    std::vector<Line> lines(n);
    std::memcpy(lines.data(), d.data() + kListHeader, 12 * n);
    int half = n / 2;
    auto reverseHalves = [&] {
        std::reverse(lines.begin(), lines.begin() + half);
        std::reverse(lines.begin() + half, lines.end());
    };
    auto exchangeHalves = [&] { std::rotate(lines.begin(), lines.begin() + half, lines.end()); };
    switch (code & 7) {
    case 2: case 5: std::reverse(lines.begin(), lines.end()); break;
    case 3: case 4: if (horizontal) exchangeHalves(); else reverseHalves(); break;
    case 1: case 6: if (horizontal) reverseHalves(); else exchangeHalves(); break;
    default: break;
    }
    std::memcpy(d.data() + kListHeader, lines.data(), 12 * n);
}

// Rebuilds a point pair around its centre moved about the pivot.
static void TransformPair(int code, Point32& a, Point32& b, double px, double py, bool useOwnCentre,
                          double ncx, double ncy)
{
    if (useOwnCentre) {
        double u, v;
        Orient(code, (a.x + b.x) / 2.0 - px, (a.y + b.y) / 2.0 - py, u, v);
        ncx = px + u;
        ncy = py + v;
    }
    Point32 dv = RotateOffset(code, b.x - a.x, b.y - a.y);
    a.x = static_cast<int32_t>(ncx - dv.x / 2.0);
    a.y = static_cast<int32_t>(ncy - dv.y / 2.0);
    b.x = a.x + dv.x;
    b.y = a.y + dv.y;
}

void TransformEditList(ShapeEditList& list, int code, int flags, double cx, double cy)
{
    code &= 7;
    for (auto& np : list) {
        ShapeEditNode& node = *np;
        if (!(flags & 1) && !(node.style & SS_SELECTED))
            continue;
        if (node.code == SO_ROOT) {
            TransformEditList(node.children, code, 1 | (flags & 2), cx, cy);
            if (flags & 2)
                node.orientation = static_cast<int16_t>(ComposeOrientation(node.orientation, code));
        }
        Rect32 old = GetObjectRect(node);
        double u, v;
        Orient(code, (old.left + old.right) / 2.0 - cx, (old.top + old.bottom) / 2.0 - cy, u, v);
        double ncx = cx + u, ncy = cy + v;
        Rect32 fresh = RectAroundCentre(old, code, ncx, ncy);
        auto& d = node.data;
        switch (node.code) {
        case SO_POLY_CLOSED: case SO_POLY_OPEN: {
            int n = PolyPointCapacity(d);
            for (int i = 0; i < n; ++i) {
                uint8_t* p = d.data() + kListHeader + 8 * i;
                Point32 m = MapInRect(code, {GetI32(p), GetI32(p + 4)}, old, fresh);
                PutI32(p, m.x);
                PutI32(p + 4, m.y);
            }
            if (d.size() >= kListHeader)
                PutRect(d.data() + 4, fresh);
            node.rect = fresh;
            break;
        }
        case SO_BLOCK: {
            int n = BlockLineCapacity(d);
            for (int i = 0; i < n; ++i) {
                uint8_t* p = d.data() + kListHeader + 12 * i + 4;
                Point32 m = MapInRect(code, {GetI32(p), GetI32(p + 4)}, old, fresh);
                PutI32(p, m.x);
                PutI32(p + 4, m.y);
            }
            if (d.size() >= kListHeader)
                PutRect(d.data() + 4, fresh);
            ReorderBlockLines(d, code, fresh.bottom - fresh.top < fresh.right - fresh.left);
            node.rect = BlockNodeRect(d);
            break;
        }
        case SO_LINE: case SO_CURRENT: {
            Point32 a{node.rect.left, node.rect.top}, b{node.rect.right, node.rect.bottom};
            TransformPair(code, a, b, cx, cy, false, ncx, ncy);
            node.rect = {a.x, a.y, b.x, b.y};
            break;
        }
        case SO_ARC: {
            if (d.size() < 32)
                break;
            PutRect(d.data(), fresh);
            node.rect = NormalizeRect(fresh);
            Point32 a{GetI32(d.data() + 16), GetI32(d.data() + 20)};
            Point32 b{GetI32(d.data() + 24), GetI32(d.data() + 28)};
            TransformPair(code, a, b, cx, cy, true, 0, 0);
            // A mirror reverses the sense of rotation; swapping the ends keeps the arc
            // running counter-clockwise over the same points.
            if (code >= 4)
                std::swap(a, b);
            PutI32(d.data() + 16, a.x); PutI32(d.data() + 20, a.y);
            PutI32(d.data() + 24, b.x); PutI32(d.data() + 28, b.y);
            break;
        }
        default:
            SetEditNodeRect(fresh, node);
            break;
        }
    }
}

bool PointNear(int32_t x, int32_t y, Point32 p, int tolerance)
{
    return p.x >= x - tolerance && p.x <= x + tolerance && p.y >= y - tolerance && p.y <= y + tolerance;
}

int HitTestHandles(const Rect32& rect, Point32 p, int tolerance, int mask)
{
    Rect32 r = rect;
    if ((mask & 0x100) && tolerance > 0) {
        int grow = tolerance / 2 + 1;
        r.left -= grow; r.top -= grow; r.right += grow; r.bottom += grow;
    }
    int32_t mx = r.left + (r.right - r.left) / 2, my = r.top + (r.bottom - r.top) / 2;
    struct Handle { int32_t x, y; int bit, mode; };
    const Handle handles[8] = {
        {r.left, r.top, 0x01, 0x500}, {mx, r.top, 0x08, 0x400}, {r.right, r.top, 0x20, 0x600},
        {r.right, my, 0x40, 0x200}, {r.right, r.bottom, 0x80, 0xA00}, {mx, r.bottom, 0x10, 0x800},
        {r.left, r.bottom, 0x04, 0x900}, {r.left, my, 0x02, 0x100},
    };
    for (const Handle& h : handles)
        if ((mask & h.bit) && PointNear(h.x, h.y, p, tolerance))
            return h.mode;
    return 0;
}

ShapeEditNode* HitTestEditObjects(ShapeEditList& list, Point32 point, int* handle, int tolerance)
{
    int dummy = 0;
    int& result = handle ? *handle : dummy;
    result = 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        ShapeEditNode& node = **it;
        Rect32 hit = EditNodeHitRect(node);
        bool selected = node.style & SS_SELECTED;
        if (node.code == SO_ROOT || node.code == SO_TEXT) {
            if (PtInRect(node.rect, point))
                return &node;
            continue;
        }
        if (node.code == SO_LINE || node.code == SO_CURRENT) {
            if (selected) {
                result = HitTestHandles(node.rect, point, tolerance, 0x81);
                if (result)
                    return &node;
            }
            if (!PtInRect(hit, point))
                continue;
            const Rect32& r = node.rect;
            if (r.right != r.left && hit.right - hit.left > 5 && hit.bottom - hit.top > 5) {
                int64_t y = r.top + int64_t(r.bottom - r.top) * (point.x - r.left) / (r.right - r.left);
                if (std::llabs(y - point.y) > 2)
                    continue;
            }
            return &node;
        }
        if (node.code == SO_BLOCK)
            hit = GetObjectRect(node);
        if (selected && node.code == SO_ARC && node.data.size() >= 32) {
            const uint8_t* d = node.data.data();
            if (PointNear(GetI32(d + 16), GetI32(d + 20), point, tolerance)) {
                result = 0x10000;
                return &node;
            }
            if (PointNear(GetI32(d + 24), GetI32(d + 28), point, tolerance)) {
                result = 0x20000;
                return &node;
            }
        }
        if (PtInRect(hit, point))
            return &node;
        if (selected) {
            result = HitTestHandles(node.rect, point, tolerance, 0xff);
            if (result)
                return &node;
        }
    }
    return nullptr;
}

std::vector<uint8_t> MakeRectBody(int32_t l, int32_t t, int32_t r, int32_t b)
{
    std::vector<uint8_t> body(16);
    PutRect(body.data(), {l, t, r, b});
    return body;
}

std::vector<uint8_t> MakeArcBody(const Rect32& r, Point32 start, Point32 end)
{
    std::vector<uint8_t> body(32);
    PutRect(body.data(), r);
    PutI32(body.data() + 16, start.x); PutI32(body.data() + 20, start.y);
    PutI32(body.data() + 24, end.x); PutI32(body.data() + 28, end.y);
    return body;
}

std::vector<uint8_t> MakePolyBody(const std::vector<Point32>& points)
{
    std::vector<uint8_t> body(kListHeader + 8 * points.size(), 0);
    PutI16(body.data(), static_cast<int>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        PutI32(body.data() + kListHeader + 8 * i, points[i].x);
        PutI32(body.data() + kListHeader + 8 * i + 4, points[i].y);
    }
    PutRect(body.data() + 4, PolyBounds(body));
    return body;
}

std::vector<uint8_t> MakeTextBody(const Rect32& r, int16_t height, uint16_t faceIndex,
                                  uint8_t styleBits, uint8_t colour, const std::string& face,
                                  const std::string& text)
{
    std::vector<uint8_t> body(kTextStringOffset + text.size() + 1, 0);
    PutRect(body.data(), r);
    PutI16(body.data() + 16, height);
    PutI16(body.data() + 18, faceIndex);
    body[20] = styleBits;
    body[21] = colour;
    std::memcpy(body.data() + kTextFaceOffset, face.data(), std::min<size_t>(face.size(), 31));
    std::memcpy(body.data() + kTextStringOffset, text.data(), text.size());
    return body;
}

std::vector<uint8_t> MakeRootBody(const std::string& name, int32_t x, int32_t y, int orientation)
{
    std::vector<uint8_t> body(kRootBodySize, 0);
    PutI32(body.data(), x);
    PutI32(body.data() + 4, y);
    PutI16(body.data() + 8, orientation & 7);
    std::memcpy(body.data() + kRootNameOffset, name.data(), std::min<size_t>(name.size(), kRootNameSize - 1));
    return body;
}

std::vector<uint8_t> MakeBlockBody(const Rect32& box, const std::vector<BlockLine>& lines)
{
    std::vector<uint8_t> body(kListHeader + 12 * lines.size(), 0);
    PutI16(body.data(), static_cast<int>(lines.size()));
    PutRect(body.data() + 4, box);
    for (size_t i = 0; i < lines.size(); ++i) {
        uint8_t* p = body.data() + kListHeader + 12 * i;
        PutI16(p, lines[i].decoration);
        PutI32(p + 4, lines[i].x);
        PutI32(p + 8, lines[i].y);
    }
    return body;
}

}  // namespace ob7
