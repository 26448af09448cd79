#include "content/values.h"

#include <QList>
#include <QStringList>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace content {

namespace {

struct Date {
    int year;
    int month;
    int day;
};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A run of digits at the start of text, at most maxDigits long, and what follows it.
std::optional<int> leadingNumber(QStringView &text, int maxDigits) {
    qsizetype digits = 0;
    while (digits < text.size() && digits < maxDigits && isDigit(text[digits]))
        ++digits;
    if (digits == 0 || (digits < text.size() && isDigit(text[digits])))
        return std::nullopt;
    const int value = text.first(digits).toInt();
    text = text.sliced(digits);
    return value;
}

bool skip(QStringView &text, QStringView expected) {
    if (!text.startsWith(expected))
        return false;
    text = text.sliced(expected.size());
    return true;
}

// The year's mark a Bulgarian date may end with: „1876 г.“
QStringView withoutYearMark(QStringView text) {
    for (QStringView mark : {u" г.", u"\u00A0г.", u"г."})
        if (text.endsWith(mark))
            return text.chopped(mark.size());
    return text;
}

int monthByName(QStringView name) {
    static constexpr std::array<QStringView, 12> months = {
        u"януари", u"февруари", u"март",      u"април",    u"май",     u"юни",
        u"юли",    u"август",   u"септември", u"октомври", u"ноември", u"декември"};
    for (std::size_t i = 0; i < months.size(); ++i)
        if (name.compare(months[i], Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    return 0;
}

bool isValidDate(const Date &date) {
    return date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31;
}

// „20.04.1876“, „20.4.1876 г.“, „6 септември 1885“, „1876-04-20“.
std::optional<Date> dateOf(QStringView text) {
    text = withoutYearMark(text.trimmed());
    QStringView rest = text;
    const auto first = leadingNumber(rest, 4);
    if (!first)
        return std::nullopt;
    Date date{};
    if (skip(rest, u"-")) { // ISO
        const auto month = leadingNumber(rest, 2);
        if (!month || !skip(rest, u"-"))
            return std::nullopt;
        const auto day = leadingNumber(rest, 2);
        if (!day || !rest.isEmpty())
            return std::nullopt;
        date = {*first, *month, *day};
    } else if (skip(rest, u".")) {
        const auto month = leadingNumber(rest, 2);
        if (!month || !skip(rest, u"."))
            return std::nullopt;
        const auto year = leadingNumber(rest, 4);
        if (!year || !rest.isEmpty())
            return std::nullopt;
        date = {*year, *month, *first};
    } else if (skip(rest, u" ")) {
        const qsizetype space = rest.indexOf(u' ');
        if (space < 0)
            return std::nullopt;
        const int month = monthByName(rest.first(space));
        rest = rest.sliced(space + 1);
        const auto year = leadingNumber(rest, 4);
        if (month == 0 || !year || !rest.isEmpty())
            return std::nullopt;
        date = {*year, month, *first};
    } else {
        return std::nullopt;
    }
    return isValidDate(date) ? std::optional(date) : std::nullopt;
}

// „13:30“, „13:30:00“, „36:00:00“.
bool isTime(QStringView text) {
    QStringView rest = text.trimmed();
    if (!leadingNumber(rest, 5) || !skip(rest, u":") || !leadingNumber(rest, 2))
        return false;
    return rest.isEmpty() || (skip(rest, u":") && leadingNumber(rest, 2) && rest.isEmpty());
}

// „1805“, „-2“, „3,5“, „0.25“, „1 234 567“ (grouped with spaces, as a Bulgarian desktop shows
// thousands): the digits without the groups' spaces, the sign and the decimal mark.
struct Number {
    bool negative = false;
    QString whole;
    QString fraction;
};

std::optional<Number> numberOf(QStringView text) {
    text = text.trimmed();
    Number number;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        number.negative = text.front() == u'-';
        text = text.sliced(1);
    }
    bool inFraction = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            (inFraction ? number.fraction : number.whole) += c;
        } else if ((c == u',' || c == u'.') && !inFraction && !number.whole.isEmpty() &&
                   i + 1 < text.size()) {
            inFraction = true;
        } else if ((c == u' ' || c == u'\u00A0' || c == u'\u202F') && !inFraction &&
                   !number.whole.isEmpty() && text.size() - i > 3) {
            continue; // a group of thousands
        } else {
            return std::nullopt;
        }
    }
    if (number.whole.isEmpty())
        return std::nullopt;
    return number;
}

} // namespace

ValueKind valueKind(QStringView text) {
    if (text.isEmpty() || !(isDigit(text.front()) || text.front() == u'-' || text.front() == u'+' ||
                            text.front().isSpace()))
        return ValueKind::Text;
    if (dateOf(text))
        return ValueKind::Date;
    if (isTime(text))
        return ValueKind::Time;
    if (numberOf(text))
        return ValueKind::Number;
    return ValueKind::Text;
}

QString sortingForm(const QString &text) {
    // Most entries are words: they are their own form, shared, not copied.
    if (text.isEmpty() || !isDigit(text.front()))
        return text;
    if (const auto date = dateOf(text)) {
        return QString::number(date->year) + u'-' +
               QString::number(date->month).rightJustified(2, u'0') + u'-' +
               QString::number(date->day).rightJustified(2, u'0');
    }
    if (const auto number = numberOf(text); number && !number->fraction.isEmpty()) {
        // The collation compares runs of digits by their value: a fraction made as long as any
        // compares as a fraction does.
        constexpr qsizetype fractionDigits = 30;
        return number->whole + u',' + number->fraction.leftJustified(fractionDigits, u'0', true);
    }
    if (const auto number = numberOf(text))
        return number->whole;
    return text;
}

} // namespace content
