#include "plan/zonepictures.h"
#include "plan/zonesolids.h"

#include "plan/spherearcs.h"

#include "calc/limits.h"
#include "calc/numfmt.h"
#include "plan/canvas.h"
#include "plan/dxfwriter.h"
#include "plan/multirodzones.h"
#include "plan/zonedxf.h"
#include "plan/picturesize.h"
#include "plan/recordfields.h"
#include "plan/underlay.h"
#include "plan/zonegeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/outputfile.h"

namespace kv {

namespace {

double val(const OptD &v) { return v ? *v : 0.0; }

QColor objectColor(const ObjectRec &o)
{
    return o.ObjColor ? colorFromRgbInt(*o.ObjColor) : QColor(192, 192, 192);
}

QString qs(const std::string &s) { return QString::fromStdString(s); }

int iround(double v) { return static_cast<int>(std::nearbyint(v)); }

// Everything both pictures share: scale, conductor type, the offset of the plan origin and the
// pixel positions of the conductor(s).
struct PictureFrame {
    PlanScale s;
    ConductorType type = ConductorType::Unknown;
    int g = 5;
    int width = 1;
    int height = 1;
    int ox = 0, oy = 0;
    int cx = 0, cy = 0;      // single rod position or middle of the picture
    QPoint s1, s2;           // supports (two-record types)
    bool two = false;
    bool as2 = false;
    const ConductorRec *c1 = nullptr;
    const ConductorRec *c2 = nullptr;
    // Multiple rod of three rods or more: every rod's pixel position and the pairs drawn.
    bool multi = false;
    std::vector<QPoint> rods;
    MultiRodDrawing mr;
};

struct Label {
    std::string name;
    double radius;
    const ObjectRec *obj; // nullptr for the conductor's radii
};

OptD zoneRadiusForSize(const ProjectSnapshot &snap, const ConductorRec &c1, const std::string &suffix)
{
    if (const OptD rb = conductorField(c1, "Ro_b", suffix))
        return rb;
    if (const OptD ra = conductorField(c1, "Ro_a", suffix))
        return ra;
    // No conductor radius stored: size the picture for the widest object circle instead.
    OptD best;
    for (const ObjectRec &o : snap.objects) {
        const OptD rx = objectField(o, "Rx", suffix);
        if (hasZone(o) && rx && (!best || *rx > *best))
            best = rx;
    }
    return best;
}

// Lines k*38 pixels from an origin, k = 0, 1, ... towards `hi` and -1, -2, ... towards `lo`;
// only the lines inside [lo, hi] are visited, however far away the origin lies.
template<typename Fn>
void signedLines(long long origin, long long lo, long long hi, Fn fn)
{
    // The forward run starts at k = 0 wherever the origin is; lines above the image are skipped.
    const long long kFirst = origin < -38 ? (-38 - origin + 37) / 38 : 0;
    for (long long k = kFirst; origin + 38 * k <= hi; ++k)
        fn(static_cast<int>(origin + 38 * k), static_cast<int>(k));
    const long long kBack = origin > hi ? (origin - hi + 37) / 38 : 1;
    for (long long k = std::max(1LL, kBack); origin - 38 * k > lo; ++k)
        fn(static_cast<int>(origin - 38 * k), static_cast<int>(-k));
}

void drawSignedVertical(Canvas &c, const PictureFrame &f, int height, int labelY)
{
    signedLines(f.ox, 20, f.width, [&](int x, int k) {
        c.line(x, 20, x, height);
        const QString label = qs(gridLabel(k, f.s.n()));
        c.textOut(x - c.textWidth(label) / 2, labelY, label);
    });
}

QPoint supportPoint(const PictureFrame &f, int which) { return which == 1 ? f.s1 : f.s2; }

PictureFrame makeFrame(const ProjectSnapshot &snap, const DrawingSettings &ds, const std::string &suffix)
{
    PictureFrame f;
    f.s = PlanScale(std::clamp(snap.project.IScale.value_or(kMinScale), kMinScale, kMaxScale));
    f.type = conductorTypeOf(snap.project.TipMO.value_or(""));
    // Two rods of a multiple rod carry the double rod's stored values and are drawn as one.
    if (f.type == ConductorType::MultiRod && snap.conductors.size() == 2)
        f.type = ConductorType::DoubleRod;
    f.multi = f.type == ConductorType::MultiRod && snap.conductors.size() > 2;
    f.g = ds.halfMarker();
    f.two = (f.type == ConductorType::Cable || f.type == ConductorType::DoubleRod || f.multi)
            && snap.conductors.size() > 1;
    f.as2 = f.type == ConductorType::DoubleRod && snap.project.ChkUseAs2.value_or(false);
    f.c1 = &snap.conductors.front();
    f.c2 = &snap.conductors.back();
    const double R = std::max(0.0, val(zoneRadiusForSize(snap, *f.c1, suffix)));
    double x1 = val(f.c1->MX), y1 = val(f.c1->MY);
    double x2 = val(f.c2->MX), y2 = val(f.c2->MY);
    if (f.multi) {
        // The frame of a group of rods: its bounding box takes the place of the two supports.
        for (const ConductorRec &c : snap.conductors) {
            x1 = std::min(x1, val(c.MX));
            y1 = std::min(y1, val(c.MY));
            x2 = std::max(x2, val(c.MX));
            y2 = std::max(y2, val(c.MY));
        }
        f.mr = multiRodDrawing(snap, ds.calc, suffix);
    }
    // The picture holds the zone and every object, also one the zone does not reach (a small
    // chosen construction): an object past the zone's frame widens it to 20 pixels beyond the
    // object.
    const double midX = f.two ? std::min(x1, x2) + std::fabs(x1 - x2) / 2 : x1;
    const double midY = f.two ? std::min(y1, y2) + std::fabs(y1 - y2) / 2 : y1;
    double objX = 0, objY = 0;
    for (const ObjectRec &o : snap.objects) {
        const double xa = val(o.MXa), ya = val(o.MYa);
        objX = std::max({objX, std::fabs(xa - midX), std::fabs(xa + val(o.L) - midX)});
        objY = std::max({objY, std::fabs(ya - midY), std::fabs(ya + val(o.S) - midY)});
    }
    const auto side = [&](double zoneSpan, double objectHalf) {
        return std::max({1, f.s.px(zoneSpan) + 80, 2 * f.s.px(objectHalf) + 40});
    };
    if (!f.two) {
        f.width = side(2 * R, objX);
        f.height = side(2 * R, objY);
        f.cx = f.width / 2;
        f.cy = f.height / 2;
        f.ox = f.cx - f.s.px(x1);
        f.oy = f.cy - f.s.px(y1);
        f.s1 = f.s2 = QPoint(f.cx, f.cy);
    } else {
        f.width = side(2 * R + std::fabs(x1 - x2), objX);
        f.cx = f.width / 2;
        f.height = side(2 * R + std::fabs(y1 - y2), objY);
        f.cy = f.height / 2;
        f.ox = f.cx - f.s.px(midX);
        f.oy = f.cy - f.s.px(midY);
        f.s1 = QPoint(f.s.px(val(f.c1->MX)) + f.ox, f.s.px(val(f.c1->MY)) + f.oy);
        f.s2 = QPoint(f.s.px(val(f.c2->MX)) + f.ox, f.s.px(val(f.c2->MY)) + f.oy);
        if (f.multi)
            for (const ConductorRec &c : snap.conductors)
                f.rods.push_back(QPoint(f.s.px(val(c.MX)) + f.ox, f.s.px(val(c.MY)) + f.oy));
    }
    return f;
}

// ---- top picture -------------------------------------------------------------------------

// The zone a radius belongs to: the conductor's by its field name, an object's by its letter.
DrawLayer zoneLayer(const char *conductorField) { return conductorField[3] == 'a' ? DrawLayer::ZoneA : DrawLayer::ZoneB; }
DrawLayer zoneLayer(const ObjectRec &o) { return o.Zona.value_or("") == "А" ? DrawLayer::ZoneA : DrawLayer::ZoneB; }

// With a recorder the picture is not painted: what would be drawn goes to the recorder.
// An underlay, when given, is painted beneath the grid at the picture's scale, its plan origin
// where the grid's is.
QImage renderTop(const ProjectSnapshot &snap, const DrawingSettings &ds, const std::string &suffix,
                 const PictureFrame &f, DrawingRecorder *rec = nullptr,
                 const UnderlayPicture *underlay = nullptr)
{
    const int width = f.width;
    const int height = f.height;
    QImage img = rec ? QImage(1, 1, QImage::Format_RGB32) : QImage(width, height, QImage::Format_RGB32);
    if (underlay && !rec) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.translate(f.ox, f.oy);
        DrawUnderlay(p, *underlay, f.s);
    }
    Canvas c(img, rec);
    c.setLayer(DrawLayer::Grid);
    if (!underlay)
        c.fill(Qt::white);
    c.setBrush(Qt::white);
    const int th = c.textHeight();

