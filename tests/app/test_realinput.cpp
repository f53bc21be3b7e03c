// Number and text fields, stock dialogs and save dialogs, driven by keys and clicks as a designer
// drives them: the decimal point, Qt's Russian stock buttons, the lengths the store holds and the
// folders the save dialogs remember.

#include "app/dialogprompter.h"
#include "app/objectform.h"
#include "app/projectform.h"
#include "userinput.h"
#include "widgets/filefolders.h"
#include "windowfixture.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

using namespace kv;
using namespace kv::test;

namespace {

// Closes whatever modal dialog is still open after a while, so a dialog that refuses its OK
// fails the test instead of hanging it.
struct ModalGuard {
    QTimer timer;
    ModalGuard()
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (QWidget *m = QApplication::activeModalWidget())
                m->close();
        });
        timer.start(10000);
    }
};

// The three ways a designer types twelve and a half.
enum class Typing { Point, KeypadPoint, Comma };

void typeTwelveAndAHalf(QLineEdit *e, Typing how)
{
    QTest::mouseClick(e, Qt::LeftButton);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(e, Qt::Key_Backspace);
    switch (how) {
    case Typing::Point:
        QTest::keyClicks(e, QStringLiteral("12.5"));
        break;
    case Typing::KeypadPoint:
        QTest::keyClicks(e, QStringLiteral("12"));
        QTest::keyClick(e, Qt::Key_Period, Qt::KeypadModifier);
        QTest::keyClicks(e, QStringLiteral("5"));
        break;
    case Typing::Comma:
        QTest::keyClicks(e, QStringLiteral("12,5"));
        break;
    }
}

} // namespace

TEST_F(WindowFixture, NumberFieldsTakeTheDecimalPointAndStoreTwelveAndAHalf)
{
    // Large enough to need protection with every size typed below (zone Б, category 3).
    addProject("одиночный стержневой молниеотвод", {{40, 40}},
               {{"Склад", 10, 10, 60, 60, 20, 255}});
    setSetting("ObjShag", Value(0.5)); // 12,5 lies on the grid; 125 would too
    open();
    struct Field {
        const char *menu, *item, *edit;
        std::function<double()> stored;
    };
    const Field fields[] = {
        {"Объект", "Редактировать...", "EditX", [&] { return *snap().objects.at(0).MXa; }},
        {"Объект", "Редактировать...", "EditY", [&] { return *snap().objects.at(0).MYa; }},
        {"Объект", "Редактировать...", "EditL", [&] { return *snap().objects.at(0).L; }},
        {"Объект", "Редактировать...", "EditS", [&] { return *snap().objects.at(0).S; }},
        {"Объект", "Редактировать...", "EditHx", [&] { return *snap().objects.at(0).Hx; }},
        {"Молниеотвод", "Координаты молниеотвода...", "EditX",
         [&] { return *snap().conductors.at(0).MX; }},
        {"Молниеотвод", "Координаты молниеотвода...", "EditY",
         [&] { return *snap().conductors.at(0).MY; }},
    };
    for (const Field &f : fields) {
        for (Typing how : {Typing::Point, Typing::KeypadPoint, Typing::Comma}) {
            SCOPED_TRACE(std::string(f.item) + " " + f.edit + " typing " +
                         std::to_string(static_cast<int>(how)));
            QString shown;
            ModalGuard guard;
            ModalAnswer ok(QStringLiteral("ОК"), [&](QWidget *dlg) {
                // The coordinate dialog keeps its last kind of coordinates: absolute ones here.
                if (QAbstractButton *abs = findButton(dlg, QStringLiteral("абсолютные")))
                    QTest::mouseClick(abs, Qt::LeftButton, {}, QPoint(8, abs->height() / 2));
                auto *e = dlg->findChild<QLineEdit *>(QString::fromLatin1(f.edit));
                ASSERT_TRUE(e);
                typeTwelveAndAHalf(e, how);
                shown = e->text();
            });
            ASSERT_TRUE(chooseMenu(window.get(), QString::fromUtf8(f.menu),
                                   QString::fromUtf8(f.item)));
            EXPECT_TRUE(ok.done());
            EXPECT_EQ(shown, QStringLiteral("12,5"));
            window->refreshNow();
            EXPECT_DOUBLE_EQ(f.stored(), 12.5);
        }
    }
    EXPECT_TRUE(prompter.errors().empty()) << prompter.errors().front();
}

