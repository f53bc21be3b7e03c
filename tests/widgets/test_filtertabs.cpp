// The letter-filter tab control over a names table, and the list choice with its dialog.

#include "data/recordingprompter.h"
#include "data/tempdir.h"
#include "widgets/dialogrunner.h"
#include "widgets/filtertabcontrol.h"
#include "widgets/listchoice.h"
#include "widgets/tablemodel.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include "typetext.h"

#include <cstdlib>

using namespace kv;
using kv::test::typeText;

namespace {

class NamesTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.create(TableId::ObjName);
        table.open(dir.path());
    }
    void add(const char *name)
    {
        ASSERT_TRUE(table.append());
        table.setValue("ObjName", name);
        ASSERT_TRUE(table.post());
    }
    bool locate(const char *name) { return table.locate({{"ObjName", Value(name)}}); }
    void rename(const char *from, const char *to)
    {
        ASSERT_TRUE(locate(from));
        ASSERT_TRUE(table.edit());
        table.setValue("ObjName", to);
        ASSERT_TRUE(table.post());
    }
    QStringList visible() const
    {
        QStringList out;
        for (const auto &r : table.select({"ObjName"}, {}))
            out << QString::fromStdString(r[0].toText());
        return out;
    }

    test::TempDir dir;
    Table table{TableId::ObjName};
    RecordingPrompter prompter;
};

QStringList qsl(std::initializer_list<const char *> l)
{
    QStringList out;
    for (const char *s : l)
        out << QString::fromUtf8(s);
    return out;
}

} // namespace

TEST_F(NamesTable, TabsFollowInsertsEditsAndDeletes)
{
    FilterTabControl c;
    c.setPrompter(&prompter);
    c.attach(table, "ObjName");
    EXPECT_EQ(c.tabs(), qsl({"А-Я"})); // no records

    add("арка");
    add("Баня");
    add("баржа");
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "А", "Б"}));
    EXPECT_EQ(c.currentTab(), 0);
    c.showInfo();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Количество записей, соответствующих каждой закладке:\r\r'А' - 1;  'Б' - 2.  \r\r"
              "Всего записей - 3");

    // A tab filters the table, case-insensitively.
    c.selectTab(2);
    EXPECT_EQ(table.filter(), "[ObjName]='Б*'");
    EXPECT_EQ(visible(), qsl({"Баня", "баржа"}));

    // An insert under a letter tab shows the new record's tab with that record current.
    add("Вышка");
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "А", "Б", "В"}));
    EXPECT_EQ(c.currentTab(), 3);
    EXPECT_EQ(table.asText("ObjName"), "Вышка");
    EXPECT_EQ(visible(), qsl({"Вышка"}));

    // Renaming the only "А" record to "Г" on "А-Я": tab А goes, Г comes; "А-Я" stays.
    c.selectTab(0);
    rename("арка", "Гараж");
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "Б", "В", "Г"}));
    EXPECT_EQ(c.currentTab(), 0);

    // Deleting the last record of the selected letter removes the tab and returns to "А-Я".
    c.selectTab(3);
    ASSERT_EQ(visible(), qsl({"Гараж"}));
    ASSERT_TRUE(table.remove());
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "Б", "В"}));
    EXPECT_EQ(c.currentTab(), 0);
    EXPECT_EQ(table.filter(), "");
    EXPECT_EQ(visible().size(), 3);

    // Finding: exact caption first, then by upper-cased beginning; otherwise the message.
    prompter.clear();
    EXPECT_TRUE(c.findTab(QStringLiteral("б")));
    EXPECT_EQ(c.currentTab(), 1);
    EXPECT_FALSE(c.findTab(QStringLiteral("Ж")));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка.\rЗакладка 'Ж' не найдена."});

    // Outside standard mode the table gets its own filter back.
    c.setAutoInclude(false);
    EXPECT_EQ(c.tabs(), QStringList{QString()});
    EXPECT_EQ(table.filter(), "");
    EXPECT_EQ(c.popupMenu()->actions().first()->text(), QStringLiteral("Режим фильтрации"));
    c.setAutoInclude(true);
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "Б", "В"}));

    // The tab parameters dialog and the tab list, answered by the runner.
    dialogRunner() = [](QDialog &d) {
        d.findChild<QSpinBox *>(QStringLiteral("charCount"))->setValue(2);
        return static_cast<int>(QDialog::Accepted);
    };
    c.execParamsDialog();
    EXPECT_EQ(c.charCount(), 2);
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "БА", "ВЫ"}));
    dialogRunner() = [](QDialog &d) {
        d.findChild<QListWidget *>(QStringLiteral("tabList"))->setCurrentRow(2);
        return static_cast<int>(QDialog::Accepted);
    };
    c.execChooseTabDialog();
    dialogRunner() = {};
    EXPECT_EQ(c.currentTab(), 2);
    EXPECT_EQ(visible(), qsl({"Вышка"}));
    prompter.clear();
    c.setDataField("Kod");
    EXPECT_EQ(prompter.errors(),
              std::vector<std::string>{"Ошибка.\rПоле 'Kod' имеет тип, отличный от строкового."});
    c.setCharCount(1);

    // Tab widths; detaching keeps no filter behind.
    c.setCharCount(3);
    EXPECT_EQ(c.tabWidth(), 30);
    EXPECT_EQ(c.tabs(), qsl({"А-Я", "БАН", "БАР", "ВЫШ"}));
    c.setCharCount(2);
    EXPECT_EQ(c.tabWidth(), 25);
    c.selectTab(1);
    c.detach();
    EXPECT_EQ(table.filter(), "");
}

