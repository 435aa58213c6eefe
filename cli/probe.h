#pragma once

// What orte-cli says of line settings and of what an exchange heard; the exchanges themselves
// run in the engines (engine/).

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "engine/exchange.h"
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

// What an exchange heard that is not the converter's answer, for the user: an exception, a
// model outside the table, another slave's or a late frame, bytes that never formed a frame.
// Empty for silence and for a converter's identification.
QString what_answered(const exchange_result &r, quint8 address);

using orte::open_error;

} // namespace orte_cli
