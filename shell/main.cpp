#include "classroom/classhost.h"
#include "classroom/localnetwork.h"
#include "forms/error.h"
#include "quiz/quizform.h"
#include "quiz/quizwindow.h"
#include "quizfile/quizfile.h"
#include "shell/application.h"
#include "shell/classcommands.h"
#include "shell/commandline.h"
#include "shell/features.h"
#include "shell/hostwindow.h"
#include "shell/quizfileopener.h"
#include "shell/zoomcontrol.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The arguments as the system passed them. Windows passes them in UTF-16, which only
// QCoreApplication reads; elsewhere they are bytes in the locale's encoding (UTF-8 for Qt 6), and
// no application object is made before it is needed.
QStringList commandLineArguments(int argc, char *argv[]) {
#ifdef Q_OS_WIN
    const QCoreApplication core(argc, argv);
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
#endif
}

} // namespace

int main(int argc, char *argv[]) {
    // The command line is read before anything needs a display: --help, --version,
    // --export-quiz and --worksheet run in a terminal without one.
    shell::setApplicationNames();
    const shell::CommandLine commandLine =
        shell::parseCommandLine(commandLineArguments(argc, argv));
    if (commandLine.action != shell::CommandLine::Action::OpenWindow)
        return shell::runWithoutWindow(commandLine);

    // A quiz named on the command line is read before the window is made: a file that cannot be
    // played opens no window.
    std::optional<content::Quiz> quiz;
    if (!commandLine.quizFile.isEmpty()) {
        quiz = shell::readQuizForCommandLine(commandLine.quizFile, [&](const QString &message) {
            if (shell::displayAvailable()) {
                QApplication app(argc, argv);
                shell::setUpApplication(app);
                forms::showWarningMessageBox(nullptr, message);
            }
        });
        if (!quiz)
            return shell::exitStatusBadInput;
    }

    QApplication app(argc, argv);
    shell::setUpApplication(app);

    try {
        quiz::QuizForm form(quiz::quizWindowDescription());
        if (!form.raiseEvent([&form, &quiz] {
                form.Form_Load();
                if (quiz)
                    form.openQuiz(std::move(*quiz));
            }))
            return EXIT_FAILURE;
        const shell::WindowFeatures features = shell::addWindowFeatures(form);
        if (quiz)
            features.opener->rememberFolderOf(commandLine.quizFile);
        features.zoom->zoomTo(commandLine.zoom);
        form.show();
        if (commandLine.host) {
            // The join link on standard output at once, for a classroom's launcher to show.
            shell::HostWindow &host = shell::hostWindowOf(form);
            QObject::connect(&host, &shell::HostWindow::roundStarted, &form, [](const QUrl &link) {
                std::fputs((link.toString() + u'\n').toUtf8().constData(), stdout);
                std::fflush(stdout);
            });
            host.show();
            if (!host.startRound(commandLine.port != 0 ? commandLine.port
                                                       : classroom::defaultPort)) {
                shell::printProblem(host.host() == nullptr ? host.problem() : QString());
                return shell::exitStatusBadInput;
            }
            // A launcher's log hears what the host window says of the class records.
            QObject::connect(host.host(), &classroom::ClassHost::recordsProblem, &form,
                             [](const QString &problem) {
                                 if (!problem.isEmpty())
                                     shell::printProblem(problem);
                             });
        }
        if (!commandLine.joinLink.isEmpty() &&
            shell::joinRound(form, commandLine.joinLink, commandLine.joinName) == nullptr)
            return shell::exitStatusBadInput;
        return QApplication::exec();
    } catch (const forms::Error &error) {
        // The window could not be built from its description.
        forms::Form::showErrorMessageBox(nullptr, error.message());
        return EXIT_FAILURE;
    } catch (const std::exception &error) {
        // Building the window ran out of memory or met another fault of the library.
        forms::Form::showErrorMessageBox(nullptr, QString::fromLocal8Bit(error.what()));
        return EXIT_FAILURE;
    }
}
