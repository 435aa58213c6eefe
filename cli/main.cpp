// orte-cli: finds a converter whose settings nobody remembers, and records its values.

#include "cli/scan.h"
#include "cli/watch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

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
using namespace orte_cli;

const char *const help_text = R"(Usage:
  orte-cli scan PORT [--baud LIST] [--parity LIST] [--stop-bits LIST] [--address RANGE] [--all]
  orte-cli watch PORT --baud N --parity P --stop-bits N --address A [--csv FILE]
                      [--interval MS] [--polls N]

scan    tries the identification request of the ОРТЕ-473 over every combination of speed,
        parity, stop bits and address (default: the monitor's eleven speeds 1200..921600,
        none/even/odd, 1 and 2 stop bits, addresses 1-128; 9600 8N1 and 19200 8E1 first, then
        from the fastest speed down), and prints each converter found: settings, address,
        model, firmware version, serial number. It stops at the first one unless --all. It
        also says what else it heard: an exception, a model code outside the table, bytes
        that never formed a frame at some setting. On a terminal a progress line shows what
        is tried and the time left. Ctrl+C stops it and says how far it got.
watch   identifies the converter, then polls measurement and status in turn every --interval
        ms (default 300) and prints one decoded line per poll, with the monitor's own texts;
        --csv FILE also writes a row per poll: ISO time, each value and flag, empty cells
        where an input is in fault or absent. --polls N stops after N polls.

LIST is comma-separated: --baud 9600,19200  --parity none,even,odd  --stop-bits 1,2
RANGE is A or A-B: --address 1-32

Exit codes: 0 a converter was found (watch: ran), 1 none found, 2 bad arguments,
3 the port cannot be opened.

Examples:
  orte-cli scan COM3
  orte-cli scan /dev/ttyUSB0 --baud 9600,19200 --address 1-10 --all
  orte-cli watch /dev/ttyUSB0 --baud 19200 --parity even --stop-bits 1 --address 5 --csv run.csv
)";

int bad(QTextStream &err, const QString &what)
{
    err << "orte-cli: " << what << " (see --help)\n";
    return bad_arguments;
}

bool parse_ints(const QString &list, QVector<int> &out)
{
    out.clear();
    for (const QString &item : list.split(QLatin1Char(','))) {
        bool ok = false;
        const int v = item.trimmed().toInt(&ok, 10);
        if (!ok || v <= 0)
            return false;
        out.append(v);
    }
    return !out.isEmpty();
}

bool parse_parities(const QString &list, QString &out)
{
    out.clear();
    for (const QString &item : list.split(QLatin1Char(','))) {
        const QString p = item.trimmed().toLower();
        if (p == QLatin1String("none") || p == QLatin1String("n"))
            out += QLatin1Char('N');
        else if (p == QLatin1String("even") || p == QLatin1String("e"))
            out += QLatin1Char('E');
        else if (p == QLatin1String("odd") || p == QLatin1String("o"))
            out += QLatin1Char('O');
        else
            return false;
    }
    return !out.isEmpty();
}

bool parse_range(const QString &text, int &first, int &last)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    bool ok1 = false, ok2 = false;
    first = ends.value(0).toInt(&ok1, 10);
    last = ends.size() == 2 ? ends[1].toInt(&ok2, 10) : first;
    ok2 = ends.size() == 1 || ok2;
    return ends.size() <= 2 && ok1 && ok2 && first >= 1 && last <= 247 && first <= last;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser cli;
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Show the help."));
    const QCommandLineOption baud(QStringLiteral("baud"), {}, QStringLiteral("LIST"));
    const QCommandLineOption parity(QStringLiteral("parity"), {}, QStringLiteral("LIST"));
    const QCommandLineOption stops(QStringLiteral("stop-bits"), {}, QStringLiteral("LIST"));
    const QCommandLineOption address(QStringLiteral("address"), {}, QStringLiteral("RANGE"));
    const QCommandLineOption all(QStringLiteral("all"), {});
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("FILE"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("MS"));
    const QCommandLineOption polls(QStringLiteral("polls"), {}, QStringLiteral("N"));
    cli.addOptions({ help, baud, parity, stops, address, all, csv, interval, polls });
    if (!cli.parse(app.arguments()))
        return bad(err, cli.errorText());
    if (cli.isSet(help)) {
        out << QString::fromUtf8(help_text);
        return 0;
    }
    const QStringList args = cli.positionalArguments();
    if (args.size() != 2 || (args[0] != QLatin1String("scan") && args[0] != QLatin1String("watch")))
        return bad(err, QStringLiteral("give scan PORT or watch PORT"));

    QVector<int> bauds {
        1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600
    };
    QString parities = QStringLiteral("NEO");
    QVector<int> stop_bits { 1, 2 };
    int first = 1, last = 128;
    if (cli.isSet(baud) && !parse_ints(cli.value(baud), bauds))
        return bad(err, QStringLiteral("bad --baud '%1'").arg(cli.value(baud)));
    if (cli.isSet(parity) && !parse_parities(cli.value(parity), parities))
        return bad(err,
                   QStringLiteral("bad --parity '%1' (none, even, odd)").arg(cli.value(parity)));
    if (cli.isSet(stops)
        && (!parse_ints(cli.value(stops), stop_bits)
            || std::any_of(stop_bits.begin(), stop_bits.end(), [](int s) { return s > 2; })))
        return bad(err, QStringLiteral("bad --stop-bits '%1' (1, 2)").arg(cli.value(stops)));
    if (cli.isSet(address) && !parse_range(cli.value(address), first, last))
        return bad(err, QStringLiteral("bad --address '%1' (1-247)").arg(cli.value(address)));

    catch_interrupt();
    if (args[0] == QLatin1String("scan")) {
        scan_plan plan;
        plan.port = args[1];
        plan.settings = scan_order(bauds, parities, stop_bits);
        plan.first_address = first;
        plan.last_address = last;
        plan.all = cli.isSet(all);
        QTextStream progress(stderr);
        const bool terminal = orte_isatty(orte_fileno(stderr)) != 0;
        return run_scan(plan, out, terminal ? &progress : nullptr);
    }

    // watch: one setting and one address, all given.
    if (!cli.isSet(baud) || !cli.isSet(parity) || !cli.isSet(stops) || !cli.isSet(address)
        || bauds.size() != 1 || parities.size() != 1 || stop_bits.size() != 1 || first != last)
        return bad(err,
                   QStringLiteral("watch needs one --baud, --parity, --stop-bits and --address"));
    watch_plan plan;
    plan.port = args[1];
    plan.settings = { bauds[0], char(parities[0].toLatin1()), stop_bits[0] };
    plan.address = first;
    plan.csv_file = cli.value(csv);
    bool ok = true;
    if (cli.isSet(interval) && ((plan.interval_ms = cli.value(interval).toInt(&ok)) < 50 || !ok))
        return bad(err,
                   QStringLiteral("bad --interval '%1' (50 ms or more)").arg(cli.value(interval)));
    if (cli.isSet(polls) && ((plan.polls = cli.value(polls).toInt(&ok)) < 1 || !ok))
        return bad(err, QStringLiteral("bad --polls '%1'").arg(cli.value(polls)));
    return run_watch(plan, out);
}
