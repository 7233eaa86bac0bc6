#include "ui/framework/file_dialogs.h"

#include <string.h>
#include <strings.h>

#include <filesystem>

#include "foundation/paths.h"
#include "foundation/string_table.h"
#include "platform/system_services.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

const FileKindRow FileKindTable[10] = {
    {"CIR", 1, 2, 0}, {"MAC", 1, 2, 1}, {"LBR", 3, 1, 1}, {"CKT", 2, 0, 0}, {"LIB", 2, 0, 1},
    {"STM", 2, 0, 0}, {"MDL", 4, 1, 1}, {"RES", 2, 0, 1}, {"CAP", 2, 0, 1}, {"IND", 2, 0, 1},
};

int LastFileType = 1;

namespace {

constexpr int kStopIcon = 0x10;

std::string ResString(int id) {
    const char* s = FindResString(id);
    return s ? s : "";
}

// The extension without its dot.
std::string ExtensionOf(const std::string& path) {
    std::string e = GetFileExtension(path);
    return e.empty() ? e : e.substr(1);
}

bool SameText(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

const FileKindRow* RowOfExtension(const std::string& extension) {
    for (const FileKindRow& row : FileKindTable)
        if (SameText(extension, row.extension)) return &row;
    return nullptr;
}

// The default folder of a filter entry's file type (the first pattern's extension);
// empty for an extension the table does not know.
std::string FolderOfFilterEntry(const std::vector<platform::FileFilter>& filters, int index) {
    if (index < 0 || index >= static_cast<int>(filters.size())) return {};
    const std::string& patterns = filters[index].patterns;
    const FileKindRow* row = RowOfExtension(ExtensionOf(patterns.substr(0, patterns.find(';'))));
    return row ? FirstDefaultFolder(row->folder) : std::string();
}

bool FolderExists(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

std::string OpenFilterText() {
    std::string text;
    for (int id : {10121, 10120, 10119, 10122, 10123, 10124, 10143, 10125}) text += ResString(id);
    if (text.size() > 256) text.resize(256);
    return text;
}

std::string SaveAsFilterText(int kind) { return ResString(kind == 1 ? 10133 : 10120 + kind); }

std::string DefaultExtensionOfKind(int kind) {
    for (const FileKindRow& row : FileKindTable)
        if (row.kind == kind) return row.extension;
    return {};
}

// The document dialog's check of a chosen name; false refuses it with a message.
bool CheckDocumentName(std::string& path, int mode, int kind, CDraw* document, int& result) {
    std::string typed = ExtensionOf(path);
    std::string completed = path;
    result = FileKindFromName(completed, mode, kind);
    if (mode == kFileModeSaveAs && !typed.empty() && !SameText(typed, ExtensionOf(completed))) {
        std::string text = result == 1 ? "File name must have an 'CIR' or 'MAC' extension."
                                       : "File name must have an '" + ExtensionOf(completed) + "' extension.";
        platform::Services().ShowMessageBox(text, "Warning", kStopIcon);
        return false;
    }
    if (mode == kFileModeOpen && CheckFileExists(completed) != 0) {
        platform::Services().ShowMessageBox(
            completed + "\nFile not found.\nPlease verify the correct file name was given.", "Open", 0x30);
        return false;
    }
    if (document) {
        CIOFrame* own = document->frame ? dynamic_cast<CIOFrame*>(document->frame) : nullptr;
        if (CheckNameNotOpen(own, completed) != 0) return false;
    }
    path = completed;
    return true;
}

int RunDocumentSaveDialog(platform::Window* parent, CDraw* document, std::string& path, const std::string& filter,
                          int kind) {
    platform::FileDialogOptions options;
    options.title = "Save As";
    options.filters = ParseFilterText(filter);
    options.defaultExtension = DefaultExtensionOfKind(kind);
    options.confirmOverwrite = !Shell.demoPlaying;
    // Preselect the entry whose pattern carries the path's extension.
    std::string extension = ExtensionOf(path);
    for (size_t i = 0; i < options.filters.size(); ++i)
        if (!extension.empty() && strcasestr(options.filters[i].patterns.c_str(), ("*." + extension).c_str()))
            options.filterIndex = static_cast<int>(i);
    options.fileName = GetFileNameAndExtension(path);
    const FileKindRow* row = RowOfExtension(options.defaultExtension);
    options.folder = InitialFolder(path.empty() ? FirstDefaultFolder(row ? row->folder : 0) : "", path);
    options.folderOfFilter = [&options](int index) { return FolderOfFilterEntry(options.filters, index); };
    for (;;) {
        std::string chosen = platform::RunSaveFileDialog(parent, options);
        if (chosen.empty()) {
            path.clear();
            return -1;
        }
        int result = -1;
        if (CheckDocumentName(chosen, kFileModeSaveAs, kind, document, result)) {
            path = chosen;
            LastFileType = options.filterIndex + 1;
            return result;
        }
        options.fileName = GetFileNameAndExtension(chosen);  // the dialog stays open
    }
}

}  // namespace

int FileKindFromName(std::string& path, int mode, int kind) {
    std::string extension = ExtensionOf(path);
    if (mode == kFileModeOpen && extension.empty()) {
        std::string original = path;
        bool found = false;
        for (const FileKindRow& row : FileKindTable) {
            if (kind >= 0 && row.kind != kind) continue;
            std::string candidate = original + "." + row.extension;
            if (ResolveFilePath(candidate, row.folder) == 0) {
                path = candidate;
                found = true;
                break;
            }
        }
        if (!found) {
            path = original;
            return -1;
        }
    } else if (mode == kFileModeSaveAs) {
        bool needs = false, matched = false;
        for (const FileKindRow& row : FileKindTable) {
            if (kind >= 0 && row.kind != kind) continue;
            if (row.rule == 2) {
                needs = true;
                if (SameText(extension, row.extension)) {
                    matched = true;
                    break;
                }
            } else if (row.rule == 1) {
                ReplaceFileExtension(path, row.extension);
                matched = true;
                break;
            } else {
                matched = true;
                break;
            }
        }
        if (needs && !matched) ReplaceFileExtension(path, "CIR");
    }
    const FileKindRow* row = RowOfExtension(ExtensionOf(path));
    int result = row ? row->kind : -1;
    int folder = row ? row->folder : 0;
    if (mode == kFileModeSaveAs) {
        ResolveBareFileName(path, folder);  // trims and places a bare name
    }
    if (result == -1) result = 2;
    if (mode == kFileModeOpen) ResolveFilePath(path, folder);
    return result;
}

std::vector<platform::FileFilter> ParseFilterText(const std::string& text) {
    std::vector<platform::FileFilter> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t bar1 = text.find('|', pos);
        if (bar1 == std::string::npos) break;
        size_t bar2 = text.find('|', bar1 + 1);
        if (bar2 == std::string::npos) bar2 = text.size();
        std::string name = text.substr(pos, bar1 - pos);
        // The description carries its patterns in brackets already; the dialog adds them.
        if (size_t open = name.rfind(" ("); open != std::string::npos && name.back() == ')') name.resize(open);
        out.push_back({name, text.substr(bar1 + 1, bar2 - bar1 - 1)});
        pos = bar2 + 1;
    }
    return out;
}

std::vector<std::string> FilterExtensions(const std::string& text) {
    std::vector<std::string> out;
    for (size_t pos = text.find("*."); pos != std::string::npos && out.size() < 10; pos = text.find("*.", pos + 2)) {
        std::string ext;
        size_t i = pos + 2;
        if (i < text.size() && text[i] == '*') ext = "*";
        else
            while (i < text.size() && ext.size() < 3 && text[i] != ';' && text[i] != '|' && text[i] != ' ')
                ext += text[i++];
        bool known = false;
        for (const std::string& e : out) known |= SameText(e, ext);
        if (!known && !ext.empty()) out.push_back(ext);
    }
    return out;
}

bool ExtensionAccepted(const std::vector<std::string>& extensions, const std::string& name, std::string& message) {
    if (extensions.empty() || name.empty() || name.find_first_of("?*") != std::string::npos) return true;
    std::string extension = ExtensionOf(name);
    if (extension.empty()) return true;
    for (const std::string& e : extensions)
        if (e == "*" || SameText(e, extension)) return true;
    std::string list;
    for (size_t i = 0; i < extensions.size(); ++i) {
        if (i) list += i + 1 == extensions.size() ? " or " : ", ";
        list += "'" + extensions[i] + "'";
    }
    message = "File name must have an " + list + " extension.";
    return false;
}

std::string InitialFolder(const std::string& folders, const std::string& path) {
    std::string folder = folders.substr(0, folders.find(';'));
    if (folder.empty() && !path.empty()) folder = GetFileDriveDir(path);
    if (folder.empty() || FolderExists(folder)) return folder;
    std::string data = FirstDefaultFolder(kDataPath);
    if (FolderExists(data)) return data;
    std::error_code ec;
    return std::filesystem::current_path(ec).string();
}

int RunFileDialog(bool open, platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                  const std::string& title, int* filterIndex) {
    std::string filter = ResString(filterId);
    platform::FileDialogOptions options;
    options.title = title;
    options.filters = ParseFilterText(filter);
    std::vector<std::string> extensions = FilterExtensions(filter);
    if (!extensions.empty() && extensions.front() != "*") options.defaultExtension = extensions.front();
    options.folder = InitialFolder(folder, path);
    options.fileName = GetFileNameAndExtension(path);
    options.confirmOverwrite = !Shell.demoPlaying && filterId != 10141;
    options.extensionFollowsFilter = !open;
    if (filterIndex) options.filterIndex = *filterIndex;
    for (;;) {
        std::string chosen;
        if (open) {
            auto files = platform::RunOpenFileDialog(parent, options);
            if (!files.empty()) chosen = files.front();
        } else {
            chosen = platform::RunSaveFileDialog(parent, options);
        }
        if (chosen.empty()) {
            path.clear();
            return 2;
        }
        std::string message;
        if (ExtensionAccepted(extensions, chosen, message)) {
            path = chosen;
            if (filterIndex) *filterIndex = options.filterIndex;
            return 1;
        }
        platform::Services().ShowMessageBox(message, "Warning", kStopIcon);
        options.fileName = GetFileNameAndExtension(chosen);  // the dialog stays open
    }
}

int FileOpenDialog(platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                   const std::string& title) {
    return RunFileDialog(true, parent, folder, path, filterId, title, nullptr);
}

int FileSaveDialog(platform::Window* parent, const std::string& folder, std::string& path, int filterId,
                   const std::string& title, int* filterIndex) {
    return RunFileDialog(false, parent, folder, path, filterId, title, filterIndex);
}

int RunSaveAsDialog(platform::Window* parent, CDraw* document, std::string& path, int kind) {
    return RunDocumentSaveDialog(parent, document, path, SaveAsFilterText(kind), kind);
}

int RunListFileSaveDialog(platform::Window* parent, CDraw* document, std::string& path, const std::string& filter,
                          int kind) {
    return RunDocumentSaveDialog(parent, document, path, filter, kind);
}

int RunFileOpenCommand(platform::Window* parent, const std::function<void(const std::string&, int)>& open) {
    platform::FileDialogOptions options;
    options.title = "Open";
    options.filters = ParseFilterText(OpenFilterText());
    options.multiple = true;
    options.filterIndex = std::max(0, LastFileType - 1);
    // The folder of the last file type's first pattern.
    const FileKindRow* row = nullptr;
    if (options.filterIndex < static_cast<int>(options.filters.size()))
        row = RowOfExtension(ExtensionOf(options.filters[options.filterIndex].patterns.substr(
            0, options.filters[options.filterIndex].patterns.find(';'))));
    options.folder = InitialFolder(FirstDefaultFolder(row ? row->folder : 0), "");
    options.folderOfFilter = [&options](int index) { return FolderOfFilterEntry(options.filters, index); };
    std::vector<std::string> chosen;
    for (;;) {
        chosen = platform::RunOpenFileDialog(parent, options);
        if (chosen.empty() || chosen.front().empty()) return 0;
        int result;
        std::string first = chosen.front();
        if (chosen.size() > 1 || CheckDocumentName(first, kFileModeOpen, -1, nullptr, result)) break;
    }
    LastFileType = options.filterIndex + 1;
    int opened = 0;
    for (std::string path : chosen) {
        int kind = FileKindFromName(path, kFileModeOpen, -2);
        open(path, kind);
        ++opened;
    }
    return opened;
}

int BrowseFileForAttribute(platform::Window* parent, std::string& path, int typeCode) {
    int filter = 10125;
    int folder = kDataPath;
    if (typeCode == 16) filter = 10141;
    else if (typeCode == 22) filter = 10120, folder = kLibraryPath;
    else if (typeCode == 49) filter = 10147, folder = kLibraryPath;
    else if (typeCode >= 101 && typeCode <= 112) filter = 10149;
    else if (typeCode == 124) filter = 10122;
    else if (typeCode == 136) filter = 10148;
    return FileOpenDialog(parent, FirstDefaultFolder(folder), path, filter, "Browse");
}

}  // namespace ob7
