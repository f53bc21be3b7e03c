// The project window's commands as a designer gives them: menus chosen, buttons and grid rows
// clicked, keys typed, message boxes of the real dialog prompter answered by their buttons.

#include "../userinput.h"
#include "windowfixture.h"

#include "app/dialogprompter.h"
#include "data/podborops.h"
#include "data/schema.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QUrl>

#include <map>

using namespace kv;
using namespace kv::test;

namespace
{

// A standard button's text as this installation shows it (translated or not).
QString standardText(QDialogButtonBox::StandardButton b)
{
    QDialogButtonBox box(b);
    return visibleText(box.button(b)->text());
}

// Every stored row of every project, table by table, walked from the projects down.
using AllRows = std::map<TableId, std::map<std::int64_t, std::vector<Value>>>;
AllRows allRows(DataModule &dm)
{
    AllRows out;
    for (TableId id : projectTables()) {
        Table &t = dm.table(id);
        if (!t.isOpen()) // the multiple rod's table before the folder has one
            continue;
        auto &rows = out[id];
        std::vector<std::int64_t> keys;
        if (id == TableId::Project)
            keys = t.keysUnder(0);
        else
            for (const auto &parent : out[t.def().master])
                for (auto k : t.keysUnder(parent.first))
                    keys.push_back(k);
        for (auto k : keys)
            rows[k] = *t.rowByKey(k);
    }
    return out;
}

// A row of a placement table under parent, filled as the placement windows would: a name, the
// range 10..20 by 1 m, a sub-range 12..14 switched on.
std::int64_t putPlacementRow(DataModule &dm, TableId id, std::int64_t kod, std::int64_t parent)
{
    Table &t = dm.table(id);
    const bool sub = t.def().fields.size() > 3 && t.def().fields[3].name == "VklX1";
    const std::map<std::string, Value> values = {{"Name", Value("Вариант")},
                                                 {"DiapName", Value("Диапазон")},
                                                 {"DiapName1", Value("Д1")},
                                                 {"DiapName2", Value("Д2")},
                                                 {"X1", Value(sub ? 12.0 : 10.0)},
                                                 {"X2", Value(sub ? 14.0 : 20.0)},
                                                 {"DX", Value(1.0)},
                                                 {"Y1", Value(sub ? 12.0 : 10.0)},
                                                 {"Y2", Value(sub ? 14.0 : 20.0)},
                                                 {"DY", Value(1.0)},
                                                 {"VklX1", Value(true)},
                                                 {"VklX2", Value(true)},
                                                 {"VklY1", Value(true)},
                                                 {"VklY2", Value(true)}};
    std::vector<Value> row;
    for (const FieldDef &f : t.def().fields) {
        const auto it = values.find(f.name);
        row.push_back(it == values.end() ? Value() : it->second);
    }
    row[0] = Value(kod);
    row[1] = Value(parent);
    t.putRow(row);
    return kod;
}

// Clicks the first cell of a grid that reads text.
bool clickGridCell(QAbstractItemView *view, const QString &text)
{
    QAbstractItemModel *m = view->model();
    if (!view->isVisible() || !m)
        return false;
    for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c) {
            const QModelIndex i = m->index(r, c);
            if (m->data(i).toString() == text) {
                view->scrollTo(i);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  view->visualRect(i).center());
                return true;
            }
        }
    return false;
}

int countColour(const QImage &img, QRect r, QRgb rgb)
{
    int n = 0;
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (img.pixel(x, y) & 0xffffff) == (rgb & 0xffffff);
    return n;
}

// Takes the files the program would open with the desktop's application.
class OpenedFiles : public QObject
{
    Q_OBJECT
public:
    OpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList paths;
public slots:
    void open(const QUrl &url) { paths << url.toLocalFile(); }
};

// Closes every modal window that opens (the cancelling button, else the frame's close) and keeps
// their titles, so a command that opens the wrong window, or a message, is seen.
class ModalCloser
{
public:
    ModalCloser()
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
        if (!m || !m->isVisible() || m == m_last)
            return;
        const QString texts[] = {QStringLiteral("Отмена"),
                                 QStringLiteral("Закрыть"),
                                 standardText(QDialogButtonBox::Cancel),
                                 standardText(QDialogButtonBox::Close),
                                 QStringLiteral("ОК"),
                                 standardText(QDialogButtonBox::Ok)};
        for (const QString &t : texts)
            if (clickButton(m, t)) {
                titles << m->windowTitle();
                m_last = m;
                return;
            }
        // A window without such a button is closed by its title bar's close button.
        titles << m->windowTitle();
        m_last = m;
        m->close();
    }
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

} // namespace

