#include "app/plancanvas.h"

#include "plan/fonts.h"
#include "plan/plancoords.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QToolTip>

namespace kv {

PlanCanvas::PlanCanvas(ViewKind view, QWidget *parent) : QWidget(parent), m_view(view)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(view == ViewKind::Top ? QStringLiteral("Image1") : QStringLiteral("Image2"));
}

void PlanCanvas::setContent(QSize imageSize, PlanTiles::Scene scene, const PlanViewModel *model)
{
    // A widget side cannot pass QWIDGETSIZE_MAX; nothing of a plan lies that far out in practice.
    const int limit = QWIDGETSIZE_MAX - kGroundBar;
    imageSize = imageSize.boundedTo(QSize(limit, limit)).expandedTo(QSize(1, 1));
    m_tiles.reset(imageSize, std::move(scene));
    m_model = model;
    QSize sz = imageSize;
    if (m_view == ViewKind::Front)
        sz.rheight() += kGroundBar;
    setFixedSize(sz);
    update();
}

void PlanCanvas::setSelectedShape(const std::string &name)
{
    if (m_selected == name)
        return;
    m_selected = name;
    m_hatched = false;
    update();
}

void PlanCanvas::setHatched(bool hatched)
{
    if (m_hatched == hatched)
        return;
    m_hatched = hatched;
    if (m_model && !m_selected.empty())
        if (const PlanShape *s = m_model->shape(m_selected))
            update(s->rect.adjusted(-1, -1, 1, 1));
}

void PlanCanvas::setFlaggedShapes(std::set<std::string> names)
{
    if (names == m_flagged)
        return;
    m_flagged = std::move(names);
    update();
}

void PlanCanvas::paintShape(QPainter &p, const PlanShape &s, bool hatched) const
{
    if (!s.visible || s.rect.width() <= 0 || s.rect.height() <= 0)
        return;
    // The outline lies inside the shape's bounds, as on the bitmaps.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(hatched ? QBrush(s.fill, Qt::DiagCrossPattern) : QBrush(s.fill));
    p.drawRect(s.rect.adjusted(0, 0, -1, -1));
    if (m_flagged.count(s.name)) {
        // Two pixels of red just inside the bounds read on any fill and any zone colour.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor::fromRgb(kFlagColour), 1));
        p.drawRect(s.rect.adjusted(0, 0, -1, -1));
        if (s.rect.width() > 4 && s.rect.height() > 4)
            p.drawRect(s.rect.adjusted(1, 1, -2, -2));
    }
}

void PlanCanvas::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.fillRect(e->rect(), Qt::white);
    m_tiles.paint(p, e->rect());
    if (m_view == ViewKind::Front)
        p.fillRect(QRect(0, m_tiles.contentSize().height(), width(), kGroundBar),
                   palette().color(QPalette::ButtonText));
    if (!m_model)
        return;
    const auto &order = m_view == ViewKind::Top ? m_model->topOrder() : m_model->frontOrder();
    for (const std::string &name : order) {
        if (const PlanShape *s = m_model->shape(name))
            paintShape(p, *s, m_hatched && name == m_selected);
    }
    paintRulers(p);
    if (m_dragging) {
        // A dotted band in black over white dashes reads on any background.
        const QRect r = m_band.adjusted(0, 0, -1, -1);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(r);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(r);
    }
}

