#pragma once
// A dataset over one table file of the store: current row, browse/edit/insert states,
// master-detail visibility, a one-field filter, bookmarks, table rules and change notifications.
// Outside a kv::Transaction every post is one atomic, durable write; inside one, the writes stay
// in the table's open transaction until the command commits (see data/transaction.h).

#include "data/schema.h"
#include "data/value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace kv {

// A failed store operation: a closed table, an unknown field, a text too long for its field,
// a value that does not convert to the field's type, a disk error. The text is Russian and
// can be shown to the user as it stands.
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A table file that cannot be written (a full disk, an I/O error): a failure of the system, not
// of the input or of the file's contents.
class StorageError : public TableError {
public:
    using TableError::TableError;
};

// True for the SQLite result codes of a write the system could not complete (full, I/O error).
bool isStorageFailure(int sqliteCode);
// Throws StorageError when the connection's last error is a storage failure, TableError otherwise.
[[noreturn]] void throwDatabaseError(sqlite3 *db, const std::string &text);

// "Ошибка. Файл … занят другой программой; повторите действие позже.": the text for a table file
// that another program keeps locked longer than the wait; such a file is not damaged.
std::string fileInUseMessage(const std::string &path);

namespace detail {
// How long a table file or the data folder locked by another program is waited for, in
// milliseconds, before the operation gives up with fileInUseMessage (tests shorten it).
inline int busyWaitMs = 10000;
} // namespace detail

class Table;

// A rule run by the table before or after an operation. A before-rule that returns false
// refuses the operation (it has shown its message itself); the operation is then aborted
// silently and the row stays as it was.
using TableRule = std::function<bool(Table &)>;
using TableHook = std::function<void(Table &)>;

enum class TableState { Inactive, Browse, Edit, Insert };

enum class TableChange {
    State,      // browse/edit/insert changed, or the table was opened or closed
    CurrentRow, // another row became current (or the visible set moved)
    Data,       // rows were posted or deleted, or the visible set changed (master moved, filter)
};

class Table {
public:
    explicit Table(TableId id);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    TableId id() const;
    const TableDef &def() const;

    // Opens the table file in dataDir (the folder path, with or without the trailing "/").
    // Throws TableError when the file cannot be opened as a table.
    void open(const std::string &dataDir);
    void close();
    bool isOpen() const;
    std::string filePath() const; // data folder path + file name
    // The name of the table inside its file: the usual one, or the table definition's marked
    // name once the file was marked (see markFile).
    std::string sqlTable() const;
    bool isMarked() const;
    // Renames the table inside its open file to the definition's marked name (once; nothing when
    // it has none or is marked already) and reopens it on the same row. An older build then
    // refuses the file. Not inside a transaction.
    void markFile();

    // Navigation over the visible rows (those of the master's current row, passing the filter).
    void first();
    void next();
    void prior();
    void last();
    bool eof() const; // true after next() from the last row, or when there are no rows
    bool bof() const;
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 0-based index of the current row among the visible rows, -1 when none

    // Locates the first visible row whose fields equal the values (texts: exact, or
    // case-insensitive when asked). Returns false and keeps the current row when none matches.
    bool locate(const std::vector<std::pair<std::string, Value>> &match,
                bool caseInsensitive = false);

    // Editing. append() starts a new row (insert state); edit() puts the current row in edit;
    // post() writes it (assigning Kod on insert); cancel() drops the changes. Each returns
    // false when a rule refused.
    bool append();
    bool edit();
    bool post();
    void cancel();
    bool remove(); // deletes the current row; the next row (or the new last) becomes current
    TableState state() const;
    bool isEditing() const; // edit or insert

    // Bookmarks: the identity of the current row, valid across walks and refreshes.
    using Bookmark = std::int64_t;
    Bookmark bookmark() const; // -1 when there is no current row
    bool gotoBookmark(Bookmark b);

    // Field access on the current row (the edit buffer while editing). Unknown fields and a
    // missing current row throw TableError.
    Value value(const std::string &field) const;
    bool isNull(const std::string &field) const;
    double asDouble(const std::string &field) const;
    int asInt(const std::string &field) const;
    std::string asText(const std::string &field) const;
    bool asBool(const std::string &field) const;
    // Writing needs the edit or insert state; a text longer than its field throws TableError.
    void setValue(const std::string &field, const Value &v);
    void setNull(const std::string &field);

    // A looked-up field that is not stored: value(name) reads sourceField of the first row of
    // source (in key order, ignoring its filter and master) whose sourceKey equals this row's
    // localKey; empty when there is none or source is closed. object.DB's ClassObject is one.
    void addLookupField(const std::string &name, Table *source, const std::string &localKey,
                        const std::string &sourceKey, const std::string &sourceField);

