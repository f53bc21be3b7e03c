#include "report/pdffile.h"

#include "plan/fonts.h"
#include "plan/picturefile.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <functional>

namespace kv {

namespace {

// The page is laid out in device units of a 720 dpi PDF device: ten to the point, fine enough
// for any line or border position.
constexpr int kResolution = 720;
constexpr double kUnitsPerPoint = kResolution / 72.0;
// A raised run is two thirds of its size, lifted by a third of it, as word processors set it.
constexpr double kRaisedScale = 2.0 / 3.0;
constexpr double kRaisedRise = 1.0 / 3.0;
// Default tab stops every 1.25 cm; table cells have 57 twips of padding at the sides.
constexpr double kTabPt = 1.25 / 2.54 * 72.0;
constexpr double kCellPaddingPt = 57.0 / 20.0;
constexpr double kCellPaddingVPt = 1.0;
constexpr double kBorderPt = 0.5;

// A piece of a line: text in one font at one rise, a tab, or a picture.
struct Piece {
    QString text;
    QFont font;
    double rise = 0; // device units above the baseline
    double width = 0;
    int picture = -1;
    double picHeight = 0;
};

struct Line {
    std::vector<Piece> pieces;
    double width = 0;
    double ascent = 0;
    double descent = 0;
    double height() const { return ascent + descent; }
};

class Layout {
public:
    Layout(const ReportDocument &doc, QPdfWriter &writer) : m_doc(doc), m_device(&writer) {}

    QFont font(const RunFormat &f, bool forRaised) const
    {
        QFont font(QString::fromStdString(f.font));
        font.setStyleHint(QFont::Serif);
        font.setPointSizeF(f.raised && forRaised ? f.size * kRaisedScale : f.size);
        font.setBold(f.bold);
        font.setItalic(f.italic);
        font.setKerning(true);
        return font;
    }
    QFontMetricsF metrics(const QFont &f) const { return QFontMetricsF(f, m_device); }

    // The lines of a paragraph broken to the width (device units).
    std::vector<Line> lines(const Paragraph &p, double width) const;

private:
    struct Token {
        Piece piece;
        double trailing = 0; // the width of the blanks ending the token
        bool tab = false;
        double ascent = 0, descent = 0;
    };
    std::vector<Token> tokens(const Paragraph &p, double width) const;

