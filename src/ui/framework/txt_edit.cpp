#include "ui/framework/txt_edit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>

#include "foundation/char_classes.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "platform/accelerator.h"
#include "platform/clipboard.h"
#include "platform/draw_context.h"
#include "platform/scroll_bar.h"
#include "platform/system_services.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

using platform::Point;
using platform::Rect;

namespace {

bool replaying = false;  // an undo item is being replayed: record nothing
constexpr int kLeftMargin = 4;  // pixels between the border and the first column

void RegisterEditorAccelerators() {
    using namespace platform;
    if (!FindAccelerators(kEditKeysTable))
        RegisterAccelerators(AcceleratorTable(kEditKeysTable, {
            {'X', kCtrlDown, 57635}, {key::kDelete, kShiftDown, 57635},
            {'C', kCtrlDown, 57634}, {key::kInsert, kCtrlDown, 57634},
            {'V', kCtrlDown, 57637}, {key::kInsert, kShiftDown, 57637},
            {key::kDelete, 0, 57632},
            {'Z', kCtrlDown, 57643}, {key::kBack, kAltDown, 57643},
            {'Y', kCtrlDown, 57644},
        }));
    if (!FindAccelerators(kEditCommandsTable))
        RegisterAccelerators(AcceleratorTable(kEditCommandsTable, {
            {'A', kCtrlDown, 57642}, {'U', kCtrlDown, kCmdUpperCase}, {'L', kCtrlDown, kCmdLowerCase},
            {'D', kCtrlDown, kCmdDeleteToLineEnd}, {0xDD, kCtrlDown, kCmdMatchBracket},
        }));
}

bool IsIdent(char c) { return HasClass(c, kCcIdentChar); }

// Text from files and the clipboard of this desktop ends its lines with LF alone: each
// such LF becomes a CR LF pair, so the line survives the editor's line-end rule.
std::string WithCrLf(const std::string& text) {
    size_t lone = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++lone;
    if (!lone) return text;
    std::string out;
    out.reserve(text.size() + lone);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}
bool IsBlank(char c) { return HasClass(c, kCcWhite) && c != '\r' && c != '\n'; }

platform::Font EditorFont(const FontRecord& record) {
    platform::Font f;
    f.face = "Monospace";
    f.height = record.height > 0 ? PointsToLogicalHeight(record.height) : -13;
    if (record.height > 0 && *FaceName(record.face)) f.face = FaceName(record.face);
    f.weight = (record.style & kFontBold) ? 700 : 400;
    f.italic = (record.style & kFontItalic) != 0;
    return f;
}

WatchEvaluator& TheWatchEvaluator() {
    static WatchEvaluator evaluator;
    return evaluator;
}

}  // namespace

void SetWatchEvaluator(WatchEvaluator evaluator) { TheWatchEvaluator() = std::move(evaluator); }

bool ExpandWatchComment(const std::string& comment, std::vector<WatchPiece>& pieces) {
    pieces.clear();
    const WatchEvaluator& evaluate = TheWatchEvaluator();
    if (!evaluate) return false;
    std::string lower = comment;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t pos = 0, plain = 0;
    bool any = false;
    while ((pos = lower.find("watch", pos)) != std::string::npos) {
        size_t open = pos + 5;
        while (open < comment.size() && (comment[open] == ' ' || comment[open] == '\t')) ++open;
        if (open >= comment.size() || comment[open] != '(') return false;
        int depth = 0;
        size_t close = open;
        for (; close < comment.size(); ++close) {
            if (comment[close] == '(') ++depth;
            else if (comment[close] == ')' && --depth == 0) break;
        }
        if (close >= comment.size()) return false;
        std::string expression = comment.substr(open + 1, close - open - 1);
        std::string value;
        if (!evaluate(expression.size() > 100 ? std::string() : expression, value)) return false;
        if (value.size() > 80) value.resize(80);
        if (pos > plain) pieces.push_back({comment.substr(plain, pos - plain), false});
        pieces.push_back({expression + "=" + value, true});
        any = true;
        pos = plain = close + 1;
    }
    if (!any) return false;
    if (plain < comment.size()) pieces.push_back({comment.substr(plain), false});
    return true;
}

CTxtEdit::CTxtEdit() {
    RegisterEditorAccelerators();
    text_ = "\r\n";
    capacity_ = 4096;
    OnCommand(57635, [this](int) { if (!IsReadOnly() && owner_) owner_->Cut(1); });
    OnCommand(57634, [this](int) { if (!IsReadOnly() && owner_) owner_->Copy(); });
    OnCommand(57637, [this](int) { if (!IsReadOnly() && owner_) owner_->Paste(); });
    OnCommand(57632, [this](int) { if (!IsReadOnly() && owner_) owner_->Clear(); });
    OnCommand(57643, [this](int) { if (!IsReadOnly() && owner_) owner_->ExecuteCommand(57643); });
    OnCommand(57644, [this](int) { if (!IsReadOnly() && owner_) owner_->ExecuteCommand(57644); });
    OnCommand(57642, [this](int) { if (!IsReadOnly()) SelectAll(); });
    OnCommand(kCmdUpperCase, [this](int) { if (!IsReadOnly()) ToUpperCase(); });
    OnCommand(kCmdLowerCase, [this](int) { if (!IsReadOnly()) ToLowerCase(); });
    OnCommand(kCmdDeleteToLineEnd, [this](int) { if (!IsReadOnly()) DeleteToLineEnd(); });
    OnCommand(kCmdMatchBracket, [this](int) { MatchBracket(); });
    // Update handlers ask the owner.
    OnUpdateRange(57632, 57644, [this](platform::CommandUI& ui) {
        if (owner_) owner_->RouteUpdate(ui);
    });
}

CTxtEdit::~CTxtEdit() { Destroy(); }

bool CTxtEdit::Create(CDraw* owner, int id, bool ownScrollBars) {
    owner_ = owner;
    Rect area = owner && owner->IsCreated() ? owner->ClientRect() : Rect{};
    int style = platform::kVisible | (ownScrollBars ? platform::kHScroll | platform::kVScroll : 0);
    return Window::Create(owner, area, style, id);
}

