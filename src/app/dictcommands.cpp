#include "app/dictcommands.h"

#include "app/aligndialogs.h"
#include "app/projectdocument.h"
#include "app/projectwindow.h"
#include "calc/numfmt.h"
#include "data/alignops.h"
#include "data/podborops.h"
#include "dict/classwindow.h"
#include "dict/constructionwindow.h"
#include "dict/namewindow.h"
#include "dict/settingswindow.h"
#include "dict/thunderstormwindow.h"
#include "widgets/dialogrunner.h"

#include <QButtonGroup>

namespace kv {

namespace {

int runModal(QDialog &d) { return runDialog(d); }

int conductorColor(const ProjectDocument &doc) { return doc.settings().MOColor.value_or(255); }

} // namespace

int currentConductorPosition(const ProjectDocument &doc)
{
    const Selection s = doc.selection();
    if (s.kind == Selection::Conductor)
        return s.position;
    const Table &mo = doc.dataModule().mo();
    return mo.isOpen() && mo.recNo() > 0 ? 1 : 0;
}

int currentObjectKod(const ProjectDocument &doc)
{
    const Selection s = doc.selection();
    if (s.kind == Selection::Object && doc.object(s.objectKod))
        return s.objectKod;
    const Table &obj = doc.dataModule().object();
    if (!obj.isOpen() || obj.isEmpty() || obj.bookmark() < 0)
        return -1;
    return obj.asInt("Kod");
}

bool cmdAlignConductor(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject() || doc.snapshot().objects.empty())
        return false;
    AlignConductorDialog d(doc.snapshot(), conductorColor(doc), parent);
    if (runModal(d) != QDialog::Accepted)
        return false;
    const int pos = currentConductorPosition(doc), kod = d.objectKod();
    const int h = d.horizontal()->checkedId(), v = d.vertical()->checkedId();
    const double step = doc.gridStep();
    DataModule &dm = doc.dataModule();
    return doc.execute(QStringLiteral("выравнивание молниеотвода"),
                       [&] { alignConductorToObject(dm, pos, kod, h, v, step); });
}

bool cmdConductorCoords(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject())
        return false;
    const int pos = currentConductorPosition(doc);
    ConductorCoordsDialog d(doc.snapshot(), pos, doc.prompter(), parent);
    if (runModal(d) != QDialog::Accepted)
        return false;
    const CoordKind kind = d.kind();
    const double x = d.x(), y = d.y(), step = doc.gridStep();
    const int kod = d.objectKod();
    const AlignPoint p = d.point();
    DataModule &dm = doc.dataModule();
    return doc.execute(QStringLiteral("изменение координат молниеотвода"),
                       [&] { setConductorCoords(dm, pos, kind, x, y, kod, p, step); });
}

bool cmdAlignObjectToConductor(ProjectDocument &doc, QWidget *parent)
{
    const int kod = currentObjectKod(doc);
    if (!doc.hasProject() || kod < 0)
        return false;
    AlignObjectToConductorDialog d(doc.snapshot(), kod, conductorColor(doc), parent);
    if (runModal(d) != QDialog::Accepted)
        return false;
    const int pos = currentConductorPosition(doc);
    const AlignPoint p = d.point();
    const double step = doc.gridStep();
    DataModule &dm = doc.dataModule();
    return doc.execute(QStringLiteral("выравнивание объекта"),
                       [&] { alignObjectToConductor(dm, kod, p, pos, step); });
}

bool cmdAlignObjectToObject(ProjectDocument &doc, QWidget *parent)
{
    const int kod = currentObjectKod(doc);
    if (!doc.hasProject() || kod < 0 || doc.snapshot().objects.size() < 2)
        return false;
    AlignObjectToObjectDialog d(doc.snapshot(), kod, parent);
    if (runModal(d) != QDialog::Accepted)
        return false;
    const int binding = d.bindingKod();
    const AlignPoint p = d.pointOfAligned(), q = d.pointOfBinding();
    const double step = doc.gridStep();
    DataModule &dm = doc.dataModule();
    return doc.execute(QStringLiteral("выравнивание объекта"),
                       [&] { alignObjectToObject(dm, kod, p, binding, q, step); });
}

