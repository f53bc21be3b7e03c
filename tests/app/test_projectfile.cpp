// The project file (.kvproj) through the window as the user works it: "Сохранить в файл..." and
// "Открыть файл..." answered in the file dialogs, a file dropped on the window, one undo step,
// and damaged files refused with nothing left behind.

#include "app/placementwindow.h"
#include "app/tableeditpanel.h"
#include "exchange/projectfile.h"
#include "exchange/projectjson.h"
#include "plan/underlay.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QPushButton>
#include <QFile>
#include <QAbstractItemView>
#include <QTableView>
#include <QCompleter>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QUrl>

using namespace kv;
using namespace kv::test;
using json = nlohmann::ordered_json;

namespace {

// The exported project without what belongs to its key.
json withoutKeys(json doc)
{
    doc["project"].erase("Kod");
    for (const char *list : {"conductors", "objects"})
        for (json &row : doc[list])
            for (const char *k : {"Kod", "Kod0", "ShapeName"})
                row.erase(k);
    return doc;
}

// Types the path into the file dialog's name box and clicks its accept button, as the user does.
// On a busy machine the dialog may still be reading its folder when the name is typed, and its
// button stays disabled until the name changes again: the user would type it again, and so does
// this.
ModalAnswer answerFileDialog(const QString &button, const QString &path)
{
    return ModalAnswer(button, [path](QWidget *dlg) {
        ASSERT_TRUE(qobject_cast<QFileDialog *>(dlg));
        auto *name = dlg->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        auto *box = dlg->findChild<QDialogButtonBox *>();
        ASSERT_TRUE(box);
        QPushButton *accept = box->button(QDialogButtonBox::Open);
        if (!accept)
            accept = box->button(QDialogButtonBox::Save);
        ASSERT_TRUE(accept);
        for (int tries = 0; tries < 100 && dlg->isVisible(); ++tries) {
            if (name->text() != path || !accept->isEnabled())
                typeInto(name, path);
            // A completion list left open would take the click on the button to close itself.
            if (QCompleter *c = name->completer(); c && c->popup() && c->popup()->isVisible())
                QTest::keyClick(c->popup(), Qt::Key_Escape);
            if (name->text() == path && accept->isEnabled())
                QTest::mouseClick(accept, Qt::LeftButton);
            QTest::qWait(100);
        }
    });
}

// The texts of a grid's rows, cells joined by "|".
std::vector<std::string> gridRows(QTableView *v)
{
    std::vector<std::string> out;
    const QAbstractItemModel *m = v->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        out.push_back(cells.join(QLatin1Char('|')).toStdString());
    }
    return out;
}

void dropFile(QWidget *w, const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = w->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
}

} // namespace

class ProjectFileWindow : public WindowFixture {
protected:
    size_t projects() { return dm->project().keysUnder(0).size(); }
    // The rows of a table file, all projects together, as another program reading the folder
    // sees them.
    size_t rows(TableId id)
    {
        RecordingPrompter quiet;
        DataModule other(dm->dataDir(), quiet);
        other.openAll();
        Table &t = other.table(id);
        t.setMaster(nullptr);
        t.refresh();
        return static_cast<size_t>(t.recordCount());
    }
};

