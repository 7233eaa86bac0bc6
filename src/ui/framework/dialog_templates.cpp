#include "ui/framework/dialog_templates.h"

#include <vector>

namespace ob7 {

using platform::ControlKind;
using platform::ControlSpec;
using platform::DialogTemplate;
using platform::Rect;

namespace {

// Every layout keeps a 7-unit margin, 14-unit high buttons 50 units wide with 4 units
// between them at the bottom right, and 12-unit edits aligned with their labels.
constexpr int M = 7, BW = 50, BH = 14, G = 4;

// OK and Cancel at the bottom right of a dialog of width w, at y.
std::vector<ControlSpec> Buttons(int w, int y, bool withDelete = false) {
    std::vector<ControlSpec> b{
        {ControlKind::DefPushButton, 1, "OK", Rect{w - M - 2 * BW - G, y, w - M - BW - G, y + BH}},
        {ControlKind::PushButton, 2, "Cancel", Rect{w - M - BW, y, w - M, y + BH}},
    };
    if (withDelete) b.push_back({ControlKind::PushButton, kIdDelete, "&Delete", Rect{M, y, M + BW, y + BH}});
    return b;
}

// A one-field dialog: a label and an edit on one row, buttons below.
DialogTemplate OneField(int id, const char* caption, const char* label, int extraButtons = 0) {
    constexpr int w = 230;
    DialogTemplate t{id, caption, {w, 0}, {
        {ControlKind::Static, 100, label, Rect{M, M + 2, 60, M + 12}},
        {ControlKind::Edit, kIdField, "", Rect{62, M, w - M, M + 12}},
    }};
    int y = M + 12 + 2 * G;
    if (extraButtons) {
        t.controls.push_back({ControlKind::PushButton, kIdFontButton, "&Font...", Rect{M, y, M + BW, y + BH}});
    }
    for (auto& b : Buttons(w, y)) t.controls.push_back(b);
    t.size.cy = y + BH + M;
    return t;
}

// Two labelled fields, one above the other.
DialogTemplate TwoFields(int id, const char* caption, const char* label1, const char* label2, int style2 = 0) {
    constexpr int w = 230;
    DialogTemplate t{id, caption, {w, 0}, {
        {ControlKind::Static, 100, label1, Rect{M, M + 2, 70, M + 12}},
        {ControlKind::Edit, kIdField, "", Rect{72, M, w - M, M + 12}},
        {ControlKind::Static, 102, label2, Rect{M, M + 20, 70, M + 30}},
        {ControlKind::Edit, kIdField2, "", Rect{72, M + 18, w - M, M + 30}, style2},
    }};
    int y = M + 30 + 2 * G;
    for (auto& b : Buttons(w, y)) t.controls.push_back(b);
    t.size.cy = y + BH + M;
    return t;
}

DialogTemplate ListChoice(int id, const char* caption) {
    constexpr int w = 180, listBottom = M + 110;
    DialogTemplate t{id, caption, {w, 0}, {
        {ControlKind::MultiListBox, kIdChoiceList, "", Rect{M, M, w - M, listBottom}},
        {ControlKind::PushButton, kIdSelectAllItems, "Select &All", Rect{M, listBottom + G, M + BW, listBottom + G + BH}},
    }};
    int y = listBottom + G;
    for (auto& b : Buttons(w, y)) t.controls.push_back(b);
    t.size.cy = y + BH + M;
    return t;
}

DialogTemplate Notice(int id, const char* caption) {
    constexpr int w = 200;
    DialogTemplate t{id, caption, {w, 0}, {
        {ControlKind::Static, kIdNoticeText, "", Rect{M, M, w - M, M + 32}},
        {ControlKind::DefPushButton, 1, "OK", Rect{w - M - BW, M + 32 + G, w - M, M + 32 + G + BH}},
    }};
    t.size.cy = M + 32 + G + BH + M;
    return t;
}

// The colour page: a label over the first of the 64 colour buttons; the set makes the
// others beside it.
DialogTemplate ColourPage() {
    return DialogTemplate{9900, "Color", {142, 138}, {
        {ControlKind::Static, 100, "Basic and user colors:", Rect{M, M, 135, M + 10}},
        {ControlKind::OwnerDrawButton, 19800, "", Rect{M, 19, M + 16, 19 + 14}},
    }};
}

DialogTemplate FontPage() {
    return DialogTemplate{15685, "Font", {230, 130}, {
        {ControlKind::Static, 100, "&Font:", Rect{M, M, 108, M + 10}},
        {ControlKind::ComboDropDown, 1001, "", Rect{M, 18, 108, 32}},
        {ControlKind::Static, 101, "Font st&yle:", Rect{112, M, 170, M + 10}},
        {ControlKind::ComboList, 1002, "", Rect{112, 18, 170, 32}},
        {ControlKind::Static, 102, "&Size:", Rect{174, M, 223, M + 10}},
        {ControlKind::ComboDropDown, 1003, "", Rect{174, 18, 223, 32}},
        {ControlKind::GroupBox, 103, "Effects", Rect{M, 40, 108, 84}},
        {ControlKind::CheckBox, 1004, "Stri&keout", Rect{14, 52, 100, 64}},
        {ControlKind::CheckBox, 1005, "&Underline", Rect{14, 67, 100, 79}},
        {ControlKind::GroupBox, 104, "Sample", Rect{112, 40, 223, 84}},
        {ControlKind::OwnerDrawButton, 1006, "AaBbYyZz", Rect{118, 52, 217, 79}},
    }};
}

DialogTemplate FormatDialog() {
    constexpr int w = 190;
    DialogTemplate t{154, "Format", {w, 0}, {
        {ControlKind::GroupBox, 100, "Style", Rect{M, M, 96, 64}},
        {ControlKind::RadioButton, 5801, "&Scientific", Rect{14, 19, 92, 31}, platform::kCtlGroup},
        {ControlKind::RadioButton, 5802, "&Engineering", Rect{14, 34, 92, 46}},
        {ControlKind::RadioButton, 5803, "&Default", Rect{14, 49, 92, 61}},
        {ControlKind::Static, 101, "D&igits:", Rect{104, M + 2, 140, M + 12}},
        {ControlKind::Edit, 5804, "", Rect{142, M, 170, M + 12}},
        {ControlKind::UpDown, 5805, "", Rect{170, M, w - M, M + 12}},
        {ControlKind::Static, 102, "Sample:", Rect{104, 28, w - M, 38}},
        {ControlKind::Static, 1217, "", Rect{104, 40, w - M, 50}},
    }};
    int y = 64 + 2 * G;
    for (auto& b : Buttons(w, y)) t.controls.push_back(b);
    t.size.cy = y + BH + M;
    return t;
}

DialogTemplate TitleBlockPageTemplate() {
    constexpr int w = 250;
    DialogTemplate t{12800, "Title Block", {w, 0}, {}};
    int y = M;
    for (int i = 0; i < 5; ++i, y += 16) {
        static const char* kLabels[5] = {"Field &1:", "Field &2:", "Field &3:", "Field &4:", "Field &5:"};
        t.controls.push_back({ControlKind::Static, 100 + i, kLabels[i], Rect{M, y + 2, 48, y + 12}});
        t.controls.push_back({ControlKind::Edit, 12802 + i, "", Rect{50, y, w - M, y + 12}});
    }
    y += G;
    t.controls.push_back({ControlKind::CheckBox, 12801, "&One Title", Rect{50, y, 110, y + 12}});
    t.controls.push_back({ControlKind::CheckBox, 12807, "&Border", Rect{114, y, 170, y + 12}});
    t.controls.push_back({ControlKind::CheckBox, 12808, "&Title Block", Rect{174, y, w - M, y + 12}});
    t.size.cy = y + 12 + M;
    return t;
}

DialogTemplate PrintingTemplate() {
    constexpr int w = 180;
    return DialogTemplate{209, "Printing", {w, 70}, {
        {ControlKind::Static, 100, "Now Printing", Rect{M, M, w - M, M + 10}},
        {ControlKind::Static, 11000, "", Rect{M, 20, w - M, 30}},
        {ControlKind::Static, 11001, "", Rect{M, 32, w - M, 42}},
        {ControlKind::DefPushButton, 2, "Cancel", Rect{(w - BW) / 2, 70 - M - BH, (w + BW) / 2, 70 - M}},
    }};
}

// The picture object: its file, and border and fill colours each on a grid of 64 with
// "No Color" above it.
DialogTemplate PictureTemplate() {
    constexpr int w = 240, bw = 12, bh = 10, gridTop = 54;
    DialogTemplate t{18800, "Picture", {w, 0}, {
        {ControlKind::Static, 100, "&File:", Rect{M, M + 2, 34, M + 12}},
        {ControlKind::Edit, kIdField, "", Rect{36, M, w - M - BW - G, M + 12}},
        {ControlKind::PushButton, 18801, "&Browse...", Rect{w - M - BW, M - 1, w - M, M + 13}},
        {ControlKind::GroupBox, 101, "Border", Rect{M, 26, 118, 158}},
        {ControlKind::OwnerDrawButton, 19800, "", Rect{15, gridTop, 15 + bw, gridTop + bh}},
        {ControlKind::Static, 102, "&Weight:", Rect{15, 140, 50, 150}},
        {ControlKind::ComboList, 18802, "", Rect{52, 138, 111, 152}},
        {ControlKind::GroupBox, 103, "Fill", Rect{122, 26, w - M, 158}},
        {ControlKind::OwnerDrawButton, 19865, "", Rect{130, gridTop, 130 + bw, gridTop + bh}},
    }};
    int y = 158 + 2 * G;
    for (auto& b : Buttons(w, y)) t.controls.push_back(b);
    t.size.cy = y + BH + M;
    return t;
}

const std::vector<DialogTemplate>& Table() {
    static const std::vector<DialogTemplate> table = {
        OneField(159, "Header/Footer", "&Text:"),
        OneField(310, "Go To Parameter", "&Parameter:"),
        OneField(12202, "Rename Page", "&Name:"),
        OneField(20399, "Find Package", "&Package:"),
        OneField(261, "Password", "&Password:"),
        OneField(3105, "Text", "&Text:", 1),
        TwoFields(262, "Password", "&Password:", "&Re-enter:"),
        TwoFields(309, "Copy Model", "&Model name:", "&Library:"),
        ListChoice(3200, "Select"),
        Notice(3210, "Notice"),
        Notice(3890, "Notice"),
        ColourPage(),
        FontPage(),
        FormatDialog(),
        TitleBlockPageTemplate(),
        PrintingTemplate(),
        PictureTemplate(),
    };
    return table;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& t : Table())
        if (t.id == id) return &t;
    return nullptr;
}

}  // namespace ob7
