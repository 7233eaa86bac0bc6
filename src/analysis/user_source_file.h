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

// Reads the waveform `label` (a source without a label asks for "Label vs T") whose main X
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
