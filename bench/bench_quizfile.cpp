// How long a teacher's quiz takes to open and to play at 16, 1 000 and 32 767 rows, the last
// being the most a list holds. Each figure is taken on the real quiz window, shown (offscreen
// unless another platform is asked for), and is the median of several runs:
// - read: readQuizFile on the file the writer saved, as CSV, .xlsx and .ods;
// - open: read, then openQuiz (table, captions, new round), then the event loop until the window
//   has been drawn with the new lists: what the teacher waits for after choosing the file;
// - new round: „Изчисти“ (Command1_Click(1)) on a full round, and the repaint;
// - right and wrong check: Command1_Click(0), which scans the whole table.
// The quizzes repeat their winners and defeated, as real ones do; a second quiz of 32 767 rows
// has a text of its own in every cell, the most the sort and the sharing of texts can be given.
// `bench_quizfile --write ROWS FILE [distinct]` only writes such a quiz (.csv, .xlsx or .ods by
// FILE's extension), for the start-up and memory figures of run-all. `bench_quizfile 32767
// distinct csv` measures only the sizes, quizzes and file kinds named, as a profiler wants it.
#include "quiz/quizform.h"
#include "quiz/quizwindow.h"
#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"
#include "quizfixture.h"
#include "shell/application.h"
#include "spreadsheetfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// Words of Cyrillic letters, some capitalised, so that the sort compares as real entries do.
QString words(QRandomGenerator &random, int count) {
    QString text;
    for (int word = 0; word < count; ++word) {
        if (word > 0)
            text += u' ';
        const int length = 3 + int(random.bounded(9));
        for (int letter = 0; letter < length; ++letter) {
            const auto offset = char16_t(random.bounded(32));
            text += QChar(char16_t((letter == 0 && word == 0 ? u'А' : u'а') + offset));
        }
    }
    return text;
}

// Whether a quiz repeats its answers, as real ones do, or has a text of its own in every cell.
enum class Texts { Repeating, Distinct };

const char *nameOf(Texts texts) {
    return texts == Texts::Distinct ? "distinct" : "";
}

// A quiz of the given size, the same every time: places with a number (so that rows differ),
// winners and defeated drawn from smaller sets (so that lists hold equal entries), and a
// two-sentence explanation. A distinct quiz draws a new winner and defeated for every row
// instead, and never gives two cells of the whole quiz the same text.
content::Quiz syntheticQuiz(int rows, Texts texts = Texts::Repeating) {
    QRandomGenerator random(20261208);
    content::Quiz quiz;
    quiz.title = u"Проба"_s;
    quiz.captions = {u"Място"_s, u"Победител"_s, u"Победен"_s};
    quiz.explanationCaption = u"Обяснение"_s;
    QSet<QString> used;
    const auto fresh = [&](const std::function<QString()> &make) {
        QString text = make();
        while (used.contains(text))
            text = make();
        used.insert(text);
        return text;
    };
    std::vector<QString> people;
    if (texts == Texts::Repeating)
        for (int i = 0; i < std::max(8, rows / 2); ++i)
            people.push_back(words(random, 2));
    for (int row = 0; row < rows; ++row) {
        const auto place = [&] { return words(random, 2) + u' ' + QString::number(row + 1); };
        const auto explanation = [&] {
            return words(random, 12) + u". "_s + words(random, 8) + u'.';
        };
        if (texts == Texts::Repeating) {
            const auto pick = [&] { return people[random.bounded(quint32(people.size()))]; };
            quiz.rows.push_back({{place(), pick(), pick()}, explanation()});
        } else {
            const auto person = [&] { return words(random, 2); };
            quiz.rows.push_back({{fresh(place), fresh(person), fresh(person)}, fresh(explanation)});
        }
    }
    return quiz;
}

// The quiz as a spreadsheet saves it: its cells as shared strings (.xlsx) or as paragraphs
// (.ods), one sheet row a quiz row under the header.
std::vector<std::vector<QString>> cellsOf(const content::Quiz &quiz) {
    std::vector<std::vector<QString>> rows{
        {quiz.captions[0], quiz.captions[1], quiz.captions[2], quiz.explanationCaption}};
    for (const content::QuizRow &row : quiz.rows)
        rows.push_back({row.answers[0], row.answers[1], row.answers[2], row.explanation});
    return rows;
}

