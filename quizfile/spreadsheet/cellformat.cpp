#include "quizfile/spreadsheet/cellformat.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

// A section of a format code without colours, locale tags and padding. Literal text (quoted,
// escaped, or any other character) stays in the pattern as a marker and the character, and is
// also collected before and after the number.
constexpr QChar literalMark = u'\x1f';
// Elapsed time, [h], [mm] or [ss]: the whole time in that unit, not the hour of a day. The mark
// stands before the letters in the pattern.
constexpr QChar elapsedMark = u'\x1e';

struct Section {
    QString pattern; // placeholders and symbols, and literals after literalMark
    QString prefix;  // literal text before the first placeholder
    QString suffix;  // and after the last
};

Section parseSection(QStringView code) {
    Section section;
    bool seenPlaceholder = false;
    const auto addLiteral = [&](QStringView literal) {
        for (QChar c : literal) {
            section.pattern += literalMark;
            section.pattern += c;
        }
        (seenPlaceholder ? section.suffix : section.prefix) += literal;
    };
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            addLiteral(code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1));
            i = end < 0 ? code.size() : end;
        } else if (c == u'\\' && i + 1 < code.size()) {
            addLiteral(code.mid(++i, 1));
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i);
            const QStringView inside = code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1);
            // [h], [mm], [ss]: elapsed time, shown as hours, minutes, seconds.
            if (!inside.isEmpty() && u"hms"_s.contains(inside[0].toLower())) {
                seenPlaceholder = true;
                section.pattern += elapsedMark + inside.toString();
                section.suffix.clear();
            }
            i = end < 0 ? code.size() : end;
        } else if (c == u'_' || c == u'*') { // padding to a character's width, or fill
            ++i;
        } else if (u"0#?.,%/EeyYmMdDhHsSaApP:"_s.contains(c)) {
            seenPlaceholder = true;
            section.pattern += c;
            section.suffix.clear();
        } else {
            addLiteral(code.mid(i, 1));
        }
    }
    return section;
}

// The sections of a format code, split at ';' outside quotes and brackets: for positive numbers,
// negative ones, zero, and text.
QList<QStringView> sections(QStringView code) {
    QList<QStringView> result;
    qsizetype start = 0;
    QChar closing;
    for (qsizetype i = 0; i < code.size(); ++i) {
        if (!closing.isNull()) {
            if (code[i] == closing)
                closing = QChar();
        } else if (code[i] == u'"' || code[i] == u'[') {
            closing = code[i] == u'"' ? u'"' : u']';
        } else if (code[i] == u'\\') {
            ++i;
        } else if (code[i] == u';') {
            result.append(code.mid(start, i - start));
            start = i + 1;
        }
    }
    result.append(code.mid(start));
    return result;
}

// Whether the pattern holds one of the letters outside its literal characters.
bool patternHasAnyOf(const QString &pattern, QStringView letters) {
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == literalMark)
            ++i;
        else if (letters.contains(pattern[i]) || pattern[i] == elapsedMark)
            return true;
    }
    return false;
}

bool hasPlaceholder(const QString &pattern) {
    return patternHasAnyOf(pattern, u"0#?");
}

bool isDateTime(const QString &pattern) {
    return patternHasAnyOf(pattern, u"yYdDhHsSmM");
}

QString general(double value) {
    if (std::abs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    QString text = QString::number(value, 'g', 15).toUpper();
    return text.replace(u'.', u','); // a Bulgarian desktop's decimal comma
}

// Fixed decimals, with groups of thousands when the pattern has them.
QString fixed(double value, const QString &pattern) {
    const qsizetype point = pattern.indexOf(u'.');
    int decimals = 0;
    for (qsizetype i = point + 1; point >= 0 && i < pattern.size() && u"0#?"_s.contains(pattern[i]);
         ++i)
        ++decimals;
    const bool grouped = pattern.left(point < 0 ? pattern.size() : point).contains(u',');
    const QString digits = QString::number(std::abs(value), 'f', decimals);
    const qsizetype dot = digits.indexOf(u'.');
    QString whole = digits.left(dot < 0 ? digits.size() : dot);
    if (grouped) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, QChar(0xA0)); // a Bulgarian desktop groups with a no-break space
    }
    const QString text = whole + (dot < 0 ? QString() : u',' + digits.mid(dot + 1));
    const bool shownNonZero =
        std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    return value < 0 && shownNonZero ? u'-' + text : text;
}

// The days a date serial counts from: Calc's and Excel's 30.12.1899, or 1.01.1904 in the date
// system of old Mac workbooks. Calc writes the days before it as negative serials (a battle of
// 1876 is about -8 600), which it shows as dates all the same.
constexpr qint64 firstSerial = -693593; // 1.01.0001
constexpr qint64 lastSerial = 2958465;  // 31.12.9999

