#include "analysis/stepping.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "foundation/numbers.h"

namespace ob7 {

namespace {
constexpr int kMsgMoreThan1000Cases = 13279;
constexpr int kMsgIllegalStep = 13281;
constexpr int kMsgIllegalFrom = 13282;
constexpr int kMsgIllegalTo = 13283;
constexpr int kMsgSteppedTwice = 13284;
constexpr int kMsgSimultaneousCounts = 13286;
constexpr int kMsgMissingList = 13287;
constexpr int kMsgLogSigns = 13585;
constexpr int kMsgLogStep = 13586;
constexpr int kMsgLogZero = 13587;

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Items separated by commas outside parentheses, trimmed.
std::vector<std::string> SplitTopLevel(const std::string& text) {
    std::vector<std::string> items;
    int depth = 0;
    std::string item;
    for (char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        if (c == ',' && depth == 0) {
            items.push_back(Trim(item));
            item.clear();
        } else {
            item += c;
        }
    }
    items.push_back(Trim(item));
    items.erase(std::remove(items.begin(), items.end(), std::string()), items.end());
    return items;
}

bool Evaluate(const std::string& text, double& value, int& code) {
    code = 0;
    value = EvalNumberOrExpression(text.c_str(), &code);
    return code == 0 && std::isfinite(value);
}

void Write(StepVariable& v, double value) {
    if (v.write)
        v.write(value);
}

bool NeedsCompile(const StepVariable& v, double oldValue, double newValue) {
    return v.needsCompile && v.needsCompile(oldValue, newValue) == 1;
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}
}  // namespace

StepSet StepSetFromSetup(const AnalysisSetup& setup) {
    StepSet set;
    set.simultaneous = setup.simultaneous != 0;
    for (int i = 0; i < kStepVariables; ++i) {
        const StepRecord& r = setup.steps[i];
        StepVariable& v = set.variables[i];
        v.settings = static_cast<std::uint32_t>(r.flags);
        v.name = r.texts[0];
        v.param = r.texts[1];
        v.from = r.texts[2];
        v.to = r.texts[3];
        v.step = r.texts[4];
    }
    return set;
}

double NormaliseStep(bool log, double from, double to, double step) {
    if (!log) {
        double d = to - from;
        if (d > 0)
            return std::min(std::fabs(step), d);
        return -std::min(std::fabs(step), std::fabs(d));
    }
    if (step <= 0)
        return step;
    double s = std::fabs(step), a = std::fabs(from), b = std::fabs(to);
    if (a > b) {
        if (s > 1)
            s = 1 / s;
        if (from != 0 && s < to / from)
            s = to / from;
    } else if (a < b) {
        if (s < 1)
            s = 1 / s;
        if (from != 0 && s > to / from)
            s = to / from;
    }
    return s;
}

int PrepareStepValues(StepVariable& v) {
    v.method = v.settings & kStepMethodBits;
    v.listValues.clear();
    v.listTexts.clear();
    int code = 0;
    if (v.IsList()) {
        std::vector<std::string> items = SplitTopLevel(v.from);
        if (items.empty())
            return kMsgMissingList;
        if (v.IsSymbolic()) {
            v.listTexts = items;
            v.fromValue = 0;
        } else {
            for (const std::string& item : items) {
                double value;
                if (!Evaluate(item, value, code))
                    return code ? code : kMsgMissingList;
                v.listValues.push_back(value);
            }
            v.fromValue = v.listValues[0];
        }
        return 0;
    }
    if (!Evaluate(v.from, v.fromValue, code))
        return kMsgIllegalFrom;
    if (!Evaluate(v.to, v.toValue, code))
        return kMsgIllegalTo;
    double step;
    if (!Evaluate(v.step, step, code))
        return kMsgIllegalStep;
    v.stepValue = NormaliseStep(v.IsLog(), v.fromValue, v.toValue, step);
    if (v.IsLog()) {
        if (v.stepValue == 0 || v.stepValue == 1 || v.stepValue < 0)
            return kMsgLogStep;
        if (v.fromValue == 0 || v.toValue == 0)
            return kMsgLogZero;
        if ((v.fromValue < 0) != (v.toValue < 0))
            return kMsgLogSigns;
    } else if (v.stepValue == 0 && v.toValue != v.fromValue) {
        return kMsgIllegalStep;
    }
    return 0;
}

int StepCaseCount(const StepVariable& v) {
    if (v.IsList())
        return static_cast<int>(std::min<std::size_t>(v.IsSymbolic() ? v.listTexts.size() : v.listValues.size(),
                                                      kMaxStepCases + 1));
    double x;
    if (v.IsLog()) {
        double c = std::fabs(v.fromValue) <= std::fabs(v.toValue) ? v.stepValue : 1 / v.stepValue;
        x = std::fabs(std::log(std::fabs(v.toValue)) - std::log(std::fabs(v.fromValue))) * 1.00001 / std::log(c) + 1;
    } else {
        if (v.stepValue == 0)
            return 1;
        x = std::fabs((v.toValue - v.fromValue) / v.stepValue) * 1.00001 + 1;
    }
    if (!(x < kMaxStepCases + 1))
        x = kMaxStepCases + 1;
    return static_cast<int>(std::floor(x));
}

std::string FormatStepVariableName(const StepVariable& v, bool always) {
    if (v.param.empty() || (!always && SameNoCase(v.param, "Value")))
        return v.name;
    return v.name + "." + v.param;
}

std::string FormatStepValue(const StepVariable& v, int index, const RunRecord& run) {
    if (index < 0 || index >= kStepVariables)
        return std::string();
    if (v.IsSymbolic() && v.IsList()) {
        int at = run.stepListIndices[index];
        return at >= 0 && at < static_cast<int>(v.listTexts.size()) ? v.listTexts[at] : std::string();
    }
    char text[40];
    std::snprintf(text, sizeof text, "%g", run.stepValues[index]);
    return text;
}

int CountStepCases(StepSet& set, int* caseTotal, int* failed) {
    *caseTotal = 1;
    *failed = -1;
    auto& vars = set.variables;
    for (int i = 0; i < kStepVariables; ++i) {
        if (!vars[i].active)
            continue;
        vars[i].caseCount = StepCaseCount(vars[i]);
        if (vars[i].caseCount > kMaxStepCases) {
            *failed = i;
            return kMsgMoreThan1000Cases;
        }
    }
    for (int j = 0; j < kStepVariables; ++j)
        for (int k = j + 1; k < kStepVariables; ++k)
            if (vars[j].active && vars[k].active &&
                (vars[j].settings & kStepTypeBits) == (vars[k].settings & kStepTypeBits) &&
                SameNoCase(FormatStepVariableName(vars[j], true), FormatStepVariableName(vars[k], true))) {
                *failed = k;
                return kMsgSteppedTwice;
            }
    int first = -1;
    for (int i = 0; i < kStepVariables; ++i) {
        if (!vars[i].active)
            continue;
        if (set.simultaneous && first >= 0 && vars[i].caseCount != vars[first].caseCount) {
            *failed = i;
            return kMsgSimultaneousCounts;
        }
        if (first < 0)
            first = i;
        long long total = set.simultaneous ? vars[i].caseCount : static_cast<long long>(*caseTotal) * vars[i].caseCount;
        *caseTotal = static_cast<int>(std::min<long long>(total, 0x7fffffff));
    }
    *caseTotal = std::max(*caseTotal, 1);
    return 0;
}

int AdvanceStepVariable(StepVariable& v, StepMode mode, bool computeNext) {
    int code = 0;
    switch (mode) {
    case kStepBegin:
        if (v.IsSymbolic() && v.IsList()) {
            if (!Evaluate(v.listTexts[0], v.fromValue, code))
                return code;
            v.currentListPosition = v.appliedListPosition = 0;
        } else if (!v.IsSymbolic()) {
            if (v.read)
                v.nominal = v.read();
            Write(v, v.fromValue);
        }
        v.current = v.applied = v.fromValue;
        if (NeedsCompile(v, v.nominal, v.fromValue))
            v.recompileNow = true;
        return 0;
    case kStepNext:
        if (v.skipOnce) {
            v.skipOnce = false;
        } else if (computeNext) {
            if (v.IsList()) {
                int at = std::clamp(v.caseIndex, 0, std::max(StepCaseCount(v) - 1, 0));
                if (v.IsSymbolic()) {
                    if (!Evaluate(v.listTexts[at], v.current, code))
                        return code;
                    v.currentListPosition = at;
                } else {
                    v.current = v.listValues[at];
                }
            } else if (v.IsLog()) {
                v.current *= v.stepValue;
            } else {
                v.current += v.stepValue;
            }
        }
        if (!v.IsSymbolic())
            Write(v, v.current);
        if (NeedsCompile(v, v.applied, v.current))
            v.recompileNow = true;
        v.applied = v.current;
        v.appliedListPosition = v.currentListPosition;
        return 0;
    case kStepRestore:
        if (!v.IsSymbolic())
            Write(v, v.nominal);
        if (v.restoreSaved)
            v.restoreSaved();
        return 0;
    case kStepReapply:
        if (!v.IsSymbolic())
            Write(v, v.current);
        v.appliedListPosition = v.currentListPosition;
        return 0;
    case kStepSaveNominal:
        if (v.read)
            v.nominal = v.read();
        return 0;
    }
    return 0;
}

int StepFirstCase(StepSet& set) {
    int highest = -1;
    for (int i = kStepVariables - 1; i >= 0; --i)
        if (set.variables[i].active && highest < 0)
            highest = i;
    for (int i = kStepVariables - 1; i >= 0; --i) {
        StepVariable& v = set.variables[i];
        v.caseIndex = 0;
        if (!v.active)
            continue;
        v.skipOnce = true;
        if (int code = AdvanceStepVariable(v, kStepBegin, true))
            return code;
        if (!set.simultaneous && i != highest)
            v.caseIndex = 1;  // the slower variables stand at their first value already
    }
    return 0;
}

int StepApplyCase(StepSet& set, bool* compile) {
    bool advanced = false;
    for (int n = kStepVariables - 1; n >= 0; --n) {
        StepVariable& v = set.variables[n];
        if (!v.active)
            continue;
        int code = 0;
        if (v.caseIndex < v.caseCount && !advanced) {
            code = AdvanceStepVariable(v, kStepNext, true);
            ++v.caseIndex;
            if (!set.simultaneous)
                advanced = true;
            if (v.recompileAlways)
                *compile = true;
        } else if (!set.simultaneous) {
            if (advanced) {
                code = AdvanceStepVariable(v, kStepNext, false);
            } else {
                // This variable ran out: back to its first value, and the next lower one
                // takes its next value.
                AdvanceStepVariable(v, kStepRestore, false);
                v.caseIndex = 1;
                code = AdvanceStepVariable(v, kStepBegin, true);
                if (v.recompileAlways)
                    *compile = true;
            }
        }
        if (v.recompileNow) {
            v.recompileNow = false;
            *compile = true;
        }
        if (code) {
            for (StepVariable& w : set.variables)
                w.active = false;
            return code;
        }
    }
    return 0;
}

void RestoreStepValues(StepSet& set) {
    for (StepVariable& v : set.variables)
        if (v.active)
            AdvanceStepVariable(v, kStepRestore, false);
}

}  // namespace ob7
