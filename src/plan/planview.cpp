#include "plan/planview.h"

#include "plan/canvas.h"
#include "plan/underlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kv {

namespace {

const char *markerHint1(ConductorType t)
{
    switch (t) {
    case ConductorType::Cable:
        return "Опора одиночного тросового молниеотвода 1";
    case ConductorType::DoubleRod:
        return "Стержневой молниеотвод 1";
    default:
        return "Одиночный стержневой молниеотвод";
    }
}

const char *markerHint2(ConductorType t)
{
    return t == ConductorType::Cable ? "Опора одиночного тросового молниеотвода 2"
                                     : "Стержневой молниеотвод 2";
}

bool twoRecords(ConductorType t) { return t == ConductorType::Cable || t == ConductorType::DoubleRod; }

QColor objectColor(const ObjectRec &o)
{
    return o.ObjColor ? colorFromRgbInt(*o.ObjColor) : QColor(192, 192, 192);
}

// Paradox orders empty values first; the views treat an empty length as 0.
double val(const OptD &v) { return v ? *v : 0.0; }

} // namespace

int capBitmapSide(long long side) { return static_cast<int>(std::clamp<long long>(side, 1, kMaxBitmapSide)); }

PlanViewModel::PlanViewModel()
{
    for (const char *n : {kShapeMO, kShapeMO1})
        ensure(n, false);
    for (const char *n : {kShapeMO_1, kShapeMO1_1})
        ensure(n, true);
    LoadDrawingSettings(DrawingSettings{});
}

PlanShape &PlanViewModel::ensure(const std::string &name, bool front)
{
    auto it = m_shapes.find(name);
    if (it == m_shapes.end()) {
        PlanShape s;
        s.name = name;
        s.frontView = front;
        it = m_shapes.emplace(name, s).first;
        (front ? m_frontOrder : m_topOrder).push_back(name);
    }
    return it->second;
}

const PlanShape *PlanViewModel::shape(const std::string &name) const
{
    const auto it = m_shapes.find(name);
    return it == m_shapes.end() ? nullptr : &it->second;
}

void PlanViewModel::bringToFront(std::vector<std::string> &order, const std::string &name)
{
    const auto it = std::find(order.begin(), order.end(), name);
    if (it == order.end())
        return;
    order.erase(it);
    order.push_back(name);
}

void PlanViewModel::sendToBack(std::vector<std::string> &order, const std::string &name)
{
    const auto it = std::find(order.begin(), order.end(), name);
    if (it == order.end())
        return;
    order.erase(it);
    order.insert(order.begin(), name);
}

void PlanViewModel::LoadDrawingSettings(const DrawingSettings &settings)
{
    m_settings = settings;
    const int side = std::max(1, settings.sizeMO);
    for (const char *n : {kShapeMO, kShapeMO1}) {
        PlanShape &s = m_shapes[n];
        s.rect.setSize(QSize(side, side));
        s.fill = settings.conductorColor();
    }
    for (const char *n : {kShapeMO_1, kShapeMO1_1}) {
        PlanShape &s = m_shapes[n];
        s.rect.setWidth(side);
        s.fill = settings.conductorColor();
    }
}

void PlanViewModel::setScale(int n) { m_scale = PlanScale(std::clamp(n, kMinScale, kMaxScale)); }

int PlanViewModel::frontMarkerHeight(const ConductorRec &c) const
{
    for (const OptD *f : {&c.Hop1, &c.H1, &c.Hop, &c.H}) {
        if (*f)
            return std::max(0, m_scale.px(**f));
    }
    return 10;
}

void PlanViewModel::PlaceConductorShapes(const ProjectSnapshot &snap)
{
    if (snap.conductors.empty())
        return;
    const int g = m_settings.halfMarker();
    auto place = [&](const ConductorRec &c, const char *top, const char *front) {
        PlanShape &t = m_shapes[top];
        t.rect.moveTo(m_scale.px(val(c.MX)) - g, m_scale.px(val(c.MY)) - g);
        PlanShape &f = m_shapes[front];
        const int h = frontMarkerHeight(c);
        // The bottom stays where it was (on the ground line); StandFrontShapes settles it.
        const int bottom = f.rect.height() > 0 ? f.rect.top() + f.rect.height() : h;
        f.rect = QRect(m_scale.px(val(c.MX)) - g, bottom - h, f.rect.width(), h);
    };
    place(snap.conductors.front(), kShapeMO, kShapeMO_1);
    if (snap.conductors.size() > 1)
        place(snap.conductors.back(), kShapeMO1, kShapeMO1_1);
}

