#pragma once
// The project and object commands as row operations over the data module, without windows:
// what each command writes, copies or deletes and in which order. The project document wraps
// them with undo and signals; korvan-cli and the tests call them directly. Messages and
// questions go through the module's prompter.

#include "calc/records.h"
#include "data/datamodule.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

// The conductor type in the order of the project dialog's radio items.
inline constexpr int kTypeIndexSingleRod = 0;
inline constexpr int kTypeIndexCable = 1;
inline constexpr int kTypeIndexDoubleRod = 2;
inline constexpr int kTypeIndexMultiRod = 3;
const char *conductorTypeOfIndex(int typeIndex);
int typeIndexOf(const std::string &tipMO); // -1 for an unknown text

// What the project dialog gives back.
struct ProjectInput {
    std::string name;
    // The thunderstorm row picked in the list ("60 - 79", "100 - "); nullopt: none was picked,
    // the project keeps its hours and strike density (a new project gets empty ones).
    std::optional<std::string> grozRange;
    std::string udarovText; // the strike density box
    std::string owner;
    std::string date; // "YYYY-MM-DD"
    std::string time; // "HH:MM:SS"
    int typeIndex = kTypeIndexSingleRod;
    int scale = 500;
    std::string memo;
};

// The dialog defaults of the create command ("Проект " + count + 1, "60 - 79", today, 500).
ProjectInput newProjectDefaults(DataModule &dm, const std::string &date, const std::string &time);
// The dialog values of the current project (the edit command).
ProjectInput currentProjectInput(DataModule &dm);
// "60 - 79" for min 60, max 79; "100 - " for an open-ended row; "" for an empty min.
std::string grozRangeText(const std::optional<int> &min, const std::optional<int> &max);
// The list items of poraj.db in table order.
std::vector<std::string> grozRangeItems(DataModule &dm);
// The strike density of the poraj.db row of a list item; nullopt when no row matches.
std::optional<double> udarovOfRange(DataModule &dm, const std::string &range);

// Appends the project row and its conductor rows (5, 5, 15 and 10, 10, 15); the new project is
// current. Returns its key.
int createProject(DataModule &dm, const ProjectInput &in);

// The objects of the current project that the re-evaluation with the given input would delete
// (their names), so the window can ask once before changing anything.
std::vector<std::string> objectsLostByEdit(DataModule &dm, const ProjectInput &in);
// Writes the project row, reshapes the conductor rows when the type changed, re-evaluates the
// objects (removing those without a protection need, each announced) and recounts the zones.
// removeShapes gets the ShapeName of each removed object.
void editProject(DataModule &dm, const ProjectInput &in,
                 const std::function<void(const std::string &)> &removeShapes = {});

// Deletes the current project bottom-up with its objects, conductors and placement rows. The row
// the store makes current afterwards stays current.
void deleteCurrentProject(DataModule &dm);

// Copies the current project with every dependent row under newName; the copy becomes current.
// Returns its key.
int copyCurrentProject(DataModule &dm, const std::string &newName);

// The object dialog's values for a new object ("Объект " + count + 1, label, 5, 5, 10, 5, 5).
ObjectRec newObjectDefaults(DataModule &dm);
// Writes the dialog values into a new object row of the current project (positions snapped to the
// grid step, ShapeName "Shape" + Kod, the names dictionary extended when the settings ask for it),
// recounts the zones. Returns the new key.
int addObject(DataModule &dm, const ObjectRec &values);
// The same into the object with this key.
void editObject(DataModule &dm, int kod, const ObjectRec &values);
void deleteObject(DataModule &dm, int kod);
// A copy of the object 1 m right and 1 m down, name and label + "_1". Returns the new key.
int duplicateObject(DataModule &dm, int kod);

// Moving: the conductor row at position (its row index; beyond the last row, the last) and the object with its key. move* adds the
// offsets and snaps (no clamping); drop* stores a dropped position: snapped, negatives become 0.
void moveConductor(DataModule &dm, int position, double dx, double dy);
// "Добавить опору" of a multiple rod: a new last rod at (x, y) snapped to the grid (never below
// 0), with the first rod's height; returns its position (row index).
int addRod(DataModule &dm, double x, double y);
// "Удалить опору": removes the rod at the position; a multiple rod keeps at least two rods
// (TableError with "Ошибка. Многократный стержневой молниеотвод должен иметь не менее двух
// опор." otherwise).
void deleteRod(DataModule &dm, int position);
void moveObject(DataModule &dm, int kod, double dx, double dy);
void dropConductor(DataModule &dm, int position, double mx, double my);
void dropObject(DataModule &dm, int kod, double mxa, double mya);
// Snaps every conductor and object position of the current project to the grid step.
void snapAllToGrid(DataModule &dm);

// The grid step of the settings (1 when empty or not positive).
double gridStep(DataModule &dm);

} // namespace kv
