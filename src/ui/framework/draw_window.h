#pragma once
// CDraw and CMDIFrame: every document, plot and result window is an MDI child frame
// holding one drawing window that fills it. CDraw carries what all views share: the
// window type, edit modes, the Edit/Print/mode command map, background and output
// colours, selection repaint, and the one-level undo list. CMDIFrame adds creation,
// title, placement and activation.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "platform/frame.h"
#include "platform/tool_bar.h"
#include "platform/window.h"

#include "platform/picture.h"

namespace platform {
class DrawContext;
class Menu;
}

namespace ob7 {

class CDrawContext;
class CMDIFrame;
class CTxtEdit;

// Window type codes of drawing windows and their frames.
enum DrawType : int {
    kDrawNone = -1, kDrawSchematic = 1, kDrawText = 2, kDrawModelLibrary = 3, kDraw2DPlot = 5,
    kDrawHistogram = 6, kDraw3DPlot = 8, kDrawThumbnail = 9, kDrawFilterPlot = 10,
    kDrawCharacteristic = 11, kDrawWatch = 12, kDrawPerformance = 19
};

// Edit modes are the ids of their mode commands.
enum EditMode : int {
    kModeSelect = 17561, kModeComponent = 17562, kModeText = 17563, kModeOrthoWire = 17564,
    kModeDiagonalWire = 17565, kModeComponentHelp = 17567, kModeLine = 17568, kModeEllipse = 17569,
    kModeRectangle = 17570, kModeDiamond = 17571, kModeArc = 17572, kModeScale = 17573,
    kModeCursor = 17574, kModePie = 17575, kModeFlag = 17576, kModeInfo = 17578,
    kModeHorizontalTag = 17579, kModeVerticalTag = 17580, kModePointTag = 17581,
    kModePointToEnd = 17582, kModePointToPoint = 17583, kModeGraphics = 17584, kModePicture = 17585,
    kModePolygon = 17586, kFirstMode = 17561, kLastMode = 17586
};

// Command ids of the drawing window's map.
enum DrawCommand : int {
    kCmdUndo = 57643, kCmdRedo = 57644, kCmdCut = 57635, kCmdCopy = 57634, kCmdPaste = 57637,
    kCmdClear = 57632, kCmdSelectAll = 57642, kCmdPrint = 57607, kCmdPrintPreview = 57609,
    kCmdToFront = 17597, kCmdToBack = 17598, kCmdProperties = 15678, kCmdCopySelectBoxBmp = 17219,
    kCmdCopyVisibleBmp = 17206, kCmdCopyPicture = 17221, kCmdSavePicture = 17222, kCmdCopyEnhancedPicture = 17223,
    kCmdToggleLastMode = 17672, kCmdSave = 57603, kCmdZoomIn = 17504,
    kCmdZoomOut = 17505, kCmdContextHelp = 17805
};

// Flag bits of CDraw::flags.
enum DrawFlag : int {
    kDrawHidden = 0x1, kDrawHiddenCopy = 0x2, kDrawNumericOutput = 0x4, kDrawCloseOnAnalysisStart = 0x8,
    kDrawCloseOnRunStart = 0x10, kDrawCloseOnAnalysisEnd = 0x20, kDrawOpen = 0x40, kDrawPreviewable = 0x80,
    kDrawObjectMode = 0x100, kDrawGlobalInclude = 0x200, kDrawAllowObjects = 0x400, kDrawSpecial = 0x800
};

// The id of the drawing window inside its frame.
constexpr int kDrawChildId = 789;
// Accelerator table of drawing windows.
constexpr int kDrawAccelerators = 514;

// One undo entry. Derived views derive their entries from it and make them through
// CDraw::NewUndoEntry.
struct TextEditUndoRecord;
struct UndoEntry {
    UndoEntry();
    virtual ~UndoEntry();
    void* object = nullptr;  // the object of a one-object entry
    int kind = 0;            // 12 edit state, 7 one object; others are the views'
    platform::Rect rect;     // the selection box saved by BeginEditUndo
    std::string label;
    std::unique_ptr<TextEditUndoRecord> textRecord;  // the editor's record (kind 11)
};
constexpr int kUndoEditState = 12, kUndoOneObject = 7;

// What a hit test found. Families: 1 a schematic object, 2 a grid text, 3 a graphic
// object of an analysis window, 10 the text being typed; 0 nothing.
enum HitFamily : int { kHitNone = 0, kHitSchematicObject = 1, kHitGridText = 2, kHitGraphicObject = 3,
                       kHitTypedText = 10 };
// The kinds of schematic objects (family 1).
enum HitObjectKind : int { kHitComponent = 0, kHitWire = 1, kHitDrawing = 2 };
struct HitRecord {
    int family = kHitNone;
    void* object = nullptr;
    uint8_t* state = nullptr;       // where the object keeps its selected bit (bit 0)
    int handleFlags = 0;            // the handles under the point
    int objectKind = 0;             // family 1: HitObjectKind; family 3: the graphic kind
    int graphicKind = 0;            // family 1 drawings: their graphic kind
    bool closed = false;            // a drawn shape with a fill colour
    bool resizableComponent = false;
    platform::Rect bounds;          // family 3: the object's pixel bounds
    platform::Point anchor;         // measuring tags: the anchor pixel of their label
    const FontRecord* font = nullptr;
    std::string attributeText;      // family 1 drawings that show an attribute text
    bool Selected() const { return state && (*state & 1); }
};

// What the drag tracker of the views is asked to do: its code, the kind of object it
// draws, where it starts, and what it hands on to the view when it ends.
struct TrackRequest {
    int code = 0;
    int kind = 0;
    platform::Point point;
    platform::Point pagePoint;
    int graph = -1;
    platform::Rect rect;
    bool hasAnchor = false;
    platform::Point anchor;
    const FontRecord* font = nullptr;
    std::string text;
};
// Tracker codes the base uses.
enum TrackCode : int { kTrackEndPlacement = 0x30, kTrackResizeObject = 0x6017, kTrackResizeDrawing = 0x2017,
                       kTrackDragWire = 0x2016, kTrackRubberBandObjects = 0xCF14, kTrackRubberBand = 0x8F14,
                       kTrackClosedShape = 0x8000 };

// The default button list of a window type's own tool bar (command ids, 0 for a
// separator) and whether the bar lies along the top; false for a type without a bar.
// The application shell, which keeps the lists, installs it.
using ToolBarTableSource = std::function<bool(int drawType, std::vector<int>& commands, bool& top)>;
void SetToolBarTableSource(ToolBarTableSource source);

// The main frame's mode indicator follows the mode of the top window: refreshed when a
// window's mode changes and when a frame is activated. The application shell installs it.
void SetModeIndicatorRefresh(std::function<void()> refresh);
void RefreshModeIndicator();
class CDraw;
// A drawing window's own tool bar, inside the window's frame. The application shell,
// which keeps the buttons, makes it through the installed maker.
class CDrawToolBar : public platform::ChildToolBar {
public:
    // Creates or refills the bar in its parent; false when it has no button list.
    virtual bool LoadButtons(platform::Window* parent) = 0;
    // Puts the bar along its side of the parent's client area; what is left, for the view.
    virtual platform::Rect PlaceInParent(const platform::Rect& client) = 0;
};
// Makes the bar of a window (null for a window type without one).
using DrawToolBarMaker = std::function<std::unique_ptr<CDrawToolBar>(CDraw& view)>;
void SetDrawToolBarMaker(DrawToolBarMaker maker);
// The "Tool Bar" page that a window's own Properties sheet adds last: it edits that
// window's bar. Null for a window without a bar, or before the maker is installed.
class CPropertyPage2;
using WindowToolBarPageMaker = std::function<std::unique_ptr<CPropertyPage2>(CDraw& view)>;
void SetWindowToolBarPageMaker(WindowToolBarPageMaker maker);
std::unique_ptr<CPropertyPage2> MakeWindowToolBarPage(CDraw& view);

class CDraw : public platform::Window {
public:
    CDraw();
    ~CDraw() override;

