#pragma once
// The .docx back-end: writes a report document as an Office Open XML word-processing package
// (content types, relationships, styles, settings, font table, header or footer with the page
// number field, pictures as PNG parts).

#include "report/reportdocument.h"

#include <QString>

namespace kv {

// Writes the document to path (through a temporary file beside it, renamed when complete).
// On failure returns false with a Russian text in error.
bool saveDocx(const ReportDocument &doc, const QString &path, QString *error = nullptr);

// Points to twentieths of a point, millimetres to twips.
inline int twips(double points) { return static_cast<int>(points * 20.0 + 0.5); }
inline int mmToTwips(double mm) { return static_cast<int>(mm / 25.4 * 1440.0 + 0.5); }

} // namespace kv