    const ReportDocument &m_doc;
    QPaintDevice *m_device;
};

std::vector<Layout::Token> Layout::tokens(const Paragraph &p, double width) const
{
    std::vector<Token> out;
    for (const Run &r : p.runs) {
        if (r.picture >= 0) {
            const Picture &pic = m_doc.pictures[static_cast<size_t>(r.picture)];
            double w = pic.widthPt > 0 ? pic.widthPt : pic.width * 0.75;
            double h = pic.heightPt > 0 ? pic.heightPt : pic.height * 0.75;
            w *= kUnitsPerPoint;
            h *= kUnitsPerPoint;
            if (w > width && w > 0) {
                h = h * width / w;
                w = width;
            }
            Token t;
            t.piece.picture = r.picture;
            t.piece.width = w;
            t.piece.picHeight = h;
            t.ascent = h;
            out.push_back(t);
            continue;
        }
        const QFont f = font(r.format, true);
        const QFontMetricsF fm = metrics(f);
        // Raised text keeps the line as high as its full size would.
        const QFontMetricsF base = metrics(font(r.format, false));
        const double rise = r.format.raised ? r.format.size * kRaisedRise * kUnitsPerPoint : 0;
        const double ascent = std::max(base.ascent(), fm.ascent() + rise);
        const double descent = base.descent();
        const QString text = QString::fromStdString(r.text);
        int i = 0;
        while (i < text.size()) {
            Token t;
            t.piece.font = f;
            t.piece.rise = rise;
            t.ascent = ascent;
            t.descent = descent;
            if (text[i] == QLatin1Char('\t')) {
                t.tab = true;
                ++i;
                out.push_back(t);
                continue;
            }
            int j = i;
            while (j < text.size() && text[j] != QLatin1Char(' ') && text[j] != QLatin1Char('\t'))
                ++j;
            int k = j;
            while (k < text.size() && text[k] == QLatin1Char(' '))
                ++k;
            t.piece.text = text.mid(i, k - i);
            t.piece.width = fm.horizontalAdvance(t.piece.text);
            t.trailing = t.piece.width - fm.horizontalAdvance(text.mid(i, j - i));
            // A word wider than the line is broken where it must be.
            if (t.piece.width - t.trailing > width && j - i > 1) {
                int n = 1;
                while (i + n < j && fm.horizontalAdvance(text.mid(i, n + 1)) <= width)
                    ++n;
                // After a hyphen when one fits, as word processors break "МСТ-10": the number
                // stays whole.
                const int hyphen = static_cast<int>(text.lastIndexOf(QLatin1Char('-'), i + n - 1));
                if (hyphen > i && hyphen < i + n)
                    n = hyphen + 1 - i;
                t.piece.text = text.mid(i, n);
                t.piece.width = fm.horizontalAdvance(t.piece.text);
                t.trailing = 0;
                k = i + n;
            }
            out.push_back(t);
            i = k;
        }
    }
    return out;
}

std::vector<Line> Layout::lines(const Paragraph &p, double width) const
{
    std::vector<Line> out(1);
    // An empty line is as high as the paragraph mark's font.
    const QFontMetricsF mark = metrics(font(p.mark, false));
    out.back().ascent = mark.ascent();
    out.back().descent = mark.descent();
    const double tab = kTabPt * kUnitsPerPoint;
    bool started = false;
    double trailing = 0;
    for (Token &t : tokens(p, width)) {
        Line *line = &out.back();
        if (t.tab) {
            const double next = (std::floor(line->width / tab + 1e-9) + 1) * tab;
            if (next > width && !line->pieces.empty()) {
                out.emplace_back();
                line = &out.back();
                started = false;
            }
            t.piece.width = (std::floor(line->width / tab + 1e-9) + 1) * tab - line->width;
            trailing = 0;
        } else if (!line->pieces.empty() && line->width + t.piece.width - t.trailing > width) {
            // The blanks before the word stay on the line; only its own trailing ones may hang
            // over the margin.
            line->width -= trailing;
            out.emplace_back();
            line = &out.back();
            started = false;
        }
        if (!started) {
            line->ascent = t.ascent;
            line->descent = t.descent;
            started = true;
        } else {
            line->ascent = std::max(line->ascent, t.ascent);
            line->descent = std::max(line->descent, t.descent);
        }
        line->width += t.piece.width;
        if (!t.tab)
            trailing = t.trailing;
        // Consecutive text of one font and rise is drawn as one piece.
        if (!t.tab && t.piece.picture < 0 && !line->pieces.empty()
            && line->pieces.back().picture < 0 && !line->pieces.back().text.isEmpty()
            && line->pieces.back().font == t.piece.font && line->pieces.back().rise == t.piece.rise) {
            line->pieces.back().text += t.piece.text;
            line->pieces.back().width += t.piece.width;
        } else {
            line->pieces.push_back(t.piece);
        }
    }
    out.back().width -= trailing;
    return out;
}

void drawLine(QPainter &painter, const ReportDocument &doc, const Line &line, double left,
              double width, Align align, double top)
{
    double x = left + (align == Align::Center ? std::max(0.0, (width - line.width) / 2) : 0);
    const double baseline = top + line.ascent;
    for (const Piece &piece : line.pieces) {
        if (piece.picture >= 0) {
            QImage img;
            img.loadFromData(doc.pictures[static_cast<size_t>(piece.picture)].png, "PNG");
            // An image with an alpha channel is stored losslessly: a drawing's thin lines and
            // small texts stay sharp (the PDF engine would store an opaque one as a JPEG).
            img = img.convertToFormat(QImage::Format_ARGB32);
            painter.drawImage(QRectF(x, baseline - piece.picHeight, piece.width, piece.picHeight),
                              img);
        } else if (!piece.text.isEmpty()) {
            painter.setFont(piece.font);
            painter.drawText(QPointF(x, baseline - piece.rise), piece.text);
        }
        x += piece.width;
    }
}

// One box placed on a page as a whole: a line of a paragraph or a row of a table.
struct Unit {
    double height = 0;
    bool keepWithNext = false;
    int header = -1; // the unit to repeat first when this one starts a page (a table's captions)
    std::function<void(QPainter &, double top)> draw;
};

class PdfPages {
public:
    PdfPages(const ReportDocument &doc, QPdfWriter &writer, QPainter &painter)
        : m_doc(doc), m_writer(writer), m_painter(painter), m_layout(doc, writer)
    {
        const PageSetup &pg = doc.page;
        m_left = pg.leftPt * kUnitsPerPoint;
        m_top = pg.topPt * kUnitsPerPoint;
        m_width = pg.textWidthPt() * kUnitsPerPoint;
        m_height = pg.textHeightPt() * kUnitsPerPoint;
        m_pageHeight = pg.pageHeightMm() / 25.4 * kResolution;
    }

