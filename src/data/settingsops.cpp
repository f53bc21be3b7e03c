#include "data/settingsops.h"

#include "calc/zones.h"
#include "data/snapshot.h"

namespace kv {

std::optional<std::string> checkDoubleRodLimits(const SettingsRec &s)
{
    const DoubleRodLimits l = limitsOf(s);
    if (!(l.A1 > 0 && l.A1 <= l.A2 && l.A2 <= l.A3))
        return std::string(kMsgLimitsA);
    if (!(l.B1 > 0 && l.B1 <= l.B2))
        return std::string(kMsgLimitsB);
    return std::nullopt;
}

void saveSettings(DataModule &dm, const SettingsRec &s)
{
    Table &t = dm.param();
    SettingsRec r = s;
    if (t.isEmpty()) {
        if (!t.append())
            return;
        r.LastProj = std::nullopt;
    } else {
        t.first();
        r.LastProj = t.value("LastProj").optInt();
        if (!t.edit())
            return;
    }
    try {
        writeSettings(t, r);
        if (!t.post())
            t.cancel();
    } catch (...) {
        t.cancel();
        throw;
    }
}

} // namespace kv
