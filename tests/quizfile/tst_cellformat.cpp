#include "quizfile/spreadsheet/cellformat.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A cell's number as a spreadsheet on a Bulgarian desktop shows it, by its format code.
class TestCellFormat : public QObject {
    Q_OBJECT

private slots:
    void formatNumber_data();
    void formatNumber();
    void date1904();
};

void TestCellFormat::formatNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("shown");

    QTest::newRow("General: a year") << 1805.0 << u"General"_s << u"1805"_s;
    QTest::newRow("General: a decimal comma") << 3.5 << u"General"_s << u"3,5"_s;
    QTest::newRow("fixed decimals") << 3.5 << u"0.00"_s << u"3,50"_s;
    QTest::newRow("thousands") << 1234567.0 << u"#,##0"_s << u"1\u00A0234\u00A0567"_s;
    QTest::newRow("percent") << 0.25 << u"0%"_s << u"25%"_s;
    QTest::newRow("text around") << 3.0 << u"\"глава \"0"_s << u"глава 3"_s;
    QTest::newRow("negative in its own section") << -2.0 << u"0;(0)"_s << u"(2)"_s;

    QTest::newRow("built-in 14: date")
        << 44696.0 << quizfile::builtInNumberFormat(14) << u"15.05.2022"_s;
    QTest::newRow("built-in 15") << 44696.0 << quizfile::builtInNumberFormat(15) << u"15-май-22"_s;
    QTest::newRow("built-in 20: time") << 0.5625 << quizfile::builtInNumberFormat(20) << u"13:30"_s;
    QTest::newRow("built-in 21") << 0.5625 << quizfile::builtInNumberFormat(21) << u"13:30:00"_s;
    QTest::newRow("built-in 22: date and time")
        << 44696.75 << quizfile::builtInNumberFormat(22) << u"15.05.2022 18:00"_s;
    QTest::newRow("built-in 45: minutes and seconds")
        << 0.5625 + 75.0 / 86400 << quizfile::builtInNumberFormat(45) << u"31:15"_s;
    QTest::newRow("built-in 46: a day and a half elapsed")
        << 1.5 << quizfile::builtInNumberFormat(46) << u"36:00:00"_s;
    QTest::newRow("elapsed minutes") << 1.5 << u"[mm]:ss"_s << u"2160:00"_s;
    QTest::newRow("elapsed seconds") << 0.001 << u"[ss]"_s << u"86"_s;
    QTest::newRow("elapsed hours and minutes") << 2.25 << u"[h]:mm"_s << u"54:00"_s;
    QTest::newRow("twelve hours") << 0.75 << quizfile::builtInNumberFormat(18) << u"6:00 PM"_s;
    QTest::newRow("month name") << 44696.0 << u"d mmmm yyyy"_s << u"15 май 2022"_s;
    // Calc writes the days before 30.12.1899 as negative serials.
    QTest::newRow("19th century, as Calc saves it")
        << -8654.0 << quizfile::builtInNumberFormat(14) << u"20.04.1876"_s;
    QTest::newRow("Calc's own code, in capitals") << -7972.0 << u"DD.MM.YYYY"_s << u"03.03.1878"_s;
    QTest::newRow("month name, 19th century")
        << -5228.0 << u"D MMMM YYYY"_s << u"6 септември 1885"_s;
    QTest::newRow("a year alone") << 3188.0 << u"YYYY"_s << u"1908"_s;
    QTest::newRow("the 7th century") << -445228.0 << u"D.M.YYYY"_s << u"1.1.681"_s;
    QTest::newRow("a date and a time before 1900")
        << -8654.75 << quizfile::builtInNumberFormat(22) << u"19.04.1876 6:00"_s;
    QTest::newRow("elapsed hours, a long lesson") << 0.0625 << u"[h]:mm"_s << u"1:30"_s;
    QTest::newRow("built-in 16") << 3188.0 << quizfile::builtInNumberFormat(16) << u"22-сеп"_s;
    QTest::newRow("built-in 17") << 3188.0 << quizfile::builtInNumberFormat(17) << u"сеп-08"_s;
    QTest::newRow("built-in 19") << 0.5625 << quizfile::builtInNumberFormat(19) << u"1:30:00 PM"_s;
}

void TestCellFormat::formatNumber() {
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, shown);
    QCOMPARE(quizfile::formatNumber(value, format), shown);
}

// Old Mac workbooks count from 1.01.1904.
void TestCellFormat::date1904() {
    QCOMPARE(quizfile::formatNumber(43234.0, u"dd.mm.yyyy", true), u"15.05.2022"_s);
}

QTEST_APPLESS_MAIN(TestCellFormat)
#include "tst_cellformat.moc"
