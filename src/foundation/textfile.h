#pragma once
// TextFile: the one text stream of the program. It reads disk files or a text held in
// memory (a range of a file, or the live text of an open document), and writes files
// through a temporary name that replaces the old file only when everything was written.
// It keeps the error of the stream as a message code, and the name of the file it opens
// becomes the pending message text, so a later file message names the file.
// Lines end in LF or CR LF when read; written line ends are kLineEnd.

#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/message_codes.h"

namespace ob7 {

// The line end written for every '\n' of a text stream.
inline constexpr char kLineEnd[] = "\n";

// The message code of an errno value: -1 gives 15023, another negative value 15022,
// 0 gives 0, a positive one 16000 + errno. The form without argument reads errno.
int ErrnoToMessageId(int err);
int ErrnoToMessageId();

// 15038 for an empty name, 16002 for a name without a folder; the name then becomes the
// pending message text. 0 otherwise.
int ValidateFilePath(const char* name);

// Where the live text of an open document comes from. The window layer installs a
// function that gives the text of the open document of a path (ignoring case), or
// returns false when no document has that file open.
using OpenDocumentText = bool (*)(const std::string& path, std::string& text);
void SetOpenDocumentTextSource(OpenDocumentText source);

// Clears the status-bar prompt; the application installs it. Streams with their
// progress flag set call it when they close.
using StatusPromptClearer = void (*)();
void SetStatusPromptClearer(StatusPromptClearer clearer);

// "%d.%02d" of version >> 16 and version & 0xffff.
std::string FormatVersion(int32_t version);

class TextFile {
public:
    TextFile() { Init(); }
    // Closes an open stream: a write is committed unless an error was stored.
    virtual ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // No file, error 0, start time now, everything else empty. Closes nothing.
    void Init();

    // Opening closes a stream that is still open first. Each returns 0 or the message
    // code, which is also the stream's error.
    int OpenRead(const char* name) { return OpenMode(name, "r"); }
    int OpenMode(const char* name, const char* mode);
    // "w+": the file is written under a temporary name and replaces the old one at Close.
    int OpenWrite(const char* name) { return OpenForWrite(name, "w+"); }
    // A mode beginning with 'w' writes through a temporary name; "a" appends in place.
    int OpenForWrite(const char* name, const char* mode);
    // Reads the live text of an open document of that file when there is one, else the
    // file. The range is that of LoadBuffer; a start line of -2 loads nothing.
    int OpenReadPreferWindow(const char* name, int startLine = 0, long startOffset = 0,
                             long endOffset = -999);
    // Reads a text held in memory (not copied; it must outlive the stream).
    void OpenOnText(const char* text, long length, int startLine = 0, long startOffset = 0);
    // Loads the range [startOffset, endOffset] of the open file into memory (endOffset
    // -999: to the end); a start line of -1 is computed from the offset.
    int LoadBuffer(int startLine, long startOffset, long endOffset);
    // Closes the file (a write is then committed under its real name), frees the buffer
    // and the name. Returns the close failure, else the stored error.
    int Close();

