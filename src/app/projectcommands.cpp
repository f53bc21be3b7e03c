#include "app/projectcommands.h"

#include "app/aboutform.h"
#include "app/objectform.h"
#include "app/openprojectform.h"
#include "app/projectdocument.h"
#include "app/projectform.h"
#include "data/datamodule.h"
#include "data/projectops.h"
#include "data/prompter.h"
#include "exchange/projectfile.h"
#include "widgets/filefolders.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <exception>

namespace kv {

namespace {

// The hourglass while a command writes.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// No exception leaves a command: a failure shows its one message and changes nothing more.
template <typename F>
bool guarded(ProjectDocument &doc, F &&f)
{
    try {
        return f();
    } catch (const std::exception &e) {
        doc.prompter().error(e.what());
    } catch (...) {
        doc.prompter().error("Ошибка. Команда не выполнена.");
    }
    return false;
}

void prepareProjectForm(ProjectForm &form, ProjectDocument &doc)
{
    DataModule &dm = doc.dataModule();
    form.setRanges(grozRangeItems(dm),
                   [&dm](const std::string &range) { return udarovOfRange(dm, range); });
    form.setScaleStep(doc.settings().ScaleShag.value_or(100));
}

void prepareObjectForm(ObjectForm &form, ProjectDocument &doc)
{
    DataModule &dm = doc.dataModule();
    const ProjectRec &p = doc.snapshot().project;
    form.setProject(p.ProdGrozMin.value_or(0), p.Udarov.value_or(0.0));
    QStringList texts;
    Table &classes = dm.table(TableId::Class);
    if (classes.isOpen())
        for (const auto &row : classes.select({"ClassObj"}, {}))
            texts << QString::fromStdString(row[0].toText());
    form.setClassTexts(texts);
    Table &names = dm.table(TableId::ObjName);
    form.setNamesTable(names.isOpen() ? &names : nullptr);
    form.setPrompter(&doc.prompter());
}

// The object the object commands act on: the selected object shape, else the current row.
int currentObjectKod(ProjectDocument &doc)
{
    const Selection s = doc.selection();
    if (s.kind == Selection::Object && doc.object(s.objectKod))
        return s.objectKod;
    Table &objects = doc.dataModule().object();
    if (objects.isOpen() && !objects.isEmpty() && objects.recNo() >= 0) {
        const int kod = objects.asInt("Kod");
        if (doc.object(kod))
            return kod;
    }
    const auto &all = doc.snapshot().objects;
    return all.empty() ? -1 : all.front().Kod.value_or(-1);
}

} // namespace

bool cmdCreateProject(ProjectDocument &doc, QWidget *parent)
{
    return guarded(doc, [&] {
        ProjectForm form(parent);
        prepareProjectForm(form, doc);
        const QDateTime now = QDateTime::currentDateTime();
        form.setInput(newProjectDefaults(doc.dataModule(),
                                         now.date().toString(Qt::ISODate).toStdString(),
                                         now.time().toString(QStringLiteral("HH:mm:ss")).toStdString()));
        if (runDialog(form) != QDialog::Accepted)
            return false;
        WaitCursor wait;
        return doc.createProject(form.input()).has_value();
    });
}

bool cmdOpenProject(ProjectDocument &doc, QWidget *parent)
{
    return guarded(doc, [&] {
        const int before = doc.projectKod();
        int chosen = -1;
        bool accepted = false;
        {
            OpenProjectForm form(doc.dataModule(), parent);
            form.setPrompter(&doc.prompter());
            form.selectProject(before);
            accepted = runDialog(form) == QDialog::Accepted;
            chosen = form.chosenKod();
            form.finish(); // every project shown again
        }
        // Browsing moved the current project row: back to the project that was current.
        Table &projects = doc.dataModule().project();
        if (before >= 0 && projects.isOpen())
            projects.locate({{"Kod", Value(before)}});
        if (!accepted || chosen < 0)
            return false;
        WaitCursor wait;
        return doc.openProject(chosen);
    });
}

bool cmdEditProject(ProjectDocument &doc, QWidget *parent)
{
    return guarded(doc, [&] {
        if (!doc.hasProject())
            return false;
        ProjectForm form(parent);
        prepareProjectForm(form, doc);
        form.setInput(currentProjectInput(doc.dataModule()));
        if (runDialog(form) != QDialog::Accepted)
            return false;
        WaitCursor wait;
        return doc.editProject(form.input());
    });
}

bool cmdDeleteProject(ProjectDocument &doc, QWidget *)
{
    return guarded(doc, [&] { return doc.hasProject() && doc.deleteProject(); });
}

bool cmdSaveAsProject(ProjectDocument &doc, QWidget *)
{
    return guarded(doc, [&] { return doc.hasProject() && doc.saveProjectAs().has_value(); });
}

namespace {
const QString kProjectFileFilter = QStringLiteral("Проект Korvan VL (*.kvproj)");
} // namespace

bool cmdSaveProjectFile(ProjectDocument &doc, QWidget *parent)
{
    if (!doc.hasProject())
        return false;
    QString name = QString::fromStdString(doc.snapshot().project.Name.value_or("")).trimmed();
    for (QChar &c : name)
        if (c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("Проект");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QString path = chooseSaveFile(parent, FileKind::Project, QStringLiteral("Сохранить в файл"),
                                  QDir(folder).filePath(name + QString::fromLatin1(kProjectFileSuffix)),
                                  kProjectFileFilter);
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QString::fromLatin1(kProjectFileSuffix), Qt::CaseInsensitive))
        path += QString::fromLatin1(kProjectFileSuffix);
    return guarded(doc, [&] {
        WaitCursor wait;
        return doc.saveProjectFile(path);
    });
}

