#include "ui/framework/colour_controls.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "foundation/numbers.h"
#include "foundation/string_table.h"
#include "platform/frame.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/fonts.h"

namespace ob7 {

using platform::Rect;

namespace {

platform::DialogTemplate FrameworkTemplate(int id) {
    const platform::DialogTemplate* t = FindDialogTemplate(id);
    return t ? *t : platform::DialogTemplate{id, "", {200, 100}, {}};
}

std::string Res(int id) {
    const char* s = FindResString(id);
    return s ? s : "";
}

void Bevel(platform::DrawContext& dc, const Rect& r, bool sunken) {
    // Outer top-left, inner top-left, inner bottom-right, outer bottom-right.
    int raised[4] = {71, 69, 70, 0};
    int pressed[4] = {70, 0, 69, 71};
    const int* s = sunken ? pressed : raised;
    auto line = [&](int slot, platform::Point a, platform::Point b, platform::Point c) {
        dc.SetPen(platform::Pen::Solid(Slot(slot).colour));
        dc.MoveTo(a);
        dc.LineTo(b);
        dc.LineTo(c);
    };
    line(s[0], {r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top});
    line(s[1], {r.left + 1, r.bottom - 2}, {r.left + 1, r.top + 1}, {r.right - 1, r.top + 1});
    line(s[2], {r.left + 1, r.bottom - 2}, {r.right - 2, r.bottom - 2}, {r.right - 2, r.top});
    line(s[3], {r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top - 1});
}

}  // namespace

// --- Colour button set -----------------------------------------------------------------

int ColourButtonSet::Attach(platform::Dialog& page, int listId, const std::vector<std::string>* names,
                            std::vector<int>* colours, int baseId, int listSelection, bool noColourButton) {
    page_ = &page;
    listId_ = listId;
    colours_ = colours;
    baseId_ = baseId;
    noColour_ = noColourButton;
    current_ = -1;
    Rect first;
    for (const auto& spec : page.Template().controls)
        if (spec.id == baseId) first = spec.rect;
    int w = first.Width(), h = first.Height();
    for (int i = 1; i < kButtons; ++i) {
        int x = first.left + (i % 8) * w, y = first.top + (i / 8) * h;
        page.AddControl({platform::ControlKind::OwnerDrawButton, baseId + i, "", Rect{x, y, x + w, y + h}});
    }
    if (noColour_)
        page.AddControl({platform::ControlKind::PushButton, baseId + kButtons, "No Color",
                         Rect{first.left, first.top - 12, first.left + 8 * w, first.top - 1}});
    if (listId_ && names) {
        page.ResetContent(listId_);
        for (const std::string& n : *names)
            if (!n.empty()) page.AddString(listId_, n);
        if (listSelection >= 0) page.SetCurSel(listId_, listSelection);
    }
    return 0;
}

int ColourButtonSet::CurrentItem() const {
    if (!page_ || !colours_) return -1;
    int item = 0;
    if (listId_) {
        int sel = page_->CurSel(listId_);
        if (sel < 0) return -1;
        item = sel - listOffset;
    }
    return item >= 0 && item < static_cast<int>(colours_->size()) ? item : -1;
}

void ColourButtonSet::RepaintColour(int colour) {
    if (!page_) return;
    if (colour == kNoColor) {
        if (noColour_) page_->InvalidateItem(baseId_ + kButtons);
    } else if (colour >= 0 && colour < kButtons) {
        page_->InvalidateItem(baseId_ + colour);
    }
}

void ColourButtonSet::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    for (int i = 0; i <= kButtons; ++i)
        if (page_) page_->InvalidateItem(baseId_ + i);
}

void ColourButtonSet::RefreshSelection() {
    RepaintColour(current_);
    int item = CurrentItem();
    if (item >= 0) RepaintColour((*colours_)[item]);
}

bool ColourButtonSet::Click(int id) {
    int d = id - baseId_;
    if (!page_ || d < 0 || d > kButtons || (d == kButtons && !noColour_)) return false;
    int item = CurrentItem();
    if (!enabled_ || item < 0) return true;
    int colour = d == kButtons ? kNoColor : d;
    int previous = (*colours_)[item];
    (*colours_)[item] = colour;
    RepaintColour(previous);
    RepaintColour(colour);
    return true;
}

