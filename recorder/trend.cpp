#include "recorder/trend.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orte {

trend_series::trend_series(size_t l)
    : limit(std::max<size_t>(l, 16))
{
}

trend_series::block trend_series::of(const point &p)
{
    const bool gap = std::isnan(p.value);
    return { p.ms, p.ms, p.value, p.value, gap, !gap };
}

trend_series::block trend_series::merged(const block &a, const block &b)
{
    if (!a.values)
        return { b.low_ms, b.high_ms, b.low, b.high, a.gap || b.gap, b.values };
    if (!b.values)
        return { a.low_ms, a.high_ms, a.low, a.high, a.gap || b.gap, a.values };
    const bool a_low = a.low <= b.low;
    const bool a_high = a.high >= b.high;
    return { a_low ? a.low_ms : b.low_ms,
             a_high ? a.high_ms : b.high_ms,
             a_low ? a.low : b.low,
             a_high ? a.high : b.high,
             a.gap || b.gap,
             true };
}

// Each level's last two blocks, once both are there, make one of the level above.
void trend_series::sum_up(size_t level, const block &b)
{
    if (levels.size() <= level)
        levels.resize(level + 1);
    std::vector<block> &here = levels[level];
    here.push_back(b);
    if (here.size() % 2 == 0)
        sum_up(level + 1, merged(here[here.size() - 2], here.back()));
}

void trend_series::add(qint64 ms, double value)
{
    points.push_back({ ms, float(value) });
    if (points.size() % 2 == 0)
        sum_up(0, merged(of(points[points.size() - 2]), of(points.back())));
    if (points.size() > limit)
        thin();
}

void trend_series::gap(qint64 ms)
{
    if (points.empty() || std::isnan(points.back().value))
        return;
    points.push_back({ ms, std::numeric_limits<float>::quiet_NaN() });
    if (points.size() % 2 == 0)
        sum_up(0, merged(of(points[points.size() - 2]), of(points.back())));
}

// Each four points between gaps become their minimum and maximum, in the order they came;
// the summaries are made again.
void trend_series::thin()
{
    std::vector<point> kept;
    kept.reserve(points.size() / 2 + 4);
    size_t i = 0;
    while (i < points.size()) {
        size_t j = i;
        while (j < points.size() && j < i + 4 && !std::isnan(points[j].value))
            ++j;
        if (j == i) { // a gap
            kept.push_back(points[i++]);
            continue;
        }
        const auto [low, high]
            = std::minmax_element(points.begin() + long(i), points.begin() + long(j),
                                  [](const point &a, const point &b) { return a.value < b.value; });
        if (low == high) {
            kept.push_back(*low);
        } else {
            kept.push_back(low < high ? *low : *high);
            kept.push_back(low < high ? *high : *low);
        }
        i = j;
    }
    points.swap(kept);
    levels.clear();
    for (size_t k = 1; k < points.size(); k += 2)
        sum_up(0, merged(of(points[k - 1]), of(points[k])));
}

size_t trend_series::level_for(size_t first, size_t last, int columns) const
{
    size_t level = 0; // 0: the points themselves; k: levels[k - 1]
    while (level < levels.size() && (last - first) >> (level + 1) >= size_t(columns) * 2)
        ++level;
    return level;
}

QVector<QVector<QPointF>> trend_series::lines(qint64 from, qint64 to, int columns) const
{
    QVector<QVector<QPointF>> out;
    if (to <= from || columns < 1 || points.empty())
        return out;
    auto at = [this](qint64 ms) {
        return size_t(std::lower_bound(points.begin(), points.end(), ms,
                                       [](const point &p, qint64 t) { return p.ms < t; })
                      - points.begin());
    };
    // From the point before the span to the one after it, so that the line enters and leaves.
    const size_t first = at(from) > 0 ? at(from) - 1 : 0;
    const size_t last = std::min(points.size(), at(to + 1) + 1);
    const size_t level = level_for(first, last, columns);
    const double per_column = double(to - from) / columns;
    QVector<QPointF> line;
    long column = std::numeric_limits<long>::min();
    struct seen
    {
        qint64 ms;
        float value;
    };
    bool any = false;
    seen low {};
    seen high {};
    auto flush = [&] {
        if (!any)
            return;
        const bool low_first = low.ms <= high.ms;
        line << QPointF(double(low_first ? low.ms : high.ms), low_first ? low.value : high.value);
        if (low.ms != high.ms || low.value != high.value)
            line << QPointF(double(low_first ? high.ms : low.ms),
                            low_first ? high.value : low.value);
        any = false;
    };
    auto take = [&](const block &b) {
        if (b.values) {
            const long c = long(std::floor((std::min(b.low_ms, b.high_ms) - from) / per_column));
            if (c != column) {
                flush();
                column = c;
            }
            if (!any || b.low < low.value)
                low = { b.low_ms, b.low };
            if (!any || b.high > high.value)
                high = { b.high_ms, b.high };
            any = true;
        }
        if (b.gap) {
            flush();
            if (!line.isEmpty())
                out << line;
            line.clear();
        }
    };
    if (level == 0) {
        for (size_t i = first; i < last; ++i)
            take(of(points[i]));
    } else {
        // The points before the first whole block and after the last one, as they are.
        const size_t size = size_t(1) << level;
        const size_t begin = (first + size - 1) / size;
        const size_t end = last / size;
        const std::vector<block> &blocks = levels[level - 1];
        for (size_t i = first; i < std::min(last, begin * size); ++i)
            take(of(points[i]));
        for (size_t b = begin; b < std::min(end, blocks.size()); ++b)
            take(blocks[b]);
        for (size_t i = std::max(begin, std::min(end, blocks.size())) * size; i < last; ++i)
            take(of(points[i]));
    }
    flush();
    if (!line.isEmpty())
        out << line;
    return out;
}

bool trend_series::range(qint64 from, qint64 to, double &low, double &high) const
{
    bool any = false;
    for (const QVector<QPointF> &line : lines(from, to, 1000))
        for (const QPointF &p : line) {
            if (p.x() < double(from) || p.x() > double(to))
                continue;
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            any = true;
        }
    return any;
}

void time_spans::begin(qint64 ms)
{
    if (!open())
        spans.append({ ms, -1 });
}

void time_spans::end(qint64 ms)
{
    if (open())
        spans.last().second = ms;
}

QVector<QPair<qint64, qint64>> time_spans::within(qint64 from, qint64 to, qint64 now) const
{
    QVector<QPair<qint64, qint64>> out;
    for (const auto &s : spans) {
        const qint64 e = s.second < 0 ? now : s.second;
        if (e >= from && s.first <= to)
            out.append({ std::max(s.first, from), std::min(e, to) });
    }
    return out;
}

std::optional<double> trend_series::at(qint64 ms) const
{
    const auto after = std::upper_bound(points.begin(), points.end(), ms,
                                        [](qint64 t, const point &p) { return t < p.ms; });
    if (after == points.begin() || std::isnan((after - 1)->value))
        return std::nullopt;
    return double((after - 1)->value);
}

bool time_spans::holds(qint64 ms, qint64 now) const
{
    for (const auto &s : within(ms, ms, now))
        if (s.first <= ms && ms <= s.second)
            return true;
    return false;
}

} // namespace orte
