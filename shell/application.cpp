#include "shell/application.h"
#include "shell/version.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace shell {

namespace {

// The icon is a PNG of our own. Read as such, Qt need not load every image-format plugin (and
// QtSvg with them) to find out what kind of file it is.
QIcon windowIcon() {
    QImageReader reader(QStringLiteral(":/icons/org.example.Valtessa-32.png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

// Qt's own texts (the file dialog, the text box's context menu, message box buttons) in
// Bulgarian, whatever the system's language: the program speaks no other. Without the
// translation installed they stay in English. The default locale names file types in the file
// dialog; Qt formats its sizes and dates by the system's locale, which no program can change.
void installQtTranslation(QApplication &app) {
    QLocale::setDefault(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Bulgarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

// Qt's file dialog keeps its history, sidebar and columns in ~/.config/QtProject.conf, shared by
// every Qt program of the user, and writes that file whenever a dialog closes. This program keeps
// no files, and on a lab's shared account a pupil should not be shown the folders others opened:
// Qt's own settings are looked for in a folder that can never exist, so the dialog reads nothing
// and its writes fail quietly. (Windows and macOS keep them in the registry and in preferences, not
// reached here.)
void keepQtSettingsAway() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
#endif
}

} // namespace

void setApplicationNames() {
    QCoreApplication::setApplicationName(programName());
    QCoreApplication::setApplicationVersion(QStringLiteral(VALTESSA_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Kordavin"));
}

bool displayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

void setUpApplication(QApplication &app) {
    setApplicationNames();
    QApplication::setDesktopFileName(QStringLiteral("org.example.Valtessa"));
    QApplication::setWindowIcon(windowIcon());
    installQtTranslation(app);
    keepQtSettingsAway();

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(app.style()->standardPalette());
}

} // namespace shell
