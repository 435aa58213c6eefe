#pragma once

#include <QStringList>

#include <functional>

namespace orte {

// Names of the serial ports offered in the port list. The program lists the system's ports;
// tests and the demo may offer others (a virtual serial pair) through set_port_lister.
QStringList list_serial_ports();

// The names in the order a user looks for them: by the name's words, then by its number
// (COM2 before COM10, ttyUSB2 before ttyUSB10). The monitor keeps the system's order.
QStringList sorted_by_number(QStringList names);

// Replaces the source of the port list; an empty function restores the system's list.
void set_port_lister(std::function<QStringList()> lister);

} // namespace orte
