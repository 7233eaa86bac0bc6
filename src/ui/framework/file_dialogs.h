#pragma once
// Open and save dialogs: the plain one for any file with a filter from the string
// table, and the document one for the program's own documents, which knows the kind
// of every document extension, completes or forces extensions and starts in the
// default folder of the file type.

#include <functional>
#include <string>
#include <vector>

#include "platform/file_dialog.h"

namespace platform {
class Window;
}

namespace ob7 {

class CDraw;

// One document extension: its kind (1 circuit, 2 text, 3 model library, 4 model
// data), its extension rule (2 must carry one, 1 forced, 0 as typed) and its default
// folder list (0 data, 1 library).
struct FileKindRow {
    const char* extension;
    int kind;
    int rule;
    int folder;
};
extern const FileKindRow FileKindTable[10];

// The filter entry chosen last in a document dialog (1 at start).
extern int LastFileType;

enum FileDialogMode { kFileModeNone = 0, kFileModeOpen = 1, kFileModeSaveAs = 2 };

// The document kind of a name, completing or forcing its extension and resolving its
// folder (see the table); -1 when an open finds no file for a name without extension.
int FileKindFromName(std::string& path, int mode, int kind);

// "Description|patterns|..." texts into filter entries.
std::vector<platform::FileFilter> ParseFilterText(const std::string& text);
// Up to 10 distinct extensions of a filter text ("*" for "*.*"), in order.
std::vector<std::string> FilterExtensions(const std::string& text);
// Whether a chosen name suits the extensions; the refusal text otherwise.
bool ExtensionAccepted(const std::vector<std::string>& extensions, const std::string& name, std::string& message);
// The folder a dialog opens in: the first entry of a ';' list, or the folder of the
// path; a folder that does not exist gives way to the data folder, then the current one.
std::string InitialFolder(const std::string& folders, const std::string& path);

// The plain dialog. path is the initial name and receives the chosen full path (on
// Cancel a non-empty path becomes empty). Returns 1 for OK.
int RunFileDialog(bool open, platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                  const std::string& title, int* filterIndex);
int FileOpenDialog(platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                   const std::string& title);
int FileSaveDialog(platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                   const std::string& title, int* filterIndex);

// Save As of a document of a kind: the kind of the chosen name, or -1 on Cancel (path
// emptied). A name used by another open document is refused.
int RunSaveAsDialog(platform::Window* parent, CDraw* document, std::string& path, int kind);
int RunListFileSaveDialog(platform::Window* parent, CDraw* document, std::string& path, const std::string& filter,
                          int kind);
// File/Open: every chosen path is handed to open with its kind. The number opened.
int RunFileOpenCommand(platform::Window* parent, const std::function<void(const std::string&, int)>& open);
// The Browse button of attribute values: the filter and folders follow the type code.
int BrowseFileForAttribute(platform::Window* parent, std::string& path, int typeCode);

}  // namespace ob7
