#pragma once

// Listening to a bus that another master polls: the frames in the bytes heard, however the
// adapter cuts them into reads, and which reply answers which request. Pure code over bytes
// and times, for orte-cli's listen.

#include "link/answer.h"

#include <QByteArray>
#include <QVector>

namespace orte {

// The lengths a Modbus RTU frame that starts at `from` may have, by its address and function:
// as a request and as a reply. -1: no such frame; 0: more bytes are needed to know.
struct frame_shape
{
    int request = -1;
    int reply = -1;
};
frame_shape frame_lengths(const QByteArray &bytes, int from = 0);

// Whether `bytes` from `from` hold a whole frame of `length` bytes with a valid CRC.
bool frame_at(const QByteArray &bytes, int from, int length);

// A frame heard on the bus, or bytes that form none, with when its first byte was read.
struct heard_piece
{
    QByteArray bytes;
    bool frame = false;
    double at_ms = 0; // the read that brought its first byte
    double end_ms = 0; // the read that brought its last byte
};

// A port that marks characters received with a parity or framing error (Linux: PARMRK, with
// IGNPAR off) sends such a character as FF 00 c, and a plain FF as FF FF. The marks are taken
// out, the marked characters dropped and counted; a mark cut by a read is finished by the next.
class error_marks
{
public:
    QByteArray feed(const QByteArray &chunk);
    int errors = 0;

private:
    int state = 0; // 1: after FF; 2: after FF 00
};

// Frames in what a listener reads. An adapter hands bytes over in chunks (an FTDI chip every
// 16 ms), so a silence between two reads is no frame boundary: the framer joins the pieces by
// each frame's length (known from its function) and takes a frame as soon as its CRC holds.
// Bytes that cannot begin a frame are noise, and it tries again from the next byte, so that a
// valid frame after noise is never lost.
class bus_framer
{
public:
    // `char_ms`: one character's time, for how long a frame in progress may pause.
    explicit bus_framer(double char_ms = 1);
    QVector<heard_piece> feed(const QByteArray &chunk, double at_ms);
    // After a silence in which nothing that is held could still complete: it is noise.
    QVector<heard_piece> flush(double now_ms);
    // How long a frame in progress may rest between two reads before it is given up.
    double stale_ms() const { return stale; }
    int held() const { return int(buffer.size()); }

private:
    void take(QVector<heard_piece> &out);
    void noise(int n, QVector<heard_piece> &out);
    QByteArray buffer;
    QVector<double> arrived; // each held byte's read time
    double stale;
};

// One thing the pairing makes of the frames.
struct bus_event
{
    enum kind_t { exchange, unanswered, orphan_reply, noise, broadcast } kind = noise;
    QByteArray request; // exchange, unanswered, broadcast; noise: the request waiting, if any
    QByteArray reply; // exchange, orphan_reply; noise: the bytes
    double request_at = 0; // ms, the read of its first byte
    double request_end = 0; // ms, the read of its last byte
    double reply_at = 0;
    double reply_end = 0; // noise: the read of its last byte
};

// Pairs each reply with its request: a reply from the request's address with its function (or
// the exception to it) and the length that function's reply has, before the next request. A
// request left alone is unanswered when the next one comes, or once its reply, on the wire at
// this speed, should long have been heard. A frame to address 0 is a broadcast, which no slave
// answers.
class bus_pairing
{
public:
    explicit bus_pairing(double char_ms = 1)
        : char_time(char_ms)
    {
    }
    QVector<bus_event> take(const heard_piece &piece);
    // Ends a request that waited too long.
    QVector<bus_event> expire(double now_ms);
    // How long a reply to `request` may take, at this speed.
    double reply_limit_ms(const QByteArray &request) const;

private:
    double char_time;
    QByteArray pending;
    double pending_at = 0;
    double pending_end = 0;
};

// Bytes that form no frames on a line whose settings were found. A bad reply or a burst of
// noise between good frames is one burst, counted once; the line is lost only when nothing but
// such bytes came for a while: lost_after_ms from the first of them, lost_after_bytes of them,
// and not one frame between.
class noise_run
{
public:
    static constexpr double lost_after_ms = 1000;
    static constexpr int lost_after_bytes = 96;

    // `burst_gap_ms`: a silence longer than this between two pieces of noise parts two bursts.
    explicit noise_run(double burst_gap_ms = 50)
        : gap(burst_gap_ms)
    {
    }
    void frame() { bytes = 0; }
    // Noise read from `at_ms` to `end_ms`; true where it begins a burst of its own.
    bool noise(int n, double at_ms, double end_ms);
    bool lost() const { return bytes >= lost_after_bytes && last - first >= lost_after_ms; }

private:
    double gap;
    int bytes = 0;
    double first = 0;
    double last = -1e9;
};

} // namespace orte
