#pragma once
// Model value records: the parameter values of one model type made from a statement
// (AKO base, parameter text with define substitution, LOT and DEV tolerances, checks)
// or from the type's defaults, shared by the devices that use the same model.

#include <memory>
#include <string>
#include <vector>

#include "netlist/model_tolerance.h"
#include "netlist/model_types.h"

namespace ob7 {

struct NetlistCircuitTables;

// Value slots of one model type; owns the texts of text parameters.
class ModelValueArray {
public:
    ModelValueArray() = default;
    ModelValueArray(int modelType, int count);
    ~ModelValueArray();
    ModelValueArray(const ModelValueArray&) = delete;
    ModelValueArray& operator=(const ModelValueArray&) = delete;

    // Frees the texts and makes `count` zeroed slots of that type.
    void Reset(int modelType, int count);
    // Copies `count` slots of `from` (texts duplicated).
    void CopyFrom(const ModelValueArray& from, int count);
    void SetText(int index, const char* text);
    int Size() const { return static_cast<int>(slots_.size()); }
    ModelValueSlot& operator[](int i) { return slots_[i]; }
    const ModelValueSlot& operator[](int i) const { return slots_[i]; }
    ModelValueSlot* data() { return slots_.data(); }
    const ModelValueSlot* data() const { return slots_.data(); }

private:
    bool IsText(int i) const;
    int modelType_ = 0;
    std::vector<ModelValueSlot> slots_;
};

struct ModelParams {
    int modelType = 0;
    std::string scopedName;   // empty for a record of defaults
    int statement = -1;       // index in the statement list; -1 for defaults
    ModelParams* parent = nullptr;  // the shared record this private one copies
    const ModelParams* akoBase = nullptr;  // the AKO base's record; set only for statements with AKO
    std::shared_ptr<ModelValueArray> nominal;  // valueCount slots as parsed; shared by copies
    ModelValueArray values;                    // storedCount working slots
    bool hasTolerances = false;
    std::shared_ptr<std::vector<ModelTolerance>> tolerances;  // analog types; shared by copies
    std::vector<std::string> display;  // display records only: one text per parameter

    double Real(int i) const { return values[i].real; }
};

// Kinds of compile warnings.
enum CompileWarningKind : int {
    kWarnUnknownParam = 1, kWarnDuplicateParam = 2, kWarnNegativeJunction = 3,
    kWarnUnknownOption = 4, kWarnBelowLimit = 5, kWarnAboveLimit = 6,
};

struct CompileWarning {
    std::string text;
    int statement = -1;
    int kind = 0;
    double value = 0.0;
    int param = -1;
};

void AddParamWarning(NetlistCircuitTables& tables, int statement, const std::string& name, int kind);

// The model values of statement `index` (type -1), or a record of the defaults of a
// type (index -1). Null after a reported error.
ModelParams* FindModel(NetlistCircuitTables& tables, int type, int index);
// type -1: the statement's own type; -2 the same for AKO bases (keeps the cycle marks).
ModelParams* ResolveModelStatement(NetlistCircuitTables& tables, int type, int index, bool display,
                                   bool defaultsOnly);
// Parses the statement's parameter text into the record. 0 or 15055.
int ParseModelParams(NetlistCircuitTables& tables, ModelParams& record);

// The pulse and GaAsFET checks. 0 or 15055.
int CheckModelValues(NetlistCircuitTables& tables, ModelParams& record);
int CheckGaAsFetValues(NetlistCircuitTables& tables, const ModelParams& record);

// The defaults of type t into the record's working values (and display texts).
void FillModelDefaults(ModelParams& record, int t, bool display);

// A record of the defaults of type t that belongs to no circuit (its nominal values are
// its own), for models built in code rather than from a statement.
std::unique_ptr<ModelParams> MakeModelParams(int t);
// Gives a real parameter by name in the working and the nominal values. False when the
// type has no such parameter.
bool SetModelParam(ModelParams& record, const char* name, double value);

}  // namespace ob7
