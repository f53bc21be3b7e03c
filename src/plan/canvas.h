#pragma once
// A small raster canvas over QImage with the classic drawing primitives the views are described
// in: rectangles and ellipses by their bounding boxes (right and bottom exclusive), arcs between
// two rays, text written at its top-left corner on an opaque background, arrowed lines.
//
// The image may hold only a part of a larger drawing: its offset() is the drawing's point at the
// image's top-left corner. Everything is drawn in the drawing's own coordinates and lands
// clipped in that part, so one drawing function paints a whole bitmap or any tile of it. A null
// image is a part that shows nothing: every primitive is a no-op.

#include "plan/drawingsettings.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QString>

#include <vector>

namespace kv {

// What a drawing element stands for; a vector copy of a drawing keeps one layer per kind.
enum class DrawLayer { Grid, Conductor, ZoneA, ZoneB, Objects, Labels, Dimensions };

// Receives the elements a Canvas draws, in pixel coordinates (y down) with sub-pixel sizes where
// the drawing code knows them, tagged with the layer the drawing code has set.
class DrawingRecorder {
public:
    virtual ~DrawingRecorder() = default;
    virtual void line(DrawLayer layer, QPointF a, QPointF b) = 0;
    virtual void polyline(DrawLayer layer, const std::vector<QPointF> &pts, bool closed) = 0;
    virtual void circle(DrawLayer layer, QPointF centre, double r) = 0;
    // Arc counter-clockwise from startDeg to endDeg, angles counted with y pointing up.
    virtual void arc(DrawLayer layer, QPointF centre, double r, double startDeg, double endDeg) = 0;
    // Text with its baseline starting at `at`; `height` is the height of its capitals.
    virtual void text(DrawLayer layer, QPointF at, double height, const QString &s) = 0;
};

class Canvas {
public:
    explicit Canvas(QImage &image);
    // A canvas that only records what is drawn (the image is left alone).
    Canvas(QImage &image, DrawingRecorder *recorder);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    void setPen(const QPen &pen) { m_pen = pen; }
    void setPen(const QColor &c, const LinePen &lp) { m_pen = makePen(c, lp); }
    void setSolidPen(const QColor &c, int width = 1) { m_pen = makePen(c, LinePen{Qt::SolidLine, width}); }
    const QPen &pen() const { return m_pen; }
    void setBrush(const QColor &c) { m_brush = QBrush(c); }
    void setBrush(Qt::GlobalColor c) { m_brush = QBrush(c); }
    void setBrush(const QBrush &b) { m_brush = b; }
    void setClearBrush() { m_brush = QBrush(Qt::NoBrush); }

    void setLayer(DrawLayer layer) { m_layer = layer; }

    void fill(const QColor &c);
    void line(int x1, int y1, int x2, int y2);
    void polyline(std::initializer_list<QPoint> pts);
    // Closed polygon filled with the brush (a hatch pattern shades an area) and outlined with the
    // pen; recorded as a closed polyline.
    void polygon(std::initializer_list<QPoint> pts);
    // Outline with the pen inside [x1, x2) x [y1, y2), interior filled with the brush.
    void rectangle(int x1, int y1, int x2, int y2);
    void ellipse(int x1, int y1, int x2, int y2);
    // Arc of the ellipse in the box, counter-clockwise on screen from the ray through `from` to
    // the ray through `to` (rays start at the box centre).
    // exactRadius: the radius before rounding to pixels, for the recorder (0: from the box).
    void arc(int x1, int y1, int x2, int y2, QPointF from, QPointF to, double exactRadius = 0);
    // Circle of d pixels around a pixel centre; exactRadius (fractional pixels) is recorded.
    void circle(QPoint centre, int d, double exactRadius);

    // The part of the drawing the image shows (the drawing's coordinates).
    QRect area() const { return m_area; }

    int textWidth(const QString &s) const;
    int textHeight() const;
    // Text with its top-left corner at (x, y); the background is filled with the brush when it
    // is solid (white in every view).
    void textOut(int x, int y, const QString &s);

    // Line P-Q with optional arrowheads (15 px long, 4 px wide) and a text centred above a
    // horizontal line.
    void arrowedLine(int x1, int y1, int x2, int y2, bool headAtP, bool headAtQ,
                     const QString &text = QString());

private:
    bool painting() const { return m_recorder == nullptr; }
    bool blank() const { return m_recorder == nullptr && !m_painter.isActive(); }

    QImage &m_image;
    QRect m_area;
    DrawingRecorder *m_recorder = nullptr;
    DrawLayer m_layer = DrawLayer::Grid;
    QPainter m_painter;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
};

} // namespace kv
