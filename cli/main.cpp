// orte-cli: finds a converter whose settings nobody remembers, and records its values.

#include "cli/command_line.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define orte_isatty _isatty
#define orte_fileno _fileno
#else
#include <unistd.h>
#define orte_isatty isatty
#define orte_fileno fileno
#endif

namespace {
const char *const help_text = R"(Usage:
  orte-cli scan PORT [--baud LIST] [--parity LIST] [--stop-bits LIST] [--address RANGE] [--all]
  orte-cli watch PORT --baud N --parity P --stop-bits N --address A [--csv FILE [--force]]
                      [--interval MS] [--polls N]

scan    tries the identification request of the ОРТЕ-473 over every combination of speed,
        parity, stop bits and address (default: the monitor's eleven speeds 1200..921600,
        none/even/odd, 1 and 2 stop bits, addresses 1-128, the monitor's range; 9600 8N1 and
        19200 8E1 first, then from the fastest speed down), and prints each converter found:
        settings, address, model, firmware version, serial number. It stops at the first one
        unless --all. It also says what else it heard: an exception, a model code outside
        the table, a reply from another address (a late one), bytes that never formed a
        frame at some setting. On a terminal a progress line shows what is tried and the
        time left. Ctrl+C stops it and says how far it got.
watch   identifies the converter (three tries; what answered instead is said), then polls
        measurement and status in turn every --interval ms (default 300; a late poll starts
        the period again from itself) and prints one decoded line per poll with the
        monitor's own texts: an input's fault text replaces its value from the measurement
        after the status reply that reported the fault, as on the monitor's page. --csv FILE
        also writes a row per poll: ISO time, each value and flag, the link text; cells are
        empty where an input is in fault or absent, or the exchange failed. An existing FILE
        is replaced only with --force. A port that goes away is said on standard error and
        reopened once a poll. --polls N stops after N polls, Ctrl+C at any time.

LIST is comma-separated: --baud 9600,19200  --parity none,even,odd  --stop-bits 1,2
Speeds: the standard ones from 50 to 921600. RANGE is A or A-B, within 1-247 (Modbus;
the monitor offers 1-128): --address 1-32. Numbers are decimal or 0x hex.

Exit codes:
  0    scan: a converter was found; watch: the recording ran to its end (--polls, Ctrl+C)
  1    no converter found (watch: none at the given settings)
  2    bad arguments, or the CSV file cannot be written or exists without --force
  3    the port cannot be opened, or it went away (watch: and did not come back)
  4    watch: the recording is incomplete (a row could not be written; see standard error)
  130  scan: stopped by Ctrl+C before a converter was found
  141  standard output was closed (the program reading it ended)

Examples:
  orte-cli scan COM3
  orte-cli scan /dev/ttyUSB0 --baud 9600,19200 --address 1-10 --all
  orte-cli watch /dev/ttyUSB0 --baud 19200 --parity even --stop-bits 1 --address 5 --csv run.csv
)";
} // namespace

int main(int argc, char *argv[])
{
    using namespace orte_cli;
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    command_line command;
    QString error;
    if (!parse_command_line(app.arguments().mid(1), command, error)) {
        err << "orte-cli: " << error << " (see --help)\n";
        return bad_arguments;
    }
    if (command.kind == command_kind::help) {
        out << QString::fromUtf8(help_text);
        return found;
    }
    catch_interrupt();
#ifdef SIGPIPE
    // A closed standard output is seen as a failed write, so that files are finished.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (command.kind == command_kind::watch)
        return run_watch(command.watch, out, err);
    QTextStream progress(stderr);
    const bool terminal = orte_isatty(orte_fileno(stderr)) != 0;
    return run_scan(command.scan, out, err, terminal ? &progress : nullptr);
}
