#pragma once
// Acting on windows as a user does: clicks on the real buttons, menu items chosen from the visible
// menus, text typed key by key, and modal dialogs answered by clicking their buttons. Window tests
// use only these (and QTest's own events) to change anything, never a window's slots.

#include "qtrywait.h"
#include "typetext.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <functional>
#include <memory>

namespace kv::test {

// A button's text as the user reads it: without the mnemonic ampersand.
inline QString visibleText(const QString &t)
{
    QString s = t;
    s.remove(QLatin1Char('&'));
    return s;
}

// The visible button under root whose text (or accessible name) is text; nullptr when none.
inline QAbstractButton *findButton(QWidget *root, const QString &text)
{
    if (!root)
        return nullptr;
    const auto buttons = root->findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        if (!b->isVisibleTo(root))
            continue;
        if (visibleText(b->text()) == text || b->accessibleName() == text)
            return b;
    }
    return nullptr;
}

// Clicks the visible, enabled button named text under root with the left mouse button; false
// (and nothing clicked) when there is no such button or it is disabled.
inline bool clickButton(QWidget *root, const QString &text)
{
    QAbstractButton *b = findButton(root, text);
    if (!b || !b->isEnabled())
        return false;
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
    return true;
}

// The action of the menu bar's menu titled menu whose text is item (without ampersands), when
// both are visible; nullptr otherwise.
inline QAction *menuAction(QMainWindow *w, const QString &menu, const QString &item)
{
    for (QAction *top : w->menuBar()->actions()) {
        if (visibleText(top->text()) != menu || !top->isVisible() || !top->menu())
            continue;
        for (QAction *a : top->menu()->actions())
            if (!a->isSeparator() && a->isVisible() && visibleText(a->text()) == item)
                return a;
    }
    return nullptr;
}

// Chooses a visible, enabled menu item as the user does (the menu's action is triggered, which is
// what a click on the item does); false when it is missing or disabled.
inline bool chooseMenu(QMainWindow *w, const QString &menu, const QString &item)
{
    QAction *a = menuAction(w, menu, item);
    if (!a || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

// Turns the mouse wheel by notches (positive: away from the user) over w at pos (w's
// coordinates) with the modifier keys held, as the platform delivers it to the widget there.
inline void turnWheel(QWidget *w, QPoint pos, int notches,
                      Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWheelEvent e(QPointF(pos), w->mapToGlobal(QPointF(pos)), QPoint(), QPoint(0, 120 * notches),
                  Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// Replaces a line edit's text by typing: select all, then the keys.
inline void typeInto(QLineEdit *e, const QString &text)
{
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    typeText(e, text);
}

// Answers the next modal dialog: once one is active (and is not `except`), calls act on it
// (fill its fields, take a screenshot), then clicks its button named button. Polls the event
// loop, so it works for dialogs opened by exec() inside the code under test. done() tells whether
// it was answered; text() is the dialog's label texts, joined, for checking what it said.
class ModalAnswer {
public:
    ModalAnswer(QString button, std::function<void(QWidget *)> act = {}, QWidget *except = nullptr)
        : m_button(std::move(button)), m_act(std::move(act)), m_except(except)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool done() const { return m_done; }
    const QString &text() const { return m_text; }
    QString title() const { return m_title; }

private:
    void poll()
    {
        QWidget *m = QApplication::activeModalWidget();
        if (!m || m == m_except || !m->isVisible())
            return;
        m_timer.stop();
        if (!m_seen) {
            m_seen = true;
            m_title = m->windowTitle();
            for (auto *l : m->findChildren<QWidget *>()) {
                const QVariant t = l->property("text");
                if (t.isValid() && !qobject_cast<QAbstractButton *>(l))
                    m_text += t.toString() + QLatin1Char('\n');
            }
            if (m_act)
                m_act(m);
        }
        m_done = clickButton(m, m_button);
        if (m_done)
            return;
        // The button may not be enabled yet; a dialog without it is closed after about ten
        // seconds, so that a test fails instead of waiting for ever.
        if (++m_tries > 500) {
            m->close();
            return;
        }
        m_timer.start();
    }

    QString m_button;
    std::function<void(QWidget *)> m_act;
    QPointer<QWidget> m_except;
    QTimer m_timer;
    bool m_done = false;
    bool m_seen = false;
    int m_tries = 0;
    QString m_text, m_title;
};

} // namespace kv::test
