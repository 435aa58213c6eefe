// orte-cli end to end: scan and watch against orte-sim on a pty of its own, which (like a real
// line) answers only a master at its own speed, stop bits and odd/not-odd parity.

#include <QtTest>

#include "locales.h"
#include "sim_rig.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTextCodec>

#include <csignal>

#include <sys/stat.h>

namespace {
struct cli_result
{
    int code;
    QString out;
    QString err;
};

// What the program said, read in the encoding of the locale it ran under.
cli_result finish(QProcess &p, int ms = 120000)
{
    p.waitForFinished(ms);
    QTextCodec *codec = p.processEnvironment().value(QStringLiteral("LC_ALL")).endsWith("CP1251")
        ? QTextCodec::codecForName("windows-1251")
        : QTextCodec::codecForName("UTF-8");
    return { p.exitCode(), codec->toUnicode(p.readAllStandardOutput()),
             codec->toUnicode(p.readAllStandardError()) };
}

// The test's environment with `settings` ("LC_ALL=ru_RU.UTF-8") on top.
QProcessEnvironment environment(const QStringList &settings)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &s : settings)
        env.insert(s.section('=', 0, 0), s.section('=', 1));
    return env;
}

cli_result run_cli(const QStringList &args, const QStringList &env = {})
{
    QProcess p;
    p.setProcessEnvironment(environment(env));
    p.start(QStringLiteral(ORTE_CLI_PATH), args);
    return finish(p);
}

const QString russian = QStringLiteral("LC_ALL=ru_RU.UTF-8");

// The simulator's default converter as scan reports it.
const char *const default_found = "Преобразователь ОРТЕ 473-220 найден; Версия ПО 2.0.0.1; "
                                  "Заводской номер преобразователя  123456\n";
const QByteArray utf8_bom("\xEF\xBB\xBF");

const QStringList at_9600 { "--baud", "9600", "--parity", "none", "--stop-bits", "1" };

// Data rows of a CSV file, without its header.
QStringList csv_rows(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).mid(1);
}
} // namespace

class tst_e2e_cli : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir.isValid()); }
    void cleanup()
    {
        if (cli.state() != QProcess::NotRunning) {
            cli.kill();
            cli.waitForFinished(5000);
        }
        sim.stop();
    }

    void scan_finds_the_converter_at_its_settings();
    void scan_says_what_else_answered_data();
    void scan_says_what_else_answered();
    void watch_writes_what_the_converter_says_data();
    void watch_writes_what_the_converter_says();
    void ctrl_c_keeps_every_poll_in_the_csv_and_the_workbook_data();
    void ctrl_c_keeps_every_poll_in_the_csv_and_the_workbook();
    void help_speaks_the_users_language_data();
    void help_speaks_the_users_language();
    void scan_names_the_port_of_each_converter();
    void scan_fits_a_narrow_terminal();
    void listen_decodes_what_another_master_reads();
    void listen_finds_the_line_through_an_adapter_data();
    void listen_finds_the_line_through_an_adapter();
    void listen_says_the_port_went();
    void exit_codes_data();
    void exit_codes();
    void scan_finds_a_late_converter_at_its_own_address_data();
    void scan_finds_a_late_converter_at_its_own_address();
    void ctrl_c_ends_a_slow_scan_at_once();
    void scan_stops_when_the_port_goes_data();
    void scan_stops_when_the_port_goes();
    void stops_when_nobody_reads_it_data();
    void stops_when_nobody_reads_it();
    void watch_takes_only_the_reply_to_its_request();
    void the_line_stays_silent_after_a_reply_data();
    void the_line_stays_silent_after_a_reply();
    void watch_records_a_reply_whose_crc_ends_in_zero_data();
    void watch_records_a_reply_whose_crc_ends_in_zero();
    void busy_port_is_said();
    void watch_says_the_port_went_and_reopens_it_data();
    void watch_says_the_port_went_and_reopens_it();
    void watch_keeps_its_period_after_slow_exchanges();
    void full_disk_cuts_no_row();
    void full_disk_said_of_the_workbook_as_of_the_csv();

private:
    QString port() const { return dir.filePath(QStringLiteral("converter")); }
    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    void start_cli(const QStringList &args, const QStringList &env = {})
    {
        cli.setProcessEnvironment(environment(env));
        cli.start(QStringLiteral(ORTE_CLI_PATH), args);
    }
    QProcess cli;
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
    // To a pipe: no progress line, so no escape code and no carriage return.
    for (const QString &stream : { r.out, r.err })
        QVERIFY(!stream.contains(QLatin1Char('\r')) && !stream.contains(QChar(0x1b)));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0] + '\n',
             QStringLiteral("19200 8O2 address 37: ") + QString::fromUtf8(default_found));
    QCOMPARE(lines[2],
             QStringLiteral(
                 "  to listen to it: orte-cli listen %1 --baud 19200 --parity odd --address 37")
                 .arg(port()));
    // It stopped there: nothing was heard after the request that found it.
    QList<QByteArray> heard;
    for (const QByteArray &line : sim.output().split('\n'))
        if (line.contains(" rx"))
            heard << line;
    QVERIFY(!heard.isEmpty());
    QVERIFY2(heard.last().contains(" rx 25 04 00 32 00 05"), heard.last().constData());
    // The command it gives records the converter as it is.
    const QString record = QStringLiteral("  to record it: orte-cli ");
    QVERIFY2(lines[1].startsWith(record), qPrintable(lines[1]));
    QStringList next = lines[1].mid(record.size()).split(' ');
    next.replaceInStrings(QStringLiteral("orte-37.xlsx"), file("orte-37.xlsx"));
    QCOMPARE(run_cli(next + QStringList { "--polls", "2" }).code, 0);
    QVERIFY(QFileInfo::exists(file("orte-37.xlsx")));
}