    // Grid with signed labels, anchored at the plan origin.
    c.setPen(ds.gridColor(), ds.gridPen);
    signedLines(f.oy, 20, height, [&](int y, int k) {
        c.line(20, y, width, y);
        c.textOut(0, y - th / 2, qs(gridLabel(k, f.s.n())));
    });
    drawSignedVertical(c, f, height, 0);

    // Objects, lowest first, and the angle intervals they hide from each rod or support.
    std::vector<const ObjectRec *> byHeight;
    for (const ObjectRec &o : snap.objects)
        byHeight.push_back(&o);
    std::stable_sort(byHeight.begin(), byHeight.end(), [](const ObjectRec *a, const ObjectRec *b) {
        if (!a->Hx || !b->Hx)
            return !a->Hx && b->Hx.has_value();
        return *a->Hx < *b->Hx;
    });
    std::vector<BlockedInterval> blocked1, blocked2;
    std::vector<std::vector<BlockedInterval>> blockedAt(f.multi ? snap.conductors.size() : 0);
    for (const ObjectRec *o : byHeight) {
        const int x = f.ox + f.s.px(val(o->MXa));
        const int y = f.oy + f.s.px(val(o->MYa));
        const int w = f.s.px(val(o->L));
        const int h = f.s.px(val(o->S));
        c.setLayer(DrawLayer::Objects);
        c.setSolidPen(objectColor(*o));
        c.setBrush(objectColor(*o));
        c.rectangle(x, y, x + w, y + h);
        c.setBrush(Qt::white);
        c.setLayer(DrawLayer::Labels);
        const QString text = qs(" " + o->SLabel.value_or("") + " ");
        c.textOut(x + (w - c.textWidth(text)) / 2, y + (h - th) / 2, text);

        if (f.multi) {
            for (size_t k = 0; k < blockedAt.size(); ++k)
                if (auto b = blockedInterval(*o, val(snap.conductors[k].MX), val(snap.conductors[k].MY)))
                    blockedAt[k].push_back(*b);
            continue;
        }
        const int num = o->NumMO.value_or(0);
        const bool to1 = !f.as2 || num == 1 || num == 12;
        const bool to2 = f.two && (!f.as2 || num == 2 || num == 12);
        if (to1) {
            if (auto b = blockedInterval(*o, val(f.c1->MX), val(f.c1->MY)))
                blocked1.push_back(*b);
        }
        if (to2) {
            if (auto b = blockedInterval(*o, val(f.c2->MX), val(f.c2->MY)))
                blocked2.push_back(*b);
        }
    }

