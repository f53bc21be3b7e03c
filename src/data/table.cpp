#include "data/table.h"

#include "data/textutil.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <unordered_map>

namespace kv {

namespace {

std::string quoteId(const std::string &name) { return "\"" + name + "\""; }

// The text of the connection's last error: a file locked by another program is in use, not
// damaged.
std::string dbError(sqlite3 *db)
{
    const int code = sqlite3_errcode(db) & 0xff;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        const char *file = sqlite3_db_filename(db, "main");
        return fileInUseMessage(file ? file : "");
    }
    return "Ошибка базы данных: " + std::string(sqlite3_errmsg(db));
}

const char *sqlType(FieldType t)
{
    switch (t) {
    case FieldType::AutoInc:
    case FieldType::Integer:
    case FieldType::Boolean:
        return "INTEGER";
    case FieldType::Number:
        return "REAL";
    case FieldType::Text:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Memo:
        return "TEXT";
    }
    return "";
}

bool isNumeric(FieldType t)
{
    return t == FieldType::AutoInc || t == FieldType::Integer || t == FieldType::Number
        || t == FieldType::Boolean;
}

bool isTextual(FieldType t) { return !isNumeric(t); }

// Prepared statements of one connection kept for reuse: a table runs the same few statements
// (a row by key, an update of the same fields, the rows under a master) again and again, and
// preparing one costs more than running it.
class StmtCache {
public:
    static constexpr std::size_t kMaxSize = 64;
    struct Entry {
        sqlite3_stmt *stmt;
        bool busy;
    };
    ~StmtCache() { clear(); }
    // The statement for the SQL text, marked busy; nullptr when it is in use already (the caller
    // then prepares its own). A busy entry stays where it is until given back.
    Entry *take(sqlite3 *db, const std::string &sql)
    {
        auto it = m_map.find(sql);
        if (it != m_map.end()) {
            if (it->second.busy)
                return nullptr;
            it->second.busy = true;
            return &it->second;
        }
        if (m_map.size() >= kMaxSize)
            dropIdle();
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            throwDatabaseError(db, dbError(db));
        }
        return &m_map.emplace(sql, Entry{s, true}).first->second;
    }
    static void give(Entry *e)
    {
        sqlite3_reset(e->stmt);
        sqlite3_clear_bindings(e->stmt);
        e->busy = false;
    }
    // Finalizes every statement; the connection is about to close.
    void clear()
    {
        for (auto &kv : m_map)
            sqlite3_finalize(kv.second.stmt);
        m_map.clear();
    }

private:
    void dropIdle()
    {
        for (auto it = m_map.begin(); it != m_map.end();) {
            if (it->second.busy) {
                ++it;
                continue;
            }
            sqlite3_finalize(it->second.stmt);
            it = m_map.erase(it);
        }
    }
    std::unordered_map<std::string, Entry> m_map;
};

// RAII wrapper of a prepared statement, taken from the connection's cache when one is given.
class Stmt {
public:
    Stmt(sqlite3 *db, const std::string &sql, StmtCache *cache = nullptr) : m_db(db)
    {
        if (cache && (m_cached = cache->take(db, sql))) {
            m_s = m_cached->stmt;
            return;
        }
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &m_s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_s);
            throwDatabaseError(db, dbError(db));
        }
    }
    ~Stmt()
    {
        if (m_cached)
            StmtCache::give(m_cached);
        else
            sqlite3_finalize(m_s);
    }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;
    sqlite3_stmt *get() const { return m_s; }
    bool step()
    {
        const int rc = sqlite3_step(m_s);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throwDatabaseError(m_db, dbError(m_db));
    }
    void bind(int i, const Value &v)
    {
        if (v.isNull())
            sqlite3_bind_null(m_s, i);
        else if (v.isInt() || v.isBool())
            sqlite3_bind_int64(m_s, i, v.toInt());
        else if (v.isDouble())
            sqlite3_bind_double(m_s, i, v.toDouble());
        else {
            const std::string t = v.toText();
            sqlite3_bind_text(m_s, i, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        }
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_s = nullptr;
    StmtCache::Entry *m_cached = nullptr;
};

Value columnValue(sqlite3_stmt *s, int col, FieldType t)
{
    if (sqlite3_column_type(s, col) == SQLITE_NULL)
        return {};
    switch (t) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return Value(static_cast<std::int64_t>(sqlite3_column_int64(s, col)));
    case FieldType::Boolean:
        return Value(sqlite3_column_int64(s, col) != 0);
    case FieldType::Number:
        return Value(sqlite3_column_double(s, col));
    default: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s, col));
        return Value(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, col))));
    }
    }
}

bool validDate(const std::string &s)
{
    // YYYY-MM-DD
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9')
            return false;
    const int m = std::stoi(s.substr(5, 2));
    const int d = std::stoi(s.substr(8, 2));
    return m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

bool validTime(const std::string &s)
{
    // HH:MM or HH:MM:SS
    if ((s.size() != 5 && s.size() != 8) || s[2] != ':' || (s.size() == 8 && s[5] != ':'))
        return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (i != 2 && i != 5 && (s[i] < '0' || s[i] > '9'))
            return false;
    return std::stoi(s.substr(0, 2)) < 24 && std::stoi(s.substr(3, 2)) < 60
        && (s.size() == 5 || std::stoi(s.substr(6, 2)) < 60);
}

// One parsed filter "[Field] op literal".
struct Filter {
    enum Op { Eq, Ne, Lt, Le, Gt, Ge };
    bool active = false;
    int field = -1;
    Op op = Eq;
    bool nullLiteral = false;
    bool prefix = false;    // 'text*'
    bool numeric = false;   // literal is a number
    double number = 0;
    std::string folded;     // folded text literal (without the trailing *)
};

template <typename T>
bool compareWith(Filter::Op op, const T &a, const T &b)
{
    switch (op) {
    case Filter::Eq: return a == b;
    case Filter::Ne: return !(a == b);
    case Filter::Lt: return a < b;
    case Filter::Le: return !(b < a);
    case Filter::Gt: return b < a;
    case Filter::Ge: return !(a < b);
    }
    return false;
}

bool filterAccepts(const Filter &f, const Value &v)
{
    if (!f.active)
        return true;
    if (f.nullLiteral)
        return f.op == Filter::Eq ? v.isNull() : !v.isNull();
    if (v.isNull())
        return false;
    if (f.numeric) {
        double x = 0;
        if (v.isText()) {
            auto p = parseLooseNumber(v.toText());
            if (!p)
                return false;
            x = *p;
        } else {
            x = v.toDouble();
        }
        return compareWith(f.op, x, f.number);
    }
    const std::string t = foldCase(v.toText());
    if (f.prefix && (f.op == Filter::Eq || f.op == Filter::Ne)) {
        const bool starts = t.compare(0, f.folded.size(), f.folded) == 0;
        return f.op == Filter::Eq ? starts : !starts;
    }
    return compareWith(f.op, t, f.folded);
}

} // namespace