// Every command of the menus and the tool bar, given as the user gives it, opens its window (or
// does its work) and shows no message.
TEST_F(WindowFixture, EveryMenuAndToolBarCommandDoesItsPart)
{
    // The sample project, and another one to open.
    dm->project().first();
    const int sample = dm->project().asInt("Kod");
    addProject(kTipSingleRod, {{50, 45}}, {});
    setSetting("LastProj", Value(sample));
    ProjectWindow &w = open();
    DialogPrompter dialogs(&w);
    dm->setPrompter(dialogs);
    auto *toolBar = w.findChild<QToolBar *>();
    ASSERT_TRUE(toolBar);
    const auto objects = [&] { return snap().objects.size(); };
    const auto conductorX = [&] { return snap().conductors.front().MX.value_or(-1); };
    const std::size_t n = objects();
    const double x = conductorX();
    struct Row {
        const char *menu;  // nullptr: a tool bar button
        const char *item;  // menu item, or the button's name
        const char *title; // the window it opens; nullptr for none
        std::function<bool()> done = {};
    } rows[] = {
        {"Проект", "Создать...", "Параметры проекта."},
        {"Проект", "Открыть...", "Открытие проекта."},
        {"Проект", "Редактировать...", "Параметры проекта."},
        {"Проект", "Привязать к сетке", nullptr},
        {"Молниеотвод", "Ориентировочный подбор", nullptr,
         [&] { return snap().conductors.front().H.has_value(); }},
        {"Проект", "Просмотр зон защиты...", "Просмотр зон защиты."},
        {"Молниеотвод", "Выравнивание молниеотвода...", "Выравнивание молниеотвода."},
        {"Молниеотвод", "Координаты молниеотвода...", "Координаты молниеотвода."},
        {"Молниеотвод", "Оптимальное размещение...",
         "Оптимальное размещение одиночного стержневого молниеотвода."},
        {"Молниеотвод", "Выбор молниеотвода...", "Конструкции стержневых молниеотводов."},
        {"Объект", "Добавить...", "Параметры объекта."},
        {"Объект", "Редактировать...", "Параметры объекта."},
        {"Объект", "Дублировать", nullptr, [&] { return objects() == n + 1; }},
        {"Объект", "Удалить", nullptr, [&] { return objects() == n; }},
        {"Объект", "Диаграммы...", "Просмотр диаграмм."},
        {"Справочники", "Среднее количество поражений молнией...",
         "Среднее количество поражений молнией земной поверхности."},
        {"Справочники", "Классы зданий и сооружений...", "Классы зданий и сооружений."},
        {"Справочники", "Конструкции молниеотводов...", "Конструкции стержневых молниеотводов."},
        {"Справочники", "Наименования объектов...", "Справочник наименований объектов."},
        {"Параметры", "Параметры программы...", "Параметры программы."},
        {"Параметры", "Параметры отчетов...", "Параметры отчета."},
        {"Помощь", "О программе...", "О программе."},
        {nullptr, "btnNewProj", "Параметры проекта."},
        {nullptr, "btnOpenProj", "Открытие проекта."},
        {nullptr, "btnPreview", "Просмотр зон защиты."},
        {nullptr, "btnKoordMO", "Координаты молниеотвода."},
        {nullptr, "btnAlignMO", "Выравнивание молниеотвода."},
        {nullptr, "btnPodbor", nullptr, [&] { return snap().conductors.front().H.has_value(); }},
        {nullptr, "btnSelectMO", "Конструкции стержневых молниеотводов."},
        {nullptr, "btnAddObject", "Параметры объекта."},
        {nullptr, "btnEditObject", "Параметры объекта."},
        {nullptr, "btnAlignObMO", "Выравнивание объекта относительно молниеотвода."},
        {nullptr, "btnAlignObOb", "Выравнивание объекта относительно другого объекта."},
        {nullptr, "btnCopyObject", nullptr, [&] { return objects() == n + 1; }},
        {nullptr, "btnDeleteObject", nullptr, [&] { return objects() == n; }},
        {nullptr, "spdR", nullptr, [&] { return conductorX() > x; }},
        {nullptr, "spdL", nullptr, [&] { return conductorX() == x; }},
        {nullptr, "spdRD", nullptr, [&] { return conductorX() > x; }},
        {nullptr, "spdLU", nullptr, [&] { return conductorX() == x; }},
        {nullptr, "spdRU", nullptr, [&] { return conductorX() > x; }},
        {nullptr, "spdLD", nullptr, [&] { return conductorX() == x; }},
        {nullptr, "spdD", nullptr, [&] { return conductorX() == x; }},
        {nullptr, "spdU", nullptr, [&] { return conductorX() == x; }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.item);
        w.refreshNow();
        ModalCloser closer;
        if (r.menu) {
            ASSERT_TRUE(chooseMenu(&w, QString::fromUtf8(r.menu), QString::fromUtf8(r.item)));
        } else {
            QAction *a = w.findAction(QString::fromUtf8(r.item));
            ASSERT_TRUE(a && a->isEnabled());
            QWidget *button = toolBar->widgetForAction(a);
            ASSERT_TRUE(button && button->isVisible());
            QTest::mouseClick(button, Qt::LeftButton);
        }
        w.refreshNow();
        EXPECT_EQ(closer.titles, r.title ? QStringList{QString::fromUtf8(r.title)} : QStringList{});
        if (r.done) {
            EXPECT_TRUE(r.done());
        }
    }

    // The help window is not modal: the menu item and the tool button show it. "Выход" closes the
    // window.
    const auto helpShown = [] {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (t->inherits("kv::HelpWindow") && t->isVisible()) {
                t->close();
                return true;
            }
        return false;
    };
    ASSERT_TRUE(chooseMenu(&w, "Помощь", "Справка..."));
    EXPECT_TRUE(helpShown());
    QTest::mouseClick(toolBar->widgetForAction(w.findAction("SpeedButton1")), Qt::LeftButton);
    EXPECT_TRUE(helpShown());
    ASSERT_TRUE(chooseMenu(&w, "Проект", "Выход"));
    EXPECT_FALSE(w.isVisible());
}