void CTxtEdit::UseScrollBars(platform::ScrollBarWindow* horizontal, platform::ScrollBarWindow* vertical) {
    bars_[0] = horizontal;
    bars_[1] = vertical;
    for (int i = 0; i < 2; ++i)
        if (bars_[i]) {
            auto kind = i == 0 ? platform::ScrollBarKind::Horizontal : platform::ScrollBarKind::Vertical;
            bars_[i]->onScroll = [this, kind](platform::ScrollCode code, int position) { OnScroll(kind, code, position); };
        }
    UpdateScrollBars();
}

void CTxtEdit::BarRange(platform::ScrollBarKind kind, int minimum, int maximum, int page) {
    platform::ScrollBarWindow* bar = bars_[kind == platform::ScrollBarKind::Horizontal ? 0 : 1];
    if (bar) bar->SetRange(minimum, maximum, page);
    else SetScrollRange(kind, minimum, maximum, page);
}

void CTxtEdit::BarPos(platform::ScrollBarKind kind, int position) {
    platform::ScrollBarWindow* bar = bars_[kind == platform::ScrollBarKind::Horizontal ? 0 : 1];
    if (bar) bar->SetPos(position);
    else SetScrollPos(kind, position);
}

void CTxtEdit::OnCreate() {
    SetCursor(platform::Cursor::IBeam);
    Measure();
    UpdateScrollBars();
}

void CTxtEdit::Measure() {
    if (!IsCreated()) return;
    auto dc = GetDC();
    if (dc) {
        dc->SetFont(EditorFont(font_));
        platform::TextMetrics tm = dc->GetTextMetrics();
        lineHeight_ = std::max(1, (tm.height + tm.externalLeading) & 0xFFFF);
        charWidth_ = std::max(1, dc->TextExtent("M").cx & 0xFFFF);
    }
    Rect r = ClientRect();
    rows_ = std::max(1, r.Height() / lineHeight_);
    columns_ = std::max(1, (r.Width() - kLeftMargin) / charWidth_);
}

void CTxtEdit::SetFont(const FontRecord& font, bool restore) {
    font_ = font;
    Measure();
    if (HasFocus()) {
        DestroyCaret();
        CreateCaret(platform::Size{2, lineHeight_});
        PlaceCaret();
        ShowCaret(true);
    }
    if (restore) {
        UpdateScrollBars();
        Repaint();
    }
}

// --- Reading ------------------------------------------------------------------------

int CTxtEdit::GetText(char* buffer, int size) const {
    if (size < 1) return 0;
    int n = std::min(length_, size - 1);
    std::memcpy(buffer, text_.data(), n);
    buffer[n] = '\0';
    return n;
}

std::string CTxtEdit::GetSelText() const {
    if (!selShown_) return {};
    int s, e;
    GetSel(s, e);
    return text_.substr(s, e - s);
}

const char* CTxtEdit::GetBuffer() { return text_.c_str(); }

char CTxtEdit::CharAt(int pos) const { return pos > 0 && pos < length_ ? text_[pos] : 0; }

int CTxtEdit::GetLineCount() const {
    return static_cast<int>(std::count(text_.begin(), text_.begin() + length_, '\n')) + 1;
}

int CTxtEdit::LineFromChar(int pos) const {
    if (pos < 0) {
        int s, e;
        GetSel(s, e);
        pos = std::max(0, s);
    }
    pos = std::min(pos, length_);
    return static_cast<int>(std::count(text_.begin(), text_.begin() + pos, '\n'));
}

int CTxtEdit::LineIndex(int line) const {
    if (line == -1) line = LineFromChar(-1);
    if (line < 0) return -1;
    int pos = 0;
    for (int i = 0; i < line; ++i) {
        const void* lf = std::memchr(text_.data() + pos, '\n', length_ - pos);
        if (!lf) return -1;
        pos = static_cast<int>(static_cast<const char*>(lf) - text_.data()) + 1;
    }
    return pos;
}

int CTxtEdit::LineLength(int pos) const {
    if (pos < 0) return 0;
    pos = std::min(pos, length_);
    return LineEnd(pos) - pos;
}

int CTxtEdit::GetLine(int line, char* buffer, int size, int lineCount) const {
    if (size < 1) return 0;
    if (lineCount == 0) lineCount = GetLineCount();
    int start = line < lineCount ? LineIndex(line) : -1;
    if (start < 0) {
        buffer[0] = '\0';
        return 0;
    }
    int n = std::min(LineLength(start), size - 1);
    std::memcpy(buffer, text_.data() + start, n);
    buffer[n] = '\0';
    return n;
}

std::string CTxtEdit::GetLine(int line) const {
    int start = LineIndex(line);
    return start < 0 ? std::string() : text_.substr(start, LineLength(start));
}

void CTxtEdit::GetSel(int& start, int& end) const {
    if (!selShown_) {
        start = end = caret_;
        return;
    }
    start = std::min(anchor_, caret_);
    end = std::max(anchor_, caret_);
}

int CTxtEdit::SnapPosition(int pos) const {
    pos = std::clamp(pos, 0, length_);
    if (pos > 0 && pos < length_ && text_[pos] == '\n' && text_[pos - 1] == '\r') --pos;
    return pos;
}

void CTxtEdit::NormalizeAround(int pos) {
    for (int i = std::max(0, pos - 2); i < std::min(length_, pos + 2); ++i) {
        if (text_[i] == '\r' && text_[i + 1] != '\n') text_[i] = ' ';
        else if (text_[i] == '\n' && (i == 0 || text_[i - 1] != '\r')) text_[i] = ' ';
    }
}

int CTxtEdit::LineStart(int pos) const {
    while (pos > 0 && text_[pos - 1] != '\n') --pos;
    return pos;
}