struct Table::Impl {
    explicit Impl(TableId i) : id(i), def(tableDef(i)), sqlName(quoteId(sqlTableName(def)))
    {
        for (std::size_t k = 0; k < def.fields.size(); ++k)
            index.emplace(def.fields[k].name, static_cast<int>(k));
        auto it = index.find("Kod0");
        kod0 = it == index.end() ? -1 : it->second;
        kod = def.hasKod() ? 0 : -1;
        columnList = "rowid";
        for (const auto &f : def.fields)
            columnList += "," + quoteId(f.name);
    }

    TableId id;
    const TableDef &def;
    std::string sqlName;
    std::string columnList;
    std::unordered_map<std::string, int> index;
    int kod = -1;
    int kod0 = -1;

    sqlite3 *db = nullptr;
    sqlite3_stmt *rowStmt = nullptr; // reads one row by rowid
    mutable StmtCache stmts;
    std::string dir;
    TableState state = TableState::Inactive;

    std::vector<std::int64_t> keys; // visible rows, in order
    int pos = -1;
    bool atEof = true;
    bool atBof = true;
    std::vector<Value> cur; // cached values of the current row
    std::vector<Value> buf; // edit buffer
    std::vector<bool> modified;
    // Changed by the user since append/edit; defaults set on insert (master key, after-insert
    // hook) do not count, so an untouched new row is dropped rather than posted on a move.
    bool dirty = false;

    Table *self = nullptr;
    Table *master = nullptr;
    std::vector<Table *> details;
    std::optional<std::int64_t> seenMasterKod;

    Filter filter;
    std::string filterText;

    struct Lookup {
        Table *source;
        std::string localKey, sourceKey, sourceField;
    };
    std::unordered_map<std::string, Lookup> lookups;

    std::vector<std::pair<int, std::function<void(TableChange)>>> listeners;
    int nextHandle = 1;

    // Transaction support: the hook that joins this table to an open transaction before a
    // write, and the keys written while tracking is on.
    std::function<void(Table &)> writeHook;
    bool tracking = false;
    std::set<std::int64_t> written;
    bool readTxn = false; // a ReadScope's read transaction is open on the connection

    void beforeWrite()
    {
        if (writeHook)
            writeHook(*self);
    }
    void wrote(std::int64_t key)
    {
        if (tracking)
            written.insert(key);
    }

    std::string name() const { return def.fileName; }

    [[noreturn]] void fail(const std::string &what) const { throw TableError(what); }

    void requireOpen() const
    {
        if (!db)
            fail("Ошибка. Таблица " + name() + " не открыта.");
    }

    int fieldIndex(const std::string &field) const
    {
        auto it = index.find(field);
        if (it != index.end())
            return it->second;
        // Field names are case-insensitive, as in every dataset of the program.
        const std::string f = foldCase(field);
        for (std::size_t k = 0; k < def.fields.size(); ++k)
            if (foldCase(def.fields[k].name) == f)
                return static_cast<int>(k);
        fail("Ошибка. Поле " + field + " не найдено в таблице " + name() + ".");
    }

    // The store's error m of this table; a file locked by another program is said to be in use.
    [[noreturn]] void failDb(const std::string &m) const { failDb(m, sqlite3_errcode(db)); }
    [[noreturn]] void failDb(const std::string &m, int errcode) const
    {
        const int code = errcode & 0xff;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            fail(fileInUseMessage(self->filePath()));
        const std::string text = "Ошибка базы данных (" + name() + "): " + m;
        if (isStorageFailure(errcode))
            throw StorageError(text);
        fail(text);
    }

