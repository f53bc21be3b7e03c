// Every file written for the user: a write that fails half-way (a full disk, here a file size
// limit) leaves the old file as it was and no temporary file beside it; no output replaces a
// file of the data folder; the .docx stays well-formed XML whatever a name holds.

#include "reportfixture.h"

#include "data/outputfile.h"
#include "plan/picturefile.h"
#include "plan/planview.h"
#include "plan/zonedxf.h"
#include "report/docxfile.h"
#include "report/reportprofile.h"
#include "report/pdffile.h"
#include "report/textdocument.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

using namespace kv;
using namespace kvtest;

namespace {

// Files larger than `bytes` cannot be written while it lives (write fails with EFBIG, as it
// fails with ENOSPC on a full disk).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit l = m_old;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(OutputFiles, AFailedWriteLeavesTheOldFileAndNoStrayFile)
{
    QImage noisy(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x)
            noisy.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256)); // hard to compress
    const ReportInput report = sampleReportInput(ConductorType::SingleRod);
    ReportDocument doc;
    Picture noise; // stored as it is, so it must not compress below the limit
    quint32 seed = 1;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.png.append(static_cast<char>(seed >> 24));
    }
    doc.pictures.push_back(noise);
    PlanViewModel model;
    model.ShowProjectShapes(report.snap);
    DocumentBuilder text;
    text.OpenReportDocument(ReportProfile::full());
    for (int i = 0; i < 60; ++i)
        text.AppendPlain("Строка отчета " + std::to_string(i) + ".\r");

    using Writer = std::function<bool(const QString &path, QString *error)>;
    const auto picture = [&](PictureFormat f) -> Writer {
        return [&, f](const QString &p, QString *e) { return savePicture(noisy, p, f, e); };
    };
    const std::vector<std::pair<const char *, Writer>> writers = {
        {"a.bmp", picture(PictureFormat::Bmp)},
        {"a.png", picture(PictureFormat::Png)},
        {"a.jpg", picture(PictureFormat::Jpg)},
        {"a.emf", picture(PictureFormat::Emf)},
        {"a.wmf", picture(PictureFormat::Wmf)},
        {"a.dxf",
         [&](const QString &p, QString *e) {
             return writeZoneDxf(report.snap, model, "", p, {}, e);
         }},
        {"a.docx", [&](const QString &p, QString *e) { return saveDocx(doc, p, e); }},
        {"a.pdf", [&](const QString &p, QString *e) { return savePdf(*text.document(), p, e); }},
    };
    for (const auto &[name, write] : writers) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(name));
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("the old file");
        }
        QString error;
        bool ok = true;
        {
            const FileSizeLimit limit(4096);
            ok = write(path, &error);
        }
        EXPECT_FALSE(ok);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readAll(path), QByteArray("the old file"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
            << QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
        // Without the limit the same writer replaces the file, keeping its rights.
        namespace fs = std::filesystem;
        fs::permissions(path.toStdString(), fs::perms(0640));
        ASSERT_TRUE(write(path, &error)) << error.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 4096);
        EXPECT_EQ(fs::status(path.toStdString()).permissions(), fs::perms(0640));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// `report 1 -o D/project.DB` once turned a table into a zip archive. Every spelling of a data
// folder's own file is refused; other names, in the folder or not, are not.
TEST(OutputFiles, TheDataFolderOwnFilesAreRefused)
{
    namespace fs = std::filesystem;
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    const std::string d = root + "/Data";
    fs::create_directories(d + "/sub");
    for (const char *f : {"project.DB", "object.DB", "commit.log"})
        QFile(QString::fromStdString(d + "/" + f)).open(QIODevice::WriteOnly);
    fs::create_symlink(d + "/object.DB", root + "/link.docx");
    fs::create_hard_link(d + "/project.DB", root + "/hard.docx");
    fs::create_symlink(d, root + "/DataLink");
    struct Row {
        std::string path;
        bool refused;
    };
    const Row rows[] = {
        {d + "/project.DB", true},
        {d + "/./sub/../project.DB", true},
        {root + "/DataLink/mo.DB", true}, // not there yet, through a link to the folder
        {d + "/commit.log", true},
        {d + "/project.DB-journal", true},
        {root + "/link.docx", true},
        {root + "/hard.docx", true},
        {d + "/underlay/3.pdf", true}, // a project's underlay file
        {d + "/underlay/../report.pdf", false},
        {d + "/report.docx", false},
        {d + "/project.DB.docx", false},
        {root + "/project.DB", false},
    };
    for (const Row &r : rows) {
        const std::string refusal = dataFolderFileRefusal(d, r.path);
        EXPECT_EQ(!refusal.empty(), r.refused) << r.path;
        if (r.refused) {
            EXPECT_NE(refusal.find(r.path), std::string::npos) << refusal;
        }
    }
    // A relative name is taken from the working folder.
    const auto cwd = fs::current_path();
    fs::current_path(d);
    EXPECT_FALSE(dataFolderFileRefusal(d, "param.db").empty());
    EXPECT_TRUE(dataFolderFileRefusal(d, "param.docx").empty());
    fs::current_path(cwd);
}

// A name holding a control character was written as "&#1;", which XML 1.0 forbids: the report
// was said to be written and the word processor refused it.
TEST(OutputFiles, DocumentXmlIsWellFormedWhateverTheNamesHold)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    in.snap.project.Name = std::string("Про\x01ект\x1F\x0B ") + "\xEF\xBF\xBE\xEF\xBF\xBF" + "\xC3";
    in.snap.objects.front().Name = "Склад\x02 <&> \"";
    const Written w = writeDocx(in);
    const std::string &xml = w.docx.parts.at("word/document.xml");
    EXPECT_EQ(xml.find("&#"), std::string::npos);
    // No forbidden character written as such either: every byte below 0x20 is tab, LF or CR,
    // and U+FFFE/U+FFFF (EF BF BE/BF) are gone.
    for (const char c : xml)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
            << int(c);
    EXPECT_EQ(xml.find("\xEF\xBF\xBE"), std::string::npos);
    EXPECT_EQ(xml.find("\xEF\xBF\xBF"), std::string::npos);
    pugi::xml_document strict;
    EXPECT_TRUE(strict.load_buffer(xml.data(), xml.size(), pugi::parse_default,
                                   pugi::encoding_utf8));
    EXPECT_NE(xml.find("Про\xEF\xBF\xBD" "ект"), std::string::npos);
    EXPECT_NE(xml.find("Склад\xEF\xBF\xBD &lt;&amp;&gt;"), std::string::npos);
}

// A report stopped by an error (here a drawing too large to draw) once saved what it had so far
// over the file named.
TEST(OutputFiles, AReportStoppedByAnErrorLeavesTheOldFile)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    in.snap.project.IScale = 50;
    in.snap.conductors.front().Ro_b = 5000.0;
    QTemporaryDir dir;
    const QString path = dir.filePath("r.docx");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old report");
    }
    ReportSession session;
    const ReportFileResult r = writeReportFile(in, path, session);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.indexOf(QStringLiteral("слишком велик")), -1) << r.error.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("the old report"));
    EXPECT_FALSE(session.lastDocument());
}
