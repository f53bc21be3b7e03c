#include "app/reportcommands.h"

#include "app/projectdocument.h"
#include "app/reportexport.h"
#include "app/reportsettingsdialog.h"
#include "app/sphereoverlay.h"
#include "app/zonepreviewwindow.h"
#include "data/datamodule.h"
#include "data/prompter.h"
#include "data/snapshot.h"
#include "widgets/dialogrunner.h"
#include "widgets/help.h"
#include "plan/drawingsettings.h"
#include "plan/sphereenvelope.h"
#include "plan/zonedxf.h"
#include "plan/zonepictures.h"

#include <QApplication>

namespace kv {

bool cmdPreview(ProjectDocument &doc, const PlanViewModel *model, QWidget *parent,
                const SphereOverlay *sphere)
{
    if (!doc.hasProject())
        return false;
    const ProjectSnapshot &snap = doc.snapshot();
    const auto suffix = previewSuffix(snap);
    if (!suffix) {
        doc.prompter().info(kMsgPreviewImpossible);
        return false;
    }
    ZonePictures pictures;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        pictures = model ? RenderZonePictures(snap, *model, *suffix)
                         : RenderZonePictures(snap, LoadDrawingSettings(doc.settings()), *suffix);
        QApplication::restoreOverrideCursor();
    } catch (const std::exception &e) {
        QApplication::restoreOverrideCursor();
        doc.prompter().error(e.what());
        return false;
    }
    if (!pictures.refused.empty()) {
        // Too large to draw whole at this scale: say so rather than show a cut picture.
        doc.prompter().error(pictures.refused);
        return false;
    }
    ZonePreviewWindow window(doc.prompter(), parent);
    QObject::connect(&window, &ZonePreviewWindow::helpRequested, &window,
                     [&window](int context) { requestHelp(context, &window); });
    window.setPictures(pictures);
    window.dataDir = doc.dataModule().dataDir();
    // The same drawing in metres for CAD, from the shapes the pictures were drawn with.
    const ProjectSnapshot drawn = snap;
    const std::string chosen = *suffix;
    const SphereOverlay shownSphere = sphere ? *sphere : SphereOverlay{};
    window.writeDxf = [drawn, chosen, model, shownSphere, &doc](int pane, const QString &path,
                                                                QString *error) {
        PlanViewModel own;
        const PlanViewModel *m = model;
        if (!m) {
            own.LoadDrawingSettings(LoadDrawingSettings(doc.settings()));
            own.setScale(drawn.project.IScale.value_or(500));
            own.ShowProjectShapes(drawn);
            m = &own;
        }
        Mesh3 envelope;
        if (pane == 0 && shownSphere.shown && shownSphere.R > 0) {
            try {
                envelope = buildSphereEnvelope(SphereTerminationsOf(drawn,
                                                                    loadSagTable(doc.dataModule()),
                                                                    shownSphere.suffix == "1"),
                                               shownSphere.R)
                               .mesh;
            } catch (const std::exception &e) {
                if (error)
                    *error = QString::fromStdString(e.what());
                return false;
            }
        }
        return writeZoneDxf(drawn, *m, chosen, pane == 0 ? path : QString(),
                            pane == 1 ? path : QString(), error, &envelope);
    };
    runDialog(window);
    return true;
}

bool cmdReport(ProjectDocument &doc, QStatusBar *bar, QLabel *panel, QWidget *parent, bool pdf)
{
    if (!doc.hasProject())
        return false;
    StatusBarProgress progress(bar, panel);
    ReportExportHooks hooks;
    hooks.showSettings = [&doc, parent] { cmdReportSettings(doc, parent); };
    hooks.pdf = pdf;
    const ReportExportResult r = exportReport(doc.dataModule(), doc.prompter(), progress, hooks);
    return r.status == ReportExportStatus::Written;
}

void cmdReportSettings(ProjectDocument &doc, QWidget *parent)
{
    ReportSettingsDialog dialog(doc.dataModule(), doc.prompter(), parent);
    QObject::connect(&dialog, &ReportSettingsDialog::helpRequested, &dialog,
                     [&dialog](int context) { requestHelp(context, &dialog); });
    runDialog(dialog);
}

} // namespace kv