void tst_e2e_cli::scan_says_what_else_answered_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("sim_args");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("code");
    // The first request gets the exception; the search's second pass asks again and finds it.
    QTest::newRow("scan: an exception")
        << "scan" << QStringList { "--scenario", "EXCEPTION" }
        << "9600 8N1 address 1: a Modbus exception 02, illegal data address (not a converter)\n"
        << 0;
    QTest::newRow("scan: model code 10")
        << "scan" << QStringList { "--model", "10" }
        << "9600 8N1 address 1: model code 10, outside the converter's table\n"
        << 1;
    // watch tries three times and says what it heard instead.
    QTest::newRow("watch: model code 10")
        << "watch" << QStringList { "--model", "10" }
        << "no converter at 9600 8N1 address 1: model code 10, outside the converter's table\n"
        << 1;
}

void tst_e2e_cli::scan_says_what_else_answered()
{
    QFETCH(QString, command);
    QFETCH(QStringList, sim_args);
    QFETCH(QString, said);
    QFETCH(int, code);
    const QString scenario
        = write_scenario(dir, QStringLiteral("exception.txt"), "req 1 exception 2\n");
    sim_args.replaceInStrings(QStringLiteral("EXCEPTION"), scenario);
    QVERIFY2(sim.start_pty(port(), sim_args), qPrintable(sim.error()));
    const cli_result r
        = run_cli(QStringList { command, port() } + at_9600 + QStringList { "--address", "1" });
    QCOMPARE(r.code, code);
    QVERIFY2((r.out + r.err).startsWith(said), qPrintable(r.out + r.err));
}

void tst_e2e_cli::watch_writes_what_the_converter_says_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QByteArray>("start"); // how the file begins
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("decimal");
    QTest::newRow("--csv-plain: for scripts")
        << "--csv-plain" << QStringList {} << QByteArray("time,in1_type,") << QChar(',') << ".";
    for (const char *locale : { "ru_RU.UTF-8", "ru_RU.CP1251", "de_DE.UTF-8" })
        QTest::addRow("--csv-plain under %s: for scripts all the same", locale)
            << "--csv-plain" << QStringList { QStringLiteral("LC_ALL=") + locale }
            << QByteArray("time,in1_type,") << QChar(',') << ".";
    QTest::newRow("--csv under ru_RU: a Russian spreadsheet's")
        << "--csv" << QStringList { russian } << utf8_bom + u8"Время;Тип входа 1;" << QChar(';')
        << ",";
    QTest::newRow("--csv under de_DE: a German spreadsheet's, English headings")
        << "--csv" << QStringList { "LC_ALL=de_DE.UTF-8" } << utf8_bom + "Time;Input 1 type;"
        << QChar(';') << ",";
}

void tst_e2e_cli::watch_writes_what_the_converter_says()
{
    QFETCH(QString, option);
    QFETCH(QStringList, env);
    QFETCH(QByteArray, start);
    QFETCH(QChar, separator);
    QFETCH(QString, decimal);
    for (const QString &setting : env)
        QVERIFY2(locale_exists(setting.section('=', 1).toLatin1()),
                 qPrintable(missing_locale(setting.section('=', 1).toLatin1())));
    // Requests: 1 identification, then measurement and status in turn.
    const QString scenario = write_scenario(dir, QStringLiteral("watch.txt"),
                                            "req 4 set in1.whole 30\nreq 7 set status 0x01\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    const cli_result r = run_cli(
        QStringList { "watch", port(), "--address", "1", "--polls", "8", option, csv, "--force" }
            + at_9600,
        env);
    QCOMPARE(r.code, 0);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.startsWith(start), bytes.left(40).constData());
    const QStringList rows = QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 9);
    QStringList in1_value, in1_fault;
    for (const QString &row : rows.mid(1)) {
        in1_value << row.section(separator, 2, 2);
        in1_fault << row.section(separator, 7, 7);
    }
    // The value changes with request 4; request 7 reports input 1 in fault, and, as on the
    // monitor's page, the measurement after it (request 8) shows the fault, its cell empty.
    QCOMPARE(in1_value,
             QStringList({ "23.45", "23.45", "30.45", "30.45", "30.45", "30.45", "", "" })
                 .replaceInStrings(QStringLiteral("."), decimal));
    QCOMPARE(in1_fault, QStringList({ "", "0", "0", "0", "0", "1", "1", "1" }));
    QVERIFY(r.out.contains(QString::fromUtf8("Температура термосопротивления Вх. 1: Ошибка")));
}

