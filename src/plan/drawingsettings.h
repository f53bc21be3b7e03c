#pragma once
// The drawing settings of both views, read from the settings row with their defaults.

#include "calc/records.h"

#include <QColor>
#include <QPen>
#include <string>

namespace kv {

struct LinePen {
    Qt::PenStyle style = Qt::SolidLine;
    int width = 1;
};

struct DrawingSettings {
    double objShag = 1.0;     // grid step s, metres
    int scaleShag = 100;      // increment of the scale spin edit
    int moColor = 255;        // conductor colour (red in the low byte)
    int sizeMO = 10;          // side of a conductor marker, pixels
    LinePen podPen{Qt::DotLine, 1};   // zones of the design conductor
    LinePen selPen{Qt::SolidLine, 2}; // zones of the chosen conductor
    LinePen gridPen{Qt::DotLine, 1};
    int gridLineColor = 0;
    bool useKlav = false;
    // The settings row itself: the multiple rod's drawings take the double rod's regime limits
    // and selection rules from it.
    SettingsRec calc;
    // The rolling-sphere arcs of the front view and the marks of exposed objects: a colour and
    // pen of their own, apart from every zone pen, so they never read as a zone outline.
    int sphereColor = 0xC000C0;             // purple (red in the low byte)
    LinePen spherePen{Qt::DashLine, 2};

    int halfMarker() const { return sizeMO / 2; } // G
    QColor conductorColor() const;
    QColor gridColor() const;
    QColor sphereColour() const;
    // The zone pen of a field suffix: "1" the chosen pen, anything else the design pen.
    const LinePen &zonePen(const std::string &suffix) const;
};

// Maps a stored Russian line-style name to a pen style; unknown texts are solid.
Qt::PenStyle penStyleFromName(const std::string &name);

// Reads the settings row; every empty field (or no row at all) gives its default.
DrawingSettings LoadDrawingSettings(const SettingsRec *rec);
inline DrawingSettings LoadDrawingSettings(const SettingsRec &rec) { return LoadDrawingSettings(&rec); }

// A QPen for a colour and line style; the dash patterns of all views are set here.
QPen makePen(const QColor &color, const LinePen &lp);

} // namespace kv