    void exec(const std::string &sql) const
    {
        char *err = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string m = err ? err : "?";
            sqlite3_free(err);
            failDb(m);
        }
    }

    // Kod of the master's current row, as this detail sees it; nullopt when there is none.
    std::optional<std::int64_t> masterKod() const
    {
        if (!master)
            return std::nullopt;
        const Impl &m = *master->d;
        if (!m.db || m.state == TableState::Insert || m.pos < 0 || m.kod < 0)
            return std::nullopt;
        const Value &v = m.cur[static_cast<std::size_t>(m.kod)];
        if (v.isNull())
            return std::nullopt;
        return v.toInt();
    }

    // Runs fn(rowid, values of fields) over the visible rows in order. Applies the master link
    // and the filter.
    template <typename Fn>
    void scanVisible(const std::vector<int> &fields, Fn fn) const
    {
        std::optional<std::int64_t> mk;
        if (master) {
            mk = masterKod();
            if (!mk)
                return;
        }
        std::vector<int> cols = fields;
        int filterCol = -1;
        if (filter.active) {
            filterCol = static_cast<int>(cols.size());
            cols.push_back(filter.field);
        }
        std::string sql = "SELECT rowid";
        for (int c : cols)
            sql += "," + quoteId(def.fields[static_cast<std::size_t>(c)].name);
        sql += " FROM " + sqlName;
        if (master)
            sql += " WHERE \"Kod0\" = ?1";
        sql += kod0 >= 0 ? " ORDER BY \"Kod0\", rowid" : " ORDER BY rowid";
        Stmt st(db, sql, &stmts);
        if (master)
            sqlite3_bind_int64(st.get(), 1, *mk);
        std::vector<Value> vals(cols.size());
        while (st.step()) {
            for (std::size_t k = 0; k < cols.size(); ++k)
                vals[k] = columnValue(st.get(), static_cast<int>(k) + 1,
                                      def.fields[static_cast<std::size_t>(cols[k])].type);
            if (filterCol >= 0 && !filterAccepts(filter, vals[static_cast<std::size_t>(filterCol)]))
                continue;
            fn(sqlite3_column_int64(st.get(), 0), vals);
        }
    }

    void loadKeys()
    {
        keys.clear();
        seenMasterKod = masterKod();
        scanVisible({}, [&](std::int64_t k, const std::vector<Value> &) { keys.push_back(k); });
    }

    void clearCur() { cur.assign(def.fields.size(), Value()); }

    // The visible rows are in ascending key order when the order is by rowid alone: a table
    // without Kod0, or a detail whose visible rows all share one Kod0.
    bool keyOrdered() const { return kod0 < 0 || master != nullptr; }

    // Whether a row with these field values belongs to the visible set.
    bool visibleRow(const std::vector<Value> &row) const
    {
        if (master) {
            if (!seenMasterKod)
                return false;
            const Value &k0 = row[static_cast<std::size_t>(kod0)];
            if (k0.isNull() || k0.toInt() != *seenMasterKod)
                return false;
        }
        return !filter.active || filterAccepts(filter, row[static_cast<std::size_t>(filter.field)]);
    }

    // Brings the visible keys up to date after the row `key` was written with these values
    // (row null: deleted). A post then costs one row, not a re-read of every key; the rare
    // table ordered otherwise re-reads.
    void updateKeys(std::int64_t key, const std::vector<Value> *row)
    {
        if (!keyOrdered() || masterKod() != seenMasterKod) {
            loadKeys();
            return;
        }
        auto it = std::lower_bound(keys.begin(), keys.end(), key);
        const bool present = it != keys.end() && *it == key;
        const bool visible = row && visibleRow(*row);
        if (visible && !present)
            keys.insert(it, key);
        else if (!visible && present)
            keys.erase(it);
    }

    // Index of a key among the visible rows, -1 when it is not visible.
    int indexOf(std::int64_t key) const
    {
        if (keyOrdered()) {
            auto it = std::lower_bound(keys.begin(), keys.end(), key);
            return it != keys.end() && *it == key ? static_cast<int>(it - keys.begin()) : -1;
        }
        auto it = std::find(keys.begin(), keys.end(), key);
        return it != keys.end() ? static_cast<int>(it - keys.begin()) : -1;
    }

    // Reads the current row into the cache; false when the row vanished.
    bool readCur()
    {
        if (pos < 0 || pos >= static_cast<int>(keys.size())) {
            clearCur();
            return true;
        }
        if (!rowStmt
            && sqlite3_prepare_v2(db, ("SELECT " + columnList + " FROM " + sqlName + " WHERE rowid = ?1").c_str(),
                                  -1, &rowStmt, nullptr) != SQLITE_OK)
            failDb(sqlite3_errmsg(db));
        sqlite3_reset(rowStmt);
        sqlite3_bind_int64(rowStmt, 1, keys[static_cast<std::size_t>(pos)]);
        const int rc = sqlite3_step(rowStmt);
        if (rc == SQLITE_DONE) {
            clearCur();
            return false;
        }
        if (rc != SQLITE_ROW) {
            const std::string m = sqlite3_errmsg(db);
            const int code = sqlite3_errcode(db);
            sqlite3_reset(rowStmt);
            failDb(m, code);
        }
        for (std::size_t k = 0; k < def.fields.size(); ++k)
            cur[k] = columnValue(rowStmt, static_cast<int>(k) + 1, def.fields[k].type);
        sqlite3_reset(rowStmt); // releases the read lock
        return true;
    }

    void setPos(int p)
    {
        pos = keys.empty() ? -1 : std::clamp(p, 0, static_cast<int>(keys.size()) - 1);
        if (!readCur()) {
            // Removed behind our back (another dataset on the same file): re-read the set.
            const int old = pos;
            loadKeys();
            pos = keys.empty() ? -1 : std::clamp(old, 0, static_cast<int>(keys.size()) - 1);
            readCur();
        }
    }

    void positionOn(std::int64_t key, int fallback)
    {
        const int i = indexOf(key);
        setPos(i >= 0 ? i : fallback);
    }

    // Re-reads the visible rows, staying on the current row when it is still there.
    void reloadKeepingRow()
    {
        const std::int64_t keep = pos >= 0 && pos < static_cast<int>(keys.size())
            ? keys[static_cast<std::size_t>(pos)]
            : -1;
        const int oldPos = pos;
        loadKeys();
        positionOn(keep, oldPos);
        atBof = atEof = keys.empty();
        notify(TableChange::Data);
        moved();
    }

    void notify(TableChange c)
    {
        auto copy = listeners;
        for (auto &l : copy)
            l.second(c);
    }

    void notifyDetails()
    {
        auto copy = details;
        for (Table *t : copy)
            t->d->masterChanged();
    }

    void moved()
    {
        notify(TableChange::CurrentRow);
        notifyDetails();
    }

    // Leaves edit/insert before a move: posts a modified row, drops an unmodified one.
    // False when a rule refused the post.
    bool checkBrowseMode()
    {
        if (state != TableState::Edit && state != TableState::Insert)
            return true;
        if (dirty)
            return self->post();
        self->cancel();
        return true;
    }

    void masterChanged()
    {
        if (!db)
            return;
        const auto mk = masterKod();
        if (mk == seenMasterKod)
            return;
        if (!checkBrowseMode())
            self->cancel(); // the master has moved on; the refused row cannot follow it
        loadKeys();
        atBof = true;
        atEof = keys.empty();
        setPos(0);
        notify(TableChange::Data);
        moved();
    }

    Value coerce(const FieldDef &f, const Value &v) const
    {
        if (v.isNull())
            return {};
        const std::string where = " (поле " + f.name + " таблицы " + name() + ").";
        switch (f.type) {
        case FieldType::AutoInc:
        case FieldType::Integer: {
            double x = 0;
            if (v.isText()) {
                const std::string t = v.toText();
                if (t.find_first_not_of(" \t") == std::string::npos)
                    return {};
                auto p = parseLooseNumber(t);
                if (!p)
                    fail("Ошибка. Значение \"" + t + "\" не является числом" + where);
                x = *p;
            } else if (v.isInt() || v.isBool()) {
                return Value(v.toInt());
            } else {
                x = v.toDouble();
            }
            if (!std::isfinite(x))
                fail("Ошибка. Недопустимое числовое значение" + where);
            const double r = std::round(x);
            if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
                fail("Ошибка. Значение " + v.toText() + " вне диапазона целых чисел" + where);
            return Value(static_cast<std::int64_t>(r));
        }
        case FieldType::Number: {
            double x = 0;
            if (v.isText()) {
                const std::string t = v.toText();
                if (t.find_first_not_of(" \t") == std::string::npos)
                    return {};
                auto p = parseLooseNumber(t);
                if (!p)
                    fail("Ошибка. Значение \"" + t + "\" не является числом" + where);
                x = *p;
            } else {
                x = v.toDouble();
            }
            // SQLite would silently store NaN as an empty field.
            if (!std::isfinite(x))
                fail("Ошибка. Недопустимое числовое значение" + where);
            return Value(x);
        }
        case FieldType::Boolean: {
            if (v.isBool())
                return v;
            if (v.isInt() || v.isDouble())
                return Value(v.toDouble() != 0.0);
            const std::string t = foldCase(v.toText());
            if (t.empty())
                return {};
            if (t == "true" || t == "1" || t == "да" || t == "+")
                return Value(true);
            if (t == "false" || t == "0" || t == "нет" || t == "-")
                return Value(false);
            fail("Ошибка. Значение \"" + v.toText() + "\" не является логическим" + where);
        }
        case FieldType::Text:
        case FieldType::Memo:
        case FieldType::Date:
        case FieldType::Time: {
            const std::string t = v.toText();
            // An empty text is an empty field, as in the original store.
            if (t.empty())
                return {};
            const auto len = utf8Length(t);
            if (!len)
                fail("Ошибка. Текст содержит недопустимые символы" + where);
            if (f.type == FieldType::Text && f.size > 0 && *len > static_cast<std::size_t>(f.size))
                fail("Ошибка. Длина значения поля " + f.name + " превышает " + std::to_string(f.size)
                     + " символов (таблица " + name() + ").");
            if (f.type == FieldType::Date && !validDate(t))
                fail("Ошибка. Значение \"" + t + "\" не является датой" + where);
            if (f.type == FieldType::Time && !validTime(t))
                fail("Ошибка. Значение \"" + t + "\" не является временем" + where);
            return Value(t);
        }
        }
        return {};
    }
};

