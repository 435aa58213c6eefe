#pragma once

// One Modbus exchange at a time over a serial port, blocking: what orte-cli's scan and watch
// are made of. The reply goes through the monitor's own reply path.

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
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

// What came back for one request.
struct exchange_result
{
    bool heard = false; // any byte at all
    bool frame = false; // a valid frame that answers the request
    orte::reply_kind kind = orte::reply_kind::unexpected;
    QByteArray bytes;
    QByteArray foreign; // the last valid frame that answered something else
    bool port_lost = false; // the port failed: unplugged, or its other end closed
    bool interrupted = false; // Ctrl+C came first

    orte::exchange_outcome outcome() const
    {
        return orte::classify_exchange(frame ? bytes : QByteArray(), foreign, heard);
    }
};

// What an exchange heard that is not the converter's answer, for the user: an exception, a
// model outside the table, another slave's or a late frame, bytes that never formed a frame.
// Empty for silence and for a converter's identification.
QString what_answered(const exchange_result &r, quint8 address);

// Why a port could not be opened, for the user.
QString open_error(const QSerialPort &port);

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
