#pragma once
// Value marks of a bar chart: the value of every shown bar in a small aqua box with a thin dark
// frame at the bar's end. Qt Charts' own bar labels cannot have a background, so the marks are
// items of the chart's scene, placed again whenever the chart is resized or zoomed, or its axes
// or values change.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <vector>

class QAbstractBarSeries;
class QChart;
class QGraphicsObject;
class QLocale;

namespace kv {

class BarMarks : public QObject {
    Q_OBJECT
public:
    // The marks live on chart (and are destroyed with it).
    explicit BarMarks(QChart *chart);
    ~BarMarks() override;

    // Marks the bars of series (a grouped vertical or horizontal bar series on the chart);
    // nullptr or shown == false removes every mark.
    void setSeries(QAbstractBarSeries *series, bool shown);

    // A value as its mark shows it: six significant digits in the chart's number locale.
    static QString text(double value, const QLocale &locale);
    static QColor fill() { return QColor(0, 255, 255); }

    // The marks now shown: text and rectangle in the chart's coordinates (those of plotArea()).
    struct Mark {
        QString text;
        QRectF rect;
        QColor fill;
    };
    std::vector<Mark> marks() const;

private:
    void watch();
    void place();
    void placeLater();
    void clearItems();

    QChart *m_chart;
    QPointer<QAbstractBarSeries> m_series;
    // The chart deletes its child items first when it goes: the pointers then read null.
    std::vector<QPointer<QGraphicsObject>> m_items;
    std::vector<QMetaObject::Connection> m_watches;
    bool m_pending = false;
};

} // namespace kv
