#include "foundation/paths.h"

#include "foundation/message_codes.h"
#include "foundation/recent_list.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

namespace ob7 {
namespace {

std::string programFolder;
std::string defaultPaths[4];
bool (*recentFileGate)() = nullptr;

const std::string kNoPath;

bool HasFolder(const std::string& path) {
    return path.find_first_of("/\\") != std::string::npos;
}

std::string Trimmed(const std::string& text) {
    auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case; empty when none.
std::string MatchInFolder(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) return {};
    return full.lexically_normal().string();
}

std::string JoinFolder(std::string folder, const std::string& name) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + name;
}

}  // namespace

std::string NormalizeSeparators(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string FindExistingPathNoCase(const std::string& path) {
    std::string p = NormalizeSeparators(path);
    if (p.empty()) return {};
    if (Exists(p)) return p;
    // Walk the components, matching each one that is missing without regard to case.
    std::string built = p[0] == '/' ? "/" : "";
    std::string::size_type pos = p[0] == '/' ? 1 : 0;
    while (pos <= p.size()) {
        auto slash = p.find('/', pos);
        if (slash == std::string::npos) slash = p.size();
        std::string part = p.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty()) continue;
        std::string next = built + part;
        if (!Exists(next)) {
            std::string match = MatchInFolder(built, part);
            if (match.empty()) return {};
            next = built + match;
        }
        built = next;
        if (slash < p.size()) built += '/';
    }
    return Exists(built) ? built : std::string();
}

const std::string& GetModuleFolder() {
    std::string folder;
    if (const char* home = std::getenv("OB7_HOME"); home && *home) {
        folder = NormalizeSeparators(home);
    } else {
        char exe[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n > 0) {
            exe[n] = 0;
            folder = exe;
            folder.erase(folder.rfind('/'));
        } else {
            folder = ".";
        }
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    programFolder = folder;
    defaultPaths[kProgramPath] = folder;
    return programFolder;
}

void SetDefaultFolders() {
    const std::string& folder = GetModuleFolder();
    std::string data = Absolute(folder + "/data/");
    std::string library = Absolute(folder + "/library/");
    defaultPaths[kDataPath] = data;
    defaultPaths[kDataPath2] = data;
    defaultPaths[kLibraryPath] = library;
}

const std::string& GetDefaultPath(int kind) {
    if (kind < 0 || kind > 3) return kNoPath;
    return defaultPaths[kind];
}

void SetDefaultPath(int kind, const std::string& list) {
    if (kind >= 0 && kind <= 2) defaultPaths[kind] = NormalizeSeparators(list);
}

std::string FirstDefaultFolder(int kind) {
    const std::string& list = GetDefaultPath(kind);
    return list.substr(0, list.find(';'));
}

const char* NextPathListEntry(const char* position, std::string& entry) {
    entry.clear();
    if (!position) return nullptr;
    while (*position == ';') ++position;
    const char* end = position;
    while (*end && *end != ';') ++end;
    if (end == position || end - position > kMaxPath) return nullptr;
    entry.assign(position, end);
    return *end == ';' ? end + 1 : end;
}

std::string SearchPathList(const std::string& name, int kind) {
    std::string n = NormalizeSeparators(name);
    if (HasFolder(n)) {
        std::string found = FindExistingPathNoCase(n);
        return found.empty() ? std::string() : Absolute(found);
    }
    const std::string& list = GetDefaultPath(kind);
    const char* pos = list.c_str();
    std::string folder;
    while ((pos = NextPathListEntry(pos, folder)) != nullptr) {
        std::string joined = JoinFolder(NormalizeSeparators(folder), n);
        if (static_cast<int>(joined.size()) > kMaxPath) continue;
        std::string found = FindExistingPathNoCase(joined);
        if (!found.empty()) return Absolute(found);
    }
    return {};
}

int FindMissingPathEntry(const std::string& list, std::string& missing) {
    const char* pos = list.c_str();
    std::string folder;
    while ((pos = NextPathListEntry(pos, folder)) != nullptr) {
        if (FindExistingPathNoCase(folder).empty()) {
            missing = folder;
            return 0;
        }
    }
    missing.clear();
    return 1;
}

int MakeFullPath(std::string& path, int kind) {
    std::string p = NormalizeSeparators(Trimmed(path));
    if (p.empty()) return kMsgErrnoBase + ENOENT;
    if (!HasFolder(p)) p = JoinFolder(FirstDefaultFolder(kind), p);
    std::string full = Absolute(p);
    if (full.empty()) return kMsgErrnoBase + ENOENT;
    path = full;
    return 0;
}

int ResolveFilePath(std::string& path, int kind) {
    std::string bare = NormalizeSeparators(Trimmed(path));
    if (HasFolder(bare)) {
        path = bare;
        MakeFullPath(path, kind);
        std::string found = FindExistingPathNoCase(path);
        if (!found.empty()) path = found;
        return CheckFileExists(path);
    }
    std::string found = SearchPathList(bare, kind);
    if (found.empty()) {
        path = bare;
        return CheckFileExists(path);
    }
    path = found;
    return 0;
}

int ResolveBareFileName(std::string& path, int kind) {
    std::string p = NormalizeSeparators(Trimmed(path));
    if (!HasFolder(p)) {
        std::string found = SearchPathList(p, kind);
        if (!found.empty()) {
            path = found;
            return 0;
        }
    }
    path = p;
    MakeFullPath(path, kind);
    return 0;
}

void PrefixDefaultFolder(std::string& path, int kind) {
    std::string folder = FirstDefaultFolder(kind);
    if (folder.empty()) return;
    path = JoinFolder(NormalizeSeparators(folder), GetFileNameAndExtension(path));
}

int CheckFileExists(const std::string& path) {
    std::string p = NormalizeSeparators(path);
    if (!FindExistingPathNoCase(p).empty()) return 0;
    struct stat st;
    if (::stat(p.c_str(), &st) == 0) return 0;
    return kMsgErrnoBase + (errno ? errno : ENOENT);
}

std::string TempFolderPath(const std::string& fileName) {
    std::string folder;
    if (const char* tmp = std::getenv("TMP"); tmp && *tmp) {
        folder = tmp;
        folder.erase(std::min(folder.find(';'), folder.size()));
    }
    if (folder.empty())
        if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) folder = tmpdir;
    if (folder.empty()) folder = "/tmp";
    return JoinFolder(NormalizeSeparators(folder), fileName);
}

