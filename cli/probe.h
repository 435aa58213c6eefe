#pragma once

// One Modbus exchange at a time over a serial port, blocking: what orte-cli's watch is made of
// (scan runs on the engine's own exchange). The reply goes through the monitor's own reply
// path.

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "engine/exchange.h"
#include "link/frames.h"
#include "link/link_timing.h"
#include "link/reply_path.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

namespace orte_cli {

using port_settings = orte::line_format;

// "19200 8O2"
inline QString text(const port_settings &settings)
{
    return QString::fromStdString(settings.text());
}

using exchange_result = orte::exchange_result;

// What an exchange heard that is not the converter's answer, for the user: an exception, a
// model outside the table, another slave's or a late frame, bytes that never formed a frame.
// Empty for silence and for a converter's identification.
QString what_answered(const exchange_result &r, quint8 address);

using orte::open_error;

class probe
{
public:
    // False with the reason in `error`.
    bool open(const QString &port, const port_settings &settings, QString &error);
    void close() { port.close(); }
    bool is_open() const { return port.isOpen(); }
    // Sends the request to `address` and waits for the frame that answers it: the reply
    // window (as the monitor sets it for the speed) restarts with every chunk, within a bound
    // for the whole exchange; Ctrl+C ends the wait at once.
    exchange_result exchange(orte::request_frame request, quint8 address);

private:
    QSerialPort port;
    QString location;
    int window_ms = 100;
    port_settings format;
};

} // namespace orte_cli