void tst_e2e_cli::ctrl_c_keeps_every_poll_in_the_csv_and_the_workbook_data()
{
    // Every locale with a decimal comma: the files' numbers must not take it from the C
    // library.
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("sheets");
    const QString russian_sheets
        = QString::fromUtf8("Значения, График входа 1, График входа 2, Преобразователь и запись");
    QTest::newRow("ru_RU.UTF-8") << QByteArray("ru_RU.UTF-8") << russian_sheets;
    QTest::newRow("ru_RU.CP1251") << QByteArray("ru_RU.CP1251") << russian_sheets;
    QTest::newRow("de_DE.UTF-8") << QByteArray("de_DE.UTF-8")
                                 << "Values, Input 1 chart, Input 2 chart, Converter and run";
}

void tst_e2e_cli::ctrl_c_keeps_every_poll_in_the_csv_and_the_workbook()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, sheets);
    QVERIFY2(locale_exists(locale), qPrintable(missing_locale(locale)));
    const QString scenario
        = write_scenario(dir, QStringLiteral("trend.txt"), "req 4 set in1.whole 30\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    // Names of the row's own: the old files stay until the run replaces them.
    const QString csv
        = dir.filePath(QStringLiteral("trend-%1.csv").arg(QString::fromLatin1(locale)));
    const QString xlsx
        = dir.filePath(QString::fromUtf8("замер-%1.xlsx").arg(QString::fromLatin1(locale)));
    start_cli(
        QStringList { "watch", port(), "--address", "1", "--csv", csv, "--xlsx", xlsx, "--force" }
            + at_9600,
        { QStringLiteral("LC_ALL=") + QString::fromLatin1(locale) });
    QTRY_VERIFY_WITH_TIMEOUT(csv_rows(csv).size() >= 6, 10000);
    ::kill(pid_t(cli.processId()), SIGINT);
    const cli_result r = finish(cli, 10000);
    QCOMPARE(r.code, 0);
    const QStringList rows = csv_rows(csv);
    static const QRegularExpression poll_line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "),
                                              QRegularExpression::MultilineOption);
    QCOMPARE(rows.size(), r.out.count(poll_line));
    const QString polls = locale.startsWith("ru") ? QString::fromUtf8("Опросов: %1;")
                                                  : QStringLiteral("Polls: %1;");
    QVERIFY2(r.out.contains(polls.arg(rows.size())), qPrintable(r.out));
    // The workbook as an independent reader sees it: a date-time and the value of input 1 a
    // row, a chart an input, and the run.
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral(ORTE_XLSX_READER), xlsx });
    const cli_result read = finish(reader, 60000);
    QVERIFY2(read.code == 0, qPrintable(read.err));
    QStringList csv_values;
    for (const QString &row : rows)
        csv_values << row.section(';', 2, 2).replace(',', '.');
    const QStringList said = read.out.split('\n');
    QCOMPARE(said.mid(0, 3),
             QStringList({ "sheets: " + sheets, QStringLiteral("datetimes: %1").arg(rows.size()),
                           "values: " + csv_values.join(' ') }));
    QCOMPARE(said.filter(QRegularExpression("^chart: ")).size(), 2);
    QVERIFY(said.contains(QStringLiteral("polls: %1").arg(rows.size())));
    QVERIFY(said.contains(QStringLiteral("serial: 123456")));
    QVERIFY(csv_values.contains(QStringLiteral("23.45")) && csv_values.contains("30.45"));
}

void tst_e2e_cli::help_speaks_the_users_language_data()
{
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QString>("first_line");
    QTest::newRow("LC_ALL=ru_RU.UTF-8") << QStringList { russian } << u8"Запуск:";
    QTest::newRow("LC_ALL=C") << QStringList { "LC_ALL=C" } << "Usage:";
    QTest::newRow("LC_ALL unset, LANG=ru_RU.UTF-8")
        << QStringList { "LC_ALL=", "LANG=ru_RU.UTF-8" } << u8"Запуск:";
}

void tst_e2e_cli::help_speaks_the_users_language()
{
    QFETCH(QStringList, env);
    QFETCH(QString, first_line);
    const cli_result r = run_cli({ "--help" }, env);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.section('\n', 0, 0), first_line);
}

void tst_e2e_cli::scan_names_the_port_of_each_converter()
{
    // Two ports: nothing answers address 1 on the first, the converter does on the second.
    sim_process other;
    const QString silent = file("silent");
    QVERIFY2(other.start_pty(silent, { "--address", "2" }), qPrintable(other.error()));
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    const cli_result r
        = run_cli(QStringList { "scan", silent, port(), "--address", "1" } + at_9600);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.section('\n', 0, 0) + '\n',
             port() + QStringLiteral(": 9600 8N1 address 1: ") + QString::fromUtf8(default_found));
}

