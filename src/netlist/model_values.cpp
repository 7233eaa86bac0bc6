#include "netlist/model_values.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "foundation/char_classes.h"
#include "foundation/numbers.h"
#include "foundation/owned_strings.h"
#include "netlist/circuit_tables.h"
#include "netlist/model_text.h"
#include "netlist/netlist_messages.h"
#include "netlist/netlist_report.h"

namespace ob7 {

namespace {

constexpr int kMsgBadValue = 11861;
constexpr int kMsgTemperatureParams = 11854;
constexpr int kMsgPulseOrder = 11851;
constexpr int kMsgGaAsVmax = 11856;
constexpr int kMsgAkoMissing = 11858;
constexpr int kMsgAkoRecursive = 11857;

bool IsWhite(char c) { return c && HasClass(c, kCcWhite); }

int ClassOf(int t) {
    const int c = ModelTypeRow(t).typeClass;
    return c == 2 ? 1 : c;
}

// Length of the value token at p: up to white space outside ( ) and { } groups.
size_t ValueTokenLength(const std::string& s, size_t p) {
    int round = 0, curly = 0;
    size_t i = p;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '(') ++round;
        else if (c == ')' && round > 0) --round;
        else if (c == '{') ++curly;
        else if (c == '}' && curly > 0) --curly;
        else if (round == 0 && curly == 0 && (IsWhite(c) || c == ')' || c == '}')) break;  // a bracket never opened
    }
    return i - p;
}

// Reports a model error with labelled lines and the statement's header as the text.
template <class... Args>
int ReportModel(const NetlistCircuitTables& tables, const ModelStatement& st, const std::string& header,
                const char* label, const std::string& value, int code, Args... args) {
    const std::string file = ScopeFileName(tables, st.scope);
    ReportMessage("dMMtE", tables.services->ReportOwner(), "File:", file.c_str(), label, value.c_str(),
                  header.c_str(), code, args...);
    return kMsgReported;
}

// Line feeds, the '+' that continues a line, '*' comment lines and ';' comments of
// statement text that kept its line layout become blanks.
void BlankLineMarks(std::string& text) {
    bool lineStart = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char& c = text[i];
        if (c == '\n' || c == '\r') {
            c = ' ';
            lineStart = true;
        } else if (c == ';' || (lineStart && c == '*')) {
            while (i < text.size() && text[i] != '\n') text[i++] = ' ';
            --i;
        } else if (lineStart && c == '+') {
            c = ' ';
            lineStart = false;
        } else if (c != ' ' && c != '\t') {
            lineStart = false;
        }
    }
}

void RemoveRecord(NetlistCircuitTables& tables, ModelParams* record) {
    auto& list = tables.modelValues[record->modelType];
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == record) {
            list.erase(it);
            return;
        }
}

}  // namespace

ModelValueArray::ModelValueArray(int modelType, int count) : modelType_(modelType), slots_(count) {
    for (auto& s : slots_) s.real = 0.0;
}

ModelValueArray::~ModelValueArray() { Reset(modelType_, 0); }

void ModelValueArray::Reset(int modelType, int count) {
    for (int i = 0; i < Size(); ++i)
        if (IsText(i)) std::free(const_cast<char*>(slots_[i].text));
    modelType_ = modelType;
    slots_.assign(count, ModelValueSlot{});
    for (auto& s : slots_) s.real = 0.0;
}

bool ModelValueArray::IsText(int i) const {
    const ModelTypeInfo& row = ModelTypeRow(modelType_);
    return i < row.paramCount && row.params[i].kind == kParamText;
}

void ModelValueArray::SetText(int i, const char* text) {
    std::free(const_cast<char*>(slots_[i].text));
    slots_[i].text = text ? strdup(text) : nullptr;
}

void ModelValueArray::CopyFrom(const ModelValueArray& from, int count) {
    for (int i = 0; i < count && i < Size() && i < from.Size(); ++i) {
        if (IsText(i)) SetText(i, from.slots_[i].text);
        else slots_[i] = from.slots_[i];
    }
}

void FillModelDefaults(ModelParams& r, int t, bool display) {
    const ModelTypeInfo& row = ModelTypeRow(t);
    for (int i = 0; i < row.valueCount && i < r.values.Size(); ++i) {
        const ModelParamInfo& p = row.params[i];
        if (p.kind == kParamText) r.values.SetText(i, p.defaultValue.text);
        else if (row.defaultOff && !display) r.values[i].real = -1.0;
        else r.values[i] = p.defaultValue;
    }
    if (!r.display.empty())
        for (int i = 0; i < row.valueCount; ++i) r.display[i] = FormatModelParamText(r.values.data(), i, t);
}

