#include "expression/derivative.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "expression/compiler.h"
#include "expression/compiler_internal.h"
#include "expression/expression.h"
#include "expression/expression_context.h"
#include "expression/operator_table.h"
#include "expression/waveform_operators.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"

namespace ob7 {

namespace {

enum DerivativeNodeKind : int32_t {
    kNodeHeader = 0,
    kNodeConstant = 1,
    kNodeVariable = 2,
    kNodeUnary = 3,
    kNodeBinary = 4,
    kNodeTernary = 5,          // kept whole: its derivative is 0
    kNodeDigitalFunction = 6,  // BIN, OCT, DEC, HEX: kept whole, derivative 0
};

// Opcodes the rules name.
enum : int32_t {
    kPow = 68, kMod = 69, kIntDiv = 70, kLn = 71, kExp = 72, kAbs = 73, kNot = 74, kLog = 75,
    kDb = 76, kSqrt = 77, kSgn = 78, kAnd = 80, kOr = 81, kXor = 82, kLess = 91, kGreater = 92,
    kGreaterEq = 93, kLessEq = 94, kNotEq = 95, kEq = 96, kMul = 100, kDiv = 101, kAdd = 102,
    kSub = 103, kTilde = 104, kBitAnd = 105, kCaret = 106, kBitOr = 107, kNand = 115, kNor = 116,
    kBusValue = 121, kAtan2 = 152, kMin = 153, kMax = 154, kIf = 155, kLimit = 156, kStp = 150,
    kImpulse = 151, kPwr = 159, kPwrs = 160, kTable = 162, kDer = 168, kSeries = 574, kFact = 575,
    kSin = 580, kCos, kTan, kCot, kSec, kCsc, kAsin, kAcos, kAtan, kAcot, kAsec, kAcsc,
    kSinh, kCosh, kTanh, kCoth, kSech, kCsch, kAsinh, kAcosh, kAtanh, kAcoth, kAsech, kAcsch,
};

constexpr double kLog10E = 0.43429448190325176;
// The printer and the rules recurse over the tree; texts nest far less than this.
constexpr int kMaxTreeDepth = 1000;

struct DerivativeNode {
    const void* variable = nullptr;  // identity of the value a variable reads
    int32_t kind = kNodeHeader;
    int32_t opcode = 0;
    double value = 0.0;
    DerivativeNode* first_child = nullptr;
    DerivativeNode* next = nullptr;  // right sibling
    int32_t function_form = 0;       // printed as name(args)
    int32_t depth = 1;
    const ExpressionToken* token = nullptr;  // source token, its text reused for printing
};

DerivativeNode* Second(const DerivativeNode* n) { return n->first_child->next; }

// Nodes come from zeroed blocks of 1000 and are all released with the workspace. After a
// failed allocation every builder returns the spare node, so the steps that follow do
// nothing harmful and the caller sees the error 15002.
class DerivativeWorkspace {
public:
    int error = 0;

    DerivativeNode* New() {
        if (error) return Spare();
        if (used_ == kBlock) {
            // Copies of operands can grow a tree geometrically (nested LIMIT); the
            // budget keeps such a derivative from taking all memory.
            std::unique_ptr<DerivativeNode[]> block(
                blocks_.size() < kMaxBlocks ? new (std::nothrow) DerivativeNode[kBlock] : nullptr);
            if (!block) {
                error = kMsgInsufficientMemory;
                return Spare();
            }
            blocks_.push_back(std::move(block));
            used_ = 0;
        }
        return &blocks_.back()[used_++];
    }

private:
    static constexpr int kBlock = 1000;
    static constexpr std::size_t kMaxBlocks = 400;
    DerivativeNode* Spare() {
        spare_ = DerivativeNode{};
        return &spare_;
    }
    std::vector<std::unique_ptr<DerivativeNode[]>> blocks_;
    int used_ = kBlock;
    DerivativeNode spare_;
};

bool IsConst(const DerivativeNode* n, double v) { return n->kind == kNodeConstant && n->value == v; }
bool IsZero(const DerivativeNode* n) { return IsConst(n, 0.0); }

bool IsDigitalLeaf(const DerivativeNode* n) { return n->token && n->token->digital; }

// '^' is the digital XOR only between digital values; elsewhere it is the power.
bool IsPower(const DerivativeNode* n) {
    if (n->opcode == kPow || n->opcode == kPwr || n->opcode == kPwrs) return true;
    return n->opcode == kCaret && !IsDigitalLeaf(n->first_child) && !IsDigitalLeaf(Second(n));
}

class TreeBuilder {
public:
    explicit TreeBuilder(DerivativeWorkspace& w) : w_(w) {}

