// Mixed-signal interface insertion: mixed nodes split into an analog and a digital node
// joined by an interface subcircuit call chosen by the digital part's I/O model.

#include "netlist/mixed_signal_interfaces.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "circuit/attribute_ids.h"
#include "foundation/message_codes.h"
#include "libraries/component_types.h"
#include "netlist/model_statements.h"
#include "netlist/model_values.h"
#include "netlist/netlist_read_internal.h"
#include "netlist/netlist_reader.h"

namespace ob7 {

namespace {

// UIO model slots.
enum : int { kUioInld = 0, kUioOutld = 1, kUioDrvh = 2, kUioDrvl = 3, kUioDigPower = 20 };
int AtoDSlot(int level) { return 2 * level + 2; }
int DtoASlot(int level) { return 2 * level + 3; }

constexpr size_t kMaxNodeNameLength = 195;

struct PinRef {
    int part, pin;
};

class InterfaceInserter {
public:
    InterfaceInserter(NetlistCircuit& c, int defaultIoLevel) : c_(c), defaultIoLevel_(defaultIoLevel) {}

    int Run() {
        const NetlistNodeTable& t = c_.nodes;
        if (t.entries.empty() || t.highest <= 0) return 0;
        const size_t size = static_cast<size_t>(t.highest) + 1;
        kind_.assign(size, 0);
        direction_.assign(size, 1);
        // The kind of every node and whether a digital output drives it; the pin index only
        // when some node is mixed (an analog circuit pays for one pass).
        const size_t partCount = c_.parts.size();
        bool mixed = false;
        for (size_t i = 0; i < partCount; ++i) {
            const NetlistPart& p = c_.parts[i];
            if (p.type == CT_SUBCKT || p.type == CT_MACRO) continue;
            const bool analogOnly = !IsValidComponentType(p.type) || ComponentTypeTable[p.type].domain == 0;
            const int inputs = p.object.def && !analogOnly ? CountInputPins(*p.object.def) : 0;
            for (size_t k = 0; k < p.pinNodes.size(); ++k) {
                const int n = p.pinNodes[k];
                if (n < 0 || static_cast<size_t>(n) >= size) continue;
                const bool digital = IsDigitalPin(p, static_cast<int>(k));
                if (digital && static_cast<int>(k) >= inputs) direction_[n] = 2;
                kind_[n] |= digital ? 2 : 1;
                mixed = mixed || kind_[n] == 3;
            }
        }
        if (mixed) {
            pins_.assign(size, {});
            for (size_t i = 0; i < partCount; ++i) {
                const NetlistPart& p = c_.parts[i];
                if (p.type == CT_SUBCKT || p.type == CT_MACRO) continue;
                for (size_t k = 0; k < p.pinNodes.size(); ++k) {
                    const int n = p.pinNodes[k];
                    if (n >= 0 && static_cast<size_t>(n) < size && kind_[n] == 3)
                        pins_[n].push_back({static_cast<int>(i), static_cast<int>(k)});
                }
            }
        }
        for (size_t e = 0; e < c_.nodes.entries.size(); ++e) {
            const NodeEntry entry = c_.nodes.entries[e];
            const int n = entry.number;
            if (n < 0 || static_cast<size_t>(n) >= size) continue;
            const bool constant = entry.name == "$D_HI" || entry.name == "$D_LO" || entry.name == "$D_X" ||
                                  entry.name == "$D_NC";
            if (constant && kind_[n] == 1) {
                ReportMessage("dE", c_.tables.services->ReportOwner(), 10912, entry.name.c_str());
                return kMsgReported;
            }
            if (kind_[n] == 3)
                if (int code = SplitMixedNode(entry, direction_[n])) return code;
            kind_[n] = 0;
        }
        return 0;
    }

private:
    int SplitMixedNode(const NodeEntry& entry, int direction) {
        if (entry.name.size() > kMaxNodeNameLength) {
            ReportMessage("dE", c_.tables.services->ReportOwner(), 10928, entry.name.c_str());
            return kMsgReported;
        }
        std::string base = entry.name;
        if (entry.scope > 1) {
            const size_t dot = base.rfind('.');
            if (dot != std::string::npos) base = base.substr(dot + 1);
        }
        const std::string newName = base + (direction == 2 ? "$DTOA" : "$ATOD");
        int newNode = -1;
        // The list is copied: moving pins changes no entry of it, but new parts may be added.
        const std::vector<PinRef> pins = pins_[entry.number];
        for (const PinRef& ref : pins) {
            NetlistPart& p = c_.parts[static_cast<size_t>(ref.part)];
            if (c_.exporting && p.scope != 1) continue;
            const bool digital = IsDigitalPin(p, ref.pin);
            if (p.type == CT_DINPUT || p.type == CT_DOUTPUT) {
                const char* typeName = ComponentTypeTable[p.type].definitionName;
                return ReportPartError(c_, ref.part, digital ? 10933 : 10932, typeName, entry.name.c_str());
            }
            if (!digital) continue;
            if (direction == 2) p.object.SetAttrByName(" ISDTOA ", "TRUE").flags |= AF_HIDDEN;
            if (newNode < 0) {
                int index = 0;
                if (int code = ResolveNodeName(c_, newName, &index, p.scope, -1, true, false)) return code;
                newNode = c_.nodes.entries[static_cast<size_t>(index)].number;
                p.pinNodes[static_cast<size_t>(ref.pin)] = newNode;
                if (int code = CreateInterfacePart(ref.part, entry.number, newNode, direction)) return code;
            } else {
                c_.parts[static_cast<size_t>(ref.part)].pinNodes[static_cast<size_t>(ref.pin)] = newNode;
            }
        }
        return 0;
    }

