#pragma once
// The Analysis Limits dialog: the modeless window beside the plot in which the current
// analysis is defined: its limit fields, run options, operating-point and state-variable
// choices, sweep methods, and the grid of curve rows. Every edit goes straight into the
// circuit's analysis set-up; there is at most one dialog.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/curve_rows.h"
#include "analysis_ui/expression_menu.h"
#include "circuit/analysis_setup.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/draw_window.h"

namespace ob7 {

// What the circuit and the program lend the dialog; unset members are skipped.
struct LimitsDialogHost {
    std::function<void()> documentChanged;          // the circuit view's document changed
    std::function<void(int kind)> limitsChanged;    // the per-analysis mark of edited limits
    std::function<void()> operatingPointStale;      // the next run computes an operating point
    std::function<void(int command)> postCommand;   // to the main frame
    std::function<void(int row)> curveRowDeleted;   // graphs referring to rows shift
    // The screen y just below the main frame's caption, menu and tool bars, where the
    // dialog opens; unset: the top of the work area.
    std::function<int()> barsBottom;
    // The screen area the dialog is laid out in; unset: the desktop's work area.
    std::function<platform::Rect()> workArea;
    // Default curves: the main circuit's node names.
    std::vector<DefaultNodeName> nodes;
    // DC sweeps: the circuit's sweepable parts, its model statements (type, name) and
    // its .PARAM symbols without arguments.
    std::vector<std::string> sweepParts;
    std::vector<std::pair<std::string, std::string>> models;
    std::vector<std::string> params;
    // The expression menu: parts with their own voltage and current, and every symbol by
    // scope. The stored curves come from the data folders' user-source files.
    std::vector<std::string> expressionParts;
    std::vector<SymbolScope> symbols;
    // The real parameters of a model type named by a word; false when the word names
    // no model type.
    std::function<bool(const std::string& type, std::vector<std::string>& parameters)> modelParameters;
};

// Control ids.
// The dialog's accelerator table and the commands of its keys.
constexpr int kLimitsAccelerators = 509;
enum LimitsKeyCommand : int { kCmdFocusRunOptions = 17124, kCmdFocusStateVariables = 17125 };

enum LimitsControl : int {
    kLimField0 = 17131, kLimRunOptions = 17117, kLimStateVariables = 17118, kLimMethod1 = 17119,
    kLimMethod2 = 17122, kLimTemperatureMethod = 17123, kLimParameter1 = 17138, kLimParameter2 = 17139,
    kLimOperatingPoint = 17120, kLimOperatingPointOnly = 17121, kLimAutoScale = 17110, kLimRun = 17111,
    kLimAdd = 17112, kLimDelete = 17113, kLimExpand = 17114, kLimStepping = 17115, kLimProperties = 15678,
    kLimScrollBar = 17116, kLimHeader0 = 17126, kLimHelpLine = 59393,
    kLimCell0 = 300,  // + 100 x visible row + column
    kLimIcon0 = 6000, // + 10 x visible row + icon
};
enum LimitsIcon : int { kIconLinearX = 0, kIconLinearY = 1, kIconColour = 2, kIconOutput = 3, kIconChart = 4 };
inline constexpr int kLimMaxRows = 30;
inline constexpr int kCmdStepping = 18100;
inline constexpr int kColourMenuFirst = 19800;
inline constexpr int kValueMenuFirst = 4000;

// The dialog layout of an analysis kind (templates 16071-16073).
platform::DialogTemplate AnalysisLimitsTemplate(int kind);

class CAnalysisLimitsDlg : public CDialog2 {
public:
    // screenRows limits the visible rows as a screen of that many rows would; 0 takes
    // the limit from the work area.
    CAnalysisLimitsDlg(AnalysisSetup& setup, int kind, LimitsDialogHost host, int screenRows = 0);
    ~CAnalysisLimitsDlg() override;

