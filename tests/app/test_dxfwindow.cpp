// The DXF import and the underlay driven as a user does: the dialogs opened from the menu, a
// file typed, a layer ticked, OK clicked; undo; the tool-bar toggle.

#include "app/dialogprompter.h"
#include "app/zonepreviewwindow.h"
#include "plan/dxfwriter.h"
#include "plan/underlay.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <fstream>
#include <map>
#include <optional>

using namespace kv;
using namespace kv::test;

namespace {

// A small site: two buildings with height texts, a shed turned on the plan, a tank, roads and a
// fence that are only drawn.
std::string siteDrawing()
{
    DxfDocument d;
    for (const char *l : {"Здания", "Навесы", "Дороги", "Надписи"})
        d.addLayer(l, 7);
    d.polyline("Здания", {{0, 0}, {24, 0}, {24, 12}, {0, 12}}, true);
    d.text("Надписи", {2, 8}, 1.2, "Цех");
    d.text("Надписи", {2, 4}, 1.2, "h=9");
    d.polyline("Здания", {{34, -20}, {46, -20}, {46, 4}, {34, 4}}, true);
    d.text("Надписи", {36, -2}, 1.2, "Склад");
    d.text("Надписи", {36, -6}, 1.2, "12 м");
    d.polyline("Навесы", {{10, -14}, {18, -10}, {15, -4}, {7, -8}}, true);
    d.circle("Здания", {60, 6}, 4);
    d.polyline("Дороги", {{-6, -26}, {70, -26}}, false);
    d.polyline("Дороги", {{-6, -32}, {70, -32}}, false);
    d.polyline("Дороги", {{28, -26}, {28, 16}}, false);
    d.arc("Дороги", {60, 6}, 7, 0, 180);
    d.text("Дороги", {0, -30.5}, 1.5, "ул. Заводская");
    return d.toString();
}

QTreeWidgetItem *layerItem(QTreeWidget *tree, const QString &name)
{
    const auto items = tree->findItems(name, Qt::MatchExactly, 0);
    return items.isEmpty() ? nullptr : items.front();
}

// The event loop runs until the condition holds (a QTRY_ macro would only return from a gtest).
bool waitFor(const std::function<bool()> &done) { return QTest::qWaitFor(done, 10000); }

void saveShot(QWidget *w, const char *file)
{
    const char *dir = std::getenv("KORVAN_SHOTS");
    if (!dir || !*dir)
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(file)));
}

} // namespace

class DxfWindow : public WindowFixture {};

