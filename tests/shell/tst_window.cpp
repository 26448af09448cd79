#include "quizfixture.h"

#include "content/battletable.h"
#include "shell/application.h"
#include "shell/features.h"
#include "shell/helpdialog.h"
#include "shell/roundsummarydialog.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

using namespace quiztest;

namespace {

// The window's description, where every control's place and size is recorded once.
const forms::ControlDescription &described(QStringView name, qint16 index) {
    static const forms::FormDescription description = quiz::quizWindowDescription();
    for (const forms::ControlDescription &control : description.controls)
        if (control.name == name && control.index == index)
            return control;
    qFatal("no control %s(%d) in the description", qPrintable(name.toString()), index);
}

QWidget *control(const quiz::QuizForm &form, const QString &name) {
    auto *widget = form.findChild<QWidget *>(name);
    if (widget == nullptr)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

QColor rgb(int r, int g, int b) {
    return QColor::fromRgb(r, g, b);
}

// Whether the font draws serifs: a capital I with feet wider than its stem.
bool drawsSerifs(QFont font) {
    font.setPixelSize(120);
    QImage image(200, 200, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, u"I"_s);
    painter.end();
    auto inkWidth = [&](int y) {
        int left = image.width();
        int right = -1;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = x;
            }
        return right < 0 ? 0 : right - left + 1;
    };
    int top = 0;
    while (top < image.height() && inkWidth(top) == 0)
        ++top;
    int bottom = image.height() - 1;
    while (bottom > top && inkWidth(bottom) == 0)
        --bottom;
    const int stem = inkWidth((top + bottom) / 2);
    return stem > 0 && inkWidth(bottom - 1) > 2 * stem && inkWidth(top + 1) > 2 * stem;
}

// Every text of the quiz the window can show.
QStringList quizTexts() {
    QStringList texts{content::introText.toString(), u"Провери Изчисти Място Победител Победен"
                                                     u" Резултат Да Не Valtessa ??? 0123456789"_s};
    for (const content::BattleRow &row : content::battleTable)
        texts << row.place.toString() << row.winner.toString() << row.defeated.toString()
              << row.explanation.toString();
    return texts;
}

void selectRow(forms::ListBox &list, int row) {
    list.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowHasItsFixedSizeCaptionAndIcon();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void labelsAreOpaqueInTheirColours_data();
    void labelsAreOpaqueInTheirColours();
    void buttonsHaveSolidFaces_data();
    void buttonsHaveSolidFaces();
    void everyControlUsesTheSerifFont();
    void hiddenTableListsNeverShowOrTakeFocus();
    void firstDisplayShowsAFreshRound();
    void tabVisitsTheControlsInOrder();
    void informationBoxIsReadOnlyButSelectable();
    void screenReadersHearNamesAndCounts();
    void buttonsRespondToMouseClicks();
    void errorInAClickIsReportedOnceAndEndsTheProgram();
    void pairsQuizClosesTheThirdListsBand_data();
    void pairsQuizClosesTheThirdListsBand();
    void theSummaryBoxLeavesTheWindowFree_data();
    void theSummaryBoxLeavesTheWindowFree();
    void everyCommandIsInTheContextMenuAndTheHelp_data();
    void everyCommandIsInTheContextMenuAndTheHelp();
};

void TestWindow::initTestCase() {
    shell::setUpApplication(*qApp);
}

void TestWindow::windowHasItsFixedSizeCaptionAndIcon() {
    const auto form = shownForm();
    const forms::FormDescription description = quiz::quizWindowDescription();
    QCOMPARE(form->size(), QSize(description.clientWidth / 15, description.clientHeight / 15));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(form->windowTitle().endsWith(u" Kordavin"_s));
    QVERIFY(form->windowTitle().startsWith(u"https://www.example.org"_s));
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral(VALTESSA_PROJECT_VERSION));
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QApplication::windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    const QImage shipped(u":/icons/org.example.Valtessa-32.png"_s);
    const QImage shown = QApplication::windowIcon().pixmap(32, 32).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(shown, shipped.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QCOMPARE(form->palette().color(QPalette::Window), rgb(192, 192, 255));
    QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_s);
}

