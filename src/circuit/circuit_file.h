#pragma once
// CircuitFile: the stream of one circuit file load or save. A circuit file is a
// sectioned key text ("[Section]" headers, "Key=Value" entries); every section has one
// method that writes it from the document in write mode and reads it into the document
// in read mode. The whole file is read into memory first, so every reader is bounded by
// the bytes it holds; a load fills a fresh document that replaces the target only when
// the whole file was read.

#include "circuit/circuit_document.h"
#include "circuit/macro_attributes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ob7 {

class TextFile;

// Load flags read by the file reader.
enum CircuitLoadFlags : int {
    kLoadNoChecks = 0x2,          // no coordinate and no rotation checks
    kLoadReadOnly = 0x4,
    kLoadRefuseVersion4 = 0x20,
    kLoadQuiet = 0x80,            // warnings are not shown, failures not reported
    kLoadNoNumbering = 0x100,
    kLoadNameAsGiven = 0x200,
    kLoadNoRecent = 0x800,
    kLoadHidden = 0x2000,         // no password prompt; opened for a compile
    kLoadSkipAnalysis = 0x4000,   // analysis and plot sections skipped
    kLoadNoMacroFixup = 0x8000,
    kLoadNamePending = 0x60a2,    // all set: each part name read becomes the pending text
    kLoadNoMissingNames = 0xe1a2, // any set: missing names are not collected
};

// The screen size written to "Screen" of [Main] and compared on reading; set by the
// platform at start-up.
extern int CircuitScreenWidth;
extern int CircuitScreenHeight;

// Largest circuit file the reader takes into memory.
constexpr long kMaxCircuitFileBytes = 256L << 20;

class CircuitFile {
public:
    CircuitFile() = default;

    // Writes the document in a version (0x70000, 0x60000, 0x50014, or 0x50003 in the old
    // line layout) into `out`.
    // The document's part names are changed where the version cannot hold them
    // (user attribute names lose ',' and '=').
    int Compose(CircuitDocument& doc, int32_t version, std::string& out);

    // Reads a whole file's bytes into `doc`. On failure `doc` is left as it was.
    // `password` is the answer to the password question of a protected file (null: none
    // given). Returns 0 or a message code; the file name is left as pending text.
    int Parse(const std::string& bytes, CircuitDocument& doc, int flags, const char* password = nullptr);

    // What a load found, for the open flow.
    int32_t version = 0;
    std::string missingComponentNames;  // 'a', 'b'
    bool illegalCoordinates = false;
    bool screenChanged = false;
    bool localDefinitionsUsed = false;
    bool wrongPassword = false;
    int loadFlags = 0;

private:
    // Both directions.
    int MainSection();
    int CompDefSection();
    int CircuitSection();
    int FontAndColorSection();
    int WindowPlacementSection();
    int CompSection();
    int AttrSection();
    int WireSection();
    int ObjectSection();
    int GridTextSection(bool flag);
    int NodeOffsetsSection();
    int SchematicSection();
    int PageSection();
    int TextAreaSection();
    int PrinterSection();
    int KeepSection(int slot);
    int LimitsSection(int analysis);
    int WaveFormSection(const CurveRowRecord* row, int analysis);
    int MonteCarloOptionsSection(int analysis);
    int SteppingSection();
    int DSPSection();
    int TFSection();
    int SensitivitySection();
    void WriteAnalysisSetup();
    void FinishAnalysisSetup();

