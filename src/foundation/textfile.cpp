#include "foundation/textfile.h"

#include "foundation/owned_strings.h"
#include "foundation/paths.h"
#include "foundation/text_functions.h"
#include "foundation/messages.h"
#include "foundation/time_stamp.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace ob7 {
namespace {

OpenDocumentText openDocumentText = nullptr;
StatusPromptClearer statusPromptClearer = nullptr;

std::string VFormatString(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

// The name to open: separators made '/', and an existing file (or, for a new file, its
// folder) found without regard to case.
std::string PathForOpen(const char* name) {
    std::string path = NormalizeSeparators(name);
    std::string found = FindExistingPathNoCase(path);
    if (!found.empty()) return found;
    auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return path;
    std::string folder = FindExistingPathNoCase(path.substr(0, slash));
    return folder.empty() ? path : folder + path.substr(slash);
}

// The failure code of a C runtime call that may have left errno 0.
int FailureCode(int fallback) {
    int code = ErrnoToMessageId();
    return code ? code : fallback;
}

}  // namespace

int ErrnoToMessageId(int err) {
    if (err == -1) return kMsgCannotAccess;
    if (err < 0) return kMsgFileNotFound;
    if (err == 0) return 0;
    return kMsgErrnoBase + err;
}

int ErrnoToMessageId() { return ErrnoToMessageId(errno); }

int ValidateFilePath(const char* name) {
    int code = 0;
    if (!name || !*name)
        code = kMsgNoFileName;
    else if (!std::strpbrk(name, "/\\"))
        code = kMsgErrnoBase + ENOENT;
    if (code) SetPendingMessageText(name ? name : "");
    return code;
}

void SetOpenDocumentTextSource(OpenDocumentText source) { openDocumentText = source; }

void SetStatusPromptClearer(StatusPromptClearer clearer) { statusPromptClearer = clearer; }

std::string FormatVersion(int32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", version >> 16, version & 0xffff);
    return text;
}

std::string SaveTargetPath(const std::string& name) {
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) break;
        link.resize(static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return path;
}

bool IsReadOnlyFile(const std::string& target) {
    struct stat st;
    return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0);
}

FILE* OpenTempForWrite(const std::string& name, const char* mode, std::string& tempName) {
    const std::string target = SaveTargetPath(name);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (IsReadOnlyFile(target)) {
        tempName.clear();
        errno = EACCES;
        return nullptr;
    }
    tempName = target + ".XXXXXX";
    int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        tempName.clear();
        return nullptr;
    }
    ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644);
    FILE* file = ::fdopen(fd, mode);
    if (!file) {
        int err = errno;
        ::close(fd);
        ::unlink(tempName.c_str());
        tempName.clear();
        errno = err;
    }
    return file;
}

int CommitTempFile(FILE* file, const std::string& tempName, const std::string& name, bool ok) {
    int code = 0;
    if (std::fflush(file) != 0 || std::ferror(file)) code = FailureCode(kMsgWriteFailed);
    if (!code && ::fsync(::fileno(file)) != 0 && errno != EINVAL) code = FailureCode(kMsgWriteFailed);
    if (std::fclose(file) != 0 && !code) code = kMsgWriteFailed;
    if (ok && !code) {
        if (std::rename(tempName.c_str(), SaveTargetPath(name).c_str()) == 0) return 0;
        code = kMsgWriteError;
    }
    ::unlink(tempName.c_str());
    return code;
}

// ---- TextFile

TextFile::~TextFile() {
    if (mode) Close();
}

void TextFile::Init() {
    file = nullptr;
    error = 0;
    startTime = GetSeconds();
    progressFlag = 0;
    fileLength = 0;
    mode = 0;
    fileName.clear();
    line = 0;
    currentItem = nullptr;
    buffer = nullptr;
    bufferBase = 0;
    readPosition = 0;
    bufferLength = 0;
    wrongPassword = 0;
    ownedText_.clear();
    liveText_.clear();
    tempName_.clear();
}

namespace {

// The common start of opening a disk file: the stream closed and reset, the name checked
// and made pending. 0 or the stored error.
int BeginOpen(TextFile& f, const char* name, int mode) {
    if (f.mode) f.Close();
    f.Init();
    errno = 0;
    if ((f.error = ValidateFilePath(name)) != 0) return f.error;
    f.mode = mode;
    f.fileName = PathForOpen(name);
    SetPendingMessageText(name);
    return 0;
}

// A failed open leaves the stream closed with the failure stored.
int OpenFailed(TextFile& f) {
    f.error = FailureCode(kMsgCannotAccess);
    f.mode = 0;
    f.fileName.clear();
    return f.error;
}

}  // namespace