void PlanViewModel::CreateObjectShapes(const ObjectRec &obj, const std::string &name)
{
    ensure(name, false);
    ensure(name + "_1", true);
    if (std::find(m_objectNames.begin(), m_objectNames.end(), name) == m_objectNames.end())
        m_objectNames.push_back(name);
    PlaceObjectShapes(obj, name);
}

void PlanViewModel::PlaceObjectShapes(const ObjectRec &obj, const std::string &name)
{
    const std::string hint = obj.Name.value_or("");
    const QColor c = objectColor(obj);
    const int left = m_scale.px(val(obj.MXa));
    const int w = std::max(0, m_scale.px(val(obj.L)));
    if (auto it = m_shapes.find(name); it != m_shapes.end()) {
        it->second.rect = QRect(left, m_scale.px(val(obj.MYa)), w, std::max(0, m_scale.px(val(obj.S))));
        it->second.hint = hint;
        it->second.fill = c;
    }
    if (auto it = m_shapes.find(name + "_1"); it != m_shapes.end()) {
        const int h = std::max(0, m_scale.px(val(obj.Hx)));
        // A new front shape starts at the top; StandFrontShapes puts it on the ground line.
        it->second.rect = QRect(left, 0, w, h);
        it->second.hint = hint;
        it->second.fill = c;
    }
}

void PlanViewModel::FreeObjectShapes()
{
    for (const auto &n : m_objectNames) {
        m_shapes.erase(n);
        m_shapes.erase(n + "_1");
        std::erase(m_topOrder, n);
        std::erase(m_frontOrder, n + "_1");
    }
    m_objectNames.clear();
    if (!m_shapes.count(m_tallest))
        m_tallest = kShapeMO_1;
}

void PlanViewModel::FindTallestFrontShape(const ProjectSnapshot &snap)
{
    m_tallest = kShapeMO_1;
    int best = m_shapes[kShapeMO_1].rect.height();
    for (const ObjectRec &o : snap.objects) {
        if (!o.ShapeName)
            continue;
        const auto it = m_shapes.find(*o.ShapeName + "_1");
        if (it == m_shapes.end())
            continue;
        if (it->second.rect.height() > best) {
            best = it->second.rect.height();
            m_tallest = it->first;
        }
    }
    m_shapes[m_tallest].rect.moveTop(0);
}

int PlanViewModel::frontImageHeight() const
{
    const PlanShape *s = shape(m_tallest);
    return s ? s->rect.height() : 0;
}

void PlanViewModel::StandFrontShapes()
{
    const int ground = groundLine();
    const bool markerTallest = m_tallest == kShapeMO_1 || m_tallest == kShapeMO1_1;
    for (auto &[name, s] : m_shapes) {
        if (!s.frontView || name == m_tallest)
            continue;
        if (name == kShapeMO_1 || name == kShapeMO1_1)
            continue;
        s.rect.moveTop(ground - s.rect.height());
    }
    PlanShape &m1 = m_shapes[kShapeMO_1];
    PlanShape &m2 = m_shapes[kShapeMO1_1];
    if (!markerTallest)
        m1.rect.moveTop(ground - m1.rect.height());
    m2.rect.moveTop(m1.rect.top());
}

void PlanViewModel::OrderTopShapes(const ProjectSnapshot &snap)
{
    std::vector<const ObjectRec *> objs;
    for (const ObjectRec &o : snap.objects)
        objs.push_back(&o);
    std::stable_sort(objs.begin(), objs.end(), [](const ObjectRec *a, const ObjectRec *b) {
        if (!a->Hx || !b->Hx)
            return !a->Hx && b->Hx.has_value();
        return *a->Hx < *b->Hx;
    });
    for (const ObjectRec *o : objs) {
        if (o->ShapeName)
            bringToFront(m_topOrder, *o->ShapeName);
    }
    bringToFront(m_topOrder, kShapeMO1);
    bringToFront(m_topOrder, kShapeMO);
}

