#include "data/datamodule.h"

#include "data/placementrules.h"
#include "data/referencerules.h"
#include "data/transaction.h"
#include "data/transaction_p.h"

#include <filesystem>

namespace kv {

DataModule::DataModule(std::string dataDir, Prompter &prompter)
    : m_dataDir(std::move(dataDir)), m_prompter(&prompter)
{
    if (m_dataDir.empty() || m_dataDir.back() != '/')
        m_dataDir += '/';
    for (TableId id : openingOrder())
        m_tables[static_cast<std::size_t>(id)] = std::make_unique<Table>(id);
    // Detail tables follow the current row of their master.
    for (TableId id : openingOrder()) {
        const TableDef &def = tableDef(id);
        if (def.hasMaster())
            table(id).setMaster(&table(def.master));
    }
    // The class text of an object, shown in its grid and printed in the report.
    table(TableId::Object).addLookupField("ClassObject", &table(TableId::Class), "Tip", "Kod", "ClassObj");
    installReferenceRules(*this);
    installPlacementRules(*this);
}

DataModule::~DataModule()
{
    try {
        closeAll();
    } catch (...) {
        // Closing never fails on its own; nothing sensible to do in a destructor anyway.
    }
}

bool DataModule::openAll()
{
    try {
        recoverInterruptedCommit(m_dataDir);
    } catch (const TableError &e) {
        // The folder as it stands is not what the last command left: showing it would lose
        // that command's rows, and writing to it would bury them. Nothing is opened.
        m_prompter->error(e.what());
        return false;
    }
    for (TableId id : openingOrder())
        OpenTableChecked(table(id));
    return true;
}

void DataModule::closeAll()
{
    // An edit left open is not written on the way out: a detail would otherwise post it when
    // its master closes.
    for (TableId id : openingOrder())
        table(id).discardEdit();
    for (TableId id : openingOrder())
        CloseTableIfOpen(table(id));
}

void DataModule::OpenTableChecked(Table &t)
{
    const std::string path = m_dataDir + t.def().fileName;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        if (t.def().lazy)
            return; // made with the first row it needs
        m_prompter->error("Ошибка. Файл " + path + " не найден.");
        return;
    }
    try {
        t.open(m_dataDir);
    } catch (const TableError &e) {
        // A damaged file: say so and go on with the table closed, like a missing one.
        m_prompter->error(e.what());
    }
}

void DataModule::CloseTableIfOpen(Table &t)
{
    if (t.isOpen())
        t.close();
}

Table &DataModule::table(TableId id)
{
    return *m_tables[static_cast<std::size_t>(id)];
}

} // namespace kv
