#pragma once
// The one seam between the expression language and the circuit being simulated. The
// compiler resolves node, part and parameter names through it, and the evaluator reads
// the few run-time values that are not plain doubles. The circuit compiler and the
// engine implement it; a formula with no circuit behind it (a numeric field) uses
// NoCircuitContext().

#include <cstdint>
#include <string>
#include <string_view>

#include "expression/complex_value.h"
#include "expression/run_values.h"

namespace ob7 {

struct CompiledExpression;

// A part as the compiler sees it: an opaque handle of the circuit and its device-kind bits.
struct PartRef {
    const void* handle = nullptr;
    int32_t device_kind = 0;  // the component type's device-kind bits (kDev... of operator_table.h)
    bool has_core = false;    // an inductor with a magnetic-core model (B and H)
};

// One operand of a device quantity.
struct QuantityOperand {
    enum class Kind { None, Real, Complex, Equation };
    Kind kind = Kind::None;
    const double* real = nullptr;           // Real: a double of the solution or a device record
    const ComplexValue* complex = nullptr;  // Complex: a complex value of a device record (AC)
    int equation = 0;                       // Equation: solution index, read at run time (AC)
};

// How a device quantity is computed: (plus - minus), divided by *divisor when set (the
// current of a resistor), negated when negate is set.
struct QuantityTerms {
    QuantityOperand plus;
    QuantityOperand minus;
    const double* divisor = nullptr;
    bool negate = false;
};

class ExpressionContext {
public:
    virtual ~ExpressionContext() = default;

    // The run values that variable tokens point into; they must outlive the expressions.
    virtual const RunValues& Run() const = 0;

    // Nodes: the node number (0 ground) of a name in a scope, or -1 when there is none.
    virtual int FindNode(std::string_view name, int scope) const = 0;
    virtual int AnalogNodeCount() const = 0;
    virtual int DigitalNodeCount() const = 0;
    // The node's entry of the real solution vector; null for ground.
    virtual const double* NodeVoltage(int node) const = 0;
    // The node's 16-bit digital state.
    virtual const uint16_t* DigitalNodeState(int node) const = 0;
    // True when p points into the solution vector (a node value).
    virtual bool IsSolutionEntry(const double* p) const = 0;
    // A solution entry at run time: the real solution while the operating point is solved,
    // the complex AC solution otherwise.
    virtual ComplexValue SolutionValue(int equation) const = 0;

    // Parts: false when the scope has no part of that name.
    virtual bool FindPart(std::string_view name, int scope, PartRef* part) const = 0;
    // The terms of a device quantity of a part. opcode is the family (11 V, 12 I, 15 Q,
    // 16 C, 17 X, 18 L, 19 R, 20 power); pins are the pin letters of the row's name in
    // lower case (blank when none; for power rows 'd', 'g' or 's'). Returns 0 or a
    // message code (10416 when the part has no such quantity).
    virtual int PartQuantity(const PartRef& part, int opcode, char pin1, char pin2, QuantityTerms* terms) const = 0;
    // The one enabled device between two nodes among the kinds of device_mask; returns 0,
    // 10413 (none) or 10414 (more than one). reversed is set when its first pin is on n2.
    virtual int FindDeviceBetweenNodes(int n1, int n2, int32_t device_mask, PartRef* part, bool* reversed) const = 0;
    // The device record that B and H read.
    virtual const void* CoreDevice(const PartRef& part) const = 0;
    // B or H of the core of a device record (opcode 13 or 14) at run time.
    virtual double CoreValue(const void* device, int opcode) const = 0;
    // A numeric model parameter of a part (part.parameter names); null when none.
    // reciprocal is set when the model stores the parameter as its reciprocal.
    virtual const double* ModelParameter(std::string_view part, std::string_view parameter, int scope,
                                         bool* reciprocal) const = 0;
    // Asks the engine to keep a device's current (byte 0) or power (byte 1).
    virtual void MarkDeviceReference(const PartRef& part, int flag_byte, int bits) = 0;
    // Asks the engine to compute the circuit's power totals.
    virtual void RequestPowerTotals() = 0;

    // Plotted curves, for performance functions. Replaces the token runs of the
    // expression that spell a plotted curve by curve tokens: mode 517 the curve itself,
    // 516 the curve's value at the expression's point index. 0 or a message code.
    virtual int ResolveCurveReferences(CompiledExpression* expression, int mode) = 0;
    // The value of a curve token (516) at a point of the plot's point store.
    virtual double CurveValue(int reference, int point) const = 0;
    // False (after showing why) when the curve's graph cannot give a phase margin.
    virtual bool CheckPhaseMarginCurve(int reference) = 0;
    // A performance function (opcodes 520 to 541) of the curve; condition is the
    // function's second argument (null when it has none), args its numbers.
    virtual int EvaluatePerformance(int opcode, int reference, CompiledExpression* condition, const double* args,
                                    int count, double* result) = 0;

    // Output noise (input_referred false) or input-referred noise of the AC noise analysis.
    virtual double NoiseValue(bool input_referred) const = 0;
    // A time breakpoint in integer ticks; non-zero on failure.
    virtual int AddTimeBreakpoint(long long tick) = 0;
    // A compile error during a run: stops the run when one is active and returns the
    // window that owns it (where the message goes), or null when no run is active.
    virtual void* StopRunForCompileError() = 0;
    // The text with the .DEFINE and .PARAM symbols of the scope substituted; 0 or a code.
    virtual int SubstituteDefines(std::string_view text, int scope, std::string* out) const = 0;
};

// A context with no circuit: no nodes, no parts, the run values it holds. Test and
// benchmark circuits derive from it and override what they have.
class NoCircuitExpressionContext : public ExpressionContext {
public:
    const RunValues& Run() const override;
    int FindNode(std::string_view name, int scope) const override;
    int AnalogNodeCount() const override;
    int DigitalNodeCount() const override;
    const double* NodeVoltage(int node) const override;
    const uint16_t* DigitalNodeState(int node) const override;
    bool IsSolutionEntry(const double* p) const override;
    ComplexValue SolutionValue(int node) const override;
    bool FindPart(std::string_view name, int scope, PartRef* part) const override;
    int PartQuantity(const PartRef& part, int opcode, char t1, char t2, QuantityTerms* terms) const override;
    int FindDeviceBetweenNodes(int n1, int n2, int32_t kinds, PartRef* part, bool* reversed) const override;
    const void* CoreDevice(const PartRef& part) const override;
    double CoreValue(const void* core, int which) const override;
    const double* ModelParameter(std::string_view model, std::string_view param, int scope,
                                 bool* is_define) const override;
    void MarkDeviceReference(const PartRef& part, int opcode, int flags) override;
    void RequestPowerTotals() override;
    int ResolveCurveReferences(CompiledExpression* e, int scope) override;
    double CurveValue(int reference, int point) const override;
    bool CheckPhaseMarginCurve(int reference) override;
    int EvaluatePerformance(int opcode, int reference, CompiledExpression* condition, const double* args,
                            int count, double* result) override;
    double NoiseValue(bool input_referred) const override;
    int AddTimeBreakpoint(long long tick) override;
    void* StopRunForCompileError() override;
    int SubstituteDefines(std::string_view text, int scope, std::string* out) const override;

    RunValues run;
};

// The context of formulas with no circuit: no nodes, no parts, default run values.
ExpressionContext& NoCircuitContext();

}  // namespace ob7
