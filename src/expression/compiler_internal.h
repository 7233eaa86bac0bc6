#pragma once
// Shared between the scanner-parser (compiler.cpp) and the code generator (codegen.cpp).

#include <cstdint>
#include <string>
#include <vector>

#include "expression/expression.h"

namespace ob7 {

struct ExpressionCompiler;

// Binding classes of the intermediate items.
enum : int32_t {
    kClassUnary = 12,
    kClassFunction = 14,
    kClassOperand = 15,
    kClassComma = -1,
    kClassParen = -2,
};

// One source token in infix order.
struct InfixItem {
    int32_t opcode = 0;
    int32_t cls = 0;
    ExpressionToken::Value value;
    std::string text;
    int32_t inserted = 0;
    int32_t position = 0;   // character offset in the source, for messages
    int32_t arg_count = 0;  // functions: the arguments on the stack, hidden slots included
};

// Compile error: shows or leaves pending the message and returns 15055 or 15060. The
// texts fill the message's %s fields in order.
int CompileError(ExpressionCompiler& c, int id, int position, const char* a1 = "", const char* a2 = "",
                 const char* a3 = "", const char* a4 = "");

// The passes after the scan: hidden state slots, order check, postfix conversion into
// the target's tokens, and constant folding. 0 or an error code (already reported).
int GenerateCode(ExpressionCompiler& c, std::vector<InfixItem>& items);


// Shortens the token list by computing constant sub-expressions.
void FoldConstants(CompiledExpression* e);

bool IsOperandOpcode(int opcode);

}  // namespace ob7
