#pragma once
// The analysis set-up a circuit document carries for its three analyses (transient, AC,
// DC): limit texts, curve rows, stepping records, Monte Carlo options, and the DSP and
// transfer-function settings. The analysis windows and the run read and change them; the
// circuit file stores them.

#include <cstdint>
#include <string>
#include <vector>

namespace ob7 {

enum CurveOptionBits : int32_t { CO_OUTPUT = 0x20, CO_LINEARX = 0x40, CO_LINEARY = 0x80 };

// One curve of an analysis plot.
struct CurveRowRecord {
    int32_t options = 0;
    int32_t alias = 0;
    char plotGroup = 0;
    std::string xExpression, yExpression, xRange, yRange;
    std::string rangeGrid[2], rangeBold[2];   // X, Y
    std::string valueFormat[2], scaleFormat[2];
    int32_t lineWidth = 1;
    int32_t chartType = 0;                    // 0 rectangular, 1 polar, 2 Smith
    int32_t showDataPoints = 0;
    std::string dataPoints;
    int32_t pattern = 0;
    int32_t rainbow = 0;
    int32_t lineColour = 0, textColour = 0;
    int32_t slope = 0;                        // 0 Normal, 1 dB/Octave, 2 dB/Decade
    bool operator==(const CurveRowRecord&) const = default;
};

// Stepping record flags.
enum StepFlags : int32_t {
    SF_LOG = 0x1, SF_LINEAR = 0x2, SF_MODEL = 0x4, SF_COMPONENT = 0x8, SF_ENABLED = 0x10, SF_SYMBOLIC = 0x20,
    SF_LIST = 0x40,
};

struct StepRecord {
    int32_t flags = SF_LINEAR | SF_COMPONENT;
    int32_t device = 0;
    std::string texts[5];  // Name, Param, From, To, Value
    bool operator==(const StepRecord&) const = default;
};

constexpr int kStepRecords = 20;
constexpr int kDcSweepLinear = 4096, kDcSweepLog = 8192, kDcSweepList = 0x3000;
constexpr int kMonteCarloOn = 0x1000;
constexpr int kTransferOutputSlots = 16;

struct AnalysisSetup {
    std::string limits[7];          // by the analysis's limit names
    int32_t options = 0;            // run-option word
    int32_t plusMark = 0;
    int32_t horizontalCursor = 0;
    int32_t temperatureList = 0;
    int32_t sweep[2] = {};          // DC sweep methods
    std::vector<CurveRowRecord> rows;
    StepRecord steps[kStepRecords];
    int32_t simultaneous = 0;
    int32_t monteCarloFlags = 1;    // bits 0-1 distribution, 0x1000 on
    std::string monteCarloRuns;
    std::string monteCarloPerformance;
    bool operator==(const AnalysisSetup&) const = default;
};

struct DspSettings {
    int32_t status[2] = {};         // transient, AC
    std::string max[2], min[2], points[2];
    bool operator==(const DspSettings&) const = default;
};

struct TransferFunctionSettings {
    std::vector<std::string> outputs;  // at most kTransferOutputSlots
    std::string inputSource;           // at most 49 characters
    int32_t placeText = 0;
    bool operator==(const TransferFunctionSettings&) const = default;
};

// The sensitivity request of the circuit: ten outputs, the kind of input variable and
// the chosen variables (flags: kind | 0x11, logarithmic stepping for sensitivity).
constexpr int kSensitivityOutputs = 10;
constexpr int32_t kSensComponent = 8, kSensModel = 4, kSensSymbolic = 0x20, kSensVariableBits = 0x11;
struct SensitivityChoice {
    std::string name, parameter;
    int32_t flags = 0;
    bool operator==(const SensitivityChoice&) const = default;
};
struct SensitivitySettings {
    std::string outputs[kSensitivityOutputs];
    int32_t multiple = 0;
    int32_t parameterType = kSensComponent;
    std::vector<SensitivityChoice> variables;
    bool operator==(const SensitivitySettings&) const = default;
};

// The limit names of an analysis, in their order; their count.
const char* const* AnalysisLimitNames(int analysis, int* count);
const char* AnalysisName(int analysis);  // "Transient", "AC", "DC"

}  // namespace ob7
