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

namespace kv {

namespace {

// The gap between a bar's end and its mark, in pixels.
constexpr qreal kGap = 2;

// One mark: an aqua box with a thin dark frame and the value centred in it.
class MarkItem : public QGraphicsObject {
public:
    MarkItem(const QString &text, const QFont &font, QGraphicsItem *parent)
        : QGraphicsObject(parent), m_text(text), m_font(font)
    {
        const QFontMetricsF fm(font);
        m_size = QSizeF(std::ceil(fm.horizontalAdvance(text)) + 6, std::ceil(fm.height()) + 2);
    }
    QRectF boundingRect() const override { return QRectF(QPointF(0, 0), m_size); }
    void paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        const QRectF r = boundingRect();
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
    const qreal setCount = sets.size();
    const qreal width = s->barWidth();
    // A point of the series' domain: value along the value axis, pos along the categories.
    auto at = [&](qreal value, qreal pos) {
        return m_chart->mapToPosition(horizontal ? QPointF(value, pos) : QPointF(pos, value), s);
    };
    for (int si = 0; si < sets.size(); ++si) {
        QBarSet *set = sets[si];
        for (int c = 0; c < set->count(); ++c) {
            const qreal v = set->at(c);
            if (v == 0 || !std::isfinite(v))
                continue; // an empty bar has no end to mark
            const qreal lo = c - width / 2 + si * width / setCount;
            const qreal hi = lo + width / setCount;
            const QRectF bar = QRectF(at(0, lo), at(v, hi)).normalized();
            const QRectF seen = bar & plot;
            if (seen.isEmpty())
                continue; // zoomed out of view
            const QPointF base = at(0, (lo + hi) / 2), end = at(v, (lo + hi) / 2);
            auto *item = new MarkItem(text(v, locale), set->labelFont(), m_chart);
            const QSizeF sz = item->size();
            QPointF topLeft;
            if (horizontal) {
                const bool right = end.x() >= base.x();
                const qreal e = std::clamp(end.x(), plot.left(), plot.right());
                // Beyond the bar's end; inside it when that would leave the plot area.
                qreal x = right ? e + kGap : e - kGap - sz.width();
                if (x < plot.left() || x + sz.width() > plot.right())
                    x = right ? e - kGap - sz.width() : e + kGap;
                topLeft = QPointF(x, seen.center().y() - sz.height() / 2);
            } else {
                const bool up = end.y() <= base.y();
                const qreal e = std::clamp(end.y(), plot.top(), plot.bottom());
                qreal y = up ? e - kGap - sz.height() : e + kGap;
                if (y < plot.top() || y + sz.height() > plot.bottom())
                    y = up ? e + kGap : e - kGap - sz.height();
                topLeft = QPointF(seen.center().x() - sz.width() / 2, y);
            }
            topLeft.setX(std::round(clampSpan(topLeft.x(), sz.width(), plot.left(), plot.right())));
            topLeft.setY(std::round(clampSpan(topLeft.y(), sz.height(), plot.top(), plot.bottom())));
            item->setPos(topLeft);
            item->setZValue(100); // above the bars and grid
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
