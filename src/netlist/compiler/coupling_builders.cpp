// K parts: mutual inductance between the inductors they name, or, with a CORE model,
// windings on a magnetic core. Resolved after every inductor is built.

#include <cctype>
#include <sstream>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_types.h"
#include "sim/devices/inductor.h"
#include "sim/devices/magnetic_core.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

constexpr size_t kMaxCoupledInductors = 50;

// The K parts that hold each inductor so far, to find pairs coupled twice.
struct CouplingWork {
    int part;
    std::vector<Inductor*> inductors;
    const ModelParams* model;  // the CORE model, or null
};

bool Holds(const CouplingWork& w, const Inductor* l) {
    for (const Inductor* x : w.inductors)
        if (x == l) return true;
    return false;
}

}  // namespace

int BuildCouplings(CompileContext& cc) {
    std::vector<CouplingWork> done;
    const double reciprocalGmin = 1.0 / (Options.gmin > 0 ? Options.gmin : 1e-12);
    for (size_t i = 0; i < cc.c.parts.size(); ++i) {
        const int part = static_cast<int>(i);
        NetlistPart& p = cc.Part(part);
        if (p.type != CT_CORE) continue;
        cc.partIndex[&p] = part;
        const std::string couplingText = PartAttr(p, ATTR_COUPLING);
        if (couplingText.empty()) return ReportCompileError(cc, part, 10806);
        double k = 0;
        if (int code = EvalPartValue(cc, part, couplingText, &k)) return code;

        int error = 0;
        const std::string names = GetPartTextExpanded(cc.c.tables, p, ATTR_INDUCTORS, &error);
        if (error) {
            MarkPartErrorSource(cc.c, part);
            return kMsgReported;
        }
        CouplingWork work{part, {}, nullptr};
        std::istringstream in(names);
        for (std::string name; in >> name;) {
            if (work.inductors.size() >= kMaxCoupledInductors) return ReportCompileError(cc, part, 10804);
            const int found = FindPartByName(cc.c, name, p.scope);
            if (found < 0 || cc.Part(found).type != CT_INDUCTOR || !cc.partDevice[static_cast<size_t>(found)])
                return ReportCompileError(cc, part, 10802, name.c_str());
            auto* l = static_cast<Inductor*>(cc.partDevice[static_cast<size_t>(found)]);
            if (Holds(work, l)) return ReportCompileError(cc, part, 10803, name.c_str());
            work.inductors.push_back(l);
        }
        const bool hasModel = !PartAttr(p, ATTR_MODEL).empty();
        if (work.inductors.empty()) return ReportCompileError(cc, part, 10811);
        if (work.inductors.size() == 1 && !hasModel) return ReportCompileError(cc, part, 10808);

        ModelParams* model = hasModel ? FindPartModel(cc, part, {kModelCore}) : nullptr;
        if (hasModel && !model) return kMsgReported;
        work.model = model;
        // K parts that share an inductor must name the same core model.
        for (const CouplingWork& earlier : done)
            for (Inductor* l : work.inductors)
                if (Holds(earlier, l) && earlier.model != model) {
                    const std::string first = PartAttr(cc.Part(earlier.part), ATTR_INDUCTORS);
                    return ReportCompileError(cc, part, 10809, first.c_str(), PartAttr(p, ATTR_INDUCTORS).c_str());
                }
        CoreState* core = nullptr;
        if (hasModel) {
            // A winding already on a core of an earlier K part keeps that core.
            for (Inductor* l : work.inductors)
                if (l->core && !core) core = l->core;
            if (!core) {
                core = AddCore(model);
                AttachDeviceToPart(cc, part, core);
            }
            // Each winding's value is its number of turns.
            for (Inductor* l : work.inductors) {
                if (l->value < 1.0)
                    return ReportCompileError(cc, cc.PartOf(l), 10848);
                MakeWinding(l, core, l->value);
            }
        }
        if (work.inductors.size() == 1) {
            Coupling* single = AddCoupling(work.inductors[0], nullptr, k);
            AttachDeviceToPart(cc, part, single);
        }
        for (size_t a = 0; a < work.inductors.size(); ++a)
            for (size_t b = a + 1; b < work.inductors.size(); ++b) {
                Inductor* first = work.inductors[a];
                Inductor* second = work.inductors[b];
                for (const CouplingWork& earlier : done)
                    if (Holds(earlier, first) && Holds(earlier, second)) {
                        const std::string n1 = PartAttr(*static_cast<NetlistPart*>(first->owning_part), ATTR_PART);
                        const std::string n2 = PartAttr(*static_cast<NetlistPart*>(second->owning_part), ATTR_PART);
                        return ReportCompileError(cc, part, 10810, n1.c_str(), n2.c_str());
                    }
                // The windings share no node otherwise: a 1/GMIN path between them.
                Resistor* r = AddResistor(first->a, second->a, reciprocalGmin);
                r->owning_part = &p;
                Coupling* coupling = AddCoupling(first, second, k);
                AttachDeviceToPart(cc, part, coupling);
            }
        done.push_back(std::move(work));
    }
    return 0;
}

// A transformer part: VALUE is "L1,L2,K": the first winding (pins 3 and 4), the second
// (pins 1 and 2) and their coupling, with a 1/GMIN path between the windings.
int BuildTransformer(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, PartAttr(p, ATTR_VALUE), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    std::vector<std::string> fields(1);
    int depth = 0;
    for (char ch : text) {
        if (ch == '(' || ch == '{') ++depth;
        if (ch == ')' || ch == '}') --depth;
        if (ch == ',' && depth == 0) fields.emplace_back();
        else fields.back() += ch;
    }
    if (fields.size() < 3 || fields[2].find_first_not_of(' ') == std::string::npos)
        return ReportCompileError(cc, part, 15040);
    double l1 = 0, l2 = 0, k = 0;
    for (auto [field, value] : {std::pair{0, &l1}, {1, &l2}, {2, &k}})
        if (int code = EvalPartValue(cc, part, fields[static_cast<size_t>(field)], value)) return code;
    Inductor* first = AddInductor(p.pinNodes[2], p.pinNodes[3], l1);
    Inductor* second = AddInductor(p.pinNodes[0], p.pinNodes[1], l2);
    first->owning_part = second->owning_part = &p;
    AddResistor(p.pinNodes[2], p.pinNodes[0], 1.0 / (Options.gmin > 0 ? Options.gmin : 1e-12))->owning_part = &p;
    AttachDeviceToPart(cc, part, AddCoupling(first, second, k));
    return 0;
}

}  // namespace ob7