    int NodeOf(const std::string& name, int scope, int* node) {
        int index = 0;
        if (int code = ResolveNodeName(c_, name, &index, scope, -1, true, false)) return code;
        *node = c_.nodes.entries[static_cast<size_t>(index)].number;
        return 0;
    }

    int CreateInterfacePart(int partIndex, int analogNode, int digitalNode, int direction) {
        const std::string ground = Trim(PartAttr(c_.parts[static_cast<size_t>(partIndex)], ATTR_GROUND_NODE));
        const std::string power = Trim(PartAttr(c_.parts[static_cast<size_t>(partIndex)], ATTR_POWER_NODE));
        if (ground.empty()) return ReportPartError(c_, partIndex, 10920);
        if (power.empty()) return ReportPartError(c_, partIndex, 10915);
        NetlistPart& digital = c_.parts[static_cast<size_t>(partIndex)];
        const int scope = digital.scope;
        const int line = digital.line;
        int powerNode = 0, groundNode = 0;
        if (int code = NodeOf(power, scope, &powerNode)) return code;
        if (int code = NodeOf(ground, scope, &groundNode)) return code;

        const int statement = LookUpPartModel(c_.tables, &digital.object, scope, kModelUio, kAttrIoModel,
                                              PartAttr(digital, ATTR_IO_MODEL));
        if (statement < 0) return kMsgReported;
        const ModelParams* model = FindModel(c_.tables, -1, statement);
        if (!model) return kMsgReported;
        int level = std::atoi(Trim(PartAttr(digital, ATTR_IO_LEVEL)).c_str());
        if (level <= 0) level = defaultIoLevel_;
        level = std::clamp(level, 1, 4);
        const bool toDigital = direction != 2;
        const std::string subckt = Text(*model, toDigital ? AtoDSlot(level) : DtoASlot(level));
        const std::string digPower = Text(*model, kUioDigPower);
        std::string params = Params(digital, *model, toDigital);

        ComponentDef& def = c_.defs.emplace_back();
        def.type = CT_SUBCKT;
        def.name = "U" + std::to_string(c_.defCounter++) + "$";
        SetPinCount(def, 4);
        SetPinName(def, 0, toDigital ? 'a' : 'd', toDigital ? "A" : "D");
        SetPinName(def, 1, toDigital ? 'd' : 'a', toDigital ? "D" : "A");
        SetPinName(def, 2, 'a', "PWR");
        SetPinName(def, 3, 'a', "GND");
        NetlistPart& part = c_.parts.emplace_back();
        part.type = CT_SUBCKT;
        part.scope = scope;
        part.line = line;
        part.object.page = -1;
        part.object.def = &def;
        part.pinNodes = {toDigital ? analogNode : digitalNode, toDigital ? digitalNode : analogNode, powerNode,
                         groundNode};
        part.object.SetAttr(ATTR_PART, def.name).flags |= AF_HIDDEN;
        part.object.SetAttr(ATTR_NAME, subckt);
        part.object.SetAttr(ATTR_FILE, c_.page->Title());
        part.object.SetAttr(ATTR_PARAMS, params);
        part.skipParamCheck = true;
        return AddPowerPart(digPower);
    }

