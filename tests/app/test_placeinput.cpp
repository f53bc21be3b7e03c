// The placement windows driven as a designer drives them: opened from the project window's menu,
// rows typed into the grids' strips and posted with the navigator, "Расчет", "Стоп", "Таблица",
// "Найти" and the result modes clicked, the window closed with its own buttons, the step undone
// from the "Правка" menu. Nothing here calls a window's slots.

#include "app/heightmappanel.h"
#include "app/placementwindow.h"
#include "app/tableeditpanel.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

using namespace kv;
using namespace kv::test;

namespace {

constexpr int kWait = 20000; // ms: a generous bound, the searches below take far less

QComboBox *stripField(TableEditPanel *p, const QString &caption)
{
    for (QComboBox *cb : p->findChildren<QComboBox *>())
        if (cb->toolTip() == caption && cb->isVisibleTo(p))
            return cb;
    return nullptr;
}

// "+" on the panel's navigator, the captioned fields typed, "✓".
void typeRow(TableEditPanel *p, const std::vector<std::pair<QString, QString>> &fields,
             const QString &start = QStringLiteral("+"))
{
    ASSERT_TRUE(clickButton(p, start)) << start.toStdString();
    for (const auto &[caption, text] : fields) {
        QComboBox *cb = stripField(p, caption);
        ASSERT_TRUE(cb && cb->lineEdit()) << caption.toStdString();
        QTest::mouseClick(cb->lineEdit(), Qt::LeftButton);
        typeInto(cb->lineEdit(), text);
    }
    ASSERT_TRUE(clickButton(p, QStringLiteral("✓")));
}

std::vector<std::pair<QString, QString>> range(const char *x1, const char *x2, const char *dx,
                                               const char *y1, const char *y2, const char *dy)
{
    return {{"X1, м", x1}, {"X2, м", x2}, {"DX, м", dx},
            {"Y1, м", y1}, {"Y2, м", y2}, {"DY, м", dy}};
}

// Picks an item of a drop-down list from the keyboard, as a user typing its first characters.
void pick(QComboBox *cb, const QString &text)
{
    cb->setFocus();
    QTest::keyClick(cb, Qt::Key_Home);
    const int want = cb->findText(text);
    ASSERT_GE(want, 0) << text.toStdString();
    while (cb->currentIndex() < want)
        QTest::keyClick(cb, Qt::Key_Down);
}

void clickTab(QTabWidget *tabs, const QString &text)
{
    QTabBar *bar = tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == text)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
}

QToolButton *modeButton(QWidget *w, const QString &text)
{
    for (QToolButton *b : w->findChildren<QToolButton *>())
        if (b->text() == text && b->isCheckable())
            return b;
    return nullptr;
}

bool enabled(QWidget *w, const QString &text)
{
    QAbstractButton *b = findButton(w, text);
    return b && b->isEnabled();
}

class PlaceInput : public WindowFixture {
protected:
    // Opens the placement window from the menu; act drives it while it is up, then the button
    // named close ends it.
    void drive(const QString &close, const std::function<void(PlacementWindow *)> &act)
    {
        bool acted = false;
        ModalAnswer answer(close, [&](QWidget *m) {
            auto *pw = qobject_cast<PlacementWindow *>(m);
            ASSERT_NE(pw, nullptr) << m->metaObject()->className();
            acted = true;
            act(pw);
            if (!enabled(pw, close)) { // a failure above: end the window instead of waiting
                ADD_FAILURE() << close.toStdString() << " is disabled";
                QTest::keyClick(pw, Qt::Key_Escape);
            }
        });
        ASSERT_TRUE(chooseMenu(window.get(), "Молниеотвод", "Оптимальное размещение..."));
        EXPECT_TRUE(acted);
        EXPECT_TRUE(answer.done());
    }
    void undo()
    {
        for (QAction *top : window->menuBar()->actions())
            if (visibleText(top->text()) == "Правка")
                for (QAction *a : top->menu()->actions())
                    if (a->text().startsWith("Отменить") && a->isEnabled()) {
                        a->trigger();
                        return;
                    }
        ADD_FAILURE() << "nothing to undo";
    }
    Table &t(TableId id) { return dm->table(id); }
};

} // namespace