TEST_F(NamesTable, GridInsideFollowsTheTabs)
{
    for (const char *n : {"Арка", "Баня", "Бак", "Вышка"})
        add(n);
    FilterTabControl c;
    TableModel model(table, {{"ObjName", QStringLiteral("Наименование")}});
    auto *view = new QTableView;
    view->setModel(&model);
    c.setWidget(view);
    c.attach(table, "ObjName");
    c.resize(300, 200);
    c.show();
    EXPECT_EQ(model.rowCount(), 4);
    c.selectTab(2);
    EXPECT_EQ(model.rowCount(), 2);
    c.selectTab(0);
    EXPECT_EQ(model.rowCount(), 4);
}

TEST_F(NamesTable, ListChoiceOffersSortedDistinctValues)
{
    ListChoice choice;
    choice.table = &table;
    choice.dataField = "ObjName";
    choice.prompter = &prompter;
    // An empty table: "Список пуст." and no choice.
    EXPECT_FALSE(choice.execute());
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Список пуст.");

    for (const char *n : {"Бак", "баня", "Арка", "Баня", "Ррр", "Вышка связи", "Градирня",
                          "Дымовая труба", "Емкость", "Жилой дом", "Заправочная станция"})
        add(n);
    QStringList seenTabs, seenList;
    dialogRunner() = [&](QDialog &d) {
        auto &dlg = dynamic_cast<ListChoiceDialog &>(d);
        if (const char *dir = std::getenv("KORVAN_SHOTS"); dir && *dir) {
            dlg.show();
            QApplication::processEvents();
            dlg.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/list-choice.png"));
            auto *pages = dlg.findChild<QTabWidget *>();
            pages->setCurrentIndex(1);
            dlg.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/list-choice-params.png"));
            pages->setCurrentIndex(0);
        }
        seenTabs = dlg.tabs();
        seenList = dlg.listed();
        EXPECT_FALSE(dlg.okButton()->isEnabled());
        typeText(dlg.searchEdit(), QStringLiteral("ба"));
        EXPECT_EQ(dlg.selectedValue(), QStringLiteral("Бак"));
        EXPECT_TRUE(dlg.okButton()->isEnabled());
        return static_cast<int>(QDialog::Accepted);
    };
    EXPECT_TRUE(choice.execute());
    EXPECT_EQ(choice.value, QStringLiteral("Бак"));
    EXPECT_EQ(seenTabs, qsl({"А-Я", "А", "Б", "В", "Г", "Д", "Е", "Ж", "З", "Р"}));
    EXPECT_EQ(seenList.mid(0, 3), qsl({"Арка", "Бак", "баня"}));
    EXPECT_EQ(seenList.size(), 10);

    // Tabs from the second character: Арка goes under Р, Ррр does not (its first Р is at 1).
    choice.firstCharNo = 2;
    choice.listCase = ListCase::Upper;
    dialogRunner() = [&](QDialog &d) {
        auto &dlg = dynamic_cast<ListChoiceDialog &>(d);
        seenTabs = dlg.tabs();
        dlg.chooseTab(static_cast<int>(dlg.tabs().indexOf(QStringLiteral("Р"))));
        seenList = dlg.listed();
        EXPECT_EQ(dlg.searchEdit()->text(), QStringLiteral("Р"));
        return static_cast<int>(QDialog::Rejected);
    };
    EXPECT_FALSE(choice.execute());
    EXPECT_EQ(seenTabs, qsl({"А-Я", "А", "И", "М", "Р", "Ы"}));
    EXPECT_EQ(seenList, qsl({"АРКА", "ГРАДИРНЯ"}));
    dialogRunner() = {};
}

