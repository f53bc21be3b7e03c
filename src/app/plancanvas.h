#pragma once
// One plan view of the project window: the view's background (grid and zones) with the
// conductor markers and object shapes of the shape model painted over it in stacking order.
// The widget is as large as the view's content and lives in a scroll area; the background is
// drawn in tiles as they come into sight, so the content may be of any size. In the top view the
// shapes take the mouse: a press selects, a left drag moves a dotted rubber band (the shape
// stays put) and the release reports where the band was dropped.

#include "plan/plantiles.h"
#include "plan/planview.h"

#include <QImage>
#include <QWidget>

#include <set>
#include <string>

namespace kv {

class PlanCanvas : public QWidget {
    Q_OBJECT
public:
    PlanCanvas(ViewKind view, QWidget *parent = nullptr);

    ViewKind view() const { return m_view; }
    // The background of imageSize content pixels, drawn part by part by scene, and the shapes
    // to show (the model must outlive the next setContent). The widget takes that size (plus the
    // ground bar below the front view). Every tile drawn before is dropped.
    void setContent(QSize imageSize, PlanTiles::Scene scene, const PlanViewModel *model);
    QSize imageSize() const { return m_tiles.contentSize(); }
    // The tiles kept now (for tests and benchmarks).
    std::size_t tileCount() const { return m_tiles.tileCount(); }
    // The blinking shape and its phase (hatched or solid).
    void setSelectedShape(const std::string &name);
    const std::string &selectedShape() const { return m_selected; }
    void setHatched(bool hatched);
    bool isHatched() const { return m_hatched; }
    // The shapes drawn with a red outline (the objects the zones shown do not protect).
    void setFlaggedShapes(std::set<std::string> names);
    const std::set<std::string> &flaggedShapes() const { return m_flagged; }
    static constexpr QRgb kFlagColour = 0xffff0000;

    // The topmost visible shape of this view under a content point ("" when none).
    std::string shapeAt(QPoint p) const;
    bool isDragging() const { return m_dragging; }
    QRect rubberBand() const { return m_band; }

    static constexpr int kGroundBar = 3;

signals:
    void shapePressed(const QString &name, Qt::MouseButton button, const QPoint &globalPos);
    // A left drag ended: the band's top-left corner in content pixels; moved is false for a
    // click without a drag.
    void shapeDropped(const QString &name, const QPoint &topLeft, bool moved);
    void pointerMoved(const QPoint &contentPos);
    void hintChanged(const QString &hint);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    bool event(QEvent *e) override;

    void moveEvent(QMoveEvent *e) override;

private:
    void paintShape(QPainter &p, const PlanShape &s, bool hatched) const;
    // The coordinate labels of the view's top and left edges, kept along the edges of the part
    // in sight while the view is scrolled, like rulers.
    void paintRulers(QPainter &p) const;

    ViewKind m_view;
    PlanTiles m_tiles;
    const PlanViewModel *m_model = nullptr;
    std::string m_selected;
    std::set<std::string> m_flagged;
    bool m_hatched = false;
    bool m_dragging = false;
    std::string m_dragShape;
    QPoint m_lastPos;
    QPoint m_pressPos;
    QRect m_band;
    QString m_hint;
};

} // namespace kv
