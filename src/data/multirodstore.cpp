#include "data/multirodstore.h"

#include <filesystem>

#include "data/snapshot.h"
#include "data/transaction.h"

namespace kv {

namespace {

constexpr int kKindPair = 1;
constexpr int kKindObject = 2;

// Rod numbers are stored from 1, as the window and the report show them.
void putRod(Table &t, const char *f, int rod)
{
    setOptional(t, f, rod >= 0 ? OptI{rod + 1} : OptI{});
}

int rodOf(const Table &t, const char *f)
{
    const OptI v = t.value(f).optInt();
    return v ? *v - 1 : -1;
}

} // namespace

void prepareMultiRodFolder(DataModule &dm)
{
    Table &t = dm.table(TableId::MRod);
    if (t.isOpen() && dm.project().isMarked())
        return;
    // Files are made and renamed outside any command: a rollback could not take them back.
    if (dm.inTransaction())
        throw TableError("Ошибка. Папка данных не подготовлена для многократного молниеотвода.");
    if (!t.isOpen()) {
        const std::string path = dm.dataDir() + t.def().fileName;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            createTableFile(path, TableId::MRod);
        t.open(dm.dataDir());
    }
    dm.project().markFile();
}

bool isMultiRodProject(DataModule &dm)
{
    Table &p = dm.project();
    return p.isOpen() && !p.isEmpty()
           && conductorTypeOf(p.asText("TipMO")) == ConductorType::MultiRod;
}

MultiRodResult loadMultiRod(DataModule &dm)
{
    MultiRodResult r;
    Table &t = dm.table(TableId::MRod);
    if (!t.isOpen() || !isMultiRodProject(dm))
        return r;
    RowKeeper keep(t);
    for (t.first(); !t.eof(); t.next()) {
        const int kind = t.value("Kind").optInt().value_or(0);
        if (kind == kKindPair) {
            MultiRodPair p;
            p.i = rodOf(t, "MO1");
            p.j = rodOf(t, "MO2");
            p.L = t.value("L").optDouble().value_or(0);
            p.L_H = t.value("L_H").optDouble();
            p.regimeA = t.value("RejimA").optInt();
            p.regimeB = t.value("RejimB").optInt();
            p.Hc_a = t.value("Hc_a").optDouble();
            p.Rc_a = t.value("Rc_a").optDouble();
            p.Hc_b = t.value("Hc_b").optDouble();
            p.Rc_b = t.value("Rc_b").optDouble();
            p.useAs2 = t.value("UseAs2").optBool().value_or(false);
            const OptD h = t.value("H").optDouble();
            p.governs = h.has_value();
            p.Hneed = h.value_or(0);
            p.L_H1 = t.value("L_H1").optDouble();
            p.Hc_a1 = t.value("Hc_a1").optDouble();
            p.Rc_a1 = t.value("Rc_a1").optDouble();
            p.Hc_b1 = t.value("Hc_b1").optDouble();
            p.Rc_b1 = t.value("Rc_b1").optDouble();
            r.pairs.push_back(p);
        } else if (kind == kKindObject) {
            const int num = t.value("NumObj").optInt().value_or(0);
            if (num < 1 || num > 1000000)
                continue;
            if (r.objects.size() < static_cast<std::size_t>(num))
                r.objects.resize(static_cast<std::size_t>(num));
            MultiRodObject &o = r.objects[static_cast<std::size_t>(num - 1)];
            o.rods[0] = rodOf(t, "MO1");
            o.rods[1] = rodOf(t, "MO2");
            o.rods[2] = rodOf(t, "MO3");
            o.by = o.rods[2] >= 0   ? MultiRodElement::Triangle
                   : o.rods[1] >= 0 ? MultiRodElement::Pair
                                    : MultiRodElement::None;
            o.H = t.value("H").optDouble();
            o.unreachable = o.by == MultiRodElement::None && t.value("UseAs2").optBool() == true;
            o.Rcx = t.value("Rcx").optDouble();
            o.Rcx1 = t.value("Rcx1").optDouble();
        }
    }
    return r;
}

void storeMultiRodResults(DataModule &dm, const ProjectSnapshot &snap, const MultiRodResult &r)
{
    Table &t = dm.table(TableId::MRod);
    if (!t.isOpen())
        prepareMultiRodFolder(dm);
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object, TableId::MRod});
    storeProjectResults(dm, snap);
    const int kod = dm.project().asInt("Kod");
    for (auto k : t.keysUnder(kod))
        t.removeRowByKey(k);
    const auto append = [&](int kind) {
        if (!t.append())
            throw TableError("Ошибка. Не удалось сохранить результаты подбора.");
        t.setValue("Kind", kind);
    };
    const auto post = [&] {
        if (!t.post()) {
            t.cancel();
            throw TableError("Ошибка. Не удалось сохранить результаты подбора.");
        }
    };
    for (const MultiRodPair &p : r.pairs) {
        append(kKindPair);
        putRod(t, "MO1", p.i);
        putRod(t, "MO2", p.j);
        t.setValue("L", p.L);
        setOptional(t, "L_H", p.L_H);
        setOptional(t, "RejimA", p.regimeA);
        setOptional(t, "RejimB", p.regimeB);
        setOptional(t, "Hc_a", p.Hc_a);
        setOptional(t, "Rc_a", p.Rc_a);
        setOptional(t, "Hc_b", p.Hc_b);
        setOptional(t, "Rc_b", p.Rc_b);
        t.setValue("UseAs2", p.useAs2);
        setOptional(t, "H", p.governs ? OptD{p.Hneed} : OptD{});
        setOptional(t, "L_H1", p.L_H1);
        setOptional(t, "Hc_a1", p.Hc_a1);
        setOptional(t, "Rc_a1", p.Rc_a1);
        setOptional(t, "Hc_b1", p.Hc_b1);
        setOptional(t, "Rc_b1", p.Rc_b1);
        post();
    }
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const MultiRodObject &o = r.objects[i];
        append(kKindObject);
        t.setValue("NumObj", static_cast<int>(i + 1));
        const int rods = o.by == MultiRodElement::Triangle ? 3
                         : o.by == MultiRodElement::Pair   ? 2
                                                           : 0;
        putRod(t, "MO1", rods > 0 ? o.rods[0] : -1);
        putRod(t, "MO2", rods > 1 ? o.rods[1] : -1);
        putRod(t, "MO3", rods > 2 ? o.rods[2] : -1);
        // An unreachable object: no element, the flag kept in UseAs2.
        if (o.unreachable)
            t.setValue("UseAs2", true);
        setOptional(t, "H", o.H);
        setOptional(t, "Rcx", o.Rcx);
        setOptional(t, "Rcx1", o.Rcx1);
        post();
    }
    tx.commit();
}

} // namespace kv
