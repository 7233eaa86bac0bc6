#pragma once
// What the netlist layer asks of the circuit document that owns its tables and of the
// analysis that may be running. The document and the analysis code implement it; the
// defaults describe a circuit with no run in progress.

#include <string>

namespace ob7 {

struct ModelParams;
struct NetlistCircuitTables;

// Set by the netlist export for its duration: statement texts keep their line layout and
// define values stay symbolic.
extern bool NetlistTranslateMode;

class NetlistCircuitServices {
public:
    virtual ~NetlistCircuitServices() = default;

    // The circuit window's title (its file path for a saved circuit).
    virtual std::string Title() const = 0;
    virtual bool IsSchematic() const = 0;
    virtual bool IsModified() const = 0;
    virtual bool IsActiveCircuit() const { return true; }
    // The circuit view that owns the circuit's messages.
    virtual void* ReportOwner() const { return nullptr; }
    // The circuit is compiled without messages for duplicates (a quiet preparation).
    virtual bool PreparingQuietly() const { return false; }
    // The circuit is being exported as a netlist.
    virtual bool Exporting() const { return false; }

    // The analysis: kind (-1 none), run in progress, and the options that decide
    // whether model value records are shared.
    virtual int AnalysisKind() const { return -1; }
    virtual bool RunInProgress() const { return false; }
    virtual bool SensitivityOrTransferRunning() const { return false; }
    virtual bool PrivateAnalog() const { return true; }
    virtual bool PrivateDigital() const { return false; }
    // The WIDTH option: longest line of written model text.
    virtual int TextWidth() const { return 80; }

    // During a run: the value text of a define in the current case (a stepped or swept
    // symbolic variable, the varied parameter of a sensitivity run, or the Monte Carlo
    // value of a toleranced define). False when the run leaves the define as written.
    virtual bool RunCaseDefineValue(const std::string& name, int row, std::string* value) const { return false; }
    // During a run: the evaluated value of a define in the current case.
    virtual bool RunCaseDefineNumber(const std::string& name, int row, double* value) const { return false; }
    // During a run: applies stepping, Monte Carlo and sweeps of the current case to a
    // model value record that was just made.
    virtual void ApplyRunCaseToModel(ModelParams& record) {}
    // A model value is an expression that depends on variables.
    virtual void NoteModelValueDependsOnVariables() {}

    // Hands one .PARAM or .FUNC statement of a library to the statement handler of the
    // netlist reader, as a line of `file` in `scope`. 0 or 15055.
    virtual int ApplyParamStatement(NetlistCircuitTables& tables, const std::string& text, int scope,
                                    const std::string& file, int line) = 0;
    // The parameter-limit check of a model: adds warnings of kinds 5 and 6.
    virtual void CheckModelParameterLimits(NetlistCircuitTables& tables, int statement, const ModelParams& values) = 0;
    // An open window of that library file whose text changed since its index was made;
    // clears that mark. False when no window shows it.
    virtual bool LibraryEditedSinceIndexed(const std::string& path) { return false; }
    // A window other than the active circuit shows that file with unsaved edits.
    virtual bool LibraryWindowModified(const std::string& path) { return false; }
    // Saves the text of that window to its file. 0 or an error code (reported).
    virtual int SaveLibraryWindow(const std::string& path) { return 0; }
};

}  // namespace ob7
