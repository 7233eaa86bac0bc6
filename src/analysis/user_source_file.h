#pragma once
// User-source waveform files (".USR"): named waveforms kept as rows of numbers in a
// sectioned key text. Reading one back for a user source or for CurveX/CurveY.

#include <string>
#include <vector>

namespace ob7 {

// Who reads a waveform: a user source plays it back over time (its main X must run one
// way), CurveX/CurveY only note when the main X ever decreases.
enum class UserWaveformUse { Source, Curve };

struct UserWaveform {
    bool complex = false;  // rows carry real and imaginary parts
    bool hasX = true;      // rows carry the curve's X values
    bool mainXIncreasing = true;
    std::vector<double> mainX;
    std::vector<double> xRe, xIm, yRe, yIm;  // one value a row; imaginary parts 0 for simple rows
    int PointCount() const { return static_cast<int>(mainX.size()); }
};

// Where a read went wrong, or the warning it gave.
struct UserWaveformProblem {
    int code = 0;       // 0, or the message id
    int line = 0;       // the file line it concerns (1 = first line); 0 when none
    int found = 0;      // rows read
    int announced = 0;  // rows the section announced
};

// The main X of the current analysis: "T" (transient, kind 0), "F" (AC, kind 1), and in
// DC "V(<variable 1 name>)" upper-cased.
std::string UserSourceMainXName(int analysisKind, const std::string& dcVariable1Name);

// Reads the waveform `label` (a source without a label asks for "Label vs T"; CurveX and
// CurveY labels match in any case, since curve expressions are upper case) whose main X
// is mainX (any main X for the formats without X) from the file's text. Returns 0 (with
// problem.code 13548 when the file ended early and the shorter waveform is used), 5355 for
// a text that is no waveform file, 13547 when no section matches, 15007 when the file ends
// after 2 rows or fewer, 15009 for a row with text where a number belongs, a row too short
// before the last line, or a user source whose main X turns back (or whose time falls).
int ParseUserSourceWaveform(const std::string& text, const std::string& label, const std::string& mainX,
                            UserWaveformUse use, UserWaveform& out, UserWaveformProblem& problem);

// The same from a file (the extension "USR" is given to the name), with the messages
// shown: "X Expression" and "Expression" name the wanted waveform, "Line" the row. 0 when
// the waveform was loaded (after any warning), else 15055 or 15002.
int LoadUserSourceWaveform(std::string fileName, const std::string& label, const std::string& mainX,
                           UserWaveformUse use, UserWaveform& out);

}  // namespace ob7

namespace ob7 {

// One waveform to save: its label, the main X name and the texts of the X and Y
// expressions; "Complex" rows (AC) carry real and imaginary parts.
struct UserWaveformSave {
    std::string label, mainX, labelX, labelY;
    bool complex = false;
    std::vector<double> mainXValues, xRe, xIm, yRe, yIm;
};

// The text of a new file that holds one waveform.
std::string NewUserSourceFileText(const UserWaveformSave& w);
// The text of the file without the waveform `label`; with add set the label is listed last
// in the menu (the waveform is appended next). 0, or 5355 for a text that is no waveform
// file of this layout.
int RemoveWaveformFromText(const std::string& text, const std::string& label, bool add, std::string& out);
// The "[Waveform]" section of w, rows written with "%.10G".
std::string WaveformSectionText(const UserWaveformSave& w);

// Saves w into the file (extension "USR"), replacing a waveform of the same label. The old
// file is replaced only once the new one is written whole. 0, or 15055 after the message.
int SaveUserSourceWaveform(std::string fileName, const UserWaveformSave& w);
// Rewrites the file without the waveform `label`. 0, or 15055 after the message.
int RemoveUserSourceWaveform(std::string fileName, const std::string& label);

// The [Main] header and [Menu] block that every file of this layout begins with.
std::string UserSourceFileHeaderText();
// Writes text to the file through a neighbour "$$$" file that replaces it when complete.
// 0, or the write error's code (the file is then unchanged).
int ReplaceUserSourceFileText(const std::string& fileName, const std::string& text);

// Older layouts: "Version=1", the point count (256 when below 1), the waveform count,
// then per waveform its label and per point a time and a value; or a bare list whose first
// line is the point count (or, holding a ".", the first of 256 values), the values spread
// evenly over tmin..tmax. The text in this layout, or 5355 when it is neither.
int ConvertOldUserSourceText(const std::string& text, double tmin, double tmax, std::string& out);
// Converts the file in place (through a "$$$" file). 0, or 5355 / the write error's code.
int ConvertOldUserSourceFile(const std::string& fileName, double tmin, double tmax);
// Before a file is used: a file of an older layout is converted when the user agrees.
// 0 when the file can be used (or was converted, or does not exist), 1 when the user
// declined, 15055 when the conversion failed (after its message).
int CheckUserSourceFileFormat(const std::string& fileName);
// The transient time range that bare old files are spread over.
void SetUserSourceTimeRange(double tmin, double tmax);

struct ImportSpec;

// The reader of WAVEFORMX/WAVEFORMY and CURVEX/CURVEY imports: the X values (the "X"
// kinds) or the Y values of the waveform, over its main X, which must be that of the
// present run (SetUserSourceImportMainX) unless the waveform has no X. 0, or the code
// after its report.
int ReadUserSourceImport(ImportSpec& spec);
void SetUserSourceImportMainX(const std::string& mainX);

}  // namespace ob7
