// How long the window's event procedures take on the real form: a new round, a right check and a
// wrong check, each reached through Command1_Click as a button click reaches it. The form is
// shown (offscreen unless another platform is asked for), so the lists do the work a visible
// list does. The repaint that follows in the event loop is left out, except in the figures whose
// names end in "Painted", which run the event loop until the window shows the answer.
#include "quizfixture.h"

#include "shell/application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

using namespace quiztest;

class BenchEvents : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newRound();
    void rightCheck();
    void rightCheckPainted();
    void wrongCheck();
    void wrongCheckPainted();
    void checkWithoutSelection();
    void otherIndex();
    void fullRound();

private:
    void timeRightChecks(bool untilPainted);

    std::unique_ptr<quiz::QuizForm> m_form;
};

void BenchEvents::init() {
    m_form = loadedForm();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void BenchEvents::cleanup() {
    m_form.reset();
}

// A new round on a full round: clears the three lists and refills them in sorted order.
void BenchEvents::newRound() {
    chooseRow(*m_form, 4);
    QBENCHMARK {
        m_form->Command1_Click(1);
    }
    QCOMPARE(m_form->List1(2).ListCount(), qint16(content::battleCount));
    QCOMPARE(m_form->List1(0).ListIndex(), -1);
}

// A right check needs a fresh triple each time, which QBENCHMARK cannot set up outside its
// measured loop. So each check is timed on its own, with the choosing of the triple and the new
// round that refills the lists left outside the clock; the figure is the median of all checks,
// taken over whole rounds in a shuffled row order, at every list length from 16 down to 1.
// With untilPainted the clock runs on through the event loop until the window has been redrawn
// with the answer: the lists' and the information box's layouts that Qt leaves for later.
void BenchEvents::timeRightChecks(bool untilPainted) {
    constexpr int rounds = 64;
    std::vector<qint64> nanoseconds;
    nanoseconds.reserve(std::size_t(rounds) * content::battleCount);
    std::array<std::size_t, content::battleCount> order{};
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::mt19937 random(20240501);
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        m_form->Command1_Click(1);
        std::shuffle(order.begin(), order.end(), random);
        for (std::size_t row : order) {
            chooseRow(*m_form, int(row));
            if (untilPainted)
                QCoreApplication::processEvents();
            timer.start();
            m_form->Command1_Click(0);
            if (untilPainted)
                QCoreApplication::processEvents();
            nanoseconds.push_back(timer.nsecsElapsed());
        }
        QCOMPARE(m_form->Label2(2).Caption(), QString::number(content::battleCount));
        QCOMPARE(m_form->List1(0).ListCount(), qint16(0));
    }
    const auto middle = nanoseconds.begin() + std::ptrdiff_t(nanoseconds.size() / 2);
    std::nth_element(nanoseconds.begin(), middle, nanoseconds.end());
    QTest::setBenchmarkResult(qreal(*middle), QTest::WalltimeNanoseconds);
}

void BenchEvents::rightCheck() {
    timeRightChecks(false);
}

void BenchEvents::rightCheckPainted() {
    timeRightChecks(true);
}

// The same wrong triple checked again and again, each time followed by the repaint.
void BenchEvents::wrongCheckPainted() {
    chooseTriple(*m_form, tableRows()[12].place, tableRows()[12].winner, tableRows()[13].defeated);
    QCoreApplication::processEvents();
    QBENCHMARK {
        m_form->Command1_Click(0);
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_form->Text1(0).Text(), QStringLiteral("???"));
}

// The same wrong triple checked again and again: each check counts one more wrong answer and
// shows "???", which is what a pupil pressing the button repeatedly gets.
void BenchEvents::wrongCheck() {
    chooseTriple(*m_form, tableRows()[12].place, tableRows()[12].winner, tableRows()[13].defeated);
    QBENCHMARK {
        m_form->Command1_Click(0);
    }
    QCOMPARE(m_form->Text1(0).Text(), QStringLiteral("???"));
    QCOMPARE(m_form->List1(0).ListCount(), qint16(content::battleCount));
}

void BenchEvents::checkWithoutSelection() {
    chooseRow(*m_form, 12);
    m_form->List1(1).clearSelection();
    QBENCHMARK {
        m_form->Command1_Click(0);
    }
    QCOMPARE(m_form->Label2(3).Caption(), QStringLiteral("0"));
}

void BenchEvents::otherIndex() {
    chooseRow(*m_form, 0);
    QBENCHMARK {
        m_form->Command1_Click(2);
    }
    QCOMPARE(m_form->List1(0).ListCount(), qint16(content::battleCount));
}

// A whole round as a pupil plays it without a mistake: sixteen triples chosen and checked, then
// a new round. This one includes the choosing; it is the figure a round costs end to end.
void BenchEvents::fullRound() {
    QBENCHMARK {
        for (std::size_t row = 0; row < content::battleTable.size(); ++row) {
            chooseRow(*m_form, int(row));
            m_form->Command1_Click(0);
        }
        m_form->Command1_Click(1);
    }
    QCOMPARE(m_form->List1(0).ListCount(), qint16(content::battleCount));
}

int main(int argc, char *argv[]) {
    // No display is needed unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    shell::setUpApplication(app);
    BenchEvents bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_events.moc"
