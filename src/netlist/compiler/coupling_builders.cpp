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
        CouplingWork work{part, {}};
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

        CoreState* core = nullptr;
        if (hasModel) {
            ModelParams* model = FindPartModel(cc, part, {kModelCore});
            if (!model) return kMsgReported;
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

}  // namespace ob7