int TextFile::OpenMode(const char* name, const char* fopenMode) {
    if (BeginOpen(*this, name, 2)) return error;
    // Binary: line ends are folded by ReadChar, and offsets are byte offsets.
    std::string binaryMode = fopenMode;
    if (binaryMode.find('b') == std::string::npos) binaryMode += 'b';
    file = std::fopen(fileName.c_str(), binaryMode.c_str());
    if (!file) return OpenFailed(*this);
    fileLength = FileLength(file);
    return 0;
}

int TextFile::OpenForWrite(const char* name, const char* fopenMode) {
    if (BeginOpen(*this, name, 1)) return error;
    if (fopenMode[0] == 'w')
        file = OpenTempForWrite(fileName, fopenMode, tempName_);
    else
        file = std::fopen(fileName.c_str(), fopenMode);
    if (!file) return OpenFailed(*this);
    return 0;
}

int TextFile::OpenReadPreferWindow(const char* name, int startLine, long startOffset,
                                   long endOffset) {
    if (mode) Close();
    if (int code = ValidateFilePath(name)) {
        Init();
        error = code;
        return code;
    }
    std::string live;
    std::string path = NormalizeSeparators(name);
    if (openDocumentText && openDocumentText(path, live)) {
        Init();
        mode = 2;
        fileName = path;
        SetPendingMessageText(name);
        liveText_ = std::move(live);
        buffer = liveText_.c_str();
        bufferLength = static_cast<long>(liveText_.size());
        fileLength = bufferLength;
    } else if (int code = OpenRead(name)) {
        return code;
    }
    if (startLine != -2) return LoadBuffer(startLine, startOffset, endOffset);
    return 0;
}

void TextFile::OpenOnText(const char* text, long length, int startLine, long startOffset) {
    if (mode) Close();
    Init();
    mode = 2;
    buffer = text;
    bufferLength = length;
    fileLength = length;
    LoadBuffer(startLine, startOffset, length);
}

int TextFile::LoadBuffer(int startLine, long startOffset, long endOffset) {
    currentItem = nullptr;
    line = startLine;
    if (!file) {
        // Text in memory: read from the start offset; a line to compute is counted.
        readPosition = std::clamp(startOffset - bufferBase, 0L, bufferLength);
        if (line == -1 && buffer)
            line = static_cast<int>(std::count(buffer, buffer + readPosition, '\n'));
        if (line < 0) line = 0;
        return 0;
    }
    if (line == -1) line = 0;
    if (startOffset != 0) std::fseek(file, startOffset, SEEK_SET);
    long end = endOffset;
    if (end == -999) end = fileLength == 1 ? 1 : fileLength - 1;
    if (startOffset < end) {
        std::size_t want = static_cast<std::size_t>(end - startOffset + 1);
        ownedText_.assign(want, '\0');
        std::fseek(file, startOffset, SEEK_SET);
        std::size_t got = std::fread(ownedText_.data(), 1, want, file);
        ownedText_.resize(got);
        buffer = ownedText_.c_str();
        bufferLength = static_cast<long>(got);
        bufferBase = startOffset;
        readPosition = 0;
    }
    return 0;
}

int TextFile::Close() {
    if (progressFlag && statusPromptClearer) statusPromptClearer();
    int code = 0;
    if (file) {
        if (!tempName_.empty()) {
            code = CommitTempFile(file, tempName_, fileName, error == 0);
            tempName_.clear();
        } else if (std::fclose(file) != 0) {
            code = mode == 1 ? kMsgWriteFailed : FailureCode(kMsgWriteFailed);
        }
        file = nullptr;
    }
    ownedText_.clear();
    liveText_.clear();
    buffer = nullptr;
    bufferLength = 0;
    fileName.clear();
    mode = 0;
    if (code) error = code;
    return error;
}

int TextFile::PutText(const char* text, std::size_t length) {
    if (error) return error;
    if (!file || mode != 1) return error = kMsgWriteFailed;
    errno = 0;
    const char* end = text + length;
    while (text < end) {
        const char* nl = std::find(text, end, '\n');
        std::size_t part = static_cast<std::size_t>(nl - text);
        bool ok = std::fwrite(text, 1, part, file) == part;
        if (ok && nl < end) ok = std::fputs(kLineEnd, file) >= 0;
        if (!ok) return error = FailureCode(kMsgWriteFailed);
        text = nl < end ? nl + 1 : end;
    }
    return error;
}

