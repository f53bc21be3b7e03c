#include "app/zonepreviewwindow.h"

#include "data/outputfile.h"
#include "data/prompter.h"
#include "plan/picturefile.h"
#include "plan/zonepictures.h"
#include "report/reportfile.h"
#include "widgets/filefolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace kv {

namespace {
const QStringList kFilters = {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("JPEG (*.jpg)"),
                              QStringLiteral("EMF (*.emf)"), QStringLiteral("WMF (*.wmf)"),
                              QStringLiteral("PNG (*.png)")};
}

ZonePreviewWindow::ZonePreviewWindow(Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Просмотр зон защиты."));
    setModal(true);
    resize(543, 440);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setHandleWidth(2);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(makePane(m_topImage, m_topMenu, 0));
    m_splitter->addWidget(makePane(m_frontImage, m_frontMenu, 1));
    m_splitter->setSizes({241, 440 - 241 - 2});
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter);

    chooseSaveFile = [this]() -> std::pair<QString, int> {
        QString filter;
        const QString path = kv::chooseSaveFile(
            this, FileKind::Picture, QStringLiteral("Сохранить рисунок"),
            QCoreApplication::applicationDirPath() + QLatin1Char('/'),
            kFilters.join(QStringLiteral(";;")), &filter);
        return {path, static_cast<int>(kFilters.indexOf(filter)) + 1};
    };
    chooseDxfFile = [this](int pane) {
        QString path = kv::chooseSaveFile(
            this, FileKind::Dxf, QStringLiteral("Сохранить как DXF"),
            QCoreApplication::applicationDirPath() + QLatin1Char('/'),
            QStringLiteral("Чертеж DXF (*.dxf)"));
        if (!path.isEmpty() && !path.endsWith(QStringLiteral(".dxf"), Qt::CaseInsensitive))
            path += QStringLiteral(".dxf");
        Q_UNUSED(pane);
        return path;
    };
    chooseDocumentFile = [this](const QString &suggested) {
        return kv::chooseSaveFile(this, FileKind::Report, QStringLiteral("Документ отчета"),
                                  suggested, QStringLiteral("Документ Word (*.docx)"));
    };
}

QScrollArea *ZonePreviewWindow::makePane(QLabel *&image, QMenu *&menu, int pane)
{
    auto *scroll = new QScrollArea;
    scroll->setBackgroundRole(QPalette::Dark);
    image = new QLabel;
    image->setContextMenuPolicy(Qt::CustomContextMenu);
    scroll->setWidget(image);
    menu = new QMenu(this);
    menu->addAction(QStringLiteral("Сохранить в файле..."), this, [this, pane] { saveClicked(pane); });
    QAction *dxf = menu->addAction(QStringLiteral("Сохранить как DXF..."), this, [this, pane] {
        const QString path = chooseDxfFile ? chooseDxfFile(pane) : QString();
        if (!path.isEmpty())
            saveDxf(pane, path);
    });
    connect(menu, &QMenu::aboutToShow, this, [this, dxf] { dxf->setVisible(bool(writeDxf)); });
    menu->addAction(QStringLiteral("Экспорт в Microsoft Word"), this,
                    [this, pane] { exportClicked(pane); });
    menu->addAction(QStringLiteral("Справка..."), this, [this] { emit helpRequested(12); });
    QMenu *m = menu;
    connect(image, &QLabel::customContextMenuRequested, this,
            [m, image](const QPoint &pos) { m->popup(image->mapToGlobal(pos)); });
    return scroll;
}

void ZonePreviewWindow::setPictures(const ZonePictures &pictures)
{
    m_top = pictures.top;
    m_front = pictures.front;
    m_topImage->setPixmap(QPixmap::fromImage(m_top));
    m_topImage->resize(m_top.size());
    m_frontImage->setPixmap(QPixmap::fromImage(m_front));
    m_frontImage->resize(m_front.size());
}

bool ZonePreviewWindow::savePicture(int pane, const QString &folder, const QString &enteredName,
                                    int filterIndex)
{
    QString name;
    PictureFormat format = PictureFormat::Png;
    if (filterIndex >= 1 && filterIndex <= 4) {
        name = pictureFileName(QFileInfo(enteredName).fileName(), filterIndex);
        format = pictureFormatForFilter(filterIndex);
    } else {
        name = QFileInfo(enteredName).fileName() + QStringLiteral(".png");
    }
    if (refusedTarget(QDir(folder).filePath(name)))
        return false;
    QString error;
    if (!kv::savePicture(picture(pane), QDir(folder).filePath(name), format, &error)) {
        m_prompter.error(error.toStdString());
        return false;
    }
    return true;
}

bool ZonePreviewWindow::saveDxf(int pane, const QString &path)
{
    if (!writeDxf || refusedTarget(path))
        return false;
    QString error;
    if (!writeDxf(pane, path, &error)) {
        m_prompter.error(error.toStdString());
        return false;
    }
    return true;
}

bool ZonePreviewWindow::exportToDocument(int pane, const QString &path)
{
    if (refusedTarget(path))
        return false;
    ReportSession &s = session ? *session : ReportSession::instance();
    const ReportFileResult r = appendPictureFile(picture(pane), path, s);
    if (!r.ok) {
        m_prompter.error(r.error.toStdString());
        return false;
    }
    emit documentWritten(path);
    return true;
}

bool ZonePreviewWindow::refusedTarget(const QString &path)
{
    const std::string refusal = dataFolderFileRefusal(dataDir, path.toStdString());
    if (refusal.empty())
        return false;
    m_prompter.error(refusal);
    return true;
}

void ZonePreviewWindow::saveClicked(int pane)
{
    const auto [path, filter] = chooseSaveFile();
    if (path.isEmpty())
        return;
    // The extension of the filter is always appended to the name as entered.
    const QFileInfo fi(path);
    savePicture(pane, fi.absolutePath(), fi.fileName(), filter);
}

void ZonePreviewWindow::exportClicked(int pane)
{
    ReportSession &s = session ? *session : ReportSession::instance();
    QString path = s.lastPath();
    if (path.isEmpty()) {
        path = chooseDocumentFile(QDir::home().filePath(QStringLiteral("Отчет.docx")));
        if (path.isEmpty())
            return;
    }
    exportToDocument(pane, path);
}

} // namespace kv
