#pragma once
// A formula compiled once into a postfix token list and then evaluated many times.
// Calling order: InitCompiledExpression, InitExpressionCompiler + CompileExpression
// (compiler.h), EvaluateExpression (any number of times), ResetState between points and
// sweeps, FreeExpression before reuse and at the end.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expression/complex_value.h"

namespace ob7 {

class ExpressionContext;
struct RunValues;
struct VectorEvalContext;

// Opcodes that are not rows of the operator table.
enum : int16_t {
    kOpEnd = 0,
    kOpDigitalConst = 1,
    kOpDigitalConst2 = 2,   // a 2-state constant while parsing; becomes 1
    kOpDigitalNode = 3,
    kOpRealPointer = 4,     // a double the token points at (node, variable, parameter, local)
    kOpComplexPointer = 6,  // a complex value the token points at (imports, device records)
    kOpConstant = 7,
    kOpDelayConstant = 8,
    kOpDeviceRef = 9,       // the device record read by the B or H that follows
    kOpStateSlot = 10,      // a hidden state slot of a stateful operator
    kOpComma = 23,
    kOpSafeDivide = 109,
    kOpUnaryMinus = 110,
    kOpCloseParen = 111,
    kOpOpenParen = 112,
    kOpDigitalNot = 108,
    kOpArgument = 132,
    kOpArgument2State = 133,
    kOpEquation = 134,      // a solution entry by index (AC)
    kOpCurveValue = 516,     // a plotted curve's value at the expression's point index
    kOpCurve = 517,          // a plotted curve, for the performance function that follows
    kOpStoredValue = 518,    // vector replay: the stored value of an operand array at the point
    kOpSubExpression = 553,
    kOpSeriesIndex = 576,
};

// One token of the postfix list. Which member of value is live depends on the opcode.
struct ExpressionToken {
    union Value {
        double number;
        const double* real;
        const uint16_t* state;
        const ComplexValue* complex;
        const void* device;
        int32_t index;
        ComplexValue slot;  // private state of a hidden slot (opcode 10)
        Value() : slot{} {}
    };
    int16_t opcode = 0;
    int16_t pushes = 0;  // 1 for an operand that pushes one stack entry
    Value value;
    std::string text;    // the spelling as written or as the compiler made it
    int32_t inserted = 0;  // added by the compiler (defaults, expansions)
    int32_t digital = 0;   // the operand is a digital state
};

struct CompiledExpression {
    std::vector<ExpressionToken> tokens;  // postfix order; never resized after compiling
    std::vector<std::unique_ptr<CompiledExpression>> sub_expressions;
    int32_t unit = 0;             // ExpressionUnit of the result
    int32_t flags = 0;            // OR of the result flags of the rows used
    int32_t kinds = 0;            // ExpressionKind bits met at the top level
    int32_t stateful_depth = 0;
    int32_t point_index = 0;      // point of the plot's point store read by curve values
    int32_t reset_code = 0;       // the code of ResetState while it runs
    int32_t reset_mode = 0;       // 1 while ResetState evaluates the expression
    void* performance_context = nullptr;
    int32_t uses_random = 0;
    ExpressionContext* context = nullptr;  // the circuit the expression was compiled against
    const RunValues* run = nullptr;        // that context's run values

    // Code 1 starts a new sweep (stateful operators forget their history); code 0
    // accepts the point just computed. Nothing happens without stateful operators.
    void ResetState(int code);
};

void InitCompiledExpression(CompiledExpression* e);
// Frees tokens and sub-expressions and clears the compiled fields; the performance
// context and the uses-random flag stay.
void FreeExpression(CompiledExpression* e);

// Evaluates the expression; result may be null (run for its side effects, as the state
// reset does). Returns 0, or 15060 with the math-error message pending; a failing
// expression evaluates to 1.0.
int EvaluateExpression(CompiledExpression* e, ComplexValue* result);
// The same; with a vector context and vector operators in the expression, one point of
// the context's collect or replay pass (vector_eval.h).
int EvaluateExpression(CompiledExpression* e, ComplexValue* result, VectorEvalContext* vector);

// Gives every RND token a new value in [0, 1] (one Monte Carlo or stepping case).
void RedrawRandomTokens(CompiledExpression* e);
double DrawRandomValue();

// What an expression depends on, for the circuit compiler: 0x800 the time variables (T,
// TIME, TMIN, TMAX), 0x1000 S, 0x2000 the frequency variables (F, FMIN, FMAX), 0x8000
// INOISE and ONOISE, 0x1000000 imported curves.
int32_t AnalysisVariableMask(const CompiledExpression& e);

// Every run of '+' and '-' (blanks between ignored) becomes one sign; leading and
// trailing blanks go, and runs of blanks collapse into one. In place.
void SimplifySigns(std::string& text);

}  // namespace ob7
