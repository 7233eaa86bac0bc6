#include "circuit/old_conversions.h"

#include "expression/operator_table.h"
#include "libraries/component_def.h"
#include "libraries/component_types.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace ob7 {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string UpperText(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string TrimText(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Blank-separated words with '=' and ',' as words of their own.
std::vector<std::string> ValueWords(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty())
            words.push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            flush();
        } else if (c == '=' || c == ',') {
            flush();
            words.emplace_back(1, c);
        } else {
            word += c;
        }
    }
    flush();
    return words;
}

}  // namespace

void ConvertOldGraphicStyle(uint16_t& styleWord, LineStyle& style, uint8_t fillColour)
{
    const int kind = styleWord & SW_GRAPHIC_KIND;
    style.pattern = static_cast<uint8_t>((styleWord >> 4) & 7);
    styleWord &= static_cast<uint16_t>(~0x70);
    if (kind != 0x100 && kind != 0x500) {
        style.fillColour = (styleWord & 1) ? fillColour : kNoColor;
        styleWord &= static_cast<uint16_t>(~1);
    } else {
        style.fillColour = kNoColor;
    }
    style.weight = 1;
    if (styleWord & 4)
        style.weight = 2;
    if (styleWord & 8)
        style.weight = 3;
    styleWord &= static_cast<uint16_t>(~0xc);
}

std::string RenameOldDerivative(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        bool wordStart = i == 0 || !IsWordChar(text[i - 1]);
        if (wordStart && (text[i] == 'D' || text[i] == 'd') && i + 1 < text.size() && text[i + 1] == '(') {
            out += "Del(";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string SplitNodeDifference(const std::string& word)
{
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i <= word.size(); ++i) {
        if (i == word.size() || word[i] == '+' || word[i] == '-') {
            if (i > start)
                out += "v(" + word.substr(start, i - start) + ")";
            if (i < word.size())
                out += word[i];
            start = i + 1;
        }
    }
    return out;
}

std::string ConvertVersion4CurveExpression(const std::string& expression)
{
    std::string e;
    for (char c : expression)
        if (c != ' ' && c != '\t')
            e += c;
    // db(x) with x without parentheses: the difference of two nodes in one v().
    if (e.size() > 4 && UpperText(e.substr(0, 3)) == "DB(" && e.back() == ')' &&
        e.find_first_of("()", 3) == e.size() - 1) {
        std::string x = e.substr(3, e.size() - 4);
        if (size_t minus = x.find('-'); minus != std::string::npos)
            x[minus] = ',';
        return e.substr(0, 2) + "(v(" + x + "))";
    }
    if (e.empty() || !(std::isalpha(static_cast<unsigned char>(e[0])) || e[0] == '_'))
        return expression;
    for (char c : e)
        if (!IsWordChar(c) && c != '+' && c != '-')
            return expression;
    if (IsTableSymbolName(UpperText(e)))
        return expression;
    return SplitNodeDifference(e);
}

int32_t Version4OptionBits(const std::string& letters, int analysis, int32_t& acExtra)
{
    static const char kLetters[] = "DRTXYZ";
    int32_t bits = 0;
    for (char c : letters) {
        const char* at = std::strchr(kLetters, std::toupper(static_cast<unsigned char>(c)));
        if (c && at)
            bits |= 1 << (at - kLetters);
    }
    const std::string upper = UpperText(letters);
    auto has = [&](const char* s) { return upper.find(s) != std::string::npos; };
    if (analysis == 0) {
        if (has("J"))
            bits |= 0x40;
        if (has("K"))
            bits |= 0x80;
        if (has("2B"))
            bits |= 0x400;
        if (has("2C"))
            bits |= 0x800;
    }
    if (analysis == 1) {
        if (has("3B"))
            bits |= 0x1000;
        if (has("3C"))
            bits |= 0x2000;
    }
    if (analysis == 1 || analysis == 2) {
        if (has("1B"))
            acExtra |= 0x100;
        if (has("1C"))
            acExtra |= 0x200;
    }
    return bits;
}

void ConvertVersion4Values(CircuitDocument& doc, CircuitObject& part, int& modelNumber)
{
    if (part.kind != OK_COMPONENT || !part.def)
        return;
    const int type = part.def->type;
    if (type != CT_RESISTOR && type != CT_INDUCTOR && type != CT_CAPACITOR)
        return;
    AttrNode* value = part.FindAttr(ATTR_VALUE);
    if (!value)
        return;
    const std::vector<std::string> words = ValueWords(value->value);
    const char letter = type == CT_RESISTOR ? 'R' : type == CT_INDUCTOR ? 'L' : 'C';
    const char* modelType = type == CT_RESISTOR ? "RES" : type == CT_INDUCTOR ? "IND" : "CAP";
    std::vector<std::string> kept;
    std::string modelWords;
    bool lot = false;
    auto valueAt = [&](size_t& i) -> std::string {
        // The value after a keyword, past an optional '='.
        if (i + 1 < words.size() && words[i + 1] == "=")
            ++i;
        if (i + 1 < words.size() && words[i + 1] != "," && words[i + 1] != "=")
            return words[++i];
        return {};
    };
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string upper = UpperText(words[i]);
        if (i > 0 && upper == "TC") {
            modelWords += "TC1=" + valueAt(i) + " ";
            if (i + 2 < words.size() && words[i + 1] == ",") {
                modelWords += "TC2=" + words[i + 2] + " ";
                i += 2;
            }
        } else if (i > 0 && upper == "LOT") {
            modelWords += std::string(1, letter) + "=1.0 LOT=" + valueAt(i) + " ";
            lot = true;
        } else if (words[i] != ",") {
            kept.push_back(words[i]);
        }
    }
    std::string newValue;
    if (type == CT_CAPACITOR && !kept.empty() && kept[0] == "POLY") {
        newValue = kept.size() > 1 ? kept[1] : std::string();
    } else {
        for (const std::string& w : kept)
            newValue += (newValue.empty() ? "" : " ") + w;
    }
    part.SetAttr(ATTR_MODEL, "");
    if (type != CT_RESISTOR || lot)
        part.FindAttr(ATTR_VALUE)->value = TrimText(newValue);
    if (!modelWords.empty()) {
        ++modelNumber;
        part.SetAttr(ATTR_MODEL, std::string(modelType) + std::to_string(modelNumber));
        doc.text += "\r\n.MODEL " + std::string(modelType) + std::to_string(modelNumber) + " " + modelType + " (" +
                    TrimText(modelWords) + ")";
    }
}

