#pragma once
// Reading a DXF drawing (ASCII, any version) into plain geometry in drawing units: the layers,
// lines, arcs, circles, polylines with their bulges, and texts of the model space, with the
// drawing's $INSUNITS. A block inserted into the model space (INSERT, arrays of MINSERT, blocks
// within blocks) adds its geometry moved, turned and scaled as inserted, its layer "0" taken as
// the INSERT's layer. Paper space is left out. A file that is binary, damaged, truncated or
// beyond the limits is refused with the reason before the drawing is built.

#include <QString>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv {

// A drawing the program does not read; what() is the message to show ("Ошибка. ...").
class DxfRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DxfVec {
    double x = 0;
    double y = 0;
};

struct DxfLine {
    int layer = 0;
    DxfVec a, b;
};

struct DxfArc {
    int layer = 0;
    DxfVec centre;
    double r = 0;
    double startDeg = 0; // counter-clockwise from startDeg to endDeg
    double endDeg = 360;
};

struct DxfCircle {
    int layer = 0;
    int order = 0; // the place in the model space's drawing order (shared with the polylines)
    DxfVec centre;
    double r = 0;
};

struct DxfPolyline {
    int layer = 0;
    int order = 0; // the place in the model space's drawing order (shared with the circles)
    bool closed = false;
    std::vector<DxfVec> pts;
    std::vector<double> bulges; // one per vertex: the arc from this vertex to the next
};

struct DxfText {
    int layer = 0;
    DxfVec at;
    double height = 0;
    QString text; // plain text: MTEXT formatting removed (paragraphs as '\n'), \U+XXXX decoded
};

struct DxfDrawing {
    std::vector<std::string> layers; // the layer table's order, then layers first used later
    std::optional<int> insUnits;     // $INSUNITS when the header holds it
    std::vector<std::string> hiddenLayers; // frozen or turned off in the drawing
    std::vector<DxfLine> lines;
    std::vector<DxfArc> arcs;
    std::vector<DxfCircle> circles;
    std::vector<DxfPolyline> polylines;
    std::vector<DxfText> texts;

    int layerIndex(const std::string &name); // adds the layer when new
};

// Reads the drawing from a file; throws DxfRefused with the reason naming the file.
DxfDrawing readDxfFile(const QString &path);
// The same from the text of a file (name: how the messages call it).
DxfDrawing readDxfText(const std::string &text, const QString &name);

// Metres per drawing unit of $INSUNITS: 6 metres, 4 millimetres, 5 centimetres, 1 inches,
// 2 feet, 14 decimetres; nullopt for 0 (unitless) and the units a site plan is never drawn in.
std::optional<double> metresPerUnit(int insUnits);

// The points of the arc from a to b with the polyline bulge (tan of a quarter of the included
// angle; positive: counter-clockwise), a and b included, one point every ten degrees at least.
std::vector<DxfVec> bulgeArcPoints(DxfVec a, DxfVec b, double bulge);

} // namespace kv