// Save as, delete, undo, redo: every project keeps exactly its rows (the placement rows too), and
// the "Правка" items read as Russian does.
TEST_F(WindowFixture, SaveAsDeleteUndoRedoKeepEveryProjectsRows)
{
    const int a =
        addProject(kTipSingleRod, {{50, 45}},
                   {{"Склад", 20, 20, 20, 12, 6, 0x800000}, {"Цех", 60, 10, 10, 8, 9, 0x008000}});
    const auto v = putPlacementRow(*dm, TableId::Diap0, 900, a);
    putPlacementRow(*dm, TableId::Diap2, 902, putPlacementRow(*dm, TableId::Diap1, 901, v));
    const auto c = putPlacementRow(*dm, TableId::Diap2MO0, 910, a);
    putPlacementRow(*dm, TableId::Diap2MO2, 912, putPlacementRow(*dm, TableId::Diap2MO1, 911, c));
    putPlacementRow(*dm, TableId::Diap2MO3, 913, c);
    ProjectWindow &w = open();
    DialogPrompter dialogs(&w);
    dm->setPrompter(dialogs);
    const AllRows start = allRows(*dm);
    ASSERT_EQ(start.at(TableId::Project).size(), 2u) << "the sample project and this one";

    ModalAnswer name(QStringLiteral("ОК"), [](QWidget *d) {
        typeInto(d->findChild<QLineEdit *>(), QStringLiteral("Копия"));
    });
    ASSERT_TRUE(chooseMenu(&w, "Проект", "Сохранить как..."));
    ASSERT_TRUE(name.done());
    const int copy = doc().projectKod();
    ASSERT_NE(copy, a);
    EXPECT_EQ(snap().project.Name, "Копия");
    const AllRows saved = allRows(*dm);
    EXPECT_EQ(saved.at(TableId::Diap2MO2).size(), 2u) << "the placement rows are copied";

    ModalAnswer yes(standardText(QDialogButtonBox::Yes));
    ASSERT_TRUE(chooseMenu(&w, "Проект", "Удалить..."));
    ASSERT_TRUE(yes.done());
    EXPECT_TRUE(yes.text().contains("Удалить текущий проект?"));
    const AllRows deleted = allRows(*dm);
    EXPECT_EQ(deleted, start) << "the copy and only the copy is gone";

    struct Step {
        const char *item;
        const AllRows &rows;
        int current;
    } steps[] = {
        {"Отменить удаление проекта", saved, copy},
        {"Повторить удаление проекта", deleted, -2},
        {"Отменить удаление проекта", saved, copy},
        {"Отменить сохранение проекта под другим именем", start, a},
        {"Повторить сохранение проекта под другим именем", saved, copy},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.item);
        ASSERT_TRUE(chooseMenu(&w, "Правка", s.item));
        w.refreshNow();
        EXPECT_TRUE(allRows(*dm) == s.rows);
        if (s.current != -2) {
            EXPECT_EQ(doc().projectKod(), s.current);
        }
        EXPECT_EQ(w.windowTitle().toStdString(), snap().project.Name.value_or(""));
    }
}

