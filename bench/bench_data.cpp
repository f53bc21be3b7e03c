// Cost of the commands of the table store: storing a selection's results of a 100-object project
// (must stay well inside one frame, 16 ms) and importing a project of 20 000 objects.

#include "calc/podbor.h"
#include "data/datamodule.h"
#include "data/objectops.h"
#include "data/recordingprompter.h"
#include "data/snapshot.h"
#include "data/transaction.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

using namespace kv;

namespace {

class Folder {
public:
    Folder()
    {
        std::string t = (std::filesystem::temp_directory_path() / "kvbench-XXXXXX").string();
        if (!mkdtemp(t.data()))
            std::abort();
        path = t + "/";
        createInstallationData(path);
        dm = std::make_unique<DataModule>(path, prompter);
        dm->openAll();
    }
    ~Folder()
    {
        dm.reset();
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
    RecordingPrompter prompter;
    std::unique_ptr<DataModule> dm;
};

// A new current single-rod project with `count` objects in rows of 100, entered as one command.
void newProject(DataModule &dm, int count)
{
    Transaction tx(dm, {TableId::Project, TableId::Mo, TableId::Object});
    Table &p = dm.project();
    p.append();
    p.setValue("Name", "Проверка");
    p.setValue("ProdGrozMin", 60);
    p.setValue("ProdGrozMax", 79);
    p.setValue("Udarov", 6.0);
    p.setValue("TipMO", kTipSingleRod);
    p.setValue("IScale", 500);
    p.post();
    dm.mo().append();
    dm.mo().setValue("MX", 50.0);
    dm.mo().setValue("MY", 50.0);
    dm.mo().post();
    for (int i = 0; i < count; ++i) {
        ObjectEntry e;
        e.name = "Объект " + std::to_string(i + 1);
        e.buildingClass = 1 + i % 3;
        e.x = 10 + (i % 100) * 6;
        e.y = 10 + (i / 100) * 6;
        e.L = 4;
        e.S = 3;
        e.Hx = 3 + i % 7;
        enterObject(dm, e, 1.0, [&](Table &t) {
            t.setValue("Name", e.name);
            t.setValue("SLabel", std::to_string(i + 1));
            t.setValue("ObjColor", 255);
        });
    }
    CountZones(dm);
    tx.commit();
}

void BM_StoreSelection100(benchmark::State &state)
{
    Folder f;
    DataModule &dm = *f.dm;
    newProject(dm, 100);
    // Two selections at two conductor positions, so that every store changes every row.
    ProjectSnapshot at[2];
    for (int k = 0; k < 2; ++k) {
        at[k] = loadCurrentProject(dm);
        at[k].conductors[0].MX = 30.0 + 40 * k;
        CalcMessages m;
        AutoPodbor(at[k], loadSettings(dm), loadSagTable(dm), m);
    }
    int k = 0;
    for (auto _ : state) {
        storeProjectResults(dm, at[k]);
        k ^= 1;
    }
}
BENCHMARK(BM_StoreSelection100)->Unit(benchmark::kMillisecond);

void BM_Import20000(benchmark::State &state)
{
    Folder f;
    for (auto _ : state)
        newProject(*f.dm, 20000);
}
BENCHMARK(BM_Import20000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
