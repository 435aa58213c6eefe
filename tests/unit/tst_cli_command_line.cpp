// orte-cli's command line: what each line asks for, and what is refused.

#include "cli/command_line.h"
#include "cli/help.h"
#include "console/console.h"
#include "link/port_list.h"
#include "link/port_setup.h"
#include "log/file_safety.h"
#include "translations/translations.h"

#include <QSerialPort>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using orte_cli::command_kind;

namespace {
// The parts of a plan the rows check, in one line: "scan PORT BAUD... FIRST-LAST".
QString summary(const orte_cli::command_line &c)
{
    if (c.kind == command_kind::help)
        return QStringLiteral("help");
    if (c.kind == command_kind::watch)
        return QStringLiteral("watch %1 %2 %3 %4 polls %5 csv %6%7 xlsx %8")
            .arg(c.watch.port, orte_cli::text(c.watch.settings))
            .arg([&c] {
                QStringList a;
                for (int address : c.watch.addresses)
                    a << QString::number(address);
                return a.join(QLatin1Char(','));
            }())
            .arg(c.watch.interval_ms)
            .arg(c.watch.polls)
            .arg(c.watch.csv_file, c.watch.csv_plain ? QStringLiteral(" plain") : QString(),
                 c.watch.xlsx_file);
    QStringList bauds;
    for (const orte_cli::port_settings &s : c.scan.settings)
        if (!bauds.contains(QString::number(s.baud)))
            bauds << QString::number(s.baud);
    return QStringLiteral("scan %1 %2 %3-%4")
        .arg(c.scan.ports.join(QLatin1Char('+')), bauds.join(QLatin1Char(',')))
        .arg(c.scan.first_address)
        .arg(c.scan.last_address);
}
} // namespace

class tst_cli_command_line : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void a_file_in_the_working_folder_is_the_port();
    void help_lists_every_exit_code();
    void trace_goes_with_any_command();
    void help_fits_a_default_console();
    void progress_line_redraws_data();
    void progress_line_redraws();
    void progress_line_on_a_stream();
    void lines_fit_a_narrow_terminal_data();
    void lines_fit_a_narrow_terminal();
    void a_shortcut_starts_in_the_users_documents_data();
    void a_shortcut_starts_in_the_users_documents();
    void ports_by_number_data();
    void ports_by_number();
    void progress_parts_fit_data();
    void progress_parts_fit();
};