TEST_F(DxfWindow, ImportFromTheMenuUndoAndUnderlay)
{
    QTemporaryDir files;
    const QString dxf = files.filePath(QStringLiteral("site.dxf"));
    std::ofstream(dxf.toStdString(), std::ios::binary) << siteDrawing();
    removeAllProjects();
    const int kod = addProject("одиночный стержневой молниеотвод", {{30, 30}}, {}, 500);
    ProjectWindow &w = open(QSize(1366, 768));

    bool sawPreview = false;
    ModalAnswer import(QStringLiteral("ОК"), [&](QWidget *dlg) {
        auto *file = dlg->findChild<QLineEdit *>(QStringLiteral("edFile"));
        ASSERT_TRUE(file);
        typeInto(file, dxf);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        auto *tree = dlg->findChild<QTreeWidget *>(QStringLiteral("twLayers"));
        ASSERT_TRUE(tree);
        for (const char *name : {"Здания", "Навесы"}) {
            QTreeWidgetItem *item = layerItem(tree, QString::fromUtf8(name));
            ASSERT_TRUE(item) << name;
            // A click on the layer's name makes it current, the space bar ticks it.
            const QPoint at(tree->header()->sectionViewportPosition(0)
                                + tree->header()->sectionSize(0) / 2,
                            tree->visualItemRect(item).center().y());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::keyClick(tree, Qt::Key_Space);
            EXPECT_EQ(item->checkState(0), Qt::Checked) << name;
        }
        EXPECT_EQ(layerItem(tree, QStringLiteral("Здания"))->text(1), QStringLiteral("2"));
        EXPECT_EQ(layerItem(tree, QStringLiteral("Здания"))->text(2), QStringLiteral("1"));
        auto *info = dlg->findChild<QLabel *>(QStringLiteral("lbInfo"));
        sawPreview = info && info->text().contains(QStringLiteral("Объектов: 4."))
                     && info->text().contains(QStringLiteral("контуров (импортируются описанными "
                                                             "прямоугольниками): 1."));
        EXPECT_TRUE(sawPreview) << (info ? info->text().toStdString() : "");
        dlg->resize(1000, 600);
        QApplication::processEvents();
        saveShot(dlg, "dxf-import.png");
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Импорт объектов из DXF...")));
    ASSERT_TRUE(waitFor([&] { return import.done(); }));
    ASSERT_TRUE(waitFor([&] { return snap().objects.size() == 4u; })) << snap().objects.size();
    struct Want {
        const char *name;
        double x, y, L, S, Hx;
    };
    // Grid step 1 m; the shift (1, 13) puts the workshop's top-left corner one step in. Outlines
    // and circles come in drawing order.
    const std::vector<Want> want = {{"Цех", 1, 1, 24, 12, 9},
                                    {"Склад", 35, 9, 12, 24, 12},
                                    {"Навесы 1", 8, 17, 11, 10, 10},
                                    {"Здания 3", 57, 3, 8, 8, 10}};
    for (std::size_t i = 0; i < want.size(); ++i) {
        const ObjectRec &o = snap().objects[i];
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(o.Name.value_or(""), want[i].name);
        EXPECT_EQ(*o.MXa, want[i].x);
        EXPECT_EQ(*o.MYa, want[i].y);
        EXPECT_EQ(*o.L, want[i].L);
        EXPECT_EQ(*o.S, want[i].S);
        EXPECT_EQ(*o.Hx, want[i].Hx);
    }

    // One step: undo takes every imported object away.
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить импорт объектов")));
    ASSERT_TRUE(waitFor([&] { return snap().objects.size() == 0u; })) << snap().objects.size();
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Повторить импорт объектов")));
    ASSERT_TRUE(waitFor([&] { return snap().objects.size() == 4u; })) << snap().objects.size();

    // The same drawing as the underlay: it lines up with the objects and lies beneath the grid.
    QAction *toggle = w.findChild<QAction *>(QStringLiteral("btnUnderlay"));
    ASSERT_TRUE(toggle);
    EXPECT_FALSE(toggle->isEnabled());
    ModalAnswer underlay(QStringLiteral("ОК"), [&](QWidget *dlg) {
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edFile")), dxf);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Подложка...")));
    ASSERT_TRUE(waitFor([&] { return underlay.done(); }));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(toggle->isChecked());
    const UnderlaySettings stored =
        loadUnderlaySettings(QString::fromStdString(dm->dataDir()), kod);
    ASSERT_EQ(stored.kind, UnderlayKind::Dxf);
    // The lower road (drawing y = -32 m) lies at 13 + 32 = 45 m on the plan, the end of the
    // cross road (16 m) 3 m above the plan's top edge.
    const QRectF ext = w.planModel().underlay()->extent;
    EXPECT_NEAR(ext.bottom(), 45, 1e-6);
    EXPECT_NEAR(ext.top(), -3, 1e-6);
    shot("main-underlay.png");
    // Measured on the top view at 1:500 (7.6 px per metre): the roads run where the shift that
    // placed the objects puts them (the cross road at x = 28 + 1 m, the roads at y = 39 and
    // 45 m).
    {
        w.refreshNow();
        const QImage top = w.topView()->grab().toImage();
        std::map<int, int> cols, rows;
        for (int y = 0; y < top.height(); ++y)
            for (int x = 0; x < top.width(); ++x)
                if ((top.pixel(x, y) & 0xffffff) == (kUnderlayColour & 0xffffff)) {
                    ++cols[x];
                    ++rows[y];
                }
        // The pixels of the colour in the column or row within a pixel of the metres given.
        auto runAt = [](const std::map<int, int> &m, double metres) {
            int most = 0;
            for (int p = static_cast<int>(metres * 7.6) - 1; p <= metres * 7.6 + 1; ++p)
                most = std::max(most, m.count(p) ? m.at(p) : 0);
            return most;
        };
        // 42 m of cross road (319 px), 71 m of each road right of the origin (540 px), less
        // what the grid (a dotted line lies on y = 45 m) and the objects cover.
        EXPECT_GT(runAt(cols, 29), 250);
        EXPECT_GT(runAt(rows, 39), 300);
        EXPECT_GT(runAt(rows, 45), 300);
        // The workshop's outline runs under the object's own: none of its 24 m sits a metre off.
        EXPECT_LT(runAt(rows, 0), 40);
        EXPECT_LT(runAt(rows, 2), 40);
    }

    // The tool-bar toggle hides it, and the choice is kept.
    QWidget *button = w.findChild<QToolBar *>(QStringLiteral("ToolBar1"))->widgetForAction(toggle);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() == nullptr; }));
    EXPECT_FALSE(loadUnderlaySettings(QString::fromStdString(dm->dataDir()), kod).shown);
    EXPECT_TRUE(prompter.messages.empty());
}

