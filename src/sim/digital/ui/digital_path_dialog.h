#pragma once
// The Digital Path dialog: the gate chains of a schematic's digital network with their
// low-to-high and high-to-low delays; the selected chain is highlighted on the schematic.
// Modeless, at most one at a time. The schematic view lends it a host that compiles the
// circuit (without a run) and marks parts and wires.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/number_format.h"
#include "platform/draw_context.h"
#include "sim/digital/digital_path.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

enum DigitalPathDialogId : int {
    kDigitalPathTemplate = 333, kIdPathList = 109, kIdPathClose = 23, kIdPathColour = 31, kIdPathPrint = 200,
    kIdPathHelp = 9,
};

// What the dialog needs of the schematic view that opens it.
class DigitalPathHost {
public:
    virtual ~DigitalPathHost() = default;
    // The window the dialog belongs to.
    virtual platform::Window* PathWindow() = 0;
    // Makes the view's circuit the active one and compiles it for path analysis, without
    // running it: 0, or the code of an error the compile has reported.
    virtual int CompilePathCircuit() = 0;
    // Frees the simulation state and clears the active circuit.
    virtual void ReleasePathCircuit() = 0;
    // Marks the parts of a path and the wires of its links in the colour slot.
    virtual void HighlightPath(const std::vector<std::string>& parts, const std::vector<PathLink>& links,
                               uint8_t colour) = 0;
    // The circuit's title, printed at the top of every page.
    virtual std::string PathCircuitTitle() = 0;

    uint8_t highlightColour = 12;   // colour slot chosen with Color...
    NumberFormatSpec delayFormat;   // digits and style of the numeric display
};

class CDigitalPathDlg : public CDialog2 {
public:
    CDigitalPathDlg(DigitalPathHost& host, std::string startPart, std::string endPart);
    ~CDigitalPathDlg() override;

    bool OnInitDialog() override;
    void OnCancel() override;
    void OnDestroy() override;
    void OnControlNotify(int id, platform::Notify code) override;

    // The list's rows as filled (row 0 the header) and the paths they show.
    const std::vector<PathListRow>& Rows() const { return rows_; }
    const DigitalPathSet& Paths() const { return paths_; }
    // Highlights the path of the selected row.
    void HighlightSelection();
    // Prints the list, a page at a time; false when nothing was printed.
    bool PrintList();
    void Close();

private:
    int PathColumnWidth();
    DigitalPathHost& host_;
    std::string start_, end_;
    DigitalPathSet paths_;
    std::vector<PathListRow> rows_;
    platform::Font listFont_;
};

// Opens the dialog for the host's circuit: every chain (no parts), the chains from the
// start part, or those from the start part to the end part. An open dialog is brought to
// the top instead. Null when the circuit does not compile.
CDigitalPathDlg* ShowDigitalPathDialog(DigitalPathHost& host, const std::string& startPart,
                                       const std::string& endPart);
// The open dialog, null when there is none.
CDigitalPathDlg* OpenDigitalPathDialog();

}  // namespace ob7