void tst_cli_command_line::lines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("plan"); // empty: refused
    QTest::addColumn<QString>("error");
    const QStringList watch {
        "watch", "p", "--baud", "9600", "--parity", "none", "--stop-bits", "1"
    };
    QTest::newRow("--help") << QStringList { "--help" } << "help"
                            << "";
    QTest::newRow("scan p --baud 0x2580 --address 010: hex, and no octal")
        << QStringList { "scan", "p", "--baud", "0x2580", "--address", "010" }
        << "scan p 9600 10-10"
        << "";
    QTest::newRow("scan p --baud 50 --address 1-247")
        << QStringList { "scan", "p", "--baud", "50", "--address", "1-247" } << "scan p 50 1-247"
        << "";
    QTest::newRow("watch --address 0x10 --interval 1000 --polls 5")
        << watch + QStringList { "--address", "0x10", "--interval", "1000", "--polls", "5" }
        << "watch p 9600 8N1 16 1000 polls 5 csv  xlsx "
        << "";
    QTest::newRow("--baud 1: no such speed") << QStringList { "scan", "p", "--baud", "1" } << ""
                                             << "bad --baud '1'";
    QTest::newRow("--baud 9601: not a standard speed")
        << QStringList { "scan", "p", "--baud", "9601" } << ""
        << "bad --baud";
    QTest::newRow("--address 248: beyond Modbus")
        << QStringList { "scan", "p", "--address", "248" } << ""
        << "bad --address";
    QTest::newRow("--address 5-3") << QStringList { "scan", "p", "--address", "5-3" } << ""
                                   << "bad --address";
    QTest::newRow("--stop-bits 3") << QStringList { "scan", "p", "--stop-bits", "3" } << ""
                                   << "bad --stop-bits";
    QTest::newRow("empty port") << QStringList { "scan", "" } << ""
                                << "empty";
    QTest::newRow("watch with two ports") << watch + QStringList { "b", "--address", "1" } << ""
                                          << "watch takes one port";
    QTest::newRow("--csv and --csv-plain")
        << watch + QStringList { "--address", "1", "--csv", "a", "--csv-plain", "b" } << ""
        << "not both";
    QTest::newRow("scan --xlsx") << QStringList { "scan", "p", "--xlsx", "x.xlsx" } << ""
                                 << "--xlsx does not go with scan";
    QTest::newRow("watch --csv-plain r.csv --xlsx r.xlsx")
        << watch + QStringList { "--address", "1", "--csv-plain", "r.csv", "--xlsx", "r.xlsx" }
        << "watch p 9600 8N1 1 300 polls 0 csv r.csv plain xlsx r.xlsx"
        << "";
    QTest::newRow("scan without a port: every port the system lists")
        << QStringList { "scan", "--baud", "9600" } << "scan  9600 1-128"
        << "";
    QTest::newRow("scan a b: both, one after another")
        << QStringList { "scan", "a", "b", "--baud", "9600" } << "scan a+b 9600 1-128"
        << "";
    QTest::newRow("scan --csv") << QStringList { "scan", "p", "--csv", "x.csv" } << ""
                                << "--csv does not go with scan";
    QTest::newRow("scan --polls") << QStringList { "scan", "p", "--polls", "3" } << ""
                                  << "--polls does not go with scan";
    QTest::newRow("watch --all") << watch + QStringList { "--address", "1", "--all" } << ""
                                 << "--all does not go with watch";
    QTest::newRow("watch without --address") << watch << ""
                                             << "watch needs one";
    QTest::newRow("watch --force without a file")
        << watch + QStringList { "--address", "1", "--force" } << ""
        << "--force goes with";
    QTest::newRow("watch --interval 10")
        << watch + QStringList { "--address", "1", "--interval", "10" } << ""
        << "bad --interval";
    QTest::newRow("unknown option") << QStringList { "scan", "p", "--colour" } << ""
                                    << "Unknown option";
    QTest::newRow("watch --address 7,1-3,2: a list, each once")
        << watch + QStringList { "--address", "7,1-3,2" }
        << "watch p 9600 8N1 7,1,2,3 300 polls 0 csv  xlsx "
        << "";
    QTest::newRow("watch --address 1,,2") << watch + QStringList { "--address", "1,,2" } << ""
                                          << "bad --address";
    QTest::newRow("watch tcp:// needs no line settings")
        << QStringList { "watch", "tcp://gw:1502", "--address", "5", "--reply-ms", "400" }
        << "watch tcp://gw:1502 1200 8N1 5 300 polls 0 csv  xlsx "
        << "";
    QTest::newRow("--reply-ms on a serial port")
        << watch + QStringList { "--address", "1", "--reply-ms", "400" } << ""
        << "--reply-ms is for a port over the network";
    QTest::newRow("scan rtu+tcp://: addresses only")
        << QStringList { "scan", "rtu+tcp://gw:4001", "--address", "1-5" }
        << "scan rtu+tcp://gw:4001 9600 1-5"
        << "";
}

void tst_cli_command_line::lines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, plan);
    QFETCH(QString, error);
    orte_cli::command_line c;
    QString said;
    QCOMPARE(orte_cli::parse_command_line(args, c, said), !plan.isEmpty());
    QVERIFY2(said.contains(error), qPrintable(said));
    if (!plan.isEmpty())
        QCOMPARE(summary(c), plan);
}

void tst_cli_command_line::a_file_in_the_working_folder_is_the_port()
{
#ifdef Q_OS_WIN
    QSKIP("Windows ports are names (COM3), never files of the working folder");
#endif
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QFile a(QStringLiteral("a"));
    QVERIFY(a.open(QIODevice::WriteOnly));
    QCOMPARE(orte_cli::port_location(QStringLiteral("a")), dir.filePath(QStringLiteral("a")));
    QCOMPARE(orte_cli::port_location(QStringLiteral("COM3")), QStringLiteral("COM3"));
    // A path with a folder in it is opened where it is, not under /dev.
    QSerialPort port;
    orte::apply_line_format(port, QStringLiteral("ports/q"), { 9600, 'N', 1 });
    QCOMPARE(port.portName(), dir.filePath(QStringLiteral("ports/q")));
}

void tst_cli_command_line::help_lists_every_exit_code()
{
    // The codes in the help's "Exit codes:" table, at the start of its lines.
    const QString help = QString::fromUtf8(orte_cli::help_text());
    const QString table = help.section(QStringLiteral("Exit codes:\n"), 1).section("\n\n", 0, 0);
    QList<int> listed;
    static const QRegularExpression code(QStringLiteral("^  (\\d+) "),
                                         QRegularExpression::MultilineOption);
    for (auto m = code.globalMatch(table); m.hasNext();)
        listed << m.next().captured(1).toInt();
    QList<int> declared;
    for (orte_cli::exit_code c : orte_cli::all_exit_codes)
        declared << int(c);
    QCOMPARE(listed, declared);
}

