#include "content/battletable.h"
#include "quiz/quizform.h"
#include "quiz/quizwindow.h"
#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"
#include "shell/application.h"
#include "shell/commandline.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Action = shell::CommandLine::Action;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// The real program, as a script or a terminal over SSH starts it: no display at all.
Run runProgram(const QStringList &arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VALTESSA_PROGRAM), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        qFatal("valtessa %s did not end", qPrintable(arguments.join(u' ')));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        qFatal("valtessa %s crashed", qPrintable(arguments.join(u' ')));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The text of a PDF file's pages as pdftotext reads it, a form feed after each page.
QString pdfText(const QString &path) {
    QProcess process;
    process.start(u"pdftotext"_s, {path, u"-"_s});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("pdftotext failed on %s", qPrintable(path));
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void helpAndVersionNeedNoDisplay();
    void wrongCommandLineIsAUsageError_data();
    void wrongCommandLineIsAUsageError();
    void exportWritesTheTemplateWithoutADisplay();
    void exportThatCannotBeWrittenFails_data();
    void exportThatCannotBeWrittenFails();
    void refusedFileOpensNoWindow();
    void exportedTemplateOpensAndPlaysTheBuiltInTable();
    void worksheetHoldsEveryEntryAndItsKey_data();
    void worksheetHoldsEveryEntryAndItsKey();
    void worksheetFailsWithoutHarm_data();
    void worksheetFailsWithoutHarm();

private:
    QTemporaryDir m_folder;
};

void TestCommandLine::initTestCase() {
    shell::setUpApplication(*qApp);
    QVERIFY(m_folder.isValid());
}

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("quizFile");
    QTest::addColumn<QString>("exportFile");
    QTest::addColumn<int>("zoom");
    const auto row = [](const char *name, QStringList arguments, Action action,
                        QString quizFile = {}, QString exportFile = {}, int zoom = 100) {
        QTest::newRow(name) << (QStringList{u"valtessa"_s} + arguments) << action << quizFile
                            << exportFile << zoom;
    };
    row("nothing", {}, Action::OpenWindow);
    row("a file", {u"Битки.csv"_s}, Action::OpenWindow, u"Битки.csv"_s);
    row("a file named like an option, after --", {u"--"_s, u"--help"_s}, Action::OpenWindow,
        u"--help"_s);
    row("--help", {u"--help"_s}, Action::ShowHelp);
    row("-h", {u"-h"_s}, Action::ShowHelp);
    row("--help wins over a file", {u"x.csv"_s, u"--help"_s}, Action::ShowHelp);
    row("--version", {u"--version"_s}, Action::ShowVersion);
    row("-v", {u"-v"_s}, Action::ShowVersion);
    row("--export-quiz FILE", {u"--export-quiz"_s, u"шаблон.csv"_s}, Action::ExportQuiz, {},
        u"шаблон.csv"_s);
    row("--export-quiz=FILE", {u"--export-quiz=шаблон.csv"_s}, Action::ExportQuiz, {},
        u"шаблон.csv"_s);
    row("Qt's own options are left to Qt", {u"-platform"_s, u"xcb"_s, u"-reverse"_s, u"a.csv"_s},
        Action::OpenWindow, u"a.csv"_s);
    row("--zoom PERCENT and a file", {u"--zoom"_s, u"150"_s, u"a.csv"_s}, Action::OpenWindow,
        u"a.csv"_s, {}, 150);
    row("--zoom=PERCENT%", {u"--zoom=200%"_s}, Action::OpenWindow, {}, {}, 200);
    row("--zoom between the steps", {u"--zoom"_s, u"130"_s}, Action::UsageError);
    row("--zoom without a value", {u"--zoom"_s}, Action::UsageError);
    row("unknown option", {u"--colour"_s}, Action::UsageError);
    row("unknown short option", {u"-x"_s}, Action::UsageError);
    row("two files", {u"a.csv"_s, u"b.csv"_s}, Action::UsageError);
    row("--export-quiz without a file", {u"--export-quiz"_s}, Action::UsageError);
    row("--export-quiz with an empty name", {u"--export-quiz="_s}, Action::UsageError);
    row("--export-quiz and a file to open", {u"--export-quiz"_s, u"a.csv"_s, u"b.csv"_s},
        Action::UsageError);
    row("--worksheet OUT", {u"--worksheet"_s, u"лист.pdf"_s}, Action::WriteWorksheet, {},
        u"лист.pdf"_s);
    row("--worksheet OUT FILE", {u"--worksheet"_s, u"лист.pdf"_s, u"Думи.csv"_s},
        Action::WriteWorksheet, u"Думи.csv"_s, u"лист.pdf"_s);
    row("--worksheet of two quizzes", {u"--worksheet"_s, u"л.pdf"_s, u"a.csv"_s, u"b.csv"_s},
        Action::UsageError);
    row("--worksheet and --export-quiz", {u"--worksheet=л.pdf"_s, u"--export-quiz=a.csv"_s},
        Action::UsageError);
}

