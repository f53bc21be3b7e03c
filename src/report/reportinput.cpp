#include "report/reportinput.h"

#include "data/datamodule.h"
#include "data/multirodstore.h"
#include "data/snapshot.h"
#include "plan/underlay.h"

namespace kv {

ReportInput loadReportInput(DataModule &dm, const std::string &profileName)
{
    ReportInput in;
    Table &project = dm.project();
    if (!project.isOpen() || project.isEmpty())
        throw TableError("Ошибка. Нет текущего проекта.");
    Table &mo = dm.mo();
    const OptI currentMo = mo.isOpen() && !mo.isEmpty() ? mo.value("Kod").optInt() : OptI{};
    in.snap = loadCurrentProject(dm);
    for (size_t i = 0; i < in.snap.conductors.size(); ++i)
        if (currentMo && in.snap.conductors[i].Kod == currentMo)
            in.currentConductor = i;
    in.settings = loadSettings(dm);
    in.sagTable = loadSagTable(dm);
    in.drawing = LoadDrawingSettings(in.settings);
    in.multiRod = loadMultiRod(dm);

    Table &cls = dm.table(TableId::Class);
    if (cls.isOpen()) {
        RowKeeper keep(cls);
        for (cls.first(); !cls.eof(); cls.next())
            in.classTexts[cls.asInt("Kod")] = cls.asText("ClassObj");
    }

    Table &report = dm.table(TableId::Report);
    if (!report.isOpen())
        throw TableError("Ошибка. Таблица параметров отчетов не открыта.");
    if (!profileName.empty()) {
        RowKeeper keep(report);
        if (!report.locate({{"Name", Value(profileName)}}))
            throw TableError("Ошибка. Параметры отчета \"" + profileName + "\" не найдены.");
        in.profile = readProfile(report);
    } else if (!report.isEmpty()) {
        in.profile = readProfile(report);
    }
    if (in.profile.CherPodlozhka && in.snap.project.Kod) {
        const QString dir = QString::fromStdString(dm.dataDir());
        const UnderlaySettings u = loadUnderlaySettings(dir, *in.snap.project.Kod);
        if (u.kind != UnderlayKind::None && u.shown) {
            try {
                in.underlay = loadUnderlayPicture(dir, *in.snap.project.Kod, u);
            } catch (const UnderlayError &e) {
                // A damaged or missing copy: the drawings go without it, as the window shows.
                in.underlayProblem = e.what();
            }
        }
    }
    return in;
}

std::vector<std::string> preExportErrors(const ReportInput &in)
{
    std::vector<std::string> errors;
    const ReportProfile &p = in.profile;
    const ConductorRec *mo = in.currentConductor < in.snap.conductors.size()
                                 ? &in.snap.conductors[in.currentConductor]
                                 : nullptr;
    if ((p.MOTabRasHar || p.CherVidSverhuPod || p.CherVidPrymoPod)
        && (!mo || (!mo->Ho_a && !mo->Ho_b)))
        errors.push_back(kMsgNeedPodbor);
    if ((p.MOTabSelHar || p.MOTabRadZon || p.CherVidSverhu || p.CherVidPrymo) && (!mo || !mo->H1))
        errors.push_back(kMsgNeedChoice);
    return errors;
}

} // namespace kv