void TestWindow::controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("container");
    int shown = 0;
    for (const forms::ControlDescription &control : quiz::quizWindowDescription().controls) {
        if (!control.visible)
            continue;
        const QString name = u"%1(%2)"_s.arg(control.name).arg(control.index);
        const QString container =
            control.container.isEmpty() ? QString() : u"%1(0)"_s.arg(control.container);
        QTest::newRow(qPrintable(name))
            << name << QRect(control.left, control.top, control.width, control.height) << container;
        ++shown;
    }
    // Every control the pupil sees: three buttons' and lists' worth, captions, counters, box.
    QCOMPARE(shown, 15);
}

void TestWindow::controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, container);
    const auto form = shownForm();
    QWidget *widget = control(*form, name);
    // A twip is a fifteenth of a logical pixel, and every value divides exactly.
    QCOMPARE(twips.x() % 15 + twips.y() % 15 + twips.width() % 15 + twips.height() % 15, 0);
    QCOMPARE(widget->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QWidget *expectedParent = container.isEmpty() ? form.get() : control(*form, container);
    QCOMPARE(widget->parentWidget(), expectedParent);
    QVERIFY(widget->isVisible());
}

void TestWindow::labelsAreOpaqueInTheirColours_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("bordered");
    const QColor caption = rgb(255, 192, 128);
    const QColor score = rgb(128, 128, 255);
    QTest::newRow("heading") << u"Label1(0)"_s << u"Valtessa"_s << caption << false;
    QTest::newRow("places") << u"Label1(1)"_s << u"Място"_s << caption << false;
    QTest::newRow("winners") << u"Label1(2)"_s << u"Победител"_s << caption << false;
    QTest::newRow("defeated") << u"Label1(3)"_s << u"Победен"_s << caption << false;
    QTest::newRow("yes") << u"Label2(0)"_s << u"Да"_s << score << false;
    QTest::newRow("no") << u"Label2(1)"_s << u"Не"_s << score << false;
    QTest::newRow("correct") << u"Label2(2)"_s << u"0"_s << rgb(0, 255, 0) << true;
    QTest::newRow("wrong") << u"Label2(3)"_s << u"0"_s << rgb(255, 0, 255) << true;
}

void TestWindow::labelsAreOpaqueInTheirColours() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QColor, background);
    QFETCH(bool, bordered);
    const auto form = shownForm();
    auto *label = qobject_cast<QLabel *>(control(*form, name));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), caption);
    QVERIFY(label->alignment() & Qt::AlignHCenter);
    QCOMPARE(label->frameShape() == QFrame::Box, bordered);
    // What is painted, not just what is set: a pixel inside the border, clear of the text.
    const QImage image = label->grab().toImage();
    QCOMPARE(image.pixelColor(2, image.height() - 3).rgb(), background.rgb());
}

void TestWindow::buttonsHaveSolidFaces_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("face");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("pressed");
    QTest::newRow("check") << 0 << u"Провери"_s << rgb(0, 255, 0) << false << false;
    QTest::newRow("new round") << 1 << u"Изчисти"_s << rgb(255, 0, 0) << false << false;
    // The focus doubles the border's width; pressing darkens the face.
    QTest::newRow("check, focused") << 0 << u"Провери"_s << rgb(0, 255, 0) << true << false;
    QTest::newRow("check, pressed") << 0 << u"Провери"_s << rgb(0, 196, 0) << true << true;
}