    int ReadHeader(const char* password);
    // The old line layout of versions 4 and 5.0x, from the line after the maker line.
    int ReadOldLayoutFile();
    int ReadOldHeaderAndFonts(TextFile& f);
    int ReadOldComponents(TextFile& f);
    int ReadOldObject(TextFile& f);
    int ReadOldGridText(TextFile& f);
    int ReadOldLayout(TextFile& f, bool& stopped);
    int ReadOldAnalysisSetup(TextFile& f, bool& stopped);
    int ReadOldMonitors(TextFile& f);
    int ReadVersion4Monitors(TextFile& f);
    int ReadOldStepping(TextFile& f);
    int ReadOldAnalysisObjects(TextFile& f);
    int ReadOldWindowBlocks(TextFile& f);
    int ReadOldFont(TextFile& f, FontRef& font);
    int ReadOldFontRecord(TextFile& f, FontRecord& font);
    void ConvertVersion4Part(CircuitObject& part, const std::string& valueText);
    void ConvertVersion4Document();
    void FinishOldLayout();
    int ReadSections();
    void WriteObjects();
    // The attributes a version stores, with the name and value each is written under;
    // user names lose ',' and '=' (an attribute left without identity is dropped).
    struct WrittenAttr {
        size_t index;
        std::string name, value;
    };
    std::vector<WrittenAttr> AttrsToWrite(CircuitObject& part);
    void WriteAttrs(CircuitObject& part);
    // Version 5.03: the old line layout, blocks 1 to 23.
    void WriteOldLayout();
    void WriteAttr(const AttrNode& a, const std::string& name, const std::string& value);
    void WriteStyleKeys(const LineStyle& style, int defaultColour, uint16_t styleWord);
    bool ReadStyleKey(const std::string& key, const std::string& value, LineStyle& style, uint16_t& styleWord);
    void WriteKept(int slot);
    void WriteCompDefs();
    void FinishLoad();
    ComponentDef* ResolveComponent(const std::string& name);

    // Output.
    void Header(const char* name);
    void Entry(const char* key, const std::string& value);
    void EntryInt(const char* key, long value);
    void EntryDouble(const char* key, double value);

    // Input.
    bool NextLine(std::string& line);      // the next non-empty, non-comment line
    bool NextEntry(std::string& key, std::string& value);  // false at a header or the end

    bool writing_ = false;
    CircuitDocument* doc_ = nullptr;
    std::string* out_ = nullptr;
    const std::string* in_ = nullptr;
    size_t pos_ = 0;
    std::string header_;                   // current section header, brackets included
    bool atEnd_ = false;
    CircuitObject* current_ = nullptr;
    const GridText* currentText_ = nullptr;
    int toolsSlot_ = KEPT_ANALYSIS_WINDOW;
    int analysis_ = -1;                    // the analysis of the section being read
    CurveRowRecord* row_ = nullptr;        // the curve row being read
    std::string plain_;                    // deciphered text of a protected file
    std::map<std::string, ComponentDef*> localMap_;  // upper-case name -> definition
    const ComponentDef* lastShapeWarning_ = nullptr;
    MacroParameterCache macroParameters_;
    std::vector<uint16_t> oldFaces_;       // face list of an old file -> FaceNameTable
    bool oldLayoutChanged_ = false;        // converted from the old layout: the document is changed
};

// Writes the document to `path` in a version: the file is written under the path
// followed by "$$TEMP$$" and replaces the target only when it was written completely
// (the old file kept as "_bak"). A failure leaves the target untouched; 0 or a message
// code, the path pending.
int SaveCircuitFile(CircuitDocument& doc, const std::string& path, int32_t version);

// Reads a circuit file into `doc` through `stream`. 0 or a message code (the path
// pending); the document is unchanged on failure.
int ReadCircuitFile(CircuitDocument& doc, const std::string& path, CircuitFile& stream, int flags,
                    const char* password = nullptr);

// Keeps the target as target + "_bak" (an older backup removed) and renames the temporary
// file to the target. Returns the result of the last rename (0 on success, -1 failure).
int ReplaceWithTempFile(const std::string& temp, const std::string& target);

// A scale as 5.20 and older files keep it: 2.66, 1.33 and 0.66 become 2, 1 and 0.5.
double ConvertScaleTo520(double scale);

// A curve's value format as files up to 5.20 keep it: "5." and the number the format
// begins with, unless it is an exponent form without "G" (kept as it is).
std::string VersionedFormat(const std::string& format, int32_t version);

// The analysis whose stepping files before 6.0 keep: the one with the most enabled
// records, the first of them on a tie.
int PickSteppingAnalysis(const CircuitDocument& doc);

// "%d.%02d" of a packed version.
std::string FormatCircuitVersion(int32_t version);

// The entries of a CR LF text as one value: CR becomes 0xFE, LF is dropped; and back.
std::string PackLineBreaks(const std::string& text);
std::string UnpackLineBreaks(const std::string& value);

}  // namespace ob7