bool cmdChooseConstruction(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject() || doc.snapshot().objects.empty())
        return false;
    DataModule &dm = doc.dataModule();
    ConstructionWindow w(dm, ConstructionWindow::Choice, parent);
    if (runModal(w) != QDialog::Accepted || !w.chosenKod())
        return false;
    const int kod = *w.chosenKod();
    // A construction lower than the design height is chosen only when the user says so, knowing
    // which objects it leaves unprotected.
    if (const auto check = checkConstruction(dm, kod); check && check->belowDesign()) {
        std::string q =
            "Выбранный молниеотвод ниже расчетной высоты: H = " + formatGeneral(check->height) +
            " м, расчетная высота " + formatGeneral(*check->designHeight) + " м.";
        if (!check->unprotected.empty()) {
            q += "\rНе будут защищены объекты:";
            for (const auto &n : check->unprotected)
                q += "\r\"" + n + "\"";
        }
        q += "\rПродолжить?";
        if (!doc.prompter().ask(q))
            return false;
    }
    const bool ok = doc.execute(
        QStringLiteral("выбор молниеотвода"),
        [&] {
            if (!chooseConstruction(dm, kod))
                throw TableError(kMsgSearchFailed);
        },
        ProjectDocument::Rows, false, std::string("1"));
    if (ok)
        doc.setZoneSuffix(std::string("1"));
    return ok;
}

bool cmdClearChosenConstruction(ProjectDocument &doc)
{
    if (!doc.hasProject())
        return false;
    DataModule &dm = doc.dataModule();
    return doc.execute(QStringLiteral("очистку данных выбранного молниеотвода"),
                       [&] { clearChosenConstruction(dm); });
}

void showThunderstormDictionary(ProjectDocument &doc, QWidget *parent)
{
    ThunderstormWindow w(doc.dataModule(), parent);
    runModal(w);
}

void showClassDictionary(ProjectDocument &doc, QWidget *parent)
{
    ClassWindow w(doc.dataModule(), parent);
    runModal(w);
}

void showConstructionDictionary(ProjectDocument &doc, QWidget *parent)
{
    ConstructionWindow w(doc.dataModule(), ConstructionWindow::Browse, parent);
    runModal(w);
}

void showNameDictionary(ProjectDocument &doc, QWidget *parent)
{
    NameWindow w(doc.dataModule(), parent);
    runModal(w);
}

bool cmdSettings(ProjectDocument &doc, QWidget *parent)
{
    const double before = doc.gridStep();
    SettingsWindow w(doc.dataModule(), parent);
    if (runModal(w) != QDialog::Accepted)
        return false;
    doc.notifySettingsChanged();
    if (!doc.hasProject())
        return true;
    // Positions move only when the grid step changed; the selection runs either way when
    // "Автоподбор" is ticked, since the double-rod limits may have changed.
    if (doc.gridStep() != before)
        return doc.snapAllToGrid();
    if (doc.autoPodbor())
        return doc.runPodbor();
    return true;
}

void wireDictCommands(ProjectWindow &w)
{
    ProjectWindow *win = &w;
    const auto doc = [win]() -> ProjectDocument & { return *win->document(); };
    const std::pair<const char *, std::function<void()>> commands[] = {
        {"mnAlignMO", [=] { cmdAlignConductor(doc(), win); }},
        {"mnKoordMO", [=] { cmdConductorCoords(doc(), win); }},
        {"mnAlignObMO", [=] { cmdAlignObjectToConductor(doc(), win); }},
        {"mnAlignObOb", [=] { cmdAlignObjectToObject(doc(), win); }},
        {"mnSelectMO", [=] { cmdChooseConstruction(doc(), win); }},
        {"mnClearMO", [=] { cmdClearChosenConstruction(doc()); }},
        {"mnPoraj", [=] { showThunderstormDictionary(doc(), win); }},
        {"mnClasses", [=] { showClassDictionary(doc(), win); }},
        {"mnConstructions", [=] { showConstructionDictionary(doc(), win); }},
        {"mnObjNames", [=] { showNameDictionary(doc(), win); }},
        {"N6", [=] { cmdSettings(doc(), win); }},
    };
    for (const auto &[name, handler] : commands)
        w.wire(QString::fromLatin1(name), handler);
}

} // namespace kv