int TextFile::WriteText(const char* text) {
    if (!text || !*text) return error;
    return PutText(text, std::strlen(text));
}

int TextFile::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormatString(format, args);
    va_end(args);
    return PutText(text.data(), text.size());
}

int TextFile::PrintCentered(int width, const char* format, ...) {
    char text[2000];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    int field = std::max(width, 0) / 2 + static_cast<int>(std::strlen(text)) / 2;
    return Printf("%*s\n", field, text);
}

int TextFile::WriteSection(const char* name) {
    if (file && std::ftell(file) > 0) PutText("\n", 1);
    return Printf("[%s]\n", name);
}

int TextFile::ReadChar() {
    if (buffer) {
        if (readPosition >= bufferLength) return -1;
        unsigned char c = static_cast<unsigned char>(buffer[readPosition++]);
        if (c == '\r' && readPosition < bufferLength && buffer[readPosition] == '\n') {
            ++readPosition;
            return '\n';
        }
        return c;
    }
    if (!file) return -1;
    int c = std::fgetc(file);
    if (c == EOF && std::ferror(file) && !error) error = FailureCode(kMsgLoadError);
    if (c == '\r') {
        int next = std::fgetc(file);
        if (next == '\n') return '\n';
        if (next != EOF) std::ungetc(next, file);
    }
    return c == EOF ? -1 : c;
}

int TextFile::ReadLine(std::string& text) {
    text.clear();
    if (error) return error;
    int c = ReadChar();
    if (c < 0) return error ? error : kMsgLoadError;
    for (; c >= 0 && c != '\n'; c = ReadChar()) text += static_cast<char>(c);
    ++line;
    return 0;
}

int TextFile::ReadField(std::string& field) {
    field.clear();
    if (error) return error;
    int c = ReadChar();
    if (c < 0) return error ? error : kMsgLoadError;
    for (; c >= 0 && c != '\n' && c != ','; c = ReadChar()) field += static_cast<char>(c);
    if (c != ',') ++line;
    return 0;
}

int TextFile::ReadLineTrim(std::string& text) {
    int code = ReadLine(text);
    text.erase(text.find_last_not_of(' ') + 1);
    return code;
}

int TextFile::ReadLineGrow(std::string& text) {
    text.clear();
    if (error) return error;
    int c = ReadChar();
    if (c < 0) return error ? error : kMsgLoadError;
    std::size_t keep = 0;
    for (; c >= 0 && c != '\n'; c = ReadChar()) {
        if (c == 0xFE)
            text += "\r\n";
        else
            text += static_cast<char>(c);
        if (c != ' ') keep = text.size();
    }
    text.resize(keep);
    ++line;
    return 0;
}

long TextFile::Tell() {
    if (buffer) return bufferBase + readPosition;
    return file ? std::ftell(file) : 0;
}

void TextFile::Seek(long position) {
    if (buffer)
        readPosition = std::clamp(position - bufferBase, 0L, bufferLength);
    else if (file)
        std::fseek(file, position, SEEK_SET);
}

// ---- Binary files through the C runtime

FILE* OpenBinaryRead(const char* name) {
    SetPendingMessageText(name);
    return std::fopen(PathForOpen(name).c_str(), "rb");
}

FILE* OpenBinaryWrite(const char* name) {
    SetPendingMessageText(name);
    return std::fopen(PathForOpen(name).c_str(), "wb");
}

FILE* OpenBinaryUpdate(const char* name) {
    SetPendingMessageText(name);
    return std::fopen(PathForOpen(name).c_str(), "wb+");
}

long FileLength(FILE* file) {
    struct stat st;
    if (!file || ::fstat(::fileno(file), &st) != 0) return 0;
    return static_cast<long>(st.st_size);
}

long FileSizeByName(const char* name) {
    struct stat st;
    if (!name || ::stat(PathForOpen(name).c_str(), &st) != 0) return 0;
    return static_cast<long>(st.st_size);
}

long long FileModTimeByName(const char* name) {
    struct stat st;
    if (!name || ::stat(PathForOpen(name).c_str(), &st) != 0) return 0;
    return static_cast<long long>(st.st_mtime);
}

// ---- Serial

