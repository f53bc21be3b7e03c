#pragma once
// The QTextDocument back-end of the report document: the settings dialog's sample pictures and an
// in-app view of a report. Needs a QGuiApplication (fonts).

#include "report/reportdocument.h"

#include <QImage>
#include <QString>
#include <memory>

class QTextDocument;

namespace kv {

// The document as rich text, laid out for the page's text width.
std::unique_ptr<QTextDocument> toTextDocument(const ReportDocument &doc);

// The document rendered at 96 dpi on a white page of the text width (plus a small border),
// cut off at maxHeight pixels.
QImage renderDocumentImage(const ReportDocument &doc, int maxHeight = 1400);

} // namespace kv
