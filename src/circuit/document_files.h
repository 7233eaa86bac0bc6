#pragma once
// Opening and saving circuit documents without a window: the load of a circuit or text
// file into a document with the messages the open flow gives, and the saves that never
// lose the previous file. The compiler and batch runs open hidden documents this way;
// the circuit and text views build on the same calls.

#include "circuit/circuit_document.h"
#include "circuit/circuit_file.h"

#include <memory>
#include <string>
#include <vector>

namespace ob7 {

// Brings an open document's text up to date from the window that edits it; installed by
// the circuit views.
extern void (*SyncOpenDocumentText)(CircuitDocument& doc);

// A hidden copy of an open document for the compiler: its records, texts and set-up
// (the open document's current state, saved or not); nodes not yet numbered.
std::unique_ptr<CircuitDocument> MakeShadowDocument(const CircuitDocument& open);

// Reads a circuit file (DOC_SCHEMATIC) or a text file (DOC_TEXT) into a new document.
// A hidden open (kLoadHidden) of a file that is open already gives a shadow of the open
// document instead of reading the file.
// Null on failure with the code in *code: reported (the code is then 15055) unless the
// flags hold kLoadQuiet. A circuit with missing components is reported and opened
// (15080 for a quiet caller, with the names pending, and no document).
std::unique_ptr<CircuitDocument> OpenCircuitDocument(const std::string& path, int kind, int flags, int* code,
                                                     const char* password = nullptr);

// The import component library, in the program folder.
inline constexpr char kImportComponentLibrary[] = "Import.cmp";

// Moves the definitions a circuit file carried and the libraries lack (or hold
// differently, under a numbered name) into the import component library, in the group
// "Import" / <file name>, and points the document's parts at them. The names added; the
// library's index in *library.
std::vector<std::string> ImportCarriedDefinitions(CircuitDocument& doc, int* library);

// Reads the circuit file at `path` into `doc` and finishes it (messages, node numbering
// unless kLoadNoNumbering). 0 or a message code; `doc` is unchanged on failure.
int LoadCircuitDocument(CircuitDocument& doc, const std::string& path, int flags, const char* password = nullptr);

// Reads the file named by the document's path into its text, byte for byte. 0 or the
// file's error code.
int ReloadTextFromFile(CircuitDocument& doc);

// Writes the text byte for byte through a temporary file that replaces the target only
// when complete. 0, or 15008 with the path pending.
int SaveTextToFile(const CircuitDocument& doc, const std::string& path);

// File/Save of a document: a schematic as a 7.0 circuit file, a text page as its text.
// The document takes the path and is no longer modified. 0 or a message code.
int SaveCircuitDocument(CircuitDocument& doc, const std::string& path);

// The documents that are open (their views register them), so that a file is never read
// twice: the compiler and the open commands ask here first.
void RegisterOpenDocument(CircuitDocument& doc);
void UnregisterOpenDocument(CircuitDocument& doc);
// The open document of a file (paths compared in their absolute, normal form), or null.
CircuitDocument* FindOpenCircuitDocument(const std::string& path);

}  // namespace ob7