    // kind 1: limit field index, its text selected; kind 2: curve row index scrolled into
    // view, its cell of the column focused (column 1 when negative), selected unless -1.
    void FocusField(int kind, int index, int column);
    // Shows the stored values of one cell (column -1: the whole row) or of every row.
    void UpdateCurveRow(int row, int column);
    void RefreshCurveGrid();
    void RedrawCurveRow(int row);

    // Moves the rows: LineUp/LineDown by one, PageUp/PageDown by nine, Position to a row.
    void ScrollRows(platform::ScrollCode code, int position = 0);
    int ScrollPosition() const { return scroll_; }
    int VisibleRows() const { return visibleRows_; }
    int ExtraWidth() const { return extraWidth_; }
    int MaxVisibleRows() const { return maxRows_; }
    static int CellId(int visibleRow, int column) { return kLimCell0 + 100 * visibleRow + column; }
    static int IconId(int visibleRow, int icon) { return kLimIcon0 + 10 * visibleRow + icon; }
    int Kind() const { return kind_; }
    bool changed = false;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;
    void OnDestroy() override;
    void OnControlNotify(int id, platform::Notify code) override;
    bool OnControlKey(int id, const platform::KeyEvent& event) override;
    void OnControlRightClick(int id) override;
    void OnControlHover(int id) override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;

private:
    int FieldCount() const;
    int IconCount() const { return kind_ == kCurvesAc ? 5 : 4; }
    int RowCount() const { return static_cast<int>(setup_.rows.size()); }
    bool IsCell(int id) const;
    int CellRow(int id) const { return (id - kLimCell0) / 100; }
    int CellColumn(int id) const { return (id - kLimCell0) % 100; }
    bool IsLimitField(int id) const { return id >= kLimField0 && id < kLimField0 + FieldCount(); }

    void WidenAndPlace();
    void StretchItem(int id, int column);
    void CreateGrid();
    void Layout();
    void FillCombos();
    void FillFields();
    void ApplyEnableRules();
    void ReportChange();
    void StoreCell(int id);
    void StoreLimitField(int id);
    void StoreSweepName(int field, int nameId, int parameterId);
    void FillSweepNameCombos();
    void FillParameterCombo(int nameId, int parameterId, bool methodOn);
    void FocusCell(int row, int column, bool select);
    void MoveFocus(int id, int step);
    void ClickIcon(int visibleRow, int icon);
    void AddRow();
    void DeleteRow();
    void Expand();
    void ValueMenu(int column, bool wholeColumn, int cellId);
    // The expression menu of a Y-expression cell, from the circuit's names.
    void ExpressionMenuAt(int cellId);
    ExpressionMenuSource MenuSource() const;
    int FocusedRow() const;
    void SetRunOptionBits(int shift, int value);

    AnalysisSetup& setup_;
    int kind_;
    LimitsDialogHost host_;
    int screenRows_;
    int maxRows_ = 2;
    int visibleRows_ = 2;
    int scroll_ = 0;
    int lastCell_ = 0;
    int selectedColumn_ = -1;
    int rowHeight_ = 0;   // pixels
    int extraWidth_ = 0;  // pixels the dialog was widened by
    bool closing_ = false;
};

// The dialog open now, or null.
extern CAnalysisLimitsDlg* AnalysisLimitsDialog;

// Opens the dialog for an analysis (or brings the open one to the top): the limits and
// curves get their defaults first. In batch mode no dialog opens. Returns the dialog.
CAnalysisLimitsDlg* ShowAnalysisLimits(AnalysisSetup& setup, int kind, LimitsDialogHost host, bool force);
// Closes the dialog when it is open.
void CloseAnalysisLimits();

class CG2DFrame;
// The analysis window's Limits command opens the dialog over the set-up of its analysis;
// the dialog closes with the window.
void ConnectAnalysisLimits(CG2DFrame& frame, std::function<AnalysisSetup&(int kind)> setupOf,
                           std::function<LimitsDialogHost()> hostOf);

// Run errors open the dialog with the faulty field focused: the run's hooks open it
// through opener (which calls ShowAnalysisLimits for the current analysis).
void InstallLimitsDialogRunHooks(std::function<CAnalysisLimitsDlg*()> opener);

}  // namespace ob7