void TestCommandLine::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, quizFile);
    QFETCH(QString, exportFile);
    QFETCH(int, zoom);
    const shell::CommandLine commandLine = shell::parseCommandLine(arguments);
    QCOMPARE(commandLine.zoom, zoom);
    QCOMPARE(commandLine.action, action);
    QCOMPARE(commandLine.quizFile, quizFile);
    QCOMPARE(commandLine.exportFile, exportFile);
    QCOMPARE(commandLine.usageError.isEmpty(), action != Action::UsageError);
}

void TestCommandLine::helpAndVersionNeedNoDisplay() {
    const Run help = runProgram({u"--help"_s});
    QCOMPARE(help.status, 0);
    QVERIFY2(help.out.startsWith(u"Употреба: valtessa [--zoom ПРОЦЕНТ] [ФАЙЛ]\n"_s),
             qPrintable(help.out));
    QVERIFY(help.out.contains(u"--export-quiz ФАЙЛ"_s));
    QVERIFY(help.out.contains(u"--zoom ПРОЦЕНТ"_s));
    QCOMPARE(help.err, QString());

    const Run version = runProgram({u"--version"_s});
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out, QStringLiteral("valtessa " VALTESSA_PROJECT_VERSION "\n"));
}

void TestCommandLine::wrongCommandLineIsAUsageError_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("unknown option") << QStringList{u"--colour"_s} << u"„--colour“"_s;
    QTest::newRow("missing file name") << QStringList{u"--export-quiz"_s} << u"--export-quiz"_s;
    QTest::newRow("zoom between the steps") << QStringList{u"--zoom"_s, u"130"_s} << u"„130“"_s;
    QTest::newRow("missing zoom") << QStringList{u"--zoom"_s} << u"--zoom"_s;
    QTest::newRow("Qt's option without its value")
        << QStringList{u"-platform"_s} << u"след „-platform“ трябва да стои стойност"_s;
    QTest::newRow("a value for an option that takes none")
        << QStringList{u"--zoom"_s, u"150"_s, u"--help=1"_s} << u"„--help“ не приема стойност"_s;
    QTest::newRow("missing worksheet") << QStringList{u"--worksheet"_s} << u"„--worksheet“"_s;
}

void TestCommandLine::wrongCommandLineIsAUsageError() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const Run run = runProgram(arguments);
    QCOMPARE(run.status, shell::exitStatusBadInput);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith(u"valtessa: "_s) && run.err.contains(named), qPrintable(run.err));
    QVERIFY(run.err.contains(u"valtessa --help"_s));
}

void TestCommandLine::exportWritesTheTemplateWithoutADisplay() {
    const QString path = m_folder.filePath(u"шаблон.csv"_s);
    const Run run = runProgram({u"--export-quiz"_s, path});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), quizfile::writeQuiz(content::quizTemplate()));
}

void TestCommandLine::exportThatCannotBeWrittenFails_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");
    QTest::newRow("no such folder") << m_folder.filePath(u"няма такава папка/шаблон.csv"_s)
                                    << u"папката, в която да бъде записан, не съществува"_s;
    QTest::newRow("an existing file, the teacher's own quiz")
        << m_folder.filePath(u"Моята викторина.csv"_s) << u"файлът вече съществува"_s;
    QTest::newRow("a folder") << m_folder.path() << u"това е папка"_s;
    QTest::newRow("a place no one may write in")
        << u"/sys/шаблон.csv"_s << u"няма права за запис"_s;
}

