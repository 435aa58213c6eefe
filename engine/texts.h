#pragma once

// The companion programs' own texts (orte-cli's, the engines'), through Qt's translation
// system: English sources, translated where the system speaks Russian. The converter's texts
// are Russian everywhere and never go through it.

#include <QCoreApplication>

namespace orte {

// The translation context of the companion programs' texts.
struct text
{
    Q_DECLARE_TR_FUNCTIONS(text)
};

} // namespace orte
