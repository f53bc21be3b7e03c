#pragma once
// Fonts of the drawings. The canvas default font is DejaVu Sans (full Cyrillic, always installed
// with fonts-dejavu-core); "Times New Roman" resolves to Liberation Serif, which has the same
// metrics. Both need a QGuiApplication.

#include <QFont>

namespace kv {

// The font grid labels, names and radius labels are written in.
QFont canvasFont();
// "Times New Roman" with a substitution to Liberation Serif (and DejaVu Serif after it).
QFont timesNewRomanFont(int pointSize = 12);
// Registers the substitutions once (the report's "Times New Roman Cyr" too); called by the two
// functions above and by the report's writers.
void installFontSubstitutions();

} // namespace kv
