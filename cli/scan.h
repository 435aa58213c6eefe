#pragma once

#include "cli/probe.h"
#include "cli/shared_console.h"
#include "engine/scan_engine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

namespace orte_cli {

// Several ports: each line names its port.
using scan_plan = orte::scan_plan;

using orte::scan_order;

// Runs the search engine over the plan on an event loop of its own; prints each converter
// found, and what else answered, to `out`, failures to `err`, and a live progress line to
// `progress` when it is a terminal. Ctrl+C stops it. Returns an exit_code.
int run_scan(const scan_plan &plan, QTextStream &out, QTextStream &err, progress_line &progress);

} // namespace orte_cli