QByteArray writeXlsx(const content::Quiz &quiz) {
    QHash<QString, int> indices;
    QByteArray strings;
    QByteArray sheet;
    int line = 0;
    for (const auto &cells : cellsOf(quiz)) {
        sheet += "<row r=\"" + QByteArray::number(++line) + "\">";
        for (const QString &text : cells) {
            auto index = indices.constFind(text);
            if (index == indices.constEnd()) {
                index = indices.insert(text, int(indices.size()));
                strings += "<si><t>" + text.toHtmlEscaped().toUtf8() + "</t></si>";
            }
            sheet += "<c t=\"s\"><v>" + QByteArray::number(*index) + "</v></c>";
        }
        sheet += "</row>";
    }
    return spreadsheetfixture::xlsx(sheet, strings);
}

QByteArray writeOds(const content::Quiz &quiz) {
    QByteArray table;
    for (const auto &cells : cellsOf(quiz)) {
        table += "<table:table-row>";
        for (const QString &text : cells) {
            table += "<table:table-cell office:value-type=\"string\"><text:p>" +
                     text.toHtmlEscaped().toUtf8() + "</text:p></table:table-cell>";
        }
        table += "</table:table-row>";
    }
    return spreadsheetfixture::ods(table);
}

QByteArray writeAs(const content::Quiz &quiz, const QString &path) {
    if (path.endsWith(u".xlsx"_s))
        return writeXlsx(quiz);
    if (path.endsWith(u".ods"_s))
        return writeOds(quiz);
    return quizfile::writeQuiz(quiz);
}

qint64 medianOf(std::vector<qint64> values) {
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The CPU time of the step, beside its wall-clock time, shows what it costs when other programs
// share the machine's cores.
qint64 lastCpuMedian = 0;

// Runs step `runs` times after `prepare` (outside the clock) and gives the median wall-clock
// time in ns; the median CPU time of the thread is left in lastCpuMedian.
qint64 median(int runs, const std::function<void()> &prepare, const std::function<void()> &step) {
    std::vector<qint64> times;
    std::vector<qint64> cpuTimes;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const qint64 cpuStart = threadCpuNanoseconds();
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed());
        cpuTimes.push_back(threadCpuNanoseconds() - cpuStart);
    }
    lastCpuMedian = medianOf(cpuTimes);
    return medianOf(times);
}

using quiztest::shownForm;

// Draws the window now, as the event loop would after the change.
void paint(QWidget &window) {
    QCoreApplication::processEvents();
    window.repaint();
}

void chooseRow(quiz::QuizForm &form, const content::QuizRow &row) {
    for (qint16 list = 0; list < 3; ++list) {
        const QString &text = row.answers[std::size_t(list)];
        forms::ListBox &box = form.List1(list);
        int found = -1;
        for (int i = 0; i < box.ListCount() && found < 0; ++i)
            if (box.List(i) == text)
                found = i;
        if (found < 0)
            qFatal("entry not found");
        box.setCurrentRow(found, QItemSelectionModel::ClearAndSelect);
    }
}

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

struct QuizSize {
    int rows;
    Texts texts;
};

