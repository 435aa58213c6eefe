// orte-cli: finds a converter whose settings nobody remembers, and records its values.

#include "cli/command_line.h"

#include "cli/help.h"
#include "cli/language.h"
#include "cli/shared_console.h"
#include "link/port_list.h"
#include "log/file_safety.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QProcess>
#include <QTextStream>

namespace {
int run(QCoreApplication &app);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // The Start menu's console: a command prompt in the user's Documents\ОРТЕ-473, where
    // orte-cli runs by its name, searching first.
    if (argc == 1 && !orte::go_to_documents_when_started_from_a_shortcut().isEmpty()) {
        orte_cli::install_translation(app);
        QProcess prompt;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"),
                   QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                       + QLatin1Char(';') + env.value(QStringLiteral("PATH")));
        prompt.setProcessEnvironment(env);
        prompt.setProcessChannelMode(QProcess::ForwardedChannels);
        prompt.setInputChannelMode(QProcess::ForwardedInputChannel);
        prompt.start(QStringLiteral("cmd.exe"),
                     { QStringLiteral("/k"), QStringLiteral("orte-cli scan") });
        prompt.waitForFinished(-1);
        return prompt.exitCode();
    }
#endif
    // Started by a double click: the search's findings stay on the screen until Enter.
    return orte_console::keep_window_until_enter(argc, run(app));
}

namespace {
int run(QCoreApplication &app)
{
    using namespace orte_cli;
    orte::keep_files_independent_of_locale_and_limits();
    console standard_output(stdout);
    console standard_error(stderr);
    QTextStream &out = standard_output.stream();
    QTextStream &err = standard_error.stream();
    if (!install_translation(app))
        err << "orte-cli: the Russian translation could not be loaded\n";
    command_line command;
    QString error;
    if (!parse_command_line(app.arguments().mid(1), command, error)) {
        err << "orte-cli: " << error << ' ' << text::tr("(see --help)") << '\n';
        return bad_arguments;
    }
    if (command.kind == command_kind::help) {
        out << text::tr(help_text()) << text::tr(help_plant_text()) << Qt::flush;
        return success;
    }
    if (command.trace)
        QLoggingCategory::setFilterRules(QStringLiteral("orte.wire.debug=true"));
    catch_interrupt();
    if (command.kind == command_kind::watch)
        return finish(run_watch(command.watch, out, err));
    // The progress line, on standard error where it is a terminal.
    const bool terminal = is_terminal(stderr);
    progress_line progress(terminal ? &err : nullptr, terminal && takes_escape_codes(stderr),
                           [] { return orte_console::terminal_width(stderr); });
    if (command.kind == command_kind::listen)
        return finish(run_listen(command.listen, out, err, progress));
    if (command.scan.ports.isEmpty()) {
        command.scan.ports = orte::sorted_by_number(orte::list_serial_ports());
        if (command.scan.ports.isEmpty()) {
            err << "orte-cli: " << text::tr("the system lists no serial ports") << '\n';
            return port_failed;
        }
    }
    return finish(run_scan(command.scan, out, err, progress));
}
} // namespace
