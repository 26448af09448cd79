#include "forms/zoom.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestZoom : public QObject {
    Q_OBJECT

private slots:
    void percentFromText_data();
    void percentFromText();
    void stepsStopAtTheEndsAndTheScreen();
};

void TestZoom::percentFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("percent"); // 0: rejected
    QTest::newRow("a step") << u"150"_s << 150;
    QTest::newRow("with a percent sign") << u"250%"_s << 250;
    QTest::newRow("between steps") << u"130"_s << 0;
    QTest::newRow("above the steps") << u"400"_s << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("a word") << u"голям"_s << 0;
    QTest::newRow("signed") << u"+150"_s << 0;
    QTest::newRow("leading zero") << u"0150"_s << 0;
    QTest::newRow("fraction") << u"150.0"_s << 0;
    QTest::newRow("other digits") << u"١٥٠"_s << 0;
}

void TestZoom::percentFromText() {
    QFETCH(QString, text);
    QFETCH(int, percent);
    QCOMPARE(forms::zoomStepFromPercent(text).value_or(0), percent);
}

void TestZoom::stepsStopAtTheEndsAndTheScreen() {
    QList<int> up{100};
    while (forms::nextZoomStep(up.last()) != up.last())
        up << forms::nextZoomStep(up.last());
    QCOMPARE(up, (QList<int>{100, 125, 150, 175, 200, 250, 300}));
    QCOMPARE(forms::previousZoomStep(150), 125);
    QCOMPARE(forms::previousZoomStep(100), 100);

    const QSize window(403, 424);
    QCOMPARE(forms::largestFittingZoom(300, window, QSize(1920, 1080)), 250); // 3 × 424 > 1080
    QCOMPARE(forms::largestFittingZoom(150, window, QSize(1920, 1080)), 150);
    QCOMPARE(forms::largestFittingZoom(300, window, QSize(806, 848)), 200);
    QCOMPARE(forms::largestFittingZoom(300, window, QSize(806, 847)), 175);
    QCOMPARE(forms::largestFittingZoom(200, window, QSize(320, 240)), 100);
    // Edges are scaled, not sizes: neighbours at 125 % still touch.
    QCOMPARE(forms::zoomedRect(QRect(0, 0, 3, 3), 125).right() + 1,
             forms::zoomedRect(QRect(3, 0, 3, 3), 125).left());
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
