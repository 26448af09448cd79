#pragma once

#include <QColor>
#include <QRect>

namespace forms {

// Layout is given in twips; 15 twips make one logical pixel at 96 dots per inch, and Qt scales
// logical pixels on high-density screens.
inline constexpr int twipsPerPixel = 15;

constexpr int pixelsFromTwips(int twips) {
    return twips / twipsPerPixel;
}

constexpr QRect rectFromTwips(int left, int top, int width, int height) {
    return {pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width),
            pixelsFromTwips(height)};
}

// Colours are stored as 0x00BBGGRR.
inline QColor colorFromBgr(quint32 bgr) {
    return QColor::fromRgb(int(bgr & 0xFFu), int((bgr >> 8) & 0xFFu), int((bgr >> 16) & 0xFFu));
}

} // namespace forms
