#include "plan/underlay.h"

#include "calc/limits.h"
#include "data/outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <nlohmann/json.hpp>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include <poppler-qt6.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv {

using json = nlohmann::json;

namespace {

QString jsonPath(const QString &dataDir, int kod)
{
    return underlayFolder(dataDir) + QStringLiteral("/%1.json").arg(kod);
}

const char *kindName(UnderlayKind k)
{
    switch (k) {
    case UnderlayKind::Dxf:
        return "dxf";
    case UnderlayKind::Image:
        return "image";
    case UnderlayKind::Pdf:
        return "pdf";
    default:
        return "";
    }
}

UnderlayKind kindOf(const std::string &s)
{
    if (s == "dxf")
        return UnderlayKind::Dxf;
    if (s == "image")
        return UnderlayKind::Image;
    if (s == "pdf")
        return UnderlayKind::Pdf;
    return UnderlayKind::None;
}

double num(const json &j, const char *k, double def)
{
    const auto it = j.find(k);
    if (it == j.end() || !it->is_number())
        return def;
    const double v = it->get<double>();
    return std::isfinite(v) ? v : def;
}

QPointF point(const json &j, const char *k)
{
    const auto it = j.find(k);
    if (it == j.end() || !it->is_array() || it->size() != 2 || !(*it)[0].is_number()
        || !(*it)[1].is_number())
        return {};
    return {(*it)[0].get<double>(), (*it)[1].get<double>()};
}

// A file name the settings may point at: the project's own copy, nothing with a path.
bool plainName(const std::string &f)
{
    return !f.empty() && f.find('/') == std::string::npos && f.find('\\') == std::string::npos
           && f != "." && f != "..";
}

void addArcSegments(std::vector<QLineF> &out, QPointF c, double r, double a0Deg, double a1Deg)
{
    double sweep = a1Deg - a0Deg;
    while (sweep <= 0)
        sweep += 360;
    const int n = std::clamp(static_cast<int>(std::ceil(sweep / 10)), 2, 36);
    QPointF prev;
    for (int i = 0; i <= n; ++i) {
        const double a = (a0Deg + sweep * i / n) * std::numbers::pi / 180;
        const QPointF p(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i > 0)
            out.emplace_back(prev, p);
        prev = p;
    }
}

} // namespace

QString underlayFolder(const QString &dataDir) { return dataDir + QStringLiteral("/underlay"); }

UnderlaySettings loadUnderlaySettings(const QString &dataDir, int projectKod)
{
    UnderlaySettings s;
    QFile f(jsonPath(dataDir, projectKod));
    if (!f.open(QIODevice::ReadOnly) || f.size() > 1024 * 1024)
        return s;
    const json j = json::parse(f.readAll().toStdString(), nullptr, false);
    if (!j.is_object())
        return s;
    if (const auto it = j.find("shift"); it != j.end() && it->is_object()) {
        const double unit = num(*it, "unit", 0);
        if (unit > 0) {
            s.shift = PlanShift{num(*it, "x", 0), num(*it, "y", 0)};
            s.metresPerUnit = unit;
        }
    }
    if (const auto it = j.find("underlay"); it != j.end() && it->is_object()) {
        const json &u = *it;
        s.kind = kindOf(u.value("kind", std::string()));
        s.file = u.contains("file") && u["file"].is_string() ? u["file"].get<std::string>() : "";
        // Only the project's own copy, never a path or another project's file (which removing
        // this underlay would delete).
        if (!plainName(s.file) || s.file.rfind(std::to_string(projectKod) + ".", 0) != 0)
            s.kind = UnderlayKind::None;
        s.page = static_cast<int>(std::clamp(num(u, "page", 0), 0.0, 100000.0));
        s.p1 = point(u, "p1");
        s.p2 = point(u, "p2");
        s.distance = num(u, "distance", 0);
        s.at = point(u, "at");
        s.shown = u.contains("shown") && u["shown"].is_boolean() ? u["shown"].get<bool>() : true;
        if (s.kind == UnderlayKind::None)
            s.file.clear();
    }
    return s;
}