int CTxtEdit::LineEnd(int pos) const {
    const void* cr = std::memchr(text_.data() + pos, '\r', text_.size() - pos);
    return cr ? static_cast<int>(static_cast<const char*>(cr) - text_.data()) : length_;
}

int CTxtEdit::NextLineStart(int pos) const { return LineEnd(pos) + 2; }

int CTxtEdit::ColumnOf(int pos) const {
    int col = 0;
    for (int i = LineStart(pos); i < pos; ++i) {
        char c = text_[i];
        if (c == '\t') col = (col / kTabWidth + 1) * kTabWidth;
        else if (c == '\r') col += 2;
        else if (c != '\0') ++col;
    }
    return col;
}

// --- Loading ------------------------------------------------------------------------

void CTxtEdit::ResetForLoad() {
    CloseUndoEntry();
    firstLine_ = hoffset_ = top_ = caret_ = anchor_ = length_ = 0;
    selShown_ = false;
}

void CTxtEdit::SetText(const std::string& text) {
    ResetForLoad();
    flags_ |= kLoading;
    try {
        text_ = WithCrLf(text.c_str());  // the text ends at its first NUL
    } catch (const std::bad_alloc&) {
        ReportMessage("E", kMsgInsufficientMemory);
        text_.clear();
    }
    FinishLoad();
}

int CTxtEdit::ReadFromFile(int count, std::FILE* file) {
    ResetForLoad();
    flags_ = kLoading;
    std::string data;
    try {
        data.resize(std::max(0, count));
        size_t got = file ? std::fread(data.data(), 1, data.size(), file) : 0;
        data.resize(got);
        text_ = WithCrLf(data.c_str());
    } catch (const std::bad_alloc&) {
        ReportMessage("E", kMsgInsufficientMemory);
        text_.clear();
    }
    FinishLoad();
    return 0;
}

void CTxtEdit::FinishLoad() {
    length_ = static_cast<int>(text_.size());
    text_ += "\r\n";
    capacity_ = std::max(4096, length_ + 7);
    RecountLongestLine();
    flags_ &= ~kLoading;
    CloseUndoEntry();
    NormalizeLineEnds();
    if (IsCreated()) {
        UpdateScrollBars();
        Repaint();
    }
}

void CTxtEdit::NormalizeLineEnds() {
    bool changed = false;
    for (int i = 0; i < length_; ++i) {
        char c = text_[i];
        if (c == '\r' && text_[i + 1] != '\n') {
            text_[i] = ' ';
            changed = true;
        } else if (c == '\n' && (i == 0 || text_[i - 1] != '\r')) {
            text_[i] = ' ';
            changed = true;
        }
    }
    if (changed) Repaint();
}

void CTxtEdit::RecountLongestLine() {
    int longest = 0;
    int pos = 0;
    while (pos <= length_) {
        int end = LineEnd(pos);
        longest = std::max(longest, end - pos);
        pos = end + 2;
    }
    if (longest + 2 != longest_) {
        longest_ = longest + 2;
        if (IsCreated()) BarRange(platform::ScrollBarKind::Horizontal, 0, longest_, columns_);
    }
}

bool CTxtEdit::EnsureCapacity(int n) {
    int shortfall = n + length_ - capacity_ + 2;
    if (shortfall < 0) return true;
    try {
        text_.reserve(static_cast<size_t>(capacity_) + std::max(shortfall, 4096) + 1);
    } catch (const std::bad_alloc&) {
        ReportMessage("E", kMsgInsufficientMemory);
        return false;
    }
    capacity_ += std::max(shortfall, 4096);
    if (IsCreated()) UpdateScrollBars();
    return true;
}

// --- Editing primitives -------------------------------------------------------------

void CTxtEdit::InsertChar(char c) {
    if (!EnsureCapacity(1)) return;
    text_.insert(text_.begin() + caret_, c);
    ++length_;
    RecordUndo(1, c, {});
    ++caret_;
    // A CR waits for its LF (Enter inserts both); anything else may not split a pair.
    if (c != '\r') NormalizeAround(caret_ - 1);
    if (owner_) owner_->OnDocumentChanged();
}

void CTxtEdit::InsertText(const std::string& t) {
    if (t.empty() || !EnsureCapacity(static_cast<int>(t.size()) + 1)) return;
    text_.insert(caret_, t);
    length_ += static_cast<int>(t.size());
    RecordUndo(2, 0, t);
    caret_ += static_cast<int>(t.size());
    RecountLongestLine();
    UpdateScrollBars();
    NormalizeLineEnds();
    if (owner_) owner_->OnDocumentChanged();
}

int CTxtEdit::DeleteOneChar() {
    if (caret_ >= length_) return 0;
    char c = text_[caret_];
    text_.erase(caret_, 1);
    --length_;
    RecordUndo(3, c, {});
    if (c != '\r') NormalizeAround(caret_);  // a CR's LF goes next
    RecountLongestLine();
    if (owner_) owner_->OnDocumentChanged();
    return static_cast<unsigned char>(c);
}

int CTxtEdit::DeleteCharAtCaret() {
    if (caret_ < length_ && text_[caret_] == '\r') {
        DeleteOneChar();
        return DeleteOneChar();
    }
    return DeleteOneChar();
}

char CTxtEdit::ReplaceCharAtCaret(char c) {
    char old = text_[caret_];
    RecordUndo(5, old, {});
    text_[caret_] = c;
    if (owner_) owner_->OnDocumentChanged();
    return old;
}

void CTxtEdit::DeleteSelection() {
    if (!selShown_) return;
    int s, e;
    GetSel(s, e);
    caret_ = s;
    selShown_ = false;
    if (e > s) {
        std::string removed = text_.substr(s, e - s);
        RecordUndo(4, 0, removed);
        text_.erase(s, e - s);
        length_ -= e - s;
        RecountLongestLine();
        UpdateScrollBars();
        NormalizeLineEnds();
        if (owner_) owner_->OnDocumentChanged();
    }
    anchor_ = caret_;
    ScrollCharIntoView(caret_);
}

