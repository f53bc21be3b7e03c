#include "cli/jsonrows.h"

#include "calc/valueranges.h"
#include "data/multirodstore.h"
#include "data/transaction.h"

#include <climits>
#include <cmath>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <filesystem>
#include <signal.h>
#include <unistd.h>

namespace kv::cli {

using json = nlohmann::ordered_json;

namespace {

bool isStored(const FieldDef &f)
{
    // ClassObject of object.DB is looked up from class.db, not stored.
    return f.name != "ClassObject";
}

// The ranges the dialogs enforce hold for every value read from a file as well.
void checkRange(const Table &t, const FieldDef &f, double v)
{
    if (const auto e = numberRangeError(t.def().fileName, f.name, v))
        throw TableError(*e);
}

} // namespace

json rowToJson(const Table &t)
{
    json o = json::object();
    for (const FieldDef &f : t.def().fields) {
        if (!isStored(f))
            continue;
        const Value v = t.value(f.name);
        if (v.isNull()) {
            o[f.name] = nullptr;
            continue;
        }
        switch (f.type) {
        case FieldType::AutoInc:
        case FieldType::Integer:
            o[f.name] = v.toInt();
            break;
        case FieldType::Number:
            o[f.name] = v.toDouble();
            break;
        case FieldType::Boolean:
            o[f.name] = v.toBool();
            break;
        default:
            o[f.name] = v.toText();
            break;
        }
    }
    return o;
}

json rowsToJson(Table &t)
{
    json a = json::array();
    RowKeeper keep(t);
    for (t.first(); !t.eof(); t.next())
        a.push_back(rowToJson(t));
    return a;
}

json projectToJson(DataModule &dm)
{
    json doc = json::object();
    doc["project"] = rowToJson(dm.project());
    doc["conductors"] = rowsToJson(dm.mo());
    doc["objects"] = rowsToJson(dm.object());
    if (isMultiRodProject(dm)) {
        const MultiRodResult r = loadMultiRod(dm);
        doc["pairs"] = multiRodPairsToJson(r);
        doc["elements"] = multiRodElementsToJson(r);
    }
    return doc;
}

namespace {

json optJson(const OptD &v) { return v ? json(*v) : json(nullptr); }
json optJson(const OptI &v) { return v ? json(*v) : json(nullptr); }
json rodJson(int rod) { return rod >= 0 ? json(rod + 1) : json(nullptr); }

OptD optNum(const json &o, const char *k)
{
    const auto it = o.find(k);
    if (it == o.end() || it->is_null())
        return std::nullopt;
    if (!it->is_number())
        throw TableError(std::string("Ошибка. Недопустимое значение поля ") + k
                         + " многократного молниеотвода.");
    return it->get<double>();
}

int rodNum(const json &o, const char *k)
{
    const OptD v = optNum(o, k);
    if (!v)
        return -1;
    if (!(*v >= 1 && *v <= 100000) || *v != std::floor(*v))
        throw TableError(std::string("Ошибка. Недопустимое значение поля ") + k
                         + " многократного молниеотвода.");
    return static_cast<int>(*v) - 1;
}

OptI optInt(const json &o, const char *k)
{
    const OptD v = optNum(o, k);
    return v ? OptI{static_cast<int>(*v)} : OptI{};
}

} // namespace

json multiRodPairsToJson(const MultiRodResult &r)
{
    json out = json::array();
    for (const MultiRodPair &p : r.pairs)
        out.push_back({{"MO1", rodJson(p.i)},         {"MO2", rodJson(p.j)},
                       {"L", p.L},                    {"L_H", optJson(p.L_H)},
                       {"RejimA", optJson(p.regimeA)}, {"RejimB", optJson(p.regimeB)},
                       {"Hc_a", optJson(p.Hc_a)},     {"Rc_a", optJson(p.Rc_a)},
                       {"Hc_b", optJson(p.Hc_b)},     {"Rc_b", optJson(p.Rc_b)},
                       {"UseAs2", p.useAs2},          {"H", p.governs ? json(p.Hneed) : json()},
                       {"L_H1", optJson(p.L_H1)},     {"Hc_a1", optJson(p.Hc_a1)},
                       {"Rc_a1", optJson(p.Rc_a1)},   {"Hc_b1", optJson(p.Hc_b1)},
                       {"Rc_b1", optJson(p.Rc_b1)}});
    return out;
}

json multiRodElementsToJson(const MultiRodResult &r)
{
    json out = json::array();
    for (size_t i = 0; i < r.objects.size(); ++i) {
        const MultiRodObject &o = r.objects[i];
        const int rods = o.by == MultiRodElement::Triangle ? 3 : o.by == MultiRodElement::Pair ? 2 : 0;
        out.push_back({{"NumObj", static_cast<int>(i + 1)},
                       {"MO1", rodJson(rods > 0 ? o.rods[0] : -1)},
                       {"MO2", rodJson(rods > 1 ? o.rods[1] : -1)},
                       {"MO3", rodJson(rods > 2 ? o.rods[2] : -1)},
                       {"Unreachable", o.unreachable},
                       {"H", optJson(o.H)},
                       {"Rcx", optJson(o.Rcx)},
                       {"Rcx1", optJson(o.Rcx1)}});
    }
    return out;
}

MultiRodResult multiRodFromJson(const json &pairs, const json &elements)
{
    MultiRodResult r;
    const auto rowsOf = [](const json &a) {
        if (!a.is_null() && !a.is_array())
            throw TableError("Ошибка. Пары и элементы многократного молниеотвода должны быть "
                             "массивами JSON ([...]).");
        return a.is_array() ? a : json::array();
    };
    for (const json &p : rowsOf(pairs)) {
        if (!p.is_object())
            throw TableError("Ошибка. Ожидалась запись пары многократного молниеотвода.");
        MultiRodPair q;
        q.i = rodNum(p, "MO1");
        q.j = rodNum(p, "MO2");
        q.L = optNum(p, "L").value_or(0);
        q.L_H = optNum(p, "L_H");
        q.regimeA = optInt(p, "RejimA");
        q.regimeB = optInt(p, "RejimB");
        q.Hc_a = optNum(p, "Hc_a");
        q.Rc_a = optNum(p, "Rc_a");
        q.Hc_b = optNum(p, "Hc_b");
        q.Rc_b = optNum(p, "Rc_b");
        q.useAs2 = p.value("UseAs2", false);
        const OptD h = optNum(p, "H");
        q.governs = h.has_value();
        q.Hneed = h.value_or(0);
        q.L_H1 = optNum(p, "L_H1");
        q.Hc_a1 = optNum(p, "Hc_a1");
        q.Rc_a1 = optNum(p, "Rc_a1");
        q.Hc_b1 = optNum(p, "Hc_b1");
        q.Rc_b1 = optNum(p, "Rc_b1");
        r.pairs.push_back(q);
    }
    for (const json &e : rowsOf(elements)) {
        if (!e.is_object())
            throw TableError("Ошибка. Ожидалась запись элемента многократного молниеотвода.");
        MultiRodObject o;
        o.rods[0] = rodNum(e, "MO1");
        o.rods[1] = rodNum(e, "MO2");
        o.rods[2] = rodNum(e, "MO3");
        o.by = o.rods[2] >= 0   ? MultiRodElement::Triangle
               : o.rods[1] >= 0 ? MultiRodElement::Pair
                                : MultiRodElement::None;
        o.unreachable = e.value("Unreachable", false);
        o.H = optNum(e, "H");
        o.Rcx = optNum(e, "Rcx");
        o.Rcx1 = optNum(e, "Rcx1");
        r.objects.push_back(o);
    }
    return r;
}

void jsonToRow(Table &t, const json &obj)
{
    if (!obj.is_object())
        throw TableError("Ошибка. Ожидалась запись таблицы " + t.def().fileName + ".");
    for (const FieldDef &f : t.def().fields) {
        if (f.type == FieldType::AutoInc || f.name == "Kod0" || !isStored(f))
            continue;
        const auto it = obj.find(f.name);
        if (it == obj.end())
            continue;
        const json &v = *it;
        const auto wrong = [&] {
            return TableError("Ошибка. Недопустимое значение поля " + f.name + " таблицы "
                              + t.def().fileName + ".");
        };
        if (v.is_null()) {
            t.setNull(f.name);
            continue;
        }
        switch (f.type) {
        case FieldType::Integer: {
            // Whole numbers that the program's integer fields can hold; anything else is refused
            // rather than wrapped.
            constexpr double lo = std::numeric_limits<int>::min();
            constexpr double hi = std::numeric_limits<int>::max();
            if (!v.is_number())
                throw wrong();
            const double d = v.is_number_unsigned() ? static_cast<double>(v.get<std::uint64_t>())
                             : v.is_number_integer() ? static_cast<double>(v.get<std::int64_t>())
                                                     : v.get<double>();
            if (!(d >= lo && d <= hi) || d != std::trunc(d))
                throw TableError("Ошибка. Значение поля " + f.name + " таблицы " + t.def().fileName
                                 + " должно быть целым числом от " + std::to_string(INT_MIN)
                                 + " до " + std::to_string(INT_MAX) + ".");
            checkRange(t, f, d);
            t.setValue(f.name, Value(static_cast<std::int64_t>(d)));
            break;
        }
        case FieldType::Number:
            if (!v.is_number())
                throw wrong();
            checkRange(t, f, v.get<double>());
            t.setValue(f.name, Value(v.get<double>()));
            break;
        case FieldType::Boolean:
            if (!v.is_boolean())
                throw wrong();
            t.setValue(f.name, Value(v.get<bool>()));
            break;
        default:
            if (!v.is_string())
                throw wrong();
            if (const auto e = textRangeError(t.def().fileName, f.name, v.get<std::string>()))
                throw TableError(*e);
            t.setValue(f.name, Value(v.get<std::string>()));
            break;
        }
    }
}

namespace {

// The folders of a case are named korvan-case-PID-XXXXXX so that a later run can tell the
// folders of processes that were killed (SIGKILL leaves no chance to clean up) from live ones.
constexpr const char *kCasePrefix = "korvan-case-";

// Paths removed by the signal handler: every file a data folder can hold, then the folder.
// Built before the handler is installed and never changed while it is.
std::vector<std::string> &cleanupPaths()
{
    static std::vector<std::string> paths;
    return paths;
}

extern "C" void removeCaseFolderAndDie(int sig)
{
    for (const std::string &p : cleanupPaths())
        ::unlink(p.c_str());
    if (!cleanupPaths().empty())
        ::rmdir(cleanupPaths().back().c_str());
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void sweepFoldersOfDeadProcesses(const std::filesystem::path &tmp)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kCasePrefix, 0) != 0 || !it->is_directory(ec))
            continue;
        const std::string rest = name.substr(std::strlen(kCasePrefix));
        const auto dash = rest.find('-');
        if (dash == std::string::npos)
            continue;
        pid_t pid = 0;
        const auto [p, err] = std::from_chars(rest.data(), rest.data() + dash, pid);
        if (err != std::errc() || p != rest.data() + dash || pid <= 0)
            continue;
        if (::kill(pid, 0) == -1 && errno == ESRCH) {
            std::error_code rec;
            std::filesystem::remove_all(it->path(), rec);
        }
    }
}

} // namespace

TempDataDir::TempDataDir()
{
    const std::filesystem::path tmp = std::filesystem::temp_directory_path();
    sweepFoldersOfDeadProcesses(tmp);
    std::string tmpl =
        (tmp / (kCasePrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = tmpl;

    auto &paths = cleanupPaths();
    if (paths.empty()) {
        for (TableId id : openingOrder())
            for (const char *suffix : {"", "-journal", "-wal", "-shm", ".tmp"})
                paths.push_back(m_path + "/" + tableDef(id).fileName + suffix);
        // The transaction's commit record.
        for (const std::string &name :
             {std::string(kCommitRecordName), std::string(kCommitRecordName) + ".tmp"})
            paths.push_back(m_path + "/" + name);
        paths.push_back(m_path);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, removeCaseFolderAndDie);
    }
}

TempDataDir::~TempDataDir()
{
    if (!cleanupPaths().empty() && cleanupPaths().back() == m_path) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, SIG_DFL);
        cleanupPaths().clear();
    }
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace kv::cli
