// What the forms share beyond their Designer files: the font, given in pixels (a Designer file
// holds point sizes only, which would follow the screen's resolution), and the frame of the fixed
// dialogs.
#pragma once

#include <QFont>

namespace tabrova::app {

inline QFont formFont(int pixelSize) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    return font;
}

// The font of the cell grid and of the box that edits the current cell's text.
inline QFont gridFont() { return formFont(13); }

inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

}  // namespace tabrova::app