    // Writing; each returns the stream's error. A failed write stores its code.
    int WriteText(const char* text);
    int WriteText2(const char* text) { return WriteText(text); }
    int Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The formatted text (at most 1999 characters) centred in a line of `width`.
    int PrintCentered(int width, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // "\n" unless at the start of the file, then "[name]\n".
    int WriteSection(const char* name);

    // Reading. Each returns 0, the stored error, or 15007 at the end.
    // The next line without its line end; the line count advances.
    int ReadLine(std::string& line);
    // The next field, ended by ',' or the line end.
    int ReadField(std::string& field);
    // The next line without its line end and trailing spaces.
    int ReadLineTrim(std::string& line);
    // One line; byte 0xFE becomes CR LF, trailing spaces are cut. 15007 only when the
    // end came before any byte.
    int ReadLineGrow(std::string& line);
    // The next byte (CR LF read as LF), or -1 at the end.
    int ReadChar();

    // The position of the next byte (file offset of the memory buffer + read position,
    // or the file position).
    long Tell();
    void Seek(long position);

    bool IsOpen() const { return mode != 0; }

    FILE* file = nullptr;
    int error = 0;
    double startTime = 0;
    int progressFlag = 0;     // set: Close clears the status-bar prompt
    long fileLength = 0;
    int mode = 0;             // 0 closed, 1 write, 2 read
    std::string fileName;
    int line = 0;             // current line number, 0-based
    void* currentItem = nullptr;  // the netlist reader's place
    const char* buffer = nullptr; // text read from memory, or null
    long bufferBase = 0;      // file offset of buffer[0]
    long readPosition = 0;
    long bufferLength = 0;
    int wrongPassword = 0;    // set by the protected-file reader

private:
    int PutText(const char* text, std::size_t length);
    int CommitWrite();

    std::string ownedText_;  // the buffer when the stream loaded it
    std::string liveText_;   // a copy of an open document's text
    std::string tempName_;   // written file before it replaces fileName
};

// C runtime files for binary data; the name becomes the pending text first. Null on
// failure (errno set). "wb" and "wb+" truncate in place: use BinFile for data files.
FILE* OpenBinaryRead(const char* name);
FILE* OpenBinaryWrite(const char* name);
FILE* OpenBinaryUpdate(const char* name);

// The length of an open file; the size of a named one (0 when it cannot be examined);
// the modification time in seconds (0 likewise).
long FileLength(FILE* file);
long FileSizeByName(const char* name);
long long FileModTimeByName(const char* name);

// The file a save replaces: a symbolic link is followed to its target, so the link stays
// a link and the file it points to gets the new content.
std::string SaveTargetPath(const std::string& name);
// An existing regular file that may not be written: a save over it is refused, as an
// editor does, rather than replacing it through a new file in its folder.
bool IsReadOnlyFile(const std::string& target);
// Opens a file for writing under a temporary name in its folder (mode of the existing
// file kept). `tempName` receives the name; commit with CommitTempFile.
FILE* OpenTempForWrite(const std::string& name, const char* mode, std::string& tempName);
// Flushes and closes `file`; when `ok` and all was written, renames the temporary file
// over `name`, else removes it. 0, 16028 or 15008 (rename failed).
int CommitTempFile(FILE* file, const std::string& tempName, const std::string& name, bool ok);

// The old comma-separated record format: each function reads when the stream's mode is
// 2 and writes when it is 1. A written value is followed by ',' or, with bit 0x80 of
// `flags`, by a line end. Reads return 0 or the field reader's code.
namespace Serial {
inline constexpr int kEndLine = 0x80;
int Int(TextFile& f, int32_t& value, int flags = 0);
int IntField(TextFile& f, int32_t& value, int flags = 0);
int UInt(TextFile& f, uint32_t& value, int flags = 0);
int Long(TextFile& f, int32_t& value, int flags = 0);
int UShort(TextFile& f, uint16_t& value, int flags = 0);
int Byte(TextFile& f, uint8_t& value, int flags = 0);
int Double(TextFile& f, double& value, int flags = 0);
int Point(TextFile& f, int32_t& x, int32_t& y, int flags = 0);
int Rect(TextFile& f, int32_t rect[4]);
// Writes `value` and stores it into `target`; reads into `target`. Ends the line.
int IntPair(TextFile& f, int32_t value, int32_t& target);
// The rest of the line (at most size - 1 bytes kept) into a fixed buffer.
int String(TextFile& f, char* buffer, int size);
// The rest of the line, at most 90 characters, into an owned text slot.
int HeapString(TextFile& f, char** slot);
// A text of several lines on one line: CR becomes 0xFE, LF is dropped.
int Text(TextFile& f, char** slot);
int LineEnd(TextFile& f);
int SkipLines(TextFile& f, int count);
// ":**** name ****" with the name in lower case; a different line reads as 15009.
int Marker(TextFile& f, const char* name);
}  // namespace Serial

}  // namespace ob7