QString dateTime(double value, const QString &pattern, bool date1904) {
    const QDate epoch = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const auto days = qint64(std::floor(value));
    if (days < firstSerial || days > lastSerial)
        return general(value);
    const auto seconds = qint64(std::llround((value - double(days)) * 86400.0));
    // In UTC: a day of the calendar, never one of a time zone that skips an hour.
    const QDateTime moment = QDateTime(epoch.addDays(days), QTime(0, 0), Qt::UTC).addSecs(seconds);
    const QDate date = moment.date();
    const QTime time = moment.time();
    const QLocale bulgarian(QLocale::Bulgarian);
    const bool twelveHours = pattern.contains(u"AM/PM"_s, Qt::CaseInsensitive) ||
                             pattern.contains(u"A/P"_s, Qt::CaseInsensitive);
    const auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    QString text;
    QChar lastToken;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (c != literalMark && c != elapsedMark && i + run < pattern.size() &&
               pattern[i + run].toLower() == c)
            ++run;
        if (c == literalMark) {
            text += pattern.mid(i + 1, 1);
            run = 2;
        } else if (c == elapsedMark) {
            // The whole time in the unit, at least as many digits as the letters ask for.
            const QChar unit = pattern.mid(i + 1, 1).toLower().front();
            qsizetype letters = 0;
            while (i + 1 + letters < pattern.size() && pattern[i + 1 + letters].toLower() == unit)
                ++letters;
            const qint64 wholeSeconds = std::llround(value * 86400.0);
            const qint64 elapsed = unit == u'h'   ? wholeSeconds / 3600
                                   : unit == u'm' ? wholeSeconds / 60
                                                  : wholeSeconds;
            text += QString::number(elapsed).rightJustified(letters, u'0');
            lastToken = unit;
            i += 1 + letters;
            continue;
        } else if (c == u'y') {
            text += run <= 2 ? two(date.year() % 100) : QString::number(date.year());
        } else if (c == u'm') {
            // Minutes after hours or before seconds; otherwise the month.
            qsizetype next = i + run;
            while (next < pattern.size() && !u"yYdDhHsSmM"_s.contains(pattern[next]))
                next += pattern[next] == literalMark ? 2 : 1;
            const bool minutes =
                lastToken == u'h' || (next < pattern.size() && pattern[next].toLower() == u's');
            if (minutes)
                text += run == 1 ? QString::number(time.minute()) : two(time.minute());
            else if (run >= 3)
                text += bulgarian.monthName(date.month(),
                                            run >= 4 ? QLocale::LongFormat : QLocale::ShortFormat);
            else
                text += run == 1 ? QString::number(date.month()) : two(date.month());
        } else if (c == u'd') {
            if (run >= 3)
                text += bulgarian.dayName(date.dayOfWeek(),
                                          run >= 4 ? QLocale::LongFormat : QLocale::ShortFormat);
            else
                text += run == 1 ? QString::number(date.day()) : two(date.day());
        } else if (c == u'h') {
            const int hour = twelveHours ? (time.hour() + 11) % 12 + 1 : time.hour();
            text += run == 1 ? QString::number(hour) : two(hour);
        } else if (c == u's') {
            text += run == 1 ? QString::number(time.second()) : two(time.second());
        } else if (c == u'a' && pattern.mid(i, 5).compare(u"AM/PM"_s, Qt::CaseInsensitive) == 0) {
            text += time.hour() < 12 ? u"AM"_s : u"PM"_s;
            run = 5;
        } else if (c == u'a' && pattern.mid(i, 3).compare(u"A/P"_s, Qt::CaseInsensitive) == 0) {
            text += time.hour() < 12 ? u"A"_s : u"P"_s;
            run = 3;
        } else if (c == u'/') {
            text += QString(run, u'.'); // the date separator of a Bulgarian desktop
        } else {
            text += pattern.mid(i, run);
        }
        if (u"ymdhs"_s.contains(c))
            lastToken = c;
        i += run;
    }
    return text;
}

} // namespace

QString formatBoolean(bool value) {
    return value ? u"ИСТИНА"_s : u"НЕИСТИНА"_s;
}

QString builtInNumberFormat(int id) {
    switch (id) {
    case 1:
        return u"0"_s;
    case 2:
        return u"0.00"_s;
    case 3:
    case 37:
    case 38:
        return u"#,##0"_s;
    case 4:
    case 39:
    case 40:
        return u"#,##0.00"_s;
    case 9:
        return u"0%"_s;
    case 10:
        return u"0.00%"_s;
    case 14:
        return u"dd.mm.yyyy"_s;
    case 15:
        return u"d-mmm-yy"_s;
    case 16:
        return u"d-mmm"_s;
    case 17:
        return u"mmm-yy"_s;
    case 18:
        return u"h:mm AM/PM"_s;
    case 19:
        return u"h:mm:ss AM/PM"_s;
    case 20:
        return u"h:mm"_s;
    case 21:
        return u"h:mm:ss"_s;
    case 22:
        return u"dd.mm.yyyy h:mm"_s;
    case 45:
        return u"mm:ss"_s;
    case 46:
        return u"[h]:mm:ss"_s;
    default:
        return u"General"_s;
    }
}

QString formatNumber(double value, QStringView formatCode, bool date1904) {
    if (!std::isfinite(value))
        return general(value);
    if (formatCode.isEmpty() || formatCode.compare(u"General", Qt::CaseInsensitive) == 0 ||
        formatCode == u"@")
        return general(value);
    // A negative number in its own section shows without its sign; zero may have one too.
    const QList<QStringView> parts = sections(formatCode);
    QStringView code = parts[0];
    if (value < 0 && parts.size() > 1) {
        code = parts[1];
        value = -value;
    } else if (value == 0 && parts.size() > 2) {
        code = parts[2];
    }
    const Section section = parseSection(code);
    if (isDateTime(section.pattern))
        return dateTime(value, section.pattern, date1904);
    if (!hasPlaceholder(section.pattern)) // only text, as a truth value's "ВЯРНО"
        return section.prefix.isEmpty() ? general(value) : section.prefix;
    QString shown;
    const bool percent = section.pattern.contains(u'%');
    if (section.pattern.contains(u'E', Qt::CaseInsensitive) || section.pattern.contains(u'/'))
        shown = general(value); // scientific notation and fractions: as General
    else
        shown =
            fixed(percent ? value * 100 : value, section.pattern) + (percent ? u"%"_s : QString());
    return section.prefix + shown + section.suffix;
}

} // namespace quizfile
