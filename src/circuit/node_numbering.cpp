#include "circuit/node_numbering.h"

#include "foundation/message_codes.h"
#include "libraries/component_types.h"
#include "libraries/library_text.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <set>
#include <tuple>
#include <unordered_map>

namespace ob7 {

namespace {

bool IsLive(const CircuitObject& o)
{
    return o.editorField == 1 && o.page >= 0;
}

int TypeOf(const CircuitObject& o)
{
    return o.def ? o.def->type : 0;
}

int PinCountOf(const CircuitObject& o)
{
    return o.def ? o.def->PinCount() : 0;
}

std::string AttrText(CircuitObject& o, int id)
{
    const AttrNode* a = o.FindAttr(id);
    return a ? a->value : std::string();
}

// The grid points of one numbering: every live pin and wire end, ids in page, row,
// column order. Connections are kept as a union-find over the points, each root carrying
// the state of its node: none yet, a temporary node, ground, or a final number.
class GridPoints {
public:
    static constexpr int32_t kNone = -1;
    static constexpr int32_t kTemporary = -2;

    static uint64_t Key(int page, int32_t x, int32_t y)
    {
        return (static_cast<uint64_t>(static_cast<uint16_t>(page)) << 48) |
               (static_cast<uint64_t>(static_cast<uint32_t>(y) & 0xFFFFFF) << 24) |
               (static_cast<uint64_t>(static_cast<uint32_t>(x) & 0xFFFFFF));
    }

    void Add(int page, int32_t x, int32_t y) { keys_.push_back(Key(page, x, y)); }

    void Finish()
    {
        std::sort(keys_.begin(), keys_.end());
        refs_.clear();
        std::vector<uint64_t> unique;
        unique.reserve(keys_.size());
        for (uint64_t k : keys_) {
            if (unique.empty() || unique.back() != k) {
                unique.push_back(k);
                refs_.push_back(0);
            }
            ++refs_.back();
        }
        keys_.swap(unique);
        parent_.resize(keys_.size());
        for (size_t i = 0; i < parent_.size(); ++i)
            parent_[i] = static_cast<int32_t>(i);
        state_.assign(keys_.size(), kNone);
        hasPin_.assign(keys_.size(), 0);
    }

    // The point id, or -1 for a point no pin or wire end lies on.
    int32_t Find(int page, int32_t x, int32_t y) const
    {
        auto it = std::lower_bound(keys_.begin(), keys_.end(), Key(page, x, y));
        return it != keys_.end() && *it == Key(page, x, y) ? static_cast<int32_t>(it - keys_.begin()) : -1;
    }

    int32_t Root(int32_t p)
    {
        while (parent_[p] != p) {
            parent_[p] = parent_[parent_[p]];
            p = parent_[p];
        }
        return p;
    }

    int32_t State(int32_t p) { return p < 0 ? kNone : state_[Root(p)]; }
    void SetState(int32_t p, int32_t s)
    {
        if (p >= 0)
            state_[Root(p)] = s;
    }

    // Connects two points: two points without a node share a new temporary node; ground
    // wins over any other node.
    void Join(int32_t a, int32_t b)
    {
        if (a < 0 || b < 0)
            return;
        int32_t ra = Root(a), rb = Root(b);
        if (ra == rb) {
            if (state_[ra] == kNone)
                state_[ra] = kTemporary;
            return;
        }
        int32_t sa = state_[ra], sb = state_[rb];
        int32_t merged = (sa == 0 || sb == 0) ? 0 : (sb >= 0 ? sb : sa >= 0 ? sa : kTemporary);
        parent_[ra] = rb;
        state_[rb] = merged;
    }

    void MarkPin(int32_t p)
    {
        if (p >= 0)
            hasPin_[p] = 1;
    }
    bool HasPin(int32_t p) const { return p >= 0 && hasPin_[p]; }

