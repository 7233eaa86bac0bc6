#pragma once
// Model libraries of a circuit and their index files. Beside every library lies an index
// file ("NOM.LIB" -> "NOM_LIB.INX") that lists the files of the library set with their
// modification times and every model, subcircuit, macro and .PARAM statement with its
// position, so that a search reads only the statement it needs.
//
// Index file, little-endian, written whole through a temporary name: int16 version
// (kLibraryIndexVersion), int32 record count, records each beginning with a kind byte:
//   1, 2, 3  a file (circuit, text, binary library): int32 time, int16 length + name,
//            uint8 checked (written 0)
//   20       a model: int16 length + name, uint8 type; for files of kind 1, 2 also
//            int32 position and int32 line
//   21, 22   a subcircuit, a macro: int16 length + name, int32 position, int32 line
//   23       a .PARAM statement: int32 position, int32 line

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace ob7 {

struct NetlistCircuitTables;

inline constexpr int16_t kLibraryIndexVersion = 5;

enum LibraryRecordKind : uint8_t {
    kIndexCircuitFile = 1, kIndexTextFile = 2, kIndexBinaryFile = 3,
    kIndexModel = 20, kIndexSubckt = 21, kIndexMacro = 22, kIndexParam = 23,
};

struct LibraryIndexRecord {
    uint8_t kind = 0;
    uint8_t modelType = 0;
    bool checked = false;   // file records: the file's time was compared in this session
    int32_t time = 0;       // file records
    int32_t position = 0;
    int32_t line = 0;
    int32_t file = 0;       // index of the file record this record belongs to
    std::string name;
};

// The index data of one library, loaded on its first search, with a name map so that a
// look-up does not walk every record.
struct LibraryIndexData {
    std::vector<LibraryIndexRecord> records;
    std::unordered_map<std::string, std::vector<int32_t>> byName;  // model, subckt, macro records
    void Clear() { records.clear(); byName.clear(); }
};

struct LibraryEntry {
    std::string name;  // normalised full path
    bool loaded = false;
    LibraryIndexData index;
};

// Collapses blanks, removes double quotes, trims; empty means "NOM.LIB". The name is
// resolved along the library folders, then the program folder. 0 or the resolver's code.
int NormalizeLibraryName(std::string& name);
// Adds a library to list `list` (0 or 1) unless it is there (or, with allLists, in any
// list up to it). *index receives its position. 0 or an error code (the name pending).
int AddLibraryReference(NetlistCircuitTables& tables, const std::string& name, int list, int* index, bool allLists);
void ClearLibraryList(NetlistCircuitTables& tables, int list);

// "<folder>/<name>_<ext>.INX".
std::string MakeIndexFileName(const std::string& libraryPath);
// Writes the index file of a library (and the libraries it names). 0 or 15055.
int BuildLibraryIndex(NetlistCircuitTables& tables, const std::string& libraryPath);
// "%E.Ends statement Found outside of a .Subckt." naming the file, the line's text up to
// its first line feed and its line number (0-based `line`, shown from 1).
void ReportEndsOutsideSubckt(NetlistCircuitTables& tables, const std::string& file, const std::string& text, int line);
// Asks to save a library that a window shows with unsaved edits before it is indexed.
// 0 (nothing to save, or saved), 15055 (cancelled) or the save's code.
int CheckLibrarySaved(NetlistCircuitTables& tables, const std::string& path);
// Reads an index file (bounded by its size). 0, or 5355 for a damaged or older file.
int ReadLibraryIndex(const std::string& indexPath, LibraryIndexData& data);

// The first record of that kind and name in loaded index data (model records also of a
// matching model kind), or -1. Uses the name map, not a walk of the records.
int FindIndexedRecord(const LibraryIndexData& data, uint8_t kind, int modelKind, const std::string& name);

// Indexed type 32/34/36 serves a wanted NMOS (3), 33/35/37 a PMOS (16).
bool ModelKindMatches(int wanted, int indexed);

enum LibrarySearchMode : int {
    kFindModel = 1,        // the statement is added to the circuit; its index
    kFindSubckt = 2,       // the position; fileName
    kFindMacro = 3,        // the statement text
    kListModels = 4,       // every model name of the kind (LPNP also PNP) into names
    kFindModelAll = 5,
    kFindModelInEntry = 6, // as 1, in list-0 entry `entry`
    kLoadParams = 7,       // every .PARAM statement into scope 1
    kFindSubcktInEntry = 8,
    kFindSubcktFile = 9,   // the position and the fileName
    kLoadParamsOfEntry = 11,  // the .PARAM statements of entry `entry` into scope `scope`
    kFindFileInSet = 13,   // success when a file of a library set has the name
};

struct LibrarySearchResult {
    std::string fileName;
    std::string text;
    std::vector<std::string> names;
    int line = -1;
};

struct NetlistLineSource;

// The text a library file gives its readers: a circuit file (".CIR", ".MAC") that opens
// as a circuit gives its text page, any other file its bytes. *kind (may be null)
// receives kIndexCircuitFile or kIndexTextFile. 0 or the file's error code (name pending).
int ReadLibrarySource(const std::string& path, std::string& text, uint8_t* kind = nullptr);
// Opens a line source on that text from byte `begin` (line `firstLine`) to `finish`.
int OpenLibrarySource(NetlistLineSource& source, const std::string& path, size_t begin = 0,
                      size_t finish = std::string::npos, int firstLine = 0);

// Searches the circuit's libraries (list 0). Returns the statement index (model modes), a
// file position (subcircuit modes), 0 for success of the other modes, or -1; *error
// receives 0 or 15055 (reported).
long FindModelOrSubckt(NetlistCircuitTables& tables, int kind, const std::string& name, int mode, int* error,
                       LibrarySearchResult* result = nullptr, int entry = -1, int scope = 1);

}  // namespace ob7
