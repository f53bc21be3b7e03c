#include "widgets/filefolders.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <array>

namespace kv {

namespace {

std::array<QString, 5> &folders()
{
    static std::array<QString, 5> f;
    return f;
}

} // namespace

QString lastFolder(FileKind kind) { return folders()[static_cast<std::size_t>(kind)]; }

void rememberFolder(FileKind kind, const QString &filePath)
{
    if (!filePath.isEmpty())
        folders()[static_cast<std::size_t>(kind)] = QFileInfo(filePath).absolutePath();
}

QString startPath(FileKind kind, const QString &suggested)
{
    const QString folder = lastFolder(kind);
    if (folder.isEmpty())
        return suggested;
    const QString name = QFileInfo(suggested).fileName();
    return name.isEmpty() ? folder : QDir(folder).filePath(name);
}

QString chooseSaveFile(QWidget *parent, FileKind kind, const QString &caption,
                       const QString &suggested, const QString &filters, QString *selectedFilter)
{
    const QString path = QFileDialog::getSaveFileName(parent, caption, startPath(kind, suggested),
                                                      filters, selectedFilter);
    rememberFolder(kind, path);
    return path;
}

QString chooseOpenFile(QWidget *parent, FileKind kind, const QString &caption,
                       const QString &filters)
{
    const QString path = QFileDialog::getOpenFileName(parent, caption, lastFolder(kind), filters);
    rememberFolder(kind, path);
    return path;
}

} // namespace kv
