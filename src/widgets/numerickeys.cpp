#include "widgets/numerickeys.h"

#include "calc/numfmt.h"

#include <QApplication>
#include <QKeyEvent>

namespace kv {

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
    auto *k = static_cast<QKeyEvent *>(event);
    const QString text = k->text();
    // Keys without text (arrows, Delete, Home ...) and shortcuts move the caret or edit: let
    // them through; the filter is about the characters typed.
    if (text.isEmpty() || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const char32_t c = text.at(0).unicode();
    const bool ok = text.size() == 1 && (m_signed ? filterSignedNumericKey(c) : filterNumericKey(c));
    if (ok || c == 8 || c == 9 || c == '\r' || c == 27)
        return false;
    QApplication::beep();
    return true;
}

} // namespace kv