    void build();
    bool place();

private:
    void addParagraph(const Paragraph &p, bool keep);
    void addTable(const TableBlock &t);
    void pageNumber(int page);

    const ReportDocument &m_doc;
    QPdfWriter &m_writer;
    QPainter &m_painter;
    Layout m_layout;
    std::vector<Unit> m_units;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0, m_pageHeight = 0;
};

void PdfPages::addParagraph(const Paragraph &p, bool keep)
{
    const std::vector<Line> lines = m_layout.lines(p, m_width);
    for (const Line &line : lines) {
        Unit u;
        u.height = line.height();
        u.keepWithNext = keep;
        const Align align = p.align;
        u.draw = [this, line, align](QPainter &painter, double top) {
            drawLine(painter, m_doc, line, m_left, m_width, align, top);
        };
        m_units.push_back(std::move(u));
    }
}

void PdfPages::addTable(const TableBlock &t)
{
    if (t.cells.empty())
        return;
    const size_t cols = std::max<size_t>(t.cells.front().size(), 1);
    const std::vector<double> share = columnShares(t);
    std::vector<double> colLeft(cols + 1, m_left);
    for (size_t c = 0; c < cols; ++c)
        colLeft[c + 1] = colLeft[c] + m_width * share[c];
    const double padH = kCellPaddingPt * kUnitsPerPoint;
    const double padV = kCellPaddingVPt * kUnitsPerPoint;
    int headerUnit = -1;
    for (size_t r = 0; r < t.cells.size(); ++r) {
        RunFormat f = t.format;
        f.bold = r == 0;
        std::vector<std::vector<Line>> cellLines(cols);
        double height = 0;
        for (size_t c = 0; c < cols; ++c) {
            Paragraph p;
            p.mark = f;
            p.align = Align::Center;
            const std::string &text = c < t.cells[r].size() ? t.cells[r][c] : std::string();
            if (!text.empty())
                p.runs.push_back(Run{text, f, -1});
            cellLines[c] = m_layout.lines(p, std::max(1.0, colLeft[c + 1] - colLeft[c] - 2 * padH));
            double h = 0;
            for (const Line &l : cellLines[c])
                h += l.height();
            height = std::max(height, h);
        }
        height += 2 * padV;
        Unit u;
        u.height = height;
        u.keepWithNext = r == 0;
        u.header = r == 0 ? -1 : headerUnit;
        u.draw = [this, cellLines, colLeft, height, padH, padV](QPainter &painter, double top) {
            for (size_t c = 0; c < cellLines.size(); ++c) {
                double y = top + padV;
                const double left = colLeft[c] + padH;
                const double w = colLeft[c + 1] - colLeft[c] - 2 * padH;
                for (const Line &l : cellLines[c]) {
                    drawLine(painter, m_doc, l, left, w, Align::Center, y);
                    y += l.height();
                }
            }
            QPen pen(Qt::black);
            pen.setWidthF(kBorderPt * kUnitsPerPoint);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            for (size_t c = 0; c + 1 < colLeft.size(); ++c)
                painter.drawRect(QRectF(colLeft[c], top, colLeft[c + 1] - colLeft[c], height));
        };
        m_units.push_back(std::move(u));
        if (r == 0)
            headerUnit = static_cast<int>(m_units.size()) - 1;
    }
}

void PdfPages::build()
{
    bool keep = false;
    for (const auto &b : m_doc.blocks) {
        if (const auto *p = std::get_if<Paragraph>(&b)) {
            keep = isHeading(*p) || (keep && p->isEmpty());
            addParagraph(*p, keep);
        } else {
            keep = false;
            addTable(std::get<TableBlock>(b));
        }
    }
}

void PdfPages::pageNumber(int page)
{
    const PageSetup &pg = m_doc.page;
    if (pg.pageNumbers == PageNumbers::None)
        return;
    const QFont f = m_layout.font(insertionDefaultFormat(), false);
    const QFontMetricsF fm = m_layout.metrics(f);
    const QString text = QString::number(page);
    const double x = m_left + (m_width - fm.horizontalAdvance(text)) / 2;
    const double baseline = pg.pageNumbers == PageNumbers::Header
                                ? pg.headerPt * kUnitsPerPoint + fm.ascent()
                                : m_pageHeight - pg.footerPt * kUnitsPerPoint - fm.descent();
    m_painter.setFont(f);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(x, baseline), text);
}

bool PdfPages::place()
{
    int page = 1;
    double y = 0; // used height of the current page's text area
    pageNumber(page);
    auto newPage = [&] {
        if (!m_writer.newPage())
            return false;
        pageNumber(++page);
        y = 0;
        return true;
    };
    for (size_t i = 0; i < m_units.size(); ++i) {
        const Unit &u = m_units[i];
        // A heading goes to the next page when what it heads does not fit below it.
        double needed = u.height;
        for (size_t j = i; j < m_units.size() && m_units[j].keepWithNext; ++j)
            if (j + 1 < m_units.size())
                needed += m_units[j + 1].height;
        if (needed > m_height)
            needed = u.height;
        if (y > 0 && y + needed > m_height + 0.5) {
            if (!newPage())
                return false;
            if (u.header >= 0) {
                const Unit &h = m_units[static_cast<size_t>(u.header)];
                h.draw(m_painter, m_top);
                y = h.height;
            }
        }
        // A unit taller than a page (never made by the report) is drawn shrunk to fit.
        if (u.height > m_height - y && y == 0) {
            m_painter.save();
            const double s = m_height / u.height;
            m_painter.translate(m_left, m_top);
            m_painter.scale(s, s);
            m_painter.translate(-m_left, -m_top);
            u.draw(m_painter, m_top);
            m_painter.restore();
            y = m_height;
            continue;
        }
        u.draw(m_painter, m_top + y);
        y += u.height;
    }
    return true;
}

} // namespace

