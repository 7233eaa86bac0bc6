#include "netlist/subckt_blocks.h"

#include <cctype>

#include "circuit/attribute_ids.h"
#include "netlist/library_index.h"
#include "netlist/text_page_ops.h"

namespace ob7 {

namespace {

std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

// Scans a text for the definition of `name` at the top level; fills the block's range.
bool ScanText(const std::string& text, const std::string& title, const std::string& name, size_t from,
              SubcktBlock& block) {
    NetlistLineSource src;
    src.OpenOnText(text, title, from);
    std::string line;
    int level = 0;
    bool found = false;
    CStrArray tokens{};
    while (src.HasMore()) {
        if (ReadLogicalLine(src, line, kLineNoTrailingComments) == 15007) break;
        if (line.rfind(".SUBCKT ", 0) == 0) {
            ++level;
            TokenizeLine(&tokens, line.c_str(), 1);
            if (!found && level == 1 && tokens.Field(1) == name) {
                found = true;
                block.start = src.logicalPosition;
                block.startLine = src.logicalStart;
                block.header = line;
            }
        } else if (line == ".ENDS" || line.rfind(".ENDS ", 0) == 0) {
            if (--level == 0 && found) {
                // The block ends with the line end after its ".ENDS".
                size_t e = text.find('\n', src.logicalPosition);
                block.end = e == std::string::npos ? text.size() : e + 1;
                block.text = text.substr(block.start, block.end - block.start);
                tokens.Free();
                return true;
            }
            if (level < 0) level = 0;
        }
    }
    tokens.Free();
    return false;
}

std::string ReadFile(const std::string& path) {
    std::string text;
    if (ReadLibrarySource(path, text)) return {};
    return text;
}

}  // namespace

bool FindSubcktBlock(NetlistCircuit& c, const NetlistPart& part, SubcktBlock& block) {
    block = SubcktBlock();
    const std::string name = Upper(PartAttr(part, ATTR_NAME));
    if (name.empty()) return false;
    if (ScanText(c.page->Text(), c.page->Title(), name, 0, block)) {
        block.inPage = true;
        block.file = c.page->Title();
        return true;
    }
    int error = 0;
    LibrarySearchResult result;
    const long position = FindModelOrSubckt(c.tables, 0, name, kFindSubckt, &error, &result);
    if (position < 0 || result.fileName.empty()) return false;
    if (!ScanText(ReadFile(result.fileName), result.fileName, name, static_cast<size_t>(position), block)) return false;
    block.file = result.fileName;
    return true;
}

std::string GetSubcktSection(NetlistCircuit& c, const NetlistPart& part, int attributeId) {
    SubcktBlock block;
    if (!FindSubcktBlock(c, part, block)) return {};
    if (attributeId == ATTR_FILE) return block.file;
    const char* key = attributeId == ATTR_PARAMS ? "PARAMS:" : attributeId == ATTR_TEXT_PARAMS ? "TEXT:" : nullptr;
    if (!key) return {};
    const size_t at = block.header.find(key);
    if (at == std::string::npos) return {};
    std::string section = block.header.substr(at);
    for (const char* stop : {"PARAMS:", "TEXT:", "OPTIONAL:"}) {
        const size_t s = section.find(stop, 1);
        if (s != std::string::npos) section.resize(s);
    }
    while (!section.empty() && section.back() == ' ') section.pop_back();
    return section;
}

std::string GetSubcktBlockText(NetlistCircuit& c, const NetlistPart& part, size_t* start, size_t* end) {
    SubcktBlock block;
    if (!FindSubcktBlock(c, part, block)) return {};
    if (start) *start = block.start;
    if (end) *end = block.end;
    return block.text;
}

bool ReplaceSubcktBlock(NetlistCircuit& c, const NetlistPart& part, const std::string& text) {
    SubcktBlock block;
    if (!FindSubcktBlock(c, part, block)) return false;
    std::string replacement = ToCrLf(text);
    if (block.inPage) {
        if (!replacement.empty() && replacement.back() != '\n') replacement += "\r\n";
        c.page->Replace(block.start, block.end, replacement);
    } else {
        AppendToTextPage(*c.page, FindEndLine(*c.page), text, kAppendAsLine);
    }
    return true;
}

}  // namespace ob7