    int drawType = kDrawNone;
    CMDIFrame* frame = nullptr;           // null for an embedded view without a frame
    platform::Window* parentWindow = nullptr;
    int trackState = 0;                   // 0, 2 click, 16 rubber band, 128 placing, 256 resizing
    int pendingDrag = 0, extendFlag = 0;
    platform::Point rightPress;
    int rightDrag = 0;
    platform::Point buttonDown, lastMove;
    void* lastHit = nullptr;
    int backgroundColour = 64;            // colour slot
    int selectionColour = 0;
    FontRecord windowFont, objectFont;
    int selectionFrameStyle = 0;
    int currentMode = 0, previousMode = 0;
    platform::Rect selectionBox{-1, -1, -1, -1};
    std::vector<int> toolButtons;         // command ids of the window's own tool bar
    bool toolBarTop = true;               // the bar lies along the top (else the left)
    std::unique_ptr<CDrawToolBar> mainToolBar;  // the window's own tool bar, when it has one
    int flags = 0;
    platform::Rect dragRect;
    void* resizing = nullptr;
    int undoLock = 0;
    int copyPainting = 0;
    const platform::Rect* printRegion = nullptr;
    int paintMode = 0;                    // 0 normal, 4 erasing highlights, 2 component preview
    int filterMask = 0, filterValue = 0, ignoreObjectFlags = 0, selectionFrameShown = 0;
    int paintToggle1 = 0, paintToggle2 = 0;