    // Zone outlines. The two-support outlines are built from plan coordinates shifted by the
    // picture's offset so that they land on the supports drawn at px + offset.
    const QColor moColor = ds.conductorColor();
    const double dx = f.s.m(f.ox), dy = f.s.m(f.oy);
    const double x1 = val(f.c1->MX) + dx, y1 = val(f.c1->MY) + dy;
    const double x2 = val(f.c2->MX) + dx, y2 = val(f.c2->MY) + dy;
    const int zonaA = snap.project.ZonaACnt.value_or(0);
    const int zonaB = snap.project.ZonaBCnt.value_or(0);
    auto zonePen = [&](const QColor &col) {
        c.setPen(col, ds.zonePen(suffix));
        c.setClearBrush();
    };
    if (f.multi) {
        std::vector<QPointF> rodsM;
        for (const ConductorRec &rc : snap.conductors)
            rodsM.push_back(QPointF(val(rc.MX) + dx, val(rc.MY) + dy));
        drawMultiRodTop(c, f.s, rodsM, f.rods, f.mr, snap, ds, suffix);
    } else if (f.type == ConductorType::SingleRod || !f.two) {
        zonePen(moColor);
        c.setLayer(DrawLayer::ZoneA);
        if (zonaA > 0)
            if (const OptD r = conductorField(*f.c1, "Ro_a", suffix))
                drawCircle(c, f.s, {f.cx, f.cy}, *r);
        c.setLayer(DrawLayer::ZoneB);
        if (zonaB > 0)
            if (const OptD r = conductorField(*f.c1, "Ro_b", suffix))
                drawCircle(c, f.s, {f.cx, f.cy}, *r);
        for (const ObjectRec &o : snap.objects) {
            const OptD rx = objectField(o, "Rx", suffix);
            if (hasZone(o) && rx) {
                zonePen(objectColor(o));
                c.setLayer(zoneLayer(o));
                drawCircle(c, f.s, {f.cx, f.cy}, *rx);
            }
        }
    } else if (f.type == ConductorType::Cable) {
        c.setLayer(DrawLayer::Conductor);
        c.setPen(moColor, LinePen{Qt::SolidLine, ds.gridPen.width});
        c.line(f.s1.x(), f.s1.y(), f.s2.x(), f.s2.y());
        zonePen(moColor);
        for (const char *ro : {"Ro_a", "Ro_b"})
            if (const OptD r = conductorField(*f.c1, ro, suffix)) {
                c.setLayer(zoneLayer(ro));
                drawStadium(c, f.s, x1, y1, x2, y2, *r);
            }
        for (const ObjectRec &o : snap.objects) {
            const OptD rx = objectField(o, "Rx", suffix);
            if (hasZone(o) && rx) {
                zonePen(objectColor(o));
                c.setLayer(zoneLayer(o));
                drawStadium(c, f.s, x1, y1, x2, y2, *rx);
            }
        }
    } else {
        auto outline = [&](double r, OptD rc) {
            if (f.as2 || !rc) {
                drawCircle(c, f.s, f.s1, r);
                drawCircle(c, f.s, f.s2, r);
            } else {
                drawWaisted(c, f.s, x1, y1, x2, y2, r, *rc);
            }
        };
        zonePen(moColor);
        for (const auto &[ro, rc] : {std::pair{"Ro_a", "Rc_a"}, std::pair{"Ro_b", "Rc_b"}})
            if (const OptD r = conductorField(*f.c1, ro, suffix)) {
                c.setLayer(zoneLayer(ro));
                outline(*r, conductorField(*f.c1, rc, suffix));
            }
        for (const ObjectRec &o : snap.objects) {
            const OptD rx = objectField(o, "Rx", suffix);
            if (!hasZone(o) || !rx)
                continue;
            zonePen(objectColor(o));
            c.setLayer(zoneLayer(o));
            if (f.as2) {
                const int num = o.NumMO.value_or(0);
                if (num == 1 || num == 12)
                    drawCircle(c, f.s, f.s1, *rx);
                if (num == 2 || num == 12)
                    drawCircle(c, f.s, f.s2, *rx);
            } else {
                outline(*rx, objectField(o, "Rcx", suffix));
            }
        }
    }

