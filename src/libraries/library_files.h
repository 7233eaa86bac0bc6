#pragma once
// File access shared by the library readers and writers: whole-file images (so that
// a damaged file can never be read past its end), writing through a temporary file and
// a rename (so that a failed save leaves the old file intact), file times, the common
// binary header, and the messages of the library files.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

// Message codes of the library files.
enum LibraryMessage : int {
    MSG_NOT_RECOGNIZED = 5355,      // "%EThis File is not a recognizable format."
    MSG_FILE_CHANGED = 13508,       // file changed on disk; overwrite?
    MSG_OLD_FILE_LOADED = 13629,
    MSG_CANT_READ_VERSION = 14051,  // "%ECan't read the version of %s."
    MSG_SHAPE_INCLUDES_ITSELF = 14060,
    MSG_REPORTED = 15055,           // failure already reported
};

// Reads a library file: with a tag, the common binary header first (its version out;
// MSG_NOT_RECOGNIZED for another tag or program); then the rest of the file into bytes.
// A file whose name differs only in case is found. 0 or the error code (open errors as
// the file stream gives them).
int ReadLibraryImage(const std::string& path, const char* tag, int32_t& version,
                     std::vector<uint8_t>& bytes);
// Writes the header and the bytes; the file is replaced only when all went well.
int WriteLibraryImage(const std::string& path, const char* tag, int32_t version,
                      const std::vector<uint8_t>& bytes);
// Last-modification time, 0 when the file cannot be examined.
int64_t FileTimeByName(const std::string& path);
bool ExtensionIs(const std::string& path, const char* extension);  // ".CMP", any case

// Shows a library message with the file name filling its "%s"; returns the button.
int ReportLibraryMessage(int code, const std::string& fileName, int style = 0);
// Asks whether a file changed on disk may be overwritten; true for Yes.
bool AskOverwriteChangedFile(const std::string& path);

}  // namespace ob7
