#include "recorder/trend_chart.h"

#include "engine/texts.h"

#include <QDateTime>
#include <QPainter>
#include <QtCharts/QLegendMarker>

#include <algorithm>
#include <utility>

namespace orte {

namespace {
// Input 1 blue, input 2 red; each cold junction a dashed line of its input's colour.
const QColor input_colour[2] = { QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x30, 0x20) };
constexpr int redraw_ms = 1000;
} // namespace

trend_chart::trend_chart(QWidget *parent)
    // The view owns the chart it is made with (one set later would leave its first unowned).
    : QChartView(new QChart, parent)
{
    setRenderHint(QPainter::Antialiasing, false);
    QChart *c = chart();
    c->setMargins(QMargins(4, 4, 4, 4));
    c->legend()->setAlignment(Qt::AlignBottom);
    time_axis = new QDateTimeAxis;
    time_axis->setFormat(QStringLiteral("HH:mm:ss"));
    time_axis->setTitleText(text::tr("Time"));
    c->addAxis(time_axis, Qt::AlignBottom);
    for (int i = 0; i < 2; ++i) {
        value_axis[size_t(i)] = new QValueAxis;
        value_axis[size_t(i)]->setLabelsColor(input_colour[i]);
        value_axis[size_t(i)]->setTitleBrush(input_colour[i]);
        value_axis[size_t(i)]->setTitleText(text::tr("Input %1").arg(i + 1));
        value_axis[size_t(i)]->setVisible(false);
        c->addAxis(value_axis[size_t(i)], i == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
    due.setSingleShot(true);
    due.setInterval(redraw_ms);
    connect(&due, &QTimer::timeout, this, &trend_chart::redraw_when_seen);
    restart();
}

void trend_chart::restart()
{
    for (size_t i = 0; i < 2; ++i) {
        value[i].clear();
        cold[i].clear();
        faults[i].clear();
    }
    marks.clear();
    first_ms = last_ms = -1;
    redraw();
}

void trend_chart::add(qint64 ms, const std::array<std::optional<double>, 2> &v,
                      const std::array<std::optional<double>, 2> &cj)
{
    if (first_ms < 0)
        first_ms = ms;
    last_ms = std::max(last_ms, ms);
    for (size_t i = 0; i < 2; ++i) {
        if (v[i])
            value[i].add(ms, *v[i]);
        else
            value[i].gap(ms);
        if (cj[i])
            cold[i].add(ms, *cj[i]);
        else
            cold[i].gap(ms);
    }
    if (!due.isActive())
        due.start();
}

void trend_chart::set_fault(int input, qint64 ms, bool fault)
{
    time_spans &f = faults[size_t(input)];
    if (fault == f.open())
        return;
    if (fault) {
        f.begin(ms);
        value[size_t(input)].gap(ms);
        cold[size_t(input)].gap(ms);
    } else {
        f.end(ms);
    }
    if (!due.isActive())
        due.start();
}

void trend_chart::mark(qint64 ms, const QString &what)
{
    marks.append({ ms, what });
    // Only the latest are kept: a setpoint that chatters must not fill the memory.
    if (marks.size() > 2000)
        marks.remove(0, 1000);
}

void trend_chart::set_axis_title(int input, const QString &title)
{
    if (titles[size_t(input)] == title)
        return;
    titles[size_t(input)] = title;
    value_axis[size_t(input)]->setTitleText(title);
}

size_t trend_chart::stored_points() const
{
    size_t n = 0;
    for (size_t i = 0; i < 2; ++i)
        n += value[i].size() + cold[i].size();
    return n;
}

bool trend_chart::in_fault_span(int input, qint64 ms) const
{
    for (const auto &s : faults[size_t(input)].within(ms, ms, last_ms))
        if (s.first <= ms && ms <= s.second)
            return true;
    return false;
}

void trend_chart::show_lines(std::vector<QLineSeries *> &pool,
                             const QVector<QVector<QPointF>> &segments, int input,
                             bool cold_junction)
{
    while (pool.size() < size_t(segments.size())) {
        auto *s = new QLineSeries;
        QPen pen(input_colour[input]);
        pen.setWidthF(cold_junction ? 1 : 1.5);
        if (cold_junction)
            pen.setStyle(Qt::DashLine);
        s->setPen(pen);
        s->setName(cold_junction ? text::tr("Cold junction %1").arg(input + 1)
                                 : text::tr("Input %1").arg(input + 1));
        chart()->addSeries(s);
        s->attachAxis(time_axis);
        s->attachAxis(value_axis[size_t(input)]);
        // One legend entry a line, however often it breaks.
        if (!pool.empty())
            for (QLegendMarker *m : chart()->legend()->markers(s))
                m->setVisible(false);
        pool.push_back(s);
    }
    for (size_t i = 0; i < pool.size(); ++i) {
        const bool used = int(i) < segments.size();
        pool[i]->replace(used ? segments[int(i)] : QVector<QPointF>());
    }
    // The legend entry stays while anything of the line was ever shown.
    if (!pool.empty())
        pool.front()->setVisible(true);
}

void trend_chart::redraw()
{
    dirty = false;
    if (first_ms < 0) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        from_ms = now - 60000;
        to_ms = now;
    } else {
        from_ms = first_ms;
        to_ms = std::max(last_ms, first_ms + 10000);
    }
    time_axis->setRange(QDateTime::fromMSecsSinceEpoch(from_ms),
                        QDateTime::fromMSecsSinceEpoch(to_ms));
    time_axis->setFormat(to_ms - from_ms > 86400000 ? QStringLiteral("dd.MM HH:mm")
                                                    : QStringLiteral("HH:mm:ss"));
    const int columns = std::max(50, int(chart()->plotArea().width()));
    for (size_t i = 0; i < 2; ++i) {
        double low = 0;
        double high = 0;
        double cl = 0;
        double ch = 0;
        const bool values = value[i].range(from_ms, to_ms, low, high);
        const bool colds = cold[i].range(from_ms, to_ms, cl, ch);
        if (colds) {
            low = values ? std::min(low, cl) : cl;
            high = values ? std::max(high, ch) : ch;
        }
        value_axis[i]->setVisible(values || colds);
        if (values || colds) {
            const double pad = std::max((high - low) * 0.08, 0.5);
            value_axis[i]->setRange(low - pad, high + pad);
            value_axis[i]->applyNiceNumbers();
        }
        show_lines(value_lines[i], value[i].lines(from_ms, to_ms, columns), int(i), false);
        show_lines(cold_lines[i], cold[i].lines(from_ms, to_ms, columns), int(i), true);
    }
    // Qt Charts leaves out a date-time axis that was on the chart before its first series:
    // it is put on again once there are lines.
    if (!time_axis_placed && !chart()->series().isEmpty()) {
        time_axis_placed = true;
        chart()->removeAxis(time_axis);
        chart()->addAxis(time_axis, Qt::AlignBottom);
        for (QAbstractSeries *s : chart()->series())
            s->attachAxis(time_axis);
    }
    viewport()->update();
}

void trend_chart::redraw_when_seen()
{
    // A page not shown (another tab, a minimised window) is drawn when it is shown again.
    if (isVisible())
        redraw();
    else
        dirty = true;
}

void trend_chart::showEvent(QShowEvent *event)
{
    QChartView::showEvent(event);
    if (dirty)
        redraw();
}

void trend_chart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    if (!due.isActive())
        due.start();
}

