#include "plan/scene3d.h"

#include "plan/plancoords.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QVector3D>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kConcentrated = 16; // the class of concentrated structures

void extend(Scene3D &s, const Point3 &p, bool &any)
{
    if (!any) {
        s.lo = s.hi = p;
        any = true;
        return;
    }
    s.lo = {std::min(s.lo.x, p.x), std::min(s.lo.y, p.y), std::min(s.lo.z, p.z)};
    s.hi = {std::max(s.hi.x, p.x), std::max(s.hi.y, p.y), std::max(s.hi.z, p.z)};
}

void quad(std::vector<Scene3D::Face> &to, Point3 a, Point3 b, Point3 c, Point3 d, QColor col)
{
    Scene3D::Face f;
    f.p[0] = a, f.p[1] = b, f.p[2] = c, f.p[3] = d;
    f.corners = 4;
    f.color = col;
    to.push_back(f);
}

// A vertical prism over a convex outline (plan points, counter-clockwise or not) up to height h.
void prism(Scene3D &s, const std::vector<std::pair<double, double>> &outline, double h, QColor col)
{
    const std::size_t n = outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto [x1, y1] = outline[i];
        const auto [x2, y2] = outline[(i + 1) % n];
        quad(s.faces, {x1, y1, 0}, {x2, y2, 0}, {x2, y2, h}, {x1, y1, h}, col);
    }
    Scene3D::Face roof;
    roof.corners = int(std::min<std::size_t>(n, 8));
    for (int i = 0; i < roof.corners; ++i)
        roof.p[i] = {outline[i].first, outline[i].second, h};
    roof.color = col;
    s.faces.push_back(roof);
}

// The height of a support as the front view stands it: the chosen dimensions first.
double supportHeight(const ConductorRec &c)
{
    for (const OptD &v : {c.Hop1, c.H1, c.Hop, c.H})
        if (v)
            return *v;
    return 0;
}

double niceStep(double step, double extent)
{
    // The plan's grid step, coarsened in 1-2-5 steps while it would give too many lines.
    step = step > 0 ? step : 1;
    const double factors[] = {2, 2.5, 2};
    for (int i = 0; extent / step > 60 && i < 60; ++i)
        step *= factors[i % 3];
    return step;
}

QVector3D render(const Point3 &p) { return QVector3D(float(p.x), float(-p.y), float(p.z)); }

} // namespace

QColor zoneColor(ZoneLetter z)
{
    return z == ZoneLetter::A ? QColor(240, 125, 25, 95) : QColor(50, 120, 240, 75);
}

QColor sphereEnvelopeColor(const DrawingSettings &ds)
{
    QColor c = ds.sphereColour();
    c.setAlpha(120);
    return c;
}

