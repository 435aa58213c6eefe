#include "recorder/chart_window.h"

#include <algorithm>
#include <cmath>

namespace orte {

time_span chart_window::shown(qint64 first, qint64 last, qint64 now) const
{
    if (held)
        return fixed;
    if (first < 0)
        return { now - 60000, now };
    if (minutes > 0)
        return { last - minutes * 60000LL, last };
    // A run's first seconds are drawn on ten seconds, not stretched across the chart.
    return { first, std::max(last, first + 10000) };
}

void chart_window::follow(int m)
{
    minutes = std::max(0, m);
    held = false;
    value_range = {};
}

void chart_window::zoom_time(const time_span &s, double factor, qint64 at)
{
    const double f = std::clamp(factor, 0.01, 100.0);
    const qint64 from = at - qint64(std::llround(double(at - s.from) * f));
    const qint64 to = at + qint64(std::llround(double(s.to - at) * f));
    zoom_to(from, to);
}

void chart_window::zoom_to(qint64 from, qint64 to)
{
    if (to < from)
        std::swap(from, to);
    if (to - from < shortest_ms) {
        const qint64 middle = from + (to - from) / 2;
        from = middle - shortest_ms / 2;
        to = from + shortest_ms;
    }
    fixed = { from, to };
    held = true;
}

void chart_window::pan(const time_span &s, qint64 by)
{
    fixed = { s.from + by, s.to + by };
    held = true;
}

void chart_window::set_values(int axis, std::optional<std::pair<double, double>> range)
{
    if (range && range->first > range->second)
        std::swap(range->first, range->second);
    value_range[size_t(axis)] = range;
}

time_ticks round_ticks(const time_span &span, int most, int utc_offset_s)
{
    static constexpr qint64 steps[] = {
        100,     200,      500,      1000,     2000,     5000,      10000,     15000,
        30000,   60000,    120000,   300000,   600000,   900000,    1800000,   3600000,
        7200000, 10800000, 21600000, 43200000, 86400000, 172800000, 604800000,
    };
    most = std::max(2, most);
    const qint64 offset = qint64(utc_offset_s) * 1000;
    const auto floor_to = [offset](qint64 ms, qint64 step) {
        const qint64 local = ms + offset;
        return local - ((local % step) + step) % step - offset;
    };
    time_ticks t;
    for (qint64 step : steps) {
        const qint64 from = floor_to(span.from, step);
        qint64 to = floor_to(span.to, step);
        if (to < span.to)
            to += step;
        const qint64 count = (to - from) / step + 1;
        t = { { from, std::max(to, from + step) }, step, int(std::max<qint64>(2, count)) };
        if (count <= most)
            break;
    }
    return t;
}

} // namespace orte
