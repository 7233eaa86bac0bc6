#pragma once
// Controls that dialogs and pages share: the grid of 64 colour buttons, the colour and
// font pages with the sheet that holds them, number formats with their dialog, and
// the progress bar of the status bar.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "foundation/number_format.h"
#include "platform/desktop.h"
#include "ui/framework/dialogs.h"

namespace platform {
class FrameWindow;
}

namespace ob7 {

// 64 owner-drawn colour buttons in 8 columns (and an optional "No Color" button above
// them), optionally coupled to a list of named items that each carry a colour.
class ColourButtonSet {
public:
    static constexpr int kButtons = 64;

    // Attaches to a page: the first button is in the page's template at baseId; the
    // others are made beside it. colours holds one colour index per list item.
    int Attach(platform::Dialog& page, int listId, const std::vector<std::string>* names, std::vector<int>* colours,
               int baseId, int listSelection, bool noColourButton);
    int AttachSimple(platform::Dialog& page, std::vector<int>* colours, int baseId, bool noColourButton) {
        return Attach(page, 0, nullptr, colours, baseId, -1, noColourButton);
    }
    void SetEnabled(bool on);
    bool Enabled() const { return enabled_; }
    // After the list selection changed.
    void RefreshSelection();
    // The page forwards its owner-draw calls and button clicks; true when they were the set's.
    bool DrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item);
    bool Click(int id);
    int CurrentColour() const { return current_; }
    int CurrentItem() const;
    int listOffset = 0;

private:
    void RepaintColour(int colour);
    platform::Dialog* page_ = nullptr;
    int listId_ = 0;
    std::vector<int>* colours_ = nullptr;
    int baseId_ = 0;
    bool noColour_ = false;
    bool enabled_ = true;
    int current_ = -1;
};

// The one-colour page.
class CColorPage : public CPropertyPage2 {
public:
    CColorPage();
    void SetColourByte(uint8_t* colour);
    int EditedColour() const { return colour_.empty() ? 0 : colour_[0]; }
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    ColourButtonSet buttons;

private:
    uint8_t* target_ = nullptr;
    std::vector<int> colour_{0};
};

// The font page on a FontRecord: face, style, size, effects and a sample.
class CFontPage : public CPropertyPage2 {
public:
    explicit CFontPage(bool effects = true);
    // A page of its own template that holds the font controls (1001-1006) among others.
    CFontPage(platform::DialogTemplate tmpl, bool effects);
    // filter: 0x40000 outline faces only, 0x4401 fixed pitch only, else all faces.
    void SetFontRecord(FontRecord* record, int filter = 0);
    void SetColorSlot(int slot);
    void GetFontRecord(FontRecord& record) const;
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;

    LogicalFont font;
    int wantedStyle = 64;

private:
    void FillFaces();
    void FillSizesAndStyles();
    void ShowRecord();
    void RefreshModified();
    FontRecord* record_ = nullptr;
    FontRecord saved_{};
    int filter_ = 0;
    bool effects_;
    platform::Color sampleColour_ = 0;
    std::vector<platform::desktop::FontFace> faces_;
};

// The font-and-colour sheet: a font page for a record, a colour page for a colour
// byte, or both; no Apply button.
class CFontProp : public CPropertySheet2 {
public:
    CFontProp(platform::Window* parent, FontRecord* record, int filter, uint8_t* colour, RememberedPosition* memory);
    bool OnInitDialog() override;
    CFontPage fontPage;
    CColorPage colourPage;
};

// The colour-choice sheet; true on OK with the colour changed.
bool RunColourSheet(platform::Window* parent, uint8_t& colour);
bool ChooseColourIndex(int& colour);

// A number format with a common scaling for a whole axis.
struct AxisScale {
    NumberFormatSpec spec;
    int outOfRange = 0;
    double multiplier = 1;
    int suffix = 0;
    void SetFromValue(double value);
    std::string Format(double value, bool scaled) const;
};

// The number-format controls of a dialog or page: Scientific, Engineering and Default
// (5801 to 5803), the digits edit 5804 and its spin button 5805, each id plus a base
// offset, attached to a spec.
class CNumFormatGroup {
public:
    enum : int { kScientific = 5801, kEngineering = 5802, kDefault = 5803, kDigits = 5804, kSpin = 5805 };
    // Sets the spin range 0 to 16 and shows the spec.
    void Attach(platform::Dialog& dialog, NumberFormatSpec& spec, int base = 0);
    void ShowSpec();
    // The controls as a spec; digits outside 0 to 16 (or unreadable) are corrected in the edit.
    NumberFormatSpec ReadSpec();
    // Reads the controls into the attached spec; true when its text changed.
    bool SpecChanged();
    // The spin button moved: its position into the digits edit. True when the id was the group's.
    bool OnControlNotify(int id, platform::Notify code);
    int Id(int id) const { return id + base_; }
private:
    platform::Dialog* dialog_ = nullptr;
    NumberFormatSpec* spec_ = nullptr;
    int base_ = 0;
};

// The Format dialog on a spec.
class CNumFormatDlg : public CDialog2 {
public:
    CNumFormatDlg(platform::Window* parent, NumberFormatSpec& spec);
    bool OnInitDialog() override;
    void OnOK() override;
    void OnControlNotify(int id, platform::Notify code) override;
    int changed = 0;
private:
    void ShowSample();
    NumberFormatSpec& spec_;
    NumberFormatSpec working_;
    CNumFormatGroup group_;
};

// The progress shown in the status bar: only a higher percentage moves the bar.
class CStatusProgress {
public:
    void SetRange(int low, int high);
    // The percentage shown, or -1 when nothing changed.
    int SetProgressPercent(int position, platform::FrameWindow* frame = nullptr, int pane = 1);

private:
    int low_ = 0, high_ = 100, last_ = 0;
};

}  // namespace ob7
