// The positioning, catalogue and settings commands end to end: the window driven through its
// widgets, the rows written through the document, undo and redo restoring them exactly.

#include "app/aligndialogs.h"
#include "app/dictcommands.h"
#include "app/projectdocument.h"
#include "docfixture.h"
#include "app/zonepreviewwindow.h"
#include "data/alignops.h"
#include "data/datamodule.h"
#include "data/podborops.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"
#include "dict/constructionwindow.h"
#include "dict/settingswindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct CommandFixture : test::DocumentFixture {
    CommandFixture()
    {
        doc->setAutoPodbor(false);
    }

    // Every stored conductor and object row of the current project, as text.
    std::string rows() const
    {
        std::string out;
        for (TableId id : {TableId::Mo, TableId::Object})
            for (auto k : dm->table(id).keysUnder(doc->projectKod())) {
                const auto row = dm->table(id).rowByKey(k);
                for (const Value &v : *row)
                    out += v.toText() + (v.isNull() ? "~|" : "|");
            }
        return out;
    }

    // Runs a command whose window is driven by drive() once it shows modally.
    template <typename Window, typename Cmd>
    bool withWindow(Cmd cmd, std::function<void(Window &)> drive)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *w = dynamic_cast<Window *>(QApplication::activeModalWidget());
            if (!w) {
                if (QApplication::activeModalWidget())
                    QApplication::activeModalWidget()->close();
                return;
            }
            seen = true;
            drive(*w);
            if (w->isVisible()) // a failed expectation must not leave the window open
                w->reject();
        });
        const bool r = cmd();
        EXPECT_TRUE(seen);
        return r;
    }

    // Undo gives the rows before, redo the rows after, exactly.
    void expectUndoRedo(const std::string &before, const std::string &after)
    {
        ASSERT_EQ(rows(), after);
        doc->undoStack()->undo();
        EXPECT_EQ(rows(), before);
        doc->undoStack()->redo();
        EXPECT_EQ(rows(), after);
    }

};

} // namespace