TEST_F(ProjectFileWindow, SavedAndOpenedByMenuAndDropEqualsTheOriginal)
{
    const int first = addProject("двойной стержневой молниеотвод", {{30, 40}, {60, 40}},
               {{"Склад", 20, 20, 12, 6, 8, 3}, {"Котельная", 50, 50, 10, 8, 12, 5, "А"}});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A picture underlay placed by two points goes with the project.
    const QString dataDir = QString::fromStdString(dm->dataDir());
    QImage plan(64, 48, QImage::Format_RGB32);
    plan.fill(Qt::yellow);
    ASSERT_TRUE(plan.save(dir.filePath(QStringLiteral("plan.png"))));
    UnderlaySettings placed;
    placed.p1 = QPointF(1, 2);
    placed.p2 = QPointF(60, 2);
    placed.kind = UnderlayKind::Image;
    placed.distance = 50;
    placed.at = QPointF(5, 5);
    setUnderlayFile(dataDir, first, placed, dir.filePath("plan.png"));
    open();
    const json original = withoutKeys(projectToJson(*dm));
    const int originalKod = snap().project.Kod.value_or(0);
    const UnderlaySettings originalUnderlay = loadUnderlaySettings(dataDir, originalKod);
    ASSERT_EQ(originalUnderlay.kind, UnderlayKind::Image);
    const QString path = dir.filePath(QStringLiteral("obmen.kvproj"));

    {
        auto answer = answerFileDialog(QStringLiteral("Сохранить"), path);
        ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Проект"),
                               QStringLiteral("Сохранить в файл...")));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 20000);
    }
    const size_t before = projects();
    {
        auto answer = answerFileDialog(QStringLiteral("Открыть"), path);
        ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Проект"),
                               QStringLiteral("Открыть файл...")));
        QTRY_COMPARE(projects(), before + 1);
    }
    EXPECT_TRUE(prompter.errors().empty()) << prompter.errors().front();
    window->refreshNow();
    EXPECT_NE(snap().project.Kod.value_or(0), originalKod) << "the new project is current";
    EXPECT_EQ(withoutKeys(projectToJson(*dm)), original);
    const int kod = snap().project.Kod.value_or(0);
    UnderlaySettings opened = loadUnderlaySettings(dataDir, kod);
    EXPECT_EQ(opened.file, std::to_string(kod) + ".png");
    opened.file = originalUnderlay.file;
    EXPECT_EQ(opened, originalUnderlay);
    EXPECT_EQ(QImage(underlayFolder(dataDir) + "/" + QString::number(kod) + ".png"), plan);

    // The whole opening is one step back.
    ASSERT_TRUE(doc().undoStack()->canUndo());
    ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Правка"),
                           QStringLiteral("Отменить открытие файла проекта")));
    QTRY_COMPARE(projects(), before);

    // A dropped file is opened the same way.
    dropFile(window.get(), path);
    QTRY_COMPARE(projects(), before + 1);
    window->refreshNow();
    EXPECT_EQ(withoutKeys(projectToJson(*dm)), original);
}

TEST_F(ProjectFileWindow, DamagedFilesAreRefusedWithNothingLeftBehind)
{
    addProject("одиночный стержневой молниеотвод", {{40, 40}}, {{"Склад", 20, 20, 12, 6, 8, 3}});
    open();
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.kvproj"));
    saveProjectFile(*dm, good.toStdString());
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const json file = json::parse(bytes.toStdString());
    json newer = file, foreign = file, badObject = file, badConductor = file;
    newer["version"] = kProjectFileVersion + 1;
    foreign.erase("format");
    // An error met only after the project and its conductor rows were written.
    badObject["objects"][0]["L"] = "двенадцать";
    badConductor["conductors"][0]["MX"] = "x";
    // A sub-range partly outside its range: the grid would ask whether to clip it; the file is
    // refused without a question, after the variant and its range were written.
    json badPlacement = file;
    badPlacement["placement"] = {
        {"diap0.DB", json::array({{{"Kod", 7}, {"Name", "Вариант"}}})},
        {"diap1.db", json::array({{{"Kod", 3}, {"Kod0", 7}, {"X1", 0}, {"X2", 10}, {"DX", 1},
                                   {"Y1", 0}, {"Y2", 10}, {"DY", 1}}})},
        {"diap2.db", json::array({{{"Kod0", 3}, {"X1", -5}, {"VklX1", true}, {"X2", 5},
                                   {"VklX2", true}, {"Y1", 0}, {"VklY1", true}, {"Y2", 5},
                                   {"VklY2", true}}})}};
    const struct {
        const char *name;
        QByteArray text;
        const char *said;
    } cases[] = {
        {"cut.kvproj", bytes.left(bytes.size() / 2), "cut.kvproj"},
        {"newer.kvproj", QByteArray::fromStdString(newer.dump()), "более новой версией"},
        {"foreign.kvproj", QByteArray::fromStdString(foreign.dump()), "не является файлом"},
        {"object.kvproj", QByteArray::fromStdString(badObject.dump()), "L"},
        {"conductor.kvproj", QByteArray::fromStdString(badConductor.dump()), "MX"},
        {"empty.kvproj", QByteArray(), "empty.kvproj"},
        {"placement.kvproj", QByteArray::fromStdString(badPlacement.dump()), "diap2.db"},
    };
    const size_t projectRows = rows(TableId::Project), moRows = rows(TableId::Mo),
                 objectRows = rows(TableId::Object), variantRows = rows(TableId::Diap0),
                 rangeRows = rows(TableId::Diap1);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(c.text);
        out.close();
        prompter.messages.clear();
        dropFile(window.get(), path);
        QTRY_VERIFY(!prompter.errors().empty());
        EXPECT_NE(prompter.errors().front().find(c.said), std::string::npos)
            << prompter.errors().front();
        EXPECT_EQ(rows(TableId::Project), projectRows);
        EXPECT_EQ(rows(TableId::Mo), moRows);
        EXPECT_EQ(rows(TableId::Object), objectRows);
        EXPECT_EQ(rows(TableId::Diap0), variantRows);
        EXPECT_EQ(rows(TableId::Diap1), rangeRows);
        EXPECT_EQ(prompter.texts(RecordingPrompter::Kind::Ask).size(), 0u);
        EXPECT_FALSE(doc().undoStack()->canUndo());
    }
}

