#include "forms/error.h"
#include "quiz/quizform.h"
#include "shell/application.h"
#include "shell/quizwindow.h"

#include <QApplication>

#include <cstdlib>
#include <exception>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    shell::setUpApplication(app);

    try {
        quiz::QuizForm form(shell::quizWindowDescription());
        if (!form.raiseEvent([&form] { form.Form_Load(); }))
            return EXIT_FAILURE;
        form.show();
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
