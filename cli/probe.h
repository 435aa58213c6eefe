#pragma once

// One Modbus exchange at a time over a serial port, blocking: what orte-cli's scan and watch
// are made of. The reply goes through the monitor's own reply path.

#include "link/frames.h"
#include "link/link_timing.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

namespace orte_cli {

struct port_settings
{
    int baud = 9600;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stop_bits = 1;

    QString text() const; // "19200 8O2"
    orte::line_format format() const;
};

// What came back for one request.
struct exchange_result
{
    bool heard = false; // any byte at all
    bool frame = false; // a valid frame
    orte::reply_kind kind = orte::reply_kind::unexpected;
    QByteArray bytes;
};

class probe
{
public:
    // False with the reason in `error`.
    bool open(const QString &port, const port_settings &settings, QString &error);
    // Sends the request to `address` and waits for a whole frame: the reply window (as the
    // monitor sets it for the speed) restarts with every chunk, within a second overall.
    exchange_result exchange(orte::request_frame request, quint8 address);

private:
    QSerialPort port;
    int window_ms = 100;
};

// Exit codes a script can use.
enum exit_code { found = 0, not_found = 1, bad_arguments = 2, port_failed = 3 };

// Ctrl+C asks the running command to stop; it finishes the exchange in flight.
void catch_interrupt();
bool interrupted();

} // namespace orte_cli
