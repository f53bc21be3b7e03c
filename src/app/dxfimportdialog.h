#pragma once
// "Импорт объектов из DXF": the drawing's layers with their counts of closed outlines, circles
// and texts to tick, the units (from the drawing or asked), the default height, and a preview of
// the objects over the drawing. OK leaves the plan to import in plan().

#include "plan/dxfimport.h"
#include "plan/underlay.h"

#include <QDialog>

#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kv {

// The drawing with the planned objects drawn over it, fitted to the widget.
class DxfPreview : public QWidget {
public:
    explicit DxfPreview(QWidget *parent = nullptr);
    void setContent(std::shared_ptr<const UnderlayPicture> drawing,
                    const std::vector<ImportedObject> *objects);

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    std::shared_ptr<const UnderlayPicture> m_drawing;
    const std::vector<ImportedObject> *m_objects = nullptr;
};

class DxfImportDialog : public QDialog {
public:
    // remembered: the project's DXF shift, when an earlier import or underlay set it.
    DxfImportDialog(std::optional<PlanShift> remembered, double gridStep, QWidget *parent = nullptr);

    // Reads the drawing named in the file box; false (and the reason shown) when refused.
    bool loadFile();
    const DxfImportPlan *plan() const { return m_plan ? &*m_plan : nullptr; }
    double metresPerUnit() const;

private:
    void browse();
    void replan();

    std::optional<PlanShift> m_remembered;
    double m_step;
    QLineEdit *m_file;
    QTreeWidget *m_layers;
    QComboBox *m_units;
    QLabel *m_unitsNote;
    QLineEdit *m_height;
    DxfPreview *m_preview;
    QLabel *m_info;
    QPushButton *m_ok;
    std::optional<DxfDrawing> m_drawing;
    std::optional<DxfImportPlan> m_plan;
};

} // namespace kv