int measure(const QString &folder, const std::vector<QuizSize> &sizes,
            const std::vector<QByteArray> &kinds) {
    std::printf("wall-clock medians, CPU time of the thread in brackets\n");
    std::printf("%14s %5s %16s %18s %14s | %17s %16s %16s\n", "rows", "file", "read ms", "open ms",
                "open us/row", "new round ms", "right check us", "wrong check us");
    for (const auto [rows, texts] : sizes) {
        const content::Quiz quiz = syntheticQuiz(rows, texts);
        const QByteArray label = QByteArray::number(rows) + ' ' + nameOf(texts);
        const int runs = rows > 5000 ? 7 : 21;
        std::unique_ptr<quiz::QuizForm> form;
        for (const QByteArray &extension : kinds) {
            const QString path = folder + u"/proba-"_s +
                                 QString::fromLatin1(label.trimmed()).replace(u' ', u'-') + u'.' +
                                 QString::fromLatin1(extension);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(writeAs(quiz, path)) < 0)
                qFatal("cannot write %s", qPrintable(path));
            file.close();

            const qint64 read = median(
                runs, [] {}, [&path] { (void)quizfile::readQuizFile(path); });
            const qint64 readCpu = lastCpuMedian;
            const qint64 open = median(
                runs,
                [&form] {
                    form.reset();
                    form = shownForm();
                },
                [&form, &path] {
                    auto result = quizfile::readQuizFile(path);
                    form->openQuiz(std::get<content::Quiz>(std::move(result)));
                    paint(*form);
                });
            const qint64 openCpu = lastCpuMedian;
            if (form->List1(0).ListCount() != rows)
                qFatal("the quiz did not open");
            std::printf("%14s %5s %7.2f (%6.2f) %8.2f (%7.2f) %5.2f (%5.2f)\n",
                        label.trimmed().constData(), extension.constData(), ms(read), ms(readCpu),
                        ms(open), ms(openCpu), double(open) / 1e3 / rows,
                        double(openCpu) / 1e3 / rows);
            std::fflush(stdout);
        }
        const qint64 round = median(
            runs, [&form, &quiz] { chooseRow(*form, quiz.rows[quiz.rows.size() / 2]); },
            [&form] {
                form->Command1_Click(1);
                paint(*form);
            });
        const qint64 roundCpu = lastCpuMedian;

        // Each right check on a fresh round, drawn as the pupil sees it, a different row each time.
        std::size_t next = 0;
        const qint64 right = median(
            21,
            [&form, &quiz, &next] {
                form->Command1_Click(1);
                chooseRow(*form, quiz.rows[(next++ * 7919) % quiz.rows.size()]);
                paint(*form);
            },
            [&form] { form->Command1_Click(0); });
        const qint64 rightCpu = lastCpuMedian;
        if (form->Label2(2).Caption() != u"1"_s)
            qFatal("the right check was not counted");

        const content::QuizRow &a = quiz.rows.front();
        const content::QuizRow &b = quiz.rows.back();
        const qint64 wrong = median(
            21,
            [&form, &a, &b] {
                chooseRow(*form, {{a.answers[0], a.answers[1], b.answers[2]}, {}});
                paint(*form);
            },
            [&form] { form->Command1_Click(0); });
        const qint64 wrongCpu = lastCpuMedian;
        if (form->Text1(0).Text() != u"???"_s)
            qFatal("the wrong check was not counted");

        std::printf("%76s %7.2f (%7.2f) %7.1f (%6.1f) %7.1f (%6.1f)\n", "|", ms(round),
                    ms(roundCpu), double(right) / 1e3, double(rightCpu) / 1e3, double(wrong) / 1e3,
                    double(wrongCpu) / 1e3);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    if ((argc == 4 || (argc == 5 && qstrcmp(argv[4], "distinct") == 0)) &&
        qstrcmp(argv[1], "--write") == 0) {
        QFile file(QString::fromLocal8Bit(argv[3]));
        const Texts texts = argc == 5 ? Texts::Distinct : Texts::Repeating;
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(
                writeAs(syntheticQuiz(QByteArray(argv[2]).toInt(), texts), file.fileName())) < 0)
            return 1;
        return 0;
    }
    // No display is needed unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    shell::setUpApplication(app);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    // Sizes, "distinct" (the distinct quiz of each size named, of 32 767 rows if none is) and
    // file kinds, in any order; all of them when none is named.
    std::vector<int> rowCounts;
    std::vector<QByteArray> kinds;
    bool distinct = false;
    for (int i = 1; i < argc; ++i) {
        bool number = false;
        const int rows = QByteArray(argv[i]).toInt(&number);
        if (number)
            rowCounts.push_back(rows);
        else if (qstrcmp(argv[i], "distinct") == 0)
            distinct = true;
        else
            kinds.emplace_back(argv[i]);
    }
    std::vector<QuizSize> sizes;
    if (distinct && rowCounts.empty())
        rowCounts = {32767};
    for (const int rows : rowCounts)
        sizes.push_back({rows, distinct ? Texts::Distinct : Texts::Repeating});
    if (sizes.empty())
        sizes = {{16, Texts::Repeating},
                 {1000, Texts::Repeating},
                 {32767, Texts::Repeating},
                 {32767, Texts::Distinct}};
    if (kinds.empty())
        kinds = {"csv", "xlsx", "ods"};
    return measure(folder.path(), sizes, kinds);
}
