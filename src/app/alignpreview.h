#pragma once
// The small schematic preview of the alignment and coordinate dialogs: rectangles (objects),
// squares (conductor markers) and circles (points) in preview pixels, each with its hint.

#include <QColor>
#include <QFrame>
#include <QRectF>
#include <QString>

#include <vector>

namespace kv {

class AlignPreview : public QFrame {
    Q_OBJECT
public:
    struct Item {
        QRectF rect;
        QColor color;
        QString hint;
        bool circle = false;
    };
    explicit AlignPreview(QWidget *parent = nullptr);
    void setItems(std::vector<Item> items);
    const std::vector<Item> &items() const { return m_items; }
    // The hint of the topmost item under a point (empty when none).
    QString hintAt(const QPointF &p) const;

    // An object's colour as stored (red in the low byte); grey when empty.
    static QColor storedColor(std::optional<int> rgb);

protected:
    void paintEvent(QPaintEvent *e) override;
    bool event(QEvent *e) override;

private:
    std::vector<Item> m_items;
};

} // namespace kv
