#include "expression/compiler.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "expression/compiler_internal.h"
#include "expression/derivative.h"
#include "expression/expression_context.h"
#include "expression/math_error.h"
#include "expression/operator_table.h"
#include "foundation/char_classes.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"

namespace ob7 {

namespace {

constexpr int kMaxContexts = 20;  // open functions, the top level included
constexpr int kPoolLevels = 4;    // compilations that may nest (sub-expressions)

// Work buffers reused across compilations, one per nesting level.
std::vector<InfixItem> g_item_pool[kPoolLevels];
int g_pool_level = 0;

const double kGround = 0.0;

bool IsNodeNameChar(char c) { return HasClass(c, kCcNameChar) || c == '.'; }
bool IsIdentStart(char c) { return HasClass(c, kCcIdentStart); }
bool IsIdentChar(char c) { return HasClass(c, kCcIdentChar) || c == '.'; }
bool IsDigitalNameChar(char c) { return HasClass(c, kCcNameChar); }
bool IsOperatorChar(char c) { return HasClass(c, kCcOperator); }
bool IsRelationChar(char c) { return HasClass(c, kCcRelation); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitalStateIndex(char c) {
    const char* states = "0RF1XZ?";
    const char* p = std::strchr(states, c);
    return (p && c) ? int(p - states) : -1;
}

// An open function, or the top level.
struct ParserContext {
    int32_t accepts = 0;
    int32_t opcode = 0;
    int32_t device_mask = 0;
    int32_t row = -1;
    int32_t arg_count = 0;
    int32_t result_flags = 0;
    int16_t digital = 0;
    int16_t paren_level = 0;
    int item = -1;  // index of the function's item, -1 when none was emitted
    int inserted = 0;    // arguments the compiler added (not counted against the row's limits)
    size_t arg_start = 0;  // first item of the current argument
    int scanned = 0;     // node or part arguments read (they emit no item)
    // Device quantities collect their arguments and are emitted at the ')'.
    int nodes[2] = {-1, -1};
    std::string arg_texts[2];
    std::string part_name;
    bool first_is_part = false;
    char pins[2] = {' ', ' '};
    int case_item = -1;  // CASE: the IFTHEN item of the open condition
};

class Parser {
public:
    Parser(ExpressionCompiler& c, std::vector<InfixItem>& items) : c_(c), items_(items) {}
    int Run();

private:
    // Scanning rules; each returns 0 when it took the text, -1 when it did not apply,
    // or an error code.
    int ScanNodeOrPart();
    int ScanNumber();
    int ScanName();
    int OpenFunction(const OperatorRow& row, int row_index, int position);
    int Comma();
    int CloseParen();

    int ResolveName(const std::string& name, int position);
    int AcceptRow(const OperatorRow& row, int row_index, int position);
    int CheckAnalysis(const OperatorRow& row, const std::string& name, int position, bool* became_local);
    int AddNewLocal(const std::string& name, int position);
    int EmitDeviceQuantity(ParserContext& cx, const OperatorRow& row, int position);
    int EmitTerms(const QuantityTerms& terms, const std::string& label, int position);
    int CompileSubExpression(int32_t kind_flags, int32_t mask, std::string* text_out);
    int ReadNumberArgument(int opcode);
    int StartArgument();
    int CompileDerivative(int position);
    int CompileCurveArgument(const OperatorRow& row);
    bool CaseArgumentIsLast() const;
    size_t ArgumentEnd() const;
    void OpenCaseCondition(int position);

    void NoteKinds(int32_t kinds);
    void Emit(int32_t opcode, int32_t cls, const std::string& text, int position, bool inserted = false);
    void EmitReal(const double* p, const std::string& text, int position, bool inserted = false);
    void EmitConstant(double v, const std::string& text, int position, bool inserted = true);
    void EmitNode(int node, bool digital, const std::string& text, int position);
    void EmitPendingMinus();
    // Energy as the running integral SUM(power, T, STARTVAR); emit_power writes the power.
    template <class EmitPower>
    void EmitEnergySum(int position, EmitPower emit_power) {
        c_.target->flags |= kFlagStateful;
        Emit(43, kClassFunction, "SUM", position, true);
        items_.back().arg_count = 3;
        Emit(kOpOpenParen, kClassParen, "(", position, true);
        emit_power();
        Emit(kOpComma, kClassComma, ",", position, true);
        EmitReal(&run().time, "T", position, true);
        Emit(kOpComma, kClassComma, ",", position, true);
        EmitReal(StartVariable(), "STARTVAR", position, true);
        Emit(kOpCloseParen, kClassParen, ")", position, true);
    }
    void SkipBlanks() {
        while (pos_ < text_.size() && HasClass(text_[pos_], kCcWhite)) ++pos_;
    }
    const OperatorRow& Row(int index) const { return OperatorTableRows()[index]; }
    ParserContext& Top() { return ctx_[depth_]; }
    bool InAnalysis() const { return run().analysis_kind >= 0.0; }
    int AnalysisKind() const { return int(run().analysis_kind); }
    const RunValues& run() const { return c_.context->Run(); }
    const double* XVariable() const;
    const double* StartVariable() const;
    const char* XVariableName() const;
    // A SERIES term or DER function: the present analysis when a solution exists, else
    // a numeric field, together with what the parent allows.
    int32_t SubExpressionMask() const {
        const int kind = AnalysisKind();
        return ((run().solution_available && kind >= 0) ? (1 << (kind & 31)) : kMaskNumericField) | c_.analysis_mask;
    }
    const char* Source() const { return src_.c_str(); }

    ExpressionCompiler& c_;
    std::vector<InfixItem>& items_;
    std::string src_;   // the source as given, for messages
    std::string text_;  // the upper-cased working copy
    size_t pos_ = 0;
    ParserContext ctx_[kMaxContexts];
    int depth_ = 0;
    int paren_count_ = 0;
    bool operand_expected_ = true;
    bool pending_minus_ = false;
    int pending_minus_pos_ = 0;
    bool case_open_ = false;
    bool kinds_stopped_ = false;
    int32_t kept_kinds_ = 0;
    int32_t first_unit_ = 0;
};

void Parser::Emit(int32_t opcode, int32_t cls, const std::string& text, int position, bool inserted) {
    InfixItem item;
    item.opcode = opcode;
    item.cls = cls;
    item.text = text;
    item.position = position;
    item.inserted = inserted ? 1 : 0;
    items_.push_back(std::move(item));
}

void Parser::EmitReal(const double* p, const std::string& text, int position, bool inserted) {
    Emit(kOpRealPointer, kClassOperand, text, position, inserted);
    items_.back().value.real = p ? p : &kGround;
}

void Parser::EmitConstant(double v, const std::string& text, int position, bool inserted) {
    Emit(kOpConstant, kClassOperand, text, position, inserted);
    items_.back().value.number = v;
}

void Parser::EmitNode(int node, bool digital, const std::string& text, int position) {
    ExpressionContext& ctx = *c_.context;
    if (digital) {
        Emit(kOpDigitalNode, kClassOperand, text, position);
        items_.back().value.state = ctx.DigitalNodeState(node);
    } else if (AnalysisKind() == 1) {
        Emit(kOpEquation, kClassOperand, text, position);
        items_.back().value.index = node;
    } else {
        EmitReal(node == 0 ? nullptr : ctx.NodeVoltage(node), text, position);
    }
}

void Parser::EmitPendingMinus() {
    if (!pending_minus_) return;
    pending_minus_ = false;
    Emit(kOpUnaryMinus, kClassUnary, "-", pending_minus_pos_);
}

const double* Parser::XVariable() const {
    switch (AnalysisKind()) {
    case 1: return &run().frequency;
    case 2: return &run().dc_input;
    default: return &run().time;
    }
}

const char* Parser::XVariableName() const {
    switch (AnalysisKind()) {
    case 1: return "F";
    case 2: return "DCINPUT1";
    default: return "T";
    }
}

const double* Parser::StartVariable() const {
    switch (AnalysisKind()) {
    case 1: return &run().fmin;
    case 2: return &run().dc_start;
    default: return &run().tmin;
    }
}

void Parser::NoteKinds(int32_t kinds) {
    if (depth_ != 0 || kinds_stopped_) return;
    if (kept_kinds_ == 0) {
        kept_kinds_ = kinds;
    } else if (!(kinds & kept_kinds_)) {
        kept_kinds_ |= kinds;  // disjoint kinds: both kept, the mix is reported at the end
        kinds_stopped_ = true;
    } else if ((kept_kinds_ & kinds) != kept_kinds_) {
        kept_kinds_ = kinds;
    }
}

int Parser::Run() {
    src_ = std::string(c_.source);
    text_ = src_;
    for (char& ch : text_) {
        if (ch == '{') ch = '(';
        else if (ch == '}') ch = ')';
        else ch = ToUpperMap(ch);
    }
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '+') text_[pos_] = ' ';
    SkipBlanks();
    if (pos_ >= text_.size()) return CompileError(c_, 10410, int(pos_), Source());

    CompiledExpression* e = c_.target;
    e->flags = 0;
    e->uses_random = 0;

    ctx_[0] = ParserContext{};
    ctx_[0].accepts = c_.kind_flags;
    while (true) {
        SkipBlanks();
        if (pos_ >= text_.size() || kinds_stopped_) break;
        ParserContext& cx = Top();
        const int32_t acc = cx.accepts;
        const char ch = text_[pos_];
        const int start = int(pos_);
        int r;

        if ((acc & (kSynNode | kSynPart)) && operand_expected_ && IsNodeNameChar(ch) && depth_ > 0) {
            r = ScanNodeOrPart();
            if (r > 0) return r;
            if (r == 0) continue;
        }
        if (operand_expected_ && (acc & 0x102800) && (ch == '+' || ch == '-')) {
            if (ch == '-') {
                if (!pending_minus_) pending_minus_pos_ = start;
                pending_minus_ = !pending_minus_;
            }
            ++pos_;
            continue;
        }
        if ((acc & 0x100800) && (IsDigit(ch) || ch == '.')) {
            r = ScanNumber();
            if (r) return r;
            continue;
        }
        EmitPendingMinus();
        if ((acc & kKind5State) && ch == '\'' && pos_ + 1 < text_.size() && HasClass(text_[pos_ + 1], kCcState)) {
            int state = DigitalStateIndex(text_[pos_ + 1]);
            Emit((acc & kKind2State) ? kOpDigitalConst2 : kOpDigitalConst, kClassOperand, text_.substr(pos_, 2),
                 start);
            items_.back().value.index = state;
            e->flags |= kFlagDigitalConstants;
            NoteKinds((kKind2State | kKind5State) & acc);
            pos_ += 2;
            operand_expected_ = false;
            continue;
        }
        if (ch == ',') {
            r = Comma();
            if (r) return r;
            continue;
        }
        if (ch == '(') {
            if (depth_ > 0 && !(acc & kSynAnalog) && (acc & (kSynNode | kSynPart)))
                return CompileError(c_, 10418, start, Row(cx.row).name);
            if (paren_count_ >= 1000) return CompileError(c_, 10431, start, Source());
            Emit(kOpOpenParen, kClassParen, "(", start);
            ++paren_count_;
            ++pos_;
            operand_expected_ = true;
            continue;
        }
        if (ch == ')') {
            r = CloseParen();
            if (r) return r;
            continue;
        }
        r = ScanName();
        if (r) return r;
    }
    EmitPendingMinus();
    if (depth_ > 0 && !kinds_stopped_) {
        // An argument list still open: report the missing ')' with the function.
        return CompileError(c_, 10406, int(text_.size()), Source());
    }

    // Kind mixing: 2 State gives way to 5 State; two named kinds left is an error.
    int32_t kinds = kept_kinds_;
    if ((kinds & kKind2State) && (kinds & kKind5State)) kinds &= ~kKind2State;
    static const struct {
        int32_t bit;
        const char* name;
    } kKindNames[] = {{0x20, "'2 State' "}, {0x40, "'5 State' "}, {0x80, "'PinDly' "},  {0x200, "'TRN' "},
                      {0x800, "'Analog' "}, {0x4000, "'BIN' "},    {0x8000, "'OCT' "}, {0x10000, "'DEC' "},
                      {0x20000, "'HEX' "},  {0x40000, "'DIF[A|D]' "}};
    int named = 0;
    std::string mix;
    for (const auto& k : kKindNames) {
        if (kinds & k.bit) {
            ++named;
            mix += k.name;
        }
    }
    if (named >= 2 || kinds_stopped_) return CompileError(c_, 10429, int(pos_), mix.c_str());
    e->kinds = kinds;
    e->unit = first_unit_;
    // Rewrites that wait for the end of the scan.
    for (InfixItem& item : items_) {
        if (item.opcode == 158 || item.opcode == 579) {
            item.opcode = 43;
            item.text = "SUM";
        } else if (item.opcode == 157 || item.opcode == 578) {
            item.opcode = 44;
            item.text = "DEL";
        }
    }
    return 0;
}

int Parser::ScanNodeOrPart() {
    ParserContext& cx = Top();
    const int start = int(pos_);
    size_t end = pos_;
    while (end < text_.size() && IsNodeNameChar(text_[end])) ++end;
    std::string name = text_.substr(pos_, end - pos_);
    const OperatorRow& row = Row(cx.row);
    // Device quantities are emitted at their ')'; digital node functions read the node.
    const bool quantity = (row.syntax & kSynQuantity) && !cx.digital;
    if (cx.accepts & (kSynNode | kSynPin)) {
        int node = c_.context->FindNode(name, c_.scope);
        if (node >= 0) {
            int limit = cx.digital ? c_.context->DigitalNodeCount() : c_.context->AnalogNodeCount();
            if (node > limit) return CompileError(c_, 10408, start, name.c_str(), Source());
            pos_ = end;
            operand_expected_ = false;
            ++cx.scanned;
            if (cx.arg_count < 2) {
                cx.nodes[cx.arg_count] = node;
                cx.arg_texts[cx.arg_count] = name;
            }
            if (!quantity) {
                char label[256];
                std::snprintf(label, sizeof label, "%s(%s)", row.name, name.c_str());
                EmitNode(node, cx.digital != 0, label, start);
            }
            return 0;
        }
    }
    if (cx.arg_count == 0 && (cx.accepts & kSynPart)) {
        cx.part_name = name;
        cx.first_is_part = true;
        ++cx.scanned;
        pos_ = end;
        operand_expected_ = false;
        return 0;
    }
    return -1;
}

int Parser::ScanNumber() {
    ParserContext& cx = Top();
    const int start = int(pos_);
    size_t p = pos_;
    int dots = 0;
    int digits = 0;
    while (p < text_.size() && (IsDigit(text_[p]) || text_[p] == '.')) {
        if (text_[p] == '.') ++dots;
        else ++digits;
        ++p;
    }
    bool bad = dots > 1 || digits == 0;  // "." alone is no number
    bool exponent = false;
    bool suffix = false;
    if (p < text_.size() && text_[p] == 'E') {
        exponent = true;
        size_t q = p + 1;
        if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
        size_t digits = q;
        int magnitude = 0;
        while (q < text_.size() && IsDigit(text_[q])) {
            if (magnitude < 1000) magnitude = magnitude * 10 + (text_[q] - '0');
            ++q;
        }
        if (q == digits || magnitude >= 300) bad = true;
        p = q;
    }
    if (!exponent && p < text_.size() && text_[p] && std::strchr("FPNUMKGT", text_[p])) {
        suffix = true;
        p += text_.compare(p, 3, "MEG") == 0 ? 3 : 1;
        while (p < text_.size() && IsDigit(text_[p])) ++p;
        while (p < text_.size() && std::isalpha(static_cast<unsigned char>(text_[p]))) ++p;
    }
    std::string number = text_.substr(pos_, p - pos_);
    pos_ = p;
    if (bad) return CompileError(c_, 10404, start, number.c_str(), Source());
    int unreadable = 0;
    double value = suffix ? ParseNumber(number.c_str(), &unreadable) : std::strtod(number.c_str(), nullptr);
    // Hundreds of digits overflow the double without any exponent.
    if (unreadable || !std::isfinite(value)) return CompileError(c_, 10404, start, number.c_str(), Source());
    std::string label = src_.substr(start, number.size());
    if (pending_minus_) {
        if (cx.accepts & kSynRawNumber) {
            value = -value;
            label = "-" + label;
            pending_minus_ = false;
        } else {
            EmitPendingMinus();
        }
    }
    Emit(cx.opcode == 512 ? kOpDelayConstant : kOpConstant, kClassOperand, label, start);
    items_.back().value.number = value;
    NoteKinds(kKindAnalog);
    operand_expected_ = false;
    return 0;
}

int Parser::ScanName() {
    ParserContext& cx = Top();
    const int32_t acc = cx.accepts;
    const int start = int(pos_);
    const char ch = text_[pos_];
    size_t end = pos_ + 1;
    if (ch == '*' && end < text_.size() && text_[end] == '*') {
        ++end;
    } else if (IsRelationChar(ch)) {
        while (end < text_.size() && IsRelationChar(text_[end])) ++end;
    } else if (IsOperatorChar(ch)) {
        // one character
    } else if ((acc & kSynAnalog) || !(acc & 0x161)) {
        if (IsIdentStart(ch)) {
            while (end < text_.size() && IsIdentChar(text_[end])) ++end;
        }
    } else if (IsDigitalNameChar(ch)) {
        while (end < text_.size() && IsDigitalNameChar(text_[end])) ++end;
    }
    std::string name = text_.substr(pos_, end - pos_);
    pos_ = end;
    return ResolveName(name, start);
}

int Parser::AddNewLocal(const std::string& name, int position) {
    LocalNameSet* locals = c_.locals;
    if (!locals || !locals->values || int(locals->names.size()) >= locals->capacity) return -1;
    locals->names.push_back(name);
    locals->kinds.push_back(kKindAnalog);
    double* slot = &locals->values[locals->names.size() - 1];
    *slot = 0.0;
    EmitReal(slot, name, position);
    operand_expected_ = false;
    return 0;
}

int Parser::ResolveName(const std::string& name, int position) {
    ParserContext& cx = Top();
    if (cx.opcode == 123 && cx.arg_count % 2 == 0 && CaseArgumentIsLast()) cx.accepts = kKindPinDly;
    const int32_t acc = cx.accepts;
    size_t after = pos_;
    while (after < text_.size() && HasClass(text_[after], kCcWhite)) ++after;
    const bool call = after < text_.size() && text_[after] == '(';

    if ((c_.kind_flags & kKindFlagsSeriesOpen) && !c_.series_index.empty() && name == c_.series_index) {
        Emit(kOpSeriesIndex, kClassOperand, name, position);
        operand_expected_ = false;
        return 0;
    }
    if (c_.locals && !call) {
        LocalNameSet& locals = *c_.locals;
        for (size_t i = 0; i < locals.names.size(); ++i) {
            if (locals.names[i] != name) continue;
            int32_t kind = i < locals.kinds.size() ? locals.kinds[i] : kKindAnalog;
            if (!(kind & acc)) {
                char arg[16];
                std::snprintf(arg, sizeof arg, "%d", cx.arg_count + 1);
                return CompileError(c_, 10422, position, name.c_str(), depth_ ? Row(cx.row).name : "", arg,
                                    Source());
            }
            if (locals.values) {
                EmitReal(&locals.values[i], name, position);
            } else {
                Emit((kind == 1 && (acc & kKind2State)) ? kOpArgument2State : kOpArgument, kClassOperand, name,
                     position);
                items_.back().value.index = int32_t(i);
            }
            operand_expected_ = false;
            return 0;
        }
    }

    const OperatorRow* rows = OperatorTableRows();
    const int count = OperatorTableSize();
    int misfit = -1;  // a row of that name whose kinds do not fit here
    if (!name.empty()) {
        for (int i = FirstRowForLetter(static_cast<unsigned char>(name[0])); i < count; ++i) {
            if (name != rows[i].name) continue;
            if (!(rows[i].kinds & acc)) {
                if (misfit < 0) misfit = i;
                continue;
            }
            return AcceptRow(rows[i], i, position);
        }
    }

    if (misfit < 0 && (acc & kSynAnalog) && (c_.analysis_mask & 0x7)) {
        size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0 && dot + 1 < name.size()) {
            bool reciprocal = false;
            const double* p = c_.context->ModelParameter(name.substr(0, dot), name.substr(dot + 1), c_.scope,
                                                        &reciprocal);
            if (p) {
                if (reciprocal) {
                    Emit(kOpOpenParen, kClassParen, "(", position, true);
                    EmitConstant(1.0, "1.0", position);
                    Emit(kOpSafeDivide, 11, "/", position, true);
                    EmitReal(p, name, position);
                    Emit(kOpCloseParen, kClassParen, ")", position, true);
                } else {
                    EmitReal(p, name, position);
                }
                operand_expected_ = false;
                return 0;
            }
        }
    }
    if (misfit < 0 && !(acc & (kSynNode | kSynPin)) && AddNewLocal(name, position) == 0) return 0;
    if (misfit >= 0) {
        if (depth_ == 0) return CompileError(c_, 10436, position, name.c_str(), Source());
        char arg[16];
        std::snprintf(arg, sizeof arg, "%d", cx.arg_count + 1);
        return CompileError(c_, 10422, position, name.c_str(), Row(cx.row).name, arg, Source());
    }
    return CompileError(c_, 10402, position, name.c_str(), Source());
}

int Parser::CheckAnalysis(const OperatorRow& row, const std::string& name, int position, bool* became_local) {
    const int32_t mask = c_.analysis_mask;
    *became_local = false;
    if ((row.analysis & 0x10) && !(mask & 0x10) && !(row.analysis & mask & ~0x10))
        return CompileError(c_, 10425, position, name.c_str());
    if (row.analysis & mask & ~0x10) return 0;
    if ((row.analysis & mask & 0x10)) return 0;
    if (mask == kMaskNumericField || mask == kMaskNumericField2) {
        if (c_.locals && c_.locals->values) {
            if (AddNewLocal(name, position) == 0) *became_local = true;
            return 0;
        }
        return CompileError(c_, 10432, position, name.c_str(), Source());
    }
    switch (AnalysisKind()) {
    case 0: return CompileError(c_, 10428, position, name.c_str());
    case 1: return CompileError(c_, 10426, position, name.c_str());
    case 2: return CompileError(c_, 10427, position, name.c_str());
    default: return CompileError(c_, 10432, position, name.c_str(), Source());
    }
}

int Parser::AcceptRow(const OperatorRow& row, int row_index, int position) {
    ParserContext& cx = Top();
    CompiledExpression* e = c_.target;
    const std::string name = row.name;
    bool became_local = false;
    if (int r = CheckAnalysis(row, name, position, &became_local)) return r;
    if (became_local) return 0;
    if (row.opcode == 574 && !c_.series_index.empty()) return CompileError(c_, 10434, position, name.c_str());
    const bool takes_args = RowTakesArguments(row);
    SkipBlanks();
    if (takes_args && (pos_ >= text_.size() || text_[pos_] != '(')) {
        if (c_.locals && c_.locals->values && AddNewLocal(name, position) == 0) return 0;
        return CompileError(c_, 10417, position, name.c_str(), Source());
    }

    // Units: the first row that carries one names the result; a function without unit
    // that does not pass its argument's unit on stops the inheritance.
    const int32_t unit = row.result_flags & 0xffff;
    if (row.cls == kClassFunction || row.cls == kClassOperand) {
        if (unit) {
            if (!first_unit_) first_unit_ = unit;
        } else if (row.cls == kClassFunction && !(row.result_flags & kFlagKeepsUnit) && !first_unit_) {
            first_unit_ = 0xffff;
        }
    }
    e->flags |= row.result_flags & int32_t(0xffff0000u);
    NoteKinds((row.kinds & cx.accepts) ? (row.kinds & cx.accepts) : row.kinds);

    if (takes_args) return OpenFunction(row, row_index, position);

    switch (row.opcode) {
    case 21: {  // energy totals: SUM(total, T, STARTVAR)
        if (!InAnalysis()) return CompileError(c_, 807, position, name.c_str());
        if (c_.device_references) c_.context->RequestPowerTotals();
        EmitEnergySum(position, [&] { EmitReal(RunVariableAddress(run(), row.variable), name, position, true); });
        operand_expected_ = false;
        return 0;
    }
    case 42:
    case 551:
    case 552: {  // imports and curves read the caller's next import value
        if (c_.import_count >= int(c_.import_specs.size()) || !c_.import_specs[c_.import_count])
            return CompileError(c_, 10435, position, name.c_str(), Source());
        Emit(kOpComplexPointer, kClassOperand, name, position);
        items_.back().value.complex = c_.import_specs[c_.import_count++];
        operand_expected_ = false;
        return 0;
    }
    default: break;
    }
    if (row.syntax & kSynVariable) {
        if (row.opcode == 20 && c_.device_references) c_.context->RequestPowerTotals();
        EmitReal(RunVariableAddress(run(), row.variable), name, position);
        operand_expected_ = false;
        return 0;
    }
    if (row.syntax & kSynConstant) {
        if (depth_ > 0 && !(cx.accepts & kSynAnalog) && !(row.kinds & cx.accepts))
            return CompileError(c_, 10418, position, Row(cx.row).name);
        EmitConstant(row.value, name, position, false);
        operand_expected_ = false;
        return 0;
    }
    // Operators and run-time values.
    Emit(row.opcode, row.cls, name, position);
    if (row.opcode == 79) {
        items_.back().value.number = DrawRandomValue();
        e->uses_random = 1;
    }
    operand_expected_ = row.cls != kClassOperand;
    return 0;
}

int Parser::OpenFunction(const OperatorRow& row, int row_index, int position) {
    if (depth_ + 1 >= kMaxContexts) return CompileError(c_, 10409, position, Source());
    const int op = row.opcode;
    if (op == 123 && case_open_) return CompileError(c_, 10423, position);
    if (op == 157 || op == 578) Emit(kOpOpenParen, kClassParen, "(", position, true);  // DDT, DD: quotient
    int item = -1;
    // Device quantities are made at their ')'; CASE and a DELAY inside it leave only
    // their IFTHEN/DEFAULT structure and delay constants.
    if (!(row.syntax & kSynQuantity) && op != 123 && !(op == 512 && case_open_)) {
        Emit(op, row.cls, row.name, position);
        item = int(items_.size()) - 1;
    }
    // The '(' that must follow.
    const int paren_pos = int(pos_);
    Emit(kOpOpenParen, kClassParen, "(", paren_pos);
    ++pos_;
    ParserContext& cx = ctx_[++depth_];
    cx = ParserContext{};
    cx.accepts = row.syntax;
    cx.opcode = op;
    cx.device_mask = row.device_mask;
    cx.row = row_index;
    cx.result_flags = row.result_flags;
    cx.digital = (row.device_mask & kDevDigitalFunction) ? 1 : 0;
    cx.paren_level = int16_t(paren_count_);
    cx.item = item;
    cx.arg_start = items_.size();
    const size_t len = std::strlen(row.name);
    cx.pins[0] = len > 1 ? char(std::tolower(static_cast<unsigned char>(row.name[1]))) : ' ';
    cx.pins[1] = len > 2 ? char(std::tolower(static_cast<unsigned char>(row.name[2]))) : ' ';
    ++paren_count_;
    operand_expected_ = true;

    switch (op) {
    case 123:  // CASE(c1, d1, c2, d2, ..., default)
        case_open_ = true;
        OpenCaseCondition(position);
        break;
    case 168:  // DER(f, v)
        return CompileDerivative(position);

    case 122: cx.accepts = kKindFlagsAnalog; break;        // DIFA
    case 127: cx.accepts = kKindFlagsAnalog5State; break;  // DIFD
    case 574: {  // SERIES(index, from, to, term): the index name, then no comma item
        SkipBlanks();
        size_t end = pos_;
        while (end < text_.size() && std::isalpha(static_cast<unsigned char>(text_[end]))) ++end;
        std::string index = text_.substr(pos_, end - pos_);
        size_t after = end;
        while (after < text_.size() && HasClass(text_[after], kCcWhite)) ++after;
        if (index.empty() || after >= text_.size() || text_[after] != ',' || IsKnownFunctionChar(index, true) ||
            index == c_.series_index)
            return CompileError(c_, 10433, int(pos_), index.empty() ? text_.substr(pos_, 1).c_str() : index.c_str(),
                                row.name);
        c_.series_index = index;
        pos_ = after + 1;
        cx.arg_count = 1;
        cx.scanned = 1;
        cx.accepts = row.syntax | kSynRawNumber;
        break;
    }
    default:
        if (row.syntax & kSynPerformance) return CompileCurveArgument(row);
        break;
    }
    return StartArgument();
}

// The first argument of a performance function: a plot expression that must name
// exactly one plotted curve.
int Parser::CompileCurveArgument(const OperatorRow& row) {
    ParserContext& cx = Top();
    SkipBlanks();
    const int start = int(pos_);
    const size_t end = ArgumentEnd();
    const std::string curve_text = text_.substr(pos_, end - pos_);
    CompiledExpression curve;
    ExpressionCompiler cc;
    InitExpressionCompiler(&cc, curve_text, &curve, kMaskPlot | (c_.analysis_mask & 0x7), c_.kind_flags | kKindAnalog);
    cc.context = c_.context;
    cc.scope = c_.scope;
    cc.pending_mode = c_.pending_mode;
    if (int r = CompileExpression(&cc)) {
        c_.error_id = cc.error_id;
        c_.error_position = start + std::max(cc.error_position, 0);
        return r;
    }
    if (int r = c_.context->ResolveCurveReferences(&curve, 517)) {
        c_.error_id = r;
        return r;
    }
    if (curve.tokens.size() != 1 || curve.tokens[0].opcode != kOpCurve)
        return CompileError(c_, 10435, start, curve_text.c_str(), Source());
    const int reference = curve.tokens[0].value.index;
    if (row.opcode == 541 && !c_.context->CheckPhaseMarginCurve(reference)) return CompileError(c_, 10438, start);
    Emit(kOpCurve, kClassOperand, curve_text, start);
    items_.back().value.index = reference;
    pos_ = end;
    operand_expected_ = false;
    cx.accepts = kSynAnalog;
    return 0;
}

// Arguments with syntax bit 0x4 (the delays of DELAY, the time of CHANGED) are numbers
// computed now.
int Parser::StartArgument() {
    ParserContext& cx = Top();
    if (depth_ == 0 || !(Row(cx.row).syntax & kSynNumbers)) return 0;
    if (cx.opcode != 512 && cx.arg_count == 0) return 0;  // CHANGED: the pin comes first
    return ReadNumberArgument(cx.opcode);
}

int Parser::ReadNumberArgument(int opcode) {
    SkipBlanks();
    const int start = int(pos_);
    const size_t end = ArgumentEnd();
    std::string number = text_.substr(pos_, end - pos_);
    while (!number.empty() && HasClass(number.back(), kCcWhite)) number.pop_back();
    if (number.empty()) return 0;  // an empty argument is counted by the ')' or ','
    double value = 0.0;
    int code = EvaluateNumericText(number.c_str(), kMaskNumericField, kKindFlagsAnalog, &value, nullptr);
    if (code) {
        c_.error_id = code;
        c_.error_position = start;
        if (c_.pending_mode) return code;
        ReportMessage("PE", c_.owner_window, code);
        return kMsgReported;
    }
    Emit(opcode == 512 ? kOpDelayConstant : kOpConstant, kClassOperand, src_.substr(start, number.size()), start);
    items_.back().value.number = value;
    pos_ = end;
    operand_expected_ = false;
    return 0;
}

void Parser::OpenCaseCondition(int position) {
    ParserContext& cx = Top();
    Emit(141, kClassFunction, "IFTHEN", position, true);
    items_.back().arg_count = 4;
    cx.case_item = int(items_.size()) - 1;
    Emit(kOpOpenParen, kClassParen, "(", position, true);
    cx.accepts = 617;  // transitions, 5 and 2 State, pins
    cx.arg_start = items_.size();
}

// True when the CASE argument at the position is the last one (the default delay).
bool Parser::CaseArgumentIsLast() const {
    const size_t end = ArgumentEnd();
    return end >= text_.size() || text_[end] == ')';
}

// Where the argument at the position ends: its ',' or ')' at the outer level, else the
// end of the text.
size_t Parser::ArgumentEnd() const {
    int level = 0;
    size_t end = pos_;
    for (; end < text_.size(); ++end) {
        char ch = text_[end];
        if (ch == '(') ++level;
        else if (ch == ')') {
            if (level == 0) break;
            --level;
        } else if (ch == ',' && level == 0) break;
    }
    return end;
}

// DER(f, v): f becomes a sub-expression replaced by its derivative with respect to the
// single variable v, which is compiled apart.
int Parser::CompileDerivative(int position) {
    ParserContext& cx = Top();
    std::string function_text;
    if (int r = CompileSubExpression(c_.kind_flags | kKindAnalog, SubExpressionMask(), &function_text)) return r;
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != ',') return CompileError(c_, 10419, int(pos_), "DER");
    ++pos_;
    SkipBlanks();
    const int start = int(pos_);
    const size_t end = ArgumentEnd();
    std::string variable_text = text_.substr(pos_, end - pos_);
    CompiledExpression variable;
    ExpressionCompiler vc;
    InitExpressionCompiler(&vc, variable_text, &variable, c_.analysis_mask, c_.kind_flags | kKindAnalog);
    vc.context = c_.context;
    vc.scope = c_.scope;
    vc.pending_mode = c_.pending_mode;
    vc.locals = c_.locals;
    if (int r = CompileExpression(&vc)) {
        c_.error_id = vc.error_id;
        c_.error_position = start + std::max(vc.error_position, 0);
        return r;
    }
    const double* var = nullptr;
    if (SingleVariableOf(variable, &var) != 1 || !var) return CompileError(c_, 10437, start);
    CompiledExpression& f = *c_.target->sub_expressions.back();
    if (FindNonDifferentiable(f)) return CompileError(c_, 10424, start);
    auto derivative = std::make_unique<CompiledExpression>();
    InitCompiledExpression(derivative.get());
    if (DifferentiateExpression(f, derivative.get(), var)) return CompileError(c_, kMsgInsufficientMemory, start);
    derivative->context = f.context;
    derivative->run = f.run;
    c_.target->sub_expressions.back() = std::move(derivative);
    char label[512];
    std::snprintf(label, sizeof label, "DER(%s,%s)", function_text.c_str(), variable_text.c_str());
    items_[size_t(cx.item)].text = label;
    pos_ = end;
    cx.arg_count = 1;
    operand_expected_ = false;
    return 0;
}