    bool HasSelectionBox() const { return selectionBox.left != -1 || selectionBox.right != -1; }

    // The contract of the derived views (defaults do nothing and return 0).
    virtual void SetMode(int mode);
    virtual void OnDocumentChanged() = 0;
    virtual int TransferObjects(int dx, int dy, int rotation, int transferFlags, int selectionMask) { return 0; }
    virtual void Refresh(int refreshFlags) {}
    virtual int GetSelectionBounds(CDrawContext& dc, platform::Rect& bounds, platform::Rect* copy, int listFlags,
                                   int page) { return 0; }
    virtual void ArrangeSelected(int where) {}
    virtual int CountSelected(int mask) { return 0; }
    virtual int SetSelection(int mask, int select) { return 0; }
    virtual int CreateObjectFromTrack(int page, int typeWord, const platform::Rect& track, int graph) { return 0; }
    virtual UndoEntry* BeginUndo(int kind, const std::string& label);
    virtual UndoEntry* BeginEditUndo(const std::string& label);
    virtual void RestoreEditState();
    virtual void Cut(int flag) {}
    virtual void Copy() {}
    virtual void Paste() {}
    virtual void Clear() {}
    virtual void SelectAll() {}
    virtual void InsertClipboardAt(int x, int y, int flag) {}
    virtual void SwapObjectWithUndo(void* object) {}
    virtual void BeginObjectUndo(void* object, const std::string& label) {}
    virtual void Properties() {}
    virtual void OnUpdateProperties(platform::CommandUI& ui);
    virtual void Print() {}
    // The undo and redo steps of the view; the base exchanges the saved edit state.
    virtual void UndoStep();
    virtual void RedoStep();
    // What the Edit commands act on, as the views answer it.
    virtual CTxtEdit* TextEditor() { return nullptr; }
    virtual bool HasGraphs() { return true; }
    virtual bool InternalClipboardHasObjects() { return false; }
    virtual int ObjectCount() { return 0; }
    // Colour slots of an embedded text editor: its text, its comments; the background is
    // the window's. The editor stores a changed text colour back.
    virtual int EditorTextColour() const { return 0; }
    virtual void SetEditorTextColour(int slot) {}
    virtual int EditorCommentColour() const { return 2; }
    // A whole-text undo step around a change the editor does not record itself (case
    // changes); the base keeps none.
    virtual void BeginWholeTextUndo(const std::string& label) {}
    // Mouse selection goes through these; the drag tracker, the panes and pages of the
    // schematic and the graphs of the analysis windows are the views'.
    virtual HitRecord HitTest(platform::Point p, int hitMode) { return {}; }
    virtual void BeginTrack(const TrackRequest& request) {}
    virtual void EndTrack(int code) {}
    // The drag of the whole selection (mode 1, or 3 while a text is being typed).
    virtual void StartSelectionDrag(int mode, int keyFlags) {}
    virtual int GraphAtPoint(platform::Point p) { return -1; }
    // The schematic tests points on the page of the pane under them.
    virtual platform::Point PagePointAt(platform::Point p) { return p; }
    // A click on a component during a transient run toggles its digital switch.
    virtual void ToggleDigitalSwitch(const HitRecord& hit) {}
    // Highlights the whole node of a wire.
    virtual void HighlightNode(const HitRecord& hit) {}
    virtual void CommitInPlaceEdit() {}
    // The schematic marks its whole object range, or just one object, for the next redraw.
    virtual void MarkObjectsForRedraw() {}
    virtual void SetRedrawRange(const HitRecord& hit) {}
    // Keeps an object out of painting (out) or lets it back in.
    virtual void KeepOutOfPainting(const HitRecord& hit, bool out) {}
    // Components of the resizable kind are resized by their outline.
    virtual void BeginComponentResize(const HitRecord& hit) {}
    // Analysis windows redraw one graphic object directly to erase its highlight.
    virtual void RedrawGraphicObject(const HitRecord& hit) {}
    // The analysis windows' own handling of a right click in Cursor mode.
    virtual void CursorModeRightClick(platform::Point p, int keyFlags) {}
    // Finishes a polygon being drawn; the mode's cursor.
    virtual void ClosePolygon() {}
    virtual void RestoreModeCursor() {}
    // Undo entries of derived views carry more: they make their own records.
    virtual std::unique_ptr<UndoEntry> NewUndoEntry() { return std::make_unique<UndoEntry>(); }

