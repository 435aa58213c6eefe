#pragma once

// The recording as an Excel workbook: the values (time as a date-time, numbers as numbers),
// a chart of the inputs (and cold junctions) against time, and a sheet on the converter and
// the run. Written whole when the recording ends.

#include "cli/record.h"

#include <QString>
#include <QVector>

namespace orte_cli {

// False with the reason in `error`.
bool write_workbook(const QString &file_name, const run_figures &run,
                    const QVector<poll_record> &polls, QString &error);

} // namespace orte_cli
