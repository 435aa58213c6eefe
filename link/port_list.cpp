#include "link/port_list.h"

#include <QSerialPortInfo>

namespace orte {

namespace {
std::function<QStringList()> &port_lister()
{
    static std::function<QStringList()> lister;
    return lister;
}
} // namespace

QStringList list_serial_ports()
{
    if (port_lister())
        return port_lister()();
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    return names;
}

void set_port_lister(std::function<QStringList()> lister)
{
    port_lister() = std::move(lister);
}

} // namespace orte
