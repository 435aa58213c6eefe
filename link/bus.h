#pragma once

// Listening to a bus that another master polls: the frames in what was heard, and which reply
// answers which request. Pure functions over bytes and times, for orte-cli's listen.

#include <QByteArray>
#include <QVector>

namespace orte {

// A piece of what was heard between two silences: a frame with a valid CRC, or bytes that
// form none.
struct heard_piece
{
    QByteArray bytes;
    bool frame = false;
};

// A reader that wakes late hears several frames as one chunk: whole frames are told apart by
// their Modbus length (a request of functions 1 to 6 is 8 bytes; a reply to 1 to 4 is 5 and
// its byte count; an exception 5) and their CRC. What forms no frame stays one piece.
QVector<heard_piece> split_heard(const QByteArray &chunk);

// One thing the pairing makes of the frames.
struct bus_event
{
    enum kind_t { exchange, unanswered, orphan_reply, noise } kind = noise;
    QByteArray request; // exchange, unanswered
    QByteArray reply; // exchange, orphan_reply; noise: the bytes
    double request_at = 0; // ms, first byte
    double reply_at = 0;
};

// Pairs each reply with its request: a reply from the request's address with its function (or
// the exception to it) that comes before the next request. A request left alone is unanswered
// when the next one comes, or when `reply_limit_ms` has passed.
class bus_pairing
{
public:
    // `char_ms`: one character's time on the line, for when the frames of a chunk began.
    explicit bus_pairing(double reply_limit_ms = 1000, double char_ms = 0)
        : limit(reply_limit_ms)
        , char_time(char_ms)
    {
    }
    // Feeds what was heard between two silences, its first byte at `at_ms`.
    QVector<bus_event> feed(const QByteArray &chunk, double at_ms);
    // Ends a request that waited too long.
    QVector<bus_event> expire(double now_ms);

private:
    void take(const heard_piece &piece, double at_ms, QVector<bus_event> &events);
    double limit;
    double char_time;
    QByteArray pending;
    double pending_at = 0;
};

} // namespace orte
