#pragma once

// Finding a line's settings by listening: what a trial at one setting heard, whether it is
// over, and which setting comes next. Plain values over the pieces a framer cut, with their
// times, so that the search is tested without a port.

#include "link/bus.h"
#include "link/line_format.h"

#include <QString>
#include <QVector>

namespace orte {

// An adapter hands over what it received this long after (an FTDI chip: 16 ms by default).
constexpr int adapter_latency_ms = 20;

// The speeds to try, the common field-bus ones first (9600, 19200, 115200, then the rest).
QVector<int> listen_speed_order(const QVector<int> &bauds);

// What a few bursts at one setting formed.
struct listen_trial
{
    line_format settings;
    int frames = 0;
    int frame_bytes = 0;
    int noise_bytes = 0; // before the first frame: perhaps the tail of one the port opened into
    int noise_after = 0; // after it
    int errors = 0; // characters the driver marked with a parity or framing error
    int bytes = 0; // as read, and when the first and the last came
    double first_byte = -1;
    double last_byte = -1;
    // Within bursts only (reads that follow one another closely): the bytes and the time they
    // took, which tell the line's speed; the silence between polls tells nothing of it.
    int burst_bytes = 0;
    double burst_ms = 0;
    QVector<heard_piece> pieces;

    void add(const heard_piece &p)
    {
        pieces.append(p);
        if (p.frame) {
            ++frames;
            frame_bytes += p.bytes.size();
        } else {
            (frames == 0 ? noise_bytes : noise_after) += p.bytes.size();
        }
    }
    bool clean() const
    {
        return frames >= 2 && noise_after * 4 <= frame_bytes && errors <= frames / 2;
    }
    // More bytes that cannot form frames than the tail of the converter's longest reply (the
    // port may open in the middle of one) and a request.
    bool garbage() const
    {
        return (frames == 0 && noise_bytes >= 32) || noise_after > frame_bytes + 16
            || (errors >= 4 && errors > frames);
    }
    // The speed the bytes came at, where they came much slower than this setting reads them:
    // a slower line heard at a faster setting (0 where nothing tells).
    int slower_line(int baud) const
    {
        if (burst_bytes < 8 || burst_ms < 40)
            return 0;
        const double line_baud = burst_bytes / (burst_ms / 1000.0) * 11;
        return line_baud < baud * 0.6 ? int(line_baud) : 0;
    }
    // A read `at` ms of `n` bytes.
    void read(int n, double at)
    {
        // Reads closer than this belong to one burst: an adapter's latency timer (16 ms), or
        // a character at 1200 baud (9 ms).
        constexpr double burst_gap_ms = 20;
        if (last_byte >= 0 && at - last_byte <= burst_gap_ms) {
            burst_bytes += n;
            burst_ms += at - last_byte;
        }
        bytes += n;
        last_byte = at;
        if (first_byte < 0)
            first_byte = at;
    }
};

// Tries each speed until the traffic forms frames with valid CRCs under one, none first (an
// adapter that passes a character with a wrong parity through reads any line at none), going
// straight to the speed a slower line's bytes tell; then the other parities at that speed,
// naming those that read it as cleanly, since that is all a receiver can know.
class settings_search
{
public:
    settings_search(const QVector<int> &speeds, const QString &parities, int stop_bits);

    struct step
    {
        line_format settings; // the setting to try next, unless found
        bool locking = false; // another parity at the speed found
        bool found = false; // the search is over: found(), parities(), heard()
        bool at_clean_setting = true; // found: the last trial's setting read the line cleanly
        bool round_over = false; // a first round over every setting formed no frames
    };
    step begin();
    // The trial at the last step's setting is over: what comes next.
    step judged(const listen_trial &t);

    // Whether a trial is over at `now` (ms): given up as soon as its bytes cannot form frames;
    // judged once two frames and a silence between frames after them were heard (`held`: the
    // bytes of a frame in progress); or a bound passes from its first byte (a slow candidate on
    // busy traffic would otherwise hear one endless burst). Silence costs a candidate nothing
    // until traffic has been heard at some setting (`traffic_known`): from then on, one that
    // hears nothing for as long, from `started`, is one whose adapter drops what it reads.
    static bool trial_over(const listen_trial &t, double now, double started, bool traffic_known,
                           int held);

    const line_format &found() const { return first; }
    const QString &parities() const { return clean; }
    int frames() const { return frame_count; }
    int crc_errors() const { return noise_count; }
    // What the clean trials heard, each trial's pieces apart, to be decoded once the settings
    // are known.
    const QVector<QVector<heard_piece>> &heard() const { return kept; }
    void forget_heard() { kept.clear(); }

private:
    step next_candidate();
    step lock_step(bool at_clean);
    QVector<int> speeds;
    QString parities_asked;
    int stop_bits;
    int round = 0;
    int parity_index = 0;
    QVector<int> speeds_left;
    line_format first;
    int lock_index = 0;
    QString clean;
    QVector<QVector<heard_piece>> kept;
    int frame_count = 0;
    int noise_count = 0;
};

} // namespace orte
