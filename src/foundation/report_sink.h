#pragma once
// Where ReportMessage delivers, and what it asks of the upper layers. Later subsystems
// install a ReportContext (windows, parts, sources, the dialog) and open log sinks (batch
// run, parameter-check report, analysis log); tests install sinks to capture messages.

#include <string>
#include <vector>

namespace ob7 {

struct ReportLine {
    std::string label;
    std::string value;
};

// One composed report, as delivered to a sink or the dialog.
struct ReportDelivery {
    int id = -1;                   // message id (after a pending id replaced 15060)
    std::string caption;
    std::string text;              // with the labelled lines unless they form a list
    int style = 0;                 // buttons in the low 4 bits, icon in bits 4 to 7
    int beepType = 0;
    void* owner = nullptr;
    std::vector<ReportLine> lines; // the list of labelled lines when not in the text
    bool checkBox = false;         // "Don't warn me anymore." is shown
    bool checkBoxTicked = false;   // set by the dialog
    int offsetX = 0, offsetY = 0;  // percent of half the screen size
    bool hasHelp = false;          // the help file has an entry for id
    int syntaxTopic = 0;           // non-zero: a "&Syntax..." button
    std::string logLine;           // the analysis-log line (analysis log sink only)
};

class ReportSink {
public:
    virtual ~ReportSink() = default;
    // Returns the report's result (0 for the logs).
    virtual int Deliver(const ReportDelivery& report) = 0;
};

// While the parameter-check report or a batch log is open, reports go there and no box
// is shown; while an analysis log is open each report also becomes one line of it.
// Pass nullptr to close. The caller keeps ownership.
void SetParameterCheckSink(ReportSink* sink);
void SetBatchLogSink(ReportSink* sink);
void SetAnalysisLogSink(ReportSink* sink);
bool ReportsGoToLog();  // a batch log or the parameter-check report is open

// What reporting needs of windows, parts and circuits. Defaults know nothing and show
// the dialog through the platform's message box.
class ReportContext {
public:
    virtual ~ReportContext() = default;
    virtual void* ActiveWindow() { return nullptr; }
    virtual void* MainWindow() { return nullptr; }
    // File title of a schematic, text or library drawing window ('d') or frame ('p').
    virtual std::string DrawWindowFileTitle(void* draw) { return {}; }
    virtual std::string FrameFileTitle(void* frame) { return {}; }
    // A part's name attribute and source index; false when it has no name.
    virtual bool PartName(const void* part, std::string* name, int* sourceIndex) { return false; }
    // A grid text's text, file text and source index.
    virtual void GridTextInfo(const void* gridText, std::string* text, std::string* fileText,
                              int* sourceIndex) {}
    // Entry `index` of the active circuit's source table; false when there is none.
    virtual bool SourceEntry(int index, std::string* namePrefix, std::string* fileName) { return false; }
    // The two texts that open an analysis-log line; false without an active circuit.
    virtual bool AnalysisLogNames(std::string* first, std::string* second) { return false; }
    // Records the part (or grid text) of an error as the place to show; not called for
    // warnings nor for reports that went to a batch or parameter-check log.
    virtual void MarkErrorSource(const void* part, const void* gridText) {}
    // The preference "Sound".
    virtual bool SoundEnabled() { return false; }
    // Runs the message dialog; returns the button id. Default: the platform message box
    // with the list lines appended to the text.
    virtual int ShowReportDialog(ReportDelivery& report);
};

void SetReportContext(ReportContext* context);  // nullptr restores the default
ReportContext& CurrentReportContext();

}  // namespace ob7
