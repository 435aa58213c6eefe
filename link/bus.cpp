#include "link/bus.h"

#include "link/crc16.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"

#include <algorithm>

namespace orte {

namespace {
using namespace modbus;
constexpr int longest_frame = 256;
constexpr int highest_address = 247;

// A length that needs byte `at` of the frame: 0 until it is there.
int counted(const QByteArray &bytes, int from, int at, int fixed)
{
    return from + at < bytes.size() ? fixed + quint8(bytes[from + at]) : 0;
}

// A device identification reply: its objects, each an id, a length and the value.
int identification_reply(const QByteArray &bytes, int from)
{
    constexpr int header = 8; // address, 2B, 0E, read code, conformity, more, next, count
    if (from + header > bytes.size())
        return 0;
    const int objects = quint8(bytes[from + 7]);
    int at = from + header;
    for (int i = 0; i < objects; ++i) {
        if (at + 2 > bytes.size())
            return 0;
        at += 2 + quint8(bytes[at + 1]);
        if (at - from > longest_frame)
            return -1;
    }
    return at - from + 2;
}
} // namespace

frame_shape frame_lengths(const QByteArray &bytes, int from)
{
    frame_shape s;
    if (from + 2 > bytes.size())
        return { 0, 0 };
    const quint8 address = quint8(bytes[from]);
    const quint8 f = quint8(bytes[from + 1]);
    if (address > highest_address)
        return s;
    if (f & exception_bit) {
        s.reply = (f & ~exception_bit & 0xFF) != 0 ? 5 : -1;
        return s;
    }
    switch (f) {
    case read_coils:
    case read_discrete_inputs:
    case read_holding_registers:
    case read_input_registers:
        return { 8, counted(bytes, from, 2, 5) };
    case write_single_coil:
    case write_single_register:
    case diagnostics:
        return { 8, 8 };
    case read_exception_status:
        return { 4, 5 };
    case comm_event_counter:
        return { 4, 8 };
    case comm_event_log:
    case report_server_id:
        return { 4, counted(bytes, from, 2, 5) };
    case write_multiple_coils:
    case write_multiple_registers:
        return { counted(bytes, from, 6, 9), 8 };
    case read_file_record:
    case write_file_record:
        return { counted(bytes, from, 2, 5), counted(bytes, from, 2, 5) };
    case mask_write_register:
        return { 10, 10 };
    case read_write_registers:
        return { counted(bytes, from, 10, 13), counted(bytes, from, 2, 5) };
    case encapsulated:
        if (from + 3 > bytes.size())
            return { 0, 0 };
        if (quint8(bytes[from + 2]) != device_identification)
            return s;
        return { 7, identification_reply(bytes, from) };
    default:
        return s;
    }
}

bool frame_at(const QByteArray &bytes, int from, int length)
{
    return length >= 4 && length <= longest_frame && frame_crc_holds(bytes, from, length);
}

QByteArray error_marks::feed(const QByteArray &chunk)
{
    QByteArray clean;
    for (const char c : chunk) {
        const quint8 b = quint8(c);
        if (state == 0) {
            if (b == 0xFF)
                state = 1;
            else
                clean += c;
        } else if (state == 1) {
            state = b == 0x00 ? 2 : 0;
            if (b != 0x00) {
                clean += char(0xFF); // FF FF: a plain FF
                if (b != 0xFF)
                    clean += c; // not a mark after all: a port that does not mark
            }
        } else {
            ++errors; // FF 00 c: c came with an error (FF 00 00 is a break)
            state = 0;
        }
    }
    return clean;
}

bus_framer::bus_framer(double char_ms)
    : stale(std::max(50.0, 20 * char_ms))
{
}

namespace {
// Whether a frame is whole at `from` (its length), or may still become one as bytes come.
struct start_check
{
    int whole = 0;
    bool possible = false;
};

start_check check_start(const QByteArray &bytes, int from)
{
    start_check c;
    const frame_shape s = frame_lengths(bytes, from);
    int lengths[] = { s.request, s.reply };
    std::sort(std::begin(lengths), std::end(lengths));
    for (int length : lengths) {
        if (length > longest_frame)
            continue; // no Modbus frame is longer
        if (length == 0 || (length > 0 && from + length > bytes.size()))
            c.possible = true;
        else if (length > 0 && c.whole == 0 && frame_at(bytes, from, length))
            c.whole = length;
    }
    // With a whole frame's worth of bytes held and none whole, no frame begins here.
    if (c.whole == 0 && bytes.size() - from >= longest_frame)
        c.possible = false;
    return c;
}
} // namespace

QVector<heard_piece> bus_framer::feed(const QByteArray &chunk, double at_ms)
{
    QVector<heard_piece> out;
    buffer += chunk;
    arrived.insert(arrived.size(), chunk.size(), at_ms);
    take(out);
    return out;
}

QVector<heard_piece> bus_framer::flush(double now_ms)
{
    QVector<heard_piece> out;
    if (!buffer.isEmpty() && now_ms - arrived.constLast() >= stale)
        noise(int(buffer.size()), out);
    return out;
}

void bus_framer::noise(int n, QVector<heard_piece> &out)
{
    // Noise next to noise is one piece: one stretch of a garbled line.
    if (!out.isEmpty() && !out.constLast().frame) {
        out.last().bytes += buffer.left(n);
        out.last().end_ms = arrived[n - 1];
    } else {
        out.append({ buffer.left(n), false, arrived[0], arrived[n - 1] });
    }
    buffer.remove(0, n);
    arrived.remove(0, n);
}

void bus_framer::take(QVector<heard_piece> &out)
{
    while (!buffer.isEmpty()) {
        const start_check here = check_start(buffer, 0);
        if (here.whole > 0) {
            out.append({ buffer.left(here.whole), true, arrived[0], arrived[here.whole - 1] });
            buffer.remove(0, here.whole);
            arrived.remove(0, here.whole);
            continue;
        }
        // Where no frame can start, resynchronise on the next byte that may begin one; where
        // one may still be completing, a whole frame further on shows that it will not.
        int next = 1;
        for (; next < buffer.size(); ++next) {
            const start_check there = check_start(buffer, next);
            if (there.whole > 0 || (!here.possible && there.possible))
                break;
        }
        if (here.possible && next == buffer.size())
            return;
        noise(next, out);
    }
}

double bus_pairing::reply_limit_ms(const QByteArray &request) const
{
    // A second for the slave to turn round, and the reply's own time on the wire.
    const int reply = expected_reply_length(request);
    return 1000 + ((reply > 0 ? reply : longest_frame) + 3.5) * char_time;
}

QVector<bus_event> bus_pairing::expire(double now_ms)
{
    QVector<bus_event> events;
    if (!pending.isEmpty() && now_ms - pending_end > reply_limit_ms(pending)) {
        bus_event e;
        e.kind = bus_event::unanswered;
        e.request = pending;
        e.request_at = pending_at;
        e.request_end = pending_end;
        events.append(e);
        pending.clear();
    }
    return events;
}

QVector<bus_event> bus_pairing::take(const heard_piece &piece)
{
    QVector<bus_event> events = expire(piece.at_ms);
    bus_event e;
    if (!piece.frame) {
        e.kind = bus_event::noise;
        e.reply = piece.bytes;
        e.reply_at = piece.at_ms;
        e.reply_end = piece.end_ms;
        e.request = pending; // the request it may have been the garbled reply to
        events.append(e);
        return events;
    }
    const QByteArray &f = piece.bytes;
    const quint8 address = rx_at(f, 0);
    const quint8 function = rx_at(f, 1);
    const frame_shape shape = frame_lengths(f);
    if (!pending.isEmpty() && answered(check_answer(f, pending))) {
        e.kind = bus_event::exchange;
        e.request = pending;
        e.request_at = pending_at;
        e.request_end = pending_end;
        e.reply = f;
        e.reply_at = piece.at_ms;
        events.append(e);
        pending.clear();
        return events;
    }
    const bool request = !(function & exception_bit) && shape.request == f.size();
    if (!request || address == 0) {
        // A broadcast is a request nobody answers; nothing else comes from address 0.
        e.kind = address != 0 ? bus_event::orphan_reply
            : request         ? bus_event::broadcast
                              : bus_event::noise;
        (request ? e.request : e.reply) = f;
        e.request_at = e.reply_at = piece.at_ms;
        e.request_end = piece.end_ms;
        events.append(e);
        return events;
    }
    if (!pending.isEmpty()) {
        e.kind = bus_event::unanswered;
        e.request = pending;
        e.request_at = pending_at;
        e.request_end = pending_end;
        events.append(e);
    }
    pending = f;
    pending_at = piece.at_ms;
    pending_end = piece.end_ms;
    return events;
}

bool noise_run::noise(int n, double at_ms, double end_ms)
{
    const bool burst = at_ms - last > gap;
    if (bytes == 0)
        first = at_ms;
    bytes += n;
    last = end_ms;
    return burst;
}

} // namespace orte
