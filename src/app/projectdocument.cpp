#include "app/projectdocument.h"
#include "exchange/projectjson.h"

#include "data/multirodstore.h"

#include "data/datamodule.h"
#include "data/objectops.h"
#include "data/podborops.h"
#include "data/prompter.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/projectfile.h"
#include "plan/underlay.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <map>

namespace kv {

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

// The stored rows of a set of projects at one moment.
struct ProjectDocument::Image {
    int currentProject = -1;
    std::map<TableId, std::map<std::int64_t, std::vector<Value>>> rows;
    bool names = false;
    std::vector<std::string> nameList; // the names dictionary, in table order
    // What the window showed with these rows: "Автоподбор" and the zones drawn.
    bool autoPodbor = false;
    std::optional<std::string> zones;
    // With the Underlays scope: each captured project's underlay files (nullopt: none).
    bool underlays = false;
    std::map<int, std::optional<UnderlayFiles>> underlayFiles;
};

namespace {

// The tables under a project, parents before children.
const std::vector<TableId> &projectTables(bool placement)
{
    static const std::vector<TableId> rows = {TableId::Project, TableId::Mo, TableId::Object,
                                              TableId::MRod};
    static const std::vector<TableId> all = {
        TableId::Project,  TableId::Mo,        TableId::Object,    TableId::MRod,
        TableId::Diap0,    TableId::Diap1,     TableId::Diap2,     TableId::Diap2MO0,
        TableId::Diap2MO1, TableId::Diap2MO11, TableId::Diap2MO2,  TableId::Diap2MO21,
        TableId::Diap2MO3};
    return placement ? all : rows;
}

// Passes everything on except the per-object removal notes, which the one question before the
// project edit has already listed.
class QuietRemovalPrompter : public Prompter {
public:
    explicit QuietRemovalPrompter(Prompter &p) : m_p(p) {}
    void error(const std::string &t) override { m_p.error(t); }
    void info(const std::string &t) override
    {
        if (t.rfind("Внимание.\rОбъект \"", 0) != 0)
            m_p.info(t);
    }
    void warning(const std::string &t) override { m_p.warning(t); }
    bool ask(const std::string &t) override { return m_p.ask(t); }
    std::optional<std::string> input(const std::string &c, const std::string &p,
                                     const std::string &i, int maxLength = 0) override
    {
        return m_p.input(c, p, i, maxLength);
    }

private:
    Prompter &m_p;
};

class PrompterSwap {
public:
    PrompterSwap(DataModule &dm, Prompter &p) : m_dm(dm), m_old(dm.prompter()) { dm.setPrompter(p); }
    ~PrompterSwap() { m_dm.setPrompter(m_old); }

private:
    DataModule &m_dm;
    Prompter &m_old;
};

void cancelEdits(DataModule &dm)
{
    for (TableId id : openingOrder()) {
        Table &t = dm.table(id);
        if (t.isOpen() && t.isEditing())
            t.cancel();
    }
}

} // namespace

class RowsCommand : public QUndoCommand {
public:
    RowsCommand(ProjectDocument *doc, const QString &text, ProjectDocument::Image before,
                ProjectDocument::Image after)
        : QUndoCommand(text), m_doc(doc), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_doc->replay(m_before, m_after); }
    void redo() override
    {
        if (m_first) { // the command itself has just written these rows
            m_first = false;
            return;
        }
        m_doc->replay(m_after, m_before);
    }

private:
    ProjectDocument *m_doc;
    ProjectDocument::Image m_before, m_after;
    bool m_first = true;
};

ProjectDocument::ProjectDocument(DataModule &dm, QObject *parent)
    : QObject(parent), m_dm(dm), m_undo(std::make_unique<QUndoStack>())
{
}

ProjectDocument::~ProjectDocument() = default;

Prompter &ProjectDocument::prompter() const { return m_dm.prompter(); }

bool ProjectDocument::hasProject() const { return m_kod >= 0; }
int ProjectDocument::projectKod() const { return m_kod; }

