// orte-recorder (Самописец ОРТЕ-473): the converter search, recording with a live trend, and
// listening to a bus, in a window. With --headless it goes through the three pages by itself
// against a simulator (started here unless --port names a port), records for --seconds into a
// workbook and a CSV in the --shots folder, saves a picture of each page there, and exits 0
// only if all of that happened.

#include "console/interrupt.h"
#include "log/file_safety.h"
#include "recorder/headless.h"
#include "recorder/recorder_window.h"
#include "translations/translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>

static void init_resources()
{
    Q_INIT_RESOURCE(recorder);
}

namespace {
void name_the_program()
{
    QCoreApplication::setOrganizationName(QStringLiteral("ORTE-473"));
    QCoreApplication::setApplicationName(QStringLiteral("orte-recorder"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORTE_VERSION));
}

void describe(QCommandLineParser &cli, const orte::headless_options &options)
{
    cli.setApplicationDescription(QString::fromUtf8("Самописец ОРТЕ-473"));
    cli.addHelpOption();
    cli.addVersionOption();
    options.add_to(cli);
}

// --help and --version are texts: they need no display (a console, a script, a package check).
bool only_text_asked(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v"
            || arg == "--version")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    if (only_text_asked(argc, argv)) {
        QCoreApplication app(argc, argv);
        name_the_program();
        QCommandLineParser cli;
        const orte::headless_options options;
        describe(cli, options);
        cli.process(app); // says the text and exits
        return 0;
    }
    QApplication app(argc, argv);
    name_the_program();
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8("Самописец ОРТЕ-473"));
    orte::keep_files_independent_of_locale_and_limits();
    orte::go_to_documents_when_started_from_a_shortcut();
    init_resources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/recorder.png")));
    orte::install_companion_translation(app);

    QCommandLineParser cli;
    const orte::headless_options options;
    describe(cli, options);
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
    orte_console::catch_interrupt();
    QTimer stop_asked;
    QObject::connect(&stop_asked, &QTimer::timeout, &window, [&window, &app] {
        if (!orte_console::interrupted())
            return;
        window.stop_all();
        if (!window.running()) {
            window.save_settings();
            app.exit(0);
        }
    });
    stop_asked.start(orte_console::wait_slice_ms);
    window.show();
    if (!cli.positionalArguments().isEmpty())
        window.open_file(cli.positionalArguments().constFirst());
    return orte_console::finish(app.exec());
}
