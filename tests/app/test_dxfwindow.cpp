// The DXF import and the underlay driven as a user does: the dialogs opened from the menu, a
// file typed, a layer ticked, OK clicked; undo; the tool-bar toggle.

#include "app/zonepreviewwindow.h"
#include "plan/dxfwriter.h"
#include "plan/underlay.h"
#include "userinput.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <fstream>

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