    // The call's parameters: the load capacitance of its direction and the drives; while
    // exporting only those the part's own parameters name.
    std::string Params(NetlistPart& digital, const ModelParams& model, bool toDigital) {
        const double load = model.Real(toDigital ? kUioInld : kUioOutld);
        const double drvh = model.Real(kUioDrvh), drvl = model.Real(kUioDrvl);
        char buffer[160];
        if (!c_.exporting) {
            std::snprintf(buffer, sizeof buffer, "CAPACITANCE=%g DRVH=%g DRVL=%g", load, drvh, drvl);
            return buffer;
        }
        const std::string own = PartAttr(digital, ATTR_PARAMS);
        std::string out;
        if (HasParamKey(own, "CAPACITANCE")) {
            std::snprintf(buffer, sizeof buffer, "CAPACITANCE=%g", load);
            out += buffer;
        }
        if (HasParamKey(own, "DRVH")) {
            std::snprintf(buffer, sizeof buffer, " DRVH=%g", drvh);
            out += buffer;
        }
        if (HasParamKey(own, "DRVL")) {
            std::snprintf(buffer, sizeof buffer, " DRVL=%g", drvl);
            out += buffer;
        }
        for (char& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return out;
    }

    // One power call per supply subcircuit name.
    int AddPowerPart(const std::string& name) {
        if (name.empty() || madePower_.count(name)) return 0;
        madePower_.insert(name);
        for (const NetlistPart& p : c_.parts)
            if (p.type == CT_SUBCKT && Trim(PartAttr(p, ATTR_NAME)) == name) return 0;
        int ground = 0;
        if (int code = NodeOf("0", 1, &ground)) return code;
        ComponentDef& def = c_.defs.emplace_back();
        def.type = CT_SUBCKT;
        def.name = "U" + std::to_string(c_.defCounter++) + "$";
        SetPinCount(def, 1);
        SetPinName(def, 0, 'a', "GND");
        NetlistPart& part = c_.parts.emplace_back();
        part.type = CT_SUBCKT;
        part.object.page = -1;
        part.object.def = &def;
        part.pinNodes = {ground};
        part.object.SetAttr(ATTR_PART, def.name).flags |= AF_HIDDEN;
        part.object.SetAttr(ATTR_NAME, name);
        part.object.SetAttr(ATTR_FILE, c_.page->Title());
        part.skipParamCheck = true;
        return 0;
    }

    static std::string Text(const ModelParams& model, int slot) {
        if (slot >= model.values.Size()) return std::string();
        const char* text = model.values[slot].text;
        std::string s = text ? text : "";
        if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
        return Trim(s);
    }

    static std::string Trim(const std::string& s) {
        const size_t a = s.find_first_not_of(' ');
        if (a == std::string::npos) return std::string();
        return s.substr(a, s.find_last_not_of(' ') - a + 1);
    }

    NetlistCircuit& c_;
    int defaultIoLevel_;
    std::vector<std::vector<PinRef>> pins_;
    std::vector<unsigned char> kind_, direction_;
    std::set<std::string> madePower_;
};

}  // namespace

int InsertMixedSignalInterfaces(NetlistCircuit& c, int defaultIoLevel) {
    return InterfaceInserter(c, defaultIoLevel).Run();
}

int HasParamKey(const std::string& text, const std::string& key) {
    if (key.empty()) return 0;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const bool before = at > 0 && (text[at - 1] == ' ' || text[at - 1] == ':');
        const size_t end = at + key.size();
        const bool after = end < text.size() && (text[end] == ' ' || text[end] == '=' || text[end] == ';');
        if (before && after) return 1;
    }
    return 0;
}

}  // namespace ob7
