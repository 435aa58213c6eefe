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
    int interval_ms = 300;
    int polls = 0; // 0: until Ctrl+C
};

// The CSV header and one row: ISO time, then each value and flag; empty cells where an input
// is in fault or absent, or nothing has been read yet.
QString csv_header();

// Identifies the converter, then polls measurement and status in turn as the monitor does and
// prints one decoded line per poll; with a CSV file, a row per poll too.
int run_watch(const watch_plan &plan, QTextStream &out);

} // namespace orte_cli