Table::Table(TableId id) : d(std::make_unique<Impl>(id))
{
    d->self = this;
    d->clearCur();
}

Table::~Table()
{
    if (d->master) {
        auto &ds = d->master->d->details;
        ds.erase(std::remove(ds.begin(), ds.end(), this), ds.end());
    }
    for (Table *t : d->details)
        t->d->master = nullptr;
    sqlite3_finalize(d->rowStmt);
    d->stmts.clear();
    if (d->db)
        sqlite3_close_v2(d->db);
}

TableId Table::id() const { return d->id; }
const TableDef &Table::def() const { return d->def; }

std::string Table::filePath() const
{
    std::string dir = d->dir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + d->def.fileName;
}

void Table::open(const std::string &dataDir)
{
    if (d->db)
        close();
    d->dir = dataDir;
    const std::string path = filePath();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw TableError("Ошибка. Файл " + path + " не найден.");
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr)
        != SQLITE_OK) {
        std::string m = db ? sqlite3_errmsg(db) : "?";
        sqlite3_close_v2(db);
        throw TableError("Ошибка. Не удалось открыть таблицу " + path + ": " + m);
    }
    d->db = db;
    try {
        sqlite3_busy_timeout(db, detail::busyWaitMs);
        // A rollback journal keeps the table one file at rest; with FULL sync every post is
        // atomic and durable.
        d->exec("PRAGMA journal_mode=DELETE");
        d->exec("PRAGMA synchronous=FULL");
        // A transaction keeps its changes in memory until it commits: other processes go on
        // reading the file as it was instead of waiting for a lock taken early.
        d->exec("PRAGMA cache_spill=OFF");
        // The file must hold our table with every field of the layout.
        std::vector<std::string> cols;
        {
            Stmt st(db, "PRAGMA table_info(" + d->sqlName + ")");
            while (st.step())
                cols.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 1)));
        }
        for (const auto &f : d->def.fields) {
            if (std::find(cols.begin(), cols.end(), f.name) != cols.end())
                continue;
            if (f.late) {
                d->exec("ALTER TABLE " + d->sqlName + " ADD COLUMN " + quoteId(f.name)
                        + " " + sqlType(f.type));
                continue;
            }
            throw TableError("Ошибка. Файл " + path + " не является таблицей " + d->def.fileName
                                 + " (нет поля " + f.name + ").");
        }
    } catch (const TableError &e) {
        sqlite3_close_v2(db);
        d->db = nullptr;
        // A file locked by another program gives its own message (it begins like this one); a
        // file that is not a database at all fails inside the pragmas with SQLite's text.
        throw TableError(std::string(e.what()).rfind("Ошибка. Файл", 0) == 0
                             ? e.what()
                             : "Ошибка. Файл " + path + " не является таблицей " + d->def.fileName + ".");
    }
    d->state = TableState::Browse;
    d->loadKeys();
    d->atBof = true;
    d->atEof = d->keys.empty();
    d->setPos(0);
    d->notify(TableChange::State);
    d->notify(TableChange::Data);
    d->moved();
}

void Table::close()
{
    if (!d->db)
        return;
    d->buf.clear();
    d->modified.clear();
    sqlite3_finalize(d->rowStmt);
    d->rowStmt = nullptr;
    d->stmts.clear();
    d->readTxn = false;
    sqlite3_close_v2(d->db);
    d->db = nullptr;
    d->state = TableState::Inactive;
    d->keys.clear();
    d->pos = -1;
    d->atBof = d->atEof = true;
    d->clearCur();
    d->notify(TableChange::State);
    d->notifyDetails();
}

bool Table::isOpen() const { return d->db != nullptr; }

void Table::first()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return;
    d->setPos(0);
    d->atBof = true;
    d->atEof = d->keys.empty();
    d->moved();
}

void Table::next()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return;
    if (d->pos + 1 < static_cast<int>(d->keys.size())) {
        d->setPos(d->pos + 1);
        d->atBof = false;
        d->atEof = false;
        d->moved();
    } else {
        d->atEof = true;
    }
}

void Table::prior()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return;
    if (d->pos > 0) {
        d->setPos(d->pos - 1);
        d->atBof = false;
        d->atEof = false;
        d->moved();
    } else {
        d->atBof = true;
    }
}

