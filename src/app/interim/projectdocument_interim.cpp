// Temporary stand-in for the project document until its implementation is on main: enough of
// the interface for the project window (open, select, move, drop, snap, selection), without
// undo. Built only while src/app/projectdocument.cpp does not exist.

#include "app/projectdocument.h"

#include "data/datamodule.h"
#include "data/podborops.h"
#include "data/snapshot.h"
#include "plan/plancoords.h"

#include <QUndoStack>

#include <algorithm>

namespace kv {

struct RowImage {};
struct ProjectDocument::Image {};

MoveEnabling moveEnablingFor(bool hasProject, double x, double y, double step)
{
    MoveEnabling e;
    if (!hasProject)
        return e;
    e.left = x - step >= 0;
    e.up = y - step >= 0;
    e.leftUp = e.left && e.up;
    e.rightUp = e.up;
    e.leftDown = e.left;
    e.right = e.rightDown = e.down = true;
    return e;
}

ProjectDocument::ProjectDocument(DataModule &dm, QObject *parent)
    : QObject(parent), m_dm(dm), m_undo(std::make_unique<QUndoStack>())
{
}

ProjectDocument::~ProjectDocument() = default;

Prompter &ProjectDocument::prompter() const { return m_dm.prompter(); }

bool ProjectDocument::hasProject() const { return m_kod >= 0; }
int ProjectDocument::projectKod() const { return m_kod; }

const ObjectRec *ProjectDocument::object(int kod) const
{
    for (const ObjectRec &o : m_snap.objects)
        if (o.Kod && *o.Kod == kod)
            return &o;
    return nullptr;
}

SettingsRec ProjectDocument::settings() const { return loadSettings(m_dm); }
double ProjectDocument::gridStep() const
{
    const SettingsRec s = settings();
    return s.ObjShag && *s.ObjShag > 0 ? *s.ObjShag : 1.0;
}

void ProjectDocument::setAutoPodbor(bool on)
{
    if (m_autoPodbor == on)
        return;
    m_autoPodbor = on;
    emit autoPodborChanged(on);
    if (on)
        runPodbor();
}

void ProjectDocument::setZoneSuffix(std::optional<std::string> s)
{
    m_zoneSuffix = std::move(s);
    emit zonesRecomputed();
}

void ProjectDocument::select(const Selection &s)
{
    m_selection = s;
    emit selectionChanged();
}

MoveEnabling ProjectDocument::moveEnabling() const
{
    double x = 0, y = 0;
    if (m_selection.kind == Selection::Object) {
        if (const ObjectRec *o = object(m_selection.objectKod)) {
            x = o->MXa.value_or(0);
            y = o->MYa.value_or(0);
        }
    } else if (!m_snap.conductors.empty()) {
        const ConductorRec &c = m_selection.position == 1 ? m_snap.conductors.back() : m_snap.conductors.front();
        x = c.MX.value_or(0);
        y = c.MY.value_or(0);
    }
    return moveEnablingFor(hasProject(), x, y, gridStep());
}

void ProjectDocument::reload(bool forceLoaded)
{
    Table &p = m_dm.project();
    if (!p.isOpen() || p.isEmpty()) {
        m_kod = -1;
        m_snap = {};
        emit projectClosed();
        return;
    }
    m_snap = loadCurrentProject(m_dm);
    m_kod = m_snap.project.Kod.value_or(-1);
    if (forceLoaded)
        emit projectLoaded();
    else
        emit projectChanged();
}

void ProjectDocument::openLastProject()
{
    Table &p = m_dm.project();
    Table &param = m_dm.param();
    if (p.isOpen() && !p.isEmpty() && param.isOpen() && !param.isEmpty()) {
        param.first();
        if (!param.isNull("LastProj"))
            p.locate({{"Kod", param.value("LastProj")}});
    }
    m_selection = {Selection::Conductor, 0, -1};
    reload(true);
}

void ProjectDocument::storeLastProject()
{
    Table &param = m_dm.param();
    if (m_kod < 0 || !param.isOpen())
        return;
    if (param.isEmpty())
        param.append();
    else {
        param.first();
        param.edit();
    }
    param.setValue("LastProj", Value(m_kod));
    param.post();
}

bool ProjectDocument::openProject(int kod)
{
    if (!locateProject(m_dm, kod))
        return false;
    m_undo->clear();
    m_selection = {Selection::Conductor, 0, -1};
    m_zoneSuffix.reset();
    reload(true);
    return true;
}

std::optional<int> ProjectDocument::createProject(const ProjectInput &) { return std::nullopt; }
bool ProjectDocument::editProject(const ProjectInput &) { return false; }
bool ProjectDocument::deleteProject() { return false; }
std::optional<int> ProjectDocument::saveProjectAs(std::optional<std::string>) { return std::nullopt; }
std::optional<int> ProjectDocument::addObject(const ObjectRec &) { return std::nullopt; }
bool ProjectDocument::editObject(int, const ObjectRec &) { return false; }
bool ProjectDocument::deleteObject(int) { return false; }
std::optional<int> ProjectDocument::duplicateObject(int) { return std::nullopt; }

namespace {

void writePos(Table &t, const char *fx, const char *fy, double x, double y)
{
    t.edit();
    t.setValue(fx, Value(x));
    t.setValue(fy, Value(y));
    t.post();
}

bool gotoConductor(DataModule &dm, int position)
{
    Table &mo = dm.mo();
    if (mo.isEmpty())
        return false;
    if (position == 1)
        mo.last();
    else
        mo.first();
    return true;
}

} // namespace

bool ProjectDocument::moveSelected(double dx, double dy)
{
    const Selection s = m_selection;
    const double step = gridStep();
    return execute(QStringLiteral("Перемещение"), [&] {
        if (s.kind == Selection::Object) {
            Table &o = m_dm.object();
            if (!o.locate({{"Kod", Value(s.objectKod)}}))
                return;
            writePos(o, "MXa", "MYa", snap(o.asDouble("MXa") + dx, step), snap(o.asDouble("MYa") + dy, step));
        } else if (gotoConductor(m_dm, s.position)) {
            Table &mo = m_dm.mo();
            writePos(mo, "MX", "MY", snap(mo.asDouble("MX") + dx, step), snap(mo.asDouble("MY") + dy, step));
        }
    });
}

bool ProjectDocument::dropSelected(double x, double y)
{
    const Selection s = m_selection;
    const double step = gridStep();
    x = std::max(0.0, snap(x, step));
    y = std::max(0.0, snap(y, step));
    return execute(QStringLiteral("Перетаскивание"), [&] {
        if (s.kind == Selection::Object) {
            Table &o = m_dm.object();
            if (o.locate({{"Kod", Value(s.objectKod)}}))
                writePos(o, "MXa", "MYa", x, y);
        } else if (gotoConductor(m_dm, s.position)) {
            writePos(m_dm.mo(), "MX", "MY", x, y);
        }
    });
}

bool ProjectDocument::snapAllToGrid()
{
    const double step = gridStep();
    return execute(QStringLiteral("Привязать к сетке"), [&] {
        for (Table *t : {&m_dm.mo(), &m_dm.object()}) {
            const bool obj = t == &m_dm.object();
            for (t->first(); !t->eof(); t->next())
                writePos(*t, obj ? "MXa" : "MX", obj ? "MYa" : "MY",
                         snap(t->asDouble(obj ? "MXa" : "MX"), step),
                         snap(t->asDouble(obj ? "MYa" : "MY"), step));
        }
    });
}

bool ProjectDocument::runPodbor()
{
    if (m_snap.objects.empty())
        return false;
    runAutoPodbor(m_dm);
    m_snap = loadCurrentProject(m_dm);
    m_zoneSuffix = std::string();
    emit conductorsChanged();
    emit zonesRecomputed();
    return true;
}

bool ProjectDocument::execute(const QString &, const std::function<void()> &op, int, bool zones)
{
    try {
        op();
    } catch (const std::exception &e) {
        m_dm.prompter().error(e.what());
        return false;
    }
    m_snap = loadCurrentProject(m_dm);
    if (zones)
        m_zoneSuffix.reset();
    emit projectChanged();
    if (zones && m_autoPodbor)
        runPodbor();
    return true;
}

} // namespace kv
