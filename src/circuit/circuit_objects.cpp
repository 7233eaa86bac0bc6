#include "circuit/circuit_objects.h"

#include "libraries/library_text.h"

#include <algorithm>

namespace ob7 {

const GraphicKindRow GraphicKindTable[12] = {
    {0x100, "Line", false},     {0x200, "Ellipse", true},  {0x300, "Rectangle", true},
    {0x400, "Diamond", true},   {0x500, "Arc", false},     {0x600, "Pie", true},
    {0x800, "MeasureV", false}, {0x900, "Tag", false},     {0xa00, "MeasureH", false},
    {0xb00, "Picture", true},   {0xc00, "Poly", true},     {0xf00, "Text", false},
};

const char* GraphicKindName(int code)
{
    for (const auto& row : GraphicKindTable)
        if (row.code == code)
            return row.name;
    return "";
}

int GraphicKindFromName(const char* name)
{
    if (!name)
        return 0;
    for (const auto& row : GraphicKindTable)
        if (EqualNoCase(row.name, name))
            return row.code;
    return 0;
}

bool GraphicKindIsClosed(int code)
{
    for (const auto& row : GraphicKindTable)
        if (row.code == code)
            return row.closed;
    return false;
}

std::string AttrNode::Name() const
{
    const char* name = AttributeIdName(id);
    return name ? std::string(name) : userName;
}

void AttrNode::SetName(const std::string& name)
{
    id = AttributeIdFromName(name.c_str());
    userName = id ? std::string() : name;
}

void AttrNode::ClampOffset()
{
    dx = std::clamp(dx, -1000, 1000);
    dy = std::clamp(dy, -1000, 1000);
}

AttrNode* CircuitObject::FindAttr(int wanted)
{
    for (auto& a : attrs)
        if (a.id != 0 && a.id == wanted)
            return &a;
    return nullptr;
}

AttrNode* CircuitObject::FindAttrByName(const std::string& name)
{
    for (auto& a : attrs)
        if (EqualNoCase(a.Name(), name))
            return &a;
    return nullptr;
}

AttrNode& CircuitObject::SetAttr(int wanted, const std::string& value)
{
    AttrNode* a = FindAttr(wanted);
    if (!a) {
        attrs.emplace_back();
        a = &attrs.back();
        a->id = wanted;
        attrsChanged = 1;
    }
    a->value = value;
    return *a;
}

AttrNode& CircuitObject::SetAttrByName(const std::string& name, const std::string& value)
{
    int wanted = AttributeIdFromName(name.c_str());
    if (wanted)
        return SetAttr(wanted, value);
    AttrNode* a = FindAttrByName(name);
    if (!a) {
        attrs.emplace_back();
        a = &attrs.back();
        a->userName = name;
        attrsChanged = 1;
    }
    a->value = value;
    return *a;
}

void RotatePinOffset(int rotation, int32_t& dx, int32_t& dy)
{
    int32_t x = dx, y = dy;
    switch (rotation & 3) {
    case 0: dx = x; dy = y; break;
    case 1: dx = -y; dy = x; break;
    case 2: dx = -x; dy = -y; break;
    default: dx = y; dy = -x; break;
    }
    if (rotation & 4)
        dy = -dy;
}

bool ClampGridPoint(int32_t& x, int32_t& y, int loadFlags, bool* illegal)
{
    if (loadFlags & kLoadKeepCoordinates)
        return false;
    bool changed = false;
    for (int32_t* c : {&x, &y}) {
        if (*c < 1 || *c > 32000) {
            *c = 10;
            changed = true;
        }
    }
    if (changed && illegal)
        *illegal = true;
    return changed;
}

bool IsBadRotation(int rotation, int loadFlags)
{
    return !(loadFlags & kLoadKeepCoordinates) && (rotation < 0 || rotation > 7);
}

double SnapZoomFactor(double zoom)
{
    static const double steps[] = {8.0, 4.0, 8.0 / 3.0, 2.0, 4.0 / 3.0, 1.0, 2.0 / 3.0, 0.5, 0.25};
    long wanted = static_cast<long>(zoom * 100.0);
    for (double s : steps)
        if (static_cast<long>(s * 100.0) == wanted)
            return s;
    return 1.0;
}

}  // namespace ob7
