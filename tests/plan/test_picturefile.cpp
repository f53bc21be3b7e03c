#include "plan/picturefile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kv;

namespace {

QImage sample()
{
    QImage img(37, 21, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(36, 20, qRgb(0, 0, 255));
    return img;
}

uint32_t u32(const QByteArray &b, int at)
{
    return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8)
           | (static_cast<uint8_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}

uint16_t u16(const QByteArray &b, int at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

} // namespace

TEST(PictureFile, ExtensionIsAlwaysAppended)
{
    EXPECT_EQ(pictureFileName("plan", 2), "plan.jpg");
    EXPECT_EQ(pictureFileName("plan.bmp", 1), "plan.bmp.bmp");
    EXPECT_EQ(pictureFileName("/tmp/x/plan", 4), "plan.wmf");
    EXPECT_EQ(pictureFormatForFilter(3), PictureFormat::Emf);
}

TEST(PictureFile, BitmapJpegAndPngReadBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (auto [fmt, name] : {std::pair{PictureFormat::Bmp, "a.bmp"}, std::pair{PictureFormat::Jpg, "a.jpg"},
                             std::pair{PictureFormat::Png, "a.png"}}) {
        const QString path = dir.filePath(name);
        QString error;
        ASSERT_TRUE(savePicture(sample(), path, fmt, &error)) << error.toStdString();
        QImageReader r(path);
        EXPECT_EQ(r.size(), QSize(37, 21)) << name;
        if (fmt != PictureFormat::Jpg) {
            const QImage back = r.read();
            EXPECT_EQ(back.pixel(0, 0), qRgb(255, 0, 0));
            EXPECT_EQ(back.pixel(36, 20), qRgb(0, 0, 255));
        }
    }
    QFile bmp(dir.filePath("a.bmp"));
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    EXPECT_EQ(bmp.read(2), QByteArray("BM"));
}

TEST(PictureFile, EnhancedMetafileHasThePictureSize)
{
    const QByteArray b = QByteArray::fromStdString(enhancedMetafileBytes(sample()));
    ASSERT_GT(b.size(), 108 + 80 + 40 + 20);
    EXPECT_EQ(u32(b, 0), 1u);                 // EMR_HEADER
    EXPECT_EQ(u32(b, 16), 36u);               // bounds right = width - 1
    EXPECT_EQ(u32(b, 20), 20u);
    EXPECT_EQ(u32(b, 40), 0x464D4520u);       // " EMF"
    EXPECT_EQ(u32(b, 48), static_cast<uint32_t>(b.size()));
    EXPECT_EQ(u32(b, 52), 3u);                // records
    EXPECT_EQ(u32(b, 108), 81u);              // EMR_STRETCHDIBITS
    const uint32_t recSize = u32(b, 112);
    EXPECT_EQ(u32(b, 108 + 40), 37u);         // cxSrc
    EXPECT_EQ(u32(b, 108 + 44), 21u);         // cySrc
    EXPECT_EQ(u32(b, 108 + 72), 37u);         // cxDest
    EXPECT_EQ(u32(b, 108 + 76), 21u);         // cyDest
    const uint32_t stride = (37 * 3 + 3) & ~3u;
    EXPECT_EQ(recSize, 80 + 40 + stride * 21);
    // Bottom-up rows: the first stored pixel is the bottom-left one (white), the last row
    // starts with the top-left red pixel stored as B, G, R.
    const int bits = 108 + 80 + 40;
    const int lastRow = bits + static_cast<int>(stride) * 20;
    EXPECT_EQ(static_cast<uint8_t>(b[lastRow + 2]), 255);
    EXPECT_EQ(static_cast<uint8_t>(b[lastRow]), 0);
    EXPECT_EQ(u32(b, 108 + static_cast<int>(recSize)), 14u); // EMR_EOF
}

TEST(PictureFile, WindowsMetafileHeaderAndRecords)
{
    const QByteArray b = QByteArray::fromStdString(windowsMetafileBytes(sample()));
    ASSERT_FALSE(b.isEmpty());
    EXPECT_EQ(u32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(u16(b, 10), 37);
    EXPECT_EQ(u16(b, 12), 21);
    uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= u16(b, i);
    EXPECT_EQ(u16(b, 20), sum);
    const int h = 22;
    EXPECT_EQ(u16(b, h + 2), 9);
    EXPECT_EQ(u32(b, h + 6) * 2, static_cast<uint32_t>(b.size() - h));
    EXPECT_EQ(u16(b, h + 18 + 4), 0x020B);
    EXPECT_EQ(u16(b, h + 28 + 4), 0x020C);
    const int sd = h + 38;
    EXPECT_EQ(u16(b, sd + 4), 0x0F43);
    EXPECT_EQ(u16(b, sd + 12), 21); // source height
    EXPECT_EQ(u16(b, sd + 14), 37); // source width
    EXPECT_EQ(u16(b, b.size() - 2), 0); // META_EOF
    EXPECT_EQ(u32(b, b.size() - 6), 3u);

    QImage tooWide(40000, 1, QImage::Format_RGB32);
    EXPECT_TRUE(windowsMetafileBytes(tooWide).empty());
}

TEST(PictureFile, UnwritablePathReportsAnError)
{
    QString error;
    EXPECT_FALSE(savePicture(sample(), "/nonexistent-dir/x.emf", PictureFormat::Emf, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Ошибка.")));
    EXPECT_FALSE(savePicture(sample(), "/nonexistent-dir/x.bmp", PictureFormat::Bmp, &error));
    EXPECT_FALSE(savePicture(QImage(), "/tmp/x.bmp", PictureFormat::Bmp, &error));
}
