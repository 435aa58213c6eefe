#pragma once

// The recorder without a user: through the three pages by itself against a simulator or a
// port, for the README's pictures and for tests.

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace orte {

struct headless_options
{
    QCommandLineOption headless { QStringLiteral("headless"),
                                  QStringLiteral("Go through the pages by itself, then exit.") };
    QCommandLineOption shots { QStringLiteral("shots"),
                               QStringLiteral("Folder for the pictures and the recording."),
                               QStringLiteral("dir"), QStringLiteral(".") };
    QCommandLineOption seconds { QStringLiteral("seconds"),
                                 QStringLiteral("How long to record (default 10)."),
                                 QStringLiteral("n"), QStringLiteral("10") };
    QCommandLineOption port { QStringLiteral("port"),
                              QStringLiteral("Use this port (a converter or a simulator already "
                                             "on it) instead of starting a simulator."),
                              QStringLiteral("path") };
    QCommandLineOption sim { QStringLiteral("sim"),
                             QStringLiteral("The simulator program (default: orte-sim beside "
                                            "this one)."),
                             QStringLiteral("path") };
    QCommandLineOption scenario { QStringLiteral("scenario"),
                                  QStringLiteral("Scenario for the simulator."),
                                  QStringLiteral("file") };
    QCommandLineOption open { QStringLiteral("open"),
                              QStringLiteral("With --headless: show this recording (a workbook "
                                             "or a CSV), save its chart as chart.png in the "
                                             "--shots folder and exit."),
                              QStringLiteral("file") };
    void add_to(QCommandLineParser &cli) const
    {
        cli.addOptions({ headless, shots, seconds, port, sim, scenario, open });
        cli.addPositionalArgument(QStringLiteral("file"),
                                  QStringLiteral("A recording to open (a workbook or a CSV)."),
                                  QStringLiteral("[file]"));
    }
};

// Returns the exit code: 0 when a converter was found, recorded into both files, heard on the
// bus (where a simulator's tap allows), and every page's picture saved.
int run_headless(const QCommandLineParser &cli, const headless_options &options);

} // namespace orte
