#pragma once

#include "cli/probe.h"

#include <QString>
#include <QTextStream>

namespace orte_cli {

struct watch_plan
{
    QString port;
    port_settings settings;
    int address = 1;
    QString csv_file; // empty: none
    bool overwrite = false; // an existing CSV file is replaced only when asked
    int interval_ms = 300;
    int polls = 0; // 0: until Ctrl+C
};

// The CSV header: time, then each value and flag, then the link text.
QString csv_header();

// Opens the recording, then the port; identifies the converter, then polls measurement and
// status in turn as the monitor does and prints one decoded line per poll to `out`, with a
// CSV row per poll too. Failures go to `err`. Returns an exit_code.
int run_watch(const watch_plan &plan, QTextStream &out, QTextStream &err);

} // namespace orte_cli
