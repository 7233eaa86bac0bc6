#include "circuit/node_numbering.h"
#include "circuit_fixture.h"

#include <gtest/gtest.h>

using namespace ob7;
using namespace ob7::test;

namespace {

using Nodes = std::vector<int32_t>;

}  // namespace

// A resistor whose second pin is wired to a ground symbol: that pin is node 0, the other
// node 1; a pin touching nothing gets a number of its own.
TEST(NodeNumbering, ResistorToGround)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    CircuitObject& r1 = doc.AddPart(d.resistor, 10, 10);  // pins (10,10) and (14,10)
    CircuitObject& wire = doc.AddWire(14, 10, 14, 20);
    doc.AddPart(d.ground, 14, 20);
    CircuitObject& r2 = doc.AddPart(d.resistor, 50, 50);
    ASSERT_EQ(NumberSchematicNodes(doc, true), 0);
    EXPECT_EQ(r1.pinNodes, (Nodes{1, 0}));
    EXPECT_EQ(r2.pinNodes, (Nodes{2, 3}));
    EXPECT_EQ(wire.pinNodes, (Nodes{0}));
    EXPECT_EQ(r1.coords[3], 2);
    EXPECT_EQ(doc.nodeCount, 3);
    ASSERT_GE(doc.nodeTable.size(), 4u);
    EXPECT_EQ(doc.nodeTable[1].x, 10);  // the first pin met on a node places its number
    EXPECT_EQ(doc.nodeTable[1].kind, 0);
    EXPECT_EQ(doc.nodeTable[3].x, 54);
}

// Node-name texts of the same name join their points on every page; ties of the same
// "PART" join across pages, ties of different names do not; a jumper joins its pins.
TEST(NodeNumbering, LabelsTiesAndJumpers)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    CircuitObject& a = doc.AddPart(d.resistor, 10, 10, 0);
    CircuitObject& b = doc.AddPart(d.resistor, 20, 20, 1);
    doc.AddGridText("OUT", 14, 10, 0);
    doc.AddGridText("out", 20, 20, 1);
    CircuitObject& c = doc.AddPart(d.resistor, 30, 30, 0);
    CircuitObject& e = doc.AddPart(d.resistor, 40, 40, 1);
    CircuitObject& f = doc.AddPart(d.resistor, 60, 60, 1);
    doc.AddPart(d.tie, 34, 30, 0).SetAttr(ATTR_PART, "NET");
    doc.AddPart(d.tie, 40, 40, 1).SetAttr(ATTR_PART, "net");
    doc.AddPart(d.tie, 64, 60, 1).SetAttr(ATTR_PART, "OTHER");
    CircuitObject& g = doc.AddPart(d.resistor, 70, 70);
    doc.AddPart(d.jumper, 74, 70);  // pins (74,70) and (76,70)
    CircuitObject& h = doc.AddPart(d.resistor, 76, 70);
    ASSERT_EQ(NumberNodes(doc), 0);
    EXPECT_EQ(a.pinNodes[1], b.pinNodes[0]);
    EXPECT_NE(a.pinNodes[0], a.pinNodes[1]);
    EXPECT_EQ(c.pinNodes[1], e.pinNodes[0]);
    EXPECT_NE(f.pinNodes[1], c.pinNodes[1]);
    EXPECT_EQ(g.pinNodes[1], h.pinNodes[0]);
    EXPECT_EQ(a.pinNodes, (Nodes{1, 2}));
    EXPECT_EQ(b.pinNodes, (Nodes{2, 3}));
}

// ".TIE Resistor Plus" without a part list ties the Plus pin of every resistor; with a
// list only the listed parts.
TEST(NodeNumbering, TieStatements)
{
    const TestDefs& d = Defs();
    for (const char* statement : {".tie Resistor Plus", ".TIE RESISTOR PLUS R1 R3"}) {
        SCOPED_TRACE(statement);
        CircuitDocument doc;
        CircuitObject& r1 = doc.AddPart(d.resistor, 10, 10);
        CircuitObject& r2 = doc.AddPart(d.resistor, 20, 20);
        CircuitObject& r3 = doc.AddPart(d.resistor, 30, 30, 1);
        r1.SetAttr(ATTR_PART, "R1");
        r2.SetAttr(ATTR_PART, "R2");
        r3.SetAttr(ATTR_PART, "R3");
        doc.AddGridText(statement, 100, 100);
        ASSERT_EQ(NumberNodes(doc), 0);
        EXPECT_EQ(r1.pinNodes[0], r3.pinNodes[0]);
        bool all = std::string(statement).find("R1") == std::string::npos;
        EXPECT_EQ(r1.pinNodes[0] == r2.pinNodes[0], all);
        EXPECT_NE(r1.pinNodes[1], r3.pinNodes[1]);
    }
}

