#include "circuit/document_files.h"

#include "circuit/node_numbering.h"
#include "foundation/message_codes.h"
#include "libraries/component_library.h"
#include "foundation/messages.h"
#include "foundation/textfile.h"

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

namespace ob7 {

namespace {

constexpr int kMsgIllegalCoordinates = 15026;
constexpr int kMsgComponentsNotFound = 15080;

int Finish(int code, int flags)
{
    if (!code || (flags & kLoadQuiet))
        return code;
    ReportMessage("E", code);
    return kMsgReported;
}

}  // namespace

std::vector<std::string> ImportCarriedDefinitions(CircuitDocument& doc, int* library)
{
    std::vector<std::string> names;
    if (doc.localDefinitions.empty())
        return names;
    const int n = FindOrLoadComponentLibrary(kImportComponentLibrary);
    ComponentLibrary& lib = ComponentLibraryTable()[static_cast<size_t>(n)];
    lib.root.name = "Component";
    const ComponentGroup* group = lib.MakeGroupPath("Import\n" + FileNameOfPath(doc.path));
    for (auto& local : doc.localDefinitions) {
        ComponentDef* added = lib.Add();
        *added = *local;
        added->group = group ? group->number : 0;
        for (auto& object : doc.objects)
            if (object->def == local.get())
                object->def = added;
        names.push_back(added->name);
    }
    doc.localDefinitions.clear();
    lib.FreeIndex();
    BuildComponentIndex(lib, -1, true);
    if (library)
        *library = n;
    return names;
}

int LoadCircuitDocument(CircuitDocument& doc, const std::string& path, int flags, const char* password)
{
    CircuitFile stream;
    int code = ReadCircuitFile(doc, path, stream, flags, password);
    if (code)
        return Finish(code, flags);
    // A load that changed the document (a converted old layout, carried definitions) leaves
    // it modified.
    const bool changedByLoad = doc.modified;
    if (flags & kLoadHidden)
        doc.hidden = true;
    if (stream.illegalCoordinates && !(flags & kLoadReadOnly))
        ReportMessage("E", kMsgIllegalCoordinates, path.c_str());
    if (!stream.missingComponentNames.empty()) {
        if (flags & kLoadQuiet) {
            SetPendingMessageText(stream.missingComponentNames.c_str());
            return kMsgComponentsNotFound;
        }
        ReportMessage("E", kMsgComponentsNotFound, stream.missingComponentNames.c_str());
    }
    // Definitions the file carried that the libraries lack go into the import library,
    // which is written at once; the names are listed unless the open is quiet.
    int library = -1;
    const std::vector<std::string> imported = ImportCarriedDefinitions(doc, &library);
    if (!imported.empty()) {
        if (int written = ComponentLibraryTable()[static_cast<size_t>(library)].Write(kComponentFileVersion);
            written && !(flags & kLoadQuiet))
            ReportMessage("E", written);
        if (!(flags & kLoadQuiet)) {
            std::string list = "Component(s) added to import.cmp\n";
            for (const std::string& name : imported)
                list += name + "\n";
            ReportMessage("F", "%s", list.c_str());
        }
    }
    if (!(flags & kLoadNoNumbering)) {
        code = NumberSchematicNodes(doc, (flags & kLoadHidden) != 0);
        if (code)
            return Finish(code, flags);
    }
    doc.modified = changedByLoad;
    for (int32_t& c : doc.changedSinceRun)
        c = 0;
    return 0;
}

int ReloadTextFromFile(CircuitDocument& doc)
{
    SetPendingMessageText(doc.path.c_str());
    FILE* f = std::fopen(doc.path.c_str(), "rb");
    if (!f)
        return errno == ENOENT ? 15022 : 16000 + errno;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (bytes.size() + got > static_cast<size_t>(kMaxCircuitFileBytes)) {
            std::fclose(f);
            return kMsgInsufficientMemory;
        }
        bytes.append(chunk, got);
    }
    bool failed = std::ferror(f);
    std::fclose(f);
    if (failed)
        return 15007;
    doc.text.swap(bytes);
    return 0;
}

int SaveTextToFile(const CircuitDocument& doc, const std::string& path)
{
    SetPendingMessageText(path.c_str());
    const std::string target = SaveTargetPath(path);
    if (IsReadOnlyFile(target))
        return 16000 + EACCES;
    const std::string temp = target + "$$TEMP$$";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return kMsgWriteError;
    bool ok = std::fwrite(doc.text.data(), 1, doc.text.size(), f) == doc.text.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return kMsgWriteError;
    }
    return 0;
}

