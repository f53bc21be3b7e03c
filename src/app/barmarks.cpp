#include "app/barmarks.h"

#include <QAbstractBarSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsObject>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kv {

namespace {

// The gap between a bar's end and its mark, in pixels.
constexpr qreal kGap = 2;
// How far two marks may overlap at their frames, in pixels.
constexpr qreal kTouch = 1.5;

// The box of a text in font, unturned.
QSizeF boxSize(const QString &text, const QFont &font)
{
    const QFontMetricsF fm(font);
    return QSizeF(std::ceil(fm.horizontalAdvance(text)) + 6, std::ceil(fm.height()) + 2);
}

// One mark: an aqua box with a thin dark frame and the value centred in it; turned a quarter
// to read upwards when the bars are narrower than the text.
class MarkItem : public QGraphicsObject {
public:
    MarkItem(const QString &text, const QFont &font, bool turned, QGraphicsItem *parent)
        : QGraphicsObject(parent), m_text(text), m_font(font), m_turned(turned)
    {
        m_size = boxSize(text, font);
        if (turned)
            m_size.transpose();
    }
    QRectF boundingRect() const override { return QRectF(QPointF(0, 0), m_size); }
    void paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        QRectF r = boundingRect();
        if (m_turned) {
            p->translate(0, r.height());
            p->rotate(-90);
            r = QRectF(0, 0, r.height(), r.width());
        }
        p->fillRect(r, BarMarks::fill());
        p->setPen(QPen(QColor(64, 64, 64), 1));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
        p->setFont(m_font);
        p->setPen(Qt::black);
        p->drawText(r, Qt::AlignCenter, m_text);
    }
    const QString &text() const { return m_text; }
    QSizeF size() const { return m_size; }

private:
    QString m_text;
    QFont m_font;
    bool m_turned;
    QSizeF m_size;
};

// start of a span of length len placed inside [lo, hi] (at lo when it does not fit).
qreal clampSpan(qreal start, qreal len, qreal lo, qreal hi)
{
    return std::max(lo, std::min(start, hi - len));
}

} // namespace

BarMarks::BarMarks(QChart *chart) : QObject(chart), m_chart(chart)
{
    connect(chart, &QChart::plotAreaChanged, this, &BarMarks::placeLater);
}

BarMarks::~BarMarks()
{
    for (QMetaObject::Connection &c : m_watches)
        disconnect(c);
    clearItems();
}

QString BarMarks::text(double value, const QLocale &locale)
{
    return locale.toString(value, 'g', 6);
}

void BarMarks::setSeries(QAbstractBarSeries *series, bool shown)
{
    m_series = shown ? series : nullptr;
    watch();
    place();
}

void BarMarks::watch()
{
    for (QMetaObject::Connection &c : m_watches)
        disconnect(c);
    m_watches.clear();
    QAbstractBarSeries *s = m_series;
    if (!s)
        return;
    // Removing the series from the chart deletes it: its marks go with it.
    m_watches.push_back(connect(s, &QObject::destroyed, this, [this] {
        for (QMetaObject::Connection &c : m_watches)
            disconnect(c);
        m_watches.clear();
        clearItems();
    }));
    // Sets added or removed: watch the new sets' values too.
    const auto rewatch = [this] {
        watch();
        placeLater();
    };
    m_watches.push_back(connect(s, &QAbstractBarSeries::barsetsAdded, this, rewatch));
    m_watches.push_back(connect(s, &QAbstractBarSeries::barsetsRemoved, this, rewatch));
    m_watches.push_back(connect(s, &QAbstractSeries::visibleChanged, this, &BarMarks::placeLater));
    for (QBarSet *set : s->barSets()) {
        m_watches.push_back(connect(set, &QBarSet::valuesAdded, this, &BarMarks::placeLater));
        m_watches.push_back(connect(set, &QBarSet::valuesRemoved, this, &BarMarks::placeLater));
        m_watches.push_back(connect(set, &QBarSet::valueChanged, this, &BarMarks::placeLater));
    }
    // Zooming changes the axes' ranges.
    for (QAbstractAxis *a : s->attachedAxes()) {
        if (auto *v = qobject_cast<QValueAxis *>(a))
            m_watches.push_back(connect(v, &QValueAxis::rangeChanged, this, &BarMarks::placeLater));
        else if (auto *c = qobject_cast<QBarCategoryAxis *>(a))
            m_watches.push_back(
                connect(c, &QBarCategoryAxis::rangeChanged, this, &BarMarks::placeLater));
    }
}

void BarMarks::placeLater()
{
    // Coalesced, and after the chart has laid out the change.
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            place();
        },
        Qt::QueuedConnection);
}

void BarMarks::clearItems()
{
    for (const QPointer<QGraphicsObject> &item : m_items)
        delete item.data();
    m_items.clear();
}

