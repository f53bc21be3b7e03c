#pragma once
// The document writer: the only way the report, the zone preview and the object diagrams reach
// a document. Every operation appends at the insertion point, which then moves behind what was
// appended; a "\r" inside run text ends the paragraph. Nothing is edited after it was appended.

#include <QString>
#include <string>
#include <vector>

namespace kv {

struct ReportProfile;

// The format of a run of text.
struct RunFormat {
    std::string font = "Times New Roman";
    double size = 10; // points
    bool bold = false;
    bool italic = false;
    bool raised = false; // superscript
    bool operator==(const RunFormat &) const = default;
};

// The font the insertion point takes when a report document is opened; text appended without a
// format of its own (table cells, bare paragraph breaks) is written in it.
RunFormat insertionDefaultFormat();

class DocumentWriter {
public:
    virtual ~DocumentWriter() = default;

    // Connects for a report: a new document, or the current one in mode "текущий"; sets the page
    // up from the profile.
    virtual void OpenReportDocument(const ReportProfile &profile) = 0;
    // Connects for a single picture: the current document, or a new one when there is none; no
    // page set-up.
    virtual void AttachDocument() = 0;
    // Appends text in exactly this format.
    virtual void AppendRun(const std::string &text, const RunFormat &format) = 0;
    // The font of the insertion point for what follows without a format of its own.
    virtual void SetInsertionFormat(const RunFormat &format) = 0;
    // A paragraph break in the insertion point's font.
    virtual void AppendBreak() = 0;
    // A captioned table: nothing at all when rows is empty; otherwise the caption (12 bold), an
    // empty paragraph, the table (header row of captions, then the rows; 12 points, centred) and
    // one empty paragraph.
    virtual void AppendTable(const std::string &caption, const std::vector<std::string> &header,
                             const std::vector<std::vector<std::string>> &rows) = 0;
    // Embeds the picture file in the document, deletes the file and starts a new paragraph.
    // Returns false (and appends nothing) when the file cannot be read. With pixelsPerCm > 0 the
    // picture is placed at that many pixels to the centimetre (a drawing at its scale), else at
    // 96 dpi; either way reduced, when needed, to fit the text area of the page.
    virtual bool AppendPicture(const QString &fileName, double pixelsPerCm) = 0;
    bool AppendPicture(const QString &fileName) { return AppendPicture(fileName, 0); }
    // The factor the last picture was reduced by to fit the page: 1 when placed at full size.
    virtual double lastPictureFit() const = 0;
    // Disconnects; the document stays with its owner.
    virtual void CloseReportDocument() = 0;

    void AppendRun(const std::string &text, const std::string &font, double size, bool bold,
                   bool italic)
    {
        AppendRun(text, RunFormat{font, size, bold, italic, false});
    }
    // "Times New Roman" 10, plain: formulas and worked calculations.
    void AppendPlain(const std::string &text) { AppendRun(text, RunFormat{}); }
    // A blank, the text and a blank, all raised, "Times New Roman" 10: every exponent.
    void AppendRaised(const std::string &text)
    {
        RunFormat f;
        f.raised = true;
        AppendRun(" " + text + " ", f);
    }
};

} // namespace kv
