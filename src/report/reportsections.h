#pragma once
// The calculation report: every section in the order of the report, for the three conductor
// types, written through a document writer from a report input. The numbers come from the
// stored rows; only the intermediate values of the worked formulas are computed here.

#include "calc/podbor.h"
#include "report/documentwriter.h"
#include "report/reportinput.h"

#include <QString>

namespace kv {

// Progress of a report: 20 steps; the export stops between sections when cancelled.
class ReportFeedback {
public:
    virtual ~ReportFeedback() = default;
    virtual void setProgress(int /*step*/, int /*total*/) {}
    virtual bool isCancelled() const { return false; }
};

inline constexpr int kReportSteps = 20;

struct ReportResult {
    bool ok = true;         // false: stopped by an error (error says why) or cancelled
    bool cancelled = false;
    QString error;
    CalcMessages messages;  // messages of the calculations met on the way (the sag table)
};

// Writes the whole report: OpenReportDocument, every section the profile asks for,
// CloseReportDocument. The zone pictures go through picture files in a private temporary folder
// that is removed afterwards. The pre-export checks are the caller's (preExportErrors).
ReportResult writeReport(const ReportInput &in, DocumentWriter &writer,
                         ReportFeedback *feedback = nullptr);

} // namespace kv
