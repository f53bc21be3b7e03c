#include "cli/jsonrows.h"

#include "calc/valueranges.h"
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
    return doc;
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
