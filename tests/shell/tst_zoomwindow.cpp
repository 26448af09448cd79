#include "forms/announcer.h"
#include "quiz/quizform.h"
#include "quiz/quizwindow.h"
#include "quizfixture.h"
#include "shell/application.h"
#include "shell/zoomcontrol.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

#include <cmath>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

using quiztest::shownForm;

// Where a length of the layout, in twips, lands at percent: twips are fifteenths of a pixel.
int zoomedTwips(int twips, int percent) {
    return int(std::lround(twips * percent / 1500.0));
}

QRect expectedRect(const forms::ControlDescription &control, int percent) {
    const int left = zoomedTwips(control.left, percent);
    const int top = zoomedTwips(control.top, percent);
    return QRect(left, top, zoomedTwips(control.left + control.width, percent) - left,
                 zoomedTwips(control.top + control.height, percent) - top);
}

} // namespace

class TestZoomWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyControlGrowsInProportion_data();
    void everyControlGrowsInProportion();
    void backToTheDesignedSizeIsPixelExact();
    void roundSurvivesZoom();
    void keysZoomWithinTheScreenAndAnnounce();
};

void TestZoomWindow::initTestCase() {
    shell::setUpApplication(*qApp);
}

void TestZoomWindow::everyControlGrowsInProportion_data() {
    QTest::addColumn<int>("percent");
    QTest::newRow("150 %") << 150;
    QTest::newRow("200 %") << 200;
}

void TestZoomWindow::everyControlGrowsInProportion() {
    QFETCH(int, percent);
    const auto form = shownForm();
    const forms::FormDescription description = quiz::quizWindowDescription();
    const int listFrame = form->List1(0).frameWidth();
    const int scrollBarWidth = form->List1(0).verticalScrollBar()->width();
    const QSize scoreBox = form->Label2(2).size();
    const QPoint textStart =
        form->Text1(0).cursorRect(QTextCursor(form->Text1(0).document())).topLeft();

    form->setZoom(percent);

    QCOMPARE(form->size(), QSize(zoomedTwips(description.clientWidth, percent),
                                 zoomedTwips(description.clientHeight, percent)));
    int checked = 0;
    for (const forms::ControlDescription &control : description.controls) {
        if (!control.visible)
            continue;
        const QString name = u"%1(%2)"_s.arg(control.name).arg(control.index);
        auto *widget = form->findChild<QWidget *>(name);
        QVERIFY2(widget != nullptr, qPrintable(name));
        QCOMPARE(widget->geometry(), expectedRect(control, percent));
        QCOMPARE(widget->font().pointSizeF(), description.fontPointSize * percent / 100.0);
        ++checked;
    }
    QCOMPARE(checked, 15);
    // What the style draws around the text grows too: frames, scroll bars, the counters' boxes.
    QCOMPARE(form->List1(0).frameWidth(), forms::zoomedLength(listFrame, percent));
    QCOMPARE(form->List1(0).verticalScrollBar()->width(),
             forms::zoomedLength(scrollBarWidth, percent));
    QCOMPARE(form->Label2(2).frameWidth(), forms::zoomedLength(1, percent));
    QCOMPARE(form->Label2(2).size(), forms::zoomedSize(scoreBox, percent));
    // The information box keeps its margin around the text in proportion.
    const QPoint zoomedStart =
        form->Text1(0).cursorRect(QTextCursor(form->Text1(0).document())).topLeft();
    QVERIFY((zoomedStart - textStart * percent / 100).manhattanLength() <= 1);
    // The buttons' borders are as much wider as their faces are larger.
    const QImage button = form->Command1(0).grab().toImage();
    const int border = forms::zoomedLength(1, percent);
    const QColor face = QColor::fromRgb(0, 255, 0);
    QVERIFY(button.pixelColor(border - 1, button.height() / 2) != face);
    QCOMPARE(button.pixelColor(border, button.height() / 2), face);
    // So do the result frame's line and the gap in it where its caption sits.
    const QImage frame = form->findChild<QWidget *>(u"Frame1(0)"_s)->grab().toImage();
    const QColor line = QColor::fromRgb(0x8a, 0x8a, 0x8a);
    const int lineTop = forms::zoomedLength(8, percent);
    QCOMPARE(frame.pixelColor(border - 1, frame.height() / 2), line);
    QVERIFY(frame.pixelColor(border, frame.height() / 2) != line);
    QCOMPARE(frame.pixelColor(frame.width() - 2 * border, lineTop + border - 1), line);
    QVERIFY(frame.pixelColor(frame.width() - 2 * border, lineTop + border) != line);
    QVERIFY(frame.pixelColor(forms::zoomedLength(7, percent), lineTop) != line);
}