    DerivativeNode* Const(double v) {
        DerivativeNode* n = w_.New();
        n->kind = kNodeConstant;
        n->opcode = 7;
        n->value = v;
        return n;
    }

    DerivativeNode* Node(int kind, int opcode, int function_form, DerivativeNode* a,
                         DerivativeNode* b = nullptr) {
        DerivativeNode* n = w_.New();
        n->kind = kind;
        n->opcode = opcode;
        n->function_form = function_form;
        n->first_child = a;
        if (a) a->next = b;
        if (b) b->next = nullptr;
        n->depth = 1 + std::max(a ? a->depth : 0, b ? b->depth : 0);
        return n;
    }

    DerivativeNode* Fn(int opcode, DerivativeNode* u) { return Node(kNodeUnary, opcode, 1, u); }
    DerivativeNode* Neg(DerivativeNode* u) {
        if (u->kind == kNodeConstant) return Const(-u->value);
        return Node(kNodeUnary, kOpUnaryMinus, 0, u);
    }
    DerivativeNode* Op(int opcode, DerivativeNode* a, DerivativeNode* b) {
        return Node(kNodeBinary, opcode, 0, a, b);
    }
    DerivativeNode* Pow(DerivativeNode* a, DerivativeNode* b) { return Op(kPow, a, b); }
    DerivativeNode* Pow(DerivativeNode* a, double b) { return Op(kPow, a, Const(b)); }

    DerivativeNode* Mul(DerivativeNode* a, DerivativeNode* b) {
        if (IsZero(a) || IsZero(b)) return Const(0.0);
        if (IsConst(a, 1.0)) return b;
        if (IsConst(b, 1.0)) return a;
        return Op(kMul, a, b);
    }
    DerivativeNode* Div(DerivativeNode* a, DerivativeNode* b) {
        if (IsZero(a)) return Const(0.0);
        return Op(kDiv, a, b);
    }
    DerivativeNode* Add(DerivativeNode* a, DerivativeNode* b) {
        if (IsZero(a)) return b;
        if (IsZero(b)) return a;
        return Op(kAdd, a, b);
    }
    DerivativeNode* Sub(DerivativeNode* a, DerivativeNode* b) {
        if (IsZero(b)) return a;
        if (IsZero(a)) return Neg(b);
        return Op(kSub, a, b);
    }
    DerivativeNode* Sub(double a, DerivativeNode* b) { return Sub(Const(a), b); }

    // A fresh copy of a subtree: every operand used in a result is its own copy.
    DerivativeNode* Copy(const DerivativeNode* n) {
        DerivativeNode* c = w_.New();
        if (w_.error) return c;
        *c = *n;
        c->next = nullptr;
        DerivativeNode** link = &c->first_child;
        for (const DerivativeNode* ch = n->first_child; ch; ch = ch->next) {
            *link = Copy(ch);
            link = &(*link)->next;
        }
        *link = nullptr;
        return c;
    }

private:
    DerivativeWorkspace& w_;
};

// ---- Token list to tree ----

// Functions whose value comes from a curve, a table, a sub-expression or a series.
bool IsNonDifferentiable(int op) {
    return op == kSeries || op == kTable || op == kDer || (op >= 520 && op <= 541) ||
           (op >= 568 && op <= 573);
}

const void* VariableIdentity(const ExpressionToken& t) {
    if (t.opcode == kOpRealPointer) return t.value.real;
    if (t.opcode == kOpDeviceRef) return t.value.device;
    return nullptr;
}

class TreeReader {
public:
    TreeReader(DerivativeWorkspace& w, TreeBuilder& b) : w_(w), b_(b) {}

