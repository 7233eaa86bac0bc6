#pragma once
// A small circuit behind the expression seam: nodes A, B, OUT and digital D1, D2; a
// resistor R1 (A-B), a capacitor C1 (B-0), a bipolar transistor Q1 (b=A, c=OUT, e=0) and
// an inductor L1 with a core (OUT-0).

#include <cstring>
#include <string>
#include <vector>

#include "expression/expression.h"
#include "expression/expression_context.h"
#include "expression/operator_table.h"

namespace ob7::test {

class FakeCircuit : public ExpressionContext {
public:
    struct Part {
        std::string name;
        int32_t kind;
        int n1, n2;
        double value;      // resistance, capacitance, inductance
        double current;    // a terminal current kept in the record
        double power[3];   // dissipated, generated, stored
        double core[3];
    };

    RunValues run;
    double v[4] = {0.0, 2.0, 0.5, 5.0};  // solution vector, ground first
    ComplexValue ac[4] = {{0, 0}, {1, 1}, {0.5, 0}, {0, 2}};
    uint16_t states[3] = {0, 0x1f8 | 3, 0x1f8 | 0};
    double model_bf = 100.0;
    double model_rs = 4.0;  // stored as its reciprocal
    std::vector<Part> parts = {
        {"R1", kDevResistor | kDevTwoTerminal, 1, 2, 1000.0, 0.0, {3, 0, 0}, {0, 0, 0}},
        {"C1", kDevCapacitor | kDevTwoTerminal, 2, 0, 1e-6, 0.25, {0, 0, 1}, {0, 0, 0}},
        {"Q1", kDevBipolar, 1, 0, 0.0, 0.01, {0, 0, 0}, {0, 0, 0}},
        {"L1", kDevInductor | kDevTwoTerminal, 3, 0, 1e-3, 0.5, {0, 0, 2}, {1.0, 2.0, 3.0}},
    };
    // A plot of two curves, V(A) (reference 0) and V(B) (reference 1), over five points.
    std::vector<double> curves[2] = {{1.0, 3.0, 2.0, 5.0, 4.0}, {0.0, 1.0, 1.0, 0.0, 1.0}};
    std::vector<std::pair<int, int>> marks;
    int power_requests = 0;

    const RunValues& Run() const override { return run; }
    int FindNode(std::string_view name, int) const override {
        static const char* names[] = {"0", "A", "B", "OUT"};
        for (int i = 0; i < 4; ++i)
            if (name == names[i]) return i;
        if (name == "D1") return 1;
        if (name == "D2") return 2;
        return -1;
    }
    int AnalogNodeCount() const override { return 3; }
    int DigitalNodeCount() const override { return 2; }
    const double* NodeVoltage(int node) const override { return node ? &v[node] : nullptr; }
    const uint16_t* DigitalNodeState(int node) const override { return &states[node]; }
    bool IsSolutionEntry(const double* p) const override { return p >= v && p < v + 4; }
    ComplexValue SolutionValue(int equation) const override {
        return run.operating_point ? ComplexValue{v[equation], 0.0} : ac[equation];
    }
    bool FindPart(std::string_view name, int, PartRef* out) const override {
        for (const Part& p : parts) {
            if (name == p.name) {
                out->handle = &p;
                out->device_kind = p.kind;
                out->has_core = p.core[0] != 0.0;
                return true;
            }
        }
        return false;
    }
    int PartQuantity(const PartRef& ref, int opcode, char pin1, char pin2, QuantityTerms* t) const override {
        const Part& p = *static_cast<const Part*>(ref.handle);
        auto node = [&](int n) {
            QuantityOperand o;
            o.kind = QuantityOperand::Kind::Real;
            o.real = &v[n];
            return o;
        };
        auto record = [&](const double* d) {
            QuantityOperand o;
            o.kind = QuantityOperand::Kind::Real;
            o.real = d;
            return o;
        };
        switch (opcode) {
        case 11:
            if (p.kind & kDevBipolar) {  // b=A c=OUT e=0
                auto pin = [](char c) { return c == 'b' ? 1 : c == 'c' ? 3 : 0; };
                t->plus = node(pin(pin1));
                if (pin2 != ' ') t->minus = node(pin(pin2));
                return 0;
            }
            t->plus = node(p.n1);
            t->minus = node(p.n2);
            return 0;
        case 12:
            if (p.kind & kDevResistor) {
                t->plus = node(p.n1);
                t->minus = node(p.n2);
                t->divisor = &p.value;
                return 0;
            }
            t->plus = record(&p.current);
            return 0;
        case 18:
        case 19: t->plus = record(&p.value); return 0;
        case 20: t->plus = record(&p.power[pin1 == 'd' ? 0 : pin1 == 'g' ? 1 : 2]); return 0;
        default: return 10416;
        }
    }
    int FindDeviceBetweenNodes(int n1, int n2, int32_t mask, PartRef* out, bool* reversed) const override {
        int found = 0;
        for (const Part& p : parts) {
            if (!(p.kind & mask)) continue;
            if ((p.n1 == n1 && p.n2 == n2) || (p.n1 == n2 && p.n2 == n1)) {
                ++found;
                FindPart(p.name, 1, out);
                *reversed = p.n1 == n2;
            }
        }
        return found == 0 ? 10413 : found > 1 ? 10414 : 0;
    }
    const void* CoreDevice(const PartRef& part) const override { return part.handle; }
    double CoreValue(const void* device, int opcode) const override {
        const Part& p = *static_cast<const Part*>(device);
        return opcode == 13 ? (p.core[0] + p.core[1]) * 0.012566370614359173 : p.core[2] * 0.012566370614359171;
    }
    const double* ModelParameter(std::string_view part, std::string_view param, int, bool* reciprocal) const override {
        if (part != "Q1") return nullptr;
        *reciprocal = param == "RS";
        if (param == "BF") return &model_bf;
        if (param == "RS") return &model_rs;
        return nullptr;
    }
    void MarkDeviceReference(const PartRef& part, int byte, int bits) override {
        marks.push_back({byte, bits});
    }
    void RequestPowerTotals() override { ++power_requests; }
    int ResolveCurveReferences(CompiledExpression* e, int mode) override {
        for (ExpressionToken& t : e->tokens) {
            int ref = t.text == "V(A)" ? 0 : t.text == "V(B)" ? 1 : -1;
            if (ref < 0) continue;
            t.opcode = int16_t(mode);
            t.value.index = ref;
        }
        return 0;
    }
    double CurveValue(int reference, int point) const override { return curves[reference][size_t(point)]; }
    bool CheckPhaseMarginCurve(int reference) override { return reference == 1; }
    // HIGH: the largest curve value where the condition holds.
    int EvaluatePerformance(int opcode, int reference, CompiledExpression* condition, const double*, int,
                            double* result) override {
        if (opcode != 531 || !condition) return 10424;
        *result = -1e300;
        for (int i = 0; i < int(curves[reference].size()); ++i) {
            condition->point_index = i;
            ComplexValue v;
            if (int r = EvaluateExpression(condition, &v)) return r;
            if (v.re != 0.0 && curves[reference][size_t(i)] > *result) *result = curves[reference][size_t(i)];
        }
        return 0;
    }
    double NoiseValue(bool input) const override { return input ? 1e-9 : 2e-9; }
    int AddTimeBreakpoint(long long) override { return 0; }
    void* StopRunForCompileError() override {
        ++stopped_runs;
        return nullptr;
    }
    int stopped_runs = 0;
    int SubstituteDefines(std::string_view text, int, std::string* out) const override {
        *out = std::string(text);
        return 0;
    }
};

}  // namespace ob7::test
