#pragma once
// A small DXF R2000 (AC1015) ASCII writer: the tables a CAD program expects (line types, layers,
// a text style with a Cyrillic-capable font, block records), lines, circles, arcs, polylines and
// text in drawing units (metres here), one layer per kind of element.

#include <QString>

#include <string>
#include <vector>

namespace kv {

struct DxfPoint {
    double x = 0;
    double y = 0;
};

struct DxfPoint3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

class DxfDocument {
public:
    // Layers in the order given; colour is an AutoCAD colour index (1 red ... 7 black/white).
    void addLayer(const std::string &name, int color);

    void line(const std::string &layer, DxfPoint a, DxfPoint b);
    void circle(const std::string &layer, DxfPoint centre, double r);
    // Counter-clockwise from startDeg to endDeg.
    void arc(const std::string &layer, DxfPoint centre, double r, double startDeg, double endDeg);
    void polyline(const std::string &layer, const std::vector<DxfPoint> &pts, bool closed);
    // A triangle in space (a 3DFACE whose fourth corner repeats the third).
    void face3d(const std::string &layer, DxfPoint3 a, DxfPoint3 b, DxfPoint3 c);
    // Text with its baseline starting at `at`; height of the capitals in drawing units.
    void text(const std::string &layer, DxfPoint at, double height, const QString &s);

    std::size_t entityCount() const { return m_entityCount; }
    // The whole file.
    std::string toString() const;

private:
    std::string handle();
    void entityHead(const char *type, const std::string &layer, const char *subclass);
    void extend(DxfPoint p);

    struct Layer {
        std::string name;
        int color;
    };
    std::vector<Layer> m_layers;
    std::string m_entities;
    std::size_t m_entityCount = 0;
    unsigned m_nextHandle = 0x100; // below are the fixed handles of the tables
    bool m_hasExtents = false;
    DxfPoint m_min, m_max;
};

// Text of a DXF string value: ASCII as is, other characters as \U+XXXX (R2000 has no UTF-8).
std::string dxfText(const QString &s);

} // namespace kv
