#pragma once
// Curves with DSP functions (FFT, HARM, THD ...). Their values cannot be evaluated point
// by point: during a case the sub-expressions that hold no DSP function (the operands)
// are evaluated at every output point and kept with the sweep value; after the case the
// operands are sampled at N equally spaced positions, the DSP functions and the operators
// around them are applied to the sampled arrays, and the case's points of every curve of
// the plot are replaced by the N results.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "analysis/dsp.h"
#include "expression/complex_value.h"
#include "expression/expression.h"

namespace ob7 {

class AnalysisPlot;

// Message code of an operator that cannot be applied to a DSP result.
inline constexpr int kMsgCantUseInExpression = 10436;  // "%ECan't use '%s' \nfor expression %.200s."

// The DSP structure of one compiled expression: its operator tree, of which the subtrees
// without DSP functions are operands evaluated on their own at every point.
class DspExpression {
public:
    // Reads the expression's structure. Null when it holds no DSP function. *code: 0, or
    // 10436 with *name the operator that cannot work on a DSP result.
    static std::unique_ptr<DspExpression> Make(const CompiledExpression& e, int* code, std::string* name);

    // Per output point: evaluates every operand at the present solution and keeps it
    // with the sweep value. 0 or the evaluation's code.
    int Collect(CompiledExpression& e, double sweep);
    int CollectedPoints() const { return static_cast<int>(sweep_.size()); }
    // Samples the operands at `positions` and evaluates the expression over them. The
    // result has positions.size() values; 0, or a message code.
    int Evaluate(CompiledExpression& e, const DspGrid& grid, const std::vector<double>& positions, DspArray* out);
    // Forgets the collected points.
    void Clear();

private:
    struct Node {
        int token = -1;             // the token that completes the subtree
        bool dsp = false;           // a DSP function lies in the subtree
        std::vector<int> children;  // nodes, in argument order
        int operand = -1;           // the operand this subtree is (subtrees without DSP)
    };
    int EvaluateNode(CompiledExpression& e, int node, const DspGrid& grid, std::vector<DspArray>& operands,
                     DspArray* out);
    int ApplyElementwise(CompiledExpression& e, const ExpressionToken& op, std::vector<DspArray>& args, DspArray* out);

    std::vector<Node> nodes_;
    int root_ = -1;
    // Per operand: its tokens (a copy that keeps the state of stateful operators).
    std::vector<std::vector<ExpressionToken>> operandTokens_;
    // Collected per point: the sweep value and each operand's value.
    std::deque<double> sweep_;
    std::vector<std::deque<ComplexValue>> values_;
};

// The DSP parameters of one analysis kind as the run reads them.
struct DspWindow {
    bool on = false;        // the DSP parameters below are used
    double upper = 0, lower = 0;
    int points = 0;
    double span = 0;        // without them: the stop time or the frequency span
};

// After a case: replaces the case's points of every curve of the plot by the DSP results
// when any curve uses a DSP function. 0, or 15055 after the report.
int PrepareDspData(AnalysisPlot& plot);
// Frees the collected operand values of every curve.
void FreeDspBuffers(AnalysisPlot& plot);

}  // namespace ob7