    size_t Count() const { return keys_.size(); }
    int32_t Refs(size_t i) const { return refs_[i]; }
    void Decode(size_t i, int& page, int32_t& x, int32_t& y) const
    {
        page = static_cast<int16_t>(keys_[i] >> 48);
        y = static_cast<int32_t>((keys_[i] >> 24) & 0xFFFFFF);
        x = static_cast<int32_t>(keys_[i] & 0xFFFFFF);
    }

private:
    std::vector<uint64_t> keys_;
    std::vector<int32_t> refs_;
    std::vector<int32_t> parent_;
    std::vector<int32_t> state_;
    std::vector<uint8_t> hasPin_;
};

int32_t PinPoint(GridPoints& points, const CircuitObject& part, int pin)
{
    int32_t x, y;
    GetPinPosition(part, pin, x, y);
    return points.Find(part.page, x, y);
}

// A final number for a point: its node's number, a new one for a node that has none.
int32_t NumberPoint(GridPoints& points, int32_t p, int32_t& next)
{
    int32_t s = points.State(p);
    if (s >= 0)
        return s;
    points.SetState(p, ++next);
    return next;
}

// ".TIE type pin part..." texts: the named pin of every part of the type (or of the
// listed parts) is connected.
void ApplyTieLines(CircuitDocument& doc, GridPoints& points)
{
    for (const auto& gt : doc.gridTexts) {
        const std::string& text = gt->text;
        if (text.size() < 4 || !EqualNoCase(text.substr(0, 4), ".TIE"))
            continue;
        std::string rest;
        for (size_t i = 4; i < text.size(); ++i)
            rest += static_cast<char>(ToUpperAscii(static_cast<unsigned char>(text[i])));
        size_t i = 0;
        auto skipBlanks = [&] {
            while (i < rest.size() && !(std::isalnum(static_cast<unsigned char>(rest[i])) || rest[i] == '_'))
                ++i;
        };
        auto word = [&] {
            skipBlanks();
            size_t b = i;
            while (i < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[i])) || rest[i] == '_'))
                ++i;
            return rest.substr(b, i - b);
        };
        std::string typeName = word();
        std::string pinName = word();
        while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t'))
            ++i;
        std::vector<std::string> parts;
        for (size_t b = i; b < rest.size();) {
            size_t e = rest.find_first_of(" \t", b);
            if (e == std::string::npos)
                e = rest.size();
            if (e > b)
                parts.push_back(rest.substr(b, e - b));
            b = e + 1;
        }
        int type = ComponentTypeFromDefinitionName(typeName);
        if (type < 0)
            continue;
        const ComponentTypeRow& row = ComponentTypeTable[type];
        int base = row.pinNameBase;
        if (base == PNB_PIN_LETTER || base == PNB_DIGITAL || base == PNB_USER || base == PNB_ADC ||
            base == PNB_DAC || row.fixedPinCount < 0)
            continue;
        int32_t first = -1;
        for (auto& object : doc.objects) {
            CircuitObject& part = *object;
            if (part.kind != OK_COMPONENT || !IsLive(part) || TypeOf(part) != type)
                continue;
            int pin = -1;
            for (int n = 0; n < PinCountOf(part); ++n)
                if (EqualNoCase(GetPinName(*part.def, n), pinName)) {
                    pin = n;
                    break;
                }
            if (pin < 0)
                continue;
            if (!parts.empty()) {
                std::string name = AttrText(part, ATTR_PART);
                bool listed = std::any_of(parts.begin(), parts.end(), [&](const std::string& w) {
                    return EqualNoCase(name, w);
                });
                if (!listed)
                    continue;
            }
            int32_t p = PinPoint(points, part, pin);
            if (first < 0)
                first = p;
            else
                points.Join(first, p);
        }
    }
}

