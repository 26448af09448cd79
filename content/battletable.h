#pragma once

#include <QStringView>

#include <array>

namespace content {

struct BattleRow {
    QStringView place;
    QStringView winner;
    QStringView defeated;
    QStringView explanation;
};

inline constexpr int battleCount = 16;

// The battle table in stored order, which is the alphabetical order of the places.
extern const std::array<BattleRow, battleCount> battleTable;

// The information box's opening text: six lines, each ending in CR LF.
extern const QStringView introText;

} // namespace content
