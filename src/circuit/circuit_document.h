#pragma once
// The circuit document: everything a circuit is made of, held without any window, so
// that the compiler and batch runs can open circuits as hidden documents. The circuit
// view owns one of these; a schematic keeps its drawing in the object and grid-text
// lists, a SPICE text page keeps its whole netlist in the text area.

#include "circuit/analysis_setup.h"
#include "circuit/circuit_objects.h"
#include "foundation/font_record.h"
#include "foundation/profile.h"
#include "libraries/component_def.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob7 {

enum DocumentKind : int { DOC_SCHEMATIC = 1, DOC_TEXT = 2 };

// Versions of the circuit file, packed major << 16 | minor.
constexpr int32_t kCircuitVersion4 = 0x40000;
constexpr int32_t kCircuitVersion500 = 0x50000;
constexpr int32_t kCircuitVersion503 = 0x50003;
constexpr int32_t kCircuitVersion520 = 0x50014;
constexpr int32_t kCircuitVersion60 = 0x60000;
constexpr int32_t kCircuitVersion70 = 0x70000;

// Document colours and fonts: the rows of [Circuit] (and of the older [FontAndColor]).
struct CircuitAppearance {
    int32_t background = 63;
    FontRecord gridText;
    FontRecord objectDefault;     // its colour is the default colour of graphic objects
    uint8_t componentColour = 0;
    FontRecord attributeText;     // default font of new attributes
    uint8_t wireColour = 0;
    int32_t selectColour = 12;
    FontRecord pinConnection;     // colour: the pin connection dots
    int32_t selectBoxColour = 0;
    FontRecord nodeNumber;
    uint8_t nodeVoltageColour = 0;
    FontRecord current;
    FontRecord powerCondition;
    int32_t digitalPathColour = 12;
    FontRecord titleBlock;
    int32_t digitalColours[6] = {};  // levels 0, R, F, 1, X, Z
    int32_t blockSelectColour = 12;
    CircuitAppearance();
};

// The analysis window's looks that files before 6.0 keep in [FontAndColor].
// The numeric output's header of a new circuit: left, centre and right texts whose lines
// are separated by backslash-n.
inline const std::array<std::string, 3> kDefaultNumericOutputHeader = {"Circuit: $nameext", "$analysis",
                                                                       "Date: $date\\nTime: $time"};

struct AnalysisWindowLook {
    FontRecord text;
    uint8_t gridColour = 0;
    uint8_t graphBackground = 63;
    FontRecord object;
    int32_t windowBackground = 63;
    FontRecord numericOutput;
    std::array<std::string, 3> numericOutputHeader = kDefaultNumericOutputHeader;
    int32_t numericOutputDelimiter = ' ';  // the character between the output's columns
};

// The schematic's panes and scales ([Schematic]).
struct SchematicSettings {
    int32_t panePage[4] = {};
    int32_t firstTab[4] = {};
    int32_t tabSize[4] = {};
    int32_t splitterX = 0, splitterY = 0;
    int32_t textQuad = 0;
    double scale = 1.0;
    double printerScale = 1.0;
    int32_t viewBits = 0x100;
};

struct CircuitTitleBlock {
    std::string fields[5];
    int32_t oneTitle = 0;
    int32_t border = 0;
    int32_t show = 0;
};

// The window placements kept with the circuit.
struct CircuitPlacements {
    WindowPlacement circuit, circuitInAnalysis, circuitInProbe;
    WindowPlacement analysis, analysisInProbe;  // files before 6.0
};

// One entry of the schematic's node table.
struct NodeTableEntry {
    int32_t x = 0, y = 0;
    uint8_t kind = 99;        // 99 no pin yet, 0 analog, 1 digital
    uint8_t interface = 0;    // 0 none, 1 A/D, 2 D/A
    int32_t index = 0;        // running index among the used entries, from 1
    int32_t node = 0;
    int16_t page = 0;
    double value = 0;
    int32_t dx = 0, dy = 0;   // label offset kept in [Node Offsets]
};

struct NodeMark {
    int16_t x = 0, y = 0;
    int16_t junction = 0;     // 1 junction dot, 0 none, 3 node-name text
    int16_t page = 0;
    int32_t label = 0;
};

// A section the document keeps as read, entries and all, and writes back in its place:
// the analysis and plot windows, tool bars and the other sections whose owners interpret
// them.
struct KeptSection {
    std::string header;                // without brackets, as read
    std::vector<std::string> lines;    // entry lines as read, trimmed
    int slot = 0;                      // KeptSlot: where the writer puts it back
};

enum KeptSlot : int {
    KEPT_DEFINITIONS = 0,      // after [Main]: [ShapeDef]
    KEPT_AFTER_OBJECTS = 1,    // [Condition Offsets]
    KEPT_SCHEMATIC_TOOLS = 2,  // the schematic's [Tools]
    KEPT_ANALYSIS_WINDOW = 3,  // [Transient], [AC], [DC], [Analysis] with their [Tools], [AObject]
    KEPT_PLOT_WINDOWS = 4,     // [Monte Carlo], [Graph 3D], [Performance] and theirs
    KEPT_RUN_TOOLS = 5,        // [Optimize], [Watch], [Breakpoint]
    KEPT_SENSITIVITY = 6,      // the [Tools] that follow [TF] and [SENS]
};