// A drawing in centimetres takes its units from the file, though the list offers only metres and
// millimetres to choose from, and its objects come out a hundredth of the drawing's numbers.
TEST_F(DxfWindow, DrawingInCentimetres)
{
    QTemporaryDir files;
    const QString dxf = files.filePath(QStringLiteral("cm.dxf"));
    DxfDocument d;
    d.addLayer("Здания", 7);
    d.polyline("Здания", {{0, 0}, {2400, 0}, {2400, 1250}, {0, 1250}}, true);
    std::string text = d.toString();
    const std::size_t units = text.find("\n6\n", text.find("$INSUNITS"));
    ASSERT_NE(units, std::string::npos);
    text.replace(units, 3, "\n5\n");
    std::ofstream(dxf.toStdString(), std::ios::binary) << text;
    removeAllProjects();
    addProject("одиночный стержневой молниеотвод", {{30, 30}}, {}, 500);
    ProjectWindow &w = open(QSize(1366, 768));
    ModalAnswer import(QStringLiteral("ОК"), [&](QWidget *dlg) {
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edFile")), dxf);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        auto *unit = dlg->findChild<QComboBox *>(QStringLiteral("cbUnits"));
        ASSERT_TRUE(unit);
        EXPECT_EQ(unit->currentText(), QStringLiteral("сантиметры"));
        EXPECT_FALSE(unit->isEnabled());
        auto *tree = dlg->findChild<QTreeWidget *>(QStringLiteral("twLayers"));
        QTreeWidgetItem *item = layerItem(tree, QStringLiteral("Здания"));
        ASSERT_TRUE(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(tree->header()->sectionViewportPosition(0) + 20,
                                 tree->visualItemRect(item).center().y()));
        QTest::keyClick(tree, Qt::Key_Space);
        EXPECT_EQ(item->checkState(0), Qt::Checked);
    });
    ASSERT_TRUE(
        chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Импорт объектов из DXF...")));
    ASSERT_TRUE(waitFor([&] { return import.done(); }));
    ASSERT_TRUE(waitFor([&] { return snap().objects.size() == 1u; })) << snap().objects.size();
    EXPECT_EQ(*snap().objects[0].L, 24);
    EXPECT_EQ(*snap().objects[0].S, 12.5);
}

// The zone preview (whose pictures "Сохранить в файле..." writes) draws the underlay as the
// window shows it: present while the tool-bar toggle shows it, gone once it is hidden.
TEST_F(DxfWindow, ZonePreviewDrawsTheUnderlayWhileShown)
{
    const int kod = addProject(kTipSingleRod, {{50, 45}}, {{"Склад", 20, 20, 12, 6, 6, 0x808080}});
    const QString data = QString::fromStdString(dm->dataDir());
    rememberDxfShift(data, kod, {0, 0}, 1.0);
    DxfDocument d;
    d.addLayer("План", 7);
    d.line("План", {30, -10}, {30, -80}); // plan x = 30 m, 20 m left of the rod
    const QString dxf = QDir(data).filePath("../plan.dxf");
    std::ofstream(dxf.toStdString()) << d.toString();
    UnderlaySettings s = loadUnderlaySettings(data, kod);
    s.kind = UnderlayKind::Dxf;
    setUnderlayFile(data, kod, s, dxf);
    ProjectWindow &w = open(QSize(1366, 768));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Молниеотвод"),
                           QStringLiteral("Ориентировочный подбор")));
    w.refreshNow();
    ASSERT_TRUE(snap().conductors.front().H.has_value());

    // Opens the preview from the menu; the underlay-coloured pixels of its top picture.
    const auto previewUnderlayPixels = [&] {
        int count = -1;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *m = qobject_cast<ZonePreviewWindow *>(QApplication::activeModalWidget());
            if (!m || !m->isVisible())
                return;
            poll.stop();
            const QImage top = m->picture(0).convertToFormat(QImage::Format_RGB32);
            count = 0;
            for (int y = 0; y < top.height(); ++y)
                for (int x = 0; x < top.width(); ++x)
                    count += (top.pixel(x, y) & 0xffffff) == (kUnderlayColour & 0xffffff);
            m->close();
        });
        poll.start();
        EXPECT_TRUE(chooseMenu(&w, QStringLiteral("Проект"),
                               QStringLiteral("Просмотр зон защиты...")));
        EXPECT_TRUE(waitFor([&] { return count >= 0; }));
        return count;
    };
    EXPECT_GT(previewUnderlayPixels(), 200);
    QAction *toggle = w.findChild<QAction *>(QStringLiteral("btnUnderlay"));
    ASSERT_TRUE(toggle && toggle->isChecked());
    QTest::mouseClick(w.findChild<QToolBar *>(QStringLiteral("ToolBar1"))->widgetForAction(toggle),
                      Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() == nullptr; }));
    EXPECT_EQ(previewUnderlayPixels(), 0);
    EXPECT_TRUE(prompter.messages.empty());
}

