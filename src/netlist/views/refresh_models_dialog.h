#pragma once
// The Refresh Models command of a circuit window: its dialog (what to copy from the model
// libraries, and whether local copies are replaced) and the refresh itself.

#include <functional>

#include "netlist/refresh_models.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

enum RefreshModelsDialogId : int {
    kRefreshModelsTemplate = 16600, kIdRefreshModelStatements = 16601, kIdRefreshSubcircuits = 16602,
    kIdRefreshAdd = 16603, kIdRefreshUpdate = 16604, kIdRefreshPrompt = 16605,
};

class CRefreshModelsDlg : public CDialog2 {
public:
    CRefreshModelsDlg(RefreshChoice& choice, platform::Window* parent);
    bool OnInitDialog() override;
    void OnOK() override;
    // The line under the buttons shows the prompt of the control under the mouse.
    void OnControlHover(int id) override;

private:
    RefreshChoice& choice_;
};

// Shows the dialog; true with OK, the choice filled from it.
bool AskRefreshModels(RefreshChoice& choice, platform::Window* parent);

// The command: nothing while an analysis is active; Cancel changes nothing; otherwise the
// circuit's text page gets the library models and subcircuits as chosen, after
// `beforeChange` has run (a window opens its undo step there). 0 or the code of a
// reported failure.
int OnRefreshModels(NetlistCircuit& c, platform::Window* parent, const std::function<void()>& beforeChange = {});

}  // namespace ob7
