#pragma once
// One command's writes as one unit of work over the tables of a data module:
//
//     Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object});
//     ... ordinary Table edit/post/remove/putRow/removeRowByKey calls ...
//     tx.commit();
//
// Leaving the scope without commit() rolls every file back; the Table objects re-read their
// rows and keep their current row where it still exists.
//
// How it is made atomic. Every table file has its own SQLite connection. The transaction opens
// an IMMEDIATE SQLite transaction on each listed table (any other table of the module written
// meanwhile joins at its first write), so the writes stay invisible to other processes and
// SQLite itself undoes them if the process dies before the commit.
// - Changes in one file: that file commits, and SQLite makes the commit atomic.
// - Changes in several files: the commit point is the commit record "commit.log" in the data
//   folder, holding the new image of every written row (or its deletion), its length and a
//   checksum. It is written as "commit.log.tmp", flushed to disk and renamed; only then are the
//   files committed one by one, and at the end the record is removed. If the process dies
//   before the rename, every file rolls back: the data is as before. If it dies after, the next
//   open of the data folder (DataModule::openAll, or a ReadLock) writes the record's rows into
//   every file again and removes it: the data is as after. Writing a row image twice is harmless.
//   The record is checked whole before anything is written: only the folder's own table files
//   in their own layout, the length and the checksum as written. A record that fails the check
//   is damaged, not incomplete (it was flushed before it got its name): it is kept, and the
//   folder is not opened until someone looks at it, so committed rows are never dropped.
// - The commit phase holds an exclusive lock (flock) on the data folder itself; a reader that
//   reads several files for one answer holds the shared lock (ReadLock), so it never sees a
//   commit half done, also from another process.
// Nested transactions join the outer one as a savepoint: commit() of an inner one hands its
// writes to the outer transaction; leaving an inner one without commit() undoes only its own
// writes. Tables are used without a Transaction exactly as before: each post is then its own
// atomic, durable write.

#include "data/datamodule.h"

#include <string>
#include <vector>

namespace kv {

inline constexpr const char *kCommitRecordName = "commit.log";

class Transaction {
public:
    // Throws TableError when a table cannot be locked for writing (another program writes it).
    Transaction(DataModule &dm, const std::vector<TableId> &tables);
    ~Transaction(); // rolls back when not committed; never throws
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Makes the writes permanent (the outermost transaction) or hands them to the outer one.
    // Throws TableError when the files cannot be written; the writes are then rolled back, unless
    // the commit point had been passed, in which case the next open of the folder finishes them.
    void commit();
    bool isOutermost() const { return m_level == 1; }

private:
    void rollback() noexcept;
    DataModule &m_dm;
    int m_level = 0;
    bool m_done = false;
};

// The lock of a data folder (a flock on the folder itself, so nothing is added to it): exclusive
// for a commit over several files or for creating the installation data, shared for readers.
// Waits a bounded time for another holder; throws TableError when it is still held then. A
// folder that cannot be opened is not locked.
class FolderLock {
public:
    FolderLock(const std::string &dir, bool exclusive);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd = -1;
};

// A shared lock over the data folder for a reader that needs several table files at one moment
// (a project with its conductor and object rows). Finishes a commit left half done by a killed
// process before it lets the reader in.
class ReadLock {
public:
    explicit ReadLock(DataModule &dm);
    ~ReadLock();
    ReadLock(const ReadLock &) = delete;
    ReadLock &operator=(const ReadLock &) = delete;

private:
    int m_fd = -1;
};

// Finishes the commit recorded in the data folder by a process that died in its commit phase:
// writes every row image of the record into its file and removes the record. Returns true when
// there was one. Throws TableError when the record is damaged or a file cannot be written (the
// record is then kept; the message names it or the file).
bool recoverInterruptedCommit(const std::string &dataDir);

} // namespace kv
