// orte-cli and orte-sim beyond one converter on one cable: Modbus TCP and RTU over TCP, several
// converters on one line, and the plant's MQTT broker, against third parties' tools (mbpoll,
// pymodbus, socat, mosquitto).

#include <QtTest>

#include "sim_rig.h"

namespace {
struct cli_result
{
    int code;
    QString out;
    QString err;
};

cli_result run_cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(ORTE_CLI_PATH), args);
    p.waitForFinished(120000);
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
             QString::fromUtf8(p.readAllStandardError()) };
}

QStringList csv_lines(const QString &name)
{
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}
} // namespace

class tst_e2e_plant : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir.isValid()); }
    void cleanup()
    {
        sim.stop();
        for (helper *h : { &server, &broker, &subscriber })
            h->stop();
    }
    void watch_reads_through_a_gateway_data();
    void watch_reads_through_a_gateway();
    void mbpoll_reads_the_simulators_modbus_tcp();
    void several_converters_on_one_line();
    void one_that_goes_does_not_hold_up_the_others();
    void the_broker_gets_each_poll_and_may_go_away();

private:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    sim_process sim;
    helper server;
    helper broker;
    helper subscriber;
};

void tst_e2e_plant::watch_reads_through_a_gateway_data()
{
    QTest::addColumn<QString>("gateway");
    QTest::newRow("Modbus TCP: orte-sim --tcp") << "orte-sim";
    QTest::newRow("Modbus TCP: a pymodbus server") << "pymodbus";
    QTest::newRow("RTU over TCP: socat before the simulator's pty") << "socat";
}

void tst_e2e_plant::watch_reads_through_a_gateway()
{
    QFETCH(QString, gateway);
    QString url;
    if (gateway == QLatin1String("orte-sim")) {
        QVERIFY2(sim.start_tcp(), qPrintable(sim.error()));
        url = sim.served();
    } else if (gateway == QLatin1String("pymodbus")) {
        const quint16 port = free_port();
        // Debian's python3, where python3-pymodbus is.
        QVERIFY(server.start(QStandardPaths::findExecutable(QStringLiteral("python3"),
                                                            { QStringLiteral("/usr/bin") }),
                             { QStringLiteral(ORTE_MODBUS_SERVER), QString::number(port) }));
        QVERIFY2(serves(port), "the pymodbus server does not serve");
        url = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    } else {
        QVERIFY2(sim.start_pty(path("line")), qPrintable(sim.error()));
        const quint16 port = free_port();
        QVERIFY(
            server.start(socat_program(),
                         { QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port),
                           QStringLiteral("FILE:%1,raw,echo=0").arg(path("line")) }));
        QVERIFY2(serves(port), "socat does not serve");
        url = QStringLiteral("rtu+tcp://127.0.0.1:%1").arg(port);
    }
    const cli_result r = run_cli({ "watch", url, "--address", "1", "--polls", "2", "--csv-plain",
                                   path("run.csv"), "--force" });
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QStringList lines = csv_lines(path("run.csv"));
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[1].contains(QLatin1String(",0,23.45,,1,500.1,23.5,")), qPrintable(lines[1]));
}

void tst_e2e_plant::mbpoll_reads_the_simulators_modbus_tcp()
{
    QVERIFY2(!tool("mbpoll").isEmpty(), "mbpoll is needed");
    QVERIFY2(sim.start_tcp({ "--address", "1,5,7" }), qPrintable(sim.error()));
    QProcess mbpoll;
    mbpoll.start(tool("mbpoll"),
                 { "-m", "tcp", "-a", "7", "-t", "3", "-r", "1", "-c", "2", "-1", "-p",
                   sim.served().section(':', -1), "127.0.0.1" });
    QVERIFY(mbpoll.waitForFinished(20000));
    const QString said = QString::fromUtf8(mbpoll.readAllStandardOutput());
    QVERIFY2(said.contains(QLatin1String("[1]: \t23"))
                 && said.contains(QLatin1String("[2]: \t450")),
             qPrintable(said));
}

void tst_e2e_plant::several_converters_on_one_line()
{
    QVERIFY2(sim.start_pty(path("line"), { "--address", "1,5,7" }), qPrintable(sim.error()));
    const QStringList at_9600 { "--baud", "9600", "--parity", "none", "--stop-bits", "1" };
    const cli_result found
        = run_cli(QStringList { "scan", path("line"), "--all", "--address", "1-8" } + at_9600);
    QVERIFY2(found.code == 0, qPrintable(found.err));
    QCOMPARE(found.out.count(QStringLiteral("Заводской номер")), 3);
    QVERIFY2(found.out.contains(QLatin1String("--address 1,5,7 --xlsx orte.xlsx")),
             qPrintable(found.out));

    const cli_result r
        = run_cli(QStringList { "watch", path("line"), "--address", "1,5,7", "--polls", "2",
                                "--csv-plain", path("run.csv"), "--force" }
                  + at_9600);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QStringList lines = csv_lines(path("run.csv"));
    QVERIFY(lines.value(0).startsWith(QLatin1String("time,address,in1_type,")));
    QCOMPARE(lines.size(), 1 + 3 * 2);
    QStringList addresses;
    for (const QString &line : lines.mid(1)) {
        QVERIFY2(line.contains(QLatin1String(",23.45,")), qPrintable(line));
        addresses << line.section(',', 1, 1);
    }
    addresses.sort();
    QCOMPARE(addresses, QStringList({ "1", "1", "5", "5", "7", "7" }));
}

