#pragma once
// The object band dialog ("Выбор объекта."): an object of the project and a band width around
// it, with the four bounds' inclusion for an exclusion sub-range. The window that opens it adds
// the range or sub-range with the chosen values.

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kv {

class Prompter;

class ObjectBandDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 102;

    explicit ObjectBandDialog(Prompter &prompter, QWidget *parent = nullptr);

    // Fills the object list (first selected); the inclusion group is enabled only for a
    // sub-range.
    void prepare(const std::vector<std::string> &objectNames, bool forSubRange);

    std::string objectName() const;
    double width() const; // 0 when the text is not a number
    std::array<bool, 4> flags() const; // left, right, upper, lower

    QComboBox *objectBox() const { return m_object; }
    QLineEdit *widthEdit() const { return m_width; }
    QPushButton *okButton() const { return m_ok; }
    // The arrows: step 1 or 0,1, up or down.
    void stepWidth(double step, bool up);

signals:
    void helpRequested(int topic);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void updateOk();

    Prompter &m_prompter;
    QComboBox *m_object;
    QLineEdit *m_width;
    QGroupBox *m_group;
    std::array<QCheckBox *, 4> m_checks{};
    QPushButton *m_ok;
};

} // namespace kv
