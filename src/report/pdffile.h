#pragma once
// The PDF back-end: lays a report document out on its pages with its own line breaking (runs,
// raised text, tabs), tables with borders whose caption row repeats on every page they run onto,
// headings kept with what they head, pictures at their placed size and the page number in the
// header or footer; the fonts are embedded. Needs a QGuiApplication (fonts).

#include "report/reportdocument.h"

#include <QString>

namespace kv {

// Writes the document to path (through a temporary file beside it, renamed when complete).
// On failure returns false with a Russian text in error.
bool savePdf(const ReportDocument &doc, const QString &path, QString *error = nullptr);

} // namespace kv