int Parser::Comma() {
    ParserContext& cx = Top();
    const int position = int(pos_);
    if (depth_ == 0 || paren_count_ != cx.paren_level + 1) return CompileError(c_, 10407, position, Source());
    EmitPendingMinus();
    const OperatorRow& row = Row(cx.row);
    ++cx.arg_count;
    ++pos_;
    // A comma promises one more argument.
    if (cx.arg_count - cx.inserted >= row.max_args) return CompileError(c_, 10420, position, row.name);
    operand_expected_ = true;
    const int op = cx.opcode;
    if ((row.syntax & kSynQuantity) && !cx.digital && cx.arg_count == 1) {
        if (op == 11 && cx.first_is_part) return CompileError(c_, 10408, position, cx.part_name.c_str(), Source());
        // The first argument names a node or a part; without one there is nothing to read.
        if (cx.scanned == 0) return CompileError(c_, 10403, position, Source());
        return 0;  // node pairs are emitted at the ')'
    }
    if (op == 158 || op == 579) {  // SDT, SD: the variable goes in as the second argument
        if (cx.arg_count == 1) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitReal(op == 158 ? &run().time : XVariable(), op == 158 ? "T" : XVariableName(), position, true);
            ++cx.arg_count;
            ++cx.inserted;
        }
    }
    if (op == 123) {  // CASE: a condition's delay follows, or the next condition opens
        if (cx.arg_count % 2 == 1) {
            Emit(kOpComma, kClassComma, ",", position);
            cx.accepts = kKindPinDly;
            cx.arg_start = items_.size();
        } else {
            Emit(kOpCloseParen, kClassParen, ")", position, true);
            Emit(kOpComma, kClassComma, ",", position);
            OpenCaseCondition(position);
        }
        return 0;
    }
    Emit(kOpComma, kClassComma, ",", position);
    cx.arg_start = items_.size();
    if (int r = StartArgument()) return r;
    switch (op) {
    case 43:  // SUM: the start accepts a raw number
        if (cx.arg_count == 2) cx.accepts |= kSynRawNumber;
        break;
    case 45:
    case 46:  // RMS, AVG
        cx.accepts |= kSynRawNumber;
        break;
    case 520: case 521: case 522: case 523: case 524: case 525: case 526: case 527: case 528: case 529:
    case 530: case 531: case 532: case 533: case 534: case 535: case 536: case 537: case 538: case 539:
    case 540:  // performance functions: the second argument reads curve values at a point
        if (cx.arg_count == 1) {
            std::string condition;
            if (int r = CompileSubExpression(c_.kind_flags | kKindAnalog, c_.analysis_mask, &condition)) return r;
            if (int r = c_.context->ResolveCurveReferences(c_.target->sub_expressions.back().get(), 516)) {
                c_.error_id = r;
                return r;
            }
            operand_expected_ = false;
        }
        break;
    case 574:  // SERIES: the term after the third argument is a sub-expression
        if (cx.arg_count == 3) {
            std::string term;
            if (int r = CompileSubExpression(c_.kind_flags | kKindAnalog | kKindFlagsSeriesOpen, SubExpressionMask(),
                                             &term))
                return r;
            operand_expected_ = false;
        }
        break;
    default: break;
    }
    return 0;
}

