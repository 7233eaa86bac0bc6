#pragma once
// Numeric output: the plain-text report an analysis run leaves beside its circuit
// (amp.cir -> amp.TNO, amp.ANO, amp.DNO). The head (header, limits, options, model
// warnings) at the first case; per case a caption, the operating point with its device
// tables, and tables of the curves marked for output, sampled at evenly spaced points.

#include <functional>
#include <string>
#include <vector>

#include "circuit/analysis_setup.h"
#include "foundation/number_format.h"
#include "foundation/textfile.h"

namespace ob7 {

class AnalysisPlot;
struct RunRecord;
struct TableColumn;

// The operating point of one case, as the report prints it.
struct NamedValue {
    std::string name;
    double value = 0;
};

// The rows of one device table: value rows, then "Power Terms:" and "Pin Currents:" rows.
struct DeviceTableLayout {
    const char* title;
    bool hasModels;
    std::vector<const char*> values, power, pins;
    int stateRow;  // 0 none, 1 after a blank line, 2 directly (the opamps)
};
struct DeviceColumn {
    std::string part, model;  // model empty: the device has none
    std::vector<double> values;  // the layout's values, power and pin rows in order
    std::string state;           // region name
};
struct DeviceTable {
    const DeviceTableLayout* layout = nullptr;
    std::vector<DeviceColumn> devices;
};

struct OperatingPointReport {
    std::vector<NamedValue> nodes;      // analog nodes from node 1 upward
    std::vector<NamedValue> inductors;  // inductor currents
    std::vector<std::pair<std::string, char>> digital;  // digital node, state letter
    std::vector<DeviceTable> tables;    // in the report's order; empty tables are skipped
};

// The 25 device tables in their order.
const std::vector<DeviceTableLayout>& DeviceTableLayouts();
// Index of a table by its title; -1 when none.
int DeviceTableIndex(const char* title);

// The numeric output file of a circuit: its extension replaced by the analysis letter
// and "NO"; a name without folder goes to the first folder of the default data path.
std::string NumericOutputPath(const std::string& circuitPath, int kind);

class NumericOutputWriter {
public:
    NumericOutputWriter(int kind, const AnalysisSetup& setup, AnalysisPlot& plot);
    ~NumericOutputWriter();
    NumericOutputWriter(const NumericOutputWriter&) = delete;
    NumericOutputWriter& operator=(const NumericOutputWriter&) = delete;

    // --- What the owner sets before the run ---------------------------------------------
    int width = 80;           // the option WIDTH
    char separator = ' ';     // between the columns of tables
    NumberFormatSpec operatingPointFormat;  // the setting "OperatingPointFormat"
    // Writes the three-part header (macros expanded) in lines of `width`; unset: none.
    std::function<int(TextFile& file, int width)> writeHeader;
    // The model warnings as lines (without their line ends).
    std::vector<std::string> modelWarnings;
    // The operating point of the present case; unset: none is written.
    std::function<OperatingPointReport()> operatingPoint;
    // The temperature warnings of the run: model name and temperature.
    std::function<std::vector<NamedValue>()> temperatureWarnings;
    // What the case captions name besides the temperature: the DC sweep's second variable
    // (empty without one), the Monte Carlo case.
    std::string dcSource2Name;
    bool monteCarloOn = false;
    // Quiet runs write nothing.
    bool quiet = false;

    // --- The run's calls ---------------------------------------------------------------
    // Opens (creates or empties) the file. 0, or the open's message code (the report is
    // then not written); the caller reports it.
    int Open(const std::string& path);
    bool IsOpen() const { return file_.IsOpen(); }
    const std::string& Path() const { return path_; }
    // The head at the first case, then the case's caption and (opFlag) the operating point.
    void WriteNumericOutput(bool opFlag, int run);
    // The curve tables of one run with n rows.
    void WriteNumericTables(int n, int run);
    // The temperature warnings, at the end of the run.
    void WriteTemperatureWarnings();
    // Lines the case wrote as it ran (the digital warnings), as they are.
    void WriteCaseText(const std::string& text);
    // Closes the file. 0, or the first write error (the file then keeps what was written).
    int Close();
    // The stream's error (0 while every write went through).
    int Error() const { return file_.error; }

    // Per run: the caption of its temperature, second DC value, case or stepping.
    std::string CaseCaption(int run) const;

private:
    void WriteHead();
    void WriteLimits();
    void WriteOperatingPoint();
    void WriteDeviceTable(const DeviceTable& table, int valueWidth);
    // Measures the columns over the rows, then writes the heading and the rows. False
    // when a row could not be written (the output flag is then cleared).
    bool WriteTable(std::vector<TableColumn>& columns, int rows,
                    const std::function<int(TableColumn&, int, char*)>& cellText);
    int DeviceValueWidth(const OperatingPointReport& op) const;
    std::string FormatOperatingValue(double value) const;

    const int kind_;
    const AnalysisSetup& setup_;
    AnalysisPlot& plot_;
    TextFile file_;
    std::string path_;
    bool outputFlag_ = false;
    bool headWritten_ = false;
};

// Deletes the file when it is empty; a file that cannot be opened is left alone.
void DeleteEmptyNumericOutput(const std::string& path);

// Sampling of a stored curve: the value at x of y over x, among `count` points, searching
// from `start` on. Flag bit 0 interpolates in log10 |X|, bit 1 in log10 |Y|;
// kSampleDigital takes the earlier point without interpolation. Returns the index of the
// interval's later point (or the last point).
enum SampleFlags : int { kSampleLogX = 1, kSampleLogY = 2, kSampleDigital = 4 };
int FindCurveValueAtX(double x, const double* xs, const double* ys, int count, int start, int flags, double* value);
double InterpolateLinear(double x, double x0, double x1, double y0, double y1);

}  // namespace ob7
