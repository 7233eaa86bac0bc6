#pragma once
// Binary model libraries (".LBR"): named device models, each a model type and one value
// per parameter of that type. The current file layout is 0x6000b; the layouts 4 and 5
// (the fitting program writes 5) and 0x60001 are converted when they are loaded.

#include <cstdint>

#include "foundation/pool_list.h"

namespace ob7 {

constexpr int32_t kModelLibraryVersion = 0x6000b;
constexpr int32_t kLibraryModelKind = 38;  // pool-list node kind of LibraryModel

struct LibraryModel : PoolNode {
    double* values;   // paramCount slots of the model type, in table order
    int32_t modelType;
    char memo[42];    // one-line description, NUL-terminated
    char name[24];    // at most 23 characters, upper case
};

class ModelLibrary {
public:
    ModelLibrary();
    ~ModelLibrary();
    ModelLibrary(const ModelLibrary&) = delete;
    ModelLibrary& operator=(const ModelLibrary&) = delete;

    // Reads a library of any known version; an older one is then converted on disk: the
    // old file is kept under the extension A (or B ... Z) and the library is written in
    // the current layout. With `report` errors are reported and 15055 returned; without
    // it the error code is returned. A failed load leaves the library empty.
    int Load(const char* fileName, bool report);
    // Writes the current layout (through a temporary file). Returns 0 or a code.
    int Save(const char* fileName);
    void Clear();

    // Appends a model of that type with the type's defaults, an empty name and memo.
    // Null (15002 reported) when memory is exhausted or the type cannot be stored.
    LibraryModel* AddModel(int modelType);
    // The same without a report and without marking the library modified (readers).
    LibraryModel* AddModelQuiet(int modelType);
    void RemoveModel(LibraryModel* model);
    LibraryModel* FindNth(int modelType, int n) const;
    int CountOfType(int modelType) const;
    int Count() const { return models.count; }
    LibraryModel* First() const { return static_cast<LibraryModel*>(models.head); }
    static LibraryModel* Next(const LibraryModel* m) { return static_cast<LibraryModel*>(m->next); }

    // Drops models without a name and later duplicates (same analog type and name) and
    // sorts the analog models by type, then by name in natural order.
    int Sort();

    CPoolList models;
    bool modified = false;
};

// True when the file opens and holds a model library of a known version.
bool IsModelLibraryFile(const char* fileName);

// Position among the models of that type of the first whose name equals `name`
// (case-insensitive), or -1.
int FindModelInLibrary(const ModelLibrary& library, const char* name, int modelType);

// Trims blanks, upper-cases and replaces every character that cannot stand in a model
// name by '_'. Works in place; returns text.
char* SanitizeModelName(char* text);

// Whether model type t can be kept in a binary library (types whose values are all
// numbers or state characters; text-valued types have no file form).
bool CanStoreInLibrary(int modelType);

}  // namespace ob7
