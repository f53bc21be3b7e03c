#include "app/dialogprompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

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
                                                 const std::string &initial)
{
    bool ok = false;
    const QString v = QInputDialog::getText(m_parent, toText(caption), toText(prompt),
                                            QLineEdit::Normal, toText(initial), &ok);
    if (!ok)
        return std::nullopt;
    return v.toStdString();
}

} // namespace kv
