#pragma once
// A fresh data folder with the installation data, its data module with a recording prompter,
// and the screenshots that KORVAN_SHOTS asks for.

#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace kv::test {

class DictFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t =
            (std::filesystem::temp_directory_path() / "korvan-dict-XXXXXX").string();
        dir = mkdtemp(t.data());
        createInstallationData(dir.string());
        dm = std::make_unique<DataModule>(dir.string(), prompter);
        dm->openAll();
        ASSERT_TRUE(prompter.messages.empty());
    }
    void TearDown() override
    {
        dm.reset();
        std::filesystem::remove_all(dir);
    }
    // Saves a render of the window when KORVAN_SHOTS names a folder.
    static void shot(QWidget *w, const char *name)
    {
        const QString folder = qEnvironmentVariable("KORVAN_SHOTS");
        w->show();
        QApplication::processEvents();
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            w->grab().save(folder + QLatin1Char('/') + QLatin1String(name));
        }
    }

    std::filesystem::path dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace kv::test
