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

// The table's rows in the order the sorted answer lists show them (row numbers from 0): for the
// places (the table's own order), the winners and the defeated. The collation gives them; they
// are written out so that the program need not set a collator up to start, and the tests hold
// them against it.
extern const std::array<std::array<quint16, battleCount>, 3> battleListOrder;

// The information box's opening text: six lines, each ending in CR LF.
extern const QStringView introText;

} // namespace content