    // The tree of a token list, or null when the list is not a well-formed expression.
    DerivativeNode* Read(const CompiledExpression& e) {
        std::vector<DerivativeNode*> stack;
        for (const ExpressionToken& t : e.tokens) {
            if (t.opcode == kOpEnd) continue;
            if (t.pushes) {
                DerivativeNode* n = w_.New();
                n->token = &t;
                n->opcode = t.opcode;
                if (t.opcode == kOpConstant) {
                    n->kind = kNodeConstant;
                    n->value = t.value.number;
                } else {
                    n->kind = kNodeVariable;
                    n->variable = VariableIdentity(t);
                }
                stack.push_back(n);
                continue;
            }
            int kind = 0;
            int count = OperandCount(t, stack, &kind);
            if (count <= 0 || count > static_cast<int>(stack.size())) return nullptr;
            std::vector<DerivativeNode*> args(stack.end() - count, stack.end());
            stack.resize(stack.size() - count);
            DerivativeNode* n = Make(t, kind, args);
            if (n->depth > kMaxTreeDepth) return nullptr;
            stack.push_back(n);
        }
        return stack.size() == 1 ? stack[0] : nullptr;
    }

private:
    // The stack entries an operator or function consumes: functions carry their count
    // (hidden state slots and inserted arguments included) in their token.
    int OperandCount(const ExpressionToken& t, const std::vector<DerivativeNode*>& stack, int* kind) {
        int op = t.opcode;
        if (op == kOpUnaryMinus || op == kTilde || op == kNot || op == kOpDigitalNot) {
            *kind = kNodeUnary;
            return 1;
        }
        if (op == kOpSafeDivide || IsOperatorOpcode(op)) {
            *kind = kNodeBinary;
            return 2;
        }
        int count = t.value.index > 0 ? t.value.index : MaxArgsByOpcode(op);
        if (WaveformSlotCount(op)) {
            *kind = kNodeTernary;
            if (t.value.index <= 0) count = WaveformArgumentCount(op) + WaveformSlotCount(op);
        } else if (op == kBusValue) {
            *kind = kNodeDigitalFunction;
            if (t.value.index <= 0 && !stack.empty() && stack.back()->kind == kNodeConstant)
                count = static_cast<int>(stack.back()->value) + 1;
        } else {
            *kind = count == 1 ? kNodeUnary : count == 2 ? kNodeBinary : kNodeTernary;
        }
        return count;
    }

    DerivativeNode* Make(const ExpressionToken& t, int kind, const std::vector<DerivativeNode*>& a) {
        if (t.opcode == kIf) {
            // IF(c, a, b) = (c != 0)*a + (c == 0)*b: IF takes a for any non-zero c, a
            // negative one included.
            return b_.Add(b_.Mul(b_.Op(kNotEq, a[0], b_.Const(0.0)), a[1]),
                          b_.Mul(b_.Op(kEq, b_.Copy(a[0]), b_.Const(0.0)), a[2]));
        }
        if (t.opcode == kLimit) {
            // LIMIT(x, lo, hi) = (x >= lo AND x <= hi)*x + (x < lo)*lo + (x > hi)*hi
            DerivativeNode *x = a[0], *lo = a[1], *hi = a[2];
            DerivativeNode* inside =
                b_.Op(kAnd, b_.Op(kGreaterEq, x, lo), b_.Op(kLessEq, b_.Copy(x), hi));
            DerivativeNode* sum = b_.Add(b_.Mul(inside, b_.Copy(x)),
                                         b_.Mul(b_.Op(kLess, b_.Copy(x), b_.Copy(lo)), b_.Copy(lo)));
            return b_.Add(sum, b_.Mul(b_.Op(kGreater, b_.Copy(x), b_.Copy(hi)), b_.Copy(hi)));
        }
        DerivativeNode* n = w_.New();
        n->kind = kind;
        n->opcode = t.opcode;
        n->token = &t;
        // A power written as '^' or '**' prints as an operator although POW is a function.
        bool op_text = t.text.rfind("^", 0) == 0 || t.text.rfind("**", 0) == 0;
        n->function_form = !op_text && !IsOperatorOpcode(t.opcode) && MinArgsByOpcodeNonZero(t.opcode);
        if (t.opcode == kPow && !op_text && !t.text.empty()) n->function_form = 1;  // POW(a,b)
        DerivativeNode** link = &n->first_child;
        int depth = 0;
        for (DerivativeNode* c : a) {
            *link = c;
            link = &c->next;
            depth = std::max(depth, c->depth);
        }
        *link = nullptr;
        n->depth = depth + 1;
        return n;
    }

