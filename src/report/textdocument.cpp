#include "report/textdocument.h"

#include "plan/fonts.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

namespace kv {

namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;

QTextCharFormat charFormat(const RunFormat &f)
{
    QTextCharFormat cf;
    cf.setFontFamilies({QString::fromStdString(f.font)});
    // The text document lays out in pixels at 96 dpi.
    cf.setFontPointSize(f.size);
    cf.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    cf.setFontItalic(f.italic);
    cf.setVerticalAlignment(f.raised ? QTextCharFormat::AlignSuperScript
                                     : QTextCharFormat::AlignNormal);
    return cf;
}

QTextBlockFormat blockFormat(Align a)
{
    QTextBlockFormat bf;
    bf.setAlignment(a == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft);
    bf.setTopMargin(0);
    bf.setBottomMargin(0);
    return bf;
}

} // namespace

std::unique_ptr<QTextDocument> toTextDocument(const ReportDocument &doc)
{
    installFontSubstitutions();
    auto td = std::make_unique<QTextDocument>();
    td->setDocumentMargin(0);
    const double textWidthPx = doc.page.textWidthPt() * kPixelsPerPoint;
    td->setTextWidth(textWidthPx);
    for (size_t i = 0; i < doc.pictures.size(); ++i) {
        QImage img;
        img.loadFromData(doc.pictures[i].png, "PNG");
        td->addResource(QTextDocument::ImageResource,
                        QUrl(QStringLiteral("pic%1").arg(i)), img);
    }
    QTextCursor cur(td.get());
    bool first = true;
    for (const auto &b : doc.blocks) {
        if (const auto *p = std::get_if<Paragraph>(&b)) {
            if (first)
                cur.setBlockFormat(blockFormat(p->align));
            else
                cur.insertBlock(blockFormat(p->align), charFormat(p->mark));
            cur.setBlockCharFormat(charFormat(p->mark));
            for (const auto &r : p->runs) {
                if (r.picture >= 0) {
                    const Picture &pic = doc.pictures[static_cast<size_t>(r.picture)];
                    QTextImageFormat imf;
                    imf.setName(QStringLiteral("pic%1").arg(r.picture));
                    double w = pic.width, h = pic.height;
                    if (pic.widthPt > 0 && pic.heightPt > 0) {
                        w = pic.widthPt * kPixelsPerPoint;
                        h = pic.heightPt * kPixelsPerPoint;
                    }
                    if (w > textWidthPx && w > 0) {
                        h = h * textWidthPx / w;
                        w = textWidthPx;
                    }
                    imf.setWidth(w);
                    imf.setHeight(h);
                    cur.insertImage(imf);
                } else {
                    cur.insertText(QString::fromStdString(r.text), charFormat(r.format));
                }
            }
        } else {
            const auto &t = std::get<TableBlock>(b);
            if (t.cells.empty())
                continue;
            const int rows = static_cast<int>(t.cells.size());
            const int cols = static_cast<int>(t.cells.front().size());
            QTextTableFormat tf;
            tf.setBorder(1);
            tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            tf.setBorderCollapse(true);
            tf.setCellPadding(2);
            tf.setCellSpacing(0);
            tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            if (!first)
                cur.insertBlock(blockFormat(Align::Left));
            QTextTable *table = cur.insertTable(rows, cols, tf);
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < cols; ++c) {
                    QTextCursor cc = table->cellAt(r, c).firstCursorPosition();
                    cc.setBlockFormat(blockFormat(Align::Center));
                    RunFormat f = t.format;
                    f.bold = r == 0;
                    const auto &row = t.cells[static_cast<size_t>(r)];
                    if (c < static_cast<int>(row.size()))
                        cc.insertText(QString::fromStdString(row[static_cast<size_t>(c)]),
                                      charFormat(f));
                }
            }
            cur = table->lastCursorPosition();
            cur.movePosition(QTextCursor::NextBlock);
            first = false;
            continue;
        }
        first = false;
    }
    return td;
}

QImage renderDocumentImage(const ReportDocument &doc, int maxHeight)
{
    auto td = toTextDocument(doc);
    const int border = 8;
    const int w = static_cast<int>(td->textWidth()) + 2 * border;
    const int h = std::min(maxHeight, static_cast<int>(td->size().height()) + 2 * border);
    QImage img(w, std::max(h, 1), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(border, border);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, 0, w, h);
    td->documentLayout()->draw(&p, ctx);
    return img;
}

} // namespace kv
