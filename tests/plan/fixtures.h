#pragma once
// Small project builders and pixel helpers shared by the drawing tests.

#include "calc/records.h"
#include "plan/drawingsettings.h"

#include <QColor>
#include <QImage>
#include <vector>

namespace kvtest {

inline kv::DrawingSettings solidSettings()
{
    kv::DrawingSettings s;
    s.podPen = {Qt::SolidLine, 1};
    s.selPen = {Qt::SolidLine, 1};
    return s;
}

inline kv::ProjectSnapshot project(const char *tip, int scale = 500)
{
    kv::ProjectSnapshot p;
    p.project.Kod = 1;
    p.project.TipMO = tip;
    p.project.IScale = scale;
    p.project.ZonaACnt = 0;
    p.project.ZonaBCnt = 0;
    return p;
}

inline kv::ConductorRec conductor(double mx, double my, std::optional<double> h = std::nullopt)
{
    kv::ConductorRec c;
    c.MX = mx;
    c.MY = my;
    c.H = h;
    return c;
}

inline kv::ObjectRec object(int kod, double mxa, double mya, double l, double s, double hx,
                            int color = 0x00FF00)
{
    kv::ObjectRec o;
    o.Kod = kod;
    o.Kod0 = 1;
    o.MXa = mxa;
    o.MYa = mya;
    o.L = l;
    o.S = s;
    o.Hx = hx;
    o.ObjColor = color;
    o.ShapeName = "Shape" + std::to_string(kod);
    o.SLabel = std::to_string(kod);
    o.Name = "Объект " + std::to_string(kod);
    return o;
}

inline bool isColor(const QImage &img, int x, int y, QColor c)
{
    if (!img.rect().contains(x, y))
        return false;
    return QColor(img.pixel(x, y)).rgb() == c.rgb();
}

inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);

// Columns of a row that carry the colour.
inline std::vector<int> xsInRow(const QImage &img, int y, QColor c)
{
    std::vector<int> xs;
    for (int x = 0; x < img.width(); ++x)
        if (isColor(img, x, y, c))
            xs.push_back(x);
    return xs;
}

// Rows of a column that carry the colour.
inline std::vector<int> ysInColumn(const QImage &img, int x, QColor c)
{
    std::vector<int> ys;
    for (int y = 0; y < img.height(); ++y)
        if (isColor(img, x, y, c))
            ys.push_back(y);
    return ys;
}

inline int countColor(const QImage &img, QColor c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += isColor(img, x, y, c) ? 1 : 0;
    return n;
}

inline bool anyNear(const std::vector<int> &v, int target, int tol = 1)
{
    for (int x : v)
        if (x >= target - tol && x <= target + tol)
            return true;
    return false;
}

} // namespace kvtest
