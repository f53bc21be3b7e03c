// The dictionary windows and the settings window, driven through their widgets.

#include "dictfixture.h"
#include "qtrywait.h"
#include "typetext.h"

#include "data/constructionsearch.h"
#include "data/referencerules.h"
#include "data/settingsops.h"
#include "data/snapshot.h"
#include "dict/classwindow.h"
#include "dict/constructionwindow.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/help.h"
#include "dict/namewindow.h"
#include "dict/settingswindow.h"
#include "dict/thunderstormwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace kv;
using kv::test::DictFixture;
using Nav = DbNavigator;

namespace {

// Types into a cell of a grid as its editor would on commit.
bool typeCell(DbGrid *g, int row, int col, const QString &text)
{
    return g->model()->setData(g->model()->index(row, col), text);
}

QString cell(DbGrid *g, int row, int col)
{
    return g->model()->index(row, col).data().toString();
}

QStringList headers(DbGrid *g)
{
    QStringList out;
    for (int c = 0; c < g->model()->columnCount(); ++c)
        out << g->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

} // namespace

TEST_F(DictFixture, ThunderstormEditsPostThroughTheNavigatorAndCloseCancels)
{
    Table &t = dm->table(TableId::Poraj);
    const int before = t.recordCount();
    ThunderstormWindow w(*dm);
    EXPECT_EQ(w.windowTitle(), "Среднее количество поражений молнией земной поверхности.");
    EXPECT_EQ(headers(w.grid()), (QStringList{"Тмин., ч", "Тмакс., ч", "n"}));
    EXPECT_EQ(w.grid()->model()->rowCount(), before);
    EXPECT_EQ(w.editMin()->text(), cell(w.grid(), 0, 0));
    shot(&w, "dict-thunderstorm.png");

    // A new row typed into the three edits and posted.
    ASSERT_TRUE(w.navigator()->run(Nav::Insert));
    EXPECT_EQ(w.grid()->model()->rowCount(), before + 1);
    QTest::keyClicks(w.editMin(), "200");
    QTest::keyClicks(w.editUdarov(), "1x2,5"); // the x is refused by the key filter
    EXPECT_EQ(w.editUdarov()->text(), "12,5");
    ASSERT_TRUE(w.navigator()->run(Nav::Post));
    EXPECT_EQ(t.recordCount(), before + 1);
    EXPECT_EQ(t.value("ProdGrozMin"), Value(200));
    EXPECT_TRUE(t.isNull("ProdGrozMax"));
    EXPECT_EQ(t.asDouble("Udarov"), 12.5);
    EXPECT_EQ(cell(w.grid(), before, 2), "12,5");

    // A number that does not convert, or a fraction in a whole-hours field, refuses the post and
    // keeps the row in edit.
    w.editUdarov()->setText(",");
    emit w.editUdarov()->textEdited(",");
    EXPECT_TRUE(t.isEditing());
    EXPECT_FALSE(w.navigator()->run(Nav::Post));
    w.editUdarov()->setText("12,5");
    emit w.editUdarov()->textEdited("12,5");
    w.editMax()->setText("250,5");
    emit w.editMax()->textEdited("250,5");
    EXPECT_FALSE(w.navigator()->run(Nav::Post));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>(2, "Ошибочное значение для числового параметра."));
    EXPECT_TRUE(t.isEditing());

    // Closing the window with the row in edit cancels the edit: nothing half-posted.
    w.reject();
    EXPECT_FALSE(t.isEditing());
    EXPECT_EQ(t.asDouble("Udarov"), 12.5);
    t.refresh();
    EXPECT_EQ(t.recordCount(), before + 1);
}

TEST_F(DictFixture, ClassesAreEditedButNeverAddedOrRemoved)
{
    Table &t = dm->table(TableId::Class);
    ClassWindow w(*dm);
    EXPECT_EQ(w.windowTitle(), "Классы зданий и сооружений.");
    EXPECT_FALSE(w.navigator()->button(Nav::Insert)->isVisibleTo(&w));
    EXPECT_FALSE(w.navigator()->button(Nav::Delete)->isVisibleTo(&w));
    EXPECT_TRUE(w.navigator()->button(Nav::Edit)->isVisibleTo(&w));
    shot(&w, "dict-classes.png");
    // Any window's insert or delete is refused by the table itself.
    EXPECT_FALSE(w.navigator()->run(Nav::Insert));
    EXPECT_FALSE(w.navigator()->run(Nav::Delete));
    EXPECT_EQ(prompter.errors(), (std::vector<std::string>{kMsgClassInsert, kMsgClassDelete}));
    EXPECT_EQ(t.recordCount(), 16);

    ASSERT_TRUE(w.navigator()->run(Nav::Next));
    EXPECT_EQ(t.asInt("Kod"), 2);
    const std::string old = t.asText("ClassObj");
    w.memo()->setPlainText("Новый текст класса 2");
    EXPECT_TRUE(t.isEditing());
    ASSERT_TRUE(w.navigator()->run(Nav::Post));
    EXPECT_EQ(t.asText("ClassObj"), "Новый текст класса 2");
    // An edit left open when the window closes is dropped.
    w.memo()->setPlainText("черновик");
    w.reject();
    t.refresh();
    EXPECT_EQ(t.asText("ClassObj"), "Новый текст класса 2");
    EXPECT_NE(old, t.asText("ClassObj"));
}