void CTxtEdit::ReplaceSel(const std::string& text) {
    DeleteSelection();
    InsertText(text);
    selShown_ = false;
    anchor_ = caret_;
    PlaceCaret();
    Repaint();
}

int CTxtEdit::SetReadOnly(bool on) {
    int previous = IsReadOnly() ? 1 : 0;
    if (on) flags_ |= kReadOnly;
    else flags_ &= ~kReadOnly;
    return previous;
}

// --- Typing ---------------------------------------------------------------------------

void CTxtEdit::TypeChar(int c) {
    if (IsReadOnly() || c == 27) return;
    if (selShown_) {
        bool wasSelection = true;
        DeleteSelection();
        if (wasSelection && (c == 8 || c == 1)) {
            PlaceCaret();
            Repaint();
            return;
        }
    }
    if (c == 1) {
        DeleteCharAtCaret();
    } else if (c == 8) {
        if (caret_ > 0) {
            --caret_;
            if (text_[caret_] == '\n') --caret_;  // join with the previous line
            DeleteCharAtCaret();
        }
    } else if (c == '\r' || c == '\n') {
        InsertChar('\r');
        InsertChar('\n');
        if (hoffset_) ScrollLeft(hoffset_);
        RecountLongestLine();
        UpdateScrollBars();
    } else if (c == '\t' || HasClass(static_cast<char>(c), kCcPrintable)) {
        InsertChar(static_cast<char>(c));
        int lineChars = LineEnd(caret_) - LineStart(caret_) + 1;
        if (lineChars + 2 > longest_) {
            longest_ = lineChars + 2;
            UpdateScrollBars();
        }
    } else {
        platform::Services().Beep(0);
        return;
    }
    anchor_ = caret_;
    PlaceCaret();
    Repaint();
}

void CTxtEdit::OnChar(char32_t ch) {
    if (ch > 0xFF || ch == 127) return;
    // Control characters of accelerator keys arrive as commands.
    if (ch < 32 && ch != 8 && ch != 9 && ch != 13 && ch != 10) return;
    TypeChar(static_cast<int>(ch));
}

void CTxtEdit::Cut() {
    if (IsReadOnly()) return;
    platform::clipboard::Clear();
    platform::clipboard::SetText(GetSelText());
    TypeChar(1);
}

void CTxtEdit::Copy() {
    if (IsReadOnly()) return;
    platform::clipboard::Clear();
    platform::clipboard::SetText(GetSelText());
}

void CTxtEdit::Paste() {
    if (IsReadOnly()) return;
    DeleteSelection();
    if (platform::clipboard::HasText()) InsertText(WithCrLf(platform::clipboard::Text()));
    selShown_ = false;
    anchor_ = caret_;
    PlaceCaret();
    Repaint();
}

void CTxtEdit::ChangeCase(bool upper) {
    if (IsReadOnly() || !selShown_) return;
    int s, e;
    GetSel(s, e);
    if (s == e) return;
    if (owner_) {
        owner_->BeginWholeTextUndo(upper ? "Upper case" : "Lower case");
        ++owner_->undoLock;
    }
    for (int i = s; i < e; ++i) text_[i] = upper ? ToUpperMap(text_[i]) : ToLowerMap(text_[i]);
    if (owner_) {
        --owner_->undoLock;
        owner_->OnDocumentChanged();
    }
    Repaint();
}

void CTxtEdit::DeleteToLineEnd() {
    if (IsReadOnly()) return;
    ClearHighlight();
    int end = LineEnd(caret_);
    if (end > caret_) {
        anchor_ = end;
        selShown_ = true;
        DeleteSelection();
    }
    PlaceCaret();
    Repaint();
}

void CTxtEdit::MatchBracket() {
    if (selShown_ || caret_ >= length_) return;
    static constexpr char kPairs[] = "()[]{}";
    char c = text_[caret_];
    const char* at = std::strchr(kPairs, c);
    if (!at || c == '\0') return;
    int index = static_cast<int>(at - kPairs);
    bool opening = index % 2 == 0;
    char partner = kPairs[opening ? index + 1 : index - 1];
    int level = 0;
    for (int i = caret_; i >= 0 && i < length_; i += opening ? 1 : -1) {
        if (text_[i] == c) ++level;
        else if (text_[i] == partner && --level == 0) {
            SetSel(i, i);
            return;
        }
    }
}

// --- Undo records ---------------------------------------------------------------------

void CTxtEdit::RecordUndo(int type, char ch, const std::string& text) {
    if (!owner_ || owner_->undoLock || replaying) return;
    if ((type == 1 && ch == '\n') || (type == 3 && ch == '\r')) return;
    UndoEntry* entry = owner_->CurrentUndo();
    TextEditUndoRecord* record = entry && entry->kind == kUndoTextChange ? entry->textRecord.get() : nullptr;
    bool append = record && !record->items.empty() && !record->closed;
    if (append && record->count > 0) {
        if (caret_ != undoContinuation_) append = false;
        if (append && (type == 3 || type == 4))
            for (int i = 0; i < record->count; ++i)
                if (record->items[i].type == 1 || record->items[i].type == 2) append = false;
    }
    if (!append) {
        entry = owner_->BeginUndo(kUndoTextChange, "Text change");
        if (!entry) return;
        try {
            entry->textRecord = std::make_unique<TextEditUndoRecord>();
            entry->textRecord->items.resize(TextEditUndoRecord::kCapacity);
        } catch (const std::bad_alloc&) {
            entry->textRecord.reset();
            return;
        }
        record = entry->textRecord.get();
    }
    if (record->count >= TextEditUndoRecord::kCapacity - 1) {
        // Keep the newest three quarters.
        constexpr int kQuarter = TextEditUndoRecord::kCapacity / 4;
        std::move(record->items.begin() + kQuarter, record->items.end(), record->items.begin());
        for (int i = TextEditUndoRecord::kCapacity - kQuarter; i < TextEditUndoRecord::kCapacity; ++i)
            record->items[i] = TextEditUndoItem{};
        record->count -= kQuarter;
        record->mark = std::max(0, record->mark - kQuarter);
    }
    for (int i = record->count; i < record->mark; ++i) record->items[i] = TextEditUndoItem{};
    TextEditUndoItem& item = record->items[record->count];
    item.type = type;
    item.position = caret_;
    item.ch = ch;
    item.text = text;
    item.editor = this;
    ++record->count;
    record->mark = record->count;
    if (type == 1) undoContinuation_ = caret_ + 1;
    else if (type == 2) undoContinuation_ = caret_ + static_cast<int>(text.size());
    else undoContinuation_ = caret_;
}

