#include "exchange/projectfile.h"

#include "data/multirodstore.h"
#include "data/outputfile.h"
#include "data/snapshot.h"
#include "data/transaction.h"
#include "exchange/jsoninput.h"
#include "exchange/projectjson.h"
#include "calc/limits.h"
#include "plan/underlay.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kv {

using json = nlohmann::ordered_json;

namespace {

// The underlay's settings file of a project, as the underlay storage names it.
QString settingsPath(const QString &dataDir, int kod)
{
    return underlayFolder(dataDir) + QStringLiteral("/%1.json").arg(kod);
}

// The extension of an embedded underlay file: only the kinds the underlay takes, so that a name
// from the file can never point outside the underlay folder.
bool knownExtension(const std::string &ext)
{
    static const QRegularExpression re(QStringLiteral("^(dxf|png|jpg|jpeg|pdf)$"));
    return re.match(QString::fromStdString(ext)).hasMatch();
}

// The "underlay" of a project file: {"settings": the stored settings, "file": extension,
// "data": base64 of the file}; null when the project has none.
json underlayJson(DataModule &dm, int kod)
{
    const QString dataDir = QString::fromStdString(dm.dataDir());
    QFile f(settingsPath(dataDir, kod));
    if (!f.exists())
        return nullptr;
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("Ошибка. Файл подложки " + f.fileName().toStdString()
                                 + " не читается.");
    json out = json::object();
    out["settings"] = json::parse(f.readAll().toStdString(), nullptr, false);
    if (!out["settings"].is_object())
        return nullptr; // a damaged settings file means no underlay, as the program reads it
    const UnderlaySettings s = loadUnderlaySettings(dataDir, kod);
    // Settings naming no copy of this project's are no underlay: the file carries only the shift,
    // so that it opens again.
    if (s.kind == UnderlayKind::None)
        out["settings"].erase("underlay");
    if (s.kind != UnderlayKind::None) {
        QFile data(underlayFolder(dataDir) + "/" + QString::fromStdString(s.file));
        if (!data.open(QIODevice::ReadOnly))
            throw std::runtime_error("Ошибка. Файл подложки " + data.fileName().toStdString()
                                     + " не читается.");
        out["file"] = QFileInfo(data.fileName()).suffix().toLower().toStdString();
        out["data"] = data.readAll().toBase64().toStdString();
    }
    return out;
}

// Checks the underlay of a project file; its decoded file in *bytes.
void checkUnderlay(const json &u, const std::string &path, QByteArray *bytes)
{
    const auto bad = [&] {
        return InputRefused("Ошибка. Подложка в файле проекта " + path + " повреждена.");
    };
    if (!u.is_object() || !u.contains("settings") || !u["settings"].is_object())
        throw bad();
    const json &s = u["settings"];
    const bool hasFile = s.contains("underlay");
    if (hasFile != u.contains("data"))
        throw bad();
    if (!hasFile)
        return;
    if (!s["underlay"].is_object() || !u.contains("file") || !u["file"].is_string()
        || !knownExtension(u["file"].get<std::string>()) || !u["data"].is_string())
        throw bad();
    // Padded base64 as written: a member cut short by a few characters is refused, not decoded
    // into a shorter file.
    const QByteArray data = QByteArray::fromStdString(u["data"].get<std::string>());
    if (data.size() % 4 != 0)
        throw bad();
    const auto decoded =
        QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw bad();
    if (bytes)
        *bytes = *decoded;
}

} // namespace

json projectFileJson(DataModule &dm)
{
    ReadLock lock(dm);
    json out = json::object();
    out["format"] = kProjectFileFormat;
    out["version"] = kProjectFileVersion;
    json project = projectToJson(dm);
    for (auto it = project.begin(); it != project.end(); ++it)
        out[it.key()] = std::move(it.value());
    if (json u = underlayJson(dm, dm.project().asInt("Kod")); !u.is_null())
        out["underlay"] = std::move(u);
    return out;
}

void saveProjectFile(DataModule &dm, const std::string &path)
{
    if (const std::string refusal = dataFolderFileRefusal(dm.dataDir(), path); !refusal.empty())
        throw InputRefused(refusal);
    const std::string text = projectFileJson(dm).dump(1) + "\n";
    // A file the program could not open again is not written.
    if (text.size() > limits::kMaxJsonBytes)
        throw InputRefused("Ошибка. Файл проекта " + path + " получился бы больше "
                           + std::to_string(limits::kMaxJsonBytes / 1024 / 1024)
                           + " МБ (подложка слишком велика); файл не записан.");
    std::string error;
    if (!writeOutputFile(path, text, &error))
        throw std::runtime_error("Ошибка. Не удалось записать файл " + path + ". " + error);
}

json readProjectFile(const std::string &path)
{
    json doc = readJsonObjectFile(path);
    const auto format = doc.find("format");
    if (format == doc.end() || !format->is_string()
        || format->get<std::string>() != kProjectFileFormat)
        throw InputRefused("Ошибка. Файл " + path + " не является файлом проекта Korvan VL.");
    const auto version = doc.find("version");
    if (version == doc.end() || !version->is_number_integer() || version->get<std::int64_t>() < 1)
        throw InputRefused("Ошибка. В файле проекта " + path + " неверная версия формата.");
    if (version->get<std::int64_t>() > kProjectFileVersion)
        throw InputRefused("Ошибка. Файл проекта " + path
                           + " записан более новой версией программы.");
    if (!doc.contains("project") || !doc["project"].is_object())
        throw InputRefused("Ошибка. В файле " + path + " нет проекта (\"project\").");
    if (doc.contains("underlay"))
        checkUnderlay(doc["underlay"], path, nullptr);
    return doc;
}

int enterProjectFile(DataModule &dm, const json &file, const std::string &path)
{
    const int kod = importProjectJson(dm, file, path);
    locateProject(dm, kod);
    // A multiple rod's pairs and elements are the results of its selection: stored as they were
    // exported, with the rows just entered, in the same command.
    if (isMultiRodProject(dm) && (file.contains("pairs") || file.contains("elements")))
        storeMultiRodResults(dm, loadCurrentProject(dm),
                             multiRodFromJson(file.contains("pairs") ? file["pairs"] : json(),
                                              file.contains("elements") ? file["elements"]
                                                                        : json()));
    // A new project may take the key of a removed one: no underlay of that one stays with it.
    const QString dataDir = QString::fromStdString(dm.dataDir());
    forgetProjectUnderlay(dataDir, kod);
    if (!file.contains("underlay"))
        return kod;
    // Written before the rows commit; a failure here rolls them back and takes the files away.
    QByteArray bytes;
    checkUnderlay(file["underlay"], path, &bytes);
    json settings = file["underlay"]["settings"];
    const std::string folder = underlayFolder(dataDir).toStdString();
    std::string error;
    bool ok = QDir().mkpath(underlayFolder(dataDir));
    std::string name;
    if (ok && settings.contains("underlay")) {
        name = std::to_string(kod) + "." + file["underlay"]["file"].get<std::string>();
        settings["underlay"]["file"] = name;
        ok = writeOutputFile(folder + "/" + name,
                             std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                             &error);
    }
    ok = ok
         && writeOutputFile(settingsPath(dataDir, kod).toStdString(), settings.dump(1) + "\n",
                            &error);
    if (!ok) {
        forgetProjectUnderlay(dataDir, kod);
        if (!name.empty())
            QFile::remove(QString::fromStdString(folder + "/" + name));
        throw std::runtime_error("Ошибка. Подложка проекта не записана в папку " + folder + ". "
                                 + error);
    }
    return kod;
}

} // namespace kv
