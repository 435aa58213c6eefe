// orte-cli end to end: scan and watch against orte-sim on a pty of its own, which (like a real
// line) answers only a master at its own speed, stop bits and odd/not-odd parity.

#include <QtTest>

#include "sim_rig.h"

namespace {
struct cli_result
{
    int code;
    QString out;
};

cli_result run_cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(ORTE_CLI_PATH), args);
    p.waitForFinished(120000);
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()) };
}
} // namespace

class tst_e2e_cli : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir.isValid()); }
    void cleanup() { sim.stop(); }

    void scan_finds_the_converter_at_its_settings();
    void scan_says_what_else_answered_data();
    void scan_says_what_else_answered();
    void watch_writes_what_the_converter_says();
    void exit_codes_data();
    void exit_codes();

private:
    QString port() const { return dir.filePath(QStringLiteral("converter")); }
    QTemporaryDir dir;
    sim_process sim;
};

void tst_e2e_cli::scan_finds_the_converter_at_its_settings()
{
    QVERIFY2(sim.start_pty(port(),
                           { "--baud", "19200", "--parity", "odd", "--stop-bits", "2", "--address",
                             "37", "--wire-timing" }),
             qPrintable(sim.error()));
    const cli_result r = run_cli({ "scan", port(), "--baud", "9600,19200", "--parity", "none,odd",
                                   "--stop-bits", "1,2", "--address", "30-40" });
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out,
             QString::fromUtf8("19200 8O2 address 37: Преобразователь ОРТЕ 473-220 найден; Версия "
                               "ПО 2.0.0.1; Заводской номер преобразователя  123456\n"));
    // It stopped there: nothing was heard after the request that found it.
    QList<QByteArray> heard;
    for (const QByteArray &line : sim.output().split('\n'))
        if (line.contains(" rx"))
            heard << line;
    QVERIFY(!heard.isEmpty());
    QVERIFY2(heard.last().contains(" rx 25 04 00 32 00 05"), heard.last().constData());
}

void tst_e2e_cli::scan_says_what_else_answered_data()
{
    QTest::addColumn<QStringList>("sim_args");
    QTest::addColumn<QString>("said");
    QTest::newRow("an exception") << QStringList {
        "--scenario", "EXCEPTION"
    } << "9600 8N1 address 1: a Modbus exception 02 (not a converter)\n";
    QTest::newRow("model code 10")
        << QStringList { "--model", "10" }
        << "9600 8N1 address 1: model code 10, outside the converter's table\n";
}

void tst_e2e_cli::scan_says_what_else_answered()
{
    QFETCH(QStringList, sim_args);
    QFETCH(QString, said);
    const QString scenario
        = write_scenario(dir, QStringLiteral("exception.txt"), "req 1 exception 2\n");
    sim_args.replaceInStrings(QStringLiteral("EXCEPTION"), scenario);
    QVERIFY2(sim.start_pty(port(), sim_args), qPrintable(sim.error()));
    const cli_result r = run_cli({ "scan", port(), "--baud", "9600", "--parity", "none",
                                   "--stop-bits", "1", "--address", "1" });
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.startsWith(said), qPrintable(r.out));
}

void tst_e2e_cli::watch_writes_what_the_converter_says()
{
    // Requests: 1 identification, then measurement and status in turn.
    const QString scenario = write_scenario(dir, QStringLiteral("watch.txt"),
                                            "req 4 set in1.whole 30\nreq 7 set status 0x01\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    const cli_result r
        = run_cli({ "watch", port(), "--baud", "9600", "--parity", "none", "--stop-bits", "1",
                    "--address", "1", "--polls", "8", "--csv", csv });
    QCOMPARE(r.code, 0);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 9);
    QStringList in1_value, in1_fault;
    for (const QString &row : rows.mid(1)) {
        in1_value << row.section(',', 2, 2);
        in1_fault << row.section(',', 7, 7);
    }
    // The value changes with request 4; from request 7 input 1 is in fault, its cell empty.
    QCOMPARE(in1_value, QStringList({ "23.45", "23.45", "30.45", "30.45", "30.45", "", "", "" }));
    QCOMPARE(in1_fault, QStringList({ "", "0", "0", "0", "0", "1", "1", "1" }));
    QVERIFY(r.out.contains(QString::fromUtf8("Температура термосопротивления Вх. 1: Ошибка")));
}

void tst_e2e_cli::exit_codes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("no command: bad arguments") << QStringList {} << 2;
    QTest::newRow("--parity mark: bad arguments")
        << QStringList { "scan", "x", "--parity", "mark" } << 2;
    QTest::newRow("watch without --address: bad arguments")
        << QStringList { "watch", "x", "--baud", "9600", "--parity", "none", "--stop-bits", "1" }
        << 2;
    QTest::newRow("no such port: 3") << QStringList { "scan", "/nonexistent/tty" } << 3;
    QTest::newRow("--help: 0") << QStringList { "--help" } << 0;
}

void tst_e2e_cli::exit_codes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QCOMPARE(run_cli(args).code, code);
}

QTEST_GUILESS_MAIN(tst_e2e_cli)
#include "tst_e2e_cli.moc"
