#include "shell/application.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
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
// translation installed they stay in English.
void installQtTranslation(QApplication &app) {
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Bulgarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

void setApplicationNames() {
    QCoreApplication::setApplicationName(QStringLiteral("valtessa"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
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
    QApplication::setApplicationDisplayName(QStringLiteral("Valtessa"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Valtessa"));
    QApplication::setWindowIcon(windowIcon());
    installQtTranslation(app);

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(app.style()->standardPalette());
}

} // namespace shell