    // Radius labels.
    std::vector<Label> labels;
    if (zonaA > 0)
        if (const OptD r = conductorField(*f.c1, "Ro_a", suffix))
            labels.push_back({"Ro_a", *r, nullptr});
    if (zonaB > 0)
        if (const OptD r = conductorField(*f.c1, "Ro_b", suffix))
            labels.push_back({"Ro_b", *r, nullptr});
    for (const ObjectRec &o : snap.objects) {
        const OptD rx = objectField(o, "Rx", suffix);
        if (hasZone(o) && rx)
            labels.push_back({"Rx" + o.SLabel.value_or(""), *rx, &o});
    }
    c.setSolidPen(Qt::black);
    c.setBrush(Qt::white);
    c.setLayer(DrawLayer::Dimensions);
    auto drawLabel = [&](QPoint p0, int a, double radius, const std::string &name) {
        const int rp = f.s.px(radius);
        const double rad = a * M_PI / 180.0;
        const QPoint e(p0.x() + iround(std::cos(rad) * rp), p0.y() + iround(std::sin(rad) * rp));
        c.arrowedLine(p0.x(), p0.y(), e.x(), e.y(), false, true);
        const bool right = f.two ? width / 2 < e.x() : p0.x() < e.x();
        if (right) {
            c.line(e.x(), e.y(), e.x() + 30, e.y());
            c.textOut(e.x() + 3, e.y() - th, qs(" " + name));
        } else {
            c.line(e.x(), e.y(), e.x() - 30, e.y());
            c.textOut(e.x() - 30, e.y() - th, qs(name));
        }
    };
    if (f.multi) {
        // Each rod labels the half plane facing away from the group's centre; a label goes to
        // the first rod, in row order, with a free angle left there.
        double gx = 0, gy = 0;
        for (const ConductorRec &rc : snap.conductors) {
            gx += val(rc.MX);
            gy += val(rc.MY);
        }
        gx /= static_cast<double>(snap.conductors.size());
        gy /= static_cast<double>(snap.conductors.size());
        std::vector<int> at, limit;
        for (const ConductorRec &rc : snap.conductors) {
            const double away = dirAngle(gx, gy, val(rc.MX), val(rc.MY));
            at.push_back(iround(away - 90) % 360);
            limit.push_back(at.back() + 180);
        }
        for (const Label &l : labels)
            for (size_t k = 0; k < at.size(); ++k) {
                at[k] = searchFreeAngle(blockedAt[k], at[k], limit[k]);
                if (at[k] <= limit[k]) {
                    drawLabel(f.rods[k], at[k], l.radius, l.name);
                    at[k] += 15;
                    break;
                }
            }
    } else if (!f.two) {
        int a = 0;
        for (const Label &l : labels) {
            a = searchFreeAngle(blocked1, a, 360);
            drawLabel({f.cx, f.cy}, a, l.radius, l.name);
            a += 15;
        }
    } else if (f.as2) {
        int a1 = 0, a2 = 0;
        for (const Label &l : labels) {
            const int num = l.obj ? l.obj->NumMO.value_or(0) : 12;
            if (num == 1 || num == 12) {
                a1 = searchFreeAngle(blocked1, a1, 360);
                drawLabel(f.s1, a1, l.radius, l.name);
                a1 += 15;
            }
            if (num == 2 || num == 12) {
                a2 = searchFreeAngle(blocked2, a2, 360);
                drawLabel(f.s2, a2, l.radius, l.name);
                a2 += 15;
            }
        }
    } else {
        const double theta = dirAngle(val(f.c1->MX), val(f.c1->MY), val(f.c2->MX), val(f.c2->MY));
        int a1 = iround(theta + 90) % 360;
        int a2 = iround(theta - 90) % 360;
        const int limit1 = a1 + 180, limit2 = a2 + 180;
        for (const Label &l : labels) {
            a1 = searchFreeAngle(blocked1, a1, limit1);
            if (a1 <= limit1) {
                drawLabel(f.s1, a1, l.radius, l.name);
                a1 += 15;
                continue;
            }
            a2 = searchFreeAngle(blocked2, a2, limit2);
            if (a2 <= limit2) {
                drawLabel(f.s2, a2, l.radius, l.name);
                a2 += 15;
            }
        }
    }

