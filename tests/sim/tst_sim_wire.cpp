// The simulator on the wire: an independent master (mbpoll) reads what it was told to hold,
// and a raw serial port sees each scripted fault and the timing of a real line.

#include <QtTest>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QThread>

#include <algorithm>

#include <sys/stat.h>

#include "sim_rig.h"

namespace {
struct chunk
{
    double ms;
    QByteArray bytes;
};

QByteArray joined(const QVector<chunk> &chunks)
{
    QByteArray all;
    for (const chunk &c : chunks)
        all += c.bytes;
    return all;
}

bool valid_frame(const QByteArray &frame)
{
    return frame.size() >= 3 && reference_crc(frame) == 0;
}

// Sends a request and collects what comes back until the line is quiet for `quiet_ms`.
QVector<chunk> exchange(QSerialPort &port, const QByteArray &request, int first_ms = 600,
                        int quiet_ms = 120)
{
    port.clear();
    QElapsedTimer clock;
    clock.start();
    port.write(request);
    port.waitForBytesWritten(100);
    QVector<chunk> chunks;
    while (port.waitForReadyRead(chunks.isEmpty() ? first_ms : quiet_ms)) {
        const QByteArray bytes = port.readAll();
        if (!bytes.isEmpty())
            chunks.append({ double(clock.nsecsElapsed()) / 1e6, bytes });
        if (clock.elapsed() > 5000)
            break;
    }
    return chunks;
}

QByteArray measure_request()
{
    return hex_bytes("01 04 00 00 00 0C F0 0F");
}
QByteArray status_request()
{
    return hex_bytes("01 01 00 00 00 08 3D CC");
}

struct mbpoll_result
{
    int exit_code;
    QString output;
    QMap<int, int> values;
};

mbpoll_result run_mbpoll(const QString &port, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("mbpoll"),
            QStringList { "-m", "rtu", "-b", "9600", "-P", "none", "-0", "-1", "-o", "1" } + args
                + QStringList { port });
    p.waitForFinished(15000);
    mbpoll_result r { p.exitCode(), QString::fromLocal8Bit(p.readAll()), {} };
    static const QRegularExpression line(QStringLiteral(R"(\[(\d+)\]:\s+(-?\d+))"));
    auto it = line.globalMatch(r.output);
    while (it.hasNext()) {
        const auto m = it.next();
        r.values[m.captured(1).toInt()] = m.captured(2).toInt();
    }
    return r;
}
} // namespace

class tst_sim_wire : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mbpoll_reads_configured_values();
    void mbpoll_gets_exceptions_data();
    void mbpoll_gets_exceptions();
    void other_slaves_are_ignored();
    void faults_on_the_wire_data();
    void faults_on_the_wire();
    void noise_and_dropout();
    void values_change_over_time();
    void random_input_does_not_stop_it();
    void wire_timing_data();
    void wire_timing();
    void bad_command_lines_data();
    void bad_command_lines();
    void modbus_rules_on_the_wire_data();
    void modbus_rules_on_the_wire();
    void request_right_after_another_slaves_frame_data();
    void request_right_after_another_slaves_frame();
    void pty_answers_only_at_its_own_settings_data();
    void pty_answers_only_at_its_own_settings();
    void link_never_replaces_a_file();

private:
    bool open_port(int baud = 9600);
    virtual_pair pair;
    sim_process sim;
    QSerialPort port;
    QTemporaryDir dir;
};

void tst_sim_wire::init()
{
    QVERIFY2(!socat_program().isEmpty(), "socat is needed");
    QVERIFY(pair.start());
}

void tst_sim_wire::cleanup()
{
    port.close();
    sim.stop();
    pair.stop();
}

bool tst_sim_wire::open_port(int baud)
{
    port.setPortName(pair.monitor_end());
    port.setBaudRate(baud);
    return port.open(QIODevice::ReadWrite);
}