int ProjectDocument::storedProjectKod() const
{
    Table &p = m_dm.project();
    if (!p.isOpen() || p.isEmpty())
        return -1;
    return p.asInt("Kod");
}

const ObjectRec *ProjectDocument::object(int kod) const
{
    for (const auto &o : m_snap.objects)
        if (o.Kod && *o.Kod == kod)
            return &o;
    return nullptr;
}

SettingsRec ProjectDocument::settings() const { return loadSettings(m_dm); }
double ProjectDocument::gridStep() const { return kv::gridStep(m_dm); }

void ProjectDocument::setAutoPodbor(bool on)
{
    if (on == m_autoPodbor)
        return;
    m_autoPodbor = on;
    emit autoPodborChanged(on);
}

void ProjectDocument::setZoneSuffix(std::optional<std::string> s)
{
    if (s == m_zoneSuffix)
        return;
    m_zoneSuffix = std::move(s);
    emit zonesRecomputed();
}

void ProjectDocument::select(const Selection &s)
{
    Selection sel = s;
    try {
        if (sel.kind == Selection::Object && hasProject()) {
            if (!object(sel.objectKod) || !m_dm.object().gotoBookmark(sel.objectKod))
                sel = {Selection::Conductor, 0, -1};
        }
        if (sel.kind == Selection::Conductor && hasProject()) {
            const auto keys = m_dm.mo().keysUnder(m_kod);
            // Position 1 is the last row of two; a multiple rod's rods are its rows in order.
            if (keys.size() < 2 || sel.position < 0)
                sel.position = 0;
            else if (sel.position >= static_cast<int>(keys.size()))
                sel.position = static_cast<int>(keys.size()) - 1;
            if (!keys.empty())
                m_dm.mo().gotoBookmark(keys[static_cast<std::size_t>(sel.position)]);
        }
        if (!hasProject())
            sel = {};
    } catch (const TableError &e) {
        prompter().error(e.what());
    }
    if (sel == m_selection)
        return;
    m_selection = sel;
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
    } else if (m_selection.kind == Selection::Conductor && !m_snap.conductors.empty()) {
        const std::size_t i = std::min<std::size_t>(
            static_cast<std::size_t>(std::max(0, m_selection.position)), m_snap.conductors.size() - 1);
        const auto &c = m_snap.conductors[i];
        x = c.MX.value_or(0);
        y = c.MY.value_or(0);
    }
    return moveEnablingFor(hasProject(), x, y, gridStep());
}

// --- Capturing and restoring rows ---------------------------------------------------------

ProjectDocument::Image ProjectDocument::capture(const std::set<int> &projects, int scope) const
{
    Image img;
    img.currentProject = storedProjectKod();
    const bool placement = scope & Placement;
    // The rows of all the files at one moment, each file locked once for all its rows.
    ReadLock lock(m_dm);
    std::vector<Table *> read;
    for (TableId id : projectTables(placement))
        read.push_back(&m_dm.table(id));
    read.push_back(&m_dm.table(TableId::ObjName));
    ReadScope readScope(read);
    for (TableId id : projectTables(placement))
        img.rows[id]; // every table of the scope is present, also when empty
    for (int kod : projects) {
        if (kod < 0)
            continue;
        Table &p = m_dm.project();
        if (auto r = p.rowByKey(kod))
            img.rows[TableId::Project][kod] = std::move(*r);
        // Walk parents to children: a table's rows are those under the captured rows of its
        // master.
        for (TableId id : projectTables(placement)) {
            if (id == TableId::Project)
                continue;
            Table &t = m_dm.table(id);
            if (!t.isOpen())
                continue;
            const TableId master = t.def().master;
            std::vector<std::int64_t> parents;
            if (master == TableId::Project)
                parents.push_back(kod);
            else
                for (const auto &kv : img.rows[master])
                    parents.push_back(kv.first);
            for (auto pk : parents)
                for (auto k : t.keysUnder(pk))
                    if (auto r = t.rowByKey(k))
                        img.rows[id][k] = std::move(*r);
        }
    }
    if (scope & Underlays) {
        img.underlays = true;
        const QString dir = QString::fromStdString(m_dm.dataDir());
        for (int kod : projects)
            if (kod >= 0)
                img.underlayFiles[kod] = readUnderlayFiles(dir, kod);
    }
    if (scope & Names) {
        img.names = true;
        Table &n = m_dm.table(TableId::ObjName);
        if (n.isOpen())
            for (const auto &r : n.select({"ObjName"}, {}))
                img.nameList.push_back(r[0].toText());
    }
    return img;
}

