#pragma once

#include <QString>

namespace orte {

// The program's name as the desktop knows it: the X11 WM class, matched by the desktop entry's
// StartupWMClass.
constexpr const char *app_name = "orte-monitor";
constexpr const char *desktop_file_name = "org.orte.Monitor473";

// Names the application and gives its windows the monitor's icon; call it once the
// QApplication exists and before the window is built.
void set_app_identity();

} // namespace orte