void Table::last()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return;
    d->setPos(static_cast<int>(d->keys.size()) - 1);
    d->atEof = d->keys.empty();
    d->atBof = d->keys.empty();
    d->moved();
}

bool Table::eof() const
{
    d->requireOpen();
    return d->atEof;
}

bool Table::bof() const
{
    d->requireOpen();
    return d->atBof;
}

int Table::recordCount() const
{
    d->requireOpen();
    return static_cast<int>(d->keys.size());
}

int Table::recNo() const
{
    d->requireOpen();
    return d->pos;
}

bool Table::locate(const std::vector<std::pair<std::string, Value>> &match, bool caseInsensitive)
{
    d->requireOpen();
    std::vector<int> cols;
    std::vector<Value> want;
    for (const auto &[name, v] : match) {
        const int c = d->fieldIndex(name);
        cols.push_back(c);
        Value w;
        try {
            w = d->coerce(d->def.fields[static_cast<std::size_t>(c)], v);
        } catch (const TableError &) {
            return false; // a value the field cannot hold matches no row
        }
        if (caseInsensitive && w.isText())
            w = Value(foldCase(w.toText()));
        want.push_back(std::move(w));
    }
    std::int64_t found = -1;
    d->scanVisible(cols, [&](std::int64_t key, const std::vector<Value> &vals) {
        if (found >= 0)
            return;
        for (std::size_t k = 0; k < want.size(); ++k) {
            const Value &a = vals[k];
            const Value &b = want[k];
            if (a.isNull() || b.isNull()) {
                if (a.isNull() != b.isNull())
                    return;
            } else if (b.isText()) {
                if ((caseInsensitive ? foldCase(a.toText()) : a.toText()) != b.toText())
                    return;
            } else if (a.toDouble() != b.toDouble()) {
                return;
            }
        }
        found = key;
    });
    if (found < 0)
        return false;
    if (!d->checkBrowseMode())
        return false;
    const int at = d->indexOf(found);
    if (at < 0)
        return false;
    d->setPos(at);
    d->atBof = d->atEof = false;
    d->moved();
    return true;
}

bool Table::append()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return false;
    if (beforeInsert && !beforeInsert(*this))
        return false;
    d->buf.assign(d->def.fields.size(), Value());
    d->modified.assign(d->def.fields.size(), false);
    if (d->master && d->kod0 >= 0) {
        if (auto mk = d->masterKod()) {
            d->buf[static_cast<std::size_t>(d->kod0)] = Value(*mk);
            d->modified[static_cast<std::size_t>(d->kod0)] = true;
        }
    }
    d->state = TableState::Insert;
    d->notify(TableChange::State);
    d->notifyDetails();
    if (afterInsert)
        afterInsert(*this);
    d->dirty = false;
    return true;
}

bool Table::edit()
{
    d->requireOpen();
    if (d->state == TableState::Edit || d->state == TableState::Insert)
        return true;
    if (d->pos < 0)
        throw TableError("Ошибка. В таблице " + d->name() + " нет текущей записи.");
    if (beforeEdit && !beforeEdit(*this))
        return false;
    // Start from the stored row, not from a stale cache.
    d->setPos(d->pos);
    if (d->pos < 0)
        throw TableError("Ошибка. В таблице " + d->name() + " нет текущей записи.");
    d->buf = d->cur;
    d->modified.assign(d->def.fields.size(), false);
    d->dirty = false;
    d->state = TableState::Edit;
    d->notify(TableChange::State);
    if (afterEdit)
        afterEdit(*this);
    return true;
}

bool Table::post()
{
    d->requireOpen();
    if (d->state != TableState::Edit && d->state != TableState::Insert)
        return true;
    if (beforePost && !beforePost(*this))
        return false;
    const auto &fields = d->def.fields;
    std::int64_t key = -1;
    const bool inserting = d->state == TableState::Insert;
    std::vector<Value> row = d->buf; // the row as stored, for the visible keys
    if (inserting || std::find(d->modified.begin(), d->modified.end(), true) != d->modified.end())
        d->beforeWrite();
    if (inserting) {
        std::string cols;
        std::string params;
        std::vector<std::size_t> idx;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (fields[k].type == FieldType::AutoInc || d->buf[k].isNull())
                continue;
            cols += (cols.empty() ? "" : ",") + quoteId(fields[k].name);
            params += (params.empty() ? "?" : ",?");
            idx.push_back(k);
        }
        const std::string sql = idx.empty()
            ? "INSERT INTO " + d->sqlName + " DEFAULT VALUES"
            : "INSERT INTO " + d->sqlName + " (" + cols + ") VALUES (" + params + ")";
        Stmt st(d->db, sql, &d->stmts);
        for (std::size_t i = 0; i < idx.size(); ++i)
            st.bind(static_cast<int>(i) + 1, d->buf[idx[i]]);
        st.step();
        key = sqlite3_last_insert_rowid(d->db);
        d->wrote(key);
        if (d->kod >= 0)
            row[static_cast<std::size_t>(d->kod)] = Value(key);
    } else {
        key = d->keys[static_cast<std::size_t>(d->pos)];
        std::string set;
        std::vector<std::size_t> idx;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (!d->modified[k] || fields[k].type == FieldType::AutoInc)
                continue;
            set += (set.empty() ? "" : ",") + quoteId(fields[k].name) + "=?";
            idx.push_back(k);
        }
        if (!idx.empty()) {
            Stmt st(d->db, "UPDATE " + d->sqlName + " SET " + set + " WHERE rowid=?", &d->stmts);
            for (std::size_t i = 0; i < idx.size(); ++i)
                st.bind(static_cast<int>(i) + 1, d->buf[idx[i]]);
            sqlite3_bind_int64(st.get(), static_cast<int>(idx.size()) + 1, key);
            st.step();
            d->wrote(key);
        }
    }
    d->state = TableState::Browse;
    d->buf.clear();
    d->modified.clear();
    const int oldPos = d->pos;
    d->updateKeys(key, &row);
    d->positionOn(key, oldPos);
    d->atBof = d->atEof = d->keys.empty();
    d->notify(TableChange::State);
    d->notify(TableChange::Data);
    d->moved();
    if (afterPost)
        afterPost(*this);
    return true;
}

