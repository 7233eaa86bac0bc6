#pragma once
// Where an analysis hands its accepted points: the plot view's point store in the
// program, a recorder in tests and benchmarks. The driver calls AcceptPoint once per
// accepted point, with the engine's vectors holding that point (Solution for transient
// and DC, AcSolution for AC, the noise table in noise runs).

namespace ob7 {

class PointSink {
public:
    virtual ~PointSink() = default;
    // x: the time, the frequency or the sweep value. 0, or an error code that ends the run.
    virtual int AcceptPoint(double x) = 0;
    // The step control of the AC "Auto" method follows the first curve on its graph:
    // the last accepted point's position in pixels and the graph's plot height. False
    // when the sink draws nothing (the step is then never adapted).
    virtual bool CurvePixels(double* x, double* y, double* plot_height) { return false; }
    // The DC sweep's "Auto" step follows the first curve's last value against the span
    // of its Y axis. False when there is no curve (the step then stays as it is).
    virtual bool CurveValue(double* y, double* y_span) { return false; }
};

}  // namespace ob7
