#include "devices/mosfet_test_support.h"

#include <gtest/gtest.h>

#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

void ExpectAcSweep(int g, int d, std::span<const AcPoint> points, double rel_tol) {
    InitMode = kInitSmallSignal;
    ASSERT_EQ(LoadCircuit(), 0);

    AllocateAcVectors();
    ASSERT_EQ(CreateCircuitMatrix(&AcMatrix, Options.pivrel, Options.pivtol), 0);
    MatrixElementTrail trail;
    AcTrail = &trail;
    SetAcFrequency(1e3);
    AcFirstLoad = 1;
    ASSERT_EQ(AcLoad(), 0);
    AcFirstLoad = 0;
    ASSERT_EQ(PreorderCircuitMatrix(AcMatrix), 0);
    for (const AcPoint& p : points) {
        SCOPED_TRACE(p.f);
        SetAcFrequency(p.f);
        ASSERT_EQ(AcLoad(), 0);
        ASSERT_EQ(FactorComplexLU(AcMatrix), 0);
        SolveMatrix(AcMatrix, AcRightHandSide.data(), AcSolution.data());
        EXPECT_LT(std::abs(AcNodeValue(g) - p.vg), rel_tol * std::abs(p.vg));
        EXPECT_LT(std::abs(AcNodeValue(d) - p.vd), rel_tol * std::abs(p.vd));
    }
    DestroyCircuitMatrix(AcMatrix);
    AcMatrix = nullptr;
    AcTrail = nullptr;
    FreeAcVectors();
}

}  // namespace ob7
