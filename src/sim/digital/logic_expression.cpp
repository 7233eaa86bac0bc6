#include "sim/digital/logic_expression.h"

#include <cctype>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"

namespace ob7 {

std::vector<LogicExpRecord> LogicExpRecords;

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '/' || c == '+' || c == '-' ||
           c == '*' || c == '%' || c == '.';
}

bool LegalName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '/' || c == '.'))
            return false;
    return true;
}

// Finds a name; an output or temporary entry wins over an input of the same name.
int FindName(const LogicExpRecord& r, const std::string& name) {
    int found = -1;
    for (size_t i = 0; i < r.names.size(); ++i) {
        if (r.names[i] != name) continue;
        if (r.kinds[i] != 1) return static_cast<int>(i);
        if (found < 0) found = static_cast<int>(i);
    }
    return found;
}

}  // namespace

int ParseLogicExp(const DigitalPartDesc& part, const std::string& text, int primitive) {
    LogicExpRecord r;
    r.primitive = primitive;
    r.inputs = part.input_count;
    for (size_t i = 0; i < part.pin_names.size(); ++i) {
        const std::string name = Upper(part.pin_names[i]);
        if (!LegalName(name)) return DigitalSetupFail(13226, part.name, "", 0, name.c_str());
        r.names.push_back(name);
        r.kinds.push_back(static_cast<int>(i) < part.input_count ? 1 : 2);
    }
    size_t at = 0;
    auto skip = [&] {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    };
    skip();
    if (Upper(text.substr(at, 6)) != "LOGIC:") return DigitalSetupFail(13221, part.name, "", 0);
    at += 6;
    for (skip(); at < text.size(); skip()) {
        std::string name;
        while (at < text.size() && IdentifierChar(text[at])) name += text[at++];
        if (name.empty()) name = text[at++];
        name = Upper(name);
        if (!LegalName(name)) return DigitalSetupFail(13243, part.name, "", 0);
        auto expect = [&](char c, const std::string& after) -> int {
            skip();
            if (at < text.size() && text[at] == c) {
                ++at;
                return 0;
            }
            std::string found = at < text.size() ? std::string(1, text[at]) : std::string("Nothing");
            return DigitalSetupFail(13225, part.name, "", 0, std::string(1, c).c_str(), found.c_str(), after.c_str());
        };
        if (int e = expect('=', name)) return e;
        if (int e = expect('{', name)) return e;
        const size_t close = text.find('}', at);
        if (close == std::string::npos)
            return DigitalSetupFail(13225, part.name, "", 0, "}", "Nothing", name.c_str());
        const std::string expression = text.substr(at, close - at);
        at = close + 1;
        int target = FindName(r, name);
        if (target >= 0 && r.kinds[target] == 1) return DigitalSetupFail(13222, part.name, "", 0, name.c_str());

        LocalNameSet locals;
        locals.names = r.names;
        locals.kinds = r.kinds;
        for (int32_t& k : locals.kinds) k = 1;
        CompiledExpression compiled;
        InitCompiledExpression(&compiled);
        ExpressionCompiler compiler;
        InitExpressionCompiler(&compiler, expression, &compiled, 1, kModeLogicExpression);
        compiler.pending_mode = 1;
        SetCompilerLocals(&compiler, &locals);
        LogicExpRecord::Assignment a;
        int code = CompileExpression(&compiler);
        if (code == 0) code = BuildDigitalDelayProgram(a.program, compiled, kModeLogicExpression);
        FreeExpression(&compiled);
        if (code) return DigitalSetupFail(13225, part.name, "", 0, "expression", expression.c_str(), name.c_str());
        if (target < 0) {
            target = static_cast<int>(r.names.size());
            r.names.push_back(name);
            r.kinds.push_back(8);
        }
        a.target = target;
        r.assignments.push_back(std::move(a));
    }
    r.levels.assign(r.names.size(), kLvlX);
    DigitalNet.prims[primitive].record = static_cast<int>(LogicExpRecords.size());
    LogicExpRecords.push_back(std::move(r));
    return 0;
}

int EvaluateLogicExp(int primitive, int output) {
    const Primitive& p = DigitalNet.prims[primitive];
    LogicExpRecord& r = LogicExpRecords[p.record];
    const int32_t* pins = PinsOf(primitive);
    if (output == 1) {
        for (int i = 0; i < r.inputs; ++i) {
            const DigitalState s = DigitalNet.present[pins[i]];
            r.levels[i] = static_cast<uint8_t>(StrengthOf(s) == 0 ? kLvlZ : LevelOf(s));
        }
        for (const LogicExpRecord::Assignment& a : r.assignments)
            r.levels[a.target] = EvalLogicProgram(r.levels.data(), a.program.entries.get(), a.program.count);
    }
    const int index = p.pin_count - output;  // the output's own name
    return index >= 0 && index < static_cast<int>(r.levels.size()) ? static_cast<int>(r.levels[index]) : kLvlX;
}

}  // namespace ob7
