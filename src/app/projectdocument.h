#pragma once
// The open project as the windows see it: one object that owns the current project of the data
// module, executes every command as one undoable step, and tells the views what changed. Windows
// only listen and call; tests drive it without widgets.
//
// Every command runs in one place (execute): the stored rows of the projects it touches are
// captured before and after, a failure (a TableError or any exception) shows one message and puts
// the rows back as they were, and success pushes one step onto the undo stack whose undo and
// redo restore the captured rows exactly, the selection's results included. The approximate
// selection runs inside the same step when "Автоподбор" is ticked.

#include "calc/records.h"
#include "data/projectops.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

class QUndoStack;

namespace kv {

class DataModule;
class Prompter;
struct ConductorPositions;

// The shape selected on the plan: a conductor marker (position 0 or 1) or an object.
struct Selection {
    enum Kind { None, Conductor, Object };
    Kind kind = None;
    // conductor: 0 = first row (ShapeMO), 1 = the last of two rows (ShapeMO1); a multiple rod's
    // rods are its rows in order
    int position = 0;
    int objectKod = -1; // object: its key
    bool operator==(const Selection &o) const
    {
        return kind == o.kind && position == o.position && objectKod == o.objectKod;
    }
};

// Which of the eight move buttons may be used for the selected shape.
struct MoveEnabling {
    bool left = false, up = false, right = false, down = false;
    bool leftUp = false, rightUp = false, rightDown = false, leftDown = false;
};
// The move buttons' rule: left when x - s >= 0, up when y - s >= 0, the diagonals after them,
// right and down always; nothing without a project.
MoveEnabling moveEnablingFor(bool hasProject, double x, double y, double step);

class ProjectDocument : public QObject {
    Q_OBJECT
public:
    // What a step captures: the rows of the projects it touches (project, conductors, objects
    // and, with Placement, the placement tables), plus the names dictionary with Names, and
    // with Underlays the underlay files of those projects (a project deleted by the step loses
    // its files when the step commits; its undo puts them back).
    enum Scope { Rows = 0, Placement = 1, Names = 2, Underlays = 4 };

    explicit ProjectDocument(DataModule &dm, QObject *parent = nullptr);
    ~ProjectDocument() override;

    DataModule &dataModule() const { return m_dm; }
    Prompter &prompter() const;
    QUndoStack *undoStack() const { return m_undo.get(); }

    // --- State -------------------------------------------------------------------------------
    bool hasProject() const; // the data module holds at least one project and one is current
    int projectKod() const;  // -1 without a project
    // The current project with its conductor and object rows, as stored after the last command.
    const ProjectSnapshot &snapshot() const { return m_snap; }
    const ObjectRec *object(int kod) const;
    SettingsRec settings() const;
    double gridStep() const;

    bool autoPodbor() const { return m_autoPodbor; }
    void setAutoPodbor(bool on);

    // The zones the views draw: nullopt none, "" the design conductor, "1" the chosen one. A move
    // clears them; a selection or a catalogue choice shows them.
    const std::optional<std::string> &zoneSuffix() const { return m_zoneSuffix; }
    void setZoneSuffix(std::optional<std::string> s);

    Selection selection() const { return m_selection; }
    // Selects a shape and makes its record current (object row or conductor row).
    void select(const Selection &s);
    void selectConductor(int position = 0) { select({Selection::Conductor, position, -1}); }
    MoveEnabling moveEnabling() const;

    // --- Start-up and project commands --------------------------------------------------------
    // Re-opens the project stored in LastProj (or the first one); the empty state without one.
    void openLastProject();
    // Stores the current project's key in LastProj (when the window closes).
    void storeLastProject();
    // Makes another project current and reloads; clears the undo stack. False when absent.
    bool openProject(int kod);
    std::optional<int> createProject(const ProjectInput &in);
    // Lists the objects the edit would remove in one question; "No" leaves everything as it was.
    bool editProject(const ProjectInput &in);
    // Asks "Удалить текущий проект?".
    bool deleteProject();
    // Asks the new name with the input box unless one is given.
    std::optional<int> saveProjectAs(std::optional<std::string> name = std::nullopt);
    // "Сохранить в файл...": the current project as one project file; false after the message.
    bool saveProjectFile(const QString &path);
    // "Открыть файл...": a project file added as a new project, which becomes current (one
    // undoable step); a refused file is named with its reason and changes nothing.
    std::optional<int> openProjectFile(const QString &path);

