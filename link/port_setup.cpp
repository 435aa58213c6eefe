#include "link/port_setup.h"

namespace orte {

void apply_line_format(QSerialPort &port, const QString &name, const line_format &format)
{
    port.setPortName(name);
    port.setBaudRate(format.baud);
    port.setStopBits(format.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setParity(format.parity == 'E'       ? QSerialPort::EvenParity
                       : format.parity == 'O' ? QSerialPort::OddParity
                                              : QSerialPort::NoParity);
}

} // namespace orte
