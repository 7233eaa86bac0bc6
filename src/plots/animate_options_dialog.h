#pragma once
// Animate Options: whether a run waits between points, for a key press or for a time
// delay, and how long.

#include "sim/analysis/animate.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CAnimateOptionsDlg : public CDialog2 {
public:
    static constexpr int kTemplate = 17360, kDontWait = 17361, kWaitForKeyPress = 17362,
                         kWaitForTimeDelay = 17363, kDelayLabel = 101, kDelayEdit = 10;
    // Edits the settings in place on OK.
    explicit CAnimateOptionsDlg(AnimateSettings& settings, platform::Window* parent = nullptr);
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void EnableDelay();
    AnimateSettings& settings_;
};

}  // namespace ob7
