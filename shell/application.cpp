#include "shell/application.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QStyleFactory>

namespace shell {

void setUpApplication(QApplication &app) {
    QApplication::setApplicationName(QStringLiteral("valtessa"));
    QApplication::setApplicationDisplayName(QStringLiteral("Valtessa"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setOrganizationName(QStringLiteral("Kordavin"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Valtessa"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.example.Valtessa-32.png")));

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(app.style()->standardPalette());
}

} // namespace shell
