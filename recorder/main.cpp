// orte-recorder (Самописец ОРТЕ-473): the converter search, recording with a live trend, and
// listening to a bus, in a window. With --headless it goes through the three pages by itself
// against a simulator (started here unless --port names a port), records for --seconds into a
// workbook and a CSV in the --shots folder, saves a picture of each page there, and exits 0
// only if all of that happened.

#include "cli/interrupt.h"
#include "engine/language.h"
#include "log/file_safety.h"
#include "recorder/headless.h"
#include "recorder/recorder_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>

static void init_translation_resources()
{
    Q_INIT_RESOURCE(orte_recorder_translations);
    Q_INIT_RESOURCE(recorder);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ORTE-473"));
    QCoreApplication::setApplicationName(QStringLiteral("orte-recorder"));
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8("Самописец ОРТЕ-473"));
    orte::keep_files_independent_of_locale_and_limits();
    init_translation_resources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/recorder.png")));
    orte::install_translations(app, { QStringLiteral(":/i18n/orte-cli_ru.qm") });

    QCommandLineParser cli;
    cli.setApplicationDescription(QString::fromUtf8("Самописец ОРТЕ-473"));
    cli.addHelpOption();
    orte::headless_options options;
    options.add_to(cli);
    cli.process(app);
    if (cli.isSet(options.headless))
        return orte::run_headless(cli, options);

    orte::recorder_window window;
    window.restore_settings();
    // Logging off or shutting down: the recordings are finished before the session ends.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] {
        window.save_settings();
        window.stop_all();
    });
    // SIGTERM, SIGINT, SIGHUP (a closed console on Windows): the recordings are finished as
    // Stop finishes them, then the program ends.
    orte_cli::catch_interrupt();
    QTimer stop_asked;
    QObject::connect(&stop_asked, &QTimer::timeout, &window, [&window, &app] {
        if (!orte_cli::interrupted())
            return;
        window.stop_all();
        if (!window.running()) {
            window.save_settings();
            app.exit(0);
        }
    });
    stop_asked.start(orte_cli::wait_slice_ms);
    window.show();
    return orte_cli::finish(app.exec());
}
