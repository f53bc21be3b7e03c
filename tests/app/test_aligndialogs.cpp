// The positioning dialogs, driven through their widgets over a project snapshot.

#include "app/aligndialogs.h"
#include "app/alignpreview.h"
#include "data/recordingprompter.h"
#include "widgets/helpwindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kv;

namespace {

ObjectRec object(int kod, const char *name, double x, double y, double l, double s, int color)
{
    ObjectRec o;
    o.Kod = kod;
    o.Name = name;
    o.MXa = x;
    o.MYa = y;
    o.L = l;
    o.S = s;
    o.ObjColor = color;
    return o;
}

ProjectSnapshot project(std::vector<std::pair<double, double>> mos, std::vector<ObjectRec> objs)
{
    ProjectSnapshot s;
    s.project.TipMO = mos.size() > 1 ? "одиночный тросовый молниеотвод"
                                     : "одиночный стержневой молниеотвод";
    for (auto [x, y] : mos) {
        ConductorRec c;
        c.MX = x;
        c.MY = y;
        s.conductors.push_back(c);
    }
    s.objects = std::move(objs);
    return s;
}

void shot(QWidget *w, const char *name)
{
    w->show();
    QApplication::processEvents();
    const QString folder = qEnvironmentVariable("KORVAN_SHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        w->grab().save(folder + QLatin1Char('/') + QLatin1String(name));
    }
}

QStringList items(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

void clickRadio(QButtonGroup *g, int id) { g->button(id)->click(); }

// Types text key by key, as the keyboard would (the key filters see every key).
void typeKeys(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

} // namespace

TEST(AlignDialogs, ConductorToObject)
{
    const ProjectSnapshot s = project(
        {{1, 1}}, {object(4, "Склад", 10, 4, 5, 2, 0x00ff00), object(7, "Котельная", 0, 0, 3, 3, 0xff)});
    AlignConductorDialog d(s, 255);
    EXPECT_EQ(d.windowTitle(), "Выравнивание молниеотвода.");
    EXPECT_EQ(items(d.objectList()), (QStringList{"Склад", "Котельная"}));
    EXPECT_EQ(d.objectKod(), 4);
    // OK only while one of the groups is not "нет".
    clickRadio(d.horizontal(), 0);
    clickRadio(d.vertical(), 0);
    EXPECT_FALSE(d.okButton()->isEnabled());
    clickRadio(d.horizontal(), 2);
    EXPECT_TRUE(d.okButton()->isEnabled());
    // The preview marker sits on the middle of the object's top view.
    const auto &it = d.preview()->items();
    ASSERT_EQ(it.size(), 2u);
    EXPECT_EQ(it[1].rect.center().x(), it[0].rect.center().x());
    EXPECT_EQ(it[0].color, QColor(0, 255, 0));
    EXPECT_EQ(d.preview()->hintAt(it[0].rect.topLeft() + QPointF(2, 30)), "Объект выравнивания ");
    EXPECT_EQ(d.preview()->hintAt(it[1].rect.center()), "Выравниваемый молниеотвод");
    clickRadio(d.vertical(), 3);
    shot(&d, "align-conductor.png");
    d.objectList()->setCurrentIndex(1);
    EXPECT_EQ(d.objectKod(), 7);
    d.okButton()->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    // The choices are kept for the next opening.
    AlignConductorDialog again(s, 255);
    EXPECT_EQ(again.horizontal()->checkedId(), 2);
    EXPECT_EQ(again.vertical()->checkedId(), 3);
}

TEST(AlignDialogs, ConductorCoordinates)
{
    RecordingPrompter prompter;
    const std::vector<ObjectRec> objs{object(3, "Башня", 10, 10, 5, 3, 0xff0000)};
    {
        // A single rod offers no "other support"; without objects only absolute coordinates.
        const ProjectSnapshot single = project({{3.3, 4}}, {});
        ConductorCoordsDialog d(single, 0, prompter);
        EXPECT_EQ(d.kindGroup()->buttons().size(), 2);
        EXPECT_FALSE(d.kindBox()->isEnabled());
        EXPECT_EQ(d.kind(), CoordKind::Absolute);
        EXPECT_EQ(d.editX()->text(), "3,3");
        EXPECT_EQ(d.editY()->text(), "4");
        // Absolute: the minus is refused, down stops above the step.
        d.editX()->clear();
        typeKeys(d.editX(), "-1a");
        EXPECT_EQ(d.editX()->text(), "1");
        d.stepButton(0, 0, false)->click();
        EXPECT_EQ(d.editX()->text(), "1");
        d.stepButton(0, 1, true)->click();
        d.stepButton(0, 2, true)->click();
        EXPECT_EQ(d.editX()->text(), "1,11");
        d.stepButton(0, 0, false)->click();
        EXPECT_EQ(d.editX()->text(), "0,11");
        EXPECT_EQ(d.stepButton(1, 1, true)->toolTip(), "Изменить значение параметра на 0,1");
        // A field that is not a number keeps the dialog open with the message, focus on it.
        d.show();
        d.editY()->setText(",");
        d.okButton()->click();
        EXPECT_EQ(prompter.errors(),
                  std::vector<std::string>{"Ошибочное значение для числового параметра."});
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), d.editY());
        d.reject();
    }
    const ProjectSnapshot cable = project({{5, 5}, {20, 20}}, objs);
    ConductorCoordsDialog d(cable, 1, prompter);
    ASSERT_EQ(d.kindGroup()->buttons().size(), 3);
    EXPECT_EQ(d.kindGroup()->button(1)->text(), "относительно другой опоры молниеотвода");
    clickRadio(d.kindGroup(), 1);
    EXPECT_FALSE(d.objectList()->isEnabled());
    EXPECT_EQ(d.editX()->text(), "15");
    // Relative to the centre of the object at (10, 10), 5 × 3: MX − 12,5 and MY − 11,5.
    clickRadio(d.kindGroup(), 2);
    EXPECT_TRUE(d.pointBox()->isEnabled());
    clickRadio(d.pointGroup(), 4);
    EXPECT_EQ(d.editX()->text(), "7,5");
    EXPECT_EQ(d.editY()->text(), "8,5");
    // Relative values may go negative, by typing and by stepping.
    d.editX()->clear();
    typeKeys(d.editX(), "-2");
    EXPECT_EQ(d.editX()->text(), "-2");
    d.editY()->setText("0");
    d.stepButton(1, 0, false)->click();
    EXPECT_EQ(d.editY()->text(), "-1");
    EXPECT_EQ(d.preview()->items()[1].hint, "Точка привязки");
    shot(&d, "coords-conductor.png");
    d.okButton()->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.kind(), CoordKind::RelativeToObject);
    EXPECT_EQ(d.objectKod(), 3);
    EXPECT_EQ(d.point(), AlignPoint::Center);
    EXPECT_EQ(d.x(), -2);
    EXPECT_EQ(d.y(), -1);
}

