#include "plan/picturefile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <cstdint>

namespace kv {

namespace {

void put16(std::string &b, uint32_t v)
{
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void set32(std::string &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// BITMAPINFOHEADER + 24-bit pixel rows, bottom-up, each padded to 4 bytes.
std::string dib(const QImage &source, uint32_t &headerSize, uint32_t &bitsSize)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width();
    const int h = img.height();
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    std::string b;
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put16(b, 1);  // planes
    put16(b, 24); // bits per pixel
    put32(b, 0);  // BI_RGB
    put32(b, stride * static_cast<uint32_t>(h));
    put32(b, 3780); // 96 dpi in pixels per metre
    put32(b, 3780);
    put32(b, 0);
    put32(b, 0);
    headerSize = 40;
    bitsSize = stride * static_cast<uint32_t>(h);
    b.reserve(b.size() + bitsSize);
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            b.push_back(static_cast<char>(qBlue(line[x])));
            b.push_back(static_cast<char>(qGreen(line[x])));
            b.push_back(static_cast<char>(qRed(line[x])));
        }
        for (uint32_t pad = static_cast<uint32_t>(w) * 3; pad < stride; ++pad)
            b.push_back(0);
    }
    return b;
}

constexpr uint32_t kSrcCopy = 0x00CC0020;

} // namespace

PictureFormat pictureFormatForFilter(int filterIndex)
{
    switch (filterIndex) {
    case 2:
        return PictureFormat::Jpg;
    case 3:
        return PictureFormat::Emf;
    case 4:
        return PictureFormat::Wmf;
    default:
        return PictureFormat::Bmp;
    }
}

const char *pictureExtension(PictureFormat f)
{
    switch (f) {
    case PictureFormat::Jpg:
        return ".jpg";
    case PictureFormat::Emf:
        return ".emf";
    case PictureFormat::Wmf:
        return ".wmf";
    case PictureFormat::Png:
        return ".png";
    default:
        return ".bmp";
    }
}

QString pictureFileName(const QString &enteredName, int filterIndex)
{
    return QFileInfo(enteredName).fileName()
           + QString::fromLatin1(pictureExtension(pictureFormatForFilter(filterIndex)));
}

bool pictureFormatFromPath(const QString &path, PictureFormat &format)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"bmp")
        format = PictureFormat::Bmp;
    else if (ext == u"jpg" || ext == u"jpeg")
        format = PictureFormat::Jpg;
    else if (ext == u"emf")
        format = PictureFormat::Emf;
    else if (ext == u"wmf")
        format = PictureFormat::Wmf;
    else if (ext == u"png")
        format = PictureFormat::Png;
    else
        return false;
    return true;
}

std::string enhancedMetafileBytes(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    uint32_t bmiSize = 0, bitsSize = 0;
    const std::string bits = dib(image, bmiSize, bitsSize);

    std::string b;
    // EMR_HEADER with the extension fields (108 bytes, no description, no pixel format).
    put32(b, 1);
    put32(b, 108);
    for (uint32_t v : {0u, 0u, static_cast<uint32_t>(w - 1), static_cast<uint32_t>(h - 1)})
        put32(b, v); // bounds, device units
    // Frame in 0.01 mm at 96 dpi.
    const auto hundredthMm = [](int px) { return static_cast<uint32_t>(px * 2540.0 / 96.0 + 0.5); };
    for (uint32_t v : {0u, 0u, hundredthMm(w) - 1, hundredthMm(h) - 1})
        put32(b, v);
    put32(b, 0x464D4520); // " EMF"
    put32(b, 0x00010000);
    const size_t bytesAt = b.size();
    put32(b, 0); // total size, patched below
    put32(b, 3); // records
    put16(b, 1); // handles (slot 0 is reserved)
    put16(b, 0);
    put32(b, 0); // description length
    put32(b, 0); // description offset
    put32(b, 0); // palette entries
    put32(b, 1920); // reference device: 1920 x 1080 pixels at 96 dpi
    put32(b, 1080);
    put32(b, 508); // millimetres
    put32(b, 286);
    put32(b, 0); // pixel format size
    put32(b, 0); // pixel format offset
    put32(b, 0); // no OpenGL
    put32(b, 508000); // micrometres
    put32(b, 285750);

    // EMR_STRETCHDIBITS
    const uint32_t fixed = 80;
    put32(b, 81);
    put32(b, fixed + static_cast<uint32_t>(bits.size()));
    for (uint32_t v : {0u, 0u, static_cast<uint32_t>(w - 1), static_cast<uint32_t>(h - 1)})
        put32(b, v);
    put32(b, 0); // xDest
    put32(b, 0); // yDest
    put32(b, 0); // xSrc
    put32(b, 0); // ySrc
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put32(b, fixed);           // offBmiSrc
    put32(b, bmiSize);         // cbBmiSrc
    put32(b, fixed + bmiSize); // offBitsSrc
    put32(b, bitsSize);        // cbBitsSrc
    put32(b, 0);               // DIB_RGB_COLORS
    put32(b, kSrcCopy);
    put32(b, static_cast<uint32_t>(w)); // cxDest
    put32(b, static_cast<uint32_t>(h)); // cyDest
    b += bits;

    // EMR_EOF
    put32(b, 14);
    put32(b, 20);
    put32(b, 0);
    put32(b, 16);
    put32(b, 20);
    set32(b, bytesAt, static_cast<uint32_t>(b.size()));
    return b;
}

