#include "cli/command_line.h"

#include "cli/language.h"
#include "link/endpoint.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

namespace orte_cli {

namespace {
bool parse_list(const QString &text, qint64 min, qint64 max, QVector<int> &out)
{
    out.clear();
    for (const QString &item : text.split(QLatin1Char(','))) {
        qint64 v = 0;
        if (!parse_number(item.trimmed(), min, max, v))
            return false;
        out.append(int(v));
    }
    return true;
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
    return true;
}

} // namespace

const QVector<int> &standard_speeds()
{
    static const QVector<int> speeds
        = QVector<int> { 50, 75, 110, 150, 200, 300, 600, 1800 } + orte::monitor_speeds();
    return speeds;
}

bool parse_number(const QString &text, qint64 min, qint64 max, qint64 &out)
{
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QString digits = hex ? text.mid(2) : text;
    bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [hex](QChar c) {
        return c.isDigit() || (hex && QStringLiteral("abcdefABCDEF").contains(c));
    });
    const qint64 value = ok ? digits.toLongLong(&ok, hex ? 16 : 10) : 0;
    if (!ok || value < min || value > max)
        return false;
    out = value;
    return true;
}

QString port_location(const QString &name)
{
#ifndef Q_OS_WIN
    if (!name.contains(QLatin1Char('/')) && QFileInfo::exists(name))
        return QFileInfo(name).absoluteFilePath();
#endif
    return name;
}

