#pragma once

// One Modbus exchange at a time over a serial port, on Qt's event loop: the request goes out a
// frame gap after the last exchange was decided, the reply window (as the monitor sets it for
// the speed) restarts with every chunk, within a bound for the whole exchange, and done() says
// what came back. Nothing blocks, and nothing the port has read is dropped unsaid.

#include "link/frames.h"
#include "link/line_format.h"
#include "link/reply_path.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace orte {

// What came back for one request.
struct exchange_result : collected_reply
{
    bool port_lost = false; // the port failed: unplugged, or its other end closed
    bool stopped = false; // stop() came first
    // What came after the last exchange was decided and before this request went out: a late
    // reply, or another master's traffic. Not this exchange's reply.
    QByteArray late;
    qint64 quiet_ms = 0; // since the last byte came, when done() was said
};

class port_exchange : public QObject
{
    Q_OBJECT

public:
    explicit port_exchange(QObject *parent = nullptr);
    // False with the reason in `error` (another program holding the port is said so).
    bool open(const QString &port, const line_format &settings, QString &error);
    void close();
    bool is_open() const { return port.isOpen(); }
    bool busy() const { return running; }
    // Sends `request` to `address` once the line has been quiet a frame gap after the last
    // exchange; done() follows, once. With `first_byte_ms`, a reply that has not begun by then
    // is not waited for (one that has is waited for to its end, as always); without, the reply
    // window as the monitor sets it.
    void send(request_frame request, quint8 address, int first_byte_ms = 0);
    // Ends the exchange in flight at once: done() with `stopped`.
    void stop();
    // Reads what the port holds now, as late bytes of the last exchange (an event loop held up
    // may not have read them yet): the next done() carries them in `late`.
    QByteArray take_late();

signals:
    void done(const orte::exchange_result &result);

private:
    void transmit();
    void on_ready_read();
    void window_closed();
    void finish();
    void read_waiting();
    bool failed() const;
    QSerialPort port;
    QString location;
    line_format format;
    int window_ms = 100;
    int first_window_ms = 0;
    QTimer gap; // the line's silence before a request
    QTimer quiet; // the reply window, restarted by every chunk
    QTimer bound; // the whole exchange
    QTimer watch; // a port that has gone says so on no signal of its own
    QElapsedTimer decided; // since the last exchange was decided
    QElapsedTimer last_chunk;
    request_frame request {};
    reply_collector collector;
    exchange_result result;
    QByteArray late;
    qint64 chunks = 0;
    bool running = false;
    bool sent = false;
};

// Why a port could not be opened, for the user.
QString open_error(const QSerialPort &port);

} // namespace orte

Q_DECLARE_METATYPE(orte::exchange_result)
