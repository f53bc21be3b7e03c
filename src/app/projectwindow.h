#pragma once
// The project window, the main window of the program: tool bar, menus and pop-up menus wired to
// the project document's commands, the two plan views with the splitter, the read-only pages of
// the current project, conductor and object, and the status bar with the coordinate read-out.
// The window keeps no project data: it shows the document's snapshot and calls its commands.

#include "app/commandrules.h"
#include "app/sphereoverlay.h"
#include "plan/planview.h"
#include "plan/zoneoverlay.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QScrollArea;
class QSpinBox;
class QSplitter;
class QTimer;
class QWheelEvent;
class QToolBar;

namespace kv {

class DataModule;
class PlanCanvas;
class ProjectDocument;
class ProjectPages;
class SphereWindow;

class ProjectWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ProjectWindow(QWidget *parent = nullptr);
    ~ProjectWindow() override;

    // Binds the window to the opened tables and runs its activation step: the project of
    // LastProj (or the empty state), the conductor marker selected, the commands enabled.
    void attach(DataModule *dm);
    ProjectDocument *document() const { return m_doc.get(); }

    // The menu item of a command by its name (mnCreateProj, mnPodbor, N6, ...); the tool bar
    // button and the pop-up item of the command follow it. nullptr for an unknown name.
    QAction *action(const QString &name) const;
    // Any action of the window by its objectName (tool bar btnXxx / spdXxx, pop-up pmXxx too).
    QAction *findAction(const QString &objectName) const;
    // Makes a command available: its menu item, tool bar button and pop-up item run handler
    // (an exception is caught and shown) and follow the enabling rules from then on. Until then
    // they stay disabled with the hint kPendingHint.
    void wire(const QString &name, std::function<void()> handler);
    bool isWired(const QString &name) const;
    static const char *const kPendingHint;

    // The state the enabling rules look at.
    CommandState commandState() const;
    // Enables the tool bar, the menus and the pop-ups by the rules; the move buttons by the
    // selected shape.
    void UpdateCommands();
    void UpdateMoveButtons();

    // Applies what the document changed (the views are refreshed once per event-loop pass);
    // tests and benchmarks call it to bring the window up to date at once.
    void refreshNow();
    // Rebuilds both views from the document at once (shapes, grids and zones).
    void redrawViews();

    // Moves the selected shape as if its rubber band were dropped with its top-left corner at
    // the content point topLeft of the top view.
    void dropSelectedAt(QPoint topLeft);

    // Parts, for tests and screenshots.
    PlanCanvas *topView() const { return m_topView; }
    PlanCanvas *frontView() const { return m_frontView; }
    QScrollArea *topPane() const { return m_topPane; }
    QScrollArea *frontPane() const { return m_frontPane; }
    QSplitter *splitter() const { return m_splitter; }
    QSpinBox *scaleSpin() const { return m_spinScale; }
    QCheckBox *autoPodborBox() const { return m_autoPodbor; }
    ProjectPages *pages() const { return m_pages; }
    QLabel *statusPanel(int i) const { return m_panels[i]; }
    // "Не защищено объектов: n" while the zones shown leave objects unprotected.
    QLabel *protectionPanel() const { return m_protection; }
    QMenu *conductorPopup() const { return m_popupMO; }
    QMenu *objectPopup() const { return m_popupObj; }
    // The rolling-sphere window (nullptr until first opened) and what the views draw for it.
    SphereWindow *sphereWindow() const;
    const SphereOverlay &sphereOverlay() const { return m_sphere; }
    const PlanViewModel &planModel() const { return m_model; }
    // The top-view name of the selected shape ("" when none).
    std::string selectedShapeName() const;

    // Opens a project file (named on the command line, dropped on the window) as a new project.
    bool openProjectFile(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    struct Command {
        QAction *item = nullptr;
        QList<QAction *> mirrors; // tool bar button, pop-up item
        std::function<void()> handler;
    };

    void buildMenus();
    void buildToolBar();
    void buildPopups();
    void buildStatusBar();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &caption);
    QAction *addMirror(const QString &objectName, const QString &command, const QString &text);
    void wireOwnCommands();
    void run(const QString &name);
    bool guarded(const std::function<void()> &f);
    void dropDocumentWindows(); // the windows kept over the document, before it is replaced
    void showSphereWindow();
    void drawSphereOverlay(ViewKind view, QImage &image);

    void scheduleRefresh(bool views);
    void rebuildViews();
    void showProtection();
    void showState();
    QSize contentSize() const;

    void onShapePressed(const QString &name, Qt::MouseButton button, const QPoint &globalPos);
    void onShapeDropped(const QString &name, const QPoint &topLeft, bool moved);
    void onTopPointer(const QPoint &p);
    void onFrontPointer(const QPoint &p);
    void onScaleChanged(int n);
    // Ctrl + wheel over a plan: the spin steps by `steps` (positive: closer) and the plan point
    // under the pointer (at viewportPos in pane) stays under it.
    void zoomAt(QScrollArea *pane, QPoint viewportPos, int steps);
    // "По размеру окна": the most detailed of the spin's values at which the whole site (its
    // shapes and the zones shown) fits both panes; both panes scrolled to the origin.
    void fitView();
    bool planWheel(QObject *watched, QWheelEvent *e);
    void moveBy(int dx, int dy);
    bool keyMove(int key);

    DataModule *m_dm = nullptr;
    std::unique_ptr<ProjectDocument> m_doc;
    PlanViewModel m_model;
    QHash<QString, Command> m_commands;
    QHash<QString, QAction *> m_mirrors;
    QList<QAction *> m_moveButtons; // spdL, spdLU, spdU, spdRU, spdR, spdRD, spdD, spdLD

    QToolBar *m_toolBar = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_popupMO = nullptr;
    QMenu *m_popupObj = nullptr;
    QCheckBox *m_autoPodbor = nullptr;
    QSpinBox *m_spinScale = nullptr;
    ProjectPages *m_pages = nullptr;
    QSplitter *m_splitter = nullptr;
    QScrollArea *m_topPane = nullptr;
    QScrollArea *m_frontPane = nullptr;
    PlanCanvas *m_topView = nullptr;
    PlanCanvas *m_frontView = nullptr;
    QLabel *m_panels[4] = {};
    QLabel *m_protection = nullptr;
    QTimer *m_blink = nullptr;
    SphereOverlay m_sphere;

    bool m_viewsDirty = false;
    bool m_stateDirty = false;
    bool m_refreshQueued = false;
    int m_objectKod = -1; // the object row the "Объект" tab shows
    int m_conductorPos = 0;
    int m_wheelRest = 0; // the part of a wheel step not yet used (fine-grained wheels)
    // The scale and project the views were last built for: another scale of the same project
    // (the spin, undo, redo) keeps the plan point at the middle of each pane where it was.
    int m_shownScale = 0;
    int m_shownKod = -1;
};

} // namespace kv
