#pragma once
// A small raster canvas over QImage with the classic drawing primitives the views are described
// in: rectangles and ellipses by their bounding boxes (right and bottom exclusive), arcs between
// two rays, text written at its top-left corner on an opaque background, arrowed lines.

#include "plan/drawingsettings.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QString>

namespace kv {

class Canvas {
public:
    explicit Canvas(QImage &image);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    void setPen(const QPen &pen) { m_pen = pen; }
    void setPen(const QColor &c, const LinePen &lp) { m_pen = makePen(c, lp); }
    void setSolidPen(const QColor &c, int width = 1) { m_pen = makePen(c, LinePen{Qt::SolidLine, width}); }
    const QPen &pen() const { return m_pen; }
    void setBrush(const QColor &c) { m_brush = QBrush(c); }
    void setClearBrush() { m_brush = QBrush(Qt::NoBrush); }

    void fill(const QColor &c);
    void line(int x1, int y1, int x2, int y2);
    void polyline(std::initializer_list<QPoint> pts);
    // Outline with the pen inside [x1, x2) x [y1, y2), interior filled with the brush.
    void rectangle(int x1, int y1, int x2, int y2);
    void ellipse(int x1, int y1, int x2, int y2);
    // Arc of the ellipse in the box, counter-clockwise on screen from the ray through `from` to
    // the ray through `to` (rays start at the box centre).
    void arc(int x1, int y1, int x2, int y2, QPointF from, QPointF to);

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
    QImage &m_image;
    QPainter m_painter;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
};

} // namespace kv
