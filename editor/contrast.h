#pragma once

#include <QColor>

namespace editor {

/// Relative luminance of an sRGB colour, 0 for black to 1 for white (WCAG 2).
double relativeLuminance(const QColor& colour);

/// Contrast ratio of two colours, from 1 (the same) to 21 (black on white) (WCAG 2).
double contrastRatio(const QColor& a, const QColor& b);

/// Black or white, whichever contrasts more with the background.
QColor blackOrWhiteOn(const QColor& background);

/// line itself if it reaches minimum against the background, else line moved towards black (if darker
/// than the background) or white (if lighter) just far enough, or as far as it goes.
QColor awayFrom(const QColor& line, const QColor& background, double minimum);

}  // namespace editor
