#include "engine/scan_engine.h"

#include "decode/ident.h"
#include "decode/register_map.h"
#include "engine/texts.h"
#include "link/frame_bytes.h"

#include <QTimer>

namespace orte {

QVector<line_format> scan_order(const QVector<int> &bauds, const QString &parities,
                                const QVector<int> &stop_bits)
{
    QVector<int> fastest_first = bauds;
    std::sort(fastest_first.begin(), fastest_first.end(), std::greater<int>());
    QVector<line_format> order;
    auto add = [&](int baud, char parity, int stops) {
        if (!bauds.contains(baud) || !parities.contains(QLatin1Char(parity))
            || !stop_bits.contains(stops))
            return;
        for (const line_format &s : order)
            if (s.baud == baud && s.parity == parity && s.stop_bits == stops)
                return;
        order.append({ baud, parity, stops });
    };
    add(9600, 'N', 1);
    add(19200, 'E', 1);
    for (int baud : fastest_first)
        for (QChar parity : parities)
            for (int stops : stop_bits)
                add(baud, char(parity.toLatin1()), stops);
    return order;
}

QString duration(qint64 ms)
{
    return ms >= 60000 ? text::tr("%1 min %2 s").arg(ms / 60000).arg(ms / 1000 % 60)
                       : text::tr("%1 s").arg(ms / 1000);
}

QString what_answered(const exchange_result &r, quint8 address)
{
    if (r.frame && r.kind == reply_kind::exception)
        return text::tr("a Modbus exception %1 (not a converter)")
            .arg(rx_at(r.bytes, 2), 2, 16, QLatin1Char('0'));
    if (r.frame && r.kind == reply_kind::ident)
        return text::tr("model code %1, outside the converter's table").arg(rx_at(r.bytes, 4));
    if (r.frame)
        return text::tr("a valid %1-byte frame, not the converter's reply").arg(r.bytes.size());
    if (!r.foreign.isEmpty()) {
        const quint8 from = rx_at(r.foreign, 0);
        return from == address
            ? text::tr("a frame of function %1, not an answer to this request")
                  .arg(rx_at(r.foreign, 1), 2, 16, QLatin1Char('0'))
            : text::tr("a reply from address %1 (a late one, or another master's)").arg(from);
    }
    if (r.heard)
        return text::tr("bytes that never formed a frame");
    return {};
}

scan_engine::scan_engine(const scan_plan &p, QObject *parent)
    : QObject(parent)
    , plan(p)
{
    planned = int(plan.ports.size()) * int(plan.settings.size())
        * (plan.last_address - plan.first_address + 1);
    connect(&line, &port_exchange::done, this, &scan_engine::taken);
}

void scan_engine::start()
{
    clock.start();
    // From the event loop, so that a caller connects before anything is said.
    QTimer::singleShot(0, this, &scan_engine::next_port);
}

void scan_engine::stop()
{
    stopping = true;
    if (line.busy())
        line.stop();
}

qint64 scan_engine::time_left_ms() const
{
    return tries > 0 ? clock.elapsed() * (planned - tries) / tries : 0;
}

void scan_engine::next_port()
{
    if (stopping)
        return end(true);
    if (++port_index >= plan.ports.size())
        return end(false);
    at.port = plan.ports[port_index];
    setting_index = -1;
    next_setting();
}

void scan_engine::next_setting()
{
    if (++setting_index >= plan.settings.size())
        return next_port();
    at.settings = plan.settings[setting_index];
    QString error;
    if (!line.open(at.port, at.settings, error)) {
        // A port that cannot be had is said and passed over; it counts no tries.
        lost = true;
        emit port_failed(at.port, error);
        return next_port();
    }
    garbled_here = false;
    at.address = plan.first_address - 1;
    next_address();
}

void scan_engine::next_address()
{
    if (stopping)
        return end(true);
    if (++at.address > plan.last_address)
        return next_setting();
    emit trying(at);
    line.send(initial_req_ident(), quint8(at.address));
}

void scan_engine::taken(const exchange_result &r)
{
    if (r.stopped)
        return end(true);
    if (r.port_lost) {
        lost = true;
        line.close();
        emit port_gone(at);
        return next_port();
    }
    ++tries;
    if (r.frame && r.kind == reply_kind::ident && decode_ident(r.bytes).device_found) {
        ++converters;
        emit found(at, r.bytes);
        if (!plan.all)
            return end(false);
    } else if (r.frame || !r.foreign.isEmpty()) {
        emit heard(at, r);
    } else if (r.heard && !garbled_here) {
        garbled_here = true;
        emit garbled(at);
    }
    // The next try from the event loop, so that a stop() in between is seen.
    QTimer::singleShot(0, this, &scan_engine::next_address);
}

void scan_engine::end(bool stopped)
{
    line.close();
    emit finished(converters, lost, stopped, at);
}

} // namespace orte
