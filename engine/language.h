#pragma once

// The companion programs' language: Russian where the system speaks Russian, English (the
// source) elsewhere. The converter's texts are Russian everywhere.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace orte {

// Whether a POSIX locale setting names Russian: the first of LC_ALL, LC_MESSAGES and LANG that
// is set decides ("ru_RU.UTF-8", "ru").
bool russian_posix_locale(const QString &lc_all, const QString &lc_messages, const QString &lang);

// The system's choice: Windows' UI language, or the POSIX locale of the environment.
bool system_speaks_russian();

// Installs the Russian translations (compiled files embedded in the program, ":/i18n/x.qm")
// where the system speaks Russian; false when one could not be loaded.
bool install_translations(QCoreApplication &app, const QStringList &files);

} // namespace orte
