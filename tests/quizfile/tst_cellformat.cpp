#include "quizfile/spreadsheet/cellformat.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A cell's number as a spreadsheet on a Bulgarian desktop shows it, by its format code.
class TestCellFormat : public QObject {
    Q_OBJECT

private slots:
    void formatNumber_data();
    void formatNumber();
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
}

void TestCellFormat::formatNumber() {
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, shown);
    QCOMPARE(quizfile::formatNumber(value, format), shown);
}

QTEST_APPLESS_MAIN(TestCellFormat)
#include "tst_cellformat.moc"