bool ColourButtonSet::DrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    int d = item.controlId - baseId_;
    if (!page_ || d < 0 || d >= kButtons) return false;
    Rect r = item.rect;
    platform::Color face = Slot(65).colour;
    dc.FillRect(r, platform::Brush::Solid(face));
    if (listId_ && page_->CurSel(listId_) < 0) return true;  // nothing selected: blank
    int current = CurrentItem();
    bool sunken = enabled_ && current >= 0 && (*colours_)[current] == d;
    if (sunken) current_ = d;
    Bevel(dc, r, sunken);
    Rect inside{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    platform::Color fill = enabled_ ? PaletteEntryColorRef(d, 1) : Slot(7).colour;
    dc.FillRect(inside, platform::Brush::Solid(fill));
    if (sunken) {
        // The chosen colour also gets a frame in the text colour, so that it stands out
        // on light and dark swatches alike.
        dc.FrameRect(inside, platform::Brush::Solid(Slot(66).colour));
        dc.FrameRect(Rect{inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1},
                     platform::Brush::Solid(Slot(15).colour));
    }
    if (item.focused && enabled_) {
        dc.DrawFocusRect(Rect{inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1});
    }
    return true;
}

// --- Colour page -------------------------------------------------------------------------

CColorPage::CColorPage() : CPropertyPage2(FrameworkTemplate(9900)) {
    OnCommandRange(19800, 19800 + ColourButtonSet::kButtons, [this](int id) {
        if (buttons.Click(id)) SetModified(true);
    });
}

void CColorPage::SetColourByte(uint8_t* colour) {
    target_ = colour;
    colour_[0] = colour ? *colour : 0;
}

bool CColorPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    buttons.AttachSimple(*this, &colour_, 19800, false);
    return true;
}

bool CColorPage::ApplyPage() {
    if (target_) *target_ = static_cast<uint8_t>(colour_[0]);
    return true;
}

void CColorPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) { buttons.DrawItem(dc, item); }

// --- Font page -----------------------------------------------------------------------------

namespace {

constexpr int kFaceCombo = 1001, kStyleCombo = 1002, kSizeCombo = 1003, kStrikeOut = 1004, kUnderline = 1005,
              kSample = 1006;
constexpr int kStandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

int PointsOfHeight(int height) {
    int ppi = std::max(1, platform::desktop::LogicalDpi());
    long twips = std::lround(std::abs(height) * 1440.0 / ppi);
    return static_cast<int>((twips + 10) / 20);
}

int HeightOfSizeText(const std::string& text) {
    char* end = nullptr;
    double s = std::strtod(text.c_str(), &end);
    while (end && *end == ' ') ++end;
    if (!end || end == text.c_str() || *end != '\0' || s <= 0) return 0;
    return -static_cast<int>(s * platform::desktop::LogicalDpi() / 72);
}

}  // namespace

CFontPage::CFontPage(bool effects) : CPropertyPage2(FrameworkTemplate(15685)), effects_(effects) {}
CFontPage::CFontPage(platform::DialogTemplate tmpl, bool effects)
    : CPropertyPage2(std::move(tmpl)), effects_(effects) {}

void CFontPage::SetFontRecord(FontRecord* record, int filter) {
    record_ = record;
    filter_ = filter;
    if (record) {
        saved_ = *record;
        FontRecord unrotated = *record;
        unrotated.style &= ~0x70;
        FontRecordToLogFont(unrotated, font);
        wantedStyle = 64;
        if (record->style & kFontItalic) wantedStyle = 1;
        if (record->style & kFontBold) wantedStyle = (record->style & kFontItalic) ? 33 : 32;
    }
    if (IsCreated()) ShowRecord();
}

void CFontPage::SetColorSlot(int slot) {
    sampleColour_ = Slot(slot).colour;
    if (IsCreated()) InvalidateItem(kSample);
}