void tst_sim_wire::mbpoll_reads_configured_values()
{
    QVERIFY2(
        sim.start(pair.converter_end(),
                  { "--model",     "7",    "--version",   "3.1.4.15", "--serial",    "0x00ABCDEF",
                    "--status",    "0xA5", "--in1-type",  "0x0101",   "--in1-whole", "-5",
                    "--in1-milli", "-250", "--in1-cj",    "-12",      "--in2-type",  "3",
                    "--in2-whole", "1234", "--in2-milli", "567",      "--in2-cj",    "235" }),
        qPrintable(sim.error()));
    const mbpoll_result ident
        = run_mbpoll(pair.monitor_end(), { "-t", "3", "-r", "50", "-c", "5" });
    QCOMPARE(ident.exit_code, 0);
    // Register 50: model 7; 51-52: version 3.1.4.15; 53-54: serial 0x00AB CDEF.
    QCOMPARE(ident.values.value(50), 7);
    QCOMPARE(ident.values.value(51), 0x0301);
    QCOMPARE(ident.values.value(52), 0x040F);
    QCOMPARE(ident.values.value(53), 0x00AB);
    QCOMPARE(ident.values.value(54), 0xCDEF);

    const mbpoll_result measure
        = run_mbpoll(pair.monitor_end(), { "-t", "3", "-r", "0", "-c", "12" });
    QCOMPARE(measure.exit_code, 0);
    const QList<int> regs { 0xFFFB, 0xFF06, 1234, 567, 0x0101, 3, 0xFFF4, 235, 0, 0, 0, 0 };
    for (int i = 0; i < regs.size(); ++i)
        QCOMPARE(measure.values.value(i) & 0xFFFF, regs[i]);

    const mbpoll_result status
        = run_mbpoll(pair.monitor_end(), { "-t", "0", "-r", "0", "-c", "8" });
    QCOMPARE(status.exit_code, 0);
    // 0xA5: coils 0, 2, 5 and 7 set.
    const QList<int> bits { 1, 0, 1, 0, 0, 1, 0, 1 };
    for (int i = 0; i < 8; ++i)
        QCOMPARE(status.values.value(i), bits[i]);
}

void tst_sim_wire::mbpoll_gets_exceptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("input register 20")
        << QStringList { "-t", "3", "-r", "20", "-c", "1" } << "Illegal data address";
    QTest::newRow("input registers 10..13")
        << QStringList { "-t", "3", "-r", "10", "-c", "4" } << "Illegal data address";
    QTest::newRow("coils 0..8") << QStringList { "-t", "0", "-r", "0", "-c", "9" }
                                << "Illegal data address";
    QTest::newRow("holding register 0")
        << QStringList { "-t", "4", "-r", "0", "-c", "1" } << "Illegal function";
}

void tst_sim_wire::mbpoll_gets_exceptions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QVERIFY2(sim.start(pair.converter_end()), qPrintable(sim.error()));
    const mbpoll_result r = run_mbpoll(pair.monitor_end(), args);
    QVERIFY2(r.output.contains(message), qPrintable(r.output));
    // It keeps serving afterwards.
    QCOMPARE(run_mbpoll(pair.monitor_end(), { "-t", "3", "-r", "50", "-c", "1" }).values.value(50),
             0);
}

void tst_sim_wire::other_slaves_are_ignored()
{
    QVERIFY2(sim.start(pair.converter_end(), { "--address", "5" }), qPrintable(sim.error()));
    QVERIFY(open_port());
    QVERIFY(exchange(port, status_request(), 300).isEmpty());
    // The request right after one for another slave is answered.
    const QByteArray reply = joined(exchange(port, hex_bytes("05 01 00 00 00 08 3C 48")));
    QCOMPARE(reply.size(), 6);
    QVERIFY(valid_frame(reply));
}

void tst_sim_wire::faults_on_the_wire_data()
{
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<int>("length"); // of all bytes received; 0 for none
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("chunks");
    QTest::newRow("corrupt: 29 bytes, bad CRC") << QByteArray("req 1 corrupt") << 29 << false << 1;
    QTest::newRow("garbage 9: 9 bytes, bad CRC")
        << QByteArray("req 1 garbage 9") << 9 << false << 1;
    QTest::newRow("exception 4: 01 84 04") << QByteArray("req 1 exception 4") << 5 << true << 1;
    QTest::newRow("wrong-length: valid 7 bytes")
        << QByteArray("req 1 wrong-length") << 7 << true << 1;
    QTest::newRow("split 10 60: 10 + 19") << QByteArray("req 1 split 10 60") << 29 << true << 2;
    QTest::newRow("delay 150: late") << QByteArray("req 1 delay 150") << 29 << true << 1;
    QTest::newRow("silent: nothing") << QByteArray("req 1 silent") << 0 << false << 0;
    QTest::newRow("stray 5: 5 bytes, then the reply")
        << QByteArray("req 1 stray 5") << 34 << false << -1;
}

