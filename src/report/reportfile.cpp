#include "report/reportfile.h"

#include "report/docxfile.h"
#include "report/pdffile.h"

#include <QDir>
#include <QTemporaryDir>

namespace kv {

std::shared_ptr<const ReportDocument> ReportSession::lastDocument() const
{
    std::lock_guard lock(m_mutex);
    return m_doc;
}

QString ReportSession::lastPath() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

void ReportSession::remember(std::shared_ptr<const ReportDocument> doc, const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_doc = std::move(doc);
    m_path = path;
}

ReportSession &ReportSession::instance()
{
    static ReportSession session;
    return session;
}

namespace {
// The builder works on a copy, so a failed report leaves the remembered document as it was.
std::shared_ptr<ReportDocument> copyOf(const std::shared_ptr<const ReportDocument> &doc)
{
    return doc ? std::make_shared<ReportDocument>(*doc) : nullptr;
}
} // namespace

ReportFileResult writeReportFile(const ReportInput &in, const QString &path,
                                 ReportSession &session, ReportFeedback *feedback)
{
    ReportFileResult out;
    DocumentBuilder builder(copyOf(session.lastDocument()));
    const ReportResult r = writeReport(in, builder, feedback);
    out.messages = r.messages;
    out.cancelled = r.cancelled;
    out.refused = !r.ok && !r.cancelled;
    out.document = builder.document();
    if (r.cancelled)
        return out;
    // A report stopped by an error is not saved: the file named keeps what it held before.
    QString saveError;
    const bool saved = r.ok && out.document
                       && (isPdfPath(path) ? savePdf(*out.document, path, &saveError)
                                           : saveDocx(*out.document, path, &saveError));
    if (saved) {
        out.path = path;
        session.remember(out.document, path);
    }
    out.ok = r.ok && saved;
    out.error = !r.ok ? r.error : saveError;
    return out;
}

ReportFileResult appendPictureFile(const QImage &picture, const QString &path,
                                   ReportSession &session)
{
    ReportFileResult out;
    DocumentBuilder builder(copyOf(session.lastDocument()));
    builder.AttachDocument();
    QTemporaryDir tmp(QDir::tempPath() + "/korvan-picture-XXXXXX");
    const QString file = tmp.filePath("image.png");
    if (!tmp.isValid() || !picture.save(file, "PNG") || !builder.AppendPicture(file)) {
        out.error = "Ошибка. Не удалось вставить рисунок в документ.";
        return out;
    }
    builder.CloseReportDocument();
    out.document = builder.document();
    if (!saveDocx(*out.document, path, &out.error))
        return out;
    out.ok = true;
    out.path = path;
    session.remember(out.document, path);
    return out;
}

bool isPdfPath(const QString &path)
{
    return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
}

QString defaultReportFileName(const std::string &projectName)
{
    QString name = QString::fromStdString(projectName).trimmed();
    for (QChar &c : name)
        if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("Отчет");
    return name + QStringLiteral(".docx");
}

} // namespace kv
