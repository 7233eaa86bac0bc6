// The passes after the scan: hidden state slots, the order check, the postfix conversion
// by binding level, and constant folding.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "expression/compiler.h"
#include "expression/compiler_internal.h"
#include "expression/waveform_operators.h"
#include "expression/complex_math.h"
#include "expression/math_error.h"
#include "expression/operator_table.h"
#include "expression/vector_eval.h"

namespace ob7 {

namespace {

constexpr int kPostfixStackSize = 150;

bool IsBinaryClass(int cls) { return cls >= 2 && cls <= 13 && cls != kClassUnary; }

// The operator rows (and the safe division the compiler inserts) that take two operands.
bool IsBinaryOpcode(int opcode) {
    static bool binary[1024];
    static bool built = false;
    if (!built) {
        const OperatorRow* rows = OperatorTableRows();
        for (int i = 0; i < OperatorTableSize(); ++i) {
            if (rows[i].syntax == kSynOperator && IsBinaryClass(rows[i].cls)) binary[rows[i].opcode & 1023] = true;
        }
        binary[kOpSafeDivide] = true;
        built = true;
    }
    return opcode >= 0 && opcode < 1024 && binary[opcode];
}

// The closing ')' of the function item at index i (its '(' follows it), or items.size().
size_t MatchingClose(const std::vector<InfixItem>& items, size_t i) {
    int level = 0;
    for (size_t k = i + 1; k < items.size(); ++k) {
        if (items[k].opcode == kOpOpenParen) ++level;
        else if (items[k].opcode == kOpCloseParen && --level == 0) return k;
    }
    return items.size();
}

// Inserts the hidden state operands of every stateful operator before its ')'.
void InsertStateSlots(std::vector<InfixItem>& items) {
    for (int i = int(items.size()) - 1; i >= 0; --i) {
        if (items[i].cls != kClassFunction) continue;
        const int slots = WaveformSlotCount(items[i].opcode);
        if (!slots || i + 1 >= int(items.size()) || items[i + 1].opcode != kOpOpenParen) continue;
        const size_t close = MatchingClose(items, size_t(i));
        if (close >= items.size()) continue;
        std::vector<InfixItem> extra;
        for (int s = 0; s < slots; ++s) {
            InfixItem comma;
            comma.opcode = kOpComma;
            comma.cls = kClassComma;
            comma.text = ",";
            comma.inserted = 1;
            comma.position = items[close].position;
            InfixItem slot;
            slot.opcode = kOpStateSlot;
            slot.cls = kClassOperand;
            slot.text = "0.0";
            slot.inserted = 1;
            slot.position = items[close].position;
            extra.push_back(comma);
            extra.push_back(slot);
        }
        items.insert(items.begin() + long(close), extra.begin(), extra.end());
        items[i].arg_count += slots;
    }
}

// For a vector evaluation, RE, IM, MAG, PH, SUM, DEL, RMS and AVG over a vector operator
// take their vector forms; returns the deepest nesting of those forms.
int MakeVectorForms(std::vector<InfixItem>& items) {
    struct Form {
        int from, to;
    } const forms[] = {{35, 58}, {36, 59}, {37, 60}, {38, 61}, {43, 62}, {44, 63}, {45, 64}, {46, 65}};
    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].cls != kClassFunction) continue;
        for (const Form& f : forms) {
            if (items[i].opcode != f.from) continue;
            const size_t close = MatchingClose(items, i);
            for (size_t k = i + 1; k < close; ++k) {
                if (items[k].cls == kClassFunction && IsVectorOpcode(items[k].opcode)) {
                    items[i].opcode = f.to;
                    ranges.push_back({i, close});
                    break;
                }
            }
        }
    }
    int deepest = 0;
    for (const auto& r : ranges) {
        int depth = 0;
        for (const auto& outer : ranges) depth += outer.first <= r.first && r.second <= outer.second;
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

// Operand and operator order, and parenthesis balance.
int CheckOrder(ExpressionCompiler& c, std::vector<InfixItem>& items, const char* source) {
    if (items.empty()) return CompileError(c, 10403, 0, source);
    bool operand_expected = true;
    int depth = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        InfixItem& item = items[i];
        const int pos = item.position;
        if (item.cls == kClassOperand) {
            if (!operand_expected) return CompileError(c, 10407, pos, source);
            operand_expected = false;
        } else if (item.cls == kClassFunction) {
            if (!operand_expected) return CompileError(c, 10407, pos, source);
        } else if (item.opcode == kOpOpenParen) {
            if (!operand_expected) return CompileError(c, 10407, pos, source);
            ++depth;
        } else if (item.opcode == kOpCloseParen) {
            if (--depth < 0) return CompileError(c, 10405, pos, source);
            if (operand_expected) return CompileError(c, 10403, pos, source);
        } else if (item.cls == kClassComma) {
            if (operand_expected) return CompileError(c, 10403, pos, source);
            operand_expected = true;
        } else if (item.cls == kClassUnary) {
            if (!operand_expected) return CompileError(c, 10407, pos, source);
            if (i + 1 >= items.size() || items[i + 1].opcode == kOpCloseParen) return CompileError(c, 10403, pos, source);
        } else if (IsBinaryClass(item.cls)) {
            if (operand_expected) {
                bool after_minus = i > 0 && items[i - 1].opcode == kOpUnaryMinus;
                if (item.opcode != 103 || after_minus) return CompileError(c, 10403, pos, source);
                item.opcode = kOpUnaryMinus;
                item.cls = kClassUnary;
                if (i + 1 >= items.size() || items[i + 1].opcode == kOpCloseParen)
                    return CompileError(c, 10403, pos, source);
            } else {
                operand_expected = true;
            }
        }
    }
    if (operand_expected) return CompileError(c, 10403, items.back().position, source);
    if (depth != 0) return CompileError(c, 10406, items.back().position, source);
    return 0;
}

