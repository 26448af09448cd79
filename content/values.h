#pragma once

#include <QString>
#include <QStringView>

namespace content {

// What a cell's text is, as a teacher's spreadsheet shows it: a number („1805“, „3,5“,
// „1 234“), a date („20.04.1876“, „20.04.1876 г.“, „6 септември 1885“, „1876-04-20“), a time of
// day or a span („13:30“, „36:00:00“), or text.
enum class ValueKind { Text, Number, Date, Time };
ValueKind valueKind(QStringView text);

// The text a list sorts an entry by, so that dates and numbers stand in the order of their value
// under the Bulgarian collation, which compares runs of digits by their value: a date as year,
// month and day (20.04.1876 before 16.04.1879, and the year 1876 alone before both), a decimal
// by its whole fraction (3,25 before 3,5), a number grouped in thousands without the groups'
// spaces. Times already sort so. Any other text is its own sorting form.
QString sortingForm(const QString &text);

} // namespace content
