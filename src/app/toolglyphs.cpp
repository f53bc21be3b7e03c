#include "app/toolglyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace kv {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kRed(220, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kYellow(255, 220, 90);
const QColor kBuilding(120, 160, 210);

void sheet(QPainter &p)
{
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawPolyline(QPolygon({{10, 1}, {10, 4}, {13, 4}}));
}

void rod(QPainter &p, int x, int top, int bottom)
{
    p.setPen(QPen(kRed, 2));
    p.drawLine(x, top, x, bottom);
    p.setPen(Qt::black);
    p.drawLine(x - 3, bottom, x + 3, bottom);
}

void building(QPainter &p, QRect r, QColor c = kBuilding)
{
    p.setPen(Qt::black);
    p.setBrush(c);
    p.drawRect(r);
}

void arrow(QPainter &p, double angleDeg)
{
    p.translate(8, 8);
    p.rotate(angleDeg);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    // Pointing right before the rotation.
    p.drawPolygon(QPolygonF({{-6, -2}, {1, -2}, {1, -5}, {7, 0}, {1, 5}, {1, 2}, {-6, 2}}));
}

void sign(QPainter &p, const QString &s, QColor c, int px = 9, QRect box = QRect(0, 0, 16, 16))
{
    QFont f = p.font();
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(box, Qt::AlignCenter, s);
}

} // namespace

QIcon toolGlyph(const QString &b)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    static const QStringList arrows = {QStringLiteral("spdR"), QStringLiteral("spdRD"), QStringLiteral("spdD"),
                                       QStringLiteral("spdLD"), QStringLiteral("spdL"), QStringLiteral("spdLU"),
                                       QStringLiteral("spdU"), QStringLiteral("spdRU")};
    if (const int i = arrows.indexOf(b); i >= 0) {
        arrow(p, 45.0 * i);
    } else if (b == QLatin1String("btnNewProj")) {
        sheet(p);
        p.setPen(QPen(kGreen, 2));
        p.drawLine(8, 6, 8, 12);
        p.drawLine(5, 9, 11, 9);
    } else if (b == QLatin1String("btnOpenProj")) {
        p.setPen(Qt::black);
        p.setBrush(kYellow);
        p.drawPolygon(QPolygon({{1, 4}, {6, 4}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}));
        p.setBrush(QColor(240, 190, 50));
        p.drawPolygon(QPolygon({{3, 7}, {15, 7}, {13, 13}, {1, 13}}));
    } else if (b == QLatin1String("btnPreview")) {
        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(Qt::black, 2.5));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    } else if (b == QLatin1String("btnReport")) {
        sheet(p);
        sign(p, QStringLiteral("W"), kNavy, 9, QRect(3, 4, 10, 10));
    } else if (b == QLatin1String("btnKoordMO")) {
        p.setPen(Qt::black);
        p.drawLine(2, 14, 14, 14);
        p.drawLine(2, 14, 2, 2);
        sign(p, QStringLiteral("XY"), kNavy, 7, QRect(3, 1, 13, 8));
        rod(p, 10, 8, 13);
    } else if (b == QLatin1String("btnAlignMO")) {
        building(p, QRect(1, 8, 7, 6));
        rod(p, 12, 2, 14);
        p.setPen(QPen(kNavy, 1, Qt::DotLine));
        p.drawLine(1, 6, 15, 6);
    } else if (b == QLatin1String("btnPodbor")) {
        rod(p, 5, 2, 14);
        p.setPen(QPen(kGreen, 1));
        p.drawLine(9, 3, 9, 13);
        p.drawLine(7, 5, 9, 3);
        p.drawLine(11, 5, 9, 3);
        p.drawLine(7, 11, 9, 13);
        p.drawLine(11, 11, 9, 13);
        sign(p, QStringLiteral("H"), kNavy, 7, QRect(9, 5, 8, 8));
    } else if (b == QLatin1String("btnSelectMO")) {
        p.setPen(Qt::black);
        p.setBrush(QColor(150, 90, 40));
        p.drawRect(2, 2, 11, 12);
        p.setBrush(Qt::white);
        p.drawRect(4, 4, 7, 8);
        rod(p, 7, 5, 11);
    } else if (b == QLatin1String("btnAddObject") || b == QLatin1String("btnDeleteObject")
               || b == QLatin1String("btnEditObject")) {
        building(p, QRect(1, 5, 9, 9));
        if (b == QLatin1String("btnAddObject")) {
            p.setPen(QPen(kGreen, 2));
            p.drawLine(12, 1, 12, 8);
            p.drawLine(9, 4, 15, 4);
        } else if (b == QLatin1String("btnDeleteObject")) {
            p.setPen(QPen(kRed, 2));
            p.drawLine(9, 1, 15, 7);
            p.drawLine(15, 1, 9, 7);
        } else {
            p.setPen(QPen(QColor(90, 60, 20), 2.5));
            p.drawLine(QPointF(8, 13), QPointF(14.5, 3.5));
            p.setPen(QPen(Qt::black, 1));
            p.drawLine(QPointF(7, 15), QPointF(8.2, 12.6));
        }
    } else if (b == QLatin1String("btnCopyObject")) {
        building(p, QRect(1, 1, 9, 9));
        building(p, QRect(5, 5, 9, 9), QColor(170, 200, 235));
    } else if (b == QLatin1String("btnAlignObMO")) {
        rod(p, 3, 2, 14);
        building(p, QRect(7, 6, 8, 8));
        p.setPen(QPen(kNavy, 1, Qt::DotLine));
        p.drawLine(1, 5, 15, 5);
    } else if (b == QLatin1String("btnAlignObOb")) {
        building(p, QRect(1, 6, 6, 8));
        building(p, QRect(9, 6, 6, 8), QColor(170, 200, 235));
        p.setPen(QPen(kNavy, 1, Qt::DotLine));
        p.drawLine(0, 5, 16, 5);
    } else if (b == QLatin1String("btnFitView")) {
        // A sheet with the four corners pointing outwards.
        building(p, QRect(4, 4, 8, 8), QColor(200, 230, 255));
        p.setPen(QPen(kNavy, 1.5));
        for (const QPointF d : {QPointF(-1, -1), QPointF(1, -1), QPointF(1, 1), QPointF(-1, 1)}) {
            const QPointF corner(8 + 7 * d.x(), 8 + 7 * d.y());
            p.drawLine(corner, corner - QPointF(4 * d.x(), 0));
            p.drawLine(corner, corner - QPointF(0, 4 * d.y()));
        }
    } else if (b == QLatin1String("SpeedButton1")) {
        p.setPen(Qt::NoPen);
        p.setBrush(kNavy);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        sign(p, QStringLiteral("?"), Qt::white, 11);
    }
    p.end();
    return QIcon(pm);
}

} // namespace kv
