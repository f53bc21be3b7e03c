#pragma once
// When the commands of the project window may be used: one pure function of the project state,
// shared by the tool bar, the menus and both pop-up menus.

#include <QString>
#include <QStringList>

namespace kv {

struct CommandState {
    int projects = 0;    // rows of project.DB
    int objects = 0;     // objects of the current project
    bool chosen = false; // the current conductor row has a chosen construction (H1 not empty)
    bool multiRod = false; // the current project is a multiple rod
    int rods = 0;          // its conductor rows
};

// Why the placement is not offered for a multiple rod (its items' tool tip and status text).
inline constexpr const char *kHintPlacementMultiRod =
    "Оптимальное размещение выполняется для одиночного, двойного стержневого и тросового "
    "молниеотводов; для многократного стержневого молниеотвода оно недоступно";

// Whether the control or menu item with this name is enabled. Names are the objectNames of the
// window: tool bar buttons (btnXxx, SpeedButton1, chkAutoPodbor, SpinScale), menu items
// (mnXxx, N6) and pop-up items (pmXxx). Unknown names are always enabled.
bool commandEnabled(const QString &name, const CommandState &s);

// Every name the rule knows, for tests and for the window's bookkeeping.
const QStringList &ruledCommandNames();

} // namespace kv
