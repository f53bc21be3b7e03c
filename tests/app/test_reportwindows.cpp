// The report windows driven offscreen: the settings dialog's dependent boxes, margins and sample
// pane; the zone preview's file names and export into the document; the export command with its
// checks, its worker and its progress.

#include "app/reportexport.h"
#include "app/reportsettingsdialog.h"
#include "app/zonepreviewwindow.h"
#include "calc/construction.h"
#include "data/datamodule.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"
#include "plan/dxfwriter.h"
#include "plan/underlay.h"
#include "plan/zonepictures.h"
#include "report/reportfile.h"
#include "report/reportinput.h"
#include "report/reportprofile.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace kv;

namespace {

struct ReportWindowFixture : ::testing::Test {
    ReportWindowFixture()
    {
        createInstallationData(dir.path().toStdString() + "/");
        dm = std::make_unique<DataModule>(dir.path().toStdString() + "/", prompter);
        dm->openAll();
        dm->project().first();
    }

    // Runs the approximate selection and chooses a construction for the sample project.
    void computeSample()
    {
        ProjectSnapshot snap = loadCurrentProject(*dm);
        const SettingsRec settings = loadSettings(*dm);
        const auto sag = loadSagTable(*dm);
        CalcMessages messages;
        const PodborResult r = AutoPodbor(snap, settings, sag, messages);
        ASSERT_TRUE(r.designHeight);
        ChooseConstruction(snap, {"СМ-1", "Типовая", std::ceil(*r.designHeight) + 2}, settings, sag,
                           messages);
        storeProjectResults(*dm, snap);
    }

    // Brings the tab pages holding a widget to the front, as the user would.
    static void reveal(QWidget *w)
    {
        for (QWidget *child = w; child && child->parentWidget(); child = child->parentWidget())
            if (auto *stack = qobject_cast<QStackedWidget *>(child->parentWidget())) {
                if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                    tabs->setCurrentWidget(child);
                else
                    stack->setCurrentWidget(child);
            }
    }

    static void shot(QWidget &w, const char *name)
    {
        const QString shots = qEnvironmentVariable("KORVAN_SHOTS");
        if (shots.isEmpty())
            return;
        QDir().mkpath(shots);
        QApplication::processEvents();
        EXPECT_TRUE(w.grab().save(shots + "/" + name));
    }