void CFontPage::GetFontRecord(FontRecord& record) const {
    LogicalFont f = font;
    f.height = std::clamp(f.height, -96, 72);
    if (!effects_) f.underline = f.strikeOut = 0;
    uint8_t rotation = record.style & 0x70;
    LogFontToRecord(record, f);
    record.style = static_cast<uint8_t>((record.style & ~0x70) | rotation);
}

bool CFontPage::OnInitDialog() {
    CPropertyPage2::OnInitDialog();
    sampleColour_ = Slot(66).colour;
    ShowRecord();
    return true;
}

void CFontPage::FillFaces() {
    faces_.clear();
    ResetContent(kFaceCombo);
    for (platform::desktop::FontFace& face : platform::desktop::FontFaces()) {
        if (filter_ == 0x40000 && !face.scalable) continue;
        if (filter_ == 0x4401 && !face.fixedPitch) continue;
        faces_.push_back(std::move(face));
    }
    for (size_t i = 0; i < faces_.size(); ++i) {
        int index = AddString(kFaceCombo, faces_[i].name);
        SetItemData(kFaceCombo, index, static_cast<long long>(i));
    }
}

void CFontPage::FillSizesAndStyles() {
    ResetContent(kSizeCombo);
    ResetContent(kStyleCombo);
    const platform::desktop::FontFace* face = nullptr;
    for (const auto& f : faces_)
        if (strcasecmp(f.name.c_str(), font.faceName.c_str()) == 0) face = &f;
    if (face && !face->scalable)
        for (int s : face->bitmapSizes) AddString(kSizeCombo, std::to_string(s));
    else
        for (int s : kStandardSizes) AddString(kSizeCombo, std::to_string(s));
    static constexpr int kCodes[4] = {64, 32, 1, 33};
    int selected = 0;
    for (int i = 0; i < 4; ++i) {
        int index = AddString(kStyleCombo, Res(65049 + i));
        SetItemData(kStyleCombo, index, kCodes[i]);
        if (kCodes[i] == wantedStyle) selected = index;
    }
    SetCurSel(kStyleCombo, selected);
    SetItemText(kSizeCombo, std::to_string(PointsOfHeight(font.height)));
}

void CFontPage::ShowRecord() {
    bool on = record_ != nullptr;
    for (int id : {kFaceCombo, kStyleCombo, kSizeCombo}) EnableItem(id, on);
    for (int id : {kStrikeOut, kUnderline}) {
        EnableItem(id, on && effects_);
        ShowItem(id, effects_);
    }
    FillFaces();
    if (!on) {
        SetItemText(kFaceCombo, "");
        SetItemText(kSizeCombo, "");
        CheckButton(kStrikeOut, 0);
        CheckButton(kUnderline, 0);
        InvalidateItem(kSample);
        return;
    }
    int index = FindStringExact(kFaceCombo, font.faceName);
    if (index >= 0) SetCurSel(kFaceCombo, index);
    else SetItemText(kFaceCombo, font.faceName);
    FillSizesAndStyles();
    CheckButton(kStrikeOut, font.strikeOut ? 1 : 0);
    CheckButton(kUnderline, font.underline ? 1 : 0);
    InvalidateItem(kSample);
}

void CFontPage::RefreshModified() {
    InvalidateItem(kSample);
    SetModified(true);
}

