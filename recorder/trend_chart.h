#pragma once

// The live trend: each input's value on an axis of its own with its unit, its cold junction
// beside it, wall-clock time across; the spans where an input was in fault shaded (its value
// absent there), setpoint crossings marked. It draws what a pixel column can show of the
// whole run, so that a day of polls costs no more to draw than a minute.

#include "recorder/trend.h"

#include <QTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <array>
#include <optional>
#include <vector>

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
    // A new run: everything shown so far is dropped.
    void restart();
    // A measurement at `ms` (since the epoch): each input's value and cold junction, absent
    // where not received or in fault.
    void add(qint64 ms, const std::array<std::optional<double>, 2> &value,
             const std::array<std::optional<double>, 2> &cold_junction);
    // An input's fault as the last status said it.
    void set_fault(int input, qint64 ms, bool fault);
    // A setpoint crossing: a mark on the time axis.
    void mark(qint64 ms, const QString &what);
    void set_axis_title(int input, const QString &title);
    // Draws the series now (otherwise at most once a second while points come, and only while
    // the chart is seen).
    void redraw();
    // The points it keeps.
    size_t stored_points() const;
    // How many values the chart holds for an input (tests).
    size_t values(int input) const { return value[size_t(input)].size(); }
    bool in_fault_span(int input, qint64 ms) const;
    int marked() const { return marks.size(); }
    // The pieces an input's line is drawn in over the whole run (a fault breaks it).
    int pieces(int input) const
    {
        return value[size_t(input)].lines(first_ms, last_ms + 1, 1000).size();
    }

protected:
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void show_lines(std::vector<QLineSeries *> &pool, const QVector<QVector<QPointF>> &segments,
                    int input, bool cold_junction);
    double x_of(qint64 ms, const QRectF &plot) const;
    void redraw_when_seen();
    std::array<trend_series, 2> value;
    std::array<trend_series, 2> cold;
    std::array<time_spans, 2> faults;
    QVector<QPair<qint64, QString>> marks;
    std::array<std::vector<QLineSeries *>, 2> value_lines;
    std::array<std::vector<QLineSeries *>, 2> cold_lines;
    QDateTimeAxis *time_axis = nullptr;
    std::array<QValueAxis *, 2> value_axis {};
    std::array<QString, 2> titles;
    qint64 first_ms = -1;
    qint64 last_ms = -1;
    qint64 from_ms = 0;
    qint64 to_ms = 1;
    QTimer due;
    bool dirty = false;
    bool time_axis_placed = false;
};

} // namespace orte