namespace {

// A standard button's text as this installation shows it (translated or not).
QString standardText(QDialogButtonBox::StandardButton b)
{
    QDialogButtonBox box(b);
    return visibleText(box.button(b)->text());
}

// Every file of the underlay folder with its bytes.
std::map<QString, QByteArray> underlayFiles(const QString &dataDir)
{
    std::map<QString, QByteArray> out;
    const QDir dir(underlayFolder(dataDir));
    for (const QString &name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(dir.filePath(name));
        out[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    return out;
}

// The centres, in content pixels, of the clusters of faded red pixels in a picture of the top
// view, left to right and then top to bottom (clusters farther apart than 20 pixels).
std::vector<QPointF> fadedRedSpots(const QImage &img)
{
    struct Acc {
        double x = 0, y = 0;
        int n = 0;
    };
    std::vector<Acc> spots;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (!(c.red() > 235 && c.green() > 120 && c.green() < 200
                  && std::abs(c.green() - c.blue()) < 12))
                continue;
            auto it = std::find_if(spots.begin(), spots.end(), [&](const Acc &a) {
                return std::hypot(a.x / a.n - x, a.y / a.n - y) < 20;
            });
            if (it == spots.end())
                it = spots.insert(spots.end(), Acc{});
            it->x += x + 0.5;
            it->y += y + 0.5;
            ++it->n;
        }
    std::vector<QPointF> out;
    for (const Acc &a : spots)
        out.emplace_back(a.x / a.n, a.y / a.n);
    return out;
}

// The three picked squares of the test picture on the top view at 1:200 (38 px per metre) sit at
// (2, 2), (12, 2) and (12, 12) m, within `tolerance` metres.
void expectPickedSquaresPlaced(ProjectWindow &w, double tolerance)
{
    const std::vector<QPointF> spots = fadedRedSpots(w.topView()->grab().toImage());
    ASSERT_EQ(spots.size(), 3u);
    const QPointF want[] = {{2, 2}, {12, 2}, {12, 12}};
    for (std::size_t i = 0; i < 3; ++i) {
        const QPointF m = spots[i] * (200 / 3800.0);
        EXPECT_NEAR(m.x(), want[i].x(), tolerance) << i;
        EXPECT_NEAR(m.y(), want[i].y(), tolerance) << i;
    }
}

} // namespace

// A picture placed by two points clicked on it lands at true scale; the underlay then lives with
// its project: "Сохранить как" gives the copy its own, deleting a project takes its files, undo
// brings them back byte for byte, a new project starts without one, and
// a copy that cannot be written leaves no project behind. The toggle's choice outlives the window.
TEST_F(DxfWindow, PictureUnderlayPlacedByClicksLivesWithItsProject)
{
    QTemporaryDir files;
    // Red squares of 11 px centred at (100, 50), (300, 50) and (300, 250): 200 px apart.
    QImage plan(400, 300, QImage::Format_RGB32);
    plan.fill(Qt::white);
    for (const QPoint c : {QPoint(100, 50), QPoint(300, 50), QPoint(300, 250)})
        for (int dy = -5; dy <= 5; ++dy)
            for (int dx = -5; dx <= 5; ++dx)
                plan.setPixel(c.x() + dx, c.y() + dy, qRgb(255, 0, 0));
    const QString png = files.filePath(QStringLiteral("plan.png"));
    ASSERT_TRUE(plan.save(png));
    const QString bad = files.filePath(QStringLiteral("bad.png"));
    std::ofstream(bad.toStdString(), std::ios::binary) << "\x89PNG\r\n\x1a\n not a picture";

    removeAllProjects();
    const int a = addProject("одиночный стержневой молниеотвод", {{30, 30}}, {}, 200);
    const QString data = QString::fromStdString(dm->dataDir());
    ProjectWindow &w = open(QSize(1366, 768));
    DialogPrompter dialogs(&w);
    dm->setPrompter(dialogs);

    // A damaged picture: the dialog says so, OK keeps it open, and nothing is stored.
    QString refusal;
    bool stayedOpen = false;
    ModalAnswer cancel(QStringLiteral("Отмена"), [&](QWidget *dlg) {
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edFile")), bad);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edDistance")), QStringLiteral("10"));
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("ОК")));
        stayedOpen = dlg->isVisible();
        for (auto *l : dlg->findChildren<QLabel *>())
            if (l->text().startsWith(QStringLiteral("Файл не читается")))
                refusal = l->text();
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Подложка...")));
    ASSERT_TRUE(waitFor([&] { return cancel.done(); }));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(refusal, QStringLiteral("Файл не читается как рисунок."));
    EXPECT_TRUE(underlayFiles(data).empty());

    // Point 1 on the left square at plan (2, 2), point 2 on the middle one 10 m away.
    ModalAnswer set(QStringLiteral("ОК"), [&](QWidget *dlg) {
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edFile")), png);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        auto *picker = dlg->findChild<QWidget *>(QStringLiteral("pointPicker"));
        ASSERT_TRUE(picker);
        const double fit = std::min(picker->width() / 400.0, picker->height() / 300.0);
        QTest::mouseClick(picker, Qt::LeftButton, {}, (QPointF(100, 50) * fit).toPoint());
        QTest::mouseClick(picker, Qt::LeftButton, {}, (QPointF(300, 50) * fit).toPoint());
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edDistance")), QStringLiteral("10"));
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edX")), QStringLiteral("2"));
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edY")), QStringLiteral("2"));
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Подложка...")));
    ASSERT_TRUE(waitFor([&] { return set.done(); }));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));
    w.refreshNow();
    // Within a click's rounding and a pixel.
    expectPickedSquaresPlaced(w, 0.08);

    const auto withA = underlayFiles(data);
    ASSERT_EQ(withA.size(), 2u);
    QFile source(png);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(withA.at(QString::number(a) + ".png"), source.readAll());

    // "Сохранить как": the copy has its own underlay, placed the same.
    ModalAnswer name(QStringLiteral("ОК"), [](QWidget *d) {
        typeInto(d->findChild<QLineEdit *>(), QStringLiteral("Копия"));
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Сохранить как...")));
    ASSERT_TRUE(waitFor([&] { return name.done(); }));
    const int c = doc().projectKod();
    ASSERT_NE(c, a);
    const auto withCopy = underlayFiles(data);
    ASSERT_EQ(withCopy.size(), 4u);
    EXPECT_EQ(withCopy.at(QString::number(c) + ".png"), withA.at(QString::number(a) + ".png"));
    UnderlaySettings sa = loadUnderlaySettings(data, a), sc = loadUnderlaySettings(data, c);
    EXPECT_EQ(sc.file, std::to_string(c) + ".png");
    sc.file = sa.file;
    EXPECT_EQ(sc, sa);
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));

    // Delete, undo, redo: the copy's files go, come back byte for byte, go again.
    ModalAnswer yes(standardText(QDialogButtonBox::Yes));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Удалить...")));
    ASSERT_TRUE(waitFor([&] { return yes.done(); }));
    EXPECT_EQ(underlayFiles(data), withA);
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить удаление проекта")));
    EXPECT_EQ(underlayFiles(data), withCopy);
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Повторить удаление проекта")));
    EXPECT_EQ(underlayFiles(data), withA);

    // A new project starts without an underlay; undoing back to the deleted project brings its
    // files again.
    ModalAnswer create(QStringLiteral("ОК"));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Создать...")));
    ASSERT_TRUE(waitFor([&] { return create.done(); }));
    const int created = doc().projectKod();
    EXPECT_NE(created, c);
    EXPECT_EQ(underlayFiles(data), withA);
    w.refreshNow();
    EXPECT_EQ(w.planModel().underlay(), nullptr);
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить создание проекта")));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить удаление проекта")));
    EXPECT_EQ(underlayFiles(data), withCopy);
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"),
                           QStringLiteral("Отменить сохранение проекта под другим именем")));
    EXPECT_EQ(underlayFiles(data), withA);
    ASSERT_EQ(doc().projectKod(), a);

    // A copy whose underlay cannot be written (its settings' name is taken by a folder; keys are
    // not given twice, so the next ones are blocked) is no copy at all.
    for (int k = created + 1; k <= created + 3; ++k)
        ASSERT_TRUE(QDir().mkpath(underlayFolder(data) + "/" + QString::number(k) + ".json"));
    const auto blocked = underlayFiles(data);
    const std::size_t projects = dm->project().recordCount();
    std::optional<ModalAnswer> error;
    ModalAnswer name2(QStringLiteral("ОК"), [&](QWidget *d) {
        typeInto(d->findChild<QLineEdit *>(), QStringLiteral("Копия"));
        error.emplace(standardText(QDialogButtonBox::Ok), std::function<void(QWidget *)>(), d);
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Сохранить как...")));
    ASSERT_TRUE(waitFor([&] { return name2.done() && error && error->done(); }));
    EXPECT_TRUE(error->text().contains(QStringLiteral("Файл подложки не записан")))
        << error->text().toStdString();
    EXPECT_EQ(static_cast<std::size_t>(dm->project().recordCount()), projects);
    EXPECT_EQ(doc().projectKod(), a);
    EXPECT_EQ(underlayFiles(data), blocked);

    // Hidden with the toggle, the underlay stays hidden in a new window over the folder.
    QAction *toggle = w.findChild<QAction *>(QStringLiteral("btnUnderlay"));
    QTest::mouseClick(w.findChild<QToolBar *>(QStringLiteral("ToolBar1"))->widgetForAction(toggle),
                      Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() == nullptr; }));
    dm->setPrompter(prompter);
    window.reset();
    ProjectWindow &again = open(QSize(1366, 768));
    toggle = again.findChild<QAction *>(QStringLiteral("btnUnderlay"));
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(again.planModel().underlay(), nullptr);
    QWidget *toggleButton =
        again.findChild<QToolBar *>(QStringLiteral("ToolBar1"))->widgetForAction(toggle);
    QTest::mouseClick(toggleButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return again.planModel().underlay() != nullptr; }));

    // A stored copy damaged behind the program's back: shown, nothing is drawn, and the toggle's
    // tip and the status bar say why.
    QTest::mouseClick(toggleButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return again.planModel().underlay() == nullptr; }));
    {
        QFile copy(QDir(underlayFolder(data)).filePath(QString::number(a) + QStringLiteral(".png")));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
        copy.write("not a picture");
    }
    QTest::mouseClick(toggleButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return toggle->toolTip().contains(QLatin1Char('\n')); }));
    EXPECT_EQ(again.planModel().underlay(), nullptr);
    const QString why = toggle->toolTip().section(QLatin1Char('\n'), 1);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(again.findChild<QLabel *>(QStringLiteral("panel4"))->text(), why);
}

