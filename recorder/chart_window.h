#pragma once

// Which span of a run the chart shows and how the user moves it: the whole run or its last
// minutes, following the newest values, until a zoom or a pan holds the view where the user
// put it; and time ticks at round times.

#include <QtGlobal>

#include <array>
#include <optional>
#include <utility>

namespace orte {

struct time_span
{
    qint64 from = 0;
    qint64 to = 1;
    qint64 length() const { return to - from; }
    bool operator==(const time_span &o) const { return from == o.from && to == o.to; }
};

class chart_window
{
public:
    // The views offered: 0 the whole run, else its last minutes.
    static constexpr std::array<int, 5> follow_choices { 0, 1, 5, 15, 60 };
    // The shortest span a zoom goes to.
    static constexpr qint64 shortest_ms = 1000;

    // The span shown for a run with values from `first` to `last` (first < 0: none yet, `now`
    // stands for both).
    time_span shown(qint64 first, qint64 last, qint64 now) const;
    // Follows the newest values again, over the whole run (0) or its last `minutes`.
    void follow(int minutes);
    void resume() { follow(minutes); }
    bool following() const { return !held; }
    int follow_minutes() const { return minutes; }

    // Each of these holds the view where it leaves it. `factor` below 1 zooms in, about `at`.
    void zoom_time(const time_span &now_shown, double factor, qint64 at);
    void zoom_to(qint64 from, qint64 to);
    void pan(const time_span &now_shown, qint64 by);
    // A value axis (0, 1: the inputs; 2: the cold junctions) held at [low, high]; none: fitted
    // to what is shown.
    void set_values(int axis, std::optional<std::pair<double, double>> range);
    const std::optional<std::pair<double, double>> &values(int axis) const
    {
        return value_range[size_t(axis)];
    }
    // The whole run again, following, every axis fitted (a double click).
    void reset() { follow(0); }

private:
    int minutes = 0;
    bool held = false;
    time_span fixed;
    std::array<std::optional<std::pair<double, double>>, 3> value_range;
};

// Ticks at round local times over a span: the span widened to whole steps, and how many
// ticks that makes (at most `most`, at least 2).
struct time_ticks
{
    time_span span;
    qint64 step = 1000;
    int count = 2;
};
// `utc_offset_s`: the local time's offset, so that a tick falls on a round hour there.
time_ticks round_ticks(const time_span &span, int most, int utc_offset_s);

} // namespace orte