namespace {

struct DepthEntry {
    double depth;
    std::string name;
};

std::vector<DepthEntry> objectsByDepth(const ProjectSnapshot &snap)
{
    std::vector<DepthEntry> list;
    for (const ObjectRec &o : snap.objects)
        list.push_back({val(o.MYa) + val(o.S), o.ShapeName.value_or("") + "_1"});
    std::stable_sort(list.begin(), list.end(),
                     [](const DepthEntry &a, const DepthEntry &b) { return a.depth < b.depth; });
    return list;
}

// A marker goes after objects of equal depth, so it ends up in front of them.
void insertByDepth(std::vector<DepthEntry> &list, DepthEntry e)
{
    if (list.empty()) {
        list.push_back(std::move(e));
        return;
    }
    if (list.front().depth > e.depth) {
        list.insert(list.begin(), std::move(e));
        return;
    }
    if (e.depth >= list.back().depth) {
        list.push_back(std::move(e));
        return;
    }
    size_t after = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].depth <= e.depth)
            after = i;
    }
    list.insert(list.begin() + static_cast<long>(after) + 1, std::move(e));
}

} // namespace

void PlanViewModel::OrderFrontShapes(const ProjectSnapshot &snap)
{
    if (snap.conductors.empty())
        return;
    const auto list = objectsByDepth(snap);
    if (snap.conductors.size() == 1) {
        const double my = val(snap.conductors.front().MY);
        if (!list.empty() && list.front().depth > my)
            sendToBack(m_frontOrder, kShapeMO_1);
        for (const auto &e : list) {
            bringToFront(m_frontOrder, e.name);
            if (e.depth <= my)
                bringToFront(m_frontOrder, kShapeMO_1);
        }
        return;
    }
    auto all = list;
    insertByDepth(all, {val(snap.conductors.front().MY), kShapeMO_1});
    insertByDepth(all, {val(snap.conductors.back().MY), kShapeMO1_1});
    for (const auto &e : all)
        bringToFront(m_frontOrder, e.name);
}

ShapeRecordRef PlanViewModel::SelectShapeRecord(const std::string &shapeName,
                                                const ProjectSnapshot &snap) const
{
    ShapeRecordRef r;
    if (shapeName == kShapeMO) {
        r.kind = ShapeRecordRef::FirstConductor;
        return r;
    }
    if (shapeName == kShapeMO1) {
        r.kind = ShapeRecordRef::LastConductor;
        return r;
    }
    for (size_t i = 0; i < snap.objects.size(); ++i) {
        if (snap.objects[i].ShapeName && *snap.objects[i].ShapeName == shapeName) {
            r.kind = ShapeRecordRef::Object;
            r.objectIndex = static_cast<int>(i);
            return r;
        }
    }
    return r;
}

void PlanViewModel::ShowProjectShapes(const ProjectSnapshot &snap)
{
    FreeObjectShapes();
    const ConductorType type = conductorTypeOf(snap.project.TipMO.value_or(""));
    const bool two = twoRecords(type);
    m_shapes[kShapeMO].visible = true;
    m_shapes[kShapeMO_1].visible = true;
    m_shapes[kShapeMO].hint = m_shapes[kShapeMO_1].hint = markerHint1(type);
    m_shapes[kShapeMO1].visible = m_shapes[kShapeMO1_1].visible = two && snap.conductors.size() > 1;
    m_shapes[kShapeMO1].hint = m_shapes[kShapeMO1_1].hint = two ? markerHint2(type) : "";
    m_shapes[kShapeMO_1].rect.setHeight(0);
    m_shapes[kShapeMO1_1].rect.setHeight(0);
    setScale(snap.project.IScale.value_or(kMinScale));
    PlaceConductorShapes(snap);
    m_tallest = kShapeMO_1;
    int best = m_shapes[kShapeMO_1].rect.height();
    for (const ObjectRec &o : snap.objects) {
        const std::string name = o.ShapeName.value_or("Shape" + std::to_string(o.Kod.value_or(0)));
        CreateObjectShapes(o, name);
        const int h = m_shapes[name + "_1"].rect.height();
        if (h > best) {
            best = h;
            m_tallest = name + "_1";
        }
    }
    m_shapes[m_tallest].rect.moveTop(0);
    StandFrontShapes();
    OrderTopShapes(snap);
    bringToFront(m_topOrder, kShapeMO);
    OrderFrontShapes(snap);
}