int SaveCircuitDocument(CircuitDocument& doc, const std::string& path)
{
    int code = doc.kind == DOC_TEXT ? SaveTextToFile(doc, path) : SaveCircuitFile(doc, path, kCircuitVersion70);
    if (code)
        return code;
    doc.path = path;
    doc.displayName = FileNameOfPath(path);
    doc.modified = false;
    return 0;
}

namespace {

std::vector<CircuitDocument*>& OpenDocuments()
{
    static std::vector<CircuitDocument*> documents;
    return documents;
}

std::string NormalPath(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : p).lexically_normal().string();
}

}  // namespace

void RegisterOpenDocument(CircuitDocument& doc)
{
    auto& list = OpenDocuments();
    if (std::find(list.begin(), list.end(), &doc) == list.end())
        list.push_back(&doc);
}

void UnregisterOpenDocument(CircuitDocument& doc)
{
    auto& list = OpenDocuments();
    list.erase(std::remove(list.begin(), list.end(), &doc), list.end());
}

CircuitDocument* FindOpenCircuitDocument(const std::string& path)
{
    const std::string wanted = NormalPath(path);
    for (CircuitDocument* doc : OpenDocuments())
        if (!doc->path.empty() && NormalPath(doc->path) == wanted)
            return doc;
    return nullptr;
}

void (*SyncOpenDocumentText)(CircuitDocument& doc) = nullptr;

std::unique_ptr<CircuitDocument> MakeShadowDocument(const CircuitDocument& open)
{
    auto doc = std::make_unique<CircuitDocument>();
    CircuitDocument& d = *doc;
    d.kind = open.kind;
    d.path = open.path;
    d.displayName = open.displayName;
    d.modified = open.modified;
    d.hidden = true;
    d.locked = open.locked;
    d.fileVersion = open.fileVersion;
    // The carried definitions are copied too, so that the shadow's parts do not point into
    // a document that may close first.
    std::map<const ComponentDef*, ComponentDef*> definitions;
    for (const auto& def : open.localDefinitions) {
        d.localDefinitions.push_back(std::make_unique<ComponentDef>(*def));
        definitions[def.get()] = d.localDefinitions.back().get();
    }
    for (const auto& object : open.objects) {
        d.objects.push_back(std::make_unique<CircuitObject>(*object));
        if (auto local = definitions.find(object->def); local != definitions.end())
            d.objects.back()->def = local->second;
    }
    for (const auto& text : open.gridTexts)
        d.gridTexts.push_back(std::make_unique<GridText>(*text));
    d.pages = open.pages;
    d.text = open.text;
    d.textFont = open.textFont;
    d.commentColour = open.commentColour;
    d.backgroundColour = open.backgroundColour;
    d.appearance = open.appearance;
    d.analysisLook = open.analysisLook;
    d.schematic = open.schematic;
    d.titleBlock = open.titleBlock;
    d.placements = open.placements;
    std::copy(std::begin(open.printAutoTile), std::end(open.printAutoTile), d.printAutoTile);
    std::copy(std::begin(open.printBlackBorder), std::end(open.printBlackBorder), d.printBlackBorder);
    std::copy(std::begin(open.analyses), std::end(open.analyses), d.analyses);
    d.dsp = open.dsp;
    d.transfer = open.transfer;
    d.nodeTable = open.nodeTable;  // its label offsets carry over to the numbering
    d.nodeCount = open.nodeCount;
    d.keptSections = open.keptSections;
    d.needsNumbering = true;
    return doc;
}

std::unique_ptr<CircuitDocument> OpenCircuitDocument(const std::string& path, int kind, int flags, int* code,
                                                     const char* password)
{
    // A hidden open of a document that is open already takes what the window holds, not
    // the file: an open document is never read twice.
    if (flags & kLoadHidden) {
        if (CircuitDocument* open = FindOpenCircuitDocument(path); open && open->kind == kind) {
            if (SyncOpenDocumentText)
                SyncOpenDocumentText(*open);
            auto shadow = MakeShadowDocument(*open);
            int result = 0;
            if (kind == DOC_SCHEMATIC && !(flags & kLoadNoNumbering))
                result = Finish(NumberSchematicNodes(*shadow, true), flags);
            if (code)
                *code = result;
            return result ? nullptr : std::move(shadow);
        }
    }
    auto doc = std::make_unique<CircuitDocument>();
    doc->kind = kind;
    doc->path = path;
    doc->displayName = FileNameOfPath(path);
    doc->hidden = (flags & kLoadHidden) != 0;
    int result = 0;
    if (kind == DOC_TEXT) {
        result = Finish(ReloadTextFromFile(*doc), flags);
        for (int32_t& c : doc->changedSinceRun)
            c = 0;
    } else {
        result = LoadCircuitDocument(*doc, path, flags, password);
    }
    if (code)
        *code = result;
    if (result)
        return nullptr;
    return doc;
}

}  // namespace ob7
