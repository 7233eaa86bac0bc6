#pragma once
// Compile-and-evaluate helpers for the expression tests: errors stay pending so that the
// test can read the message.

#include <string>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "expression/expression_context.h"
#include "foundation/messages.h"

namespace ob7::test {

struct Outcome {
    int compile = 0;      // compile result
    int error_id = 0;     // message id of a compile error
    int position = -1;    // where the compiler stopped
    int evaluate = 0;     // evaluation result
    ComplexValue value;
    std::string message;  // the pending message text, when any
};

inline std::string TakePendingMessage() {
    char buffer[2100];
    int code = 15060;
    GetMessageText(buffer, sizeof buffer, &code);
    return buffer;
}

inline Outcome CompileAndRun(const std::string& text, ExpressionContext* context = nullptr, int mask = 0x7,
                   int kind_flags = 2048) {
    Outcome o;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text, &e, mask, kind_flags);
    c.context = context;
    c.pending_mode = 1;
    o.compile = CompileExpression(&c);
    o.error_id = c.error_id;
    o.position = c.error_position;
    if (o.compile) {
        o.message = TakePendingMessage();
    } else {
        o.evaluate = EvaluateExpression(&e, &o.value);
        if (o.evaluate) o.message = TakePendingMessage();
    }
    FreeExpression(&e);
    return o;
}

}  // namespace ob7::test
