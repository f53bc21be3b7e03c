#pragma once
// The settings window's operations on the single settings row: the check of the double-rod span
// limits and the save of the edited values.

#include "calc/records.h"
#include "data/datamodule.h"

#include <optional>
#include <string>

namespace kv {

inline constexpr const char *kMsgLimitsA =
    "Ошибка. Для типа зоны защиты А границы диапазонов расстояний между молниеотводами должны "
    "быть больше 0 и не убывать (A1 <= A2 <= A3).";
inline constexpr const char *kMsgLimitsB =
    "Ошибка. Для типа зоны защиты Б границы диапазонов расстояний между молниеотводами должны "
    "быть больше 0 и не убывать (B1 <= B2).";

// The message for limits that would make the double-rod bands meaningless (empty fields take
// their defaults), or nullopt when they are in order.
std::optional<std::string> checkDoubleRodLimits(const SettingsRec &s);

// Writes every edited field of the settings row (LastProj is kept as stored; a row is made when
// the table has none) and posts it. Throws TableError when the store refuses.
void saveSettings(DataModule &dm, const SettingsRec &s);

} // namespace kv