void tst_e2e_cli::scan_fits_a_narrow_terminal()
{
    QVERIFY2(locale_exists("ru_RU.UTF-8"), qPrintable(missing_locale("ru_RU.UTF-8")));
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    QVERIFY2(!script.isEmpty(), "script (util-linux) makes the terminal");
    sim_process other;
    const QString silent = file("silent");
    QVERIFY2(other.start_pty(silent, { "--address", "9" }), qPrintable(other.error()));
    QVERIFY2(sim.start_pty(port(), { "--baud", "19200", "--parity", "even", "--address", "3" }),
             qPrintable(sim.error()));
    // A terminal 60 characters wide, in Russian: the progress line and every line said fit.
    QProcess p;
    p.setProcessEnvironment(environment({ russian }));
    p.start(script,
            { "-qec",
              QStringLiteral("stty cols 60; exec %1 scan %2 %3 --baud 9600,19200 --parity "
                             "none,even --stop-bits 1 --address 1-3")
                  .arg(QStringLiteral(ORTE_CLI_PATH), silent, port()),
              "/dev/null" });
    QVERIFY(p.waitForFinished(120000));
    const QString shown = QString::fromUtf8(p.readAllStandardOutput()).remove("\033[K");
    QCOMPARE(p.exitCode(), 0);
    int progress = 0;
    for (const QString &line : shown.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        QVERIFY2(line.size() < 60, qPrintable(line));
        progress += line.contains(QRegularExpression(QStringLiteral("\\d+/\\d+")));
    }
    QVERIFY2(progress > 0, qPrintable(shown));
    QVERIFY2(shown.contains(QString::fromUtf8("адрес 3")) && shown.contains(" \\\r\n"),
             qPrintable(shown));
}

void tst_e2e_cli::listen_decodes_what_another_master_reads()
{
    // The line at 19200 8O1, which orte-cli must find by itself on the tap; input 1 in fault
    // and at 31.5 from the start. The simulator answers without checking the masters' settings:
    // it would now and then read them while a one-shot mbpoll sets its port up.
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(),
                           { "--tap", tap, "--baud", "19200", "--parity", "odd", "--status", "0x01",
                             "--in1-whole", "31", "--in1-milli", "500", "--wire-timing",
                             "--any-settings" }),
             qPrintable(sim.error()));
    start_cli({ "listen", tap, "--stats" });
    // mbpoll, a master of its own: registers 0..11 until the listener has found the line.
    const QStringList line { "-m", "rtu", "-b", "19200", "-P", "odd", "-0", "-o", "0.5" };
    QProcess master;
    master.start(
        QStringLiteral("mbpoll"),
        line + QStringList { "-a", "1", "-t", "3", "-r", "0", "-c", "12", "-l", "100", port() });
    QByteArray heard;
    QTRY_VERIFY_WITH_TIMEOUT((heard += cli.readAllStandardOutput()).contains("| 20:")
                                 || heard.contains(u8"| Температура"),
                             60000);
    // Stopped as a user stops it, so that it leaves the port as it found it.
    ::kill(pid_t(master.processId()), SIGINT);
    QVERIFY(master.waitForFinished(5000));
    // Then registers 0..3 alone, the coils, and a slave that is not there.
    for (const QStringList &read :
         { QStringList { "-a", "1", "-t", "3", "-r", "0", "-c", "4" },
           QStringList { "-a", "1", "-t", "0", "-r", "0", "-c", "8" },
           QStringList { "-a", "2", "-t", "3", "-r", "0", "-c", "12" } }) {
        QProcess once;
        once.start(QStringLiteral("mbpoll"), line + read + QStringList { "-1", port() });
        QVERIFY(once.waitForFinished(15000));
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        (heard += cli.readAllStandardOutput()).contains(u8"Есть Ошибка Входа 1"), 10000);
    ::kill(pid_t(cli.processId()), SIGINT);
    const cli_result r = finish(cli, 10000);
    QCOMPARE(r.code, 0);
    const QString out = QString::fromUtf8(heard) + r.out;
    // The tap passes characters with a wrong parity on, as most adapters do: the parity cannot
    // be told, and is not made up.
    QVERIFY2(out.startsWith(QStringLiteral("line settings found: 19200 baud, parity none, even or "
                                           "odd (the adapter does not report parity errors), 1 "
                                           "or 2 stop bits (")),
             qPrintable(out));
    // Values from the first measurement on; once the coils are read, the fault, and input 1's
    // fault text from the next measurement read on, as on the monitor's page.
    QVERIFY(out.contains(u8"address 1 | ") && out.contains(u8"Вх. 1:   31.5 С"));
    QVERIFY(out.contains(u8"Есть Ошибка Входа 1"));
    QVERIFY(out.contains(QStringLiteral("address 1, function 04, start 0, count 4: 1")));
    QVERIFY(out.contains(QStringLiteral("address 1, function 01, start 0, count 8: 1")));
    QVERIFY2(out.contains(QStringLiteral("unanswered: 1")), qPrintable(out.right(600)));
    QVERIFY(out.contains(QStringLiteral("address 2, function 04, start 0, count 12: 1")));
    // A listener never transmits.
    QVERIFY(!sim.output().contains("tap rx!"));
}

