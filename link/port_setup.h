#pragma once

#include "link/line_format.h"

#include <QSerialPort>
#include <QString>

namespace orte {

// Names the port and sets its format, in the order the monitor always has: name, speed, stop
// bits, parity; the port is opened afterwards.
void apply_line_format(QSerialPort &port, const QString &name, const line_format &format);

// Whether a port named by a path (a device node, a simulator's link) has left the system: an
// unplugged USB adapter's node goes, and not every Qt reports the failing reads on what is
// left open.
bool port_vanished(const QString &location);

} // namespace orte
