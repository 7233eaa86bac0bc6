// The one-call compile functions around the compiler: analysis-time expressions and
// numeric fields.

#include <cstring>
#include <string>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "expression/expression_context.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {

int AnalysisBit(const ExpressionContext& context) {
    int kind = int(context.Run().analysis_kind);
    return 1 << (kind & 31);
}

int CompileForAnalysis(CompiledExpression* e, std::string_view text, ExpressionContext* context, void* owner,
                       int32_t extra_mask, bool check_variables) {
    if (!context) context = &NoCircuitContext();
    std::string expanded;
    if (int r = context->SubstituteDefines(text, 1, &expanded)) {
        // A define error (recursion, too complex, too long) has been shown already.
        if (r != kMsgReported) ReportMessage("PE", owner, kMsgInsufficientMemory);
        return kMsgReported;
    }
    SimplifySigns(expanded);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, expanded, e, AnalysisBit(*context) | extra_mask, kKindFlagsAnalog5State);
    c.context = context;
    c.owner_window = owner;
    c.pending_mode = 1;
    int r = CompileExpression(&c);
    if (!r && check_variables) {
        const RunValues& run = context->Run();
        for (const ExpressionToken& t : e->tokens) {
            const bool node =
                t.opcode == kOpEquation || (t.opcode == kOpRealPointer && context->IsSolutionEntry(t.value.real));
            const bool variable = t.opcode == kOpRealPointer &&
                                  (t.value.real == &run.time || t.value.real == &run.temp || t.value.real == &run.frequency);
            if (node || variable) {
                SetPendingMessage(13781, t.text.c_str(), std::string(text).c_str());
                r = kMsgPending;
                break;
            }
        }
    }
    if (r) {
        ReportMessage("PE", owner, r);
        return kMsgReported;
    }
    return 0;
}

}  // namespace

int CompileAnalysisExpression(CompiledExpression* e, std::string_view text, ExpressionContext* context,
                              void* owner_window) {
    return CompileForAnalysis(e, text, context, owner_window, 0x20, true);
}

int CompileAnalysisExpressionPlain(CompiledExpression* e, std::string_view text, ExpressionContext* context,
                                   void* owner_window) {
    return CompileForAnalysis(e, text, context, owner_window, 0x8, false);
}

int EvaluateNumericText(const char* text, int analysis_mask, int kind_flags, double* value,
                        int* depends_on_variables) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text ? text : "", &e, analysis_mask, kind_flags);
    c.pending_mode = 1;
    int r = CompileExpression(&c);
    ComplexValue v{};
    if (!r) r = EvaluateExpression(&e, &v);
    *value = r ? 0.0 : v.re;
    if (depends_on_variables) *depends_on_variables = (e.flags & 0x10000) ? 1 : 0;
    FreeExpression(&e);
    return r;
}

void InstallNumericExpressionEvaluator() { SetNumericExpressionEvaluator(&EvaluateNumericText); }

namespace {

// Numeric fields of the foundation evaluate their expressions here.
const bool kNumericEvaluatorInstalled = [] {
    InstallNumericExpressionEvaluator();
    return true;
}();

}  // namespace

}  // namespace ob7
