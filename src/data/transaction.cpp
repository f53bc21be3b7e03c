#include "data/transaction.h"

#include "data/transaction_p.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace kv {

using detail::TxnState;

namespace {

constexpr const char *kRecordMagic = "KVCOMMIT2\n";
constexpr const char *kRecordMagicV1 = "KVCOMMIT1\n"; // the format before the length was added

std::string sqlError(sqlite3 *db) { return db ? sqlite3_errmsg(db) : "?"; }

void execOn(Table &t, const std::string &sql)
{
    sqlite3 *db = t.connection();
    char *err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string m = err ? err : sqlError(db);
        sqlite3_free(err);
        const int code = sqlite3_errcode(db) & 0xff;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw TableError(fileInUseMessage(t.filePath()));
        throwDatabaseError(db, "Ошибка базы данных (" + t.def().fileName + "): " + m);
    }
}

void execQuietly(Table &t, const std::string &sql) noexcept
{
    if (sqlite3 *db = t.connection())
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

std::string savepointName(int level) { return "kv_level" + std::to_string(level); }

std::string withSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

// Flushes a folder entry (a rename or removal) to disk.
void syncFolder(const std::string &dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The lock of the data folder is a flock on the folder itself, so nothing is added to it.
// -1 when the folder cannot be opened.
int openLockFile(const std::string &dir)
{
    return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// flock with a time limit, so that a hung reader cannot block a writer for ever.
bool lockWithin(int fd, int op)
{
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(detail::busyWaitMs);
    while (::flock(fd, op | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// --- The commit record -----------------------------------------------------------------------
// "KVCOMMIT1\n", the number of files, per file: its file name, its SQL table name, whether the
// rowid is the Kod field, its column names and its row images (operation 'P' put or 'D' delete,
// the rowid, for 'P' every column as a tagged SQLite value); then an FNV-1a checksum of all that.

class Writer {
public:
    void u8(std::uint8_t v) { m_s.push_back(static_cast<char>(v)); }
    void u64(std::uint64_t v) { m_s.append(reinterpret_cast<const char *>(&v), sizeof v); }
    void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
    void bytes(const void *p, std::size_t n)
    {
        u64(n);
        m_s.append(static_cast<const char *>(p), n);
    }
    void str(const std::string &s) { bytes(s.data(), s.size()); }
    std::string &data() { return m_s; }

private:
    std::string m_s;
};

// A commit record that does not read back as written; what is wrong, in words.
struct Damaged {
    std::string why;
};

class Reader {
public:
    Reader(const std::string &s, std::size_t begin, std::size_t end)
        : m_s(s), m_pos(begin), m_end(end)
    {
    }
    std::uint8_t u8()
    {
        need(1);
        return static_cast<std::uint8_t>(m_s[m_pos++]);
    }
    std::uint64_t u64()
    {
        need(8);
        std::uint64_t v;
        std::memcpy(&v, m_s.data() + m_pos, 8);
        m_pos += 8;
        return v;
    }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    std::string str()
    {
        const std::uint64_t n = u64();
        need(n);
        std::string s = m_s.substr(m_pos, n);
        m_pos += n;
        return s;
    }
    bool atEnd() const { return m_pos == m_end; }

private:
    void need(std::uint64_t n) const
    {
        if (n > m_end - m_pos)
            throw Damaged{"запись обрывается"};
    }
    const std::string &m_s;
    std::size_t m_pos;
    std::size_t m_end;
};

std::uint64_t fnv1a(const char *p, std::size_t n)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 1099511628211ULL;
    }
    return h;
}

std::string quoteId(const std::string &name) { return "\"" + name + "\""; }

// Appends the images of the written rows of one table.
void recordTable(Writer &w, Table &t)
{
    const TableDef &def = t.def();
    std::vector<std::string> cols;
    for (const FieldDef &f : def.fields)
        cols.push_back(f.name);
    w.str(def.fileName);
    w.str(t.sqlTable());
    w.u8(def.hasKod() ? 1 : 0);
    w.u64(cols.size());
    for (const auto &c : cols)
        w.str(c);
    const std::vector<std::int64_t> keys = t.writtenKeys();
    w.u64(keys.size());
    std::string sql = "SELECT ";
    for (std::size_t k = 0; k < cols.size(); ++k)
        sql += (k ? "," : "") + quoteId(cols[k]);
    sql += " FROM " + quoteId(t.sqlTable()) + " WHERE rowid = ?1";
    sqlite3 *db = t.connection();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw TableError("Ошибка базы данных (" + def.fileName + "): " + sqlError(db));
    try {
        for (std::int64_t key : keys) {
            sqlite3_reset(st);
            sqlite3_bind_int64(st, 1, key);
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_DONE) {
                w.u8('D');
                w.i64(key);
                continue;
            }
            if (rc != SQLITE_ROW)
                throw TableError("Ошибка базы данных (" + def.fileName + "): " + sqlError(db));
            w.u8('P');
            w.i64(key);
            for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    w.u8(1);
                    w.i64(sqlite3_column_int64(st, c));
                    break;
                case SQLITE_FLOAT: {
                    const double x = sqlite3_column_double(st, c);
                    std::uint64_t bits;
                    std::memcpy(&bits, &x, 8);
                    w.u8(2);
                    w.u64(bits);
                    break;
                }
                case SQLITE_TEXT:
                    w.u8(3);
                    w.bytes(sqlite3_column_text(st, c),
                            static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
                    break;
                case SQLITE_BLOB:
                    w.u8(4);
                    w.bytes(sqlite3_column_blob(st, c),
                            static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
                    break;
                default:
                    w.u8(0);
                    break;
                }
            }
        }
    } catch (...) {
        sqlite3_finalize(st);
        throw;
    }
    sqlite3_finalize(st);
}

// One file's part of a commit record, read and checked before anything is written.
struct RecordedValue {
    std::uint8_t tag = 0; // 0 null, 1 integer, 2 real, 3 text, 4 blob
    std::int64_t i = 0;
    double d = 0;
    std::string s;
};
struct RecordedRow {
    std::uint8_t op = 0; // 'P' put, 'D' delete
    std::int64_t key = 0;
    std::vector<RecordedValue> values;
};
struct RecordedFile {
    const TableDef *def = nullptr;
    std::string table; // the table's name inside the file (usual or marked)
    std::vector<RecordedRow> rows;
};

// The table of the folder a record names: one of the folder's own files with its own table and
// layout. Anything else (another path, "../x.db", another layout) is not a record of ours.
const TableDef &recordedTable(const std::string &file, const std::string &table, bool kodIsRowid,
                              const std::vector<std::string> &cols)
{
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        if (def.fileName != file)
            continue;
        bool same = (table == sqlTableName(def)
                     || (!def.markedSqlName.empty() && table == def.markedSqlName))
                    && kodIsRowid == def.hasKod()
                    && cols.size() == def.fields.size();
        for (std::size_t k = 0; same && k < cols.size(); ++k)
            same = cols[k] == def.fields[k].name;
        if (!same)
            throw Damaged{"таблица " + file + " записана не в своем виде"};
        return def;
    }
    throw Damaged{"в ней назван чужой файл \"" + file + "\""};
}

RecordedFile readRecordedFile(Reader &r)
{
    const std::string file = r.str();
    const std::string table = r.str();
    const bool kodIsRowid = r.u8() != 0;
    const std::uint64_t ncols = r.u64();
    std::vector<std::string> cols;
    for (std::uint64_t k = 0; k < ncols; ++k) {
        if (k >= 4096)
            throw Damaged{"слишком много полей"};
        cols.push_back(r.str());
    }
    RecordedFile f;
    f.def = &recordedTable(file, table, kodIsRowid, cols);
    f.table = table;
    const std::uint64_t nrows = r.u64();
    for (std::uint64_t i = 0; i < nrows; ++i) {
        RecordedRow row;
        row.op = r.u8();
        row.key = r.i64();
        if (row.op != 'P' && row.op != 'D')
            throw Damaged{"неизвестная операция"};
        if (row.op == 'P') {
            for (std::size_t c = 0; c < cols.size(); ++c) {
                RecordedValue v;
                v.tag = r.u8();
                switch (v.tag) {
                case 0:
                    break;
                case 1:
                    v.i = r.i64();
                    break;
                case 2: {
                    const std::uint64_t bits = r.u64();
                    std::memcpy(&v.d, &bits, 8);
                    break;
                }
                case 3:
                case 4:
                    v.s = r.str();
                    break;
                default:
                    throw Damaged{"неизвестный тип значения"};
                }
                row.values.push_back(std::move(v));
            }
        }
        f.rows.push_back(std::move(row));
    }
    return f;
}

// Reads a whole commit record and checks it: its format, its length, its checksum and every
// file it names. Written as "KVCOMMIT2\n", the length of the body, the body (the number of files,
// then per file: its file name, its SQL table name, whether the rowid is the Kod field, its
// column names and its row images) and an FNV-1a checksum of everything before it. A record of
// the first format ("KVCOMMIT1\n", body, checksum, no length) is still read: the checksum
// covers it whole.
std::vector<RecordedFile> parseRecord(const std::string &data)
{
    const std::size_t magic = std::strlen(kRecordMagic);
    if (data.size() < magic + 16)
        throw Damaged{"запись обрывается"};
    std::size_t begin = magic;
    const std::size_t end = data.size() - 8;
    if (data.compare(0, magic, kRecordMagic) == 0) {
        std::uint64_t length;
        std::memcpy(&length, data.data() + magic, 8);
        begin = magic + 8;
        if (length != data.size() - begin - 8)
            throw Damaged{length > data.size() ? "запись обрывается" : "неверная длина записи"};
    } else if (data.compare(0, magic, kRecordMagicV1) != 0) {
        throw Damaged{"неизвестный формат"};
    }
    std::uint64_t sum;
    std::memcpy(&sum, data.data() + end, 8);
    if (sum != fnv1a(data.data(), end))
        throw Damaged{"неверная контрольная сумма"};
    Reader r(data, begin, end);
    const std::uint64_t nfiles = r.u64();
    std::vector<RecordedFile> files;
    for (std::uint64_t f = 0; f < nfiles; ++f) {
        if (f >= static_cast<std::uint64_t>(kTableCount) * 4)
            throw Damaged{"слишком много файлов"};
        files.push_back(readRecordedFile(r));
    }
    if (!r.atEnd())
        throw Damaged{"лишние данные в конце записи"};
    return files;
}

// Writes the record's rows of one file, in one SQLite transaction, on its own connection.
void replayFile(const std::string &dir, const RecordedFile &f)
{
    const TableDef &def = *f.def;
    const std::string path = dir + def.fileName;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string m = sqlError(db);
        sqlite3_close_v2(db);
        throw TableError("Ошибка. Не удалось завершить прерванную команду в файле " + path + ": " + m);
    }
    sqlite3_stmt *put = nullptr;
    sqlite3_stmt *del = nullptr;
    auto fail = [&](const std::string &m) {
        sqlite3_finalize(put);
        sqlite3_finalize(del);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        throw TableError("Ошибка. Не удалось завершить прерванную команду в файле " + path + ": " + m);
    };
    sqlite3_busy_timeout(db, detail::busyWaitMs);
    const std::string table = quoteId(f.table);
    std::string sql = "INSERT OR REPLACE INTO " + table + " (";
    std::string params;
    if (!def.hasKod()) {
        sql += "rowid";
        params = "?";
    }
    for (const FieldDef &c : def.fields) {
        sql += (params.empty() ? "" : ",") + quoteId(c.name);
        params += params.empty() ? "?" : ",?";
    }
    sql += ") VALUES (" + params + ")";
    if (sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN IMMEDIATE",
                     nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, sql.c_str(), -1, &put, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, ("DELETE FROM " + table + " WHERE rowid = ?1").c_str(), -1, &del,
                              nullptr) != SQLITE_OK)
        fail(sqlError(db));
    for (const RecordedRow &row : f.rows) {
        if (row.op == 'D') {
            sqlite3_reset(del);
            sqlite3_bind_int64(del, 1, row.key);
            if (sqlite3_step(del) != SQLITE_DONE)
                fail(sqlError(db));
            continue;
        }
        sqlite3_reset(put);
        sqlite3_clear_bindings(put);
        int p = 1;
        if (!def.hasKod())
            sqlite3_bind_int64(put, p++, row.key);
        for (const RecordedValue &v : row.values) {
            switch (v.tag) {
            case 1:
                sqlite3_bind_int64(put, p, v.i);
                break;
            case 2:
                sqlite3_bind_double(put, p, v.d);
                break;
            case 3:
                sqlite3_bind_text(put, p, v.s.data(), static_cast<int>(v.s.size()), SQLITE_STATIC);
                break;
            case 4:
                sqlite3_bind_blob(put, p, v.s.data(), static_cast<int>(v.s.size()), SQLITE_STATIC);
                break;
            default:
                sqlite3_bind_null(put, p);
                break;
            }
            ++p;
        }
        if (sqlite3_step(put) != SQLITE_DONE)
            fail(sqlError(db));
    }
    sqlite3_finalize(put);
    sqlite3_finalize(del);
    put = del = nullptr;
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sqlError(db));
    sqlite3_close_v2(db);
}

