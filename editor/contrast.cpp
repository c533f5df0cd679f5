#include "editor/contrast.h"

#include <algorithm>
#include <cmath>

namespace editor {

double relativeLuminance(const QColor& colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor blackOrWhiteOn(const QColor& background)
{
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

QColor awayFrom(const QColor& line, const QColor& background, double minimum)
{
    const QColor rgb = line.toRgb();
    const QColor end = relativeLuminance(rgb) < relativeLuminance(background) ? QColor(0, 0, 0) : QColor(255, 255, 255);
    for (int step = 0; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mixed = QColor::fromRgbF(float(rgb.redF() + (end.redF() - rgb.redF()) * t),
                                              float(rgb.greenF() + (end.greenF() - rgb.greenF()) * t),
                                              float(rgb.blueF() + (end.blueF() - rgb.blueF()) * t));
        if (contrastRatio(mixed, background) >= minimum)
            return mixed;
    }
    return end;
}

}  // namespace editor
