#pragma once

#include <QRect>
#include <QSize>
#include <QStringView>

#include <array>
#include <optional>

namespace forms {

// A window can be shown larger than designed, in these steps (percent of its designed size).
inline constexpr std::array<int, 7> zoomSteps{100, 125, 150, 175, 200, 250, 300};
inline constexpr int normalZoom = 100;

// The step written as "150" or "150%"; nothing for any other text.
std::optional<int> zoomStepFromPercent(QStringView text);
// The steps as a reader sees them: "100, 125, 150, 175, 200, 250, 300".
QString zoomStepList();

// The step after (before) percent; the last (first) step stays where it is.
int nextZoomStep(int percent);
int previousZoomStep(int percent);

// The largest step, not above wanted, at which a window of normalSize at 100 % fits in
// available. The designed size itself is always allowed.
int largestFittingZoom(int wanted, QSize normalSize, QSize available);

// A length in logical pixels at percent, rounded to the nearest pixel (halves away from zero),
// as a high-density screen rounds device pixels.
constexpr int zoomedLength(int pixels, int percent) {
    const int scaled = pixels * percent;
    return scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
}

// A rectangle at percent: its edges are scaled and rounded, so that controls that touch at
// 100 % still touch and none overlaps another that it did not overlap.
constexpr QRect zoomedRect(QRect rect, int percent) {
    const int left = zoomedLength(rect.left(), percent);
    const int top = zoomedLength(rect.top(), percent);
    const int right = zoomedLength(rect.left() + rect.width(), percent);
    const int bottom = zoomedLength(rect.top() + rect.height(), percent);
    return {left, top, right - left, bottom - top};
}

constexpr QSize zoomedSize(QSize size, int percent) {
    return {zoomedLength(size.width(), percent), zoomedLength(size.height(), percent)};
}

} // namespace forms
