#pragma once
// The zone preview window: the top zone picture above, the front picture below, a splitter
// between them; each picture's pop-up menu saves it to a picture file or puts it into the report
// document.

#include <QDialog>
#include <QImage>
#include <functional>
#include <string>

class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;

namespace kv {

class Prompter;
class ReportSession;
struct ZonePictures;

class ZonePreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit ZonePreviewWindow(Prompter &prompter, QWidget *parent = nullptr);

    // Shows the two pictures (the preview command renders them).
    void setPictures(const ZonePictures &pictures);
    const QImage &picture(int pane) const { return pane == 0 ? m_top : m_front; }

    // Saves a pane's picture as the entered name plus the extension of the filter (1 .bmp,
    // 2 .jpg, 3 .emf, 4 .wmf, 5 .png) in the folder; false after showing the error.
    bool savePicture(int pane, const QString &folder, const QString &enteredName, int filterIndex);
    // Puts a pane's picture into the report document written last (or a new one) and saves that
    // document at path; false after showing the error.
    bool exportToDocument(int pane, const QString &path);

    // The file dialogs, replaceable in tests: the save-picture dialog gives (path, filter index
    // 1..5) or an empty path; the document dialog gives the .docx path or an empty one.
    std::function<std::pair<QString, int>()> chooseSaveFile;
    // "Сохранить как DXF...": the file picker (tests replace it) and the writer of a pane's
    // drawing in metres for CAD, set by the preview command (the item is hidden without it).
    std::function<QString(int pane)> chooseDxfFile;
    std::function<bool(int pane, const QString &path, QString *error)> writeDxf;
    bool saveDxf(int pane, const QString &path);
    std::function<QString(const QString &suggested)> chooseDocumentFile;
    ReportSession *session = nullptr; // null: the session of this run
    // The data folder whose own files no save may replace (empty: no check).
    std::string dataDir;

    QSplitter *splitter() const { return m_splitter; }
    QMenu *menu(int pane) const { return pane == 0 ? m_topMenu : m_frontMenu; }

signals:
    void helpRequested(int context);
    void documentWritten(const QString &path);

private:
    QScrollArea *makePane(QLabel *&image, QMenu *&menu, int pane);
    void saveClicked(int pane);
    void exportClicked(int pane);
    // Shows the refusal and returns true when path is one of the data folder's own files.
    bool refusedTarget(const QString &path);

    Prompter &m_prompter;
    QImage m_top, m_front;
    QLabel *m_topImage = nullptr, *m_frontImage = nullptr;
    QMenu *m_topMenu = nullptr, *m_frontMenu = nullptr;
    QSplitter *m_splitter = nullptr;
};

} // namespace kv