    // Creation inside the frame (the parent), as child 789 beside the window's own tool
    // bar (not for a thumbnail); false when the bar's buttons cannot be loaded.
    bool CreateInFrame(platform::Window* parent);
    // The window's own tool bar from the default list of its type; false when the type
    // has none (the buttons stay as they were).
    bool InitMainToolBar();

    // Undo list: one level; the current entry is the one Undo undoes.
    UndoEntry* CurrentUndo() const;
    UndoEntry* RedoEntry() const;
    const std::vector<std::unique_ptr<UndoEntry>>& UndoList() const { return undo_; }
    void DropCurrentUndo(bool undoFirst);
    void ClearUndoList();

    // Left-button selection: called on a Select-mode button-down (dragging false) and on
    // the first move after it (dragging true), with the Shift state as extend.
    void MouseSelect(bool extend, platform::Point point, bool dragging, int keyFlags);
    void OnRButtonDown(int keyFlags, platform::Point point);
    // Placing a new graphic object with a drawing-tool command.
    void StartObjectTool(int command, platform::Point point, platform::Point pagePoint);
    void StartPlacementTrack(int style, int kind, platform::Point point, platform::Point pagePoint);
    // The text being typed (a family-10 hit), null when none.
    void* currentText = nullptr;

    // Selection and repaint.
    void InvalidateObject(const HitRecord& hit);
    // Erases the highlight of one object; mode 1 then repaints the window without it.
    void RedrawChangedObject(const HitRecord& hit, int mode);
    int ClearSelection();
    void SetAllSelected(int select);
    void RefreshAll();
    void RefreshForDrag();
    int DeleteSelection(int mask) { return TransferObjects(0, 0, 0, 546, mask); }
    // Bring to Front (2) and Send to Back (1) of a single selected object.
    void Arrange(int where);
    // The selection mask of the arrange commands, 0 when they do not apply.
    int ArrangeMask() const;

