#include "quizfixture.h"

#include "shell/application.h"
#include "shell/quizfileopener.h"
#include "shell/quizpaster.h"
#include "shell/worksheetprinter.h"
#include "worksheet/printing.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray goodQuiz = "\xEF\xBB\xBF"
                            "Държава;Столица;Валута\r\n"
                            "България;София;лев\r\n"
                            "Румъния;Букурещ;лея\r\n"
                            "Сърбия;Белград;динар\r\n";

struct Window {
    std::unique_ptr<quiz::QuizForm> form;
    shell::QuizFileOpener *opener = nullptr;
    shell::QuizPaster *paster = nullptr;
    QStringList reported;
};

std::unique_ptr<Window> shownWindow() {
    auto window = std::make_unique<Window>();
    window->form = quiztest::shownForm();
    window->opener = new shell::QuizFileOpener(*window->form);
    window->paster = new shell::QuizPaster(*window->form);
    const auto report = [reported = &window->reported](QWidget *, const QString &message) {
        reported->append(message);
    };
    window->opener->setErrorReporter(report);
    window->paster->setErrorReporter(report);
    return window;
}

QString writeFile(const QTemporaryDir &folder, const QString &name, const QByteArray &bytes) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QStringList entries(const forms::ListBox &list) {
    QStringList result;
    for (int i = 0; i < list.ListCount(); ++i)
        result << list.List(i);
    return result;
}

// Everything a pupil or a screen reader can tell of the quiz and the round.
QStringList stateOf(const quiz::QuizForm &form) {
    QStringList state;
    for (qint16 i = 0; i < 4; ++i) {
        state << u"Label1(%1)=%2"_s.arg(i).arg(form.Label1(i).Caption());
        state << u"List1(%1)=%2 selected %3 name %4"_s.arg(i)
                     .arg(entries(form.List1(i)).join(u'|'))
                     .arg(form.List1(i).ListIndex())
                     .arg(form.List1(i).accessibleName());
    }
    for (qint16 i = 0; i < 3; ++i)
        state << u"List2(%1)=%2"_s.arg(i).arg(entries(form.List2(i)).join(u'|'));
    state << u"counters %1 %2"_s.arg(form.Label2(2).Caption(), form.Label2(3).Caption());
    state << u"Text1=%1"_s.arg(form.Text1(0).Text());
    return state;
}

// Puts text on the clipboard as a spreadsheet would, in the given format, and presses Ctrl+V.
void pasteWithKeys(quiz::QuizForm &form, const QString &format, const QByteArray &text) {
    auto *mime = new QMimeData;
    if (!format.isEmpty())
        mime->setData(format, text);
    QGuiApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(&form, Qt::Key_V, Qt::ControlModifier);
}

void selectRows(quiz::QuizForm &form, int place, int winner, int defeated) {
    form.List1(0).setCurrentRow(place, QItemSelectionModel::ClearAndSelect);
    form.List1(1).setCurrentRow(winner, QItemSelectionModel::ClearAndSelect);
    form.List1(2).setCurrentRow(defeated, QItemSelectionModel::ClearAndSelect);
}

} // namespace

class TestQuizFileOpener : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void ctrlOChoosesAQuizTableInAFileDialog();
    void aFileDroppedOnTheWindowOpens();
    void pastedCellsOpen_data();
    void pastedCellsOpen();
    void aRefusedFileLeavesQuizAndRoundAsTheyWere_data();
    void aRefusedFileLeavesQuizAndRoundAsTheyWere();
    void messageBoxShowsTheFileNameAsPlainText();
    void ctrlPPrintsTheQuizInTheWindow();

private:
    QTemporaryDir m_folder;
};

void TestQuizFileOpener::initTestCase() {
    shell::setUpApplication(*qApp);
    QVERIFY(m_folder.isValid());
}

