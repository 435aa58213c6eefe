#pragma once

#include "log/record_kind.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace orte {

// "log-473-YYYY-MM-DD_hh_mm.txt", in the working directory.
QString log_file_name(const QDate &date, const QTime &time);

// "hh:mm:ss" and two TABs: the time column of every record.
QString time_prefix(const QTime &time);

QString header_record(const QTime &time, quint32 serial);

// `status_byte` is used only by the status-change record.
QString log_record(record_kind kind, const QTime &time, quint8 status_byte = 0);

// Appends `text` to the file, creating it when missing. A file that does not end with a
// line feed (the closing records have none) gets one first, so records never share a line
// and an earlier run's log is never overwritten. Text goes out in the locale's encoding, or
// in UTF-8 with a byte-order mark where that encoding cannot hold it (and always into a file
// that begins with one).
void append_to_log(const QString &file_name, const QString &text);

} // namespace orte
