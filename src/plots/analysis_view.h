#pragma once
// CANFrame and CANDraw: the frame and drawing-window base of every analysis window.
// CANDraw adds the analysis kind of the view, the per-analysis flag words, the Scale and
// Cursor modes with the mouse and key handling that dispatches to them, the cursor step
// state, and the block of virtual operations the plot views fill in.

#include <string>

#include "platform/geometry.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

class CDrawContext;

// Cursor directions (the arrow commands) and step kinds (the cursor function commands).
enum CursorCommand : int {
    kCursorLeft = 760, kCursorRight = 761, kCursorUp = 762, kCursorDown = 763,
    kCursorNextPoint = 18670, kCursorNextInterpolated = 18671, kCursorPeak = 18672, kCursorValley = 18673,
    kCursorHigh = 18674, kCursorLow = 18675, kCursorInflection = 18676, kCursorGlobalHigh = 18677,
    kCursorGlobalLow = 18678, kCursorBottom = 18685, kCursorTop = 18686
};

// Per-analysis flag words of the views (view option bits), shared by every view of
// an analysis.
extern int AnalysisFlags[3];
extern int AnalysisPlusMark[3];
extern int AnalysisHorizontalCursor[3];

class CANFrame : public CMDIFrame {
public:
    CANFrame* next = nullptr;  // next frame of its kind in the circuit's window list
    int closed = 0;
    // Closes the window but keeps the frame and its placement for showing it again.
    void CloseKeepFrame();
};

class CANDraw : public CDraw {
public:
    CANDraw();
    ~CANDraw() override;

    int viewKind = -1;                    // the analysis kind shown (0 transient, 1 AC, 2 DC)
    std::string title;                    // the plot title template
    int autoTitle = 1;
    int cursorStepKind = kCursorNextPoint;
    int cursorDirection = kCursorRight;
    int lastCursor = 0;
    int scaleCurve = 0;
    int currentCurve = 0;

    // The virtual block.
    virtual std::string ExpandTitleMacros(const std::string& text) { return text; }
    virtual double GetPointValue(int column, int index) { return 0.0; }
    virtual void SetPointValue(int column, int index, double value) = 0;
    virtual int GraphIndexAtPoint(platform::Point p) { return -1; }
    virtual void PaintContents(CDrawContext& dc) {}
    virtual void PrepareDataPoints() {}
    bool HasGraphs() override { return false; }
    virtual void MoveCursor(int curve, int cursor, int index, const double* value) {}
    virtual void DrawCursors(CDrawContext& dc, int draw, int group) {}
    virtual int SetCursorPosition(int curve, int cursor, int index, const double* value) { return index; }
    virtual void MoveCursorToPoint(int buttons, platform::Point p) {}
    virtual void StepCursor(int direction, int cursor) {}

    // What the plot views do with gestures of the Scale mode and right drags.
    virtual void ZoomToRectangle(int curve, platform::Point corner, platform::Point other) {}
    virtual void PanByDrag(platform::Point from, platform::Point to) {}
    virtual void BeginScaleUndo() {}
    // True for views that carry curves (CAPDraw and its kin).
    virtual bool IsPlotView() const { return false; }
    virtual void SelectCurve(int curve) {}

    // The mode a press takes with the keys held.
    int ModeForKeys(int mouseFlags) const;
    // Input is ignored while a run draws.
    bool InputBlocked() const;

    void SetMode(int mode) override;
    void OnMouse(const platform::MouseEvent& event) override;
    void OnKeyDown(const platform::KeyEvent& event) override;
    void OnDocumentChanged() override {}

    // Shared texts of the plot views.
    // The text of the slope between two cursor values; "INF" where it has none.
    static std::string SlopeText(double leftA, double rightA, double leftB, double rightB, bool sameAxis, int method);
    // The engineering reference magnitude of a range.
    static double ScaleReference(double a, double b);
    // Draws the text in the box (DrawText format bits); a text wider than the box is
    // drawn as "#". Returns what was drawn.
    static std::string DrawFittedText(CDrawContext& dc, const std::string& text, platform::Rect rect, int format);

protected:
    platform::Point pressPoint_;
    int pressFlags_ = 0;
    bool zoomDrag_ = false, panDrag_ = false;
    platform::Point lastMovePoint_{-100000, -100000};
};

}  // namespace ob7
