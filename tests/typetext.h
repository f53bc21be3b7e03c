#pragma once
// Types a text into a widget key by key, Cyrillic included (QTest::keyClicks takes only ASCII).

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kv::test {

inline void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

} // namespace kv::test