void Table::cancel()
{
    d->requireOpen();
    if (d->state != TableState::Edit && d->state != TableState::Insert)
        return;
    const bool wasInsert = d->state == TableState::Insert;
    d->state = TableState::Browse;
    d->buf.clear();
    d->modified.clear();
    d->setPos(d->pos);
    d->notify(TableChange::State);
    if (wasInsert)
        d->notifyDetails();
    if (afterCancel)
        afterCancel(*this);
}

bool Table::remove()
{
    d->requireOpen();
    if (d->state == TableState::Insert) {
        cancel();
        return true;
    }
    if (d->pos < 0)
        throw TableError("Ошибка. В таблице " + d->name() + " нет записей для удаления.");
    if (beforeDelete && !beforeDelete(*this))
        return false;
    if (d->state == TableState::Edit) {
        d->state = TableState::Browse;
        d->buf.clear();
        d->modified.clear();
        d->notify(TableChange::State);
    }
    const std::int64_t key = d->keys[static_cast<std::size_t>(d->pos)];
    d->beforeWrite();
    {
        Stmt st(d->db, "DELETE FROM " + d->sqlName + " WHERE rowid=?1", &d->stmts);
        sqlite3_bind_int64(st.get(), 1, key);
        st.step();
    }
    d->wrote(key);
    const int oldPos = d->pos;
    d->updateKeys(key, nullptr);
    d->setPos(oldPos);
    d->atBof = d->atEof = d->keys.empty();
    d->notify(TableChange::Data);
    d->moved();
    if (afterDelete)
        afterDelete(*this);
    return true;
}

TableState Table::state() const { return d->state; }

bool Table::isEditing() const
{
    return d->state == TableState::Edit || d->state == TableState::Insert;
}

Table::Bookmark Table::bookmark() const
{
    if (!d->db || d->pos < 0)
        return -1;
    return d->keys[static_cast<std::size_t>(d->pos)];
}

bool Table::gotoBookmark(Bookmark b)
{
    d->requireOpen();
    if (d->indexOf(b) < 0)
        return false;
    if (!d->checkBrowseMode())
        return false;
    const int p = d->indexOf(b); // a post may have changed the keys
    if (p < 0)
        return false;
    if (p == d->pos) {
        // Back on a row after a walk that ran off the end: no longer past the last row.
        d->atBof = d->atEof = false;
        return true;
    }
    d->setPos(p);
    d->atBof = d->atEof = false;
    d->moved();
    return true;
}

Value Table::value(const std::string &field) const
{
    d->requireOpen();
    if (auto lk = d->lookups.find(field); lk != d->lookups.end()) {
        const Value key = value(lk->second.localKey);
        Impl &src = *lk->second.source->d;
        if (key.isNull() || !src.db)
            return {};
        const int kc = src.fieldIndex(lk->second.sourceKey);
        const int vc = src.fieldIndex(lk->second.sourceField);
        Stmt st(src.db, "SELECT " + quoteId(src.def.fields[static_cast<std::size_t>(vc)].name) + " FROM "
                            + src.sqlName + " WHERE " + quoteId(src.def.fields[static_cast<std::size_t>(kc)].name)
                            + " = ?1 ORDER BY rowid LIMIT 1",
                &src.stmts);
        st.bind(1, key);
        if (!st.step())
            return {};
        return columnValue(st.get(), 0, src.def.fields[static_cast<std::size_t>(vc)].type);
    }
    const auto k = static_cast<std::size_t>(d->fieldIndex(field));
    if (d->state == TableState::Edit || d->state == TableState::Insert)
        return d->buf[k];
    if (d->pos < 0)
        throw TableError("Ошибка. В таблице " + d->name() + " нет текущей записи.");
    return d->cur[k];
}

bool Table::isNull(const std::string &field) const { return value(field).isNull(); }
double Table::asDouble(const std::string &field) const { return value(field).toDouble(); }
int Table::asInt(const std::string &field) const { return static_cast<int>(value(field).toInt()); }
std::string Table::asText(const std::string &field) const { return value(field).toText(); }
bool Table::asBool(const std::string &field) const { return value(field).toBool(); }

void Table::setValue(const std::string &field, const Value &v)
{
    d->requireOpen();
    const auto k = static_cast<std::size_t>(d->fieldIndex(field));
    if (d->state != TableState::Edit && d->state != TableState::Insert)
        throw TableError("Ошибка. Таблица " + d->name() + " не находится в режиме редактирования.");
    const FieldDef &f = d->def.fields[k];
    if (f.type == FieldType::AutoInc)
        throw TableError("Ошибка. Поле " + f.name + " таблицы " + d->name()
                         + " заполняется автоматически.");
    Value nv = d->coerce(f, v);
    // Writing back the stored value changes nothing: the field stays unmodified, so a post of
    // an unchanged row writes nothing and touches no file.
    if (d->modified[k] || d->state == TableState::Insert || !(nv == d->buf[k]))
        d->modified[k] = true;
    d->buf[k] = std::move(nv);
    d->dirty = true;
    d->notify(TableChange::Data);
}

void Table::setNull(const std::string &field) { setValue(field, Value()); }

void Table::setMaster(Table *master)
{
    if (d->master) {
        auto &ds = d->master->d->details;
        ds.erase(std::remove(ds.begin(), ds.end(), this), ds.end());
    }
    d->master = master;
    if (master)
        master->d->details.push_back(this);
    if (d->db) {
        d->seenMasterKod = std::nullopt;
        d->loadKeys();
        d->setPos(0);
        d->atBof = true;
        d->atEof = d->keys.empty();
        d->notify(TableChange::Data);
        d->moved();
    }
}

Table *Table::master() const { return d->master; }

void Table::addLookupField(const std::string &name, Table *source, const std::string &localKey,
                           const std::string &sourceKey, const std::string &sourceField)
{
    d->fieldIndex(localKey); // both ends must exist
    source->d->fieldIndex(sourceKey);
    source->d->fieldIndex(sourceField);
    d->lookups[name] = Impl::Lookup{source, localKey, sourceKey, sourceField};
}

