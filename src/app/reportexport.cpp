#include "app/reportexport.h"

#include "data/datamodule.h"
#include "data/outputfile.h"
#include "data/prompter.h"
#include "data/snapshot.h"
#include "report/reportfile.h"
#include "report/reportinput.h"
#include "widgets/filefolders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <atomic>
#include <thread>

namespace kv {

void StatusBarProgress::begin(int total)
{
    if (!m_bar)
        return;
    if (m_panel)
        m_panel->clear();
    if (!m_progress) {
        m_progress = new QProgressBar(m_bar);
        m_progress->setMaximumWidth(200);
        m_progress->setTextVisible(false);
        m_bar->addPermanentWidget(m_progress);
    }
    if (!m_stop) {
        m_stop = new QToolButton(m_bar);
        m_stop->setText(QStringLiteral("Стоп"));
        QObject::connect(m_stop, &QToolButton::clicked, m_stop, [this] { m_cancelled = true; });
        m_bar->addPermanentWidget(m_stop);
    }
    m_cancelled = false;
    m_progress->setRange(0, total);
    m_progress->setValue(0);
    m_progress->show();
    m_stop->show();
}

void StatusBarProgress::setValue(int value)
{
    if (m_progress)
        m_progress->setValue(value);
}

void StatusBarProgress::end()
{
    if (m_progress) {
        m_bar->removeWidget(m_progress);
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    if (m_stop) {
        m_bar->removeWidget(m_stop);
        m_stop->deleteLater();
        m_stop = nullptr;
    }
}

void StatusBarProgress::showStatus(const QString &text)
{
    if (m_panel)
        m_panel->setText(text);
    else if (m_bar)
        m_bar->showMessage(text);
}

namespace {

// Carries the worker's progress to the GUI thread and the GUI's stop to the worker.
class QueuedFeedback : public ReportFeedback {
public:
    QueuedFeedback(QObject *context, ReportProgress &progress)
        : m_context(context), m_progress(progress)
    {
    }
    void setProgress(int step, int) override
    {
        QPointer<QObject> ctx(m_context);
        ReportProgress *p = &m_progress;
        QMetaObject::invokeMethod(
            m_context, [ctx, p, step] { if (ctx) p->setValue(step); }, Qt::QueuedConnection);
    }
    bool isCancelled() const override { return m_cancel.load(); }
    std::atomic<bool> m_cancel{false};

private:
    QObject *m_context;
    ReportProgress &m_progress;
};

QString suggestedPath(const ReportInput &in, const ReportSession &session, bool pdf)
{
    QString folder = QFileInfo(session.lastPath()).absolutePath();
    if (session.lastPath().isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty())
            folder = QDir::homePath();
    }
    QString name = defaultReportFileName(in.snap.project.Name.value_or(""));
    if (pdf)
        name = QFileInfo(name).completeBaseName() + QStringLiteral(".pdf");
    return QDir(folder).filePath(name);
}

} // namespace

ReportExportResult exportReport(DataModule &dm, Prompter &prompter, ReportProgress &progress,
                                const ReportExportHooks &hooks)
{
    ReportExportResult out;
    ReportSession &session = hooks.session ? *hooks.session : ReportSession::instance();
    ReportInput in;
    try {
        if (loadSettings(dm).ViewParRepForm.value_or(false) && hooks.showSettings)
            hooks.showSettings();
        // The rows are copied here, on the GUI thread; the worker reads only the copy.
        in = loadReportInput(dm);
    } catch (const std::exception &e) {
        prompter.error(e.what());
        return out;
    }
    const auto errors = preExportErrors(in);
    for (const auto &e : errors)
        prompter.error(e);
    if (!errors.empty()) {
        out.status = ReportExportStatus::Refused;
        return out;
    }
    const QString suggested = suggestedPath(in, session, hooks.pdf);
    QString path = hooks.chooseFile
                       ? hooks.chooseFile(suggested)
                       : kv::chooseSaveFile(
                             QApplication::activeWindow(), FileKind::Report,
                             hooks.pdf ? QStringLiteral("Экспорт отчета в PDF")
                                       : QStringLiteral("Экспорт отчета в Microsoft Word"),
                             suggested,
                             hooks.pdf ? QStringLiteral("Документ PDF (*.pdf)")
                                       : QStringLiteral("Документ Word (*.docx)"));
    // The format is the command's: a name typed without its extension gets it.
    if (!path.isEmpty() && hooks.pdf && !isPdfPath(path))
        path += QStringLiteral(".pdf");
    else if (!path.isEmpty() && !hooks.pdf && isPdfPath(path))
        path += QStringLiteral(".docx");
    if (path.isEmpty()) {
        out.status = ReportExportStatus::NoFile;
        return out;
    }
    if (const std::string refusal = dataFolderFileRefusal(dm.dataDir(), path.toStdString());
        !refusal.empty()) {
        prompter.error(refusal);
        out.status = ReportExportStatus::Refused;
        return out;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress.begin(kReportSteps);
    QObject context;
    QueuedFeedback feedback(&context, progress);
    ReportFileResult result;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            result = writeReportFile(in, path, session, &feedback);
        } catch (const std::exception &e) {
            result.ok = false;
            result.error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Keep the window painting while the worker writes; forward the user's stop.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop,
                     [&] { feedback.m_cancel = progress.isCancelled(); });
    poll.start(100);
    loop.exec();
    poll.stop();
    worker.join();
    QCoreApplication::sendPostedEvents(&context);
    progress.end();
    QApplication::restoreOverrideCursor();

    for (const auto &m : result.messages) {
        if (m.kind == MessageKind::Error)
            prompter.error(m.text);
        else if (m.kind == MessageKind::Warning)
            prompter.warning(m.text);
        else
            prompter.info(m.text);
    }
    if (result.cancelled) {
        out.status = ReportExportStatus::Cancelled;
        return out;
    }
    if (!result.ok) {
        prompter.error(result.error.toStdString());
        return out;
    }
    out.status = ReportExportStatus::Written;
    out.path = result.path;
    progress.showStatus(QDir::toNativeSeparators(result.path));
    if (hooks.openFile)
        hooks.openFile(result.path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(result.path));
    return out;
}

} // namespace kv