void CFontPage::OnControlNotify(int id, platform::Notify code) {
    if (!record_) return;
    using platform::Notify;
    if (id == kFaceCombo && (code == Notify::SelChange || code == Notify::Changed)) {
        int sel = CurSel(kFaceCombo);
        std::string name = code == Notify::SelChange && sel >= 0 ? ItemString(kFaceCombo, sel) : ItemText(kFaceCombo);
        if (name.size() > 31) name.resize(31);
        if (name == font.faceName) return;
        font.faceName = name;
        std::string size = ItemText(kSizeCombo);
        FillSizesAndStyles();
        if (int h = HeightOfSizeText(size)) font.height = h;
        SetItemText(kSizeCombo, std::to_string(PointsOfHeight(font.height)));
        RefreshModified();
    } else if (id == kStyleCombo && code == Notify::SelChange) {
        int sel = CurSel(kStyleCombo);
        if (sel < 0) return;
        int style = static_cast<int>(ItemData(kStyleCombo, sel));
        wantedStyle = style;
        font.italic = (style & 1) ? 1 : 0;
        font.weight = (style & 32) ? 700 : 400;
        RefreshModified();
    } else if (id == kSizeCombo && (code == Notify::SelChange || code == Notify::Changed)) {
        int sel = CurSel(kSizeCombo);
        std::string text = code == Notify::SelChange && sel >= 0 ? ItemString(kSizeCombo, sel) : ItemText(kSizeCombo);
        int h = HeightOfSizeText(text);
        if (h && h != font.height) {
            font.height = h;
            RefreshModified();
        }
    } else if ((id == kStrikeOut || id == kUnderline) && code == Notify::Clicked) {
        font.strikeOut = IsButtonChecked(kStrikeOut) ? 1 : 0;
        font.underline = IsButtonChecked(kUnderline) ? 1 : 0;
        RefreshModified();
    }
}

void CFontPage::OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) {
    if (item.controlId != kSample) return;
    Rect r = item.rect;
    dc.FillRect(Rect{r.left, r.top, r.right + 1, r.bottom + 1}, platform::Brush::Solid(Slot(15).colour));
    if (!record_) return;
    FontRecord shown{};
    LogFontToRecord(shown, font);
    platform::Font f = CreateFontFromRecord(shown);
    f.escapement = 0;
    dc.SetFont(f);
    dc.SetTextColor(sampleColour_);
    dc.SetBkOpaque(false);
    dc.DrawText("AaBbYyZz", r, platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine);
}

bool CFontPage::ApplyPage() {
    if (record_) GetFontRecord(*record_);
    return true;
}

void CFontPage::ResetPage() {
    if (record_) *record_ = saved_;
}

CFontProp::CFontProp(platform::Window* parent, FontRecord* record, int filter, uint8_t* colour,
                     RememberedPosition* memory)
    : CPropertySheet2(record && colour ? "Font And Color" : record ? "Font" : "Color", memory, nullptr, parent) {
    if (record) {
        fontPage.SetFontRecord(record, filter);
        AddPage(fontPage);
    }
    if (colour) {
        colourPage.SetColourByte(colour);
        AddPage(colourPage);
    }
}

bool CFontProp::OnInitDialog() {
    CPropertySheet2::OnInitDialog();
    ShowItem(kApply, false);
    return true;
}

bool RunColourSheet(platform::Window* parent, uint8_t& colour) {
    static RememberedPosition position;
    CFontProp sheet(parent, nullptr, 0, &colour, &position);
    return sheet.DoModal() == 1;
}

bool ChooseColourIndex(int& colour) {
    uint8_t byte = static_cast<uint8_t>(colour & 0xFF);
    if (!RunColourSheet(nullptr, byte)) return false;
    colour = byte;
    return true;
}

// --- Number formats -------------------------------------------------------------------------

void AxisScale::SetFromValue(double value) {
    double a = std::fabs(value);
    outOfRange = (a < 1e-15 || a > 1e15 || value == 0) ? 1 : 0;
    multiplier = 1;
    suffix = 0;
    if (spec.style == 'E') return;
    const char* s = EngineeringScale(&multiplier, kNumLowerCase, value);
    suffix = s && *s && *s != ' ' ? *s : 0;
}

std::string AxisScale::Format(double value, bool scaled) const {
    constexpr int flags = kNumLowerCase | kNumPadZeros | kNumTidyExponent;
    char buffer[kNumberTextSize];
    if (outOfRange) {
        FormatNumber(buffer, &value, spec.digits, 'E', flags);
    } else if (scaled) {
        double v = value * multiplier;
        FormatNumber(buffer, &v, spec.digits, spec.style, flags | kNumNoScaling);
        size_t n = std::strlen(buffer);
        while (n && buffer[n - 1] == ' ') buffer[--n] = '\0';
        if (suffix && n + 1 < sizeof buffer) {
            buffer[n] = static_cast<char>(suffix);
            buffer[n + 1] = '\0';
        }
    } else {
        FormatNumber(buffer, &value, spec.digits, spec.style, flags);
    }
    std::string out = buffer;
    size_t b = out.find_first_not_of(' '), e = out.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : out.substr(b, e - b + 1);
}

