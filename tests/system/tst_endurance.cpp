// A class may leave the program open all day. A million clicks in one process, on the real form:
// right and wrong checks, checks with a list left unchosen, new rounds and clicks with indices
// the window has no button for. Resident memory must not grow, the last tenth of the clicks must
// run as fast as the first, and the window must show the right state throughout.

#include "quizfixture.h"

#include "content/battletable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <array>
#include <ctime>
#include <random>
#include <vector>

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

// CPU time of this thread: other load on the machine moves it much less than the wall clock.
qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The value a tenth of the chunks stay below. A slowdown of the program moves every chunk; a
// spell of other load on the machine moves only those it falls on, and has to cover nine in ten
// of a slice's chunks to move this figure.
qint64 lowDecile(std::vector<qint64> values) {
    const auto decile = values.begin() + std::ptrdiff_t(values.size() / 10);
    std::nth_element(values.begin(), decile, values.end());
    return *decile;
}

int eventCount() {
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("VALTESSA_ENDURANCE_EVENTS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : VALTESSA_ENDURANCE_EVENTS;
}

// Plays seeded random clicks on the form and keeps the state the window must show: which rows
// are left, which entry each list has chosen, the counters and the information box.
class Player {
public:
    explicit Player(quiz::QuizForm &form)
        : m_form(form)
        , m_information(form.Text1(0).Text()) {
        newRound();
    }

    void event() {
        const unsigned kind = m_random() % 200;
        if (kind < 10)
            rightCheck();
        else if (kind < 70)
            wrongCheck();
        else if (kind < 90)
            incompleteCheck();
        else if (kind < 92)
            clickNewRound();
        else
            otherIndex();
        verifyBriefly();
    }

    // Everything the window shows, against what it must show.
    void verifyFully() const {
        const std::array<const QStringList *, 3> full{&expectedPlaces, &expectedWinners,
                                                      &expectedDefeated};
        for (qint16 list = 0; list < 3; ++list) {
            QStringList expected;
            for (const QString &entry : *full[std::size_t(list)])
                if (m_remaining[std::size_t(rowOf(list, entry))])
                    expected << entry;
            const forms::ListBox &box = m_form.List1(list);
            QCOMPARE(items(box), expected);
            const int chosen = m_chosen[std::size_t(list)];
            if (chosen < 0)
                QCOMPARE(box.ListIndex(), -1);
            else
                QCOMPARE(box.List(box.ListIndex()), entry(list, chosen));
        }
        QCOMPARE(m_form.Text1(0).Text(), m_information);
        QCOMPARE(m_form.Label2(2).Caption(), QString::number(m_correct));
        QCOMPARE(m_form.Label2(3).Caption(), QString::number(m_wrong));
        for (qint16 column = 0; column < 3; ++column)
            QCOMPARE(m_form.List2(column).ListCount(), qint16(content::battleCount));
        QCOMPARE(m_form.List1(3).ListCount(), qint16(content::battleCount));
    }

    long long rightChecks = 0;
    long long wrongChecks = 0;
    long long incompleteChecks = 0;
    long long newRounds = 0;
    long long otherIndices = 0;

private:
    static const QString &entry(qint16 list, int row) {
        const Triple &triple = tableRows[row];
        return list == 0 ? triple.place : list == 1 ? triple.winner : triple.defeated;
    }

    static int rowOf(qint16 list, const QString &text) {
        for (int row = 0; row < content::battleCount; ++row)
            if (entry(list, row) == text)
                return row;
        qFatal("\"%s\" is in no row", qPrintable(text));
    }

    std::vector<int> remainingRows() const {
        std::vector<int> rows;
        for (int row = 0; row < content::battleCount; ++row)
            if (m_remaining[std::size_t(row)])
                rows.push_back(row);
        return rows;
    }

    int pick(const std::vector<int> &rows) { return rows[m_random() % rows.size()]; }

    // Chooses the entry of `row` in `list`, as a pupil's click does.
    void chooseRow(qint16 list, int row) {
        choose(m_form.List1(list), entry(list, row));
        m_chosen[std::size_t(list)] = row;
    }

    void unchoose(qint16 list) {
        choose(m_form.List1(list), QString());
        m_chosen[std::size_t(list)] = -1;
    }

    void rightCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.empty())
            return clickNewRound();
        const int row = pick(rows);
        for (qint16 list = 0; list < 3; ++list)
            chooseRow(list, row);
        m_form.Command1_Click(0);
        m_remaining[std::size_t(row)] = false;
        m_chosen.fill(-1);
        ++m_correct;
        m_information = content::battleTable[std::size_t(row)].explanation.toString();
        ++rightChecks;
    }

    // Like a pupil after a wrong answer: one choice changed, the others kept, pressed again.
    void wrongCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.size() < 2)
            return clickNewRound();
        for (qint16 list = 0; list < 3; ++list)
            if (m_chosen[std::size_t(list)] < 0)
                chooseRow(list, pick(rows));
        const auto changed = qint16(m_random() % 3);
        int row = pick(rows);
        auto wouldMatch = [&](int candidate) {
            for (qint16 list = 0; list < 3; ++list)
                if (list != changed && m_chosen[std::size_t(list)] != candidate)
                    return false;
            return true;
        };
        while (wouldMatch(row))
            row = pick(rows);
        chooseRow(changed, row);
        m_form.Command1_Click(0);
        ++m_wrong;
        m_information = u"???"_s;
        ++wrongChecks;
    }

    void incompleteCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.empty())
            return clickNewRound();
        const int row = pick(rows);
        const unsigned unchosen = 1 + m_random() % 7; // at least one list left without a choice
        for (qint16 list = 0; list < 3; ++list) {
            if (unchosen & (1u << list))
                unchoose(list);
            else
                chooseRow(list, row);
        }
        m_form.Command1_Click(0);
        ++incompleteChecks;
    }

    void clickNewRound() {
        m_form.Command1_Click(1);
        newRound();
        ++newRounds;
    }

    void newRound() {
        m_remaining.fill(true);
        m_chosen.fill(-1);
        m_correct = 0;
        m_wrong = 0;
    }

    void otherIndex() {
        // Any 16-bit index but 0 and 1, all equally likely.
        const int index = int(m_random() % 65534) - 32768;
        m_form.Command1_Click(qint16(index >= 0 ? index + 2 : index));
        ++otherIndices;
    }

    void verifyBriefly() const {
        const auto left = qint16(std::count(m_remaining.begin(), m_remaining.end(), true));
        for (qint16 list = 0; list < 3; ++list)
            if (m_form.List1(list).ListCount() != left)
                qFatal("List1(%d) holds %d entries, expected %d", list,
                       m_form.List1(list).ListCount(), left);
        if (m_form.Label2(2).Caption() != QString::number(m_correct) ||
            m_form.Label2(3).Caption() != QString::number(m_wrong))
            qFatal("the counters show %s and %s, expected %lld and %lld",
                   qPrintable(m_form.Label2(2).Caption()), qPrintable(m_form.Label2(3).Caption()),
                   m_correct, m_wrong);
    }

    quiz::QuizForm &m_form;
    std::mt19937 m_random{1415};
    std::array<bool, content::battleCount> m_remaining{};
    std::array<int, 3> m_chosen{-1, -1, -1}; // the row whose entry each list has chosen
    long long m_correct = 0;
    long long m_wrong = 0;
    QString m_information;
};

} // namespace

