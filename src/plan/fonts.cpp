#include "plan/fonts.h"

#include <QStringList>

namespace kv {

void installFontSubstitutions()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                                   {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
        // The report's own face name.
        QFont::insertSubstitutions(QStringLiteral("Times New Roman Cyr"),
                                   {QStringLiteral("Times New Roman"),
                                    QStringLiteral("Liberation Serif"),
                                    QStringLiteral("DejaVu Serif")});
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        return true;
    }();
    (void)done;
}

QFont canvasFont()
{
    installFontSubstitutions();
    // The classic canvas default is an 8-point sans serif; at 96 dpi that is 11 pixels.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QFont timesNewRomanFont(int pointSize)
{
    installFontSubstitutions();
    QFont f(QStringLiteral("Times New Roman"), pointSize);
    f.setStyleHint(QFont::Serif);
    return f;
}

} // namespace kv
