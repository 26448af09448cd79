#pragma once

class QApplication;

namespace shell {

// Names, version, icon and look of the program, set once before the window is built: Qt's Fusion
// style with its own palette, so the window looks the same on every desktop and its fixed
// colours never meet a dark theme's text colour.
void setUpApplication(QApplication &app);

} // namespace shell
