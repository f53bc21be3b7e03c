#include "plan/drawingsettings.h"

#include "plan/plancoords.h"

#include <QList>

namespace kv {

QColor DrawingSettings::conductorColor() const { return colorFromRgbInt(moColor); }
QColor DrawingSettings::gridColor() const { return colorFromRgbInt(gridLineColor); }
QColor DrawingSettings::sphereColour() const { return colorFromRgbInt(sphereColor); }

const LinePen &DrawingSettings::zonePen(const std::string &suffix) const
{
    return suffix == "1" ? selPen : podPen;
}

Qt::PenStyle penStyleFromName(const std::string &name)
{
    if (name == "штриховая")
        return Qt::DashLine;
    if (name == "пунктирная")
        return Qt::DotLine;
    if (name == "штрих - пунктирная")
        return Qt::DashDotLine;
    if (name == "штрих - два пунктира")
        return Qt::DashDotDotLine;
    return Qt::SolidLine;
}

DrawingSettings LoadDrawingSettings(const SettingsRec *rec)
{
    DrawingSettings s;
    if (!rec)
        return s;
    s.calc = *rec;
    if (rec->ObjShag)
        s.objShag = *rec->ObjShag;
    if (rec->ScaleShag)
        s.scaleShag = *rec->ScaleShag;
    if (rec->MOColor)
        s.moColor = *rec->MOColor;
    if (rec->SizeMO)
        s.sizeMO = *rec->SizeMO;
    if (rec->PodLineStyle)
        s.podPen.style = penStyleFromName(*rec->PodLineStyle);
    if (rec->PodLineWidth)
        s.podPen.width = *rec->PodLineWidth;
    if (rec->SelLineStyle)
        s.selPen.style = penStyleFromName(*rec->SelLineStyle);
    if (rec->SelLineWidth)
        s.selPen.width = *rec->SelLineWidth;
    if (rec->GridLineStyle)
        s.gridPen.style = penStyleFromName(*rec->GridLineStyle);
    if (rec->GridLineWidth)
        s.gridPen.width = *rec->GridLineWidth;
    if (rec->GridLineColor)
        s.gridLineColor = *rec->GridLineColor;
    if (rec->UseKlav)
        s.useKlav = *rec->UseKlav;
    return s;
}

QPen makePen(const QColor &color, const LinePen &lp)
{
    QPen pen(color);
    const int w = lp.width < 1 ? 1 : (lp.width > 50 ? 50 : lp.width);
    pen.setWidth(w);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    // Qt's stock patterns are scaled oddly for thin pens; these read as the classic
    // dash / dot / dash-dot on screen and in the report. Units are pen widths.
    switch (lp.style) {
    case Qt::DashLine:
        pen.setDashPattern({6, 3});
        break;
    case Qt::DotLine:
        pen.setDashPattern({1, 2});
        break;
    case Qt::DashDotLine:
        pen.setDashPattern({6, 2, 1, 2});
        break;
    case Qt::DashDotDotLine:
        pen.setDashPattern({6, 2, 1, 2, 1, 2});
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    return pen;
}

} // namespace kv
