#pragma once
// Curve expressions of a compiled text circuit: node names and part names of the read
// circuit, node voltages and device currents of the engine. The values that a curve
// reads live in slots of this context, refreshed from the engine before each output
// point is evaluated, so compiled expressions never point into vectors the drivers
// reallocate.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "expression/expression_context.h"

namespace ob7 {

struct NetlistCircuit;

class CircuitExpressionContext : public NoCircuitExpressionContext {
public:
    // The circuit must have been compiled into the device lists.
    explicit CircuitExpressionContext(NetlistCircuit& circuit);

    // Reads every slot from the engine's present solution (AC: the complex one).
    void Refresh();

    const RunValues& Run() const override;
    int FindNode(std::string_view name, int scope) const override;
    int AnalogNodeCount() const override;
    const double* NodeVoltage(int node) const override;
    bool IsSolutionEntry(const double* p) const override;
    ComplexValue SolutionValue(int equation) const override;
    bool FindPart(std::string_view name, int scope, PartRef* part) const override;
    int PartQuantity(const PartRef& part, int opcode, char pin1, char pin2, QuantityTerms* terms) const override;
    int SubstituteDefines(std::string_view text, int scope, std::string* out) const override;
    double NoiseValue(bool input_referred) const override;
    // STP and IMPULSE of a curve: the transient run's breakpoint list.
    int AddTimeBreakpoint(long long tick) override;

private:
    struct Slot {
        ComplexValue value{};
        std::function<ComplexValue()> read;
    };
    const ComplexValue* AddSlot(std::function<ComplexValue()> read) const;

    NetlistCircuit& circuit_;
    std::vector<double> nodeValues_;     // real node voltages, ground first
    mutable std::vector<int> readNodes_;  // the nodes a curve reads: only they are refreshed
    mutable std::vector<char> nodeRead_;
    mutable std::deque<Slot> slots_;     // device quantities the curves asked for
};

}  // namespace ob7
