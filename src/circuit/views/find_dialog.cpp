#include "circuit/views/find_dialog.h"

#include "foundation/messages.h"
#include "ui/framework/dialog_templates.h"

#include <algorithm>

namespace ob7 {

using platform::ControlKind;
using platform::DialogTemplate;
using platform::Rect;

namespace {

RememberedPosition searchPosition, replacePosition;

DialogTemplate SearchTemplate()
{
    return DialogTemplate{kSearchTemplate, "Search", {236, 56}, {
        {ControlKind::Static, 100, "Find What:", Rect{7, 9, 50, 19}},
        {ControlKind::ComboDropDown, 10, "", Rect{52, 7, 229, 19}},
        {ControlKind::CheckBox, kIdWholeWord, "Whole Word", Rect{52, 23, 140, 33}},
        {ControlKind::DefPushButton, 1, "&OK", Rect{71, 37, 121, 51}},
        {ControlKind::PushButton, 2, "&Cancel", Rect{125, 37, 175, 51}},
        {ControlKind::PushButton, 9, "&Help...", Rect{179, 37, 229, 51}},
    }};
}

DialogTemplate ReplaceTemplate()
{
    return DialogTemplate{kReplaceTemplate, "Replace", {290, 96}, {
        {ControlKind::Static, 100, "Find What:", Rect{7, 9, 56, 19}},
        {ControlKind::ComboDropDown, 10, "", Rect{58, 7, 226, 19}},
        {ControlKind::Static, 101, "Replace With:", Rect{7, 27, 56, 37}},
        {ControlKind::ComboDropDown, 205, "", Rect{58, 25, 226, 37}},
        {ControlKind::CheckBox, kIdWholeWord, "Whole Word", Rect{58, 43, 160, 53}},
        {ControlKind::Static, kIdFindStatus, "", Rect{7, 79, 226, 89}},
        {ControlKind::DefPushButton, kIdFindNext, "&Find Next", Rect{233, 7, 283, 21}},
        {ControlKind::PushButton, kIdReplaceOne, "&Replace", Rect{233, 25, 283, 39}},
        {ControlKind::PushButton, kIdReplaceAll, "Replace &All", Rect{233, 43, 283, 57}},
        {ControlKind::PushButton, kIdCloseFind, "&Close", Rect{233, 61, 283, 75}},
        {ControlKind::PushButton, 9, "&Help...", Rect{233, 79, 283, 93}},
    }};
}

std::string Cut255(const std::string& text)
{
    return text.substr(0, kMaxSearchText);
}

TextSelection SelectionOf(const CTxtEdit& edit)
{
    int start = 0, end = 0;
    edit.GetSel(start, end);
    if (start > end)
        std::swap(start, end);
    return TextSelection{static_cast<size_t>(std::max(start, 0)), static_cast<size_t>(std::max(end, 0))};
}

// The text area's selection as the search text, when there is one.
void TakeSelection(CCTDraw& view)
{
    std::string selected = view.textArea.GetSelText();
    if (!selected.empty())
        TextSearch.search = Cut255(selected);
}

// Selects the bytes start..end of the text.
void SelectBytes(CTxtEdit& edit, size_t start, size_t end)
{
    edit.SetSel(static_cast<int>(start), static_cast<int>(std::max(start, end)));
}

}  // namespace

CFindDlg::CFindDlg(CCTDraw& view, bool replace)
    : CDialog2(replace ? ReplaceTemplate() : SearchTemplate(), replace ? &replacePosition : &searchPosition, &view),
      view_(view), replace_(replace)
{
    OnCommand(kIdFindNext, [this](int) {
        TakeTexts();
        FindNextInText(view_, TextSearch.search, nullptr, true);
    });
    OnCommand(kIdReplaceOne, [this](int) {
        TakeTexts();
        FindNextInText(view_, TextSearch.search, &TextSearch.replacement, true);
    });
    OnCommand(kIdReplaceAll, [this](int) {
        TakeTexts();
        int count = ReplaceAllInText(view_, TextSearch.search, TextSearch.replacement);
        SetItemText(kIdFindStatus, ReplaceAllStatusText(count));
    });
    OnCommand(kIdCloseFind, [this](int) { EndDialogSavePos(2); });
}

void CFindDlg::FillCombos()
{
    ResetContent(kIdField);
    for (int i = 0; i < SearchHistory.Count(); ++i)
        if (!SearchHistory.Name(i).empty())
            AddString(kIdField, SearchHistory.Name(i));
    if (!TextSearch.search.empty())
        SetItemText(kIdField, TextSearch.search);
    if (!replace_)
        return;
    ResetContent(kIdField2);
    for (int i = 0; i < ReplaceHistory.Count(); ++i)
        if (!ReplaceHistory.Name(i).empty())
            AddString(kIdField2, ReplaceHistory.Name(i));
    SetItemText(kIdField2, TextSearch.replacement);
}

bool CFindDlg::OnInitDialog()
{
    CDialog2::OnInitDialog();
    FillCombos();
    CheckButton(kIdWholeWord, TextSearch.wholeWord ? 1 : 0);
    if (replace_) {
        const bool any = !ItemText(kIdField).empty();
        EnableItem(kIdFindNext, any);
        EnableItem(kIdReplaceOne, any);
    }
    return true;
}

void CFindDlg::TakeTexts()
{
    TextSearch.wholeWord = IsButtonChecked(kIdWholeWord) != 0;
    std::string search = Cut255(ItemText(kIdField));
    if (replace_) {
        std::string replacement = Cut255(ItemText(kIdField2));
        RememberSearchTexts(search, &replacement);
        FillCombos();
    } else {
        RememberSearchTexts(search, nullptr);
    }
}

void CFindDlg::OnOK()
{
    if (replace_) {
        TakeTexts();
        FindNextInText(view_, TextSearch.search, nullptr, true);
        return;
    }
    TakeTexts();
    EndDialogSavePos(1);
}

void CFindDlg::OnControlNotify(int id, platform::Notify code)
{
    if (replace_ && id == kIdField && (code == platform::Notify::Changed || code == platform::Notify::SelChange)) {
        const bool any = !ItemText(kIdField).empty();
        EnableItem(kIdFindNext, any);
        EnableItem(kIdReplaceOne, any);
    }
}

int FindNextInText(CCTDraw& view, const std::string& search, const std::string* replacement, bool reportNotFound)
{
    CTxtEdit& edit = view.textArea;
    std::string text = edit.GetText();
    const TextSelection before = SelectionOf(edit);
    TextSelection selection = before;
    int result = FindNextInText(text, selection, search, replacement, TextSearch.wholeWord, reportNotFound);
    if (result != kFindFound)
        return result;
    if (replacement && text != edit.GetText()) {
        // The selected match was replaced: the editor makes the change so that its undo
        // records it, then the next match is selected.
        SelectBytes(edit, before.start, before.start + search.size());
        edit.ReplaceSel(*replacement);
    }
    edit.ScrollCharIntoView(static_cast<int>(selection.start));
    SelectBytes(edit, selection.start, selection.end);
    return result;
}

int ReplaceAllInText(CCTDraw& view, const std::string& search, const std::string& replacement)
{
    std::string text = view.textArea.GetText();
    int count = ReplaceAllInText(text, search, replacement, TextSearch.wholeWord);
    if (count == 0)
        return 0;
    view.BeginEditUndo("Replace All");
    view.textArea.SetText(text);
    view.OnDocumentChanged();
    return count;
}

void FindInText(CCTDraw& view, bool showDialog)
{
    if (showDialog || TextSearch.search.empty())
        TakeSelection(view);
    if (showDialog || TextSearch.search.empty()) {
        CFindDlg dialog(view, false);
        if (dialog.DoModal() != 1) {
            view.textArea.SetFocus();
            return;
        }
    }
    FindNextInText(view, TextSearch.search, nullptr, true);
    view.textArea.SetFocus();
}

void ReplaceInText(CCTDraw& view)
{
    TakeSelection(view);
    CFindDlg dialog(view, true);
    dialog.DoModal();
    view.textArea.SetFocus();
}

void SelectLogicalLine(CCTDraw& view, int line)
{
    const std::string text = view.textArea.GetText();
    TextSelection s = SelectLogicalLine(text, line);
    view.textArea.ScrollCharIntoView(static_cast<int>(s.start));
    SelectBytes(view.textArea, s.start, s.end);
}

bool GoToFindResult()
{
    FindResultRecord record = FindResult;
    FindResult.Clear();
    if (record.kind != FR_TEXT || !record.document)
        return false;
    CCTDraw* view = nullptr;
    for (CDraw* d : ViewList())
        if (auto* cct = dynamic_cast<CCTDraw*>(d); cct && cct->document.get() == record.document)
            view = cct;
    if (!view || !view->textArea.IsCreated())
        return false;
    if (view->frame)
        view->frame->BringToFront();
    view->textArea.SetFocus();
    if (record.caretOnly) {
        const int line = view->textArea.LineFromChar(record.position);
        view->textArea.ScrollToLine(std::max(0, line - 6));
        view->textArea.SetSel(record.position, record.position);
    } else {
        SelectLogicalLine(*view, record.position);
    }
    return true;
}

}  // namespace ob7
