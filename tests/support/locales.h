#pragma once

// The locales the tests name. A test that runs under a locale (its own environment, or a
// program's it starts) checks first that the system has it: a missing locale would leave the C
// library in "C", and the test would pass without having tried what it names.

#include <QByteArray>
#include <QString>

#include <clocale>
#include <locale.h>

// Whether the C library has `name` ("ru_RU.CP1251").
inline bool locale_exists(const QByteArray &name)
{
    const locale_t found = newlocale(LC_ALL_MASK, name.constData(), locale_t(nullptr));
    if (!found)
        return false;
    freelocale(found);
    return true;
}

inline QString missing_locale(const QByteArray &name)
{
    return QStringLiteral("the locale %1 is missing (scripts/deps makes it)")
        .arg(QString::fromLatin1(name));
}

// The locale this process was started under (LC_ALL), when one is named.
inline QByteArray named_locale()
{
    return qgetenv("LC_ALL");
}
