// Start-up: the data folder, the tables with their messages, the project window.

#include "app/projectdocument.h"
#include "app/projectwindow.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct TempDir {
    TempDir()
    {
        std::string t = (fs::temp_directory_path() / "korvan-app-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

} // namespace

TEST(StartUp, CreatesDataAndShowsTheLastProject)
{
    TempDir d;
    const fs::path data = d.path / "Data";
    RecordingPrompter prompter;
    {
        StartUp s(data.string());
        ASSERT_TRUE(s.run(prompter));
        EXPECT_TRUE(prompter.messages.empty());
        // One file per table and nothing else, even while the tables are open.
        EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator{}), 22);
        ProjectWindow *w = s.window();
        ASSERT_TRUE(w);
        // The sample project is shown: its name as the caption, its three objects on the plan.
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Пример: склад и котельная"));
        EXPECT_EQ(w->document()->snapshot().objects.size(), 3u);
        EXPECT_TRUE(w->planModel().shape("Shape3"));
        w->resize(900, 600);
        w->show();
        QApplication::processEvents();
        if (const char *shot = std::getenv("KORVAN_SCREENSHOT"))
            w->grab().save(QString::fromLocal8Bit(shot));
        w->close(); // stores LastProj
    }
    // A second start keeps the existing data.
    StartUp again(data.string());
    again.run(prompter);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(again.dataModule()->param().isNull("LastProj"));
}

TEST(StartUp, MissingTableFileIsReportedAndTheRestOpens)
{
    TempDir d;
    const fs::path data = d.path / "Data";
    createInstallationData(data.string());
    fs::remove(data / "objname.db");
    RecordingPrompter prompter;
    StartUp s(data.string());
    s.run(prompter);
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_EQ(prompter.errors()[0], "Ошибка. Файл " + data.string() + "/objname.db не найден.");
    EXPECT_FALSE(s.dataModule()->table(TableId::ObjName).isOpen());
    EXPECT_TRUE(s.dataModule()->project().isOpen());
    EXPECT_THROW(s.dataModule()->table(TableId::ObjName).first(), TableError);
}

// No data to work on: a Data folder that cannot be made (beside a file of that name, or in a
// read-only folder) or a folder refused as a whole (a damaged commit record). Start-up shows the
// message and reports failure instead of throwing out of the program.
TEST(StartUp, NoDataToWorkOnEndsWithTheMessage)
{
    TempDir d;
    std::ofstream(d.path / "file") << "x";
    const fs::path damaged = d.path / "damaged";
    createInstallationData(damaged.string());
    std::ofstream(damaged / "commit.log") << "KVCOMMIT2\nобрывок";
    std::vector<std::pair<fs::path, std::string>> cases = {
        {d.path / "file" / "Data", (d.path / "file").string()},
        {damaged, (damaged / "commit.log").string()},
    };
    const fs::path ro = d.path / "readonly";
    fs::create_directory(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    if (geteuid() != 0) // the superuser writes anywhere
        cases.push_back({ro / "Data", (ro / "Data").string()});
    for (const auto &[data, named] : cases) {
        SCOPED_TRACE(data.string());
        RecordingPrompter prompter;
        StartUp s(data.string());
        bool ok = true;
        ASSERT_NO_THROW(ok = s.run(prompter));
        EXPECT_FALSE(ok);
        ASSERT_EQ(prompter.errors().size(), 1u);
        EXPECT_NE(prompter.errors()[0].find(named), std::string::npos) << prompter.errors()[0];
    }
    fs::permissions(ro, fs::perms::owner_all);
}

TEST(Splash, SizeAndTexts)
{
    SplashWindow w;
    EXPECT_EQ(w.size(), QSize(442, 246));
    QStringList texts;
    for (QLabel *l : w.findChildren<QLabel *>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Korvan VL 2.1")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Версия 2.1")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Пожалуйста, подождите...")));
    if (const char *shot = std::getenv("KORVAN_SPLASH_SCREENSHOT")) {
        w.show();
        QApplication::processEvents();
        w.grab().save(QString::fromLocal8Bit(shot));
    }
}