void TestWindow::buttonsHaveSolidFaces() {
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QColor, face);
    QFETCH(bool, focused);
    QFETCH(bool, pressed);
    const auto form = shownForm();
    QPushButton &button = form->Command1(qint16(index));
    QCOMPARE(button.text(), caption);
    if (focused)
        button.setFocus();
    button.setDown(pressed);
    const QImage image = button.grab().toImage();
    // Top, middle and bottom of the face, clear of the caption: one colour, not a gradient.
    for (int y : {4, image.height() / 2, image.height() - 5})
        QCOMPARE(image.pixelColor(5, y).rgb(), face.rgb());
    // The border is drawn in another colour.
    const int border = focused ? 2 : 1;
    QVERIFY(image.pixelColor(border - 1, image.height() / 2).rgb() != face.rgb());
    QCOMPARE(image.pixelColor(border, image.height() / 2).rgb(), face.rgb());
}

void TestWindow::everyControlUsesTheSerifFont() {
    const QFont applicationFont = QApplication::font();
    const auto form = shownForm();
    // Times New Roman, or its metric twin asked for by name where it is not installed: the
    // family asked for is the one drawn, found without a search through substitutes. Dialogs
    // keep the application's own font.
    const QString family = form->font().family();
    QVERIFY2(family == u"Times New Roman"_s || family == u"Liberation Serif"_s, qPrintable(family));
    QCOMPARE(QFontInfo(form->font()).family(), family);
    QCOMPARE(QApplication::font(), applicationFont);
    const QList<QWidget *> widgets = form->findChildren<QWidget *>(Qt::FindChildrenRecursively);
    int checked = 0;
    for (QWidget *widget : widgets) {
        if (!widget->objectName().contains(u'('))
            continue;
        const QFontInfo info(widget->font());
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(info.pointSize(), 12);
        QVERIFY(!info.bold() && !info.italic());
        ++checked;
    }
    QCOMPARE(checked, 19);

    // Whichever font the machine resolves the request to, the pupil must see a serif face that
    // draws every letter of the quiz itself, with no fallback for the Cyrillic.
    const QFont &font = form->Text1(0).font();
    QVERIFY2(drawsSerifs(font), qPrintable(QFontInfo(font).family()));
    QVERIFY(
        QFontDatabase::writingSystems(QFontInfo(font).family()).contains(QFontDatabase::Cyrillic));
    const QFontMetrics metrics(font);
    for (const QString &text : quizTexts())
        for (QChar letter : text)
            QVERIFY2(!letter.isPrint() || metrics.inFont(letter),
                     qPrintable(u"%1 in %2"_s.arg(letter).arg(text.left(30))));

    // What is painted: a counter inside the frame looks exactly like a free-standing label in the
    // window's font with the same caption, size and colours.
    QLabel &counter = form->Label2(2);
    QLabel reference(counter.text());
    reference.setFont(QFont(u"Times New Roman"_s, 12));
    reference.setPalette(counter.palette());
    reference.setAutoFillBackground(true);
    reference.setAlignment(counter.alignment());
    reference.setFrameStyle(counter.frameStyle());
    reference.resize(counter.size());
    QCOMPARE(counter.grab().toImage(), reference.grab().toImage());
}

void TestWindow::hiddenTableListsNeverShowOrTakeFocus() {
    const auto form = shownForm();
    for (forms::ListBox *list :
         {&form->List2(0), &form->List2(1), &form->List2(2), &form->List1(3)}) {
        QVERIFY(list->isHidden());
        QCOMPARE(list->focusPolicy(), Qt::NoFocus);
        QVERIFY(!list->isSorted());
        QCOMPARE(list->ListCount(), qint16(16));
    }
    // Clicking where a hidden list overlaps a visible one reaches the visible one.
    const forms::ControlDescription &hidden = described(u"List2", 0);
    QCOMPARE(form->childAt(QPoint(hidden.left / 15 + 5, hidden.top / 15 + 5)),
             form->List1(0).viewport());
}