class TestEndurance : public QObject {
    Q_OBJECT

private slots:
    void aMillionClicksKeepMemoryAndSpeed();
};

void TestEndurance::aMillionClicksKeepMemoryAndSpeed() {
    const int events = eventCount();
    // The first and the last tenth of the run are timed in chunks of a hundredth of a tenth.
    const int slice = events / 10;
    const int chunk = std::max(1, slice / 100);
    const int warmUp = std::max(20000, events / 50);

    const auto form = loadedForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    Player player(*form);

    auto play = [&](int count) {
        for (int i = 0; i < count; ++i) {
            player.event();
            // The real program returns to the event loop between clicks: layouts and repaints.
            if (i % 64 == 63)
                QCoreApplication::processEvents();
        }
    };

    play(warmUp);
    player.verifyFully();
    if (QTest::currentTestFailed())
        return;
    QCoreApplication::processEvents();
    const qint64 baselineKiB = residentKiB();

    std::vector<qint64> firstChunks;
    std::vector<qint64> lastChunks;
    qint64 peakKiB = baselineKiB;
    QElapsedTimer wallClock;
    wallClock.start();
    for (int done = 0; done < events; done += chunk) {
        const qint64 started = threadCpuNanoseconds();
        play(chunk);
        const qint64 spent = threadCpuNanoseconds() - started;
        if (done < slice)
            firstChunks.push_back(spent);
        else if (done >= events - slice)
            lastChunks.push_back(spent);
        if ((done / chunk) % 100 == 99) {
            player.verifyFully();
            if (QTest::currentTestFailed())
                return;
            peakKiB = std::max(peakKiB, residentKiB());
        }
    }
    player.verifyFully();
    if (QTest::currentTestFailed())
        return;
    QCoreApplication::processEvents();
    const qint64 endKiB = residentKiB();

    const qint64 first = lowDecile(firstChunks);
    const qint64 last = lowDecile(lastChunks);
    qInfo("%d events in %.1f s after %d to warm up: %lld right, %lld wrong and %lld incomplete "
          "checks, %lld new rounds, %lld other indices",
          events, double(wallClock.elapsed()) / 1000, warmUp, player.rightChecks,
          player.wrongChecks, player.incompleteChecks, player.newRounds, player.otherIndices);
    qInfo("resident memory: %lld KiB after warm-up, %lld KiB at the end (%+lld KiB), peak %lld KiB",
          baselineKiB, endKiB, endKiB - baselineKiB, peakKiB);
    qInfo(
        "CPU time per %d events, low decile: first tenth %.3f ms, last tenth %.3f ms (ratio %.3f)",
        chunk, double(first) / 1e6, double(last) / 1e6, double(last) / double(first));

    QVERIFY2(endKiB - baselineKiB < 1024, "resident memory grew by 1 MiB or more");
    QVERIFY2(double(last) <= 1.2 * double(first),
             "the last tenth of the events ran more than 1.2 times slower than the first");
}

QTEST_MAIN(TestEndurance)

#include "tst_endurance.moc"