namespace Serial {
namespace {

bool Reading(const TextFile& f) { return f.mode == 2; }

int Put(TextFile& f, const std::string& value, int flags) {
    f.WriteText(value.c_str());
    return f.WriteText((flags & kEndLine) ? "\n" : ",");
}

// Writes the value as a decimal field, or reads a field into it through `parse`.
template <class T, class Parse>
int Whole(TextFile& f, T& value, int flags, Parse parse) {
    if (!Reading(f)) return Put(f, std::to_string(value), flags);
    std::string field;
    int code = f.ReadField(field);
    if (!code) value = static_cast<T>(parse(field.c_str()));
    return code;
}

int Atoi(const char* text) { return std::atoi(text); }

}  // namespace

int Int(TextFile& f, int32_t& value, int flags) { return Whole(f, value, flags, Atoi); }

int IntField(TextFile& f, int32_t& value, int flags) { return Int(f, value, flags); }

int UInt(TextFile& f, uint32_t& value, int flags) {
    return Whole(f, value, flags, [](const char* t) { return std::strtoul(t, nullptr, 10); });
}

int Long(TextFile& f, int32_t& value, int flags) {
    return Whole(f, value, flags, [](const char* t) { return std::strtol(t, nullptr, 10); });
}

int UShort(TextFile& f, uint16_t& value, int flags) { return Whole(f, value, flags, Atoi); }

int Byte(TextFile& f, uint8_t& value, int flags) { return Whole(f, value, flags, Atoi); }

int Double(TextFile& f, double& value, int flags) {
    if (!Reading(f)) {
        char text[40];
        std::snprintf(text, sizeof text, "%g", value);
        return Put(f, text, flags);
    }
    std::string field;
    int code = f.ReadField(field);
    if (!code) value = std::strtod(field.c_str(), nullptr);
    return code;
}

int Point(TextFile& f, int32_t& x, int32_t& y, int flags) {
    int code = Long(f, x, 0);
    int last = Long(f, y, flags);
    return code ? code : last;
}

int Rect(TextFile& f, int32_t rect[4]) {
    int code = 0;
    for (int i = 0; i < 4; ++i) {
        int c = Long(f, rect[i], i == 3 ? kEndLine : 0);
        if (!code) code = c;
    }
    return code;
}

int IntPair(TextFile& f, int32_t value, int32_t& target) {
    if (!Reading(f)) target = value;
    return Int(f, target, kEndLine);
}

int String(TextFile& f, char* buffer, int size) {
    if (!Reading(f)) return Put(f, buffer, kEndLine);
    std::string rest;
    int code = f.ReadLine(rest);
    StrCopyN(buffer, rest.c_str(), static_cast<std::size_t>(std::min(size, 1001)));
    return code;
}

int HeapString(TextFile& f, char** slot) {
    if (!Reading(f)) return Put(f, *slot ? *slot : "", kEndLine);
    std::string rest;
    int code = f.ReadLine(rest);
    if (rest.size() > 90) rest.resize(90);
    if (!StrAssign(slot, rest.c_str())) return kMsgInsufficientMemory;
    return code;
}

int Text(TextFile& f, char** slot) {
    if (!Reading(f)) {
        std::string text;
        for (const char* p = *slot ? *slot : ""; *p; ++p) {
            if (*p == '\r')
                text += '\xFE';
            else if (*p != '\n')
                text += *p;
        }
        f.WriteText(text.c_str());
        return f.WriteText("\n");
    }
    std::string text;
    int code = f.ReadLineGrow(text);
    if (!StrAssign(slot, text.c_str())) return kMsgInsufficientMemory;
    return code;
}

int LineEnd(TextFile& f) {
    if (!Reading(f)) return f.WriteText("\n");
    std::string field;
    return f.ReadField(field);
}

int SkipLines(TextFile& f, int count) {
    int code = 0;
    for (int i = 0; i < count && !code; ++i) code = LineEnd(f);
    return code;
}

int Marker(TextFile& f, const char* name) {
    std::string marker = ":**** ";
    for (const char* p = name; *p; ++p) marker += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    marker += " ****";
    if (!Reading(f)) return Put(f, marker, kEndLine);
    std::string text;
    int code = f.ReadLineTrim(text);
    if (code) return code;
    return ::strcasecmp(text.c_str(), marker.c_str()) == 0 ? 0 : kMsgBadFormat;
}

}  // namespace Serial
}  // namespace ob7
