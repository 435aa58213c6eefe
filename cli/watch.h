#pragma once

#include "cli/probe.h"
#include "engine/mqtt.h"
#include "engine/recording.h"

#include <QString>
#include <QTextStream>
#include <QVector>

#include <optional>

namespace orte_cli {

struct watch_plan
{
    QString port;
    port_settings settings;
    QVector<int> addresses { 1 }; // several: polled in turn, each on its own period
    QString csv_file; // empty: none
    bool csv_plain = false; // the machine form for scripts instead of the spreadsheet's
    QString xlsx_file; // empty: none
    bool overwrite = false; // existing files are replaced only when asked
    int interval_ms = 300;
    int polls = 0; // each converter's; 0: until Ctrl+C
    int reply_ms = 0; // over the network: the reply window (0: the default)
    std::optional<orte::mqtt_target> mqtt; // each poll to the plant's broker too
    orte::rotation rotate = orte::rotation::none; // new files every hour or day
};

// Opens the recordings, then the port; identifies the converter, then polls measurement and
// status in turn as the monitor does and prints one decoded line per poll to `out`, with a CSV
// row per poll too; at the end the workbook and a summary. Failures go to `err`. Returns an
// exit_code.
int run_watch(const watch_plan &plan, QTextStream &out, QTextStream &err);

} // namespace orte_cli
