#pragma once

// One Modbus exchange at a time over a serial port, on Qt's event loop: the request goes out,
// the reply window (as the monitor sets it for the speed) restarts with every chunk, within a
// bound for the whole exchange, and done() says what came back. Nothing blocks.

#include "link/frames.h"
#include "link/line_format.h"
#include "link/reply_path.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace orte {

// What came back for one request.
struct exchange_result
{
    bool heard = false; // any byte at all
    bool frame = false; // a valid frame that answers the request
    reply_kind kind = reply_kind::unexpected;
    QByteArray bytes;
    QByteArray foreign; // the last valid frame that answered something else
    bool port_lost = false; // the port failed: unplugged, or its other end closed
    bool stopped = false; // stop() came first

    exchange_outcome outcome() const
    {
        return classify_exchange(frame ? bytes : QByteArray(), foreign, heard);
    }
};

class port_exchange : public QObject
{
    Q_OBJECT

public:
    explicit port_exchange(QObject *parent = nullptr);
    // False with the reason in `error` (another program holding the port is said so).
    bool open(const QString &port, const line_format &settings, QString &error);
    void close();
    bool busy() const { return running; }
    // Sends `request` to `address`; done() follows, once. With `first_byte_ms`, a reply that
    // has not begun by then is not waited for (one that has is waited for to its end, as
    // always); without, the reply window as the monitor sets it.
    void send(request_frame request, quint8 address, int first_byte_ms = 0);
    // Ends the exchange in flight at once: done() with `stopped`.
    void stop();

signals:
    void done(const orte::exchange_result &result);

private:
    void on_ready_read();
    void finish();
    bool failed() const;
    QSerialPort port;
    QString location;
    line_format format;
    int window_ms = 100;
    QTimer quiet; // the reply window, restarted by every chunk
    QTimer bound; // the whole exchange
    QTimer watch; // a port that has gone says so on no signal of its own
    request_frame request {};
    QByteArray buffer;
    exchange_result result;
    bool running = false;
};

// Why a port could not be opened, for the user.
QString open_error(const QSerialPort &port);

} // namespace orte

Q_DECLARE_METATYPE(orte::exchange_result)