TEST(StockDialogs, QuestionAndInputBoxSpeakRussianAndShowTheWholeName)
{
    DialogPrompter prompter;
    ModalGuard guard;
    // A question: "Да" and "Нет"; "Нет" answers no.
    bool hasYes = false;
    ModalAnswer no(QStringLiteral("Нет"), [&](QWidget *box) {
        hasYes = findButton(box, QStringLiteral("Да"));
        if (const QString dir = qEnvironmentVariable("KORVAN_SHOTS"); !dir.isEmpty())
            box->grab().save(QDir(dir).filePath(QStringLiteral("question.png")));
    });
    EXPECT_FALSE(prompter.ask("Удалить текущий проект?"));
    EXPECT_TRUE(no.done());
    EXPECT_TRUE(hasYes);

    // The save-as box: "Отмена", its caption and the whole name in view, and no more
    // characters than the stored name holds.
    const std::string longName = "Склад горюче-смазочных материалов и ремонтные мастерские";
    const int limit = fieldSize(TableId::Project, "Name");
    QString typed;
    bool captionFits = false, nameFits = false;
    ModalAnswer cancel(QStringLiteral("Отмена"), [&](QWidget *box) {
        auto *e = box->findChild<QLineEdit *>();
        ASSERT_TRUE(e);
        nameFits = e->fontMetrics().horizontalAdvance(e->text()) < e->width();
        captionFits = box->width()
                      > QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) + 100;
        if (const QString dir = qEnvironmentVariable("KORVAN_SHOTS"); !dir.isEmpty())
            box->grab().save(QDir(dir).filePath(QStringLiteral("save-as.png")));
        e->end(false);
        typeText(e, QStringLiteral("ЖЖЖЖЖЖЖЖЖЖ"));
        typed = e->text();
    });
    EXPECT_FALSE(prompter.input("Сохранить как...", "Наименование проекта:", longName, limit));
    EXPECT_TRUE(cancel.done());
    EXPECT_TRUE(captionFits);
    EXPECT_TRUE(nameFits);
    EXPECT_EQ(typed, (QString::fromStdString(longName) + QStringLiteral("ЖЖЖЖЖЖЖЖЖЖ")).left(limit));
}

TEST_F(WindowFixture, TextFieldsTakeNoMoreThanTheStoreHolds)
{
    // Each box, typed far past its limit, keeps as many characters as its stored field.
    ObjectForm object;
    ProjectForm project;
    const struct {
        QWidget *form;
        const char *edit;
        TableId table;
        const char *field;
        int size;
    } boxes[] = {{&object, "EditName", TableId::Object, "Name", 30},
                 {&object, "EditsLabel", TableId::Object, "SLabel", 10},
                 {&project, "EditName", TableId::Project, "Name", 50},
                 {&project, "EditOwner", TableId::Project, "ProjOwner", 50}};
    for (const auto &b : boxes) {
        SCOPED_TRACE(b.edit);
        EXPECT_EQ(fieldSize(b.table, b.field), b.size);
        auto *e = b.form->findChild<QLineEdit *>(QString::fromLatin1(b.edit));
        ASSERT_TRUE(e);
        typeInto(e, QString(80, QChar(0x0416)));
        EXPECT_EQ(e->text().size(), b.size);
    }

    // Save as through the window asks for a name no longer than the stored one.
    addProject("одиночный стержневой молниеотвод", {{40, 40}}, {});
    open();
    ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Проект"), QStringLiteral("Сохранить как...")));
    ASSERT_FALSE(prompter.inputLimits.empty());
    EXPECT_EQ(prompter.inputLimits.back(), 50);
}

TEST(SaveDialogs, EachKindOfFileStartsInItsLastFolder)
{
    QTemporaryDir pictures, charts;
    ASSERT_TRUE(pictures.isValid() && charts.isValid());
    ModalGuard guard;
    // Saves through the file dialog as the user does: the whole path typed into the name box
    // and Enter pressed.
    const auto save = [](FileKind kind, const QString &path, QString *startedIn) {
        ModalAnswer answer(QStringLiteral("Сохранить"), [&](QWidget *dlg) {
            auto *fd = qobject_cast<QFileDialog *>(dlg);
            ASSERT_TRUE(fd);
            *startedIn = fd->directory().absolutePath();
            auto *name = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(name);
            name->setFocus();
            QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(name, path);
            QTest::keyClick(name, Qt::Key_Return);
        });
        return chooseSaveFile(nullptr, kind, QStringLiteral("Сохранить рисунок"),
                              QDir::homePath() + QStringLiteral("/plan.png"),
                              QStringLiteral("PNG (*.png)"));
    };
    QString startedIn;
    EXPECT_EQ(save(FileKind::Picture, pictures.filePath(QStringLiteral("a.png")), &startedIn),
              pictures.filePath(QStringLiteral("a.png")));
    EXPECT_EQ(save(FileKind::Chart, charts.filePath(QStringLiteral("c.png")), &startedIn),
              charts.filePath(QStringLiteral("c.png")));
    EXPECT_NE(startedIn, pictures.path()); // a chart does not start among the pictures
    save(FileKind::Picture, pictures.filePath(QStringLiteral("b.png")), &startedIn);
    EXPECT_EQ(startedIn, QDir(pictures.path()).absolutePath());
    save(FileKind::Chart, charts.filePath(QStringLiteral("d.png")), &startedIn);
    EXPECT_EQ(startedIn, QDir(charts.path()).absolutePath());
}
