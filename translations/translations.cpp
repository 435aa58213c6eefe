#include "translations/translations.h"

#include "engine/language.h"

static void init_translation_resource()
{
    Q_INIT_RESOURCE(orte_translations_qm);
}

namespace orte {

QString companion_translation()
{
    init_translation_resource();
    return QStringLiteral(":/i18n/companions_ru.qm");
}

bool install_companion_translation(QCoreApplication &app)
{
    return install_translations(app, { companion_translation() });
}

} // namespace orte
