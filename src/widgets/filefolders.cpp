#include "widgets/filefolders.h"

#include <QComboBox>
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

// The file dialog as QFileDialog's own functions show it, with names for the two boxes Qt leaves
// without one (read out by a screen reader).
QString runFileDialog(QWidget *parent, bool save, const QString &caption, const QString &start,
                      const QString &filters, QString *selectedFilter)
{
    QFileDialog d(parent, caption, start, filters);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (selectedFilter && !selectedFilter->isEmpty())
        d.selectNameFilter(*selectedFilter);
    if (auto *c = d.findChild<QComboBox *>(QStringLiteral("lookInCombo")))
        c->setAccessibleName(QStringLiteral("Папка"));
    if (auto *c = d.findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
        c->setAccessibleName(QStringLiteral("Тип файлов"));
    if (d.exec() != QDialog::Accepted)
        return QString();
    if (selectedFilter)
        *selectedFilter = d.selectedNameFilter();
    return d.selectedFiles().value(0);
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
    const QString path =
        runFileDialog(parent, true, caption, startPath(kind, suggested), filters, selectedFilter);
    rememberFolder(kind, path);
    return path;
}

QString chooseOpenFile(QWidget *parent, FileKind kind, const QString &caption,
                       const QString &filters)
{
    const QString path = runFileDialog(parent, false, caption, lastFolder(kind), filters, nullptr);
    rememberFolder(kind, path);
    return path;
}

} // namespace kv
