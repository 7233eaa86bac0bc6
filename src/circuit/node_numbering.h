#pragma once
// Schematic node numbering: turns the drawing (pins touching wires and each other at
// grid points, ground symbols, jumpers, ties, ".TIE" statements and node-name texts)
// into node numbers: every pin of every part gets its node in the part's pin-node array
// (0 = ground), every wire the node of its ends, and the document a node table and the
// marks that draw junction dots and node numbers.

#include "circuit/circuit_document.h"

#include <string>

namespace ob7 {

// Numbers the nodes when the document needs it, or always with `force`. 0 or 15002.
int NumberSchematicNodes(CircuitDocument& doc, bool force);

// The numbering itself. 0, or 15002 when memory is short (the node counts are then 0).
int NumberNodes(CircuitDocument& doc);

// The grid point of a part's pin: the placement point plus the pin's offset turned by
// the part's rotation.
void GetPinPosition(const CircuitObject& part, int pin, int32_t& x, int32_t& y);

// 0 analog, 1 digital, 2 neither (a mixed type's pin that takes the kind of its node).
int IsDigitalPin(const CircuitObject& part, int pin);

// Parts of these types get no node numbers (ground, jumper, tie and other symbols).
bool TypeHasNodeNumbers(int type);

// Gives every live wire the node of a part pin it touches, or of a wire it touches that
// has one, or across ties of the same name; a wire that reaches none keeps -1. A wire
// that takes a digital pin's node is marked digital (style word bit 0).
void AssignWireNodes(CircuitDocument& doc);

// The pin-node array of a part sized to its pin count; null when it has no pins.
int32_t* AllocPartPinNodes(CircuitObject& part);
int32_t* ResizePinNodeArray(CircuitObject& part, int count);

// "$DTOA" for a D/A interface (direction 2), "$ATOD" otherwise.
void AppendInterfaceNodeSuffix(std::string& text, int direction);

// With flag 1 the node number, followed by the interface suffix of an interface entry.
std::string FormatNodeName(const NodeTableEntry& entry, int flags);

}  // namespace ob7
