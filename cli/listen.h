#pragma once

// Listening to a live bus: a converter that another master (a PLC, a SCADA gateway) polls,
// read without sending a byte.

#include "cli/probe.h"
#include "cli/shared_console.h"
#include "engine/listen_engine.h"
#include "engine/mqtt.h"
#include "engine/recording.h"

#include <QString>
#include <QTextStream>

#include <optional>

namespace orte_cli {

// The bus, and where its readings are recorded.
struct listen_plan : orte::listen_plan
{
    QString csv_file;
    bool csv_plain = false;
    QString xlsx_file;
    bool overwrite = false;
    bool stats = false; // the bus figures every ten seconds, not only at the end
    std::optional<orte::mqtt_target> mqtt; // each reading to the plant's broker too
    orte::rotation rotate = orte::rotation::none; // new files every hour or day
};

using orte::listen_speed_order;

// Opens the port for reading only, finds the line's settings by listening (where more than one
// is possible), then decodes every reply to the converter's reads, as the monitor would, until
// Ctrl+C. What is being tried goes to `progress` when it is a terminal. Returns an exit_code.
int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err,
               progress_line &progress);

} // namespace orte_cli
