#pragma once
// CTxtEdit: the program's own multi-line text editor. The whole text lives in one
// buffer of CR LF lines followed by one more CR LF (the sentinel); the editor draws the
// visible rows itself on a character grid with comments in their own colour, and keeps
// its undo records in its owner's undo list ("Text change" entries of kind 11).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "platform/window.h"

namespace platform {
class ScrollBarWindow;
}

namespace ob7 {

class CDraw;
class CTxtEdit;
struct UndoEntry;

// Commands of the editor besides the Edit commands.
enum TextEditCommand : int { kCmdUpperCase = 3801, kCmdLowerCase = 3802, kCmdDeleteToLineEnd = 3804,
                             kCmdMatchBracket = 17219 };
// Accelerator tables the editor translates its keys through.
constexpr int kEditKeysTable = 504, kEditCommandsTable = 501;
constexpr int kUndoTextChange = 11;
constexpr int kAutoScrollTimer = 5678;

struct TextEditUndoItem {
    int type = 0;  // 1 char inserted, 2 text inserted, 3 char deleted, 4 text deleted, 5 char replaced
    int position = 0;
    char ch = 0;
    std::string text;
    CTxtEdit* editor = nullptr;
};

// The record a "Text change" undo entry carries.
struct TextEditUndoRecord {
    static constexpr int kCapacity = 4096;
    std::vector<TextEditUndoItem> items;  // kCapacity slots
    int count = 0;   // items in effect
    int mark = 0;    // items recorded; count..mark-1 are undone and can be redone
    int closed = 0;
};

// Watch values in comments: "watch(expression)" in a comment is shown as
// "expression=value" while the analog solver holds a solution. The watch window
// installs the evaluation (a value text, or false when it fails).
using WatchEvaluator = std::function<bool(const std::string& expression, std::string& value)>;
void SetWatchEvaluator(WatchEvaluator evaluator);
// One piece of a comment as shown: plain comment text or a watch item's "expr=value".
struct WatchPiece {
    std::string text;
    bool value = false;
};
// The pieces of a comment (from its ';'); false when a watch item is not well formed or
// an evaluation fails: the comment is then shown as it is.
bool ExpandWatchComment(const std::string& comment, std::vector<WatchPiece>& pieces);

class CTxtEdit : public platform::Window {
public:
    CTxtEdit();
    ~CTxtEdit() override;

    // Creates the editor as a child of its owner; the text starts empty. Without its
    // own scroll bars it uses bars its owner gives it (the schematic's pane bars).
    bool Create(CDraw* owner, int id, bool ownScrollBars = true);
    void UseScrollBars(platform::ScrollBarWindow* horizontal, platform::ScrollBarWindow* vertical);
    CDraw* Owner() const { return owner_; }
    // The drawing font; restore re-applies scroll positions and redraws.
    void SetFont(const FontRecord& font, bool restore);

    // Reading.
    int GetTextLength() const { return length_; }
    int GetText(char* buffer, int size) const;
    std::string GetText() const { return text_.substr(0, length_); }
    std::string GetSelText() const;
    // The buffer with its sentinel and a NUL after it.
    const char* GetBuffer();
    char CharAt(int pos) const;
    int GetLineCount() const;
    int LineFromChar(int pos) const;
    int LineIndex(int line) const;
    int LineLength(int pos) const;
    int GetLine(int line, char* buffer, int size, int lineCount = 0) const;
    std::string GetLine(int line) const;
    void GetSel(int& start, int& end) const;
    int GetFirstVisibleLine() const { return firstLine_; }
    int GetLastVisibleLine() const { return firstLine_ + rows_; }
    bool IsReadOnly() const { return (flags_ & kReadOnly) != 0; }
    bool SelectionShown() const { return selShown_; }
    int Caret() const { return caret_; }
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int HorizontalOffset() const { return hoffset_; }
    int LongestLine() const { return longest_; }
    int VerticalScale() const { return vscale_; }

    // Changing.
    void SetText(const std::string& text);
    // Reads count bytes at the file's current position.
    int ReadFromFile(int count, std::FILE* file);
    void ReplaceSel(const std::string& text);
    int SetReadOnly(bool on);

