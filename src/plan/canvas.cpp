#include "plan/canvas.h"

#include "plan/fonts.h"
#include "plan/plancoords.h"

#include <QFontMetrics>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv {

Canvas::Canvas(QImage &image)
    : m_image(image)
    , m_area(image.offset(), image.size())
    , m_pen(Qt::black)
    , m_brush(Qt::white)
    , m_font(canvasFont())
{
    if (image.isNull())
        return;
    m_painter.begin(&image);
    m_painter.translate(-image.offset());
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setFont(m_font);
}

Canvas::Canvas(QImage &image, DrawingRecorder *recorder) : Canvas(image)
{
    m_recorder = recorder;
    if (m_recorder && m_painter.isActive())
        m_painter.end();
}

Canvas::~Canvas()
{
    if (m_painter.isActive())
        m_painter.end();
}

void Canvas::fill(const QColor &c)
{
    if (painting() && !blank())
        m_image.fill(c);
}

void Canvas::line(int x1, int y1, int x2, int y2)
{
    if (blank())
        return;
    if (!painting()) {
        m_recorder->line(m_layer, QPointF(x1, y1), QPointF(x2, y2));
        return;
    }
    if (m_pen.style() != Qt::SolidLine && (x1 == x2 || y1 == y2)
        && !m_area.contains(QPoint(x1, y1))) {
        // The rasteriser starts a dash pattern where a line enters the image, so a grid line
        // cut at a tile's edge would continue out of step with its neighbour. Cut it here and
        // carry the pattern's phase along.
        const int pw = m_pen.width();
        const bool across = y1 == y2;
        const int at = across ? y1 : x1; // where the line lies crosswise
        if (at < (across ? m_area.top() : m_area.left()) - pw
            || at > (across ? m_area.bottom() : m_area.right()) + pw)
            return;
        const int lo = across ? m_area.left() : m_area.top();
        const int hi = (across ? m_area.right() : m_area.bottom()) + 1;
        const int start = across ? x1 : y1;
        const int from = std::clamp(start, lo, hi);
        const int to = std::clamp(across ? x2 : y2, lo, hi);
        QPen pen = m_pen;
        pen.setDashOffset(m_pen.dashOffset() + std::abs(from - start) / static_cast<double>(pw));
        m_painter.setPen(pen);
        if (across)
            m_painter.drawLine(from, y1, to, y2);
        else
            m_painter.drawLine(x1, from, x2, to);
        return;
    }
    m_painter.setPen(m_pen);
    m_painter.drawLine(x1, y1, x2, y2);
}

void Canvas::polyline(std::initializer_list<QPoint> pts)
{
    if (blank())
        return;
    if (!painting()) {
        m_recorder->polyline(m_layer, std::vector<QPointF>(pts.begin(), pts.end()), false);
        return;
    }
    m_painter.setPen(m_pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPolyline(pts.begin(), static_cast<int>(pts.size()));
}

void Canvas::polygon(std::initializer_list<QPoint> pts)
{
    if (blank())
        return;
    if (!painting()) {
        m_recorder->polyline(m_layer, std::vector<QPointF>(pts.begin(), pts.end()), true);
        return;
    }
    m_painter.setPen(m_pen);
    m_painter.setBrush(m_brush);
    m_painter.drawPolygon(pts.begin(), static_cast<int>(pts.size()));
}

void Canvas::rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1 || blank())
        return;
    if (!painting()) {
        m_recorder->polyline(m_layer, {QPointF(x1, y1), QPointF(x2, y1), QPointF(x2, y2),
                                       QPointF(x1, y2)}, true);
        return;
    }
    if (m_brush.style() != Qt::NoBrush)
        m_painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), m_brush);
    if (m_pen.style() != Qt::NoPen) {
        m_painter.setPen(m_pen);
        m_painter.setBrush(Qt::NoBrush);
        if (x2 - x1 == 1 || y2 - y1 == 1)
            m_painter.drawLine(x1, y1, x2 - 1, y2 - 1);
        else
            m_painter.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
}

