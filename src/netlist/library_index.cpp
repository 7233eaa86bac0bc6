#include "netlist/library_index.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "circuit/circuit_file.h"
#include "foundation/binfile.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_library.h"
#include "netlist/model_statement_text.h"
#include "netlist/netlist_line_source.h"
#include "netlist/netlist_report.h"
#include "netlist/spice_logical_lines.h"

namespace ob7 {

namespace {

constexpr int kMsgEndsOutsideSubckt = 10931;
constexpr int kMsgClockIncorrect = 10891;
constexpr int kMsgSaveBeforeIndex = 10879;
constexpr int kStyleOkCancelQuestion = 0x21;
constexpr long kMaxIndexBytes = 256L << 20;     // far above any real index
constexpr long kMaxLibraryTextBytes = 512L << 20;

bool clockWarningShown = false;

int32_t FileTime(const std::string& path) { return static_cast<int32_t>(FileModTimeByName(path.c_str())); }

bool SameFile(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// Little-endian writers of the index image.
void PutInt16(std::string& out, int v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void PutInt32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
void PutName(std::string& out, const std::string& name) {
    const size_t n = std::min<size_t>(name.size(), 32767);
    PutInt16(out, static_cast<int>(n));
    out.append(name, 0, n);
}

// A bounded reader over the index image: every read checks the length left.
struct IndexReader {
    const std::string& data;
    size_t pos = 0;
    bool ok = true;
    bool Need(size_t n) {
        if (pos + n > data.size()) ok = false;
        return ok;
    }
    int Int16() {
        if (!Need(2)) return 0;
        const auto* b = reinterpret_cast<const unsigned char*>(data.data() + pos);
        pos += 2;
        return static_cast<int16_t>(b[0] | (b[1] << 8));
    }
    int32_t Int32() {
        if (!Need(4)) return 0;
        const auto* b = reinterpret_cast<const unsigned char*>(data.data() + pos);
        pos += 4;
        return static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    int Byte() {
        if (!Need(1)) return 0;
        return static_cast<unsigned char>(data[pos++]);
    }
    std::string Name() {
        const int n = Int16();
        if (n < 0 || !Need(static_cast<size_t>(n))) {
            ok = false;
            return {};
        }
        std::string s = data.substr(pos, n);
        pos += n;
        return s;
    }
};

bool ReadWholeFile(const std::string& path, std::string& out, long limit, int* code) {
    FILE* f = OpenBinaryRead(path.c_str());
    if (!f) {
        *code = ErrnoToMessageId();
        return false;
    }
    const long length = FileLength(f);
    if (length < 0 || length > limit) {
        std::fclose(f);
        *code = kMsgBadFileFormat;
        return false;
    }
    out.resize(static_cast<size_t>(length));
    const size_t got = std::fread(out.data(), 1, out.size(), f);
    std::fclose(f);
    if (got != out.size()) {
        *code = kMsgLoadError;
        return false;
    }
    return true;
}

// The word after a keyword of an upper-cased line (blanks skipped).
std::string WordAfter(const std::string& line, size_t keywordLength) {
    size_t p = line.find_first_not_of(' ', keywordLength);
    if (p == std::string::npos) p = line.size();
    size_t e = line.find_first_of(" (", p);
    if (e == std::string::npos) e = line.size();
    return line.substr(p, e - p);
}

bool IsKeyword(const std::string& line, const char* keyword) {
    const size_t n = std::strlen(keyword);
    return line.compare(0, n, keyword) == 0 && (line.size() == n || line[n] == ' ');
}

// The file argument of a .LIB line (NormalizeLibraryName removes quotes and blanks).
std::string LibraryArgument(const std::string& line) {
    const size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

struct IndexWriter {
    std::string image;
    int32_t count = 0;
    void File(uint8_t kind, const std::string& path) {
        image += static_cast<char>(kind);
        PutInt32(image, FileTime(path));
        PutName(image, path);
        image += '\0';
        ++count;
    }
    void Model(const std::string& name, int type, bool text, int32_t position, int32_t line) {
        image += static_cast<char>(kIndexModel);
        PutName(image, name);
        image += static_cast<char>(type);
        if (text) {
            PutInt32(image, position);
            PutInt32(image, line);
        }
        ++count;
    }
    void Named(uint8_t kind, const std::string& name, int32_t position, int32_t line) {
        image += static_cast<char>(kind);
        PutName(image, name);
        PutInt32(image, position);
        PutInt32(image, line);
        ++count;
    }
    void Param(int32_t position, int32_t line) {
        image += static_cast<char>(kIndexParam);
        PutInt32(image, position);
        PutInt32(image, line);
        ++count;
    }
};

// Indexes one text library; .LIB lines add to list 1. 0 or 15055 (reported).
int IndexTextFile(NetlistCircuitTables& tables, const std::string& path, bool circuitItself, IndexWriter& w) {
    std::string text;
    uint8_t kind = kIndexTextFile;
    if (int code = ReadLibrarySource(path, text, &kind)) {
        ReportMessage("dE", tables.services->ReportOwner(), code);
        return kMsgReported;
    }
    w.File(kind, path);
    SpiceLogicalLines lines(text);
    std::string line;
    size_t position = 0;
    int number = 0;
    int depth = 0;
    while (lines.Next(line, &position, &number)) {
        if (line.empty() || line[0] != '.') continue;
        if (IsKeyword(line, ".LIB") || IsKeyword(line, ".LIBRARY")) {
            int index = 0;
            std::string name = LibraryArgument(line);
            if (int r = AddLibraryReference(tables, name, 1, &index, circuitItself)) {
                ReportMessage("dE", tables.services->ReportOwner(), r);
                return kMsgReported;
            }
        } else if (IsKeyword(line, ".MODEL")) {
            if (depth > 0) continue;
            ModelHeader h;
            SplitModelHeader(line.c_str() + 6, h);
            const int type = FindModelType(h.type.c_str());
            if (h.name.empty() || h.type.empty() || type < 0) {
                // The statement's own check reports what is wrong with it.
                if (AddModelStatement(tables, line.c_str(), 1, StatementOrigin{nullptr, number}, kOriginTextFile, false,
                                      path) == 0)
                    tables.models.pop_back();
                return kMsgReported;
            }
            w.Model(h.name, type, true, static_cast<int32_t>(position), number);
        } else if (IsKeyword(line, ".SUBCKT")) {
            const std::string name = WordAfter(line, 7);
            if (depth == 0 && !name.empty()) w.Named(kIndexSubckt, name, static_cast<int32_t>(position), number);
            ++depth;
        } else if (IsKeyword(line, ".ENDS")) {
            if (--depth < 0) {
                ReportEndsOutsideSubckt(tables, path, line, number);
                return kMsgReported;
            }
        } else if (IsKeyword(line, ".MACRO")) {
            const std::string name = WordAfter(line, 6);
            // The position just after the name, where the macro's text begins.
            size_t at = position + 6;
            while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
            w.Named(kIndexMacro, name, static_cast<int32_t>(at + name.size()), number);
        } else if (IsKeyword(line, ".PARAM")) {
            if (depth == 0) w.Param(static_cast<int32_t>(position), number);
        }
    }
    return 0;
}

int IndexBinaryFile(NetlistCircuitTables& tables, const std::string& path, IndexWriter& w) {
    ModelLibrary library;
    if (library.Load(path.c_str(), true)) return kMsgReported;
    w.File(kIndexBinaryFile, path);
    for (LibraryModel* m = library.First(); m; m = ModelLibrary::Next(m)) {
        if (!m->name[0]) continue;
        std::string name = m->name;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        w.Model(name, m->modelType, false, 0, 0);
    }
    return 0;
}

bool IsCircuitFileName(const std::string& path) {
    const std::string ext = GetFileExtension(path);
    return strcasecmp(ext.c_str(), ".cir") == 0 || strcasecmp(ext.c_str(), ".mac") == 0;
}

bool IsBinaryLibrary(const std::string& path) {
    return strcasecmp(GetFileExtension(path).c_str(), ".lbr") == 0 && IsModelLibraryFile(path.c_str());
}

std::string ProgramFilePath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, n) : std::string();
}

// Loads the index of a library entry, rebuilding it when it is missing, damaged, or
// older than the library. 0 or 15055.
int LoadEntryIndex(NetlistCircuitTables& tables, LibraryEntry& entry, bool* rebuilt) {
    const std::string indexPath = MakeIndexFileName(entry.name);
    const bool edited = tables.services->LibraryEditedSinceIndexed(entry.name);
    entry.index.Clear();
    if (edited || FileTime(indexPath) < FileTime(entry.name) || ReadLibraryIndex(indexPath, entry.index) != 0) {
        if (BuildLibraryIndex(tables, entry.name)) return kMsgReported;
        *rebuilt = true;
        if (ReadLibraryIndex(indexPath, entry.index) != 0) {
            std::remove(indexPath.c_str());
            SetPendingMessageText(indexPath.c_str());
            ReportMessage("dE", tables.services->ReportOwner(), kMsgFileNotFound, indexPath.c_str());
            return kMsgReported;
        }
    }
    // No index of unsaved text stays on disk.
    if (SameFile(entry.name, tables.services->Title()) && tables.services->IsModified()) std::remove(indexPath.c_str());
    entry.loaded = true;
    return 0;
}

// Compares the recorded times of the entry's files (saving edited windows of them
// first); false when a file changed. *error receives a failed save.
bool FilesUnchanged(NetlistCircuitTables& tables, LibraryEntry& entry, int* error) {
    bool firstFile = true;
    for (LibraryIndexRecord& r : entry.index.records) {
        if (r.kind != kIndexCircuitFile && r.kind != kIndexTextFile && r.kind != kIndexBinaryFile) continue;
        if ((firstFile && !SameFile(r.name, entry.name)) || !r.checked) {
            if ((*error = CheckLibrarySaved(tables, r.name)) != 0) return false;
            if (FileTime(r.name) != r.time) return false;
            r.checked = true;
        }
        firstFile = false;
    }
    return true;
}

}  // namespace

int ReadLibrarySource(const std::string& path, std::string& text, uint8_t* kind) {
    if (kind) *kind = kIndexTextFile;
    if (IsCircuitFileName(path)) {
        // Only the text page is wanted: its parts need no components. A SPICE text that
        // carries a circuit's extension is read as text.
        CircuitDocument doc;
        CircuitFile stream;
        if (ReadCircuitFile(doc, path, stream, kLoadHidden | kLoadQuiet | kLoadNoNumbering | kLoadSkipAnalysis,
                            nullptr) == 0) {
            text = std::move(doc.text);
            if (kind) *kind = kIndexCircuitFile;
            return 0;
        }
    }
    int code = 0;
    if (ReadWholeFile(path, text, kMaxLibraryTextBytes, &code)) return 0;
    SetPendingMessageText(path.c_str());
    return code;
}

int OpenLibrarySource(NetlistLineSource& source, const std::string& path, size_t begin, size_t finish, int firstLine) {
    source.Close();
    auto text = std::make_shared<std::string>();
    if (int code = ReadLibrarySource(path, *text)) return code;
    source.OpenOnText(*text, path, begin, finish, firstLine);
    source.owned = std::move(text);
    return 0;
}

int FindIndexedRecord(const LibraryIndexData& data, uint8_t kind, int modelKind, const std::string& name) {
    auto it = data.byName.find(name);
    if (it == data.byName.end()) return -1;
    for (int32_t i : it->second) {
        const LibraryIndexRecord& r = data.records[i];
        if (r.kind != kind) continue;
        if (kind == kIndexModel && !ModelKindMatches(modelKind, r.modelType)) continue;
        return i;
    }
    return -1;
}

namespace {

// The logical line at `position` of a library file of that record kind.
int ReadLibraryLineAt(const std::string& file, uint8_t kind, size_t position, std::string& out) {
    if (kind != kIndexCircuitFile) return ReadLogicalLineAt(file, position, out);
    std::string text;
    if (int code = ReadLibrarySource(file, text)) return code;
    SpiceLogicalLines lines(text);
    lines.Seek(std::min(position, text.size()), 0);
    if (!lines.Next(out)) out.clear();
    return 0;
}

int LoadIndexParams(NetlistCircuitTables& tables, int scope, const std::string& file, uint8_t kind, size_t position,
                    int line) {
    std::string text;
    if (int r = ReadLibraryLineAt(file, kind, position, text)) {
        ReportMessage("dE", tables.services->ReportOwner(), r);
        return kMsgReported;
    }
    return tables.services->ApplyParamStatement(tables, text, scope, file, line);
}

// Makes the statement of an indexed model; its index, or -1 with *error set.
long AddIndexedModel(NetlistCircuitTables& tables, const LibraryEntry& entry, const LibraryIndexRecord& r, int kind,
                     const std::string& name, int mode, LibrarySearchResult* result, int* error) {
    const LibraryIndexRecord& file = entry.index.records[r.file];
    if (file.kind == kIndexBinaryFile) {
        ModelLibrary library;
        if (library.Load(file.name.c_str(), true)) {
            *error = kMsgReported;
            return -1;
        }
        const int n = FindModelInLibrary(library, name.c_str(), r.modelType);
        if (n < 0) return -1;
        std::string memo;
        std::string text = GetModelStatementText(tables, &library, r.modelType, n, name, NetlistTranslateMode,
                                                 nullptr, &memo, nullptr);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        if (AddModelStatement(tables, text.c_str(), 1, StatementOrigin{}, kOriginBinaryLibrary, false, file.name)) {
            *error = kMsgReported;
            return -1;
        }
        tables.models.back().memo = memo;
        if (result) result->line = r.line;
        return static_cast<long>(tables.models.size()) - 1;
    }
    std::string text;
    if (int code = ReadLibraryLineAt(file.name, file.kind, static_cast<size_t>(r.position), text)) {
        ReportMessage("dE", tables.services->ReportOwner(), code);
        *error = kMsgReported;
        return -1;
    }
    if (result) result->line = r.line;
    if (mode == kFindMacro) {
        if (result) result->text = text;
        return 0;
    }
    if (text.compare(0, 6, ".MODEL") != 0) return -1;
    ModelHeader h;
    SplitModelHeader(text.c_str() + 6, h);
    if (h.name != name || FindModelType(h.type.c_str()) != kind) return -1;
    if (AddModelStatement(tables, text.c_str(), 1, StatementOrigin{nullptr, r.line}, kOriginTextFile, false, file.name)) {
        *error = kMsgReported;
        return -1;
    }
    return static_cast<long>(tables.models.size()) - 1;
}

}  // namespace

int NormalizeLibraryName(std::string& name) {
    std::string s;
    for (char c : name) {
        if (c == '"') continue;
        if ((c == ' ' || c == '\t') && (s.empty() || s.back() == ' ')) continue;
        s += c == '\t' ? ' ' : c;
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (s.empty()) s = "NOM.LIB";
    std::string path = s;
    int r = ResolveFilePath(path, kLibraryPath);
    if (r != 0 && GetFileDriveDir(NormalizeSeparators(s)).empty()) {
        // The default library lies in the program folder.
        std::string inProgram = s;
        if (ResolveFilePath(inProgram, kProgramPath) == 0) {
            path = inProgram;
            r = 0;
        }
    }
    if (r != 0) {
        name = s;
        return r;
    }
    const std::string exact = FindExistingPathNoCase(path);
    name = exact.empty() ? path : exact;
    return 0;
}

int AddLibraryReference(NetlistCircuitTables& tables, const std::string& rawName, int list, int* index, bool allLists) {
    std::string name = rawName;
    if (int r = NormalizeLibraryName(name)) {
        SetPendingMessageText(name.c_str());
        return r;
    }
    for (int l = allLists ? 0 : list; l <= list; ++l) {
        const auto& entries = tables.libraries[l];
        for (size_t i = 0; i < entries.size(); ++i)
            if (SameFile(entries[i].name, name)) {
                if (index) *index = static_cast<int>(i);
                return 0;
            }
    }
    LibraryEntry entry;
    entry.name = name;
    tables.libraries[list].push_back(std::move(entry));
    if (index) *index = static_cast<int>(tables.libraries[list].size()) - 1;
    return 0;
}

void ClearLibraryList(NetlistCircuitTables& tables, int list) { tables.libraries[list].clear(); }

std::string MakeIndexFileName(const std::string& libraryPath) {
    const std::string path = NormalizeSeparators(libraryPath);
    std::string extension = GetFileExtension(path);
    if (!extension.empty()) extension.erase(0, 1);
    return GetFileDriveDir(path) + GetFileTitle(path) + "_" + extension + ".INX";
}

bool ModelKindMatches(int wanted, int indexed) {
    if (indexed == 32 || indexed == 34 || indexed == 36) return wanted == 3;
    if (indexed == 33 || indexed == 35 || indexed == 37) return wanted == 16;
    return wanted == indexed;
}

void ReportEndsOutsideSubckt(NetlistCircuitTables& tables, const std::string& file, const std::string& text,
                             int line) {
    const std::string number = std::to_string(line + 1);
    const std::string first = text.substr(0, text.find('\n'));
    ReportMessage("dMMME", tables.services->ReportOwner(), "File:", file.c_str(), "Text:", first.c_str(), "Line:",
                  number.c_str(), kMsgEndsOutsideSubckt);
}

int CheckLibrarySaved(NetlistCircuitTables& tables, const std::string& path) {
    NetlistCircuitServices& circuit = *tables.services;
    if (!circuit.LibraryWindowModified(path)) return 0;
    if (ReportMessage("dSE", circuit.ReportOwner(), kStyleOkCancelQuestion, kMsgSaveBeforeIndex, path.c_str()) !=
        kButtonOk)
        return kMsgReported;
    return circuit.SaveLibraryWindow(path);
}

int ReadLibraryIndex(const std::string& indexPath, LibraryIndexData& data) {
    data.Clear();
    std::string image;
    int code = 0;
    if (!ReadWholeFile(indexPath, image, kMaxIndexBytes, &code)) return code;
    IndexReader in{image};
    if (in.Int16() != kLibraryIndexVersion) return kMsgBadFileFormat;
    const int32_t count = in.Int32();
    if (!in.ok || count < 0) return kMsgBadFileFormat;
    int32_t file = -1;
    uint8_t fileKind = 0;
    for (int32_t n = 0; n < count && in.ok; ++n) {
        LibraryIndexRecord r;
        r.kind = static_cast<uint8_t>(in.Byte());
        switch (r.kind) {
        case kIndexCircuitFile: case kIndexTextFile: case kIndexBinaryFile:
            r.time = in.Int32();
            r.name = in.Name();
            in.Byte();  // the checked flag lives in memory only
            file = static_cast<int32_t>(data.records.size());
            fileKind = r.kind;
            break;
        case kIndexModel:
            r.name = in.Name();
            r.modelType = static_cast<uint8_t>(in.Byte());
            if (fileKind != kIndexBinaryFile) {
                r.position = in.Int32();
                r.line = in.Int32();
            }
            break;
        case kIndexSubckt: case kIndexMacro:
            r.name = in.Name();
            r.position = in.Int32();
            r.line = in.Int32();
            break;
        case kIndexParam:
            r.position = in.Int32();
            r.line = in.Int32();
            break;
        default:
            // An unknown kind ends the records.
            n = count;
            continue;
        }
        // Records before the first file record have no file to read from.
        if (file < 0 || r.position < 0) in.ok = false;
        if (!in.ok) break;
        r.file = file;
        if (r.kind >= kIndexModel && r.kind <= kIndexMacro)
            data.byName[r.name].push_back(static_cast<int32_t>(data.records.size()));
        data.records.push_back(std::move(r));
    }
    if (!in.ok) {
        data.Clear();
        return kMsgBadFileFormat;
    }
    return 0;
}

int BuildLibraryIndex(NetlistCircuitTables& tables, const std::string& library) {
    void* owner = tables.services->ReportOwner();
    if (int r = ValidateFilePath(library.c_str())) {
        ReportMessage("dE", owner, r);
        return kMsgReported;
    }
    if (int r = CheckFileExists(library)) {
        SetPendingMessageText(library.c_str());
        ReportMessage("dE", owner, r);
        return kMsgReported;
    }
    const std::string indexPath = MakeIndexFileName(library);
    const bool circuitItself = SameFile(library, tables.services->Title());
    ClearLibraryList(tables, 1);
    IndexWriter w;
    int result = AddLibraryReference(tables, library, 1, nullptr, false);
    if (result) {
        ReportMessage("dE", owner, result);
        result = kMsgReported;
    }
    for (size_t i = 0; !result && i < tables.libraries[1].size(); ++i) {
        const std::string path = tables.libraries[1][i].name;  // the list grows while it is walked
        if ((result = CheckLibrarySaved(tables, path)) != 0) break;
        result = IsBinaryLibrary(path) ? IndexBinaryFile(tables, path, w) : IndexTextFile(tables, path, circuitItself, w);
    }
    ClearLibraryList(tables, 1);
    if (!result) {
        std::string image;
        PutInt16(image, kLibraryIndexVersion);
        PutInt32(image, w.count);
        image += w.image;
        BinFile f;
        int r = f.OpenWrite(indexPath.c_str());
        if (!r) r = f.Write(image.data(), image.size());
        const int closed = f.Close();
        if (!r) r = closed;
        if (r) {
            ReportMessage("dE", owner, r);
            result = kMsgReported;
        }
    }
    if (result) {
        std::remove(indexPath.c_str());
        return kMsgReported;
    }
    // A program file newer than the index just written means the clock went back; the
    // index is still sound, so this is said once and the search goes on.
    const std::string program = ProgramFilePath();
    if (!clockWarningShown && !program.empty() && FileTime(indexPath) + 60 < FileTime(program)) {
        clockWarningShown = true;
        ReportMessage("dsE", owner, 'W', kMsgClockIncorrect);
    }
    // A library dated in the future would look newer than its index at every search:
    // give it the present time.
    if (FileTime(indexPath) < FileTime(library)) utimensat(AT_FDCWD, library.c_str(), nullptr, 0);
    return 0;
}

long FindModelOrSubckt(NetlistCircuitTables& tables, int kind, const std::string& name, int mode, int* error,
                       LibrarySearchResult* result, int entryIndex, int scope) {
    *error = 0;
    auto& list = tables.libraries[0];
    const bool oneEntry = mode == kFindModelInEntry || mode == kFindSubcktInEntry || mode == kLoadParamsOfEntry;
    size_t first = 0, last = list.size();
    if (oneEntry) {
        if (entryIndex < 0 || entryIndex >= static_cast<int>(list.size())) return -1;
        first = entryIndex;
        last = entryIndex + 1;
    }
    for (size_t e = first; e < last; ++e) {
        bool rebuilt = false;
        if (!list[e].loaded && LoadEntryIndex(tables, list[e], &rebuilt)) {
            *error = kMsgReported;
            return -1;
        }
        // A file of the set that changed makes the index stale: rebuild it once.
        if (!FilesUnchanged(tables, list[e], error)) {
            if (*error) return -1;
            if (!rebuilt) {
                list[e].loaded = false;
                rebuilt = false;
                if (BuildLibraryIndex(tables, list[e].name) || LoadEntryIndex(tables, list[e], &rebuilt)) {
                    *error = kMsgReported;
                    return -1;
                }
                if (!FilesUnchanged(tables, list[e], error) && *error) return -1;
            }
        }
        LibraryEntry& entry = list[e];
        const LibraryIndexData& data = entry.index;
        switch (mode) {
        case kFindModel: case kFindModelAll: case kFindModelInEntry: {
            const int r = FindIndexedRecord(data, kIndexModel, kind, name);
            if (r < 0) break;
            const long index = AddIndexedModel(tables, entry, data.records[r], kind, name, mode, result, error);
            if (index >= 0 || *error) return index;
            break;
        }
        case kFindSubckt: case kFindSubcktInEntry: case kFindSubcktFile: case kFindMacro: {
            const uint8_t wanted = mode == kFindMacro ? kIndexMacro : kIndexSubckt;
            const int r = FindIndexedRecord(data, wanted, 0, name);
            if (r < 0) break;
            const LibraryIndexRecord& rec = data.records[r];
            if (result) {
                result->fileName = data.records[rec.file].name;
                result->line = rec.line;
            }
            if (mode == kFindMacro) return AddIndexedModel(tables, entry, rec, kind, name, mode, result, error);
            return rec.position;
        }
        case kListModels:
            for (const LibraryIndexRecord& r : data.records)
                if (r.kind == kIndexModel &&
                    (ModelKindMatches(kind, r.modelType) || (kind == 38 && r.modelType == 15)) && result)
                    result->names.push_back(r.name);
            break;
        case kLoadParams: case kLoadParamsOfEntry: {
            // Copied: loading a statement may add libraries to the list.
            const std::vector<LibraryIndexRecord> records = data.records;
            for (const LibraryIndexRecord& r : records) {
                if (r.kind != kIndexParam) continue;
                if (LoadIndexParams(tables, mode == kLoadParams ? 1 : scope, records[r.file].name,
                                    records[r.file].kind, static_cast<size_t>(r.position), r.line)) {
                    *error = kMsgReported;
                    return -1;
                }
            }
            break;
        }
        case kFindFileInSet:
            for (const LibraryIndexRecord& r : data.records)
                if (r.kind <= kIndexBinaryFile && SameFile(GetFileNameAndExtension(r.name), name)) return 0;
            break;
        default:
            break;
        }
    }
    return (mode == kListModels || mode == kLoadParams || mode == kLoadParamsOfEntry) ? 0 : -1;
}

}  // namespace ob7