bool readFile(const std::string &path, std::string &out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return n == 0;
}

void removeRecord(const std::string &dir)
{
    std::error_code ec;
    std::filesystem::remove(dir + kCommitRecordName, ec);
    syncFolder(dir);
}

bool recordPending(const std::string &dir)
{
    std::error_code ec;
    return std::filesystem::exists(dir + kCommitRecordName, ec);
}

// Runs the recovery with the exclusive lock already held. The record under its final name was
// complete when it was put there (it is renamed into place only once flushed), so one that does
// not read back is damaged: it is kept and the folder refused, never dropped, since the command
// it holds has counted as done. Nothing is written until the whole record has been checked.
bool recoverLocked(const std::string &dir)
{
    std::error_code ec;
    // A record still under its temporary name never became a commit point.
    std::filesystem::remove(dir + kCommitRecordName + std::string(".tmp"), ec);
    const std::string path = dir + kCommitRecordName;
    std::string data;
    if (!readFile(path, data)) {
        if (!recordPending(dir))
            return false;
        throw TableError("Ошибка. Не удалось прочитать запись о незавершенной команде " + path
                         + "; папка данных не открыта.");
    }
    std::vector<RecordedFile> files;
    try {
        files = parseRecord(data);
    } catch (const Damaged &d) {
        throw TableError("Ошибка. Запись о незавершенной команде " + path + " повреждена ("
                         + d.why + "); папка данных не открыта, чтобы не потерять изменения "
                                   "этой команды.");
    }
    for (const RecordedFile &f : files)
        replayFile(dir, f);
    removeRecord(dir);
    return true;
}

