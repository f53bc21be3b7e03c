#pragma once
// The start-up sequence: splash window, data folder, the data module with its 22 tables, the
// project window.

#include <memory>
#include <string>

namespace kv {

class DataModule;
class DialogPrompter;
class ProjectWindow;
class Prompter;

class StartUp {
public:
    // dataDir: the data folder (normally Data beside the executable). A folder that does not
    // exist yet is created with the installation data.
    explicit StartUp(std::string dataDir);
    ~StartUp();

    // Creates the project window and opens the tables (messages through prompter). False when
    // there is no data to work on: the folder could not be created, or it is refused as a whole
    // (a commit left half done that cannot be finished); the message has been shown then and
    // the window is not attached.
    bool run(Prompter &prompter);
    ProjectWindow *window() const { return m_window.get(); }
    DataModule *dataModule() const { return m_dm.get(); }

    // Data beside the running executable, or the user's data folder when it is installed.
    static std::string defaultDataDir();

private:
    std::string m_dataDir;
    std::unique_ptr<DataModule> m_dm;
    std::unique_ptr<ProjectWindow> m_window;
};

} // namespace kv