void tst_sim_wire::faults_on_the_wire()
{
    QFETCH(QByteArray, step);
    QFETCH(int, length);
    QFETCH(bool, valid);
    QFETCH(int, chunks);
    const QString scenario = write_scenario(dir, QStringLiteral("fault.txt"), step + '\n');
    QVERIFY2(sim.start(pair.converter_end(), { "--scenario", scenario }), qPrintable(sim.error()));
    QVERIFY(open_port());
    const QVector<chunk> got = exchange(port, measure_request(), 400);
    const QByteArray reply = joined(got);
    QCOMPARE(reply.size(), length);
    if (length > 0)
        QCOMPARE(valid_frame(reply), valid);
    if (chunks >= 0)
        QCOMPARE(got.size(), chunks);
    if (step.contains("stray"))
        QVERIFY(valid_frame(reply.mid(5)));
    if (chunks == 2) {
        QCOMPARE(got[0].bytes.size(), 10);
        QVERIFY2(got[1].ms - got[0].ms >= 50, qPrintable(QString::number(got[1].ms - got[0].ms)));
    }
    if (step.contains("delay"))
        QVERIFY(got[0].ms >= 140);
    if (step.startsWith("req 1 exception"))
        QCOMPARE(reply.left(3), hex_bytes("01 84 04"));
    // The next request is answered normally.
    const QByteArray next = joined(exchange(port, measure_request()));
    QCOMPARE(next.size(), 29);
    QVERIFY(valid_frame(next));
}

void tst_sim_wire::noise_and_dropout()
{
    const QString scenario = write_scenario(dir, QStringLiteral("noise.txt"),
                                            "at 0 noise 0.6\n"
                                            "req 2 dropout 0.5\n");
    QVERIFY2(sim.start(pair.converter_end(), { "--scenario", scenario }), qPrintable(sim.error()));
    QVERIFY(open_port());
    // Noise: bytes arrive without any request, and requests go unanswered.
    QVERIFY(port.waitForReadyRead(500));
    QElapsedTimer clock;
    clock.start();
    QByteArray noise;
    while (clock.elapsed() < 300 && port.waitForReadyRead(100))
        noise += port.readAll();
    QVERIFY2(noise.size() > 100, qPrintable(QString::number(noise.size())));
    QTRY_VERIFY_WITH_TIMEOUT(!port.waitForReadyRead(150), 3000);
    port.readAll();
    // Request 1 is answered; request 2 starts a drop-out of half a second.
    QCOMPARE(joined(exchange(port, status_request())).size(), 6);
    QVERIFY(exchange(port, status_request(), 200).isEmpty());
    QVERIFY(exchange(port, status_request(), 100).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(joined(exchange(port, status_request(), 150)).size(), 6, 3000);
}

void tst_sim_wire::values_change_over_time()
{
    const QString scenario = write_scenario(dir, QStringLiteral("values.txt"),
                                            "at 0.3 set status 0x03\n"
                                            "at 0.6 set status 0x40\n"
                                            "at 0.9 repeat\n");
    QVERIFY2(sim.start(pair.converter_end(), { "--scenario", scenario }), qPrintable(sim.error()));
    QVERIFY(open_port());
    QSet<quint8> seen;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2500 && seen.size() < 3) {
        const QByteArray reply = joined(exchange(port, status_request()));
        if (valid_frame(reply) && reply.size() == 6)
            seen.insert(quint8(reply[3]));
        QTest::qWait(50);
    }
    QCOMPARE(seen, (QSet<quint8> { 0x00, 0x03, 0x40 }));
}

void tst_sim_wire::random_input_does_not_stop_it()
{
    QVERIFY2(sim.start(pair.converter_end()), qPrintable(sim.error()));
    QVERIFY(open_port());
    QByteArray junk;
    quint32 x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        junk.append(char(x >> 24));
    }
    port.write(junk);
    port.waitForBytesWritten(1000);
    QVERIFY(sim.running());
    // Once the junk has been read, it answers again.
    QTRY_COMPARE_WITH_TIMEOUT(joined(exchange(port, status_request(), 200)).size(), 6, 5000);
    QVERIFY(sim.running());
}

void tst_sim_wire::wire_timing_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("1200 baud") << 1200;
    QTest::newRow("9600 baud") << 9600;
}

