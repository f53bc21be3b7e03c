// The placement windows' OK: one undoable step that moves the conductor to the chosen result.

#include "app/projectdocument.h"

#include "data/datamodule.h"
#include "placement/placementapply.h"

#include <QString>

namespace kv {

bool ProjectDocument::applyPlacement(const ConductorPositions &positions)
{
    if (!hasProject() || positions.empty())
        return false;
    const ConductorPositions snapped = snapToObjectStep(m_dm, positions);
    const Selection s = m_selection;
    const bool ok = execute(QStringLiteral("оптимальное размещение"), [&] {
        if (!setConductorPositions(m_dm, snapped))
            throw TableError("Ошибка. Положение молниеотвода не сохранено.");
    });
    // The reload after the step tells the views which support moved.
    select(s);
    return ok;
}

} // namespace kv
