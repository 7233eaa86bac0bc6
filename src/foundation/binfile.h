#pragma once
// BinFile: the stream of the program's binary files. Each starts with the common
// 24-byte header (little-endian): a 4-byte tag field (up to 3 characters and a NUL),
// int32 version major << 16 | minor, the 12-byte program name NUL-padded, int32 0.
// Texts are an int16 length and the bytes. The stream keeps its first error as a
// message code; later operations do nothing and return it.
// FileFinder lists the files of a folder that match a wildcard pattern.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ob7 {

class BinFile {
public:
    BinFile() = default;
    // Closes an open stream (an unfinished write leaves the old file untouched).
    ~BinFile();
    BinFile(const BinFile&) = delete;
    BinFile& operator=(const BinFile&) = delete;

    // The name becomes the pending message text; a mode beginning with 'w' writes under
    // a temporary name that replaces the file at Close. Returns 0 or the error.
    int Open(const char* name, const char* mode);
    int OpenRead(const char* name) { return Open(name, "rb"); }
    int OpenWrite(const char* name) { return Open(name, "wb"); }
    int OpenCreate(const char* name) { return Open(name, "wb+"); }
    // Closes; a written file then replaces the old one when no error was stored.
    // Returns the stored error or the close failure.
    int Close();

    // Block transfers: a failed write stores 16028, a short read 15007 (or 16000 + errno).
    int Write(const void* bytes, std::size_t count);
    int Read(void* buffer, std::size_t count);
    // The next int16 / int32 (0 after a failure, which is stored).
    int ReadShort();
    int32_t ReadInt();
    int WriteInt(int32_t value);

    // The 24-byte header with the tag (cut to 3 characters) and the version.
    int WriteHeader(const char* tag, int32_t version);
    // Reads the header: a different tag or program name stores 5355; the version is
    // returned in any case (0 when the header is short).
    int ReadHeader(const char* tag, int32_t& version);

    // int16 length and the bytes; a null text is length 0. Texts of 32768 bytes or more
    // are cut to 32767 so that the length stays valid.
    int WriteLenString(const char* text);
    // Reads a text into a buffer of `size` bytes (terminated; a longer text is cut and its
    // rest skipped). A negative length stores 5355; a length beyond the file 15007.
    int ReadLenString(char* buffer, std::size_t size);
    // The same into a new owned heap text (15002 when memory is exhausted).
    int ReadLenStringAlloc(char** slot);

    FILE* file = nullptr;
    int error = 0;

private:
    int ReadLength();

    std::string name_;
    std::string tempName_;
};

// int16 length and the bytes on an open file (a null text: length 0; texts of 32768
// bytes or more cut to 32767). 0, or 16028 when the write failed.
int WriteLenString16(const char* text, FILE* file);

// The files of a folder whose names match a pattern ("folder/*.cir"; '*' and '?',
// without regard to case), in name order.
class FileFinder {
public:
    void Init();
    // Starts the search; the first name (without folder), or "" when nothing matches.
    std::string First(const std::string& pattern);
    // The next name, or "" when there is none.
    std::string Next();
    void Close();

private:
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

}  // namespace ob7