std::string windowsMetafileBytes(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0 || w > 32767 || h > 32767)
        return {};
    uint32_t bmiSize = 0, bitsSize = 0;
    const std::string bits = dib(image, bmiSize, bitsSize);

    std::string b;
    // Placeable header: 96 units per inch, so one unit is one pixel.
    put32(b, 0x9AC6CDD7);
    put16(b, 0);
    put16(b, 0);
    put16(b, 0);
    put16(b, static_cast<uint32_t>(w));
    put16(b, static_cast<uint32_t>(h));
    put16(b, 96);
    put32(b, 0);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2)
        checksum ^= static_cast<uint16_t>(static_cast<uint8_t>(b[i]) | (static_cast<uint8_t>(b[i + 1]) << 8));
    put16(b, checksum);

    const size_t headerAt = b.size();
    const uint32_t stretchWords = static_cast<uint32_t>((28 + bits.size() + 1) / 2);
    // METAHEADER
    put16(b, 1);      // memory metafile
    put16(b, 9);      // header size in words
    put16(b, 0x0300); // version
    const size_t sizeAt = b.size();
    put32(b, 0);      // total size in words, patched below
    put16(b, 0);      // objects
    put32(b, stretchWords);
    put16(b, 0);

    // META_SETWINDOWORG and META_SETWINDOWEXT (y before x)
    put32(b, 5);
    put16(b, 0x020B);
    put16(b, 0);
    put16(b, 0);
    put32(b, 5);
    put16(b, 0x020C);
    put16(b, static_cast<uint32_t>(h));
    put16(b, static_cast<uint32_t>(w));

    // META_STRETCHDIB
    put32(b, stretchWords);
    put16(b, 0x0F43);
    put32(b, kSrcCopy);
    put16(b, 0); // DIB_RGB_COLORS
    put16(b, static_cast<uint32_t>(h)); // source height
    put16(b, static_cast<uint32_t>(w)); // source width
    put16(b, 0); // ySrc
    put16(b, 0); // xSrc
    put16(b, static_cast<uint32_t>(h)); // destination height
    put16(b, static_cast<uint32_t>(w)); // destination width
    put16(b, 0); // yDest
    put16(b, 0); // xDest
    b += bits;
    if (bits.size() % 2)
        b.push_back(0);

    // META_EOF
    put32(b, 3);
    put16(b, 0);
    set32(b, sizeAt, static_cast<uint32_t>((b.size() - headerAt) / 2));
    return b;
}

bool savePicture(const QImage &image, const QString &path, PictureFormat format, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Ошибка. Не удалось записать файл ") + path + QStringLiteral(". ") + why;
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("Рисунок пуст."));
    if (format == PictureFormat::Emf || format == PictureFormat::Wmf) {
        const std::string bytes =
            format == PictureFormat::Emf ? enhancedMetafileBytes(image) : windowsMetafileBytes(image);
        if (bytes.empty())
            return fail(QStringLiteral("Рисунок слишком велик для этого формата."));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(f.errorString());
        if (f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            return fail(f.errorString());
        if (!f.flush())
            return fail(f.errorString());
        return true;
    }
    const char *fmt = format == PictureFormat::Jpg ? "JPG" : format == PictureFormat::Png ? "PNG" : "BMP";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(file.errorString());
    QImageWriter writer(&file, fmt);
    // JPEG keeps the encoder's default quality (-1).
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
        return fail(writer.errorString());
    // The encoder's last bytes sit in the file's buffer: a full disk shows only here.
    if (!file.flush())
        return fail(file.errorString());
    return true;
}

} // namespace kv