bool cmdOpenProjectFile(ProjectDocument &doc, QWidget *parent)
{
    const QString path = chooseOpenFile(parent, FileKind::Project, QStringLiteral("Открыть файл"),
                                        kProjectFileFilter);
    return !path.isEmpty() && cmdOpenProjectFileAt(doc, path);
}

bool cmdOpenProjectFileAt(ProjectDocument &doc, const QString &path)
{
    return guarded(doc, [&] {
        WaitCursor wait;
        return doc.openProjectFile(path).has_value();
    });
}

bool cmdAddObject(ProjectDocument &doc, QWidget *parent)
{
    return guarded(doc, [&] {
        if (!doc.hasProject())
            return false;
        ObjectForm form(parent);
        prepareObjectForm(form, doc);
        form.setValues(newObjectDefaults(doc.dataModule()));
        if (runDialog(form) != QDialog::Accepted)
            return false;
        WaitCursor wait;
        return doc.addObject(form.values()).has_value();
    });
}

bool cmdEditObject(ProjectDocument &doc, QWidget *parent)
{
    return guarded(doc, [&] {
        const int kod = currentObjectKod(doc);
        const ObjectRec *rec = kod < 0 ? nullptr : doc.object(kod);
        if (!rec)
            return false;
        ObjectForm form(parent);
        prepareObjectForm(form, doc);
        form.setValues(*rec);
        if (runDialog(form) != QDialog::Accepted)
            return false;
        WaitCursor wait;
        return doc.editObject(kod, form.values());
    });
}

bool cmdDeleteObject(ProjectDocument &doc, QWidget *)
{
    return guarded(doc, [&] {
        const int kod = currentObjectKod(doc);
        return kod >= 0 && doc.deleteObject(kod);
    });
}

bool cmdCloneObject(ProjectDocument &doc, QWidget *)
{
    return guarded(doc, [&] {
        const int kod = currentObjectKod(doc);
        return kod >= 0 && doc.duplicateObject(kod).has_value();
    });
}

void showAbout(QWidget *parent)
{
    AboutForm about(parent);
    runDialog(about);
}

} // namespace kv