void CNumFormatGroup::Attach(platform::Dialog& dialog, NumberFormatSpec& spec, int base) {
    dialog_ = &dialog;
    spec_ = &spec;
    base_ = base;
    dialog.SetRange(Id(kSpin), 0, 16);
    ShowSpec();
}

void CNumFormatGroup::ShowSpec() {
    if (!dialog_) return;
    const char* text = spec_->text;
    int checked = std::strpbrk(text, "Ee") ? kScientific : std::strpbrk(text, "Gg") ? kDefault : kEngineering;
    dialog_->CheckRadioButton(Id(kScientific), Id(kDefault), Id(checked));
    int digits = std::clamp(std::atoi(text), 0, 16);
    dialog_->SetItemText(Id(kDigits), std::to_string(digits));
    dialog_->SetPos(Id(kSpin), digits);
}

NumberFormatSpec CNumFormatGroup::ReadSpec() {
    NumberFormatSpec spec;
    if (!dialog_) return spec;
    DialogControls controls(*dialog_);
    int error = 0;
    double read = controls.GetDlgItemValue(Id(kDigits), &error);
    int digits = error ? 3 : static_cast<int>(std::clamp(read, 0.0, 16.0));
    if (error || digits != read) dialog_->SetItemText(Id(kDigits), std::to_string(digits));
    char text[16];
    const char* letter = dialog_->IsButtonChecked(Id(kScientific)) ? "E"
                         : dialog_->IsButtonChecked(Id(kDefault))  ? "G"
                                                                   : "";
    std::snprintf(text, sizeof text, "%d%s", digits, letter);
    spec.Set(text);
    return spec;
}

bool CNumFormatGroup::SpecChanged() {
    if (!spec_) return false;
    NumberFormatSpec read = ReadSpec();
    bool changed = std::strcmp(read.text, spec_->text) != 0;
    *spec_ = read;
    return changed;
}

bool CNumFormatGroup::OnControlNotify(int id, platform::Notify code) {
    if (!dialog_) return false;
    if (id == Id(kSpin) && code == platform::Notify::Changed) {
        dialog_->SetItemText(Id(kDigits), std::to_string(dialog_->Pos(Id(kSpin))));
        return true;
    }
    return id >= Id(kScientific) && id <= Id(kSpin);
}

CNumFormatDlg::CNumFormatDlg(platform::Window* parent, NumberFormatSpec& spec)
    : CDialog2(FrameworkTemplate(154), nullptr, parent), spec_(spec), working_(spec) {
    OnCommandRange(5801, 5803, [this](int) { ShowSample(); });
}

bool CNumFormatDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    group_.Attach(*this, working_);
    ShowSample();
    return true;
}

void CNumFormatDlg::ShowSample() {
    NumberFormatSpec spec = group_.ReadSpec();
    double value = 123456.123456789;
    char buffer[kNumberTextSize];
    FormatNumber(buffer, &value, spec.digits, spec.style, kNumLowerCase);
    SetItemText(1217, buffer);
}

void CNumFormatDlg::OnControlNotify(int id, platform::Notify code) {
    if (group_.OnControlNotify(id, code) && code == platform::Notify::Changed) ShowSample();
}

void CNumFormatDlg::OnOK() {
    if (group_.SpecChanged()) changed = 1;
    spec_ = working_;
    CDialog2::OnOK();
}

// --- Progress ---------------------------------------------------------------------------------

void CStatusProgress::SetRange(int low, int high) {
    low_ = low;
    high_ = high > low ? high : low + 1;
    last_ = 0;
}

int CStatusProgress::SetProgressPercent(int position, platform::FrameWindow* frame, int pane) {
    int percent = static_cast<int>(static_cast<long long>(position - low_) * 100 / (high_ - low_));
    if (percent <= last_) return -1;
    last_ = percent;
    if (frame && frame->IsCreated()) frame->SetPaneProgress(pane, percent);
    return percent;
}

}  // namespace ob7