void TestWindow::firstDisplayShowsAFreshRound() {
    const auto form = shownForm();
    for (qint16 list = 0; list < 3; ++list) {
        QCOMPARE(form->List1(list).ListCount(), qint16(16));
        QCOMPARE(form->List1(list).ListIndex(), -1);
        QVERIFY(form->List1(list).isSorted());
    }
    QCOMPARE(form->List1(1).List(13), u"херцог Уилям Завоевателя"_s);
    QCOMPARE(form->Label2(2).Caption(), u"0"_s);
    QCOMPARE(form->Label2(3).Caption(), u"0"_s);
    forms::TextBox &box = form->Text1(0);
    QCOMPARE(box.Text(), content::introText.toString());
    QCOMPARE(box.verticalScrollBar()->value(), 0);
    QVERIFY(box.verticalScrollBar()->isVisible());
    QVERIFY(box.verticalScrollBar()->maximum() > 0);
    QVERIFY(box.toPlainText().startsWith(box.Text().left(40)));
}

void TestWindow::tabVisitsTheControlsInOrder() {
    const auto form = shownForm();
    QCOMPARE(QApplication::focusWidget(), &form->Text1(0));
    const QList<QWidget *> order{&form->List1(0),    &form->List1(1),    &form->List1(2),
                                 &form->Command1(0), &form->Command1(1), &form->Text1(0)};
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    // Entering a list by Tab selects nothing by itself.
    for (qint16 list = 0; list < 3; ++list)
        QCOMPARE(form->List1(list).ListIndex(), -1);
}

void TestWindow::informationBoxIsReadOnlyButSelectable() {
    const auto form = shownForm();
    forms::TextBox &box = form->Text1(0);
    const QString before = box.Text();
    QTest::keyClicks(&box, u"abc"_s);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.Text(), before);
    QCOMPARE(box.toPlainText().left(100), before.left(100));

    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text().left(100), before.left(100));

    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(box.textCursor().atEnd());
    QVERIFY(box.verticalScrollBar()->value() > 0);
}

void TestWindow::screenReadersHearNamesAndCounts() {
    const auto form = shownForm();
    auto name = [](QWidget &widget) {
        return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name);
    };
    auto description = [](QWidget &widget) {
        return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Description);
    };
    QCOMPARE(name(form->List1(0)), u"Място"_s);
    QCOMPARE(name(form->List1(1)), u"Победител"_s);
    QCOMPARE(name(form->List1(2)), u"Победен"_s);
    QCOMPARE(name(form->Text1(0)), u"Информация"_s);
    QCOMPARE(QAccessible::queryAccessibleInterface(form.get())->role(), QAccessible::Window);
    QVERIFY(!description(form->Command1(0)).isEmpty());
    QVERIFY(!description(form->Command1(1)).isEmpty());
    QCOMPARE(name(form->Label2(2)), u"Верни отговори: 0"_s);
    QCOMPARE(name(form->Label2(3)), u"Грешни отговори: 0"_s);

    selectRow(form->List1(0), 0);
    selectRow(form->List1(1), 0);
    selectRow(form->List1(2), 0);
    form->Command1_Click(0);
    form->Command1_Click(0);
    QCOMPARE(name(form->Label2(3)), u"Грешни отговори: 2"_s);
    // The caption itself stays the plain number.
    QCOMPARE(form->Label2(3).Caption(), u"2"_s);
    form->Command1_Click(1);
    QCOMPARE(name(form->Label2(3)), u"Грешни отговори: 0"_s);
}

