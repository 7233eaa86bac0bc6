#pragma once
// Line styles (the codes stored in files and settings), their names and pens, the
// dashed pen that steps its pattern along each line, and the decade function of axis
// scaling.

#include <string>
#include <vector>

#include "platform/draw_context.h"

namespace ob7 {

class CDrawContext;

// "Dash" 1, "Dot" 2, "DashDot" 3, "DashDotDot" 4, any case: returns 1 and stores the
// code; any other text returns 0 and leaves the code.
int ParseLineStyleName(const char* text, int& code);
// The name of codes 1 to 4 (low 8 bits), else null (solid has no name).
const char* LineStyleName(int code);

// The lengths of a style's pattern for a pen width: drawn and skipped alternately.
// Empty for style 0 (solid).
std::vector<int> DashPattern(int style, int width, bool round);

// A pen of a line style in a colour slot: wide styled pens are geometric with square
// ends, others cosmetic.
platform::Pen CreateStylePen(const CDrawContext& context, int style, int width, int slot);

// The power of ten at or below |x| (1 for 0); a hair below a power counts as it.
double DecadeFloor(double x);

// Draws dashed curves with a solid geometric pen by stepping the pattern along each
// line; the phase runs on from line to line and restarts at MoveTo.
class CDashPen {
public:
    void Reset();
    // Builds the pattern of the style and selects a solid pen of the width in the slot's
    // colour (round ends and joins with round, else flat ends and mitred joins).
    void Create(CDrawContext& context, bool round, int width, int style, int slot);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void FreePattern() { pattern_.clear(); }
    const std::vector<int>& Pattern() const { return pattern_; }

private:
    void Move(int x, int y);
    void Line(int x, int y);
    CDrawContext* context_ = nullptr;
    std::vector<int> pattern_;
    int index_ = 0;
    int remaining_ = 0;
    int x_ = 0, y_ = 0;
};

}  // namespace ob7

namespace platform {
class Dialog;
struct DrawItemInfo;
}

namespace ob7 {

// Owner-drawn combo boxes that offer line styles (codes 0 to 4), fills (10 solid, then
// hatches 0 to 5) and arrow ends (0 none, 1 filled, 2 open). Items have empty texts and
// the code as item data.
enum class StyleComboKind { LineStyle, Hatch, Arrow };

class StyleCombo {
public:
    StyleCombo(platform::Dialog& dialog, int id, StyleComboKind kind) : dialog_(dialog), id_(id), kind_(kind) {}
    // Fills the items and selects the code (the first item when it has none; a negative
    // line style selects nothing).
    void Fill(int code);
    // The code of the selection, -1 without one.
    int GetSelData() const;
    // The dialog forwards its owner-draw calls; true when the item was this combo's.
    bool DrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) const;
    int Id() const { return id_; }

private:
    platform::Dialog& dialog_;
    int id_;
    StyleComboKind kind_;
};

}  // namespace ob7