    // Selection and scrolling.
    int SetSel(int start, int end, int flag = 0);
    void SelectAll();
    void ScrollToLine(int line);
    // Repaints only the watch values over the text as it stands (after a run).
    void RedrawNow();
    void ScrollCharIntoView(int pos);
    void GoToTop();
    void ScrollUp(int lines);
    void ScrollDown(int lines);
    void ScrollLeft(int columns);
    void ScrollRight(int columns);
    void UpdateScrollBars();

    // Editing (the keys, the owner's Edit commands and the undo replay use these).
    void TypeChar(int c);
    void InsertText(const std::string& text);
    int DeleteCharAtCaret();
    void DeleteSelection();
    void Cut();
    void Copy();
    void Paste();
    void DeleteSelOrChar() { TypeChar(1); }
    void ToUpperCase() { ChangeCase(true); }
    void ToLowerCase() { ChangeCase(false); }
    void DeleteToLineEnd();
    void MatchBracket();
    // Undo records in the owner's list.
    int UndoOrBeep();
    int ApplyUndoEntry(UndoEntry& entry);
    void CloseUndoEntry();
    // Column of a position on its line, tabs expanded.
    int ColumnOf(int pos) const;

    // Window handlers.
    void OnCreate() override;
    void OnSize(int width, int height) override;
    void OnPaint(platform::DrawContext& dc) override;
    void OnEraseBackground(platform::DrawContext& dc) override;
    void OnKeyDown(const platform::KeyEvent& event) override;
    void OnChar(char32_t ch) override;
    void OnMouse(const platform::MouseEvent& event) override;
    void OnTimer(int id) override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnScroll(platform::ScrollBarKind bar, platform::ScrollCode code, int position) override;
    void OnClose() override;
    bool PreTranslateKey(const platform::KeyEvent& event) override;

    static constexpr int kTabWidth = 3;

private:
    enum : int { kReadOnly = 8, kLoading = 32 };

    void ResetForLoad();
    void FinishLoad();
    void NormalizeLineEnds();
    void RecountLongestLine();
    bool EnsureCapacity(int n);
    void InsertChar(char c);
    int DeleteOneChar();
    char ReplaceCharAtCaret(char c);
    void RecordUndo(int type, char ch, const std::string& text);
    void ApplyUndoItem(TextEditUndoItem& item, bool undo);
    void ChangeCase(bool upper);
    void ClearHighlight();
    void ExtendSelection(bool shift, bool wasShown);
    void PlaceCaret();
    void CaretFromCell(int row, int column);
    // A position moved off the middle of a CR LF pair, within the text.
    int SnapPosition(int pos) const;
    void NormalizeAround(int pos);
    int LineStart(int pos) const;
    int LineEnd(int pos) const;  // the CR of pos's line
    int NextLineStart(int pos) const;
    int WordRight(int pos) const;
    int WordLeft(int pos) const;
    platform::Point CellAt(platform::Point p) const;
    void Measure();
    void Repaint();
    void BarRange(platform::ScrollBarKind kind, int minimum, int maximum, int page);
    void BarPos(platform::ScrollBarKind kind, int position);

    CDraw* owner_ = nullptr;
    std::string text_;  // the text, the sentinel CR LF and a NUL
    int length_ = 0;
    int capacity_ = 0;
    int caret_ = 0, anchor_ = 0;
    bool selShown_ = false;
    int top_ = 0, firstLine_ = 0, hoffset_ = 0;
    int rows_ = 1, columns_ = 1;
    int lineHeight_ = 16, charWidth_ = 8;
    int longest_ = 2;
    int vscale_ = 1;
    int flags_ = 0;
    int undoContinuation_ = 0;
    platform::Point mouseCell_;
    platform::Point lastMouse_;  // where the pointer was at the last move of a drag
    bool dragging_ = false;
    FontRecord font_{};
    bool watchOnly_ = false;
    platform::ScrollBarWindow* bars_[2] = {nullptr, nullptr};
};

}  // namespace ob7
