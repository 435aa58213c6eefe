#include "recorder/trend.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orte {

trend_series::trend_series(size_t l)
    : limit(std::max<size_t>(l, 16))
{
}

void trend_series::add(qint64 ms, double value)
{
    points.push_back({ ms, float(value) });
    if (points.size() > limit)
        thin();
}

void trend_series::gap(qint64 ms)
{
    if (!points.empty() && !std::isnan(points.back().value))
        points.push_back({ ms, std::numeric_limits<float>::quiet_NaN() });
}

// Each four points between gaps become their minimum and maximum, in the order they came.
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
}

QVector<QVector<QPointF>> trend_series::lines(qint64 from, qint64 to, int columns) const
{
    QVector<QVector<QPointF>> out;
    if (to <= from || columns < 1)
        return out;
    auto first = std::lower_bound(points.begin(), points.end(), from,
                                  [](const point &p, qint64 ms) { return p.ms < ms; });
    // The point before the span, so that the line enters it.
    if (first != points.begin())
        --first;
    const double per_column = double(to - from) / columns;
    QVector<QPointF> line;
    long column = std::numeric_limits<long>::min();
    const point *low = nullptr;
    const point *high = nullptr;
    auto flush = [&] {
        if (!low)
            return;
        line << QPointF(double(low < high ? low->ms : high->ms),
                        low < high ? low->value : high->value);
        if (low != high)
            line << QPointF(double(low < high ? high->ms : low->ms),
                            low < high ? high->value : low->value);
        low = high = nullptr;
    };
    for (auto p = first; p != points.end(); ++p) {
        if (std::isnan(p->value)) {
            flush();
            if (!line.isEmpty())
                out << line;
            line.clear();
            continue;
        }
        const long c = long(std::floor((p->ms - from) / per_column));
        if (c != column) {
            flush();
            column = c;
        }
        if (!low || p->value < low->value)
            low = &*p;
        if (!high || p->value > high->value)
            high = &*p;
        if (p->ms > to)
            break; // the point after the span, so that the line leaves it
    }
    flush();
    if (!line.isEmpty())
        out << line;
    return out;
}

bool trend_series::range(qint64 from, qint64 to, double &low, double &high) const
{
    auto p = std::lower_bound(points.begin(), points.end(), from,
                              [](const point &a, qint64 ms) { return a.ms < ms; });
    bool any = false;
    for (; p != points.end() && p->ms <= to; ++p) {
        if (std::isnan(p->value))
            continue;
        low = any ? std::min(low, double(p->value)) : p->value;
        high = any ? std::max(high, double(p->value)) : p->value;
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

} // namespace orte