ExpressionToken ToToken(const InfixItem& item) {
    ExpressionToken t;
    t.opcode = int16_t(item.opcode);
    t.value = item.value;
    t.text = item.text;
    t.inserted = item.inserted;
    if (item.cls == kClassFunction) t.value.index = item.arg_count;
    return t;
}

// Orders the items by binding level into the target's token list.
int ToPostfix(ExpressionCompiler& c, const std::vector<InfixItem>& items, const char* source) {
    std::vector<ExpressionToken>& out = c.target->tokens;
    out.reserve(items.size());
    int stack[kPostfixStackSize];
    int top = 0;
    auto emit = [&](int index) { out.push_back(ToToken(items[index])); };
    for (size_t i = 0; i < items.size(); ++i) {
        const InfixItem& item = items[i];
        if (item.opcode == kOpCloseParen) {
            while (top > 0 && items[stack[top - 1]].opcode != kOpOpenParen) emit(stack[--top]);
            if (top > 0) --top;  // drop the '('
            continue;
        }
        if (item.opcode != kOpOpenParen) {
            const int k = item.cls;
            while (top > 0) {
                const InfixItem& t = items[stack[top - 1]];
                if (t.opcode == kOpOpenParen) break;
                if (item.opcode == kOpUnaryMinus && t.cls == 13) break;  // 2**-3
                if (t.cls > k || (t.cls == k && !(k == kClassUnary))) emit(stack[--top]);
                else break;
            }
            if (item.cls == kClassComma) continue;
        }
        if (top >= kPostfixStackSize - 1) return CompileError(c, 10431, item.position, source);
        stack[top++] = int(i);
    }
    while (top > 0) {
        int index = stack[--top];
        if (items[index].opcode != kOpOpenParen) emit(index);
    }
    return 0;
}

// Digital constants and 2-state arguments may only feed '==', '!=' or '~'.
int CheckDigitalOperands(ExpressionCompiler& c, const char* source) {
    std::vector<ExpressionToken>& tokens = c.target->tokens;
    std::vector<char> digital;  // per stack entry: fed by a digital constant or argument
    digital.reserve(tokens.size());
    for (ExpressionToken& t : tokens) {
        if (t.opcode == kOpDigitalConst2) t.opcode = kOpDigitalConst;
        t.pushes = IsOperandOpcode(t.opcode) ? 1 : 0;
        t.digital = (t.opcode == kOpDigitalConst || t.opcode == kOpDigitalNode) ? 1 : 0;
        if (t.pushes) {
            digital.push_back(t.opcode == kOpDigitalConst || t.opcode == kOpArgument2State);
            continue;
        }
        int consumed;
        if (t.opcode == kOpUnaryMinus || t.opcode == 104 || t.opcode == 74) consumed = 1;
        else if (IsBinaryOpcode(t.opcode)) consumed = 2;
        else consumed = t.value.index;
        if (consumed > int(digital.size())) consumed = int(digital.size());
        int count = 0;
        for (int k = 0; k < consumed; ++k) count += digital[digital.size() - 1 - k];
        if (count) {
            bool ok = ((t.opcode == 95 || t.opcode == 96) && count == 2) || t.opcode == 104;
            if (!ok) return CompileError(c, 10424, 0, source);
            if (t.opcode == 104) t.opcode = kOpDigitalNot;
        }
        digital.resize(digital.size() - consumed);
        digital.push_back(0);
    }
    return 0;
}

}  // namespace