int BuildNodeTable(CircuitDocument& doc, int32_t highest)
{
    std::vector<NodeTableEntry> table(static_cast<size_t>(highest) + 1);
    int32_t running = 0;
    auto fill = [&](NodeTableEntry& e, int32_t node, uint8_t kind, int32_t x, int32_t y, int16_t page) {
        e.index = ++running;
        e.node = node;
        e.kind = kind;
        e.x = x;
        e.y = y;
        e.page = page;
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& object : doc.objects) {
            CircuitObject& part = *object;
            if (part.kind != OK_COMPONENT || !IsLive(part) || !TypeHasNodeNumbers(TypeOf(part)))
                continue;
            for (int n = 0; n < static_cast<int>(part.pinNodes.size()); ++n) {
                int32_t node = part.pinNodes[n];
                if (node <= 0 || node > highest || IsDigitalPin(part, n) != pass)
                    continue;
                if (PinHasSecondName(*part.def, n) && node <= doc.highestAnalogNode)
                    continue;
                int32_t x, y;
                GetPinPosition(part, n, x, y);
                if (pass == 0) {
                    if (table[node].kind == 99)
                        fill(table[node], node, 0, x, y, part.page);
                    continue;
                }
                NodeTableEntry* entry = &table[node];
                int type = TypeOf(part);
                if (entry->kind == 0 && type != CT_MACRO && type != CT_SUBCKT) {
                    bool input = n < CountInputPins(*part.def);
                    entry = nullptr;
                    for (size_t i = static_cast<size_t>(highest) + 1; i < table.size(); ++i)
                        if (table[i].node == node) {
                            entry = &table[i];
                            if (!input)
                                entry->interface = 2;
                            break;
                        }
                    if (!entry) {
                        table.emplace_back();
                        entry = &table.back();
                        entry->node = node;
                        entry->interface = input ? 1 : 2;
                    }
                }
                if (entry->kind == 99)
                    fill(*entry, node, 1, x, y, part.page);
            }
        }
    }
    // Label offsets moved by the user stay with a node that kept its number and place.
    for (const NodeTableEntry& old : doc.nodeTable) {
        if (!old.dx && !old.dy)
            continue;
        for (NodeTableEntry& e : table)
            if (e.kind != 99 && e.node == old.node && e.x == old.x && e.y == old.y && e.page == old.page) {
                e.dx = old.dx;
                e.dy = old.dy;
                break;
            }
    }
    doc.nodeTable.swap(table);
    doc.nodeCount = running;
    doc.digitalNodeCount = 0;
    return 0;
}

void BuildNodeMarkList(CircuitDocument& doc, GridPoints& points)
{
    doc.nodeMarks.clear();
    doc.nodeMarks.reserve(points.Count() + doc.gridTexts.size());
    std::set<std::tuple<int, int32_t, int32_t>> labelled;
    for (size_t i = 1; i < doc.nodeTable.size(); ++i)
        if (doc.nodeTable[i].kind != 99)
            labelled.emplace(doc.nodeTable[i].page, doc.nodeTable[i].x, doc.nodeTable[i].y);
    for (size_t i = 0; i < points.Count(); ++i) {
        NodeMark m;
        int page;
        int32_t x, y;
        points.Decode(i, page, x, y);
        m.x = static_cast<int16_t>(x);
        m.y = static_cast<int16_t>(y);
        m.page = static_cast<int16_t>(page);
        m.junction = points.Refs(i) > 2 ? 1 : 0;
        m.label = labelled.count({page, x, y}) ? 1 : 0;
        doc.nodeMarks.push_back(m);
    }
    for (const auto& t : doc.gridTexts) {
        if (!(t->textFlags & GT_NODE_NAME))
            continue;
        int32_t p = points.Find(t->page, t->x, t->y);
        if (points.State(p) < 0)
            continue;
        NodeMark m;
        m.x = static_cast<int16_t>(t->x);
        m.y = static_cast<int16_t>(t->y);
        m.page = t->page;
        m.junction = 3;
        m.label = labelled.count({t->page, t->x, t->y}) ? 1 : 0;
        doc.nodeMarks.push_back(m);
    }
}

}  // namespace

bool TypeHasNodeNumbers(int type)
{
    if (!IsValidComponentType(type) || type == CT_NULL || type == CT_BLANK)
        return false;
    return ComponentTypeTable[type].pinNameBase != PNB_PIN_LETTER;
}

void GetPinPosition(const CircuitObject& part, int pin, int32_t& x, int32_t& y)
{
    int32_t dx = 0, dy = 0;
    if (part.def && pin >= 0 && pin < part.def->PinCount()) {
        dx = part.def->pins[pin].x;
        dy = part.def->pins[pin].y;
    }
    RotatePinOffset(part.rotation, dx, dy);
    x = part.coords[0] + dx;
    y = part.coords[1] + dy;
}