void tst_sim_wire::wire_timing()
{
    QFETCH(int, baud);
    QVERIFY2(sim.start(pair.converter_end(), { "--baud", QString::number(baud), "--wire-timing" }),
             qPrintable(sim.error()));
    QVERIFY(open_port(baud));
    const double tc = 10000.0 / baud; // 8N1: ten bits a character
    // First byte: the 8-byte request, 3.5 characters of silence, one character.
    const double first_expected = (8 + 3.5 + 1) * tc;
    const double last_expected = (8 + 3.5 + 29) * tc;
    QVector<double> first;
    QVector<double> last;
    for (int i = 0; i < 5; ++i) {
        const QVector<chunk> got = exchange(port, measure_request(), 1000, 100);
        QCOMPARE(joined(got).size(), 29);
        first.append(got.first().ms);
        last.append(got.last().ms);
    }
    std::sort(first.begin(), first.end());
    std::sort(last.begin(), last.end());
    const double first_median = first[2];
    const double last_median = last[2];
    qInfo("%d baud: first byte %.1f ms (formula %.1f), last byte %.1f ms (formula %.1f)", baud,
          first_median, first_expected, last_median, last_expected);
    // Paced like the line: never sooner than the line allows (a busy machine only makes it
    // later), and not twice as slow beyond what a loaded machine's scheduler adds (the figures
    // above are what was seen).
    const auto near = [](double seen, double expected) {
        return seen > expected * 0.8 - 1 && seen < expected * 2 + 25;
    };
    QVERIFY2(near(first_median, first_expected), qPrintable(QString::number(first_median)));
    QVERIFY2(near(last_median, last_expected), qPrintable(QString::number(last_median)));
}

void tst_sim_wire::bad_command_lines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no port") << QStringList {} << "give either --device PATH, --pty or --tcp PORT";
    QTest::newRow("a line and --tcp")
        << QStringList { "--pty", "--tcp", "0" } << "--tcp serves Modbus TCP instead of a line";
    QTest::newRow("unknown option")
        << QStringList { "--pty", "--colour", "red" } << "unknown option '--colour'";
    QTest::newRow("missing value") << QStringList { "--pty", "--baud" } << "needs a value";
    QTest::newRow("bad baud") << QStringList { "--pty", "--baud", "fast" } << "bad value 'fast'";
    QTest::newRow("bad parity") << QStringList { "--pty", "--parity", "mark" }
                                << "bad value 'mark' for --parity";
    QTest::newRow("address 0") << QStringList { "--pty", "--address", "0" }
                               << "bad value '0' for --address";
    QTest::newRow("addresses out of order")
        << QStringList { "--pty", "--address", "5-1" } << "bad value '5-1' for --address";
    QTest::newRow("device that is not there")
        << QStringList { "--device", "/nonexistent/tty" } << "cannot open '/nonexistent/tty'";
    QTest::newRow("scenario that is not there")
        << QStringList { "--pty", "--scenario", "/nonexistent/s.txt" } << "cannot read scenario";
    QTest::newRow("scenario a FIFO with no writer")
        << QStringList { "--pty", "--scenario", "DIR/fifo" } << "a pipe with no writer";
    QTest::newRow("a 200-digit speed, quoted to 60")
        << QStringList { "--pty", "--baud", QString(200, QLatin1Char('9')) }
        << "bad value '" + QString(60, QLatin1Char('9')) + "...' for --baud";
    QTest::newRow("--link to a regular file")
        << QStringList { "--pty", "--link", "DIR/to-file" } << "leads to an existing file";
    QTest::newRow("--link held by a running simulator")
        << QStringList { "--pty", "--link", "DIR/live" } << "leads to a live port";
}

void tst_sim_wire::bad_command_lines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    // What the rows point at: a FIFO nobody writes, a link to a file, a simulator's link.
    mkfifo(qPrintable(dir.filePath(QStringLiteral("fifo"))), 0600);
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QFile::link(file.fileName(), dir.filePath(QStringLiteral("to-file")));
    QVERIFY(sim.start_pty(dir.filePath(QStringLiteral("live"))));
    args.replaceInStrings(QStringLiteral("DIR"), dir.path());
    QProcess p;
    p.start(sim_program(), args);
    QVERIFY(p.waitForFinished(5000));
    QVERIFY(p.exitCode() != 0);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
}