void tst_e2e_cli::listen_finds_the_line_through_an_adapter_data()
{
    // The tap's adapter hands bytes over in chunks, wherever the frames are, and passes a
    // character with a wrong parity on as data or drops it (a driver that checks).
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<QStringList>("adapter");
    QTest::addColumn<QStringList>("listen"); // listen's own options
    QTest::addColumn<QString>("found");
    QTest::newRow("9600 8N1, 16 ms chunks, passes")
        << QStringList { "--baud", "9600", "--parity", "none" }
        << QStringList { "--tap-chunk", "16", "--tap-adapter", "passes" } << QStringList {}
        << "9600 baud, parity none, 1 or 2 stop bits (";
    QTest::newRow("19200 8E1, 1 ms chunks, passes: the parity cannot be told")
        << QStringList { "--baud", "19200", "--parity", "even" }
        << QStringList { "--tap-chunk", "1", "--tap-adapter", "passes" } << QStringList {}
        << "19200 baud, parity none, even or odd (the adapter does not report parity errors), 1 "
           "or 2 stop bits (";
    QTest::newRow("115200 8O1, 4 ms chunks, drops: the parity exactly")
        << QStringList { "--baud", "115200", "--parity", "odd" }
        << QStringList { "--tap-chunk", "4", "--tap-adapter", "drops" } << QStringList {}
        << "115200 baud, parity odd, 1 or 2 stop bits (";
    // A slow line first heard at a faster speed: the garbage lets go.
    QTest::newRow("1200 8N1, first tried at 9600")
        << QStringList { "--baud", "1200", "--parity", "none" }
        << QStringList { "--tap-chunk", "16", "--tap-adapter", "passes" }
        << QStringList { "--baud", "9600,1200", "--parity", "none" }
        << "1200 baud, parity none, 1 or 2 stop bits (";
}

void tst_e2e_cli::listen_finds_the_line_through_an_adapter()
{
    QFETCH(QStringList, line);
    QFETCH(QStringList, adapter);
    QFETCH(QString, found);
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(), line + adapter + QStringList { "--tap", tap, "--wire-timing" }),
             qPrintable(sim.error()));
    start_cli({ "listen", tap });
    // A master polling every 300 ms.
    const QString parity = line[3];
    QProcess master;
    master.start(QStringLiteral("mbpoll"),
                 { "-m", "rtu", "-b", line[1], "-P", parity, "-0", "-a", "1", "-t", "3", "-r", "0",
                   "-c", "12", "-l", "300", port() });
    QByteArray heard;
    QTRY_VERIFY_WITH_TIMEOUT(
        (heard += cli.readAllStandardOutput()).count(u8"| Температура термосопротивления") >= 5,
        30000);
    ::kill(pid_t(cli.processId()), SIGINT);
    const cli_result r = finish(cli, 10000);
    ::kill(pid_t(master.processId()), SIGINT);
    master.waitForFinished(5000);
    QCOMPARE(r.code, 0);
    const QString out = QString::fromUtf8(heard) + r.out;
    QVERIFY2(out.startsWith(QStringLiteral("line settings found: ") + found), qPrintable(out));
    // Every poll decoded, none lost to the chunks.
    QVERIFY2(out.contains(QStringLiteral("CRC errors: 0; unanswered: ")),
             qPrintable(out.right(400)));
}

void tst_e2e_cli::listen_says_the_port_went()
{
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(), { "--tap", tap }), qPrintable(sim.error()));
    start_cli({ "listen", tap, "--baud", "9600", "--parity", "none" });
    // Gone once the listener has it open.
    const QString pty = QFileInfo(tap).symLinkTarget();
    auto holds_it = [&] {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(cli.processId()));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System))
            if (fd.symLinkTarget() == pty)
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(holds_it(), 10000);
    sim.stop();
    const cli_result r = finish(cli, 10000);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("the port %1 has gone").arg(tap)), qPrintable(r.err));
}

void tst_e2e_cli::exit_codes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said"); // on standard error
    const QStringList watch
        = QStringList { "watch", "/nonexistent/tty", "--address", "1" } + at_9600;
    QTest::newRow("no command: 2") << QStringList {} << 2 << "give scan";
    QTest::newRow("--parity mark: 2")
        << QStringList { "scan", "x", "--parity", "mark" } << 2 << "bad --parity";
    QTest::newRow("no such port: 3")
        << QStringList { "scan", "/nonexistent/tty" } << 3 << "cannot open /nonexistent/tty";
    // The recording is checked before the port is opened.
    QTest::newRow("CSV in a missing folder: 2")
        << watch + QStringList { "--csv", "/nonexistent/run.csv" } << 2
        << "cannot write /nonexistent/run.csv";
    QTest::newRow("existing CSV without --force: 2")
        << watch + QStringList { "--csv", "EXISTING" } << 2 << "it exists (--force replaces it)";
    QTest::newRow("existing CSV and workbook with --force, no such port: 3, both kept")
        << watch + QStringList { "--csv", "EXISTING", "--xlsx", "EXISTING.xlsx", "--force" } << 3
        << "cannot open";
    QTest::newRow("--csv and --xlsx one file: 2")
        << watch + QStringList { "--csv", "NEW", "--xlsx", "NEW" } << 2
        << "the CSV file and the workbook are one file";
    QTest::newRow("a FIFO with --force: 2 at once")
        << watch + QStringList { "--csv", "FIFO", "--force" } << 2 << "it is not a regular file";
    QTest::newRow("listen: no such port: 3, and no bus figures")
        << QStringList { "listen", "/nonexistent/tty" } << 3 << "cannot open /nonexistent/tty";
    QTest::newRow("two ports that cannot be opened: 3, nothing tried")
        << QStringList { "scan", "/nonexistent/a", "/nonexistent/b" } << 3 << "cannot open";
    QTest::newRow("--help: 0") << QStringList { "--help" } << 0 << "";
}

