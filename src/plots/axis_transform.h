#pragma once
// Values and pixels: the transform of each axis of a curve (linear or log), the range
// rules an axis accepts, and the number formats of its labels.

#include "plots/graph_record.h"

namespace ob7 {

// Sets the pixel offset and scale of an axis so that max lands on base (the right edge
// for X, the top for Y) and min extent pixels away. Adjusts degenerate bounds first.
void SetAxisTransform(GraphRecord& g, int axis, int extent, int base);

double ValueToPixelDouble(const GraphRecord& g, int axis, double value);
// Rounded half away from zero and clamped to the int32 range.
int ValueToPixel(const GraphRecord& g, int axis, double value);
// The same, clamped 1000 inside the int32 range (room for arithmetic on the result).
int ValueToPixelInt(const GraphRecord& g, int axis, double value);
double PixelToValue(const GraphRecord& g, int axis, double pixel);

// A stored digital value as a state (outside 0..511: state 57), and its level: 0 '0',
// 1 'R', 2 'F', 3 '1', 4 'X', 5 'Z' (a state without drive strength is 'Z').
int DigitalStateOf(double value);
int DigitalLevelOf(int state);
// A stored bus value, taken as an integer.
int BusValueOf(double value);
// The Y pixel of a digital state in the curve's band: '0' and 'R' on the bottom line, 'X'
// and 'Z' after a '0' too, every other level on the top line.
int DigitalValueToPixel(const GraphRecord& g, int state, int previousState);
// The band of a digital curve: slot k of the pane counted from the top, where k leaves
// room for the digital curves before it; slots is the pane's number of digital slots.
void SetDigitalBand(GraphRecord& g, int slots, int digitalBefore);
// Digital slots of a pane: 10 while a tenth of its height holds a text line, else as
// many lines as fit; never fewer than its digital curves.
int DigitalSlotCount(int paneHeight, int lineHeight, int digitalCurves);

// 1 when the range was accepted, 0 when refused (log bounds not above 0, magnitudes of
// 1e50 and more or not above 1e-50 except an exact 0 on a linear axis).
int SetAxisRange(GraphRecord& g, int axis, double low, double high);
// Swaps min and max so that they ascend (or descend).
void OrderAxisRange(bool ascending, GraphRecord& g, int axis);
// The label and value formats of the axis for its range.
void UpdateAxisScale(GraphRecord& g, int axis);
// A value written with the axis' value format (cursors, tooltips).
std::string FormatAxisValue(const GraphRecord& g, int axis, double value);
// A scale label: the axis' scale format, scaled on linear axes.
std::string FormatScaleLabel(const GraphRecord& g, int axis, double value);

}  // namespace ob7
