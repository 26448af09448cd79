#include "shell/commandline.h"

#include "classroom/classrecords.h"
#include "classroom/results.h"
#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"
#include "shell/application.h"
#include "shell/quizfileopener.h"
#include "shell/worksheetprinter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

const QString helpName = u"help"_s;
const QString versionName = u"version"_s;
const QString exportName = u"export-quiz"_s;
const QString zoomName = u"zoom"_s;
const QString worksheetName = u"worksheet"_s;
const QString hostName = u"host"_s;
const QString portName = u"port"_s;
const QString joinName = u"join"_s;
const QString resultsName = u"results"_s;

// Qt's own options, which QApplication reads from the command line itself: accepted here so that
// `valtessa -platform xcb` or `-reverse` work as in any Qt program, and left out of the help.
QList<QCommandLineOption> qtOptions() {
    QList<QCommandLineOption> options;
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowtitle", "qwindowicon", "display",
                             "geometry", "title", "name", "style", "stylesheet", "session"})
        options.append(QCommandLineOption(QString::fromLatin1(name), QString(), u"value"_s));
    for (const char *name : {"reverse", "nograb", "dograb", "widgetcount"})
        options.append(QCommandLineOption(QString::fromLatin1(name)));
    for (QCommandLineOption &option : options)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return options;
}

struct MisusedOption {
    QString written; // as on the command line, dashes included
    QString name;
    bool valueGiven = false;
};

// The option the parser refused when no option was unknown: one that takes no value given one
// (`--help=1`), or else the last argument, an option left without its value (an earlier one
// would have taken the next argument as its value).
MisusedOption misusedOption(const QStringList &arguments,
                            const QList<QCommandLineOption> &options) {
    const auto nameOf = [](const QString &written) {
        qsizetype dashes = 0;
        while (dashes < written.size() && written[dashes] == u'-')
            ++dashes;
        return written.mid(dashes);
    };
    for (const QString &argument : arguments.mid(1)) {
        if (argument == u"--"_s)
            break;
        const QString written = argument.section(u'=', 0, 0);
        if (!argument.startsWith(u'-') || written.size() == argument.size())
            continue;
        for (const QCommandLineOption &option : options) {
            if (option.valueName().isEmpty() && option.names().contains(nameOf(written)))
                return {written, nameOf(written), true};
        }
    }
    const QString last = arguments.size() > 1 ? arguments.constLast() : QString();
    return {last, nameOf(last)};
}

