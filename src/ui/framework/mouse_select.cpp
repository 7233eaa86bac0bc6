// Mouse selection of drawing windows: clicks and drags with the left button (select,
// extend, drag the selection, resize an object, rubber band), the right button, and the
// start of placing a new graphic object. The drag tracker and the object lists are the
// views'; the base decides what happens and with which codes.

#include "platform/desktop.h"
#include "platform/input.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/graphic_objects.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

bool AnalysisActive() { return Shell.analysisKind != -1; }

bool Inside(const platform::Rect& r, platform::Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void SetSelectedBit(HitRecord& hit, bool on) {
    if (!hit.state) return;
    if (on) *hit.state |= 1;
    else *hit.state &= ~1;
}

}  // namespace

void CDraw::MouseSelect(bool extend, platform::Point point, bool dragging, int keyFlags) {
    const bool schematic = drawType == kDrawSchematic;
    platform::Point test = point;
    if (schematic) {
        test = PagePointAt(point);
        if (dragging && AnalysisActive() && !Shell.dynamicDC) return;
    }

    // A drag that starts inside the selection box moves the selection.
    if (!extend && dragging && HasSelectionBox() && Inside(selectionBox, test)) {
        if (trackState == 0) StartSelectionDrag(1, keyFlags);
        trackState = 2;
        return;
    }

    if (dragging) {
        HitRecord hit = HitTest(test, extend ? 2 : 3);
        if (hit.family == kHitGraphicObject) {
            trackState = 256;
            resizing = hit.object;
            int kind = hit.objectKind;
            if (kind == kGraphicText || kind == kGraphicPolygon) return;
            BeginObjectUndo(hit.object, "Resize");
            dragRect = hit.bounds;
            TrackRequest request;
            request.code = kTrackResizeObject + hit.handleFlags + (GraphicKindClosed(kind) ? kTrackClosedShape : 0);
            request.kind = kind;
            request.point = point;
            request.graph = GraphAtPoint(point);
            request.rect = hit.bounds;
            if (kind == kGraphicMeasureV || kind == kGraphicMeasureH) {
                request.hasAnchor = true;
                request.anchor = hit.anchor;
            }
            if (kind == kGraphicMeasureV || kind == kGraphicTag || kind == kGraphicMeasureH) request.font = hit.font;
            BeginTrack(request);
            return;
        }
        if (hit.family == kHitSchematicObject) {
            if (hit.objectKind == kHitComponent && hit.resizableComponent) {
                BeginObjectUndo(hit.object, "Resize");
                trackState = 256;
                BeginComponentResize(hit);
                return;
            }
            if (hit.objectKind == kHitDrawing || hit.objectKind == kHitWire) {
                bool wire = hit.objectKind == kHitWire;
                BeginObjectUndo(hit.object, wire ? "Wire change" : "Resize");
                trackState = 256;
                resizing = hit.object;
                TrackRequest request;
                request.point = point;
                request.pagePoint = test;
                if (wire) {
                    request.code = kTrackDragWire + hit.handleFlags;
                } else {
                    request.code = kTrackResizeDrawing + hit.handleFlags + (hit.closed ? kTrackClosedShape : 0);
                    request.kind = hit.graphicKind;
                    request.text = hit.attributeText;
                }
                BeginTrack(request);
                return;
            }
        } else if (hit.family != kHitNone) {
            return;
        }
    }

    // A click, or a drag that found no object to resize.
    HitRecord hit = HitTest(test, extend ? 0 : 1);
    if (hit.family != kHitNone) {
        if (schematic && Shell.analysisKind == 0) {
            if (hit.family == kHitSchematicObject && hit.objectKind == kHitComponent) ToggleDigitalSwitch(hit);
            return;
        }
        const bool closed = schematic && hit.family == kHitSchematicObject && hit.closed;
        if (extend) {
            if (hit.family == kHitTypedText) {
                ClearSelection();
                currentText = hit.object;
            } else if (currentText) {
                currentText = nullptr;
                Refresh(8);
            }
            bool nowSelected = !hit.Selected();
            SetSelectedBit(hit, nowSelected);
            if (!nowSelected) {
                RedrawChangedObject(hit, 2);
                Refresh(8);
            } else if (closed) {
                Refresh(536);
            } else {
                InvalidateObject(hit);
            }
            if (schematic) MarkObjectsForRedraw();
            if (nowSelected && dragging) {
                trackState = 2;
                StartSelectionDrag(1, keyFlags);
            }
            return;
        }
        if (!dragging && schematic && hit.family == kHitSchematicObject && hit.objectKind == kHitWire &&
            (platform::desktop::ModifierKeys() & platform::kAltDown)) {
            ClearSelection();
            SetSelectedBit(hit, true);
            HighlightNode(hit);
            Refresh(8);
            return;
        }
        if (hit.Selected()) {
            if (dragging) {
                CommitInPlaceEdit();
                trackState = 2;
                if (currentText) StartSelectionDrag(3, 0);
                else StartSelectionDrag(1, keyFlags);
            }
            return;
        }
        if (dragging) return;
        if (closed) ClearSelection();
        else SetAllSelected(0);
        if (hit.family == kHitTypedText) currentText = hit.object;
        SetSelectedBit(hit, true);
        if (closed) Refresh(536);
        else InvalidateObject(hit);
        return;
    }

    // Nothing under the point.
    if (schematic && AnalysisActive()) return;
    if (!extend) {
        if (HasSelectionBox() && Inside(selectionBox, test)) {
            if (trackState == 0) StartSelectionDrag(1, keyFlags);
            trackState = 2;
            return;
        }
        SetAllSelected(0);
    } else if (HasSelectionBox()) {
        paintMode = 4;
        Refresh(10760);
        paintMode = 0;
        selectionBox = platform::Rect{-1, -1, -1, -1};
        Refresh(24);
    }
    if (dragging && trackState == 0) {
        trackState = 16;
        selectionBox = platform::Rect{test.x, test.y, test.x, test.y};
        TrackRequest request;
        request.code = (flags & kDrawObjectMode) ? kTrackRubberBandObjects : kTrackRubberBand;
        request.point = point;
        request.pagePoint = test;
        BeginTrack(request);
    }
}

