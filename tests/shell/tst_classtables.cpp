#include "shell/classtables.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The teacher's live table of pupils: the time and the state each line shows at a moment.
class TestClassTables : public QObject {
    Q_OBJECT

private slots:
    void aLineShowsItsTimeAndState_data();
    void aLineShowsItsTimeAndState();
};

void TestClassTables::aLineShowsItsTimeAndState_data() {
    QTest::addColumn<qint64>("firstCheckAt");
    QTest::addColumn<qint64>("endedAt");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("state");
    // The moment the table is shown: 10 minutes in; the attempt began at 0, the last right
    // answer came at 9:00, and a pupil offline lost its link at 9:30.
    QTest::newRow("no check yet") << 0LL << 0LL << false << true << u"0:00"_s << u"играе"_s;
    QTest::newRow("playing") << 30'000LL << 0LL << false << true << u"9:30"_s << u"играе"_s;
    QTest::newRow("finished: the time stops at the last match")
        << 30'000LL << 540'000LL << true << true << u"8:30"_s << u"завършил"_s;
    QTest::newRow("finished, then the host stopped")
        << 30'000LL << 540'000LL << true << false << u"8:30"_s << u"завършил"_s;
    QTest::newRow("offline while playing")
        << 30'000LL << 0LL << false << false << u"9:30"_s << u"без връзка от 0:30"_s;
}

void TestClassTables::aLineShowsItsTimeAndState() {
    QFETCH(qint64, firstCheckAt);
    QFETCH(qint64, endedAt);
    QFETCH(bool, finished);
    QFETCH(bool, online);
    classroom::PupilFigures figures;
    figures.pupil = 1;
    figures.name = u"Мария"_s;
    figures.lastRightAt = 540'000;
    figures.firstCheckAt = firstCheckAt;
    figures.endedAt = endedAt;
    figures.finished = finished;
    shell::PupilTable table;
    table.setLines({{figures, online, 570'000}}, 600'000);
    QTEST(table.index(0, shell::PupilTable::Time).data().toString(), "time");
    QTEST(table.index(0, shell::PupilTable::State).data().toString(), "state");
}

QTEST_GUILESS_MAIN(TestClassTables)
#include "tst_classtables.moc"