    // Colours of the output.
    bool UsesBackgroundColor(const CDrawContext& dc) const;
    int GetBackgroundColor(const CDrawContext& dc) const;
    // 1 when the colour was mapped for a monochrome device.
    int MapOutputColor(const CDrawContext& dc, int& colour) const;
    platform::Rect GetDrawRect(const CDrawContext& dc) const;
    platform::Size GetDrawSize(const CDrawContext& dc) const;

    bool IsTextFocus() const;
    bool IsEditable() const;
    bool IsActiveCircuitView() const;
    // The top frame is maximised and is not this window's: painting can wait.
    bool IsCoveredByMaximizedFrame() const;
    std::string GetFrameTitle() const;
    void SetFrameTitle(const std::string& title);
    void CloseFrame();
    void InvalidateAll();
    int SetSelectionFlags(int word);

    // The whole window painted into a recorded picture (for the clipboard and picture
    // files), without selection marks.
    platform::Picture RecordPicture();
    bool SavePictureFile(const std::string& path);

    // The Graphics pop-up of the drawing tools in the tool bar; 0 when none is shown.
    int ShowGraphicsMenu();
    // Its items: the drawing tools among the tool bar's buttons, in button order.
    void FillGraphicsMenu(platform::Menu& menu) const;
    // Edit command availability.
    bool EditEnabled(int command);
    bool SelectAllEnabled();

    void OnEraseBackground(platform::DrawContext& dc) override;
    void OnKeyDown(const platform::KeyEvent& event) override;
    void OnMouse(const platform::MouseEvent& event) override;

private:
    void OnModeCommand(int id);
    void UpdateModeCommand(platform::CommandUI& ui);
    void UpdateUndo(platform::CommandUI& ui, bool redo);
    std::vector<std::unique_ptr<UndoEntry>> undo_;
    int current_ = -1;  // index of the current entry, -1 none
};

// Grows r so that it holds both corners of other.
void ExtendBounds(platform::Rect& r, const platform::Rect& other);

class CMDIFrame : public platform::MdiChildFrame {
public:
    CMDIFrame();
    ~CMDIFrame() override;

    int kind = kDrawNone;
    CDraw* draw = nullptr;
    std::string name;  // the title kept while there is no window
    platform::Placement placement;
    bool placementSet = false;

    // Creates the MDI child in the program's main frame.
    bool CreateChildFrame(platform::FrameWindow& main, const std::string& className, const std::string& title);
    virtual void SetTitle(const std::string& text);
    std::string GetTitle() const;
    void Activate();
    // A placement not set activates maximised instead.
    void RestorePlacement(const platform::Placement& p, bool set = true);
    void MatchTopFramePlacement();
    void BringToFront();
    void ShowFrame(bool shown) { Show(shown); }
    void FillMDIClient();
    void MoveToTopRightQuarter();
    void Close();
    // The session is ending: the frame closes as for its close box; true when it closed.
    virtual bool OnQueryEndSession();
    void UnlinkDraw();
    const std::string& ClassName() const { return className_; }

    void OnClose() override;
    void OnSetFocus() override;
    void OnActivate(bool active) override;
    // The window's own tool bar along its side, the drawing window in the rest.
    platform::Rect ViewArea(const platform::Rect& client) override;

private:
    std::string className_;
};

// The open drawing windows, in the order they were created.
std::vector<CDraw*>& ViewList();
// The topmost program frame of the main frame's MDI client, and its drawing window.
CMDIFrame* GetTopFrame();
CDraw* GetTopDraw();
CMDIFrame* FindFrameForWindow(const platform::Window* window);
// The frame's placement, or the top frame's when that one is maximised.
platform::Placement GetTopFramePlacement(const CMDIFrame& frame);

// Asks every open frame to close for the end of the session; false as soon as one
// stays open (its document was not to be closed).
bool QueryEndSessionAllFrames();

// The accelerator table of drawing windows; registered once on first use.
void RegisterDrawAccelerators();

}  // namespace ob7
