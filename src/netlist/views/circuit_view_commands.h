#pragma once
// The commands the netlist front end gives circuit views: Refresh Models on a text
// circuit, and the context help of the text (the dot command or device card at the caret).

#include <string>

namespace ob7 {

class CCTDraw;
struct AnalysisSetup;

enum CircuitViewCommandId : int { kCmdRefreshModels = 12913, kCmdTextContextHelp = 17805 };

// Adds the commands to a view (the circuit views call it for every new view once
// InstallCircuitViewCommands has run).
void AddCircuitViewCommands(CCTDraw& view);
void InstallCircuitViewCommands();

// Refresh Models on the view's text (text windows only): the dialog, then the refresh as
// one undo step "Refresh Models". 0 or the code of a reported failure.
int RefreshViewModels(CCTDraw& view);

// When the analysis window of a text circuit is destroyed: the page's statements of that
// analysis (and .TEMP) are rewritten from the window's set-up, as one undo step
// "Analysis limits change", and the circuit is marked modified. Nothing in a batch run or
// in a schematic. With asRead (the set-up the page was read with), a set-up that did not
// change leaves the page alone, and statements that come out the same keep the user's
// own text. 0 or 15055 after a report.
int WriteViewAnalysisStatements(CCTDraw& view, int kind, const AnalysisSetup& setup,
                                const AnalysisSetup* asRead = nullptr);

// F1 of a text page: the line of the selection start goes to ShowDotCommandHelp.
void OnTextContextHelp(CCTDraw& view);
// Shows the help topic of a statement or card line in the help window; nothing when the
// line has no topic.
void ShowDotCommandHelp(CCTDraw& view, const std::string& text);

}  // namespace ob7