TEST_F(DictFixture, NamesNeedANameAndClosingClearsTheFilter)
{
    Table &t = dm->table(TableId::ObjName);
    const int before = t.recordCount();
    t.setFilter("[ObjName]='С*'");
    NameWindow w(*dm);
    EXPECT_EQ(w.windowTitle(), "Справочник наименований объектов.");
    EXPECT_EQ(headers(w.grid()), QStringList{"Наименование объекта"});
    ASSERT_TRUE(w.navigator()->run(Nav::Insert));
    EXPECT_FALSE(w.navigator()->run(Nav::Post));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{kMsgNameRequired});
    EXPECT_EQ(t.state(), TableState::Insert); // the refused row stays in insert
    const int row = w.grid()->gridModel()->editRow();
    ASSERT_TRUE(typeCell(w.grid(), row, 0, "Склад угля"));
    ASSERT_TRUE(w.navigator()->run(Nav::Post));
    EXPECT_EQ(t.asText("ObjName"), "Склад угля");
    shot(&w, "dict-names.png");
    w.reject();
    EXPECT_EQ(t.filter(), "");
    EXPECT_EQ(t.recordCount(), before + 1);
}

TEST_F(DictFixture, CatalogueInBrowseAndChoiceUse)
{
    // The sample project current: give its conductor a design height of 30 m.
    Table &mo = dm->mo();
    const bool cable = usesCableCatalogue(*dm);
    mo.first();
    ASSERT_TRUE(mo.edit());
    mo.setValue("H", 30.0);
    mo.setNull("Hop");
    ASSERT_TRUE(mo.post());
    {
        ConstructionWindow w(*dm, ConstructionWindow::Browse);
        EXPECT_EQ(w.windowTitle().toStdString(),
                  cable ? kCaptionCableCatalogue : kCaptionRodCatalogue);
        EXPECT_FALSE(w.okButton()->isVisibleTo(&w));
        EXPECT_EQ(w.cancelButton()->text(), "Закрыть");
        EXPECT_FALSE(w.filterBox()->isChecked());
        EXPECT_EQ(catalogueItems(*dm, cable).filter(), "");
        w.reject();
    }
    ConstructionWindow w(*dm, ConstructionWindow::Choice);
    EXPECT_TRUE(w.okButton()->isVisibleTo(&w));
    EXPECT_EQ(w.cancelButton()->text(), "Отмена");
    EXPECT_TRUE(w.filterBox()->isChecked());
    Table &items = catalogueItems(*dm, cable);
    EXPECT_EQ(items.filter(), "[H]>=30");
    for (int r = 0; r < w.itemGrid()->model()->rowCount(); ++r)
        EXPECT_GE(cell(w.itemGrid(), r, 1).toDouble(), 30);
    // Unticking shows every construction of the group again.
    w.filterBox()->click();
    EXPECT_EQ(items.filter(), "");
    w.filterBox()->click();

    // The search: lowest first; the buttons follow the position.
    EXPECT_FALSE(w.searchButton(ConstructionWindow::SearchFirst)->isEnabled());
    w.runSearch(ConstructionWindow::SearchBuild);
    ASSERT_FALSE(w.search().rows().empty());
    EXPECT_GE(w.search().rows().front().h, 30);
    EXPECT_EQ(items.asInt("Kod"), w.search().rows().front().itemKod);
    EXPECT_FALSE(w.searchButton(ConstructionWindow::SearchPrior)->isEnabled());
    EXPECT_TRUE(w.searchButton(ConstructionWindow::SearchNext)->isEnabled());
    w.runSearch(ConstructionWindow::SearchLast);
    EXPECT_EQ(items.asInt("Kod"), w.search().rows().back().itemKod);
    EXPECT_FALSE(w.searchButton(ConstructionWindow::SearchLast)->isEnabled());
    shot(&w, "catalogue.png");

    QTest::mouseClick(w.okButton(), Qt::LeftButton);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    ASSERT_TRUE(w.chosenKod());
    EXPECT_EQ(*w.chosenKod(), w.search().rows().empty() ? *w.chosenKod() : *w.chosenKod());
    EXPECT_EQ(items.filter(), ""); // the window's filter goes with it
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DictFixture, SettingsCouplingLimitsAndSave)
{
    // Help buttons ask for the window's topic.
    std::vector<int> topics;
    setHelpHandler([&](int c, QWidget *) { topics.push_back(c); });
    const SettingsRec stored = loadSettings(*dm);
    SettingsWindow w(*dm);
    EXPECT_EQ(w.windowTitle(), "Параметры программы.");
    w.findChild<QPushButton *>("btnHelp")->click();
    EXPECT_EQ(topics, std::vector<int>{11});
    setHelpHandler({});

    // A broken grid line of width 3 becomes width 1.
    QComboBox *gw = w.widthBox(SettingsWindow::GridLine);
    QComboBox *gs = w.styleBox(SettingsWindow::GridLine);
    gw->setCurrentIndex(gw->findText("3"));
    emit gw->activated(gw->currentIndex());
    EXPECT_EQ(gs->currentText(), "сплошная");
    gs->setCurrentIndex(gs->findText("пунктирная"));
    emit gs->activated(gs->currentIndex());
    EXPECT_EQ(gw->currentText(), "1");
    EXPECT_EQ(w.settings().GridLineWidth, 1);
    EXPECT_EQ(w.settings().GridLineStyle, "пунктирная");
    // Width 4 for the chosen conductor's dashed lines shows (and stores) a solid style.
    QComboBox *sw = w.widthBox(SettingsWindow::SelLine);
    QComboBox *ss = w.styleBox(SettingsWindow::SelLine);
    ss->setCurrentIndex(ss->findText("штриховая"));
    emit ss->activated(ss->currentIndex());
    sw->setCurrentIndex(sw->findText("4"));
    emit sw->activated(sw->currentIndex());
    EXPECT_EQ(ss->currentText(), "сплошная");

    // The read-only copy of A2 follows the typed value at once.
    w.limitEdit(1)->clear();
    QTest::keyClicks(w.limitEdit(1), "5");
    EXPECT_EQ(w.limitCopy(1)->text(), "5");
    // A2 above A3 is refused with the message; the row is not written.
    w.saveButton()->click();
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{kMsgLimitsA});
    EXPECT_EQ(w.result(), 0);
    w.limitEdit(1)->setText("3");

    // Conductor colour through the colour dialog.
    w.setColorPicker([](const QColor &, QWidget *) { return std::optional<QColor>(QColor(0, 128, 0)); });
    w.moColorButton()->click();
    EXPECT_EQ(w.moSwatch()->palette().color(QPalette::Window), QColor(0, 128, 0));
    w.tabs()->setCurrentIndex(0);
    shot(&w, "settings.png");
    w.tabs()->setCurrentIndex(1);
    w.calcTabs()->setCurrentIndex(1);
    shot(&w, "settings-double-rod.png");
    w.calcTabs()->setCurrentIndex(0);
    shot(&w, "settings-sag.png");
    w.tabs()->setCurrentIndex(2);
    shot(&w, "settings-graphics.png");

    w.saveButton()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    const SettingsRec now = loadSettings(*dm);
    EXPECT_EQ(now.MOColor, 128 * 256);
    EXPECT_EQ(now.A2, 3.0);
    EXPECT_EQ(now.GridLineStyle, "пунктирная");
    EXPECT_EQ(now.LastProj, stored.LastProj);
}