Scene3D buildScene3D(const ProjectSnapshot &snap, const DrawingSettings &ds,
                     const std::optional<std::string> &suffix,
                     const std::vector<std::size_t> &unprotected, const Mesh3 *sphereEnvelope)
{
    Scene3D s;
    bool any = false;
    extend(s, {0, 0, 0}, any);

    for (std::size_t i = 0; i < snap.objects.size(); ++i) {
        const ObjectRec &o = snap.objects[i];
        const double x = o.MXa.value_or(0), y = o.MYa.value_or(0);
        const double l = std::max(0.0, o.L.value_or(0)), w = std::max(0.0, o.S.value_or(0));
        const double h = std::max(0.05, o.Hx.value_or(0));
        const bool open = std::find(unprotected.begin(), unprotected.end(), i) != unprotected.end();
        const QColor col = open ? kUnprotectedColor
                                : (o.ObjColor ? colorFromRgbInt(*o.ObjColor) : QColor(192, 192, 192));
        std::vector<std::pair<double, double>> outline;
        if (o.Tip.value_or(0) == kConcentrated) {
            const double r = std::clamp(std::min(l, w) / 2, 0.15, 0.5);
            const double cx = x + l / 2, cy = y + w / 2;
            for (int k = 0; k < 8; ++k)
                outline.emplace_back(cx + r * std::cos(k * M_PI / 4), cy + r * std::sin(k * M_PI / 4));
        } else {
            outline = {{x, y}, {x + l, y}, {x + l, y + w}, {x, y + w}};
        }
        prism(s, outline, h, col);
        extend(s, {x, y, 0}, any);
        extend(s, {x + l, y + w, h}, any);
    }

    const QColor conductor = ds.conductorColor();
    for (const ConductorRec &c : snap.conductors) {
        const Point3 foot{c.MX.value_or(0), c.MY.value_or(0), 0};
        const Point3 top{foot.x, foot.y, std::max(0.5, supportHeight(c))};
        s.segments.push_back({foot, top, conductor, 3});
        extend(s, top, any);
        extend(s, foot, any);
    }
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    if (type == ConductorType::Cable && snap.conductors.size() >= 2) {
        const ConductorRec &c1 = snap.conductors.front(), &c2 = snap.conductors.back();
        const double h1 = supportHeight(c1), h2 = supportHeight(c2);
        const OptD mid = suffix == std::optional<std::string>("1") && c1.H1 ? c1.H1 : c1.H;
        const double sag = std::max(0.0, (h1 + h2) / 2 - mid.value_or((h1 + h2) / 2));
        constexpr int kPieces = 24;
        Point3 prev{c1.MX.value_or(0), c1.MY.value_or(0), h1};
        for (int k = 1; k <= kPieces; ++k) {
            const double t = double(k) / kPieces;
            const Point3 q{c1.MX.value_or(0) + t * (c2.MX.value_or(0) - c1.MX.value_or(0)),
                     c1.MY.value_or(0) + t * (c2.MY.value_or(0) - c1.MY.value_or(0)),
                     h1 + t * (h2 - h1) - 4 * sag * t * (1 - t)};
            s.segments.push_back({prev, q, QColor(40, 40, 40), 2});
            prev = q;
        }
    }

    if (suffix) {
        for (const ZoneSolid &z : buildZoneSolids(snap, *suffix, &ds.calc)) {
            const QColor col = zoneColor(z.zone);
            for (const auto &t : z.mesh.triangles) {
                Scene3D::Face f;
                for (int k = 0; k < 3; ++k) {
                    f.p[k] = z.mesh.vertices[t[k]];
                    extend(s, f.p[k], any);
                }
                f.color = col;
                s.faces.push_back(f);
                ++s.zoneFaces;
            }
        }
    }

    if (sphereEnvelope) {
        const QColor col = sphereEnvelopeColor(ds);
        for (const auto &t : sphereEnvelope->triangles) {
            Scene3D::Face f;
            for (int k = 0; k < 3; ++k) {
                f.p[k] = sphereEnvelope->vertices[t[k]];
                extend(s, f.p[k], any);
            }
            f.color = col;
            s.faces.push_back(f);
            ++s.sphereFaces;
        }
    }

    // The ground a little beyond everything, with the plan's grid lines on it.
    const double ext = std::max(s.hi.x - s.lo.x, s.hi.y - s.lo.y);
    const double margin = std::max(5.0, 0.08 * ext);
    const double x0 = s.lo.x - margin, y0 = s.lo.y - margin;
    const double x1 = s.hi.x + margin, y1 = s.hi.y + margin;
    quad(s.ground, {x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, QColor(236, 240, 228));
    const double step = niceStep(snap.project.IScale.value_or(500) / 100.0, ext + 2 * margin);
    const QColor gridColor(175, 182, 170);
    for (double gx = std::ceil(x0 / step) * step; gx <= x1; gx += step)
        s.grid.push_back({{gx, y0, 0}, {gx, y1, 0}, gridColor, 1});
    for (double gy = std::ceil(y0 / step) * step; gy <= y1; gy += step)
        s.grid.push_back({{x0, gy, 0}, {x1, gy, 0}, gridColor, 1});
    extend(s, {x0, y0, 0}, any);
    extend(s, {x1, y1, 0}, any);
    return s;
}

// --- Camera --------------------------------------------------------------------------------

void Camera3D::fit(const Scene3D &scene, const QSize &viewport)
{
    target = {(scene.lo.x + scene.hi.x) / 2, (scene.lo.y + scene.hi.y) / 2,
              (scene.lo.z + scene.hi.z) / 2};
    const double yr = yaw * M_PI / 180, pr = pitch * M_PI / 180;
    const Point3 right{std::cos(yr), -std::sin(yr), 0};
    const Point3 up{-std::sin(yr) * std::sin(pr), -std::cos(yr) * std::sin(pr), std::cos(pr)};
    const Point3 back{std::sin(yr) * std::cos(pr), std::cos(yr) * std::cos(pr), std::sin(pr)};
    const double tanV = std::tan(fov / 2 * M_PI / 180) * 0.92;
    const double aspect =
        double(std::max(1, viewport.width())) / double(std::max(1, viewport.height()));
    double need = 1;
    for (int k = 0; k < 8; ++k) {
        const Point3 v{(k & 1 ? scene.hi.x : scene.lo.x) - target.x,
                       (k & 2 ? scene.hi.y : scene.lo.y) - target.y,
                       (k & 4 ? scene.hi.z : scene.lo.z) - target.z};
        auto dot = [&](const Point3 &a) { return v.x * a.x + v.y * a.y + v.z * a.z; };
        need = std::max({need, dot(back) + std::abs(dot(right)) / (tanV * aspect),
                         dot(back) + std::abs(dot(up)) / tanV});
    }
    distance = need;
}

void Camera3D::setPreset(Preset p, const Scene3D &scene, const QSize &viewport)
{
    switch (p) {
    case Top:
        yaw = 0, pitch = 90;
        break;
    case Front:
        yaw = 0, pitch = 0;
        break;
    case Isometric:
        yaw = 45, pitch = 35.264;
        break;
    }
    fit(scene, viewport);
}

void Camera3D::orbit(double dx, double dy)
{
    yaw = std::fmod(yaw - dx * 0.4, 360.0);
    pitch = std::clamp(pitch + dy * 0.4, -5.0, 90.0);
}

void Camera3D::pan(double dx, double dy, const QSize &viewport)
{
    // One pixel moves the target by the size of a pixel at the target's distance.
    const double perPixel =
        2 * distance * std::tan(fov / 2 * M_PI / 180) / std::max(1, viewport.height());
    const double yr = yaw * M_PI / 180, pr = pitch * M_PI / 180;
    // Right and up of the screen in plan coordinates (plan y grows towards the front).
    const Point3 right{std::cos(yr), -std::sin(yr), 0};
    const Point3 up{-std::sin(yr) * std::sin(pr), -std::cos(yr) * std::sin(pr), std::cos(pr)};
    // The scene follows the pointer: the target moves the other way.
    target.x += (-dx * right.x + dy * up.x) * perPixel;
    target.y += (-dx * right.y + dy * up.y) * perPixel;
    target.z += (-dx * right.z + dy * up.z) * perPixel;
}

void Camera3D::zoom(double steps) { distance = std::clamp(distance * std::pow(0.85, steps), 0.5, 1e5); }

QMatrix4x4 Camera3D::matrix(const QSize &viewport) const
{
    const double yr = yaw * M_PI / 180, pr = pitch * M_PI / 180;
    const QVector3D t = render(target);
    // The eye in rendering coordinates (x, -y, z): yaw 0 looks from the front, towards +y'.
    const QVector3D dir(float(std::sin(yr) * std::cos(pr)), float(-std::cos(yr) * std::cos(pr)),
                        float(std::sin(pr)));
    const QVector3D up(float(-std::sin(yr) * std::sin(pr)), float(std::cos(yr) * std::sin(pr)),
                       float(std::cos(pr)));
    QMatrix4x4 m;
    const float aspect = float(std::max(1, viewport.width())) / float(std::max(1, viewport.height()));
    m.perspective(float(fov), aspect, float(distance / 1000), float(distance * 20));
    m.lookAt(t + dir * float(distance), t, up);
    return m;
}

// --- Rendering -----------------------------------------------------------------------------

namespace {

struct Projected {
    QPointF p;
    float depth;
};

bool project(const QMatrix4x4 &m, const QSize &size, const Point3 &w, Projected &out)
{
    const QVector4D c = m * QVector4D(render(w), 1);
    if (c.w() < 1e-4f)
        return false;
    out.p = QPointF((c.x() / c.w() + 1) / 2 * size.width(), (1 - c.y() / c.w()) / 2 * size.height());
    out.depth = c.w();
    return true;
}

QColor lit(const Scene3D::Face &f)
{
    const QVector3D a = render(f.p[0]), b = render(f.p[1]), c = render(f.p[2]);
    const QVector3D n = QVector3D::crossProduct(b - a, c - a).normalized();
    static const QVector3D light = QVector3D(-0.45f, -0.6f, 0.75f).normalized();
    // Translucent solids are shaded harder so that their slopes read through the tint.
    const double ambient = f.color.alpha() == 255 ? 0.55 : 0.3;
    const double shade = ambient + (1 - ambient) * std::abs(QVector3D::dotProduct(n, light));
    QColor col = f.color;
    col.setRgb(int(col.red() * shade), int(col.green() * shade), int(col.blue() * shade),
               col.alpha());
    return col;
}

} // namespace

void renderScene3D(QPainter &p, const QSize &size, const Scene3D &scene, const Camera3D &camera)
{
    p.save();
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(214, 226, 240));
    sky.setColorAt(1, QColor(250, 251, 253));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
    const QMatrix4x4 m = camera.matrix(size);

    auto polygon = [&](const Scene3D::Face &f, QPolygonF &poly, float &depth) {
        poly.clear();
        depth = 0;
        for (int k = 0; k < f.corners; ++k) {
            Projected pr;
            if (!project(m, size, f.p[k], pr))
                return false;
            poly << pr.p;
            depth += pr.depth;
        }
        depth /= float(f.corners);
        return true;
    };
    auto segment = [&](const Scene3D::Segment &s) {
        Projected a, b;
        if (!project(m, size, s.a, a) || !project(m, size, s.b, b))
            return;
        p.setPen(QPen(s.color, s.width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(a.p, b.p);
    };

    QPolygonF poly;
    float depth = 0;
    p.setPen(Qt::NoPen);
    for (const Scene3D::Face &f : scene.ground) {
        if (polygon(f, poly, depth)) {
            p.setBrush(f.color);
            p.drawPolygon(poly);
        }
    }
    // What lies flat on the ground (the zones' footprints) goes under everything standing.
    auto flat = [](const Scene3D::Face &f) {
        for (int k = 0; k < f.corners; ++k)
            if (std::abs(f.p[k].z) > 1e-9)
                return false;
        return true;
    };
    std::vector<char> onGround(scene.faces.size());
    for (std::size_t i = 0; i < scene.faces.size(); ++i) {
        onGround[i] = flat(scene.faces[i]);
        if (onGround[i] && polygon(scene.faces[i], poly, depth)) {
            p.setBrush(scene.faces[i].color);
            p.drawPolygon(poly);
        }
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const Scene3D::Segment &s : scene.grid)
        segment(s);

    // Far faces and lines first; a translucent face then tints what lies behind it.
    struct Item {
        float depth;
        int index; // faces, then segments after faces.size()
    };
    std::vector<Item> items;
    items.reserve(scene.faces.size() + scene.segments.size());
    std::vector<QPolygonF> polys(scene.faces.size());
    for (std::size_t i = 0; i < scene.faces.size(); ++i) {
        if (!onGround[i] && polygon(scene.faces[i], polys[i], depth))
            items.push_back({depth, int(i)});
    }
    for (std::size_t i = 0; i < scene.segments.size(); ++i) {
        Projected a, b;
        if (project(m, size, scene.segments[i].a, a) && project(m, size, scene.segments[i].b, b))
            items.push_back({(a.depth + b.depth) / 2, int(scene.faces.size() + i)});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item &a, const Item &b) { return a.depth > b.depth; });
    for (const Item &it : items) {
        if (it.index >= int(scene.faces.size())) {
            p.setRenderHint(QPainter::Antialiasing, true);
            segment(scene.segments[it.index - scene.faces.size()]);
            continue;
        }
        const Scene3D::Face &f = scene.faces[it.index];
        const QColor col = lit(f);
        if (f.color.alpha() == 255) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(col.darker(160), 1));
        } else {
            // Neighbouring translucent triangles must not blend twice along their shared edges.
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::NoPen);
        }
        p.setBrush(col);
        p.drawPolygon(polys[it.index]);
    }
    p.restore();
}

QImage renderScene3DImage(const QSize &size, const Scene3D &scene, const Camera3D &camera)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    renderScene3D(p, size, scene, camera);
    p.end();
    return img;
}

} // namespace kv
