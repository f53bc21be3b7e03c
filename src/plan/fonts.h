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
// Registers the substitutions once; called by the two functions above.
void installFontSubstitutions();

} // namespace kv
