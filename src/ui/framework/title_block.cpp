#include "ui/framework/title_block.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>

#include "foundation/paths.h"
#include "foundation/profile.h"
#include "foundation/textfile.h"
#include "foundation/time_stamp.h"
#include "foundation/message_codes.h"
#include "platform/clipboard.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/window.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/file_dialogs.h"

namespace ob7 {

PrinterSettingsRecord PrinterSettings;
MacroSources Macros;

namespace {

size_t FindNoCase(const std::string& text, const std::string& what, size_t from) {
    if (what.empty()) return std::string::npos;
    for (size_t i = from; i + what.size() <= text.size(); ++i)
        if (strncasecmp(text.c_str() + i, what.c_str(), what.size()) == 0) return i;
    return std::string::npos;
}

std::vector<std::string> SplitHeaderLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    for (;;) {
        size_t next = text.find("\\n", pos);
        lines.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
        if (next == std::string::npos) break;
        pos = next + 2;
    }
    return lines;
}

}  // namespace

void SetDefaultTitleBlock(TitleBlockSettings& settings) {
    settings.fields = {"$name", "$user $company", "", "$date", "Page $page of $maxpage"};
}

void ReplaceTextMacro(std::string& text, const std::string& macro, const std::string& value) {
    size_t pos = FindNoCase(text, macro, 0);
    while (pos != std::string::npos) {
        text.replace(pos, macro.size(), value);
        pos = FindNoCase(text, macro, pos + value.size());
    }
}

void ExpandFileMacros(std::string& text, const std::string& fileName) {
    ReplaceTextMacro(text, "$ob", Macros.product);
    ReplaceTextMacro(text, "$date", GetDateString());
    ReplaceTextMacro(text, "$time", GetTimeString());
    ReplaceTextMacro(text, "$user", Macros.user);
    ReplaceTextMacro(text, "$company", Macros.company);
    std::string nameExt = GetFileNameAndExtension(fileName);
    ReplaceTextMacro(text, "$nameext", nameExt);
    ReplaceTextMacro(text, "$name", nameExt.substr(0, nameExt.find('.')));
}

void ExpandPageMacros(std::string& text, const std::string& fileName, int page, int pageCount) {
    // "$maxpage" holds no "$page", so the order of the two does not matter.
    ReplaceTextMacro(text, "$page", std::to_string(page));
    ReplaceTextMacro(text, "$maxpage", std::to_string(pageCount));
    ExpandFileMacros(text, fileName);
}

std::string ExpandTitleField(const TitleBlockSettings& settings, int field, const std::string& fileName,
                             const std::string& pageName, int page, int pageCount, int sheet, int sheetCount) {
    if (field < 1 || field > 5) return {};
    std::string text = settings.fields[field - 1];
    ReplaceTextMacro(text, "$pagename", pageName);  // before "$page", which begins it
    ExpandPageMacros(text, fileName, page, pageCount);
    ReplaceTextMacro(text, "$maxsheet", settings.oneTitle ? "n\\a" : std::to_string(sheetCount));
    ReplaceTextMacro(text, "$sheet", settings.oneTitle ? "n\\a" : std::to_string(sheet));
    return text;
}

TitleBlockLayout LayoutTitleBlock(const TitleBlockSettings& settings, platform::DrawContext& dc,
                                  const std::string& fileName, const std::string& pageName, int page, int pageCount,
                                  int sheet, int sheetCount) {
    TitleBlockLayout layout;
    for (int i = 0; i < 5; ++i) {
        std::string& text = layout.fields[i];
        text = ExpandTitleField(settings, i + 1, fileName, pageName, page, pageCount, sheet, sheetCount);
        text.erase(text.find_last_not_of(' ') + 1);
        int width = text.empty() ? 0 : dc.TextExtent(text).cx;
        if (i > 0) width /= 2;
        layout.width = std::max(layout.width, width);
    }
    return layout;
}