    QTemporaryDir dir;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

} // namespace

TEST_F(ReportWindowFixture, SettingsDialogDependentBoxesFollowTheirParent)
{
    ReportSettingsDialog dlg(*dm, prompter);
    dlg.show();
    QCheckBox *parent = dlg.checkBox("ObjTabMOHar");
    ASSERT_TRUE(parent && parent->isChecked());
    reveal(parent);
    for (const char *dep : {"ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar"})
        ASSERT_TRUE(dlg.checkBox(dep)->isChecked() && dlg.checkBox(dep)->isEnabled());
    QTest::mouseClick(parent, Qt::LeftButton);
    EXPECT_FALSE(parent->isChecked());
    Table &report = dm->table(TableId::Report);
    EXPECT_FALSE(report.asBool("ObjTabMOHar"));
    for (const char *dep : {"ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar"}) {
        EXPECT_FALSE(report.asBool(dep)) << dep;
        EXPECT_FALSE(dlg.checkBox(dep)->isChecked()) << dep;
        EXPECT_FALSE(dlg.checkBox(dep)->isEnabled()) << dep;
    }
    QTest::qWait(QApplication::doubleClickInterval() + 50); // two clicks, not a double click
    QTest::mouseClick(parent, Qt::LeftButton);
    EXPECT_TRUE(report.asBool("ObjTabMOHar"));
    for (const char *dep : {"ObjPrimMOHar", "ObjPrimClass", "ObjScoreMOHar"}) {
        EXPECT_TRUE(dlg.checkBox(dep)->isEnabled()) << dep;
        EXPECT_FALSE(dlg.checkBox(dep)->isChecked()) << "still cleared: " << dep;
    }
    // The margin fields edit their own fields.
    for (const auto &[field, value] : {std::pair{"RightMargin", 17}, {"BottomMargin", 23}}) {
        QLineEdit *e = dlg.marginEdit(field);
        reveal(e);
        e->selectAll();
        QTest::keyClicks(e, QString::number(value));
        QTest::keyClick(e, Qt::Key_Return);
        EXPECT_EQ(report.asInt(field), value) << field;
    }
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ReportWindowFixture, SettingsDialogSamplesAndNewProfiles)
{
    ReportSettingsDialog dlg(*dm, prompter);
    dlg.show();
    dlg.showSample("ProjName");
    EXPECT_EQ(dlg.sampleNote()->text(), "Примечание: смотрите подчеркнутое.");
    // Hovering the box of the general object table shows that table from the sample project.
    reveal(dlg.checkBox("ObjTabObHar"));
    QTest::mouseMove(dlg.checkBox("ObjTabObHar"));
    QApplication::sendEvent(dlg.checkBox("ObjTabObHar"), new QEvent(QEvent::Enter));
    EXPECT_EQ(dlg.sampleNote()->text(), "Примечание: смотрите фрагмент.");
    const QPixmap pm = dlg.samplePicture()->pixmap();
    EXPECT_GT(pm.width(), 250);
    EXPECT_GT(pm.height(), 100);
    shot(dlg, "report-settings.png");
    dlg.sampleBox()->setChecked(false);
    EXPECT_EQ(dlg.samplePicture()->pixmap().size(), QSize(5, 5));
    EXPECT_TRUE(dlg.sampleNote()->text().isEmpty());
    dlg.showSample("ProjHar");
    EXPECT_EQ(dlg.samplePicture()->pixmap().size(), QSize(5, 5)) << "nothing while unticked";

    // A new profile starts as the full report, not empty.
    Table &report = dm->table(TableId::Report);
    const int before = report.recordCount();
    QTest::mouseClick(dlg.navigatorButton(4), Qt::LeftButton);
    EXPECT_EQ(report.recordCount(), before + 1);
    const ReportProfile p = readProfile(report);
    EXPECT_TRUE(p.ProjName && p.CherVidPrymo);
    EXPECT_EQ(p.PaperSize, "A4");
    EXPECT_EQ(p.LeftMargin, 30);
    EXPECT_TRUE(p.Name.empty());
}

// "Подложка на чертежах" ticked by a click is stored with the profile; the report then takes
// the project's underlay only while it is shown and its file reads.
TEST_F(ReportWindowFixture, UnderlayFlagTickedInTheDialog)
{
    {
        ReportSettingsDialog dlg(*dm, prompter);
        dlg.show();
        QCheckBox *box = dlg.checkBox("CherPodlozhka");
        ASSERT_TRUE(box);
        EXPECT_FALSE(box->isChecked()) << "off in the profile stored before it";
        reveal(box);
        QTest::mouseClick(box, Qt::LeftButton);
        // Its sample: the top drawing over a small site plan.
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(box, &enter);
        EXPECT_EQ(dlg.sampleNote()->text(), "Примечание: смотрите фрагмент.");
        shot(dlg, "report-underlay.png");
    }
    EXPECT_TRUE(readProfile(dm->table(TableId::Report)).CherPodlozhka);
    EXPECT_EQ(loadReportInput(*dm).underlay, nullptr) << "the project has no underlay";

    const QString data = QString::fromStdString(dm->dataDir());
    const int kod = dm->project().asInt("Kod");
    DxfDocument dxf;
    dxf.addLayer("План", 7);
    dxf.line("План", {0, 0}, {40, 0});
    {
        QFile f(dir.filePath("plan.dxf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(dxf.toString()));
    }
    UnderlaySettings set;
    set.kind = UnderlayKind::Dxf;
    setUnderlayFile(data, kod, set, dir.filePath("plan.dxf"));
    const UnderlaySettings stored = loadUnderlaySettings(data, kod);
    ASSERT_EQ(stored.kind, UnderlayKind::Dxf);
    EXPECT_NE(loadReportInput(*dm).underlay, nullptr);
    UnderlaySettings hidden = stored;
    hidden.shown = false;
    saveUnderlaySettings(data, kod, hidden);
    EXPECT_EQ(loadReportInput(*dm).underlay, nullptr) << "hidden in the window";
    saveUnderlaySettings(data, kod, stored);
    QFile::remove(underlayFolder(data) + "/" + QString::fromStdString(stored.file));
    const ReportInput gone = loadReportInput(*dm);
    EXPECT_EQ(gone.underlay, nullptr);
    EXPECT_FALSE(gone.underlayProblem.empty()) << "its file is gone";
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ReportWindowFixture, SampleOfEveryBoxForEveryType)
{
    for (ConductorType t : {ConductorType::SingleRod, ConductorType::Cable, ConductorType::DoubleRod})
        for (const auto &f : profileFlags()) {
            const QImage img = ReportSettingsDialog::renderSample(f.field, t, {});
            EXPECT_GT(img.height(), 20) << f.field;
        }
}

TEST_F(ReportWindowFixture, PreviewSavesPicturesAndExportsToTheDocument)
{
    computeSample();
    ZonePreviewWindow w(prompter);
    const ProjectSnapshot snap = loadCurrentProject(*dm);
    w.setPictures(RenderZonePictures(snap, LoadDrawingSettings(loadSettings(*dm)), "1"));
    w.show();
    EXPECT_EQ(w.splitter()->handleWidth(), 2);
    QTemporaryDir out;
    EXPECT_TRUE(w.savePicture(0, out.path(), "plan", 2));
    EXPECT_TRUE(QFile::exists(out.filePath("plan.jpg")));
    EXPECT_TRUE(w.savePicture(0, out.path(), "plan.bmp", 1));
    EXPECT_TRUE(QFile::exists(out.filePath("plan.bmp.bmp")));
    EXPECT_TRUE(w.savePicture(1, out.path(), "front", 3));
    EXPECT_TRUE(QFile::exists(out.filePath("front.emf")));
    EXPECT_FALSE(w.savePicture(1, out.filePath("no/such/folder"), "x", 1));
    EXPECT_EQ(prompter.errors().size(), 1u);
    // Into the document: a new one when there is none, the last one afterwards.
    ReportSession session;
    w.session = &session;
    int asked = 0;
    w.chooseDocumentFile = [&](const QString &) {
        ++asked;
        return out.filePath("preview.docx");
    };
    const auto item = [&](int pane, const char *text) {
        for (QAction *a : w.menu(pane)->actions())
            if (a->text() == QString::fromUtf8(text))
                return a;
        return static_cast<QAction *>(nullptr);
    };
    item(0, "Экспорт в Microsoft Word")->trigger();
    item(1, "Экспорт в Microsoft Word")->trigger();
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(session.lastDocument());
    EXPECT_EQ(session.lastDocument()->pictures.size(), 2u);
    EXPECT_TRUE(QFile::exists(out.filePath("preview.docx")));
    EXPECT_EQ(w.menu(0)->actions().at(0)->text(), "Сохранить в файле...");
    shot(w, "preview.png");
}

TEST_F(ReportWindowFixture, ExportCommandChecksWritesInAWorkerAndOpensTheFile)
{
    struct Progress : ReportProgress {
        void begin(int total) override { this->total = total; }
        void setValue(int v) override { values.push_back(v); }
        void end() override { ended = true; }
        void showStatus(const QString &t) override { status = t; }
        int total = 0;
        std::vector<int> values;
        bool ended = false;
        QString status;
    } progress;
    QTemporaryDir out;
    ReportSession session;
    QString opened;
    int settingsShown = 0;
    ReportExportHooks hooks;
    hooks.session = &session;
    hooks.showSettings = [&] { ++settingsShown; };
    hooks.chooseFile = [&](const QString &suggested) {
        EXPECT_TRUE(suggested.endsWith("Пример_ склад и котельная.docx")) << suggested.toStdString();
        return out.filePath("r.docx");
    };
    hooks.openFile = [&](const QString &p) { opened = p; };

    // Before any selection: both messages, nothing written.
    auto r = exportReport(*dm, prompter, progress, hooks);
    EXPECT_EQ(r.status, ReportExportStatus::Refused);
    EXPECT_EQ(prompter.errors(), (std::vector<std::string>{kMsgNeedPodbor, kMsgNeedChoice}));
    EXPECT_FALSE(QFile::exists(out.filePath("r.docx")));

    computeSample();
    prompter.clear();
    Table &param = dm->param();
    param.first();
    param.edit();
    param.setValue("ViewParRepForm", true);
    param.post();
    r = exportReport(*dm, prompter, progress, hooks);
    EXPECT_EQ(r.status, ReportExportStatus::Written);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(settingsShown, 1);
    EXPECT_EQ(opened, out.filePath("r.docx"));
    EXPECT_TRUE(QFile(opened).size() > 10000);
    EXPECT_EQ(progress.total, kReportSteps);
    ASSERT_FALSE(progress.values.empty());
    EXPECT_EQ(progress.values.back(), kReportSteps);
    EXPECT_TRUE(progress.ended);
    EXPECT_TRUE(progress.status.endsWith("r.docx"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The status bar's progress: bar and stop button while writing, the path afterwards.
    QStatusBar bar;
    auto *panel = new QLabel;
    bar.addWidget(panel);
    StatusBarProgress sb(&bar, panel);
    hooks.chooseFile = [&](const QString &) { return out.filePath("s.docx"); };
    r = exportReport(*dm, prompter, sb, hooks);
    EXPECT_EQ(r.status, ReportExportStatus::Written);
    EXPECT_TRUE(panel->text().endsWith("s.docx"));
    EXPECT_TRUE(bar.currentMessage().isEmpty()) << "a message would hide the panels";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(bar.findChildren<QProgressBar *>().size(), 0) << "removed at the end";
}

// A report or a picture saved under a name of the data folder's own files replaced a table. The
// export and the preview refuse such a name with a message and leave the file as it was.
TEST_F(ReportWindowFixture, SavesNeverReplaceTheDataFolderFiles)
{
    computeSample();
    const auto bytes = [&](const char *name) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray project = bytes("project.DB"), object = bytes("object.DB");
    struct : ReportProgress {
        void begin(int) override {}
        void setValue(int) override {}
        void end() override {}
        void showStatus(const QString &) override {}
    } progress;
    ReportSession session;
    ReportExportHooks hooks;
    hooks.session = &session;
    hooks.chooseFile = [&](const QString &) { return dir.filePath("project.DB"); };
    hooks.openFile = [](const QString &) {};
    prompter.clear();
    EXPECT_EQ(exportReport(*dm, prompter, progress, hooks).status, ReportExportStatus::Refused);

    ZonePreviewWindow w(prompter);
    w.dataDir = dm->dataDir();
    w.session = &session;
    w.setPictures(
        RenderZonePictures(loadCurrentProject(*dm), LoadDrawingSettings(loadSettings(*dm)), "1"));
    w.chooseDocumentFile = [&](const QString &) { return dir.filePath("object.DB"); };
    w.show();
    for (QAction *a : w.menu(0)->actions())
        if (a->text() == QStringLiteral("Экспорт в Microsoft Word"))
            a->trigger();
    ASSERT_EQ(prompter.errors().size(), 2u);
    for (const std::string &e : prompter.errors())
        EXPECT_NE(e.find("является файлом базы данных программы"), std::string::npos) << e;
    EXPECT_EQ(bytes("project.DB"), project);
    EXPECT_EQ(bytes("object.DB"), object);
}