int IsDigitalPin(const CircuitObject& part, int pin)
{
    int type = TypeOf(part);
    if (!IsValidComponentType(type))
        return 0;
    int domain = ComponentTypeTable[type].pinDomain;
    if (domain != 2)
        return domain;
    switch (type) {
    case CT_MACRO:
    case CT_SUBCKT: {
        const std::string& t = part.def->pins[pin].text;
        return !t.empty() && (t[0] == 'd' || t[0] == 'D') ? 1 : 0;
    }
    case CT_DINPUT: return pin == 3 ? 1 : 0;
    case CT_DOUTPUT: return pin == 2 ? 1 : 0;
    case CT_ADC:
    case CT_DAC: return pin > 2 ? 1 : 0;
    default: return 2;
    }
}

int32_t* ResizePinNodeArray(CircuitObject& part, int count)
{
    if (count <= 0) {
        part.pinNodes.clear();
        part.pinNodes.shrink_to_fit();
        part.coords[3] = 0;
        return nullptr;
    }
    part.pinNodes.assign(static_cast<size_t>(count), 0);
    part.coords[3] = count;
    return part.pinNodes.data();
}

int32_t* AllocPartPinNodes(CircuitObject& part)
{
    return ResizePinNodeArray(part, PinCountOf(part));
}

void AppendInterfaceNodeSuffix(std::string& text, int direction)
{
    text += direction == 2 ? "$DTOA" : "$ATOD";
}

std::string FormatNodeName(const NodeTableEntry& entry, int flags)
{
    std::string text;
    if (flags & 1) {
        text = std::to_string(entry.node);
        if (entry.interface)
            AppendInterfaceNodeSuffix(text, entry.interface);
    }
    return text;
}