    DerivativeWorkspace& w_;
    TreeBuilder& b_;
};

// ---- The rules ----

class Deriver {
public:
    Deriver(TreeBuilder& b, const void* variable) : b_(b), var_(variable) {}

    DerivativeNode* Derive(const DerivativeNode* n) {
        switch (n->kind) {
        case kNodeVariable: return b_.Const(var_ && n->variable == var_ ? 1.0 : 0.0);
        case kNodeUnary: return Unary(n);
        case kNodeBinary: return Binary(n);
        default: return b_.Const(0.0);
        }
    }

private:
    DerivativeNode* U(const DerivativeNode* n) { return b_.Copy(n->first_child); }
    DerivativeNode* V(const DerivativeNode* n) { return b_.Copy(Second(n)); }

    DerivativeNode* Unary(const DerivativeNode* n) {
        DerivativeNode* du = Derive(n->first_child);
        if (IsZero(du)) return du;
        TreeBuilder& b = b_;
        switch (n->opcode) {
        case 35: case 36: case 37: case 38: case 39: case kNot: case kDb: case kSgn: case kTilde:
        case kStp: case kImpulse: case kFact:
            return b.Const(0.0);
        case kLn: return b.Div(du, U(n));
        case kExp: return b.Mul(b.Fn(kExp, U(n)), du);
        case kAbs:
            return b.Mul(b.Sub(b.Op(kGreaterEq, U(n), b.Const(0.0)), b.Op(kLess, U(n), b.Const(0.0))), du);
        case kLog: return b.Mul(b.Const(kLog10E), b.Div(du, U(n)));
        case kSqrt: return b.Mul(du, b.Div(b.Const(0.5), b.Pow(U(n), 0.5)));
        case kOpUnaryMinus: return b.Neg(du);
        case kSin: return b.Mul(b.Fn(kCos, U(n)), du);
        case kCos: return b.Neg(b.Mul(b.Fn(kSin, U(n)), du));
        case kTan: return b.Mul(b.Pow(b.Fn(kSec, U(n)), 2), du);
        case kCot: return b.Neg(b.Mul(b.Pow(b.Fn(kCsc, U(n)), 2), du));
        case kSec: return b.Mul(b.Mul(b.Fn(kTan, U(n)), b.Fn(kSec, U(n))), du);
        case kCsc: return b.Mul(b.Neg(b.Mul(b.Fn(kCot, U(n)), b.Fn(kCsc, U(n)))), du);
        case kAsin: return b.Mul(du, b.Div(b.Const(1), b.Pow(b.Sub(1, b.Pow(U(n), 2)), 0.5)));
        case kAcos: return b.Mul(du, b.Div(b.Const(-1), b.Pow(b.Sub(1, b.Pow(U(n), 2)), 0.5)));
        case kAtan: return b.Mul(du, b.Div(b.Const(1), b.Add(b.Const(1), b.Pow(U(n), 2))));
        case kAcot: return b.Mul(du, b.Div(b.Const(-1), b.Add(b.Const(1), b.Pow(U(n), 2))));
        case kAsec:
            return b.Mul(du, b.Div(b.Const(1), b.Mul(U(n), b.Pow(b.Sub(b.Pow(U(n), 2), b.Const(1)), 0.5))));
        case kAcsc:
            return b.Mul(du, b.Div(b.Const(-1), b.Mul(U(n), b.Pow(b.Sub(b.Pow(U(n), 2), b.Const(1)), 0.5))));
        case kSinh: return b.Mul(b.Fn(kCosh, U(n)), du);
        case kCosh: return b.Mul(b.Fn(kSinh, U(n)), du);
        case kTanh: return b.Mul(b.Pow(b.Fn(kSech, U(n)), 2), du);
        case kCoth: return b.Mul(b.Const(-1), b.Mul(b.Pow(b.Fn(kCsch, U(n)), 2), du));
        case kSech: return b.Mul(b.Const(-1), b.Mul(du, b.Mul(b.Fn(kSech, U(n)), b.Fn(kTanh, U(n)))));
        case kCsch: return b.Mul(b.Const(-1), b.Mul(du, b.Mul(b.Fn(kCsch, U(n)), b.Fn(kCoth, U(n)))));
        case kAsinh: return b.Mul(du, b.Div(b.Const(1), b.Pow(b.Add(b.Pow(U(n), 2), b.Const(1)), 0.5)));
        case kAcosh: return b.Mul(du, b.Div(b.Const(1), b.Pow(b.Sub(b.Pow(U(n), 2), b.Const(1)), 0.5)));
        case kAtanh: return b.Mul(du, b.Div(b.Const(1), b.Sub(1, b.Pow(U(n), 2))));
        case kAcoth: return b.Mul(du, b.Div(b.Const(-1), b.Sub(b.Pow(U(n), 2), b.Const(1))));
        case kAsech:
            return b.Mul(du, b.Div(b.Const(-1), b.Mul(U(n), b.Pow(b.Sub(1, b.Pow(U(n), 2)), 0.5))));
        case kAcsch:
            return b.Mul(du, b.Div(b.Const(-1), b.Mul(U(n), b.Pow(b.Add(b.Const(1), b.Pow(U(n), 2)), 0.5))));
        default: return du;
        }
    }