int Parser::CloseParen() {
    const int position = int(pos_);
    ++pos_;
    EmitPendingMinus();
    if (paren_count_ == 0) return CompileError(c_, 10405, position, Source());
    ParserContext& cx = Top();
    if (depth_ == 0 || paren_count_ != cx.paren_level + 1) {
        --paren_count_;
        Emit(kOpCloseParen, kClassParen, ")", position);
        operand_expected_ = false;
        return 0;
    }
    const OperatorRow& row = Row(cx.row);
    const int op = cx.opcode;
    // The last argument is complete unless the list is empty.
    const bool empty = items_.size() == cx.arg_start && cx.scanned <= cx.arg_count;
    // A node pair whose second node is missing after its comma.
    if (empty && cx.arg_count > 0 && (row.syntax & kSynQuantity) && !cx.digital)
        return CompileError(c_, 10403, position, Source());
    if (!empty) ++cx.arg_count;
    const int given = cx.arg_count - cx.inserted;
    if (given < row.min_args) return CompileError(c_, 10419, position, row.name);
    if (given > row.max_args) return CompileError(c_, 10420, position, row.name);

    if ((row.syntax & kSynQuantity) && !cx.digital) {
        if (int r = EmitDeviceQuantity(cx, row, position)) return r;
    }
    switch (op) {
    case 13:
    case 14: {  // B, H: the device record of the part's core feeds the function
        PartRef part;
        if (!cx.first_is_part || !c_.context->FindPart(cx.part_name, c_.scope, &part))
            return CompileError(c_, 10412, position, cx.part_name.c_str(), row.name);
        if (!(part.device_kind & row.device_mask) || !part.has_core)
            return CompileError(c_, 10416, position, row.name, cx.part_name.c_str());
        char label[256];
        std::snprintf(label, sizeof label, "%s(%s)", row.name, cx.part_name.c_str());
        Emit(kOpDeviceRef, kClassOperand, label, position, true);
        items_.back().value.device = c_.context->CoreDevice(part);
        break;
    }
    case 158:
    case 579:  // SDT, SD: with one argument the variable goes in; a missing start is the sweep start
        if (cx.arg_count == 1) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitReal(op == 158 ? &run().time : XVariable(), op == 158 ? "T" : XVariableName(), position, true);
            ++cx.arg_count;
        }
        if (cx.arg_count == 2) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitReal(StartVariable(), "STARTVAR", position, true);
            ++cx.arg_count;
        }
        break;
    case 45:
    case 46:  // RMS, AVG: a missing start is the sweep start
        if (cx.arg_count == 1) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitReal(StartVariable(), "STARTVAR", position, true);
            ++cx.arg_count;
        }
        break;
    case 43:  // SUM: a missing start is the sweep start when var is the X variable
        if (cx.arg_count == 2) {
            const InfixItem& last = items_.back();
            bool x_var = last.opcode == kOpRealPointer && last.value.real == XVariable() &&
                         items_[items_.size() - 2].opcode == kOpComma;
            Emit(kOpComma, kClassComma, ",", position, true);
            if (x_var) EmitReal(StartVariable(), "STARTVAR", position, true);
            else EmitConstant(0.0, "0.0", position);
            ++cx.arg_count;
        }
        break;
    case 66:
    case 67:  // THD, IHD
        if (cx.arg_count == 1) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitConstant(-1.0, "-1.0", position);
            ++cx.arg_count;
        }
        break;
    case 570:
    case 573:  // JN, YN: the default term count
        if (cx.arg_count == 2) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitConstant(-10.0, "-10", position);
            ++cx.arg_count;
        }
        break;
    case 122:
    case 127:  // DIFA, DIFD: the default tolerance
        if (cx.arg_count == 2) {
            Emit(kOpComma, kClassComma, ",", position, true);
            EmitConstant(0.0, "0.0", position);
            ++cx.arg_count;
        }
        break;
    case 162:  // TABLE(x, x1, y1, ...): odd count, then the count appended
        if (cx.arg_count % 2 == 0) return CompileError(c_, 10430, position);
        [[fallthrough]];
    case 121: {  // BIN, OCT, DEC, HEX: the count appended
        Emit(kOpComma, kClassComma, ",", position, true);
        char count[16];
        std::snprintf(count, sizeof count, "%d", cx.arg_count);
        EmitConstant(cx.arg_count, count, position);
        ++cx.arg_count;
        break;
    }
    case 123:  // CASE: the last argument is the default delay
        if (cx.arg_count % 2 == 0) return CompileError(c_, 10419, position, row.name);
        Emit(kOpCloseParen, kClassParen, ")", position, true);
        items_[size_t(cx.case_item)].opcode = 124;
        items_[size_t(cx.case_item)].text = "DEFAULT";
        items_[size_t(cx.case_item)].arg_count = 3;
        case_open_ = false;
        break;
    case 168:  // DER: only the derivative's sub-expression is on the stack
        cx.arg_count = 1;
        break;
    case 574:
        c_.series_index.clear();
        // The index name pushes nothing: from, to and the term remain.
        cx.arg_count = 3;
        break;
    default: break;
    }
    if (cx.item >= 0) items_[cx.item].arg_count = cx.arg_count;
    Emit(kOpCloseParen, kClassParen, ")", position);
    if (op == 157 || op == 578) {  // DDT, DD: ... / DEL(T or X))
        Emit(101, 11, "/", position, true);
        Emit(44, kClassFunction, "DEL", position, true);
        items_.back().arg_count = 1;
        Emit(kOpOpenParen, kClassParen, "(", position, true);
        EmitReal(op == 157 ? &run().time : XVariable(), op == 157 ? "T" : XVariableName(), position, true);
        Emit(kOpCloseParen, kClassParen, ")", position, true);
        Emit(kOpCloseParen, kClassParen, ")", position, true);
    }
    --paren_count_;
    --depth_;
    operand_expected_ = false;
    return 0;
}

