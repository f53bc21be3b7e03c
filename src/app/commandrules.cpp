#include "app/commandrules.h"

#include <QHash>

#include <functional>

namespace kv {

namespace {

using Rule = std::function<bool(const CommandState &)>;

bool always(const CommandState &) { return true; }
bool anyProject(const CommandState &s) { return s.projects > 0; }
bool severalProjects(const CommandState &s) { return s.projects > 1; }
bool anyObject(const CommandState &s) { return s.projects > 0 && s.objects > 0; }
bool severalObjects(const CommandState &s) { return s.projects > 0 && s.objects > 1; }
bool chosen(const CommandState &s) { return s.projects > 0 && s.chosen; }
bool multiRod(const CommandState &s) { return s.projects > 0 && s.multiRod; }
bool rodToSpare(const CommandState &s) { return multiRod(s) && s.rods > 2; }
bool placeable(const CommandState &s) { return anyObject(s) && !s.multiRod; }
bool placeableHere(const CommandState &s) { return !s.multiRod; }

const QHash<QString, Rule> &rules()
{
    static const QHash<QString, Rule> r = {
        // Tool bar, refreshed after every command.
        {QStringLiteral("btnNewProj"), always},
        {QStringLiteral("btnOpenProj"), severalProjects},
        {QStringLiteral("btnPreview"), anyObject},
        {QStringLiteral("btnReport"), anyObject},
        {QStringLiteral("btnKoordMO"), anyProject},
        {QStringLiteral("btnAlignMO"), anyObject},
        {QStringLiteral("btnPodbor"), anyObject},
        {QStringLiteral("btnSelectMO"), anyObject},
        {QStringLiteral("btnAddObject"), anyProject},
        {QStringLiteral("btnDeleteObject"), anyObject},
        {QStringLiteral("btnEditObject"), anyObject},
        {QStringLiteral("btnCopyObject"), anyObject},
        {QStringLiteral("btnAlignObMO"), anyObject},
        {QStringLiteral("btnAlignObOb"), severalObjects},
        {QStringLiteral("SpeedButton1"), always},
        {QStringLiteral("chkAutoPodbor"), anyObject},
        {QStringLiteral("SpinScale"), anyProject},
        {QStringLiteral("btnFitView"), anyProject},
        // Menu "Проект".
        {QStringLiteral("mnCreateProj"), always},
        {QStringLiteral("mnOpenProj"), severalProjects},
        {QStringLiteral("mnEditProj"), anyProject},
        {QStringLiteral("mnDeleteProj"), anyProject},
        {QStringLiteral("mnSaveAsProj"), anyProject},
        {QStringLiteral("mnOpenFile"), always},
        {QStringLiteral("mnSaveFile"), anyProject},
        {QStringLiteral("mnLinkToGrid"), anyProject},
        {QStringLiteral("mnImportDxf"), anyProject},
        {QStringLiteral("mnUnderlay"), anyProject},
        {QStringLiteral("mnPreview"), anyObject},
        {QStringLiteral("mnReport"), anyObject},
        {QStringLiteral("mnReportPdf"), anyObject},
        {QStringLiteral("mnExit"), always},
        // Menu "Вид".
        {QStringLiteral("mnFitView"), anyProject},
        // Menu "Молниеотвод".
        {QStringLiteral("mnAlignMO"), anyObject},
        {QStringLiteral("mnKoordMO"), anyProject},
        {QStringLiteral("mnPodbor"), anyObject},
        {QStringLiteral("mnPlacement"), placeable},
        {QStringLiteral("mnSphere"), anyObject},
        {QStringLiteral("mnAddRod"), multiRod},
        {QStringLiteral("mnDeleteRod"), rodToSpare},
        {QStringLiteral("mnSelectMO"), anyObject},
        {QStringLiteral("mnClearMO"), chosen},
        // Menu "Объект".
        {QStringLiteral("mnAddObj"), anyProject},
        {QStringLiteral("mnEditObj"), anyObject},
        {QStringLiteral("mnDeleteObj"), anyObject},
        {QStringLiteral("mnCloneObj"), anyObject},
        {QStringLiteral("mnAlignObj"), anyObject},
        {QStringLiteral("mnAlignObMO"), anyObject},
        {QStringLiteral("mnAlignObOb"), severalObjects},
        {QStringLiteral("mnDiagrams"), severalObjects},
        // "Справочники", "Параметры", "Помощь".
        {QStringLiteral("mnPoraj"), always},
        {QStringLiteral("mnClasses"), always},
        {QStringLiteral("mnConstructions"), always},
        {QStringLiteral("mnObjNames"), always},
        {QStringLiteral("N6"), always},
        {QStringLiteral("mnReportSettings"), always},
        {QStringLiteral("mnHelp"), always},
        {QStringLiteral("mnAbout"), always},
        // Conductor pop-up: the coordinates and the placement are always offered there.
        {QStringLiteral("pmAlignMO"), anyObject},
        {QStringLiteral("pmKoordMO"), always},
        {QStringLiteral("pmPodbor"), anyObject},
        {QStringLiteral("pmPlacement"), placeableHere},
        {QStringLiteral("pmAddRod"), multiRod},
        {QStringLiteral("pmDeleteRod"), rodToSpare},
        {QStringLiteral("pmSelectMO"), anyObject},
        {QStringLiteral("pmClearMO"), chosen},
        // Object pop-up. It also opens over the empty plan, so the commands that act on an
        // object need one even there.
        {QStringLiteral("pmAddObj"), anyProject},
        {QStringLiteral("pmEditObj"), anyObject},
        {QStringLiteral("pmDeleteObj"), anyObject},
        {QStringLiteral("pmCloneObj"), anyObject},
        {QStringLiteral("pmAlignObj"), anyObject},
        {QStringLiteral("pmAlignObMO"), anyObject},
        {QStringLiteral("pmAlignObOb"), severalObjects},
    };
    return r;
}

} // namespace

bool commandEnabled(const QString &name, const CommandState &s)
{
    const auto it = rules().find(name);
    return it == rules().end() || it.value()(s);
}

const QStringList &ruledCommandNames()
{
    static const QStringList names = [] {
        QStringList n = rules().keys();
        n.sort();
        return n;
    }();
    return names;
}

} // namespace kv