void TestWindow::buttonsRespondToMouseClicks() {
    const auto form = shownForm();
    // Row 3 of the table: Гавгамела, Александър Македонски, Дарий III.
    selectRow(form->List1(0), 2);
    selectRow(form->List1(1), 0);
    selectRow(form->List1(2), 1);
    QTest::mouseClick(&form->Command1(0), Qt::LeftButton);
    QCOMPARE(form->Label2(2).Caption(), u"1"_s);
    QCOMPARE(form->Text1(0).Text(), content::battleTable[2].explanation.toString());
    QCOMPARE(form->List1(0).ListCount(), qint16(15));

    selectRow(form->List1(0), 0);
    selectRow(form->List1(1), 0);
    selectRow(form->List1(2), 0);
    QTest::mouseClick(&form->Command1(0), Qt::LeftButton);
    QCOMPARE(form->Label2(3).Caption(), u"1"_s);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);

    QTest::mouseClick(&form->Command1(1), Qt::LeftButton);
    QCOMPARE(form->List1(0).ListCount(), qint16(16));
    QCOMPARE(form->Label2(2).Caption(), u"0"_s);
    QCOMPARE(form->Label2(3).Caption(), u"0"_s);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);
}

void TestWindow::errorInAClickIsReportedOnceAndEndsTheProgram() {
    const auto form = shownForm();
    QStringList reports;
    form->setErrorReporter([&](QWidget *, const QString &message) { reports << message; });
    // Leave the explanations column with one row, so that a match on the last row fails to read
    // its explanation.
    while (form->List1(3).ListCount() > 1)
        form->List1(3).RemoveItem(1);
    selectRow(form->List1(0), 15);
    selectRow(form->List1(1), 1);
    selectRow(form->List1(2), 14);

    QTimer::singleShot(0, form.get(), [&] {
        QTest::mouseClick(&form->Command1(0), Qt::LeftButton);
        // A second click after the error must not run anything.
        QTest::mouseClick(&form->Command1(1), Qt::LeftButton);
    });
    const int status = QApplication::exec();

    QCOMPARE(status, 1);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.first().contains(u"List1(3)"_s), qPrintable(reports.first()));
    QVERIFY(form->hasEnded());
    QVERIFY(form->isHidden());
    QCOMPARE(form->List1(0).ListCount(), qint16(16));
}

void TestWindow::pairsQuizClosesTheThirdListsBand_data() {
    QTest::addColumn<int>("openedAt");
    QTest::addColumn<int>("shownAt");
    QTest::newRow("100 %") << 100 << 100;
    QTest::newRow("opened at 250 %, zoomed to 175 % while open") << 250 << 175;
}

// The third list and its caption leave, and what is below them moves up by their band; a quiz of
// three lists then gives back exactly the window a fresh start with it shows.
void TestWindow::pairsQuizClosesTheThirdListsBand() {
    QFETCH(int, openedAt);
    QFETCH(int, shownAt);
    const QImage fresh = [] {
        const auto form = shownForm();
        form->openQuiz(content::builtInQuiz());
        return form->grab().toImage();
    }();
    const auto form = shownForm();
    form->setZoom(openedAt);
    form->openQuiz(yearsQuiz());
    form->setZoom(shownAt);
    const int band = described(u"Text1", 0).top - described(u"Label1", 3).top;
    const auto at = [shownAt](int left, int top, int width, int height) {
        return forms::zoomedRect(QRect(left / 15, top / 15, width / 15, height / 15), shownAt);
    };
    const forms::FormDescription window = quiz::quizWindowDescription();
    QCOMPARE(form->size(), at(0, 0, window.clientWidth, window.clientHeight - band).size());
    for (const forms::ControlDescription &designed : window.controls) {
        const QString name = u"%1(%2)"_s.arg(designed.name).arg(designed.index);
        QWidget *widget = control(*form, name);
        QCOMPARE(widget->isVisible(),
                 designed.visible && name != u"Label1(3)" && name != u"List1(2)");
        const int top = designed.top - (name == u"Text1(0)" ? band : 0);
        if (widget->isVisible())
            QCOMPARE(widget->geometry(), at(designed.left, top, designed.width, designed.height));
    }
    form->openQuiz(content::builtInQuiz());
    form->setZoom(100);
    QCOMPARE(form->grab().toImage(), fresh);
}