void Table::setFilter(const std::string &expr)
{
    Filter f;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < expr.size() && (expr[i] == ' ' || expr[i] == '\t'))
            ++i;
    };
    auto bad = [&]() -> TableError {
        return TableError("Ошибка. Неверное условие фильтра \"" + expr + "\" (таблица " + d->name() + ").");
    };
    skip();
    if (i < expr.size()) {
        if (expr[i] != '[')
            throw bad();
        const auto close = expr.find(']', i);
        if (close == std::string::npos)
            throw bad();
        const std::string field = expr.substr(i + 1, close - i - 1);
        i = close + 1;
        try {
            f.field = d->fieldIndex(field);
        } catch (const TableError &) {
            throw bad();
        }
        skip();
        const std::string rest = expr.substr(i);
        static const std::pair<const char *, Filter::Op> ops[] = {
            {"<>", Filter::Ne}, {"<=", Filter::Le}, {">=", Filter::Ge},
            {"=", Filter::Eq},  {"<", Filter::Lt},  {">", Filter::Gt}};
        bool opFound = false;
        for (const auto &[text, op] : ops) {
            if (rest.rfind(text, 0) == 0) {
                f.op = op;
                i += std::string(text).size();
                opFound = true;
                break;
            }
        }
        if (!opFound)
            throw bad();
        skip();
        std::string lit = expr.substr(i);
        while (!lit.empty() && (lit.back() == ' ' || lit.back() == '\t'))
            lit.pop_back();
        if (lit.empty())
            throw bad();
        if (lit.front() == '\'') {
            if (lit.size() < 2 || lit.back() != '\'')
                throw bad();
            std::string t;
            for (std::size_t k = 1; k + 1 < lit.size(); ++k) {
                if (lit[k] == '\'') {
                    if (k + 2 < lit.size() && lit[k + 1] == '\'')
                        ++k;
                    else
                        throw bad();
                }
                t += lit[k];
            }
            if (!t.empty() && t.back() == '*') {
                f.prefix = true;
                t.pop_back();
            }
            const FieldType ft = d->def.fields[static_cast<std::size_t>(f.field)].type;
            if (!f.prefix && isNumeric(ft) && parseLooseNumber(t)) {
                f.numeric = true;
                f.number = *parseLooseNumber(t);
            } else {
                f.folded = foldCase(t);
            }
        } else if (foldCase(lit) == "null") {
            if (f.op != Filter::Eq && f.op != Filter::Ne)
                throw bad();
            f.nullLiteral = true;
        } else {
            auto n = parseLooseNumber(lit);
            if (!n)
                throw bad();
            f.numeric = true;
            f.number = *n;
        }
        f.active = true;
    }
    d->filter = f;
    d->filterText = expr;
    if (d->db) {
        if (!d->checkBrowseMode())
            cancel();
        const std::int64_t keep = bookmark();
        d->loadKeys();
        d->positionOn(keep, 0);
        d->atBof = true;
        d->atEof = d->keys.empty();
        d->notify(TableChange::Data);
        d->moved();
    }
}

std::string Table::filter() const { return d->filterText; }

int Table::subscribe(std::function<void(TableChange)> listener)
{
    const int h = d->nextHandle++;
    d->listeners.emplace_back(h, std::move(listener));
    return h;
}

void Table::unsubscribe(int handle)
{
    auto &l = d->listeners;
    l.erase(std::remove_if(l.begin(), l.end(), [&](const auto &p) { return p.first == handle; }),
            l.end());
}

void Table::refresh()
{
    d->requireOpen();
    if (!d->checkBrowseMode())
        return;
    d->reloadKeepingRow();
}

std::vector<std::vector<Value>> Table::select(const std::vector<std::string> &fields,
                                              const std::string &orderBy) const
{
    d->requireOpen();
    std::vector<int> cols;
    for (const auto &f : fields)
        cols.push_back(d->fieldIndex(f));
    const bool ordered = !orderBy.empty();
    if (ordered)
        cols.push_back(d->fieldIndex(orderBy));
    std::vector<std::vector<Value>> rows;
    d->scanVisible(cols, [&](std::int64_t, const std::vector<Value> &v) { rows.push_back(v); });
    if (ordered) {
        const FieldType t = d->def.fields[static_cast<std::size_t>(cols.back())].type;
        const std::size_t o = fields.size();
        auto less = [&](const std::vector<Value> &a, const std::vector<Value> &b) {
            const Value &x = a[o];
            const Value &y = b[o];
            if (x.isNull() || y.isNull())
                return x.isNull() && !y.isNull(); // empty values first
            if (isTextual(t))
                return foldCase(x.toText()) < foldCase(y.toText());
            return x.toDouble() < y.toDouble();
        };
        std::stable_sort(rows.begin(), rows.end(), less);
        for (auto &r : rows)
            r.pop_back();
    }
    return rows;
}

std::optional<std::vector<Value>> Table::rowByKey(std::int64_t kod) const
{
    d->requireOpen();
    Stmt st(d->db, "SELECT " + d->columnList + " FROM " + d->sqlName + " WHERE rowid = ?1", &d->stmts);
    sqlite3_bind_int64(st.get(), 1, kod);
    if (!st.step())
        return std::nullopt;
    std::vector<Value> row(d->def.fields.size());
    for (std::size_t k = 0; k < row.size(); ++k)
        row[k] = columnValue(st.get(), static_cast<int>(k) + 1, d->def.fields[k].type);
    return row;
}

std::vector<std::int64_t> Table::keysUnder(std::int64_t masterKod) const
{
    d->requireOpen();
    std::vector<std::int64_t> keys;
    Stmt st(d->db, d->kod0 >= 0 ? "SELECT rowid FROM " + d->sqlName + " WHERE \"Kod0\" = ?1 ORDER BY rowid"
                                : "SELECT rowid FROM " + d->sqlName + " ORDER BY rowid",
            &d->stmts);
    if (d->kod0 >= 0)
        sqlite3_bind_int64(st.get(), 1, masterKod);
    while (st.step())
        keys.push_back(sqlite3_column_int64(st.get(), 0));
    return keys;
}

