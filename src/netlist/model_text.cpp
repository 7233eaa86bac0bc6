#include "netlist/model_text.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/text_functions.h"

namespace ob7 {

bool ModelAttributeDialogOpen = false;

namespace {

enum : int {
    kMsgGreaterThanZero = 14070,
    kMsgNotNegative = 14071,
    kMsgZeroToOne = 14072,
    kMsgZeroToThree = 14073,
    kMsgOneToThree = 14074,
    kMsgBadState = 14075,
    kMsgLevelAny = 14076,
    kMsgLevelOneToThree = 14077,
    kMsgDiodeLevel = 14080,
};

// Reports a failed check with the model header as the "Text:" line and the scope's
// file; the failure is then shown, so the result is 15055 either way.
template <class... Args>
int Fail(bool report, int scope, const char* header, int code, Args... args) {
    if (report) ReportMessage("LtE", scope, header, code, args...);
    return kMsgReported;
}

// The general LEVEL rule: the integer part must be 1 to 5 or 8.
bool LevelAllowed(double v) {
    double whole = std::trunc(v);
    return (whole >= 1 && whole <= 5) || whole == 8;
}

}  // namespace

std::string FormatModelValue(double value) {
    if (value == ParamNotGiven) return "undefined";
    char text[kNumberTextSize];
    FormatNumber(text, &value, 15, 0, 0);
    return StrTrim(text);
}

std::string FormatModelParamText(const ModelValueSlot* values, int index, int modelType) {
    const ModelParamInfo& p = ModelTypeRow(modelType).params[index];
    const ModelValueSlot& v = values[index];
    char text[64];
    switch (p.kind) {
    case kParamState:
        if (v.state[0]) std::snprintf(text, sizeof text, "\"%c\"", v.state[0]);
        else std::strcpy(text, "\"\"");
        break;
    case kParamText:
        std::snprintf(text, sizeof text, "\"%.32s\"", v.text ? v.text : "");
        break;
    default:
        if (v.real == ParamNotGiven) return "undefined";
        FormatNumber(text, &v.real, -1, 0, 0);
        break;
    }
    return StrTrim(text);
}

int CheckModelParamValue(bool report, int scope, int index, int t, const ModelValueSlot* value,
                         const char* header, bool levelRange) {
    const ModelParamInfo& p = ModelTypeRow(t).params[index];
    const double v = value->real;
    if (p.kind == kParamReal && v == ParamNotGiven) return 0;

    if (index == 0 && std::strcmp(p.name, "LEVEL") == 0) {
        if (t == kModelDiode) {
            if (v != 1.0 && v != 2.0) return Fail(report, scope, header, kMsgDiodeLevel);
        } else if (t == kModelNmos || t == kModelPmos) {
            if (levelRange && (v < 1 || v > 3)) return Fail(report, scope, header, kMsgLevelOneToThree);
            if (!LevelAllowed(v)) return Fail(report, scope, header, kMsgLevelAny);
        } else if (t >= kModelNmos4 && t <= kModelPmos8) {
            const double wanted = t <= kModelPmos4 ? 4 : t <= kModelPmos5 ? 5 : 8;
            if (ModelAttributeDialogOpen ? !LevelAllowed(v) : v != wanted)
                return Fail(report, scope, header, kMsgLevelAny);
        }
    }

    switch (p.check) {
    case '+': if (!(v > 0)) return Fail(report, scope, header, kMsgGreaterThanZero, p.name, v); break;
    case 'G': if (!(v >= 0)) return Fail(report, scope, header, kMsgNotNegative, p.name, v); break;
    case '1': if (!(v >= 0 && v <= 1)) return Fail(report, scope, header, kMsgZeroToOne, p.name, v); break;
    case '3': if (!(v >= 0 && v <= 3)) return Fail(report, scope, header, kMsgZeroToThree, p.name, v); break;
    case 'L': if (!(v >= 1 && v <= 3)) return Fail(report, scope, header, kMsgOneToThree, p.name, v); break;
    case 'D': {
        const char c = value->state[0];
        if (c && !std::strchr("01FRXZ", c)) {
            const char state[2] = {c, 0};
            return Fail(report, scope, header, kMsgBadState, p.name, state);
        }
        break;
    }
    default: break;
    }
    return 0;
}

std::string FormatModelStatement(int t, int options, const ModelValueSlot* values, int count, const char* name,
                                 const uint8_t* given, const char* const* overrides, int width) {
    const ModelTypeInfo& row = ModelTypeRow(t);
    std::string text = ".MODEL ";
    text += name;
    text += ' ';
    text += row.typeName;
    text += " (";
    size_t lineLength = text.size();
    for (int i = 0; i < count && i < row.paramCount; ++i) {
        const ModelParamInfo& p = row.params[i];
        const ModelValueSlot& v = values[i];
        const bool hasOverride = overrides && overrides[i] && overrides[i][0];
        bool isDefault;
        bool notGiven;
        switch (p.kind) {
        case kParamState:
            isDefault = v.state[0] == p.defaultValue.state[0];
            notGiven = false;
            break;
        case kParamText:
            isDefault = std::strcmp(v.text ? v.text : "", p.defaultValue.text ? p.defaultValue.text : "") == 0;
            notGiven = !v.text || !v.text[0];
            break;
        default:
            isDefault = v.real == p.defaultValue.real;
            notGiven = v.real == ParamNotGiven;
            break;
        }
        const bool always = p.flags & kParamFlagAlways;
        if (!always && isDefault && !hasOverride) continue;
        if ((options & kModelTextGivenOnly) && given && !given[i]) continue;
        if (!hasOverride && (notGiven || !(p.flags & kParamFlagListed))) continue;

        std::string value = FormatModelParamText(values, i, t);
        if (hasOverride) {
            if (!always && (strcasecmp(overrides[i], value.c_str()) == 0 || strcasecmp(overrides[i], "undefined") == 0))
                continue;
            value = overrides[i];
        }
        std::string item = std::string(p.name) + "=" + value;
        if (item.back() != ' ') item += ' ';
        if (lineLength + item.size() > static_cast<size_t>(width)) {
            if (text.back() == ' ') text.pop_back();
            const bool plus = options & kModelTextContinuation;
            text += plus ? "\r\n+ " : "\r\n";
            lineLength = plus ? 2 : 0;
        }
        text += item;
        lineLength += item.size();
    }
    if (text.back() == ' ') text.back() = ')';
    else text += ')';
    // An empty list still shows as "( )".
    if (text.size() >= 2 && text[text.size() - 2] == '(') text.insert(text.size() - 1, " ");
    return text;
}

}  // namespace ob7
