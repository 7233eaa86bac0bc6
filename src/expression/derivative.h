#pragma once
// Algebraic derivatives. A compiled postfix token list is turned into an expression
// tree, every operator and function gets its derivative rule, products and sums with 0
// and 1 are simplified on the way, and the result goes back to a compiled token list
// (DER of the compiler, behavioural sources) or to an infix text (the calculator).

#include <string>
#include <string_view>

namespace ob7 {

class ExpressionContext;
struct CompiledExpression;

// The derivative of expression with respect to the double that variable reads, as a new
// token list in result. Returns 0 or 15002. When the expression holds a function that
// cannot be differentiated it returns 0 at once and leaves result untouched.
int DifferentiateExpression(const CompiledExpression& expression, CompiledExpression* result,
                            const double* variable);

// The text of the first token of a function that cannot be differentiated, or null.
const char* FindNonDifferentiable(const CompiledExpression& expression);

// The number of tokens the compiler did not insert; when it is 1 and that token is a
// variable, *variable receives the double it reads.
int SingleVariableOf(const CompiledExpression& expression, const double** variable);

// The calculator's derivative: compiles text, finds the differentiation variable
// (variable_name in-out: empty means the first variable of the text) and writes the
// derivative, or the reason there is none, to result. Returns the compile result of
// the text (0 on success).
int DifferentiateText(std::string_view text, std::string* variable_name, std::string* result,
                      ExpressionContext* context);

}  // namespace ob7