    // Conductor markers on top of everything.
    c.setLayer(DrawLayer::Conductor);
    c.setSolidPen(Qt::black);
    c.setBrush(moColor);
    if (f.multi) {
        // The rods, numbered as in the tables of the report.
        for (size_t k = 0; k < f.rods.size(); ++k) {
            const QPoint &p = f.rods[k];
            c.setLayer(DrawLayer::Conductor);
            c.setSolidPen(Qt::black);
            c.setBrush(moColor);
            c.rectangle(p.x() - f.g, p.y() - f.g, p.x() + f.g, p.y() + f.g);
            c.setLayer(DrawLayer::Labels);
            c.setBrush(Qt::white);
            c.textOut(p.x() + f.g + 1, p.y() + f.g, qs(std::to_string(k + 1)));
        }
    } else if (!f.two) {
        c.rectangle(f.cx - f.g, f.cy - f.g, f.cx + f.g, f.cy + f.g);
    } else {
        for (const QPoint &p : {f.s1, f.s2})
            c.rectangle(p.x() - f.g, p.y() - f.g, p.x() + f.g, p.y() + f.g);
    }
    return img;
}

// ---- front picture -----------------------------------------------------------------------

struct Dim {
    int x;
    std::string name;
};

// The dimensions are collected as they come and ordered once (orderDims) before they are drawn:
// the right list by x ascending, the left one descending, equal x in the order they came. An
// insertion in order for each would make a drawing of many objects quadratic.
void insertDim(std::vector<Dim> &list, Dim d, bool) { list.push_back(std::move(d)); }

void orderDims(std::vector<Dim> &list, bool ascending)
{
    std::stable_sort(list.begin(), list.end(), [ascending](const Dim &a, const Dim &b) {
        return ascending ? a.x < b.x : a.x > b.x;
    });
}

// The ground line of the front picture.
int frontGround(int frontImageHeight) { return std::max(0, frontImageHeight) + 30 - 10; }

QImage renderFront(const ProjectSnapshot &snap, const DrawingSettings &ds, const std::string &suffix,
                   const PictureFrame &f, int frontImageHeight, std::string &refused,
                   DrawingRecorder *rec = nullptr)
{
    const int width = f.width;
    const int hb = std::max(0, frontImageHeight) + 30;
    if (!rec) {
        refused = pictureTooLarge(width, hb, f.s.n());
        if (!refused.empty())
            return {};
    }
    const int ground = frontGround(frontImageHeight);
    QImage img = rec ? QImage(1, 1, QImage::Format_RGB32) : QImage(width, hb, QImage::Format_RGB32);
    std::vector<Dim> left, right;
    auto cf = [&](const ConductorRec &c, const char *base) {
        OptD v = conductorField(c, base, suffix);
        return v ? v : conductorField(*f.c1, base, suffix);
    };
    const bool cable = f.type == ConductorType::Cable;
    // Conductor silhouettes: rods as tall as H, catenary supports as tall as Hop.
    const char *silhouetteField = cable ? "Hop" : "H";
    const int x1 = f.two ? f.s1.x() : f.cx;
    const int x2 = f.two ? f.s2.x() : f.cx;
    int xL = std::min(x1, x2), xR = std::max(x1, x2);
    for (const QPoint &p : f.rods) {
        xL = std::min(xL, p.x());
        xR = std::max(xR, p.x());
    }
    const int midX = f.multi ? (xL + xR) / 2 : (x1 + x2) / 2;
    {
        Canvas c(img, rec);
        c.setLayer(DrawLayer::Grid);
        c.fill(Qt::white);
        c.setBrush(Qt::white);
        const int th = c.textHeight();
        // Grid: heights counted up from the ground line, plan X along the bottom.
        c.setPen(ds.gridColor(), ds.gridPen);
        for (int k = 0;; ++k) {
            const int y = ground - 38 * k;
            if (y <= 20)
                break;
            c.line(20, y, width, y);
            c.textOut(0, y - th / 2, qs(gridLabel(k, f.s.n())));
        }
        drawSignedVertical(c, f, hb, 0);

        auto conductorSilhouette = [&](const ConductorRec &cr, int x) {
            const int h = f.s.px(val(cf(cr, silhouetteField)));
            c.setLayer(DrawLayer::Conductor);
            c.setSolidPen(Qt::black);
            c.setBrush(ds.conductorColor());
            c.rectangle(x - f.g, ground - h, x + f.g, ground);
        };
        auto objectSilhouette = [&](const ObjectRec &o) {
            const int x = f.ox + f.s.px(val(o.MXa));
            const int w = f.s.px(val(o.L));
            const int h = f.s.px(val(o.Hx));
            const int top = hb - h - 10;
            c.setLayer(DrawLayer::Objects);
            c.setSolidPen(objectColor(o));
            c.setBrush(objectColor(o));
            c.rectangle(x, top, x + w, top + h);
            const OptD rxv = objectField(o, "Rx", suffix);
            if (hasZone(o) && rxv) {
                const int rx = f.s.px(*rxv);
                const std::string name = "Rx" + o.SLabel.value_or("");
                c.setLayer(DrawLayer::Dimensions);
                c.setSolidPen(Qt::black);
                if (!f.two) {
                    if (x > f.cx) {
                        c.polyline({{f.cx + f.g, top}, {f.cx + rx, top}, {f.cx + rx, top + h}});
                        insertDim(right, {f.cx + rx, name}, true);
                    } else {
                        c.polyline({{f.cx - f.g, top}, {f.cx - rx, top}, {f.cx - rx, top + h}});
                        insertDim(left, {f.cx - rx, name}, false);
                    }
                } else if (x > midX) {
                    c.polyline({{x + w, top}, {xR + rx, top}, {xR + rx, ground}});
                    insertDim(right, {xR + rx, name}, true);
                } else {
                    c.polyline({{x, top}, {xL - rx, top}, {xL - rx, ground}});
                    insertDim(left, {xL - rx, name}, false);
                }
            }
            c.setBrush(Qt::white);
            c.setLayer(DrawLayer::Labels);
            const QString text = qs(" " + o.SLabel.value_or("") + " ");
            c.textOut(x + (w - c.textWidth(text)) / 2, top + (h - th) / 2, text);
        };

        // Silhouettes, farthest first.
        std::vector<const ObjectRec *> byDepth;
        for (const ObjectRec &o : snap.objects)
            byDepth.push_back(&o);
        auto depth = [](const ObjectRec *o) { return val(o->MYa) + val(o->S); };
        std::stable_sort(byDepth.begin(), byDepth.end(),
                         [&](const ObjectRec *a, const ObjectRec *b) { return depth(a) < depth(b); });
        if (!f.two) {
            const double my = val(f.c1->MY);
            // Without objects the rod still stands in the picture.
            if (byDepth.empty() || depth(byDepth.front()) > my)
                conductorSilhouette(*f.c1, f.cx);
            for (const ObjectRec *o : byDepth) {
                objectSilhouette(*o);
                if (depth(o) <= my)
                    conductorSilhouette(*f.c1, f.cx);
            }
        } else {
            struct Item {
                double depth;
                const ObjectRec *obj;
                int support;
            };
            std::vector<Item> list;
            for (const ObjectRec *o : byDepth)
                list.push_back({depth(o), o, 0});
            // Supports 1 and 2, or every rod of a multiple rod (numbered from 1).
            const int supports = f.multi ? static_cast<int>(f.rods.size()) : 2;
            const auto supportRec = [&](int which) -> const ConductorRec & {
                if (f.multi)
                    return snap.conductors[which - 1];
                return which == 1 ? *f.c1 : *f.c2;
            };
            for (int which = 1; which <= supports; ++which) {
                const double d = val(supportRec(which).MY);
                auto it = std::find_if(list.begin(), list.end(), [&](const Item &i) { return i.depth > d; });
                list.insert(it, {d, nullptr, which});
            }
            for (const Item &i : list) {
                if (i.obj)
                    objectSilhouette(*i.obj);
                else
                    conductorSilhouette(supportRec(i.support),
                                        f.multi ? f.rods[i.support - 1].x()
                                                : supportPoint(f, i.support).x());
            }
        }

        // Zone silhouettes.
        c.setPen(ds.conductorColor(), ds.zonePen(suffix));
        c.setClearBrush();
        if (f.multi) {
            std::vector<int> axis;
            for (const QPoint &p : f.rods)
                axis.push_back(p.x());
            drawMultiRodFront(c, f.s, axis, ground, f.mr, snap, ds, suffix);
        } else if (!f.two) {
            const OptD h = conductorField(*f.c1, "H", suffix);
            const int yT = ground - (h ? f.s.px(*h) : 0);
            for (const auto &[cnt, ho, ro] :
                 {std::tuple{snap.project.ZonaACnt, "Ho_a", "Ro_a"}, std::tuple{snap.project.ZonaBCnt, "Ho_b", "Ro_b"}}) {
                const OptD hov = conductorField(*f.c1, ho, suffix);
                const OptD rov = conductorField(*f.c1, ro, suffix);
                if (cnt.value_or(0) <= 0 || !h || !hov || !rov)
                    continue;
                c.setLayer(zoneLayer(ro));
                const QPoint apex(f.cx, yT + f.s.px(*h - *hov));
                const int R = f.s.px(*rov);
                c.line(apex.x(), apex.y(), f.cx - R, yT + f.s.px(*h));
                c.line(apex.x(), apex.y(), f.cx + R, yT + f.s.px(*h));
            }
        } else {
            const bool normal = val(f.c1->MX) <= val(f.c2->MX);
            if (cable && std::abs(x1 - x2) > 2 * f.g) {
                const OptD hop = conductorField(*f.c1, "Hop", suffix);
                const OptD h = conductorField(*f.c1, "H", suffix);
                const int yT = ground - (hop ? f.s.px(*hop) : 0);
                const int sag = hop && h ? f.s.px(*hop) - f.s.px(*h) : 0;
                const QPoint p1(xL, yT + 1), p3(xR, yT + 1), pm(midX, yT + sag + 1);
                c.setLayer(DrawLayer::Conductor);
                drawCable(c, p1, pm, p3, QPoint(xL + f.g, yT + 1), QPoint(xR - f.g, yT + 1));
            }
            for (const auto &[ho, ro, hc] :
                 {std::tuple{"Ho_a", "Ro_a", "Hc_a"}, std::tuple{"Ho_b", "Ro_b", "Hc_b"}}) {
                const OptD hov = conductorField(*f.c1, ho, suffix);
                const OptD rov = conductorField(*f.c1, ro, suffix);
                if (!hov || !rov)
                    continue;
                c.setLayer(zoneLayer(ro));
                const int R = f.s.px(*rov);
                const QPoint top1(x1, ground - f.s.px(*hov));
                const QPoint top2(x2, ground - f.s.px(*hov));
                const OptD hcv = conductorField(*f.c1, hc, suffix);
                if (!cable && (f.as2 || !hcv)) {
                    for (const QPoint &apex : {top1, top2}) {
                        c.line(apex.x(), apex.y(), apex.x() - R, ground);
                        c.line(apex.x(), apex.y(), apex.x() + R, ground);
                    }
                    continue;
                }
                c.line(top1.x(), top1.y(), normal ? x1 - R : x1 + R, ground);
                c.line(top2.x(), top2.y(), normal ? x2 + R : x2 - R, ground);
                if (cable)
                    c.line(top1.x(), top1.y(), top2.x(), top2.y());
                else
                    c.polyline({top1, QPoint(midX, ground - f.s.px(*hcv)), top2});
            }
        }

        // The conductor's radii go to the shorter list (ties to the left).
        for (const char *ro : {"Ro_a", "Ro_b"}) {
            const OptD rov = conductorField(*f.c1, ro, suffix);
            if (!rov)
                continue;
            const int R = f.s.px(*rov);
            if (right.size() < left.size())
                insertDim(right, {(f.two ? xR : f.cx) + R, ro}, true);
            else
                insertDim(left, {(f.two ? xL : f.cx) - R, ro}, false);
        }
    }

    orderDims(right, true);
    orderDims(left, false);
    // Dimension lines in a strip below the ground.
    const int h0 = hb;
    const size_t rows = std::max(left.size(), right.size());
    if (rows > 0 && !rec) {
        const long long grownHeight = static_cast<long long>(h0) + 26LL * static_cast<long long>(rows);
        refused = pictureTooLarge(width, grownHeight, f.s.n());
        if (!refused.empty())
            return {};
        QImage grown(width, static_cast<int>(grownHeight), QImage::Format_RGB32);
        grown.fill(Qt::white);
        {
            QPainter p(&grown);
            p.drawImage(0, 0, img);
        }
        img = std::move(grown);
    }
    Canvas c(img, rec);
    c.setLayer(DrawLayer::Dimensions);
    c.setSolidPen(Qt::black);
    c.setBrush(Qt::white);
    auto dims = [&](const std::vector<Dim> &list, int refX) {
        int lowest = 0;
        for (size_t j = 0; j < list.size(); ++j) {
            const int y = h0 + 20 + 20 * static_cast<int>(j);
            c.line(list[j].x, h0 - 10, list[j].x, y + 5);
            c.arrowedLine(list[j].x, y, refX, y, true, true, qs(list[j].name));
            lowest = y + 5;
        }
        return lowest;
    };
    if (!f.two) {
        const int mL = dims(left, f.cx);
        const int mR = dims(right, f.cx);
        c.line(f.cx, h0 - 10, f.cx, std::max(mL, mR));
    } else {
        const int mL = dims(left, xL);
        c.line(xL, h0 - 10, xL, mL);
        const int mR = dims(right, xR);
        c.line(xR, h0 - 10, xR, mR);
    }
    return img;
}

// Records a picture into a DXF document in metres: pixel x maps through the anchor (a pixel
// column whose plan X is known exactly), pixel y likewise on the plan (negated) or up from the
// ground line on the elevation.
class DxfRecorder : public DrawingRecorder {
public:
    DxfRecorder(DxfDocument &doc, const PictureFrame &f, QPointF anchorPx, DxfPoint anchorM,
                std::optional<int> groundPx)
        : m_doc(doc), m_k(f.s.n() / (100.0 * kPixelsPerCm)), m_anchorPx(anchorPx),
          m_anchorM(anchorM), m_ground(groundPx)
    {
    }
    void line(DrawLayer l, QPointF a, QPointF b) override
    {
        if (a != b)
            m_doc.line(name(l), map(a), map(b));
    }
    void polyline(DrawLayer l, const std::vector<QPointF> &pts, bool closed) override
    {
        std::vector<DxfPoint> out;
        out.reserve(pts.size());
        for (const QPointF &p : pts)
            out.push_back(map(p));
        m_doc.polyline(name(l), out, closed);
    }
    void circle(DrawLayer l, QPointF c, double r) override
    {
        if (r > 0)
            m_doc.circle(name(l), map(c), r * m_k);
    }
    void arc(DrawLayer l, QPointF c, double r, double a0, double a1) override
    {
        if (r > 0)
            m_doc.arc(name(l), map(c), r * m_k, a0, a1);
    }
    void text(DrawLayer l, QPointF at, double h, const QString &s) override
    {
        m_doc.text(name(l), map(at), h * m_k, s);
    }

