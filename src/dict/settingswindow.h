#pragma once
// The program settings window: the settings row in three tabs (general, calculations with the
// double-rod limits and the cable-sag table, graphics). "Сохранить" checks the double-rod limits
// and stores the row; "Отмена" leaves it as it was. Rows of the sag table are stored by their own
// navigator.

#include "calc/records.h"
#include "dict/dictwindow.h"

#include <QColor>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kv {

class DataModule;
class DbGrid;
class DbNavigator;

class SettingsWindow : public DictWindow {
    Q_OBJECT
public:
    explicit SettingsWindow(DataModule &dm, QWidget *parent = nullptr);

    // The settings as shown (and stored after "Сохранить").
    const SettingsRec &settings() const { return m_rec; }
    const SettingsRec &original() const { return m_original; }

    // The colour dialog; tests replace it.
    using ColorPicker = std::function<std::optional<QColor>(const QColor &initial, QWidget *)>;
    void setColorPicker(ColorPicker p) { m_pickColor = std::move(p); }

    // The three line groups of the graphics tab.
    enum Line { PodLine, SelLine, GridLine };
    QComboBox *widthBox(Line l) const { return m_width[l]; }
    QComboBox *styleBox(Line l) const { return m_style[l]; }
    QComboBox *gridStepBox() const { return m_objShag; }
    QComboBox *scaleStepBox() const { return m_scaleShag; }
    QComboBox *sizeBox() const { return m_sizeMO; }
    QLineEdit *limitEdit(int i) const { return m_limit[i]; } // A1, A2, A3, B1, B2
    QLabel *limitCopy(int i) const { return m_limitCopy[i]; } // read-only copies, same order
    QPushButton *moColorButton() const { return m_moColorBtn; }
    QPushButton *gridColorButton() const { return m_gridColorBtn; }
    QFrame *moSwatch() const { return m_moSwatch; }
    QFrame *gridSwatch() const { return m_gridSwatch; }
    QPushButton *saveButton() const { return m_save; }
    QTabWidget *tabs() const { return m_tabs; }
    QTabWidget *calcTabs() const { return m_calcTabs; }
    DbGrid *sagGrid() const { return m_sagGrid; }
    DbNavigator *sagNavigator() const { return m_sagNav; }

    void accept() override;

private:
    QWidget *makeGeneralTab();
    QWidget *makeCalcTab(DataModule &dm);
    QWidget *makeGraphicsTab();
    void showRec();
    void styleChosen(Line l);
    void widthChosen(Line l);
    void pickColor(bool conductor);
    void setSwatch(QFrame *swatch, int rgb);
    void addColorRow(QHBoxLayout *row, QWidget *parent, bool conductor);

    DataModule &m_dm;
    SettingsRec m_rec, m_original;
    ColorPicker m_pickColor;
    QTabWidget *m_tabs, *m_calcTabs = nullptr;
    QComboBox *m_objShag = nullptr, *m_scaleShag = nullptr, *m_sizeMO = nullptr;
    QCheckBox *m_viewParRep = nullptr, *m_autoName = nullptr, *m_useKlav = nullptr,
              *m_msgUseAs2 = nullptr;
    QComboBox *m_width[3] = {}, *m_style[3] = {};
    QLineEdit *m_limit[5] = {};
    QLabel *m_limitCopy[5] = {};
    QPushButton *m_moColorBtn = nullptr, *m_gridColorBtn = nullptr, *m_save = nullptr;
    QFrame *m_moSwatch = nullptr, *m_gridSwatch = nullptr;
    DbGrid *m_sagGrid = nullptr;
    DbNavigator *m_sagNav = nullptr;
    bool m_showing = false;
};

} // namespace kv