// Refused in the program's own words, and whatever was at the path is left as it was.
void TestCommandLine::exportThatCannotBeWrittenFails() {
    QFETCH(QString, path);
    QFETCH(QString, why);
    const QByteArray teachersQuiz = "Моята;викторина\r\n";
    QFile existing(path);
    if (QTest::currentDataTag() == QByteArray("an existing file, the teacher's own quiz")) {
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write(teachersQuiz);
        existing.close();
    }
    const bool existed = QFileInfo::exists(path);
    const Run run = runProgram({u"--export-quiz"_s, path});
    QCOMPARE(run.status, shell::exitStatusBadInput);
    QVERIFY2(run.err.startsWith(u"valtessa: „"_s + path + u"“ не е записан: "_s + why),
             qPrintable(run.err));
    QVERIFY2(!run.err.sliced(10).remove(path).contains(QRegularExpression(u"[A-Za-z]"_s)),
             qPrintable(run.err));
    QCOMPARE(QFileInfo::exists(path), existed);
    if (existed && QFileInfo(path).isFile()) {
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), teachersQuiz);
    }
}

// Without a display the message goes to standard error alone, and no window is tried.
void TestCommandLine::refusedFileOpensNoWindow() {
    const QString path = m_folder.filePath(u"Кратък.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Държава;Столица;Валута\nБългария;София\nА;Б;В\n");
    file.close();
    const Run run = runProgram({path});
    QCOMPARE(run.status, shell::exitStatusBadInput);
    QVERIFY2(run.err.contains(u"Кратък.csv, ред 2"_s), qPrintable(run.err));
    QCOMPARE(run.out, QString());
}

// What a teacher starts from: the template the program writes opens back as exactly the
// built-in battles, every value and explanation with its trailing blanks.
void TestCommandLine::exportedTemplateOpensAndPlaysTheBuiltInTable() {
    const QString path = m_folder.filePath(u"Битки.csv"_s);
    QCOMPARE(runProgram({u"--export-quiz"_s, path}).status, 0);
    const quizfile::QuizFileResult result = quizfile::readQuizFile(path);
    QVERIFY(std::holds_alternative<content::Quiz>(result));
    content::Quiz quiz = std::get<content::Quiz>(result);
    QCOMPARE(quiz.title, u"Битки"_s);
    quiz.title = content::builtInQuiz().title;
    QVERIFY(quiz == content::builtInQuiz());

    quiz::QuizForm form(quiz::quizWindowDescription());
    form.setErrorReporter([](QWidget *, const QString &message) {
        qFatal("unexpected error: %s", qPrintable(message));
    });
    form.Form_Load();
    form.openQuiz(std::get<content::Quiz>(result));
    for (qint16 column = 0; column < 3; ++column)
        QCOMPARE(form.List2(column).ListCount(), qint16(content::battleCount));
    for (int row = 0; row < content::battleCount; ++row) {
        const content::BattleRow &battle = content::battleTable[std::size_t(row)];
        QCOMPARE(form.List2(0).List(row), battle.place.toString());
        QCOMPARE(form.List2(1).List(row), battle.winner.toString());
        QCOMPARE(form.List2(2).List(row), battle.defeated.toString());
        QCOMPARE(form.List1(3).List(row), battle.explanation.toString());
    }
    // Played through, every battle is found and shows its own explanation.
    for (const content::BattleRow &battle : content::battleTable) {
        const QString texts[] = {battle.place.toString(), battle.winner.toString(),
                                 battle.defeated.toString()};
        for (qint16 list = 0; list < 3; ++list) {
            int found = -1;
            for (int i = 0; i < form.List1(list).ListCount() && found < 0; ++i)
                if (form.List1(list).List(i) == texts[list])
                    found = i;
            QVERIFY(found >= 0);
            form.List1(list).setCurrentRow(found, QItemSelectionModel::ClearAndSelect);
        }
        form.Command1_Click(0);
        QCOMPARE(form.Text1(0).Text(), battle.explanation.toString());
    }
    QCOMPARE(form.Label2(2).Caption(), QString::number(content::battleCount));
    QCOMPARE(form.Label2(3).Caption(), u"0"_s);
}