void tst_sim_wire::modbus_rules_on_the_wire_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply_start"); // empty: no reply at all
    QTest::newRow("broadcast write 00 05: silence")
        << hex_bytes("00 05 00 00 FF 00 8D EB") << QByteArray();
    QTest::newRow("broadcast read 00 04: silence")
        << with_reference_crc(hex_bytes("00 04 00 00 00 0C")) << QByteArray();
    QTest::newRow("126 registers at 50: 01 84 03")
        << with_reference_crc(hex_bytes("01 04 00 32 00 7E")) << hex_bytes("01 84 03");
    QTest::newRow("function 2B: 01 AB 01")
        << with_reference_crc(hex_bytes("01 2B 0E 01 00")) << hex_bytes("01 AB 01");
}

void tst_sim_wire::modbus_rules_on_the_wire()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply_start);
    QVERIFY2(sim.start(pair.converter_end(), { "--wire-timing" }), qPrintable(sim.error()));
    QVERIFY(open_port());
    const QByteArray reply = joined(exchange(port, request, 300));
    QCOMPARE(reply.left(3), reply_start);
    if (reply_start.isEmpty()) {
        // The trace shows what was heard and why it went unanswered.
        QVERIFY(sim.output().contains("rx? " + request.toHex(' ').toUpper() + " (broadcast"));
        return;
    }
    QVERIFY(valid_frame(reply));
    // Paced like every reply: one byte at a time.
    int tx = 0;
    for (const traced_frame &f : sim.frames())
        tx += f.received ? 0 : 1;
    QCOMPARE(tx, reply.size());
}

void tst_sim_wire::request_right_after_another_slaves_frame_data()
{
    QTest::addColumn<int>("gap_ms");
    // At 9600 baud 3.5 characters are 3.6 ms; frames closer than that (or read late) are told
    // apart by their length and CRC.
    for (int gap : { 2, 5, 10, 15 })
        QTest::addRow("%d ms after a frame for address 5", gap) << gap;
}

void tst_sim_wire::request_right_after_another_slaves_frame()
{
    QFETCH(int, gap_ms);
    QVERIFY2(sim.start(pair.converter_end()), qPrintable(sim.error()));
    QVERIFY(open_port());
    port.write(with_reference_crc(hex_bytes("05 01 00 00 00 08")));
    port.waitForBytesWritten(100);
    QThread::msleep(ulong(gap_ms)); // the silence on the line is the point of the test
    const QByteArray reply = joined(exchange(port, status_request()));
    QCOMPARE(reply, hex_bytes("01 01 01 00 51 88"));
}

void tst_sim_wire::pty_answers_only_at_its_own_settings_data()
{
    QTest::addColumn<QStringList>("mbpoll_args");
    QTest::addColumn<bool>("answered");
    QTest::newRow("19200 8E2 like the simulator")
        << QStringList { "-b", "19200", "-P", "even", "-s", "2" } << true;
    QTest::newRow("19200 8N2: even and none look alike on a pty")
        << QStringList { "-b", "19200", "-P", "none", "-s", "2" } << true;
    QTest::newRow("9600 8E2: speed")
        << QStringList { "-b", "9600", "-P", "even", "-s", "2" } << false;
    QTest::newRow("19200 8E1: stop bits")
        << QStringList { "-b", "19200", "-P", "even", "-s", "1" } << false;
    QTest::newRow("19200 8O2: odd parity")
        << QStringList { "-b", "19200", "-P", "odd", "-s", "2" } << false;
}

void tst_sim_wire::pty_answers_only_at_its_own_settings()
{
    QFETCH(QStringList, mbpoll_args);
    QFETCH(bool, answered);
    const QString link = dir.filePath(QStringLiteral("converter"));
    QVERIFY2(sim.start_pty(link, { "--baud", "19200", "--parity", "even", "--stop-bits", "2" }),
             qPrintable(sim.error()));
    const mbpoll_result r
        = run_mbpoll(link, mbpoll_args + QStringList { "-t", "3", "-r", "50", "-c", "1" });
    QCOMPARE(r.values.contains(50), answered);
    QCOMPARE(sim.output().contains("line settings differ: 19200 8E2 vs "), !answered);
}

void tst_sim_wire::link_never_replaces_a_file()
{
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(notes);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("notes\n");
    file.close();
    QProcess p;
    p.start(sim_program(), { "--pty", "--link", notes });
    QVERIFY(p.waitForFinished(5000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(p.readAllStandardError().contains("not a symbolic link"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("notes\n"));
}

QTEST_GUILESS_MAIN(tst_sim_wire)
#include "tst_sim_wire.moc"
