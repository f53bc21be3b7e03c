#include "plan/dxfimport.h"

#include "calc/classrule.h"
#include "calc/numfmt.h"
#include "data/datamodule.h"
#include "data/objectops.h"
#include "data/transaction.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace kv {

namespace {

bool sameAs(DxfVec a, DxfVec b, double tol) { return std::abs(a.x - b.x) <= tol && std::abs(a.y - b.y) <= tol; }

// A closed polyline: flagged closed, or its last vertex back on the first.
bool isClosed(const DxfPolyline &p)
{
    // Two vertices close an outline only with an arc between them (a round tank).
    if (p.pts.size() == 2)
        return p.closed && std::any_of(p.bulges.begin(), p.bulges.end(),
                                       [](double b) { return std::abs(b) > 1e-9; });
    if (p.pts.size() < 3)
        return false;
    return p.closed || sameAs(p.pts.front(), p.pts.back(), 1e-9);
}

struct Box {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
    double x1 = -x0, y1 = -x0;
    void add(DxfVec p)
    {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    double area() const { return (x1 - x0) * (y1 - y0); }
};

// One outline to import, in drawing units.
struct Outline {
    int layer = 0;
    int order = 0;               // drawing order: names are numbered in it
    std::vector<DxfVec> polygon; // arcs flattened, extremes included
    bool circle = false;
    DxfVec centre;
    double r = 0;
    Box box;
    bool axisRectangle = false;
    std::vector<QString> texts; // the texts inside, in drawing order
};

std::vector<DxfVec> flatten(const DxfPolyline &p)
{
    std::vector<DxfVec> out;
    const std::size_t n = p.pts.size();
    for (std::size_t i = 0; i < n; ++i) {
        const bool last = i + 1 == n;
        if (last && !p.closed)
            break;
        const DxfVec a = p.pts[i], b = p.pts[last ? 0 : i + 1];
        const auto seg = bulgeArcPoints(a, b, p.bulges.size() > i ? p.bulges[i] : 0.0);
        out.insert(out.end(), seg.begin(), seg.end() - 1);
    }
    if (!p.closed)
        out.push_back(p.pts.back());
    return out;
}

// An outline that fills its bounding rectangle is that rectangle, whatever vertices lie along
// its sides (a corner given twice, a point in the middle of a side); any turn, notch or arc
// leaves part of the rectangle uncovered.
bool isAxisRectangle(const std::vector<DxfVec> &polygon, const Box &b)
{
    double twice = 0;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
        twice += (polygon[j].x - b.x0) * (polygon[i].y - b.y0) -
                 (polygon[i].x - b.x0) * (polygon[j].y - b.y0);
    return std::abs(twice) / 2 >= b.area() * (1 - 1e-9);
}

bool inside(const Outline &o, DxfVec p)
{
    if (p.x < o.box.x0 || p.x > o.box.x1 || p.y < o.box.y0 || p.y > o.box.y1)
        return false;
    if (o.circle)
        return std::hypot(p.x - o.centre.x, p.y - o.centre.y) <= o.r;
    bool in = false;
    const auto &v = o.polygon;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        if ((v[i].y > p.y) != (v[j].y > p.y)
            && p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
            in = !in;
    }
    return in;
}

// The largest grid position not right of x (x >= 0): the grid lies inside each whole metre.
double floorToGrid(double x, double step)
{
    const double whole = std::floor(x);
    const long long r = static_cast<long long>(std::floor((x - whole) * 100 + 1e-6));
    const long long c = std::max(1LL, roundEven(static_cast<long double>(step) * 100));
    return round2(whole + step * static_cast<double>(r / c));
}

double ceilCm(double x) { return std::ceil(x * 100 - 1e-6) / 100; }

std::string limited(const QString &s, int n) { return s.left(n).trimmed().toStdString(); }

} // namespace

std::vector<DxfLayerSummary> summarizeLayers(const DxfDrawing &d)
{
    std::vector<DxfLayerSummary> out(d.layers.size());
    for (std::size_t i = 0; i < d.layers.size(); ++i)
        out[i].name = d.layers[i];
    for (const auto &p : d.polylines)
        if (isClosed(p))
            ++out[static_cast<std::size_t>(p.layer)].outlines;
    for (const auto &c : d.circles)
        ++out[static_cast<std::size_t>(c.layer)].circles;
    for (const auto &t : d.texts)
        ++out[static_cast<std::size_t>(t.layer)].texts;
    return out;
}

std::optional<double> heightFromText(const QString &text)
{
    // The marker before or after the number: "h=", "H=" (also the Cyrillic letter) or "м".
    static const QRegularExpression re(QStringLiteral(
        "^(?:([hHНн]\\s*=|м\\.?)\\s*)?(\\d+(?:[.,]\\d+)?)\\s*(?:(м|[hHНн]\\s*=)\\.?)?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    const double h = parseNumber(m.captured(2).toStdString()).value_or(0.0);
    if (!(h > 0) || !std::isfinite(h))
        return std::nullopt;
    return h;
}

DxfImportPlan planDxfImport(const DxfDrawing &d, const DxfImportOptions &opt, double gridStep,
                            const std::optional<PlanShift> &remembered)
{
    if (!(opt.metresPerUnit > 0) || !std::isfinite(opt.metresPerUnit))
        throw DxfRefused("Ошибка. Не заданы единицы чертежа.");
    if (!(opt.defaultHeight > 0) || !std::isfinite(opt.defaultHeight))
        throw DxfRefused("Ошибка. Высота по умолчанию должна быть больше 0.");
    const double u = opt.metresPerUnit;
    std::vector<bool> chosen(d.layers.size(), false);
    for (const auto &name : opt.layers) {
        const auto it = std::find(d.layers.begin(), d.layers.end(), name);
        if (it == d.layers.end()) {
            std::string known;
            for (std::size_t i = 0; i < d.layers.size() && i < 20; ++i)
                known += (i ? ", \"" : "\"") + d.layers[i] + "\"";
            throw DxfRefused("Ошибка. В чертеже нет слоя \"" + name + "\"; слои чертежа: " + known +
                             (d.layers.size() > 20 ? ", ..." : "") + ".");
        }
        chosen[static_cast<std::size_t>(it - d.layers.begin())] = true;
    }

    DxfImportPlan plan;
    std::vector<Outline> outlines;
    for (const auto &p : d.polylines) {
        if (!chosen[static_cast<std::size_t>(p.layer)] || !isClosed(p))
            continue;
        Outline o;
        o.layer = p.layer;
        o.order = p.order;
        DxfPolyline closed = p;
        closed.closed = true;
        o.polygon = flatten(closed);
        for (DxfVec v : o.polygon)
            o.box.add(v);
        // Below one centimetre either way an outline holds no building.
        if ((o.box.x1 - o.box.x0) * u < 0.01 || (o.box.y1 - o.box.y0) * u < 0.01) {
            ++plan.skipped;
            continue;
        }
        o.axisRectangle = isAxisRectangle(o.polygon, o.box);
        outlines.push_back(std::move(o));
    }
    for (const auto &c : d.circles) {
        if (!chosen[static_cast<std::size_t>(c.layer)])
            continue;
        Outline o;
        o.layer = c.layer;
        o.order = c.order;
        o.circle = true;
        o.centre = c.centre;
        o.r = c.r;
        o.box.add({c.centre.x - c.r, c.centre.y - c.r});
        o.box.add({c.centre.x + c.r, c.centre.y + c.r});
        o.axisRectangle = true;
        outlines.push_back(std::move(o));
    }
    std::stable_sort(outlines.begin(), outlines.end(),
                     [](const Outline &a, const Outline &b) { return a.order < b.order; });
    // Every text belongs to the smallest outline holding it (a courtyard inside a block).
    for (const auto &t : d.texts) {
        Outline *best = nullptr;
        for (auto &o : outlines)
            if (inside(o, t.at) && (!best || o.box.area() < best->box.area()))
                best = &o;
        if (best)
            for (const QString &line : t.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                best->texts.push_back(line);
    }

    std::map<int, int> numberInLayer;
    for (const auto &o : outlines) {
        ImportedObject obj;
        obj.layer = d.layers[static_cast<std::size_t>(o.layer)];
        const int number = ++numberInLayer[o.layer];
        QString name;
        for (const QString &t : o.texts) {
            if (const auto h = heightFromText(t); h && !obj.heightFromText) {
                obj.Hx = *h;
                obj.heightFromText = true;
            } else if (name.isEmpty() && !heightFromText(t)) {
                name = t;
            }
        }
        if (!obj.heightFromText)
            obj.Hx = opt.defaultHeight;
        if (name.isEmpty())
            name = QString::fromStdString(obj.layer).left(25).trimmed() + QLatin1Char(' ')
                   + QString::number(number);
        obj.name = limited(name, 30);
        obj.boundingOnly = !o.axisRectangle;
        if (obj.boundingOnly)
            ++plan.boundingCount;
        obj.buildingClass = o.circle && 2 * o.r * u < kConcentratedDiameter ? 16 : 1;
        // Drawing units to plan metres before the shift (Y turned down).
        obj.x = o.box.x0 * u;
        obj.y = -o.box.y1 * u;
        obj.L = (o.box.x1 - o.box.x0) * u;
        obj.S = (o.box.y1 - o.box.y0) * u;
        plan.objects.push_back(std::move(obj));
    }
    if (plan.objects.empty())
        throw DxfRefused("Ошибка. В выбранных слоях нет замкнутых контуров и окружностей.");

    const double step = gridStep > 0 ? gridStep : 1.0;
    if (remembered) {
        plan.shift = *remembered;
    } else {
        double minX = std::numeric_limits<double>::infinity(), minY = minX;
        for (const auto &o : plan.objects) {
            minX = std::min(minX, o.x);
            minY = std::min(minY, o.y);
        }
        plan.shift = {step - minX, step - minY};
    }
    for (auto &o : plan.objects) {
        const double x = o.x + plan.shift.x, y = o.y + plan.shift.y;
        if (x < -1e-6 || y < -1e-6)
            throw DxfRefused("Ошибка. Объект \"" + o.name
                             + "\" при сдвиге прежнего импорта оказывается левее или выше начала "
                               "плана; уберите подложку проекта или импортируйте чертеж в новый "
                               "проект.");
        // The corner goes to the grid point at or before it and the sizes grow to keep the whole
        // outline covered, so that storing the snapped corner loses nothing.
        o.x = floorToGrid(std::max(0.0, x), step);
        o.y = floorToGrid(std::max(0.0, y), step);
        o.L = ceilCm(x + o.L - o.x);
        o.S = ceilCm(y + o.S - o.y);
    }
    return plan;
}

std::string noProtectionQuestion(const std::vector<std::string> &names)
{
    std::string q = "Внимание. Следующие объекты не нуждаются в молниезащите и не будут "
                    "импортированы:";
    for (const auto &n : names)
        q += "\r\"" + n + "\"";
    q += "\rПродолжить?";
    return q;
}

std::vector<bool> protectionNeeded(DataModule &dm, const DxfImportPlan &plan)
{
    Table &p = dm.project();
    const int T = p.asInt("ProdGrozMin");
    const double n = p.asDouble("Udarov");
    std::vector<bool> out;
    for (const auto &o : plan.objects)
        out.push_back(EvaluateObject(o.buildingClass, o.L, o.S, o.Hx, T, n).rule.needsProtection());
    return out;
}

std::vector<std::string> objectsNeedingNoProtection(DataModule &dm, const DxfImportPlan &plan)
{
    const std::vector<bool> needed = protectionNeeded(dm, plan);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < plan.objects.size(); ++i)
        if (!needed[i])
            out.push_back(plan.objects[i].name);
    return out;
}

int enterImportedObjects(DataModule &dm, const DxfImportPlan &plan, double gridStep)
{
    Table &p = dm.project();
    const int T = p.asInt("ProdGrozMin");
    const double n = p.asDouble("Udarov");
    Transaction tx(dm, {TableId::Project, TableId::Object});
    int entered = 0;
    for (const auto &o : plan.objects) {
        if (!EvaluateObject(o.buildingClass, o.L, o.S, o.Hx, T, n).rule.needsProtection())
            continue;
        ObjectEntry e;
        e.name = o.name;
        e.buildingClass = o.buildingClass;
        e.x = o.x;
        e.y = o.y;
        e.L = o.L;
        e.S = o.S;
        e.Hx = o.Hx;
        enterObject(dm, e, gridStep, [&](Table &t) {
            t.setValue("Name", o.name);
            t.setValue("L", o.L);
            t.setValue("S", o.S);
            t.setValue("Hx", o.Hx);
        });
        ++entered;
    }
    CountZones(dm);
    tx.commit();
    return entered;
}

} // namespace kv