// What a higher subsystem attaches to the document (the netlist tables of the compiler):
// the document owns it and destroys it with itself, without knowing its type.
class DocumentCompanion {
public:
    virtual ~DocumentCompanion() = default;
};

struct CircuitDocument {
    int kind = DOC_SCHEMATIC;
    std::string path;                 // the file, or the title of an untitled document
    std::string displayName;          // file name and extension of the path
    bool modified = false;
    bool hidden = false;              // opened for a compile, no window
    bool locked = false;              // a protected file read without its password
    int32_t fileVersion = kCircuitVersion70;

    std::vector<std::unique_ptr<CircuitObject>> objects;  // drawing order
    std::vector<std::unique_ptr<GridText>> gridTexts;
    std::vector<PageRecord> pages;

    // The text area: statements of a schematic, the whole netlist of a text page.
    std::string text;
    FontRecord textFont;
    int32_t commentColour = 2;
    int32_t backgroundColour = 63;

    CircuitAppearance appearance;
    AnalysisWindowLook analysisLook;
    SchematicSettings schematic;
    CircuitTitleBlock titleBlock;
    CircuitPlacements placements;
    int32_t printAutoTile[3] = {};
    int32_t printBlackBorder[3] = {};

    // The analysis set-up of transient, AC and DC.
    AnalysisSetup analyses[3];
    DspSettings dsp;
    TransferFunctionSettings transfer;
    SensitivitySettings sensitivity;

    // Component definitions the circuit carries (read from its file).
    std::vector<std::unique_ptr<ComponentDef>> localDefinitions;

    // Node numbering results.
    std::vector<NodeTableEntry> nodeTable;   // entry 0 unused
    int32_t nodeCount = 0;                   // used entries
    int32_t numberedNodeCount = 0;           // 0: the numbering is not valid
    int32_t highestAnalogNode = 0;
    int32_t digitalNodeCount = 0;
    std::vector<NodeMark> nodeMarks;
    std::string unresolvedPinName;
    const CircuitObject* unresolvedPart = nullptr;
    bool needsNumbering = true;
    int32_t compilerValues[2] = {};

    // Changed since each analysis (transient, AC, DC) last ran.
    int32_t changedSinceRun[3] = {};

    std::vector<KeptSection> keptSections;

    std::unique_ptr<DocumentCompanion> companion;

    CircuitDocument();
    CircuitDocument(const CircuitDocument&) = delete;
    CircuitDocument& operator=(const CircuitDocument&) = delete;
    CircuitDocument(CircuitDocument&&) = default;
    CircuitDocument& operator=(CircuitDocument&&) = default;

    // New records with the document's defaults, appended to their lists.
    CircuitObject& AddPart(ComponentDef* def, int32_t x, int32_t y, int page = 0);
    CircuitObject& AddWire(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int page = 0);
    CircuitObject& AddGraphic(int kindCode, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int page = 0);
    GridText& AddGridText(const std::string& text, int32_t x, int32_t y, int page = 0, bool flag = false);

    // Everything the document holds is dropped (the companion stays).
    void ClearContent();

    void MarkModified();
};

// Zoom-In (17504) and Zoom-Out (17505) of the text area: the font height, without its
// sign, one step up while below 72 or down while above 2; the sign is kept. False when
// nothing changed.
constexpr int kCommandZoomIn = 17504;
constexpr int kCommandZoomOut = 17505;
bool ZoomTextFont(FontRecord& font, int command);

// Sets the node-name flag of a grid text: a text that is not a flag and is one word of
// letters, digits and '_' names the node it touches.
void UpdateNodeLabelFlag(GridText& text);

// The lines of a text, as the netlist reader and the find commands see them: lines end
// in LF or CR LF; the line end is not part of a line.
class TextLines {
public:
    explicit TextLines(const std::string& text);
    int Count() const { return static_cast<int>(starts_.size()); }
    // Line i without its line end; empty outside 0..Count()-1.
    std::string Line(int i) const;
    // Offset of the first character of line i (the text length past the last line).
    size_t Start(int i) const;
    // The line that holds a character offset.
    int LineOfOffset(size_t offset) const;

private:
    const std::string& text_;
    std::vector<size_t> starts_;
};

// The line of the document's text at which statements are appended: the last line, for a
// text page the line before its first ".END" line (".ENDS" excepted). When that line is
// not empty an empty line (CR LF) is inserted after it, and that line is the result.
int PrepareAppendLine(CircuitDocument& doc);

// The file name and extension of a path.
std::string FileNameOfPath(const std::string& path);

}  // namespace ob7