void reloadAll(DataModule &dm)
{
    for (TableId id : openingOrder()) {
        Table &t = dm.table(id);
        if (t.isOpen())
            t.reloadAfterRollback();
    }
}

} // namespace

bool recoverInterruptedCommit(const std::string &dataDir)
{
    const std::string dir = withSlash(dataDir);
    if (!recordPending(dir))
        return false;
    FolderLock lock(dir, true);
    if (!recordPending(dir))
        return false; // finished meanwhile by its own process or by another reader
    return recoverLocked(dir);
}

// --- Transaction ---------------------------------------------------------------------------

namespace {

// SQLite ends a transaction by itself when a write fails for want of space or on an I/O error;
// the connection then goes on in autocommit mode, every later statement committed at once, and
// a command would leave its files half written while it reports the failure. Such a
// transaction is lost: no further write goes through and it never commits.
void requireOpenTransaction(Table &t)
{
    if (t.connection() && sqlite3_get_autocommit(t.connection()))
        throw StorageError("Ошибка. Изменения в файле " + t.def().fileName
                           + " отменены из-за ошибки записи; команда не выполнена.");
}

void requireOpenTransactions(const TxnState &s)
{
    for (const TxnState::Member &m : s.members)
        requireOpenTransaction(*m.table);
}

void joinTable(TxnState &s, Table &t)
{
    if (!t.isOpen())
        return;
    requireOpenTransactions(s);
    if (s.find(t))
        return;
    // Rows read before in a read scope were read; the writes start from the file as it is now.
    t.endReadScope();
    execOn(t, "BEGIN IMMEDIATE");
    TxnState::Member m{&t, 0};
    try {
        for (int l = 2; l <= s.level; ++l) {
            execOn(t, "SAVEPOINT " + savepointName(l));
            ++m.savepoints;
        }
    } catch (...) {
        execQuietly(t, "ROLLBACK");
        throw;
    }
    t.setKeyTracking(true);
    s.members.push_back(m);
}

// Joins every table of the module to the transaction at its first write (s), or refuses every
// write (refuse: while a transaction rolls back), or neither.
void setHooks(DataModule &dm, TxnState *s, bool refuse = false)
{
    for (TableId id : openingOrder()) {
        Table &t = dm.table(id);
        if (refuse)
            t.setWriteHook([](Table &w) {
                throw TableError("Ошибка. Запись в таблицу " + w.def().fileName
                                 + " во время отмены команды.");
            });
        else if (s)
            t.setWriteHook([s](Table &w) { joinTable(*s, w); });
        else
            t.setWriteHook({});
    }
}

// Drops the edits in progress of every table before any of them re-reads (see
// Table::discardEdit).
void discardEdits(DataModule &dm) noexcept
{
    for (TableId id : openingOrder())
        dm.table(id).discardEdit();
}

} // namespace