int NumberNodes(CircuitDocument& doc)
{
    try {
        GridPoints points;
        for (const auto& object : doc.objects) {
            const CircuitObject& o = *object;
            if (!IsLive(o))
                continue;
            if (o.kind == OK_WIRE) {
                points.Add(o.page, o.coords[0], o.coords[1]);
                points.Add(o.page, o.coords[2], o.coords[3]);
            } else if (o.kind == OK_COMPONENT) {
                for (int n = 0; n < PinCountOf(o); ++n) {
                    int32_t x, y;
                    GetPinPosition(o, n, x, y);
                    points.Add(o.page, x, y);
                }
            }
        }
        points.Finish();

        // Wires, jumpers and ground symbols.
        std::vector<CircuitObject*> ties;
        for (const auto& object : doc.objects) {
            CircuitObject& o = *object;
            if (!IsLive(o))
                continue;
            if (o.kind == OK_WIRE) {
                points.Join(points.Find(o.page, o.coords[0], o.coords[1]),
                            points.Find(o.page, o.coords[2], o.coords[3]));
            } else if (o.kind == OK_COMPONENT) {
                for (int n = 0; n < PinCountOf(o); ++n)
                    points.MarkPin(PinPoint(points, o, n));
                int type = TypeOf(o);
                if (type == CT_JUMPER && PinCountOf(o) >= 2)
                    points.Join(PinPoint(points, o, 0), PinPoint(points, o, 1));
                else if (type == CT_GROUND && PinCountOf(o) >= 1)
                    points.SetState(PinPoint(points, o, 0), 0);
                else if (type == CT_TIE && PinCountOf(o) >= 1)
                    ties.push_back(&o);
            }
        }

        // Ties of the same name, across pages.
        std::vector<uint8_t> tieMarked(ties.size(), 1);
        for (size_t i = 0; i < ties.size(); ++i) {
            if (!tieMarked[i])
                continue;
            const AttrNode* a = ties[i]->FindAttr(ATTR_PART);
            if (!a)
                continue;
            for (size_t j = i + 1; j < ties.size(); ++j) {
                const AttrNode* b = ties[j]->FindAttr(ATTR_PART);
                if (tieMarked[j] && b && EqualNoCase(a->value, b->value)) {
                    tieMarked[j] = 0;
                    points.Join(PinPoint(points, *ties[i], 0), PinPoint(points, *ties[j], 0));
                }
            }
        }

        ApplyTieLines(doc, points);

        // Node-name texts of the same name, on every page.
        std::unordered_map<std::string, int32_t> firstOfName;
        for (const auto& t : doc.gridTexts) {
            if (!(t->textFlags & GT_NODE_NAME))
                continue;
            int32_t p = points.Find(t->page, t->x, t->y);
            if (p < 0 || !(points.State(p) != GridPoints::kNone || points.HasPin(p)))
                continue;
            std::string name;
            for (char c : t->text)
                name += static_cast<char>(ToUpperAscii(static_cast<unsigned char>(c)));
            auto [it, inserted] = firstOfName.emplace(name, p);
            if (!inserted)
                points.Join(it->second, p);
        }

        // Numbers, in list order.
        int32_t next = 0;
        for (const auto& object : doc.objects) {
            CircuitObject& o = *object;
            if (o.kind != OK_COMPONENT || !IsLive(o) || !TypeHasNodeNumbers(TypeOf(o)))
                continue;
            ResizePinNodeArray(o, PinCountOf(o));
            for (int n = 0; n < PinCountOf(o); ++n)
                if (!PinHasSecondName(*o.def, n))
                    o.pinNodes[n] = NumberPoint(points, PinPoint(points, o, n), next);
        }
        doc.unresolvedPinName.clear();
        doc.unresolvedPart = nullptr;
        doc.highestAnalogNode = next;

        // Pins with a second name connect to the node-name text of that name.
        for (const auto& object : doc.objects) {
            CircuitObject& o = *object;
            if (o.kind != OK_COMPONENT || !IsLive(o) || !TypeHasNodeNumbers(TypeOf(o)))
                continue;
            for (int n = 0; n < PinCountOf(o); ++n) {
                if (!PinHasSecondName(*o.def, n))
                    continue;
                std::string second = GetPinSecondName(*o.def, n);
                int32_t p = -1;
                for (const auto& t : doc.gridTexts)
                    if ((t->textFlags & GT_NODE_NAME) && EqualNoCase(t->text, second)) {
                        p = points.Find(t->page, t->x, t->y);
                        break;
                    }
                if (points.State(p) == GridPoints::kNone) {
                    o.pinNodes[n] = 0;
                    if (doc.unresolvedPinName.empty()) {
                        doc.unresolvedPinName = second;
                        doc.unresolvedPart = &o;
                    }
                    continue;
                }
                o.pinNodes[n] = NumberPoint(points, p, next);
            }
        }

        // Wires take the node of their first end; a wire that reaches no pin has none.
        for (const auto& object : doc.objects) {
            CircuitObject& o = *object;
            if (o.kind != OK_WIRE || !IsLive(o))
                continue;
            int32_t s = points.State(points.Find(o.page, o.coords[0], o.coords[1]));
            o.pinNodes.assign(1, s >= 0 ? s : -1);
        }

        BuildNodeTable(doc, next);
        doc.numberedNodeCount = doc.nodeCount;
        doc.compilerValues[0] = doc.compilerValues[1] = 0;
        BuildNodeMarkList(doc, points);
        return 0;
    } catch (const std::bad_alloc&) {
        doc.nodeTable.clear();
        doc.nodeMarks.clear();
        doc.nodeCount = doc.numberedNodeCount = 0;
        return kMsgInsufficientMemory;
    }
}

