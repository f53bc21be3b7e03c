#pragma once
// The glyphs of the project window's tool bar buttons, drawn at start-up (16 x 16).

#include <QIcon>
#include <QString>

namespace kv {

// The glyph of a tool bar button by its name (btnNewProj, spdLU, ...); a blank icon for others.
QIcon toolGlyph(const QString &button);

} // namespace kv
