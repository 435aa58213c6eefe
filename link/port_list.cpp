#include "link/port_list.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

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

QStringList sorted_by_number(QStringList names)
{
    // "COM12" is "COM" and 12; a name without a number at its end sorts as its words alone.
    const auto split = [](const QString &name) {
        int digits = int(name.size());
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::make_pair(name.left(digits).toLower(), name.mid(digits).toULongLong());
    };
    std::stable_sort(names.begin(), names.end(),
                     [&split](const QString &a, const QString &b) { return split(a) < split(b); });
    return names;
}

void set_port_lister(std::function<QStringList()> lister)
{
    port_lister() = std::move(lister);
}

} // namespace orte
