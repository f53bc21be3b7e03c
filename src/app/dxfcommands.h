#pragma once
// The project window's DXF commands: "Импорт объектов из DXF..." and "Подложка...".

class QWidget;

namespace kv {

class ProjectDocument;

// Opens the import dialog; OK imports the planned objects as one undoable step.
bool cmdImportDxf(ProjectDocument &doc, QWidget *parent);
// Opens the underlay dialog; true when the project's underlay was set or removed.
bool cmdUnderlay(ProjectDocument &doc, QWidget *parent);

} // namespace kv
