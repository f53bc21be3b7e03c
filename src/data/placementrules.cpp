#include "data/placementrules.h"

#include "data/datamodule.h"

#include <string>
#include <vector>

namespace kv {

namespace {

const char *const kMsgNameRequired = "Ошибка. Заполнение поля \"Размещение\" обязательно.";
const char *const kMsgDiapNameRequired = "Ошибка. Заполнение поля \"Диапазон\" обязательно.";
const char *const kMsgRangeFields =
    "Ошибка. Заполнение полей \"Х1, м\", \"Х2, м\", \"dХ, м\", \"Y1, м\", \"Y2, м\" и \"dY, м\" "
    "обязательно.";
const char *const kMsgX1X2 =
    "Ошибка. Значение поля \"Х1, м\" должно быть меньше либо равно значению поля \"Х2, м\".";
const char *const kMsgY1Y2 =
    "Ошибка. Значение поля \"Y1, м\" должно быть меньше либо равно значению поля \"Y2, м\".";
// The candidate walk needs steps that move forward.
const char *const kMsgDXPositive = "Ошибка. Значение поля \"dХ, м\" должно быть больше нуля.";
const char *const kMsgDYPositive = "Ошибка. Значение поля \"dY, м\" должно быть больше нуля.";
const char *const kMsgAllFields = "Ошибка. Заполнение всех полей таблицы обязательно.";
const char *const kMsgFlag[4] = {
    "Ошибка. Поле \"Вкл. Х1\" может принимать значения \"+\" и \"-\".",
    "Ошибка. Поле \"Вкл. Х2\" может принимать значения \"+\" и \"-\".",
    "Ошибка. Поле \"Вкл. Y1\" может принимать значения \"+\" и \"-\".",
    "Ошибка. Поле \"Вкл. Y2\" может принимать значения \"+\" и \"-\".",
};
const char *const kMsgWhollyOutside =
    "Ошибка. Поддиапазон исключения полностью выходит за границы диапазона размещения.";
const char *const kMsgClipQuestion =
    "Ошибка. Поддиапазон исключения выходит за пределы диапазона размещения. Обрезать размеры "
    "поддиапазона исключения до размеров диапазона размещения?";
const char *const kMsgRangeWhollyOutside =
    "Ошибка. Диапазон размещения содержит поддиапазоны исключения, полностью выходящие за его "
    "границы. Записи с такими поддиапазонами будут удалены.";
const char *const kMsgRangePartlyOutside =
    "Ошибка. Диапазон размещения содержит поддиапазоны исключения, частично выходящие за его "
    "границы. Обрезать размеры таких поддиапазонов до размеров диапазона (кнопка \"Yes\") или "
    "удалить (кнопка No)?";
const char *const kMsgMasterEditing = "Ошибка. Завершите работу с главной таблицей.";
const char *const kMsgMasterEmpty = "Ошибка. Введите запись в главную таблицу.";
const char *const kMsgHasDetails =
    "Ошибка. Удаление записи таблицы невозможно, так как она имеет связанные с ней записи в "
    "подчиненных таблицах.";

const char *const kFlagFields[4] = {"VklX1", "VklX2", "VklY1", "VklY2"};

bool isBlank(const Table &t, const char *field)
{
    const Value v = t.value(field);
    return v.isNull() || (v.isText() && v.toText().empty());
}

struct Rect {
    double X1, X2, Y1, Y2;
};

Rect rectOf(const Table &t)
{
    return {t.asDouble("X1"), t.asDouble("X2"), t.asDouble("Y1"), t.asDouble("Y2")};
}

// Touching counts as overlapping.
bool whollyOutside(const Rect &s, const Rect &r)
{
    return s.X1 > r.X2 || s.X2 < r.X1 || s.Y1 > r.Y2 || s.Y2 < r.Y1;
}

bool partlyOutside(const Rect &s, const Rect &r)
{
    return s.X1 < r.X1 || s.X2 > r.X2 || s.Y1 < r.Y1 || s.Y2 > r.Y2;
}

// Clips the sub-range row in edit or insert state to the range. A clipped bound now lies on the
// range's border, which the sub-range covered before, so that bound becomes inclusive: clipping
// must not turn excluded border points into candidates.
void clip(Table &sub, const Rect &s, const Rect &r)
{
    if (s.X1 < r.X1) {
        sub.setValue("X1", r.X1);
        sub.setValue("VklX1", true);
    }
    if (s.X2 > r.X2) {
        sub.setValue("X2", r.X2);
        sub.setValue("VklX2", true);
    }
    if (s.Y1 < r.Y1) {
        sub.setValue("Y1", r.Y1);
        sub.setValue("VklY1", true);
    }
    if (s.Y2 > r.Y2) {
        sub.setValue("Y2", r.Y2);
        sub.setValue("VklY2", true);
    }
}

// A variant needs its name.
bool checkVariantName(DataModule &dm, Table &t)
{
    if (isBlank(t, "Name")) {
        dm.prompter().error(kMsgNameRequired);
        return false;
    }
    return true;
}

// A range needs every bound and step.
bool checkRangeFields(DataModule &dm, Table &t)
{
    for (const char *f : {"X1", "X2", "DX", "Y1", "Y2", "DY"})
        if (t.isNull(f)) {
            dm.prompter().error(kMsgRangeFields);
            return false;
        }
    if (t.asDouble("X1") > t.asDouble("X2")) {
        dm.prompter().error(kMsgX1X2);
        return false;
    }
    if (t.asDouble("Y1") > t.asDouble("Y2")) {
        dm.prompter().error(kMsgY1Y2);
        return false;
    }
    if (!(t.asDouble("DX") > 0)) {
        dm.prompter().error(kMsgDXPositive);
        return false;
    }
    if (!(t.asDouble("DY") > 0)) {
        dm.prompter().error(kMsgDYPositive);
        return false;
    }
    return true;
}

// A named range needs its name first, then its bounds and steps.
bool checkNamedRange(DataModule &dm, Table &t)
{
    if (isBlank(t, "DiapName")) {
        dm.prompter().error(kMsgDiapNameRequired);
        return false;
    }
    return checkRangeFields(dm, t);
}

// A sub-range needs every field and must overlap its range; `range` is the master of the
// sub-range table.
bool checkSubRange(DataModule &dm, Table &sub, Table &range)
{
    for (const char *f : {"X1", "VklX1", "X2", "VklX2", "Y1", "VklY1", "Y2", "VklY2"})
        if (sub.isNull(f)) {
            dm.prompter().error(kMsgAllFields);
            return false;
        }
    if (sub.asDouble("X1") > sub.asDouble("X2")) {
        dm.prompter().error(kMsgX1X2);
        return false;
    }
    if (sub.asDouble("Y1") > sub.asDouble("Y2")) {
        dm.prompter().error(kMsgY1Y2);
        return false;
    }
    // The flags are stored as booleans ("+" is true); anything else did not come from the grid.
    for (int k = 0; k < 4; ++k)
        if (!sub.value(kFlagFields[k]).isBool()) {
            const Value v = sub.value(kFlagFields[k]);
            if (!(v.isInt() && (v.toInt() == 0 || v.toInt() == 1))) {
                dm.prompter().error(kMsgFlag[k]);
                return false;
            }
        }
    if (range.isEmpty())
        return true; // the master-state check keeps a sub-range from being started without its range
    const Rect s = rectOf(sub);
    const Rect r = rectOf(range);
    if (whollyOutside(s, r)) {
        dm.prompter().error(kMsgWhollyOutside);
        sub.cancel();
        return false;
    }
    if (partlyOutside(s, r)) {
        if (!dm.prompter().ask(kMsgClipQuestion)) {
            sub.cancel();
            return false;
        }
        clip(sub, s, r);
    }
    return true;
}

// The sub-ranges of the range just posted are checked against its new bounds.
void recheckSubRanges(DataModule &dm, Table &range, Table &sub)
{
    if (range.isEmpty() || sub.isEditing())
        return;
    const Rect r = rectOf(range);
    std::vector<Table::Bookmark> outside, partly;
    for (sub.first(); !sub.eof(); sub.next()) {
        const Rect s = rectOf(sub);
        if (whollyOutside(s, r))
            outside.push_back(sub.bookmark());
    }
    if (!outside.empty()) {
        dm.prompter().error(kMsgRangeWhollyOutside);
        for (Table::Bookmark b : outside)
            if (sub.gotoBookmark(b))
                sub.remove();
    }
    for (sub.first(); !sub.eof(); sub.next()) {
        const Rect s = rectOf(sub);
        if (partlyOutside(s, r))
            partly.push_back(sub.bookmark());
    }
    if (partly.empty())
        return;
    const bool clipThem = dm.prompter().ask(kMsgRangePartlyOutside);
    for (Table::Bookmark b : partly) {
        if (!sub.gotoBookmark(b))
            continue;
        if (clipThem) {
            if (!sub.edit())
                continue;
            clip(sub, rectOf(sub), r);
            if (!sub.post())
                sub.cancel();
        } else {
            sub.remove();
        }
    }
    sub.first();
}

// A new sub-range includes all four of its bounds.
void defaultFlags(Table &sub)
{
    for (const char *f : kFlagFields)
        sub.setValue(f, true);
}

// A detail row can be started only under a stored master row (not one being edited).
bool checkMasterState(DataModule &dm, Table &t)
{
    Table *m = t.master();
    if (!m)
        return true;
    if (m->isEditing()) {
        dm.prompter().error(kMsgMasterEditing);
        return false;
    }
    if (m->isEmpty()) {
        dm.prompter().error(kMsgMasterEmpty);
        return false;
    }
    return true;
}

// A master row with detail rows cannot be deleted.
bool checkNoDetails(DataModule &dm, std::initializer_list<TableId> details)
{
    for (TableId id : details) {
        Table &d = dm.table(id);
        if (d.isOpen() && !d.isEmpty()) {
            dm.prompter().error(kMsgHasDetails);
            return false;
        }
    }
    return true;
}

} // namespace

void installPlacementRules(DataModule &dm)
{
    using T = TableId;
    DataModule *pdm = &dm;

    for (T id : {T::Diap0, T::Diap2MO0})
        dm.table(id).beforePost = [pdm](Table &t) { return checkVariantName(*pdm, t); };
    dm.table(T::Diap1).beforePost = [pdm](Table &t) { return checkRangeFields(*pdm, t); };
    for (T id : {T::Diap2MO1, T::Diap2MO11})
        dm.table(id).beforePost = [pdm](Table &t) { return checkNamedRange(*pdm, t); };

    const std::pair<T, T> subOf[] = {{T::Diap2, T::Diap1}, {T::Diap2MO2, T::Diap2MO1},
                                     {T::Diap2MO21, T::Diap2MO11}};
    for (const auto &[sub, range] : subOf) {
        Table *rt = &dm.table(range);
        Table *st = &dm.table(sub);
        st->beforePost = [pdm, rt](Table &t) { return checkSubRange(*pdm, t, *rt); };
        st->afterInsert = [](Table &t) { defaultFlags(t); };
        rt->afterPost = [pdm, st](Table &t) { recheckSubRanges(*pdm, t, *st); };
    }

    for (T id : {T::Diap1, T::Diap2, T::Diap2MO1, T::Diap2MO11, T::Diap2MO2, T::Diap2MO21}) {
        dm.table(id).beforeInsert = [pdm](Table &t) { return checkMasterState(*pdm, t); };
        dm.table(id).beforeEdit = [pdm](Table &t) { return checkMasterState(*pdm, t); };
    }

    dm.table(T::Diap0).beforeDelete = [pdm](Table &) { return checkNoDetails(*pdm, {T::Diap1}); };
    dm.table(T::Diap1).beforeDelete = [pdm](Table &) { return checkNoDetails(*pdm, {T::Diap2}); };
    dm.table(T::Diap2MO0).beforeDelete = [pdm](Table &) {
        return checkNoDetails(*pdm, {T::Diap2MO1, T::Diap2MO11, T::Diap2MO3});
    };
    dm.table(T::Diap2MO1).beforeDelete = [pdm](Table &) {
        return checkNoDetails(*pdm, {T::Diap2MO2});
    };
    dm.table(T::Diap2MO11).beforeDelete = [pdm](Table &) {
        return checkNoDetails(*pdm, {T::Diap2MO21});
    };
}

} // namespace kv
