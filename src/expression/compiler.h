#pragma once
// The expression compiler: a short-lived record that the caller sets up on its own stack
// with InitExpressionCompiler, adjusts (scope, pending mode, locals, imports) and hands to
// CompileExpression.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expression/complex_value.h"

namespace ob7 {

class ExpressionContext;
struct CompiledExpression;
struct VectorEvalContext;

// Kind flags that callers pass.
enum : int32_t {
    kKindFlagsAnalog = 2048,
    kKindFlagsAnalog5State = 2112,
    kKindFlagsWithBusFunctions = 247872,
    kKindFlagsCurve = 510016,
    kKindFlagsLogic = 75,
    kKindFlagsPinDelay = 128,
    kKindFlagsConstraint = 105,
    kKindFlagsSeriesOpen = 0x100000,
};

// Names that a caller declares: parameters of a primitive, variables of a text.
struct LocalNameSet {
    std::vector<std::string> names;   // upper case
    std::vector<int32_t> kinds;       // ExpressionKind mask per name
    double* values = nullptr;         // when set, names compile into references to these
    int capacity = 0;                 // slots of values (new locals may be added up to it)
};

struct ExpressionCompiler {
    ExpressionContext* context = nullptr;  // the circuit; NoCircuitContext() when null
    std::string_view source;
    CompiledExpression* target = nullptr;
    int32_t analysis_mask = 0;
    int32_t scope = 1;
    int32_t kind_flags = 0;
    std::string part_name;       // messages name this part instead of the source line
    void* owner_window = nullptr;
    int32_t stop_run_on_error = 0;
    int32_t pending_mode = 0;    // errors become the pending message and 15060
    int32_t device_references = 0;
    std::string series_index;    // the open SERIES index name
    int32_t import_count = 0;
    std::vector<const ComplexValue*> import_specs;  // the value each IMPORT/CURVE reference reads
    LocalNameSet* locals = nullptr;
    // With vector operators in the text, the expression is prepared for vector evaluation
    // in this context.
    VectorEvalContext* vector_context = nullptr;

    // The last error: its message id and the character offset in the source where the
    // compiler stopped (-1 when no position applies).
    int error_id = 0;
    int error_position = -1;
};

void InitExpressionCompiler(ExpressionCompiler* c, std::string_view source, CompiledExpression* target,
                            int32_t analysis_mask, int32_t kind_flags);
void SetCompilerLocals(ExpressionCompiler* c, LocalNameSet* locals);
// 0, or 15055 after the error was shown, or 15060 in pending mode.
int CompileExpression(ExpressionCompiler* c);
// Frees the work buffers of the compiler pool (program exit).
void ResetCompilerScopes();

// Analysis-time expressions: .DEFINE substitution, sign simplification, compile for the
// current analysis (mask 1 << kind | 0x20); node values, T, TEMP and F are refused.
int CompileAnalysisExpression(CompiledExpression* e, std::string_view text, ExpressionContext* context,
                              void* owner_window);
// The same with the mask 1 << kind | 0x8 and without the variable check.
int CompileAnalysisExpressionPlain(CompiledExpression* e, std::string_view text, ExpressionContext* context,
                                   void* owner_window);

// A numeric field's text compiled and evaluated with no circuit (what the foundation's
// EvalNumberOrExpression calls). 0 or a message code (15060 with a pending message).
int EvaluateNumericText(const char* text, int analysis_mask, int kind_flags, double* value,
                        int* depends_on_variables);

// Makes EvaluateNumericText the evaluator of the foundation's numeric fields. Runs when
// the program starts if the compiler is linked in; code that evaluates numeric fields
// without compiling anything itself (the netlist) calls it to be sure.
void InstallNumericExpressionEvaluator();

}  // namespace ob7
