#include "cli/language.h"

#include <QTranslator>

#ifdef _WIN32
#include <windows.h>
#endif

static void init_translation_resource()
{
    Q_INIT_RESOURCE(orte_cli_translations);
}

namespace orte_cli {

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

bool install_translation(QCoreApplication &app)
{
    init_translation_resource();
    static QTranslator russian;
    if (!system_speaks_russian())
        return true;
    if (!russian.load(QStringLiteral(":/i18n/orte-cli_ru.qm")))
        return false;
    app.installTranslator(&russian);
    return true;
}

} // namespace orte_cli
