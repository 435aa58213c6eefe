#include "recorder/headless.h"

#include "console/console.h"
#include "console/interrupt.h"
#include "link/port_list.h"
#include "recorder/recorder_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace orte {

namespace {
// As any console shows it (a Windows console in its own characters; a pipe in UTF-8).
QTextStream &out()
{
    return orte_console::standard_output();
}

int fail(const QString &what)
{
    orte_console::standard_error() << "orte-recorder: " << what << '\n' << Qt::flush;
    return 2;
}

// Serves events until `done` holds or `ms` pass, or (with `heed_stop`) a signal asks the run
// to stop; whether it held.
bool wait_for(const std::function<bool()> &done, qint64 ms, bool heed_stop = true)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms && !(heed_stop && orte_console::interrupted())) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

bool shoot(recorder_window &window, int page, const QString &file)
{
    window.tabs->setCurrentIndex(page);
    wait_for([] { return false; }, 300); // the chart's next redraw
    return window.grab().save(file);
}
} // namespace

int run_headless(const QCommandLineParser &cli, const headless_options &o)
{
    // SIGTERM, SIGINT, SIGHUP (a closed console on Windows): the run stops as Stop stops it,
    // its files finished, its simulator stopped and its scratch folder removed.
    orte_console::catch_interrupt();
    const auto stopped = [] { return orte_console::interrupted(); };
    const QString shots = cli.value(o.shots);
    bool ok = false;
    const int seconds = cli.value(o.seconds).toInt(&ok);
    if (!ok || seconds < 1)
        return fail(QStringLiteral("--seconds takes a whole number of at least 1"));
    if (!QDir().mkpath(shots))
        return fail(QStringLiteral("cannot make the folder %1").arg(shots));
    if (cli.isSet(o.open)) {
        // An earlier recording's chart as a picture.
        recorder_window window;
        window.resize(1000, 600);
        window.show();
        QString error;
        if (!window.open_file(cli.value(o.open), true, &error))
            return fail(error);
        const QString picture = QDir(shots).filePath(QStringLiteral("chart.png"));
        if (!window.opened_run->save_picture(picture))
            return fail(QStringLiteral("cannot write %1").arg(picture));
        out() << "Chart of " << QDir::toNativeSeparators(cli.value(o.open)) << " in "
              << QDir::toNativeSeparators(picture) << '\n'
              << Qt::flush;
        return 0;
    }

    QTemporaryDir dir;
    QString port = cli.value(o.port);
    QString tap;
    QProcess converter;
#ifdef Q_OS_WIN
    // The simulator needs a POSIX pseudo-terminal: there is none to start here.
    if (port.isEmpty())
        return fail(QStringLiteral(
            "the simulated converter (orte-sim) is a Linux program and cannot run here: give "
            "--port COMn for a converter on an adapter"));
#endif
    if (port.isEmpty()) {
        const QString sim = cli.isSet(o.sim)
            ? cli.value(o.sim)
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orte-sim"));
        port = dir.filePath(QStringLiteral("converter"));
        tap = dir.filePath(QStringLiteral("tap"));
        QStringList args { QStringLiteral("--pty"),
                           QStringLiteral("--link"),
                           port,
                           QStringLiteral("--tap"),
                           tap,
                           QStringLiteral("--wire-timing") };
        // Installed, it plays the example scenario unless told otherwise.
        const QString installed_scenario
            = QDir::cleanPath(QCoreApplication::applicationDirPath()
                              + QStringLiteral("/../share/orte-monitor/scenarios/demo.txt"));
        const QString scenario = cli.isSet(o.scenario) ? cli.value(o.scenario)
            : QFileInfo::exists(installed_scenario)    ? installed_scenario
                                                       : QString();
        if (!scenario.isEmpty())
            args << QStringLiteral("--scenario") << scenario;
        converter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        converter.start(sim, args);
        if (!converter.waitForStarted(5000) || !converter.waitForReadyRead(5000)
            || !wait_for([&] { return QFileInfo::exists(tap); }, 5000))
            return fail(QStringLiteral("the simulator did not start (%1)").arg(sim));
        out() << "Simulated converter on " << port << ", its bus heard on " << tap << '\n'
              << Qt::flush;
    }
    // Only this port is searched.
    set_port_lister([port] { return QStringList { port }; });

    int rc = 0;
    {
        recorder_window window;
        window.resize(1024, 640);
        window.show();
        // 1. The search, at the likeliest settings first.
        window.find->start();
        if ((!wait_for([&] { return !window.find->running(); }, 20 * 60 * 1000)
             || window.find->found->rowCount() == 0)
            && !stopped())
            rc = fail(QStringLiteral("no converter found on %1").arg(port));
        if (stopped())
            rc = -1; // nothing more to do; a clean stop
        if (rc == 0 && !shoot(window, 0, QDir(shots).filePath(QStringLiteral("recorder-find.png"))))
            rc = fail(QStringLiteral("cannot save the pictures in %1").arg(shots));
        const QString xlsx = QDir(shots).filePath(QStringLiteral("recording.xlsx"));
        const QString csv = QDir(shots).filePath(QStringLiteral("recording.csv"));
        if (rc == 0) {
            // 2. "Record" on the converter found, into the shots folder.
            QFile::remove(xlsx);
            QFile::remove(csv);
            window.record->files->xlsx_path->setText(QDir::toNativeSeparators(xlsx));
            window.record->files->csv_path->setText(QDir::toNativeSeparators(csv));
            window.find->found->selectRow(0);
            window.find->record_button->click();
            if (!window.record->running())
                rc = fail(QStringLiteral("the recording did not start"));
        }
        if (rc == 0 && !tap.isEmpty()) {
            // 3. The simulator's bus heard while the recording polls it.
            window.listen->line->port->setCurrentText(tap);
            window.listen->start();
        }
        if (rc == 0) {
            wait_for([] { return false; }, seconds * 1000LL);
            const int polls = window.record->run->figures().polls;
            const bool heard = window.listen->chosen() != 0;
            if (!stopped()
                && (!shoot(window, 1, QDir(shots).filePath(QStringLiteral("recorder-record.png")))
                    || !shoot(window, 2,
                              QDir(shots).filePath(QStringLiteral("recorder-listen.png")))))
                rc = fail(QStringLiteral("cannot save the pictures in %1").arg(shots));
            // The chart zoomed to the middle half of the run, with two markers and the
            // cursor between them.
            trend_chart *chart = window.record->run->chart;
            const qint64 first = chart->first();
            const qint64 quarter = (chart->last() - first) / 4;
            if (!stopped() && first >= 0) {
                chart->view().zoom_to(first + quarter, first + 3 * quarter);
                chart->view_set();
                chart->toggle_marker(first + quarter * 3 / 2, 0);
                chart->toggle_marker(first + quarter * 5 / 2, 0);
                chart->show_cursor_at(first + quarter * 2);
                if (!shoot(window, 1, QDir(shots).filePath(QStringLiteral("recorder-zoom.png"))))
                    rc = fail(QStringLiteral("cannot save the pictures in %1").arg(shots));
            }
            window.stop_all();
            wait_for([&] { return !window.running(); }, 10000, false);
            out() << "Polls recorded: " << polls << '\n';
            if (polls == 0)
                rc = fail(QStringLiteral("nothing was recorded"));
            if (!QFileInfo::exists(xlsx) || !QFileInfo::exists(csv))
                rc = fail(QStringLiteral("the recording's files are missing"));
            if (!tap.isEmpty() && !heard && !stopped())
                rc = fail(QStringLiteral("listening heard no converter"));
            if (rc == 0)
                out() << "Recorded to " << QDir::toNativeSeparators(xlsx) << " and "
                      << QDir::toNativeSeparators(csv) << "; pictures in "
                      << QDir::toNativeSeparators(shots) << '\n'
                      << Qt::flush;
        }
        window.stop_all();
        wait_for([&] { return !window.running(); }, 10000, false);
    }
    if (converter.state() != QProcess::NotRunning) {
        converter.terminate();
        if (!converter.waitForFinished(3000))
            converter.kill();
    }
    if (rc == -1)
        rc = 0;
    return orte_console::finish(rc);
}

} // namespace orte
