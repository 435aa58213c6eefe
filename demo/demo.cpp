// orte-demo: the monitor against a simulated converter, for trying it without hardware.
// It starts orte-sim on a virtual serial port of its own and offers that port first in the
// port list. With a display the window is yours; without one (or with --headless) it presses
// Старт itself, prints the monitoring page once a second and saves screenshots of both pages.

#include "app/app_identity.h"
#include "app/mainwindow.h"
#include "console/console.h"
#include "engine/texts.h"
#include "link/port_list.h"
#include "log/file_safety.h"
#include "translations/translations.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QVector>

#include <algorithm>

namespace {
// Standard output and error as any console shows them (a Windows console in its own
// characters, whatever its code page; a pipe in UTF-8).
QTextStream &out()
{
    return orte_console::standard_output();
}

int fail(const QString &what)
{
    orte_console::standard_error() << "orte-demo: " << what << '\n' << Qt::flush;
    return 2;
}

// A whole number of at least 1, or -1.
int count_option(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok && n >= 1 ? n : -1;
}

// Serves events for `ms` without spinning: the monitor's own cost is what the bench measures.
void wait_ms(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The offscreen platform warns that it cannot pass on the window's size hints: true and of no
// concern to a headless run, so that one message is dropped; everything else goes through.
QtMessageHandler default_handler = nullptr;
void quiet_offscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (default_handler)
        default_handler(type, context, message);
}

void print_page(const MainWindow &window, qint64 at_ms)
{
    out() << QStringLiteral("--- %1 s").arg(double(at_ms) / 1000.0, 0, 'f', 1) << '\n';
    for (const char *name :
         { "string_name", "nomer_izd", "versia_po", "T_1_channal", "T_1_hs", "t_2_channal",
           "T_2_hs", "diag_ustr", "err_izd", "err_ust_1", "err_ust_2" }) {
        const QString text = window.findChild<QLabel *>(QString::fromLatin1(name))->text();
        if (!text.isEmpty())
            out() << "  " << text << '\n';
    }
    out().flush();
}

bool save_shot(MainWindow &window, const QString &path)
{
    if (!window.grab().save(path, "PNG")) {
        fail(orte::text::tr("cannot write the screenshot %1").arg(path));
        return false;
    }
    out() << orte::text::tr("Screenshot: %1").arg(QFileInfo(path).absoluteFilePath()) << '\n';
    return true;
}

// A port the user named: a file (a device, a simulator's link) or one the system lists. A bare
// name (COM5) is left to the port itself: Windows does not list every port it can open (a
// virtual one, Wine's mapping), and opening it says soon enough.
bool port_exists(const QString &name)
{
    if (QFileInfo::exists(name) || !name.contains(QLatin1Char('/')))
        return true;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.portName() == name || info.systemLocation() == name)
            return true;
    return false;
}

// Presses Старт, prints the monitoring page once a second for `seconds` (unless `quiet`),
// saves screenshots of both pages and presses Стоп.
int run_headless(MainWindow &window, const QString &shots, int seconds, bool quiet)
{
    if (!save_shot(window, QDir(shots).filePath(QStringLiteral("settings-page.png"))))
        return 1;
    window.findChild<QPushButton *>(QStringLiteral("Start"))->click();
    auto *stack = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    if (stack->currentIndex() != 1) {
        fail(window.findChild<QLabel *>(QStringLiteral("err_poisk"))->text());
        return 1;
    }
    QElapsedTimer run;
    run.start();
    for (qint64 s = 1; s <= seconds; ++s) {
        wait_ms(int(s * 1000 - run.elapsed()));
        if (!quiet)
            print_page(window, run.elapsed());
    }
    const bool saved
        = save_shot(window, QDir(shots).filePath(QStringLiteral("monitoring-page.png")));
    window.findChild<QPushButton *>(QStringLiteral("Stop"))->click();
    return saved ? 0 : 1;
}
} // namespace