TEST_F(PlaceInput, SingleRodWindowSearchStopTableFindApplyUndoAndKeepsItsState)
{
    open(QSize(1366, 768)); // the sample project: one rod at (50, 45), three objects
    drive("ОК", [&](PlacementWindow *pw) {
        // Rows typed into a fresh window.
        typeRow(pw->variants(), {{"Вариант размещения", "V1"}});
        typeRow(pw->ranges(), range("0", "100", "0,01", "0", "100", "0,01"));
        ASSERT_EQ(t(TableId::Diap1).recordCount(), 1);
        // A search of 100 million points runs with its progress and can be stopped.
        ASSERT_TRUE(clickButton(pw, "Расчет"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(pw, "Стоп"); }, kWait));
        EXPECT_FALSE(enabled(pw, "ОК"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return pw->progressBar()->value() > 0; }, kWait));
        ASSERT_TRUE(clickButton(pw, "Стоп"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(pw, "Расчет"); }, kWait));
        EXPECT_TRUE(t(TableId::Diap0).isNull("H"));
        EXPECT_FALSE(enabled(pw, "Стоп"));

        // The steps edited to 1 m: the search finds what korvan-cli finds.
        typeRow(pw->ranges(), {{"DX, м", "1"}, {"DY, м", "1"}}, QStringLiteral("▲"));
        ASSERT_TRUE(clickButton(pw, "Расчет"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !t(TableId::Diap0).isNull("H"); }, kWait));
        EXPECT_EQ(t(TableId::Diap0).asDouble("X"), 49);
        EXPECT_EQ(t(TableId::Diap0).asDouble("Y"), 50);
        EXPECT_NEAR(t(TableId::Diap0).asDouble("H"), 39.7, 0.05);
        EXPECT_EQ(t(TableId::Diap1).asDouble("X"), 49);
        EXPECT_TRUE(QTest::qWaitFor([&] { return enabled(pw, "ОК"); }, kWait));

        // An exclusion sub-range around the best point moves the result out of it.
        typeRow(pw->subranges(),
                {{"X1, м", "45"}, {"X2, м", "55"}, {"Y1, м", "45"}, {"Y2, м", "55"}});
        ASSERT_EQ(t(TableId::Diap2).recordCount(), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(pw, "Расчет"); }, kWait));
        ASSERT_TRUE(clickButton(pw, "Расчет"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !t(TableId::Diap0).isNull("H"); }, kWait));
        const double x = t(TableId::Diap0).asDouble("X"), y = t(TableId::Diap0).asDouble("Y");
        EXPECT_TRUE(x < 45 || x > 55 || y < 45 || y > 55) << x << " " << y;

        // The height table of the range; "Найти" goes to the cell of the chosen X and Y.
        ASSERT_TRUE(clickButton(pw, "Таблица"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pw->hminField()->text().isEmpty(); }, kWait));
        QTableView *grid = pw->heightGrid();
        EXPECT_EQ(grid->model()->columnCount(), 102);
        pick(pw->findList(0), "10");
        pick(pw->findList(1), "20");
        ASSERT_TRUE(clickButton(pw, "Найти"));
        const QModelIndex cur = grid->currentIndex();
        EXPECT_EQ(grid->model()->index(0, cur.column()).data().toString(), "10");
        EXPECT_EQ(grid->model()->index(cur.row(), 0).data().toString(), "20");

        // Settings that must outlive the window: table mode, the map factor, the scheme scale.
        QTest::mouseClick(modeButton(pw, "Т"), Qt::LeftButton);
        ASSERT_TRUE(clickButton(pw, "Карта..."));
        QLineEdit *factor = pw->mapPanel()->factorEdit();
        factor->setFocus();
        factor->selectAll();
        typeText(factor, "1,2"); // typed over the selection
        clickTab(pw->tabs(), "Схема");
        for (QComboBox *cb : pw->findChildren<QComboBox *>())
            if (cb->count() == 10 && cb->itemText(9) == "10")
                pick(cb, "6");
        EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0].text;
        EXPECT_TRUE(pw->mapPanel()->isVisible());
    });
    // OK in table mode put the rod on the found cell; undo puts it back.
    EXPECT_EQ(snap().conductors.at(0).MX, 10);
    EXPECT_EQ(snap().conductors.at(0).MY, 20);
    undo();
    EXPECT_EQ(snap().conductors.at(0).MX, 50);
    EXPECT_EQ(snap().conductors.at(0).MY, 45);

    // Opened again, the window shows what it showed.
    drive("Отмена", [&](PlacementWindow *pw) {
        EXPECT_TRUE(modeButton(pw, "Т")->isChecked());
        EXPECT_FALSE(pw->hminField()->text().isEmpty());
        EXPECT_EQ(pw->heightGrid()->model()->columnCount(), 102);
        EXPECT_EQ(pw->mapPanel()->factorEdit()->text(), "1,2");
        bool scale6 = false;
        for (QComboBox *cb : pw->findChildren<QComboBox *>())
            scale6 = scale6 ||
                     (cb->count() == 10 && cb->itemText(9) == "10" && cb->currentText() == "6");
        EXPECT_TRUE(scale6);
        EXPECT_TRUE(enabled(pw, "ОК"));
        EXPECT_FALSE(pw->mapPanel()->isVisible()); // closing hid the map
    });
    EXPECT_EQ(snap().conductors.at(0).MX, 50); // Отмена applies nothing
}

