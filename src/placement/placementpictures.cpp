#include "placement/placementpictures.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv {

int rnd(double v) { return static_cast<int>(std::nearbyint(v)); }

// ---- Height map -------------------------------------------------------------------------------

HeightMapGeometry heightMapGeometry(std::int64_t nc, std::int64_t nr, int side)
{
    HeightMapGeometry g;
    const std::int64_t n = std::max(nc, nr);
    if (n <= 0 || side <= 0)
        return g;
    if (n > side) {
        g.sampled = true;
        g.step = static_cast<int>((n + side - 1) / side);
        g.width = static_cast<int>((nc + g.step - 1) / g.step);
        g.height = static_cast<int>((nr + g.step - 1) / g.step);
    } else {
        g.step = static_cast<int>(side / n);
        g.width = static_cast<int>(g.step * nc);
        g.height = static_cast<int>(g.step * nr);
    }
    return g;
}

QColor heightMapColor(double h, double Hmin, double Hmax, double k)
{
    if (std::isnan(h))
        return QColor(0, 255, 255);
    if ((k == 1 && std::abs(h - Hmin) < 0.001) || (k > 1 && h <= Hmin * k))
        return QColor(255, 0, 0);
    // A table whose heights are all equal has no gradient: every cell is as light as Hmin.
    const double t = Hmax > Hmin ? std::clamp((h - Hmin) / (Hmax - Hmin), 0.0, 1.0) : 0.0;
    const int c = 255 - rnd(255 * t);
    return QColor(c, c, c);
}

QImage renderHeightMap(const HeightTable &t, int side, double k)
{
    const HeightMapGeometry g = heightMapGeometry(t.dataCols, t.dataRows, side);
    if (g.width <= 0 || g.height <= 0)
        return {};
    QImage img(g.width, g.height, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (g.sampled) {
        for (int px = 0; px < g.width; ++px)
            for (int py = 0; py < g.height; ++py)
                img.setPixelColor(px, py,
                                  heightMapColor(t.cell(std::int64_t(px) * g.step,
                                                        std::int64_t(py) * g.step),
                                                 t.Hmin, t.Hmax, k));
        return img;
    }
    QPainter p(&img);
    for (std::int64_t c = 0; c < t.dataCols; ++c)
        for (std::int64_t r = 0; r < t.dataRows; ++r)
            p.fillRect(static_cast<int>(c * g.step), static_cast<int>(r * g.step), g.step, g.step,
                       heightMapColor(t.cell(c, r), t.Hmin, t.Hmax, k));
    return img;
}

std::optional<QPoint> heightMapCellAt(const HeightTable &t, int side, QPoint pixel)
{
    const HeightMapGeometry g = heightMapGeometry(t.dataCols, t.dataRows, side);
    if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= g.width || pixel.y() >= g.height)
        return std::nullopt;
    const int c = g.sampled ? pixel.x() * g.step : pixel.x() / g.step;
    const int r = g.sampled ? pixel.y() * g.step : pixel.y() / g.step;
    if (c >= t.dataCols || r >= t.dataRows)
        return std::nullopt;
    return QPoint(c, r);
}

// ---- Scheme -----------------------------------------------------------------------------------

namespace {

QPen dottedPen(const QColor &c) { return QPen(c, 1, Qt::DotLine); }

void drawObjects(QPainter &p, const std::vector<SchemeObject> &objects, double k)
{
    p.setPen(QPen(Qt::black, 1));
    for (const SchemeObject &o : objects) {
        const int x = rnd(o.MXa * k), y = rnd(o.MYa * k);
        p.setBrush(o.color);
        p.drawRect(x, y, rnd(o.L * k), rnd(o.S * k));
    }
    p.setBrush(Qt::NoBrush);
}

void drawMarker(QPainter &p, Pt c, double k)
{
    const int x = rnd(c.x * k), y = rnd(c.y * k);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::red);
    p.drawRect(x - 3, y - 3, 6, 6);
    p.setBrush(Qt::NoBrush);
}

} // namespace

