#pragma once
// The project and object commands of the project window: each shows its dialog, hands the
// values to the project document (one undoable step) and reports whether anything changed.
// Menus, tool bar buttons and pop-up items call these; tests drive them through the dialog
// runner without an event loop.

#include "widgets/dialogrunner.h"
#include "widgets/helpwindow.h"

class QString;
class QWidget;

namespace kv {

class ProjectDocument;

// Every dialog runs through runDialog() of dict/dialogrunner.h, so tests can answer it.

// "Проект": create, open, edit, delete, save as.
bool cmdCreateProject(ProjectDocument &doc, QWidget *parent);
bool cmdOpenProject(ProjectDocument &doc, QWidget *parent);
bool cmdEditProject(ProjectDocument &doc, QWidget *parent);
bool cmdDeleteProject(ProjectDocument &doc, QWidget *parent);
bool cmdSaveAsProject(ProjectDocument &doc, QWidget *parent);
// "Сохранить в файл..." and "Открыть файл...": the project file (.kvproj) through the save and
// open dialogs.
bool cmdSaveProjectFile(ProjectDocument &doc, QWidget *parent);
bool cmdOpenProjectFile(ProjectDocument &doc, QWidget *parent);
// A project file named on the command line or dropped on the window, opened as the dialog's
// choice is.
bool cmdOpenProjectFileAt(ProjectDocument &doc, const QString &path);

// "Объект": add and edit through the object dialog; delete and duplicate the current object
// (the selected object shape, or the current object row) without a dialog.
bool cmdAddObject(ProjectDocument &doc, QWidget *parent);
bool cmdEditObject(ProjectDocument &doc, QWidget *parent);
bool cmdDeleteObject(ProjectDocument &doc, QWidget *parent);
bool cmdCloneObject(ProjectDocument &doc, QWidget *parent);

// "О программе..." (modal).
void showAbout(QWidget *parent);

// showHelp(int context, QWidget *parent) comes from dict/helpwindow.h: the help contents for
// kHelpContents, a topic by its context number otherwise.

} // namespace kv
