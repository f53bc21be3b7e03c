// The project, open-project and object dialogs, the help window and the about box, driven
// through their widgets. With KORVAN_SHOTS naming a folder the tests save their screenshots.

#include "app/aboutform.h"
#include "app/objectform.h"
#include "app/openprojectform.h"
#include "app/projectform.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "widgets/dialogrunner.h"
#include "widgets/filtertabcontrol.h"
#include "widgets/helpwindow.h"
#include "widgets/listchoice.h"
#include "widgets/tablemodel.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimeEdit>
#include <QToolButton>
#include <gtest/gtest.h>
#include "typetext.h"

#include <cstdlib>
#include <filesystem>

using namespace kv;
using kv::test::typeText;
namespace fs = std::filesystem;

namespace {

void shot(QWidget &w, const char *name)
{
    const char *dir = std::getenv("KORVAN_SHOTS");
    if (!dir || !*dir)
        return;
    w.show();
    QApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QString::fromLatin1(name));
}

void retype(QLineEdit *e, const QString &text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    typeText(e, text);
}

// A fresh data folder with the installation data (sample project included), opened.
struct Data {
    Data()
    {
        std::string t = (fs::temp_directory_path() / "korvan-forms-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string());
        dm = std::make_unique<DataModule>(dir.string(), prompter);
        dm->openAll();
    }
    ~Data()
    {
        dm.reset();
        fs::remove_all(dir);
    }
    int addProject(const char *name, const char *owner)
    {
        Table &p = dm->project();
        p.append();
        p.setValue("Name", name);
        p.setValue("ProjOwner", owner);
        p.setValue("ProjDate", "2026-12-01");
        p.setValue("ProjTime", "10:15:00");
        p.setValue("ProdGrozMin", 40);
        p.setValue("ProdGrozMax", 59);
        p.setValue("Udarov", 4.0);
        p.setValue("ZonaACnt", 1);
        p.setValue("ZonaBCnt", 2);
        p.setValue("TipMO", "одиночный тросовый молниеотвод");
        p.setValue("IScale", 700);
        p.setValue("ProjMemo", "Склад ГСМ");
        p.post();
        return p.asInt("Kod");
    }
    fs::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

// An object row as the add command proposes it, with a class and sizes.
ObjectRec objectRow(int cls, double L, double S, double Hx, int colour)
{
    ObjectRec rec;
    rec.Name = "Объект 1";
    rec.SLabel = "1";
    rec.ObjColor = colour;
    rec.MXa = 5;
    rec.MYa = 5;
    rec.L = L;
    rec.S = S;
    rec.Hx = Hx;
    rec.N = 0;
    rec.Tip = cls;
    return rec;
}

std::optional<double> udarovOf(const std::string &r)
{
    if (r == "60 - 79")
        return 6.0;
    if (r == "100 - ")
        return 9.0;
    return std::nullopt;
}

} // namespace

TEST(ProjectForm, RangeDrivesStrikeDensityAndInputRoundTrips)
{
    ProjectForm f;
    f.setRanges({"20 - 39", "60 - 79", "100 - "}, udarovOf);
    f.setScaleStep(0);
    EXPECT_EQ(f.scaleSpin()->singleStep(), 100);
    ProjectInput in;
    in.name = "Проект 3";
    in.grozRange = "60 - 79";
    in.date = "2026-12-09";
    in.time = "09:30:05";
    in.typeIndex = kTypeIndexDoubleRod;
    in.scale = 800;
    in.memo = "Котельная";
    f.setInput(in);
    EXPECT_EQ(f.rangeCombo()->currentText(), QStringLiteral("60 - 79"));
    EXPECT_EQ(f.udarovEdit()->text(), QStringLiteral("6"));
    EXPECT_TRUE(f.udarovEdit()->isReadOnly());
    EXPECT_TRUE(f.typeButton(kTypeIndexDoubleRod)->isChecked());

    // The open-ended row; a row without a strike density keeps the box.
    f.rangeCombo()->setCurrentIndex(2);
    EXPECT_EQ(f.udarovEdit()->text(), QStringLiteral("9"));
    f.rangeCombo()->setCurrentIndex(0);
    EXPECT_EQ(f.udarovEdit()->text(), QStringLiteral("9"));
    f.rangeCombo()->setCurrentIndex(2);

    // The scale changes only through its arrows.
    f.scaleSpin()->setFocus();
    QTest::keyClicks(f.scaleSpin(), QStringLiteral("12"));
    EXPECT_EQ(f.scaleSpin()->value(), 800);
    QTest::keyClick(f.scaleSpin(), Qt::Key_Up);
    EXPECT_EQ(f.scaleSpin()->value(), 900);
    f.typeButton(kTypeIndexCable)->click();
    f.nameEdit()->setText(QStringLiteral("Склад"));

    const ProjectInput out = f.input();
    EXPECT_EQ(out.name, "Склад");
    EXPECT_EQ(out.grozRange, std::optional<std::string>("100 - "));
    EXPECT_EQ(out.udarovText, "9");
    EXPECT_EQ(out.date, "2026-12-09");
    EXPECT_EQ(out.time, "09:30:05");
    EXPECT_EQ(out.typeIndex, kTypeIndexCable);
    EXPECT_EQ(out.scale, 900);
    EXPECT_EQ(out.memo, "Котельная");

    // Hours that match no row: nothing selected, the density kept, no range handed back.
    in.grozRange = "61 - 80";
    in.udarovText = "5,5";
    f.setInput(in);
    EXPECT_EQ(f.rangeCombo()->currentIndex(), -1);
    EXPECT_EQ(f.udarovEdit()->text(), QStringLiteral("5,5"));
    EXPECT_FALSE(f.input().grozRange.has_value());

    in.grozRange = "60 - 79";
    in.owner = "ООО «Проектировщик»";
    f.setInput(in);
    f.resize(f.sizeHint().expandedTo(QSize(473, 414)));
    shot(f, "project-dialog.png");
}

TEST(ObjectForm, LiveEvaluationChecksAndValues)
{
    RecordingPrompter prompter;
    ObjectForm f;
    f.setPrompter(&prompter);
    f.setProject(60, 6.0);
    QStringList classes;
    for (int k = 1; k <= 16; ++k)
        classes << QStringLiteral("Класс %1: здания и сооружения").arg(k);
    f.setClassTexts(classes);
    ObjectRec rec = objectRow(1, 10, 5, 5, 0);
    rec.Kateg = 1;
    rec.Zona = "А";
    f.setValues(rec);
    // [(5+30)*(10+30)-7,7*25]*6*1e-6 = 0,0072... -> "0,01"
    EXPECT_EQ(f.nEdit()->text(), QStringLiteral("0,01"));
    EXPECT_EQ(f.memoN()->toPlainText(), QStringLiteral("N = [(S+6*Hx)*(L+6*Hx)-7,7*Hx*Hx]*n*0,000001\n"
                                                       "N = [(5+6*5)*(10+6*5)-7,7*5*5]*6*0,000001 = 0,01"));
    EXPECT_EQ(f.categoryCombo()->currentText(), QStringLiteral("1"));
    EXPECT_EQ(f.zoneCombo()->currentText(), QStringLiteral("А"));
    EXPECT_TRUE(f.classButton(1)->isChecked());

    // Class 16 with a tall mast: zone Б, category 3; the sizes box drives N. Emptying the height
    // on the way is no error yet (the OK check has the last word).
    f.classButton(16)->click();
    retype(f.edit(ObjectField::Hx), QStringLiteral("15"));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(f.buildingClass(), 16);
    EXPECT_EQ(f.zoneCombo()->currentText(), QStringLiteral("Б"));
    EXPECT_EQ(f.categoryCombo()->currentText(), QStringLiteral("3"));
    EXPECT_FALSE(f.memoObos()->toPlainText().isEmpty());
    // Letters do not get into a numeric box.
    typeText(f.edit(ObjectField::Hx), QStringLiteral("a"));
    EXPECT_EQ(f.edit(ObjectField::Hx)->text(), QStringLiteral("15"));

    // The spin buttons' rule.
    const struct {
        const char *text;
        double step;
        bool up;
        const char *result;
    } steps[] = {{"", 0.1, true, "0,1"},   {"5", 1, true, "6"},      {"", 1, false, "1"},
                 {"0", 0.01, false, "0,01"}, {"0,3", 0.1, false, "0,2"}, {"0,05", 0.1, false, "0,05"},
                 {"2,5", 1, false, "1,5"},  {"1", 1, false, "1"},     {"x", 1, true, "x"}};
    for (const auto &s : steps)
        EXPECT_EQ(ObjectForm::stepped(QString::fromUtf8(s.text), s.step, s.up),
                  QString::fromUtf8(s.result))
            << s.text << ' ' << s.step << ' ' << s.up;
    f.findChild<QToolButton *>(QStringLiteral("EditLUp2"))->click();
    EXPECT_EQ(f.edit(ObjectField::L)->text(), QStringLiteral("10,1"));

    // The OK checks in their order, each keeping the dialog open.
    f.show();
    const std::string required = "Ошибка. Заполнение поля «Наименование» обязательно.";
    const std::string requiredLabel = "Ошибка. Заполнение поля «Метка» обязательно.";
    const char *badNumber = "Ошибочное значение для числового параметра.";
    const char *noProtection =
        "Ошибка. В проекте запрещено использование объектов, не требующих молниезащиты (с пустым "
        "значением полей \"Категория молниезащиты\" или \"Тип зоны защиты\").";
    f.edit(ObjectField::Name)->clear();
    f.okButton()->click();
    f.edit(ObjectField::Name)->setText(QStringLiteral("Мачта"));
    f.edit(ObjectField::Label)->clear();
    f.okButton()->click();
    f.edit(ObjectField::Label)->setText(QStringLiteral("М1"));
    f.edit(ObjectField::Y)->setText(QStringLiteral("3,5,"));
    f.okButton()->click();
    EXPECT_EQ(f.focusWidget(), f.edit(ObjectField::Y));
    f.edit(ObjectField::Y)->setText(QStringLiteral("3,27"));
    f.categoryCombo()->setCurrentIndex(3); // the empty item
    f.okButton()->click();
    EXPECT_EQ(prompter.errors(),
              (std::vector<std::string>{required, requiredLabel, badNumber, noProtection}));
    EXPECT_TRUE(f.isVisible());
    f.categoryCombo()->setCurrentIndex(2);

    // The colour dialog and the name list answered by the runner.
    dialogRunner() = [](QDialog &d) {
        if (auto *c = qobject_cast<QColorDialog *>(&d)) {
            c->setCurrentColor(QColor(255, 0, 0));
            return static_cast<int>(QDialog::Accepted);
        }
        return static_cast<int>(QDialog::Rejected);
    };
    f.colourButton()->click();
    EXPECT_EQ(f.colour(), 255);
    dialogRunner() = {};

    f.okButton()->click();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    const ObjectRec v = f.values();
    EXPECT_EQ(v.Name, std::optional<std::string>("Мачта"));
    EXPECT_EQ(v.SLabel, std::optional<std::string>("М1"));
    EXPECT_EQ(v.ObjColor, std::optional<int>(255));
    EXPECT_EQ(v.MYa, std::optional<double>(3.27)); // snapping is the operation's business
    EXPECT_EQ(v.L, std::optional<double>(10.1));
    EXPECT_EQ(v.Hx, std::optional<double>(15));
    EXPECT_EQ(v.Tip, std::optional<int>(16));
    EXPECT_EQ(v.STip, std::optional<std::string>("сосредоточенный"));
    EXPECT_EQ(v.Kateg, std::optional<int>(3));
    EXPECT_EQ(v.Zona, std::optional<std::string>("Б"));
    EXPECT_EQ(v.N, std::optional<double>(0.04)); // 9·π·15²·6·10⁻⁶ = 0,038
}

TEST(ObjectForm, NameChoiceFromTheDictionaryAndScreenshot)
{
    Data d;
    ObjectForm f;
    f.setPrompter(&d.prompter);
    f.setNamesTable(&d.dm->table(TableId::ObjName));
    f.setProject(60, 6.0);
    QStringList texts;
    for (const auto &row : d.dm->table(TableId::Class).select({"ClassObj"}, {}))
        texts << QString::fromStdString(row[0].toText());
    ASSERT_EQ(texts.size(), 16);
    f.setClassTexts(texts);
    f.setValues(objectRow(3, 24, 12, 8, 0x00a000));
    QString offered;
    dialogRunner() = [&](QDialog &dlg) {
        auto &list = dynamic_cast<ListChoiceDialog &>(dlg);
        offered = list.listed().value(0);
        list.list()->setCurrentRow(0);
        list.list()->item(0)->setSelected(true);
        return static_cast<int>(QDialog::Accepted);
    };
    f.selectButton()->click();
    dialogRunner() = {};
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(f.edit(ObjectField::Name)->text(), offered);
    f.memoTabs()->setCurrentIndex(1);
    shot(f, "object-dialog.png");
}

TEST(OpenProjectForm, GridTabsAndFieldsFollowTheHighlightedProject)
{
    Data d;
    Table &projects = d.dm->project();
    const int sample = projects.asInt("Kod");
    const int b = d.addProject("База отдыха", "Иванов");
    d.addProject("Водозабор", "Петров");
    OpenProjectForm f(*d.dm);
    f.setPrompter(&d.prompter);
    f.selectProject(b);
    EXPECT_EQ(f.chosenKod(), b);
    EXPECT_EQ(f.fieldText("ProjMemo"), QStringLiteral("Склад ГСМ"));
    EXPECT_EQ(f.fieldText("ProdGrozMin"), QStringLiteral("40"));
    EXPECT_EQ(f.fieldText("ProdGrozMax"), QStringLiteral("59"));
    EXPECT_EQ(f.fieldText("Udarov"), QStringLiteral("4"));
    EXPECT_EQ(f.fieldText("ZonaBCnt"), QStringLiteral("2"));
    EXPECT_EQ(f.fieldText("IScale"), QStringLiteral("700"));
    EXPECT_EQ(f.model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Наименование проекта"));

    // A letter tab narrows the grid; moving in the grid moves the current project row.
    const QStringList tabs = f.filterTabs()->tabs();
    ASSERT_TRUE(tabs.contains(QStringLiteral("В")));
    f.filterTabs()->selectTab(static_cast<int>(tabs.indexOf(QStringLiteral("В"))));
    ASSERT_EQ(f.model()->rowCount(), 1);
    f.grid()->selectionModel()->setCurrentIndex(f.model()->index(0, 0),
                                                QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(projects.asText("Name"), "Водозабор");
    EXPECT_EQ(f.chosenKod(), projects.asInt("Kod"));
    f.finish();
    EXPECT_EQ(projects.filter(), "");
    EXPECT_EQ(projects.recordCount(), 3);

    f.filterTabs()->attach(projects, "Name");
    f.selectProject(sample);
    shot(f, "open-dialog.png");
}

TEST(Help, EveryContextHasARealTopic)
{
    for (int c : helpContexts()) {
        QFile file(helpTopicPath(c));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c;
        const QString html = QString::fromUtf8(file.readAll());
        QTextDocument doc;
        doc.setHtml(html);
        EXPECT_GT(doc.toPlainText().size(), 300) << "topic " << c << " is too thin";
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << c;
    }
    EXPECT_EQ(helpTopicPath(5), helpTopicPath(kHelpContents));

    // The dialogs' "Справка..." buttons open their own topics.
    {
        ProjectForm p;
        p.helpButton()->click();
        auto *hw = p.findChild<HelpWindow *>();
        ASSERT_TRUE(hw);
        EXPECT_EQ(hw->browser()->source().toString(), QStringLiteral("qrc:/help/topic-8.html"));
        ObjectForm o;
        o.helpButton()->click();
        EXPECT_EQ(o.findChild<HelpWindow *>()->browser()->source().toString(),
                  QStringLiteral("qrc:/help/topic-4.html"));
    }

    HelpWindow *w = showHelp(kHelpObject);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("Параметры объекта")));
    w->showTopic(kHelpProject);
    EXPECT_TRUE(w->browser()->isBackwardAvailable());
    w->browser()->backward();
    EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("Наименование")));
    w->showTopic(kHelpContents);
    auto *contents = w->findChild<QListWidget *>(QStringLiteral("helpContents"));
    EXPECT_EQ(contents->currentItem()->data(Qt::UserRole).toInt(), int(kHelpContents));
    w->browser()->setSource(QUrl(QStringLiteral("topic-4.html")));
    EXPECT_EQ(contents->currentItem()->data(Qt::UserRole).toInt(), int(kHelpObject));
    w->showTopic(kHelpContents);
    shot(*w, "help.png");
    w->close();
}

TEST(About, TitleAndText)
{
    AboutForm a;
    EXPECT_EQ(a.windowTitle(), QStringLiteral("О программе."));
    EXPECT_EQ(a.findChild<QLabel *>(QStringLiteral("title"))->text(), QStringLiteral("Korvan VL 2.1"));
    shot(a, "about.png");
}