    DerivativeNode* Binary(const DerivativeNode* n) {
        const DerivativeNode* u = n->first_child;
        const DerivativeNode* v = Second(n);
        DerivativeNode* du = Derive(u);
        DerivativeNode* dv = Derive(v);
        TreeBuilder& b = b_;
        if (IsPower(n)) {
            // v*u'*u^(v-1) + u^v*LN(u)*v', each term only when its derivative is not 0.
            // The powers keep the spelling of the source operator ('^' or '**').
            const ExpressionToken* spelling = n->token && !n->function_form ? n->token : nullptr;
            auto pow = [&](DerivativeNode* base, DerivativeNode* exponent) {
                DerivativeNode* p = b.Pow(base, exponent);
                p->token = spelling;
                return p;
            };
            DerivativeNode* term1 = nullptr;
            if (!IsZero(du)) {
                DerivativeNode* exponent =
                    v->kind == kNodeConstant ? b.Const(v->value - 1.0) : b.Op(kSub, V(n), b.Const(1.0));
                term1 = b.Mul(b.Mul(V(n), du), pow(U(n), exponent));
            }
            DerivativeNode* term2 = nullptr;
            if (!IsZero(dv)) term2 = b.Mul(b.Mul(pow(U(n), V(n)), b.Fn(kLn, U(n))), dv);
            if (term1 && term2) return b.Add(term1, term2);
            return term1 ? term1 : term2 ? term2 : b.Const(0.0);
        }
        switch (n->opcode) {
        case kMod: return du;
        case kIntDiv: case kAnd: case kOr: case kXor: case kLess: case kGreater: case kGreaterEq:
        case kLessEq: case kNotEq: case kEq: case kBitAnd: case kCaret: case kBitOr: case kNand: case kNor:
            return b.Const(0.0);
        case kMul: return b.Add(b.Mul(du, V(n)), b.Mul(U(n), dv));
        case kDiv:
        case kOpSafeDivide:
            if (u->kind == kNodeVariable && v->kind == kNodeVariable && u->variable && u->variable == v->variable)
                return b.Const(0.0);
            return b.Sub(b.Div(du, V(n)), b.Div(b.Mul(U(n), dv), b.Pow(V(n), 2)));
        case kAdd: return b.Add(du, dv);
        case kSub: return b.Sub(du, dv);
        case kMin: return b.Add(b.Mul(b.Op(kLess, U(n), V(n)), du), b.Mul(b.Op(kLess, V(n), U(n)), dv));
        case kMax: return b.Add(b.Mul(b.Op(kGreater, U(n), V(n)), du), b.Mul(b.Op(kGreater, V(n), U(n)), dv));
        case kAtan2: {
            // ATAN2(y, x)' = (x*y' - y*x') / (x^2 + y^2)
            DerivativeNode* num = b.Sub(b.Mul(V(n), du), b.Mul(U(n), dv));
            return b.Div(num, b.Add(b.Pow(V(n), 2), b.Pow(U(n), 2)));
        }
        default: return dv;
        }
    }