Transaction::Transaction(DataModule &dm, const std::vector<TableId> &tables) : m_dm(dm)
{
    if (TxnState *s = dm.m_txn.get()) {
        // Nested: a savepoint on every connection of the outer transaction.
        requireOpenTransactions(*s);
        const int level = s->level + 1;
        std::vector<TxnState::Member *> done;
        try {
            for (TxnState::Member &m : s->members) {
                execOn(*m.table, "SAVEPOINT " + savepointName(level));
                ++m.savepoints;
                done.push_back(&m);
            }
        } catch (...) {
            for (TxnState::Member *m : done) {
                execQuietly(*m->table, "RELEASE " + savepointName(level));
                --m->savepoints;
            }
            throw;
        }
        s->level = level;
        m_level = level;
        try {
            for (TableId id : openingOrder())
                if (std::find(tables.begin(), tables.end(), id) != tables.end())
                    joinTable(*s, dm.table(id));
        } catch (...) {
            rollback();
            throw;
        }
        return;
    }

    for (int attempt = 0;; ++attempt) {
        auto s = std::make_unique<TxnState>();
        s->level = 1;
        try {
            for (TableId id : openingOrder())
                if (std::find(tables.begin(), tables.end(), id) != tables.end())
                    joinTable(*s, dm.table(id));
        } catch (...) {
            for (auto &m : s->members) {
                execQuietly(*m.table, "ROLLBACK");
                m.table->setKeyTracking(false);
            }
            throw;
        }
        // A commit left half done by a killed program must be finished before this one reads.
        if (!recordPending(dm.dataDir()) || attempt == 2) {
            m_dm.m_txn = std::move(s);
            break;
        }
        for (auto &m : s->members) {
            execQuietly(*m.table, "ROLLBACK");
            m.table->setKeyTracking(false);
        }
        recoverInterruptedCommit(dm.dataDir());
        reloadAll(dm);
    }
    m_level = 1;
    setHooks(dm, m_dm.m_txn.get());
}

