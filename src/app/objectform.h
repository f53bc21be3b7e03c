#pragma once
// The object dialog "Параметры объекта." of the add and edit commands: name (typed or chosen from
// the names dictionary), label, colour, position, sizes with their spin buttons, the building
// class and the live evaluation of N, category and zone with its explanation texts. OK runs the
// dialog's checks; the command writes the values through the project document.

#include "calc/objectdialog.h"
#include "calc/records.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;

namespace kv {

class Prompter;
class Table;

class ObjectForm : public QDialog {
    Q_OBJECT
public:
    explicit ObjectForm(QWidget *parent = nullptr);

    // The project's lower thunderstorm bound T and strike density n (for N and the class rule).
    void setProject(int T, double n);
    // The texts of the building classes (row k of class.db for class k; beyond 16 ignored).
    void setClassTexts(const QStringList &texts);
    // The names dictionary offered by "Выбор..." (objname.db).
    void setNamesTable(Table *names) { m_names = names; }
    void setPrompter(Prompter *p) { m_prompter = p; }
    // Fills the dialog from a row (new-object defaults or the object edited); N, category and
    // zone are evaluated again as on every activation.
    void setValues(const ObjectRec &rec);
    // The values to write after OK: Name, SLabel, ObjColor, Kateg, Zona, MXa, MYa (not yet
    // snapped), L, S, Hx, N, Tip, STip.
    ObjectRec values() const;

    // The dialog's checks and the messages on OK; the dialog stays open on the first failure.
    void accept() override;

    // A spin button: field one of X, Y, L, S, Hx; step 1, 0.1 or 0.01; up or down.
    void stepField(ObjectField field, double step, bool up);
    // The step rule on a field's text ("" when the text is not a number: nothing changes).
    static QString stepped(const QString &text, double step, bool up);

    QLineEdit *edit(ObjectField f) const; // Name, Label, X, Y, L, S, Hx
    QLineEdit *nEdit() const { return m_n; }
    QComboBox *categoryCombo() const { return m_kateg; }
    QComboBox *zoneCombo() const { return m_zona; }
    QRadioButton *classButton(int k) const { return m_classButtons.value(k - 1); }
    int buildingClass() const { return m_calc.buildingClass(); }
    int colour() const { return m_colour; }
    void setColour(int rgb);
    QPlainTextEdit *memoN() const { return m_memoN; }
    QPlainTextEdit *memoObos() const { return m_memoObos; }
    QTabWidget *memoTabs() const { return m_memoTabs; }
    QPushButton *selectButton() const { return m_select; }
    QPushButton *colourButton() const { return m_colourButton; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }
    QScrollArea *classBox() const { return m_classBox; }

private:
    void toCalc();
    void fromCalc();
    void report(const std::optional<DialogError> &e);
    void sizeEdited();
    void classChosen(int k);
    void chooseName();
    void chooseColour();
    void scrollClassIntoView();
    QWidget *numberRow(ObjectField f, QWidget *parent);
    bool eventFilter(QObject *o, QEvent *e) override;
    void showEvent(QShowEvent *e) override;

    ObjectDialogCalc m_calc{0, 0};
    Table *m_names = nullptr;
    Prompter *m_prompter = nullptr;
    bool m_filling = false;
    int m_colour = 0;

    QLineEdit *m_name, *m_label, *m_x, *m_y, *m_l, *m_s, *m_hx, *m_n;
    QComboBox *m_kateg, *m_zona;
    QFrame *m_swatch;
    QScrollArea *m_classBox;
    QList<QRadioButton *> m_classButtons;
    QList<QLabel *> m_classTexts;
    QTabWidget *m_memoTabs;
    QPlainTextEdit *m_memoN, *m_memoObos;
    QPushButton *m_select, *m_colourButton, *m_ok, *m_cancel, *m_help;
};

} // namespace kv
