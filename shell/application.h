#pragma once

#include <QString>

class QApplication;

namespace shell {

// The program's name: its command, and the prefix of what it writes on standard error.
inline QString programName() {
    return QStringLiteral("valtessa");
}

// Names, version, icon and look of the program, set once before the window is built: Qt's Fusion
// style with its own palette, so the window looks the same on every desktop and its fixed
// colours never meet a dark theme's text colour.
void setUpApplication(QApplication &app);

// The program's name, display name, version and organisation, for an application object of any
// kind (the command line runs without a window).
void setApplicationNames();

// Whether a window can be shown: on X11 and Wayland there must be a display to connect to,
// which Qt would otherwise end the program for lacking.
bool displayAvailable();

} // namespace shell
