#include "recorder/trend_chart.h"

#include "engine/texts.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimeZone>
#include <QToolTip>
#include <QWheelEvent>
#include <QtCharts/QLegendMarker>

#include <algorithm>
#include <cmath>
#include <utility>

namespace orte {

namespace {
// Input 1 blue, input 2 red; each cold junction a dashed line of its input's colour.
const QColor input_colour[2] = { QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x30, 0x20) };
const QColor cold_colour(0x60, 0x60, 0x60);
const QColor outage_colour(0x90, 0x90, 0x90, 70);
const QColor mark_colour(0x30, 0x30, 0x30);
const QColor marker_colour(0x10, 0x90, 0x40);
constexpr int redraw_ms = 1000;

QColor fault_shade(int input)
{
    QColor c = input_colour[input];
    c.setAlpha(50);
    return c;
}

QString clock_text(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss.zzz"));
}

// Where a mouse event is, in the view's coordinates.
QPoint at_of(const QMouseEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

QString number_text(double v)
{
    return QString::number(v, 'f', 3);
}
} // namespace

trend_chart::trend_chart(QWidget *parent)
    // The view owns the chart it is made with (one set later would leave its first unowned).
    : QChartView(new QChart, parent)
{
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    QChart *c = chart();
    c->setMargins(QMargins(4, 4, 4, 4));
    c->legend()->setAlignment(Qt::AlignBottom);
    QFont small = c->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    c->legend()->setFont(small);
    // The time axis keeps its place and title; its ticks, labels and grid are drawn here, at
    // round times, whatever span is shown.
    time_axis = new QDateTimeAxis;
    time_axis->setFormat(QStringLiteral("HH:mm:ss"));
    time_axis->setTitleText(text::tr("Time"));
    time_axis->setLabelsColor(Qt::transparent);
    time_axis->setGridLineVisible(false);
    time_axis->setTickCount(2);
    c->setBackgroundVisible(false);
    setBackgroundBrush(Qt::white);
    c->addAxis(time_axis, Qt::AlignBottom);
    for (int i = 0; i < 3; ++i) {
        auto *axis = new QValueAxis;
        const QColor colour = i < 2 ? input_colour[i] : cold_colour;
        axis->setLabelsColor(colour);
        axis->setTitleBrush(colour);
        axis->setTitleText(i < 2 ? text::tr("Input %1").arg(i + 1) : text::tr("Cold junction, °C"));
        axis->setVisible(false);
        // A sensor's name is long: the title's font a little smaller than the labels'.
        QFont title = axis->titleFont();
        title.setPointSizeF(title.pointSizeF() * 0.85);
        axis->setTitleFont(title);
        c->addAxis(axis, i == 0 ? Qt::AlignLeft : Qt::AlignRight);
        value_axis[size_t(i)] = axis;
    }
    // Short names: the legend is one row, and cuts what does not fit.
    legend_entries = { legend_entry(text::tr("Fault, in. 1"), fault_shade(0)),
                       legend_entry(text::tr("Fault, in. 2"), fault_shade(1)),
                       legend_entry(text::tr("No link"), outage_colour),
                       legend_entry(text::tr("Setpoint"), mark_colour) };
    band = new QRubberBand(QRubberBand::Rectangle, viewport());
    due.setSingleShot(true);
    due.setInterval(redraw_ms);
    connect(&due, &QTimer::timeout, this, &trend_chart::redraw_when_seen);
    restart();
}

QScatterSeries *trend_chart::legend_entry(const QString &name, const QColor &colour)
{
    // An empty series: only its legend entry shows, and only once the run has what it names.
    auto *s = new QScatterSeries;
    s->setName(name);
    s->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    s->setColor(colour);
    s->setBorderColor(colour);
    chart()->addSeries(s);
    s->attachAxis(time_axis);
    s->attachAxis(value_axis[0]);
    s->setVisible(false);
    return s;
}

void trend_chart::restart()
{
    for (size_t i = 0; i < 2; ++i) {
        value[i].clear();
        cold[i].clear();
        faults[i].clear();
    }
    outages.clear();
    marks.clear();
    marker_ms.clear();
    first_ms = last_ms = -1;
    window.reset();
    redraw();
    emit view_changed();
    emit markers_changed();
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

void trend_chart::broken(qint64 ms)
{
    for (size_t i = 0; i < 2; ++i) {
        value[i].gap(ms);
        cold[i].gap(ms);
    }
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

void trend_chart::set_outage(qint64 ms, bool lost)
{
    if (lost == outages.open())
        return;
    if (lost) {
        outages.begin(ms);
        broken(ms);
        if (first_ms >= 0)
            last_ms = std::max(last_ms, ms);
    } else {
        outages.end(ms);
    }
    if (!due.isActive())
        due.start();
}

void trend_chart::mark(qint64 ms, const QString &what, bool begins)
{
    marks.append({ ms, what, begins });
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

void trend_chart::show_cold_junction(bool shown)
{
    cold_shown = shown;
    redraw();
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
    return faults[size_t(input)].holds(ms, last_ms);
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
        s->setName(cold_junction ? text::tr("CJ %1").arg(input + 1)
                                 : text::tr("Input %1").arg(input + 1));
        chart()->addSeries(s);
        s->attachAxis(time_axis);
        s->attachAxis(value_axis[cold_junction ? 2 : size_t(input)]);
        // One legend entry a line, however often it breaks.
        if (!pool.empty())
            for (QLegendMarker *m : chart()->legend()->markers(s))
                m->setVisible(false);
        pool.push_back(s);
    }
    for (size_t i = 0; i < pool.size(); ++i) {
        const bool used = int(i) < segments.size();
        pool[i]->replace(used ? segments[int(i)] : QVector<QPointF>());
        pool[i]->setVisible(!cold_junction || cold_shown);
    }
}

void trend_chart::view_set()
{
    redraw();
    emit view_changed();
}

void trend_chart::redraw()
{
    dirty = false;
    const time_span wanted = window.shown(first_ms, last_ms, QDateTime::currentMSecsSinceEpoch());
    const int columns = std::max(50, int(chart()->plotArea().width()));
    from_ms = wanted.from;
    to_ms = std::max(wanted.to, wanted.from + 1);
    time_axis->setRange(QDateTime::fromMSecsSinceEpoch(from_ms),
                        QDateTime::fromMSecsSinceEpoch(to_ms));
    for (size_t i = 0; i < 3; ++i) {
        double low = 0;
        double high = 0;
        bool any = false;
        const auto widen = [&](const trend_series &s) {
            double l = 0;
            double h = 0;
            if (s.range(from_ms, to_ms, l, h)) {
                low = any ? std::min(low, l) : l;
                high = any ? std::max(high, h) : h;
                any = true;
            }
        };
        if (i < 2) {
            widen(value[i]);
        } else {
            widen(cold[0]);
            widen(cold[1]);
        }
        const bool shown = any && (i < 2 || cold_shown);
        value_axis[i]->setVisible(shown);
        if (window.values(int(i))) {
            value_axis[i]->setRange(window.values(int(i))->first, window.values(int(i))->second);
        } else if (shown) {
            const double pad = std::max((high - low) * 0.08, 0.5);
            value_axis[i]->setRange(low - pad, high + pad);
            value_axis[i]->applyNiceNumbers();
        }
    }
    for (size_t i = 0; i < 2; ++i) {
        show_lines(value_lines[i], value[i].lines(from_ms, to_ms, columns), int(i), false);
        show_lines(cold_lines[i], cold[i].lines(from_ms, to_ms, columns), int(i), true);
    }
    // The legend names the shadings and marks once the run has them.
    legend_entries[0]->setVisible(!faults[0].empty());
    legend_entries[1]->setVisible(!faults[1].empty());
    legend_entries[2]->setVisible(!outages.empty());
    legend_entries[3]->setVisible(!marks.isEmpty());
    // Qt Charts leaves out a date-time axis that was on the chart before its first series:
    // it is put on again once there are lines.
    if (!time_axis_placed && value_lines[0].size() + value_lines[1].size() > 0) {
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

qint64 trend_chart::ms_at(double x) const
{
    const QRectF plot = chart()->plotArea();
    const double share = (x - plot.left()) / std::max(1.0, plot.width());
    return from_ms + qint64(std::llround(share * double(to_ms - from_ms)));
}

void trend_chart::show_cursor_at(qint64 ms)
{
    cursor_x = x_of(ms, chart()->plotArea());
    viewport()->update();
}

double trend_chart::value_at(int axis, double y) const
{
    const QRectF plot = chart()->plotArea();
    const QValueAxis *a = value_axis[size_t(axis)];
    const double share = (plot.bottom() - y) / std::max(1.0, plot.height());
    return a->min() + share * (a->max() - a->min());
}

QStringList trend_chart::readout(qint64 ms) const
{
    QStringList lines { clock_text(ms) };
    const bool lost = outages.holds(ms, last_ms);
    for (size_t i = 0; i < 2; ++i) {
        const QString name = text::tr("Input %1").arg(i + 1);
        const std::optional<double> v = value[i].at(ms);
        if (value[i].empty() && cold[i].empty())
            continue;
        QString state;
        if (lost)
            state = text::tr("no link");
        else if (faults[i].holds(ms, last_ms))
            state = text::tr("fault");
        else if (!v)
            state = text::tr("no value");
        lines << name + QStringLiteral(": ") + (state.isEmpty() ? number_text(*v) : state);
        if (const std::optional<double> c = lost ? std::nullopt : cold[i].at(ms))
            lines << text::tr("Cold junction %1").arg(i + 1) + QStringLiteral(": ")
                    + number_text(*c);
    }
    return lines;
}

QStringList trend_chart::marker_lines() const
{
    QStringList lines;
    for (int k = 0; k < marker_ms.size(); ++k)
        lines << text::tr("Marker %1: %2")
                     .arg(k + 1)
                     .arg(readout(marker_ms[k]).join(QStringLiteral("; ")));
    if (marker_ms.size() >= 2) {
        const qint64 a = marker_ms[marker_ms.size() - 2];
        const qint64 b = marker_ms.constLast();
        QStringList diff { text::tr("%1 s").arg(QString::number((b - a) / 1000.0, 'f', 3)) };
        for (size_t i = 0; i < 2; ++i) {
            const std::optional<double> va = value[i].at(a);
            const std::optional<double> vb = value[i].at(b);
            if (va && vb)
                diff << text::tr("Input %1").arg(i + 1) + QStringLiteral(" ")
                        + (*vb >= *va ? QStringLiteral("+") : QString()) + number_text(*vb - *va);
        }
        lines << text::tr("Marker %1 − marker %2: %3")
                     .arg(marker_ms.size())
                     .arg(marker_ms.size() - 1)
                     .arg(diff.join(QStringLiteral("; ")));
    }
    return lines;
}

void trend_chart::toggle_marker(qint64 ms, qint64 near_ms)
{
    for (int k = 0; k < marker_ms.size(); ++k)
        if (std::llabs(marker_ms[k] - ms) <= near_ms) {
            marker_ms.remove(k);
            viewport()->update();
            emit markers_changed();
            return;
        }
    marker_ms.append(ms);
    // A handful is what a report compares; the oldest goes.
    if (marker_ms.size() > 9)
        marker_ms.remove(0);
    viewport()->update();
    emit markers_changed();
}

QPixmap trend_chart::picture(const QString &title)
{
    const double x = cursor_x;
    cursor_x = -1;
    const QPixmap shown = grab();
    cursor_x = x;
    // The title over the chart as shown.
    QFont font = this->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int band = metrics.height() + 8;
    QPixmap p(shown.width(), shown.height() + band);
    p.fill(Qt::white);
    QPainter painter(&p);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(8, 0, p.width() - 16, band), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(title, Qt::ElideRight, p.width() - 16));
    painter.drawPixmap(0, band, shown);
    return p;
}

void trend_chart::wheelEvent(QWheelEvent *event)
{
    const int turn = event->angleDelta().y();
    if (turn == 0 || first_ms < 0)
        return;
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    const QPointF at = event->position();
#else
    const QPointF at = event->posF();
#endif
    const double factor = turn > 0 ? 0.8 : 1.25;
    if (event->modifiers() & Qt::ControlModifier) {
        // The value axes, about the value under the mouse.
        for (int i = 0; i < 3; ++i) {
            if (!value_axis[size_t(i)]->isVisible())
                continue;
            const double v = value_at(i, at.y());
            const QValueAxis *a = value_axis[size_t(i)];
            window.set_values(
                i, std::make_pair(v - (v - a->min()) * factor, v + (a->max() - v) * factor));
        }
        window.zoom_to(from_ms, to_ms);
    } else {
        window.zoom_time(span(), factor, ms_at(at.x()));
    }
    view_set();
    event->accept();
}

void trend_chart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return QChartView::mousePressEvent(event);
    dragging = event->button();
    pressed_at = at_of(event);
    span_pressed = span();
    for (int i = 0; i < 3; ++i)
        values_pressed[size_t(i)]
            = std::make_pair(value_axis[size_t(i)]->min(), value_axis[size_t(i)]->max());
    if (dragging == Qt::LeftButton && !(event->modifiers() & Qt::ControlModifier)) {
        band->setGeometry(QRect(pressed_at, QSize()));
        band->show();
    }
    event->accept();
}

void trend_chart::mouseMoveEvent(QMouseEvent *event)
{
    const QRectF plot = chart()->plotArea();
    cursor_x = plot.contains(at_of(event)) ? at_of(event).x() : -1;
    if (dragging == Qt::LeftButton && band->isVisible()) {
        band->setGeometry(QRect(pressed_at, at_of(event)).normalized());
    } else if (dragging == Qt::RightButton) {
        const QPoint moved = at_of(event) - pressed_at;
        const double ms_per_px = double(span_pressed.length()) / std::max(1.0, plot.width());
        window.pan(span_pressed, -qint64(std::llround(moved.x() * ms_per_px)));
        for (int i = 0; i < 3; ++i) {
            if (!window.values(i))
                continue;
            const auto &[low, high] = *values_pressed[size_t(i)];
            const double by = moved.y() * (high - low) / std::max(1.0, plot.height());
            window.set_values(i, std::make_pair(low + by, high + by));
        }
        view_set();
    } else if (cursor_x >= 0) {
        // A crossing's mark says what crossed.
        for (const crossing &m : std::as_const(marks))
            if (m.ms >= from_ms && m.ms <= to_ms
                && std::abs(x_of(m.ms, plot) - at_of(event).x()) <= 4
                && at_of(event).y() <= plot.top() + 12) {
                QToolTip::showText(viewport()->mapToGlobal(at_of(event)),
                                   clock_text(m.ms) + QLatin1Char('\n') + m.what, this);
                break;
            }
    }
    viewport()->update();
}

void trend_chart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != dragging)
        return QChartView::mouseReleaseEvent(event);
    const QRect moved = QRect(pressed_at, at_of(event)).normalized();
    const bool click = (at_of(event) - pressed_at).manhattanLength() < 5;
    if (dragging == Qt::LeftButton && click && (event->modifiers() & Qt::ControlModifier)) {
        const double px_ms = double(to_ms - from_ms) / std::max(1.0, chart()->plotArea().width());
        toggle_marker(ms_at(at_of(event).x()), qint64(5 * px_ms));
    } else if (dragging == Qt::LeftButton && !click && first_ms >= 0) {
        // A rectangle: its time span and its values on every axis shown.
        for (int i = 0; i < 3; ++i)
            if (value_axis[size_t(i)]->isVisible() && moved.height() >= 5)
                window.set_values(
                    i, std::make_pair(value_at(i, moved.bottom()), value_at(i, moved.top())));
        window.zoom_to(ms_at(moved.left()), ms_at(moved.right()));
        view_set();
    }
    band->hide();
    dragging = Qt::NoButton;
    event->accept();
}

void trend_chart::mouseDoubleClickEvent(QMouseEvent *event)
{
    window.reset();
    view_set();
    event->accept();
}

void trend_chart::leaveEvent(QEvent *event)
{
    cursor_x = -1;
    viewport()->update();
    QChartView::leaveEvent(event);
}

time_ticks trend_chart::ticks() const
{
    const QRectF plot = chart()->plotArea();
    return round_ticks({ from_ms, to_ms }, std::max(2, int(plot.width() / 90)),
                       QDateTime::fromMSecsSinceEpoch(from_ms).offsetFromUtc());
}

void trend_chart::drawBackground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawBackground(painter, rect);
    // The time grid under the lines.
    const QRectF plot = chart()->plotArea();
    const time_ticks t = ticks();
    painter->save();
    painter->setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 1));
    for (qint64 tick = t.span.from; tick <= to_ms; tick += t.step)
        if (tick >= from_ms)
            painter->drawLine(QPointF(x_of(tick, plot), plot.top()),
                              QPointF(x_of(tick, plot), plot.bottom()));
    painter->restore();
}

