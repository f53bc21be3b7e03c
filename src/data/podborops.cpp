#include "data/podborops.h"

#include "data/multirodstore.h"
#include "data/snapshot.h"
#include "data/textutil.h"

namespace kv {

void showMessages(DataModule &dm, const CalcMessages &messages)
{
    for (const CalcMessage &m : messages) {
        switch (m.kind) {
        case MessageKind::Error:
            dm.prompter().error(m.text);
            break;
        case MessageKind::Warning:
            dm.prompter().warning(m.text);
            break;
        case MessageKind::Info:
            dm.prompter().info(m.text);
            break;
        }
    }
}

PodborResult runAutoPodbor(DataModule &dm, CalcMessages *shown)
{
    ProjectSnapshot snap = loadCurrentProject(dm);
    CalcMessages messages;
    PodborResult r;
    if (conductorTypeOf(snap.project.TipMO.value_or("")) == ConductorType::MultiRod) {
        const MultiRodResult m = PodborMultiRod(snap, loadSettings(dm), messages);
        r = m.podbor;
        if (r.ran)
            storeMultiRodResults(dm, snap, m);
    } else {
        r = AutoPodbor(snap, loadSettings(dm), loadSagTable(dm), messages);
        if (r.ran)
            storeProjectResults(dm, snap);
    }
    showMessages(dm, messages);
    if (shown)
        shown->insert(shown->end(), messages.begin(), messages.end());
    return r;
}

void chooseConstruction(DataModule &dm, const ChosenConstruction &chosen, CalcMessages *shown)
{
    // A group name may be longer than the conductor's note field: the note keeps its beginning,
    // as the copy of an object cuts its label.
    ChosenConstruction c = chosen;
    if (const FieldDef *f = dm.mo().def().field("Prim"))
        c.Prim = utf8Prefix(c.Prim, static_cast<std::size_t>(f->size));
    if (const FieldDef *f = dm.mo().def().field("Tip"))
        c.Tip = utf8Prefix(c.Tip, static_cast<std::size_t>(f->size));
    ProjectSnapshot snap = loadCurrentProject(dm);
    CalcMessages messages;
    const SettingsRec settings = loadSettings(dm);
    ChooseConstruction(snap, c, settings, loadSagTable(dm), messages);
    if (conductorTypeOf(snap.project.TipMO.value_or("")) == ConductorType::MultiRod) {
        // Every pair's zones at the chosen height, each in the mode of the last selection.
        MultiRodResult m = loadMultiRod(dm);
        m.objects.resize(snap.objects.size());
        MultiRodChosenZones(snap, c.H, settings, m);
        if (snap.conductors.size() > 2)
            for (std::size_t i = 0; i < snap.objects.size(); ++i)
                snap.objects[i].Rcx1 = m.objects[i].Rcx1;
        storeMultiRodResults(dm, snap, m);
    } else {
        storeProjectResults(dm, snap);
    }
    showMessages(dm, messages);
    if (shown)
        shown->insert(shown->end(), messages.begin(), messages.end());
}

namespace
{

// The catalogue row of the project's conductor kind with its group's name.
std::optional<ChosenConstruction> findConstruction(DataModule &dm, int constructionKod)
{
    const bool cable = conductorTypeOf(dm.project().asText("TipMO")) == ConductorType::Cable;
    Table &groups = dm.table(cable ? TableId::SMoT0 : TableId::SMo0);
    Table &items = dm.table(cable ? TableId::SMoT1 : TableId::SMo1);
    RowKeeper keepGroup(groups);
    RowKeeper keepItem(items);
    // The construction may sit under any group: walk the groups until it shows up.
    for (groups.first(); !groups.eof(); groups.next()) {
        if (items.locate({{"Kod", Value(constructionKod)}})) {
            ChosenConstruction c;
            c.Tip = items.asText("Tip");
            c.Prim = groups.asText("Name");
            c.H = items.asDouble("H");
            return c;
        }
    }
    return std::nullopt;
}

} // namespace

bool chooseConstruction(DataModule &dm, int constructionKod, CalcMessages *shown)
{
    const auto c = findConstruction(dm, constructionKod);
    if (!c)
        return false;
    chooseConstruction(dm, *c, shown);
    return true;
}

std::optional<ConstructionCheck> checkConstruction(DataModule &dm, int constructionKod)
{
    const auto c = findConstruction(dm, constructionKod);
    if (!c)
        return std::nullopt;
    ConstructionCheck out;
    out.height = c->H;
    ProjectSnapshot snap = loadCurrentProject(dm);
    if (!snap.conductors.empty()) {
        const ConductorRec &mo = snap.conductors.front();
        out.designHeight = mo.Hop ? mo.Hop : mo.H;
    }
    // The choice on a copy of the rows, its messages unshown: nothing is written.
    const SettingsRec settings = loadSettings(dm);
    CalcMessages ignored;
    ChooseConstruction(snap, *c, settings, loadSagTable(dm), ignored);
    out.unprotected = unprotectedObjectNames(snap, settings, "1");
    return out;
}

std::vector<std::string> unprotectedObjectNames(const ProjectSnapshot &snap,
                                                const SettingsRec &settings,
                                                const std::string &suffix)
{
    std::vector<std::string> names;
    for (std::size_t i : UnprotectedObjects(snap, settings, suffix))
        names.push_back(snap.objects[i].Name.value_or(""));
    return names;
}

void clearChosenConstruction(DataModule &dm)
{
    ProjectSnapshot snap = loadCurrentProject(dm);
    ClearChosenConstruction(snap);
    if (conductorTypeOf(snap.project.TipMO.value_or("")) == ConductorType::MultiRod) {
        MultiRodResult m = loadMultiRod(dm);
        ClearMultiRodChosen(m);
        storeMultiRodResults(dm, snap, m);
    } else {
        storeProjectResults(dm, snap);
    }
}

} // namespace kv
