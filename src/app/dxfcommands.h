#pragma once
// The project window's DXF commands: "Импорт объектов из DXF..." and "Подложка...".

class QWidget;

namespace kv {

class ProjectDocument;
struct DxfImportPlan;

// Enters the planned objects as one undoable step; those needing no protection are listed in one
// question first ("No" imports nothing). The drawing's shift is remembered for the project.
bool importDxfObjects(ProjectDocument &doc, const DxfImportPlan &plan, double metresPerUnit);

// Opens the import dialog; OK imports the planned objects as one undoable step.
bool cmdImportDxf(ProjectDocument &doc, QWidget *parent);
// Opens the underlay dialog; true when the project's underlay was set or removed.
bool cmdUnderlay(ProjectDocument &doc, QWidget *parent);

} // namespace kv
