// Every control of every window can be found by a name, as a screen reader or an external driver
// finds it: a button by its caption or accessible name, a field by its accessible name or the
// label that is its buddy.

#include "userinput.h"
#include "windowfixture.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QSet>
#include <QStackedWidget>
#include <QTabBar>

namespace kv::test {
namespace {

QString controlName(QWidget *w, const QList<QLabel *> &labels)
{
    if (!w->accessibleName().trimmed().isEmpty())
        return w->accessibleName();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        if (!visibleText(b->text()).trimmed().isEmpty())
            return b->text();
    for (QLabel *l : labels)
        if (l->buddy() == w && !visibleText(l->text()).trimmed().isEmpty())
            return l->text();
    return {};
}

// Whether the user can reach w in root: shown, or on a page of a tab or stack that is not the
// current one.
bool reachable(QWidget *w, QWidget *root)
{
    for (QWidget *a = w; a && a != root; a = a->parentWidget())
        if (a->isHidden() && !qobject_cast<QStackedWidget *>(a->parentWidget()))
            return false;
    return true;
}

// The reachable controls under root that have no name, each as "window: class objectName".
QStringList unnamedControls(QWidget *root)
{
    QStringList out;
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!reachable(w, root))
            continue;
        const bool button = qobject_cast<QAbstractButton *>(w) != nullptr;
        if (!button && !qobject_cast<QComboBox *>(w) && !qobject_cast<QAbstractSpinBox *>(w)
            && !qobject_cast<QLineEdit *>(w))
            continue;
        // Parts of a compound control are named by it: the line edit of a combo or spin box, the
        // corner button of a grid, the scroll arrows of a tab bar.
        QWidget *p = w->parentWidget();
        if (qobject_cast<QLineEdit *>(w)
            && (qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractSpinBox *>(p)))
            continue;
        if (button && (qobject_cast<QAbstractItemView *>(p) || qobject_cast<QTabBar *>(p)))
            continue;
        if (controlName(w, labels).isEmpty())
            out << root->windowTitle() + QStringLiteral(": ")
                       + QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ')
                       + w->objectName() + QStringLiteral(" tooltip=") + w->toolTip();
    }
    return out;
}

QStringList unnamedMenuItems(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        if (visibleText(a->text()).trimmed().isEmpty())
            out << menu->title() + QStringLiteral(": ") + a->objectName();
        if (a->menu())
            out << unnamedMenuItems(a->menu());
    }
    return out;
}

// While a command runs, each modal window it opens is checked and then closed with Escape (as
// the user closes it); one that stays open is rejected.
class ModalInspector {
public:
    explicit ModalInspector(QStringList &found) : m_found(found)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    QStringList titles;

private:
    void poll()
    {
        QWidget *m = QApplication::activeModalWidget();
        if (!m || !m->isVisible())
            return;
        if (m != m_last) {
            m_last = m;
            m_tries = 0;
            titles << m->windowTitle();
            m_found << unnamedControls(m);
        }
        if (++m_tries <= 2) {
            QTest::keyClick(m, Qt::Key_Escape);
        } else if (auto *d = qobject_cast<QDialog *>(m)) {
            d->reject();
        } else {
            m->close();
        }
    }
    QStringList &m_found;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_tries = 0;
};

// Opens every window that the project window's menus open (each dialog closed as the user
// closes it) and lists the controls without a name; titles receives the windows seen.
QStringList unnamedInEveryWindow(ProjectWindow &w, QStringList &titles)
{
    QStringList found = unnamedControls(&w);
    for (QAction *top : w.menuBar()->actions())
        if (top->menu())
            found << unnamedMenuItems(top->menu());
    for (QAction *top : w.menuBar()->actions()) {
        if (!top->menu())
            continue;
        QList<QAction *> items = top->menu()->actions();
        for (int i = 0; i < items.size(); ++i) {
            QAction *a = items[i];
            if (a->menu()) {
                items << a->menu()->actions();
                continue;
            }
            if (a->isSeparator() || !a->isEnabled() || !a->text().endsWith(QStringLiteral("...")))
                continue;
            QSet<QWidget *> before;
            for (QWidget *t : QApplication::topLevelWidgets())
                if (t->isVisible())
                    before.insert(t);
            {
                ModalInspector inspect(found);
                a->trigger();
                QApplication::processEvents();
                titles << inspect.titles;
            }
            for (QWidget *t : QApplication::topLevelWidgets()) {
                if (!t->isVisible() || before.contains(t) || qobject_cast<QMenu *>(t))
                    continue;
                titles << t->windowTitle();
                found << unnamedControls(t);
                t->close();
            }
            QApplication::processEvents();
        }
    }
    return found;
}

TEST_F(WindowFixture, EveryControlOfEveryWindowHasAName)
{
    // A single rod and a double rod (each opens its own placement window), two objects each so
    // that the object-to-object commands are enabled.
    const std::vector<ObjSpec> objects{{"Склад", 20, 20, 20, 12, 6, 0x800000},
                                       {"Котельная", 60, 20, 10, 10, 8, 0x008000}};
    for (const char *tip : {kTipSingleRod, kTipDoubleRod}) {
        SCOPED_TRACE(tip);
        if (std::string(tip) == kTipSingleRod)
            addProject(tip, {{50, 30}}, objects);
        else
            addProject(tip, {{40, 30}, {80, 30}}, objects);
        QStringList titles;
        const QStringList found = unnamedInEveryWindow(open(), titles);
        EXPECT_GE(titles.size(), 15) << titles.join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
    }
}

} // namespace
} // namespace kv::test