void saveUnderlaySettings(const QString &dataDir, int projectKod, const UnderlaySettings &s)
{
    json j = json::object();
    if (s.shift)
        j["shift"] = {{"x", s.shift->x}, {"y", s.shift->y}, {"unit", s.metresPerUnit}};
    if (s.kind != UnderlayKind::None) {
        j["underlay"] = {{"kind", kindName(s.kind)},
                         {"file", s.file},
                         {"page", s.page},
                         {"p1", {s.p1.x(), s.p1.y()}},
                         {"p2", {s.p2.x(), s.p2.y()}},
                         {"distance", s.distance},
                         {"at", {s.at.x(), s.at.y()}},
                         {"shown", s.shown}};
    }
    if (!QDir().mkpath(underlayFolder(dataDir)))
        throw UnderlayError("Ошибка. Папка " + underlayFolder(dataDir).toStdString()
                            + " не создается.");
    std::string err;
    if (!writeOutputFile(jsonPath(dataDir, projectKod).toStdString(), j.dump(1) + "\n", &err))
        throw UnderlayError("Ошибка. Файл подложки не записан: " + err);
}

PlanShift shiftForDrawing(const DxfDrawing &d, double u, double gridStep)
{
    double minX = INFINITY, maxY = -INFINITY;
    auto add = [&](double x, double y) {
        minX = std::min(minX, x);
        maxY = std::max(maxY, y);
    };
    for (const auto &l : d.lines) {
        add(l.a.x, l.a.y);
        add(l.b.x, l.b.y);
    }
    for (const auto &a : d.arcs)
        add(a.centre.x - a.r, a.centre.y + a.r);
    for (const auto &c : d.circles)
        add(c.centre.x - c.r, c.centre.y + c.r);
    for (const auto &p : d.polylines)
        for (const auto &v : p.pts)
            add(v.x, v.y);
    for (const auto &t : d.texts)
        add(t.at.x, t.at.y + t.height);
    if (!std::isfinite(minX))
        return {gridStep, gridStep};
    return {gridStep - minX * u, gridStep + maxY * u};
}

void setUnderlayFile(const QString &dataDir, int projectKod, UnderlaySettings s,
                     const QString &sourcePath, double gridStep)
{
    QFile src(sourcePath);
    if (!src.open(QIODevice::ReadOnly))
        throw UnderlayError("Ошибка. Файл " + sourcePath.toStdString() + " не открывается.");
    if (src.size() > limits::kMaxDxfReadBytes)
        throw UnderlayError("Ошибка. Файл " + QFileInfo(sourcePath).fileName().toStdString()
                            + " слишком велик для подложки.");
    const QByteArray bytes = src.readAll();
    std::string ext = QFileInfo(sourcePath).suffix().toLower().toStdString();
    if (s.kind == UnderlayKind::Dxf) {
        ext = "dxf";
        DxfDrawing d;
        try {
            d = readDxfText(bytes.toStdString(), sourcePath);
        } catch (const DxfRefused &e) {
            throw UnderlayError(e.what());
        }
        if (!s.shift)
            s.shift = shiftForDrawing(d, s.metresPerUnit, gridStep > 0 ? gridStep : 1.0);
    } else if (s.kind == UnderlayKind::Pdf) {
        ext = "pdf";
    } else if (ext != "png" && ext != "jpg" && ext != "jpeg") {
        throw UnderlayError("Ошибка. Подложкой может быть чертеж DXF, рисунок PNG или JPEG или "
                            "страница PDF.");
    }
    if (s.kind != UnderlayKind::Dxf
        && !(s.distance > 0 && QLineF(s.p1, s.p2).length() > 0))
        throw UnderlayError("Ошибка. Укажите две разные точки на рисунке и расстояние между ними "
                            "больше 0.");
    // The picture must be readable before the old underlay is replaced.
    if (s.kind != UnderlayKind::Dxf && loadUnderlayImage(sourcePath, s.kind, s.page).isNull())
        throw UnderlayError("Ошибка. Файл " + QFileInfo(sourcePath).fileName().toStdString()
                            + " не читается как рисунок.");
    if (!QDir().mkpath(underlayFolder(dataDir)))
        throw UnderlayError("Ошибка. Папка " + underlayFolder(dataDir).toStdString()
                            + " не создается.");
    const UnderlaySettings old = loadUnderlaySettings(dataDir, projectKod);
    s.file = std::to_string(projectKod) + "." + ext;
    std::string err;
    const QString target = underlayFolder(dataDir) + "/" + QString::fromStdString(s.file);
    if (!writeOutputFile(target.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &err))
        throw UnderlayError("Ошибка. Файл подложки не записан: " + err);
    saveUnderlaySettings(dataDir, projectKod, s);
    if (old.kind != UnderlayKind::None && old.file != s.file)
        QFile::remove(underlayFolder(dataDir) + "/" + QString::fromStdString(old.file));
}

