#pragma once
// Everything a report reads, copied out of the tables at the start of an export so that the
// report can be written in a worker thread: the project with its conductor and object rows, the
// settings row, the sag table, the class texts, the profile and the drawing settings.

#include "calc/multirod.h"
#include "calc/podbor.h"
#include "calc/records.h"
#include "plan/drawingsettings.h"
#include "report/reportprofile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kv {

class DataModule;
struct UnderlayPicture;

struct ReportInput {
    ProjectSnapshot snap;
    SettingsRec settings;
    std::vector<SagRow> sagTable;
    std::map<int, std::string> classTexts; // class.db: Kod -> ClassObj
    ReportProfile profile;
    size_t currentConductor = 0; // the conductor row current when the export starts
    DrawingSettings drawing;
    // A multiple rod: its stored pairs and each object's protecting element (empty otherwise).
    MultiRodResult multiRod;
    // The project's underlay for the top drawings: only when the profile asks for it, the
    // underlay is shown in the project window and its file reads (otherwise null).
    std::shared_ptr<const UnderlayPicture> underlay;
    // Why the underlay the profile asks for was left out (its copy damaged or missing).
    std::string underlayProblem;
};

// The current project, the current report profile (or `profileName` when given) and the rest.
// Throws TableError when there is no current project or the named profile does not exist.
ReportInput loadReportInput(DataModule &dm, const std::string &profileName = {});

// The two checks made before a report is written; both are evaluated, and every failed check
// gives its message, in order. Empty: the report may be written.
std::vector<std::string> preExportErrors(const ReportInput &in);

inline constexpr const char *kMsgNeedPodbor =
    "Ошибка. Перед экспортом отчета в документ Microsoft Word выполните ориентировочный подбор "
    "молниеотвода.";
inline constexpr const char *kMsgNeedChoice =
    "Ошибка. Перед экспортом отчета в документ Microsoft Word выберите конструкцию молниеотвода "
    "из справочника.";

} // namespace kv
