#pragma once
// The underlay ("Подложка") of a project: a site plan drawn beneath the grid of the top view in a
// light colour at true scale — a DXF drawing, or a PNG/JPEG picture or a PDF page placed by two
// points picked on it and their real distance.
//
// Storage: beside the table files, in the data folder's sub-folder "underlay", one JSON file per
// project, "<KOD>.json" (see UnderlaySettings for its fields), and the underlay's source file
// copied as "<KOD>.dxf", "<KOD>.png", "<KOD>.jpg" or "<KOD>.pdf". A project without a JSON file
// has no underlay and no remembered DXF shift, so a data folder written before opens unchanged.
// The JSON also keeps the shift of the DXF imports even when no underlay is set.

#include "plan/dxfimport.h"
#include "plan/plancoords.h"

#include <QByteArray>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPointF>
#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv {

// An underlay that cannot be set or read; what() is the message to show.
class UnderlayError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class UnderlayKind { None, Dxf, Image, Pdf };

struct UnderlaySettings {
    // JSON "shift": {"x", "y", "unit"}: plan metres = unit * drawing units (Y turned) + shift.
    std::optional<PlanShift> shift;
    double metresPerUnit = 1.0;
    // JSON "underlay": {"kind": "dxf"|"image"|"pdf", "file", "page", "p1": [x, y], "p2": [x, y],
    // "distance", "at": [x, y], "shown"}. Absent: no underlay.
    UnderlayKind kind = UnderlayKind::None;
    std::string file; // the copy's name inside the underlay folder
    int page = 0;     // PDF page, from 0
    // Picture placement: two points in the picture's pixels, their real distance in metres, and
    // the plan position (metres) of the first point. The picture is not rotated.
    QPointF p1, p2;
    double distance = 0;
    QPointF at;
    bool shown = true;

    bool operator==(const UnderlaySettings &) const = default;
};

QString underlayFolder(const QString &dataDir);
// Missing or unreadable: the defaults (no underlay, no shift).
UnderlaySettings loadUnderlaySettings(const QString &dataDir, int projectKod);
// Throws UnderlayError when it cannot be written.
void saveUnderlaySettings(const QString &dataDir, int projectKod, const UnderlaySettings &s);
// Copies the source file in as the project's underlay and stores the settings (kind and file
// are set here). A DXF underlay takes the remembered shift, or sets it from the drawing's extents
// with one grid step of margin, as an import would.
void setUnderlayFile(const QString &dataDir, int projectKod, UnderlaySettings s,
                     const QString &sourcePath, double gridStep = 1.0);
// Forgets the underlay (the DXF shift stays).
void clearUnderlay(const QString &dataDir, int projectKod);
// Removes every underlay file of the project (a new project that got the key of a removed one).
void forgetProjectUnderlay(const QString &dataDir, int projectKod);

// The project's underlay files as they lie in the folder, for an undo step to put them back
// byte for byte: the settings "<KOD>.json" and the copied file (copyName empty: none).
struct UnderlayFiles {
    QByteArray settings;
    QString copyName;
    QByteArray copy;

    bool operator==(const UnderlayFiles &) const = default;
};
// nullopt when the project has no settings file. Throws UnderlayError when one cannot be read.
std::optional<UnderlayFiles> readUnderlayFiles(const QString &dataDir, int projectKod);
// Puts the files back as they were (nullopt: removes the project's files). Throws UnderlayError
// when one cannot be written; the project's files are then as before when the settings are.
void writeUnderlayFiles(const QString &dataDir, int projectKod,
                        const std::optional<UnderlayFiles> &files);
// Gives the project toKod the underlay of fromKod (settings and its own copy of the file), or
// none when fromKod has none. Throws UnderlayError, leaving toKod without files.
void copyProjectUnderlay(const QString &dataDir, int fromKod, int toKod);

// Keeps the shift of a DXF import for the project unless one is remembered already.
void rememberDxfShift(const QString &dataDir, int projectKod, PlanShift shift, double metresPerUnit);

// What the views draw: geometry in plan metres, or a picture with its placement.
struct UnderlayPicture {
    std::vector<QLineF> lines; // lines, polylines, arcs and circles as segments
    struct Text {
        QPointF at; // baseline start
        double height = 0;
        QString text;
    };
    std::vector<Text> texts;
    QImage image;
    QPointF topLeft;          // plan metres of the picture's top-left corner
    double metresPerPixel = 0;
    QRectF extent;            // plan metres covered

    bool isNull() const { return lines.empty() && texts.empty() && image.isNull(); }
};

// Builds the picture of the project's underlay; nullptr when it has none. Throws UnderlayError
// (a damaged or missing copy).
std::shared_ptr<const UnderlayPicture> loadUnderlayPicture(const QString &dataDir, int projectKod,
                                                           const UnderlaySettings &s);
// The picture of a drawing moved by the shift.
std::shared_ptr<UnderlayPicture> underlayFromDxf(const DxfDrawing &d, double metresPerUnit,
                                                 PlanShift shift);
// A picture file or a PDF page as an image (large ones scaled down; the scale factor applied is
// returned in *factor so picked points can be given in the original pixels).
QImage loadUnderlayImage(const QString &path, UnderlayKind kind, int page, double *factor = nullptr);

// The shift that puts the drawing's whole extent one grid step from the axes.
PlanShift shiftForDrawing(const DxfDrawing &d, double metresPerUnit, double gridStep);

// The underlay's colour: light enough that the grid and the objects read over it.
inline constexpr QRgb kUnderlayColour = 0xff9fbfdf;

// Draws the underlay at the plan scale into a painter whose origin is the plan origin.
void DrawUnderlay(QPainter &p, const UnderlayPicture &u, const PlanScale &scale);

} // namespace kv
