#include "widgets/numerickeys.h"

#include "calc/numfmt.h"

#include <QApplication>
#include <QKeyEvent>

namespace kv {

bool numberKeyPress(QObject *target, QKeyEvent *k, bool allowMinus)
{
    const QString text = k->text();
    // Keys without text (arrows, Delete, Home ...) and shortcuts move the caret or edit: let
    // them through; the filter is about the characters typed.
    if (text.isEmpty() || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (text == QLatin1String(".")) {
        // The decimal point, from the main keyboard or the keypad, is the decimal comma here.
        QKeyEvent comma(QEvent::KeyPress, Qt::Key_Comma, k->modifiers() & ~Qt::KeypadModifier,
                        QStringLiteral(","), k->isAutoRepeat());
        QCoreApplication::sendEvent(target, &comma);
        return true;
    }
    const char32_t c = text.at(0).unicode();
    // Control characters (Backspace, Tab, Enter, Escape, Delete) edit or leave the box.
    if (text.size() == 1 && (c < 0x20 || c == 0x7f))
        return false;
    if (text.size() == 1 && (allowMinus ? filterSignedNumericKey(c) : filterNumericKey(c)))
        return false;
    QApplication::beep();
    return true;
}

NumericKeyFilter *NumericKeyFilter::install(QObject *widget, bool allowMinus)
{
    auto *f = new NumericKeyFilter(allowMinus, widget);
    widget->installEventFilter(f);
    return f;
}

bool NumericKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    return numberKeyPress(watched, static_cast<QKeyEvent *>(event), m_signed);
}

} // namespace kv