void CTxtEdit::CloseUndoEntry() {
    if (!owner_ || (owner_->flags & 2)) return;
    UndoEntry* entry = owner_->CurrentUndo();
    if (entry && entry->textRecord) entry->textRecord->closed = 1;
}

int CTxtEdit::UndoOrBeep() {
    UndoEntry* entry = owner_ ? owner_->CurrentUndo() : nullptr;
    if (!entry || !ApplyUndoEntry(*entry)) {
        platform::Services().Beep(0);
        return 0;
    }
    return 1;
}

int CTxtEdit::ApplyUndoEntry(UndoEntry& entry) {
    TextEditUndoRecord* record = entry.textRecord.get();
    if (!record) return 0;
    int result = 0;
    if (record->count > 0) {
        for (int i = record->count - 1; i >= 0; --i) ApplyUndoItem(record->items[i], true);
        record->count = 0;
        result = 1;
    } else if (record->count < record->mark) {
        for (int i = record->count; i < record->mark; ++i) ApplyUndoItem(record->items[i], false);
        record->count = record->mark;
        result = 1;
    }
    if (result) {
        anchor_ = caret_;
        PlaceCaret();
        Repaint();
        if (IsCreated()) Update();
    }
    return result;
}

void CTxtEdit::ApplyUndoItem(TextEditUndoItem& item, bool undo) {
    selShown_ = false;
    replaying = true;
    caret_ = SnapPosition(item.position);
    auto insertChar = [this](char c) {
        if (c == '\n') {
            InsertChar('\r');
            InsertChar('\n');
        } else if (c == '\r') {
            InsertChar('\r');
            InsertChar('\n');
        } else {
            InsertChar(c);
        }
        caret_ = std::clamp(caret_, 0, length_);
        RecountLongestLine();
    };
    auto deleteText = [this](const std::string& t) {
        anchor_ = caret_ + static_cast<int>(t.size());
        selShown_ = true;
        DeleteSelection();
    };
    int position = caret_;
    switch (item.type) {
    case 1: if (undo) DeleteCharAtCaret(); else insertChar(item.ch); break;
    case 2: if (undo) deleteText(item.text); else InsertText(item.text); break;
    case 3: if (undo) insertChar(item.ch); else DeleteCharAtCaret(); break;
    case 4: if (undo) InsertText(item.text); else deleteText(item.text); break;
    case 5:
        if (caret_ < length_) {
            char present = text_[caret_];
            text_[caret_] = item.ch;
            item.ch = present;
        }
        break;
    default: break;
    }
    // Undoing an insertion leaves the caret where the change was made.
    if (undo && (item.type == 1 || item.type == 2)) caret_ = position;
    replaying = false;
    NormalizeLineEnds();
}

// --- Selection and scrolling ----------------------------------------------------------------

int CTxtEdit::SetSel(int start, int end, int flag) {
    if (start == 0 && end == -1) {
        SelectAll();
        return flag;
    }
    ClearHighlight();
    // The caret moves forward from start over |end - start| characters of the buffer,
    // CR and LF each counted, so that a selection read with GetSel is set again as it was.
    anchor_ = SnapPosition(start);
    long long stop = static_cast<long long>(std::clamp(start, 0, length_)) +
                     std::llabs(static_cast<long long>(end) - start);
    caret_ = SnapPosition(static_cast<int>(std::min<long long>(stop, length_)));
    ScrollCharIntoView(caret_);
    selShown_ = caret_ != anchor_;
    PlaceCaret();
    Repaint();
    return flag;
}

void CTxtEdit::SelectAll() {
    anchor_ = length_;
    caret_ = 0;
    top_ = firstLine_ = hoffset_ = 0;
    selShown_ = length_ > 0;
    UpdateScrollBars();
    Repaint();
}

void CTxtEdit::ClearHighlight() {
    if (selShown_) {
        selShown_ = false;
        Repaint();
    }
    anchor_ = caret_;
}

void CTxtEdit::ScrollUp(int lines) {
    if (top_ == 0 || lines <= 0) return;
    int moved = 0;
    while (moved < lines && top_ > 0) {
        top_ = LineStart(top_ - 2);
        ++moved;
    }
    firstLine_ = std::max(0, firstLine_ - moved);
    if (IsCreated()) BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
    Repaint();
}

void CTxtEdit::ScrollDown(int lines) {
    if (top_ >= length_ || lines <= 0) return;
    int pos = top_;
    for (int i = 0; i < lines; ++i) {
        pos = NextLineStart(pos);
        if (pos > length_) return;  // the view never scrolls part of the way
    }
    top_ = pos;
    firstLine_ += lines;
    if (IsCreated()) BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
    Repaint();
}

void CTxtEdit::ScrollLeft(int columns) {
    columns = std::min(columns, hoffset_);
    if (columns <= 0) return;
    hoffset_ -= columns;
    if (IsCreated()) BarPos(platform::ScrollBarKind::Horizontal, hoffset_);
    Repaint();
}

void CTxtEdit::ScrollRight(int columns) {
    columns = std::min(columns, std::max(0, longest_ - columns_ - hoffset_));
    if (columns <= 0) return;
    hoffset_ += columns;
    if (IsCreated()) BarPos(platform::ScrollBarKind::Horizontal, hoffset_);
    Repaint();
}

void CTxtEdit::GoToTop() {
    firstLine_ = top_ = caret_ = hoffset_ = 0;
    UpdateScrollBars();
    Repaint();
}

