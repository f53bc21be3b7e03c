#include "widgets/arrowspinbox.h"

#include <QApplication>
#include <QKeyEvent>

namespace kv {

ArrowSpinBox::ArrowSpinBox(QWidget *parent) : QSpinBox(parent) {}

void ArrowSpinBox::keyPressEvent(QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        QSpinBox::keyPressEvent(e);
        return;
    default:
        if (!e->text().isEmpty() || e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)
            QApplication::beep();
        e->accept();
    }
}

} // namespace kv