std::unique_ptr<ModelParams> MakeModelParams(int t) {
    const ModelTypeInfo& row = ModelTypeRow(t);
    auto r = std::make_unique<ModelParams>();
    r->modelType = t;
    r->values.Reset(t, row.storedCount);
    FillModelDefaults(*r, t, false);
    r->nominal = std::make_shared<ModelValueArray>(t, row.valueCount);
    r->nominal->CopyFrom(r->values, row.valueCount);
    return r;
}

bool SetModelParam(ModelParams& r, const char* name, double value) {
    const int i = FindModelParam(r.modelType, name);
    if (i < 0 || ModelTypeRow(r.modelType).params[i].kind != kParamReal) return false;
    r.values[i].real = value;
    if (r.nominal && i < r.nominal->Size()) (*r.nominal)[i].real = value;
    return true;
}

void AddParamWarning(NetlistCircuitTables& tables, int statement, const std::string& name, int kind) {
    CompileWarning w;
    w.text = name;
    w.statement = statement;
    w.kind = kind;
    tables.warnings.push_back(std::move(w));
}

int ParseModelParams(NetlistCircuitTables& tables, ModelParams& R) {
    const int S = R.statement;
    const int t = R.modelType;
    const ModelTypeInfo& row = ModelTypeRow(t);
    const bool displayRecord = !R.display.empty();
    std::string text = tables.models[S].paramText;
    if (tables.models[S].originKind != kOriginPartText) BlankLineMarks(text);
    const std::string header = ".model " + tables.models[S].name + " " +
                               ModelTypeRow(tables.models[S].modelType).typeName + "(...)";
    int previous = -1;
    size_t p = 0;
    bool substituted = false;  // the assignment at p already passed substitution
    for (;;) {
        const ModelStatement& st = tables.models[S];
        while (p < text.size() && IsWhite(text[p])) ++p;
        if (p >= text.size()) break;
        const size_t nameStart = p;
        while (p < text.size() && !IsWhite(text[p]) && text[p] != '=') ++p;
        const std::string name = text.substr(nameStart, p - nameStart);
        if (name.empty()) return ReportInScope(tables, st.scope, header, kMsgExpecting, "<parameter name>");
        if (name == ")") return ReportInScope(tables, st.scope, header, kMsgExtraText, ")");
        while (p < text.size() && IsWhite(text[p])) ++p;
        if (p >= text.size() || text[p] != '=') return ReportModel(tables, st, header, "Parameter:", name, kMsgExpecting, "=");
        ++p;
        while (p < text.size() && IsWhite(text[p])) ++p;
        const size_t valueStart = p;
        std::string value;
        if (p < text.size() && text[p] == '"') {
            const size_t close = text.find('"', p + 1);
            const size_t end = close == std::string::npos ? text.size() : close;
            value = displayRecord ? text.substr(p, std::min(text.size(), end + 1) - p) : text.substr(p + 1, end - p - 1);
            p = std::min(text.size(), end + 1);
        } else {
            p += ValueTokenLength(text, p);
            if (p < text.size() && text[p] == '%') ++p;
            value = text.substr(valueStart, p - valueStart);
        }
        while (!value.empty() && IsWhite(value.back())) value.pop_back();

        if (!displayRecord && !substituted && !value.empty() && text[valueStart] != '"') {
            std::string out;
            if (int r = SubstituteDefines(tables, out, st.scope, value, false)) return r;
            if (out != value) {
                // The substituted value may hold several items: parse it again from the name.
                text.replace(valueStart, p - valueStart, out + " ");
                p = nameStart;
                substituted = true;
                continue;
            }
        }
        substituted = false;

        bool lot = false, dev = false;
        uint8_t distribution = 0;
        char digits[12];
        const char* rest = R.tolerances ? ParseToleranceKeyword(name.c_str(), &lot, &dev, &distribution, digits) : "";
        if (lot || dev) {
            if (*rest) return ReportModel(tables, st, header, "Parameter:", name, kMsgExtraText, rest);
            if (previous < 0) return ReportInScope(tables, st.scope, header, kMsgIllegalUseOf, name.c_str());
            R.hasTolerances = true;
            if (displayRecord) {
                R.display[previous] += " " + name + "=" + value;
                continue;
            }
            ModelTolerance& tol = (*R.tolerances)[previous];
            if (int r = SetModelTolerance(tol, R.values[previous].real, value.c_str(), lot, digits, distribution)) {
                const std::string file = ScopeFileName(tables, st.scope);
                ReportMessage("dMMMtE", tables.services->ReportOwner(), "Model:", st.name.c_str(), "Parameter:",
                              row.params[previous].name, lot ? "Lot #:" : "Dev #:", digits, header.c_str(), r,
                              lot ? "Lot" : "Dev");
                return kMsgReported;
            }
            continue;
        }

        const int i = FindModelParam(t, name.c_str());
        if (i < 0) {
            AddParamWarning(tables, S, name, kWarnUnknownParam);
            continue;
        }
        auto& given = tables.models[S].given;
        if (given[i]) AddParamWarning(tables, S, name, kWarnDuplicateParam);
        given[i] = 1;
        if (displayRecord) {
            R.display[i] = value;
        } else {
            switch (row.params[i].kind) {
            case kParamState:
                std::memset(R.values[i].state, 0, sizeof R.values[i].state);
                R.values[i].state[0] = value.empty() ? 0 : ToUpperMap(value[0]);
                break;
            case kParamText:
                R.values.SetText(i, value.c_str());
                break;
            default: {
                if (value.empty())
                    return ReportInScope(tables, st.scope, header, kMsgExpectingAfter, "<value>", row.params[i].name);
                double v = 0.0;
                int dependsOnVariables = 0;
                if (EvalNumberOrExpressionFlag(value.c_str(), &v, &dependsOnVariables))
                    return ReportInScope(tables, st.scope, header, kMsgBadValue, value.c_str(), row.params[i].name);
                if (dependsOnVariables) tables.services->NoteModelValueDependsOnVariables();
                R.values[i].real = v;
                break;
            }
            }
        }
        previous = i;
    }

    if (displayRecord || tables.services->AnalysisKind() == -1) return 0;
    const ModelStatement& st = tables.models[S];
    for (int i = 0; i < row.valueCount; ++i) {
        if (row.params[i].kind == kParamText) continue;
        if (CheckModelParamValue(true, st.scope, i, t, &R.values[i], header.c_str(), false)) return kMsgReported;
    }
    if (row.tMeasured > 0) {
        int temperatures = 0;
        for (int k = 1; k <= 3; ++k) temperatures += R.values[row.tMeasured + k].real != ParamNotGiven;
        if (temperatures > 1) return ReportInScope(tables, st.scope, header, kMsgTemperatureParams);
    }
    if (t == kModelPulse && CheckModelValues(tables, R)) return kMsgReported;
    if (t == kModelGasfet && CheckGaAsFetValues(tables, R)) return kMsgReported;
    tables.services->CheckModelParameterLimits(tables, S, R);
    return 0;
}