int Parser::EmitTerms(const QuantityTerms& terms, const std::string& label, int position) {
    auto operand = [&](const QuantityOperand& o) {
        switch (o.kind) {
        case QuantityOperand::Kind::Real: EmitReal(o.real, label, position, true); break;
        case QuantityOperand::Kind::Complex:
            Emit(kOpComplexPointer, kClassOperand, label, position, true);
            items_.back().value.complex = o.complex;
            break;
        case QuantityOperand::Kind::Equation:
            Emit(kOpEquation, kClassOperand, label, position, true);
            items_.back().value.index = o.equation;
            break;
        case QuantityOperand::Kind::None: EmitConstant(0.0, label, position); break;
        }
    };
    Emit(kOpOpenParen, kClassParen, "(", position, true);
    if (terms.negate) Emit(kOpUnaryMinus, kClassUnary, "-", position, true);
    Emit(kOpOpenParen, kClassParen, "(", position, true);
    operand(terms.plus);
    if (terms.minus.kind != QuantityOperand::Kind::None) {
        Emit(103, 10, "-", position, true);
        operand(terms.minus);
    }
    Emit(kOpCloseParen, kClassParen, ")", position, true);
    if (terms.divisor) {
        Emit(101, 11, "/", position, true);
        EmitReal(terms.divisor, label, position, true);
    }
    Emit(kOpCloseParen, kClassParen, ")", position, true);
    return 0;
}