void rememberDxfShift(const QString &dataDir, int projectKod, PlanShift shift, double metresPerUnit)
{
    UnderlaySettings s = loadUnderlaySettings(dataDir, projectKod);
    if (s.shift)
        return;
    s.shift = shift;
    s.metresPerUnit = metresPerUnit;
    saveUnderlaySettings(dataDir, projectKod, s);
}

void clearUnderlay(const QString &dataDir, int projectKod)
{
    UnderlaySettings s = loadUnderlaySettings(dataDir, projectKod);
    if (s.kind == UnderlayKind::None)
        return;
    const QString file = underlayFolder(dataDir) + "/" + QString::fromStdString(s.file);
    s.kind = UnderlayKind::None;
    s.file.clear();
    saveUnderlaySettings(dataDir, projectKod, s);
    QFile::remove(file);
}

void forgetProjectUnderlay(const QString &dataDir, int projectKod)
{
    const UnderlaySettings s = loadUnderlaySettings(dataDir, projectKod);
    if (s.kind != UnderlayKind::None)
        QFile::remove(underlayFolder(dataDir) + "/" + QString::fromStdString(s.file));
    QFile::remove(jsonPath(dataDir, projectKod));
}

std::optional<UnderlayFiles> readUnderlayFiles(const QString &dataDir, int projectKod)
{
    QFile f(jsonPath(dataDir, projectKod));
    if (!f.exists())
        return std::nullopt;
    auto unreadable = [](const QFile &file) {
        return UnderlayError("Ошибка. Файл подложки " + file.fileName().toStdString()
                             + " не читается.");
    };
    if (!f.open(QIODevice::ReadOnly))
        throw unreadable(f);
    UnderlayFiles out;
    out.settings = f.readAll();
    const UnderlaySettings s = loadUnderlaySettings(dataDir, projectKod);
    if (s.kind != UnderlayKind::None) {
        QFile copy(underlayFolder(dataDir) + "/" + QString::fromStdString(s.file));
        // A copy lost already is no reason to refuse the command; the settings go alone.
        if (copy.exists()) {
            if (!copy.open(QIODevice::ReadOnly))
                throw unreadable(copy);
            out.copyName = QString::fromStdString(s.file);
            out.copy = copy.readAll();
        }
    }
    return out;
}

void writeUnderlayFiles(const QString &dataDir, int projectKod,
                        const std::optional<UnderlayFiles> &files)
{
    if (!files) {
        forgetProjectUnderlay(dataDir, projectKod);
        return;
    }
    if (!QDir().mkpath(underlayFolder(dataDir)))
        throw UnderlayError("Ошибка. Папка " + underlayFolder(dataDir).toStdString()
                            + " не создается.");
    const UnderlaySettings old = loadUnderlaySettings(dataDir, projectKod);
    const QString oldCopy = old.kind == UnderlayKind::None ? QString()
                                                           : QString::fromStdString(old.file);
    auto bytesOf = [](const QByteArray &b) {
        return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
    };
    std::string err;
    const QString copyPath = underlayFolder(dataDir) + "/" + files->copyName;
    if (!files->copyName.isEmpty()
        && !writeOutputFile(copyPath.toStdString(), bytesOf(files->copy), &err))
        throw UnderlayError("Ошибка. Файл подложки не записан: " + err);
    if (!writeOutputFile(jsonPath(dataDir, projectKod).toStdString(), bytesOf(files->settings),
                         &err)) {
        if (!files->copyName.isEmpty() && files->copyName != oldCopy)
            QFile::remove(copyPath);
        throw UnderlayError("Ошибка. Файл подложки не записан: " + err);
    }
    if (!oldCopy.isEmpty() && oldCopy != files->copyName)
        QFile::remove(underlayFolder(dataDir) + "/" + oldCopy);
}