bool savePdf(const ReportDocument &doc, const QString &path, QString *error)
{
    installFontSubstitutions();
    OutputFile file(path.toStdString());
    auto fail = [&](const std::string &why) {
        if (error)
            *error = QStringLiteral("Ошибка. Не удалось записать файл ") + path + ". "
                     + QString::fromStdString(why);
        return false;
    };
    if (!file.open())
        return fail(file.error());
    OutputFileDevice device(file);
    device.open(QIODevice::WriteOnly);
    bool placed = false;
    {
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Korvan VL"));
        writer.setResolution(kResolution);
        // The layout keeps the margins itself; the page number stands in them.
        const QPageLayout layout(QPageSize(QSizeF(doc.page.widthMm, doc.page.heightMm),
                                           QPageSize::Millimeter),
                                 doc.page.landscape ? QPageLayout::Landscape
                                                    : QPageLayout::Portrait,
                                 QMarginsF(0, 0, 0, 0));
        writer.setPageLayout(layout);
        QPainter painter;
        if (painter.begin(&writer)) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setPen(Qt::black);
            PdfPages pages(doc, writer, painter);
            pages.build();
            placed = pages.place();
            placed = painter.end() && placed;
        }
    }
    device.close();
    if (!file.error().empty())
        return fail(file.error());
    if (!placed)
        return fail("Ошибка при разметке страниц.");
    if (!file.commit())
        return fail(file.error());
    return true;
}

} // namespace kv
