#pragma once
// Paths, the program folder and the four default folder lists. Paths given by the user
// or read from files may use '\' or '/'; every path made here uses '/'. Names are
// looked up case-insensitively when the exact spelling does not exist, so a file
// created as "import.cmp" is found as "Import.cmp".

#include <string>

namespace ob7 {

// The default folder lists, each a ';'-separated list of folders.
enum PathKind { kDataPath = 0, kLibraryPath = 1, kDataPath2 = 2, kProgramPath = 3 };

// "Macro file's extension must be CIR or MAC."
inline constexpr int kMsgBadMacroExtension = 12517;

// Longest path handled; longer list entries and joins are skipped.
inline constexpr int kMaxPath = 4096;

// The program folder: $OB7_HOME when set, else the folder of the executable (the data
// files are installed beside it). No trailing '/'. Re-reads the environment.
const std::string& GetModuleFolder();

// Data lists (kinds 0 and 2) become "<program folder>/data/", the library list (kind 1)
// "<program folder>/library/". Reads the program folder first.
void SetDefaultFolders();

// The list of a kind (0 to 3); an empty text for any other kind.
const std::string& GetDefaultPath(int kind);

// Replaces the list of kind 0, 1 or 2 (the Paths settings); kind 3 is fixed.
void SetDefaultPath(int kind, const std::string& list);

// The first entry of the kind's list (up to the first ';').
std::string FirstDefaultFolder(int kind);

// Skips leading ';', copies the next entry into `entry` and skips the ';' after it.
// Returns the position after it, or nullptr when no entry was taken or the entry is
// longer than kMaxPath (entry then empty).
const char* NextPathListEntry(const char* position, std::string& entry);

// '\' becomes '/'.
std::string NormalizeSeparators(std::string path);

// The path of an existing file or folder that matches `path` exactly or, failing that,
// component by component without regard to case; empty when there is none.
std::string FindExistingPathNoCase(const std::string& path);

// A name with a folder that exists is made absolute; a bare name is joined with each
// entry of the kind's list in turn and the first existing one wins (absolute). An empty
// entry ends the search. Empty when nothing matches.
std::string SearchPathList(const std::string& name, int kind);

// The first entry of a ';'-separated list that does not exist goes to `missing` and the
// result is 0; 1 with `missing` empty when every entry exists.
int FindMissingPathEntry(const std::string& list, std::string& missing);

// Trims spaces; a bare name is put into the kind's first folder; then the path is made
// absolute. 16002 when that fails, else 0.
int MakeFullPath(std::string& path, int kind);

// Trims spaces; a path with a folder is made absolute and checked; a bare name is
// searched along the kind's list, made absolute and checked, and set back to the bare
// name when it does not exist. Returns CheckFileExists of the result.
int ResolveFilePath(std::string& path, int kind);

// As ResolveFilePath without the check: a bare name that is nowhere goes into the kind's
// first folder. Always 0.
int ResolveBareFileName(std::string& path, int kind);

// When the kind's first folder is not empty, the path's own folder is replaced by it.
void PrefixDefaultFolder(std::string& path, int kind);

// 0 when the file exists (in any case of its name), else 16000 + errno.
int CheckFileExists(const std::string& path);

// The file name in the folder for temporary files: the first entry of $TMP (up to ';'),
// else $TMPDIR, else /tmp.
std::string TempFolderPath(const std::string& fileName);

// "<program folder>/<name>".
std::string JoinProgramFolder(const std::string& name);

// Index of the last '.' after the last folder separator, or std::string::npos.
std::string::size_type FindExtensionDot(const std::string& path);

// Cuts the path at its extension dot. Returns true (old extension, without the dot, in
// *oldExtension when given) when there was one.
bool CutExtension(std::string& path, std::string* oldExtension = nullptr);

// Replaces or adds the extension (given without its dot).
void ReplaceFileExtension(std::string& path, const std::string& extension);

// A path without extension gets "MAC"; 1 when added, else 0.
int AddDefaultExtension(std::string& path);

std::string GetFileTitle(const std::string& path);             // name without folder, extension
std::string GetFileNameAndExtension(const std::string& path);  // name with extension
std::string GetFileDriveDir(const std::string& path);          // folder with its trailing '/'
std::string GetFileExtension(const std::string& path);         // ".ext", or empty

// Replaces the extension by 0, 1, 2 ... until the path names no existing file.
void FirstUnusedNumberedName(std::string& path);

// Copies the name into `result`, adds "MAC" when it has no extension, accepts only
// CIR and MAC (kMsgBadMacroExtension otherwise) and resolves it along the library
// folders. 0 or kMsgBadMacroExtension.
int CheckCircuitFileName(std::string& result, const std::string& name);

// Puts the path at the top of the recent-file list, unless the installed gate says
// recent-file updates are off (batch runs and demo playback install one).
void AddRecentFile(const std::string& path);
void SetRecentFileGate(bool (*allowed)());

}  // namespace ob7
