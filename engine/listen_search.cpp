#include "engine/listen_search.h"

#include <algorithm>
#include <cmath>

namespace orte {

namespace {
int noise_pieces(const QVector<heard_piece> &pieces)
{
    return int(
        std::count_if(pieces.begin(), pieces.end(), [](const heard_piece &p) { return !p.frame; }));
}

// A port opened in the middle of a frame hears its tail first: no error of the line.
QVector<heard_piece> without_leading_noise(QVector<heard_piece> pieces)
{
    while (!pieces.isEmpty() && !pieces.constFirst().frame)
        pieces.removeFirst();
    return pieces;
}

// Long enough for a master polling every second to be heard, and for two frames of the
// longest kind at this speed.
double trial_limit(const line_format &s)
{
    return std::max(1200.0, 2 * 260 * char_time_ms(s));
}
} // namespace

QVector<int> listen_speed_order(const QVector<int> &bauds)
{
    static const int common[] = { 9600, 19200, 115200, 38400, 57600, 4800, 2400, 1200 };
    QVector<int> order;
    for (int b : common)
        if (bauds.contains(b))
            order << b;
    QVector<int> rest;
    for (int b : bauds)
        if (!order.contains(b))
            rest << b;
    std::sort(rest.begin(), rest.end());
    return order + rest;
}

settings_search::settings_search(const QVector<int> &s, const QString &p, int stops)
    : speeds(s)
    , parities_asked(p)
    , stop_bits(stops)
{
}

settings_search::step settings_search::begin()
{
    round = 0;
    parity_index = 0;
    speeds_left = speeds;
    return next_candidate();
}

settings_search::step settings_search::next_candidate()
{
    step s;
    while (speeds_left.isEmpty()) {
        if (++parity_index >= parities_asked.size()) {
            parity_index = 0;
            if (round++ == 0)
                s.round_over = true;
        }
        speeds_left = speeds;
    }
    s.settings
        = { speeds_left.takeFirst(), char(parities_asked[parity_index].toLatin1()), stop_bits };
    return s;
}

settings_search::step settings_search::judged(const listen_trial &t)
{
    if (!clean.isEmpty()) {
        // Locking on: another parity at the speed found.
        if (t.clean()) {
            clean += QLatin1Char(t.settings.parity);
            kept.append(without_leading_noise(t.pieces));
            frame_count += t.frames;
            noise_count += noise_pieces(kept.constLast());
        }
        return lock_step(t.clean());
    }
    if (t.clean()) {
        first = t.settings;
        clean = QString(QLatin1Char(first.parity));
        kept = { without_leading_noise(t.pieces) };
        frame_count = t.frames;
        noise_count = noise_pieces(kept.constFirst());
        lock_index = 0;
        return lock_step(true);
    }
    // Bytes that came much slower than this speed reads them tell the line's speed: the
    // nearest one is tried next.
    if (const int heard = t.slower_line(t.settings.baud))
        std::stable_sort(speeds_left.begin(), speeds_left.end(), [heard](int a, int b) {
            return std::abs(std::log(double(a) / heard)) < std::abs(std::log(double(b) / heard));
        });
    return next_candidate();
}

settings_search::step settings_search::lock_step(bool at_clean)
{
    step s;
    while (lock_index < parities_asked.size()) {
        const QChar other = parities_asked[lock_index++];
        if (other != QLatin1Char(first.parity)) {
            s.settings = { first.baud, char(other.toLatin1()), stop_bits };
            s.locking = true;
            return s;
        }
    }
    s.found = true;
    s.settings = first;
    s.at_clean_setting = at_clean;
    return s;
}

bool settings_search::trial_over(const listen_trial &t, double now, double started,
                                 bool traffic_known, int held)
{
    const double since = t.first_byte >= 0 ? now - t.first_byte : traffic_known ? now - started : 0;
    // Between frames is a silence of a frame gap, or of the adapter's latency where it hands
    // bytes over in chunks; a slow line's next poll may follow sooner than a frame in progress
    // is given up.
    const double between_frames
        = std::max(2.0 * adapter_latency_ms, 3.5 * char_time_ms(t.settings));
    return t.garbage() || (t.clean() && held == 0 && now - t.last_byte > between_frames)
        || since >= trial_limit(t.settings);
}

} // namespace orte
