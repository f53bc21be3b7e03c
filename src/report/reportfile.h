#pragma once
// Writing a report into a .docx file, and the report documents of this run: in mode "текущий" a
// report (or a preview picture) continues the document written last since the program started,
// which is then saved again; otherwise a new document is written.

#include "report/reportdocument.h"
#include "report/reportsections.h"

#include <QImage>
#include <QString>
#include <memory>
#include <mutex>

namespace kv {

class ReportSession {
public:
    // The document written last, and its file; null and empty before the first.
    std::shared_ptr<const ReportDocument> lastDocument() const;
    QString lastPath() const;
    void remember(std::shared_ptr<const ReportDocument> doc, const QString &path);

    // The session of this run of the program.
    static ReportSession &instance();

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const ReportDocument> m_doc;
    QString m_path;
};

struct ReportFileResult {
    bool ok = false;
    bool cancelled = false;
    bool refused = false;  // the report itself stopped (a picture too large), not the file
    QString error;         // Russian, ready to show
    CalcMessages messages; // messages of the calculations met on the way, in order
    QString path;          // the file written
    std::shared_ptr<const ReportDocument> document;
};

// Writes the report of `in` (the pre-export checks are the caller's) and saves it at path: a PDF
// file when its name ends in ".pdf", otherwise a .docx file. The session gives the document to continue in mode "текущий" and remembers the
// one written.
ReportFileResult writeReportFile(const ReportInput &in, const QString &path,
                                 ReportSession &session, ReportFeedback *feedback = nullptr);

// Appends one picture to the session's last document (or a new one) and saves it at path.
ReportFileResult appendPictureFile(const QImage &picture, const QString &path,
                                   ReportSession &session);

// True when path names a PDF file (by its extension, in any case).
bool isPdfPath(const QString &path);

// A file name for the report of a project: the name with every character a file name cannot
// hold replaced by "_", and ".docx"; "Отчет.docx" for an empty name.
QString defaultReportFileName(const std::string &projectName);

} // namespace kv