void copyProjectUnderlay(const QString &dataDir, int fromKod, int toKod)
{
    // A new project may take the key of a removed one: nothing of that one stays with it.
    forgetProjectUnderlay(dataDir, toKod);
    const std::optional<UnderlayFiles> from = readUnderlayFiles(dataDir, fromKod);
    if (!from)
        return;
    UnderlaySettings s = loadUnderlaySettings(dataDir, fromKod);
    UnderlayFiles to;
    if (s.kind != UnderlayKind::None && !from->copyName.isEmpty()) {
        s.file = std::to_string(toKod) + "." + QFileInfo(from->copyName).suffix().toStdString();
        to.copyName = QString::fromStdString(s.file);
        to.copy = from->copy;
    } else {
        s.kind = UnderlayKind::None;
        s.file.clear();
    }
    try {
        saveUnderlaySettings(dataDir, toKod, s);
        if (!to.copyName.isEmpty()) {
            std::string err;
            if (!writeOutputFile((underlayFolder(dataDir) + "/" + to.copyName).toStdString(),
                                 std::string_view(to.copy.constData(),
                                                  static_cast<std::size_t>(to.copy.size())),
                                 &err))
                throw UnderlayError("Ошибка. Файл подложки не записан: " + err);
        }
    } catch (...) {
        forgetProjectUnderlay(dataDir, toKod);
        if (!to.copyName.isEmpty())
            QFile::remove(underlayFolder(dataDir) + "/" + to.copyName);
        throw;
    }
}

std::shared_ptr<UnderlayPicture> underlayFromDxf(const DxfDrawing &d, double u, PlanShift sh)
{
    auto pic = std::make_shared<UnderlayPicture>();
    auto P = [&](double x, double y) { return QPointF(x * u + sh.x, -y * u + sh.y); };
    auto &L = pic->lines;
    for (const auto &l : d.lines)
        L.emplace_back(P(l.a.x, l.a.y), P(l.b.x, l.b.y));
    for (const auto &p : d.polylines) {
        const std::size_t n = p.pts.size();
        for (std::size_t i = 0; i + (p.closed ? 0 : 1) < n; ++i) {
            const auto seg = bulgeArcPoints(p.pts[i], p.pts[(i + 1) % n],
                                            i < p.bulges.size() ? p.bulges[i] : 0.0);
            for (std::size_t k = 1; k < seg.size(); ++k)
                L.emplace_back(P(seg[k - 1].x, seg[k - 1].y), P(seg[k].x, seg[k].y));
        }
    }
    // Arcs and circles in plan metres: the Y turn makes counter-clockwise clockwise, which the
    // segments do not mind.
    std::vector<QLineF> arcs;
    for (const auto &a : d.arcs)
        addArcSegments(arcs, QPointF(a.centre.x, a.centre.y), a.r, a.startDeg, a.endDeg);
    for (const auto &c : d.circles)
        addArcSegments(arcs, QPointF(c.centre.x, c.centre.y), c.r, 0, 360);
    for (const auto &s : arcs)
        L.emplace_back(P(s.x1(), s.y1()), P(s.x2(), s.y2()));
    // A multi-line text's lines go down from its insertion point at the usual 5/3 line spacing.
    for (const auto &t : d.texts) {
        if (t.height <= 0)
            continue;
        const QStringList lines = t.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < lines.size(); ++i)
            pic->texts.push_back({P(t.at.x, t.at.y - static_cast<double>(i) * t.height * 5 / 3),
                                  t.height * u, lines[i]});
    }
    QRectF ext;
    for (const auto &l : L)
        ext |= QRectF(l.p1(), l.p2()).normalized().adjusted(0, 0, 1e-9, 1e-9);
    for (const auto &t : pic->texts)
        ext |= QRectF(t.at.x(), t.at.y() - t.height, t.height * t.text.size(), t.height);
    pic->extent = ext;
    return pic;
}

