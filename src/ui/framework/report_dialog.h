#pragma once
// The program's message dialog: the text, the list of labelled lines, the button set of
// the style (five buttons with Yes to All and No to All), "Help..." with the extended
// help of the message, "Syntax..." for messages with a syntax topic, the "Don't warn me
// anymore." box, and the offset from the screen centre.

#include <functional>

#include "foundation/report_sink.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

// Shows a help topic of the program's help; the Syntax button appears only when one is
// installed.
using HelpTopicHandler = std::function<void(int topic)>;
void SetHelpTopicHandler(HelpTopicHandler handler);

class CReportDlg : public CDialog2 {
public:
    explicit CReportDlg(ReportDelivery& report);
    bool OnInitDialog() override;
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override;
    bool helpShown = false;

private:
    void End(int button);
    void ToggleHelp();
    ReportDelivery& report_;
    platform::Rect normal_;
};

// Reports through CReportDlg; the rest as the default context does. Installed by the
// application at start-up.
class DialogReportContext : public ReportContext {
public:
    int ShowReportDialog(ReportDelivery& report) override;
};

}  // namespace ob7
