// Transmission lines (T parts) from the TRN model and the instance text, which overrides
// the model for this line alone: lossless by ZO and TD, or ZO, F and NL; lossy by R, L,
// G, C and LEN when neither names any of ZO, TD, F and NL. One record per TRN statement
// stands for the model, which stepping and LOT tolerances reach by name; every line works
// on a copy of its own whose parent that record is, and the line's own values are written
// into the copy at build time and again before every run, after stepping and tolerances.

#include <cctype>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "circuit/attribute_ids.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/compiler/value_templates.h"
#include "netlist/model_statements.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/tline.h"

namespace ob7 {

namespace {

enum TrnParam : int { kZo = 0, kTd = 1, kF = 2, kNl = 3, kR = 4, kL = 5, kG = 6, kC = 7, kLen = 8 };
constexpr int kLineKindSlot = 21;  // 1 for a lossless line's model, 0 for a lossy one's

// A compiled line and the values its own text gives, by TRN parameter.
struct LineValues {
    int part = -1;
    ModelParams* model = nullptr;
    std::unique_ptr<ModelParams> copy;  // the line's copy of its model's record
    TLine* lossless = nullptr;
    LossyLine* lossy = nullptr;
    GivenValue given[kLen + 1];
    bool statementGivesNl = false;
    bool delayFromFrequency = false;  // TD is NL / F, worked out again at every apply
};

std::vector<LineValues> Lines;
std::unordered_map<int, ModelParams*> ModelRows;  // by statement

// The record that stands for a TRN statement, made by the first line that names it.
ModelParams* ModelRow(CompileContext& cc, int part, int statement) {
    ModelParams*& row = ModelRows[statement];
    if (row) return row;
    if (!(row = FindModel(cc.c.tables, -1, statement))) {
        MarkPartErrorSource(cc.c, part);
        return nullptr;
    }
    CircuitModels[kModelTrn].push_back(row);
    return row;
}

std::unique_ptr<ModelParams> CopyOfModel(ModelParams& row) {
    auto copy = std::make_unique<ModelParams>();
    copy->modelType = row.modelType;
    copy->scopedName = row.scopedName;
    copy->statement = row.statement;
    copy->parent = &row;
    copy->akoBase = row.akoBase;
    if (row.nominal) {
        // Its own nominal values: the line writes its values into them.
        copy->nominal = std::make_shared<ModelValueArray>(row.modelType, row.nominal->Size());
        copy->nominal->CopyFrom(*row.nominal, row.nominal->Size());
    }
    copy->values.Reset(row.modelType, row.values.Size());
    copy->values.CopyFrom(row.values, row.values.Size());
    copy->hasTolerances = row.hasTolerances;
    copy->tolerances = row.tolerances;
    return copy;
}

bool IsKeyChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; }

// The working and the nominal value of a model parameter.
void SetModelValue(ModelParams& model, int param, double value) {
    ModelReals(model)[param] = value;
    if (model.nominal && param < model.nominal->Size()) (*model.nominal)[param].real = value;
}

void WriteGivenValues(LineValues& line, int first, int last) {
    for (int i = first; i <= last; ++i)
        if (line.given[i].given) SetModelValue(*line.model, i, line.given[i].value);
}

int ApplyLosslessLineValues(LineValues& line) {
    WriteGivenValues(line, kZo, kNl);
    double* x = ModelReals(*line.model);
    if (!IsGiven(x[kZo])) return 10859;
    // A stepped TD is given and wins over NL / F.
    if (line.delayFromFrequency && !line.given[kTd].given) {
        if (!IsGiven(x[kF])) return 10859;
        const bool nl = line.given[kNl].given || line.statementGivesNl;
        if (!nl || x[kF] == 0 || x[kNl] == 0) return 10867;
        x[kTd] = x[kNl] / x[kF];
    }
    if (!(x[kTd] > 1e-16)) return 10892;
    line.lossless->td = x[kTd];
    return 0;
}

void ApplyLossyLineValues(LineValues& line) { WriteGivenValues(line, kR, kLen); }

// The first word of a lossy line's text (up to a blank or "=") is its bare length
// unless it is empty or a leading part of LEN, R, L, G or C ("LE" counts as LEN).
bool IsBareLength(const std::string& word) {
    if (word.empty()) return false;
    for (const char* key : {"LEN", "R", "L", "G", "C"})
        if (std::strncmp(key, word.c_str(), word.size()) == 0) return false;
    return true;
}

int BuildLossyLine(CompileContext& cc, int part, LineValues& line, const std::string& value) {
    const NetlistPart& p = cc.Part(part);
    size_t start = value.find_first_not_of(" \t");
    if (start == std::string::npos) start = value.size();
    size_t end = start;
    while (end < value.size() && value[end] != ' ' && value[end] != '\t' && value[end] != '=') ++end;
    std::string rest = value.substr(start);
    const std::string word = value.substr(start, end - start);
    if (IsBareLength(word)) {
        if (int code = EvalPartValue(cc, part, word, &line.given[kLen].value)) return code;
        line.given[kLen].given = 1;
        rest = value.substr(end);
    }
    GivenValue* g = line.given;
    const int code = ParseValueTemplate(cc.c, part, "<[LEN=%t][R=%t][L=%t][G=%t][C=%t]>", rest,
                                        {&g[kLen], &g[kR], &g[kL], &g[kG], &g[kC]});
    ModelReals(*line.model)[kLineKindSlot] = 0;
    if (code) return code;
    ApplyLossyLineValues(line);
    line.lossy = AddLossyLine(line.model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3]);
    AttachDeviceToPart(cc, part, line.lossy);
    return 0;
}

