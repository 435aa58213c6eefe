// The simulator's fault planner and command line as pure functions: frames in, plans out.

#include "sim/cli.h"
#include "sim/faults.h"
#include "sim/framing.h"
#include "sim/modbus_slave.h"

#include <QtTest>

#include "bytes.h"

namespace {
std::vector<uint8_t> bytes_of(const QByteArray &b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

QByteArray qbytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

// A request with its reference CRC.
std::vector<uint8_t> request(const char *hex)
{
    return bytes_of(with_reference_crc(hex_bytes(hex)));
}
} // namespace

class tst_sim_replies : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void answers_data();
    void answers();
    void faults_data();
    void faults();
    void command_lines_data();
    void command_lines();
};

void tst_sim_replies::frames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("glued"); // length of a whole first frame in it
    const QByteArray status = with_reference_crc(hex_bytes("01 01 00 00 00 08"));
    const QByteArray other = with_reference_crc(hex_bytes("05 01 00 00 00 08"));
    const int bad_crc = int(sim::frame_verdict::bad_crc);
    QTest::newRow("01 01 ... for us") << status << int(sim::frame_verdict::request) << 0;
    QTest::newRow("00 05 ... 8D EB broadcast")
        << hex_bytes("00 05 00 00 FF 00 8D EB") << int(sim::frame_verdict::broadcast) << 0;
    QTest::newRow("05 01 ... another address")
        << other << int(sim::frame_verdict::other_address) << 0;
    QTest::newRow("last CRC byte wrong") << status.left(7) + char(status[7] ^ 1) << bad_crc << 0;
    QTest::newRow("3 bytes") << hex_bytes("01 01 00") << int(sim::frame_verdict::too_short) << 0;
    QTest::newRow("another slave's frame and ours read as one") << other + status << bad_crc << 8;
    QTest::newRow("a write of two registers and ours")
        << with_reference_crc(hex_bytes("05 10 00 00 00 02 04 00 01 00 02")) + status << bad_crc
        << 13;
    QTest::newRow("a broken frame and ours") << hex_bytes("05 01 00") + status << bad_crc << 0;
}

void tst_sim_replies::frames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, verdict);
    QFETCH(int, glued);
    QCOMPARE(int(sim::check_frame(bytes_of(frame), 1)), verdict);
    QCOMPARE(int(sim::glued_frame_length(bytes_of(frame))), glued);
}

void tst_sim_replies::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply"); // without its CRC
    // model 0, version 2.0.0.1, serial 123456
    QTest::newRow("registers 50-54: identity")
        << hex_bytes("01 04 00 32 00 05") << hex_bytes("01 04 0A 00 00 02 00 00 01 00 01 E2 40");
    QTest::newRow("coils 0-7: status 00")
        << hex_bytes("01 01 00 00 00 08") << hex_bytes("01 01 01 00");
    QTest::newRow("126 registers at 50: quantity (03) before address")
        << hex_bytes("01 04 00 32 00 7E") << hex_bytes("01 84 03");
    QTest::newRow("2001 coils: 03") << hex_bytes("01 01 00 00 07 D1") << hex_bytes("01 81 03");
    QTest::newRow("register 12: 02") << hex_bytes("01 04 00 0C 00 01") << hex_bytes("01 84 02");
    QTest::newRow("coil 8: 02") << hex_bytes("01 01 00 08 00 01") << hex_bytes("01 81 02");
    QTest::newRow("function 05: 01") << hex_bytes("01 05 00 00 FF 00") << hex_bytes("01 85 01");
    QTest::newRow("function 2B, 5 bytes: 01")
        << hex_bytes("01 2B 0E 01 00") << hex_bytes("01 AB 01");
}

void tst_sim_replies::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    const sim::converter_state state;
    QCOMPARE(qbytes(sim::modbus_answer(bytes_of(with_reference_crc(request)), state)),
             with_reference_crc(reply));
}