void tst_e2e_cli::exit_codes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFile existing(file("existing.csv"));
    QFile existing_book(file("existing.csv.xlsx"));
    for (QFile *f : { &existing, &existing_book }) {
        QVERIFY(f->open(QIODevice::WriteOnly | QIODevice::Truncate));
        f->write("keep me\n");
        f->close();
    }
    const QString fifo = file("fifo");
    QVERIFY(QFile::exists(fifo) || mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    args.replaceInStrings(QStringLiteral("EXISTING"), existing.fileName());
    args.replaceInStrings(QStringLiteral("NEW"), file("new"));
    args.replaceInStrings(QStringLiteral("FIFO"), fifo);
    const cli_result r = run_cli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    // Failures go to standard error alone; an old file stays as it was until a run replaces
    // it, and nothing else is left behind.
    QCOMPARE(r.out.isEmpty(), code != 0);
    QCOMPARE(existing.size(), 8);
    QCOMPARE(existing_book.size(), 8);
    QCOMPARE(QDir(dir.path()).entryList({ "*.part" }), QStringList());
}

void tst_e2e_cli::scan_finds_a_late_converter_at_its_own_address_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("scan");
    QTest::addColumn<QString>("found");
    QTest::addColumn<int>("asked"); // requests to the converter's address
    QTest::addColumn<int>("beyond"); // to the addresses after it; -1: as the pace has it
    QTest::newRow("the first reply 150 ms late, 9600, address 5 of 1-8")
        << QByteArray("at 0 delay 150\n") << QStringList { "--address", "5" }
        << (QStringList { "--address", "1-8" } + at_9600) << "9600 8N1 address 5: " << 1 << -1;
    QTest::newRow("the first reply garbled, 9600, address 3 of 1-5: asked once more")
        << QByteArray("req 1 garbage 20\n") << QStringList { "--address", "3" }
        << (QStringList { "--address", "1-5" } + at_9600) << "9600 8N1 address 3: " << 2 << 0;
    QTest::newRow("every reply 60 ms late, 19200 8E1, address 7 of 1-247")
        << QByteArray("req 1 delay 60\nreq 1 repeat\n")
        << QStringList { "--address", "7", "--baud", "19200", "--parity", "even" }
        << QStringList { "--address", "1-247", "--baud",      "19200",
                         "--parity",  "even",  "--stop-bits", "1" }
        << "19200 8E1 address 7: " << 1 << -1;
}

void tst_e2e_cli::scan_finds_a_late_converter_at_its_own_address()
{
    // The late reply comes while a later address is tried: it is the converter at the address
    // it names, found in the first pass, never taken for the address being tried.
    QFETCH(QByteArray, scenario);
    QFETCH(QStringList, sim);
    QFETCH(QStringList, scan);
    QFETCH(QString, found);
    QFETCH(int, asked);
    QFETCH(int, beyond);
    const QString file = write_scenario(dir, QStringLiteral("late.txt"), scenario);
    QVERIFY2(this->sim.start_pty(port(), sim + QStringList { "--scenario", file }),
             qPrintable(this->sim.error()));
    const cli_result r = run_cli(QStringList { "scan", port() } + scan);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(found + QString::fromUtf8(default_found).left(20)),
             qPrintable(r.out));
    const int address = found.section(' ', 3, 3).remove(':').toInt();
    int heard = 0;
    int after = 0;
    for (const traced_frame &f : this->sim.frames()) {
        if (!f.received || f.bytes.isEmpty())
            continue;
        heard += quint8(f.bytes[0]) == address ? 1 : 0;
        after += quint8(f.bytes[0]) > address ? 1 : 0;
    }
    QCOMPARE(heard, asked);
    if (beyond >= 0)
        QCOMPARE(after, beyond);
}
void tst_e2e_cli::ctrl_c_ends_a_slow_scan_at_once()
{
    // At 50 baud a reply window is 2.5 s; Ctrl+C must not wait for it.
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    start_cli({ "scan", port(), "--baud", "50" });
    QTRY_VERIFY_WITH_TIMEOUT(sim.output().contains("line settings differ"), 10000);
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(cli.processId()), SIGINT);
    const cli_result r = finish(cli, 10000);
    // A bound far above the few tens of ms it takes, far below a reply window.
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(r.code, 130);
    QVERIFY2(r.err.startsWith(QStringLiteral("interrupted after 0 of ")), qPrintable(r.err));
}

void tst_e2e_cli::scan_stops_when_the_port_goes_data()
{
    QTest::addColumn<bool>("another_port");
    QTest::newRow("one port: it stops") << false;
    QTest::newRow("two ports, the first goes: the second is scanned") << true;
}

void tst_e2e_cli::scan_stops_when_the_port_goes()
{
    QFETCH(bool, another_port);
    QVERIFY2(sim.start_pty(port(), { "--address", "200" }), qPrintable(sim.error()));
    sim_process other;
    QStringList ports { port() };
    if (another_port) {
        ports << file("other");
        QVERIFY2(other.start_pty(ports[1], { "--address", "200" }), qPrintable(other.error()));
    }
    start_cli(QStringList { "scan" } + ports + QStringList { "--address", "1-20" } + at_9600);
    QTRY_VERIFY_WITH_TIMEOUT(sim.output().count(" rx? ") >= 2, 10000);
    sim.stop();
    const cli_result r = finish(cli, 20000);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("orte-cli: the port %1 has gone").arg(port())),
             qPrintable(r.err));
    // The other port got every try of its own in both passes (each for an address it does not
    // have); the search was not whole, so it does not say that nothing is there.
    QCOMPARE(int(other.output().count(" rx? ")), another_port ? 40 : 0);
    QVERIFY(!r.out.contains(QStringLiteral("no converter found")));
}

