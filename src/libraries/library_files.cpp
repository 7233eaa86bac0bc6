#include "libraries/library_files.h"

#include "libraries/library_text.h"

#include "foundation/binfile.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"

namespace ob7 {

// The file on disk that a path names, allowing a difference in case; else the path.
static std::string OnDisk(const std::string& path)
{
    std::string found = FindExistingPathNoCase(path);
    return found.empty() ? path : found;
}

int ReadLibraryImage(const std::string& path, const char* tag, int32_t& version,
                     std::vector<uint8_t>& bytes)
{
    bytes.clear();
    version = 0;
    BinFile f;
    // Names of the program's files may differ in case from the names asked for.
    int error = f.OpenRead(OnDisk(path).c_str());
    if (error)
        return error;
    if (tag) {
        error = f.ReadHeader(tag, version);
        if (error) {
            f.Close();
            return error == kMsgLoadError ? kMsgBadFileFormat : error;
        }
    }
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    bool failed = std::ferror(f.file) != 0;
    int closeError = f.Close();
    if (failed)
        return ErrnoToMessageId();
    return closeError;
}

int WriteLibraryImage(const std::string& path, const char* tag, int32_t version,
                      const std::vector<uint8_t>& bytes)
{
    BinFile f;
    int error = f.OpenWrite(OnDisk(path).c_str());
    if (error)
        return error;
    f.WriteHeader(tag, version);
    if (!bytes.empty())
        f.Write(bytes.data(), bytes.size());
    return f.Close();
}

int64_t FileTimeByName(const std::string& path)
{
    return FileModTimeByName(OnDisk(path).c_str());
}

bool ExtensionIs(const std::string& path, const char* extension)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return EqualNoCase(path.substr(dot), extension);
}

int ReportLibraryMessage(int code, const std::string& fileName, int style)
{
    SetPendingMessageText(fileName.c_str());
    if (code == MSG_NOT_RECOGNIZED)
        return ReportMessage("EM", code, "File", fileName.c_str());
    if (style)
        return ReportMessage("ES", code, style, fileName.c_str());
    return ReportMessage("E", code, fileName.c_str());
}

bool AskOverwriteChangedFile(const std::string& path)
{
    return ReportLibraryMessage(MSG_FILE_CHANGED, path, kStyleYesNo | kIconQuestion) == kButtonYes;
}

}  // namespace ob7
