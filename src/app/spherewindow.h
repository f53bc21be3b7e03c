#pragma once
// "Проверка методом катящейся сферы": every object of the current project checked by the rolling
// sphere at the four protection levels, the project's best level, the least common rod height
// for the chosen level, and the arcs of the sphere in the front view on request. The check runs
// in a worker thread on a snapshot of the project and is run again after every change of the
// document while the window is shown.

#include "app/sphereoverlay.h"
#include "calc/rollingsphere.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kv
{

class ProjectDocument;
class Prompter;

// The conductor values the check works on: the chosen construction where there is one ("1"),
// else the design values ("").
bool sphereUsesChosen(const ProjectSnapshot &snap);

// "Подобрать высоту": the least common height of the project's rods at which every object is
// protected at the level, applied as the chosen construction in one undoable step. Tells the
// user when the conductor is not of a rod type or when no height up to the limit does. True
// when a height was applied.
bool applySphereHeight(ProjectDocument &doc, Prompter &prompter, int level);

class SphereWindow : public QDialog
{
    Q_OBJECT
public:
    SphereWindow(ProjectDocument &doc, Prompter &prompter, QWidget *parent = nullptr);
    ~SphereWindow() override;

    const SphereOverlay &overlay() const { return m_overlay; }
    int level() const;
    bool isRunning() const { return m_work != nullptr; }
    // The last finished result (empty before the first check).
    const SphereResult &result() const { return m_result; }

    // Parts, for tests and screenshots.
    QComboBox *levelBox() const { return m_level; }
    QTableWidget *table() const { return m_table; }
    QLabel *bestLabel() const { return m_best; }
    QCheckBox *arcsBox() const { return m_arcs; }
    QProgressBar *progressBar() const { return m_progress; }

signals:
    void overlayChanged();

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    struct Work;
    void scheduleCheck();
    void startCheck();
    void pollWork();
    void finishWork();
    void stopWork();
    void showResult();
    void showLevelColumns();
    void updateOverlay();
    void fitHeight();

    ProjectDocument &m_doc;
    Prompter &m_prompter;
    std::unique_ptr<Work> m_work;
    bool m_again = false; // the document changed while a check ran
    bool m_queued = false;
    SphereResult m_result;
    std::vector<std::string> m_shapes; // the checked objects' top-view shape names, in row order
    SphereOverlay m_overlay;

    QComboBox *m_level = nullptr;
    QCheckBox *m_arcs = nullptr;
    QLabel *m_best = nullptr;
    QLabel *m_rule = nullptr;
    QTableWidget *m_table = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_fit = nullptr;
    QTimer *m_poll = nullptr;
    QTimer *m_slow = nullptr; // shows the progress bar when a check takes longer than a frame
};

} // namespace kv
