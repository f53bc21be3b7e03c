// The report as a PDF file, read back with poppler's tools: every number of every table, fonts
// embedded, pictures at the size placed (drawings at their stated scale), page numbers.

#include "report/pdffile.h"
#include "report/reportfile.h"
#include "report/sampleproject.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>


using namespace kv;

namespace {

QString runTool(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(ReportPdf, EveryConductorTypeHoldsItsTablesFontsAndScales)
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdfimages"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " not found: install poppler-utils (scripts/setup.sh)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Kind {
        ConductorType type;
        const char *pageNum;
        const char *orient;
    };
    const Kind kinds[] = {{ConductorType::SingleRod, "в нижнем колонтитуле", "книжная"},
                          {ConductorType::Cable, "в верхнем колонтитуле", "альбомная"},
                          {ConductorType::DoubleRod, "", "книжная"},
                          {ConductorType::MultiRod, "нет", "книжная"}};
    for (const Kind &k : kinds) {
        SCOPED_TRACE(static_cast<int>(k.type));
        ReportInput in = sampleReportInput(k.type, 3);
        in.profile.PageNum = k.pageNum;
        in.profile.PaperOrient = k.orient;
        ReportSession session;
        const QString path = dir.filePath(QStringLiteral("r%1.pdf").arg(static_cast<int>(k.type)));
        const ReportFileResult r = writeReportFile(in, path, session);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        const ReportDocument &doc = *r.document;

        // Every cell of every table, numbers above all, is in the text of the pages.
        const QString raw = runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        const QString text = raw.simplified();
        int tables = 0;
        for (const Block &b : doc.blocks)
            if (const auto *t = std::get_if<TableBlock>(&b)) {
                ++tables;
                for (const auto &row : t->cells)
                    for (const auto &cell : row)
                        for (const QString &word :
                             QString::fromStdString(cell).split(' ', Qt::SkipEmptyParts))
                            EXPECT_TRUE(text.contains(word)) << word.toStdString();
            }
        EXPECT_GE(tables, 2);
        const int pages = static_cast<int>(raw.count(QChar('\f')));

        // Only embedded fonts.
        const QStringList fonts =
            runTool(QStringLiteral("pdffonts"), {path}).split('\n', Qt::SkipEmptyParts).mid(2);
        EXPECT_FALSE(fonts.isEmpty());
        for (const QString &f : fonts)
            EXPECT_EQ(f.split(' ', Qt::SkipEmptyParts).value(4), QStringLiteral("yes"))
                << f.toStdString();

        // Every drawing on paper at the scale its note states ("Масштаб 1 : N"): the plan's
        // 38 pixels to the centimetre at 1 : IScale, measured from the image's resolution.
        QStringList stated;
        for (const std::string &line : doc.paragraphTexts())
            if (QString::fromStdString(line).startsWith(QStringLiteral("Масштаб 1 : ")))
                stated << QString::fromStdString(line).mid(12).chopped(1);
        const QStringList images =
            runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path})
                .split('\n', Qt::SkipEmptyParts)
                .mid(2)
                .filter(QStringLiteral(" image "));
        ASSERT_EQ(images.size(), static_cast<qsizetype>(doc.pictures.size()));
        ASSERT_EQ(stated.size(), images.size());
        const double planScale = in.snap.project.IScale.value_or(0);
        for (qsizetype i = 0; i < images.size(); ++i) {
            const double ppi = images[i].split(' ', Qt::SkipEmptyParts).value(12).toDouble();
            const double paperScale = planScale * ppi / (38 * 2.54);
            EXPECT_NEAR(paperScale, stated[i].toDouble(), stated[i].toDouble() * 0.006 + 1)
                << images[i].toStdString();
        }

        // The page number of every page, unless the profile says none.
        if (QString(k.pageNum) != QStringLiteral("нет")) {
            const QString last = runTool(QStringLiteral("pdftotext"),
                                         {QStringLiteral("-f"), QString::number(pages),
                                          QStringLiteral("-l"), QString::number(pages), path,
                                          QStringLiteral("-")});
            EXPECT_TRUE(last.contains(QString::number(pages))) << pages;
        }
    }
}
