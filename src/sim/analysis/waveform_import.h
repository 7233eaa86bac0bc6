#pragma once
// Waveform import: curve expressions that bring in a column of an earlier run's numeric
// output file (IMPORT(file, name)) or a waveform of a user-source waveform file
// (WAVEFORMX, WAVEFORMY, CURVEX, CURVEY ("file", "name")). The calls are cut out of the
// expression text (the keyword stays as the name of the imported value), the data are
// loaded at the start of every run, and at every point the value at the present X is
// interpolated.

#include <memory>
#include <string>
#include <vector>

namespace ob7 {

enum ImportKind : int { kImportNumericOutput = 42, kImportWaveformX = 551, kImportWaveformY = 552 };

struct ImportPoint {
    double x, y, y2;
};

struct ImportSpec {
    std::string file_name;
    std::string waveform_name;
    int kind = kImportNumericOutput;
    // The points; two specs of one file and waveform share one copy.
    std::shared_ptr<std::vector<ImportPoint>> points = std::make_shared<std::vector<ImportPoint>>();
    bool shared = false;
    int search_position = 0;
    double last_x = 0;
    double x_scale = 1.0, y_scale = 1.0;
    double value = 0, second_value = 0;  // read by the compiled expression
    bool increasing = true;

    const std::vector<ImportPoint>& Points() const { return *points; }
};

enum : int {
    kMsgExpecting = 11900,         // "%EExpecting '%s'."
    kMsgImportBeingWritten = 12001,
    kMsgImportNeedsF = 12002,
    kMsgIllegalImport = 12003,
    kMsgImportNeedsT = 12005,
    kMsgMissingOpenParen = 12007,
    kMsgImportCannotOpen = 12008,
    kMsgImportNotFound = 12009,
    kMsgImportCaseNotFound = 12010,
    kMsgImportMissingColumn = 12011,
    kMsgMissingCloseParen = 13582,
};

// The earliest import keyword in the text (followed by "(" when asked), or npos.
size_t FindImportCall(const std::string& text, bool with_parenthesis, int* kind = nullptr);

// Cuts the import calls out of one curve expression. analysis_kind 0 transient, 1 AC,
// 2 DC; x_expression the graph's X expression (IMPORT needs T in transient and F in
// AC). *handled tells whether the expression had any call. The rewritten text replaces
// the expression. 0 or a message code (already reported: 15055).
int ParseImportCalls(std::string& expression, bool is_x_axis, int analysis_kind, const std::string& x_expression,
                     const std::string& folder, std::vector<ImportSpec>* specs, bool* handled);

// What decides which block of a numeric output file belongs to the present case.
struct ImportCase {
    double temperature = 27;
    int analysis_kind = 0;
    std::string dc_variable1;      // the DC sweep's Variable 1 Name (its X column)
    std::string dc_variable2;      // and its Variable 2 Name, with the present value 2
    double dc_value2 = 0;
    bool has_variable2 = false;
    int run_number = 1;
    std::string own_numeric_output;  // this circuit's own numeric output file of the analysis
    bool digital_axis = false;
};

// Loads one IMPORT spec from its numeric output file (the earlier specs are looked at for
// shared points). The waveform-file kinds are read by the installed reader. 0, 15055
// after a report, 12011, or 15002.
int LoadImportWaveform(ImportSpec& spec, const std::vector<const ImportSpec*>& earlier, const ImportCase& at);
// The reader of user-source waveform files (installed by the analysis set-up); unset,
// the waveform-file kinds cannot be opened.
extern int (*ReadUserSourceWaveform)(ImportSpec& spec);

// Whether a block header line of a numeric output file belongs to the present case.
bool MatchImportCase(const std::string& upper_line, const ImportCase& at);

// The points of a waveform imported on a digital axis as time breakpoints of the transient
// run (ticks by the ceiling, up to the end tick), so that the steps land on its
// transitions. 0 or AddTimeBreakpoint's code.
int AddImportTransitions(const ImportSpec& spec);

// Sets every spec's present values at x by linear interpolation.
void InterpolateImportWaveform(std::vector<ImportSpec>& specs, double x, bool digital_axis = false);

}  // namespace ob7