bool IsOperandOpcode(int opcode) {
    switch (opcode) {
    case 1: case 3: case 4: case 6: case 7: case 8: case 9: case 10: case 29: case 40: case 41: case 79:
    case 132: case 133: case 134: case 161: case 274: case 276: case 280: case 289: case 292: case 296:
    case 321: case 322: case 328: case 385: case 386: case 388: case 516: case 517: case 518: case 553:
    case 576:
        return true;
    default: return false;
    }
}

void FoldConstants(CompiledExpression* e) {
    // One pass with the folds made at the tail of the output: a fold result can only
    // combine with what follows it, so this reaches what repeated passes would.
    std::vector<ExpressionToken>& in = e->tokens;
    std::vector<ExpressionToken> out;
    out.reserve(in.size());
    char text[512];
    for (ExpressionToken& token : in) {
        out.push_back(std::move(token));
        while (true) {
            const size_t n = out.size();
            if (n >= 2 && out[n - 2].opcode == kOpConstant) {
                const int op = out[n - 1].opcode;
                if (op == 72 || op == 75 || op == 77 || op == kOpUnaryMinus) {
                    ExpressionToken& c = out[n - 2];
                    const double x = c.value.number;
                    double v;
                    if (op == 72) v = ExpClamped(x);
                    else if (op == 75) v = Log10Floored(x);  // as the evaluator: no log|x|
                    else if (op == 77) v = std::sqrt(std::fabs(x));
                    else v = -x;
                    if (op == kOpUnaryMinus) std::snprintf(text, sizeof text, "-%s", c.text.c_str());
                    else std::snprintf(text, sizeof text, "%s(%s)", OperatorNameByOpcode(op), c.text.c_str());
                    c.value.number = v;
                    c.text = text;
                    out.pop_back();
                    continue;
                }
            }
            if (n >= 3 && out[n - 3].opcode == kOpConstant && out[n - 2].opcode == kOpConstant) {
                const int op = out[n - 1].opcode;
                if (op == 68 || op == 100 || op == 101 || op == 102 || op == 103) {
                    ExpressionToken& a = out[n - 3];
                    const double x = a.value.number, y = out[n - 2].value.number;
                    double v;
                    switch (op) {
                    case 68:
                        if (x < 0.0 && !(std::trunc(y) == y && std::fabs(y) <= 2147483647.0)) v = 0.0;
                        else v = std::pow(x, y);
                        break;
                    case 100: v = x * y; break;
                    case 101: v = x / y; break;
                    case 102: v = x + y; break;
                    default: v = x - y; break;
                    }
                    // Texts of long folded chains are cut; they only label the token.
                    std::snprintf(text, sizeof text, "(%s%s%s)", a.text.c_str(), out[n - 1].text.c_str(),
                                  out[n - 2].text.c_str());
                    a.value.number = v;
                    a.text = text;
                    out.resize(n - 2);
                    continue;
                }
            }
            break;
        }
    }
    in = std::move(out);
}

int GenerateCode(ExpressionCompiler& c, std::vector<InfixItem>& items) {
    const std::string source(c.source);
    if (c.vector_context && (c.target->flags & kFlagVector)) c.target->stateful_depth = MakeVectorForms(items);
    InsertStateSlots(items);
    if (int r = CheckOrder(c, items, source.c_str())) return r;
    if (int r = ToPostfix(c, items, source.c_str())) return r;
    if (int r = CheckDigitalOperands(c, source.c_str())) return r;
    for (ExpressionToken& t : c.target->tokens) {
        if (t.opcode == kOpStateSlot) t.value.slot = ComplexValue{};
    }
    // Only faults of the folding itself count here.
    ResetMathError();
    FoldConstants(c.target);
    if (int r = CheckMathError()) {
        c.error_id = 15003;
        c.error_position = 0;
        return r;
    }
    // A vector evaluation keeps one operand array per pushing token.
    if (c.target->flags & kFlagVector) {
        bool vector = false;
        int pushing = 0;
        for (const ExpressionToken& t : c.target->tokens) {
            vector |= IsVectorOpcode(t.opcode);
            pushing += t.pushes;
        }
        if (c.vector_context && vector) {
            c.vector_context->operand_array_count = pushing;
            c.vector_context->operand_arrays.clear();
            c.vector_context->operand_arrays.resize(size_t(pushing) + 1);
        } else {
            c.target->flags &= ~kFlagVector;
        }
    }
    return 0;
}

}  // namespace ob7