void tst_cli_command_line::trace_goes_with_any_command()
{
    for (const QStringList &args :
         { QStringList { "scan", "--trace" }, QStringList { "listen", "p", "--trace" } }) {
        orte_cli::command_line c;
        QString error;
        QVERIFY2(orte_cli::parse_command_line(args, c, error), qPrintable(error));
        QVERIFY(c.trace);
    }
}

void tst_cli_command_line::help_fits_a_default_console()
{
    // 80 columns: a line of 80 would wrap a Windows console's cursor onto the next line.
    QTranslator russian;
    QVERIFY(russian.load(orte::companion_translation()));
    const QString english
        = QString::fromUtf8(orte_cli::help_text()) + QString::fromUtf8(orte_cli::help_plant_text());
    const QString translated = russian.translate("text", orte_cli::help_text())
        + russian.translate("text", orte_cli::help_plant_text());
    QVERIFY(translated.startsWith(QString::fromUtf8("Запуск:")));
    QVERIFY(translated.contains(QString::fromUtf8("Больше одного преобразователя")));
    for (const QString &help : { english, translated })
        for (const QString &line : help.split('\n'))
            QVERIFY2(line.size() < 80, qPrintable(line));
}

void tst_cli_command_line::progress_line_redraws_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("escapes");
    QTest::addColumn<QString>("written");
    QTest::newRow("escape codes") << "9600 8N1 address 5" << 30 << true
                                  << "\r\033[K9600 8N1 address 5";
    QTest::newRow("Windows 7: spaces over the longer line")
        << "abc" << 6 << false << "\rabc   \rabc";
    QTest::newRow("Windows 7: a longer line") << "abcdef" << 3 << false << "\rabcdef";
    QTest::newRow("Windows 7: cleared") << "" << 4 << false << "\r    \r";
}

void tst_cli_command_line::progress_line_redraws()
{
    QFETCH(QString, text);
    QFETCH(int, shown);
    QFETCH(bool, escapes);
    QFETCH(QString, written);
    QCOMPARE(orte_console::redraw(text, shown, escapes), written);
}

void tst_cli_command_line::progress_line_on_a_stream()
{
    // Each text redraws over the one before; cleared once, then nothing more; no terminal,
    // nothing at all.
    QString written;
    QTextStream out(&written);
    orte_cli::progress_line line(&out, false);
    line.show(QStringLiteral("abcd"));
    line.show(QStringLiteral("ab"));
    line.clear();
    line.clear();
    QCOMPARE(written, QStringLiteral("\rabcd\rab  \rab\r  \r"));
    orte_cli::progress_line none(nullptr, true);
    QVERIFY(!none);
    none.show(QStringLiteral("abcd"));
}

void tst_cli_command_line::lines_fit_a_narrow_terminal_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("width");
    QTest::newRow("short") << "9600 8N1 address 5" << 60;
    QTest::newRow("no width known") << QString(100, 'x') << 0;
    QTest::newRow("words") << "the traffic no longer forms frames at 9600 8N1: finding the line's "
                              "settings again"
                           << 30;
    QTest::newRow("the converter's double space kept")
        << QString::fromUtf8("Заводской номер преобразователя  123456") << 36;
    QTest::newRow("a command to copy")
        << "  to record it: orte-cli watch /dev/ttyUSB0 --baud 19200 --parity even --stop-bits 1 "
           "--address 5 --xlsx orte-5.xlsx"
        << 40;
    QTest::newRow("a word longer than the line")
        << "cannot open /very/long/path/to/a/port/that/goes/on/and/on: no such file" << 20;
    QTest::newRow("after a progress line's redraw")
        << "\r\033[Kline settings found: 19200 baud, even, 1 or 2 stop bits" << 30;
    QTest::newRow("a redrawn line one character too long")
        << "\r\033[K" + QString(26, 'x') + " yyy" << 30;
}

void tst_cli_command_line::lines_fit_a_narrow_terminal()
{
    QFETCH(QString, line);
    QFETCH(int, width);
    const QString wrapped = orte_console::wrap_line(line, width);
    const QString shown = wrapped.mid(wrapped.lastIndexOf('\r') + 1).remove("\033[K");
    const bool command = line.contains(QLatin1String("orte-cli "));
#ifdef Q_OS_WIN
    const QString mark = QStringLiteral(" ^");
#else
    const QString mark = QStringLiteral(" \\");
#endif
    const QStringList lines = shown.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QVERIFY2(width == 0 || lines[i].size() < width, qPrintable(lines[i]));
        // A command goes on with the shell's mark, so that it pastes whole.
        QVERIFY2(!command || i + 1 == lines.size() || lines[i].endsWith(mark),
                 qPrintable(lines[i]));
    }
    // Nothing lost: only the breaks, their indents and their marks were added.
    QString rest = shown;
    if (command)
        rest.replace(mark + QLatin1Char('\n'), QStringLiteral("\n"));
    QCOMPARE(QString(rest).remove(' ').remove('\n'),
             QString(line).remove('\r').remove("\033[K").remove(' '));
    if (line.contains(QLatin1String("  ")))
        QVERIFY2(rest.contains(QLatin1String("  ")), qPrintable(rest));
    QCOMPARE(wrapped.left(wrapped.lastIndexOf('\r') + 1), line.left(line.lastIndexOf('\r') + 1));
}