void tst_e2e_plant::one_that_goes_does_not_hold_up_the_others()
{
    // Address 5 leaves the line after a second (its converter readdressed) and comes back.
    const QString script = write_scenario(dir, QStringLiteral("away.txt"),
                                          "at 1 set 5 address 9\nat 4 set 9 address 5\n");
    QVERIFY2(sim.start_pty(path("line"), { "--address", "1,5", "--scenario", script }),
             qPrintable(sim.error()));
    QProcess cli;
    cli.start(QStringLiteral(ORTE_CLI_PATH),
              { "watch", path("line"), "--baud", "9600", "--parity", "none", "--stop-bits", "1",
                "--address", "1,5", "--interval", "100", "--csv-plain", path("away.csv"),
                "--force" });
    QString said;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     said += QString::fromUtf8(cli.readAllStandardOutput());
                     return said.count(QStringLiteral("address 5: ")) == 2;
                 },
                 60000),
             qPrintable(said));
    cli.terminate();
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(QString::fromUtf8(cli.readAllStandardError())
                .contains(QLatin1String("address 5 stopped answering")));
    // Address 1 was polled all along: no pause of its longer than a few of its periods.
    qint64 last = -1;
    qint64 longest = 0;
    int rows_of_5 = 0;
    for (const QString &line : csv_lines(path("away.csv")).mid(1)) {
        const qint64 at
            = QDateTime::fromString(line.section(',', 0, 0), Qt::ISODateWithMs).toMSecsSinceEpoch();
        if (line.section(',', 1, 1) == QLatin1String("5")) {
            ++rows_of_5;
            continue;
        }
        if (last >= 0)
            longest = std::max(longest, at - last);
        last = at;
    }
    QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
    QVERIFY(rows_of_5 > 0);
}

void tst_e2e_plant::the_broker_gets_each_poll_and_may_go_away()
{
    const QString mosquitto = tool("mosquitto");
    QVERIFY2(!mosquitto.isEmpty() && !tool("mosquitto_sub").isEmpty(),
             "mosquitto and mosquitto_sub are needed");
    const quint16 port = free_port();
    const QStringList broker_args { "-p", QString::number(port) };
    QVERIFY(broker.start(mosquitto, broker_args));
    QVERIFY2(serves(port), "the broker does not serve");
    QVERIFY(subscriber.start(tool("mosquitto_sub"),
                             { "-p", QString::number(port), "-q", "1", "-v", "-t", "orte/#" }));
    QVERIFY2(sim.start_tcp(), qPrintable(sim.error()));

    QProcess cli;
    cli.start(QStringLiteral(ORTE_CLI_PATH),
              { "watch", sim.served(), "--address", "1", "--interval", "100", "--mqtt",
                QStringLiteral("mqtt://127.0.0.1:%1/orte").arg(port) });
    QString heard;
    auto hears = [&](const QString &what) {
        return QTest::qWaitFor(
            [&] {
                heard += QString::fromUtf8(subscriber.p->readAllStandardOutput());
                return heard.contains(what);
            },
            20000);
    };
    QVERIFY2(hears(QStringLiteral("orte/123456/state {")), qPrintable(heard));
    QVERIFY(heard.contains(QLatin1String("orte/123456/status online")));
    QVERIFY(heard.contains(QLatin1String("\"value\":23.45")));

    // The broker goes away mid-run and comes back on the same port.
    QString said;
    auto says = [&](const QString &what) {
        return QTest::qWaitFor(
            [&] {
                said += QString::fromUtf8(cli.readAllStandardError());
                return said.contains(what);
            },
            30000);
    };
    broker.stop();
    QVERIFY2(says(QStringLiteral("is away")), qPrintable(said));
    QVERIFY(broker.start(mosquitto, broker_args));
    QVERIFY2(says(QStringLiteral("is reached")), qPrintable(said));
    cli.terminate();
    QVERIFY(cli.waitForFinished(20000));
    said += QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY2(!said.contains(QLatin1String("did not reach")), qPrintable(said));

    // Retained: the identity, and the status as the run left it.
    QProcess retained;
    retained.start(
        tool("mosquitto_sub"),
        { "-p", QString::number(port), "-v", "-t", "orte/+/+", "--retained-only", "-W", "2" });
    retained.waitForFinished(20000);
    const QString kept = QString::fromUtf8(retained.readAllStandardOutput());
    QVERIFY2(kept.contains(QLatin1String("orte/123456/status offline"))
                 && kept.contains(QLatin1String("orte/123456/identity {\"address\":1")),
             qPrintable(kept));
}

QTEST_GUILESS_MAIN(tst_e2e_plant)
#include "tst_e2e_plant.moc"