TEST(ListChoiceDialog, SettingsRebuildTabsAndLimitRows)
{
    RecordingPrompter prompter;
    ListChoiceDialog dlg;
    dlg.setPrompter(&prompter);
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("Объект %1").arg(i, 3, 10, QLatin1Char('0'));
    dlg.setValues(many);
    dlg.resize(400, 400);
    dlg.show();
    dlg.activate();
    EXPECT_EQ(dlg.firstCharMax(), 10);
    EXPECT_EQ(dlg.charCountMax(), 10);
    // The tenth character makes ten tabs: fine. Eight characters from position 3 make 200
    // tabs, too many rows for the multi-line strip.
    auto *first = dlg.findChild<QSpinBox *>(QStringLiteral("firstCharNo"));
    auto *chars = dlg.findChild<QSpinBox *>(QStringLiteral("charCount"));
    first->setValue(10);
    EXPECT_EQ(dlg.tabs().size(), 11);
    EXPECT_EQ(dlg.charCountMax(), 1);
    first->setValue(3);
    dlg.setMultiLine(false);
    chars->setValue(8);
    EXPECT_EQ(dlg.tabs().size(), 201);
    EXPECT_TRUE(prompter.messages.empty());
    dlg.findChild<QCheckBox *>(QStringLiteral("multiLine"))->setChecked(true);
    EXPECT_FALSE(dlg.multiLine());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Внимание. Количество строк в закладке превысило "
                                         "допустимое значение (8).\rЗакладка будет однострочной.");
    EXPECT_EQ(dlg.tabRows(), 1);
}

TEST_F(NamesTable, ListChoiceShowsLongNamesWhole)
{
    for (const char *n : {"Склад горюче-смазочных материалов с навесом", "Бак", "Градирня",
                          "Административно-бытовой корпус", "Емкость"})
        add(n);
    ListChoice choice;
    choice.table = &table;
    choice.dataField = "ObjName";
    choice.prompter = &prompter;
    int cut = -1;
    dialogRunner() = [&](QDialog &d) {
        auto &dlg = dynamic_cast<ListChoiceDialog &>(d);
        dlg.show();
        QApplication::processEvents();
        cut = 0;
        const QFontMetrics fm = dlg.list()->fontMetrics();
        for (int i = 0; i < dlg.list()->count(); ++i) {
            const QListWidgetItem *item = dlg.list()->item(i);
            if (dlg.list()->visualItemRect(item).width() < fm.horizontalAdvance(item->text()))
                ++cut;
        }
        return static_cast<int>(QDialog::Rejected);
    };
    EXPECT_FALSE(choice.execute());
    dialogRunner() = {};
    EXPECT_EQ(cut, 0);
}
