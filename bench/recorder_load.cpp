// What the recorder costs, for bench/recorder.py:
//   record PORT SECONDS DIR  the window recording a converter at 9600 8N1 every 300 ms into a
//                            workbook and a CSV in DIR, for SECONDS (its CPU is read from
//                            outside);
//   day DIR                  a day at 300 ms (288 000 polls) fed through the recording page's
//                            view on a fast clock into both files, then the chart redrawn:
//                            prints the redraw times and the resident memory.

#include "recorder/recorder_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
long resident_kb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A measurement reply of the simulated converter's shape: input 1 a thermometer, input 2 a
// thermocouple, both drifting.
QByteArray measurement(int i)
{
    auto put = [](QByteArray &b, int at, int value) {
        b[at] = char((value >> 8) & 0xFF);
        b[at + 1] = char(value & 0xFF);
    };
    QByteArray rx(29, '\0');
    rx[0] = 1;
    rx[1] = 4;
    rx[2] = 24;
    put(rx, 3, 20 + (i / 2000) % 10); // input 1's whole part and thousandths
    put(rx, 5, int(500 + 400 * std::sin(i / 300.0)));
    put(rx, 7, 500 + (i / 5000) % 20); // input 2's
    put(rx, 9, (i * 7) % 1000);
    put(rx, 11, 0); // input 1: a resistance thermometer
    put(rx, 13, 1); // input 2: a thermocouple, with its cold junction
    put(rx, 17, 230 + (i / 1000) % 10);
    return rx;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    orte::recorder_window window;
    window.resize(1024, 640);
    window.show();
    window.tabs->setCurrentIndex(1);
    orte::record_page *page = window.record;
    if (args.size() == 5 && args[1] == QLatin1String("record")) {
        page->line->port->setCurrentText(args[2]);
        page->files->xlsx_path->setText(args[4] + QStringLiteral("/bench.xlsx"));
        page->files->csv_path->setText(args[4] + QStringLiteral("/bench.csv"));
        page->start();
        QTimer::singleShot(args[3].toInt() * 1000, &app, [&] {
            page->stop();
            app.quit();
        });
        return app.exec();
    }
    if (args.size() != 3 || args[1] != QLatin1String("day")) {
        std::fprintf(stderr, "usage: orte-bench-recorder record PORT SECONDS DIR | day DIR\n");
        return 2;
    }
    page->files->xlsx_path->setText(args[2] + QStringLiteral("/day.xlsx"));
    page->files->csv_path->setText(args[2] + QStringLiteral("/day.csv"));
    orte::run_view *run = page->run;
    if (!run->begin(*page->files))
        return 1;
    const long before = resident_kb();
    const QDateTime start = QDateTime::currentDateTime();
    orte::reading r;
    r.have_status = true;
    QElapsedTimer clock;
    clock.start();
    constexpr int polls = 288000;
    // A redraw after a minute, beside the one after a day below: it must not grow.
    auto timed_redraw = [&] {
        std::vector<double> times;
        for (int k = 0; k < 15; ++k) {
            QElapsedTimer t;
            t.start();
            run->chart->redraw();
            run->chart->viewport()->repaint();
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        return times;
    };
    std::vector<double> minute;
    std::vector<double> hour;
    for (int i = 0; i < polls; ++i) {
        if (i == 200)
            minute = timed_redraw();
        if (i == 12000)
            hour = timed_redraw();
        // Measurement and status in turn, as the page polls; a fault on input 2 for an hour.
        if (i % 2 == 0) {
            r.measure = measurement(i);
            r.measure_shown = orte::decode_measure(r.measure, false, false, false);
            r.have_measure = true;
            ++r.measurements;
        } else {
            r.status = (i > 100000 && i < 112000) ? 0x02 : (i / 40000) % 2 ? 0x10 : 0x00;
        }
        run->add(1, r, false, orte::exchange_outcome::answer, start.addMSecs(qint64(i) * 300));
        if (i % 5000 == 0)
            app.processEvents();
    }
    const double feed_s = clock.elapsed() / 1000.0;
    const std::vector<double> redraws = timed_redraw();
    const long after = resident_kb();
    orte::run_figures about;
    about.start = start;
    QElapsedTimer finishing;
    finishing.start();
    run->finish(about);
    std::printf("polls %d fed in %.1f s; chart points kept %zu\n", polls, feed_s,
                run->chart->stored_points());
    std::printf("redraw of 24 h (series and paint): median %.1f ms, maximum %.1f ms; of the "
                "first minute: median %.1f ms; of the first hour: median %.1f ms\n",
                redraws[redraws.size() / 2], redraws.back(), minute[minute.size() / 2],
                hour[hour.size() / 2]);
    std::printf(
        "resident memory: %.1f MB before, %.1f MB after 24 h; workbook finished in %.1f s\n",
        before / 1024.0, after / 1024.0, finishing.elapsed() / 1000.0);
    // However it is zoomed: an hour, then a minute, in the middle of the day.
    const qint64 noon = start.toMSecsSinceEpoch() + 12 * 3600000LL;
    for (const auto &[name, span] :
         { std::pair<const char *, qint64> { "an hour", 3600000 }, { "a minute", 60000 } }) {
        run->chart->view().zoom_to(noon, noon + span);
        run->chart->view_set();
        const std::vector<double> zoomed = timed_redraw();
        std::printf("redraw zoomed to %s of the day: median %.1f ms, maximum %.1f ms\n", name,
                    zoomed[zoomed.size() / 2], zoomed.back());
    }
    // The day's files opened again.
    for (const char *name : { "day.csv", "day.xlsx" }) {
        QElapsedTimer opening;
        opening.start();
        QString error;
        if (!window.open_file(args[2] + QLatin1Char('/') + QLatin1String(name), true, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s (%d polls) opened in %.2f s; resident memory then %.1f MB\n", name,
                    window.opened_run->figures().polls, opening.elapsed() / 1000.0,
                    resident_kb() / 1024.0);
    }
    return 0;
}
