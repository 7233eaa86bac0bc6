#include "circuit/macro_attributes.h"

#include "circuit/circuit_file.h"
#include "circuit/document_files.h"
#include "libraries/library_text.h"

#include <cctype>

namespace ob7 {

MacroFileLocator LocateMacroFile = DefaultMacroFileLocation;

namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// ".PARAMETERS" followed by a separator, in any case.
bool IsParametersStatement(const std::string& text)
{
    static const std::string keyword = ".PARAMETERS";
    std::string t = Trim(text);
    if (t.size() < keyword.size() || !EqualNoCase(t.substr(0, keyword.size()), keyword))
        return false;
    return t.size() == keyword.size() || !std::isalnum(static_cast<unsigned char>(t[keyword.size()]));
}

// The fields between the outermost parentheses, split at commas outside inner ones.
std::vector<std::string> SplitArguments(const std::string& text)
{
    std::vector<std::string> out;
    size_t open = text.find('(');
    if (open == std::string::npos)
        return out;
    int depth = 0;
    std::string field;
    for (size_t i = open + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '(')
            ++depth;
        if (c == ')' && depth-- == 0)
            break;
        if (c == ',' && depth == 0) {
            out.push_back(Trim(field));
            field.clear();
            continue;
        }
        field += c;
    }
    out.push_back(Trim(field));
    return out;
}

std::string ParameterName(const std::string& declared)
{
    return Trim(declared.substr(0, declared.find('=')));
}

}  // namespace

std::string DefaultMacroFileLocation(const std::string& fileValue, const std::string& circuitPath)
{
    if (fileValue.empty())
        return std::string();
    std::string path = fileValue;
    size_t slash = path.find_last_of("/\\");
    if (path.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos)
        path += ".MAC";
    if (path[0] == '/')
        return path;
    size_t folder = circuitPath.find_last_of("/\\");
    return folder == std::string::npos ? path : circuitPath.substr(0, folder + 1) + path;
}

std::vector<std::string> ParseParameterList(const std::string& statement)
{
    std::vector<std::string> list = SplitArguments(statement);
    if (list.size() == 1 && list[0].empty())
        list.clear();
    return list;
}

std::vector<std::string> ReadMacroParameterList(const std::string& path)
{
    if (path.empty())
        return {};
    int code = 0;
    // A hidden, quiet load without its own fix-ups: a macro that names itself cannot
    // recurse.
    auto macro = OpenCircuitDocument(path, DOC_SCHEMATIC, 0xE1A2 | kLoadNoNumbering, &code);
    if (!macro)
        return {};
    for (const auto& t : macro->gridTexts)
        if (IsParametersStatement(t->text))
            return ParseParameterList(t->text);
    TextLines lines(macro->text);
    for (int i = 0; i < lines.Count(); ++i)
        if (IsParametersStatement(lines.Line(i)))
            return ParseParameterList(lines.Line(i));
    return {};
}

std::string MacroCallText(CircuitObject& part, const std::vector<std::string>& parameters)
{
    const AttrNode* file = part.FindAttr(ATTR_FILE);
    std::string text = file ? file->value : std::string();
    if (parameters.empty())
        return text;
    text += '(';
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (i)
            text += ',';
        const std::string name = ParameterName(parameters[i]);
        if (const AttrNode* a = part.FindAttrByName("Param:" + name)) {
            text += a->value;
        } else {
            size_t eq = parameters[i].find('=');
            if (eq != std::string::npos)
                text += Trim(parameters[i].substr(eq + 1));
        }
    }
    return text + ')';
}

void ConvertMacroValueAttr(CircuitObject& part, const std::vector<std::string>& parameters)
{
    AttrNode* value = part.FindAttr(ATTR_VALUE);
    if (!value)
        return;
    std::string call = Trim(value->value);
    if (!call.empty() && call.back() == ',')
        call.pop_back();
    int open = 0;
    for (char c : call)
        open += c == '(' ? 1 : c == ')' ? -1 : 0;
    for (; open > 0; --open)
        call += ')';
    const uint16_t flags = value->flags;
    const FontRef font = value->font;
    AttrNode& file = part.SetAttr(ATTR_FILE, Trim(call.substr(0, call.find('('))).substr(0, 259));
    file.flags = flags;
    file.font = font;
    const std::vector<std::string> arguments = SplitArguments(call);
    size_t at = static_cast<size_t>(part.FindAttr(ATTR_FILE) - part.attrs.data()) + 1;
    for (size_t i = 0; i < parameters.size(); ++i) {
        const std::string name = "Param:" + ParameterName(parameters[i]);
        AttrNode param;
        if (AttrNode* old = part.FindAttrByName(name)) {
            param = *old;
            size_t index = static_cast<size_t>(old - part.attrs.data());
            part.attrs.erase(part.attrs.begin() + static_cast<long>(index));
            if (index < at)
                --at;
        }
        param.SetName(name);
        param.value = i < arguments.size() ? arguments[i] : std::string();
        param.flags = static_cast<uint16_t>(flags & ~(AF_SHOW_NAME | AF_SHOW_VALUE));
        param.font = font;
        part.attrs.insert(part.attrs.begin() + static_cast<long>(at++), param);
    }
    if (AttrNode* v = part.FindAttr(ATTR_VALUE))
        part.attrs.erase(part.attrs.begin() + (v - part.attrs.data()));
}

const std::vector<std::string>& MacroParameterCache::For(const std::string& fileValue, const std::string& circuitPath)
{
    if (!valid_ || !EqualNoCase(file_, fileValue)) {
        file_ = fileValue;
        valid_ = true;
        parameters_ = LocateMacroFile ? ReadMacroParameterList(LocateMacroFile(fileValue, circuitPath))
                                      : std::vector<std::string>();
    }
    return parameters_;
}

}  // namespace ob7