void tst_sim_replies::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("length"); // 0: silence
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("split_at");
    QTest::addColumn<double>("delay");
    QTest::newRow("none: 6 valid bytes") << 0 << 6 << true << 0 << 0.0;
    QTest::newRow("silent") << 1 << 0 << false << 0 << 0.0;
    QTest::newRow("drop-out") << 2 << 0 << false << 0 << 0.0;
    QTest::newRow("exception 200: raw 01 81 C8") << 3 << 5 << true << 0 << 0.0;
    QTest::newRow("corrupt") << 4 << 6 << false << 0 << 0.0;
    QTest::newRow("split 2 after 40 ms, 15 ms late") << 5 << 6 << true << 2 << 15.0;
    QTest::newRow("wrong-length: 7 valid bytes") << 6 << 7 << true << 0 << 0.0;
    QTest::newRow("garbage 9") << 7 << 9 << false << 0 << 0.0;
}

void tst_sim_replies::faults()
{
    QFETCH(int, fault);
    QFETCH(int, length);
    QFETCH(bool, valid);
    QFETCH(int, split_at);
    QFETCH(double, delay);
    sim::pending_faults f;
    switch (fault) {
    case 1:
        f.silent_left = 1;
        break;
    case 2:
        f.dropout_until = 1500;
        break;
    case 3:
        f.exception_code = 200;
        break;
    case 4:
        f.corrupt_next = true;
        break;
    case 5:
        f.split_at = 2;
        f.split_ms = 40;
        f.delay_ms = 15;
        break;
    case 6:
        f.wrong_length_next = true;
        break;
    case 7:
        f.garbage_bytes = 9;
        break;
    }
    std::mt19937 rng(1);
    const sim::reply_plan plan
        = sim::plan_reply(request("01 01 00 00 00 08"), sim::converter_state(), f, 1000, rng);
    QCOMPARE(int(plan.bytes.size()), length);
    QCOMPARE(plan.silence.empty(), length > 0);
    if (length > 0)
        QCOMPARE(reference_crc(qbytes(plan.bytes)) == 0, valid);
    if (fault == 3)
        QCOMPARE(qbytes(plan.bytes).left(3), hex_bytes("01 81 C8"));
    QCOMPARE(int(plan.split_at), split_at);
    QCOMPARE(plan.delay_ms, delay);
    // Each fault is spent by the reply that used it.
    const sim::reply_plan next
        = sim::plan_reply(request("01 01 00 00 00 08"), sim::converter_state(), f, 2000, rng);
    QCOMPARE(int(next.bytes.size()), 6);
}

void tst_sim_replies::command_lines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("error_or_status");
    const int run = int(sim::command::run), help = int(sim::command::help),
              error = int(sim::command::error);
    QTest::newRow("-h") << QStringList { "-h" } << help << "";
    QTest::newRow("--status 010 is ten, not eight")
        << QStringList { "--pty", "--status", "010" } << run << "10";
    QTest::newRow("--status 0x1F") << QStringList { "--pty", "--status", "0x1F" } << run << "31";
    QTest::newRow("--status 09 is nine") << QStringList { "--pty", "--status", "09" } << run << "9";
    QTest::newRow("--status 256 names the option")
        << QStringList { "--pty", "--status", "256" } << error << "--status";
    QTest::newRow("--baud 96OO names the option")
        << QStringList { "--pty", "--baud", "96OO" } << error << "--baud";
    QTest::newRow("--seed -1") << QStringList { "--pty", "--seed", "-1" } << error << "--seed";
    QTest::newRow("both ports") << QStringList { "--pty", "--device", "x" } << error << "either";
}

void tst_sim_replies::command_lines()
{
    QFETCH(QStringList, args);
    QFETCH(int, result);
    QFETCH(QString, error_or_status);
    std::vector<QByteArray> storage { QByteArray("orte-sim") };
    for (const QString &a : args)
        storage.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    sim::options o;
    std::string error;
    QCOMPARE(int(sim::parse_command_line(int(argv.size()), argv.data(), o, error)), result);
    if (result == int(sim::command::error))
        QVERIFY2(QString::fromStdString(error).contains(error_or_status), error.c_str());
    else if (!error_or_status.isEmpty())
        QCOMPARE(int(o.state.status), error_or_status.toInt());
}

QTEST_APPLESS_MAIN(tst_sim_replies)
#include "tst_sim_replies.moc"