    // --- Object commands -------------------------------------------------------------------
    std::optional<int> addObject(const ObjectRec &values);
    bool editObject(int kod, const ObjectRec &values);
    bool deleteObject(int kod);
    std::optional<int> duplicateObject(int kod);

    // --- Moving ------------------------------------------------------------------------------
    // Moves the selected shape by (dx, dy) metres, snapped.
    bool moveSelected(double dx, double dy);
    // Stores a dropped position of the selected shape: a conductor's centre or an object's
    // top-left corner in metres (snapped, negatives become 0).
    bool dropSelected(double x, double y);
    bool snapAllToGrid();

    // --- The multiple rod's rods -----------------------------------------------------------------
    bool isMultiRod() const;
    // "Добавить опору": a new rod 5 m right of the selected one (or of the last), selected.
    std::optional<int> addRod();
    // "Удалить опору": the selected rod; refused with the message below two rods.
    bool deleteRod();

    // --- Placement (placementcommands.cpp) ------------------------------------------------------
    // Moves the conductor to the positions a placement window's result gives, snapped to the
    // object step, as one step; the selection follows when "Автоподбор" is ticked. The rods'
    // heights are not touched. False when there is nothing to move or a post was refused.
    bool applyPlacement(const ConductorPositions &positions);

    // --- Calculations --------------------------------------------------------------------------
    // The approximate selection of the current project (shows the design zones).
    bool runPodbor();

    // Ticks or unticks "Автоподбор". Ticking it with objects runs the selection at once as one
    // step whose undo unticks the box again.
    bool switchAutoPodbor(bool on);

    // Sets or removes the current project's underlay through op (which writes its files) as one
    // undoable step named text; a failure is shown and changes nothing.
    bool changeUnderlay(const QString &text, const std::function<void()> &op);

    // Runs a row-changing operation as one undoable step named text (see the class comment); the
    // name reads after "Отменить " and "Повторить " ("перемещение"). zones: the operation moves
    // things, so the zones shown are cleared and the selection runs afterwards when "Автоподбор"
    // is ticked; otherwise shows, when given, is what the step shows afterwards. Undo and redo
    // show again the zones of their moment. Returns false when the operation threw.
    bool execute(const QString &text, const std::function<void()> &op, int scope = Rows,
                 bool zones = true, std::optional<std::string> shows = std::nullopt);

signals:
    void projectLoaded();   // another project became current (or the same one fully reloaded)
    void projectClosed();   // no project is current any more (empty state)
    void projectChanged();  // the project row changed (name, type, scale, counts ...)
    void conductorMoved(int position);
    void conductorsChanged(); // rows added or removed, or result values changed
    void objectAdded(int kod);
    void objectChanged(int kod);
    void objectRemoved(int kod);
    void zonesRecomputed(); // zone values or the zones shown changed
    void selectionChanged();
    void autoPodborChanged(bool on);
    void settingsChanged(); // the settings row changed (grid step, colours, keyboard moving)
    void underlayChanged(); // the current project's underlay was set, removed or brought back

public:
    // For the settings window: tells the views that the settings row changed.
    void notifySettingsChanged() { emit settingsChanged(); }

private:
    friend class RowsCommand;
    struct Image;
    Image capture(const std::set<int> &projects, int scope) const;
    void restore(const Image &target, const Image &other);
    void replay(const Image &target, const Image &other); // undo and redo
    void reload(bool forceLoaded);
    void runAutoPodborIfTicked();
    bool execute(const QString &text, const std::function<void()> &op, int scope, bool zones,
                 std::optional<std::string> shows, bool autoPodborAfter);
    // After another project became current: a fresh undo stack, the views reloaded, the selection.
    void showOpenedProject();
    // One move step of the selected shape; the selection stays on it.
    bool changeSelectedPosition(const std::function<void(const Selection &)> &change);
    int storedProjectKod() const;
    // Makes the folder ready for a multiple rod before a command (shows why it cannot).
    bool prepareMultiRod();

    DataModule &m_dm;
    std::unique_ptr<QUndoStack> m_undo;
    ProjectSnapshot m_snap;
    int m_kod = -1;
    bool m_autoPodbor = true;
    std::optional<std::string> m_zoneSuffix;
    Selection m_selection;
};

} // namespace kv
