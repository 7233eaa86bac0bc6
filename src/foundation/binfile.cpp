#include "foundation/binfile.h"

#include "foundation/memory.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/owned_strings.h"
#include "foundation/paths.h"
#include "foundation/profile.h"
#include "foundation/textfile.h"

#include <dirent.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ob7 {
namespace {

constexpr int kMaxLenString = 32767;

void PutLE32(unsigned char* out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

int32_t GetLE32(const unsigned char* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

int ReadFailure() {
    int code = ErrnoToMessageId();
    return code ? code : kMsgLoadError;
}

std::size_t LenStringLength(const char* text) {
    return text ? std::min<std::size_t>(std::strlen(text), kMaxLenString) : 0;
}

}  // namespace

int WriteLenString16(const char* text, FILE* file) {
    std::size_t n = LenStringLength(text);
    unsigned char length[2] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)};
    if (std::fwrite(length, 1, 2, file) != 2) return kMsgWriteFailed;
    if (n && std::fwrite(text, 1, n, file) != n) return kMsgWriteFailed;
    return 0;
}

// ---- BinFile

BinFile::~BinFile() {
    if (file) Close();
}

int BinFile::Open(const char* name, const char* mode) {
    if (file) Close();
    error = 0;
    errno = 0;
    SetPendingMessageText(name ? name : "");
    if (!name || !*name) return error = kMsgNoFileName;
    std::string path = NormalizeSeparators(name);
    std::string existing = FindExistingPathNoCase(path);
    if (!existing.empty()) path = existing;
    name_ = path;
    if (mode[0] == 'w')
        file = OpenTempForWrite(path, mode, tempName_);
    else
        file = std::fopen(path.c_str(), mode);
    if (!file) error = ReadFailure();
    return error;
}

int BinFile::Close() {
    int code = 0;
    if (file) {
        if (!tempName_.empty())
            code = CommitTempFile(file, tempName_, name_, error == 0);
        else if (std::fclose(file) != 0)
            code = kMsgWriteFailed;
        file = nullptr;
    }
    tempName_.clear();
    if (!error) error = code;
    return error;
}

int BinFile::Write(const void* bytes, std::size_t count) {
    if (error) return error;
    if (!file || std::fwrite(bytes, 1, count, file) != count) error = kMsgWriteFailed;
    return error;
}

int BinFile::Read(void* buffer, std::size_t count) {
    if (error) return error;
    errno = 0;
    if (!file || std::fread(buffer, 1, count, file) != count) error = ReadFailure();
    return error;
}

int BinFile::ReadShort() {
    unsigned char b[2] = {0, 0};
    if (Read(b, 2)) return 0;
    return static_cast<int16_t>(b[0] | b[1] << 8);
}

int32_t BinFile::ReadInt() {
    unsigned char b[4] = {0, 0, 0, 0};
    if (Read(b, 4)) return 0;
    return GetLE32(b);
}

int BinFile::WriteInt(int32_t value) {
    unsigned char b[4];
    PutLE32(b, value);
    return Write(b, 4);
}

int BinFile::WriteHeader(const char* tag, int32_t version) {
    unsigned char header[24] = {};
    std::strncpy(reinterpret_cast<char*>(header), tag ? tag : "", 3);
    PutLE32(header + 4, version);
    std::memcpy(header + 8, kProductName, std::min<std::size_t>(std::strlen(kProductName), 11));
    return Write(header, sizeof header);
}

int BinFile::ReadHeader(const char* tag, int32_t& version) {
    unsigned char header[24] = {};
    version = 0;
    if (error) return error;
    errno = 0;
    std::size_t got = file ? std::fread(header, 1, sizeof header, file) : 0;
    if (got >= 8) version = GetLE32(header + 4);
    if (got < sizeof header) return error = ReadFailure();
    char fileTag[4] = {};
    std::memcpy(fileTag, header, 3);
    char program[13] = {};
    std::memcpy(program, header + 8, 12);
    if (std::strcmp(fileTag, tag ? tag : "") != 0 || header[3] != 0 ||
        std::strcmp(program, kProductName) != 0)
        error = kMsgBadFileFormat;
    return error;
}

int BinFile::WriteLenString(const char* text) {
    if (error) return error;
    if (!file || WriteLenString16(text, file)) error = kMsgWriteFailed;
    return error;
}

int BinFile::ReadLength() {
    int length = ReadShort();
    if (error) return -1;
    if (length < 0) {
        error = kMsgBadFileFormat;
        return -1;
    }
    // A length beyond the end of the file is a truncated file.
    long here = std::ftell(file);
    if (here >= 0 && here + length > FileLength(file)) {
        error = kMsgLoadError;
        return -1;
    }
    return length;
}

int BinFile::ReadLenString(char* buffer, std::size_t size) {
    if (size) buffer[0] = 0;
    int length = ReadLength();
    if (length < 0) return error;
    std::size_t keep = size ? std::min<std::size_t>(length, size - 1) : 0;
    if (keep && Read(buffer, keep)) return error;
    if (size) buffer[keep] = 0;
    if (static_cast<std::size_t>(length) > keep) std::fseek(file, static_cast<long>(length - keep), SEEK_CUR);
    return error;
}

int BinFile::ReadLenStringAlloc(char** slot) {
    int length = ReadLength();
    if (length < 0) return error;
    char* text = static_cast<char*>(MemAlloc(static_cast<std::size_t>(length) + 1));
    if (!text) return error = kMsgInsufficientMemory;
    if (length && Read(text, static_cast<std::size_t>(length))) {
        StrFree(&text);
        return error;
    }
    text[length] = 0;
    StrFree(slot);
    *slot = text;
    return error;
}

// ---- FileFinder

void FileFinder::Init() {
    names_.clear();
    next_ = 0;
}

std::string FileFinder::First(const std::string& pattern) {
    Init();
    std::string p = NormalizeSeparators(pattern);
    auto slash = p.rfind('/');
    std::string folder = slash == std::string::npos ? "." : p.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    std::string realFolder = FindExistingPathNoCase(folder);
    if (DIR* dir = realFolder.empty() ? nullptr : ::opendir(realFolder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            if (::fnmatch(mask.c_str(), entry->d_name, FNM_CASEFOLD | FNM_PERIOD) != 0) continue;
            struct stat st;
            std::string full = realFolder + "/" + entry->d_name;
            if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names_.push_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names_.begin(), names_.end(),
              [](const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) < 0; });
    return Next();
}

std::string FileFinder::Next() { return next_ < names_.size() ? names_[next_++] : std::string(); }

void FileFinder::Close() { Init(); }

}  // namespace ob7
