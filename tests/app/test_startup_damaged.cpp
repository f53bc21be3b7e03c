// Start-up over damaged table files: every kind of damage gives a message naming the file and
// the program comes up with the other tables open; never a crash, a hang or an exception.

#include "app/projectwindow.h"
#include "app/startup.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "damagedfile.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace kv;

TEST(StartUp, DamagedTableFilesAreReportedAndTheProgramComesUp)
{
    std::string tmpl = (fs::temp_directory_path() / "korvan-damaged-XXXXXX").string();
    const fs::path root = mkdtemp(tmpl.data());
    const fs::path good = root / "good";
    createInstallationData(good.string());

    for (const char *file : {"project.DB", "object.DB", "mo.DB", "param.db", "diap2MO_3.DB"}) {
        for (const std::string &kind : kv::test::kDamageKinds) {
            SCOPED_TRACE(kind + " " + file);
            const fs::path d = root / (kind + "-" + file);
            fs::copy(good, d);
            const fs::path f = d / file;
            kv::test::damageFile(f, kind);
            RecordingPrompter prompter;
            StartUp s(d.string());
            ASSERT_NO_THROW(s.run(prompter));
            ASSERT_TRUE(s.window());
            ASSERT_FALSE(prompter.errors().empty());
            EXPECT_NE(prompter.errors().front().find(file), std::string::npos)
                << prompter.errors().front();
            s.window()->show();
            QApplication::processEvents();
            s.window()->close();
        }
    }

    // A read-only data folder opens as it is.
    const fs::path ro = root / "readonly";
    fs::copy(good, ro);
    for (const auto &e : fs::directory_iterator(ro))
        fs::permissions(e.path(), fs::perms::owner_read | fs::perms::group_read);
    {
        RecordingPrompter prompter;
        StartUp s(ro.string());
        ASSERT_NO_THROW(s.run(prompter));
        EXPECT_TRUE(s.dataModule()->project().isOpen());
    }
    for (const auto &e : fs::recursive_directory_iterator(root))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root);
}