void print(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{u"h"_s, helpName});
    const QCommandLineOption version(QStringList{u"v"_s, versionName});
    const QCommandLineOption exportQuiz(exportName, QString(), u"FILE"_s);
    const QCommandLineOption zoom(zoomName, QString(), u"PERCENT"_s);
    const QCommandLineOption worksheet(worksheetName, QString(), u"OUT"_s);
    const QCommandLineOption host(hostName);
    const QCommandLineOption port(portName, QString(), u"N"_s);
    const QCommandLineOption join(joinName, QString(), u"LINK"_s);
    const QCommandLineOption results(resultsName, QString(), u"RECORDS"_s);
    const QList<QCommandLineOption> options =
        QList{help, version, exportQuiz, zoom, worksheet, host, port, join, results} + qtOptions();
    parser.addOptions(options);
    parser.addPositionalArgument(u"FILE"_s, QString());

    CommandLine result;
    auto usageError = [&result](const QString &message) {
        result.action = CommandLine::Action::UsageError;
        result.usageError = message;
        return result;
    };
    if (!parser.parse(arguments)) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
            const QString &name = unknown.constFirst();
            return usageError(u"непозната опция „"_s + (name.size() == 1 ? u"-"_s : u"--"_s) +
                              name + u"“"_s);
        }
        const MisusedOption misused = misusedOption(arguments, options);
        if (misused.valueGiven)
            return usageError(u"„"_s + misused.written + u"“ не приема стойност"_s);
        if (misused.name == zoomName)
            return usageError(u"след „--"_s + zoomName + u"“ трябва да стои мащаб в проценти: "_s +
                              forms::zoomStepList());
        if (misused.name == exportName)
            return usageError(u"след „--"_s + exportName + u"“ трябва да стои име на файл"_s);
        if (misused.name == worksheetName)
            return usageError(u"след „--"_s + worksheetName +
                              u"“ трябва да стои име на PDF файл"_s);
        if (misused.name == portName)
            return usageError(u"след „--"_s + portName + u"“ трябва да стои номер на порт"_s);
        if (misused.name == joinName)
            return usageError(u"след „--"_s + joinName +
                              u"“ трябва да стоят връзката към кръга и името"_s);
        if (misused.name == resultsName)
            return usageError(u"след „--"_s + resultsName +
                              u"“ трябва да стоят файлът със записите и файлът за резултатите"_s);
        return usageError(u"след „"_s + misused.written + u"“ трябва да стои стойност"_s);
    }

    if (parser.isSet(zoom)) {
        const QString value = parser.value(zoom);
        const std::optional<int> percent = forms::zoomStepFromPercent(value);
        if (!percent)
            return usageError(u"„"_s + value + u"“ не е мащаб; възможните са "_s +
                              forms::zoomStepList());
        result.zoom = *percent;
    }

    const QStringList files = parser.positionalArguments();
    if (parser.isSet(port)) {
        bool ok = false;
        const int number = parser.value(port).toInt(&ok);
        if (!ok || number < 1 || number > 65535)
            return usageError(u"„"_s + parser.value(port) + u"“ не е порт: от 1 до 65535"_s);
        if (!parser.isSet(host))
            return usageError(u"„--"_s + portName + u"“ се дава само с „--"_s + hostName + u"“"_s);
        result.port = quint16(number);
    }
    const int classOptions =
        int(parser.isSet(host)) + int(parser.isSet(join)) + int(parser.isSet(results));
    if (classOptions > 1 ||
        (classOptions == 1 && (parser.isSet(worksheet) || parser.isSet(exportQuiz))))
        return usageError(u"„--host“, „--join“, „--results“, „--worksheet“ и „--export-quiz“ не "
                          u"се дават заедно"_s);
    if (parser.isSet(help))
        result.action = CommandLine::Action::ShowHelp;
    else if (parser.isSet(version))
        result.action = CommandLine::Action::ShowVersion;
    else if (parser.isSet(worksheet)) {
        if (parser.isSet(exportQuiz))
            return usageError(u"„--"_s + worksheetName + u"“ и „--"_s + exportName +
                              u"“ не се дават заедно"_s);
        if (parser.values(worksheet).size() > 1)
            return usageError(u"„--"_s + worksheetName + u"“ е дадена повече от веднъж"_s);
        if (files.size() > 1)
            return usageError(u"работен лист се прави само за една викторина"_s);
        result.action = CommandLine::Action::WriteWorksheet;
        result.exportFile = parser.value(worksheet);
        result.quizFile = files.value(0);
        if (result.exportFile.isEmpty())
            return usageError(u"след „--"_s + worksheetName +
                              u"“ трябва да стои име на PDF файл"_s);
    } else if (parser.isSet(exportQuiz)) {
        if (!files.isEmpty())
            return usageError(u"„--"_s + exportName + u"“ не се дава заедно с файл за отваряне"_s);
        if (parser.values(exportQuiz).size() > 1)
            return usageError(u"„--"_s + exportName + u"“ е дадена повече от веднъж"_s);
        result.action = CommandLine::Action::ExportQuiz;
        result.exportFile = parser.value(exportQuiz);
        if (result.exportFile.isEmpty())
            return usageError(u"след „--"_s + exportName + u"“ трябва да стои име на файл"_s);
    } else if (parser.isSet(results)) {
        if (files.isEmpty() || files.size() > 2)
            return usageError(u"„--"_s + resultsName +
                              u"“ иска файла със записите, файла за резултатите и по желание "
                              u"номера на кръга"_s);
        result.action = CommandLine::Action::WriteResults;
        result.records = parser.value(results);
        result.exportFile = files.constFirst();
        if (files.size() == 2) {
            bool ok = false;
            result.round = files[1].toInt(&ok);
            if (!ok || result.round < 1)
                return usageError(u"„"_s + files[1] + u"“ не е номер на кръг"_s);
        }
    } else if (parser.isSet(join)) {
        if (files.size() != 1)
            return usageError(u"„--"_s + joinName + u"“ иска връзката към кръга и името"_s);
        result.joinLink = parser.value(join);
        result.joinName = files.constFirst();
    } else if (files.size() > 1)
        return usageError(u"може да се отвори само един файл"_s);
    else if (files.size() == 1)
        result.quizFile = files.constFirst();
    result.host = parser.isSet(host);
    return result;
}