std::vector<std::string> LayoutAnalysisHeader(const StringTriple& header, int width, const std::string& analysis,
                                               const std::string& fileName) {
    std::array<std::vector<std::string>, 3> lines;
    for (int i = 0; i < 3; ++i) {
        std::string text = header.texts[i].substr(0, 999);
        ReplaceTextMacro(text, "$analysis", analysis);
        ExpandFileMacros(text, fileName);
        lines[i] = text.empty() ? std::vector<std::string>{} : SplitHeaderLines(text);
    }
    std::vector<std::string> out;
    int w = std::max(0, width);
    for (size_t n = 0;; ++n) {
        bool any = false;
        std::string line(w, ' ');
        for (int i = 0; i < 3; ++i) {
            if (n >= lines[i].size()) continue;
            any = true;
            std::string part = lines[i][n].substr(0, w);
            int len = static_cast<int>(part.size());
            int column = i == 0 ? 0 : i == 1 ? (w - len) / 2 : w - len;  // right lines longer than W are cut
            line.replace(column, len, part);
        }
        if (!any) break;
        size_t end = line.find_last_not_of(' ');
        line.resize(end == std::string::npos ? 0 : end + 1);
        out.push_back(line);
    }
    return out;
}

int WriteAnalysisHeader(const StringTriple& header, TextFile& stream, int width, const std::string& analysis,
                        const std::string& fileName) {
    for (const std::string& line : LayoutAnalysisHeader(header, width, analysis, fileName)) {
        stream.WriteText(line.c_str());
        stream.WriteText("\n");
    }
    return stream.error;
}

std::string HeaderTextToControl(const std::string& stored) {
    std::string out = stored;
    ReplaceTextMacro(out, "\\n", "\r\n");
    return out;
}

std::string HeaderTextFromControl(const std::string& shown) {
    std::string out = shown;
    ReplaceTextMacro(out, "\r\n", "\\n");
    ReplaceTextMacro(out, "\n", "\\n");
    return out;
}

int WritePrinterSection(Profile& profile, const PrinterSettingsRecord& s) {
    for (int i = 0; i < 5; ++i) {
        std::string key = "Field_" + std::to_string(i + 1);
        profile.WriteString(key.c_str(), s.title.fields[i].c_str());
    }
    profile.WriteYesNo("One Title", s.title.oneTitle);
    profile.WriteYesNo("Title_Block_Border", s.title.border);
    profile.WriteYesNo("Title_Block", s.title.titleBlock);
    profile.WriteInt("Orientation", s.orientation);
    profile.WriteString("Header", s.header.c_str());
    profile.WriteString("Footer", s.footer.c_str());
    return profile.error;
}

void ReadPrinterSection(Profile& profile, PrinterSettingsRecord& s) {
    std::string entry;
    while (profile.NextEntry(entry)) {
        if (entry.size() > 100) entry.resize(100);
        std::string key, value;
        SplitKeyValue(entry.c_str(), key, value);  // the key upper-cased
        auto yes = [&] { return strcasecmp(value.c_str(), "Yes") == 0 ? 1 : 0; };
        if (key.compare(0, 6, "FIELD_") == 0) {
            char* end = nullptr;
            long n = std::strtol(key.c_str() + 6, &end, 10);
            if (*end == '\0' && n >= 1 && n <= 5) s.title.fields[n - 1] = value;
        } else if (key == "ONE TITLE") {
            s.title.oneTitle = yes();
        } else if (key == "TITLE_BLOCK_BORDER") {
            s.title.border = yes();
        } else if (key == "TITLE_BLOCK") {
            s.title.titleBlock = yes();
        } else if (key == "ORIENTATION") {
            s.orientation = std::atoi(value.c_str());
        } else if (key == "HEADER") {
            s.header = value;
        } else if (key == "FOOTER") {
            s.footer = value;
        }
    }
}

// --- Title Block page --------------------------------------------------------------------

