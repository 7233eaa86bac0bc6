// The layouts of the Analysis Limits dialog, one per analysis kind, in dialog units. The
// curve grid's cells are added at run time, as many rows as the screen can show.

#include "analysis_ui/analysis_limits_dialog.h"

#include <algorithm>

namespace ob7 {

namespace {

using platform::ControlKind;
using platform::ControlSpec;
using platform::Rect;

struct FieldRow {
    int field;          // limit field index
    const char* label;
    bool nameCombo;     // DC sweep names: a combo with an edit part
};

// Limit fields in the order they are shown.
const std::vector<FieldRow>& Fields(int kind) {
    static const std::vector<FieldRow> transient = {
        {0, "Time Range", false}, {1, "Maximum Time Step", false}, {2, "Number of Points", false},
        {3, "Temperature", false}};
    static const std::vector<FieldRow> ac = {
        {0, "Frequency Range", false}, {1, "Number of Points", false}, {2, "Temperature", false},
        {3, "Maximum Change %", false}, {4, "Noise Input", false},      {5, "Noise Output", false}};
    static const std::vector<FieldRow> dc = {
        {3, "Variable 1 Name", true}, {2, "Variable 1 Range", false}, {1, "Variable 2 Name", true},
        {0, "Variable 2 Range", false}, {5, "Temperature Range", false}, {4, "Number of Points", false},
        {6, "Maximum Change %", false}};
    return kind == kCurvesAc ? ac : kind == kCurvesDc ? dc : transient;
}

constexpr int kTop = 6, kStep = 14, kHeight = 12;
constexpr int kFieldLeft = 80, kFieldRight = 196;
constexpr int kRightLabel = 256, kRightCombo = 318, kRightEnd = 380, kButtonLeft = 388, kButtonRight = 446;

}  // namespace

platform::DialogTemplate AnalysisLimitsTemplate(int kind) {
    platform::DialogTemplate t;
    t.id = 16071 + kind;
    t.caption = std::string(AnalysisName(kind)) + " Analysis Limits";
    auto& c = t.controls;
    int y = kTop;
    for (const FieldRow& f : Fields(kind)) {
        c.push_back({ControlKind::Static, 0, f.label, Rect{4, y + 2, kFieldLeft - 2, y + kHeight}});
        c.push_back({f.nameCombo ? ControlKind::ComboDropDown : ControlKind::Edit, kLimField0 + f.field, "",
                     Rect{kFieldLeft, y, kFieldRight, y + kHeight}});
        // The sweep methods and parameters, and the temperature method, beside their fields.
        if (kind == kCurvesDc && f.field == 3)
            c.push_back({ControlKind::ComboList, kLimParameter1, "", Rect{200, y, 250, y + kHeight}});
        if (kind == kCurvesDc && f.field == 1)
            c.push_back({ControlKind::ComboList, kLimParameter2, "", Rect{200, y, 250, y + kHeight}});
        if (kind == kCurvesDc && f.field == 2)
            c.push_back({ControlKind::ComboList, kLimMethod1, "", Rect{200, y, 250, y + kHeight}});
        if (kind == kCurvesDc && f.field == 0)
            c.push_back({ControlKind::ComboList, kLimMethod2, "", Rect{200, y, 250, y + kHeight}});
        if (f.label == std::string("Temperature") || f.label == std::string("Temperature Range"))
            c.push_back({ControlKind::ComboList, kLimTemperatureMethod, "", Rect{200, y, 250, y + kHeight}});
        y += kStep;
    }
    const int fieldsBottom = y;

    y = kTop;
    // A label with a mnemonic has an id of its own: the key reaches its combo box.
    auto combo = [&](const char* label, int labelId, int id) {
        c.push_back({ControlKind::Static, labelId, label, Rect{kRightLabel, y + 2, kRightCombo - 2, y + kHeight}});
        c.push_back({ControlKind::ComboList, id, "", Rect{kRightCombo, y, kRightEnd, y + kHeight}});
        y += kStep;
    };
    combo("&Run Options", 17124, kLimRunOptions);
    combo("&State Variables", 17125, kLimStateVariables);
    if (kind == kCurvesAc) combo("&Frequency Step", 17160, kLimMethod1);
    auto check = [&](const char* label, int id) {
        c.push_back({ControlKind::CheckBox, id, label, Rect{kRightLabel, y, kRightEnd, y + kHeight}});
        y += kStep - 2;
    };
    if (kind != kCurvesDc) check("Operating Point", kLimOperatingPoint);
    if (kind == kCurvesTransient) check("Operating Point Only", kLimOperatingPointOnly);
    check("Auto Scale Ranges", kLimAutoScale);
    const int rightBottom = y;

    y = kTop;
    for (auto [id, label] : std::initializer_list<std::pair<int, const char*>>{
             {kLimRun, "Run"}, {kLimAdd, "&Add"}, {kLimDelete, "&Delete"}, {kLimExpand, "Expand..."},
             {kLimStepping, "Stepping..."}, {kLimProperties, "Properties..."}}) {
        c.push_back({ControlKind::PushButton, id, label, Rect{kButtonLeft, y, kButtonRight, y + kHeight}});
        y += kStep;
    }
    const int help = std::max({fieldsBottom, rightBottom, y}) + 2;
    const int top = help + 14;

    // The grid's header: the icon strip's place, then the five column titles.
    const int strip = (kind == kCurvesAc ? 5 : 4) * 10 + 2;
    static constexpr int kWidths[5] = {12, 100, 156, 76, 76};
    static constexpr const char* kTitles[5] = {"P", "X Expression", "Y Expression", "X Range", "Y Range"};
    int x = 4 + strip;
    for (int col = 0; col < 5; ++col) {
        c.push_back({ControlKind::PushButton, kLimHeader0 + col, kTitles[col], Rect{x, top, x + kWidths[col], top + kHeight}});
        x += kWidths[col];
    }
    // The help line shows the prompt of the control under the mouse.
    c.push_back({ControlKind::Static, kLimHelpLine, "", Rect{4, help, x + 10, help + 10}});
    t.size = {x + 14, top + kHeight + 2 * 13 + 4};
    return t;
}

}  // namespace ob7
