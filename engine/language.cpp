#include "engine/language.h"

#include <QTranslator>

#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orte {

bool russian_posix_locale(const QString &lc_all, const QString &lc_messages, const QString &lang)
{
    for (const QString &setting : { lc_all, lc_messages, lang })
        if (!setting.isEmpty())
            return setting.startsWith(QLatin1String("ru"));
    return false;
}

bool system_speaks_russian()
{
#ifdef _WIN32
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN;
#else
    return russian_posix_locale(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                                qEnvironmentVariable("LANG"));
#endif
}

bool install_translations(QCoreApplication &app, const QStringList &files)
{
    if (!system_speaks_russian())
        return true;
    // They live as long as the program.
    static std::vector<std::unique_ptr<QTranslator>> installed;
    for (const QString &file : files) {
        auto russian = std::make_unique<QTranslator>();
        if (!russian->load(file))
            return false;
        app.installTranslator(russian.get());
        installed.push_back(std::move(russian));
    }
    return true;
}

} // namespace orte