bool parse_command_line(const QStringList &args, command_line &out, QString &error)
{
    QCommandLineParser cli;
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption baud(QStringLiteral("baud"), {}, QStringLiteral("LIST"));
    const QCommandLineOption parity(QStringLiteral("parity"), {}, QStringLiteral("LIST"));
    const QCommandLineOption stops(QStringLiteral("stop-bits"), {}, QStringLiteral("LIST"));
    const QCommandLineOption address(QStringLiteral("address"), {}, QStringLiteral("RANGE"));
    const QCommandLineOption all(QStringLiteral("all"));
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("FILE"));
    const QCommandLineOption csv_plain(QStringLiteral("csv-plain"), {}, QStringLiteral("FILE"));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"), {}, QStringLiteral("FILE"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("MS"));
    const QCommandLineOption polls(QStringLiteral("polls"), {}, QStringLiteral("N"));
    const QCommandLineOption stats(QStringLiteral("stats"));
    const QCommandLineOption trace(QStringLiteral("trace"));
    const QCommandLineOption reply(QStringLiteral("reply-ms"), {}, QStringLiteral("MS"));
    const QCommandLineOption mqtt(QStringLiteral("mqtt"), {}, QStringLiteral("URL"));
    const QCommandLineOption rotate(QStringLiteral("rotate"), {}, QStringLiteral("PERIOD"));
    cli.addOptions({ help, baud, parity, stops, address, all, csv, csv_plain, xlsx, force, interval,
                     polls, stats, trace, reply, mqtt, rotate });
    auto bad = [&error](const QString &what) {
        error = what;
        return false;
    };
    if (!cli.parse(QStringList { QStringLiteral("orte-cli") } + args))
        return bad(cli.errorText());
    if (cli.isSet(help)) {
        out.kind = command_kind::help;
        return true;
    }
    out.trace = cli.isSet(trace);
    const QStringList words = cli.positionalArguments();
    const QString command = words.value(0);
    if (command != QLatin1String("scan") && command != QLatin1String("watch")
        && command != QLatin1String("listen"))
        return bad(text::tr("give scan [PORT...], watch PORT or listen PORT"));
    const bool scan = command == QLatin1String("scan");
    const bool listen = command == QLatin1String("listen");
    if (!scan && words.size() != 2)
        return bad(text::tr("%1 takes one port").arg(command));
    QStringList ports;
    for (const QString &word : words.mid(1)) {
        if (word.isEmpty())
            return bad(text::tr("the port's name is empty"));
        ports << port_location(word);
    }
    const QList<QCommandLineOption> not_for = scan
        ? QList<QCommandLineOption> { csv,   csv_plain, xlsx, force, interval,
                                      polls, stats,     mqtt, rotate }
        : listen ? QList<QCommandLineOption> { all, interval, polls }
                 : QList<QCommandLineOption> { all, stats };
    for (const QCommandLineOption &o : not_for) {
        if (cli.isSet(o))
            return bad(text::tr("--%1 does not go with %2").arg(o.names()[0], command));
    }
    if (cli.isSet(csv) && cli.isSet(csv_plain))
        return bad(text::tr("give --csv or --csv-plain, not both"));
    for (const QCommandLineOption &o : { csv, csv_plain, xlsx })
        if (cli.isSet(o) && cli.value(o).isEmpty())
            return bad(text::tr("--%1 needs a file name").arg(o.names()[0]));

    QVector<int> bauds = orte::monitor_speeds();
    QString parities = QStringLiteral("NEO");
    QVector<int> stop_bits { 1, 2 };
    int first = 1, last = 128;
    if (cli.isSet(baud)
        && (!parse_list(cli.value(baud), 1, 921600, bauds)
            || std::any_of(bauds.begin(), bauds.end(),
                           [](int b) { return !standard_speeds().contains(b); })))
        return bad(
            text::tr("bad --baud '%1' (50 to 921600, a standard speed)").arg(cli.value(baud)));
    if (cli.isSet(parity) && !parse_parities(cli.value(parity), parities))
        return bad(text::tr("bad --parity '%1' (none, even, odd)").arg(cli.value(parity)));
    if (cli.isSet(stops) && !parse_list(cli.value(stops), 1, 2, stop_bits))
        return bad(text::tr("bad --stop-bits '%1' (1, 2)").arg(cli.value(stops)));
    QVector<int> addresses;
    const bool watch = !scan && !listen;
    if (cli.isSet(address)
        && !(watch ? orte::parse_addresses(cli.value(address), addresses)
                   : orte::parse_range(cli.value(address), first, last)))
        return bad(text::tr("bad --address '%1' (1 to 247)").arg(cli.value(address)));
    qint64 reply_ms = 0;
    if (cli.isSet(reply)) {
        if (!parse_number(cli.value(reply), 10, 60000, reply_ms))
            return bad(text::tr("bad --reply-ms '%1' (10 to 60000)").arg(cli.value(reply)));
        if (!std::any_of(ports.begin(), ports.end(), orte::is_network_port))
            return bad(text::tr("--reply-ms is for a port over the network (tcp://, rtu+tcp://)"));
    }
    std::optional<orte::mqtt_target> broker;
    if (cli.isSet(mqtt)) {
        orte::mqtt_target t;
        QString why;
        if (!orte::parse_mqtt_url(cli.value(mqtt), t, why))
            return bad(text::tr("bad --mqtt: %1").arg(why));
        broker = t;
    }
    orte::rotation every = orte::rotation::none;
    if (cli.isSet(rotate)) {
        const QString period = cli.value(rotate);
        if (period != QLatin1String("daily") && period != QLatin1String("hourly"))
            return bad(text::tr("bad --rotate '%1' (daily, hourly)").arg(period));
        every = period == QLatin1String("daily") ? orte::rotation::daily : orte::rotation::hourly;
        if (cli.value(csv).isEmpty() && cli.value(csv_plain).isEmpty() && cli.value(xlsx).isEmpty())
            return bad(text::tr("--rotate goes with --csv, --csv-plain or --xlsx"));
    }
    // Over the network the gateway keeps the line's settings: there is nothing to search.
    const bool network = std::all_of(ports.begin(), ports.end(), orte::is_network_port);

    if (scan) {
        out.kind = command_kind::scan;
        out.scan.ports = ports;
        out.scan.settings = scan_order(bauds, parities, stop_bits);
        out.scan.first_address = first;
        out.scan.last_address = last;
        out.scan.all = cli.isSet(all);
        out.scan.network_reply_ms = int(reply_ms);
        if (network)
            out.scan.settings = { out.scan.settings.value(0) };
        return true;
    }
    if (listen) {
        listen_plan &l = out.listen;
        out.kind = command_kind::listen;
        l.port = ports[0];
        l.speeds = listen_speed_order(bauds);
        // A receiver cannot tell the stop bits: the port is opened with the one given, or 1.
        l.parities = parities;
        l.stop_bits = stop_bits[0];
        if (cli.isSet(address) && first != last)
            return bad(text::tr("listen takes one --address, or none for every slave"));
        l.address = cli.isSet(address) ? first : 0;
        l.csv_plain = cli.isSet(csv_plain);
        l.csv_file = cli.value(l.csv_plain ? csv_plain : csv);
        l.xlsx_file = cli.value(xlsx);
        l.overwrite = cli.isSet(force);
        l.stats = cli.isSet(stats);
        l.mqtt = broker;
        l.rotate = every;
        if (ports[0].startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive))
            return bad(text::tr("a Modbus TCP server forwards no other master's traffic: listen "
                                "to rtu+tcp://HOST:PORT"));
        if (l.overwrite && l.csv_file.isEmpty() && l.xlsx_file.isEmpty())
            return bad(text::tr("--force goes with --csv, --csv-plain or --xlsx"));
        return true;
    }
    if (network ? !cli.isSet(address)
                : !cli.isSet(baud) || !cli.isSet(parity) || !cli.isSet(stops) || !cli.isSet(address)
                || bauds.size() != 1 || parities.size() != 1 || stop_bits.size() != 1)
        return bad(network
                       ? text::tr("watch needs --address")
                       : text::tr("watch needs one --baud, --parity, --stop-bits and --address"));
    out.kind = command_kind::watch;
    watch_plan &w = out.watch;
    w.port = ports[0];
    w.settings = { bauds[0], char(parities[0].toLatin1()), stop_bits[0] };
    w.addresses = addresses;
    w.reply_ms = int(reply_ms);
    w.mqtt = broker;
    w.rotate = every;
    w.csv_plain = cli.isSet(csv_plain);
    w.csv_file = cli.value(w.csv_plain ? csv_plain : csv);
    w.xlsx_file = cli.value(xlsx);
    w.overwrite = cli.isSet(force);
    qint64 n = 0;
    if (cli.isSet(interval)) {
        if (!parse_number(cli.value(interval), 50, 3600000, n))
            return bad(text::tr("bad --interval '%1' (50 ms or more)").arg(cli.value(interval)));
        w.interval_ms = int(n);
    }
    if (cli.isSet(polls)) {
        if (!parse_number(cli.value(polls), 1, 1000000000, n))
            return bad(text::tr("bad --polls '%1'").arg(cli.value(polls)));
        w.polls = int(n);
    }
    if (cli.isSet(force) && w.csv_file.isEmpty() && w.xlsx_file.isEmpty())
        return bad(text::tr("--force goes with --csv, --csv-plain or --xlsx"));
    return true;
}

} // namespace orte_cli