void tst_e2e_cli::stops_when_nobody_reads_it_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("scan") << "scan";
    QTest::newRow("listen, while watch polls") << "listen";
}

void tst_e2e_cli::stops_when_nobody_reads_it()
{
    // Standard output closed before anything is said: it is not said to nobody.
    QFETCH(QString, command);
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(), { "--tap", tap }), qPrintable(sim.error()));
    QProcess master;
    if (command == QLatin1String("listen"))
        master.start(QStringLiteral(ORTE_CLI_PATH),
                     QStringList { "watch", port(), "--address", "1" } + at_9600);
    QProcess p;
    p.start(QStringLiteral("bash"),
            QStringList { "-c", "exec \"$0\" \"$@\" >&-", ORTE_CLI_PATH, command,
                          command == QLatin1String("listen") ? tap : port(), "--address", "1" }
                + at_9600.mid(0, command == QLatin1String("listen") ? 4 : 6));
    QCOMPARE(finish(p, 60000).code, 141);
    if (master.state() != QProcess::NotRunning) {
        master.terminate();
        master.waitForFinished(5000);
    }
}
void tst_e2e_cli::watch_takes_only_the_reply_to_its_request()
{
    // The first identification is answered late, within the second try; the second's answer
    // then arrives while the first measurement waits for its own.
    const QString scenario = write_scenario(dir, QStringLiteral("late.txt"), "req 1 delay 150\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    const QString csv = file("late.csv");
    const cli_result r = run_cli(
        QStringList { "watch", port(), "--address", "1", "--polls", "6", "--csv-plain", csv }
        + at_9600);
    QCOMPARE(r.code, 0);
    const QStringList rows = csv_rows(csv);
    QCOMPARE(rows.size(), 6);
    // A measurement's row holds its values, or says what went wrong: never blank and "sound".
    for (int i = 0; i < rows.size(); i += 2)
        QVERIFY2(rows[i].section(',', 1, 6) != QStringLiteral(",,,,,") || !rows[i].endsWith("\"\""),
                 qPrintable(rows[i]));
}

void tst_e2e_cli::the_line_stays_silent_after_a_reply_data()
{
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<double>("gap_ms"); // 3.5 characters, less the trace's rounding
    QTest::addColumn<int>("requests");
    // At 1200 baud a frame gap is 29 ms; an interval shorter than an exchange must not eat
    // into it.
    QTest::newRow("watch at 1200, every 50 ms")
        << QStringList { "--baud", "1200" }
        << QStringList { "watch",       "--baud",     "1200",      "--parity", "none",
                         "--stop-bits", "1",          "--address", "1",        "--polls",
                         "5",           "--interval", "50" }
        << 25.0 << 6;
    // A reply from address 2, then the request to address 3 at once would read as one frame.
    QTest::newRow("scan --all at 9600 over 1-4, the converter at 2")
        << QStringList { "--address", "2" }
        << (QStringList { "scan", "--address", "1-4", "--all" } + at_9600) << 3.0 << 4;
}

void tst_e2e_cli::the_line_stays_silent_after_a_reply()
{
    QFETCH(QStringList, sim);
    QFETCH(QStringList, args);
    QFETCH(double, gap_ms);
    QFETCH(int, requests);
    QVERIFY2(this->sim.start_pty(port(), sim + QStringList { "--wire-timing" }),
             qPrintable(this->sim.error()));
    args.insert(1, port());
    const cli_result r = run_cli(args);
    QCOMPARE(r.code, 0);
    double last_reply_byte = -1;
    int heard = 0;
    for (const traced_frame &f : this->sim.frames()) {
        if (!f.received) {
            last_reply_byte = f.ms;
            continue;
        }
        ++heard;
        if (last_reply_byte >= 0)
            QVERIFY2(
                f.ms - last_reply_byte >= gap_ms,
                qPrintable(
                    QStringLiteral("a request %1 ms after the reply").arg(f.ms - last_reply_byte)));
    }
    QCOMPARE(heard, requests);
}

void tst_e2e_cli::watch_records_a_reply_whose_crc_ends_in_zero_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("value");
    QTest::addColumn<QString>("shown");
    // Both measurement replies end in a CRC byte 0x00: the reply less that byte also checks.
    QTest::newRow("16.024 at 9600 8N1, address 1")
        << at_9600 << "1" << QStringList { "16", "24" } << "16.024";
    QTest::newRow("19.500 at 19200 8E1, address 5")
        << QStringList { "--baud", "19200", "--parity", "even", "--stop-bits", "1" } << "5"
        << QStringList { "19", "500" } << "19.5";
}

void tst_e2e_cli::watch_records_a_reply_whose_crc_ends_in_zero()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, address);
    QFETCH(QStringList, value);
    QFETCH(QString, shown);
    QVERIFY2(sim.start_pty(port(),
                           settings
                               + QStringList { "--wire-timing", "--address", address, "--in1-whole",
                                               value[0], "--in1-milli", value[1] }),
             qPrintable(sim.error()));
    const QString csv = dir.filePath(address + ".csv");
    const cli_result r = run_cli(
        QStringList { "watch", port(), "--address", address, "--polls", "8", "--csv-plain", csv }
        + settings);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QStringList rows = csv_rows(csv);
    QCOMPARE(rows.size(), 8);
    for (const QString &row : rows)
        QVERIFY2(row.contains(QLatin1Char(',') + shown + QLatin1Char(',')), qPrintable(row));
}