TEST_F(CommandFixture, PositioningCommandsAreUndoableSteps)
{
    // Conductor "по центру" / "по нижнему краю" of the boiler house (60, 25, 24 × 18).
    std::string before = rows();
    ASSERT_TRUE((withWindow<AlignConductorDialog>(
        [&] { return cmdAlignConductor(*doc, nullptr); },
        [](AlignConductorDialog &d) {
            d.objectList()->setCurrentIndex(1);
            d.horizontal()->button(2)->click();
            d.vertical()->button(3)->click();
            d.okButton()->click();
        })));
    EXPECT_EQ(conductorAt(*dm, 0).MX, 72.0);
    EXPECT_EQ(conductorAt(*dm, 0).MY, 43.0);
    expectUndoRedo(before, rows());

    // Coordinates relative to the centre of the chimney (42, 55, 3 × 3): 0, 0 puts the rod on
    // snap(43.5) = 44 (a half step rounds up), snap(56.5) = 57.
    before = rows();
    ASSERT_TRUE((withWindow<ConductorCoordsDialog>(
        [&] { return cmdConductorCoords(*doc, nullptr); },
        [](ConductorCoordsDialog &d) {
            d.kindGroup()->button(1)->click(); // single rod: "относительно объекта" is second
            d.objectList()->setCurrentIndex(2);
            d.pointGroup()->button(4)->click();
            d.editX()->setText("0");
            d.editY()->setText("0");
            d.okButton()->click();
        })));
    EXPECT_EQ(conductorAt(*dm, 0).MX, 44.0);
    EXPECT_EQ(conductorAt(*dm, 0).MY, 57.0);
    expectUndoRedo(before, rows());

    // The fuel store's right-bottom corner on the conductor; negatives become 0.
    doc->select({Selection::Object, 0, 1});
    before = rows();
    ASSERT_TRUE((withWindow<AlignObjectToConductorDialog>(
        [&] { return cmdAlignObjectToConductor(*doc, nullptr); },
        [](AlignObjectToConductorDialog &d) {
            d.pointGroup()->button(2)->click();
            d.okButton()->click();
        })));
    EXPECT_EQ(objectByKod(*dm, 1).MXa, 24.0); // 44 − 20
    EXPECT_EQ(objectByKod(*dm, 1).MYa, 45.0); // 57 − 12
    expectUndoRedo(before, rows());

    // Its top-left corner on the boiler house's right-middle point (84, 34).
    before = rows();
    ASSERT_TRUE((withWindow<AlignObjectToObjectDialog>(
        [&] { return cmdAlignObjectToObject(*doc, nullptr); },
        [](AlignObjectToObjectDialog &d) {
            d.bindingList()->setCurrentIndex(0); // "Котельная"
            d.alignedPoint()->button(0)->click();
            d.bindingPoint()->button(7)->click();
            d.okButton()->click();
        })));
    EXPECT_EQ(objectByKod(*dm, 1).MXa, 84.0);
    EXPECT_EQ(objectByKod(*dm, 1).MYa, 34.0);
    expectUndoRedo(before, rows());

    // Cancel changes nothing and pushes no step.
    const int steps = doc->undoStack()->count();
    before = rows();
    EXPECT_FALSE((withWindow<AlignConductorDialog>([&] { return cmdAlignConductor(*doc, nullptr); },
                                                   [](AlignConductorDialog &d) { d.reject(); })));
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(doc->undoStack()->count(), steps);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(CommandFixture, CatalogueChoiceIsTheCliOperationAndUndoes)
{
    // The МРС-20 rod (H 20) for the sample rod project: zone Б objects of Hx 10 get Rx1 13,7.
    Table &items = dm->table(TableId::SMo1);
    ASSERT_TRUE(dm->table(TableId::SMo0).locate({{"Kod", Value(2)}}));
    ASSERT_TRUE(items.locate({{"Tip", Value("МРС-20")}}));
    const int kod = items.asInt("Kod");
    const std::string before = rows();
    prompter.askAnswers = {true}; // the question before a construction below the design height
    ASSERT_TRUE((withWindow<ConstructionWindow>(
        [&] { return cmdChooseConstruction(*doc, nullptr); },
        [&](ConstructionWindow &w) {
            // The design height (42,78) hides the 20 m rod until the filter is unticked.
            EXPECT_TRUE(w.filterBox()->isChecked());
            dm->table(TableId::SMo0).locate({{"Kod", Value(2)}});
            EXPECT_FALSE(items.locate({{"Kod", Value(kod)}}));
            w.filterBox()->click();
            ASSERT_TRUE(items.locate({{"Kod", Value(kod)}}));
            w.okButton()->click();
        })));
    const std::string chosen = rows();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text.rfind("Выбранный молниеотвод ниже расчетной высоты", 0),
              0u);
    prompter.clear();
    EXPECT_EQ(conductorAt(*dm, 0).H1, 20.0);
    EXPECT_EQ(conductorAt(*dm, 0).Tip, "МРС-20");
    EXPECT_DOUBLE_EQ(*objectByKod(*dm, 2).Rx1, 13.7);
    EXPECT_EQ(doc->zoneSuffix(), std::optional<std::string>("1"));
    expectUndoRedo(before, chosen);

    // korvan-cli choose runs the same operation: the same rows from the same start.
    doc->undoStack()->undo();
    ASSERT_TRUE(chooseConstruction(*dm, kod));
    EXPECT_EQ(rows(), chosen);

    // Clearing empties the chosen values and is one step too.
    ASSERT_TRUE(cmdClearChosenConstruction(*doc));
    EXPECT_FALSE(conductorAt(*dm, 0).H1);
    EXPECT_FALSE(objectByKod(*dm, 2).Rx1);
    doc->undoStack()->undo();
    EXPECT_EQ(rows(), chosen);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(CommandFixture, SettingsSnapOnlyWhenTheGridStepChanged)
{
    // An unsnapped object (2,37) stays where it is when "Сохранить" keeps the step ...
    Table &obj = dm->object();
    ASSERT_TRUE(obj.locate({{"Kod", Value(1)}}));
    ASSERT_TRUE(obj.edit());
    obj.setValue("MXa", 2.37);
    ASSERT_TRUE(obj.post());
    doc->openProject(doc->projectKod());
    ASSERT_TRUE((withWindow<SettingsWindow>([&] { return cmdSettings(*doc, nullptr); },
                                            [](SettingsWindow &w) { w.saveButton()->click(); })));
    EXPECT_EQ(objectByKod(*dm, 1).MXa, 2.37);
    // ... and snaps to 2,25 when the step becomes 0,25.
    ASSERT_TRUE((withWindow<SettingsWindow>([&] { return cmdSettings(*doc, nullptr); },
                                            [](SettingsWindow &w) {
                                                QComboBox *b = w.gridStepBox();
                                                b->setCurrentIndex(b->findText("0,25"));
                                                w.saveButton()->click();
                                            })));
    EXPECT_EQ(loadSettings(*dm).ObjShag, 0.25);
    EXPECT_EQ(objectByKod(*dm, 1).MXa, 2.25);
    // "Отмена" changes nothing.
    EXPECT_FALSE((withWindow<SettingsWindow>([&] { return cmdSettings(*doc, nullptr); },
                                             [](SettingsWindow &w) {
                                                 QComboBox *b = w.gridStepBox();
                                                 b->setCurrentIndex(b->findText("1"));
                                                 w.reject();
                                             })));
    EXPECT_EQ(loadSettings(*dm).ObjShag, 0.25);
}

// ---- The project window's menu items open the windows ------------------------------------------

#include "widgets/dialogrunner.h"
#include "windowfixture.h"

#include <QAction>

namespace {
using WindowCommands = kv::test::WindowFixture;
}

TEST_F(WindowCommands, MenuItemsOpenTheirWindows)
{
    ProjectWindow &w = open();
    wireDictCommands(w);
    const std::pair<const char *, const char *> expected[] = {
        {"mnAlignMO", "Выравнивание молниеотвода."},
        {"mnKoordMO", "Координаты молниеотвода."},
        {"mnAlignObMO", "Выравнивание объекта относительно молниеотвода."},
        {"mnAlignObOb", "Выравнивание объекта относительно другого объекта."},
        {"mnSelectMO", "Конструкции стержневых молниеотводов."},
        {"mnPoraj", "Среднее количество поражений молнией земной поверхности."},
        {"mnClasses", "Классы зданий и сооружений."},
        {"mnConstructions", "Конструкции стержневых молниеотводов."},
        {"mnObjNames", "Справочник наименований объектов."},
        {"N6", "Параметры программы."},
        {"mnPreview", "Просмотр зон защиты."},
        {"mnReportSettings", "Параметры отчета."},
    };
    QString shown;
    dialogRunner() = [&](QDialog &d) {
        shown = d.windowTitle();
        return int(QDialog::Rejected);
    };
    doc().runPodbor(); // the preview needs a computed conductor
    prompter.clear();
    doc().select({Selection::Object, 0, doc().snapshot().objects.at(0).Kod.value_or(-1)});
    w.UpdateCommands();
    for (const auto &[name, title] : expected) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(w.isWired(QString::fromLatin1(name)));
        QAction *a = w.action(QString::fromLatin1(name));
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->isEnabled());
        shown.clear();
        a->trigger();
        EXPECT_EQ(shown.toStdString(), title);
    }
    dialogRunner() = {};
    EXPECT_TRUE(w.isWired(QStringLiteral("mnClearMO")));
    EXPECT_TRUE(prompter.messages.empty());
}

// The preview saves either drawing as DXF in metres, from the same shapes as its pictures.
TEST_F(WindowCommands, PreviewSavesItsDrawingsAsDxf)
{
    ProjectWindow &w = open();
    doc().runPodbor();
    const QString dir = QDir::tempPath() + QStringLiteral("/korvan-dxf-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(dir);
    bool saved = false;
    dialogRunner() = [&](QDialog &d) {
        auto *preview = qobject_cast<ZonePreviewWindow *>(&d);
        saved = preview && preview->saveDxf(0, dir + "/plan.dxf") && preview->saveDxf(1, dir + "/front.dxf");
        return int(QDialog::Rejected);
    };
    w.action(QStringLiteral("mnPreview"))->trigger();
    dialogRunner() = {};
    EXPECT_TRUE(saved);
    for (const char *name : {"/plan.dxf", "/front.dxf"}) {
        QFile f(dir + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray text = f.readAll();
        EXPECT_TRUE(text.contains("AC1015")) << name;
        EXPECT_TRUE(text.contains("ZONE_B")) << name;
    }
    QDir(dir).removeRecursively();
    EXPECT_TRUE(prompter.messages.empty());
}
