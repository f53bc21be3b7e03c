#pragma once
// The four positioning dialogs: conductor to an object, conductor coordinates, object to the
// conductor, object to another object. Each only collects the choice from a snapshot of the
// project and shows a schematic preview; the command applies it (app/dictcommands.h). The radio
// choices are kept between openings, as long as the program runs.

#include "calc/alignment.h"
#include "calc/records.h"

#include <QDialog>

#include <optional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kv {

class AlignPreview;
class NumericKeyFilter;
class Prompter;

// Shared frame: the buttons "ОК", "Отмена", "Справка..." and the project's data.
class PositionDialog : public QDialog {
    Q_OBJECT
public:
    QPushButton *okButton() const { return m_ok; }
    AlignPreview *preview() const { return m_preview; }

protected:
    PositionDialog(const ProjectSnapshot &snap, QWidget *parent);
    // Adds the button row under the dialog's content.
    void finishLayout(QWidget *content, int helpContext);
    // A radio group of items in one column; the group box gets the caption.
    QGroupBox *radioGroup(const QString &caption, const QStringList &items, QButtonGroup *&group);
    // The first object of the project with this name (in table order), nullptr when none.
    const ObjectRec *objectNamed(const QString &name) const;
    const ObjectRec *objectByKod(int kod) const;

    const ProjectSnapshot &m_snap;
    QPushButton *m_ok = nullptr;
    AlignPreview *m_preview = nullptr;
};

// "Выравнивание молниеотвода.": the conductor to the edges or the centre of an object.
class AlignConductorDialog : public PositionDialog {
    Q_OBJECT
public:
    AlignConductorDialog(const ProjectSnapshot &snap, int conductorColor, QWidget *parent = nullptr);
    QComboBox *objectList() const { return m_objects; }
    QButtonGroup *horizontal() const { return m_h; }
    QButtonGroup *vertical() const { return m_v; }
    int objectKod() const; // the chosen object, -1 when none
    void accept() override;

private:
    void update();
    QComboBox *m_objects;
    QButtonGroup *m_h = nullptr, *m_v = nullptr;
    int m_conductorColor;
};

// "Координаты молниеотвода.": absolute, relative to the other support, or to a point of an object.
class ConductorCoordsDialog : public PositionDialog {
    Q_OBJECT
public:
    // position: the conductor row being placed (0 or 1).
    ConductorCoordsDialog(const ProjectSnapshot &snap, int position, Prompter &prompter,
                          QWidget *parent = nullptr);
    QButtonGroup *kindGroup() const { return m_kind; }
    QGroupBox *kindBox() const { return m_kindBox; }
    QComboBox *objectList() const { return m_objects; }
    QButtonGroup *pointGroup() const { return m_point; }
    QGroupBox *pointBox() const { return m_pointBox; }
    QLineEdit *editX() const { return m_x; }
    QLineEdit *editY() const { return m_y; }
    // Step buttons of a field (0 X, 1 Y) for step index 0 (1), 1 (0,1), 2 (0,01).
    QToolButton *stepButton(int field, int step, bool up) const;

    CoordKind kind() const;
    int objectKod() const;
    AlignPoint point() const;
    double x() const { return m_vx; }
    double y() const { return m_vy; }
    void accept() override;

private:
    void kindChanged();
    void fillFields();
    void step(QLineEdit *edit, double step, bool up);
    void updatePreview();
    int m_position;
    Prompter &m_prompter;
    bool m_twoRows;
    QGroupBox *m_kindBox, *m_pointBox;
    QButtonGroup *m_kind = nullptr, *m_point = nullptr;
    QComboBox *m_objects;
    QLineEdit *m_x, *m_y;
    NumericKeyFilter *m_fx, *m_fy;
    QToolButton *m_steps[2][3][2] = {};
    double m_vx = 0, m_vy = 0;
};

// "Выравнивание объекта относительно молниеотвода.": a point of the current object on the conductor.
class AlignObjectToConductorDialog : public PositionDialog {
    Q_OBJECT
public:
    AlignObjectToConductorDialog(const ProjectSnapshot &snap, int objectKod, int conductorColor,
                                 QWidget *parent = nullptr);
    QButtonGroup *pointGroup() const { return m_point; }
    AlignPoint point() const;
    void accept() override;

private:
    void update();
    int m_objectKod;
    int m_conductorColor;
    QButtonGroup *m_point = nullptr;
};

// "Выравнивание объекта относительно другого объекта.": a point of the current object on a point of
// another object.
class AlignObjectToObjectDialog : public PositionDialog {
    Q_OBJECT
public:
    AlignObjectToObjectDialog(const ProjectSnapshot &snap, int objectKod,
                              QWidget *parent = nullptr);
    QLineEdit *alignedName() const { return m_name; }
    QComboBox *bindingList() const { return m_objects; }
    QButtonGroup *alignedPoint() const { return m_p; }
    QButtonGroup *bindingPoint() const { return m_q; }
    int bindingKod() const;
    AlignPoint pointOfAligned() const;
    AlignPoint pointOfBinding() const;
    void accept() override;

private:
    void update();
    int m_objectKod;
    QLineEdit *m_name;
    QComboBox *m_objects;
    QButtonGroup *m_p = nullptr, *m_q = nullptr;
};

} // namespace kv
