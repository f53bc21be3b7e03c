#include "app/startup.h"

#include "app/projectwindow.h"
#include "data/datalocation.h"
#include "data/datamodule.h"

#include <QCoreApplication>

#include <filesystem>

namespace kv {

StartUp::StartUp(std::string dataDir) : m_dataDir(std::move(dataDir)) {}

StartUp::~StartUp()
{
    m_window.reset();
    m_dm.reset(); // closes the tables
}

std::string StartUp::defaultDataDir()
{
    return kv::defaultDataDir(QCoreApplication::applicationDirPath().toStdString());
}

bool StartUp::run(Prompter &prompter)
{
    // The project window comes first; the data module opens the tables after it.
    m_window = std::make_unique<ProjectWindow>();
    std::error_code ec;
    if (!std::filesystem::exists(m_dataDir, ec)) {
        try {
            createInstallationData(m_dataDir);
        } catch (const TableError &e) {
            // A folder where the program may not write, a full disk: nothing to work on.
            prompter.error(e.what());
            return false;
        }
    }
    m_dm = std::make_unique<DataModule>(m_dataDir, prompter);
    if (!m_dm->openAll())
        return false; // the folder is refused as a whole; the message has been shown
    m_window->attach(m_dm.get());
    return true;
}

} // namespace kv