int CheckModelValues(NetlistCircuitTables& tables, ModelParams& R) {
    // VZERO, VONE, then the five times P1 .. P5.
    auto at = [&](int k) -> double& { return R.values[2 + k].real; };
    bool ok;
    if (at(1) >= 0 && at(3) >= 0) {
        for (int k = 1; k <= 4; ++k) {
            const double a = at(k - 1), b = at(k);
            if (std::fabs(b - a) < 1e-14 * std::max(std::fabs(a), std::fabs(b))) at(k) = a;
        }
        ok = at(0) <= at(1) && at(1) <= at(2) && at(2) <= at(3) && at(3) <= at(4);
    } else {
        ok = at(0) <= at(2) && at(2) <= at(4);
    }
    if (ok) return 0;
    const int scope = R.statement >= 0 ? tables.models[R.statement].scope : 1;
    ReportMessage("dME", tables.services->ReportOwner(), "File:", ScopeFileName(tables, scope).c_str(), kMsgPulseOrder);
    return kMsgReported;
}

int CheckGaAsFetValues(NetlistCircuitTables& tables, const ModelParams& R) {
    const int vmax = FindModelParam(kModelGasfet, "VMAX");
    const int vbi = FindModelParam(kModelGasfet, "VBI");
    if (vmax < 0 || vbi < 0 || R.values[vmax].real < R.values[vbi].real) return 0;
    const int scope = R.statement >= 0 ? tables.models[R.statement].scope : 1;
    ReportMessage("dME", tables.services->ReportOwner(), "File:", ScopeFileName(tables, scope).c_str(), kMsgGaAsVmax);
    return kMsgReported;
}

