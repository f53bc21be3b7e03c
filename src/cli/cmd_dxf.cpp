// korvan-cli import-dxf: the objects of a DXF site plan into a project.

#include "cli/cliprompter.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "calc/numfmt.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "plan/dxfimport.h"
#include "plan/underlay.h"

#include <algorithm>
#include <limits>
#include <ostream>
#include <sstream>

namespace kv::cli {

namespace {

constexpr const char *kUsage =
    "usage: korvan-cli import-dxf KOD FILE.dxf [--layers A,B] [--units m|mm] [--height H]\n";

std::vector<std::string> splitList(const std::string &s)
{
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty())
            out.push_back(item);
    return out;
}

int cmdImportDxf(Context &ctx)
{
    if (ctx.args.size() < 2) {
        ctx.err << kUsage;
        return kExitRefused;
    }
    const int kod = static_cast<int>(
        parseIntegerArg(ctx.args[0], "код проекта", 1, std::numeric_limits<int>::max()));
    const std::string file = ctx.args[1];
    std::optional<std::vector<std::string>> layers;
    std::optional<double> unit;
    double height = 10.0;
    for (size_t i = 2; i < ctx.args.size(); ++i) {
        const std::string &a = ctx.args[i];
        if (i + 1 >= ctx.args.size()) {
            ctx.err << kUsage;
            return kExitRefused;
        }
        const std::string &v = ctx.args[++i];
        if (a == "--layers") {
            layers = splitList(v);
        } else if (a == "--units") {
            if (v != "m" && v != "mm")
                throw InputRefused("Ошибка. Единицы чертежа (--units): m или mm, а не \"" + v + "\".");
            unit = v == "m" ? 1.0 : 0.001;
        } else if (a == "--height") {
            const auto h = parseNumber(v);
            if (!h || !(*h > 0) || *h > 1000)
                throw InputRefused("Ошибка. Высота по умолчанию (--height) должна быть числом больше "
                                   "0 и не больше 1000, а не \"" + v + "\".");
            height = *h;
        } else {
            ctx.err << kUsage;
            return kExitRefused;
        }
    }

    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    if (!locateProject(*dm, kod))
        throw InputRefused("Ошибка. Проект с кодом " + ctx.args[0] + " не найден.");
    try {
        const DxfDrawing d = readDxfFile(QString::fromStdString(file));
        if (!unit && d.insUnits)
            unit = metresPerUnit(*d.insUnits);
        if (!unit && d.insUnits && *d.insUnits != 0)
            throw InputRefused("Ошибка. Единицы чертежа " + file +
                               " ($INSUNITS = " + std::to_string(*d.insUnits) +
                               ") не подходят для плана: задайте --units m или --units mm.");
        if (!unit)
            throw InputRefused("Ошибка. В чертеже " + file
                               + " не указаны единицы ($INSUNITS): задайте --units m или --units mm.");
        DxfImportOptions opt;
        opt.metresPerUnit = *unit;
        opt.defaultHeight = height;
        if (layers) {
            // "A, B" names the layers A and B unless a layer is called " B"; as in CAD, a
            // layer's name is the same in capitals and small letters.
            for (const std::string &l : *layers) {
                std::string name = l;
                if (std::find(d.layers.begin(), d.layers.end(), l) == d.layers.end()) {
                    const QString trimmed = QString::fromStdString(l).trimmed();
                    name = trimmed.toStdString();
                    for (const std::string &known : d.layers)
                        if (QString::fromStdString(known).compare(trimmed, Qt::CaseInsensitive) == 0)
                            name = known;
                }
                opt.layers.push_back(name);
            }
        } else {
            // Layers frozen or turned off in the drawing are not seen there, so they are left
            // out unless named.
            for (const auto &l : summarizeLayers(d))
                if (l.outlines + l.circles > 0 &&
                    std::find(d.hiddenLayers.begin(), d.hiddenLayers.end(), l.name) ==
                        d.hiddenLayers.end())
                    opt.layers.push_back(l.name);
        }
        const QString dataDir = QString::fromStdString(dm->dataDir());
        const SettingsRec settings = loadSettings(*dm);
        const double step = settings.ObjShag && *settings.ObjShag > 0 ? *settings.ObjShag : 1.0;
        const DxfImportPlan plan =
            planDxfImport(d, opt, step, loadUnderlaySettings(dataDir, kod).shift);
        const auto none = objectsNeedingNoProtection(*dm, plan);
        if (!none.empty())
            ctx.err << noProtectionQuestion(none) << "\n";
        int entered = 0;
        {
            Transaction tx(*dm, {TableId::Project, TableId::Object});
            entered = enterImportedObjects(*dm, plan, step);
            tx.commit();
        }
        rememberDxfShift(dataDir, kod, plan.shift, opt.metresPerUnit);
        const std::vector<bool> needed = protectionNeeded(*dm, plan);
        for (std::size_t i = 0; i < plan.objects.size(); ++i) {
            if (!needed[i])
                continue;
            const ImportedObject &o = plan.objects[i];
            ctx.out << o.name << "\t" << formatGeneral(o.x) << "\t" << formatGeneral(o.y) << "\t"
                    << formatGeneral(o.L) << "\t" << formatGeneral(o.S) << "\t"
                    << formatGeneral(o.Hx) << "\t" << o.buildingClass << "\n";
        }
        ctx.err << "Импортировано объектов: " << entered;
        if (plan.boundingCount > 0)
            ctx.err << "; повернутых или неправильных контуров (взяты описанные прямоугольники): "
                    << plan.boundingCount;
        ctx.err << ".\n";
    } catch (const DxfRefused &e) {
        throw InputRefused(e.what());
    } catch (const UnderlayError &e) {
        throw InputRefused(e.what());
    }
    return kExitOk;
}

} // namespace

KV_CLI_COMMAND(importDxf, "import-dxf",
               "import-dxf KOD FILE.dxf [--layers A,B] [--units m|mm] [--height H]   the closed "
               "outlines and circles of a DXF plan as objects",
               cmdImportDxf);

} // namespace kv::cli