// A gate input on an analog node makes one A/D interface entry per analog node; a gate
// output on the same node turns it into a D/A interface named "<node>$DTOA".
TEST(NodeNumbering, DigitalPinsOnAnalogNodes)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    CircuitObject& r1 = doc.AddPart(d.resistor, 6, 10);   // pins (6,10), (10,10)
    CircuitObject& r2 = doc.AddPart(d.resistor, 6, 12);   // pins (6,12), (10,12)
    CircuitObject& g1 = doc.AddPart(d.andGate, 10, 10);  // In1 (10,10), In2 (10,12), Out (14,11)
    CircuitObject& g2 = doc.AddPart(d.andGate, 30, 30);  // In1 (30,30), In2 (30,32), Out (34,31)
    doc.AddWire(34, 31, 34, 40);
    doc.AddWire(34, 40, 10, 40);
    doc.AddWire(10, 40, 10, 12);                          // g2's output drives r2's node
    ASSERT_EQ(NumberNodes(doc), 0);
    const int32_t nodeA = r1.pinNodes[1], nodeB = r2.pinNodes[1];
    EXPECT_EQ(g1.pinNodes[0], nodeA);
    EXPECT_EQ(g1.pinNodes[1], nodeB);
    EXPECT_EQ(g2.pinNodes[2], nodeB);
    std::vector<const NodeTableEntry*> interfaces;
    for (size_t i = 1; i < doc.nodeTable.size(); ++i)
        if (doc.nodeTable[i].interface)
            interfaces.push_back(&doc.nodeTable[i]);
    ASSERT_EQ(interfaces.size(), 2u);
    EXPECT_EQ(interfaces[0]->node, nodeA);
    EXPECT_EQ(interfaces[0]->interface, 1);
    EXPECT_EQ(FormatNodeName(*interfaces[0], 1), std::to_string(nodeA) + "$ATOD");
    EXPECT_EQ(interfaces[1]->node, nodeB);
    EXPECT_EQ(interfaces[1]->interface, 2);
    EXPECT_EQ(FormatNodeName(*interfaces[1], 1), std::to_string(nodeB) + "$DTOA");
    EXPECT_EQ(interfaces[1]->kind, 1);
    // g2's inputs touch nothing: digital nodes of their own.
    EXPECT_EQ(doc.nodeTable[g2.pinNodes[0]].kind, 1);
}

// A label moved by the user stays with its node when the node keeps its number and
// place, through the [Node Offsets] of a file as well.
TEST(NodeNumbering, RenumberingKeepsMovedLabels)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    doc.AddPart(d.resistor, 10, 10);
    doc.AddPart(d.ground, 14, 10);
    ASSERT_EQ(NumberNodes(doc), 0);
    doc.nodeTable[1].dx = 3;
    doc.nodeTable[1].dy = -2;
    doc.AddPart(d.resistor, 40, 40);
    ASSERT_EQ(NumberNodes(doc), 0);
    EXPECT_EQ(doc.nodeTable[1].dx, 3);
    EXPECT_EQ(doc.nodeTable[1].dy, -2);
    EXPECT_EQ(doc.nodeTable[2].dx, 0);
    // The part moves: node 1 is now elsewhere and its label goes back to its place.
    doc.objects[0]->coords[0] = 12;
    ASSERT_EQ(NumberNodes(doc), 0);
    EXPECT_EQ(doc.nodeTable[1].dx, 0);
}

TEST(NodeNumbering, JunctionMarks)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    doc.AddPart(d.resistor, 10, 10);
    doc.AddWire(14, 10, 20, 10);
    doc.AddWire(14, 10, 14, 20);
    doc.AddGridText("MID", 20, 10);
    ASSERT_EQ(NumberNodes(doc), 0);
    int junctions = 0, labels = 0;
    for (const NodeMark& m : doc.nodeMarks) {
        junctions += m.junction == 1;
        labels += m.junction == 3;
    }
    EXPECT_EQ(junctions, 1);  // three ends meet at (14,10)
    EXPECT_EQ(labels, 1);
}

// Wires take the node of a pin they touch, then of wires they touch; across ties of the
// same name when nothing else reaches them; a wire that reaches nothing keeps -1.
TEST(NodeNumbering, AssignWireNodes)
{
    const TestDefs& d = Defs();
    CircuitDocument doc;
    CircuitObject& r1 = doc.AddPart(d.resistor, 10, 10);
    CircuitObject& w1 = doc.AddWire(14, 10, 20, 10);
    CircuitObject& w2 = doc.AddWire(20, 10, 20, 20);
    CircuitObject& w3 = doc.AddWire(20, 20, 30, 20);
    CircuitObject& lone = doc.AddWire(50, 50, 60, 50);
    CircuitObject& r2 = doc.AddPart(d.resistor, 80, 80, 1);
    doc.AddPart(d.tie, 84, 80, 1).SetAttr(ATTR_PART, "BUS");
    doc.AddPart(d.tie, 70, 70).SetAttr(ATTR_PART, "bus");
    CircuitObject& toTie = doc.AddWire(70, 70, 70, 75);
    ASSERT_EQ(NumberNodes(doc), 0);
    for (CircuitObject* w : {&w1, &w2, &w3, &lone, &toTie})
        w->pinNodes.clear();
    AssignWireNodes(doc);
    EXPECT_EQ(w1.pinNodes, (Nodes{r1.pinNodes[1]}));
    EXPECT_EQ(w2.pinNodes, (Nodes{r1.pinNodes[1]}));
    EXPECT_EQ(w3.pinNodes, (Nodes{r1.pinNodes[1]}));
    EXPECT_EQ(lone.pinNodes, (Nodes{-1}));
    EXPECT_EQ(toTie.pinNodes, (Nodes{r2.pinNodes[1]}));
}