Transaction::~Transaction()
{
    if (!m_done)
        rollback();
}

void Transaction::rollback() noexcept
{
    m_done = true;
    TxnState *s = m_dm.m_txn.get();
    if (!s)
        return;
    // Nothing is written while the rows go back: an edit in progress belongs to the failed
    // command, and a write now would land outside any transaction.
    setHooks(m_dm, nullptr, true);
    discardEdits(m_dm);
    try {
        if (m_level > 1) {
            const std::string sp = savepointName(m_level);
            for (TxnState::Member &m : s->members) {
                if (m.savepoints >= m_level - 1) {
                    execQuietly(*m.table, "ROLLBACK TO " + sp);
                    execQuietly(*m.table, "RELEASE " + sp);
                    --m.savepoints;
                }
            }
            s->level = m_level - 1;
            for (TableId id : openingOrder())
                if (s->find(m_dm.table(id)))
                    m_dm.table(id).reloadAfterRollback();
        } else {
            std::unique_ptr<TxnState> owned = std::move(m_dm.m_txn);
            s = nullptr;
            for (TxnState::Member &m : owned->members) {
                execQuietly(*m.table, "ROLLBACK");
                m.table->setKeyTracking(false);
            }
            for (TableId id : openingOrder())
                if (owned->find(m_dm.table(id)))
                    m_dm.table(id).reloadAfterRollback();
        }
    } catch (...) {
        // A table that cannot re-read its rows shows the store's error on its next use.
    }
    setHooks(m_dm, s);
}

