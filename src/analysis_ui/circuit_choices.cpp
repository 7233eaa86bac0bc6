#include "analysis_ui/circuit_choices.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "analysis/mosfet_stepping.h"
#include "analysis/source_stepping.h"
#include "analysis/tline_stepping.h"
#include "foundation/numbers.h"
#include "netlist/compiler/circuit_compiler.h"
#include "netlist/model_types.h"
#include "netlist/netlist_circuit.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

namespace {

template <class Device>
void MarkOwners(DeviceListKind list, std::vector<const void*>& owners) {
    for (auto* d : DevicesOf<Device>(list)) owners.push_back(d->owning_part);
}

bool Contains(const std::vector<const void*>& v, const void* p) { return std::find(v.begin(), v.end(), p) != v.end(); }

std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

}  // namespace

CircuitChoices ReadCircuitChoices(NetlistCircuit& circuit) {
    CircuitChoices out;
    std::vector<const void*> stored, swept, mosfets;
    MarkOwners<Capacitor>(kCapacitorList, stored);
    MarkOwners<Inductor>(kInductorList, stored);
    MarkOwners<Resistor>(kResistorList, swept);
    MarkOwners<SpiceSource>(kSpiceSourceList, swept);
    MarkOwners<MosfetInstance>(kMosfetList, mosfets);
    for (size_t i = 0; i < circuit.parts.size(); ++i) {
        const NetlistPart& part = circuit.parts[i];
        const bool sweeps = Contains(swept, &part), mosfet = Contains(mosfets, &part);
        LineOwnValues line;
        const bool isLine = FindLineOwnValues(static_cast<int>(i), &line);
        if (!sweeps && !mosfet && !isLine && !Contains(stored, &part)) continue;
        const std::string name = part.scopedName.empty() ? GetScopedPartName(circuit.tables, part) : part.scopedName;
        out.valueParts.push_back(name);
        if (sweeps) out.sweepParts.push_back(name);
        for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
            if (s->owning_part == &part) out.sourceParameters.push_back({name, SpiceSourceStepNames(*s)});
        if (mosfet) out.sourceParameters.push_back({name, MosfetStepNames()});
        if (isLine) out.sourceParameters.push_back({name, LineStepNames(line.lossless)});
    }
    for (int t = 0; t < ModelTypeCount; ++t) {
        const char* type = ModelTypeRow(t).typeName;
        for (const ModelParams* m : CircuitModels[t]) {
            const ModelParams* named = m->parent ? m->parent : m;
            if (named->scopedName.empty() || !type) continue;
            std::pair<std::string, std::string> entry{type, named->scopedName};
            if (std::find(out.models.begin(), out.models.end(), entry) == out.models.end()) out.models.push_back(entry);
        }
    }
    const auto& scopes = circuit.tables.scopes;
    for (size_t r = 0; r < circuit.tables.defines.rows.size(); ++r) {
        // A scope's submenu is named as the scope (the circuit's by its file title).
        SymbolScope scope;
        if (r < scopes.size()) scope.name = scopes[r].scopeName.empty() ? scopes[r].title : scopes[r].scopeName;
        if (scope.name.empty()) scope.name = std::to_string(r);
        for (const DefineEntry& d : circuit.tables.defines.rows[r]) {
            std::string text = d.name;
            if (d.functionLike || !d.args.empty()) {
                text += "(";
                for (size_t a = 0; a < d.args.size(); ++a) text += (a ? "," : "") + d.args[a];
                text += ")";
            }
            if (std::find(scope.symbols.begin(), scope.symbols.end(), text) == scope.symbols.end())
                scope.symbols.push_back(text);
            if (d.functionLike || !d.args.empty() || (d.scope != 1 && !d.globalFunction) || d.value.empty()) continue;
            int code = 0;
            EvalNumberOrExpression(d.value.c_str(), &code);
            if (code == 0 && std::find(out.symbols.begin(), out.symbols.end(), d.name) == out.symbols.end())
                out.symbols.push_back(d.name);
        }
        if (!scope.symbols.empty()) out.symbolScopes.push_back(std::move(scope));
    }
    return out;
}

bool ModelStepParameters(const std::string& typeName, bool forParts, std::vector<std::string>& out) {
    const int t = FindModelType(Upper(typeName).c_str());
    if (t < 0) return false;
    const ModelTypeInfo& row = ModelTypeRow(t);
    if (t == kModelTrn) {
        // A line steps by its own parameters only.
        for (const char* p : {"ZO", "TD", "F", "NL", "R", "L", "G", "C", "LEN"})
            if (FindModelParam(t, p) >= 0) out.push_back(p);
        return true;
    }
    for (int i = 0; i < row.paramCount; ++i) {
        const ModelParamInfo& p = row.params[i];
        if (p.kind != kParamReal || !p.name || !*p.name) continue;
        if (forParts && row.tMeasured > 0 && i >= row.tMeasured && i < row.tMeasured + 4) continue;
        out.push_back(p.name);
    }
    return true;
}

void FillLimitsChoices(const CircuitChoices& choices, LimitsDialogHost& host) {
    host.expressionParts = choices.valueParts;
    host.symbols = choices.symbolScopes;
    host.sweepParts = choices.sweepParts;
    host.models.clear();
    for (const auto& m : choices.models)
        if (strcasecmp(m.first.c_str(), "CAP") != 0 && strcasecmp(m.first.c_str(), "IND") != 0) host.models.push_back(m);
    host.params = choices.symbols;
    host.modelParameters = [](const std::string& type, std::vector<std::string>& parameters) {
        return ModelStepParameters(type, false, parameters);
    };
}

}  // namespace ob7
