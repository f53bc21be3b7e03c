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

bool ProjectDocument::importDxfObjects(const DxfImportPlan &plan, double metresPerUnit)
{
    if (!hasProject() || plan.objects.empty())
        return false;
    std::vector<std::string> none;
    try {
        none = objectsNeedingNoProtection(m_dm, plan);
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return false;
    }
    if (none.size() == plan.objects.size()) {
        prompter().error("Ошибка. Ни один объект чертежа не нуждается в молниезащите; импортировать "
                         "нечего.");
        return false;
    }
    if (!none.empty() && !prompter().ask(noProtectionQuestion(none)))
        return false;
    const int kod = m_kod;
    if (!execute(QStringLiteral("импорт объектов"),
                 [&] { enterImportedObjects(m_dm, plan, gridStep()); }))
        return false;
    try {
        rememberDxfShift(dataDirOf(*this), kod, plan.shift, metresPerUnit);
    } catch (const UnderlayError &e) {
        prompter().warning(std::string("Внимание. Сдвиг чертежа не сохранен: ") + e.what());
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
    return doc.importDxfObjects(*dlg.plan(), dlg.metresPerUnit());
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
    try {
        if (dlg.result() == UnderlayDialog::Remove)
            clearUnderlay(dir, kod);
        else if (dlg.result() == UnderlayDialog::Set)
            setUnderlayFile(dir, kod, dlg.settings(), dlg.sourcePath());
        else
            return false;
    } catch (const UnderlayError &e) {
        doc.prompter().error(e.what());
        return false;
    }
    return true;
}

} // namespace kv
