#pragma once

#include "forms/zoom.h"

#include <QString>
#include <QStringList>

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
        UsageError,     // usageError says what is wrong
    };

    Action action = Action::OpenWindow;
    QString quizFile;
    QString exportFile; // what --export-quiz or --worksheet writes
    QString usageError;
    // --zoom PERCENT: the window opens at this step.
    int zoom = forms::normalZoom;
};

// arguments as QCoreApplication::arguments() gives them, the program first.
CommandLine parseCommandLine(const QStringList &arguments);

// The --help text, in Bulgarian.
QString commandLineHelp();

// Carries out an action that opens no window and returns the exit status: 0 done, 2 a usage
// error or a file that could not be written. Output goes to standard output, errors to standard
// error, each prefixed with the program's name.
int runWithoutWindow(const CommandLine &commandLine);

// Writes text to standard error as it is, in the system's encoding.
void printToStandardError(const QString &text);

// The exit status for a wrong command line and for a file that cannot be read or written.
inline constexpr int exitStatusBadInput = 2;

} // namespace shell
