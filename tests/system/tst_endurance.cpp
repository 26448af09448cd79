// A class may leave the program open all day. A million clicks in one process, on the real form:
// right and wrong checks, checks with a list left unchosen, new rounds and clicks with indices
// the window has no button for. The window must show the right state throughout, and resident
// memory must not grow. (How fast the clicks stay over the day is a benchmark: bench_longday.)

#include "longday.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <algorithm>

#ifndef VALTESSA_ENDURANCE_EVENTS
#define VALTESSA_ENDURANCE_EVENTS 1000000
#endif

using namespace quiztest;

namespace {

// Resident memory of this process, in KiB.
qint64 residentKiB() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/status");
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    qFatal("no VmRSS in /proc/self/status");
}

int eventCount() {
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("VALTESSA_ENDURANCE_EVENTS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : VALTESSA_ENDURANCE_EVENTS;
}

} // namespace

class TestEndurance : public QObject {
    Q_OBJECT

private slots:
    void aMillionClicksKeepStateAndMemory();
};

void TestEndurance::aMillionClicksKeepStateAndMemory() {
    const int events = eventCount();
    const int stretch = 10000; // clicks between full comparisons of the window with the model
    const int warmUp = std::max(20000, events / 50);

    const auto form = loadedForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    LongDay day(*form);

    day.play(warmUp);
    QCOMPARE(day.difference(), QString());
    QCoreApplication::processEvents();
    const qint64 baselineKiB = residentKiB();

    qint64 peakKiB = baselineKiB;
    QElapsedTimer wallClock;
    wallClock.start();
    for (int done = 0; done < events; done += stretch) {
        day.play(std::min(stretch, events - done));
        const QString difference = day.difference();
        QVERIFY2(difference.isEmpty(),
                 qPrintable(u"after %1 clicks: %2"_s.arg(done).arg(difference)));
        peakKiB = std::max(peakKiB, residentKiB());
    }
    QCoreApplication::processEvents();
    const qint64 endKiB = residentKiB();

    qInfo("%d events in %.1f s after %d to warm up: %lld right, %lld wrong and %lld incomplete "
          "checks, %lld new rounds, %lld other indices",
          events, double(wallClock.elapsed()) / 1000, warmUp, day.rightChecks, day.wrongChecks,
          day.incompleteChecks, day.newRounds, day.otherIndices);
    qInfo("resident memory: %lld KiB after warm-up, %lld KiB at the end (%+lld KiB), peak %lld KiB",
          baselineKiB, endKiB, endKiB - baselineKiB, peakKiB);
    QVERIFY2(endKiB - baselineKiB < 1024, "resident memory grew by 1 MiB or more");
}

QTEST_MAIN(TestEndurance)

#include "tst_endurance.moc"
