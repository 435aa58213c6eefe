#include "cli/language.h"

#include "translations/translations.h"

namespace orte_cli {

bool install_translation(QCoreApplication &app)
{
    return orte::install_companion_translation(app);
}

} // namespace orte_cli