    // Master-detail: only rows with Kod0 == master's current Kod are visible; a new row takes
    // it into Kod0. The master's moves, posts and deletes refresh this table.
    void setMaster(Table *master);
    Table *master() const;

    // A filter on one field: "[H]>=30", "[Name]='Б*'" (prefix, case-insensitive),
    // "[Name]=Null", "[Tip]=3", "[Name]<>'x'". An empty text removes it. Throws TableError for
    // an expression it does not understand.
    void setFilter(const std::string &expr);
    std::string filter() const;

    // Rules and hooks (one of each; assigning replaces).
    TableRule beforeInsert, beforeEdit, beforePost, beforeDelete;
    TableHook afterInsert, afterEdit, afterPost, afterDelete, afterCancel;

    // Change notifications for data-aware views. Returns a handle for unsubscribe().
    int subscribe(std::function<void(TableChange)> listener);
    void unsubscribe(int handle);

    // Re-reads the visible rows from the file (after writes by another Table on the same file).
    void refresh();

    // Simple ordered query over this table's visible rows: the values of the given fields,
    // rows sorted ascending by orderBy (ties by key order). Does not move the current row.
    std::vector<std::vector<Value>> select(const std::vector<std::string> &fields,
                                           const std::string &orderBy) const;

    // Whole rows by key, for undo and copies: they ignore the master link and the filter and run
    // no rules. rowByKey gives every field in field order (Kod first), nullopt when absent.
    std::optional<std::vector<Value>> rowByKey(std::int64_t kod) const;
    // Keys of the rows whose Kod0 is masterKod (every row when the table has no Kod0), ascending.
    std::vector<std::int64_t> keysUnder(std::int64_t masterKod) const;
    // Stores a whole row as given (its own Kod included): inserts it, or replaces the row with
    // that key. The table must be in browse state; the visible rows are re-read afterwards and
    // the current row kept when it still exists.
    void putRow(const std::vector<Value> &values);
    void removeRowByKey(std::int64_t kod);

    // Support for kv::Transaction; not for ordinary callers.
    // The table's own connection (null when closed).
    sqlite3 *connection() const;
    // Called before every write of a row (post, remove, putRow, removeRowByKey): a transaction
    // joins the table there. An empty function removes it.
    void setWriteHook(std::function<void(Table &)> hook);
    // Keeps the keys of the rows written from now on (inserted, changed or deleted); turning it
    // off forgets them.
    void setKeyTracking(bool on);
    std::vector<std::int64_t> writtenKeys() const;
    // Support for kv::ReadScope: opens a read transaction on the connection when it has none
    // (false otherwise); a writing transaction ends it first.
    bool beginReadScope();
    void endReadScope() noexcept;
    // After the connection rolled back: drops an edit in progress and re-reads the visible rows,
    // keeping the current row when it still exists.
    void reloadAfterRollback();
    // Leaves edit or insert without writing, without rules and without telling the detail
    // tables: the edit of a command that failed, or of a module that closes. Done on every table
    // before any of them re-reads, so that no detail posts its edit when its master moves.
    void discardEdit() noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// An optional value into a field of the current row: the value, or null when there is none.
template <typename T>
void setOptional(Table &t, const std::string &field, const std::optional<T> &v)
{
    if (v)
        t.setValue(field, Value(*v));
    else
        t.setNull(field);
}

// The CREATE statements of a table file for its layout (the table, and the index Kod0 on
// detail tables).
std::string createTableSql(const TableDef &def);
// Creates a table file at path with the layout of id and runs initialSql (INSERT statements)
// in the same transaction. The file appears only when complete. Throws TableError when the
// file exists or cannot be made.
void createTableFile(const std::string &path, TableId id, const std::string &initialSql = {});

// Many reads of a few tables as one: for the scope, each table's connection holds one read
// transaction, so its file is locked and checked once instead of once per row read, and every
// row comes from the same moment of the file. Tables already inside a transaction are left as
// they are. Nothing may be written to the tables inside the scope.
class ReadScope {
public:
    explicit ReadScope(const std::vector<Table *> &tables);
    ~ReadScope(); // never throws
    ReadScope(const ReadScope &) = delete;
    ReadScope &operator=(const ReadScope &) = delete;

private:
    std::vector<Table *> m_begun;
};

// Remembers the current row of a table and returns to it when leaving the scope.
class RowKeeper {
public:
    explicit RowKeeper(Table &t) : m_t(t), m_b(t.bookmark()) {}
    // Never throws: a table closed meanwhile simply has no row to return to.
    ~RowKeeper()
    {
        if (m_b < 0 || !m_t.isOpen())
            return;
        try {
            m_t.gotoBookmark(m_b);
        } catch (const TableError &) {
        }
    }
    RowKeeper(const RowKeeper &) = delete;
    RowKeeper &operator=(const RowKeeper &) = delete;

private:
    Table &m_t;
    Table::Bookmark m_b;
};

} // namespace kv
