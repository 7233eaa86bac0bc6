#pragma once
// Title blocks, header and footer macros ("$date", "$page" ...) and the three-part
// header of numeric output; the Title Block page and the "Printer" profile section.

#include <array>
#include <string>
#include <vector>

#include "ui/framework/dialogs.h"

namespace platform {
class DrawContext;
class Window;
}

namespace ob7 {

class CDraw;
class Profile;
class TextFile;

struct TitleBlockSettings {
    std::array<std::string, 5> fields;  // field 1 large font, 2 to 5 small
    int oneTitle = 0;
    int border = 0;
    int titleBlock = 0;
};

// The program-wide title block with the printer's orientation, header and footer.
struct PrinterSettingsRecord {
    TitleBlockSettings title;
    int orientation = 0;
    std::string header, footer;
};
extern PrinterSettingsRecord PrinterSettings;

// What the file macros draw from: the product text and the names of the framework profile.
struct MacroSources {
    std::string product = "Ombrelic 7.0";
    std::string user, company;
};
extern MacroSources Macros;

void SetDefaultTitleBlock(TitleBlockSettings& settings = PrinterSettings.title);

// Replaces every occurrence of the macro (any case) by the value; the search goes on
// after each inserted value, so a value holding its own macro ends all the same.
void ReplaceTextMacro(std::string& text, const std::string& macro, const std::string& value);
void ExpandFileMacros(std::string& text, const std::string& fileName);
void ExpandPageMacros(std::string& text, const std::string& fileName, int page, int pageCount);
// A title-block field for a page: "$pagename", the page macros, "$sheet", "$maxsheet".
std::string ExpandTitleField(const TitleBlockSettings& settings, int field, const std::string& fileName,
                             const std::string& pageName, int page, int pageCount, int sheet, int sheetCount);

// The five fields of a title block expanded for a page, trailing spaces removed, and the
// width the block needs in the context's current font: field 1 as measured, fields 2 to
// 5 (printed in the small font) at half their measured width.
struct TitleBlockLayout {
    std::array<std::string, 5> fields;
    int width = 0;
};
TitleBlockLayout LayoutTitleBlock(const TitleBlockSettings& settings, platform::DrawContext& dc,
                                  const std::string& fileName, const std::string& pageName, int page, int pageCount,
                                  int sheet, int sheetCount);

// The header of numeric output: three texts whose lines are separated by backslash-n.
struct StringTriple {
    std::array<std::string, 3> texts;  // left, centre, right
};
// The header lines for an output width; "$analysis" and the file macros expanded.
std::vector<std::string> LayoutAnalysisHeader(const StringTriple& header, int width, const std::string& analysis,
                                               const std::string& fileName);
int WriteAnalysisHeader(const StringTriple& header, TextFile& stream, int width, const std::string& analysis,
                        const std::string& fileName);
// Edit-control form (CR LF) and stored form (backslash-n) of a header text.
std::string HeaderTextToControl(const std::string& stored);
std::string HeaderTextFromControl(const std::string& shown);

// The "Printer" section of the settings profile.
int WritePrinterSection(Profile& profile, const PrinterSettingsRecord& settings = PrinterSettings);
void ReadPrinterSection(Profile& profile, PrinterSettingsRecord& settings = PrinterSettings);

// The Title Block page on a record; Cancel restores what Apply wrote.
class TitleBlockPage : public CPropertyPage2 {
public:
    explicit TitleBlockPage(TitleBlockSettings& settings);
    bool OnInitDialog() override;
    bool ApplyPage() override;
    void ResetPage() override;
    void OnControlNotify(int id, platform::Notify code) override;

private:
    TitleBlockSettings& settings_;
    TitleBlockSettings saved_;
};

// What the picture dialog edits of a picture object.
struct PictureObjectValues {
    std::string file;  // the object's FILE attribute
    int lineWidth = 1;
    int lineColour = 0;   // colour slot, 74 none
    int fillColour = 74;
};
// The "Picture" dialog; 1 on OK with the values changed, 2 on Cancel. With a view, OK
// repaints it and marks it changed.
int RunPictureDialog(CDraw* view, PictureObjectValues& values);

// The window's client area (or the part inside box when it is not empty) as a bitmap
// on the clipboard; false when there is nothing to copy.
bool CopyWindowBitmapToClipboard(platform::Window& window, const platform::Rect& box = {});

}  // namespace ob7
