#pragma once

#include "content/quiz.h"
#include "forms/zoom.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace shell {

// What the command line asks for. Parsing needs no display and no application object, so that
// --help, --version, --export-quiz and --worksheet work in a terminal without one.
struct CommandLine {
    enum class Action {
        OpenWindow,     // the window, with quizFile if one was given
        ShowHelp,       // --help
        ShowVersion,    // --version
        ExportQuiz,     // --export-quiz FILE: the built-in quiz as a table, then end
        WriteWorksheet, // --worksheet OUT [FILE]: the worksheet of a quiz as PDF, then end
        WriteResults,   // --results RECORDS OUT [ROUND]: a class round's results, then end
        UsageError,     // usageError says what is wrong
    };

    Action action = Action::OpenWindow;
    QString quizFile;
    QString exportFile; // what --export-quiz or --worksheet writes
    QString usageError;
    // --zoom PERCENT: the window opens at this step.
    int zoom = forms::normalZoom;
    // --host [FILE]: the window hosts a class round at once, on port (--port N).
    bool host = false;
    quint16 port = 0; // 0: the round's default port
    // --join LINK NAME: the window joins that round under that name.
    QString joinLink;
    QString joinName;
    // --results RECORDS OUT [ROUND]: the class records and the round, 0 for the last one.
    QString records;
    int round = 0;
};

// arguments as QCoreApplication::arguments() gives them, the program first.
CommandLine parseCommandLine(const QStringList &arguments);

// The --help text, in Bulgarian.
QString commandLineHelp();

// Writes the results of a round of the class records at path (the last round for 0) to a new
// file out, .ods, .xlsx or .csv; the exit status, with errors on standard error.
int writeResultsFile(const QString &records, const QString &out, int round);

// Carries out an action that opens no window and returns the exit status: 0 done, 2 a usage
// error or a file that could not be written. Output goes to standard output, errors to standard
// error, each prefixed with the program's name.
int runWithoutWindow(const CommandLine &commandLine);

// Writes text to standard error as it is, in the system's encoding.
void printToStandardError(const QString &text);
// Writes a message to standard error as the program's own: „valtessa: …“ and a line end.
void printProblem(const QString &message);

// Reads the quiz file a command line names. One that cannot be played is reported on standard
// error and then handed to alsoShow, if given (a start with a display shows it in a message box
// too); nothing is returned, and the caller ends with exitStatusBadInput.
std::optional<content::Quiz>
readQuizForCommandLine(const QString &path,
                       const std::function<void(const QString &message)> &alsoShow = {});

// The exit status for a wrong command line and for a file that cannot be read or written.
inline constexpr int exitStatusBadInput = 2;

} // namespace shell
