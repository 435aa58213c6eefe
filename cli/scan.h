#pragma once

#include "cli/probe.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

namespace orte_cli {

struct scan_plan
{
    QStringList ports; // one after another; several: each line names its port
    QVector<port_settings> settings; // in the order they are tried
    int first_address = 1;
    int last_address = 128;
    bool all = false; // go on after the first converter
};

// Every combination of the lists, the likeliest first: 9600 8N1 and 19200 8E1, then the
// rest from the fastest speed down.
QVector<port_settings> scan_order(const QVector<int> &bauds, const QString &parities,
                                  const QVector<int> &stop_bits);

// Tries the identification request over the plan; prints each converter found, and what else
// answered, to `out`, failures to `err`, and a live progress line to `progress` when it is a
// terminal. Returns an exit_code.
int run_scan(const scan_plan &plan, QTextStream &out, QTextStream &err, QTextStream *progress);

} // namespace orte_cli