ModelParams* ResolveModelStatement(NetlistCircuitTables& tables, int T, int S, bool display, bool defaultsOnly) {
    const bool byStatement = !defaultsOnly && (T == -2 || T == -1 || T == kModelCore || T == kModelUio);
    if (byStatement && (S < 0 || S >= static_cast<int>(tables.models.size()))) return nullptr;
    if (!byStatement && (T < 0 || T >= ModelTypeCount)) return nullptr;
    if (T != -2)
        for (ModelStatement& m : tables.models) m.resolving = false;
    NetlistCircuitServices& circuit = *tables.services;
    bool privateCopy = false;
    if (byStatement) {
        tables.models[S].resolving = true;
        T = tables.models[S].modelType;
        if (T != kModelTrn) {
            const int cls = ClassOf(T);
            privateCopy = (cls == 1 && circuit.PrivateDigital()) ||
                          (cls == 0 && (circuit.PrivateAnalog() || circuit.SensitivityOrTransferRunning()));
        }
        if ((T == kModelNmos || T == kModelPmos) && tables.models[S].effectiveType) T = tables.models[S].effectiveType;
    }
    const ModelTypeInfo& row = ModelTypeRow(T);
    const bool analog = ClassOf(T) == 0;

    ModelParams* found = nullptr;
    if (byStatement && T != kModelTrn) {
        for (auto& r : tables.modelValues[T])
            if (r->statement == S) {
                found = r.get();
                break;
            }
        if (found && analog && found->tolerances) {
            for (const ModelTolerance& tol : *found->tolerances)
                if (tol.dev != -1.0) privateCopy = true;
        }
        if (found && !privateCopy) return found;
    }

    auto owned = std::make_unique<ModelParams>();
    ModelParams* R = owned.get();
    R->modelType = T;
    R->statement = byStatement ? S : -1;
    R->values.Reset(T, row.storedCount);
    if (display) R->display.assign(row.valueCount, std::string());
    if (!found && row.valueCount) {
        R->nominal = std::make_shared<ModelValueArray>(T, row.valueCount);
        if (byStatement) {
            tables.models[S].given.assign(row.valueCount, 0);
            if (analog) R->tolerances = std::make_shared<std::vector<ModelTolerance>>(row.valueCount);
        }
    }
    if (byStatement) R->scopedName = MakeScopedName(tables, tables.models[S].name, tables.models[S].scope);
    tables.modelValues[T].push_back(std::move(owned));

    if (found) {
        R->nominal = found->nominal;
        R->values.CopyFrom(*found->nominal, row.valueCount);
        if (analog) {
            R->tolerances = found->tolerances;
            R->hasTolerances = found->hasTolerances;
        }
        R->parent = found;
        R->akoBase = found->akoBase;
    } else {
        FillModelDefaults(*R, T, display);
        if (byStatement) {
            const std::string ako = tables.models[S].akoName;
            if (!ako.empty()) {
                const int baseType = tables.models[S].modelType;
                const int scope = tables.models[S].scope;
                int error = 0;
                const int base = FindModelStatement(tables, baseType, scope, ako, &error);
                if (error) {
                    RemoveRecord(tables, R);
                    return nullptr;
                }
                if (base < 0 || tables.models[base].resolving) {
                    const std::string header = ".model " + tables.models[S].name;
                    ReportInScope(tables, scope, header, base < 0 ? kMsgAkoMissing : kMsgAkoRecursive,
                                  (base < 0 ? ako : tables.models[S].name).c_str());
                    RemoveRecord(tables, R);
                    return nullptr;
                }
                tables.models[S].akoIndex = base;
                ModelParams* baseValues = ResolveModelStatement(tables, -2, base, display, false);
                if (!baseValues) {
                    RemoveRecord(tables, R);
                    return nullptr;
                }
                tables.models[S].akoValues = baseValues;
                R->akoBase = baseValues;
                // The base's values over the defaults, except the temperatures of the base.
                const int firstTemp = row.tMeasured > 0 ? row.tMeasured : row.valueCount;
                for (int i = 0; i < row.valueCount && i < baseValues->values.Size(); ++i) {
                    if (i >= firstTemp && i < firstTemp + 4) continue;
                    if (row.params[i].kind == kParamText) R->values.SetText(i, baseValues->values[i].text);
                    else R->values[i] = baseValues->values[i];
                }
                if (display && !baseValues->display.empty()) R->display = baseValues->display;
            }
            if (ParseModelParams(tables, *R)) {
                RemoveRecord(tables, R);
                return nullptr;
            }
        }
        if (R->nominal) R->nominal->CopyFrom(R->values, row.valueCount);
    }
    if (circuit.RunInProgress() && !R->scopedName.empty()) circuit.ApplyRunCaseToModel(*R);
    return R;
}

ModelParams* FindModel(NetlistCircuitTables& tables, int type, int index) {
    if (index < 0) return ResolveModelStatement(tables, type, -1, false, true);
    return ResolveModelStatement(tables, -1, index, false, false);
}

}  // namespace ob7