void ProjectDocument::restore(const Image &target, const Image &other)
{
    cancelEdits(m_dm);
    // One undo or redo step is one command: every file changes, or none.
    std::vector<TableId> tables = kv::projectTables();
    tables.push_back(TableId::ObjName);
    Transaction tx(m_dm, tables);
    const auto &order = projectTables(true);
    // Rows that only the other image has go first, children before parents.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        auto o = other.rows.find(*it);
        if (o == other.rows.end())
            continue;
        auto t = target.rows.find(*it);
        Table &table = m_dm.table(*it);
        for (const auto &kv : o->second)
            if (t == target.rows.end() || !t->second.count(kv.first))
                table.removeRowByKey(kv.first);
    }
    // Then every row of the target as it was, parents before children.
    for (TableId id : order) {
        auto t = target.rows.find(id);
        if (t == target.rows.end())
            continue;
        Table &table = m_dm.table(id);
        for (const auto &kv : t->second) {
            const auto now = table.rowByKey(kv.first);
            if (!now || !(*now == kv.second))
                table.putRow(kv.second);
        }
    }
    if (target.names) {
        Table &n = m_dm.table(TableId::ObjName);
        std::vector<std::string> now;
        for (const auto &r : n.select({"ObjName"}, {}))
            now.push_back(r[0].toText());
        if (now != target.nameList) {
            // The dictionary is a plain list: take away what was added, add back what went.
            for (const auto &name : now)
                if (std::find(target.nameList.begin(), target.nameList.end(), name) == target.nameList.end()
                    && n.locate({{"ObjName", Value(name)}}))
                    n.remove();
            for (const auto &name : target.nameList)
                if (!n.locate({{"ObjName", Value(name)}})) {
                    n.append();
                    n.setValue("ObjName", name);
                    if (!n.post())
                        n.cancel();
                }
        }
    }
    // The underlay files are written before the rows commit (a failure leaves both as they
    // were) and those of a project the target does not have are removed after.
    std::vector<int> gone;
    if (target.underlays) {
        const QString dir = QString::fromStdString(m_dm.dataDir());
        for (const auto &[kod, files] : target.underlayFiles)
            if (readUnderlayFiles(dir, kod) != files)
                writeUnderlayFiles(dir, kod, files);
        for (const auto &kv : other.underlayFiles)
            if (!target.underlayFiles.count(kv.first))
                gone.push_back(kv.first);
    }
    tx.commit();
    for (int kod : gone)
        forgetProjectUnderlay(QString::fromStdString(m_dm.dataDir()), kod);
    if (target.currentProject >= 0)
        m_dm.project().gotoBookmark(target.currentProject);
}

void ProjectDocument::replay(const Image &target, const Image &other)
{
    try {
        // The captured rows hold the selection's results of that moment, so the zones shown are
        // exactly the stored ones; nothing is recomputed.
        Transaction tx(m_dm, {TableId::Project, TableId::Mo, TableId::Object});
        restore(target, other);
        tx.commit();
        m_zoneSuffix = target.zones;
    } catch (const std::exception &e) {
        cancelEdits(m_dm);
        prompter().error(e.what());
        m_zoneSuffix.reset();
    }
    // Only a step that ticked the box (or unticked it) sets it back; a later change of the box by
    // hand is not undone with an older step.
    if (target.autoPodbor != other.autoPodbor)
        setAutoPodbor(target.autoPodbor);
    reload(false);
    emit zonesRecomputed();
    if (target.underlays)
        emit underlayChanged();
}

