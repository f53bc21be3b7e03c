#pragma once
// The report commands of the project window: the zone preview, the export of the calculation
// report and the report settings. Each shows its window and works on the document's current
// project; none of them writes a project row.

class QLabel;
class QStatusBar;
class QWidget;

namespace kv {

class PlanViewModel;
class ProjectDocument;
struct SphereOverlay;

// "Просмотр зон защиты...": the zone pictures of the chosen construction when the first
// conductor row has one, else of the design conductor, in the preview window; without either
// only the message. model: the window's shape model (the front picture takes its height).
// sphere: the rolling-sphere check as the project window shows it; while it is shown the plan's
// DXF drawing carries the sphere's envelope too.
bool cmdPreview(ProjectDocument &doc, const PlanViewModel *model, QWidget *parent,
                const SphereOverlay *sphere = nullptr);
// "Экспорт отчета в Microsoft Word": the report settings first when the settings ask for them,
// the checks, the file, the report written off the GUI thread with its progress in the status bar;
// the written file's path is shown in panel.
// With pdf, "Экспорт отчета в PDF...": the same report as a PDF file.
bool cmdReport(ProjectDocument &doc, QStatusBar *bar, QLabel *panel, QWidget *parent,
               bool pdf = false);
// "Параметры отчетов...".
void cmdReportSettings(ProjectDocument &doc, QWidget *parent);

} // namespace kv