// The placement rows of a saved project come back with the opened file: the placement window of
// the new project shows its variant with the search result and its combinations.
TEST_F(ProjectFileWindow, OpenedFileShowsItsPlacementRowsInThePlacementWindow)
{
    const int original = addProject("двойной стержневой молниеотвод", {{0, 0}, {30, 0}},
                                    {{"Склад", 10, 10, 4, 4, 8, 3}});
    const auto put = [&](TableId id, std::vector<std::pair<const char *, Value>> fields) {
        Table &t = dm->table(id);
        ASSERT_TRUE(t.append());
        for (const auto &[f, v] : fields)
            t.setValue(f, v);
        ASSERT_TRUE(t.post());
    };
    put(TableId::Diap2MO0, {{"Name", Value("Две опоры")}, {"X1", Value(5.0)}, {"Y1", Value(0.0)},
                            {"H1", Value(17.5)}, {"X2", Value(25.0)}, {"Y2", Value(0.0)},
                            {"H2", Value(17.5)}});
    put(TableId::Diap2MO1, {{"DiapName", Value("Левый")}, {"X1", Value(0.0)}, {"X2", Value(10.0)},
                            {"DX", Value(5.0)}, {"Y1", Value(0.0)}, {"Y2", Value(5.0)},
                            {"DY", Value(5.0)}});
    put(TableId::Diap2MO3, {{"DiapName1", Value("Левый")}, {"X1", Value(5.0)}, {"Y1", Value(0.0)},
                            {"H1", Value(17.5)}, {"DiapName2", Value("")}, {"X2", Value(25.0)},
                            {"Y2", Value(0.0)}, {"H2", Value(17.5)}});
    open();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("razm.kvproj"));
    saveProjectFile(*dm, path.toStdString());
    const size_t before = projects();
    {
        auto answer = answerFileDialog(QStringLiteral("Открыть"), path);
        ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Проект"),
                               QStringLiteral("Открыть файл...")));
        QTRY_COMPARE(projects(), before + 1);
    }
    window->refreshNow();
    ASSERT_NE(snap().project.Kod.value_or(original), original) << "the new project is current";
    std::vector<std::string> variants, ranges, combinations;
    ModalAnswer answer(QStringLiteral("Отмена"), [&](QWidget *m) {
        auto *pw = qobject_cast<PlacementWindow *>(m);
        ASSERT_TRUE(pw);
        variants = gridRows(pw->variants()->view());
        ranges = gridRows(pw->ranges(1)->view());
        combinations = gridRows(pw->combinations()->view());
    });
    ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Молниеотвод"),
                           QStringLiteral("Оптимальное размещение...")));
    QTRY_VERIFY(answer.done());
    ASSERT_EQ(variants.size(), 1u);
    EXPECT_EQ(variants[0].rfind("Две опоры|5|0|17,5|25|0|17,5", 0), 0u) << variants[0];
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].rfind("Левый|0|10|5|0|5|5", 0), 0u) << ranges[0];
    ASSERT_EQ(combinations.size(), 1u);
    EXPECT_EQ(combinations[0].rfind("Левый|5|0|17,5||25|0|17,5", 0), 0u) << combinations[0];
    // Undoing the opening takes the placement rows away with the project.
    EXPECT_EQ(rows(TableId::Diap2MO3), 2u);
    ASSERT_TRUE(chooseMenu(window.get(), QStringLiteral("Правка"),
                           QStringLiteral("Отменить открытие файла проекта")));
    QTRY_COMPARE(projects(), before);
    for (TableId id : {TableId::Diap2MO0, TableId::Diap2MO1, TableId::Diap2MO3})
        EXPECT_EQ(rows(id), 1u);
}
