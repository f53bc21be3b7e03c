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

void StartUp::run(Prompter &prompter)
{
    // The project window comes first; the data module opens the tables after it.
    m_window = std::make_unique<ProjectWindow>();
    if (!std::filesystem::exists(m_dataDir))
        createInstallationData(m_dataDir);
    m_dm = std::make_unique<DataModule>(m_dataDir, prompter);
    m_dm->openAll();
    m_window->attach(m_dm.get());
}

} // namespace kv
