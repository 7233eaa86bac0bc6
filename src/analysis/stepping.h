#pragma once
// Parameter stepping: the 20 step variables of an analysis, their values from case to
// case (linear, log or list; nested or simultaneous), the count of cases and the order in
// which the values change. Resolving a variable against the compiled circuit gives it its
// target: the functions that read and write the stepped value.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/runs.h"
#include "circuit/analysis_setup.h"

namespace ob7 {

inline constexpr int kStepVariables = 20;
inline constexpr int kMaxStepCases = 1000;

enum StepSettings : std::uint32_t {
    kStepBitLog = 0x01, kStepBitLinear = 0x02, kStepBitModel = 0x04, kStepBitComponent = 0x08, kStepBitOn = 0x10,
    kStepBitSymbolic = 0x20, kStepBitList = 0x40,
    kStepMethodBits = kStepBitLog | kStepBitLinear | kStepBitList,
    kStepTypeBits = kStepBitModel | kStepBitComponent | kStepBitSymbolic,
    kStepInitialSettings = kStepBitComponent | kStepBitLinear,
};

enum StepMode : int { kStepBegin = 1, kStepNext = 2, kStepRestore = 3, kStepReapply = 4, kStepSaveNominal = 5 };

struct StepVariable {
    std::string name, param, from, to, step;
    std::uint32_t settings = kStepInitialSettings;
    std::uint32_t method = 0;
    double fromValue = 0, toValue = 0, stepValue = 0;
    std::vector<double> listValues;
    std::vector<std::string> listTexts;  // Symbolic lists: evaluated when used
    double nominal = 0, current = 0, applied = 0;
    int currentListPosition = 0, appliedListPosition = 0;
    int caseCount = 0, caseIndex = 0;
    bool active = false, skipOnce = false, recompileAlways = false, recompileNow = false;
    // The stepped value in the circuit (Component and Model variables); a Symbolic
    // variable reaches the circuit through a compile and has none.
    std::function<double()> read;
    std::function<void(double)> write;
    // 1 when changing the value from old to new needs the circuit compiled again.
    std::function<int(double oldValue, double newValue)> needsCompile;
    // A MOSFET size: after the nominal, Restore writes back the size and its given mark
    // as compiled (stepping marks the size given).
    std::function<void()> restoreSaved;
    // The stepped double itself when the variable steps one (a part's value): device
    // loads leave it alone instead of evaluating the part's value expression into it.
    const double* target = nullptr;

    bool IsSymbolic() const { return (settings & kStepBitSymbolic) != 0; }
    bool IsList() const { return (method & kStepBitList) != 0; }
    bool IsLog() const { return (method & kStepBitLog) != 0; }
};

struct StepSet {
    std::array<StepVariable, kStepVariables> variables;
    bool simultaneous = false;
};

// The variables of an analysis as the circuit keeps them (name, param, from, to, step
// texts and the settings word), not yet resolved.
StepSet StepSetFromSetup(const AnalysisSetup& setup);

// The step made to fit the range: linear steps point from `from` to `to` and reach no
// further than `to`; log factors point the same way and overshoot no further than to/from.
double NormaliseStep(bool log, double from, double to, double step);

// Reads method, list, from, to and step of a variable the caller resolved; the variable
// stays active on success. 0, or the message id (13287, 13281, 13282, 13283, 13585,
// 13586, 13587, or the evaluator's code).
int PrepareStepValues(StepVariable& v);

// Values a prepared variable takes: list length, or the range over the step (the factor
// 1.00001 keeps 0 to 0.3 by 0.1 at 4 cases); at most 1001.
int StepCaseCount(const StepVariable& v);

// "name.param", or the bare name when param is empty or "Value" (unless always).
std::string FormatStepVariableName(const StepVariable& v, bool always);

// The value variable `index` had in a run, for titles, legends and numeric output: the
// list text of a Symbolic list, else "%g" of the value the run record keeps.
std::string FormatStepValue(const StepVariable& v, int index, const RunRecord& run);

// Counts the cases of the active variables: 0 with *caseTotal set, or the message id with
// *failed the index of the variable in error (13279 more than 1000 cases, 13284 a
// variable stepped twice, 13286 simultaneous counts that differ).
int CountStepCases(StepSet& set, int* caseTotal, int* failed);

// One operation on one active variable. 0, or an evaluation error of a Symbolic list.
int AdvanceStepVariable(StepVariable& v, StepMode mode, bool computeNext);

// Before the first case of a temperature: every active variable to its from value.
int StepFirstCase(StepSet& set);
// Before every case, the first included: the highest-numbered variable changes fastest
// (nested), or all take their next value (simultaneous). *compile becomes true when the
// circuit must be compiled again first.
int StepApplyCase(StepSet& set, bool* compile);
// After the last case: every stepped value back to its nominal.
void RestoreStepValues(StepSet& set);

}  // namespace ob7
