#include "cli/probe.h"

#include "cli/interrupt.h"
#include "cli/language.h"
#include "link/bus.h"
#include "link/frame_bytes.h"
#include "link/port_setup.h"
#include "link/reply_path.h"
#include "link/wire_trace.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace orte_cli {

QString what_answered(const exchange_result &r, quint8 address)
{
    if (r.frame && r.kind == orte::reply_kind::exception)
        return text::tr("a Modbus exception %1 (not a converter)")
            .arg(orte::rx_at(r.bytes, 2), 2, 16, QLatin1Char('0'));
    if (r.frame && r.kind == orte::reply_kind::ident)
        return text::tr("model code %1, outside the converter's table")
            .arg(orte::rx_at(r.bytes, 4));
    if (r.frame)
        return text::tr("a valid %1-byte frame, not the converter's reply").arg(r.bytes.size());
    if (!r.foreign.isEmpty()) {
        const quint8 from = orte::rx_at(r.foreign, 0);
        return from == address
            ? text::tr("a frame of function %1, not an answer to this request")
                  .arg(orte::rx_at(r.foreign, 1), 2, 16, QLatin1Char('0'))
            : text::tr("a reply from address %1 (a late one, or another master's)").arg(from);
    }
    if (r.heard)
        return text::tr("bytes that never formed a frame");
    return {};
}

bool probe::open(const QString &name, const port_settings &settings, QString &error)
{
    port.close();
    location = name;
    orte::apply_line_format(port, name, settings);
    if (!port.open(QIODevice::ReadWrite)) {
        error = open_error(port);
        return false;
    }
    format = settings;
    window_ms = orte::reply_window_ms(format);
    port.clear(QSerialPort::Input);
    return true;
}

exchange_result probe::exchange(orte::request_frame request, quint8 address)
{
    exchange_result result;
    auto failed = [this] {
        const QSerialPort::SerialPortError e = port.error();
        return !port.isOpen() || e == QSerialPort::ResourceError || e == QSerialPort::ReadError
            || e == QSerialPort::WriteError || orte::port_vanished(location);
    };
    orte::stamp_request(request, address);
    port.clear(QSerialPort::Input);
    port.clearError();
    port.write(reinterpret_cast<const char *>(request.data()), qint64(request.size()));
    orte::trace_wire("tx", request.data(), int(request.size()));
    port.waitForBytesWritten(wait_slice_ms);
    const int expected = orte::expected_reply_length(
        QByteArray(reinterpret_cast<const char *>(request.data()), int(request.size())));
    const int limit_ms = orte::exchange_limit_ms(format, expected);
    QElapsedTimer overall;
    overall.start();
    QElapsedTimer quiet;
    quiet.start();
    QByteArray buffer;
    while (quiet.elapsed() < window_ms && overall.elapsed() < limit_ms) {
        if (interrupted()) {
            result.stopped = true;
            return result;
        }
        if (failed()) {
            result.port_lost = true;
            return result;
        }
        const qint64 left = window_ms - quiet.elapsed();
        if (!port.waitForReadyRead(int(qBound(qint64(1), left, qint64(wait_slice_ms)))))
            continue;
        const QByteArray received = port.readAll();
        orte::trace_wire("rx", received);
        const orte::chunk_result chunk = orte::accept_chunk(buffer, received);
        result.heard = true;
        quiet.restart();
        if (!chunk.frame_complete)
            continue;
        if (orte::answers(buffer, request)) {
            result.frame = true;
            result.kind = chunk.kind;
            result.bytes = buffer;
            return result;
        }
        // Somebody else's frame: noise of this try. The answer may still come.
        result.foreign = buffer;
        buffer.clear();
    }
    result.bytes = buffer;
    result.port_lost = failed();
    return result;
}

} // namespace orte_cli