TEST_F(DictFixture, SettingsCancelKeepsTheRowAndSagRowsFollowTheirRules)
{
    const SettingsRec stored = loadSettings(*dm);
    Table &sag = dm->table(TableId::SProves);
    const int before = sag.recordCount();
    SettingsWindow w(*dm);
    w.setColorPicker([](const QColor &, QWidget *) { return std::optional<QColor>(Qt::blue); });
    w.moColorButton()->click();

    // Sag rows: the checks in their order, each refused row staying in edit.
    DbGrid *g = w.sagGrid();
    EXPECT_EQ(headers(g), (QStringList{"Минимум, м", "Максимум, м", "Стрела, м"}));
    ASSERT_TRUE(w.sagNavigator()->run(Nav::Insert));
    const int row = g->gridModel()->editRow();
    ASSERT_TRUE(typeCell(g, row, 0, "20"));
    ASSERT_TRUE(typeCell(g, row, 1, "20"));
    EXPECT_FALSE(w.sagNavigator()->run(Nav::Post)); // F empty
    ASSERT_TRUE(typeCell(g, row, 2, "1"));
    EXPECT_FALSE(w.sagNavigator()->run(Nav::Post)); // Lot >= Ldo
    ASSERT_TRUE(typeCell(g, row, 1, "-5"));
    EXPECT_FALSE(w.sagNavigator()->run(Nav::Post)); // Ldo <= 0
    EXPECT_EQ(prompter.errors(),
              (std::vector<std::string>{kMsgSagAllFields, kMsgSagOrder, kMsgSagPositive}));
    ASSERT_TRUE(typeCell(g, row, 0, "150"));
    ASSERT_TRUE(typeCell(g, row, 1, "200"));
    ASSERT_TRUE(typeCell(g, row, 2, "3,5"));
    QTest::keyClick(g, Qt::Key_Return); // Enter posts the row
    EXPECT_FALSE(sag.isEditing());
    EXPECT_EQ(sag.recordCount(), before + 1);
    EXPECT_EQ(cell(g, before, 2), "3,5");
    // A row left in edit is cancelled when the window closes.
    ASSERT_TRUE(typeCell(g, 0, 2, "9"));
    EXPECT_TRUE(sag.isEditing());

    w.findChild<QPushButton *>("btnCancel")->click();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(sag.isEditing());
    sag.first();
    EXPECT_EQ(sag.asDouble("F"), 0.5);
    EXPECT_EQ(loadSettings(*dm).MOColor, stored.MOColor);
}

