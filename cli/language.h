#pragma once

// orte-cli's own texts in the user's language: Russian where the system speaks Russian,
// English (the source) elsewhere. The converter's texts are Russian everywhere.

#include "engine/texts.h"

#include <QCoreApplication>
#include <QString>

namespace orte_cli {

using orte::text;

// Whether a POSIX locale setting names Russian: the first of LC_ALL, LC_MESSAGES and LANG that
// is set decides ("ru_RU.UTF-8", "ru").
bool russian_posix_locale(const QString &lc_all, const QString &lc_messages, const QString &lang);

// The system's choice: Windows' UI language, or the POSIX locale of the environment.
bool system_speaks_russian();

// Installs the Russian translation (embedded in the program) where the system speaks Russian;
// false when it could not be loaded.
bool install_translation(QCoreApplication &app);

} // namespace orte_cli
