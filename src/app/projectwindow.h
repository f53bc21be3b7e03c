#pragma once
// The project window (the main window of the program). For now it shows the current project,
// its conductor and its objects read-only; the plan views and the commands come later.

#include <QMainWindow>

class QLabel;
class QTableWidget;

namespace kv {

class DataModule;

class ProjectWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ProjectWindow(QWidget *parent = nullptr);

    // Binds the window to the opened tables; positions the current project on LastProj.
    void attach(DataModule *dm);
    // Shows the current project (or the empty state).
    void LoadProject();
    void ShowEmptyState();

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    DataModule *m_dm = nullptr;
    QLabel *m_summary;
    QTableWidget *m_conductors;
    QTableWidget *m_objects;
};

} // namespace kv