// A PDF page chosen in the dialog, placed by two clicks, lands at true scale; a damaged PDF is
// refused in the dialog; setting and removing the underlay are steps that undo byte for byte.
TEST_F(DxfWindow, PdfPageUnderlayAndItsUndo)
{
    QTemporaryDir files;
    const QString pdf = files.filePath(QStringLiteral("plan.pdf"));
    {
        // Page 1 blank; page 2 with red squares of 30 px at 150 dpi, centred at (300, 300),
        // (900, 300) and (900, 900).
        QPdfWriter writer(pdf);
        writer.setResolution(150);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&writer);
        writer.newPage();
        for (const QPoint c : {QPoint(300, 300), QPoint(900, 300), QPoint(900, 900)})
            p.fillRect(QRect(c - QPoint(15, 15), QSize(30, 30)), Qt::red);
    }
    const QString bad = files.filePath(QStringLiteral("bad.pdf"));
    std::ofstream(bad.toStdString(), std::ios::binary) << "%PDF-1.4\n1 0 obj << /Pages 9 0 R >>";

    removeAllProjects();
    const int a = addProject("одиночный стержневой молниеотвод", {{30, 30}}, {}, 200);
    const QString data = QString::fromStdString(dm->dataDir());
    ProjectWindow &w = open(QSize(1366, 768));
    DialogPrompter dialogs(&w);
    dm->setPrompter(dialogs);

    QString refusal;
    ModalAnswer set(QStringLiteral("ОК"), [&](QWidget *dlg) {
        auto *file = dlg->findChild<QLineEdit *>(QStringLiteral("edFile"));
        typeInto(file, bad);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        for (auto *l : dlg->findChildren<QLabel *>())
            if (l->text().startsWith(QStringLiteral("Файл не читается")))
                refusal = l->text();
        typeInto(file, pdf);
        ASSERT_TRUE(clickButton(dlg, QStringLiteral("Прочитать")));
        auto *page = dlg->findChild<QSpinBox *>(QStringLiteral("sbPage"));
        page->setFocus();
        QTest::keyClick(page, Qt::Key_Up);
        ASSERT_EQ(page->value(), 2);
        auto *picker = dlg->findChild<QWidget *>(QStringLiteral("pointPicker"));
        const double fit = std::min(picker->width() / 1240.0, picker->height() / 1754.0);
        QTest::mouseClick(picker, Qt::LeftButton, {}, (QPointF(300, 300) * fit).toPoint());
        QTest::mouseClick(picker, Qt::LeftButton, {}, (QPointF(900, 300) * fit).toPoint());
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edDistance")), QStringLiteral("10"));
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edX")), QStringLiteral("2"));
        typeInto(dlg->findChild<QLineEdit *>(QStringLiteral("edY")), QStringLiteral("2"));
    });
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Подложка...")));
    ASSERT_TRUE(waitFor([&] { return set.done(); }));
    EXPECT_EQ(refusal, QStringLiteral("Файл не читается как рисунок."));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));
    EXPECT_EQ(loadUnderlaySettings(data, a).page, 1);
    w.refreshNow();
    // 600 page pixels are 10 m; a click's rounding is under 3 of them (0.05 m).
    expectPickedSquaresPlaced(w, 0.1);
    const auto withPdf = underlayFiles(data);
    ASSERT_EQ(withPdf.size(), 2u);

    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить установку подложки")));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() == nullptr; }));
    EXPECT_TRUE(underlayFiles(data).empty());
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Повторить установку подложки")));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));
    EXPECT_EQ(underlayFiles(data), withPdf);

    ModalAnswer remove(QStringLiteral("Убрать подложку"));
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Проект"), QStringLiteral("Подложка...")));
    ASSERT_TRUE(waitFor([&] { return remove.done(); }));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() == nullptr; }));
    EXPECT_EQ(underlayFiles(data).count(QString::number(a) + ".pdf"), 0u);
    ASSERT_TRUE(chooseMenu(&w, QStringLiteral("Правка"), QStringLiteral("Отменить удаление подложки")));
    ASSERT_TRUE(waitFor([&] { return w.planModel().underlay() != nullptr; }));
    EXPECT_EQ(underlayFiles(data), withPdf);
}
