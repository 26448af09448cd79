#pragma once
// What the reader suites share: what a file must give, and the table of cases every reader meets
// in its own format. A case is written as text with '|' between cells; the delimited-text suite
// tries it with each separator and encoding, and the spreadsheet and paste suites put its cells
// into their own files: the same cells must give the same quiz, or the same message at the same
// place, whatever they were read from.
#include "content/quiz.h"
#include "quizfile/quizfile.h"

#include <QMetaType>
#include <QStringList>
#include <QTest>

#include <array>
#include <optional>
#include <vector>

namespace readercases {

using namespace Qt::StringLiterals;
using content::Quiz;
using content::QuizRow;
using quizfile::QuizFileError;
using quizfile::QuizFileResult;

// What a file must give: a quiz, or an error at a place whose message says a given thing.
struct Expected {
    std::optional<Quiz> quiz;
    int line = 0;
    int column = 0;
    QString fragment;
};

// A quiz of pairs leaves its third caption empty.
inline Expected opens(std::array<QString, 3> captions, QString explanationCaption,
                      std::vector<QuizRow> rows, QString title = u"Тест"_s) {
    const int answerCount = captions[2].isEmpty() ? 2 : 3;
    return {Quiz{std::move(title), answerCount, std::move(captions), std::move(explanationCaption),
                 std::move(rows)},
            0,
            0,
            {}};
}

inline Expected refused(int line, int column, QString fragment) {
    return {std::nullopt, line, column, std::move(fragment)};
}

inline void checkResult(const QuizFileResult &result, const Expected &expected,
                        const QString &source = u"Тест.csv"_s) {
    if (expected.quiz) {
        if (const auto *error = std::get_if<QuizFileError>(&result))
            QFAIL(qPrintable(u"refused: "_s + error->text()));
        const Quiz &quiz = std::get<Quiz>(result);
        QCOMPARE(quiz.title, expected.quiz->title);
        QCOMPARE(quiz.answerCount, expected.quiz->answerCount);
        QCOMPARE(quiz.captions, expected.quiz->captions);
        QCOMPARE(quiz.explanationCaption, expected.quiz->explanationCaption);
        QVERIFY2(quiz.rows == expected.quiz->rows, "the rows differ");
        // A text that comes again in an answer column shares the first one's characters.
        for (std::size_t column = 0; column < std::size_t(quiz.answerCount); ++column) {
            QHash<QString, const QChar *> first;
            for (const QuizRow &row : quiz.rows) {
                const QChar *&data = first[row.answers[column]];
                if (data == nullptr)
                    data = row.answers[column].constData();
                QCOMPARE(row.answers[column].constData(), data);
            }
        }
        return;
    }
    const auto *error = std::get_if<QuizFileError>(&result);
    QVERIFY2(error, "the file opened");
    QCOMPARE(error->fileName, source);
    QVERIFY2(error->text().contains(expected.fragment), qPrintable(error->text()));
    QCOMPARE(error->line, expected.line);
    QCOMPARE(error->column, expected.column);
}

// Every file here is written with '|' between fields. A case whose point is how text files
// quote and end their lines is for them only.
struct Case {
    const char *name;
    QString text;
    Expected expected;
    bool textOnly = false;
};

inline std::vector<Case> cases() {
    const std::array<QString, 3> battle = {u"Място"_s, u"Победител"_s, u"Победен"_s};
    const std::array<QString, 3> abc = {u"А"_s, u"Б"_s, u"В"_s};
    QStringList columns;
    for (int column = 1; column <= 21; ++column)
        columns << u"К"_s + QString::number(column);
    const QString wide = columns.join(u'|');
    return {
        {"three columns, a winner twice, no final line end",
         u"Писател|Творба|Герой\nИван Вазов|Под игото|Бай Марко\n"
         u"Елин Пелин|Гераците|Йордан\nИван Вазов|Чичовци|Иванчо Йотата"_s,
         opens({u"Писател"_s, u"Творба"_s, u"Герой"_s}, {},
               {{{u"Иван Вазов"_s, u"Под игото"_s, u"Бай Марко"_s}, {}},
                {{u"Елин Пелин"_s, u"Гераците"_s, u"Йордан"_s}, {}},
                {{u"Иван Вазов"_s, u"Чичовци"_s, u"Иванчо Йотата"_s}, {}}})},
        {"blanks dropped around values, quoted ones kept exactly with quotes and line breaks",
         u" Място|Победител\u00A0|Победен|Обяснение \r\n"
         u"Кана - битка |Ханибал|\u00A0 Теренций Варон|\"Първото \"\"пълно\"\" обкръжение; "
         u"216 г., Апулия\r\nвтори ред\n\"\r\n"
         u"\"Ватерло, битка\"|\"Уелсли; Блюхер\"|\" Наполеон I \"|  \r\n"_s,
         opens(battle, u"Обяснение"_s,
               {{{u"Кана - битка"_s, u"Ханибал"_s, u"Теренций Варон"_s},
                 u"Първото \"пълно\" обкръжение; 216 г., Апулия\r\nвтори ред\n"_s},
                {{u"Ватерло, битка"_s, u"Уелсли; Блюхер"_s, u" Наполеон I "_s}, {}}}),
         true},
        {"title row, a trailing empty column, a row without its explanation cell",
         u"Български владетели|||\r\n\r\nМясто|Победител|Победен|Обяснение|\r\n"
         u"Плиска |Крум|Никифор I|Юли 811 г.\r\nВарна|Владислав III | Мурад II\r\n"_s,
         opens(battle, u"Обяснение"_s,
               {{{u"Плиска"_s, u"Крум"_s, u"Никифор I"_s}, u"Юли 811 г."_s},
                {{u"Варна"_s, u"Владислав III"_s, u"Мурад II"_s}, {}}},
               u"Български владетели"_s)},
        {"a title row alone", u"|Заглавие|\n\n"_s,
         refused(1, 0, u"под заглавието на викторината няма заглавен ред"_s)},
        {"a first row that is an answer", u"Плиска|Крум\nПреслав|Симеон\nПлиска|Омуртаг\n"_s,
         refused(1, 0,
                 u"прилича на ред с отговори, а не на заглавия: „Плиска“ е и отговор на ред 3"_s)},
        {"values equal once their blanks are dropped", u"А|Б\nx |y\n x|\u00A0y\n"_s,
         refused(3, 0, u"като на ред 2 – двата реда не могат да се различат; изтрийте"_s)},
        {"blank lines, empty rows and empty trailing fields skipped",
         u"А|Б|В||\r\n\r\n|||\r\nx|y|z|\n   \n\"\"|\"\"|\"\"\nu|v|w||\n\n"_s,
         opens(abc, {}, {{{u"x"_s, u"y"_s, u"z"_s}, {}}, {{u"u"_s, u"v"_s, u"w"_s}, {}}})},
        {"lone CR line ends", u"А|Б|В\rx|y|z\ru|v|w\r"_s,
         opens(abc, {}, {{{u"x"_s, u"y"_s, u"z"_s}, {}}, {{u"u"_s, u"v"_s, u"w"_s}, {}}}), true},

        {"empty file", {}, refused(0, 0, u"няма заглавен ред: таблицата е празна"_s)},
        {"only blank lines", u"\r\n|||\n  \n"_s, refused(0, 0, u"няма заглавен ред"_s)},
        {"pairs: years and events, numbers kept as written",
         u"\nГодина|Събитие\n1185|Въстание на Асен и Петър\n681|Основаване на България\n"_s,
         opens({u"Година"_s, u"Събитие"_s, {}}, {},
               {{{u"1185"_s, u"Въстание на Асен и Петър"_s, {}}, {}},
                {{u"681"_s, u"Основаване на България"_s, {}}, {}}})},
        {"pairs with explanations: the third caption names them",
         u"Дума|Превод| обяснение \nкъща|house|\"Сграда\nза живеене\"\nдърво|tree|\n"_s,
         opens({u"Дума"_s, u"Превод"_s, {}}, u"обяснение"_s,
               {{{u"къща"_s, u"house"_s, {}}, u"Сграда\nза живеене"_s},
                {{u"дърво"_s, u"tree"_s, {}}, {}}})},
        {"pairs: the same pair twice", u"А|Б\nx|y\nu|v\nx|y\n"_s,
         refused(4, 0, u"като на ред 2"_s)},
        {"pairs: a third value in a row", u"А|Б\nx|y\nu|v|w\n"_s,
         refused(3, 3,
                 u"излишна клетка: заглавният ред има само 2 колони (A и B); изтрийте клетката"_s)},
        {"one column under a title", u"\nА\nx\nu\n"_s,
         refused(3, 0, u"а има 1 колона (A); всяко име на колона трябва да е в своя клетка"_s)},
        {"header of twenty-one", wide + u"\n"_s + wide + u"\n"_s + wide + u"\n"_s,
         refused(1, 0, u"а има 21 колона (A–U); изтрийте излишните колони"_s)},
        {"header of five", u"А|Б|В|Г|Д\nx|y|z|e|f\nu|v|w|e|f\n"_s,
         refused(1, 0, u"2, 3 или 4 колони: два отговора"_s)},
        {"header with an empty caption", u"А|Б||Г\nx|y|z|q\nu|v|w|r\n"_s,
         refused(1, 3, u"липсва надпис на колоната; напишете"_s)},
        {"two captions apart: the second is named, with either fix", u"А||В\nx|y|z\nu|v|w\n"_s,
         refused(1, 3, u"ако това е редът с надписите на колоните, попълнете празните клетки"_s)},
        {"a title with the class beside it",
         u"Битки|||10 б клас\nМясто|Победител|Победен|Обяснение\nx|y|z|\nu|v|w|\n"_s,
         refused(1, 4, u"преместете „10 б клас“ в клетката на заглавието"_s)},
        {"a first row of numbers where the column holds numbers",
         u"681|Признаване\n864|Покръстване\n1185|Въстание\n"_s,
         refused(1, 0,
                 u"„681“ е число, както всички стойности под него. Ако таблицата няма ред с "
                 u"надписи, добавете ред с надписи"_s)},
        {"a first row of dates where the column holds dates",
         u"20.04.1876|Априлско въстание\n03.03.1878|Освобождение\n6.09.1885|Съединение\n"_s,
         refused(1, 0, u"„20.04.1876“ е дата"_s)},
        {"„Пояснение“ names explanations, in any case",
         u"Дума|Превод|ПОЯСНЕНИЕ\nкъща|house|Сграда\nдърво|tree|\n"_s,
         opens({u"Дума"_s, u"Превод"_s, {}}, u"ПОЯСНЕНИЕ"_s,
               {{{u"къща"_s, u"house"_s, {}}, u"Сграда"_s}, {{u"дърво"_s, u"tree"_s, {}}, {}}})},
        {"a Latin letter inside a Cyrillic word",
         u"Река|Държава\nДунaв|България\nДнепър|Украйна\n"_s,
         refused(2, 1, u"„a“ е латинска буква сред кирилски в думата „Дунaв“"_s)},
        {"a Cyrillic letter inside a Latin word",
         u"Име|Name\nНаполеон|Nаpoleon I\nКутузов|Kutuzov\n"_s,
         refused(2, 2, u"„а“ е кирилска буква сред латински в думата „Nаpoleon“"_s)},
        {"row too short", u"А|Б|В|Г\r\nx|y|z|e\r\nu|v\r\n"_s,
         refused(3, 3, u"редът има 2 колони, а заглавният ред – 4 колони; попълнете клетката"_s),
         true},
        {"row too long", u"А|Б|В\nx|y|z\nu|v|w|обяснение\n"_s, refused(3, 4, u"излишна клетка"_s)},
        {"empty value", u"А|Б|В\nx|y|z\n\nu||w\n"_s,
         refused(4, 2, u"липсва стойност; попълнете клетката или изтрийте реда"_s)},
        {"blank value", u"А|Б|В\n   |y|z\nu|v|w\n"_s, refused(2, 1, u"липсва стойност"_s)},
        {"unclosed quote", u"А|Б|В\r\nx|y|z\r\nu|\"v|w\r\nq|r|s\r\n"_s,
         refused(3, 2, u"кавичките в началото на клетката не са затворени"_s), true},
        {"text after a closing quote", u"А|Б|В\nx|\"y\"z|w\nu|v|w\n"_s,
         refused(2, 2, u"след затварящите кавички"_s), true},
        {"no rows", u"А|Б|В\r\n"_s, refused(0, 0, u"поне 2 реда"_s)},
        {"one row", u"А|Б|В\r\nx|y|z\r\n"_s,
         refused(0, 0, u"поне 2 реда с отговори, а има 1 ред; добавете"_s)},
        {"same answers twice, explanations aside",
         u"А|Б|В|Г\nx|y|z|едно\nu|v|w|\nq|r|s|\nx|y|z|друго\n"_s,
         refused(5, 0, u"като на ред 2"_s)},
        {"control character", u"А|Б|В\nx|y\x07|z\nu|v|w\n"_s,
         refused(2, 2, u"управляващ знак U+0007, който не се вижда; напишете"_s), true},
        {"line break in an answer", u"А|Б|В|Г\nx|\"y\nz\"|w|\nu|v|w|\n"_s,
         refused(2, 2, u"няколко реда"_s)},
        {"line break in a caption", u"А|Б|В|\"Г\r\nД\"\nx|y|z|\nu|v|w|\n"_s,
         refused(1, 4, u"няколко реда"_s)},
        {"rows counted as a spreadsheet shows them",
         u"А|Б|В|Г\nx|y|z|\"три\nреда\nобяснение\"\nu|v||\n"_s,
         refused(3, 3, u"липсва стойност"_s)},
    };
}

// The cells of a case's rows, as a spreadsheet would hold them: '|' between cells, a cell in
// quotes holding line breaks and '|' ("" for a quote), any line end ending a row. A blank line is
// a row of one empty cell.
inline std::vector<QStringList> cellsOf(const QString &text) {
    std::vector<QStringList> rows(1, QStringList(QString()));
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QString &cell = rows.back().last();
        if (quoted && c == u'"' && text.mid(i + 1, 1) == u"\""_s) {
            cell += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u'|') {
            rows.back().append(QString());
        } else if (!quoted && (c == u'\r' || c == u'\n')) {
            if (c == u'\r' && text.mid(i + 1, 1) == u"\n"_s)
                ++i;
            rows.emplace_back(QStringList(QString()));
        } else {
            cell += c;
        }
    }
    if (rows.back() == QStringList(QString()))
        rows.pop_back();
    return rows;
}

} // namespace readercases

Q_DECLARE_METATYPE(readercases::Expected)
