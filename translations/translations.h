#pragma once

// The companions' Russian translation, embedded in the program.

#include <QCoreApplication>
#include <QString>

namespace orte {

// The compiled translation's resource name (for a test that loads it).
QString companion_translation();

// Installs it where the system speaks Russian; false when it could not be loaded.
bool install_companion_translation(QCoreApplication &app);

} // namespace orte
