#pragma once
// A circuit document for the netlist tables: a title, the run state the tests set, and a
// .PARAM handler that files NAME=value pairs as the netlist reader does.

#include <string>
#include <vector>

#include "expression/compiler.h"
#include "foundation/message_codes.h"
#include "foundation/numbers.h"
#include "netlist/circuit_tables.h"

struct FakeCircuit : ob7::NetlistCircuitServices {
    std::string title = "/tmp/ob7_fake/test.cir";
    bool schematic = false;
    bool modified = false;
    int analysisKind = -1;
    bool privateAnalog = false;
    bool runInProgress = false;
    int limitChecks = 0;
    std::vector<std::string> paramLines;

    std::string Title() const override { return title; }
    bool IsSchematic() const override { return schematic; }
    bool IsModified() const override { return modified; }
    int AnalysisKind() const override { return analysisKind; }
    bool PrivateAnalog() const override { return privateAnalog; }
    bool RunInProgress() const override { return runInProgress; }

    int ApplyParamStatement(ob7::NetlistCircuitTables& tables, const std::string& text, int scope,
                            const std::string& file, int line) override {
        paramLines.push_back(text);
        // ".PARAM A=1 B=2": blank-separated pairs without blanks inside.
        size_t p = text.find(' ');
        while (p != std::string::npos) {
            const size_t start = text.find_first_not_of(' ', p);
            if (start == std::string::npos) break;
            p = text.find(' ', start);
            const std::string pair = text.substr(start, p == std::string::npos ? std::string::npos : p - start);
            const size_t eq = pair.find('=');
            if (eq == std::string::npos) continue;
            if (ob7::AddDefine(tables, pair.substr(0, eq), nullptr, pair.substr(eq + 1), scope,
                               ob7::StatementOrigin{nullptr, line}, 4, 1, std::string()))
                return ob7::kMsgReported;
        }
        return 0;
    }
    void CheckModelParameterLimits(ob7::NetlistCircuitTables&, int, const ob7::ModelParams&) override { ++limitChecks; }
};
