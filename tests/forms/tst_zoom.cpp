#include "forms/zoom.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestZoom : public QObject {
    Q_OBJECT

private slots:
    void percentFromText_data();
    void percentFromText();
    void stepsUpAndDownStopAtTheEnds();
    void largestStepThatFits_data();
    void largestStepThatFits();
    void rectanglesKeepTheirEdgesTogether();
};

void TestZoom::percentFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("percent"); // 0: rejected
    QTest::newRow("a step") << u"150"_s << 150;
    QTest::newRow("the smallest") << u"100"_s << 100;
    QTest::newRow("the largest") << u"300"_s << 300;
    QTest::newRow("with a percent sign") << u"250%"_s << 250;
    QTest::newRow("between steps") << u"130"_s << 0;
    QTest::newRow("below the steps") << u"50"_s << 0;
    QTest::newRow("above the steps") << u"400"_s << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("only a sign") << u"%"_s << 0;
    QTest::newRow("a word") << u"голям"_s << 0;
    QTest::newRow("plus sign") << u"+150"_s << 0;
    QTest::newRow("minus sign") << u"-150"_s << 0;
    QTest::newRow("leading zero") << u"0150"_s << 0;
    QTest::newRow("fraction") << u"150.0"_s << 0;
    QTest::newRow("exponent") << u"1e2"_s << 0;
    QTest::newRow("other digits") << u"١٥٠"_s << 0;
    QTest::newRow("a factor") << u"2"_s << 0;
    QTest::newRow("two signs") << u"150%%"_s << 0;
}

void TestZoom::percentFromText() {
    QFETCH(QString, text);
    QFETCH(int, percent);
    QCOMPARE(forms::zoomStepFromPercent(text).value_or(0), percent);
}

void TestZoom::stepsUpAndDownStopAtTheEnds() {
    QList<int> up{100};
    while (forms::nextZoomStep(up.last()) != up.last())
        up << forms::nextZoomStep(up.last());
    QCOMPARE(up, (QList<int>{100, 125, 150, 175, 200, 250, 300}));
    QList<int> down{300};
    while (forms::previousZoomStep(down.last()) != down.last())
        down << forms::previousZoomStep(down.last());
    QCOMPARE(down, (QList<int>{300, 250, 200, 175, 150, 125, 100}));
    QCOMPARE(forms::zoomStepList(), u"100, 125, 150, 175, 200, 250, 300"_s);
}

void TestZoom::largestStepThatFits_data() {
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<int>("percent");
    const QSize fullHd(1920, 1080);
    QTest::newRow("room for all") << 300 << QSize(1920, 1400) << 300;
    QTest::newRow("asked for less") << 150 << fullHd << 150;
    QTest::newRow("height decides") << 300 << fullHd << 250; // 3 x 424 > 1080 >= 2.5 x 424
    QTest::newRow("width decides") << 300 << QSize(1000, 2000) << 200;
    QTest::newRow("exactly the size") << 300 << QSize(806, 848) << 200;
    QTest::newRow("one pixel short") << 300 << QSize(806, 847) << 175;
    QTest::newRow("tiny screen") << 200 << QSize(320, 240) << 100;
}

void TestZoom::largestStepThatFits() {
    QFETCH(int, wanted);
    QFETCH(QSize, available);
    QFETCH(int, percent);
    QCOMPARE(forms::largestFittingZoom(wanted, QSize(403, 424), available), percent);
}

void TestZoom::rectanglesKeepTheirEdgesTogether() {
    // Two neighbours at 125 %: 3 px + 3 px would round each to 4 px and overlap.
    const QRect left(0, 0, 3, 10);
    const QRect right(3, 0, 3, 10);
    for (int step : forms::zoomSteps) {
        const QRect a = forms::zoomedRect(left, step);
        const QRect b = forms::zoomedRect(right, step);
        QCOMPARE(a.right() + 1, b.left());
        QCOMPARE(b.right() + 1, forms::zoomedLength(6, step));
    }
    QCOMPARE(forms::zoomedLength(1, 150), 2); // halves round away from zero
    QCOMPARE(forms::zoomedLength(-9, 150), -14);
    QCOMPARE(forms::zoomedSize(QSize(403, 424), 125), QSize(504, 530));
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