void PlanCanvas::paintRulers(QPainter &p) const
{
    if (!m_model)
        return;
    const QSize content = m_tiles.contentSize();
    const QRect seen = visibleRegion().boundingRect() & QRect(QPoint(0, 0), content);
    if (seen.isEmpty() || (seen.top() <= 0 && seen.left() <= 0))
        return;
    // The labels of the content's own edge bands, drawn by the grid's code, laid over the plan
    // with a white rim around each glyph; the plan shows between them.
    const QFontMetrics fm(canvasFont());
    const int n = m_model->scale().n();
    const int step = std::max(1, m_model->scale().px(n / 100.0));
    auto band = [&](const QRect &part, QPoint at) {
        QImage strip(part.size(), QImage::Format_RGB32);
        strip.setOffset(part.topLeft());
        DrawGrid(strip, m_view, m_model->settings(), m_model->scale(), content);
        QImage labels(part.size(), QImage::Format_ARGB32);
        labels.fill(Qt::transparent);
        const QRgb white = qRgb(255, 255, 255);
        const int w = strip.width(), h = strip.height();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (strip.pixel(x, y) == white)
                    continue;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (x + dx >= 0 && y + dy >= 0 && x + dx < w && y + dy < h &&
                            qAlpha(labels.pixel(x + dx, y + dy)) == 0)
                            labels.setPixel(x + dx, y + dy, white);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (strip.pixel(x, y) != white)
                    labels.setPixel(x, y, strip.pixel(x, y));
        p.drawImage(at, labels);
    };
    if (seen.left() > 0) {
        // As wide as the widest height label in sight.
        int wide = 0;
        for (int k = std::max(1, seen.top() / step); k * step <= seen.bottom() + step; ++k)
            wide = std::max(wide, fm.horizontalAdvance(QString::fromStdString(gridLabel(k, n))));
        band(QRect(0, seen.top(), std::min(wide + 2, seen.width()), seen.height()),
             seen.topLeft());
    }
    if (seen.top() > 0)
        band(QRect(seen.left(), 0, seen.width(), std::min(fm.height() + 3, seen.height())),
             seen.topLeft());
}

void PlanCanvas::moveEvent(QMoveEvent *e)
{
    // Scrolling moves the widget and shifts its pixels: the rulers are painted afresh at the
    // edges of what is in sight.
    QWidget::moveEvent(e);
    update();
}

std::string PlanCanvas::shapeAt(QPoint pt) const
{
    if (!m_model)
        return {};
    const auto &order = m_view == ViewKind::Top ? m_model->topOrder() : m_model->frontOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const PlanShape *s = m_model->shape(*it);
        if (s && s->visible && s->rect.contains(pt))
            return *it;
    }
    return {};
}

void PlanCanvas::mousePressEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (m_view != ViewKind::Top) {
        QWidget::mousePressEvent(e);
        return;
    }
    const std::string name = shapeAt(pos);
    if (name.empty()) {
        e->ignore(); // the window's context menu may take a right click on the empty plan
        return;
    }
    e->accept();
    if (e->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragShape = name;
        m_lastPos = m_pressPos = pos;
        m_band = m_model->shape(name)->rect;
        update(m_band.adjusted(-1, -1, 1, 1));
    }
    emit shapePressed(QString::fromStdString(name), e->button(), e->globalPosition().toPoint());
}

void PlanCanvas::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit pointerMoved(pos);
    if (m_dragging) {
        const QRect old = m_band;
        m_band.translate(pos - m_lastPos);
        m_lastPos = pos;
        update(old.adjusted(-1, -1, 1, 1));
        update(m_band.adjusted(-1, -1, 1, 1));
        return;
    }
    const std::string name = shapeAt(pos);
    QString hint;
    if (!name.empty())
        hint = QString::fromStdString(m_model->shape(name)->hint);
    if (hint != m_hint) {
        m_hint = hint;
        emit hintChanged(hint);
    }
}

void PlanCanvas::mouseReleaseEvent(QMouseEvent *e)
{
    if (!m_dragging || e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const QPoint pos = e->position().toPoint();
    m_band.translate(pos - m_lastPos);
    m_dragging = false;
    const QRect band = m_band;
    update();
    emit shapeDropped(QString::fromStdString(m_dragShape), band.topLeft(), pos != m_pressPos);
}

void PlanCanvas::contextMenuEvent(QContextMenuEvent *e)
{
    // A shape opens its own pop-up on the press; the empty plan leaves the event to the window.
    if (m_view == ViewKind::Top && !shapeAt(e->pos()).empty())
        e->accept();
    else
        e->ignore();
}

bool PlanCanvas::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        auto *he = static_cast<QHelpEvent *>(e);
        const std::string name = shapeAt(he->pos());
        const PlanShape *s = name.empty() ? nullptr : m_model->shape(name);
        if (s && !s->hint.empty())
            QToolTip::showText(he->globalPos(), QString::fromStdString(s->hint), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

} // namespace kv
