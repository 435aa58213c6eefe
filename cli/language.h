#pragma once

// orte-cli's own texts in the user's language: Russian where the system speaks Russian,
// English (the source) elsewhere. The converter's texts are Russian everywhere.

#include "engine/language.h"
#include "engine/texts.h"

#include <QCoreApplication>
#include <QString>

namespace orte_cli {

using orte::text;

using orte::russian_posix_locale;
using orte::system_speaks_russian;

// Installs the Russian translation (embedded in the program) where the system speaks Russian;
// false when it could not be loaded.
bool install_translation(QCoreApplication &app);

} // namespace orte_cli