void PlanViewModel::ShowEmptyPlan(int frontPaneHeight)
{
    FreeObjectShapes();
    for (auto &[name, s] : m_shapes)
        s.visible = false;
    const int h = std::max(0, frontPaneHeight - 3); // the ground bar is 3 pixels high
    m_shapes[kShapeMO_1].rect = QRect(m_shapes[kShapeMO_1].rect.left(), 0, m_shapes[kShapeMO_1].rect.width(), h);
    m_shapes[kShapeMO1_1].rect.setTop(0);
    m_shapes[kShapeMO1_1].rect.setHeight(h);
    m_tallest = kShapeMO_1;
}

void PlanViewModel::setUnderlay(std::shared_ptr<const UnderlayPicture> underlay)
{
    m_underlay = std::move(underlay);
    // A new picture may take the address of a freed one: the cached grid goes with it.
    m_topGrid.image = QImage();
    m_topGrid.lastSize = QSize();
}

bool PlanViewModel::GridCache::matches(const QSize &size, const DrawingSettings &s,
                                       const PlanScale &sc, const void *u) const
{
    return !image.isNull() && underlay == u && image.size() == size && n == sc.n()
        && color == s.gridColor().rgb() && pen.style == s.gridPen.style && pen.width == s.gridPen.width;
}

void PlanViewModel::drawCachedGrid(QImage &image, ViewKind view, GridCache &cache) const
{
    const UnderlayPicture *u = view == ViewKind::Top ? m_underlay.get() : nullptr;
    if (cache.matches(image.size(), m_settings, m_scale, u)) {
        // A deep copy: the caller paints zones on its image, the cached grid stays clean.
        std::memcpy(image.bits(), cache.image.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
        return;
    }
    DrawGrid(image, view, m_settings, m_scale, u);
    // A grid is kept once it was asked for twice in a row: the front grid follows the
    // conductor's height, which a drag changes at every step, and copying each one would cost
    // more than it saves.
    const bool again = cache.lastSize == image.size();
    cache.lastSize = image.size();
    if (!again)
        return;
    cache.image = image.copy();
    cache.n = m_scale.n();
    cache.color = m_settings.gridColor().rgb();
    cache.pen = m_settings.gridPen;
    cache.underlay = u;
}

void PlanViewModel::RedrawGrids(QImage &top, QImage &front, QSize topSize) const
{
    const QSize ts(capBitmapSide(topSize.width()), capBitmapSide(topSize.height()));
    // The bitmaps are reused when their size stays, so a repaint allocates nothing.
    if (top.size() != ts || top.format() != QImage::Format_RGB32 || !top.isDetached())
        top = QImage(ts, QImage::Format_RGB32);
    drawCachedGrid(top, ViewKind::Top, m_topGrid);
    const QSize fs(top.width(), capBitmapSide(frontImageHeight()));
    if (front.size() != fs || front.format() != QImage::Format_RGB32 || !front.isDetached())
        front = QImage(fs, QImage::Format_RGB32);
    drawCachedGrid(front, ViewKind::Front, m_frontGrid);
}

void DrawGrid(QImage &image, ViewKind view, const DrawingSettings &settings, const PlanScale &scale,
              const UnderlayPicture *underlay)
{
    if (underlay && view == ViewKind::Top) {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        DrawUnderlay(p, *underlay, scale);
    }
    Canvas c(image);
    if (!underlay || view != ViewKind::Top)
        c.fill(Qt::white);
    c.setPen(settings.gridColor(), settings.gridPen);
    c.setBrush(Qt::white);
    const int step = std::max(1, scale.px(scale.n() / 100.0));
    const int w = image.width();
    const int h = image.height();
    const int th = c.textHeight();
    for (int k = 1;; ++k) {
        const int y = view == ViewKind::Top ? step * k : h - step * k;
        if (view == ViewKind::Top ? y > h : y <= 20)
            break;
        c.line(25, y, w, y);
        c.textOut(0, y - th / 2, QString::fromStdString(gridLabel(k, scale.n())));
    }
    for (int k = 1; step * k <= w; ++k) {
        const int x = step * k;
        c.line(x, 20, x, h);
        const QString label = QString::fromStdString(gridLabel(k, scale.n()));
        c.textOut(x - c.textWidth(label) / 2, 2, label);
    }
}

} // namespace kv
