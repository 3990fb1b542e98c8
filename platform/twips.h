#pragma once

// Window measures are kept in twips (1/1440 inch): 15 twips a pixel at 96 dpi, more or fewer as
// the screen's logical dpi says, so a saved placement means the same size on another screen.

#include <QWidget>

#include <cmath>

namespace platform {

inline constexpr double kTwipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double dpi) {
    return int(std::lround(twips * dpi / kTwipsPerInch));
}

inline double pixelsToTwips(int pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

// Horizontal measures (Left, Width) use the widget's horizontal dpi, vertical ones its vertical dpi.
inline int twipsToPixelsX(double twips, const QWidget* w) {
    return twipsToPixels(twips, w->logicalDpiX());
}
inline int twipsToPixelsY(double twips, const QWidget* w) {
    return twipsToPixels(twips, w->logicalDpiY());
}
inline double pixelsToTwipsX(int pixels, const QWidget* w) {
    return pixelsToTwips(pixels, w->logicalDpiX());
}
inline double pixelsToTwipsY(int pixels, const QWidget* w) {
    return pixelsToTwips(pixels, w->logicalDpiY());
}

}  // namespace platform
