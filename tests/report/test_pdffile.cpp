// The report as a PDF file, read back with poppler's tools: every number of every table, fonts
// embedded, pictures at the size placed (drawings at their stated scale), page numbers.

#include "report/pdffile.h"
#include "report/reportfile.h"
#include "report/sampleproject.h"

#include <QProcess>
#include <QRegularExpression>
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

// Text laid out at several sizes never reaches into the right margin (measured on the words
// poppler finds), and a word too wide for its narrow table column breaks after its hyphen so that
// the number in it stays whole.
TEST(ReportPdf, WordsStayInsideTheMarginsAndNumbersStayWhole)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext not found: install poppler-utils (scripts/setup.sh)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ReportDocument doc;
    doc.page.leftPt = 85;
    doc.page.rightPt = 43;
    doc.page.topPt = doc.page.bottomPt = 57;
    const char *words[] = {"радиус",       "зоны",    "защиты", "на",         "высоте",    "Нх",
                           "молниеотвода", "объекта", "при",    "наибольшей", "расчетной", "м,",
                           "(12,5",        "сужения", "между",  "опорами)"};
    unsigned seed = 7;
    for (double size : {9.0, 10.0, 12.0, 14.0})
        for (int p = 0; p < 6; ++p) {
            Paragraph par;
            par.mark.size = size;
            std::string text;
            for (int w = 0; w < 60; ++w) {
                seed = seed * 1103515245u + 12345u;
                text += std::string(w ? " " : "") + words[(seed >> 16) % std::size(words)];
            }
            RunFormat f;
            f.size = size;
            par.runs.push_back(kv::Run{text, f, -1});
            doc.blocks.emplace_back(std::move(par));
        }
    TableBlock table;
    table.cells = {{"Тип", "Примечание", "H, м", "Ho_a, м", "Ho_b, м", "Ro_a, м", "Ro_b, м",
                    "Hc_a, м", "Hc_b, м", "Rc_a, м", "Rc_b, м"},
                   {"МСТ-10", "Молниеотводы стержневые из стальных труб", "11", "8,5", "", "10,8",
                    "", "8,15", "", "10,8", ""}};
    table.format = insertionDefaultFormat();
    doc.blocks.emplace_back(table);
    const QString path = dir.filePath(QStringLiteral("margins.pdf"));
    QString error;
    ASSERT_TRUE(savePdf(doc, path, &error)) << error.toStdString();

    const QString boxes =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)"[^>]*>([^<]*)<)re"));
    const double right = doc.page.pageWidthMm() / 25.4 * 72 - doc.page.rightPt;
    int count = 0;
    QStringList texts;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++count) {
        const auto m = it.next();
        texts << m.captured(3);
        EXPECT_GE(m.captured(1).toDouble(), doc.page.leftPt - 0.5) << m.captured(3).toStdString();
        EXPECT_LE(m.captured(2).toDouble(), right + 0.5) << m.captured(3).toStdString();
    }
    EXPECT_GT(count, 1400);
    EXPECT_TRUE(texts.contains(QStringLiteral("МСТ-"))) << texts.join(' ').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("10")));
}
