#include "app/dialogprompter.h"

#include "widgets/dialogrunner.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

namespace kv {

namespace {

// "\r" inside a message is a line break.
QString toText(const std::string &s)
{
    QString t = QString::fromStdString(s);
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

} // namespace

void DialogPrompter::error(const std::string &text)
{
    QMessageBox::critical(m_parent, QApplication::applicationDisplayName(), toText(text));
}

void DialogPrompter::info(const std::string &text)
{
    QMessageBox::information(m_parent, QApplication::applicationDisplayName(), toText(text));
}

void DialogPrompter::warning(const std::string &text)
{
    QMessageBox::warning(m_parent, QApplication::applicationDisplayName(), toText(text));
}

bool DialogPrompter::ask(const std::string &text)
{
    return QMessageBox::question(m_parent, QApplication::applicationDisplayName(), toText(text),
                                 QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

std::optional<std::string> DialogPrompter::input(const std::string &caption,
                                                 const std::string &prompt,
                                                 const std::string &initial, int maxLength)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(toText(caption));
    box.setLabelText(toText(prompt));
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(QStringLiteral("ОК")); // as the program's own dialogs spell it
    // The box holds no more than the field the answer is stored in, so a long name is never
    // refused after OK.
    QLineEdit *edit = box.findChild<QLineEdit *>();
    if (edit && maxLength > 0)
        edit->setMaxLength(maxLength);
    box.setTextValue(toText(initial));
    // Wide enough for the caption and for the whole of the longest name the field takes.
    int width = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + 120;
    if (edit) {
        const QFontMetrics fm = edit->fontMetrics();
        width = std::max(width, fm.horizontalAdvance(edit->text()) + 60);
        width = std::max(width, fm.averageCharWidth() * maxLength + 60);
    }
    box.resize(std::clamp(width, 360, 900), box.sizeHint().height());
    if (runDialog(box) != QDialog::Accepted)
        return std::nullopt;
    return box.textValue().toStdString();
}

} // namespace kv
