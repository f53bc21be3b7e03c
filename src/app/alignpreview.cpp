#include "app/alignpreview.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace kv {

AlignPreview::AlignPreview(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFixedSize(200, 150);
    setObjectName(QStringLiteral("preview"));
}

void AlignPreview::setItems(std::vector<Item> items)
{
    m_items = std::move(items);
    update();
}

QString AlignPreview::hintAt(const QPointF &p) const
{
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        if (it->rect.adjusted(-1, -1, 1, 1).contains(p))
            return it->hint;
    return {};
}

QColor AlignPreview::storedColor(std::optional<int> rgb)
{
    if (!rgb)
        return QColor(192, 192, 192);
    return QColor(*rgb & 0xff, (*rgb >> 8) & 0xff, (*rgb >> 16) & 0xff);
}

void AlignPreview::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.fillRect(contentsRect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const Item &it : m_items) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(it.color);
        if (it.circle)
            p.drawEllipse(it.rect);
        else
            p.drawRect(it.rect);
    }
    p.end();
    QFrame::paintEvent(e);
}

bool AlignPreview::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        auto *h = static_cast<QHelpEvent *>(e);
        const QString hint = hintAt(h->pos());
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), hint, this);
        return true;
    }
    return QFrame::event(e);
}

} // namespace kv