void CTxtEdit::ScrollToLine(int line) {
    line = std::max(0, line);
    if (line < firstLine_) ScrollUp(firstLine_ - line);
    else if (line > firstLine_) ScrollDown(line - firstLine_);
    if (IsCreated()) BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
}

void CTxtEdit::ScrollCharIntoView(int pos) {
    int line = LineFromChar(std::max(0, pos));
    if (line >= firstLine_ && line < GetLastVisibleLine()) return;
    int target = std::max(0, line - rows_ / 3);
    // Jump: the top becomes the target line's start.
    int start = LineIndex(target);
    if (start < 0) return;
    top_ = start;
    firstLine_ = target;
    if (IsCreated()) BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
    Repaint();
}

void CTxtEdit::UpdateScrollBars() {
    int lines = std::max(1, GetLineCount());
    vscale_ = lines / 32767 + 1;
    if (!IsCreated()) return;
    BarRange(platform::ScrollBarKind::Vertical, 0, lines / vscale_, rows_);
    BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
    BarRange(platform::ScrollBarKind::Horizontal, 0, longest_, columns_);
    BarPos(platform::ScrollBarKind::Horizontal, hoffset_);
}

void CTxtEdit::CaretFromCell(int row, int column) {
    int pos = top_;
    for (int i = 0; i < row && pos < length_; ++i) {
        int next = NextLineStart(pos);
        if (next > length_) break;
        pos = next;
    }
    int target = column + hoffset_;
    int col = 0;
    while (pos < length_ && text_[pos] != '\r') {
        int width = text_[pos] == '\t' ? (col / kTabWidth + 1) * kTabWidth - col : 1;
        if (col + width > target) break;
        col += width;
        ++pos;
    }
    caret_ = pos;
}

void CTxtEdit::PlaceCaret() {
    int column = ColumnOf(caret_) - hoffset_;
    if (column < 0) ScrollLeft(-column);
    else if (column >= columns_ - 5 && columns_ > 10) ScrollRight(column - columns_ + 10);
    else if (column >= columns_) ScrollRight(column - columns_ + 1);
    int row = caret_ >= top_ ? static_cast<int>(std::count(text_.begin() + top_, text_.begin() + caret_, '\n'))
                             : -static_cast<int>(std::count(text_.begin() + caret_, text_.begin() + top_, '\n'));
    if (row < 0) ScrollUp(-row);
    else if (row >= rows_) ScrollDown(row - rows_ + 1);
    if (IsCreated() && HasFocus()) {
        int r = caret_ >= top_ ? static_cast<int>(std::count(text_.begin() + top_, text_.begin() + caret_, '\n')) : 0;
        SetCaretPos(Point{kLeftMargin + (ColumnOf(caret_) - hoffset_) * charWidth_, r * lineHeight_});
    }
}

// --- Keys and mouse ---------------------------------------------------------------------

int CTxtEdit::WordRight(int pos) const {
    int end = LineEnd(pos);
    while (pos < end && IsIdent(text_[pos])) ++pos;
    bool blank = false;
    while (pos < end) {
        char c = text_[pos];
        if (IsIdent(c)) break;
        if (IsBlank(c)) blank = true;
        else if (blank) break;
        ++pos;
    }
    return pos;
}

int CTxtEdit::WordLeft(int pos) const {
    int start = LineStart(pos);
    while (pos > start && IsBlank(text_[pos - 1])) --pos;
    bool ident = false;
    while (pos > start) {
        char c = text_[pos - 1];
        if (IsBlank(c)) break;
        if (IsIdent(c)) ident = true;
        else if (ident) break;
        --pos;
    }
    return pos;
}

void CTxtEdit::ExtendSelection(bool shift, bool wasShown) {
    if (shift) {
        selShown_ = caret_ != anchor_ || wasShown;
    } else {
        selShown_ = false;
        anchor_ = caret_;
    }
    PlaceCaret();
    Repaint();
}

void CTxtEdit::OnKeyDown(const platform::KeyEvent& event) {
    using namespace platform::key;
    bool shift = (event.modifiers & platform::kShiftDown) != 0;
    bool ctrl = (event.modifiers & platform::kCtrlDown) != 0;
    bool wasShown = selShown_;
    if (shift && !selShown_) anchor_ = caret_;
    switch (event.key) {
    case kPrior:
    case kNext: {
        int row = static_cast<int>(std::count(text_.begin() + top_, text_.begin() + std::max(top_, caret_), '\n'));
        int col = ColumnOf(caret_) - hoffset_;
        selShown_ = false;
        if (event.key == kPrior) ScrollUp(rows_);
        else ScrollDown(rows_);
        CaretFromCell(row, col);
        break;
    }
    case kEnd: caret_ = ctrl ? length_ : LineEnd(caret_); break;
    case kHome:
        if (ctrl) {
            if (shift) ScrollUp(rows_);
            GoToTop();
        } else {
            caret_ = LineStart(caret_);
        }
        break;
    case kLeft:
        if (caret_ == 0) break;
        if (text_[caret_ - 1] == '\n') caret_ -= 2;
        else --caret_;
        if (ctrl) caret_ = WordLeft(caret_);
        break;
    case kRight:
        if (caret_ >= length_) break;
        if (ctrl && text_[caret_] != '\r') caret_ = WordRight(caret_);
        else caret_ += text_[caret_] == '\r' ? 2 : 1;
        break;
    case kUp:
    case kDown: {
        if (ctrl) {
            if (event.key == kUp) {
                int pos = LineStart(caret_);
                while (pos > 0) {
                    pos = LineStart(pos - 2);
                    if (text_[pos] == '\r') break;
                }
                caret_ = pos;
            } else {
                int pos = caret_;
                for (;;) {
                    pos = NextLineStart(pos);
                    if (pos >= length_) {
                        pos = length_;
                        break;
                    }
                    if (text_[pos] == '\r') break;
                }
                caret_ = pos;
            }
            break;
        }
        int start = LineStart(caret_);
        int col = ColumnOf(caret_);
        int target;
        if (event.key == kUp) {
            if (start == 0) break;
            target = LineStart(start - 2);
        } else {
            target = NextLineStart(caret_);
            if (target > length_) break;
        }
        int pos = target, c = 0;
        while (pos < length_ && text_[pos] != '\r') {
            int width = text_[pos] == '\t' ? (c / kTabWidth + 1) * kTabWidth - c : 1;
            if (c + width > col) break;
            c += width;
            ++pos;
        }
        caret_ = pos;
        break;
    }
    case kDelete:
        if (!IsReadOnly()) TypeChar(1);
        return;
    default:
        return;
    }
    ExtendSelection(shift, wasShown);
}

