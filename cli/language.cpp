#include "cli/language.h"

static void init_translation_resource()
{
    Q_INIT_RESOURCE(orte_cli_translations);
}

namespace orte_cli {

bool install_translation(QCoreApplication &app)
{
    init_translation_resource();
    return orte::install_translations(app, { QStringLiteral(":/i18n/orte-cli_ru.qm") });
}

} // namespace orte_cli
