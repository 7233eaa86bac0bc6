#include "app/calculator.h"

#include <cctype>

#include "expression/compiler.h"
#include "expression/derivative.h"
#include "expression/expression.h"
#include "expression/math_error.h"
#include "foundation/messages.h"
#include "foundation/number_format.h"
#include "foundation/numbers.h"
#include "foundation/profile.h"

namespace ob7 {

std::string CalculatorFormat = "16e";

CRecentList& CalculatorHistory() {
    static CRecentList history(10, "EXPRESSION_", "DERIVATIVE_", true);
    return history;
}

int SerializeCalculatorHistory(Profile& profile) { return CalculatorHistory().Serialize(profile); }

namespace {

constexpr int kAnalysisMaskNumeric = 8;

std::string MessageText(int code) {
    char buffer[2000];
    GetMessageText(buffer, sizeof buffer, &code);
    return buffer;
}

std::string FormatPart(double value, const NumberFormatSpec& format) {
    return FormatNumberText(value, format.digits, format.style, 0);
}

}  // namespace

int EvaluateCalculatorText(const std::string& formula, const std::string* variable, std::string& out) {
    out.clear();
    std::string text = formula.substr(0, 200);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ResetMathError();
    if (variable) {
        std::string name = *variable;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        int code = DifferentiateText(text, &name, &out, nullptr);
        if (code && out.empty()) out = code == kMsgSilent ? std::string() : MessageText(code);
        if (out.size() > 400) out.resize(400);
        return code;
    }
    CompiledExpression compiled;
    InitCompiledExpression(&compiled);
    ExpressionCompiler compiler;
    InitExpressionCompiler(&compiler, text, &compiled, kAnalysisMaskNumeric, kKindFlagsAnalog);
    compiler.pending_mode = 1;
    int code = CompileExpression(&compiler);
    if (code) {
        out = code == kMsgSilent ? std::string() : MessageText(code);
        FreeExpression(&compiled);
        return code;
    }
    ComplexValue value;
    code = EvaluateExpression(&compiled, &value);
    FreeExpression(&compiled);
    if (code) {
        out = MessageText(code);
        return code;
    }
    NumberFormatSpec format;
    format.Set(CalculatorFormat.c_str());
    out = FormatPart(value.re, format);
    if (value.im != 0.0) {
        if (value.im >= 0.0) out += "+";
        out += FormatPart(value.im, format) + "*j";
    }
    return 0;
}

}  // namespace ob7