void TestZoomWindow::backToTheDesignedSizeIsPixelExact() {
    const auto form = shownForm();
    const QImage before = form->grab().toImage();
    for (int percent : {200, 125, 300, 175, 100}) {
        form->setZoom(percent);
        QCOMPARE(form->grab().size(), forms::zoomedSize(QSize(403, 424), percent));
    }
    QCOMPARE(form->size(), QSize(403, 424));
    QCOMPARE(form->grab().toImage(), before);
}

void TestZoomWindow::roundSurvivesZoom() {
    const auto form = shownForm();
    // A played round: one right answer, one wrong, entries chosen, lists and text scrolled.
    form->List1(0).setCurrentRow(2);
    form->List1(1).setCurrentRow(0);
    form->List1(2).setCurrentRow(1);
    form->Command1_Click(0);
    for (qint16 list = 0; list < 3; ++list)
        form->List1(list).setCurrentRow(0);
    form->Command1_Click(0);
    form->List1(0).setCurrentRow(9);
    form->List1(2).setCurrentRow(12);
    form->List1(1).clearSelection();
    form->List1(0).verticalScrollBar()->setValue(5);
    form->List1(2).verticalScrollBar()->setValue(10);
    form->Text1(0).SetText(form->List1(3).List(5));
    QTRY_VERIFY(form->Text1(0).verticalScrollBar()->maximum() >= 3);
    form->Text1(0).verticalScrollBar()->setValue(3);
    form->List1(2).setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &form->List1(2));

    auto state = [&form] {
        QStringList lines;
        for (qint16 list = 0; list < 3; ++list) {
            forms::ListBox &box = form->List1(list);
            lines << u"%1: %2 entries, chosen %3, top %4"_s.arg(list)
                         .arg(box.ListCount())
                         .arg(box.ListIndex())
                         .arg(box.verticalScrollBar()->value());
        }
        lines << form->Label2(2).Caption() << form->Label2(3).Caption() << form->Text1(0).Text()
              << u"text top %1"_s.arg(form->Text1(0).verticalScrollBar()->value())
              << QApplication::focusWidget()->objectName();
        return lines;
    };
    const QStringList before = state();
    QCOMPARE(before.at(3), u"1"_s);
    QCOMPARE(before.at(4), u"1"_s);
    QCOMPARE(before.at(6), u"text top 3"_s);
    for (int percent : {150, 300, 200, 100}) {
        form->setZoom(percent);
        QCOMPARE(state(), before);
    }
}

void TestZoomWindow::keysZoomWithinTheScreenAndAnnounce() {
    const auto form = shownForm();
    auto *control = new shell::ZoomControl(*form);
    QStringList heard;
    control->setAnnouncer(
        [&heard](QWidget &, int percent) { heard << shell::zoomAnnouncement(percent); });
    const QSize available = form->screen()->availableGeometry().size();
    const int fitting = control->largestFittingStep();
    QVERIFY2(fitting < 300, "the test needs a screen too small for the largest step");
    const QSize tooLarge = forms::zoomedSize(form->designedSize(), forms::nextZoomStep(fitting));
    QVERIFY(tooLarge.width() > available.width() || tooLarge.height() > available.height());

    QWidget *focused = &form->List1(1);
    focused->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focused);
    QStringList expected;
    for (int step = 125; step <= fitting; step = forms::nextZoomStep(step)) {
        QTest::keyClick(focused, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(form->zoom(), step);
        expected << u"Мащаб %1 %"_s.arg(step);
    }
    // Beyond the screen the key does nothing, and nothing is said.
    QTest::keyClick(focused, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(form->zoom(), fitting);
    QCOMPARE(heard, expected);
    QVERIFY(form->width() <= available.width() && form->height() <= available.height());
    QCOMPARE(control->zoomTo(300), fitting);

    QTest::keyClick(focused, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(form->zoom(), forms::previousZoomStep(fitting));
    QTest::keyClick(focused, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(form->zoom(), fitting);
    QTest::keyClick(focused, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(form->zoom(), 100);
    QTest::keyClick(focused, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(form->zoom(), 125);
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(form->List1(1).ListIndex(), -1); // no key reached the list as a search

    // Without a listener of its own the zoom goes to the window's screen-reader announcer.
    control->setAnnouncer(&shell::announceZoom);
    QSignalSpy announced(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    QTest::keyClick(focused, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(announced.size(), 1);
    QCOMPARE(announced.at(0).at(0).toString(), u"Мащаб 100 %"_s);

    // A quiz of three lists after one of two makes the window taller, and it steps down to fit.
    form->openQuiz(quiztest::yearsQuiz());
    form->setZoom(forms::nextZoomStep(fitting));
    form->openQuiz(content::builtInQuiz());
    QCOMPARE(form->zoom(), fitting);
    QCOMPARE(announced.last().at(0).toString(), u"Мащаб %1 %"_s.arg(fitting));
}

QTEST_MAIN(TestZoomWindow)
#include "tst_zoomwindow.moc"