void TestQuizFileOpener::ctrlOChoosesAQuizTableInAFileDialog() {
    const auto window = shownWindow();
    const QString path = writeFile(m_folder, u"Столици.csv"_s, goodQuiz);
    // A home without a Documents folder: no folder name may be typed in as the file's name.
    const QTemporaryDir home;
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    QTest::keyClick(window->form.get(), Qt::Key_O, Qt::ControlModifier);
    qputenv("HOME", realHome);
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = window->form->findChild<QFileDialog *>()) != nullptr);
    QCOMPARE(dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->text(), QString());
    QVERIFY(
        dialog->nameFilters().constFirst().contains(u"(*.ods *.xlsx *.csv *.tsv *.txt *.kvtml)"_s));
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();

    QTRY_COMPARE(window->form->Label1(0).Caption(), u"Столици"_s);
    QCOMPARE(window->form->Label1(1).Caption(), u"Държава"_s);
    QCOMPARE(entries(window->form->List1(1)),
             (QStringList{u"Белград"_s, u"Букурещ"_s, u"София"_s}));
    QVERIFY(window->reported.isEmpty());
    // Then the dialog opens in the quiz's folder.
    QTRY_VERIFY(window->form->findChild<QFileDialog *>() == nullptr);
    window->opener->chooseFile();
    QCOMPARE(window->form->findChild<QFileDialog *>()->directory().absolutePath(), m_folder.path());
}

void TestQuizFileOpener::aFileDroppedOnTheWindowOpens() {
    const auto window = shownWindow();
    quiz::QuizForm &form = *window->form;
    const QString path = writeFile(m_folder, u"Държави.csv"_s, goodQuiz);

    // Two files, or one that is not local, are not taken.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QVERIFY(drop.isAccepted());

    QTRY_COMPARE(form.Label1(0).Caption(), u"Държави"_s);
    QCOMPARE(form.List1(0).ListCount(), qint16(3));
    QCOMPARE(form.List1(2).accessibleName(), u"Валута"_s);
}

// Ctrl+V takes LibreOffice's own cells before the plain text every spreadsheet offers.
void TestQuizFileOpener::pastedCellsOpen_data() {
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QStringList>("countries");
    QTest::newRow("plain text") << QStringList{u"text/plain"_s}
                                << QStringList{u"България"_s, u"Румъния"_s, u"Сърбия"_s};
    QTest::newRow("LibreOffice's cells")
        << QStringList{u"application/x-libreoffice-tsvc"_s, u"text/plain"_s}
        << QStringList{u"Гърция"_s, u"Сърбия"_s};
}

void TestQuizFileOpener::pastedCellsOpen() {
    QFETCH(QStringList, formats);
    QFETCH(QStringList, countries);
    const auto window = shownWindow();
    auto *mime = new QMimeData;
    mime->setData(formats.constFirst(), "Държава\tСтолица\nГърция\tАтина\nСърбия\tБелград\n");
    mime->setData(u"text/plain"_s, "Държава\tСтолица\tВалута\nБългария\tСофия\tлев\n"
                                   "Румъния\tБукурещ\tлея\nСърбия\tБелград\tдинар\n");
    QGuiApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(window->form.get(), Qt::Key_Insert, Qt::ShiftModifier);

    QTRY_COMPARE(entries(window->form->List1(0)), countries);
    QCOMPARE(window->form->Label1(0).Caption(), u"Поставена таблица"_s);
    QVERIFY(window->reported.isEmpty());
}

void TestQuizFileOpener::aRefusedFileLeavesQuizAndRoundAsTheyWere_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    // Pasted cells: the clipboard's format in place of a file name.
    QTest::newRow("pasted: a sentence")
        << u"text/plain"_s << QByteArray("Битката при Кана.\n") << u"не е таблица"_s;
    QTest::newRow("pasted: a row short of a cell")
        << u"application/x-libreoffice-tsvc"_s
        << QByteArray("Държава\tСтолица\tВалута\nБългария\tСофия\nА\tБ\tВ\n")
        << u"поставения текст, ред 2"_s;
    QTest::newRow("pasted: an empty clipboard") << u"text/plain"_s << QByteArray() << QString();
    QTest::newRow("pasted: no text at all") << u"image/png"_s << QByteArray("\x89PNG") << QString();
    QTest::newRow("a row short of a field")
        << u"Кратък.csv"_s << QByteArray("Държава;Столица;Валута\nБългария;София\nА;Б;В\n")
        << u"Кратък.csv, ред 2"_s;
    QTest::newRow("one row only") << u"Един.csv"_s
                                  << QByteArray("Държава;Столица;Валута\nБългария;София;лев\n")
                                  << u"Един.csv"_s;
    QTest::newRow("not a text file")
        << u"Снимка.csv"_s << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << u"Снимка.csv"_s;
    QTest::newRow("no such file") << QString() << QByteArray() << u"Няма.csv"_s;
}