// A construction lower than the design height asks first, naming what it leaves unprotected;
// the objects the zones shown do not protect are outlined in red and counted. Ctrl+Z works from
// the scale field and undoing the "Автоподбор" tick unticks it.
TEST_F(WindowFixture, LowerConstructionAsksAndUnprotectedObjectsAreMarked)
{
    ProjectWindow &w = open();
    DialogPrompter dialogs(&w);
    dm->setPrompter(dialogs);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const AllRows start = allRows(*dm);

    QTest::mouseClick(w.autoPodborBox(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(8, w.autoPodborBox()->height() / 2));
    w.refreshNow();
    ASSERT_TRUE(w.autoPodborBox()->isChecked());
    ASSERT_EQ(doc().zoneSuffix(), std::optional<std::string>(""));
    EXPECT_FALSE(w.protectionPanel()->isVisible()) << "the design height protects every object";
    EXPECT_TRUE(menuAction(&w, "Правка", "Отменить автоподбор"));
    const AllRows designed = allRows(*dm);
    // The object whose need set the design height: a 20 m mast cannot protect it.
    ObjectRec governing = snap().objects.front();
    for (const ObjectRec &o : snap().objects)
        if (o.H.value_or(0) > governing.H.value_or(0))
            governing = o;
    ASSERT_GT(governing.H.value_or(0), 20.0);
    int listed = 0;

    // The 20 m mast of the second group, the height filter unticked; then No, then Yes.
    for (const bool agree : {false, true}) {
        SCOPED_TRACE(agree ? "Yes" : "No");
        std::unique_ptr<ModalAnswer> question;
        ModalAnswer choice(QStringLiteral("ОК"), [&](QWidget *d) {
            auto *filter = qobject_cast<QCheckBox *>(
                findButton(d, "Фильтрация молниеотводов по допустимому значению высоты"));
            ASSERT_TRUE(filter);
            QTest::mouseClick(filter, Qt::LeftButton, Qt::NoModifier,
                              QPoint(8, filter->height() / 2));
            const auto grids = d->findChildren<QAbstractItemView *>();
            bool group = false, item = false;
            for (QAbstractItemView *g : grids)
                group = group || clickGridCell(g, "Мачты решетчатые стальные с молниеприемником");
            for (QAbstractItemView *g : grids)
                item = item || clickGridCell(g, "МРС-20");
            ASSERT_TRUE(group && item);
            question = std::make_unique<ModalAnswer>(
                standardText(agree ? QDialogButtonBox::Yes : QDialogButtonBox::No), nullptr, d);
        });
        ASSERT_TRUE(chooseMenu(&w, "Молниеотвод", "Выбор молниеотвода..."));
        ASSERT_TRUE(choice.done());
        ASSERT_TRUE(question && question->done());
        const QString asked = question->text();
        EXPECT_TRUE(asked.contains("Выбранный молниеотвод ниже расчетной высоты"))
            << asked.toStdString();
        EXPECT_TRUE(
            asked.contains(QString::fromStdString("\"" + governing.Name.value_or("") + "\"")))
            << asked.toStdString();
        listed = static_cast<int>(asked.count(QLatin1Char('"')) / 2);
        w.refreshNow();
        if (!agree) {
            EXPECT_TRUE(allRows(*dm) == designed);
            continue;
        }
        EXPECT_EQ(snap().conductors.front().H1, 20.0);
        EXPECT_EQ(doc().zoneSuffix(), std::optional<std::string>("1"));
    }
    shot("unprotected.png");
    EXPECT_TRUE(w.protectionPanel()->isVisible());
    EXPECT_EQ(w.protectionPanel()->text(), QStringLiteral("Не защищено объектов: %1").arg(listed));
    for (PlanCanvas *view : {w.topView(), w.frontView()}) {
        const QImage img = view->grab().toImage();
        const std::string shape =
            governing.ShapeName.value_or("") + (view == w.frontView() ? "_1" : "");
        EXPECT_GT(countColour(img, w.planModel().shape(shape)->rect, PlanCanvas::kFlagColour), 20)
            << shape;
    }

    // Ctrl+Z typed in the scale field: the choice, then the tick, are undone. (The offscreen
    // platform has no window manager to give the window back its activation after a dialog.)
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto *scaleEdit = w.scaleSpin()->findChild<QLineEdit *>();
    QTest::mouseClick(scaleEdit, Qt::LeftButton);
    QTest::keyClick(scaleEdit, Qt::Key_Z, Qt::ControlModifier);
    w.refreshNow();
    EXPECT_TRUE(allRows(*dm) == designed);
    EXPECT_EQ(doc().zoneSuffix(), std::optional<std::string>(""));
    EXPECT_FALSE(w.protectionPanel()->isVisible());
    QTest::keyClick(scaleEdit, Qt::Key_Z, Qt::ControlModifier);
    w.refreshNow();
    EXPECT_TRUE(allRows(*dm) == start);
    EXPECT_FALSE(w.autoPodborBox()->isChecked()) << "no ticked box without its zones";
    EXPECT_FALSE(doc().zoneSuffix());
    EXPECT_EQ(w.scaleSpin()->value(), snap().project.IScale.value_or(0));

    // Redone, the tick comes back with its zones.
    ASSERT_TRUE(chooseMenu(&w, "Правка", "Повторить автоподбор"));
    w.refreshNow();
    EXPECT_TRUE(w.autoPodborBox()->isChecked());
    EXPECT_TRUE(allRows(*dm) == designed);
    EXPECT_EQ(doc().zoneSuffix(), std::optional<std::string>(""));
}

// After the report is written its path is shown in the hint panel; the X, Y and Z panels stay.
TEST_F(WindowFixture, ReportExportLeavesTheStatusPanelsInPlace)
{
    setSetting("ViewParRepForm", Value(false));
    // The sample project, computed, with a construction chosen: what the report needs.
    dm->project().first();
    runAutoPodbor(*dm);
    Table &items = dm->table(TableId::SMo1);
    ASSERT_TRUE(dm->table(TableId::SMo0).locate({{"Kod", Value(2)}}));
    ASSERT_TRUE(items.locate({{"Tip", Value("МРС-50")}}));
    ASSERT_TRUE(chooseConstruction(*dm, items.asInt("Kod")));
    setSetting("LastProj", Value(dm->project().asInt("Kod")));
    prompter.clear();
    ProjectWindow &w = open();
    OpenedFiles opened;
    QTemporaryDir out;
    const QString path = out.filePath("Отчет.docx");

    QFileDialog probe;
    probe.setAcceptMode(QFileDialog::AcceptSave);
    probe.setOption(QFileDialog::DontUseNativeDialog);
    const auto *box = probe.findChild<QDialogButtonBox *>();
    ASSERT_TRUE(box && box->button(QDialogButtonBox::Save));
    ModalAnswer save(visibleText(box->button(QDialogButtonBox::Save)->text()), [&](QWidget *d) {
        auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        // The dialog fills in the suggested name once its folder is read: type after that.
        for (int tries = 0; tries < 20 && name->text() != path; ++tries) {
            QTest::qWait(50);
            typeInto(name, path);
            QTest::qWait(50);
        }
        ASSERT_EQ(name->text(), path);
    });
    ASSERT_TRUE(chooseMenu(&w, "Проект", "Экспорт отчета в Microsoft Word"));
    ASSERT_TRUE(save.done());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(opened.paths, QStringList{path});
    QApplication::processEvents();
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(w.statusPanel(i)->isVisible()) << i;
    EXPECT_TRUE(w.statusPanel(3)->text().endsWith("Отчет.docx"));

    // The tool button gives the same command; a cancelled file writes nothing.
    ASSERT_TRUE(box->button(QDialogButtonBox::Cancel));
    ModalAnswer cancel(visibleText(box->button(QDialogButtonBox::Cancel)->text()));
    auto *toolBar = w.findChild<QToolBar *>();
    QTest::mouseClick(toolBar->widgetForAction(w.findAction("btnReport")), Qt::LeftButton);
    EXPECT_TRUE(cancel.done());
    EXPECT_EQ(opened.paths.size(), 1);

    // And the chosen construction can be cleared from the menu.
    ASSERT_TRUE(chooseMenu(&w, "Молниеотвод", "Очистить данные выбранного молниеотвода"));
    EXPECT_FALSE(snap().conductors.front().H1);
    EXPECT_TRUE(prompter.errors().empty());
}

#include "test_windowcommands.moc"