TitleBlockPage::TitleBlockPage(TitleBlockSettings& settings)
    : CPropertyPage2(*FindDialogTemplate(12800)), settings_(settings) {}

bool TitleBlockPage::OnInitDialog() {
    saved_ = settings_;
    for (int i = 0; i < 5; ++i) SetItemText(12802 + i, settings_.fields[i]);
    CheckButton(12801, settings_.oneTitle ? 1 : 0);
    CheckButton(12807, settings_.border ? 1 : 0);
    CheckButton(12808, settings_.titleBlock ? 1 : 0);
    return CPropertyPage2::OnInitDialog();
}

bool TitleBlockPage::ApplyPage() {
    for (int i = 0; i < 5; ++i) settings_.fields[i] = ItemText(12802 + i);
    settings_.oneTitle = IsButtonChecked(12801);
    settings_.border = IsButtonChecked(12807);
    settings_.titleBlock = IsButtonChecked(12808);
    return true;
}

void TitleBlockPage::ResetPage() { settings_ = saved_; }

void TitleBlockPage::OnControlNotify(int id, platform::Notify code) {
    if (created && (code == platform::Notify::Changed || code == platform::Notify::Clicked)) SetModified(true);
}

namespace {

class PictureDialog : public CDialog2 {
public:
    PictureDialog(platform::Window* parent, PictureObjectValues& values)
        : CDialog2(*FindDialogTemplate(18800), nullptr, parent), values_(values) {
        line_[0] = values.lineColour;
        fill_[0] = values.fillColour;
        OnCommand(18801, [this](int) {
            std::string path = ItemText(kIdField);
            if (FileOpenDialog(this, FirstDefaultFolder(kDataPath2), path, 10146, "Open Picture") == 1)
                SetItemText(kIdField, path);
        });
        OnCommandRange(19800, 19800 + 64, [this](int id) { lineSet_.Click(id); });
        OnCommandRange(19865, 19865 + 64, [this](int id) { fillSet_.Click(id); });
    }

    bool OnInitDialog() override {
        CDialog2::OnInitDialog();
        SetItemText(kIdField, values_.file);
        SetEditLimit(kIdField, 260);
        controls.ComboFillNumbers(18802, 10, values_.lineWidth);
        lineSet_.AttachSimple(*this, &line_, 19800, true);
        fillSet_.AttachSimple(*this, &fill_, 19865, true);
        return true;
    }

    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override {
        lineSet_.DrawItem(dc, item) || fillSet_.DrawItem(dc, item);
    }

    void OnOK() override {
        values_.file = ItemText(kIdField);
        int width = controls.ComboGetSel1(18802);
        if (width > 0) values_.lineWidth = width;
        values_.lineColour = line_[0];
        values_.fillColour = fill_[0];
        CDialog2::OnOK();
    }

private:
    PictureObjectValues& values_;
    std::vector<int> line_{0}, fill_{0};
    ColourButtonSet lineSet_, fillSet_;
};

}  // namespace

int RunPictureDialog(CDraw* view, PictureObjectValues& values) {
    PictureDialog dialog(view, values);
    int result = dialog.DoModal();
    if (result == 1 && view) {
        view->Refresh(56);
        view->OnDocumentChanged();
    }
    return result;
}

bool CopyWindowBitmapToClipboard(platform::Window& window, const platform::Rect& box) {
    if (!window.IsCreated()) return false;
    platform::Image image = window.Grab();
    if (image.IsNull()) return false;
    if (!box.IsEmpty()) {
        platform::Rect r{std::max(0, box.left), std::max(0, box.top), std::min(image.Width(), box.right + 1),
                         std::min(image.Height(), box.bottom + 1)};
        if (r.IsEmpty()) return false;
        image = image.Copy(r);
    }
    platform::clipboard::Clear();
    platform::clipboard::SetImage(image);
    return true;
}

}  // namespace ob7