    static const char *name(DrawLayer l)
    {
        switch (l) {
        case DrawLayer::Grid: return "GRID";
        case DrawLayer::Conductor: return "CONDUCTOR";
        case DrawLayer::ZoneA: return "ZONE_A";
        case DrawLayer::ZoneB: return "ZONE_B";
        case DrawLayer::Objects: return "OBJECTS";
        case DrawLayer::Labels: return "LABELS";
        case DrawLayer::Dimensions: return "DIMENSIONS";
        }
        return "0";
    }
    static void addLayers(DxfDocument &doc)
    {
        doc.addLayer(name(DrawLayer::Grid), 8);
        doc.addLayer(name(DrawLayer::Conductor), 5);
        doc.addLayer(name(DrawLayer::ZoneA), 1);
        doc.addLayer(name(DrawLayer::ZoneB), 3);
        doc.addLayer(name(DrawLayer::Objects), 30);
        doc.addLayer(name(DrawLayer::Labels), 7);
        doc.addLayer(name(DrawLayer::Dimensions), 7);
    }

private:
    DxfPoint map(QPointF p) const
    {
        const double x = m_anchorM.x + (p.x() - m_anchorPx.x()) * m_k;
        if (m_ground)
            return {x, (*m_ground - p.y()) * m_k};
        return {x, -(m_anchorM.y + (p.y() - m_anchorPx.y()) * m_k)};
    }
    DxfDocument &m_doc;
    double m_k; // metres per pixel
    QPointF m_anchorPx;
    DxfPoint m_anchorM;
    std::optional<int> m_ground;
};

} // namespace

