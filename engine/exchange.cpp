#include "engine/exchange.h"

#include "link/bus.h"
#include "link/link_timing.h"
#include "link/port_setup.h"
#include "link/wire_trace.h"

#include <QCoreApplication>

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
    quiet.setSingleShot(true);
    bound.setSingleShot(true);
    watch.setInterval(watch_ms);
    connect(&quiet, &QTimer::timeout, this, &port_exchange::finish);
    connect(&bound, &QTimer::timeout, this, &port_exchange::finish);
    connect(&watch, &QTimer::timeout, this, [this] {
        if (running && failed())
            finish();
    });
    connect(&port, &QSerialPort::readyRead, this, &port_exchange::on_ready_read);
}

bool port_exchange::open(const QString &name, const line_format &settings, QString &error)
{
    port.close();
    location = name;
    apply_line_format(port, name, settings);
    if (!port.open(QIODevice::ReadWrite)) {
        error = open_error(port);
        return false;
    }
    format = settings;
    window_ms = reply_window_ms(format);
    port.clear(QSerialPort::Input);
    return true;
}

void port_exchange::close()
{
    port.close();
}

bool port_exchange::failed() const
{
    const QSerialPort::SerialPortError e = port.error();
    return !port.isOpen() || e == QSerialPort::ResourceError || e == QSerialPort::ReadError
        || e == QSerialPort::WriteError || port_vanished(location);
}

void port_exchange::send(request_frame frame, quint8 address, int first_byte_ms)
{
    stamp_request(frame, address);
    request = frame;
    result = {};
    buffer.clear();
    running = true;
    port.clear(QSerialPort::Input);
    port.clearError();
    port.write(reinterpret_cast<const char *>(frame.data()), qint64(frame.size()));
    trace_wire("tx", frame.data(), int(frame.size()));
    const int expected = expected_reply_length(
        QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size())));
    bound.start(exchange_limit_ms(format, expected));
    quiet.start(first_byte_ms > 0 ? first_byte_ms : window_ms);
    watch.start();
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
    if (!running) {
        port.readAll(); // a late reply between exchanges: the next send clears it anyway
        return;
    }
    const QByteArray received = port.readAll();
    trace_wire("rx", received);
    const chunk_result chunk = accept_chunk(buffer, received);
    result.heard = true;
    quiet.start(window_ms);
    if (!chunk.frame_complete)
        return;
    if (answers(buffer, request)) {
        result.frame = true;
        result.kind = chunk.kind;
        result.bytes = buffer;
        finish();
        return;
    }
    // Somebody else's frame: noise of this try. The answer may still come.
    result.foreign = buffer;
    buffer.clear();
}

void port_exchange::finish()
{
    if (!running)
        return;
    running = false;
    quiet.stop();
    bound.stop();
    watch.stop();
    if (!result.frame) {
        result.bytes = buffer;
        result.port_lost = !result.stopped && failed();
    }
    emit done(result);
}

} // namespace orte