int Parser::EmitDeviceQuantity(ParserContext& cx, const OperatorRow& row, int position) {
    ExpressionContext& ctx = *c_.context;
    const int op = row.opcode;
    char label[256];
    if (!cx.first_is_part && op == 11) {  // V(N) or V(N1, N2)
        std::snprintf(label, sizeof label, "%s(%s)", row.name, cx.arg_texts[0].c_str());
        EmitNode(cx.nodes[0], false, label, position);
        if (cx.arg_count == 2) {
            Emit(103, 10, "-", position, true);
            std::snprintf(label, sizeof label, "%s(%s)", row.name, cx.arg_texts[1].c_str());
            EmitNode(cx.nodes[1], false, label, position);
        }
        return 0;
    }
    PartRef part;
    bool reversed = false;
    if (cx.arg_count == 2) {  // a device between two nodes
        if (cx.first_is_part || cx.nodes[1] < 0)
            return CompileError(c_, 10408, position, cx.first_is_part ? cx.part_name.c_str() : "", Source());
        int r = ctx.FindDeviceBetweenNodes(cx.nodes[0], cx.nodes[1], row.device_mask, &part, &reversed);
        if (r) return CompileError(c_, r, position, cx.arg_texts[0].c_str(), cx.arg_texts[1].c_str());
        std::snprintf(label, sizeof label, "%s(%s,%s)", row.name, cx.arg_texts[0].c_str(), cx.arg_texts[1].c_str());
    } else {
        const std::string& name = cx.first_is_part ? cx.part_name : cx.arg_texts[0];
        if (!ctx.FindPart(name, c_.scope, &part)) return CompileError(c_, 10412, position, name.c_str(), row.name);
        if (!(part.device_kind & row.device_mask)) return CompileError(c_, 10416, position, row.name, name.c_str());
        std::snprintf(label, sizeof label, "%s(%s)", row.name, name.c_str());
    }
    char pin1 = cx.pins[0], pin2 = cx.pins[1];
    if (op == 20 || op == 21) {  // PD, PG, PS, ED, EG, ES: the power kind letter
        pin1 = char(std::tolower(static_cast<unsigned char>(row.name[1])));
        pin2 = ' ';
    }
    QuantityTerms terms;
    if (int r = ctx.PartQuantity(part, op == 21 ? 20 : op, pin1, pin2, &terms))
        return CompileError(c_, r, position, row.name, cx.first_is_part ? cx.part_name.c_str() : label);
    if (reversed) {
        if (terms.divisor) std::swap(terms.plus, terms.minus);
        else terms.negate = !terms.negate;
    }
    if (c_.device_references) {
        if (op == 12) ctx.MarkDeviceReference(part, 0, c_.device_references);
        if (op == 20 || op == 21) ctx.MarkDeviceReference(part, 1, c_.device_references);
    }
    if (op != 21) return EmitTerms(terms, label, position);
    // ED, EG, ES
    EmitEnergySum(position, [&] { EmitTerms(terms, label, position); });
    return 0;
}