void CDraw::OnRButtonDown(int keyFlags, platform::Point point) {
    if (frame) frame->BringToFront();
    if ((flags & kDrawAllowObjects) || drawType == kDraw3DPlot) {
        if (currentMode == kModeCursor && !(keyFlags & platform::kMouseCtrl)) {
            CursorModeRightClick(point, keyFlags);
        } else {
            buttonDown = point;
            if (!(keyFlags & platform::kLeftButton)) {
                ClosePolygon();
                RestoreModeCursor();
                rightDrag = 1;
            }
        }
    }
    SetCapture();
}

void CDraw::StartObjectTool(int command, platform::Point point, platform::Point pagePoint) {
    struct Tool {
        int command, kind, style;
    };
    static constexpr Tool tools[] = {
        {kModeLine, kGraphicLine, 7},         {kModeEllipse, kGraphicEllipse, 0x8007},
        {kModeRectangle, kGraphicRectangle, 0x8007}, {kModeDiamond, kGraphicDiamond, 0x8007},
        {kModeArc, kGraphicArc, 7},           {kModePie, kGraphicPie, 7},
    };
    for (const Tool& tool : tools)
        if (tool.command == command) {
            StartPlacementTrack(tool.style, tool.kind, point, pagePoint);
            return;
        }
    // A polygon starts at once with its first point; later clicks add the others.
    if (command == kModePolygon && trackState == 0) {
        StartPlacementTrack(7, kGraphicPolygon, point, pagePoint);
        EndTrack(kTrackEndPlacement);
        trackState = 128;
    }
}

void CDraw::StartPlacementTrack(int style, int kind, platform::Point point, platform::Point pagePoint) {
    ClearSelection();
    dragRect = platform::Rect{point.x, point.y, point.x, point.y};
    trackState = 128;
    TrackRequest request;
    request.code = style + (drawType == kDrawSchematic ? 0x510 : 0x4510);
    request.kind = kind;
    request.point = point;
    request.rect = dragRect;
    if (drawType == kDrawSchematic) {
        request.pagePoint = pagePoint;
        MarkObjectsForRedraw();
    } else {
        request.graph = GraphAtPoint(point);
    }
    BeginTrack(request);
}

void CDraw::InvalidateObject(const HitRecord& hit) {
    paintMode = 0;
    switch (hit.family) {
    case kHitSchematicObject:
    case kHitGridText:
        SetRedrawRange(hit);
        Refresh(5128);
        break;
    case kHitGraphicObject: Refresh(4616); break;
    case kHitTypedText: Refresh(5128); break;
    default: break;
    }
}

void CDraw::RedrawChangedObject(const HitRecord& hit, int mode) {
    if (hit.family == kHitGraphicObject) {
        RedrawGraphicObject(hit);
    } else {
        SetRedrawRange(hit);
        paintMode = 4;
        Refresh(4104);
        paintMode = 0;
    }
    if (mode == 1) {
        KeepOutOfPainting(hit, true);
        Refresh(8);
        KeepOutOfPainting(hit, false);
    }
}

}  // namespace ob7