TEST_F(DictFixture, NewRowIsTypedIntoAtOnceStaysCurrentAndDeletingAsks)
{
    // "+" clicked, the new row typed straight away (a blank included: it must not press "+"),
    // Enter to end the cell and Enter to store the row; then "−" asks before deleting.
    NameWindow names(*dm);
    ConstructionWindow catalogue(*dm, ConstructionWindow::Browse);
    const struct {
        QWidget *window;
        DbNavigator *nav;
        DbGrid *grid;
        Table &table;
        const char *field;
    } cases[] = {
        {&names, names.navigator(), names.grid(), dm->table(TableId::ObjName), "ObjName"},
        {&catalogue, catalogue.groupNavigator(), catalogue.groupGrid(),
         catalogue.groupGrid()->gridModel()->table(), "Name"},
    };
    const QString typed = QStringLiteral("Ящик с песком");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        prompter.clear();
        c.window->resize(520, 260); // fewer rows in view than the table holds
        c.window->show();
        c.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(c.window));
        const int before = c.table.recordCount();
        QTest::mouseClick(c.nav->button(Nav::Insert), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget())
                    && c.grid->isAncestorOf(QApplication::focusWidget()));
        const QModelIndex fresh = c.grid->model()->index(c.grid->gridModel()->editRow(), 0);
        EXPECT_TRUE(c.grid->viewport()->rect().contains(c.grid->visualRect(fresh)));
        kv::test::typeText(QApplication::focusWidget(), typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), c.grid); // the cell's editor has closed
        QTest::keyClick(c.grid, Qt::Key_Return);
        EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front().text;
        ASSERT_EQ(c.table.state(), TableState::Browse);
        EXPECT_EQ(c.table.recordCount(), before + 1);
        // The stored row stays the current one, in the table and in view.
        EXPECT_EQ(c.table.asText(c.field), typed.toStdString());
        QApplication::processEvents();
        const QModelIndex cur = c.grid->currentIndex();
        EXPECT_EQ(cur.data().toString(), typed);
        EXPECT_TRUE(c.grid->viewport()->rect().intersects(c.grid->visualRect(cur)));

        prompter.askAnswers = {false};
        QTest::mouseClick(c.nav->button(Nav::Delete), Qt::LeftButton);
        EXPECT_EQ(prompter.texts(RecordingPrompter::Kind::Ask),
                  std::vector<std::string>{"Удалить запись?"});
        EXPECT_EQ(c.table.recordCount(), before + 1);
        prompter.askAnswers = {true};
        QTest::mouseClick(c.nav->button(Nav::Delete), Qt::LeftButton);
        EXPECT_EQ(c.table.recordCount(), before);
        c.window->hide();
    }
}