int BuildLosslessLine(CompileContext& cc, int part, LineValues& line, const std::string& value) {
    const NetlistPart& p = cc.Part(part);
    // The letter O may stand for the digit 0 in Z0.
    const bool letterO = value.find("ZO") != std::string::npos;
    GivenValue* g = line.given;
    int code = 0;
    if (value.find("TD") != std::string::npos)
        code = ParseValueTemplate(cc.c, part, letterO ? "<[ZO=%t][TD=%t]>" : "<[Z0=%t][TD=%t]>", value,
                                  {&g[kZo], &g[kTd]});
    else
        code = ParseValueTemplate(cc.c, part, letterO ? "<[ZO=%t][F=%t][NL=%t]>" : "<[Z0=%t][F=%t][NL=%t]>", value,
                                  {&g[kZo], &g[kF], &g[kNl]});
    if (code) return code;
    ModelReals(*line.model)[kLineKindSlot] = 1;
    line.delayFromFrequency = !g[kTd].given && !IsGiven(ModelReals(*line.model)[kTd]);
    const int n1 = cc.NewInternalNode(), n2 = cc.NewInternalNode();
    line.lossless = AddTLine(line.model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3], n1, n2);
    if (int error = ApplyLosslessLineValues(line)) return ReportCompileError(cc, part, error);
    AttachDeviceToPart(cc, part, line.lossless);
    return 0;
}

// KEY at the start of the text or after a blank, followed (after blanks) by "=".
bool HasAssignment(const std::string& text, const char* key) {
    const size_t n = std::strlen(key);
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        if (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\t') continue;
        size_t after = at + n;
        if (after < text.size() && IsKeyChar(text[after])) continue;
        while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
        if (after < text.size() && text[after] == '=') return true;
    }
    return false;
}

}  // namespace

void ForgetLineModels() {
    Lines.clear();
    ModelRows.clear();
}

int BuildTransmissionLine(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10859);
    // The line's copy of its model's record; without MODEL a record of the defaults.
    ModelParams* model = nullptr;
    std::unique_ptr<ModelParams> copy;
    if (!PartAttr(p, ATTR_MODEL).empty()) {
        const int statement = FindPartModelStatement(cc, part, {kModelTrn});
        ModelParams* row = statement < 0 ? nullptr : ModelRow(cc, part, statement);
        if (!row) return kMsgReported;
        copy = CopyOfModel(*row);
        model = copy.get();
        CircuitModels[kModelTrn].push_back(model);
    } else {
        if (!(model = FindModel(cc.c.tables, kModelTrn, -1))) return ReportCompileError(cc, part, kMsgInsufficientMemory);
        CircuitModels[kModelTrn].push_back(model);
    }

    std::string value = PartAttr(p, ATTR_VALUE);
    for (char& ch : value) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const bool statement = model->statement >= 0;
    bool lossless = HasAssignment(value, "F") || HasAssignment(value, "TD") || HasAssignment(value, "NL");
    for (int i = kZo; i <= kNl; ++i) lossless = lossless || (statement && IsModelParamGiven(cc.c.tables, *model, i));
    // Both spellings of Z0 in one text make no lossless line.
    if (value.find("ZO") != std::string::npos && value.find("Z0") != std::string::npos) lossless = false;

    Lines.emplace_back();
    LineValues& line = Lines.back();
    line.part = part;
    line.model = model;
    line.copy = std::move(copy);
    line.statementGivesNl = statement && IsModelParamGiven(cc.c.tables, *model, kNl);
    return lossless ? BuildLosslessLine(cc, part, line, value) : BuildLossyLine(cc, part, line, value);
}

int ApplyTransmissionLineValues(NetlistCircuit& circuit) {
    for (LineValues& line : Lines) {
        if (line.lossy) ApplyLossyLineValues(line);
        if (!line.lossless) continue;
        if (int error = ApplyLosslessLineValues(line)) {
            ReportPartError(circuit, line.part, error);
            MarkPartErrorSource(circuit, line.part);
            return kMsgReported;
        }
    }
    return 0;
}

bool FindLineOwnValues(int part, LineOwnValues* out) {
    for (LineValues& line : Lines) {
        if (line.part != part || !(line.lossy || line.lossless)) continue;
        out->values = line.given;
        out->model = ModelReals(*line.model);
        out->lossless = line.lossless != nullptr;
        return true;
    }
    return false;
}

}  // namespace ob7
