#include "exchange/placementjson.h"

#include "data/recordingprompter.h"
#include "exchange/jsoninput.h"
#include "exchange/projectjson.h"

#include <map>
#include <set>

namespace kv {

using json = nlohmann::ordered_json;

namespace {

const char *const kMember = "placement";

// The placement tables whose master is parent, in the order a copy walks them: support-1
// ranges, support-2 ranges, then the combinations under a complex variant.
std::vector<TableId> childrenOf(TableId parent)
{
    std::vector<TableId> out;
    for (TableId id : placementTables())
        if (tableDef(id).master == parent)
            out.push_back(id);
    return out;
}

void collect(DataModule &dm, TableId parent, std::int64_t parentKod, json &out)
{
    for (TableId id : childrenOf(parent)) {
        Table &t = dm.table(id);
        if (!t.isOpen())
            continue;
        for (const std::int64_t k : t.keysUnder(parentKod))
            if (const auto row = t.rowByKey(k)) {
                out[t.def().fileName].push_back(rowToJson(t.def(), *row));
                collect(dm, id, k, out);
            }
    }
}

// The rows of one table of the member, grouped by the Kod0 they had (0 for the variants, whose
// project is the new one whatever the file says).
using Groups = std::map<std::int64_t, std::vector<const json *>>;

struct Checked {
    std::map<TableId, Groups> rows;
};

InputRefused damaged(const std::string &table, const std::string &where, const std::string &why)
{
    return InputRefused("Ошибка. Таблица размещения " + table + " в файле " + where
                        + " повреждена: " + why);
}

// An integer key of a row: absent gives nullopt, anything but a whole number is refused.
std::optional<std::int64_t> keyOf(const json &row, const char *name, const std::string &table,
                                  const std::string &where)
{
    const auto it = row.find(name);
    if (it == row.end() || it->is_null())
        return std::nullopt;
    if (!it->is_number_integer())
        throw damaged(table, where, std::string("поле ") + name + " должно быть целым числом.");
    return it->get<std::int64_t>();
}

// Checks the shape of the member and the links of its rows before anything of it is written.
Checked check(const json &member, const std::string &where)
{
    if (!member.is_object())
        throw InputRefused("Ошибка. Таблицы размещения (\"placement\") в файле " + where
                           + " должны быть записью JSON ({...}).");
    Checked out;
    std::map<TableId, std::set<std::int64_t>> keys;
    for (TableId id : placementTables()) {
        const TableDef &def = tableDef(id);
        Groups &groups = out.rows[id];
        const auto it = member.find(def.fileName);
        if (it == member.end() || it->is_null())
            continue;
        if (!it->is_array())
            throw damaged(def.fileName, where, "ожидался массив записей JSON ([...]).");
        const bool variant = def.master == TableId::Project;
        for (const json &row : *it) {
            if (!row.is_object())
                throw damaged(def.fileName, where, "ожидалась запись JSON ({...}).");
            if (const auto k = keyOf(row, "Kod", def.fileName, where))
                if (!keys[id].insert(*k).second)
                    throw damaged(def.fileName, where,
                                  "код " + std::to_string(*k) + " повторяется.");
            std::int64_t parent = 0;
            if (!variant) {
                const auto k0 = keyOf(row, "Kod0", def.fileName, where);
                if (!k0 || !keys[def.master].count(*k0))
                    throw damaged(def.fileName, where,
                                  "запись не связана ни с одной записью таблицы "
                                      + tableDef(def.master).fileName + ".");
                parent = *k0;
            }
            groups[parent].push_back(&row);
        }
    }
    return out;
}

// What a table rule said when it refused a row, as the reason of the refusal: without the
// leading "Ошибка. ", and a question only up to its first sentence.
std::string ruleReason(const RecordingPrompter &rules)
{
    if (rules.messages.empty())
        return "запись не принята.";
    const RecordingPrompter::Message &m = rules.messages.back();
    std::string text = m.text;
    if (text.rfind("Ошибка. ", 0) == 0)
        text.erase(0, std::string("Ошибка. ").size());
    if (m.kind == RecordingPrompter::Kind::Ask)
        if (const auto dot = text.find(". "); dot != std::string::npos)
            text.erase(dot + 1);
    return text;
}

void enter(DataModule &dm, const Checked &c, TableId parent, std::int64_t oldParent,
           RecordingPrompter &rules, const std::string &where)
{
    for (TableId id : childrenOf(parent)) {
        const auto groups = c.rows.find(id);
        if (groups == c.rows.end())
            continue;
        const auto rows = groups->second.find(oldParent);
        if (rows == groups->second.end())
            continue;
        Table &t = dm.table(id);
        for (const json *row : rows->second) {
            rules.clear();
            if (!t.append())
                throw damaged(t.def().fileName, where, ruleReason(rules));
            try {
                jsonToRow(t, *row);
            } catch (...) {
                t.cancel();
                throw;
            }
            if (!t.post()) {
                t.cancel();
                throw damaged(t.def().fileName, where, ruleReason(rules));
            }
            if (const auto k = row->find("Kod"); k != row->end() && k->is_number_integer())
                enter(dm, c, id, k->get<std::int64_t>(), rules, where);
        }
    }
}

// Keeps the rules' messages and questions from the user while it lives.
class QuietRules {
public:
    explicit QuietRules(DataModule &dm) : m_dm(dm), m_old(dm.prompter())
    {
        rules.defaultAsk = false;
        dm.setPrompter(rules);
    }
    ~QuietRules() { m_dm.setPrompter(m_old); }
    QuietRules(const QuietRules &) = delete;
    QuietRules &operator=(const QuietRules &) = delete;
    RecordingPrompter rules;

private:
    DataModule &m_dm;
    Prompter &m_old;
};

} // namespace

const std::vector<TableId> &placementTables()
{
    using T = TableId;
    static const std::vector<TableId> tables = {T::Diap0,     T::Diap1,     T::Diap2,
                                                T::Diap2MO0,  T::Diap2MO1,  T::Diap2MO11,
                                                T::Diap2MO2,  T::Diap2MO21, T::Diap2MO3};
    return tables;
}

json placementToJson(DataModule &dm, int projectKod)
{
    json out = json::object();
    for (TableId id : placementTables())
        out[tableDef(id).fileName] = json::array();
    collect(dm, TableId::Project, projectKod, out);
    for (const json &rows : out)
        if (!rows.empty())
            return out;
    return nullptr;
}

void importPlacementJson(DataModule &dm, const json &doc, const std::string &where)
{
    const auto member = doc.find(kMember);
    if (member == doc.end() || member->is_null())
        return;
    const Checked c = check(*member, where);
    QuietRules quiet(dm);
    // The variants hang under the project just entered, the current row of project.DB.
    enter(dm, c, TableId::Project, 0, quiet.rules, where);
}

} // namespace kv