void drawSchemeGrid(QImage &img, double scale)
{
    QPainter p(&img);
    p.setPen(dottedPen(Qt::black));
    QFont f = p.font();
    f.setPixelSize(9);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int w = img.width(), h = img.height();
    for (int i = 1;; ++i) {
        const int y = rnd(5 * scale * i);
        if (y > h)
            break;
        p.setPen(dottedPen(Qt::black));
        p.drawLine(i % 2 ? 0 : 20, y, w, y);
        if (i % 2 == 0) {
            p.setPen(Qt::black);
            p.drawText(0, y - fm.height() / 2 + fm.ascent(), QString::number(5 * i));
        }
    }
    for (int i = 1;; ++i) {
        const int x = rnd(5 * scale * i);
        if (x > w)
            break;
        p.setPen(dottedPen(Qt::black));
        p.drawLine(x, i % 2 ? 0 : 20, x, h);
        if (i % 2 == 0) {
            const QString s = QString::number(5 * i);
            p.setPen(Qt::black);
            p.drawText(x - fm.horizontalAdvance(s) / 2, 2 + fm.ascent(), s);
        }
    }
}

QImage renderScheme(const SchemeInput &in)
{
    const double k = in.scale;
    int W = 50, H = 50;
    if (in.withConductor) {
        for (const Pt &c : in.conductors) {
            W = std::max(W, rnd(c.x * k));
            H = std::max(H, rnd(c.y * k));
        }
    }
    if (in.withObjects) {
        for (const SchemeObject &o : in.objects) {
            W = std::max(W, rnd((o.MXa + o.L) * k));
            H = std::max(H, rnd((o.MYa + o.S) * k));
        }
    }
    for (const SchemeRange &r : in.ranges) {
        W = std::max(W, rnd(r.X2 * k));
        H = std::max(H, rnd(r.Y2 * k));
        if (in.withSubranges)
            for (const SubRange &s : r.subranges) {
                W = std::max(W, rnd(s.X2 * k));
                H = std::max(H, rnd(s.Y2 * k));
            }
    }
    QImage img(W + 20, H + 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    drawSchemeGrid(img, k);
    QPainter p(&img);
    if (in.withObjects)
        drawObjects(p, in.objects, k);
    if (in.withConductor)
        for (const Pt &c : in.conductors)
            drawMarker(p, c, k);
    for (const SchemeRange &r : in.ranges) {
        p.setPen(QPen(r.color, 2));
        p.drawRect(QRect(QPoint(rnd(r.X1 * k), rnd(r.Y1 * k)), QPoint(rnd(r.X2 * k), rnd(r.Y2 * k))));
        if (!in.withSubranges)
            continue;
        for (const SubRange &s : r.subranges) {
            const int x1 = rnd(s.X1 * k), y1 = rnd(s.Y1 * k), x2 = rnd(s.X2 * k),
                      y2 = rnd(s.Y2 * k);
            const auto side = [&](bool included, int ax, int ay, int bx, int by) {
                p.setPen(included ? QPen(Qt::red, 1) : dottedPen(Qt::red));
                p.drawLine(ax, ay, bx, by);
            };
            side(s.VklX1, x1, y1, x1, y2);
            side(s.VklY1, x1, y1, x2, y1);
            side(s.VklX2, x2, y1, x2, y2);
            side(s.VklY2, x1, y2, x2, y2);
        }
    }
    return img;
}

QImage renderTrajectory(const TrajectoryInput &in)
{
    const double k = in.scale;
    int W = 0, H = 0;
    if (in.fixedSupport) {
        W = rnd(in.fixedSupport->x * k);
        H = rnd(in.fixedSupport->y * k);
    }
    for (const SchemeObject &o : in.objects) {
        W = std::max(W, rnd((o.MXa + o.L) * k));
        H = std::max(H, rnd((o.MYa + o.S) * k));
    }
    for (double v : in.values)
        (in.fixedIsY ? H : W) = std::max(in.fixedIsY ? H : W, rnd(v * k));
    (in.fixedIsY ? W : H) = std::max(in.fixedIsY ? W : H, rnd(in.rangeEnd * k));
    QImage img(W + 20, H + 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    drawSchemeGrid(img, k);
    QPainter p(&img);
    drawObjects(p, in.objects, k);
    if (in.fixedSupport)
        drawMarker(p, *in.fixedSupport, k);
    p.end();
    const QRgb red = qRgb(255, 0, 0);
    const auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
            img.setPixel(x, y, red);
    };
    const int a = rnd(in.from * k), b = rnd(in.to * k);
    for (double v : in.values) {
        const int c = rnd(v * k);
        if (in.fixedIsY) {
            for (int x = a; x <= b; ++x)
                put(x, c);
            put(b - 1, c - 1), put(b - 1, c + 1), put(b - 2, c - 2), put(b - 2, c + 2);
        } else {
            for (int y = a; y <= b; ++y)
                put(c, y);
            put(c - 1, b - 1), put(c + 1, b - 1), put(c - 2, b - 2), put(c + 2, b - 2);
        }
    }
    return img;
}

} // namespace kv
