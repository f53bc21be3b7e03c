#pragma once
// The data module: owns the 22 tables for the whole run, opens them in their order, links the
// detail tables to their masters and installs the table rules.

#include "data/prompter.h"
#include "data/schema.h"
#include "data/table.h"

#include <array>
#include <memory>
#include <string>

namespace kv {

namespace detail {
struct TxnState;
}

class DataModule {
public:
    // dataDir: the data folder; the path is kept with a trailing "/".
    DataModule(std::string dataDir, Prompter &prompter);
    ~DataModule(); // CloseTableIfOpen on every table, in the opening order

    // Finishes a commit that a killed process left half done (see data/transaction.h), then opens
    // all 22 tables in their order with OpenTableChecked. When that commit cannot be finished
    // (its record is damaged, a file cannot be written) it shows why and opens no table at all:
    // false.
    bool openAll();
    void closeAll();

    // Opens the table when its file exists; otherwise shows
    // "Ошибка. Файл " + path + " не найден." and leaves it closed.
    void OpenTableChecked(Table &t);
    void CloseTableIfOpen(Table &t);

    Table &table(TableId id);
    Table &project() { return table(TableId::Project); }
    Table &mo() { return table(TableId::Mo); }
    Table &object() { return table(TableId::Object); }
    Table &param() { return table(TableId::Param); }

    const std::string &dataDir() const { return m_dataDir; }
    Prompter &prompter() { return *m_prompter; }
    void setPrompter(Prompter &p) { m_prompter = &p; }

    // True while a Transaction over this module is open.
    bool inTransaction() const { return m_txn != nullptr; }

private:
    friend class Transaction;
    std::string m_dataDir;
    Prompter *m_prompter;
    std::array<std::unique_ptr<Table>, kTableCount> m_tables;
    std::unique_ptr<detail::TxnState> m_txn; // the open transaction, owned by its outermost scope
};

// Creates a fresh data folder with the installation data (class texts, thunderstorm rows,
// catalogues, sag table, names, report profile, settings row, sample project). Never touches an
// existing table file; returns the number of table files it created.
int createInstallationData(const std::string &dataDir);

} // namespace kv