double trend_chart::x_of(qint64 ms, const QRectF &plot) const
{
    return plot.left()
        + double(ms - from_ms) / double(std::max<qint64>(1, to_ms - from_ms)) * plot.width();
}

void trend_chart::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    if (first_ms < 0)
        return;
    const QRectF plot = chart()->plotArea();
    painter->save();
    // The faults: each input's spans shaded in its colour, input 1 in the upper half of the
    // plot, input 2 in the lower, so that both show where they overlap.
    for (int i = 0; i < 2; ++i) {
        QColor shade = input_colour[i];
        shade.setAlpha(50);
        const QRectF band(plot.left(), plot.top() + (i == 0 ? 0 : plot.height() / 2), plot.width(),
                          plot.height() / 2);
        for (const auto &s : faults[size_t(i)].within(from_ms, to_ms, last_ms)) {
            const double left = x_of(s.first, plot);
            const double right = std::max(left + 2, x_of(s.second, plot));
            painter->fillRect(QRectF(QPointF(left, band.top()), QPointF(right, band.bottom())),
                              shade);
        }
    }
    // The setpoint crossings: a small triangle on the top edge and a dotted line down.
    painter->setPen(QPen(QColor(0x30, 0x30, 0x30), 1, Qt::DotLine));
    painter->setBrush(QColor(0x30, 0x30, 0x30));
    for (const auto &m : std::as_const(marks)) {
        if (m.first < from_ms || m.first > to_ms)
            continue;
        const double x = x_of(m.first, plot);
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QPointF tip[3]
            = { { x - 4, plot.top() - 6 }, { x + 4, plot.top() - 6 }, { x, plot.top() } };
        painter->drawPolygon(tip, 3);
    }
    painter->restore();
}

} // namespace orte
