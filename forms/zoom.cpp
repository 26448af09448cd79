#include "forms/zoom.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace forms {

std::optional<int> zoomStepFromPercent(QStringView text) {
    QStringView number = text.trimmed();
    if (number.endsWith(u'%'))
        number.chop(1);
    // Digits only: no sign, no blanks inside, no other number forms toInt() would take.
    if (number.isEmpty() || number.size() > 3 ||
        !std::all_of(number.begin(), number.end(),
                     [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return std::nullopt;
    const int percent = number.toInt();
    if (std::find(zoomSteps.begin(), zoomSteps.end(), percent) == zoomSteps.end())
        return std::nullopt;
    return percent;
}

QString zoomStepList() {
    QStringList steps;
    for (int step : zoomSteps)
        steps << QString::number(step);
    return steps.join(QStringLiteral(", "));
}

int nextZoomStep(int percent) {
    const auto next = std::upper_bound(zoomSteps.begin(), zoomSteps.end(), percent);
    return next == zoomSteps.end() ? zoomSteps.back() : *next;
}

int previousZoomStep(int percent) {
    const auto notBelow = std::lower_bound(zoomSteps.begin(), zoomSteps.end(), percent);
    return notBelow == zoomSteps.begin() ? zoomSteps.front() : *std::prev(notBelow);
}

int largestFittingZoom(int wanted, QSize normalSize, QSize available) {
    int best = zoomSteps.front();
    for (int step : zoomSteps) {
        const QSize size = zoomedSize(normalSize, step);
        if (step <= wanted && size.width() <= available.width() &&
            size.height() <= available.height())
            best = step;
    }
    return best;
}

} // namespace forms
