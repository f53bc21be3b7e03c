#include "app/dxfcommands.h"

#include "app/dxfimportdialog.h"
#include "app/projectdocument.h"
#include "app/underlaydialog.h"
#include "data/datamodule.h"
#include "data/prompter.h"
#include "plan/dxfimport.h"
#include "plan/underlay.h"
#include "widgets/dialogrunner.h"

namespace kv {

namespace {
QString dataDirOf(const ProjectDocument &doc)
{
    return QString::fromStdString(doc.dataModule().dataDir());
}
} // namespace

bool importDxfObjects(ProjectDocument &doc, const DxfImportPlan &plan, double metresPerUnit)
{
    if (!doc.hasProject() || plan.objects.empty())
        return false;
    std::vector<std::string> none;
    try {
        none = objectsNeedingNoProtection(doc.dataModule(), plan);
    } catch (const std::exception &e) {
        doc.prompter().error(e.what());
        return false;
    }
    if (none.size() == plan.objects.size()) {
        doc.prompter().error("Ошибка. Ни один объект чертежа не нуждается в молниезащите; импортировать "
                         "нечего.");
        return false;
    }
    if (!none.empty() && !doc.prompter().ask(noProtectionQuestion(none)))
        return false;
    const int kod = doc.projectKod();
    const double step = doc.gridStep();
    if (!doc.execute(QStringLiteral("импорт объектов"),
                     [&] { enterImportedObjects(doc.dataModule(), plan, step); }))
        return false;
    try {
        rememberDxfShift(dataDirOf(doc), kod, plan.shift, metresPerUnit);
    } catch (const UnderlayError &e) {
        doc.prompter().warning(std::string("Внимание. Сдвиг чертежа не сохранен: ") + e.what());
    }
    return true;
}

bool cmdImportDxf(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject())
        return false;
    DxfImportDialog dlg(loadUnderlaySettings(dataDirOf(doc), doc.projectKod()).shift,
                        doc.gridStep(), parent);
    if (runDialog(dlg) != QDialog::Accepted || !dlg.plan())
        return false;
    return importDxfObjects(doc, *dlg.plan(), dlg.metresPerUnit());
}

bool cmdUnderlay(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject())
        return false;
    const QString dir = dataDirOf(doc);
    const int kod = doc.projectKod();
    UnderlayDialog dlg(loadUnderlaySettings(dir, kod), doc.gridStep(), parent);
    if (runDialog(dlg) != QDialog::Accepted)
        return false;
    if (dlg.result() == UnderlayDialog::Remove)
        return doc.changeUnderlay(QStringLiteral("удаление подложки"),
                                  [&] { clearUnderlay(dir, kod); });
    if (dlg.result() == UnderlayDialog::Set)
        return doc.changeUnderlay(QStringLiteral("установку подложки"), [&] {
            setUnderlayFile(dir, kod, dlg.settings(), dlg.sourcePath(), doc.gridStep());
        });
    return false;
}

} // namespace kv
