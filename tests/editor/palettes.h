#pragma once
// Desktop colour schemes the editor is checked under: Fusion's own light one and two dark ones.

#include <QColor>
#include <QPalette>
#include <QString>

namespace editortest {

/// A dark scheme whose bevel colours follow its button face, as dark desktop themes give them, with
/// white selected text (so a background taken from it is white).
inline QPalette darkPalette()
{
    const QColor face(53, 53, 53);
    QPalette dark(QColor(230, 230, 230), face, face.lighter(150), face.darker(200), face.darker(150),
                  QColor(230, 230, 230), QColor(255, 255, 255), QColor(35, 35, 35), face);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    return dark;
}

/// The same with black selected text, as many hand-made dark palettes have it.
inline QPalette darkPaletteBlackSelection()
{
    QPalette dark = darkPalette();
    dark.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    return dark;
}

}  // namespace editortest
