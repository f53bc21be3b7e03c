#pragma once
// The report document in memory: paragraphs of runs, tables and embedded pictures, with the page
// set-up. DocumentBuilder writes it through the document writer operations; the .docx file and
// the QTextDocument back-ends render it.

#include "report/documentwriter.h"

#include <QByteArray>
#include <memory>
#include <variant>
#include <vector>

namespace kv {

enum class PageNumbers { None, Header, Footer };

struct PageSetup {
    double widthMm = 210; // portrait sides; landscape swaps them when written
    double heightMm = 297;
    bool landscape = false;
    int topPt = 0, bottomPt = 0, leftPt = 0, rightPt = 0, headerPt = 0, footerPt = 0;
    PageNumbers pageNumbers = PageNumbers::Footer;

    double pageWidthMm() const { return landscape ? heightMm : widthMm; }
    double pageHeightMm() const { return landscape ? widthMm : heightMm; }
    // The width between the left and right margins, points (never below one inch).
    double textWidthPt() const;
    // The height between the top and bottom margins, points (never below one inch).
    double textHeightPt() const;
};

// Page set-up from a profile: unknown paper size or orientation texts leave `page` as it is;
// margins always apply (empty is 0).
void applyProfile(PageSetup &page, const ReportProfile &profile);

struct Picture {
    QByteArray png; // PNG bytes
    int width = 0;  // pixels
    int height = 0;
    // The size placed on the page, points; 0 for a picture shown at 96 dpi, reduced to the
    // text width.
    double widthPt = 0;
    double heightPt = 0;
};

struct Run {
    std::string text;  // without line breaks
    RunFormat format;
    int picture = -1;  // index into ReportDocument::pictures for an inline picture
};

enum class Align { Left, Center };

struct Paragraph {
    std::vector<Run> runs;
    RunFormat mark; // the paragraph mark's font (sizes an empty paragraph)
    Align align = Align::Left;
    bool isEmpty() const { return runs.empty(); }
};

// A heading: a paragraph of bold text only (captions, "Расчеты."); it is kept on the page of what
// it heads, through the empty paragraphs below it.
bool isHeading(const Paragraph &p);

struct TableBlock {
    std::vector<std::vector<std::string>> cells; // first row: the column captions
    RunFormat format;                            // every cell's font
};

// The part of the text width each column of a table takes (the shares sum to 1): by the length
// of its longest word, so that captions and names are not broken inside a word where it can be
// helped.
std::vector<double> columnShares(const TableBlock &t);

using Block = std::variant<Paragraph, TableBlock>;

struct ReportDocument {
    PageSetup page;
    std::vector<Block> blocks; // always ends with the open paragraph at the insertion point
    std::vector<Picture> pictures;

    ReportDocument();
    Paragraph &current();
    // The plain text of every paragraph (tables as one line of tab-separated cells per row).
    std::vector<std::string> paragraphTexts() const;
};

// The writer over an in-memory document. `OpenReportDocument` in mode "текущий" and
// `AttachDocument` continue the document given at construction (or the last one this builder
// wrote); otherwise a fresh document is started.
class DocumentBuilder : public DocumentWriter {
public:
    explicit DocumentBuilder(std::shared_ptr<ReportDocument> current = {});

    void OpenReportDocument(const ReportProfile &profile) override;
    void AttachDocument() override;
    void AppendRun(const std::string &text, const RunFormat &format) override;
    using DocumentWriter::AppendRun;
    void SetInsertionFormat(const RunFormat &format) override;
    void AppendBreak() override;
    void AppendTable(const std::string &caption, const std::vector<std::string> &header,
                     const std::vector<std::vector<std::string>> &rows) override;
    bool AppendPicture(const QString &fileName, double pixelsPerCm) override;
    using DocumentWriter::AppendPicture;
    double lastPictureFit() const override { return m_lastFit; }
    void CloseReportDocument() override;

    // The document written (null before the first open or attach).
    std::shared_ptr<ReportDocument> document() const { return m_doc; }
    // True when the last open continued an existing document.
    bool continued() const { return m_continued; }

private:
    void appendText(const std::string &text, const RunFormat &format);
    void ensureDocument(bool fresh);

    std::shared_ptr<ReportDocument> m_doc;
    RunFormat m_insertion;
    bool m_continued = false;
    double m_lastFit = 1;
};

} // namespace kv