void Transaction::commit()
{
    if (m_done)
        throw TableError("Ошибка. Транзакция уже завершена.");
    TxnState *s = m_dm.m_txn.get();
    requireOpenTransactions(*s); // on failure the destructor rolls back
    if (m_level > 1) {
        const std::string sp = savepointName(m_level);
        for (TxnState::Member &m : s->members) {
            if (m.savepoints >= m_level - 1) {
                execQuietly(*m.table, "RELEASE " + sp);
                --m.savepoints;
            }
        }
        s->level = m_level - 1;
        m_done = true;
        return;
    }

    std::vector<TxnState::Member *> changed;
    for (TxnState::Member &m : s->members) {
        requireOpenTransaction(*m.table); // its writes are lost: the rest must not commit
        if (!m.table->writtenKeys().empty())
            changed.push_back(&m);
    }

    const std::string dir = withSlash(m_dm.dataDir());
    if (changed.size() <= 1) {
        // One file: SQLite's own commit is atomic. The changed file goes first so that a failure
        // there still rolls everything back.
        if (!changed.empty())
            execOn(*changed.front()->table, "COMMIT"); // on failure the destructor rolls back
        m_done = true;
        setHooks(m_dm, nullptr);
        std::unique_ptr<TxnState> owned = std::move(m_dm.m_txn);
        for (TxnState::Member &m : owned->members) {
            execQuietly(*m.table, "COMMIT");
            m.table->setKeyTracking(false);
        }
        return;
    }

    // Several files: the commit record is the commit point.
    Writer w;
    w.data() = kRecordMagic;
    const std::size_t lengthAt = w.data().size();
    w.u64(0); // the length of the body, filled in below
    w.u64(changed.size());
    for (TxnState::Member *m : changed)
        recordTable(w, *m->table);
    const std::uint64_t length = w.data().size() - lengthAt - 8;
    std::memcpy(w.data().data() + lengthAt, &length, 8);
    w.u64(fnv1a(w.data().data(), w.data().size()));

    FolderLock lock(dir, true);
    const std::string tmp = dir + kCommitRecordName + std::string(".tmp");
    {
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0;
        const std::string &data = w.data();
        for (std::size_t off = 0; ok && off < data.size();) {
            const ssize_t n = ::write(fd, data.data() + off, data.size() - off);
            if (n <= 0)
                ok = false;
            else
                off += static_cast<std::size_t>(n);
        }
        ok = ok && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        std::error_code ec;
        if (ok)
            std::filesystem::rename(tmp, dir + kCommitRecordName, ec);
        if (!ok || ec) {
            std::filesystem::remove(tmp, ec);
            throw StorageError("Ошибка. Не удалось записать изменения в папку данных " + dir + ".");
        }
        syncFolder(dir);
    }
    // Past the commit point: the command counts as done whatever happens below.
    m_done = true;
    setHooks(m_dm, nullptr);
    std::unique_ptr<TxnState> owned = std::move(m_dm.m_txn);
    if (detail::commitStageHook)
        detail::commitStageHook(0);
    bool allCommitted = true;
    int committed = 0;
    for (TxnState::Member &m : owned->members) {
        if (sqlite3_exec(m.table->connection(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            execQuietly(*m.table, "ROLLBACK");
            allCommitted = false;
        }
        m.table->setKeyTracking(false);
        if (detail::commitStageHook)
            detail::commitStageHook(++committed);
    }
    if (!allCommitted) {
        // Write the rows from the record instead; if that fails too, the record stays for the
        // next open of the folder.
        try {
            recoverLocked(dir);
        } catch (const TableError &e) {
            reloadAll(m_dm);
            // Whatever stopped the replay, the files could not take the committed rows.
            throw StorageError(std::string(e.what())
                               + " Изменения будут завершены при следующем открытии папки данных.");
        }
        reloadAll(m_dm);
        return;
    }
    removeRecord(dir);
}

// --- FolderLock ----------------------------------------------------------------------------

FolderLock::FolderLock(const std::string &dir, bool exclusive) : m_fd(openLockFile(dir))
{
    if (m_fd >= 0 && !lockWithin(m_fd, exclusive ? LOCK_EX : LOCK_SH)) {
        ::close(m_fd);
        m_fd = -1;
        throw TableError("Ошибка. Папка данных " + dir
                         + " занята другой программой; повторите действие позже.");
    }
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

// --- ReadLock ------------------------------------------------------------------------------

ReadLock::ReadLock(DataModule &dm)
{
    const std::string dir = withSlash(dm.dataDir());
    if (dm.inTransaction())
        return; // this module's own commit is not running while it reads
    m_fd = openLockFile(dir);
    if (m_fd < 0)
        return;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!lockWithin(m_fd, LOCK_SH))
            break;
        // Under the shared lock no commit is running: a record left here is a killed one's.
        if (!recordPending(dir))
            return;
        ::flock(m_fd, LOCK_UN);
        try {
            recoverInterruptedCommit(dir);
        } catch (...) {
            ::close(m_fd);
            m_fd = -1;
            throw;
        }
        reloadAll(dm);
    }
    ::close(m_fd);
    m_fd = -1;
    throw TableError("Ошибка. Папка данных " + dir + " занята другой программой; повторите действие позже.");
}

ReadLock::~ReadLock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

} // namespace kv
