#include "readercases.h"

using namespace readercases;

namespace {

// Only text whose first filled line holds a tab is taken for cells; the cases of one column
// are refused for it before their cells are read.
bool firstLineHasTab(const QString &text) {
    for (const QString &line : text.split(u'\n'))
        if (!line.trimmed().isEmpty())
            return line.contains(u'\t');
    return false;
}

} // namespace

Q_DECLARE_METATYPE(quizfile::PastedCells)

// Cells pasted from a spreadsheet: Excel's plain text and LibreOffice Calc's own copy.
class TestPaste : public QObject {
    Q_OBJECT

private slots:
    void pasted_data();
    void pasted();
};

// Cells as spreadsheets put them on the clipboard, in UTF-8.
void TestPaste::pasted_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quizfile::PastedCells>("format");
    QTest::addColumn<Expected>("expected");
    const auto plain = quizfile::PastedCells::PlainText;
    const auto libreOffice = quizfile::PastedCells::LibreOffice;
    const std::array<QString, 3> battle = {u"Място"_s, u"Победител"_s, u"Победен"_s};

    QTest::newRow("Excel: a quoted line break and quotes, CR LF, no final line end")
        << "Място\tПобедител\tПобеден\tОбяснение\r\nКана\tХанибал\tВарон\t\"Два\r\n\"\"реда\"\"\"\r"
           "\n"
           "Ватерло\tУелингтън\tНаполеон\t"_ba
        << plain
        << opens(battle, u"Обяснение"_s,
                 {{{u"Кана"_s, u"Ханибал"_s, u"Варон"_s}, u"Два\r\n\"реда\""_s},
                  {{u"Ватерло"_s, u"Уелингтън"_s, u"Наполеон"_s}, {}}});
    QTest::newRow("plain text: years, quotes left as they stand")
        << "Година\tСъбитие\n1185\t\"Асен\" и Петър\n681\tОсноваване\n"_ba << plain
        << opens({u"Година"_s, u"Събитие"_s, {}}, {},
                 {{{u"1185"_s, u"\"Асен\" и Петър"_s, {}}, {}},
                  {{u"681"_s, u"Основаване"_s, {}}, {}}});
    QTest::newRow("LibreOffice: only cells with a tab or line break quoted")
        << "А\tБ\tОбяснение\n\"x\"\t\"Тютюн\" роман\t\"q\"\"\nw\"\nu\tv\t\"таб\tвътре\"\n"_ba
        << libreOffice
        << opens({u"А"_s, u"Б"_s, {}}, u"Обяснение"_s,
                 {{{u"\"x\""_s, u"\"Тютюн\" роман"_s, {}}, u"q\"\nw"_s},
                  {{u"u"_s, u"v"_s, {}}, u"таб\tвътре"_s}});
    QTest::newRow("a sentence is not a table")
        << "\n  Битката при Кана се води през 216 г. пр.н.е.\nКартаген\tРим\n"_ba << plain
        << refused(0, 0, u"не е таблица"_s);
    QTest::newRow("an empty cell, named by its place")
        << "А\tБ\tВ\nx\ty\tz\nu\t\tw\n"_ba << libreOffice << refused(3, 2, u"липсва стойност"_s);
    QTest::newRow("more than 16 MiB") << "А\tБ\n"_ba + QByteArray(quizfile::maxQuizFileBytes, 'x')
                                      << plain << refused(0, 0, u"твърде голям"_s);
    // The cases every reader meets, copied from Excel: a cell with a tab, a line break or a
    // quote in quotes.
    for (const Case &c : cases()) {
        if (c.textOnly)
            continue;
        QString text;
        for (const QStringList &row : cellsOf(c.text)) {
            QStringList cells;
            for (const QString &cell : row)
                cells << (cell.contains(u'\t') || cell.contains(u'\n') || cell.contains(u'\r') ||
                                  cell.contains(u'"')
                              ? u'"' + QString(cell).replace(u"\""_s, u"\"\""_s) + u'"'
                              : cell);
            text += cells.join(u'\t') + u"\r\n"_s;
        }
        if (firstLineHasTab(text))
            QTest::newRow(c.name) << text.toUtf8() << plain << c.expected;
    }
}

void TestPaste::pasted() {
    QFETCH(QByteArray, text);
    QFETCH(quizfile::PastedCells, format);
    QFETCH(Expected, expected);
    // Cells without a title row of their own take the pasted table's title.
    if (expected.quiz && expected.quiz->title == u"Тест"_s)
        expected.quiz->title = quizfile::pastedQuizTitle.toString();
    checkResult(quizfile::parsePastedCells(text, format), expected,
                quizfile::pastedTextName.toString());
}

QTEST_GUILESS_MAIN(TestPaste)
#include "tst_paste.moc"
