#pragma once

// An earlier recording read back: a workbook or a CSV (for a spreadsheet in any locale, or
// plain) that orte-cli or the recorder wrote, row by row as it was recorded, with what the
// file says of the converter and the line.

#include "engine/record.h"

#include <QString>

#include <functional>

namespace orte {

// Each row in turn to `row`; `about` gets the converter and the line where the file says them
// (a workbook's run sheet) and the figures counted over the rows. False, with the reason in
// `error` and nothing given to `row`, for a file that is not such a recording or cannot be
// read.
bool read_recording(const QString &file, const std::function<void(const poll_record &)> &row,
                    run_figures &about, QString &error);

} // namespace orte
