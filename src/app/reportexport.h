#pragma once
// The export commands "Экспорт отчета в Microsoft Word" and "Экспорт отчета в PDF...": the
// settings dialog when the settings ask
// for it, the two pre-export checks, the file name, the report written in a worker thread from a
// snapshot of the rows with a progress bar, and the file opened with the desktop's application.

#include <QString>
#include <functional>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolButton;

namespace kv {

class DataModule;
class Prompter;
class ReportSession;

// Where the window shows the export's progress (called on the GUI thread).
class ReportProgress {
public:
    virtual ~ReportProgress() = default;
    virtual void begin(int total) = 0;
    virtual void setValue(int value) = 0;
    virtual void end() = 0;
    virtual void showStatus(const QString &) {}
    virtual bool isCancelled() const { return false; }
};

// A progress bar with a "Стоп" button in a status bar, removed at the end; the written file's
// path is shown in panel, the bar's hint panel (a status message would hide the bar's other
// panels until it is cleared), or as the bar's message when it has no panels.
class StatusBarProgress : public ReportProgress {
public:
    explicit StatusBarProgress(QStatusBar *bar, QLabel *panel = nullptr)
        : m_bar(bar), m_panel(panel)
    {
    }
    void begin(int total) override;
    void setValue(int value) override;
    void end() override;
    void showStatus(const QString &text) override;
    bool isCancelled() const override { return m_cancelled; }

private:
    QStatusBar *m_bar;
    QLabel *m_panel;
    QProgressBar *m_progress = nullptr;
    QToolButton *m_stop = nullptr;
    bool m_cancelled = false;
};

struct ReportExportHooks {
    // The report settings dialog, shown modally when param.db's ViewParRepForm is true.
    std::function<void()> showSettings;
    // The file to write: given the suggested path, the path chosen or empty (cancelled); by
    // default the save dialog.
    std::function<QString(const QString &suggested)> chooseFile;
    // Opens the written file; by default with the desktop's application for .docx files.
    std::function<void(const QString &path)> openFile;
    ReportSession *session = nullptr; // null: the session of this run
    bool pdf = false;                 // "Экспорт отчета в PDF...": a PDF file instead of a .docx
};

enum class ReportExportStatus { Written, Refused, NoFile, Cancelled, Failed };

struct ReportExportResult {
    ReportExportStatus status = ReportExportStatus::Failed;
    QString path;
};

// `btnReportClick`: the whole command. Messages go through the prompter; nothing is thrown.
ReportExportResult exportReport(DataModule &dm, Prompter &prompter, ReportProgress &progress,
                                const ReportExportHooks &hooks);

} // namespace kv
