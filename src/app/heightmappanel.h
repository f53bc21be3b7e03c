#pragma once
// The height map panel of a placement window ("Панель карты высот молниеотвода"): the coloured
// picture of the current height table, the cell under the pointer with its coordinates and
// height, and the factor k of "Н <= Hмин * ". Clicking the map makes that cell current in the
// window's grid.

#include "calc/placementsearch.h"

#include <QFrame>

#include <map>
#include <optional>

class QLabel;
class QLineEdit;

namespace kv {

class Prompter;

class HeightMapPanel : public QFrame {
    Q_OBJECT
public:
    // side: S, 250 pixels in the single-rod window, 300 in the complex one.
    HeightMapPanel(int side, bool complex, Prompter &prompter, QWidget *parent = nullptr);

    // The table shown (not owned; null or an empty table: nothing drawn).
    void setTable(const HeightTable *table);
    void redraw();
    // The factor as typed; nullopt when it is not a number.
    std::optional<double> factor() const;
    QLineEdit *factorEdit() const { return m_factor; }
    QLabel *mapLabel() const { return m_map; }
    void stepFactor(double step, bool up);
    // Fills the data fields for the map pixel (what moving the pointer there shows).
    void showCellAt(QPoint pixel);
    QString fieldText(const QString &caption) const; // the data field after its caption

signals:
    // A grid cell (fixed rows and columns included) chosen by a click on the map.
    void cellChosen(int column, int row);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    const HeightTable *m_table = nullptr;
    int m_side;
    bool m_complex;
    Prompter &m_prompter;
    QLabel *m_map;
    QLineEdit *m_factor;
    std::map<QString, QLineEdit *> m_fields;
};

} // namespace kv