    TreeBuilder& b_;
    const void* var_;
};

// ---- Tree to tokens and to text ----

std::string FormatNumber(const char* format, double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string NodeName(const DerivativeNode* n) {
    if (n->opcode == kOpUnaryMinus) return "-";
    if (n->opcode == kPow || n->opcode == kCaret) return n->token && !n->token->text.empty() ? n->token->text : "^";
    const char* name = OperatorNameByOpcode(n->opcode);
    return name ? name : (n->token ? n->token->text : std::string());
}

void WriteTokens(const DerivativeNode* n, std::vector<ExpressionToken>& out) {
    for (const DerivativeNode* c = n->first_child; c; c = c->next) WriteTokens(c, out);
    if (n->kind == kNodeVariable || (n->token && n->token->pushes)) {
        out.push_back(*n->token);
        if (n->token->opcode == kOpStateSlot) out.back().value.slot = ComplexValue{};  // fresh history
        return;
    }
    ExpressionToken t;
    if (n->kind == kNodeConstant) {
        t.opcode = kOpConstant;
        t.pushes = 1;
        t.value.number = n->value;
        t.text = FormatNumber("%.16G", n->value);
    } else {
        if (n->token) t = *n->token;
        t.opcode = static_cast<int16_t>(n->opcode);
        t.text = NodeName(n);
        int count = 0;
        for (const DerivativeNode* c = n->first_child; c; c = c->next) ++count;
        t.value.index = count;  // the stack entries a function consumes
    }
    out.push_back(std::move(t));
}

int Precedence(const DerivativeNode* n) {
    if (n->kind == kNodeUnary || n->function_form) return 6;
    if (n->kind != kNodeBinary) return 0;
    switch (n->opcode) {
    case kAnd: case kLess: case kGreater: case kGreaterEq: case kLessEq: case kNotEq: case kEq: return 1;
    case kAdd: case kSub: return 2;
    case kMul: case kDiv: case kOpSafeDivide: return 3;
    default: return 4;
    }
}

bool IsInfix(const DerivativeNode* n) { return n->kind == kNodeBinary && !n->function_form; }

class TextPrinter {
public:
    explicit TextPrinter(const RunValues* run) : run_(run) {}

    void Print(const DerivativeNode* n, std::string& out) {
        switch (n->kind) {
        case kNodeConstant: out += FormatNumber("%.16g", n->value); return;
        case kNodeVariable: out += VariableText(n); return;
        case kNodeUnary:
            out += NodeName(n);
            out += '(';
            Print(n->first_child, out);
            out += ')';
            return;
        case kNodeBinary:
            if (n->function_form) {
                PrintCall(n, out);
                return;
            }
            PrintInfix(n, out);
            return;
        default: PrintCall(n, out); return;
        }
    }

private:
    std::string VariableText(const DerivativeNode* n) {
        if (n->token && !n->token->text.empty()) return n->token->text;
        if (run_ && n->token && n->token->opcode == kOpRealPointer) {
            if (const char* name = VariableNameByPointer(*run_, n->token->value.real)) return name;
        }
        return "BadVar";
    }

    // name(a,b,...): hidden state slots and the inserted operand count are not written.
    void PrintCall(const DerivativeNode* n, std::string& out) {
        out += NodeName(n);
        out += '(';
        bool first = true;
        for (const DerivativeNode* c = n->first_child; c; c = c->next) {
            if (c->token && c->token->opcode == kOpStateSlot) continue;
            if (n->kind == kNodeDigitalFunction && !c->next) continue;
            if (!first) out += ',';
            first = false;
            Print(c, out);
        }
        out += ')';
    }

    void PrintInfix(const DerivativeNode* n, std::string& out) {
        int p = Precedence(n);
        const DerivativeNode* l = n->first_child;
        const DerivativeNode* r = Second(n);
        PrintOperand(l, IsInfix(l) && Precedence(l) < p, out);
        std::string name = NodeName(n);
        bool word = !name.empty() && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
        if (word) out += ' ';
        out += name;
        if (word) out += ' ';
        PrintOperand(r, IsInfix(r) && Precedence(r) <= p, out);
    }

    void PrintOperand(const DerivativeNode* n, bool parens, std::string& out) {
        if (parens) out += '(';
        Print(n, out);
        if (parens) out += ')';
    }

    const RunValues* run_;
};

}  // namespace

const char* FindNonDifferentiable(const CompiledExpression& expression) {
    for (const ExpressionToken& t : expression.tokens) {
        if (!t.pushes && IsNonDifferentiable(t.opcode)) return t.text.c_str();
        // A sub-expression (an inner DER) is a value the tree cannot see into: taking it
        // as a constant would give a silent 0.
        if (t.opcode == kOpSubExpression) return t.text.c_str();
    }
    return nullptr;
}

int SingleVariableOf(const CompiledExpression& expression, const double** variable) {
    int count = 0;
    const ExpressionToken* last = nullptr;
    for (const ExpressionToken& t : expression.tokens) {
        if (t.inserted || t.opcode == kOpEnd) continue;
        ++count;
        last = &t;
    }
    if (count == 1 && last->opcode == kOpRealPointer) *variable = last->value.real;
    return count;
}

namespace {

// Builds the derivative tree of an expression; null with the workspace error set when
// the tree cannot be built.
DerivativeNode* DerivativeTree(const CompiledExpression& e, const void* variable, DerivativeWorkspace& w,
                               TreeBuilder& b) {
    TreeReader reader(w, b);
    DerivativeNode* tree = reader.Read(e);
    if (!tree && !w.error) w.error = kMsgInsufficientMemory;  // nested deeper than the workspace takes
    if (w.error) return nullptr;
    Deriver deriver(b, variable);
    DerivativeNode* d = deriver.Derive(tree);
    return w.error ? nullptr : d;
}

}  // namespace

int DifferentiateExpression(const CompiledExpression& expression, CompiledExpression* result,
                            const double* variable) {
    if (FindNonDifferentiable(expression)) return 0;
    DerivativeWorkspace w;
    TreeBuilder b(w);
    DerivativeNode* d = DerivativeTree(expression, variable, w, b);
    if (w.error) return w.error;
    std::vector<ExpressionToken> tokens;
    WriteTokens(d, tokens);
    FreeExpression(result);
    result->tokens = std::move(tokens);
    result->flags = expression.flags;
    result->kinds = expression.kinds;
    result->uses_random = expression.uses_random;
    result->context = expression.context;
    result->run = expression.run;
    FoldConstants(result);
    return 0;
}

namespace {

constexpr int kDerivativeLocals = 20;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return out;
}

bool IsVariableToken(const ExpressionToken& t) {
    return t.opcode == kOpRealPointer || t.opcode == kOpDeviceRef || t.opcode == kOpEquation;
}

// Compiles the text into e with errors left pending, names not known becoming locals.
int CompileWithLocals(std::string_view text, CompiledExpression* e, int mask, int flags, ExpressionContext& context,
                      LocalNameSet& locals) {
    InitCompiledExpression(e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text, e, mask, flags);
    c.context = &context;
    c.pending_mode = 1;
    SetCompilerLocals(&c, &locals);
    return CompileExpression(&c);
}

// The double a variable name reads: a declared local, or the one variable that the name
// compiles to. Null when the name is not a single variable.
const double* FindDifferentiationVariable(const std::string& name, LocalNameSet& locals, double* values,
                                          ExpressionContext& context, int mask, int flags) {
    for (std::size_t i = 0; i < locals.names.size(); ++i)
        if (Upper(locals.names[i]) == Upper(name)) return &values[i];
    std::string text = Upper(name);
    SimplifySigns(text);
    CompiledExpression e;
    const double* variable = nullptr;
    if (CompileWithLocals(text, &e, mask, flags, context, locals) == 0) {
        if (SingleVariableOf(e, &variable) != 1) variable = nullptr;
    } else {
        ClearPendingMessage();
    }
    FreeExpression(&e);
    return variable;
}

std::string FormatText(const char* format, const std::string& arg) {
    std::string out(format);
    std::size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, arg);
    return out;
}

}  // namespace