void TestWindow::theSummaryBoxLeavesTheWindowFree_data() {
    QTest::addColumn<bool>("practise"); // Ctrl+R in the window, else a click on „Изчисти“
    QTest::newRow("„Изчисти“ clicked in the window") << false;
    QTest::newRow("Ctrl+R in the window") << true;
}

// The box of a finished round stays beside the window, which the pupil goes on using; a round
// begun there takes the box away.
void TestWindow::theSummaryBoxLeavesTheWindowFree() {
    QFETCH(bool, practise);
    const auto form = shownForm();
    shell::addRoundSummary(*form);
    form->openQuiz(yearsQuiz());
    for (const auto &[year, event] : {std::pair{u"681"_s, u"Асен и Петър"_s},
                                      {u"681"_s, u"Аспарух"_s},
                                      {u"1185"_s, u"Асен и Петър"_s}}) {
        choose(form->List1(0), year);
        choose(form->List1(1), event);
        QTest::mouseClick(&form->Command1(Form::checkButton), Qt::LeftButton);
    }
    QDialog *box = form->findChild<shell::RoundSummaryDialog *>();
    QVERIFY(box != nullptr && box->isVisible());
    QVERIFY(!box->isModal() && QApplication::activeModalWidget() == nullptr);

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    if (practise)
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
    else
        QTest::mouseClick(&form->Command1(Form::newRoundButton), Qt::LeftButton);
    QTRY_VERIFY(!box->isVisible());
    QCOMPARE(form->List1(0).ListCount(), qint16(practise ? 1 : 2));
    QCOMPARE(wrongShown(*form), u"0"_s);
}

void TestWindow::everyCommandIsInTheContextMenuAndTheHelp_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("open") << u"Отвори викторина…"_s << QKeySequence(Qt::CTRL | Qt::Key_O);
    QTest::newRow("paste") << u"Постави таблица"_s << QKeySequence(Qt::CTRL | Qt::Key_V);
    QTest::newRow("print") << u"Отпечатай работен лист…"_s << QKeySequence(Qt::CTRL | Qt::Key_P);
    QTest::newRow("practise") << u"Упражни сбърканите"_s << QKeySequence(Qt::CTRL | Qt::Key_R);
    QTest::newRow("zoom in") << u"Увеличи"_s << QKeySequence(Qt::CTRL | Qt::Key_Plus);
    QTest::newRow("zoom out") << u"Намали"_s << QKeySequence(Qt::CTRL | Qt::Key_Minus);
    QTest::newRow("normal size") << u"Нормален размер"_s << QKeySequence(Qt::CTRL | Qt::Key_0);
    QTest::newRow("help") << u"Помощ"_s << QKeySequence(Qt::Key_F1);
}

// A right click on any control, the information box with its own menu too, and F1 show each
// command with its key.
void TestWindow::everyCommandIsInTheContextMenuAndTheHelp() {
    QFETCH(QString, command);
    QFETCH(QKeySequence, key);
    const auto form = shownForm();
    shell::addWindowFeatures(*form);
    QStringList offered;
    QTimer::singleShot(0, form.get(), [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                if (action->shortcut() == key)
                    offered << action->text();
            menu->close();
        }
    });
    QWidget *box = form->Text1(0).viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, box->rect().center(),
                            box->mapToGlobal(box->rect().center()));
    QApplication::sendEvent(box, &click);
    QCOMPARE(offered, QStringList{command});

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F1);
    const auto *help = form->findChild<shell::HelpDialog *>();
    QVERIFY(help != nullptr && help->isVisible());
    const QString text = help->findChild<QTextEdit *>()->toPlainText();
    QVERIFY2(text.contains(command + u'\t' + key.toString(QKeySequence::NativeText)) ||
                 text.contains(command + u'\n' + key.toString(QKeySequence::NativeText)),
             qPrintable(text));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