std::string JoinProgramFolder(const std::string& name) {
    if (programFolder.empty()) GetModuleFolder();
    return programFolder + "/" + name;
}

std::string::size_type FindExtensionDot(const std::string& path) {
    auto dot = path.rfind('.');
    if (dot == std::string::npos) return dot;
    auto slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > dot) return std::string::npos;
    return dot;
}

bool CutExtension(std::string& path, std::string* oldExtension) {
    auto dot = FindExtensionDot(path);
    if (dot == std::string::npos) return false;
    if (oldExtension) *oldExtension = path.substr(dot + 1);
    path.erase(dot);
    return true;
}

void ReplaceFileExtension(std::string& path, const std::string& extension) {
    CutExtension(path);
    path += '.';
    path += extension;
}

int AddDefaultExtension(std::string& path) {
    if (FindExtensionDot(path) != std::string::npos) return 0;
    ReplaceFileExtension(path, "MAC");
    return 1;
}

std::string GetFileNameAndExtension(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string GetFileTitle(const std::string& path) {
    std::string name = GetFileNameAndExtension(path);
    CutExtension(name);
    return name;
}

std::string GetFileDriveDir(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : NormalizeSeparators(path.substr(0, slash + 1));
}

std::string GetFileExtension(const std::string& path) {
    auto dot = FindExtensionDot(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

void FirstUnusedNumberedName(std::string& path) {
    for (long i = 0;; ++i) {
        ReplaceFileExtension(path, std::to_string(i));
        if (FindExistingPathNoCase(path).empty()) return;
    }
}

int CheckCircuitFileName(std::string& result, const std::string& name) {
    result = name;
    AddDefaultExtension(result);
    std::string ext = GetFileExtension(result);
    if (::strcasecmp(ext.c_str(), ".CIR") != 0 && ::strcasecmp(ext.c_str(), ".MAC") != 0)
        return kMsgBadMacroExtension;
    ResolveFilePath(result, kLibraryPath);
    return 0;
}

void SetRecentFileGate(bool (*allowed)()) { recentFileGate = allowed; }

void AddRecentFile(const std::string& path) {
    if (recentFileGate && !recentFileGate()) return;
    FileMru().AddToTop(path.c_str());
}

}  // namespace ob7