void BarMarks::place()
{
    clearItems();
    QAbstractBarSeries *s = m_series;
    const QRectF plot = m_chart->plotArea();
    if (!s || !s->isVisible() || s->chart() != m_chart || plot.isEmpty())
        return;
    const bool horizontal = s->type() == QAbstractSeries::SeriesTypeHorizontalBar;
    const QLocale locale = m_chart->localizeNumbers() ? m_chart->locale() : QLocale::c();
    const QList<QBarSet *> sets = s->barSets();
    if (sets.isEmpty())
        return;
    const qreal setCount = sets.size();
    const qreal width = s->barWidth();
    // A point of the series' domain: value along the value axis, pos along the categories.
    auto at = [&](qreal value, qreal pos) {
        return m_chart->mapToPosition(horizontal ? QPointF(value, pos) : QPointF(pos, value), s);
    };
    // Coordinates along the value axis (a) and across it (b).
    auto along = [horizontal](const QPointF &p) { return horizontal ? p.x() : p.y(); };
    auto rectAt = [horizontal](qreal a, qreal b, qreal lenA, qreal lenB) {
        return horizontal ? QRectF(a, b, lenA, lenB) : QRectF(b, a, lenB, lenA);
    };
    const qreal aLo = horizontal ? plot.left() : plot.top();
    const qreal aHi = horizontal ? plot.right() : plot.bottom();

    // Upright marks wider than a bar would cover the neighbours': turn them all.
    const qreal pitch = std::abs(horizontal ? at(0, width / setCount).y() - at(0, 0).y()
                                            : at(0, width / setCount).x() - at(0, 0).x());
    bool turned = false;
    for (QBarSet *set : sets)
        for (int c = 0; c < set->count() && !horizontal && !turned; ++c)
            turned = set->at(c) != 0 &&
                     boxSize(text(set->at(c), locale), set->labelFont()).width() > pitch + 2 * kTouch;

    std::vector<QRectF> placed;
    // Touching frames (a pixel or two over a neighbour) do not count as a collision.
    auto hit = [&placed](const QRectF &r) {
        const QRectF core = r.adjusted(kTouch, kTouch, -kTouch, -kTouch);
        const auto h = std::find_if(placed.begin(), placed.end(),
                                    [&core](const QRectF &p) { return p.intersects(core); });
        return h == placed.end() ? std::optional<QRectF>() : std::optional<QRectF>(*h);
    };
    for (int si = 0; si < sets.size(); ++si) {
        QBarSet *set = sets[si];
        for (int c = 0; c < set->count(); ++c) {
            const qreal v = set->at(c);
            if (v == 0 || !std::isfinite(v))
                continue; // an empty bar has no end to mark
            const qreal lo = c - width / 2 + si * width / setCount;
            const qreal hi = lo + width / setCount;
            const QRectF seen = QRectF(at(0, lo), at(v, hi)).normalized() & plot;
            if (seen.isEmpty())
                continue; // zoomed out of view
            const qreal base = along(at(0, (lo + hi) / 2));
            const qreal end = std::clamp(along(at(v, (lo + hi) / 2)), aLo, aHi);
            const qreal dir = along(at(v, (lo + hi) / 2)) >= base ? 1 : -1;
            auto *item = new MarkItem(text(v, locale), set->labelFont(), turned, m_chart);
            const qreal lenA = horizontal ? item->size().width() : item->size().height();
            const qreal lenB = horizontal ? item->size().height() : item->size().width();
            const qreal b = (horizontal ? seen.center().y() : seen.center().x()) - lenB / 2;
            // From a start at the bar's end, step along side (+1 outward, -1 into the bar)
            // past the marks already placed there.
            auto walk = [&](qreal side) {
                const qreal way = dir * side;
                qreal a = way > 0 ? end + kGap : end - kGap - lenA;
                for (int guard = 0; guard < 64; ++guard) {
                    const auto h = hit(rectAt(a, b, lenA, lenB));
                    if (!h)
                        break;
                    const qreal hLo = horizontal ? h->left() : h->top();
                    const qreal hHi = horizontal ? h->right() : h->bottom();
                    a = way > 0 ? hHi + 1 : hLo - 1 - lenA;
                }
                return a;
            };
            auto inside = [&](qreal a) { return a >= aLo && a + lenA <= aHi; };
            // Beyond the bar's end, clear of the marks placed; else inside the bar, clear of
            // them; else where it fits, overlapping.
            const qreal outward = dir > 0 ? end + kGap : end - kGap - lenA;
            qreal a = walk(1);
            if (!inside(a)) {
                a = walk(-1);
                if (!inside(a))
                    a = inside(outward) ? outward : (dir > 0 ? end - kGap - lenA : end + kGap);
            }
            QRectF r = rectAt(a, b, lenA, lenB);
            r.moveTopLeft(QPointF(std::round(clampSpan(r.left(), r.width(), plot.left(), plot.right())),
                                  std::round(clampSpan(r.top(), r.height(), plot.top(), plot.bottom()))));
            item->setPos(r.topLeft());
            item->setZValue(100); // above the bars and grid
            placed.push_back(r);
            m_items.push_back(item);
        }
    }
}

std::vector<BarMarks::Mark> BarMarks::marks() const
{
    std::vector<Mark> out;
    for (const QPointer<QGraphicsObject> &item : m_items) {
        if (!item)
            continue;
        const auto *m = static_cast<const MarkItem *>(item.data());
        out.push_back({m->text(), QRectF(m->pos(), m->size()), fill()});
    }
    return out;
}

} // namespace kv
