// Turning a compiled token list into a digital program.

#include <new>
#include <vector>

#include "expression/digital_logic.h"
#include "expression/expression.h"
#include "expression/operator_table.h"
#include "foundation/message_codes.h"

namespace ob7 {

namespace {

constexpr int kOpCase = 123;

// How a token changes the depth of the evaluation stack.
int StackEffect(const ExpressionToken& t) {
    if (t.pushes) return 1;
    switch (t.opcode) {
    case 74: case 104: case kOpDigitalNot: case kOpUnaryMinus: return 0;
    default: break;
    }
    if (IsOperatorOpcode(t.opcode)) return -1;
    return 1 - t.value.index;  // a function consumes its arguments and leaves one value
}

// The marks that lay a compiled CASE out as the program runs it: the condition of each
// pair, its delay triple and an IFTHEN, and at the end the default triple and DEFAULT.
struct CaseLayout {
    std::vector<char> drop;            // the DELAY token of a delay argument
    std::vector<char> ifthen_after;    // an IFTHEN follows this token
};

// Splits the arguments of the CASE at k (walking back over whole operands); false when
// the list is not well formed.
bool MarkCase(const std::vector<ExpressionToken>& tokens, int k, CaseLayout& layout) {
    int n = tokens[k].value.index;
    std::vector<int> start(n > 0 ? n : 0);
    int end = k;
    for (int a = n - 1; a >= 0; --a) {
        int sum = 0, j = end;
        do {
            if (--j < 0) return false;
            sum += StackEffect(tokens[j]);
        } while (sum < 1);
        start[a] = j;
        end = j;
    }
    for (int a = 0; a < n; ++a) {
        int last = (a + 1 < n ? start[a + 1] : k) - 1;
        bool delay_position = a % 2 == 1 || a == n - 1;
        if (delay_position && tokens[last].opcode == kDigDelay) layout.drop[last] = 1;
        if (a % 2 == 1) layout.ifthen_after[last] = 1;
    }
    return true;
}

DigitalProgramEntry EntryOf(const ExpressionToken& t, int mode) {
    DigitalProgramEntry e;
    switch (t.opcode) {
    case kOpDigitalConst:
        e.opcode = kDigConstant;
        e.int_value = t.value.index;
        break;
    case kOpConstant:
        // The seconds are kept in every mode, so that a CHANGED time of a constraint
        // scales to ticks like a pin-delay number does.
        e.opcode = kDigNumber;
        e.double_value = t.value.number;
        if (mode != kModePinDelay) e.int_value = static_cast<int32_t>(t.value.number);
        break;
    case kOpDelayConstant:
        e.opcode = kDigDelayConstant;
        e.double_value = t.value.number;
        break;
    case kOpArgument:
    case kOpArgument2State:
        e.opcode = t.opcode;
        e.int_value = t.value.index;
        break;
    default: e.opcode = t.opcode; break;
    }
    return e;
}

}  // namespace

int BuildDigitalDelayProgram(DigitalProgram& program, const CompiledExpression& expression, int mode) {
    const std::vector<ExpressionToken>& tokens = expression.tokens;
    const int count = static_cast<int>(tokens.size());
    CaseLayout layout;
    layout.drop.assign(count, 0);
    layout.ifthen_after.assign(count, 0);
    std::vector<char> is_case(count, 0);
    for (int k = 0; k < count; ++k)
        if (tokens[k].opcode == kOpCase && MarkCase(tokens, k, layout)) is_case[k] = 1;

    int size = 0;
    for (int k = 0; k < count; ++k) size += !layout.drop[k] + layout.ifthen_after[k];
    std::unique_ptr<DigitalProgramEntry[]> entries(new (std::nothrow) DigitalProgramEntry[size > 0 ? size : 1]);
    if (!entries) return kMsgInsufficientMemory;
    int at = 0;
    for (int k = 0; k < count; ++k) {
        if (!layout.drop[k]) {
            entries[at] = EntryOf(tokens[k], mode);
            // A CASE with a default delay ends in it; one without ends after its last pair.
            if (is_case[k]) entries[at].opcode = tokens[k].value.index % 2 ? kDigDefault : 0;
            if (entries[at].opcode) ++at;
        }
        if (layout.ifthen_after[k]) entries[at++].opcode = kDigIfThen;
    }
    program.count = at;
    program.entries = std::move(entries);
    return 0;
}

}  // namespace ob7
