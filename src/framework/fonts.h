// Fonts by face name and character height, and the dialog base units of a template font.
#pragma once

#include <QFont>
#include <QRect>

#include <string_view>

namespace framework {

// The handset's dialog faces are drawn with a face every host has; others are taken as named.
QString HostFace(std::u16string_view face);

// A font whose characters are pixelHeight pixels high.
QFont MakeFont(std::u16string_view face, int pixelHeight, bool bold = false, bool italic = false);

// The character height of a template font of the given point size on the handset screen.
int TemplateFontPixels(int points, int displayScale);

// The average character width and the character height of a font: one horizontal dialog unit
// is a quarter of the width, one vertical unit an eighth of the height.
struct DialogBaseUnits {
    int width;
    int height;
};
DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle in dialog units converted to pixels.
QRect MapDialogRect(const QRect& units, DialogBaseUnits base);

// The size a single line of text takes in a font.
QSize TextExtent(const QFont& font, const QString& text);

} // namespace framework