QString commandLineHelp() {
    return u"Употреба: valtessa [--zoom ПРОЦЕНТ] [ФАЙЛ]\n"
           u"         valtessa --export-quiz ФАЙЛ\n"
           u"         valtessa --worksheet ЛИСТ.pdf [ФАЙЛ]\n"
           u"         valtessa --host [--port N] [ФАЙЛ]\n"
           u"         valtessa --join ВРЪЗКА ИМЕ\n"
           u"         valtessa --results ЗАПИСИ РЕЗУЛТАТИ.ods|.xlsx|.csv [КРЪГ]\n"
           u"\n"
           u"Викторина по история: свържете мястото на битката с победителя и победения.\n"
           u"Учителят може да отвори и своя викторина: таблица с две или три колони\n"
           u"с отговори и по желание колона „Обяснение“ — таблица на LibreOffice Calc\n"
           u"или Excel (.ods, .xlsx, CSV или TSV) — или речник на KWordQuiz (.kvtml).\n"
           u"\n"
           u"Аргументи:\n"
           u"  ФАЙЛ                     викторина (.ods, .xlsx, .csv, .tsv, .txt, .kvtml),\n"
           u"                           която да се отвори вместо вградената\n"
           u"\n"
           u"Опции:\n"
           u"  -h, --help               показва тази помощ\n"
           u"  -v, --version            показва версията на програмата\n"
           u"  --export-quiz ФАЙЛ       записва вградената викторина като таблица (UTF-8, „;“),\n"
           u"                           от която да започне своя викторина, и излиза;\n"
           u"                           съществуващ ФАЙЛ не се променя\n"
           u"  --worksheet ЛИСТ.pdf     записва работен лист за печат (PDF, A4) с вградената\n"
           u"                           викторина или с ФАЙЛ и отговорите на отделна\n"
           u"                           страница, и излиза; заменя само файл, който е PDF\n"
           u"  --zoom ПРОЦЕНТ           отваря прозореца в мащаб 100, 125, 150, 175, 200, 250\n"
           u"                           или 300 %; в прозореца Ctrl++, Ctrl+- и Ctrl+0\n"
           u"  --host                   отваря прозореца на учителя и започва кръг на класа\n"
           u"                           с вградената викторина или с ФАЙЛ; пише на изхода\n"
           u"                           връзката, с която влизат учениците\n"
           u"  --port N                 портът на кръга (по подразбиране 47474)\n"
           u"  --join ВРЪЗКА ИМЕ        влиза в кръга на учителя под това име\n"
           u"  --results ЗАПИСИ ФАЙЛ    записва резултатите на кръг (последния, ако не е\n"
           u"                           даден номер) от записите на класа в нов файл\n"
           u"\n"
           u"В прозореца Ctrl+O отваря викторина от файл (файл може и да се пусне в\n"
           u"прозореца), Ctrl+V я взима от копирани клетки на таблица, Ctrl+P отпечатва\n"
           u"работен лист или го записва като PDF, а Ctrl+R упражнява редовете, сбъркани\n"
           u"в кръга.\n"
           u"Изход: 0 при успех, 1 при вътрешна грешка на програмата, 2 при грешна команда\n"
           u"или файл, който не може да се прочете или запише.\n"_s;
}