// Reads the argument text from the position up to the next ',' or ')' of its own level
// and compiles it into a new sub-expression; emits the sub-expression item.
int Parser::CompileSubExpression(int32_t kind_flags, int32_t mask, std::string* text_out) {
    SkipBlanks();
    const int start = int(pos_);
    const size_t end = ArgumentEnd();
    std::string term = text_.substr(pos_, end - pos_);
    CompiledExpression* e = c_.target;
    e->sub_expressions.push_back(std::make_unique<CompiledExpression>());
    const int index = int(e->sub_expressions.size()) - 1;
    ExpressionCompiler sub;
    InitExpressionCompiler(&sub, term, e->sub_expressions[index].get(), mask, kind_flags);
    sub.context = c_.context;
    sub.scope = c_.scope;
    sub.pending_mode = c_.pending_mode;
    sub.part_name = c_.part_name;
    sub.owner_window = c_.owner_window;
    sub.series_index = c_.series_index;
    sub.locals = c_.locals;
    sub.device_references = c_.device_references;
    int r = CompileExpression(&sub);
    if (r) {
        c_.error_id = sub.error_id;
        c_.error_position = sub.error_position >= 0 ? start + sub.error_position : start;
        return r;
    }
    e->flags |= sub.target->flags & kFlagStateful;
    Emit(kOpSubExpression, kClassOperand, term, start);
    items_.back().value.index = index;
    pos_ = end;
    if (text_out) *text_out = term;
    return 0;
}

}  // namespace