int DifferentiateText(std::string_view text, std::string* variable_name, std::string* result,
                      ExpressionContext* context) {
    ExpressionContext& ctx = context ? *context : NoCircuitContext();
    const RunValues& run = ctx.Run();
    std::string source(text);
    SimplifySigns(source);

    double values[kDerivativeLocals] = {};
    LocalNameSet locals;
    locals.values = values;
    locals.capacity = kDerivativeLocals;
    int mask = run.solution_available ? 1 << (static_cast<int>(run.analysis_kind) & 31) : kMaskNumericField;
    int flags = ctx.DigitalNodeCount() > 0 ? kKindFlagsWithBusFunctions : kKindFlagsAnalog;

    CompiledExpression e;
    if (int code = CompileWithLocals(source, &e, mask, flags, ctx, locals)) {
        FreeExpression(&e);
        return code;
    }
    if (const char* bad = FindNonDifferentiable(e)) {
        *result = FormatText("Can't find the derivative of %s.", bad);
        FreeExpression(&e);
        return 0;
    }

    std::string name = *variable_name;
    if (name.empty() && !locals.names.empty()) name = locals.names[0];
    if (name.empty()) {
        for (const ExpressionToken& t : e.tokens) {
            if (!IsVariableToken(t)) continue;
            const char* table_name = t.opcode == kOpRealPointer ? VariableNameByPointer(run, t.value.real) : nullptr;
            name = !t.text.empty() ? t.text : table_name ? table_name : "BadVar";
            break;
        }
    }
    *variable_name = name;
    const double* variable =
        name.empty() ? nullptr : FindDifferentiationVariable(name, locals, values, ctx, mask, flags);
    if (!variable) {
        *result = name.empty() ? std::string("Can't find a valid differentition variable.")
                               : FormatText("'%s' is not a valid differentition variable.", name);
        FreeExpression(&e);
        return 0;
    }

    DerivativeWorkspace w;
    TreeBuilder b(w);
    DerivativeNode* d = DerivativeTree(e, variable, w, b);
    if (w.error) {
        FreeExpression(&e);
        return w.error;
    }
    result->clear();
    TextPrinter(&run).Print(d, *result);
    FreeExpression(&e);
    return 0;
}

}  // namespace ob7
