// Every kind of report opens in LibreOffice and converts to PDF: the honest test that the .docx
// package is one a word processor accepts. Skipped, with a message, where soffice is missing.

#include "reportfixture.h"

#include "data/datamodule.h"
#include "data/recordingprompter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using namespace kv;

TEST(ReportLibreOffice, EveryConductorTypeConvertsToPdf)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice not found: install libreoffice-writer-nogui (scripts/setup.sh) "
                        "to check the .docx files with LibreOffice";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Kind {
        const char *file;
        ConductorType type;
        bool useAs2;
        const char *pageNum;
    };
    const Kind kinds[] = {{"rod.docx", ConductorType::SingleRod, false, "в нижнем колонтитуле"},
                          {"cable.docx", ConductorType::Cable, false, "в верхнем колонтитуле"},
                          {"double.docx", ConductorType::DoubleRod, false, "нет"},
                          {"double2.docx", ConductorType::DoubleRod, true, ""}};
    // The class texts of a fresh installation, as the program's reports carry them.
    std::map<int, std::string> classTexts;
    {
        RecordingPrompter prompter;
        const std::string data = dir.filePath("Data").toStdString();
        createInstallationData(data);
        DataModule dm(data, prompter);
        dm.openAll();
        Table &cls = dm.table(TableId::Class);
        for (cls.first(); !cls.eof(); cls.next())
            classTexts[cls.asInt("Kod")] = cls.asText("ClassObj");
    }
    ASSERT_FALSE(classTexts.empty());
    QStringList files;
    for (const auto &k : kinds) {
        ReportInput in = sampleReportInput(k.type, 0, classTexts);
        in.snap.project.ChkUseAs2 = k.useAs2;
        // Control characters in a name were written as "&#1;", which LibreOffice refuses.
        if (k.useAs2)
            in.snap.objects.front().Name = "Склад\x01 ГСМ\x1F \xEF\xBF\xBF";
        in.profile.PageNum = k.pageNum;
        if (k.type == ConductorType::Cable)
            in.profile.PaperOrient = "альбомная";
        ReportSession session;
        const auto r = writeReportFile(in, dir.filePath(k.file), session);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        files << dir.filePath(k.file);
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString profile = QUrl::fromLocalFile(dir.filePath("lo-profile")).toString();
    p.start(soffice, QStringList{"-env:UserInstallation=" + profile, "--headless", "--norestore",
                                 "--convert-to", "pdf", "--outdir", dir.filePath("pdf")}
                         + files);
    ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
    const QString log = QString::fromUtf8(p.readAll());
    EXPECT_EQ(p.exitCode(), 0) << log.toStdString();
    for (const auto &k : kinds) {
        const QFileInfo pdf(dir.filePath("pdf/" + QFileInfo(k.file).completeBaseName() + ".pdf"));
        EXPECT_TRUE(pdf.exists()) << k.file << "\n" << log.toStdString();
        EXPECT_GT(pdf.size(), 20000) << k.file;
        // Keep the PDFs for a look when asked.
        const QString shots = qEnvironmentVariable("KORVAN_SHOTS");
        if (!shots.isEmpty() && pdf.exists()) {
            QDir().mkpath(shots);
            QFile::remove(shots + "/report-" + pdf.fileName());
            QFile::copy(pdf.filePath(), shots + "/report-" + pdf.fileName());
        }
    }
}
