#include "engine/exchange.h"

#include "link/bus.h"
#include "link/link_timing.h"
#include "link/port_setup.h"
#include "link/wire_trace.h"

#include <QCoreApplication>

#include <cmath>

namespace orte {

namespace {
// How often a port that may have gone is looked at.
constexpr int watch_ms = 20;
} // namespace

QString open_error(const QSerialPort &port)
{
    // Qt reports a port that another program holds as a permission error: on Linux its lock
    // file is taken, on Windows the system refuses a second handle.
    const bool busy = port.error() == QSerialPort::PermissionError
#ifndef _WIN32
        && port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive)
#endif
        ;
    return busy ? QCoreApplication::translate("text", "another program is using the port")
                : port.errorString();
}

port_exchange::port_exchange(QObject *parent)
    : QObject(parent)
{
    gap.setSingleShot(true);
    quiet.setSingleShot(true);
    bound.setSingleShot(true);
    watch.setInterval(watch_ms);
    connect(&gap, &QTimer::timeout, this, &port_exchange::transmit);
    connect(&quiet, &QTimer::timeout, this, &port_exchange::window_closed);
    connect(&bound, &QTimer::timeout, this, [this] {
        read_waiting();
        finish();
    });
    connect(&watch, &QTimer::timeout, this, [this] {
        if (running && failed())
            finish();
    });
    connect(&port, &QSerialPort::readyRead, this, &port_exchange::on_ready_read);
    connect(&socket, &QTcpSocket::readyRead, this, &port_exchange::on_ready_read);
}

bool port_exchange::open(const QString &name, const line_format &settings, QString &error)
{
    close();
    late.clear();
    adu.clear();
    decided.invalidate();
    location = name;
    if (!parse_endpoint(name, where, error))
        return false;
    format = settings;
    if (where.network()) {
        device = &socket;
        socket.connectToHost(where.host, where.port);
        if (!socket.waitForConnected(connect_ms)) {
            error = socket.error() == QAbstractSocket::SocketTimeoutError
                ? QCoreApplication::translate("text", "no connection within %1 s")
                      .arg(connect_ms / 1000)
                : socket.errorString();
            socket.abort();
            return false;
        }
        // A request is one small write that must go out at once.
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        window_ms = network_reply > 0 ? network_reply : network_reply_ms;
        return true;
    }
    device = &port;
    apply_line_format(port, name, settings);
    if (!port.open(QIODevice::ReadWrite)) {
        error = open_error(port);
        return false;
    }
    window_ms = reply_window_ms(format);
    // Whatever the system held before the port was opened belongs to nobody.
    port.clear(QSerialPort::Input);
    return true;
}

void port_exchange::close()
{
    port.close();
    socket.abort();
}

bool port_exchange::failed() const
{
    if (where.network())
        return socket.state() != QAbstractSocket::ConnectedState;
    const QSerialPort::SerialPortError e = port.error();
    return !port.isOpen() || e == QSerialPort::ResourceError || e == QSerialPort::ReadError
        || e == QSerialPort::WriteError || port_vanished(location);
}

void port_exchange::read_waiting()
{
    // A timer and the port's notifier may both be due when the event loop was held: the bytes
    // the system already holds came first.
    if (device->isOpen() && !failed())
        device->waitForReadyRead(0);
}

QByteArray port_exchange::take_late()
{
    if (!running)
        read_waiting();
    QByteArray out;
    out.swap(late);
    return out;
}

void port_exchange::send(request_frame frame, quint8 address, int first_byte_ms)
{
    stamp_request(frame, address);
    request = frame;
    result = {};
    collector.start(frame);
    running = true;
    sent = false;
    first_window_ms = first_byte_ms;
    // A gateway keeps its own line's gaps.
    const double gap_ms = where.network() ? 0 : frame_gap_ms(format);
    const qint64 since = decided.isValid() ? decided.elapsed() : qint64(1) << 40;
    if (since < qint64(std::ceil(gap_ms))) {
        gap.start(int(std::ceil(gap_ms)) - int(since));
        return;
    }
    transmit();
}

void port_exchange::transmit()
{
    if (!running)
        return;
    read_waiting();
    if (!late.isEmpty()) {
        trace_wire("late", late);
        result.late = late;
        late.clear();
    }
    write_request();
    sent = true;
    // Over the network the reply may take its whole window to begin and again between pieces.
    bound.start(where.network() ? 2 * window_ms
                                : exchange_limit_ms(format, expected_reply_length(request)));
    quiet.start(first_window_ms > 0 ? first_window_ms : window_ms);
    watch.start();
}

void port_exchange::write_request()
{
    const char *bytes = reinterpret_cast<const char *>(request.data());
    trace_wire("tx", request.data(), int(request.size()));
    if (where.kind == transport::modbus_tcp) {
        device->write(mbap_request(request.data(), int(request.size()), ++transaction));
        return;
    }
    if (!where.network())
        port.clearError();
    device->write(bytes, qint64(request.size()));
}

void port_exchange::take_network(const QByteArray &received)
{
    // Modbus TCP: each whole reply as its RTU frame; only this request's is this exchange's.
    adu += received;
    QByteArray rtu;
    QByteArray spoiled;
    quint16 id = 0;
    const bool waiting = running && sent;
    while (mbap_take(adu, rtu, id, spoiled)) {
        if (waiting && id == transaction && collector.feed(rtu))
            return finish();
        if (!waiting || id != transaction)
            late += rtu;
    }
    if (!spoiled.isEmpty() && waiting && collector.feed(spoiled))
        finish();
    else if (!waiting)
        late += spoiled;
}

void port_exchange::stop()
{
    if (!running)
        return;
    result.stopped = true;
    finish();
}

void port_exchange::on_ready_read()
{
    const QByteArray received = device->readAll();
    if (received.isEmpty())
        return;
    if (where.kind == transport::modbus_tcp) {
        trace_wire("rx", received);
        last_chunk.start();
        if (running && sent) {
            ++chunks;
            quiet.start(window_ms);
        }
        take_network(received);
        return;
    }
    if (!running || !sent) {
        // After the exchange was decided: kept for the next one to say.
        late += received;
        last_chunk.start();
        return;
    }
    trace_wire("rx", received);
    ++chunks;
    last_chunk.start();
    quiet.start(window_ms);
    if (collector.feed(received))
        finish();
}

void port_exchange::window_closed()
{
    const qint64 before = chunks;
    read_waiting();
    // Bytes that were waiting restart the window; an answer among them has decided already.
    if (running && chunks == before)
        finish();
}

void port_exchange::finish()
{
    if (!running)
        return;
    running = false;
    gap.stop();
    quiet.stop();
    bound.stop();
    watch.stop();
    collector.close();
    const collected_reply &reply = collector.reply();
    static_cast<collected_reply &>(result) = reply;
    if (!reply.frame)
        result.port_lost = !result.stopped && failed();
    result.quiet_ms = last_chunk.isValid() ? last_chunk.elapsed() : 0;
    decided.start();
    emit done(result);
}

} // namespace orte
