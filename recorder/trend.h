#pragma once

// What the recorder's chart keeps of a long run: each series' points in a compact store, and
// what a pixel column can show of them. The rows themselves are in the files. Beside the
// points, each pair, each four, each eight... is summed up (its minimum and maximum, and
// whether it holds a gap), so that drawing a span looks at about two summaries a column
// however many points it holds: a day costs what a minute does.

#include <QPointF>
#include <QVector>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace orte {

class trend_series
{
public:
    // Past `limit` points the oldest are thinned (each four kept as their minimum and maximum),
    // so that memory stays bounded however long the run.
    explicit trend_series(size_t limit = 400000);
    void add(qint64 ms, double value);
    // The value is absent from `ms` on (a fault, no reply): the line breaks there.
    void gap(qint64 ms);
    void clear()
    {
        points.clear();
        levels.clear();
    }
    size_t size() const { return points.size(); }
    bool empty() const { return points.empty(); }

    // The lines to draw for the span [from, to] on `columns` pixel columns: per column its
    // minimum and maximum in the order they came, a line broken at each gap. x in ms.
    QVector<QVector<QPointF>> lines(qint64 from, qint64 to, int columns) const;
    // The smallest and largest value in the span; false when it holds none.
    bool range(qint64 from, qint64 to, double &low, double &high) const;
    // The value shown at `ms`: the last point at or before it; none before the first point and
    // where the line is broken.
    std::optional<double> at(qint64 ms) const;

private:
    struct point
    {
        qint64 ms;
        float value; // NaN: a gap
    };
    // A run of 2^level points summed up.
    struct block
    {
        qint64 low_ms;
        qint64 high_ms;
        float low;
        float high;
        bool gap; // holds a gap: the line breaks there
        bool values; // holds a value
    };
    static block of(const point &p);
    static block merged(const block &a, const block &b);
    void sum_up(size_t level, const block &b);
    void thin();
    // The level whose blocks give about two a column over the points [first, last).
    size_t level_for(size_t first, size_t last, int columns) const;
    std::vector<point> points;
    std::vector<std::vector<block>> levels; // levels[k]: blocks of 2^(k+1) points
    size_t limit;
};

// Spans of time, open at the end while they last: the faults of an input.
class time_spans
{
public:
    void begin(qint64 ms);
    void end(qint64 ms);
    bool open() const { return !spans.isEmpty() && spans.constLast().second < 0; }
    bool empty() const { return spans.isEmpty(); }
    // [from, to] pairs; an open span ends at `now`.
    QVector<QPair<qint64, qint64>> within(qint64 from, qint64 to, qint64 now) const;
    bool holds(qint64 ms, qint64 now) const;
    void clear() { spans.clear(); }

private:
    QVector<QPair<qint64, qint64>> spans;
};

} // namespace orte
