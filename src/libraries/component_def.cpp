#include "libraries/component_def.h"

#include "libraries/component_types.h"
#include "libraries/library_text.h"
#include "libraries/shape.h"

#include <utility>

namespace ob7 {

static const ComponentTypeRow* RowOf(const ComponentDef& def)
{
    return IsValidComponentType(def.type) ? &ComponentTypeTable[def.type] : nullptr;
}

void ComponentDef::Clear()
{
    ComponentDef empty;
    empty.kind = kind;
    *this = std::move(empty);
}

void ComponentDef::ReplaceKeepName(const ComponentDef& source)
{
    std::string keptName = name;
    int16_t keptGroup = group;
    *this = source;
    name = std::move(keptName);
    group = keptGroup;
}

void ComponentDef::Swap(ComponentDef& other)
{
    std::swap(*this, other);
}

int ComponentDef::PinTextLength(int n) const
{
    if (n < 0 || n >= PinCount())
        return 0;
    return static_cast<int>(pins[n].text.size());
}

bool ComponentDef::SamePinNames(const ComponentDef& other) const
{
    if (PinCount() != other.PinCount())
        return false;
    std::vector<bool> used(other.pins.size(), false);
    for (int i = 0; i < PinCount(); ++i) {
        std::string mine = GetPinName(*this, i);
        bool found = false;
        for (int j = 0; j < other.PinCount() && !found; ++j) {
            if (!used[j] && EqualNoCase(mine, GetPinName(other, j))) {
                used[j] = true;
                found = true;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

int SetPinCount(ComponentDef& def, int n)
{
    if (n < 0)
        n = 0;
    bool fresh = def.pins.empty();
    def.pins.resize(n);
    if (fresh)
        for (int i = 0; i < n; ++i)
            def.pins[i].y = static_cast<int16_t>(2 * i);
    return 0;
}

int SetPinCountFromType(ComponentDef& def, bool repair)
{
    int count = GetPinCount(def);
    if (count >= 0) {
        if (count != def.PinCount())
            SetPinCount(def, count);
        return 0;
    }
    if (!repair)
        return 1;
    static const int16_t tries[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto& t : tries) {
        def.data1 = t[0];
        def.data2 = t[1];
        count = GetPinCount(def);
        if (count >= 0) {
            SetPinCount(def, count);
            break;
        }
    }
    return 1;
}

static char ForcedKind(int type, char kind)
{
    switch (type) {
    case CT_MACRO:
        return (kind == 'a' || kind == 'd') ? kind : 'a';
    case CT_SUBCKT:
        return (kind == '?' || kind == 'a' || kind == 'd') ? kind : 'a';
    case CT_LOGICEXP:
        return (kind == 'i' || kind == 'o') ? kind : 'i';
    case CT_CONSTRAINT:
        return 'i';
    case CT_PINDLY:
        return (kind == 'e' || kind == 'i' || kind == 'o' || kind == 'r') ? kind : 'i';
    default:
        return kind;
    }
}

void SetPinName(ComponentDef& def, int n, char kind, const std::string& name,
                const std::string* second)
{
    if (n < 0 || n >= def.PinCount())
        return;
    bool macroLike = def.type == CT_MACRO || def.type == CT_SUBCKT;
    // Upper-case letters only ever mean "has a second name".
    if (macroLike)
        kind = static_cast<char>(ToLowerAscii(kind));
    kind = ForcedKind(def.type, kind);
    bool withSecond = macroLike && second && !second->empty();
    std::string text;
    text += withSecond ? static_cast<char>(ToUpperAscii(kind)) : kind;
    text += name;
    if (withSecond) {
        text += '\0';
        text += *second;
    }
    def.pins[n].text = std::move(text);
}

bool PinHasSecondName(const ComponentDef& def, int n)
{
    if ((def.type != CT_MACRO && def.type != CT_SUBCKT) || n < 0 || n >= def.PinCount())
        return false;
    const std::string& t = def.pins[n].text;
    return !t.empty() && t[0] >= 'A' && t[0] <= 'Z';
}

std::string GetPinSecondName(const ComponentDef& def, int n)
{
    if (!PinHasSecondName(def, n))
        return {};
    const std::string& t = def.pins[n].text;
    size_t nul = t.find('\0');
    return nul == std::string::npos ? std::string() : t.substr(nul + 1);
}

char GetPinKind(const ComponentDef& def, int n)
{
    if (n < 0 || n >= def.PinCount() || def.pins[n].text.empty())
        return 0;
    return def.pins[n].text[0];
}

int CountPinsOfKind(const ComponentDef& def, char kind)
{
    if (def.type != CT_LOGICEXP && def.type != CT_PINDLY)
        return 0;
    int count = 0;
    for (int i = 0; i < def.PinCount(); ++i)
        if (GetPinKind(def, i) == kind)
            ++count;
    return count;
}

// Digital primitive pin names: inputs, then the enable, then the outputs.
static std::string DigitalPinName(const ComponentDef& def, int pin)
{
    const ComponentTypeRow& r = ComponentTypeTable[def.type];
    int count = def.PinCount();
    if (def.type == CT_STIM || def.type == CT_FSTIM)
        return "Out" + std::to_string(count - pin - 1);
    int flags = r.pinSchemeFlags;
    int inputNames = 0;
    bool inputsDone = (flags & 0x3f0000) == PSF_DATA2_OUTPUT_PINS;
    bool enableGiven = false;
    std::string name;
    for (int p = 0; p <= pin; ++p) {
        name.clear();
        if (!inputsDone && (flags & PSF_ONE_INPUT) && p == 0) {
            name = "In";
            ++inputNames;
            inputsDone = true;
        } else if (!inputsDone && (flags & PSF_TWO_INPUTS) && p <= 1) {
            name = "In" + std::to_string(p + 1);
            ++inputNames;
            inputsDone = p == 1;
        } else if (!inputsDone && (flags & PSF_DATA1_INPUT_PINS) && p < def.data1 && def.data1 >= 1) {
            name = def.data1 == 1 ? std::string("In") : "In" + std::to_string(p);
            ++inputNames;
            inputsDone = p == def.data1 - 1;
        } else if ((flags & PSF_ENABLE) && inputsDone && !enableGiven) {
            name = "Enable";
            enableGiven = true;
        } else if (((flags & PSF_ONE_OUTPUT) && inputsDone) || (flags & 0x3f0000) == PSF_ONE_OUTPUT) {
            name = "Out";
        } else if ((flags & PSF_DATA2_OUTPUT_PINS) && inputsDone) {
            name = "Out" + std::to_string(p - inputNames);
        }
    }
    return name;
}

std::string GetPinName(const ComponentDef& def, int n)
{
    const ComponentTypeRow* r = RowOf(def);
    if (!r || n < 0)
        return {};
    int base = r->pinNameBase;
    int count = def.PinCount();
    switch (base) {
    case PNB_PIN_LETTER:
        return std::string("Pin") + static_cast<char>('A' + n);
    case PNB_USER: {
        if (n >= count || def.pins[n].text.empty())
            return "????";
        const std::string& t = def.pins[n].text;
        size_t nul = t.find('\0');
        return t.substr(1, nul == std::string::npos ? std::string::npos : nul - 1);
    }
    case PNB_ADC:
        if (n > 5)
            return count == 7 ? std::string("Out") : "Out" + std::to_string(count - n - 1);
        break;
    case PNB_DAC:
        if (n > 2)
            return count == 4 ? std::string("In") : "In" + std::to_string(count - n - 1);
        break;
    case PNB_DIGITAL:
        return DigitalPinName(def, n);
    case PNB_NONE:
    case PNB_NO_NAMES:
        return {};
    default:
        break;
    }
    if (base < 8000)  // arrayed gates hold a type code here, not a string base
        return {};
    std::string text = LibraryText(base + n);
    if (text.size() > 39)
        text.resize(39);
    return text;
}

int FindPinByName(const ComponentDef& def, const std::string& name)
{
    for (int i = 0; i < def.PinCount(); ++i)
        if (EqualNoCase(GetPinName(def, i), name))
            return i;
    return -1;
}

int CountInputPins(const ComponentDef& def)
{
    switch (def.type) {
    case CT_PULLUP: case CT_PULLDN: return 1;
    case CT_ROM: return def.data1 + def.data2 + 1;
    case CT_RAM: return def.data1 + 2 * def.data2 + 2;
    case CT_NBTG: case CT_PBTG: return 3;
    case CT_DIGITAL_LED: return 1;
    case CT_SEVEN_SEGMENT: return 7;
    default: break;
    }
    const ComponentTypeRow* r = RowOf(def);
    if (!r)
        return 0;
    int flags = r->pinSchemeFlags;
    switch (r->pinNameBase) {
    case PNB_DIGITAL:
        if (flags & PSF_DATA2_OUTPUT_PINS)
            return (flags & 0x70000) ? def.data1 : 0;
        if (flags & PSF_ONE_OUTPUT) {
            int inputs;
            if (flags & PSF_ONE_INPUT) inputs = 1;
            else if (flags & PSF_TWO_INPUTS) inputs = 2;
            else if (flags & PSF_DATA1_INPUT_PINS) inputs = def.data1;
            else return 0;
            return ((flags & PSF_ENABLE) ? 1 : 0) + inputs;
        }
        return 0;
    case PNB_USER:
        return def.type == CT_PINDLY ? def.data1 + CountPinsOfKind(def, 'r') : def.data1;
    case PNB_ADC: case PNB_DAC: return def.data1;
    case 8520: case 8540: return 5;
    case 8530: case 8550: return 4;
    default: return 0;
    }
}

int GetPinCount(const ComponentDef& def)
{
    const ComponentTypeRow* r = RowOf(def);
    if (!r)
        return -1;
    if (r->fixedPinCount != -1)
        return r->fixedPinCount;
    int flags = r->pinSchemeFlags;
    int d1 = def.data1, d2 = def.data2;
    switch (r->pinNameBase) {
    case PNB_DIGITAL:
        if (flags & PSF_DATA2_OUTPUT_PINS) {
            if (flags & 0x70000)
                return (d1 > 0 && d2 > 0) ? d2 + d1 : -1;
            return (d2 >= 1 && d2 <= 32) ? d2 : -1;
        }
        if (flags & PSF_ONE_OUTPUT) {
            int b = (flags & PSF_ENABLE) ? 2 : 1;
            if (flags & PSF_ONE_INPUT) return b + 1;
            if (flags & PSF_TWO_INPUTS) return b + 2;
            if (flags & PSF_DATA1_INPUT_PINS) return d1 > 0 ? d1 + b : -1;
            return 0;
        }
        return 0;
    case PNB_USER: return def.PinCount();
    case PNB_ADC: return (d1 >= 1 && d1 <= 32) ? d1 + 6 : -1;
    case PNB_DAC: return (d1 >= 1 && d1 <= 32) ? d1 + 3 : -1;
    default: return 0;
    }
}

std::string GetPartDisplayName(const ComponentDef* def)
{
    if (!def || !IsValidComponentType(def->type))
        return {};
    if (def->memo.empty())
        return def->name;
    return def->name + ":" + def->memo;
}

void SetComponentShape(ComponentDef& def, Shape* shape)
{
    def.shape = shape;
    def.shapeStandIn = false;
    if (!shape)
        return;
    def.shapeName = shape == AutoMacroShape ? std::string(kAutoMacroName) : shape->name;
}

std::string AppendNumberToName(const std::string& text, int number)
{
    return text + std::to_string(number);
}

}  // namespace ob7
