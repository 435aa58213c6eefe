#pragma once

// orte-cli's command line, read by pure functions: the words in, a plan or a reason out.

#include "cli/listen.h"
#include "cli/scan.h"
#include "cli/watch.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace orte_cli {

enum class command_kind { help, scan, watch, listen };

struct command_line
{
    command_kind kind = command_kind::help;
    scan_plan scan;
    watch_plan watch;
    listen_plan listen;
    bool trace = false; // every frame on standard error, with its time
};

// Reads the arguments after the program's name. False with the reason in `error`.
bool parse_command_line(const QStringList &args, command_line &out, QString &error);

// A whole number from `min` to `max`, in decimal or in hexadecimal after 0x, as orte-sim
// reads them (a leading 0 is not octal).
bool parse_number(const QString &text, qint64 min, qint64 max, qint64 &out);

// The speeds a serial port can be set to: the monitor's eleven (1200 to 921600) and the
// standard ones below them, down to 50.
const QVector<int> &standard_speeds();

// The port as the user named it: a file of that name in the working folder is meant as given,
// not as a device of that name under /dev. Empty for an empty name.
QString port_location(const QString &name);

} // namespace orte_cli
