#include "cli/probe.h"

#include "link/reply_path.h"

#include <QElapsedTimer>

#include <csignal>

namespace orte_cli {

namespace {
volatile std::sig_atomic_t stop_asked = 0;

void on_interrupt(int)
{
    stop_asked = 1;
}
} // namespace

void catch_interrupt()
{
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

bool interrupted()
{
    return stop_asked != 0;
}

QString port_settings::text() const
{
    return QStringLiteral("%1 8%2%3").arg(baud).arg(QLatin1Char(parity)).arg(stop_bits);
}

orte::line_format port_settings::format() const
{
    orte::line_format f;
    f.baud = baud;
    f.parity = parity != 'N';
    f.stop_bits = stop_bits;
    return f;
}

bool probe::open(const QString &name, const port_settings &settings, QString &error)
{
    port.close();
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite)) {
        error = port.errorString();
        return false;
    }
    port.setBaudRate(settings.baud);
    port.setStopBits(settings.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setParity(settings.parity == 'E'       ? QSerialPort::EvenParity
                       : settings.parity == 'O' ? QSerialPort::OddParity
                                                : QSerialPort::NoParity);
    window_ms = orte::reply_window_ms(settings.format());
    port.clear(QSerialPort::Input);
    return true;
}

exchange_result probe::exchange(orte::request_frame request, quint8 address)
{
    exchange_result result;
    orte::stamp_request(request, address);
    port.clear(QSerialPort::Input);
    port.write(reinterpret_cast<const char *>(request.data()), qint64(request.size()));
    port.waitForBytesWritten(100);
    QElapsedTimer overall;
    overall.start();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < window_ms && overall.elapsed() < orte::ident_wait_limit_ms) {
        if (!port.waitForReadyRead(int(qMax<qint64>(1, window_ms - quiet.elapsed()))))
            continue;
        const orte::chunk_result chunk = orte::accept_chunk(result.bytes, port.readAll());
        result.heard = result.heard || !result.bytes.isEmpty();
        if (chunk.frame_complete) {
            result.frame = true;
            result.kind = chunk.kind;
            return result;
        }
        quiet.restart();
    }
    return result;
}

} // namespace orte_cli