namespace {
int run_demo(QApplication &app);
}

int main(int argc, char *argv[])
{
    default_handler = qInstallMessageHandler(quiet_offscreen);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display the demo runs headless instead of failing to start.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    orte::prepare_application();
    QApplication app(argc, argv);
    orte::keep_files_independent_of_locale_and_limits();
    orte::set_app_identity();
    // The demo's own messages in the user's language; the monitor's window keeps its texts.
    orte::install_companion_translation(app);
    // Started by a double click: what it said stays on the screen until Enter.
    return orte_console::keep_window_until_enter(argc, run_demo(app));
}

namespace {
int run_demo(QApplication &app)
{
    QCommandLineParser cli;
    cli.setApplicationDescription(
        QStringLiteral("The ОРТЕ-473 monitor against a simulated converter."));
    cli.addHelpOption();
    const QCommandLineOption headless_opt(
        QStringLiteral("headless"),
        QStringLiteral("Press Старт, print the page, save screenshots and exit."));
    const QCommandLineOption seconds_opt(
        QStringLiteral("seconds"), QStringLiteral("How long the headless run polls (default 5)."),
        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption shots_opt(
        QStringLiteral("shots"),
        QStringLiteral("Folder for the screenshots (default: the working folder)."),
        QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption sim_opt(
        QStringLiteral("sim"),
        QStringLiteral("The simulator program (default: orte-sim beside this one)."),
        QStringLiteral("PATH"));
    const QCommandLineOption scenario_opt(QStringLiteral("scenario"),
                                          QStringLiteral("Scenario for the simulator."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption port_opt(
        QStringLiteral("port"),
        QStringLiteral("Use this port (a converter or a simulator already on it) instead of "
                       "starting a simulator."),
        QStringLiteral("PATH"));
    const QCommandLineOption searches_opt(
        QStringLiteral("searches"),
        QStringLiteral("Headless: press Старт N times, say how many found nothing, and exit."),
        QStringLiteral("N"));
    const QCommandLineOption quiet_opt(
        QStringLiteral("quiet"), QStringLiteral("Headless: do not print the monitoring page."));
    const QCommandLineOption baud_opt(QStringLiteral("baud"),
                                      QStringLiteral("Choose this speed on the settings page."),
                                      QStringLiteral("N"));
    cli.addOptions({ headless_opt, seconds_opt, shots_opt, sim_opt, scenario_opt, port_opt,
                     searches_opt, quiet_opt, baud_opt });
    // Its own name on every complaint, and a bad value is an error rather than a default.
    if (!cli.parse(app.arguments()))
        return fail(cli.errorText());
    // On standard output everywhere: on Windows showHelp() would prefer a message box.
    if (cli.isSet(QStringLiteral("help"))) {
        out() << cli.helpText() << Qt::flush;
        return 0;
    }
    const int seconds = count_option(cli.value(seconds_opt));
    const int searches = cli.isSet(searches_opt) ? count_option(cli.value(searches_opt)) : 0;
    if (seconds < 0)
        return fail(orte::text::tr("--seconds takes a whole number of 1 or more"));
    if (searches < 0)
        return fail(orte::text::tr("--searches takes a whole number of 1 or more"));
    if (cli.isSet(port_opt) && !port_exists(cli.value(port_opt)))
        return fail(orte::text::tr("no such port: %1").arg(cli.value(port_opt)));

    const bool headless = cli.isSet(headless_opt)
        || QGuiApplication::platformName() == QLatin1String("offscreen")
        || QGuiApplication::platformName() == QLatin1String("minimal");
    const QString sim = cli.isSet(sim_opt)
        ? cli.value(sim_opt)
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("orte-sim"));

    QTemporaryDir dir;
    QString port = cli.value(port_opt);
    QProcess converter;
#ifdef Q_OS_WIN
    // The simulator needs a POSIX pseudo-terminal: there is none to start here.
    if (port.isEmpty())
        return fail(orte::text::tr(
            "the simulated converter (orte-sim) is a Linux program and cannot run here: give "
            "--port COMn for a converter on an adapter, or for a simulator running on a Linux "
            "machine at the other end of a null-modem cable"));
#endif
    if (port.isEmpty()) {
        port = dir.filePath(QStringLiteral("orte-demo-port"));
        converter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList sim_args { QStringLiteral("--pty"), QStringLiteral("--link"), port };
        // Installed, the demo plays the example scenario unless told otherwise.
        const QString installed_scenario
            = QDir::cleanPath(QCoreApplication::applicationDirPath()
                              + QStringLiteral("/../share/orte-monitor/scenarios/demo.txt"));
        const QString scenario = cli.isSet(scenario_opt) ? cli.value(scenario_opt)
            : QFileInfo::exists(installed_scenario)      ? installed_scenario
                                                         : QString();
        if (!scenario.isEmpty())
            sim_args << QStringLiteral("--scenario") << scenario;
        converter.start(sim, sim_args);
        if (!converter.waitForStarted(5000) || !converter.waitForReadyRead(5000)) {
            fail(orte::text::tr("the simulator did not start (%1)").arg(sim));
            return 1;
        }
        converter.readAllStandardOutput();
        out() << (scenario.isEmpty()
                      ? orte::text::tr("Simulated converter on %1").arg(port)
                      : orte::text::tr("Simulated converter on %1, playing %2").arg(port, scenario))
              << '\n';
        out().flush();
    }

    // The simulator's port first, then whatever the system has.
    const QStringList system_ports = orte::list_serial_ports();
    orte::set_port_lister([port, system_ports] { return QStringList { port } + system_ports; });

    int rc = 0;
    {
        MainWindow window;
        auto *speeds = window.findChild<QComboBox *>(QStringLiteral("speed_com"));
        if (cli.isSet(baud_opt)) {
            const int at = speeds->findText(cli.value(baud_opt));
            if (at < 0) {
                QStringList offered;
                for (int i = 0; i < speeds->count(); ++i)
                    offered << speeds->itemText(i);
                rc = fail(orte::text::tr("the window offers no speed %1 (%2)")
                              .arg(cli.value(baud_opt), offered.join(QLatin1Char(' '))));
            }
            speeds->setCurrentIndex(at);
        }
        window.show();
        if (rc != 0) {
            // Nothing to run: the simulator is stopped below.
        } else if (!headless) {
            rc = app.exec();
        } else {
            const QString shots = cli.value(shots_opt);
            wait_ms(200);
            if (cli.isSet(searches_opt)) {
                int failed = 0;
                QVector<double> found_ms;
                auto *stack = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
                for (int i = 0; i < searches; ++i) {
                    QElapsedTimer search;
                    search.start();
                    window.findChild<QPushButton *>(QStringLiteral("Start"))->click();
                    if (stack->currentIndex() == 0) {
                        ++failed;
                        continue;
                    }
                    found_ms.append(double(search.nsecsElapsed()) / 1e6);
                    window.findChild<QPushButton *>(QStringLiteral("Stop"))->click();
                }
                out() << failed << " of " << searches << " searches found nothing\n";
                if (!found_ms.isEmpty()) {
                    std::sort(found_ms.begin(), found_ms.end());
                    out() << QStringLiteral("Start to monitoring page: median %1 ms\n")
                                 .arg(found_ms[found_ms.size() / 2], 0, 'f', 1);
                }
                out().flush();
            } else {
                rc = QDir().mkpath(shots)
                    ? run_headless(window, shots, seconds, cli.isSet(quiet_opt))
                    : fail(orte::text::tr("cannot make the screenshot folder %1").arg(shots));
            }
        }
    }
    if (converter.state() != QProcess::NotRunning) {
        converter.terminate();
        if (!converter.waitForFinished(5000))
            converter.kill();
    }
    return rc;
}
} // namespace
