#pragma once
// What a transient driver calls to advance the digital side of a mixed circuit, in the
// order of its loop:
//
//   InstallDigitalCoupling                   once: the engine's Newton, load and accept
//                                            passes reach the digital side
//   BeginDigitalRun                          start of the run
//   BeginDigitalCase                         before each case (after the analog reset)
//   per time point:
//     NextDigitalEventTime                   the step lands on the next event; the point
//                                            is then one with events due
//     DigitalBeforeNewton                    points without events due, and points solved
//                                            again after a hand-over
//     (Newton; at a point with events due the coupling applies them once converged and
//      asks for another solution when an interface or converter moved)
//     DigitalStepLimits                      the A-to-D step cut and the D-to-A step limit
//     (the engine's SaveAcceptedPoint: the coupling updates the D-to-A interfaces)
//     DigitalAcceptPoint or DigitalRejectPoint
//
// A circuit without digital parts makes every call do nothing.

#include <cstdint>
#include <functional>
#include <string>

#include "sim/digital/digital_state.h"

namespace ob7 {

// Tick length and delays of the run (tmin must be 0 for a circuit with digital parts).
void BeginDigitalRun(double tmin, double tmax);
// Resets the node states and devices (first: the analysis does not leave the state
// variables as they were), queues the stimulus events of the case and applies those of
// tick 0. 0 or the message code of the failure.
int BeginDigitalCase(bool first);
// The time of the next digital event, false when none is queued.
bool NextDigitalEventTime(double* time);
// Every logged change of a node, in order, with its exact time (so that a plot shows
// each edge where it happened). While the sink sees a change, the node states are those
// just after it: the point's changes are undone first and redone one by one. 0 or an
// error code, which ends the emission.
using DigitalChangeSink = std::function<int(int node, DigitalState state, double time)>;
// Before Newton at a time point: the A-to-D interfaces read the last solution and their
// readers are evaluated; at a point solved again after a hand-over the A/D converters
// convert as well. The changes this made are handed to the sink at once and are not
// undone by a rejected step. 0 or the first error.
int DigitalBeforeNewton(double time, bool solved_again, const DigitalChangeSink& sink);
// What the interfaces ask of the step after a solution.
struct DigitalStepAdvice {
    double max_step = 1e30;        // D-to-A switching in progress: at most this long
    bool cut = false;              // an A-to-D threshold was overshot: redo the step...
    double fraction = 1e30;        // ...with at most this fraction of its length
    bool crossed = false;          // an A-to-D input entered another band
};
DigitalStepAdvice DigitalStepLimits();
// An accepted point: its logged changes to the sink, then the undo records cleared.
// 0 or the sink's error.
int DigitalAcceptPoint(const DigitalChangeSink& sink);
// A rejected point: every digital action of it undone, the D/A converters too.
void DigitalRejectPoint(double time);

}  // namespace ob7