void ProjectDocument::reload(bool forceLoaded)
{
    const int kod = storedProjectKod();
    ProjectSnapshot snap;
    if (kod >= 0) {
        try {
            snap = loadCurrentProject(m_dm);
        } catch (const TableError &e) {
            prompter().error(e.what());
        }
    }
    const ProjectSnapshot old = std::move(m_snap);
    const int oldKod = m_kod;
    m_snap = std::move(snap);
    m_kod = kod;

    if (kod < 0) {
        m_selection = {};
        if (oldKod >= 0 || forceLoaded) {
            m_zoneSuffix.reset();
            emit projectClosed();
            emit selectionChanged();
        }
        return;
    }
    // A selection that lost its shape falls back to the first conductor marker.
    auto fixSelection = [&] {
        Selection s = m_selection;
        if (s.kind == Selection::None || (s.kind == Selection::Object && !object(s.objectKod)))
            s = {Selection::Conductor, 0, -1};
        if (s.kind == Selection::Conductor && m_snap.conductors.size() < 2)
            s.position = 0;
        else if (s.kind == Selection::Conductor
                 && s.position >= static_cast<int>(m_snap.conductors.size()))
            s.position = static_cast<int>(m_snap.conductors.size()) - 1;
        if (!(s == m_selection)) {
            m_selection = s;
            emit selectionChanged();
        }
    };
    if (forceLoaded || kod != oldKod) {
        m_selection = {Selection::Conductor, 0, -1};
        emit projectLoaded();
        emit selectionChanged();
        return;
    }
    if (!(old.project == m_snap.project))
        emit projectChanged();
    if (old.conductors.size() != m_snap.conductors.size()) {
        emit conductorsChanged();
    } else {
        bool other = false;
        for (std::size_t i = 0; i < m_snap.conductors.size(); ++i) {
            const auto &a = old.conductors[i];
            const auto &b = m_snap.conductors[i];
            if (a.MX != b.MX || a.MY != b.MY)
                emit conductorMoved(static_cast<int>(i));
            if (!(a == b))
                other = true;
        }
        if (other)
            emit conductorsChanged();
    }
    std::map<int, const ObjectRec *> before;
    for (const auto &o : old.objects)
        before[o.Kod.value_or(-1)] = &o;
    for (const auto &o : m_snap.objects) {
        const int k = o.Kod.value_or(-1);
        auto it = before.find(k);
        if (it == before.end())
            emit objectAdded(k);
        else {
            if (!(*it->second == o))
                emit objectChanged(k);
            before.erase(it);
        }
    }
    for (const auto &kv : before)
        emit objectRemoved(kv.first);
    fixSelection();
}

void ProjectDocument::runAutoPodborIfTicked()
{
    if (!m_autoPodbor || storedProjectKod() < 0)
        return;
    runAutoPodbor(m_dm);
    m_zoneSuffix = std::string();
}

bool ProjectDocument::execute(const QString &text, const std::function<void()> &op, int scope,
                              bool zones, std::optional<std::string> shows)
{
    return execute(text, op, scope, zones, std::move(shows), m_autoPodbor);
}