std::string zoneDxfTooLarge(const ProjectSnapshot &snap, const DrawingSettings &settings,
                            const std::string &suffix, int frontImageHeight)
{
    if (snap.conductors.empty())
        return {};
    const PictureFrame f = makeFrame(snap, settings, suffix);
    // Entities: a line and a label for every grid line of both views, and for every object its
    // shapes, labels, zone outlines and dimensions in both views (at most about 16); each takes
    // at most about 240 bytes of text.
    const double gridLines = (2.0 * f.width + f.height + std::max(0, frontImageHeight) + 60) / 38.0;
    const double entities = 2 * gridLines + 16.0 * static_cast<double>(snap.objects.size()) + 64;
    const double bytes = entities * 240;
    if (bytes <= static_cast<double>(limits::kMaxDxfBytes))
        return {};
    const auto mb = [](double b) {
        return std::to_string(static_cast<long long>(std::ceil(b / (1024 * 1024))));
    };
    return "Ошибка. Чертеж DXF слишком велик: около " + mb(bytes) + " МБ (допускается не более "
           + mb(static_cast<double>(limits::kMaxDxfBytes))
           + " МБ). Выберите более мелкий масштаб, чем 1:" + std::to_string(f.s.n())
           + ", или уменьшите число объектов.";
}

ZoneDxf zoneDxf(const ProjectSnapshot &snap, const DrawingSettings &settings, const std::string &suffix,
                int frontImageHeight, const Mesh3 *sphereEnvelope)
{
    DxfDocument top, front;
    DxfRecorder::addLayers(top);
    DxfRecorder::addLayers(front);
    if (!snap.conductors.empty()) {
        const PictureFrame f = makeFrame(snap, settings, suffix);
        // Support 1 (or the rod) stands at its exact plan position.
        const QPointF anchorPx = f.two ? QPointF(f.s1) : QPointF(f.cx, f.cy);
        const DxfPoint anchorM{val(f.c1->MX), val(f.c1->MY)};
        DxfRecorder topRec(top, f, anchorPx, anchorM, std::nullopt);
        renderTop(snap, settings, suffix, f, &topRec);
        DxfRecorder frontRec(front, f, anchorPx, anchorM, frontGround(frontImageHeight));
        std::string unused;
        renderFront(snap, settings, suffix, f, frontImageHeight, unused, &frontRec);
    }
    // The zone solids in space on their own layers of the plan (Y negated as everywhere there).
    top.addLayer(kZoneLayer3dA, 1);
    top.addLayer(kZoneLayer3dB, 3);
    for (const ZoneSolid &z : buildZoneSolids(snap, suffix, &settings.calc)) {
        const std::string layer = z.zone == ZoneLetter::A ? kZoneLayer3dA : kZoneLayer3dB;
        auto at = [&](int i) {
            const Point3 &p = z.mesh.vertices[i];
            return DxfPoint3{p.x, -p.y, p.z};
        };
        for (const auto &t : z.mesh.triangles)
            top.face3d(layer, at(t[0]), at(t[1]), at(t[2]));
    }
    if (sphereEnvelope && !sphereEnvelope->empty()) {
        top.addLayer(kSphereLayer3d, 6);
        auto at = [&](int i) {
            const Point3 &p = sphereEnvelope->vertices[static_cast<std::size_t>(i)];
            return DxfPoint3{p.x, -p.y, p.z};
        };
        for (const auto &t : sphereEnvelope->triangles)
            top.face3d(kSphereLayer3d, at(t[0]), at(t[1]), at(t[2]));
    }
    return {top.toString(), front.toString()};
}

