#pragma once

#include <QString>

namespace orte {

// The program's name as the desktop knows it: the X11 WM class, matched by the desktop entry's
// StartupWMClass.
constexpr const char *app_name = "orte-monitor";
constexpr const char *desktop_file_name = "org.orte.Monitor473";

// Settings that must precede the application object: on Windows the window scales as one on
// displays set above 100 % (125 % and 150 % are common on laptops), so fixed geometries keep
// their fonts.
void prepare_application();

// Names the application and gives its windows the monitor's icon; call it once the
// QApplication exists and before the window is built.
void set_app_identity();

} // namespace orte