bool CTxtEdit::PreTranslateKey(const platform::KeyEvent& event) {
    for (int table : {kEditKeysTable, kEditCommandsTable}) {
        const platform::AcceleratorTable* t = platform::FindAccelerators(table);
        int command = t ? t->Translate(event) : 0;
        if (command) {
            RouteCommand(command);
            return true;
        }
    }
    return Window::PreTranslateKey(event);
}

Point CTxtEdit::CellAt(Point p) const {
    int row = std::clamp(p.y / lineHeight_, 0, rows_ - 1);
    int col = std::clamp((p.x - kLeftMargin + charWidth_ / 2) / charWidth_, 0, columns_ - 1);
    return Point{col, row};
}

void CTxtEdit::OnMouse(const platform::MouseEvent& event) {
    using platform::MouseAction;
    switch (event.action) {
    case MouseAction::LeftDown: {
        SetFocus();
        selShown_ = false;
        mouseCell_ = CellAt(event.point);
        CaretFromCell(mouseCell_.y, mouseCell_.x);
        anchor_ = caret_;
        SetCapture();
        dragging_ = true;
        SetTimer(kAutoScrollTimer, 500);
        PlaceCaret();
        Repaint();
        break;
    }
    case MouseAction::Move: {
        if (!dragging_ || !(event.flags & (platform::kLeftButton | platform::kRightButton))) break;
        lastMouse_ = event.point;
        Rect client = ClientRect();
        if (event.point.y < 0) ScrollUp(1);
        else if (event.point.y >= client.bottom) ScrollDown(1);
        if (event.point.x < 0) ScrollLeft(1);
        else if (event.point.x >= client.right) ScrollRight(1);
        Point cell = CellAt(event.point);
        CaretFromCell(cell.y, cell.x);
        if (!(cell == mouseCell_)) selShown_ = caret_ != anchor_;
        mouseCell_ = cell;
        PlaceCaret();
        Repaint();
        break;
    }
    case MouseAction::LeftUp:
        KillTimer(kAutoScrollTimer);
        dragging_ = false;
        ReleaseCapture();
        break;
    case MouseAction::LeftDouble:
        if (!selShown_) {
            int s = caret_, e = caret_;
            int ls = LineStart(caret_);
            while (s > ls && IsIdent(text_[s - 1])) --s;
            while (e < length_ && IsIdent(text_[e])) ++e;
            if (e > s) {
                anchor_ = s;
                caret_ = e;
                selShown_ = true;
            }
        }
        PlaceCaret();
        Repaint();
        break;
    case MouseAction::RightDown: SetFocus(); break;
    case MouseAction::Wheel:
        // With Ctrl the owner zooms the text (away from the user: Zoom-Out); else one
        // line a notch, down for a wheel turned toward the user.
        if ((event.flags & platform::kMouseCtrl) && owner_)
            owner_->ExecuteCommand(event.wheelDelta > 0 ? kCmdZoomOut : kCmdZoomIn);
        else if (event.wheelDelta <= 0)
            ScrollDown(1);
        else
            ScrollUp(1);
        break;
    default: break;
    }
}

void CTxtEdit::OnTimer(int id) {
    if (id != kAutoScrollTimer || !dragging_) return;
    // The pointer rests outside the window: each tick scrolls on as a move there would.
    OnMouse(platform::MouseEvent{platform::MouseAction::Move, lastMouse_, platform::kLeftButton, 0});
}

void CTxtEdit::OnScroll(platform::ScrollBarKind bar, platform::ScrollCode code, int position) {
    using platform::ScrollCode;
    int row = static_cast<int>(std::count(text_.begin() + top_, text_.begin() + std::max(top_, caret_), '\n'));
    int col = ColumnOf(caret_) - hoffset_;
    if (bar == platform::ScrollBarKind::Vertical) {
        switch (code) {
        case ScrollCode::LineUp: ScrollUp(1); break;
        case ScrollCode::LineDown: ScrollDown(1); break;
        case ScrollCode::PageUp: selShown_ = false; ScrollUp(rows_); break;
        case ScrollCode::PageDown: selShown_ = false; ScrollDown(rows_); break;
        case ScrollCode::Top: GoToTop(); row = col = 0; break;
        case ScrollCode::Track:
        case ScrollCode::Bottom: {
            int line = code == ScrollCode::Bottom ? GetLineCount() - 1 : position * vscale_;
            line = std::clamp(line, 0, GetLineCount() - 1);
            if (std::abs(line - firstLine_) < rows_) {
                ScrollToLine(line);
            } else {
                top_ = LineIndex(line);
                firstLine_ = line;
                caret_ = top_;
                row = 0;
                if (IsCreated()) BarPos(platform::ScrollBarKind::Vertical, firstLine_ / vscale_);
                Repaint();
            }
            break;
        }
        default: return;
        }
    } else {
        switch (code) {
        case ScrollCode::LineUp: ScrollLeft(1); break;
        case ScrollCode::LineDown: ScrollRight(1); break;
        case ScrollCode::PageUp: ScrollLeft(columns_); break;
        case ScrollCode::PageDown: ScrollRight(columns_); break;
        case ScrollCode::Track:
            if (position > hoffset_) ScrollRight(position - hoffset_);
            else ScrollLeft(hoffset_ - position);
            break;
        default: return;
        }
    }
    CaretFromCell(std::clamp(row, 0, rows_ - 1), std::max(0, col));
    selShown_ = false;
    anchor_ = caret_;
    PlaceCaret();
}