TEST_F(PlaceInput, ComplexWindowRowsAlreadyStoredCombinationApplyUndo)
{
    addProject("двойной стержневой молниеотвод", {{0, 10}, {40, 10}},
               {{"Цех", 15, 5, 10, 5, 6, 0x80FF80}, {"Склад", 18, 14, 6, 4, 5, 0x40C0FF, "А"}});
    // Rows already in the tables when the window opens: a variant and a range of support 1.
    Table &v = t(TableId::Diap2MO0);
    ASSERT_TRUE(v.append());
    v.setValue("Name", "Две опоры");
    ASSERT_TRUE(v.post());
    Table &r1 = t(TableId::Diap2MO1);
    ASSERT_TRUE(r1.append());
    r1.setValue("DiapName", "Запад");
    for (auto [f, x] :
         {std::pair{"X1", 0.0}, {"X2", 4.0}, {"DX", 1.0}, {"Y1", 5.0}, {"Y2", 9.0}, {"DY", 1.0}})
        r1.setValue(f, x);
    ASSERT_TRUE(r1.post());
    open(QSize(1366, 768));
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    drive("ОК", [&](PlacementWindow *pw) {
        std::vector<std::pair<QString, QString>> east = range("30", "34", "1", "8", "12", "1");
        east.insert(east.begin(), {"Диапазон", "Восток"});
        typeRow(pw->ranges(2), east);
        ASSERT_EQ(t(TableId::Diap2MO11).recordCount(), 1);
        // Support 1 may not stand at x 0..1 (sub-range typed into its own grid).
        typeRow(pw->subranges(1), {{"X1, м", "0"}, {"X2, м", "1"}, {"Y1, м", "5"}, {"Y2, м", "9"}});
        ASSERT_EQ(t(TableId::Diap2MO2).recordCount(), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return enabled(pw, "Расчет"); }, kWait));
        ASSERT_TRUE(clickButton(pw, "Расчет"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !t(TableId::Diap2MO0).isNull("H1"); }, kWait));
        Table &c = t(TableId::Diap2MO3);
        ASSERT_EQ(c.recordCount(), 1);
        EXPECT_EQ(c.asText("DiapName1"), "Запад");
        EXPECT_EQ(c.asText("DiapName2"), "Восток");
        EXPECT_EQ(c.asDouble("H1"), c.asDouble("H2"));
        x1 = c.asDouble("X1"), y1 = c.asDouble("Y1"), x2 = c.asDouble("X2"), y2 = c.asDouble("Y2");
        EXPECT_GT(x1, 1);

        // The table of both supports' current ranges and the four-text find.
        ASSERT_TRUE(clickButton(pw, "Таблица"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pw->hminField()->text().isEmpty(); }, kWait));
        pick(pw->findList(0), "2");
        pick(pw->findList(1), "7");
        pick(pw->findList(2), "33");
        pick(pw->findList(3), "11");
        ASSERT_TRUE(clickButton(pw, "Найти"));
        QAbstractItemModel *m = pw->heightGrid()->model();
        const QModelIndex cur = pw->heightGrid()->currentIndex();
        EXPECT_EQ(m->index(0, cur.column()).data().toString(), "2");
        EXPECT_EQ(m->index(1, cur.column()).data().toString(), "7");
        EXPECT_EQ(m->index(cur.row(), 0).data().toString(), "33");
        EXPECT_EQ(m->index(cur.row(), 1).data().toString(), "11");

        // Combination mode: OK applies the current combination.
        QTest::mouseClick(modeButton(pw, "Д"), Qt::LeftButton);
        EXPECT_TRUE(enabled(pw, "ОК"));
        EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0].text;
    });
    ASSERT_EQ(snap().conductors.size(), 2u);
    EXPECT_EQ(snap().conductors[0].MX, x1);
    EXPECT_EQ(snap().conductors[0].MY, y1);
    EXPECT_EQ(snap().conductors[1].MX, x2);
    EXPECT_EQ(snap().conductors[1].MY, y2);
    undo();
    EXPECT_EQ(snap().conductors[0].MX, 0);
    EXPECT_EQ(snap().conductors[1].MX, 40);
}