TEST(AlignDialogs, ObjectToConductorAndToObject)
{
    const ProjectSnapshot s =
        project({{20, 10}}, {object(1, "Склад", 0, 0, 6, 4, 0xff), object(2, "Склад", 9, 9, 2, 2, 0),
                             object(3, "Гараж", 30, 5, 8, 6, 0xff0000)});
    AlignObjectToConductorDialog a(s, 1, 255);
    EXPECT_EQ(a.windowTitle(), "Выравнивание объекта относительно молниеотвода.");
    ASSERT_EQ(a.pointGroup()->buttons().size(), 9);
    EXPECT_EQ(a.pointGroup()->button(8)->text(), "середина нижней стороны");
    clickRadio(a.pointGroup(), 2); // bottom right on the marker
    const auto &it = a.preview()->items();
    EXPECT_EQ(it[0].rect.bottomRight(), it[1].rect.center());
    EXPECT_EQ(it[0].hint, "Выравниваемый объект ");
    EXPECT_EQ(it[1].hint, "Молниеотвод");
    shot(&a, "align-object-conductor.png");
    a.okButton()->click();
    EXPECT_EQ(a.point(), AlignPoint::BottomRight);

    AlignObjectToObjectDialog b(s, 1);
    EXPECT_EQ(b.windowTitle(), "Выравнивание объекта относительно другого объекта.");
    EXPECT_EQ(b.alignedName()->text(), "Склад");
    EXPECT_TRUE(b.alignedName()->isReadOnly());
    // Objects of the same name are not offered.
    EXPECT_EQ(items(b.bindingList()), QStringList{"Гараж"});
    EXPECT_EQ(b.bindingKod(), 3);
    clickRadio(b.alignedPoint(), 0);
    clickRadio(b.bindingPoint(), 7);
    const auto &bi = b.preview()->items();
    EXPECT_EQ(bi[1].rect.topLeft(), QPointF(bi[0].rect.right(), bi[0].rect.center().y()));
    shot(&b, "align-object-object.png");
    b.okButton()->click();
    EXPECT_EQ(b.result(), QDialog::Accepted);
    EXPECT_EQ(b.pointOfBinding(), AlignPoint::RightMiddle);

    // Only same-named objects: nothing to align to, OK stays disabled.
    const ProjectSnapshot twins = project({{0, 0}}, {object(1, "А", 0, 0, 1, 1, 0), object(2, "А", 5, 5, 1, 1, 0)});
    AlignObjectToObjectDialog c(twins, 1);
    EXPECT_EQ(c.bindingList()->count(), 0);
    EXPECT_FALSE(c.okButton()->isEnabled());
}

TEST(AlignDialogs, HelpTopics)
{
    // Conductor alignment 9, coordinates 3, object to the conductor 1, object to object 2.
    const ProjectSnapshot s =
        project({{0, 0}}, {object(1, "А", 0, 0, 1, 1, 0), object(2, "Б", 5, 5, 1, 1, 0)});
    RecordingPrompter prompter;
    AlignConductorDialog a(s, 255);
    ConductorCoordsDialog b(s, 0, prompter);
    AlignObjectToConductorDialog c(s, 1, 255);
    AlignObjectToObjectDialog d(s, 1);
    const std::pair<QDialog *, int> cases[] = {{&a, 9}, {&b, 3}, {&c, 1}, {&d, 2}};
    for (const auto &[dialog, topic] : cases) {
        dialog->findChild<QPushButton *>("btnHelp")->click();
        auto *help = dialog->findChild<HelpWindow *>();
        ASSERT_TRUE(help);
        EXPECT_TRUE(help->browser()->source().toString().endsWith(
            QStringLiteral("topic-%1.html").arg(topic)))
            << help->browser()->source().toString().toStdString();
        help->close();
    }
}
