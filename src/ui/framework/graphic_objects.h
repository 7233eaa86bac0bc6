#pragma once
// Graphic objects of analysis windows: lines, shapes, arcs, pies, pictures, polygons,
// texts and measuring tags drawn over the graphs. An object is absolute (placed in
// ten-thousandths of the drawing rectangle) or attached to a graph (placed in its data
// coordinates, so that it follows zooming).

#include <list>
#include <map>
#include <string>
#include <vector>

#include "foundation/font_record.h"
#include "platform/geometry.h"
#include "platform/image.h"

namespace platform {
class Dialog;
}

namespace ob7 {

class CDraw;
class CDrawContext;

enum GraphicKind : int {
    kGraphicLine = 0x100, kGraphicEllipse = 0x200, kGraphicRectangle = 0x300, kGraphicDiamond = 0x400,
    kGraphicArc = 0x500, kGraphicPie = 0x600, kGraphicMeasureV = 0x800, kGraphicTag = 0x900,
    kGraphicMeasureH = 0xA00, kGraphicPicture = 0xB00, kGraphicPolygon = 0xC00, kGraphicText = 0xF00
};
// The name of a kind in undo labels ("" for an unknown one; the circuit file has its own
// names, GraphicKindName) and whether it is filled.
const char* GraphicKindLabel(int kind);
bool GraphicKindClosed(int kind);
constexpr int KindOf(int typeWord) { return typeWord & 0xF00; }

struct PolygonVertex {
    double x = 0;
    int xState = 0;  // 0 a value; 1 and 2 beyond either end of the axis
    double y = 0;
    int yState = 0;
};

struct GraphicObject {
    uint8_t lineWidth = 1;
    uint8_t linePattern = 0;
    uint8_t penColour = 0;
    uint8_t fillColour = 74;
    uint8_t styleFlags = 0;
    uint8_t state = 0;  // bit 0 selected, bit 1 hidden (its graph is gone)
    std::string text;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double anchor = 0;
    int analysis = 0;  // analysis kind + 1 when made
    int graph = -1, graphKey = -1;
    int graph2 = -1, graphKey2 = -1;
    FontRecord font{};
    int typeWord = 0;
    std::vector<PolygonVertex> vertices;
    int layer = 0;

    int Kind() const { return KindOf(typeWord); }
    bool Selected() const { return state & 1; }
    bool Hidden() const { return state & 2; }
};

// A data point of a curve.
struct CurvePoint {
    double x = 0, y = 0;
};

// A point marker of a graph: its text and its data point on each curve of the graph.
struct GraphMarker {
    std::string text;
    std::vector<CurvePoint> points;
};

// What an analysis window offers its objects: its graphs and their conversions.
class GraphHost {
public:
    virtual ~GraphHost() = default;
    virtual int GraphCount() const = 0;
    virtual int GraphKey(int graph) const = 0;
    virtual int GraphGroup(int graph) const { return 0; }
    virtual platform::Rect GraphRect(int graph) const = 0;
    // Data value to pixel and back on an axis (0 x, 1 y).
    virtual double ValueToPixel(int graph, int axis, double value) const = 0;
    virtual double PixelToValue(int graph, int axis, double pixel) const = 0;
    // The stored points of the curves of a graph (of the current run).
    virtual std::vector<std::vector<CurvePoint>> Curves(int graph) const { return {}; }
    virtual bool IsDigital(int graph) const { return false; }
    // The graph's name in graph lists, and the colour slot of its plot area (-1: the
    // window's background).
    virtual std::string GraphName(int graph) const { return {}; }
    virtual int GraphBackground(int graph) const { return -1; }
    // The point markers of a graph (of the current analysis), the plot's marker font
    // (its colour the text's and the box's) and the colour slot that fills their boxes.
    virtual std::vector<GraphMarker> GraphMarkers(int graph) const { return {}; }
    virtual FontRecord MarkerFont() const { return {}; }
    virtual int MarkerFill() const { return 15; }
    virtual int GraphAt(platform::Point p) const { return -1; }
};

// The graphic objects of one analysis window, newest first.
class GraphicObjectList {
public:
    GraphicObjectList(CDraw& view, GraphHost& host) : view_(view), host_(host) {}

    std::list<GraphicObject>& Objects() { return objects_; }
    int analysisKind = 0;  // the window's analysis kind
    FontRecord defaultFont{};

