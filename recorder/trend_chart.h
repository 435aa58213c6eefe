#pragma once

// The live trend: each input's value on an axis of its own with its unit, the cold junctions
// on a third, wall-clock time across at round ticks; the spans where an input was in fault or
// the link was lost shaded (the lines broken there), setpoint crossings marked. The user zooms
// and pans it with the mouse, follows the newest values or holds a span, reads every line
// under a cursor and places markers. It draws what a pixel column can show of the span, so
// that a day of polls costs no more to draw than a minute.

#include "recorder/chart_window.h"
#include "recorder/trend.h"

#include <QPixmap>
#include <QTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <array>
#include <optional>
#include <vector>

class QRubberBand;

// Qt 5 keeps Qt Charts in a namespace of its own; Qt 6 does not.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

namespace orte {

class trend_chart : public QChartView
{
    Q_OBJECT

public:
    explicit trend_chart(QWidget *parent = nullptr);
    // A new run: everything shown so far is dropped; the view follows the whole run again.
    void restart();
    // A measurement at `ms` (since the epoch): each input's value and cold junction, absent
    // where not received or in fault.
    void add(qint64 ms, const std::array<std::optional<double>, 2> &value,
             const std::array<std::optional<double>, 2> &cold_junction);
    // An input's fault as the last status said it.
    void set_fault(int input, qint64 ms, bool fault);
    // The link lost (no reply, a garbled one, the port gone) or back: every line breaks.
    void set_outage(qint64 ms, bool lost);
    // A setpoint crossing: a mark on the time axis, `what` its tooltip; `begins`: a flag rose.
    void mark(qint64 ms, const QString &what, bool begins);
    void set_axis_title(int input, const QString &title);
    // The cold junctions drawn (on their own axis) or hidden; the cursor reads them either way.
    void show_cold_junction(bool shown);
    // Draws the series now (otherwise at most once a second while points come, and only while
    // the chart is seen).
    void redraw();

    // The view: what span it shows and how it follows.
    chart_window &view() { return window; }
    time_span span() const { return { from_ms, to_ms }; }
    // The view changed by the program (a zoom, a pan, a choice): drawn again, said by
    // view_changed().
    void view_set();
    // Each line's value and state at `ms`, a line each, the time first.
    QStringList readout(qint64 ms) const;
    // The markers, a line each, and the difference between the last two.
    QStringList marker_lines() const;
    // Places a marker at `ms`, or takes away one within `near_ms` of it.
    void toggle_marker(qint64 ms, qint64 near_ms);
    int markers() const { return marker_ms.size(); }
    // The chart as last drawn, titled `title` (what converter, what span).
    QPixmap picture(const QString &title);
    // ms at a widget x (the plot area's left edge is the span's start).
    qint64 ms_at(double x) const;
    // The cursor at `ms`, as if the mouse were there (a picture for a guide).
    void show_cursor_at(qint64 ms);

    // The points it keeps.
    size_t stored_points() const;
    // How many values the chart holds for an input (tests).
    size_t values(int input) const { return value[size_t(input)].size(); }
    bool in_fault_span(int input, qint64 ms) const;
    bool in_outage(qint64 ms) const { return outages.holds(ms, last_ms); }
    int marked() const { return marks.size(); }
    // The pieces an input's line is drawn in over the whole run (a fault breaks it).
    int pieces(int input) const
    {
        return value[size_t(input)].lines(first_ms, last_ms + 1, 1000).size();
    }
    qint64 first() const { return first_ms; }
    qint64 last() const { return last_ms; }

signals:
    void view_changed();
    void markers_changed();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct crossing
    {
        qint64 ms;
        QString what;
        bool begins;
    };
    void show_lines(std::vector<QLineSeries *> &pool, const QVector<QVector<QPointF>> &segments,
                    int input, bool cold_junction);
    QScatterSeries *legend_entry(const QString &name, const QColor &colour);
    double x_of(qint64 ms, const QRectF &plot) const;
    // The time ticks of the span shown, at round times.
    time_ticks ticks() const;
    // The value on `axis` at a widget y.
    double value_at(int axis, double y) const;
    void redraw_when_seen();
    void broken(qint64 ms);
    std::array<trend_series, 2> value;
    std::array<trend_series, 2> cold;
    std::array<time_spans, 2> faults;
    time_spans outages;
    QVector<crossing> marks;
    QVector<qint64> marker_ms;
    std::array<std::vector<QLineSeries *>, 2> value_lines;
    std::array<std::vector<QLineSeries *>, 2> cold_lines;
    std::array<QScatterSeries *, 4> legend_entries {}; // the faults, no link, crossings
    QDateTimeAxis *time_axis = nullptr;
    std::array<QValueAxis *, 3> value_axis {}; // the inputs, the cold junctions
    std::array<QString, 2> titles;
    chart_window window;
    qint64 first_ms = -1;
    qint64 last_ms = -1;
    qint64 from_ms = 0;
    qint64 to_ms = 1;
    bool cold_shown = true;
    QTimer due;
    bool dirty = false;
    bool time_axis_placed = false;
    // The mouse: the cursor's x (negative: none), a drag's start and kind.
    double cursor_x = -1;
    QPoint pressed_at;
    Qt::MouseButton dragging = Qt::NoButton;
    time_span span_pressed;
    std::array<std::optional<std::pair<double, double>>, 3> values_pressed;
    QRubberBand *band = nullptr;
};

} // namespace orte
