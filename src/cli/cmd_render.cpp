// korvan-cli render: the zone pictures of a project (and optionally the zone overlay of both
// views) written to picture files, headless.

#include "calc/limits.h"
#include "cli/cliprompter.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "data/outputfile.h"
#include "data/snapshot.h"
#include "plan/drawingsettings.h"
#include "plan/picturefile.h"
#include "plan/planview.h"
#include "plan/underlay.h"
#include "plan/zonedxf.h"
#include "plan/zoneoverlay.h"
#include "plan/zonepictures.h"

#include "cli/guiapp.h"
#include <limits>
#include <memory>
#include <new>

namespace kv::cli {


namespace {

constexpr const char *kUsage =
    "usage: korvan-cli render KOD [--suffix design|chosen] --top FILE --front FILE\n"
    "       (FILE: .png, .bmp, .jpg, .emf, .wmf, or .dxf for a drawing in metres)\n"
    "       [--overlay-top FILE --overlay-front FILE --width W --height H]\n";

bool parseInt(const std::string &s, int &out)
{
    try {
        size_t pos = 0;
        out = std::stoi(s, &pos);
        return pos == s.size();
    } catch (...) {
        return false;
    }
}

bool isDxf(const std::string &path)
{
    return QString::fromStdString(path).endsWith(QLatin1String(".dxf"), Qt::CaseInsensitive);
}

// An output name the command cannot write is refused before anything is computed or written.
void checkOutputName(const std::string &path, bool dxfAllowed)
{
    if (path.empty() || (dxfAllowed && isDxf(path)))
        return;
    PictureFormat fmt;
    if (!pictureFormatFromPath(QString::fromStdString(path), fmt))
        throw InputRefused("Ошибка. Неизвестный формат файла " + path
                           + (dxfAllowed ? " (.bmp, .jpg, .emf, .wmf, .png, .dxf)."
                                         : " (.bmp, .jpg, .emf, .wmf, .png)."));
}

// Writes one picture; a file that cannot be written is reported and gives false.
bool save(Context &ctx, const QImage &img, const std::string &path)
{
    PictureFormat fmt;
    const QString qpath = QString::fromStdString(path);
    pictureFormatFromPath(qpath, fmt);
    if (img.isNull())
        throw std::bad_alloc(); // a picture within the limits that could not be drawn
    QString error;
    if (!savePicture(img, qpath, fmt, &error)) {
        ctx.err << error.toStdString() << "\n";
        return false;
    }
    ctx.out << path << ": " << img.width() << " x " << img.height() << "\n";
    return true;
}

int cmdRender(Context &ctx)
{
    if (ctx.args.empty()) {
        ctx.err << kUsage;
        return kExitRefused;
    }
    const int kod = static_cast<int>(
        parseIntegerArg(ctx.args[0], "код проекта", 1, std::numeric_limits<int>::max()));
    std::string suffixArg, top, front, overlayTop, overlayFront;
    int width = 800, height = 600;
    for (size_t i = 1; i < ctx.args.size(); ++i) {
        const std::string &a = ctx.args[i];
        const bool hasValue = i + 1 < ctx.args.size();
        if (!hasValue) {
            ctx.err << kUsage;
            return 2;
        }
        const std::string &v = ctx.args[++i];
        if (a == "--suffix")
            suffixArg = v;
        else if (a == "--top")
            top = v;
        else if (a == "--front")
            front = v;
        else if (a == "--overlay-top")
            overlayTop = v;
        else if (a == "--overlay-front")
            overlayFront = v;
        else if (a == "--width" && parseInt(v, width) && width > 0)
            continue;
        else if (a == "--height" && parseInt(v, height) && height > 0)
            continue;
        else {
            ctx.err << kUsage;
            return 2;
        }
    }
    if (!suffixArg.empty() && suffixArg != "design" && suffixArg != "chosen") {
        ctx.err << kUsage;
        return 2;
    }
    if (static_cast<long long>(width) > limits::kMaxPictureSide
        || static_cast<long long>(height) > limits::kMaxPictureSide
        || static_cast<long long>(width) * height * 4 > limits::kMaxPictureBytes)
        throw InputRefused("Ошибка. Размер рисунка " + std::to_string(width) + " x "
                           + std::to_string(height) + " пикселей больше допустимого (не более "
                           + std::to_string(limits::kMaxPictureSide) + " пикселей по стороне и "
                           + std::to_string(limits::kMaxPictureBytes / (1024 * 1024))
                           + " МБ на рисунок).");
    if (top.empty() && front.empty() && overlayTop.empty() && overlayFront.empty()) {
        ctx.err << kUsage;
        return 2;
    }
    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    // No picture or drawing replaces a file of the data folder it is drawn from.
    if (dm) {
        for (const std::string &path : {top, front, overlayTop, overlayFront})
            if (const std::string refusal = dataFolderFileRefusal(dm->dataDir(), path);
                !refusal.empty())
                throw InputRefused(refusal);
    }
    checkOutputName(top, true);
    checkOutputName(front, true);
    checkOutputName(overlayTop, false);
    checkOutputName(overlayFront, false);
    if (!dm || !locateProject(*dm, kod))
        throw InputRefused("Ошибка. Проект с кодом " + std::to_string(kod) + " не найден.");
    const ProjectSnapshot snap = loadProjectSnapshot(*dm, kod);
    const SettingsRec settingsRec = loadSettings(*dm);
    if (snap.conductors.empty())
        throw InputRefused("Ошибка. У проекта нет молниеотвода.");

    // Without --suffix the preview's rule applies: the chosen conductor when there is one.
    // A named suffix needs its own results: the chosen conductor's or the selection's.
    std::string suffix;
    const ConductorRec &c = snap.conductors.front();
    if (suffixArg.empty()) {
        const auto chosen = previewSuffix(snap);
        if (!chosen)
            throw InputRefused(kMsgPreviewImpossible);
        suffix = *chosen;
    } else if (suffixArg == "chosen") {
        if (!c.H1)
            throw InputRefused("Просмотр невозможен. Необходимо выполнить выбор молниеотвода.");
        suffix = "1";
    } else {
        if (!c.H)
            throw InputRefused("Просмотр невозможен. Необходимо выполнить ориентировочный подбор "
                               "молниеотвода.");
    }

    ensureGuiApplication();
    PlanViewModel model;
    model.LoadDrawingSettings(LoadDrawingSettings(settingsRec));
    model.ShowProjectShapes(snap);
    // The underlay is drawn when it is shown in the project window, as the window draws it.
    const QString dataDir = QString::fromStdString(dm->dataDir());
    if (const UnderlaySettings u = loadUnderlaySettings(dataDir, kod);
        u.kind != UnderlayKind::None && u.shown) {
        try {
            model.setUnderlay(loadUnderlayPicture(dataDir, kod, u));
        } catch (const UnderlayError &e) {
            ctx.err << e.what() << "\n";
        }
    }

    bool ok = true;
    // A .dxf name gets the drawing in metres, any other the picture.
    const std::string dxfTop = isDxf(top) ? top : std::string();
    const std::string dxfFront = isDxf(front) ? front : std::string();
    const std::string picTop = isDxf(top) ? std::string() : top;
    const std::string picFront = isDxf(front) ? std::string() : front;
    if (!dxfTop.empty() || !dxfFront.empty()) {
        if (const std::string refused =
                zoneDxfTooLarge(snap, model.settings(), suffix, model.frontImageHeight());
            !refused.empty())
            throw InputRefused(refused);
        QString error;
        if (!writeZoneDxf(snap, model, suffix, QString::fromStdString(dxfTop),
                          QString::fromStdString(dxfFront), &error)) {
            ctx.err << error.toStdString() << "\n";
            ok = false;
        }
        for (const std::string &p : {dxfTop, dxfFront})
            if (ok && !p.empty())
                ctx.out << p << ": DXF\n";
    }
    if (!picTop.empty() || !picFront.empty()) {
        const ZonePictures pics = RenderZonePictures(snap, model, suffix);
        if (!pics.refused.empty())
            throw InputRefused(pics.refused);
        if (!picTop.empty())
            ok = save(ctx, pics.top, picTop) && ok;
        if (!picFront.empty())
            ok = save(ctx, pics.front, picFront) && ok;
    }
    if (!overlayTop.empty() || !overlayFront.empty()) {
        ViewBitmaps views;
        views.topSize = QSize(width, height);
        DrawZones(views, model, snap, suffix);
        if (!overlayTop.empty())
            ok = save(ctx, views.top, overlayTop) && ok;
        if (!overlayFront.empty())
            ok = save(ctx, views.front, overlayFront) && ok;
    }
    return ok ? kExitOk : kExitFailed;
}

} // namespace

KV_CLI_COMMAND(render, "render",
               "render KOD [--suffix design|chosen] --top F --front F [--overlay-top F "
               "--overlay-front F --width W --height H]   zone pictures to .bmp/.jpg/.emf/.wmf/.png/.dxf",
               cmdRender);

} // namespace kv::cli