bool ConvertShortToWire(CircuitDocument& doc, size_t index)
{
    if (index >= doc.objects.size())
        return false;
    const CircuitObject& part = *doc.objects[index];
    if (part.kind != OK_COMPONENT || !part.def || part.def->pins.size() != 2)
        return false;
    int32_t end[2][2];
    for (int p = 0; p < 2; ++p) {
        int32_t dx = part.def->pins[p].x, dy = part.def->pins[p].y;
        RotatePinOffset(part.rotation, dx, dy);
        end[p][0] = part.coords[0] + dx;
        end[p][1] = part.coords[1] + dy;
    }
    const int page = part.page;
    doc.AddWire(end[0][0], end[0][1], end[1][0], end[1][1], page);
    doc.objects[index] = std::move(doc.objects.back());
    doc.objects.pop_back();
    return true;
}

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return text.size() >= n && UpperText(text.substr(0, n)) == prefix;
}

// The name a .DEFINE text defines: its second word.
std::string DefinedName(const std::string& text)
{
    size_t b = text.find_first_not_of(" \t", 7);
    if (b == std::string::npos)
        return {};
    size_t e = text.find_first_of(" \t", b);
    return text.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

// The name occurs as a word of the text, not right after an '@'.
bool UsesName(const std::string& text, const std::string& name)
{
    const std::string upper = UpperText(text), key = UpperText(name);
    for (size_t at = upper.find(key); at != std::string::npos; at = upper.find(key, at + 1)) {
        const bool startOk = at == 0 || (!IsWordChar(upper[at - 1]) && upper[at - 1] != '@');
        const size_t end = at + key.size();
        if (startOk && (end >= upper.size() || !IsWordChar(upper[end])))
            return true;
    }
    return false;
}

}  // namespace

void MoveVersion4Statements(CircuitDocument& doc)
{
    auto& texts = doc.gridTexts;
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& t : texts) {
            if (!StartsWithNoCase(t->text, ".DEFINE"))
                continue;
            const std::string name = DefinedName(t->text);
            bool used = name.empty();
            for (const auto& other : texts)
                if (other != t && !other->text.empty() && other->text[0] == '.' &&
                    !StartsWithNoCase(other->text, ".MUTUAL") && UsesName(other->text, name))
                    used = true;
            if (!used) {
                t->text[0] = '*';
                t->state |= 1;
                changed = true;
            }
        }
    }
    for (auto& t : texts)
        if (StartsWithNoCase(t->text, ".MODEL"))
            t->state |= 1;
    const size_t before = texts.size();
    for (auto it = texts.begin(); it != texts.end();) {
        if ((*it)->state & 1) {
            doc.text += "\r\n" + (*it)->text;
            it = texts.erase(it);
        } else {
            ++it;
        }
    }
    if (texts.size() != before) {
        doc.AddGridText("** Some text moved to Text area Type Ctrl+G **", 2, 2);
    }
}

void ResetVersion4Colours(CircuitDocument& doc)
{
    for (auto& o : doc.objects) {
        o->style.fillColour = kNoColor;
        if (o->kind == OK_GRAPHIC)
            o->style.colour = static_cast<uint8_t>(doc.appearance.objectDefault.color);
    }
    for (auto& t : doc.gridTexts)
        t->style.fillColour = kNoColor;
}

}  // namespace ob7