void TestCommandLine::worksheetHoldsEveryEntryAndItsKey_data() {
    QTest::addColumn<QByteArray>("table"); // none: the built-in quiz
    QTest::newRow("the battles") << QByteArray();
    QTest::newRow("a teacher's pairs")
        << QByteArray("Дума;Значение;Обяснение\r\nмирен;тих;\r\nвежлив;учтив;Казва се за човек.\r\n"
                      "кротък;тих;\r\nабсурд;нещо безсмислено, нелепо;\r\n");
}

// What a teacher prints: the first page holds every entry with its number or letter, and the
// key names, for every row, the number and letters the first page gives its entries.
void TestCommandLine::worksheetHoldsEveryEntryAndItsKey() {
    QFETCH(QByteArray, table);
    const QString pdf = m_folder.filePath(u"лист.pdf"_s);
    QStringList arguments{u"--worksheet"_s, pdf};
    content::Quiz quiz = content::builtInQuiz();
    if (!table.isEmpty()) {
        const QString path = m_folder.filePath(u"Думи.csv"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(table) == table.size());
        file.close();
        arguments << path;
        quiz = std::get<content::Quiz>(quizfile::readQuizFile(path));
    }
    // The second row replaces the PDF the first one wrote.
    const Run run = runProgram(arguments);
    QCOMPARE(run.status, 0);
    const QString text = pdfText(pdf);
    const QString sheet = text.section(u'\f', 0, 0).simplified();
    const QString key = text.section(u'\f', 1).simplified();
    QVERIFY(sheet.contains(u"Име:"_s) && !sheet.contains(u"Отговори"_s));
    QVERIFY(key.startsWith(u"Отговори — "_s + quiz.title));

    const auto labelOn = [&sheet](const QString &label, const QString &entry) {
        const QRegularExpression pattern(label + QRegularExpression::escape(entry.simplified()) +
                                         u"(?= |$)"_s);
        const QRegularExpressionMatch match = pattern.match(sheet);
        if (!match.hasMatch())
            qFatal("no \"%s\" on the first page", qPrintable(entry));
        return match.captured(1);
    };
    for (const content::QuizRow &row : quiz.rows) {
        QStringList matches;
        for (int list = 1; list < quiz.answerCount; ++list) {
            const QString &entry = row.answers[std::size_t(list)];
            matches << labelOn(u"(\\S+)\\) "_s, entry) + u") "_s + entry.simplified();
        }
        const QString line = labelOn(u"(\\d+)\\. "_s, row.answers[0]) + u". "_s +
                             row.answers[0].simplified() + u" — "_s + matches.join(u"; "_s);
        QVERIFY2(key.contains(line), qPrintable(line));
        // pdftotext joins a word broken at a hyphen at the end of a line without it.
        const auto withoutHyphens = [](QString text) { return text.remove(u'-').simplified(); };
        QVERIFY(withoutHyphens(key).contains(withoutHyphens(row.explanation)));
    }
}

void TestCommandLine::worksheetFailsWithoutHarm_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("kept"); // a file that must stay as it was
    const QString table = m_folder.filePath(u"Битки за лист.csv"_s);
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Място;Победител;Победен\n") > 0);
    const QString pdf = m_folder.filePath(u"нов лист.pdf"_s);
    const QString nowhere = m_folder.filePath(u"няма такава папка/лист.pdf"_s);
    QTest::newRow("a folder that is not there")
        << QStringList{u"--worksheet"_s, nowhere}
        << u"„"_s + nowhere + u"“ не може да бъде записан"_s << nowhere;
    QTest::newRow("a quiz table is never written over")
        << QStringList{u"--worksheet"_s, table} << u"не е PDF"_s << table;
    QTest::newRow("a quiz that cannot be read")
        << QStringList{u"--worksheet"_s, pdf, table} << u"Битки за лист.csv"_s << pdf;
}

void TestCommandLine::worksheetFailsWithoutHarm() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    QFETCH(QString, kept);
    QFile file(kept);
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    const Run run = runProgram(arguments);
    QCOMPARE(run.status, shell::exitStatusBadInput);
    QVERIFY2(run.err.contains(u"valtessa: "_s) && run.err.contains(named), qPrintable(run.err));
    QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), before);
    QCOMPARE(QFile::exists(kept), !before.isEmpty());
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
