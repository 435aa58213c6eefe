#include "engine/scan_engine.h"

#include "decode/ident.h"
#include "decode/register_map.h"
#include "engine/texts.h"
#include "link/frame_bytes.h"
#include "link/link_timing.h"
#include "link/reply_path.h"

#include <QTimer>

#include <algorithm>

namespace orte {

const QVector<int> &monitor_speeds()
{
    static const QVector<int> speeds { 1200,  2400,   4800,   9600,   19200, 38400,
                                       57600, 115200, 230400, 460800, 921600 };
    return speeds;
}

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
        const line_format f { baud, parity, stops };
        if (!order.contains(f))
            order.append(f);
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
    if (r.frame && r.kind == reply_kind::exception) {
        // The protocol's own name of the code, untranslated, as the Modbus documents give it.
        const char *name = exception_name(rx_at(r.bytes, 2));
        return text::tr("a Modbus exception %1 (not a converter)")
            .arg(QStringLiteral("%1%2")
                     .arg(rx_at(r.bytes, 2), 2, 16, QLatin1Char('0'))
                     .arg(*name ? QStringLiteral(", ") + QLatin1String(name) : QString()));
    }
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

QByteArray late_identification(const exchange_result &r)
{
    for (const QByteArray &c : { r.foreign, r.late + r.bytes, r.late }) {
        // Whole and valid: its CRC holds, and it is as long as an identification's reply.
        if (c.isEmpty() || !crc_check(c, quint8(c.size())))
            continue;
        const request_frame asked = stamped_at(initial_req_ident(), rx_at(c, 0));
        if (check_answer(c, asked) == answer_check::answers && decode_ident(c).device_found)
            return c;
    }
    return {};
}

namespace {
// Garbled tries asked again at one setting, at most: on a line of noise every try garbles.
constexpr int retries_per_setting = 3;
// What a try costs beyond its wait: the request handed over, the event loop's turn.
constexpr qint64 try_overhead_ms = 2;
constexpr int ident_request_bytes = 8;
} // namespace

scan_engine::scan_engine(const scan_plan &p, QObject *parent)
    : QObject(parent)
    , plan(p)
{
    network = !plan.ports.isEmpty() && is_network_port(plan.ports[0]);
    line.set_network_reply_ms(plan.network_reply_ms);
    planned = (network ? 1 : 2) * int(plan.ports.size()) * int(plan.settings.size())
        * (plan.last_address - plan.first_address + 1);
    for (int port = 0; port < plan.ports.size(); ++port)
        for (int setting = 0; setting < plan.settings.size(); ++setting)
            places.append({ port, setting });
    heard_first.fill(false, places.size());
    port_failed_here.fill(false, plan.ports.size());
    connect(&line, &port_exchange::done, this, &scan_engine::taken);
}

void scan_engine::start()
{
    // From the event loop, so that a caller connects before anything is said.
    QTimer::singleShot(0, this, &scan_engine::next_place);
}

void scan_engine::stop()
{
    stopping = true;
    if (line.busy())
        line.stop();
}

qint64 scan_engine::try_ms(int setting, int pass) const
{
    const line_format &f = plan.settings[setting];
    if (network)
        return (plan.network_reply_ms > 0 ? plan.network_reply_ms : network_reply_ms)
            + try_overhead_ms;
    return (pass == 1 ? first_byte_window_ms(f, ident_request_bytes) : reply_window_ms(f))
        + try_overhead_ms;
}

qint64 scan_engine::time_left_ms() const
{
    const int addresses = plan.last_address - plan.first_address + 1;
    qint64 left = 0;
    if (step >= 0 && step < places.size())
        left += (plan.last_address - at.address) * try_ms(places[step].setting, current_pass);
    for (int i = std::max(0, step + 1); i < places.size(); ++i)
        left += addresses * try_ms(places[i].setting, current_pass);
    if (current_pass == 1 && !network)
        for (const place &p : places)
            left += addresses * try_ms(p.setting, 2);
    return left;
}

void scan_engine::next_place()
{
    if (stopping)
        return end(true);
    while (++step < places.size() && port_failed_here[places[step].port]) { }
    if (step >= places.size()) {
        if (current_pass == 2 || converters > 0 || network)
            return end(false);
        // The second pass: where the first heard anything, first.
        QVector<place> heard;
        QVector<place> rest;
        for (int i = 0; i < places.size(); ++i)
            (heard_first[i] ? heard : rest).append(places[i]);
        places = heard + rest;
        current_pass = 2;
        step = -1;
        return next_place();
    }
    const place &here = places[step];
    const line_format &settings = plan.settings[here.setting];
    // The second pass may begin where the first ended: the port stays as it is, and a late reply
    // still on its way is heard there.
    const bool same = at.port == plan.ports[here.port] && at.settings == settings && line.is_open();
    at.port = plan.ports[here.port];
    at.settings = settings;
    QString error;
    if (!same && !line.open(at.port, at.settings, error)) {
        // A port that cannot be had is said and passed over; it counts no tries.
        lost = true;
        port_failed_here[here.port] = true;
        emit port_failed(at.port, error);
        return next_place();
    }
    garbled_here = false;
    heard_last = false;
    retries_here = 0;
    retried = -1;
    if (!same) {
        sent_at.clear();
        found_here.clear();
    }
    at.address = plan.first_address - 1;
    next_address();
}

void scan_engine::next_address()
{
    if (stopping)
        return end(true);
    if (!retrying && ++at.address > plan.last_address)
        return next_setting();
    retrying = false;
    at.late_ms = 0;
    emit trying(at);
    if (!clock.isValid())
        clock.start();
    sent_at[at.address] = clock.elapsed();
    line.send(initial_req_ident(), quint8(at.address),
              current_pass == 1 && !network ? first_byte_window_ms(at.settings, ident_request_bytes)
                                            : 0);
}

void scan_engine::next_setting()
{
    if (!heard_last)
        return next_place();
    // The last try's reply may still be arriving: read at these settings before the port is
    // set anew, so that its tail is neither lost nor blamed on the next settings.
    QTimer::singleShot(reply_window_ms(at.settings), this, [this] {
        if (stopping)
            return end(true);
        exchange_result tail;
        tail.late = line.take_late();
        const QByteArray ident = late_identification(tail);
        if (!ident.isEmpty() && take_late(ident, 0) && !plan.all)
            return end(false);
        next_place();
    });
}

bool scan_engine::take_late(const QByteArray &ident, qint64 quiet_ms)
{
    const int address = rx_at(ident, 0);
    if (!sent_at.contains(address))
        return false;
    // How much later than a prompt converter: its request, 3.5 characters and its reply on the
    // wire.
    const double char_ms = char_time_ms(at.settings);
    const double prompt = (ident_request_bytes + 3.5 + ident.size()) * char_ms;
    scan_place there = at;
    there.address = address;
    const double heard = double(clock.elapsed() - quiet_ms - sent_at[address]);
    there.late_ms = int(std::max(0.0, heard - prompt));
    return report(there, ident);
}

bool scan_engine::report(const scan_place &there, const QByteArray &ident)
{
    // A converter answers each try at its address: it is found once at a setting.
    if (found_here.contains(there.address))
        return false;
    found_here.insert(there.address);
    ++converters;
    emit found(there, ident);
    return true;
}

void scan_engine::taken(const exchange_result &r)
{
    if (r.stopped)
        return end(true);
    if (r.port_lost) {
        lost = true;
        port_failed_here[places[step].port] = true;
        line.close();
        emit port_gone(at);
        return next_place();
    }
    ++tries;
    heard_last = r.heard;
    if (current_pass == 1 && (r.heard || !r.late.isEmpty()))
        heard_first[step] = true;
    const QByteArray late = r.frame ? QByteArray() : late_identification(r);
    if (r.frame && r.kind == reply_kind::ident && decode_ident(r.bytes).device_found) {
        if (report(at, r.bytes) && !plan.all)
            return end(false);
    } else if (!late.isEmpty()) {
        if (take_late(late, r.quiet_ms) && !plan.all)
            return end(false);
    } else if (network && r.frame && r.kind == reply_kind::exception
               && (rx_at(r.bytes, 2) == 0x0A || rx_at(r.bytes, 2) == 0x0B)) {
        // A gateway's "no path" or "no reply from the device": nobody at that address.
    } else if (r.frame || !r.foreign.isEmpty()) {
        emit heard(at, r);
    } else if (r.heard && retries_here < retries_per_setting && retried != at.address) {
        // A garbled try (a reply cut by a busy machine, a burst of noise) is asked once more.
        ++retries_here;
        retried = at.address;
        retrying = true;
        --tries; // the same try of the plan, again
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