bool ProjectDocument::execute(const QString &text, const std::function<void()> &op, int scope,
                              bool zones, std::optional<std::string> shows, bool autoPodborAfter)
{
    std::set<int> projects;
    if (m_kod >= 0)
        projects.insert(m_kod);
    Image before;
    std::vector<std::int64_t> existing; // every project's key before the command
    try {
        before = capture(projects, scope);
        before.autoPodbor = m_autoPodbor;
        before.zones = m_zoneSuffix;
        if (m_dm.project().isOpen())
            existing = m_dm.project().keysUnder(0);
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return false;
    }
    try {
        // All or nothing: the rows of every file the command writes commit together, and a
        // failure (or a killed process) leaves them as they were.
        Transaction tx(m_dm, {TableId::Project, TableId::Mo, TableId::Object});
        op();
        cancelEdits(m_dm);
        if (zones) {
            m_zoneSuffix.reset();
            runAutoPodborIfTicked();
        } else if (shows) {
            m_zoneSuffix = shows;
        }
        tx.commit();
    } catch (const std::exception &e) {
        cancelEdits(m_dm);
        const std::string what = e.what();
        prompter().error(what.rfind("Ошибка.", 0) == 0 ? what : "Ошибка. " + what);
        reload(false);
        emit zonesRecomputed();
        return false;
    }
    // The step's images cover the same projects: the one current before and one the command
    // created. A project that existed before and only became current (the deletion returns to
    // another project) is not the step's to restore; capturing its rows only afterwards would
    // make the undo remove them as rows the step had added.
    if (scope & Underlays) {
        // A project the step deleted takes its underlay along (the step's undo brings it back).
        for (int kod : projects)
            if (!m_dm.project().rowByKey(kod))
                forgetProjectUnderlay(QString::fromStdString(m_dm.dataDir()), kod);
    }
    std::set<int> touched = projects;
    const int now = storedProjectKod();
    if (now >= 0 && std::find(existing.begin(), existing.end(), now) == existing.end())
        touched.insert(now);
    Image after = capture(touched, scope);
    after.autoPodbor = autoPodborAfter;
    after.zones = m_zoneSuffix;
    m_undo->push(new RowsCommand(this, text, std::move(before), std::move(after)));
    reload(false);
    emit zonesRecomputed();
    return true;
}

// --- Start-up and project commands --------------------------------------------------------

void ProjectDocument::openLastProject()
{
    try {
        const SettingsRec s = loadSettings(m_dm);
        Table &p = m_dm.project();
        if (p.isOpen() && !p.isEmpty()) {
            if (!(s.LastProj && p.gotoBookmark(*s.LastProj)))
                p.first();
        }
    } catch (const TableError &e) {
        prompter().error(e.what());
    }
    showOpenedProject();
}

void ProjectDocument::showOpenedProject()
{
    m_undo->clear();
    m_zoneSuffix.reset();
    reload(true);
    try {
        runAutoPodborIfTicked();
    } catch (const std::exception &e) {
        prompter().error(e.what());
    }
    reload(false);
    emit zonesRecomputed();
}

void ProjectDocument::storeLastProject()
{
    try {
        Table &par = m_dm.param();
        if (!par.isOpen() || par.isEmpty() || m_kod < 0)
            return;
        par.first();
        if (par.edit()) {
            par.setValue("LastProj", m_kod);
            if (!par.post())
                par.cancel();
        }
    } catch (const TableError &e) {
        prompter().error(e.what());
    }
}

bool ProjectDocument::openProject(int kod)
{
    try {
        if (!m_dm.project().gotoBookmark(kod))
            return false;
    } catch (const TableError &e) {
        prompter().error(e.what());
        return false;
    }
    showOpenedProject();
    return true;
}

std::optional<int> ProjectDocument::createProject(const ProjectInput &in)
{
    if (in.typeIndex == kTypeIndexMultiRod && !prepareMultiRod())
        return std::nullopt;
    int kod = -1;
    if (!execute(QStringLiteral("создание проекта"), [&] { kod = kv::createProject(m_dm, in); }))
        return std::nullopt;
    // A new project may take the key of a removed one: no underlay of that one stays with it.
    forgetProjectUnderlay(QString::fromStdString(m_dm.dataDir()), kod);
    selectConductor(0);
    return kod;
}

bool ProjectDocument::editProject(const ProjectInput &in)
{
    if (!hasProject())
        return false;
    std::vector<std::string> lost;
    try {
        lost = objectsLostByEdit(m_dm, in);
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return false;
    }
    if (!lost.empty()) {
        std::string q = "Внимание. После изменения параметров проекта следующие объекты не нуждаются "
                        "в молниезащите и будут удалены из проекта:";
        for (const auto &n : lost)
            q += "\r\"" + n + "\"";
        q += "\rПродолжить?";
        if (!prompter().ask(q))
            return false;
    }
    if (in.typeIndex == kTypeIndexMultiRod && !prepareMultiRod())
        return false;
    const bool ok = execute(QStringLiteral("изменение проекта"), [&] {
        QuietRemovalPrompter quiet(prompter());
        PrompterSwap swap(m_dm, quiet);
        kv::editProject(m_dm, in);
    });
    if (ok)
        selectConductor(0);
    return ok;
}

