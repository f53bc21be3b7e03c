#pragma once
// "Подложка": choose the project's underlay — a DXF drawing (units from the drawing or asked), or
// a PNG/JPEG picture or a PDF page placed by two points clicked on it, their real distance and
// the plan position of the first point — or remove it.

#include "plan/underlay.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kv {

// The picture with the two picked points; a click sets the first point, the next the second.
class PointPicker : public QWidget {
public:
    explicit PointPicker(QWidget *parent = nullptr);
    void setImage(QImage image, double factor);
    int picked() const { return m_count; }
    // The points in the original picture's pixels.
    QPointF point(int i) const { return m_points[i] / m_factor; }

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    double fit() const;
    QImage m_image;
    double m_factor = 1; // image pixels per original pixel
    QPointF m_points[2];
    int m_count = 0;
};

class UnderlayDialog : public QDialog {
public:
    UnderlayDialog(UnderlaySettings current, double gridStep, QWidget *parent = nullptr);

    enum Result { Keep, Set, Remove };
    Result result() const { return m_result; }
    const QString &sourcePath() const { return m_path; }
    // The settings to store with the file (kind and placement).
    UnderlaySettings settings() const;

    bool loadFile();

private:
    void accepted();
    UnderlaySettings m_current;
    double m_step;
    Result m_result = Keep;
    QString m_path;
    UnderlayKind m_kind = UnderlayKind::None;
    QLineEdit *m_file;
    QComboBox *m_units;
    QSpinBox *m_page;
    PointPicker *m_picker;
    QLineEdit *m_distance, *m_x, *m_y;
    QLabel *m_info;
};

} // namespace kv
