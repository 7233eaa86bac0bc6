#include "plots/analysis_view.h"

#include <cmath>

#include "foundation/numbers.h"
#include "platform/desktop.h"
#include "platform/draw_context.h"
#include "ui/framework/draw_context.h"
#include "plots/graph_record.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

int AnalysisFlags[3] = {kViewHorizontalGrids | kViewVerticalGrids, kViewHorizontalGrids | kViewVerticalGrids,
                         kViewHorizontalGrids | kViewVerticalGrids};
int AnalysisPlusMark[3] = {0, 0, 0};
int AnalysisHorizontalCursor[3] = {0, 0, 0};

void CANFrame::CloseKeepFrame() {
    closed = 1;
    placement = GetTopFramePlacement(*this);
    placementSet = true;
    Destroy();
}

CANDraw::CANDraw() { currentMode = kModeSelect; }

CANDraw::~CANDraw() { ClearUndoList(); }

bool CANDraw::InputBlocked() const { return RunActive(); }

int CANDraw::ModeForKeys(int mouseFlags) const {
    if (CaptureWindow() == this && (zoomDrag_ || panDrag_)) return -1;
    if (mouseFlags & (platform::kMouseShift | platform::kMouseCtrl)) {
        // Ctrl in Cursor mode of a plot view gives Scale; otherwise the keys select.
        if ((mouseFlags & platform::kMouseCtrl) && IsPlotView() && currentMode == kModeCursor) return kModeScale;
        return kModeSelect;
    }
    return currentMode;
}

void CANDraw::SetMode(int mode) {
    if (mode == kModeCursor && IsPlotView() && !HasGraphs()) return;  // nothing to put cursors on
    CDraw::SetMode(mode);
    if (IsCreated()) Invalidate();
}

void CANDraw::OnMouse(const platform::MouseEvent& event) {
    using platform::MouseAction;
    CDraw::OnMouse(event);
    if (InputBlocked() || !HasGraphs()) return;
    switch (event.action) {
    case MouseAction::LeftDown:
    case MouseAction::RightDown: {
        if (event.action == MouseAction::RightDown) BeginScaleUndo();
        SetFocus();
        if (IsPlotView()) {
            int hit = GraphIndexAtPoint(event.point);
            if (hit >= 0 && hit != currentCurve) SelectCurve(hit);
        }
        pressPoint_ = event.point;
        pressFlags_ = event.flags;
        lastMovePoint_ = event.point;
        int mode = ModeForKeys(event.flags);
        if (event.action == MouseAction::RightDown && mode != kModeCursor) {
            panDrag_ = true;
            SetCapture();
            return;
        }
        if (mode == kModeScale) {
            scaleCurve = GraphIndexAtPoint(event.point);
            if (scaleCurve >= 0) {
                zoomDrag_ = true;
                SetCapture();
            } else {
                scaleCurve = 0;
            }
        } else if (mode == kModeCursor) {
            MoveCursorToPoint(event.flags, event.point);
        }
        break;
    }
    case MouseAction::Move:
        if ((event.flags & platform::kLeftButton) && event.point == lastMovePoint_) return;
        if (currentMode == kModeCursor && !zoomDrag_ && !panDrag_ && !(pressFlags_ & platform::kMouseShift) &&
            (event.flags & (platform::kLeftButton | platform::kRightButton)))
            MoveCursorToPoint(event.flags, event.point);
        lastMovePoint_ = event.point;
        break;
    case MouseAction::LeftUp:
    case MouseAction::RightUp:
        if (zoomDrag_ && event.action == MouseAction::LeftUp) {
            zoomDrag_ = false;
            ReleaseCapture();
            if (event.point != pressPoint_) ZoomToRectangle(scaleCurve, pressPoint_, event.point);
        } else if (panDrag_ && event.action == MouseAction::RightUp) {
            panDrag_ = false;
            ReleaseCapture();
            PanByDrag(pressPoint_, event.point);
        }
        break;
    default:
        break;
    }
}

void CANDraw::OnKeyDown(const platform::KeyEvent& event) {
    if (event.key == platform::key::kEscape) SetMode(kModeSelect);
}

std::string CANDraw::SlopeText(double leftA, double rightA, double leftB, double rightB, bool sameAxis, int method) {
    double slope;
    if (sameAxis) {
        slope = 1.0;
    } else {
        double dX = rightA - leftA, dY = rightB - leftB;
        if (method == 0) {
            if (dX == 0) return "INF";
            slope = dY == dX ? 1.0 : dY / dX;
        } else {
            if (leftA == 0) return "INF";
            double ratio = rightA / leftA;
            double d = ratio == 0 ? 0 : std::log10(std::fabs(ratio));
            slope = method == 1 ? dY / (d / std::log10(2.0)) : dY / d;
        }
    }
    return FormatNumberText(slope, 3, 'E', kNumLowerCase | kNumTidyExponent);
}

std::string CANDraw::DrawFittedText(CDrawContext& dc, const std::string& text, platform::Rect rect, int format) {
    platform::DrawContext& d = *dc.Dc();
    std::string shown = d.TextExtent(text).cx > rect.Width() ? "#" : text;
    if (d.Kind() == platform::DeviceKind::Printer && (format & platform::kDtRight)) {
        // A page shows what lay under the box: clear the part left of the text.
        platform::Rect left = rect;
        left.right = rect.right - d.TextExtent(shown).cx;
        d.FillRect(left, platform::Brush::Solid(platform::Rgb(255, 255, 255)));
    }
    d.DrawText(shown, rect, format | platform::kDtSingleLine | platform::kDtNoPrefix);
    return shown;
}

double CANDraw::ScaleReference(double a, double b) {
    double da = a == 0 ? 0 : std::log10(std::fabs(a));
    double db = b == 0 ? 0 : std::log10(std::fabs(b));
    if (std::fabs(std::round(da) - std::round(db)) > 3) return std::fabs(b - a);
    if ((da > db && da != 0) || db == 0) return a;
    return b;
}

}  // namespace ob7