void tst_e2e_cli::busy_port_is_said()
{
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    QSerialPort holder(port());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    const cli_result r
        = run_cli(QStringList { "watch", port(), "--address", "1", "--polls", "1" } + at_9600);
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(QStringLiteral("another program is using the port")),
             qPrintable(r.err));
}

void tst_e2e_cli::watch_says_the_port_went_and_reopens_it_data()
{
    QTest::addColumn<bool>("comes_back");
    QTest::addColumn<int>("code");
    QTest::newRow("comes back: 0") << true << 0;
    QTest::newRow("never comes back: 3") << false << 3;
}

void tst_e2e_cli::watch_says_the_port_went_and_reopens_it()
{
    QFETCH(bool, comes_back);
    QFETCH(int, code);
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    const QString csv = file(comes_back ? "back.csv" : "gone.csv");
    start_cli(QStringList { "watch", port(), "--address", "1", "--csv", csv } + at_9600);
    QTRY_VERIFY_WITH_TIMEOUT(csv_rows(csv).size() >= 2, 10000);
    sim.stop();
    QElapsedTimer gone;
    gone.start();
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += cli.readAllStandardError()).contains("has gone; reopening"),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(csv_rows(csv).filter(QStringLiteral("Тайм-аут")).size() >= 3, 10000);
    if (comes_back) {
        QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
        QTRY_VERIFY_WITH_TIMEOUT(csv_rows(csv).constLast().contains(QStringLiteral(",23.45,")),
                                 10000);
    }
    const qint64 gone_ms = gone.elapsed();
    ::kill(pid_t(cli.processId()), SIGINT);
    const cli_result r = finish(cli, 10000);
    QCOMPARE(r.code, code);
    // One row a poll while the port is away, each empty but for the link text: nothing
    // repeated that was not received, and no spinning.
    const QStringList away = csv_rows(csv).filter(QStringLiteral("Тайм-аут"));
    QVERIFY2(away.size() <= gone_ms / 250 + 2, qPrintable(QString::number(away.size())));
    for (const QString &row : away)
        QVERIFY2(row.section(',', 1, -1)
                     == QStringLiteral(",,,,,,,,,,,,,,\"Тайм-аут, ответа нет\""),
                 qPrintable(row));
}

void tst_e2e_cli::watch_keeps_its_period_after_slow_exchanges()
{
    // Two seconds of noise hold each exchange for its whole bound; the polls after it keep
    // their period instead of catching up.
    const QString scenario = write_scenario(dir, QStringLiteral("noise.txt"), "req 2 noise 2\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    const cli_result r
        = run_cli(QStringList { "watch", port(), "--address", "1", "--polls", "10" } + at_9600);
    QCOMPARE(r.code, 0);
    const QVector<traced_frame> requests = sim.requests();
    QCOMPARE(requests.size(), 11);
    for (int i = 2; i < requests.size(); ++i)
        QVERIFY2(requests[i].ms - requests[i - 1].ms > 250,
                 qPrintable(QStringLiteral("request %1 after %2 ms")
                                .arg(i + 1)
                                .arg(requests[i].ms - requests[i - 1].ms)));
}

void tst_e2e_cli::full_disk_cuts_no_row()
{
    // A file size limit of 2 KiB stands in for a full disk; the program is not killed by it.
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    const QString csv = file("full.csv");
    QProcess p;
    p.start(QStringLiteral("bash"),
            QStringList { "-c", "ulimit -f 2; exec \"$0\" \"$@\"", ORTE_CLI_PATH, "watch", port(),
                          "--address", "1", "--polls", "40", "--interval", "50", "--csv", csv }
                + at_9600);
    const cli_result r = finish(p);
    QCOMPARE(r.code, 4);
    QCOMPARE(r.err.count(QStringLiteral("the file has reached the size limit; the recording is "
                                        "incomplete")),
             1);
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.endsWith('\n'));
    const QStringList rows = csv_rows(csv);
    QVERIFY(rows.size() > 5 && rows.size() < 40);
    for (const QString &row : rows)
        QCOMPARE(row.count(QLatin1Char(',')), 15);
}

void tst_e2e_cli::full_disk_said_of_the_workbook_as_of_the_csv()
{
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    const QString xlsx = file("full.xlsx");
    QProcess p;
    p.start(QStringLiteral("bash"),
            QStringList { "-c", "ulimit -f 2; exec \"$0\" \"$@\"", ORTE_CLI_PATH, "watch", port(),
                          "--address", "1", "--polls", "4", "--xlsx", xlsx }
                + at_9600);
    const cli_result r = finish(p);
    QCOMPARE(r.code, 4);
    // One sentence, the program's own; nothing of the library's.
    QVERIFY2(r.err.trimmed()
                 == QStringLiteral("orte-cli: cannot write %1: the file has reached the size limit")
                        .arg(xlsx),
             qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(xlsx));
}

QTEST_GUILESS_MAIN(tst_e2e_cli)
#include "tst_e2e_cli.moc"