void tst_cli_command_line::progress_parts_fit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("shown");
    const QString where = QStringLiteral("9600 8N2 address 1  300/480");
    QTest::newRow("wide") << 120 << where + "  second pass, full reply windows  about 16 s left";
    QTest::newRow("the time left goes first") << 62 << where + "  second pass, full reply windows";
    QTest::newRow("then the pass's words") << 40 << where;
    QTest::newRow("the place itself cut short") << 20 << QStringLiteral("9600 8N2 address 1…");
    QTest::newRow("no width known")
        << 0 << where + "  second pass, full reply windows  about 16 s left";
}

void tst_cli_command_line::progress_parts_fit()
{
    QFETCH(int, width);
    QFETCH(QString, shown);
    const QStringList parts { QStringLiteral("9600 8N2 address 1  300/480"), QString(),
                              QStringLiteral("second pass, full reply windows"),
                              QStringLiteral("about 16 s left") };
    QCOMPARE(orte_console::fit_parts(parts, width), shown);
    // What is held until its line ends, and what goes at once.
    QString held = QStringLiteral("abc\ndef");
    QCOMPARE(orte_console::take_lines(held, 80), QStringLiteral("abc\n"));
    held += QStringLiteral("\r\033[Kprogress");
    QCOMPARE(orte_console::take_lines(held, 80), QStringLiteral("def\r\033[Kprogress"));
    QVERIFY(held.isEmpty());
}

void tst_cli_command_line::ports_by_number_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("Windows") << QStringList { "COM1", "COM10", "COM2", "COM3", "COM12" }
                             << QStringList { "COM1", "COM2", "COM3", "COM10", "COM12" };
    QTest::newRow("Linux") << QStringList { "ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM0", "ttyS1" }
                           << QStringList { "ttyACM0", "ttyS0", "ttyS1", "ttyUSB2", "ttyUSB10" };
}

void tst_cli_command_line::ports_by_number()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, listed);
    QCOMPARE(orte::sorted_by_number(system), listed);
}

void tst_cli_command_line::a_shortcut_starts_in_the_users_documents_data()
{
    QTest::addColumn<bool>("shortcut");
    QTest::newRow("started from a shortcut") << true;
    QTest::newRow("started otherwise") << false;
}

void tst_cli_command_line::a_shortcut_starts_in_the_users_documents()
{
    // This test program started again as Explorer starts a shortcut's program: the start-up
    // information names the link. It says where it went and where it works.
    if (qEnvironmentVariableIsSet("ORTE_TEST_CHILD")) {
        const QString went = orte::go_to_documents_when_started_from_a_shortcut();
        const QByteArray out
            = QStringLiteral("went:%1\ncurrent:%2\n").arg(went, QDir::currentPath()).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return;
    }
#ifndef Q_OS_WIN
    QVERIFY(orte::go_to_documents_when_started_from_a_shortcut().isEmpty());
#else
    QFETCH(bool, shortcut);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORTE_TEST_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setCreateProcessArgumentsModifier([shortcut](QProcess::CreateProcessArguments *a) {
        static wchar_t link[] = L"C:\\ORTE-473.lnk";
        if (shortcut) {
            a->startupInfo->dwFlags |= STARTF_TITLEISLINKNAME;
            a->startupInfo->lpTitle = link;
        }
    });
    child.start(
        QString::fromWCharArray(self),
        { QStringLiteral("a_shortcut_starts_in_the_users_documents"), QStringLiteral("-silent") });
    QVERIFY(child.waitForFinished(60000));
    const QString said = QString::fromUtf8(child.readAllStandardOutput()).remove('\r');
    const QString folder = orte::documents_folder();
    QVERIFY2(said.contains(QStringLiteral("went:") + (shortcut ? folder : QString()) + '\n'),
             qPrintable(said));
    QCOMPARE(said.contains(QStringLiteral("current:") + folder), shortcut);
    QVERIFY(!shortcut || QFileInfo(folder).isDir());
#endif
}

QTEST_APPLESS_MAIN(tst_cli_command_line)
#include "translations/translations.h"
#include "tst_cli_command_line.moc"