QImage loadUnderlayImage(const QString &path, UnderlayKind kind, int page, double *factor)
{
    if (factor)
        *factor = 1;
    QImage img;
    if (kind == UnderlayKind::Pdf) {
        auto doc = Poppler::Document::load(path);
        if (!doc || doc->isLocked() || page < 0 || page >= doc->numPages())
            return {};
        auto pg = doc->page(page);
        if (!pg)
            return {};
        // 150 dpi, less when the page would exceed the pixel limit.
        const QSizeF pts = pg->pageSizeF();
        double dpi = 150;
        const double px = pts.width() * pts.height() / (72.0 * 72.0) * dpi * dpi;
        if (px > limits::kMaxUnderlayPixels)
            dpi *= std::sqrt(limits::kMaxUnderlayPixels / px);
        img = pg->renderToImage(dpi, dpi);
        // Picked points are given in the page's pixels at 150 dpi.
        if (factor)
            *factor = dpi / 150;
        return img;
    }
    QImageReader r(path);
    const QSize sz = r.size();
    if (!sz.isValid())
        return {};
    const double pixels = static_cast<double>(sz.width()) * sz.height();
    if (pixels > limits::kMaxUnderlayPixels) {
        const double f = std::sqrt(limits::kMaxUnderlayPixels / pixels);
        r.setScaledSize(QSize(std::max(1, static_cast<int>(sz.width() * f)),
                              std::max(1, static_cast<int>(sz.height() * f))));
        if (factor)
            *factor = f;
    }
    img = r.read();
    return img;
}

std::shared_ptr<const UnderlayPicture> loadUnderlayPicture(const QString &dataDir, int,
                                                           const UnderlaySettings &s)
{
    if (s.kind == UnderlayKind::None)
        return nullptr;
    const QString file = underlayFolder(dataDir) + "/" + QString::fromStdString(s.file);
    if (s.kind == UnderlayKind::Dxf) {
        try {
            return underlayFromDxf(readDxfFile(file), s.metresPerUnit,
                                   s.shift.value_or(PlanShift{}));
        } catch (const DxfRefused &e) {
            throw UnderlayError(e.what());
        }
    }
    double factor = 1;
    QImage img = loadUnderlayImage(file, s.kind, s.page, &factor);
    if (img.isNull())
        throw UnderlayError("Ошибка. Подложка " + file.toStdString() + " не читается.");
    const double picked = QLineF(s.p1, s.p2).length();
    if (!(picked > 0) || !(s.distance > 0))
        throw UnderlayError("Ошибка. У подложки не задан масштаб.");
    auto pic = std::make_shared<UnderlayPicture>();
    // Points were picked in the original pixels; the image held may be scaled down.
    pic->metresPerPixel = s.distance / picked / factor;
    pic->topLeft = s.at - s.p1 * (s.distance / picked);
    pic->image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pic->extent = QRectF(pic->topLeft, QSizeF(img.width(), img.height()) * pic->metresPerPixel);
    return pic;
}

void DrawUnderlay(QPainter &p, const UnderlayPicture &u, const PlanScale &scale)
{
    const double k = static_cast<double>(kPixelsPerCm) * 100 / scale.n(); // pixels per metre
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!u.image.isNull()) {
        // A picture is faded towards white so that it reads as a background.
        p.setOpacity(0.35);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(u.topLeft * k, QSizeF(u.image.size()) * (u.metresPerPixel * k)),
                    u.image);
        p.setOpacity(1);
    }
    QPen pen(QColor::fromRgb(kUnderlayColour), 0);
    pen.setCosmetic(true);
    p.setPen(pen);
    std::vector<QLineF> px;
    px.reserve(u.lines.size());
    for (const auto &l : u.lines)
        px.emplace_back(l.p1() * k, l.p2() * k);
    p.drawLines(px.data(), static_cast<int>(px.size()));
    QFont f = p.font();
    for (const auto &t : u.texts) {
        const double h = t.height * k;
        if (h < 4)
            continue; // unreadable at this scale
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(h * 1.4))));
        p.setFont(f);
        p.drawText(t.at * k, t.text);
    }
    p.restore();
}

} // namespace kv