bool ProjectDocument::deleteProject()
{
    if (!hasProject())
        return false;
    if (!prompter().ask("Удалить текущий проект?"))
        return false;
    const bool ok = execute(
        QStringLiteral("удаление проекта"), [&] { deleteCurrentProject(m_dm); },
        Placement | Underlays);
    if (ok && hasProject())
        selectConductor(0);
    return ok;
}

std::optional<int> ProjectDocument::saveProjectAs(std::optional<std::string> name)
{
    if (!hasProject())
        return std::nullopt;
    if (!name) {
        // The box takes no more than the stored name holds, so OK never meets a refusal.
        name = prompter().input("Сохранить как...", "Наименование проекта:",
                                m_snap.project.Name.value_or("") + "_1",
                                fieldSize(TableId::Project, "Name"));
        if (!name)
            return std::nullopt;
    }
    int kod = -1;
    const int from = m_kod;
    // The copy gets the underlay too: its files are written before the rows commit, so a copy
    // that cannot be written leaves no new project.
    if (!execute(
            QStringLiteral("сохранение проекта под другим именем"),
            [&] {
                kod = copyCurrentProject(m_dm, *name);
                copyProjectUnderlay(QString::fromStdString(m_dm.dataDir()), from, kod);
            },
            Placement | Underlays))
        return std::nullopt;
    selectConductor(0);
    return kod;
}

bool ProjectDocument::changeUnderlay(const QString &text, const std::function<void()> &op)
{
    if (!hasProject())
        return false;
    const bool ok = execute(text, op, Underlays, false);
    if (ok)
        emit underlayChanged();
    return ok;
}

bool ProjectDocument::saveProjectFile(const QString &path)
{
    if (!hasProject())
        return false;
    try {
        kv::saveProjectFile(m_dm, path.toStdString());
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return false;
    }
    return true;
}

std::optional<int> ProjectDocument::openProjectFile(const QString &path)
{
    // The file is read and checked whole before anything is written.
    nlohmann::ordered_json file;
    try {
        file = readProjectFile(path.toStdString());
    } catch (const std::bad_alloc &) {
        prompter().error("Ошибка. Недостаточно памяти.");
        return std::nullopt;
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return std::nullopt;
    }
    // A multiple rod project needs its folder prepared first (never inside a command).
    try {
        prepareMultiRodImport(m_dm, file);
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return std::nullopt;
    }
    int kod = -1;
    if (!execute(
            QStringLiteral("открытие файла проекта"),
            [&] { kod = enterProjectFile(m_dm, file, path.toStdString()); }, Placement))
        return std::nullopt;
    selectConductor(0);
    return kod;
}

// --- Object commands ---------------------------------------------------------------------

std::optional<int> ProjectDocument::addObject(const ObjectRec &values)
{
    if (!hasProject())
        return std::nullopt;
    int kod = -1;
    if (!execute(
            QStringLiteral("добавление объекта"), [&] { kod = kv::addObject(m_dm, values); },
            Names))
        return std::nullopt;
    select({Selection::Object, 0, kod});
    return kod;
}

bool ProjectDocument::editObject(int kod, const ObjectRec &values)
{
    if (!object(kod))
        return false;
    return execute(
        QStringLiteral("изменение объекта"), [&] { kv::editObject(m_dm, kod, values); }, Names);
}

bool ProjectDocument::deleteObject(int kod)
{
    if (!object(kod))
        return false;
    if (!execute(QStringLiteral("удаление объекта"), [&] { kv::deleteObject(m_dm, kod); }))
        return false;
    selectConductor(0);
    return true;
}