void Table::putRow(const std::vector<Value> &values)
{
    d->requireOpen();
    if (d->kod != 0 || values.size() != d->def.fields.size() || values[0].isNull())
        d->fail("Ошибка. Неверная запись для таблицы " + d->name() + ".");
    if (isEditing())
        d->fail("Ошибка. Таблица " + d->name() + " в режиме редактирования.");
    std::string cols;
    std::string params;
    for (std::size_t k = 0; k < values.size(); ++k) {
        cols += (k ? "," : "") + quoteId(d->def.fields[k].name);
        params += k ? ",?" : "?";
    }
    std::vector<Value> row;
    for (std::size_t k = 0; k < values.size(); ++k)
        row.push_back(d->coerce(d->def.fields[k], values[k]));
    d->beforeWrite();
    {
        Stmt st(d->db, "INSERT OR REPLACE INTO " + d->sqlName + " (" + cols + ") VALUES (" + params + ")", &d->stmts);
        for (std::size_t k = 0; k < row.size(); ++k)
            st.bind(static_cast<int>(k) + 1, row[k]);
        st.step();
    }
    d->wrote(row[0].toInt());
    refresh();
}

void Table::removeRowByKey(std::int64_t kod)
{
    d->requireOpen();
    if (isEditing())
        d->fail("Ошибка. Таблица " + d->name() + " в режиме редактирования.");
    d->beforeWrite();
    {
        Stmt st(d->db, "DELETE FROM " + d->sqlName + " WHERE rowid = ?1", &d->stmts);
        sqlite3_bind_int64(st.get(), 1, kod);
        st.step();
    }
    d->wrote(kod);
    refresh();
}

sqlite3 *Table::connection() const { return d->db; }

bool Table::beginReadScope()
{
    if (!d->db || d->readTxn || !sqlite3_get_autocommit(d->db))
        return false;
    // A deferred transaction takes its shared lock at the first read.
    d->readTxn = sqlite3_exec(d->db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    return d->readTxn;
}

void Table::endReadScope() noexcept
{
    if (!d->readTxn)
        return;
    d->readTxn = false;
    if (d->db && !sqlite3_get_autocommit(d->db)
        && sqlite3_exec(d->db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
}

ReadScope::ReadScope(const std::vector<Table *> &tables)
{
    for (Table *t : tables)
        if (t && t->beginReadScope())
            m_begun.push_back(t);
}

ReadScope::~ReadScope()
{
    for (Table *t : m_begun)
        t->endReadScope();
}

void Table::setWriteHook(std::function<void(Table &)> hook) { d->writeHook = std::move(hook); }

void Table::setKeyTracking(bool on)
{
    d->tracking = on;
    if (!on)
        d->written.clear();
}

std::vector<std::int64_t> Table::writtenKeys() const
{
    return {d->written.begin(), d->written.end()};
}

void Table::reloadAfterRollback()
{
    if (!d->db)
        return;
    if (isEditing()) {
        // The edit belonged to the command that failed.
        d->state = TableState::Browse;
        d->buf.clear();
        d->modified.clear();
        d->notify(TableChange::State);
    }
    d->reloadKeepingRow();
}

std::string fileInUseMessage(const std::string &path)
{
    return "Ошибка. Файл " + path + " занят другой программой; повторите действие позже.";
}

void Table::discardEdit() noexcept
{
    if (!isEditing())
        return;
    d->state = TableState::Browse;
    d->buf.clear();
    d->modified.clear();
    d->dirty = false;
    try {
        d->notify(TableChange::State);
    } catch (...) {
        // A view that cannot follow shows the table on its next change.
    }
}

std::string createTableSql(const TableDef &def)
{
    std::string sql = "CREATE TABLE " + quoteId(sqlTableName(def)) + " (";
    bool firstCol = true;
    for (const auto &f : def.fields) {
        if (!firstCol)
            sql += ", ";
        firstCol = false;
        sql += quoteId(f.name) + " " + sqlType(f.type);
        if (f.type == FieldType::AutoInc)
            sql += " PRIMARY KEY AUTOINCREMENT";
        if (f.type == FieldType::Text && f.size > 0)
            sql += " CHECK (length(" + quoteId(f.name) + ") <= " + std::to_string(f.size) + ")";
        if (f.type == FieldType::Boolean)
            sql += " CHECK (" + quoteId(f.name) + " IN (0, 1))";
    }
    sql += ");";
    if (def.field("Kod0"))
        sql += " CREATE INDEX \"Kod0\" ON " + quoteId(sqlTableName(def)) + " (\"Kod0\", \"Kod\");";
    return sql;
}

bool isStorageFailure(int sqliteCode)
{
    const int primary = sqliteCode & 0xff;
    return primary == SQLITE_FULL || primary == SQLITE_IOERR;
}

void throwDatabaseError(sqlite3 *db, const std::string &text)
{
    if (db && isStorageFailure(sqlite3_extended_errcode(db)))
        throw StorageError(text);
    throw TableError(text);
}

// A temporary name of this process beside a table file being made: "<file>.tmp-<pid>-<n>".
static std::string temporaryTableName(const std::string &path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

void createTableFile(const std::string &path, TableId id, const std::string &initialSql)
{
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw TableError("Ошибка. Файл " + path + " уже существует.");
    // Built under a name of its own (another program may be making the same file) and given its
    // name when complete, so that an interrupted installation never leaves a half-made table
    // file and two makers never write into one.
    const std::string tmp = temporaryTableName(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        std::string m = db ? sqlite3_errmsg(db) : "?";
        sqlite3_close_v2(db);
        std::filesystem::remove(tmp, ec);
        throw TableError("Ошибка. Не удалось создать файл " + path + ": " + m);
    }
    const std::string sql = "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN; "
        + createTableSql(tableDef(id)) + "\n" + initialSql + "\nCOMMIT;";
    char *err = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    std::string m = err ? err : "";
    sqlite3_free(err);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK) {
        std::filesystem::remove(tmp, ec);
        const std::string text = "Ошибка. Не удалось создать таблицу " + path + ": " + m;
        if (isStorageFailure(rc))
            throw StorageError(text);
        throw TableError(text);
    }
    // Never over a file that appeared meanwhile.
    if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        const int e = errno;
        if ((e == EINVAL || e == ENOSYS) && !std::filesystem::exists(path, ec)) {
            std::filesystem::rename(tmp, path, ec); // a file system without the no-replace kind
            if (!ec)
                return;
        }
        std::filesystem::remove(tmp, ec);
        if (e == EEXIST)
            throw TableError("Ошибка. Не удалось создать файл " + path + ": файл уже существует");
        throw StorageError("Ошибка. Не удалось создать файл " + path + ": " + std::strerror(e));
    }
}

} // namespace kv
