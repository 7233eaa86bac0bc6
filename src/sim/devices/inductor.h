#pragma once
// Inductors (device list 24) with their own branch-current equations, and the mutual
// couplings between pairs of them (device list 0). An IND model gives a multiplier,
// temperature coefficients and two current coefficients (a current-dependent inductance).

#include "expression/expression.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct DeviceKindHandler;
struct AcKindHandler;
struct ModelParams;
struct CoreState;

// IND model slots.
enum IndModelSlot : int { kIndL, kIndIl1, kIndIl2, kIndTc1, kIndTc2, kIndTMeasured };

inline constexpr int kMsgCouplingRange = 10836;  // "%EK value must be >= -1.0 and <= 1.0."

struct Inductor : DeviceInstance {
    int a = 0, b = 0;
    double value = 0;             // as compiled
    CompiledExpression value_expression;
    double nominal = 0;           // L0, the working value that stepping changes
    double inductance = 0;        // L, the working inductance
    double convergence_slot = 0;
    double temperature_factor = 1;
    ModelParams* model = nullptr;
    double tc1 = 0;
    int tc1_given = 0;
    double tc2 = 0;
    int tc2_given = 0;
    double initial_current = 0;
    int ic_given = 0;
    double power = 0;
    int linear = 1;
    double self_flux = 0;
    int ordinal = 0;  // 1-based position in the list; branch = NodeCount + ordinal
    // A winding on a magnetic core: its turns, the core, and the per-pass flags of the
    // core solve.
    CoreState* core = nullptr;
    double turns = 0;
    int winding_field_added = 0, core_values_done = 0;

    int Branch() const;
    int InductorNumber() const override { return ordinal; }
    int NonConvergenceValues(int kind, double* values) const override {
        values[0] = inductance;
        return 1;
    }
};

struct Coupling : DeviceInstance {
    Inductor* first = nullptr;
    Inductor* second = nullptr;  // a coupling missing either inductor is ignored
    double value = 0;
    CompiledExpression* value_expression = nullptr;  // owned; null for a plain number

    ~Coupling() override;
};

Inductor* AddInductor(int a, int b, double value);
Coupling* AddCoupling(Inductor* first, Inductor* second, double k);

int SetupInductors();
int LoadInductors();
int UpdateInductorTemperatures(double t);
// The coupling's k (its expression's value unless stepped): 0, an evaluation error, or
// 15055 after reporting a k outside [-1, 1].
int EvalCouplingValue(Coupling* coupling, double* k);
// AC stamps: the inductor's branch with -j omega L, a coupling's -j omega k sqrt(L1 L2)
// between the two branches.
int AcLoadInductors();
int AcLoadCouplings();

extern const DeviceKindHandler kInductorKind;
extern const AcKindHandler kInductorAcKind;
extern const AcKindHandler kCouplingAcKind;

}  // namespace ob7