std::optional<int> ProjectDocument::duplicateObject(int kod)
{
    if (!object(kod))
        return std::nullopt;
    int copy = -1;
    if (!execute(QStringLiteral("дублирование объекта"),
                 [&] { copy = kv::duplicateObject(m_dm, kod); }))
        return std::nullopt;
    select({Selection::Object, 0, copy});
    return copy;
}

// --- Moving ----------------------------------------------------------------------------

bool ProjectDocument::changeSelectedPosition(
    const std::function<void(const Selection &)> &change)
{
    const Selection s = m_selection;
    if (!hasProject() || s.kind == Selection::None)
        return false;
    const bool ok = execute(QStringLiteral("перемещение"), [&] { change(s); });
    select(s);
    return ok;
}

bool ProjectDocument::moveSelected(double dx, double dy)
{
    return changeSelectedPosition([&](const Selection &s) {
        if (s.kind == Selection::Conductor)
            moveConductor(m_dm, s.position, dx, dy);
        else
            moveObject(m_dm, s.objectKod, dx, dy);
    });
}

bool ProjectDocument::dropSelected(double x, double y)
{
    return changeSelectedPosition([&](const Selection &s) {
        if (s.kind == Selection::Conductor)
            dropConductor(m_dm, s.position, x, y);
        else
            dropObject(m_dm, s.objectKod, x, y);
    });
}

bool ProjectDocument::isMultiRod() const
{
    return conductorTypeOf(m_snap.project.TipMO.value_or("")) == ConductorType::MultiRod;
}

bool ProjectDocument::prepareMultiRod()
{
    try {
        prepareMultiRodFolder(m_dm);
    } catch (const std::exception &e) {
        prompter().error(e.what());
        return false;
    }
    return true;
}

std::optional<int> ProjectDocument::addRod()
{
    if (!hasProject() || !isMultiRod() || m_snap.conductors.empty())
        return std::nullopt;
    // Beside the selected rod, one grid step short of 5 m to the right.
    const std::size_t from = m_selection.kind == Selection::Conductor
                                 ? std::min<std::size_t>(static_cast<std::size_t>(std::max(0, m_selection.position)),
                                                         m_snap.conductors.size() - 1)
                                 : m_snap.conductors.size() - 1;
    const ConductorRec &c = m_snap.conductors[from];
    int pos = -1;
    if (!execute(QStringLiteral("добавление опоры"), [&] {
            pos = kv::addRod(m_dm, c.MX.value_or(0) + 5, c.MY.value_or(0));
        }))
        return std::nullopt;
    selectConductor(pos);
    return pos;
}

bool ProjectDocument::deleteRod()
{
    if (!hasProject() || !isMultiRod() || m_selection.kind != Selection::Conductor)
        return false;
    const int pos = m_selection.position;
    const bool ok = execute(QStringLiteral("удаление опоры"), [&] { kv::deleteRod(m_dm, pos); });
    if (ok)
        selectConductor(std::max(0, pos - 1));
    return ok;
}

bool ProjectDocument::snapAllToGrid()
{
    if (!hasProject())
        return false;
    const Selection s = m_selection;
    const bool ok = execute(QStringLiteral("привязку к сетке"), [&] { kv::snapAllToGrid(m_dm); });
    select(s);
    return ok;
}

bool ProjectDocument::runPodbor()
{
    if (!hasProject())
        return false;
    const bool ok = execute(
        QStringLiteral("ориентировочный подбор"), [&] { runAutoPodbor(m_dm); }, Rows, false,
        std::string());
    if (ok)
        setZoneSuffix(std::string());
    return ok;
}

bool ProjectDocument::switchAutoPodbor(bool on)
{
    if (!on || !hasProject() || m_snap.objects.empty()) {
        setAutoPodbor(on);
        return true;
    }
    // Ticking runs the selection at once: one step, whose undo also unticks the box.
    const bool ok = execute(
        QStringLiteral("автоподбор"), [&] { runAutoPodbor(m_dm); }, Rows, false, std::string(),
        true);
    setAutoPodbor(true);
    if (ok)
        setZoneSuffix(std::string());
    return ok;
}

} // namespace kv
