#pragma once

#include <QString>
#include <QStringView>

namespace quizfile {

// How a spreadsheet on a Bulgarian desktop shows a number: the text a CSV of the sheet would
// hold. Covers the formats teachers meet: General (a year 1805 shows „1805“, a decimal „3,5“),
// fixed decimals, thousands, percent, text around the number, dates and times; what it does
// not know (fractions, conditions) shows as General.
QString formatNumber(double value, QStringView formatCode, bool date1904 = false);

// The format code of one of Excel's built-in number formats, by its id; General for others.
QString builtInNumberFormat(int id);

// How a spreadsheet shows a truth value: „ИСТИНА“ or „НЕИСТИНА“.
QString formatBoolean(bool value);

} // namespace quizfile
