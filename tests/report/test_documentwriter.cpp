// The document writer and the .docx package: runs and breaks, raised text, tables, pictures,
// page set-up, "новый"/"текущий", and a package that names every part it holds.

#include "docxreader.h"
#include "report/docxfile.h"
#include "report/reportdocument.h"
#include "report/reportfile.h"
#include "report/reportprofile.h"
#include "report/sampleproject.h"
#include "report/pdffile.h"
#include "report/textdocument.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kv;
using kvtest::readDocx;

namespace {

kvtest::Docx roundTrip(const ReportDocument &doc, const QTemporaryDir &dir)
{
    const QString path = dir.filePath("doc.docx");
    QString error;
    EXPECT_TRUE(saveDocx(doc, path, &error)) << error.toStdString();
    return readDocx(path.toStdString());
}

} // namespace

TEST(DocumentWriter, RunsBreakParagraphsAndKeepTheirFormat)
{
    DocumentBuilder w;
    ReportProfile p;
    w.OpenReportDocument(p);
    w.AppendRun("Проект.\r\r", "Times New Roman", 14, true, false);
    w.AppendPlain("Hx");
    w.AppendRaised("2");
    w.AppendPlain(" = 4\r");
    w.SetInsertionFormat(RunFormat{});
    w.AppendBreak();
    QTemporaryDir dir;
    const auto d = roundTrip(*w.document(), dir);
    ASSERT_GE(d.lines.size(), 4u);
    EXPECT_EQ(d.lines[0], "Проект.");
    EXPECT_EQ(d.lines[1], "");
    EXPECT_EQ(d.lines[2], "Hx 2  = 4");
    EXPECT_EQ(d.lines[3], "");
    const auto &title = d.paragraphs[0].runs.at(0);
    EXPECT_EQ(title.font, "Times New Roman");
    EXPECT_EQ(title.size, 14);
    EXPECT_TRUE(title.bold);
    const auto &formula = d.paragraphs[2].runs;
    ASSERT_EQ(formula.size(), 3u);
    EXPECT_FALSE(formula[0].raised);
    EXPECT_EQ(formula[1].text, " 2 ");
    EXPECT_TRUE(formula[1].raised);
    EXPECT_EQ(formula[1].size, 10);
    EXPECT_FALSE(formula[2].raised);
    // Cyrillic is shown through the hAnsi slot: all four slots carry the font.
    EXPECT_NE(d.parts.at("word/document.xml").find("w:eastAsia=\"Times New Roman\""),
              std::string::npos);
}

TEST(DocumentWriter, TablesCaptionsAndEmptyTables)
{
    DocumentBuilder w;
    w.OpenReportDocument(ReportProfile{});
    w.AppendTable("Пустая.", {"A"}, {});
    w.AppendTable("Таблица.", {"N", "Имя"}, {{"0,5", "Склад"}, {"", "Труба"}});
    QTemporaryDir dir;
    const auto d = roundTrip(*w.document(), dir);
    EXPECT_EQ(d.count("Пустая."), 0) << "a table over zero records leaves no caption";
    ASSERT_EQ(d.tables.size(), 1u);
    const std::vector<std::string> expected = {"Таблица.", "", "<table 0>", "", ""};
    EXPECT_EQ(std::vector<std::string>(d.lines.begin(), d.lines.begin() + 5), expected);
    EXPECT_TRUE(d.paragraphs[0].runs[0].bold);
    EXPECT_EQ(d.paragraphs[0].runs[0].size, 12);
    const auto &t = d.tables[0];
    EXPECT_EQ(t.cells, (std::vector<std::vector<std::string>>{{"N", "Имя"}, {"0,5", "Склад"},
                                                              {"", "Труба"}}));
    EXPECT_EQ(t.firstRuns[1].at(0).size, 12);
    // Every table has its grid, and every cell a paragraph.
    const std::string &xml = d.parts.at("word/document.xml");
    EXPECT_NE(xml.find("<w:tblGrid>"), std::string::npos);
    EXPECT_NE(xml.find("w:tblBorders"), std::string::npos);
}

struct PageCase {
    const char *name;
    ReportProfile profile;
    int widthTw, heightTw;
    bool landscape;
    int topPt, leftPt;
    const char *hfPart; // "" none
};

