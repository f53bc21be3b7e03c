#pragma once
// The project parameters dialog "Параметры проекта." of the create and edit commands: name,
// thunderstorm row with its strike density, owner, date and time, conductor type, plan scale and
// note. It only collects the values; the command hands them to the project document.

#include "data/projectops.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace kv {

class ProjectForm : public QDialog {
    Q_OBJECT
public:
    explicit ProjectForm(QWidget *parent = nullptr);

    // The thunderstorm rows ("60 - 79", "100 - ") and the strike density of a row.
    using UdarovLookup = std::function<std::optional<double>(const std::string &)>;
    void setRanges(const std::vector<std::string> &items, UdarovLookup udarovOf);
    // The step of the scale spin (the settings' ScaleShag; 100 when empty).
    void setScaleStep(int step);
    // Fills the dialog; the list item equal to in.grozRange is selected (none when no item is
    // equal) and the strike density follows it.
    void setInput(const ProjectInput &in);
    // The values as the dialog holds them (grozRange empty when no list item is selected).
    ProjectInput input() const;

    QLineEdit *nameEdit() const { return m_name; }
    QComboBox *rangeCombo() const { return m_range; }
    QLineEdit *udarovEdit() const { return m_udarov; }
    QLineEdit *ownerEdit() const { return m_owner; }
    QDateEdit *dateEdit() const { return m_date; }
    QTimeEdit *timeEdit() const { return m_time; }
    QRadioButton *typeButton(int typeIndex) const { return m_types[typeIndex]; }
    QSpinBox *scaleSpin() const { return m_scale; }
    QPlainTextEdit *memoEdit() const { return m_memo; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }

private:
    void rangeChanged(int index);

    UdarovLookup m_udarovOf;
    QLineEdit *m_name, *m_udarov, *m_owner;
    QComboBox *m_range;
    QDateEdit *m_date;
    QTimeEdit *m_time;
    QRadioButton *m_types[4];
    QSpinBox *m_scale;
    QPlainTextEdit *m_memo;
    QPushButton *m_ok, *m_cancel, *m_help;
};

} // namespace kv
