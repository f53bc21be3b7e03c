#include "data/podborops.h"

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
    const PodborResult r = AutoPodbor(snap, loadSettings(dm), loadSagTable(dm), messages);
    if (r.ran)
        storeProjectResults(dm, snap);
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
    ChooseConstruction(snap, c, loadSettings(dm), loadSagTable(dm), messages);
    storeProjectResults(dm, snap);
    showMessages(dm, messages);
    if (shown)
        shown->insert(shown->end(), messages.begin(), messages.end());
}

bool chooseConstruction(DataModule &dm, int constructionKod, CalcMessages *shown)
{
    const bool cable = dm.project().asText("TipMO") == kTipCable;
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
            chooseConstruction(dm, c, shown);
            return true;
        }
    }
    return false;
}

void clearChosenConstruction(DataModule &dm)
{
    ProjectSnapshot snap = loadCurrentProject(dm);
    ClearChosenConstruction(snap);
    storeProjectResults(dm, snap);
}

} // namespace kv