void Canvas::ellipse(int x1, int y1, int x2, int y2)
{
    if (blank())
        return;
    if (!painting()) {
        // The views draw circles only; an uneven box keeps its mean radius.
        m_recorder->circle(m_layer, QPointF((x1 + x2) / 2.0, (y1 + y2) / 2.0),
                           ((x2 - x1) + (y2 - y1)) / 4.0);
        return;
    }
    m_painter.setPen(m_pen);
    m_painter.setBrush(m_brush);
    m_painter.drawEllipse(QRectF(x1, y1, x2 - x1, y2 - y1));
}

void Canvas::circle(QPoint centre, int d, double exactRadius)
{
    if (blank())
        return;
    if (!painting()) {
        m_recorder->circle(m_layer, centre, exactRadius);
        return;
    }
    ellipse(centre.x() - d, centre.y() - d, centre.x() + d, centre.y() + d);
}

void Canvas::arc(int x1, int y1, int x2, int y2, QPointF from, QPointF to, double exactRadius)
{
    if (blank())
        return;
    const double cx = (x1 + x2) / 2.0;
    const double cy = (y1 + y2) / 2.0;
    // Qt angles run counter-clockwise on screen with y pointing up.
    const double a0 = std::atan2(-(from.y() - cy), from.x() - cx) * 180.0 / M_PI;
    const double a1 = std::atan2(-(to.y() - cy), to.x() - cx) * 180.0 / M_PI;
    double span = a1 - a0;
    while (span <= 0)
        span += 360.0;
    while (span > 360.0)
        span -= 360.0;
    if (!painting()) {
        const double r = exactRadius > 0 ? exactRadius : ((x2 - x1) + (y2 - y1)) / 4.0;
        m_recorder->arc(m_layer, QPointF(cx, cy), r, a0, a0 + span);
        return;
    }
    QPainterPath path;
    const QRectF box(x1, y1, x2 - x1, y2 - y1);
    path.arcMoveTo(box, a0);
    path.arcTo(box, a0, span);
    m_painter.setPen(m_pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(path);
}

int Canvas::textWidth(const QString &s) const { return QFontMetrics(m_font).horizontalAdvance(s); }

int Canvas::textHeight() const { return QFontMetrics(m_font).height(); }

void Canvas::textOut(int x, int y, const QString &s)
{
    if (blank())
        return;
    const QFontMetrics fm(m_font);
    if (!painting()) {
        m_recorder->text(m_layer, QPointF(x, y + fm.ascent()), fm.capHeight(), s);
        return;
    }
    if (m_brush.style() != Qt::NoBrush)
        m_painter.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), m_brush);
    m_painter.setPen(QPen(Qt::black));
    m_painter.drawText(x, y + fm.ascent(), s);
}

void Canvas::arrowedLine(int x1, int y1, int x2, int y2, bool headAtP, bool headAtQ,
                         const QString &text)
{
    const double t = dirAngle(x1, y1, x2, y2) * M_PI / 180.0;
    const double u = M_PI / 2 - t;
    const int ax = static_cast<int>(std::nearbyint(15 * std::cos(t) - 2 * std::cos(u)));
    const int ay = static_cast<int>(std::nearbyint(15 * std::sin(t) + 2 * std::sin(u)));
    const int bx = static_cast<int>(std::nearbyint(15 * std::cos(t) + 2 * std::cos(u)));
    const int by = static_cast<int>(std::nearbyint(15 * std::sin(t) - 2 * std::sin(u)));
    line(x1, y1, x2, y2);
    if (headAtP) {
        line(x1, y1, x1 + ax, y1 + ay);
        line(x1, y1, x1 + bx, y1 + by);
    }
    if (headAtQ) {
        line(x2, y2, x2 - ax, y2 - ay);
        line(x2, y2, x2 - bx, y2 - by);
    }
    if (!text.isEmpty() && y1 == y2) {
        const int tw = textWidth(text);
        textOut(x1 + (x2 - (x1 + tw)) / 2, y1 - textHeight(), text);
    }
}

} // namespace kv
