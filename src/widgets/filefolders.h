#pragma once
// The save dialogs of the program start where the user last saved a file of the same kind (while
// the program runs): pictures, DXF drawings, reports and charts each keep their own folder.

#include <QString>

class QWidget;

namespace kv {

enum class FileKind { Picture, Dxf, Report, Chart, Project };

// The folder a file of this kind was last saved in during this run; empty when none yet.
QString lastFolder(FileKind kind);
// Remembers the folder of a file chosen for this kind.
void rememberFolder(FileKind kind, const QString &filePath);
// The path a save dialog of this kind starts at: the suggested file name in the kind's last
// folder, or the suggestion as it is when nothing was saved yet.
QString startPath(FileKind kind, const QString &suggested);

// A save-file dialog that starts at startPath and remembers the folder chosen.
QString chooseSaveFile(QWidget *parent, FileKind kind, const QString &caption,
                       const QString &suggested, const QString &filters,
                       QString *selectedFilter = nullptr);
// An open-file dialog that starts in the kind's last folder and remembers the folder chosen.
QString chooseOpenFile(QWidget *parent, FileKind kind, const QString &caption,
                       const QString &filters);

} // namespace kv