void AssignWireNodes(CircuitDocument& doc)
{
    struct PinRef {
        CircuitObject* part;
        int pin;
    };
    std::unordered_map<uint64_t, std::vector<PinRef>> pins;
    std::unordered_map<uint64_t, std::vector<CircuitObject*>> wireEnds;
    std::vector<CircuitObject*> wires, ties;
    for (auto& object : doc.objects) {
        CircuitObject& o = *object;
        if (!IsLive(o))
            continue;
        if (o.kind == OK_WIRE) {
            o.pinNodes.assign(1, -1);
            wires.push_back(&o);
            wireEnds[GridPoints::Key(o.page, o.coords[0], o.coords[1])].push_back(&o);
            if (o.coords[0] != o.coords[2] || o.coords[1] != o.coords[3])
                wireEnds[GridPoints::Key(o.page, o.coords[2], o.coords[3])].push_back(&o);
        } else if (o.kind == OK_COMPONENT) {
            if (TypeOf(o) == CT_TIE && PinCountOf(o) >= 1)
                ties.push_back(&o);
            for (int n = 0; n < PinCountOf(o); ++n) {
                int32_t x, y;
                GetPinPosition(o, n, x, y);
                pins[GridPoints::Key(o.page, x, y)].push_back({&o, n});
            }
        }
    }
    auto endKey = [](const CircuitObject& w, int end) {
        return GridPoints::Key(w.page, w.coords[2 * end], w.coords[2 * end + 1]);
    };
    // The node of the first pin at a point; false when that pin has none.
    auto pinNode = [&](uint64_t key, int32_t& node, bool& digital) {
        auto it = pins.find(key);
        if (it == pins.end() || it->second.empty())
            return false;
        const PinRef& ref = it->second.front();
        if (ref.pin >= static_cast<int>(ref.part->pinNodes.size()))
            return false;
        node = ref.part->pinNodes[ref.pin];
        digital = IsDigitalPin(*ref.part, ref.pin) == 1;
        return true;
    };
    auto take = [](CircuitObject& w, int32_t node, bool digital) {
        w.pinNodes[0] = node;
        if (digital)
            w.styleWord |= 1;
        else
            w.styleWord &= static_cast<uint16_t>(~1);
    };
    bool first = true, tiesDone = false;
    for (;;) {
        bool assigned = false;
        for (CircuitObject* w : wires) {
            if (w->pinNodes[0] != -1)
                continue;
            for (int end = 0; end < 2 && w->pinNodes[0] == -1; ++end) {
                if (first) {
                    int32_t node;
                    bool digital;
                    if (pinNode(endKey(*w, end), node, digital)) {
                        take(*w, node, digital);
                        assigned = true;
                    }
                    continue;
                }
                auto it = wireEnds.find(endKey(*w, end));
                if (it == wireEnds.end())
                    continue;
                for (CircuitObject* other : it->second)
                    if (other != w && other->pinNodes[0] != -1) {
                        take(*w, other->pinNodes[0], (other->styleWord & 1) != 0);
                        assigned = true;
                        break;
                    }
            }
        }
        first = false;
        if (assigned)
            continue;
        if (ties.empty() || tiesDone)
            break;
        tiesDone = true;
        for (CircuitObject* w : wires) {
            if (w->pinNodes[0] != -1)
                continue;
            for (int end = 0; end < 2 && w->pinNodes[0] == -1; ++end) {
                auto it = pins.find(endKey(*w, end));
                if (it == pins.end())
                    continue;
                for (const PinRef& ref : it->second) {
                    if (TypeOf(*ref.part) != CT_TIE || !ref.part->FindAttr(ATTR_PART))
                        continue;
                    const std::string& name = ref.part->FindAttr(ATTR_PART)->value;
                    for (CircuitObject* tie : ties) {
                        const AttrNode* other = tie->FindAttr(ATTR_PART);
                        if (tie == ref.part || !other || !EqualNoCase(other->value, name))
                            continue;
                        int32_t x, y;
                        GetPinPosition(*tie, 0, x, y);
                        auto at = pins.find(GridPoints::Key(tie->page, x, y));
                        for (const PinRef& p : at->second)
                            if (p.pin < static_cast<int>(p.part->pinNodes.size()) && p.part->pinNodes[p.pin] >= 0) {
                                take(*w, p.part->pinNodes[p.pin], IsDigitalPin(*p.part, p.pin) == 1);
                                assigned = true;
                                break;
                            }
                        if (w->pinNodes[0] != -1)
                            break;
                    }
                    if (w->pinNodes[0] != -1)
                        break;
                }
            }
        }
        if (!assigned)
            break;
    }
}

int NumberSchematicNodes(CircuitDocument& doc, bool force)
{
    if (!doc.needsNumbering && !force)
        return 0;
    doc.needsNumbering = false;
    int code = NumberNodes(doc);
    if (code)
        doc.needsNumbering = true;
    return code;
}

}  // namespace ob7
