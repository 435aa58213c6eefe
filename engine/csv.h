#pragma once

// The CSV file of a recording: for the spreadsheet of the system that wrote it (UTF-8 with a
// byte-order mark; ";" between cells and "," in numbers where the locale's decimal separator
// is a comma, else "," and "."; the time as a date-time that spreadsheet reads; headings in
// the user's language), or plain for scripts (RFC 4180, ",", ".", ISO time, ASCII headings).

#include "engine/record.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace orte {

struct csv_format
{
    bool plain = false;
    QChar separator = QLatin1Char(',');
    QChar decimal = QLatin1Char('.');
    bool address_column = false; // several converters in one file: each row names its own
};

csv_format spreadsheet_format(const QLocale &locale);
csv_format plain_format();

// What goes at the very start of the file: a byte-order mark, unless plain.
QByteArray csv_preamble(const csv_format &format);
QString csv_header(const csv_format &format);
// The columns' headings in the user's language, as the spreadsheet and the workbook show them.
QStringList column_headings();
QString csv_row(const csv_format &format, const poll_record &r);

} // namespace orte
