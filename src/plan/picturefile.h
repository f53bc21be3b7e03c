#pragma once
// Saving a zone picture: Windows bitmap, JPEG with the encoder's default quality, enhanced and
// Windows metafiles (the bitmap drawn at 0,0 on a metafile of its size) and PNG.

#include "data/outputfile.h"

#include <QIODevice>
#include <QImage>
#include <QString>
#include <string>

namespace kv {

// A write-only device over an output file, so that Qt's writers (image encoders, the PDF
// writer) write the file through its temporary name.
class OutputFileDevice : public QIODevice {
public:
    explicit OutputFileDevice(OutputFile &file) : m_file(file) {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        return m_file.write(data, static_cast<std::size_t>(size)) ? size : -1;
    }

private:
    OutputFile &m_file;
};

enum class PictureFormat { Bmp, Jpg, Emf, Wmf, Png };

// The save dialog's filter and its extensions, in filter order (index 1..4).
inline constexpr const char *kPictureSaveFilter =
    "Bitmaps (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|EMF (*.emf)|*.emf|WMF (*.wmf)|*.wmf";
PictureFormat pictureFormatForFilter(int filterIndex);
const char *pictureExtension(PictureFormat f);
// The name typed in the dialog plus the extension of the chosen filter, always appended
// ("plan.bmp" with the bitmap filter gives "plan.bmp.bmp").
QString pictureFileName(const QString &enteredName, int filterIndex);
// The format by a file's extension (case-insensitive); false when it is none of ours.
bool pictureFormatFromPath(const QString &path, PictureFormat &format);

// Writes the picture; on failure returns false and sets error (when given) to a Russian text.
bool savePicture(const QImage &image, const QString &path, PictureFormat format,
                 QString *error = nullptr);

// Metafile bytes of the picture: header, one stretch-DIB record with a 24-bit bottom-up DIB,
// end record. WMF coordinates are 16-bit, so a WMF side is limited to 32767 pixels.
std::string enhancedMetafileBytes(const QImage &image);
std::string windowsMetafileBytes(const QImage &image);

} // namespace kv