    // New objects from a pixel rectangle, with the "Add %s" undo step; null on failure.
    GraphicObject* AddGraphicObject(const CDrawContext& dc, int typeWord, int graph, int x1, int y1, int x2, int y2);
    GraphicObject* AddGraphTextObject(const std::string& text, double x, double y, int graph);
    GraphicObject* AddPolygonObject(const CDrawContext& dc, int analysis, int vertexCount, int graph);
    // Deletes the objects of an analysis, and those of no valid analysis or kind; the
    // number deleted.
    int RemoveAnalysisObjects(int analysis);
    // After the graphs were rebuilt: indexes again from the keys; objects whose graph is
    // gone are hidden until a graph with their key returns.
    void RelinkObjectsToGraphs();

    double ObjectCoordToPixel(const CDrawContext& dc, int graph, double value, int axis) const;
    double PixelToObjectCoord(const CDrawContext& dc, int graph, double pixel, int axis) const;
    platform::Point MapPointToPixels(const CDrawContext& dc, int graph, double x, double y) const;
    void SetObjectFromPixels(const CDrawContext& dc, const platform::Rect& pixels, GraphicObject& object,
                             bool keep = false);
    void SetObjectAnchorFromPixel(const CDrawContext& dc, GraphicObject& object, int pixel);

    platform::Rect GetObjectBounds(const CDrawContext& dc, const GraphicObject& object) const;
    platform::Rect GetObjectBoundingRect(const CDrawContext& dc, const GraphicObject& object) const;
    bool HitTestGraphicObject(const CDrawContext& dc, const GraphicObject& object, platform::Point p) const;

    // The nearest stored curve point to a pixel (squared pixel distance); false when
    // there is no curve.
    bool FindNearestCurvePoint(const CDrawContext& dc, int px, int py, int graph, bool thisGraphOnly,
                               CurvePoint& found, int& foundGraph) const;
    void SnapObjectToCurve(const CDrawContext& dc, GraphicObject& object, const platform::Rect& pixels,
                           bool thisGraphOnly);

    // Polygons.
    int GrowVertexArray(GraphicObject& object, int index);
    void SetVertexFromPixels(const CDrawContext& dc, GraphicObject& object, int index, int px, int py);
    int SetOrAppendVertex(const CDrawContext& dc, GraphicObject& object, int index, int px, int py);
    platform::Point GetVertexPixel(const CDrawContext& dc, const GraphicObject& object, int index) const;
    static void ScaleObjectVertices(GraphicObject& object, double factor);
    bool IsPolygonInProgress() const;
    void ClosePolygonObject();

    // Paints the objects of a layer (and plot group, -1 all) with the skip rules, the
    // graph clip and the visible-colour rule. A picture object draws the picture file
    // named by its text into its rectangle.
    void DrawObjects(CDrawContext& dc, int plotGroup, int layer);
    // The point markers of the graphs of a plot group (-1 all): a circle at each data
    // point and the marker's text in a box below it (above, or to the left, where the
    // graph ends).
    void DrawGraphMarkers(CDrawContext& dc, int plotGroup);
    // 2-D plots first draw their markers; then the whole list (layer 0) and, on the
    // screen, the selection box with handles.
    void DrawWindowAnnotations(CDrawContext& dc, int plotGroup);
    // Whether an object of the current analysis lies in layer 1 (the window then
    // repaints fully when an object changes).
    bool AnyLayerOneObject() const;
    // Where the label of an object sits: measuring tags of x values left of their anchor
    // and halfway down, others centred over their anchor's y.
    platform::Point GetObjectLabelPoint(const CDrawContext& dc, const GraphicObject& object) const;

    // Graph lookups: the index of the graph with a key (-1 none), a graph's key (-1 for
    // none or an absolute object), and the graphs of a plot group into a combo box of a
    // dialog, each with its index as item data.
    int FindGraphIndexByKey(int key) const;
    int GetGraphKey(int graph) const;
    void FillGraphCombo(platform::Dialog& dialog, int comboId, int plotGroup) const;

private:
    void DrawOne(CDrawContext& dc, GraphicObject& object, bool monochrome);
    void DrawPictureObject(CDrawContext& dc, const GraphicObject& object, const platform::Rect& r);
    CDraw& view_;
    GraphHost& host_;
    std::list<GraphicObject> objects_;
    GraphicObject* building_ = nullptr;  // the open polygon the polygon tool is building
    std::map<std::string, platform::Image> pictures_;  // picture files read once
};

}  // namespace ob7
