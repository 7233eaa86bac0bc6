#pragma once
// What the Transfer Function and Sensitivity dialogs get of a circuit window: for a
// circuit text window, its text compiled as it stands when the dialog opens, the
// calculations on that circuit, and the .TF and .SENS statements written back into the
// text as one undoable change, and the sensitivity report opened beside the circuit.
// Schematic windows supply no link yet: a schematic is not
// compiled from its window.

namespace ob7 {

class CMDIFrame;
struct TfCircuitLink;
struct SensitivityCircuitLink;

// Fills the main frame's DialogLinks() with the two links below.
void InstallAnalysisDialogLinks();

// The link of a circuit text window; false (nothing to show) for another window or when
// its circuit does not compile (the compile reported why).
bool TextWindowTfLink(CMDIFrame* window, TfCircuitLink* link);
bool TextWindowSensitivityLink(CMDIFrame* window, SensitivityCircuitLink* link);

}  // namespace ob7