bool writeZoneDxf(const ProjectSnapshot &snap, const PlanViewModel &model, const std::string &suffix,
                  const QString &topPath, const QString &frontPath, QString *error,
                  const Mesh3 *sphereEnvelope)
{
    if (const std::string refused =
            zoneDxfTooLarge(snap, model.settings(), suffix, model.frontImageHeight());
        !refused.empty()) {
        if (error)
            *error = QString::fromStdString(refused);
        return false;
    }
    const ZoneDxf dxf =
        zoneDxf(snap, model.settings(), suffix, model.frontImageHeight(), sphereEnvelope);
    for (const auto &[path, text] : {std::pair{topPath, &dxf.top}, std::pair{frontPath, &dxf.front}}) {
        if (path.isEmpty())
            continue;
        std::string why;
        if (!writeOutputFile(path.toStdString(), *text, &why)) {
            if (error)
                *error = QStringLiteral("Ошибка. Файл %1 не записан: %2.")
                             .arg(path, QString::fromStdString(why));
            return false;
        }
    }
    return true;
}

std::optional<BlockedInterval> blockedInterval(const ObjectRec &obj, double xc, double yc)
{
    const double xa = val(obj.MXa), ya = val(obj.MYa), l = val(obj.L), s = val(obj.S);
    const double dx = std::max({xa - xc, 0.0, xc - (xa + l)});
    const double dy = std::max({ya - yc, 0.0, yc - (ya + s)});
    if (round2(std::sqrt(dx * dx + dy * dy)) == 0)
        return std::nullopt;
    double lo, hi;
    if (xa > xc && ya < yc && yc < ya + s) {
        lo = dirAngle(xc, yc, xa, ya) - 360;
        hi = dirAngle(xc, yc, xa, ya + s);
    } else {
        const double a[4] = {dirAngle(xc, yc, xa, ya), dirAngle(xc, yc, xa + l, ya),
                             dirAngle(xc, yc, xa + l, ya + s), dirAngle(xc, yc, xa, ya + s)};
        lo = *std::min_element(a, a + 4);
        hi = *std::max_element(a, a + 4);
    }
    return BlockedInterval{iround(lo), iround(hi)};
}

int searchFreeAngle(const std::vector<BlockedInterval> &list, int a, int limit)
{
    while (a <= limit) {
        const bool blocked = std::any_of(list.begin(), list.end(), [a](const BlockedInterval &b) {
            return b.smallest <= a && a <= b.largest;
        });
        if (!blocked)
            break;
        ++a;
    }
    return a;
}

std::optional<std::string> previewSuffix(const ProjectSnapshot &snap)
{
    if (snap.conductors.empty())
        return std::nullopt;
    const ConductorRec &c = snap.conductors.front();
    if (c.H1)
        return std::string("1");
    if (c.H)
        return std::string();
    return std::nullopt;
}

ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const DrawingSettings &settings,
                                const std::string &suffix, int frontImageHeight,
                                const UnderlayPicture *underlay)
{
    ZonePictures out;
    if (snap.conductors.empty()) {
        out.top = QImage(80, 80, QImage::Format_RGB32);
        out.top.fill(Qt::white);
        out.front = QImage(80, std::clamp(frontImageHeight, 0, kMaxBitmapSide) + 30,
                           QImage::Format_RGB32);
        out.front.fill(Qt::white);
        return out;
    }
    const PictureFrame f = makeFrame(snap, settings, suffix);
    out.refused = pictureTooLarge(f.width, f.height, f.s.n());
    if (!out.refused.empty())
        return out;
    out.front = renderFront(snap, settings, suffix, f, frontImageHeight, out.refused);
    if (!out.refused.empty()) {
        out.front = QImage();
        return out;
    }
    out.top = renderTop(snap, settings, suffix, f, nullptr, underlay);
    return out;
}

ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const PlanViewModel &model,
                                const std::string &suffix)
{
    return RenderZonePictures(snap, model.settings(), suffix, model.frontImageHeight(),
                              model.underlay());
}

ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const DrawingSettings &settings,
                                const std::string &suffix, const UnderlayPicture *underlay)
{
    PlanViewModel model;
    model.LoadDrawingSettings(settings);
    model.ShowProjectShapes(snap);
    return RenderZonePictures(snap, model.settings(), suffix, model.frontImageHeight(), underlay);
}

QImage RenderSphereFront(const ProjectSnapshot &snap, const DrawingSettings &settings,
                         const std::string &suffix, double R, std::string &refused)
{
    refused.clear();
    if (snap.conductors.empty())
        return {};
    PlanViewModel model;
    model.LoadDrawingSettings(settings);
    model.ShowProjectShapes(snap);
    const PictureFrame f = makeFrame(snap, settings, suffix);
    QImage front = renderFront(snap, settings, suffix, f, model.frontImageHeight(), refused);
    if (!refused.empty() || front.isNull())
        return {};
    Canvas c(front);
    DrawSphereArcs(c, f.s, f.ox, frontGround(model.frontImageHeight()),
                   SphereElevationTops(snap, suffix), R, settings);
    return front;
}

} // namespace kv
