#include "forms/error.h"
#include "forms/zoom.h"
#include "quiz/quizform.h"
#include "shell/application.h"
#include "shell/quizwindow.h"
#include "shell/zoomcontrol.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int usageErrorStatus = 2;

// Reads the program's own options before any window exists, so that a usage error or the help
// needs no display. Options of Qt itself (-platform, -display...) are left for QApplication.
int zoomFromCommandLine(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("valtessa"))).fileName();

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показва тази помощ."));
    const QCommandLineOption zoom(
        QStringLiteral("zoom"),
        QStringLiteral("Отваря прозореца в мащаб ПРОЦЕНТ: %1.").arg(forms::zoomStepList()),
        QStringLiteral("ПРОЦЕНТ"));
    parser.addOption(help);
    parser.addOption(zoom);
    const auto fail = [&](const QString &message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(message));
        std::exit(usageErrorStatus);
    };
    if (!parser.parse(arguments) && parser.unknownOptionNames().isEmpty())
        fail(parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QLatin1StringView("<executable_name>"), program);
        std::fputs(qPrintable(text), stdout);
        std::exit(EXIT_SUCCESS);
    }
    if (!parser.isSet(zoom))
        return forms::normalZoom;
    const std::optional<int> percent = forms::zoomStepFromPercent(parser.value(zoom));
    if (!percent)
        fail(QStringLiteral("--zoom: „%1“ не е мащаб; възможните са %2.")
                 .arg(parser.value(zoom), forms::zoomStepList()));
    return *percent;
}

} // namespace

int main(int argc, char *argv[]) {
    const int zoom = zoomFromCommandLine(argc, argv);
    QApplication app(argc, argv);
    shell::setUpApplication(app);

    try {
        quiz::QuizForm form(shell::quizWindowDescription());
        if (!form.raiseEvent([&form] { form.Form_Load(); }))
            return EXIT_FAILURE;
        auto *zoomControl = new shell::ZoomControl(form);
        zoomControl->zoomTo(zoom);
        form.show();
        return QApplication::exec();
    } catch (const forms::Error &error) {
        // The window could not be built from its description.
        forms::Form::showErrorMessageBox(nullptr, error.message());
        return EXIT_FAILURE;
    }
}