// A teacher's mistake in a file must cost the class nothing: the quiz, the round, the choices
// and the counters stay, and the program goes on.
void TestQuizFileOpener::aRefusedFileLeavesQuizAndRoundAsTheyWere() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const auto window = shownWindow();
    quiz::QuizForm &form = *window->form;
    QVERIFY(window->opener->open(writeFile(m_folder, u"Столици.csv"_s, goodQuiz)));
    // A right answer, a wrong one, and a new choice pending.
    selectRows(form, 0, 2, 1); // България, София, лев
    form.Command1_Click(0);
    QCOMPARE(form.Label2(2).Caption(), u"1"_s);
    selectRows(form, 0, 1, 0);
    form.Command1_Click(0);
    QCOMPARE(form.Label2(3).Caption(), u"1"_s);
    selectRows(form, 1, 0, 1);
    const QStringList before = stateOf(form);

    if (name.contains(u'/')) {
        pasteWithKeys(form, name, bytes);
    } else {
        const QString path =
            name.isEmpty() ? m_folder.filePath(u"Няма.csv"_s) : writeFile(m_folder, name, bytes);
        QVERIFY(!window->opener->open(path));
    }

    QCOMPARE(window->reported.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(window->reported.constFirst().contains(message),
                 qPrintable(window->reported.constFirst()));
    QCOMPARE(stateOf(form), before);
    QVERIFY(!form.hasEnded());
    QVERIFY(form.isVisible());
}

void TestQuizFileOpener::messageBoxShowsTheFileNameAsPlainText() {
    auto form = std::make_unique<quiz::QuizForm>(quiz::quizWindowDescription());
    auto *opener = new shell::QuizFileOpener(*form);
    form->Form_Load();
    form->show();
    const QString path = writeFile(m_folder, u"<b>Битки<br>.csv"_s, QByteArray("a\n"));

    QMessageBox *box = nullptr;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&box, &poll] {
        if ((box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) != nullptr) {
            poll.stop();
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QVERIFY2(box->text().contains(u"<b>Битки<br>.csv, ред 1"_s), qPrintable(box->text()));
            box->accept();
        }
    });
    poll.start();
    QVERIFY(!opener->open(path));
    QVERIFY(box != nullptr);
    QCOMPARE(form->Label1(0).Caption(), u"Valtessa"_s);
}

// The print dialog keeps what was chosen in it, so a second Ctrl+P prints to the file the first
// one named.
void TestQuizFileOpener::ctrlPPrintsTheQuizInTheWindow() {
    const auto form = quiztest::shownForm();
    new shell::WorksheetPrinter(*form);
    form->openQuiz(quiztest::yearsQuiz());
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"лист.pdf"_s);
    for (bool print : {false, true}) {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        QPrintDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = form->findChild<QPrintDialog *>()) != nullptr);
        QCOMPARE(dialog->printer()->docName(), u"Години"_s);
        QVERIFY(dialog->printer()->pageLayout().isEquivalentTo(worksheet::worksheetPageLayout()));
        if (!print) {
            dialog->printer()->setOutputFileName(path);
            dialog->reject();
            QTRY_VERIFY(form->findChild<QPrintDialog *>() == nullptr);
        } else {
            static_cast<QDialog *>(dialog)->accept();
        }
    }
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(pdf.read(5), "%PDF-");
}

QTEST_MAIN(TestQuizFileOpener)
#include "tst_quizfileopener.moc"
