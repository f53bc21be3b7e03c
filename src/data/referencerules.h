#pragma once
// Rules of the reference tables: class.db refuses inserts and deletes, objname.db needs a name,
// sProves.db checks its sag rows.

#include <string>

namespace kv {
class DataModule;

inline constexpr const char *kMsgClassInsert = "Ошибка. Добавление записей запрещено.";
inline constexpr const char *kMsgClassDelete = "Ошибка. Удаление записей запрещено.";
inline const std::string kMsgNameRequired =
    "Ошибка. Заполнение поля «Наименование объекта» обязательно.";
inline constexpr const char *kMsgSagAllFields = "Ошибка. Заполнение всех полей обязательно.";
inline constexpr const char *kMsgSagPositive =
    "Ошибка. Значения полей \"Максимум, м\" и \"Стрела, м\" должны быть больше 0.";
inline constexpr const char *kMsgSagOrder =
    "Ошибка. Значение поля \"Минимум, м\" должно быть меньше значения поля \"Максимум, м\".";

// Attaches the rules to class.db, objname.db and sProves.db of the module.
void installReferenceRules(DataModule &dm);

} // namespace kv