TEST(DocumentWriter, PageSetUpFromTheProfile)
{
    auto make = [](const char *size, const char *orient, const char *pageNum, OptI top, OptI left) {
        ReportProfile p;
        p.PaperSize = size;
        p.PaperOrient = orient;
        p.PageNum = pageNum;
        p.TopMargin = top;
        p.LeftMargin = left;
        return p;
    };
    const PageCase cases[] = {
        {"A4 portrait, 10 mm -> 28 pt, 25 mm -> 71 pt", make("A4", "книжная", "в нижнем колонтитуле", 10, 25),
         mmToTwips(210), mmToTwips(297), false, 28, 71, "word/footer1.xml"},
        {"A3 landscape swaps the sides, header", make("A3", "альбомная", "в верхнем колонтитуле", 20, 30),
         mmToTwips(420), mmToTwips(297), true, 57, 85, "word/header1.xml"},
        {"A5, no page numbers", make("A5", "книжная", "нет", 0, 0), mmToTwips(148), mmToTwips(210),
         false, 0, 0, ""},
        {"empty: A4 default, margins 0, footer", make("", "", "", {}, {}), mmToTwips(210),
         mmToTwips(297), false, 0, 0, "word/footer1.xml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DocumentBuilder w;
        w.OpenReportDocument(c.profile);
        QTemporaryDir dir;
        const auto d = roundTrip(*w.document(), dir);
        auto sect = d.document.child("w:document").child("w:body").last_child();
        ASSERT_STREQ(sect.name(), "w:sectPr") << "the section properties close the body";
        EXPECT_EQ(sect.child("w:pgSz").attribute("w:w").as_int(), c.widthTw);
        EXPECT_EQ(sect.child("w:pgSz").attribute("w:h").as_int(), c.heightTw);
        EXPECT_EQ(std::string(sect.child("w:pgSz").attribute("w:orient").as_string()) == "landscape",
                  c.landscape);
        EXPECT_EQ(sect.child("w:pgMar").attribute("w:top").as_int(), c.topPt * 20);
        EXPECT_EQ(sect.child("w:pgMar").attribute("w:left").as_int(), c.leftPt * 20);
        EXPECT_EQ(sect.child("w:pgMar").attribute("w:bottom").as_int(), 0);
        if (*c.hfPart) {
            ASSERT_TRUE(d.has(c.hfPart));
            EXPECT_NE(d.parts.at(c.hfPart).find("PAGE"), std::string::npos);
            EXPECT_NE(d.parts.at(c.hfPart).find("w:val=\"center\""), std::string::npos);
        } else {
            EXPECT_FALSE(d.has("word/header1.xml") || d.has("word/footer1.xml"));
        }
    }
    EXPECT_EQ(marginPoints(10), 28);
    EXPECT_EQ(marginPoints(25), 71);
    EXPECT_EQ(marginPoints(std::nullopt), 0);
}

TEST(DocumentWriter, PictureIsEmbeddedScaledAndItsFileRemoved)
{
    QTemporaryDir dir;
    ReportProfile p = ReportProfile::full(); // A4, left 30 mm, right 15 mm
    DocumentBuilder w;
    w.OpenReportDocument(p);
    const QString small = dir.filePath("small.png"), wide = dir.filePath("wide.png");
    QImage(200, 100, QImage::Format_RGB32).save(small);
    QImage(2000, 500, QImage::Format_RGB32).save(wide);
    ASSERT_TRUE(w.AppendPicture(small));
    ASSERT_TRUE(w.AppendPicture(wide));
    EXPECT_FALSE(w.AppendPicture(dir.filePath("missing.png")));
    EXPECT_FALSE(QFile::exists(small));
    EXPECT_FALSE(QFile::exists(wide));
    const auto d = roundTrip(*w.document(), dir);
    EXPECT_EQ(d.pictures, 2);
    EXPECT_TRUE(d.has("word/media/image1.png"));
    EXPECT_TRUE(d.has("word/media/image2.png"));
    std::vector<long long> cx;
    for (auto e : d.document.select_nodes("//wp:extent"))
        cx.push_back(e.node().attribute("cx").as_llong());
    ASSERT_EQ(cx.size(), 2u);
    EXPECT_EQ(cx[0], 200 * 9525) << "96 dpi";
    const long long textWidth = (mmToTwips(210) - (marginPoints(30) + marginPoints(15)) * 20) * 635;
    EXPECT_NEAR(static_cast<double>(cx[1]), static_cast<double>(textWidth), 20000.0);
    // The picture's paragraph ends; what follows starts a new one.
    EXPECT_EQ(d.lines.size(), 3u);
}

TEST(DocumentWriter, PackageNamesEveryPart)
{
    QTemporaryDir dir;
    DocumentBuilder w;
    w.OpenReportDocument(ReportProfile::full());
    const QString pic = dir.filePath("p.png");
    QImage(10, 10, QImage::Format_RGB32).save(pic);
    w.AppendPicture(pic);
    const auto d = roundTrip(*w.document(), dir);
    const std::string &types = d.parts.at("[Content_Types].xml");
    for (const auto &[name, bytes] : d.parts) {
        if (name.ends_with(".rels") || name.ends_with(".png") || name == "[Content_Types].xml")
            continue;
        EXPECT_NE(types.find("/" + name), std::string::npos) << name;
    }
    pugi::xml_document rels;
    const std::string &r = d.parts.at("word/_rels/document.xml.rels");
    rels.load_buffer(r.data(), r.size());
    for (auto rel : rels.child("Relationships").children("Relationship"))
        EXPECT_TRUE(d.has(std::string("word/") + rel.attribute("Target").as_string()))
            << rel.attribute("Target").as_string();
}

TEST(DocumentWriter, CurrentContinuesTheLastDocumentNewStartsAFreshOne)
{
    QTemporaryDir dir;
    ReportSession session;
    ReportProfile p = ReportProfile::full();
    auto write = [&](const char *mode, const char *text, const QString &path) {
        DocumentBuilder w(session.lastDocument()
                              ? std::make_shared<ReportDocument>(*session.lastDocument())
                              : nullptr);
        p.WordDoc = mode;
        w.OpenReportDocument(p);
        w.AppendPlain(std::string(text) + "\r");
        w.CloseReportDocument();
        ASSERT_TRUE(saveDocx(*w.document(), path));
        session.remember(w.document(), path);
    };
    write("текущий", "первый", dir.filePath("a.docx")); // none yet: a new one
    write("текущий", "второй", dir.filePath("b.docx"));
    write("новый", "третий", dir.filePath("c.docx"));
    EXPECT_EQ(readDocx(dir.filePath("a.docx").toStdString()).lines.front(), "первый");
    const auto b = readDocx(dir.filePath("b.docx").toStdString());
    EXPECT_EQ(b.find("первый"), 0);
    EXPECT_EQ(b.find("второй"), 1);
    const auto c = readDocx(dir.filePath("c.docx").toStdString());
    EXPECT_EQ(c.find("первый"), -1);
    EXPECT_EQ(c.lines.front(), "третий");
    // A preview picture goes to the document written last.
    const QString d = dir.filePath("d.docx");
    const ReportFileResult r =
        appendPictureFile(QImage(20, 20, QImage::Format_RGB32), d, session);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const auto withPicture = readDocx(d.toStdString());
    EXPECT_EQ(withPicture.lines.front(), "третий");
    EXPECT_EQ(withPicture.pictures, 1);
}

TEST(DocumentWriter, DefaultFileNameReplacesWhatAFileNameCannotHold)
{
    EXPECT_EQ(defaultReportFileName("Склад: корпус 1/2"), QString("Склад_ корпус 1_2.docx"));
    EXPECT_EQ(defaultReportFileName("  "), QString("Отчет.docx"));
    EXPECT_EQ(defaultReportFileName("a*b?\"c\"<>|"), QString("a_b__c____.docx"));
}

TEST(DocumentWriter, TextDocumentBackEndGivesPicturesAndPdf)
{
    ReportInput in = sampleReportInput(ConductorType::SingleRod);
    in.profile = ReportProfile::full();
    DocumentBuilder w;
    writeReport(in, w);
    const QImage img = renderDocumentImage(*w.document(), 800);
    EXPECT_EQ(img.height(), 800) << "cut off at the height asked";
    EXPECT_GT(img.width(), 500);
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(savePdf(*w.document(), dir.filePath("r.pdf"), &error)) << error.toStdString();
    QFile pdf(dir.filePath("r.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 20000);
}