int CompileError(ExpressionCompiler& c, int id, int position, const char* a1, const char* a2, const char* a3,
                 const char* a4) {
    c.error_id = id;
    c.error_position = position;
    void* owner = c.owner_window;
    if (c.stop_run_on_error && c.context) {
        if (void* run_owner = c.context->StopRunForCompileError()) owner = run_owner;
    }
    if (c.pending_mode) {
        SetPendingMessage(id, a1, a2, a3, a4);
        return kMsgPending;
    }
    char column[32];
    std::snprintf(column, sizeof column, "%d", position + 1);
    if (!c.part_name.empty())
        ReportMessage("PMME", owner, "Part:", c.part_name.c_str(), "Column:", column, id, a1, a2, a3, a4);
    else
        ReportMessage("PLME", owner, c.scope, "Column:", column, id, a1, a2, a3, a4);
    return kMsgReported;
}

void InitExpressionCompiler(ExpressionCompiler* c, std::string_view source, CompiledExpression* target,
                            int32_t analysis_mask, int32_t kind_flags) {
    *c = ExpressionCompiler{};
    c->source = source;
    c->target = target;
    c->analysis_mask = analysis_mask;
    c->kind_flags = kind_flags;
    c->scope = 1;
}

void SetCompilerLocals(ExpressionCompiler* c, LocalNameSet* locals) { c->locals = locals; }

int CompileExpression(ExpressionCompiler* c) {
    static bool symbols_ready = false;
    if (!symbols_ready) {
        InitPredefinedSymbols();
        symbols_ready = true;
    }
    if (!c->context) c->context = &NoCircuitContext();
    c->error_id = 0;
    c->error_position = -1;
    CompiledExpression* e = c->target;
    FreeExpression(e);
    e->context = c->context;
    e->run = &c->context->Run();
    if (g_pool_level >= kPoolLevels) return CompileError(*c, 10409, 0, std::string(c->source).c_str());
    std::vector<InfixItem>& items = g_item_pool[g_pool_level++];
    items.clear();
    Parser parser(*c, items);
    int r = parser.Run();
    if (!r) r = GenerateCode(*c, items);
    items.clear();
    --g_pool_level;
    return r;
}

void ResetCompilerScopes() {
    for (auto& pool : g_item_pool) std::vector<InfixItem>().swap(pool);
}

}  // namespace ob7
