#include "link/port_setup.h"

#include <QFileInfo>

namespace orte {

void apply_line_format(QSerialPort &port, const QString &name, const line_format &format)
{
    // A path with a folder in it is a path as given (relative to the working folder); a bare
    // name is the system's (COM3, ttyUSB0).
    const bool path = name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('/'));
    port.setPortName(path ? QFileInfo(name).absoluteFilePath() : name);
    port.setBaudRate(format.baud);
    port.setStopBits(format.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setParity(format.parity == 'E'       ? QSerialPort::EvenParity
                       : format.parity == 'O' ? QSerialPort::OddParity
                                              : QSerialPort::NoParity);
}

bool port_vanished(const QString &location)
{
    return location.contains(QLatin1Char('/')) && !QFileInfo::exists(location);
}

} // namespace orte
