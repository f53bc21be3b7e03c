#pragma once
// The commands of the positioning dialogs, the catalogue choice, the dictionaries and the
// settings window. Each opens its window modally, and on OK applies the choice through the
// document as one undoable step; nothing changes on cancel. The project window wires each one
// to its menu items and tool button:
//   popAlignMOClick       cmdAlignConductor            btnAlignMO
//   popKoordMOClick       cmdConductorCoords           btnKoordMO
//   mnAlignObjToMOClick   cmdAlignObjectToConductor    btnAlignObMO
//   mnAlignObjToObjClick  cmdAlignObjectToObject       btnAlignObOb
//   "Выбор молниеотвода..."                     cmdChooseConstruction   btnSelectMO
//   "Очистить данные выбранного молниеотвода"   cmdClearChosenConstruction
//   N5Click  showThunderstormDictionary, N10Click showClassDictionary,
//   N14Click showConstructionDictionary, N9Click showNameDictionary, N6Click cmdSettings

class QWidget;

namespace kv {

class ProjectDocument;
class ProjectWindow;

// Wires every command above to its menu item, tool bar button and pop-up item of the project
// window (mnAlignMO, mnKoordMO, mnAlignObMO, mnAlignObOb, mnSelectMO, mnClearMO, mnPoraj,
// mnClasses, mnConstructions, mnObjNames, N6).
void wireDictCommands(ProjectWindow &window);

// The conductor row the positioning commands act on (0 first, 1 second): the selected marker,
// otherwise the current conductor row.
int currentConductorPosition(const ProjectDocument &doc);
// The object they act on: the selected one, otherwise the current object row; -1 without one.
int currentObjectKod(const ProjectDocument &doc);

bool cmdAlignConductor(ProjectDocument &doc, QWidget *parent);
bool cmdConductorCoords(ProjectDocument &doc, QWidget *parent);
bool cmdAlignObjectToConductor(ProjectDocument &doc, QWidget *parent);
bool cmdAlignObjectToObject(ProjectDocument &doc, QWidget *parent);

// The catalogue of the project's type in choice use; OK writes the chosen construction's values
// and shows its zones.
bool cmdChooseConstruction(ProjectDocument &doc, QWidget *parent);
// Empties the chosen construction's values (the design zones come back with "Автоподбор").
bool cmdClearChosenConstruction(ProjectDocument &doc);

void showThunderstormDictionary(ProjectDocument &doc, QWidget *parent);
void showClassDictionary(ProjectDocument &doc, QWidget *parent);
// The catalogue of the project's type in dictionary use (the catenary one without a project).
void showConstructionDictionary(ProjectDocument &doc, QWidget *parent);
void showNameDictionary(ProjectDocument &doc, QWidget *parent);

// The settings window; "Сохранить" re-applies the drawing settings, snaps the project to the grid
// when its step changed, and runs the selection when "Автоподбор" is ticked.
bool cmdSettings(ProjectDocument &doc, QWidget *parent);

} // namespace kv
