#pragma once

// What orte-cli says of line settings and of what an exchange heard; the exchanges themselves
// run in the engines (engine/).

#include "cli/exit_codes.h"
#include "cli/shared_console.h"
#include "engine/exchange.h"
#include "engine/scan_engine.h"
#include "link/line_format.h"

#include <QString>

namespace orte_cli {

using port_settings = orte::line_format;

// "19200 8O2"
inline QString text(const port_settings &settings)
{
    return QString::fromStdString(settings.text());
}

using exchange_result = orte::exchange_result;

using orte::what_answered;

using orte::open_error;

} // namespace orte_cli
