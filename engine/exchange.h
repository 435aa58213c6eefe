#pragma once

// One Modbus exchange at a time over a serial port or a TCP connection to a gateway, on Qt's
// event loop: the request goes out a frame gap after the last exchange was decided, the reply
// window (as the monitor sets it for the speed; over the network, the network's allowance)
// restarts with every chunk, within a bound for the whole exchange, and done() says what came
// back. Nothing blocks but a connection's opening (bounded), and nothing read is dropped unsaid.

#include "link/endpoint.h"
#include "link/frames.h"
#include "link/line_format.h"
#include "link/reply_path.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>
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
    // False with the reason in `error` (another program holding the port is said so). A
    // network port (tcp://, rtu+tcp://) is connected to within connect_ms; its line settings
    // are the gateway's own.
    bool open(const QString &port, const line_format &settings, QString &error);
    void close();
    bool is_open() const { return device->isOpen(); }
    bool network() const { return where.network(); }
    // Over the network: how long a reply may take to begin, and between its pieces (0: the
    // default, network_reply_ms).
    void set_network_reply_ms(int ms) { network_reply = ms; }
    static constexpr int connect_ms = 3000;
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
    void write_request();
    void take_network(const QByteArray &received);
    QSerialPort port;
    QTcpSocket socket;
    QIODevice *device = &port;
    endpoint where;
    int network_reply = 0;
    quint16 transaction = 0;
    QByteArray adu; // Modbus TCP: what came of a reply not yet whole
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
