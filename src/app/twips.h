// The window's geometry unit: twips, 15 to a device-independent pixel.
#pragma once

#include <QRect>

namespace dorvantile::app {

inline constexpr int twipsPerPixel = 15;

/// Device-independent pixels for a length or position in twips.
constexpr int pixels(int twips) {
    return twips / twipsPerPixel;
}

/// A control's rectangle (left, top, width, height in twips) in pixels.
constexpr QRect twipsRect(int left, int top, int width, int height) {
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

} // namespace dorvantile::app