void trend_chart::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->plotArea();
    // The time labels under the plot, at round times.
    const time_ticks t = ticks();
    const QString format = t.step < 1000 ? QStringLiteral("HH:mm:ss.zzz")
        : t.step < 60000                 ? QStringLiteral("HH:mm:ss")
        : t.step < 86400000              ? QStringLiteral("HH:mm")
                                         : QStringLiteral("dd.MM");
    painter->save();
    painter->setPen(Qt::black);
    painter->setFont(time_axis->labelsFont());
    const QFontMetrics metrics(time_axis->labelsFont());
    for (qint64 tick = t.span.from; tick <= to_ms; tick += t.step) {
        if (tick < from_ms)
            continue;
        const QString label = QDateTime::fromMSecsSinceEpoch(tick).toString(format);
        const double x = x_of(tick, plot);
        const double w = metrics.horizontalAdvance(label);
        painter->drawText(QPointF(std::clamp(x - w / 2, 0.0, double(width()) - w),
                                  plot.bottom() + 6 + metrics.ascent()),
                          label);
    }
    painter->restore();
    if (first_ms < 0)
        return;
    painter->save();
    painter->setClipRect(plot.adjusted(0, -8, 0, 0));
    const auto shade = [&](const time_spans &spans, const QRectF &band, const QColor &colour) {
        for (const auto &s : spans.within(from_ms, to_ms, last_ms)) {
            const double left = x_of(s.first, plot);
            const double right = std::max(left + 2, x_of(s.second, plot));
            painter->fillRect(QRectF(QPointF(left, band.top()), QPointF(right, band.bottom())),
                              colour);
        }
    };
    // The link lost: the whole height. The faults: each input's spans in its colour, input 1
    // in the upper half of the plot, input 2 in the lower, so that both show where they
    // overlap (the legend says which is which).
    shade(outages, plot, outage_colour);
    for (int i = 0; i < 2; ++i)
        shade(faults[size_t(i)],
              QRectF(plot.left(), plot.top() + (i == 0 ? 0 : plot.height() / 2), plot.width(),
                     plot.height() / 2),
              fault_shade(i));
    // The setpoint crossings: a triangle on the top edge (filled where a flag rose, hollow
    // where it fell) and a dotted line down.
    for (const crossing &m : std::as_const(marks)) {
        if (m.ms < from_ms || m.ms > to_ms)
            continue;
        const double x = x_of(m.ms, plot);
        painter->setPen(QPen(mark_colour, 1, Qt::DotLine));
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter->setPen(QPen(mark_colour, 1));
        painter->setBrush(m.begins ? QBrush(mark_colour) : QBrush(Qt::white));
        const QPointF tip[3]
            = { { x - 4, plot.top() - 6 }, { x + 4, plot.top() - 6 }, { x, plot.top() } };
        painter->drawPolygon(tip, 3);
    }
    // The markers, numbered.
    painter->setPen(QPen(marker_colour, 1.5));
    for (int k = 0; k < marker_ms.size(); ++k) {
        if (marker_ms[k] < from_ms || marker_ms[k] > to_ms)
            continue;
        const double x = x_of(marker_ms[k], plot);
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter->drawText(QPointF(x + 3, plot.top() + 12), QString::number(k + 1));
    }
    // The cursor and what every line reads there.
    if (cursor_x >= plot.left() && cursor_x <= plot.right()) {
        painter->setPen(QPen(QColor(0x50, 0x50, 0x50), 1, Qt::DashLine));
        painter->drawLine(QPointF(cursor_x, plot.top()), QPointF(cursor_x, plot.bottom()));
        const QString text = readout(ms_at(cursor_x)).join(QLatin1Char('\n'));
        const QFontMetrics metrics(painter->font());
        QRectF box = metrics.boundingRect(QRect(0, 0, 400, 400), Qt::AlignLeft, text);
        box.adjust(-4, -3, 4, 3);
        const double left
            = cursor_x + 8 + box.width() > plot.right() ? cursor_x - 8 - box.width() : cursor_x + 8;
        box.moveTopLeft(QPointF(std::max(plot.left(), left), plot.top() + 16));
        painter->setPen(QColor(0x40, 0x40, 0x40));
        painter->setBrush(QColor(255, 255, 240, 230));
        painter->drawRect(box);
        painter->drawText(box.adjusted(4, 3, -4, -3), Qt::AlignLeft, text);
    }
    painter->restore();
}

} // namespace orte
