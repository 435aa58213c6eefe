#include "link/bus.h"

#include "link/crc16.h"

namespace orte {

namespace {
bool valid(const QByteArray &bytes, int from, int length)
{
    return length >= 4 && from + length <= bytes.size()
        && crc_check(bytes.mid(from, length), quint8(length));
}

// The lengths a frame starting at `from` may have, by its function.
QVector<int> frame_lengths(const QByteArray &bytes, int from)
{
    const int left = bytes.size() - from;
    if (left < 4)
        return {};
    const quint8 function = rx_at(bytes, from + 1);
    if (function & 0x80)
        return { 5 };
    QVector<int> lengths;
    if (function >= 1 && function <= 6)
        lengths << 8;
    if (function >= 1 && function <= 4)
        lengths << 5 + rx_at(bytes, from + 2);
    if (function == 15 || function == 16)
        lengths << 8 << 9 + rx_at(bytes, from + 6);
    return lengths;
}
} // namespace

QVector<heard_piece> split_heard(const QByteArray &chunk)
{
    QVector<heard_piece> pieces;
    int from = 0;
    while (from < chunk.size()) {
        int length = 0;
        for (int n : frame_lengths(chunk, from))
            if (valid(chunk, from, n)) {
                length = n;
                break;
            }
        if (length == 0) {
            pieces.append({ chunk.mid(from), false });
            break;
        }
        pieces.append({ chunk.mid(from, length), true });
        from += length;
    }
    return pieces;
}

QVector<bus_event> bus_pairing::feed(const QByteArray &chunk, double at_ms)
{
    QVector<bus_event> events = expire(at_ms);
    double at = at_ms;
    for (const heard_piece &piece : split_heard(chunk)) {
        take(piece, at, events);
        at += piece.bytes.size() * char_time;
    }
    return events;
}

QVector<bus_event> bus_pairing::expire(double now_ms)
{
    QVector<bus_event> events;
    if (!pending.isEmpty() && now_ms - pending_at > limit) {
        bus_event e;
        e.kind = bus_event::unanswered;
        e.request = pending;
        e.request_at = pending_at;
        events.append(e);
        pending.clear();
    }
    return events;
}

void bus_pairing::take(const heard_piece &piece, double at_ms, QVector<bus_event> &events)
{
    bus_event e;
    if (!piece.frame) {
        e.kind = bus_event::noise;
        e.reply = piece.bytes;
        e.reply_at = at_ms;
        events.append(e);
        return;
    }
    const QByteArray &f = piece.bytes;
    const quint8 function = rx_at(f, 1);
    // A reply to the request waiting: the same slave, its function or the exception to it,
    // and a length that fits a reply (an 8-byte frame of function 1 may be either).
    const bool answers = !pending.isEmpty() && rx_at(f, 0) == rx_at(pending, 0)
        && (function & 0x7F) == rx_at(pending, 1)
        && ((function & 0x80) || function > 4 || f.size() == 5 + rx_at(f, 2));
    if (answers) {
        e.kind = bus_event::exchange;
        e.request = pending;
        e.request_at = pending_at;
        e.reply = f;
        e.reply_at = at_ms;
        events.append(e);
        pending.clear();
        return;
    }
    const bool request = !(function & 0x80) && f.size() == 8 && function >= 1 && function <= 6;
    if (!request) {
        e.kind = bus_event::orphan_reply;
        e.reply = f;
        e.reply_at = at_ms;
        events.append(e);
        return;
    }
    if (!pending.isEmpty()) {
        e.kind = bus_event::unanswered;
        e.request = pending;
        e.request_at = pending_at;
        events.append(e);
    }
    pending = f;
    pending_at = at_ms;
}

} // namespace orte
