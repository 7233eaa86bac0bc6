// A compiled expression evaluates without touching the heap. This program counts every
// allocation of the process, so it stands alone.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "expression_test_util.h"
#include "fake_circuit.h"

namespace {
long g_allocations = 0;
}

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace ob7::test {
namespace {

TEST(NoAllocation, EvaluationDoesNotAllocate) {
    FakeCircuit circuit;
    circuit.run.analysis_kind = 0;
    const char* texts[] = {
        "1e-12*(EXP(V(A,B)/0.025)-1) + V(A)*SIN(2*PI*1MEG*T)",
        "IF(V(A)>1, TABLE(V(B),0,1,1,2,2,3), LIMIT(V(OUT),0,1)) + SERIES(N,1,10,N*V(A))",
        "SQRT(V(A)+J)*ASINH(V(B)*J)/(V(A) MOD 3)",
    };
    for (const char* text : texts) {
        CompiledExpression e;
        InitCompiledExpression(&e);
        ExpressionCompiler c;
        InitExpressionCompiler(&c, text, &e, 0x7, 2048);
        c.context = &circuit;
        ASSERT_EQ(CompileExpression(&c), 0) << text;
        const long before = g_allocations;
        ComplexValue v;
        for (int i = 0; i < 1000; ++i) {
            circuit.run.time = i * 1e-9;
            ASSERT_EQ(EvaluateExpression(&e, &v), 0) << text;
        }
        EXPECT_EQ(g_allocations, before) << text;
        FreeExpression(&e);
    }
}

}  // namespace
}  // namespace ob7::test