int writeResultsFile(const QString &records, const QString &out, int round) {
    if (!QFileInfo(records).isFile()) {
        printProblem(u"„"_s + records + u"“ не е файл със записи на клас"_s);
        return exitStatusBadInput;
    }
    // Qt's SQLite driver is a plugin, which only an application object loads.
    QByteArray name = programName().toUtf8();
    char *argv[] = {name.data(), nullptr};
    int argc = 1;
    const QCoreApplication app(argc, argv);
    classroom::ClassRecords opened(records);
    const std::vector<classroom::ClassRecords::RoundInfo> rounds = opened.rounds();
    const auto info = std::find_if(rounds.begin(), rounds.end(), [round](const auto &candidate) {
        return round == 0 || candidate.id == round;
    });
    if (!opened.isOpen() || info == rounds.end()) {
        printProblem(!opened.isOpen() ? opened.error()
                     : round == 0     ? u"в записите още няма кръг"_s
                                  : u"в записите няма кръг номер "_s + QString::number(round));
        return exitStatusBadInput;
    }
    const std::unique_ptr<classroom::ClassRound> loaded = opened.load(info->id);
    const std::optional<QByteArray> bytes =
        loaded ? classroom::resultsFile(classroom::resultSheets(*loaded, *info), out)
               : std::nullopt;
    if (!loaded || !bytes) {
        printProblem(!loaded ? opened.error()
                             : u"резултатите се записват като .ods, .xlsx или .csv"_s);
        return exitStatusBadInput;
    }
    if (const auto problem = quizfile::writeNewFile(out, *bytes)) {
        printProblem(u"„"_s + out + u"“ не е записан: "_s + *problem);
        return exitStatusBadInput;
    }
    return 0;
}

void printToStandardError(const QString &text) {
    print(stderr, text);
}

void printProblem(const QString &message) {
    print(stderr, programName() + u": "_s + message + u'\n');
}

std::optional<content::Quiz>
readQuizForCommandLine(const QString &path,
                       const std::function<void(const QString &message)> &alsoShow) {
    quizfile::QuizFileResult result = quizfile::readQuizFile(path);
    if (const auto *error = std::get_if<quizfile::QuizFileError>(&result)) {
        const QString message = quizFileErrorMessage(*error);
        printProblem(message);
        if (alsoShow)
            alsoShow(message);
        return std::nullopt;
    }
    return std::get<content::Quiz>(std::move(result));
}

int runWithoutWindow(const CommandLine &commandLine) {
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        print(stdout, commandLineHelp());
        return 0;
    case CommandLine::Action::ShowVersion:
        print(stdout, programName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
        return 0;
    case CommandLine::Action::UsageError:
        printProblem(commandLine.usageError + u"\nВижте „"_s + programName() + u" --help“."_s);
        return exitStatusBadInput;
    case CommandLine::Action::ExportQuiz: {
        // Never over a file the teacher already has: it may be her edited quiz.
        if (const auto problem =
                quizfile::writeNewQuizFile(commandLine.exportFile, content::quizTemplate())) {
            printProblem(u"„"_s + commandLine.exportFile + u"“ не е записан: "_s + *problem);
            return exitStatusBadInput;
        }
        return 0;
    }
    case CommandLine::Action::WriteWorksheet:
        return writeWorksheetFile(commandLine.exportFile, commandLine.quizFile);
    case CommandLine::Action::WriteResults:
        return writeResultsFile(commandLine.records, commandLine.exportFile, commandLine.round);
    case CommandLine::Action::OpenWindow:
        break;
    }
    return exitStatusBadInput;
}

} // namespace shell