void CTxtEdit::OnSetFocus() {
    CreateCaret(platform::Size{2, lineHeight_});
    PlaceCaret();
    ShowCaret(true);
}

void CTxtEdit::OnKillFocus() { DestroyCaret(); }

void CTxtEdit::OnClose() { flags_ |= kLoading; }

void CTxtEdit::OnSize(int width, int height) {
    if (flags_ & kLoading) return;
    Measure();
    if (hoffset_) hoffset_ = 0;
    UpdateScrollBars();
    Repaint();
    PlaceCaret();
}

void CTxtEdit::Repaint() {
    if (IsCreated()) Invalidate();
}

// --- Painting ----------------------------------------------------------------------------

void CTxtEdit::RedrawNow() {
    if (!IsCreated()) return;
    watchOnly_ = true;
    Invalidate();
    Update();
    watchOnly_ = false;
}

void CTxtEdit::OnEraseBackground(platform::DrawContext& dc) {
    if (watchOnly_) return;  // the watch values go over the text as it stands
    CDrawContext context(&dc);
    SelectAndRealizePalette(context);
    int background = owner_ ? owner_->backgroundColour : 15;
    Rect r = ClientRect();
    dc.FillRect(Rect{r.left, r.top, r.right + 1, r.bottom + 1}, SlotBrush(context, background));
}

void CTxtEdit::OnPaint(platform::DrawContext& dc) {
    CDrawContext context(&dc);
    SelectAndRealizePalette(context);
    int background = owner_ ? owner_->backgroundColour : 15;
    int textColour = owner_ ? owner_->EditorTextColour() : 0;
    int commentColour = owner_ ? owner_->EditorCommentColour() : 2;
    if (Slot(textColour).colour == Slot(background).colour) {
        // Text the colour of the background would vanish: take the opposite slot.
        textColour ^= 15;
        if (owner_) owner_->SetEditorTextColour(textColour);
    }
    dc.SetFont(EditorFont(font_));
    dc.SetBkOpaque(false);
    Rect clip = dc.ClipBox();
    int selStart, selEnd;
    GetSel(selStart, selEnd);
    platform::Color highlight = platform::Rgb(51, 102, 204);
    int pos = top_;
    for (int row = 0; row < rows_ + 1 && pos <= length_; ++row) {
        int y = row * lineHeight_;
        int end = LineEnd(pos);
        if (y + lineHeight_ >= clip.top && y < clip.bottom) {
            // Expand the line into cells.
            std::string cells;
            std::vector<int> source;  // text position of each cell
            int col = 0;
            for (int i = pos; i < end; ++i) {
                if (text_[i] == '\t') {
                    int next = (col / kTabWidth + 1) * kTabWidth;
                    for (; col < next; ++col) { cells += ' '; source.push_back(i); }
                } else {
                    cells += text_[i];
                    source.push_back(i);
                    ++col;
                }
            }
            int first = std::min(hoffset_, static_cast<int>(cells.size()));
            int last = std::min(static_cast<int>(cells.size()), hoffset_ + columns_ + 1);
            std::string visible = cells.substr(first, last - first);
            size_t semicolon = visible.find(';');
            // Selected cells.
            if (!watchOnly_ && selShown_ && selEnd > pos && selStart <= end) {
                int a = -1, b = -1;
                for (int c = first; c < last; ++c)
                    if (source[c] >= selStart && source[c] < selEnd) {
                        if (a < 0) a = c;
                        b = c + 1;
                    }
                if (a >= 0)
                    dc.FillRect(Rect{kLeftMargin + (a - hoffset_) * charWidth_, y,
                                     kLeftMargin + (b - hoffset_) * charWidth_, y + lineHeight_},
                                platform::Brush::Solid(highlight));
            }
            auto drawPart = [&](size_t from, size_t to, int slot) {
                if (to <= from) return;
                dc.SetTextColor(GetColourFromSlot(context, slot));
                dc.TextOut(Point{kLeftMargin + static_cast<int>(from) * charWidth_, y}, visible.substr(from, to - from));
            };
            std::vector<WatchPiece> pieces;
            bool watches = semicolon != std::string::npos && ExpandWatchComment(visible.substr(semicolon), pieces);
            if (watches) {
                // The watch painter draws the comment itself, values in red; a watch-only
                // repaint draws nothing else.
                int x = static_cast<int>(semicolon);
                for (const WatchPiece& piece : pieces) {
                    dc.SetTextColor(GetColourFromSlot(context, piece.value ? 9 : commentColour));
                    if (watchOnly_ && piece.value) {
                        dc.SetBkOpaque(true);
                        dc.SetBkColor(GetColourFromSlot(context, background));
                    }
                    if (!watchOnly_ || piece.value)
                        dc.TextOut(Point{kLeftMargin + x * charWidth_, y}, piece.text);
                    dc.SetBkOpaque(false);
                    x += static_cast<int>(piece.text.size());
                }
                if (!watchOnly_) drawPart(0, semicolon, textColour);
            } else if (!watchOnly_) {
                if (semicolon == std::string::npos) {
                    drawPart(0, visible.size(), textColour);
                } else {
                    drawPart(0, semicolon, textColour);
                    drawPart(semicolon, visible.size(), commentColour);
                }
            }
            if (!watchOnly_ && selShown_ && selEnd > pos && selStart <= end) {
                // Selected text in the highlight text colour over the highlight.
                for (int c = first; c < last; ++c)
                    if (source[c] >= selStart && source[c] < selEnd) {
                        dc.SetTextColor(platform::Rgb(255, 255, 255));
                        dc.TextOut(Point{kLeftMargin + (c - hoffset_) * charWidth_, y}, std::string(1, cells[c]));
                    }
            }
        }
        if (end >= length_) break;
        pos = end + 2;
    }
}

}  // namespace ob7
