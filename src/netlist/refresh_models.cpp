#include "netlist/refresh_models.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/library_index.h"
#include "netlist/model_statement_text.h"
#include "netlist/model_statements.h"
#include "netlist/netlist_reader.h"
#include "netlist/text_page_ops.h"

namespace ob7 {

namespace {

constexpr int kKindUio = 31;

int CountLines(const std::string& text) { return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// Inserts a text as lines of their own at `*line`, advancing it.
void InsertLines(NetlistCircuit& c, int* line, const std::string& text) {
    AppendToTextPage(*c.page, *line, text, kAppendAsLine);
    ShiftTextLineRefs(c, *line - 1, CountLines(text));
    *line += CountLines(text);
}

// The physical lines [first, next) of the logical statement at a line.
int StatementEnd(const NetlistTextPage& page, int first) {
    const std::string text = page.Text();
    NetlistLineSource src;
    src.OpenOnText(text, page.Title(), TextPageLineStart(page, first), std::string::npos, first);
    std::string line;
    ReadLogicalLine(src, line, kLineNoTrailingComments);
    return std::max(src.line, first + 1);
}

// Replaces the local statement's lines by the library statement's text.
void RefreshPartModel(NetlistCircuit& c, int local, int kind) {
    const ModelStatement& l = c.tables.models[local];
    const std::string text = GetModelStatementText(c.tables, nullptr, kind, -1, c.tables.models[local].name.substr(1),
                                                   true, nullptr, nullptr, nullptr);
    if (l.originKind != kOriginCircuitText && l.originKind != kOriginTextFile) return;
    const int first = l.origin.line;
    const int next = StatementEnd(*c.page, first);
    for (int k = next - 1; k >= first; --k) DeleteTextPageLine(*c.page, k);
    AppendToTextPage(*c.page, first, text, kAppendAsLine);
    ShiftTextLineRefs(c, first, CountLines(text) - (next - first));
}

void RefreshPartModelStatement(NetlistCircuit& c, const NetlistPart& part, const std::string& attrText, int kind,
                               bool update) {
    if (attrText.empty()) return;
    std::string name;
    if (SubstituteDefines(c.tables, name, part.scope, attrText, false)) return;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    const std::string title = c.page->Title();
    const int found = FindModelInScope(c.tables, kind, part.scope, name);
    if (found < 0) {
        InsertModelText(c, name, kind);
        return;
    }
    if (c.tables.models[found].sourceName.empty()) return;
    if (strcasecmp(c.tables.models[found].sourceName.c_str(), title.c_str()) == 0) {
        if (update) {
            // Hide the local statement so that the look-up finds the library's.
            std::string& localName = c.tables.models[found].name;
            const std::string saved = localName;
            localName.insert(localName.begin(), '\x01');
            int error = 0;
            const int library = FindModelStatement(c.tables, kind, 1, saved, &error);
            if (library >= 0 && library != found) {
                RefreshPartModel(c, found, kind);
                c.tables.models[library].sourceName.clear();
            }
            c.tables.models[found].name = saved;
        }
    } else if (!c.tables.models[found].included) {
        InsertModelText(c, name, kind);
    }
    c.tables.models[found].sourceName.clear();
}

// The text of a definition from its header to the line end after its ".ENDS".
std::string ReadBlock(const std::string& text, size_t start) {
    size_t p = start;
    int level = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        std::string line = text.substr(p, e - p);
        const size_t nb = line.find_first_not_of(" \t");
        line = nb == std::string::npos ? std::string() : line.substr(nb);
        for (char& ch : line) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (line.rfind(".SUBCKT", 0) == 0) ++level;
        if ((line.rfind(".ENDS", 0) == 0) && --level <= 0) {
            std::string block = text.substr(start, e - start);
            if (!block.empty() && block.back() == '\r') block.pop_back();
            return block;
        }
        p = e + 1;
    }
    return {};
}

std::string FileText(const std::string& path) {
    std::string text;
    if (ReadLibrarySource(path, text)) return {};
    return text;
}

void RefreshSubcktText(NetlistCircuit& c, const NetlistPart& part, bool update) {
    const int scope = part.openedScope;
    if (scope < 2 || scope >= static_cast<int>(c.tables.scopes.size())) return;
    const SubcktScopeInfo& info = c.scopeInfo[scope];
    for (size_t s = 2; s < c.tables.scopes.size(); ++s)
        if (c.tables.scopes[s].refreshed && c.scopeInfo[s].subcktName == info.subcktName) return;
    c.tables.scopes[scope].refreshed = true;
    const std::string& file = c.tables.scopes[scope].filePath;
    const bool local = file == c.page->Title();
    if (!local) {
        const std::string block = ReadBlock(FileText(file), info.start);
        if (block.empty()) return;
        int line = FindEndLine(*c.page);
        InsertLines(c, &line, "***  From file " + file);
        InsertLines(c, &line, block);
        return;
    }
    if (!update) return;
    int error = 0;
    LibrarySearchResult result;
    const long position = FindModelOrSubckt(c.tables, 0, info.subcktName, kFindSubckt, &error, &result);
    if (position < 0 || result.fileName.empty()) return;
    const std::string block = ReadBlock(FileText(result.fileName), static_cast<size_t>(position));
    if (block.empty()) return;
    const std::string old = ReadBlock(c.page->Text(), info.start);
    if (old.empty()) return;
    c.page->Replace(info.start, info.start + old.size(), ToCrLf(block));
    ShiftTextLineRefs(c, info.startLine, CountLines(block) - CountLines(old));
}

}  // namespace

void ShiftTextLineRefs(NetlistCircuit& c, int line, int count) {
    for (ModelStatement& m : c.tables.models)
        if ((m.originKind == kOriginCircuitText || m.originKind == kOriginTextFile) && !m.included &&
            m.origin.line > line && strcasecmp(m.sourceName.c_str(), c.page->Title().c_str()) == 0)
            m.origin.line += count;
}

void InsertModelText(NetlistCircuit& c, const std::string& nameIn, int kind) {
    const std::string name = nameIn.substr(0, nameIn.find(' '));
    std::string source, memo;
    const std::string text = GetModelStatementText(c.tables, nullptr, kind, -1, name, true, &source, &memo, nullptr);
    int line = FindEndLine(*c.page);
    if (!source.empty()) InsertLines(c, &line, "*** From file " + source);
    if (!memo.empty()) InsertLines(c, &line, "*** " + memo);
    const int textLine = line;
    InsertLines(c, &line, text);
    const int local = FindModelInScope(c.tables, kind, 1, name);
    if (local < 0) {
        AddModelStatement(c.tables, text.c_str(), 1, StatementOrigin{nullptr, textLine}, kOriginCircuitText, false,
                          c.page->Title());
        return;
    }
    ModelStatement& m = c.tables.models[local];
    m.origin = StatementOrigin{nullptr, textLine};
    m.originKind = kOriginCircuitText;
    m.scope = 1;
    m.sourceName = c.page->Title();
}

int RefreshModels(NetlistCircuit& c, const RefreshChoice& choice) {
    if (c.tables.services->AnalysisKind() != -1) return 0;
    c.analysisKind = -1;
    NetlistTranslateMode = true;
    int code = ReadTextCircuit(c);
    // Every part's model is looked up, so that library models join the list.
    for (size_t i = 0; !code && i < c.parts.size(); ++i) {
        const NetlistPart& p = c.parts[i];
        if (!IsValidComponentType(p.type) || ComponentTypeTable[p.type].modelType < 0) continue;
        const int attr = ComponentTypeTable[p.type].domain == 1 ? ATTR_TIMING_MODEL : ATTR_MODEL;
        const std::string name = PartAttr(p, attr);
        if (name.empty()) continue;
        int error = 0;
        FindModelStatement(c.tables, ComponentTypeTable[p.type].modelType, p.scope, name, &error);
        if (error) code = error;
    }
    if (code) {
        NetlistTranslateMode = false;
        c.ClearCompiled();
        return code;
    }
    for (size_t i = 0; i < c.parts.size(); ++i) {
        const NetlistPart p = c.parts[i];
        if (!IsValidComponentType(p.type)) continue;
        const ComponentTypeRow& row = ComponentTypeTable[p.type];
        if (choice.modelStatements && row.modelType >= 0) {
            const int attr = row.domain == 1 ? ATTR_TIMING_MODEL : ATTR_MODEL;
            RefreshPartModelStatement(c, p, PartAttr(p, attr), row.modelType, choice.update);
            if (TypeHasDefaultAttr(p.type, ATTR_IO_MODEL))
                RefreshPartModelStatement(c, p, PartAttr(p, ATTR_IO_MODEL), kKindUio, choice.update);
        }
        if (choice.subcircuits && p.type == CT_SUBCKT) RefreshSubcktText(c, p, choice.update);
    }
    NetlistTranslateMode = false;
    c.ClearCompiled();
    return 0;
}

}  // namespace ob7
