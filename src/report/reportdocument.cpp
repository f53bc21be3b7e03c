#include "report/reportdocument.h"

#include "report/reportprofile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>

namespace kv {

RunFormat insertionDefaultFormat()
{
    return RunFormat{"Times New Roman Cyr", 12, false, false, false};
}

double PageSetup::textWidthPt() const
{
    const double w = pageWidthMm() / 25.4 * 72.0 - leftPt - rightPt;
    return std::max(w, 72.0);
}

double PageSetup::textHeightPt() const
{
    const double h = pageHeightMm() / 25.4 * 72.0 - topPt - bottomPt;
    return std::max(h, 72.0);
}

void applyProfile(PageSetup &page, const ReportProfile &p)
{
    if (p.PaperSize == "A3") {
        page.widthMm = 297;
        page.heightMm = 420;
    } else if (p.PaperSize == "A4") {
        page.widthMm = 210;
        page.heightMm = 297;
    } else if (p.PaperSize == "A5") {
        page.widthMm = 148;
        page.heightMm = 210;
    }
    if (p.PaperOrient == "книжная")
        page.landscape = false;
    else if (p.PaperOrient == "альбомная")
        page.landscape = true;
    page.topPt = marginPoints(p.TopMargin);
    page.bottomPt = marginPoints(p.BottomMargin);
    page.leftPt = marginPoints(p.LeftMargin);
    page.rightPt = marginPoints(p.RightMargin);
    page.headerPt = marginPoints(p.HeaderDistance);
    page.footerPt = marginPoints(p.FooterDistance);
    if (p.PageNum == "нет")
        page.pageNumbers = PageNumbers::None;
    else if (p.PageNum == "в верхнем колонтитуле")
        page.pageNumbers = PageNumbers::Header;
    else
        page.pageNumbers = PageNumbers::Footer;
}

bool isHeading(const Paragraph &p)
{
    return !p.runs.empty() && std::all_of(p.runs.begin(), p.runs.end(), [](const Run &r) {
        return r.picture < 0 && r.format.bold;
    });
}

std::vector<double> columnShares(const TableBlock &t)
{
    const size_t cols = std::max<size_t>(t.cells.empty() ? 1 : t.cells.front().size(), 1);
    std::vector<double> weight(cols, 4.0);
    for (const auto &row : t.cells)
        for (size_t c = 0; c < cols && c < row.size(); ++c) {
            const QString text = QString::fromStdString(row[c]);
            for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                weight[c] = std::max(weight[c], std::min<double>(word.size() + 2.0, 24.0));
        }
    double total = 0;
    for (double w : weight)
        total += w;
    for (double &w : weight)
        w /= total;
    return weight;
}

ReportDocument::ReportDocument()
{
    Paragraph p;
    p.mark = insertionDefaultFormat();
    blocks.emplace_back(std::move(p));
}

Paragraph &ReportDocument::current()
{
    return std::get<Paragraph>(blocks.back());
}

std::vector<std::string> ReportDocument::paragraphTexts() const
{
    std::vector<std::string> out;
    for (const auto &b : blocks) {
        if (const auto *p = std::get_if<Paragraph>(&b)) {
            std::string s;
            for (const auto &r : p->runs)
                s += r.text;
            out.push_back(s);
        } else {
            for (const auto &row : std::get<TableBlock>(b).cells) {
                std::string s;
                for (size_t i = 0; i < row.size(); ++i)
                    s += (i ? "\t" : "") + row[i];
                out.push_back(s);
            }
        }
    }
    return out;
}

DocumentBuilder::DocumentBuilder(std::shared_ptr<ReportDocument> current)
    : m_doc(std::move(current)), m_insertion(insertionDefaultFormat())
{
}

void DocumentBuilder::ensureDocument(bool fresh)
{
    m_continued = m_doc && !fresh;
    if (!m_continued)
        m_doc = std::make_shared<ReportDocument>();
    m_insertion = insertionDefaultFormat();
}

void DocumentBuilder::OpenReportDocument(const ReportProfile &profile)
{
    ensureDocument(profile.WordDoc == "новый");
    applyProfile(m_doc->page, profile);
}

void DocumentBuilder::AttachDocument() { ensureDocument(false); }

void DocumentBuilder::appendText(const std::string &text, const RunFormat &format)
{
    size_t start = 0;
    while (start <= text.size()) {
        const size_t br = text.find('\r', start);
        const std::string piece = text.substr(start, br == std::string::npos ? std::string::npos
                                                                              : br - start);
        Paragraph &p = m_doc->current();
        if (!piece.empty()) {
            // Consecutive text of one format stays one run.
            if (!p.runs.empty() && p.runs.back().picture < 0 && p.runs.back().format == format)
                p.runs.back().text += piece;
            else
                p.runs.push_back(Run{piece, format, -1});
        }
        if (br == std::string::npos)
            break;
        p.mark = format;
        Paragraph next;
        next.mark = format;
        m_doc->blocks.emplace_back(std::move(next));
        start = br + 1;
    }
    m_doc->current().mark = format;
}

void DocumentBuilder::AppendRun(const std::string &text, const RunFormat &format)
{
    appendText(text, format);
    m_insertion = format;
}

void DocumentBuilder::SetInsertionFormat(const RunFormat &format)
{
    m_insertion = format;
    m_doc->current().mark = format;
}

void DocumentBuilder::AppendBreak() { appendText("\r", m_insertion); }

void DocumentBuilder::AppendTable(const std::string &caption, const std::vector<std::string> &header,
                                  const std::vector<std::vector<std::string>> &rows)
{
    if (rows.empty())
        return;
    AppendRun(caption + "\r\r", RunFormat{"Times New Roman", 12, true, false, false});
    TableBlock t;
    t.format = insertionDefaultFormat();
    t.cells.push_back(header);
    for (const auto &r : rows) {
        auto row = r;
        row.resize(header.size());
        t.cells.push_back(std::move(row));
    }
    // The table takes the place of the empty paragraph the caption left; the paragraph below it
    // and one empty paragraph follow.
    Paragraph mark = m_doc->current();
    if (mark.isEmpty())
        m_doc->blocks.back() = std::move(t);
    else
        m_doc->blocks.emplace_back(std::move(t));
    Paragraph below;
    below.mark = m_insertion;
    m_doc->blocks.emplace_back(std::move(below));
    AppendBreak();
}

bool DocumentBuilder::AppendPicture(const QString &fileName, double pixelsPerCm)
{
    // A PNG file goes in as it is (its header gives the size); any other picture is converted.
    Picture pic;
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (!size.isValid())
        return false;
    if (reader.format() == "png") {
        QFile f(fileName);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        pic.png = f.readAll();
    } else {
        const QImage image = reader.read();
        if (image.isNull())
            return false;
        QBuffer buf(&pic.png);
        buf.open(QIODevice::WriteOnly);
        image.save(&buf, "PNG");
    }
    if (pic.png.isEmpty())
        return false;
    pic.width = size.width();
    pic.height = size.height();
    // The size on paper, then as much smaller as the text area of the page needs.
    const double ptPerPixel = pixelsPerCm > 0 ? 72.0 / 2.54 / pixelsPerCm : 0.75;
    const double w = pic.width * ptPerPixel;
    const double h = pic.height * ptPerPixel;
    double fit = 1;
    if (w > m_doc->page.textWidthPt())
        fit = m_doc->page.textWidthPt() / w;
    if (pixelsPerCm > 0 && h * fit > m_doc->page.textHeightPt())
        fit = m_doc->page.textHeightPt() / h;
    pic.widthPt = w * fit;
    pic.heightPt = h * fit;
    m_lastFit = fit;
    QFile::remove(fileName);
    m_doc->pictures.push_back(std::move(pic));
    m_doc->current().runs.push_back(
        Run{{}, m_insertion, static_cast<int>(m_doc->pictures.size()) - 1});
    AppendBreak();
    return true;
}

void DocumentBuilder::CloseReportDocument() {}

} // namespace kv
