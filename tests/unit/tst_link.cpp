#include "decode/register_map.h"
#include "link/bus.h"
#include "link/crc16.h"
#include "link/diag_texts.h"
#include "link/exchange.h"
#include "link/frame_bytes.h"
#include "link/frames.h"
#include "link/link_timing.h"
#include "link/reply_path.h"

#include <QtTest>

#include "bytes.h"

namespace {
QByteArray frame_bytes(const orte::request_frame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size()));
}
} // namespace

class tst_link : public QObject
{
    Q_OBJECT

private slots:
    void crc_vectors_data();
    void crc_vectors();
    void tables_follow_polynomial();
    void request_frames();
    void stamping_address_128();
    void crc_check_replies_data();
    void crc_check_replies();
    void crc_check_every_length();
    void crc_check_single_bit_errors();
    void crc_check_lengths_are_8_bit();
    void reads_beyond_the_buffer_give_zero();
    void dispatch_by_length_data();
    void dispatch_by_length();
    void timing_data();
    void timing();
    void late_poll_restarts_the_period_data();
    void late_poll_restarts_the_period();
    void reply_answers_its_request_data();
    void reply_answers_its_request();
    void every_chunking_gives_the_whole_reply_data();
    void every_chunking_gives_the_whole_reply();
    void exchange_ends_data();
    void exchange_ends();
    void search_steps_data();
    void search_steps();
    void bus_pairing_data();
    void bus_pairing();
    void long_frame_checks_its_whole_crc();
    void error_marks_data();
    void error_marks();
    void exchange_outcomes_data();
    void exchange_outcomes();
    void noise_between_frames_data();
    void noise_between_frames();
    void expected_reply_lengths_data();
    void expected_reply_lengths();
};

void tst_link::crc_vectors_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<quint8>("hi");
    QTest::addColumn<quint8>("lo");
    // The CRC-16/MODBUS check value of "123456789" is 0x4B37, sent 37 4B.
    QTest::newRow("\"123456789\" check value")
        << QByteArray("123456789") << quint8(0x37) << quint8(0x4B);
    QTest::newRow("01 01 00 00 00 08 status request")
        << hex_bytes("01 01 00 00 00 08") << quint8(0x3D) << quint8(0xCC);
    QTest::newRow("01 04 00 32 00 05 ident request")
        << hex_bytes("01 04 00 32 00 05") << quint8(0x91) << quint8(0xC6);
    QTest::newRow("01 04 00 00 00 0C measure request")
        << hex_bytes("01 04 00 00 00 0C") << quint8(0xF0) << quint8(0x0F);
    // A single zero byte: CRC 0x40BF, worked by hand from the polynomial.
    QTest::newRow("00") << hex_bytes("00") << quint8(0xBF) << quint8(0x40);
    QTest::newRow("empty message") << QByteArray() << quint8(0xFF) << quint8(0xFF);
}

void tst_link::crc_vectors()
{
    QFETCH(QByteArray, message);
    QFETCH(quint8, hi);
    QFETCH(quint8, lo);
    const orte::crc_pair crc = orte::modbus_crc16(
        reinterpret_cast<const quint8 *>(message.constData()), quint8(message.size()));
    QCOMPARE(crc.hi, hi);
    QCOMPARE(crc.lo, lo);
    QCOMPARE(quint16(crc.hi | (crc.lo << 8)), reference_crc(message));
}

void tst_link::tables_follow_polynomial()
{
    // The first entries as the Modbus serial line guide prints them.
    QCOMPARE(orte::crc_table_hi[0], quint8(0x00));
    QCOMPARE(orte::crc_table_hi[1], quint8(0xC1));
    QCOMPARE(orte::crc_table_hi[2], quint8(0x81));
    QCOMPARE(orte::crc_table_hi[3], quint8(0x40));
    QCOMPARE(orte::crc_table_lo[1], quint8(0xC0));
    QCOMPARE(orte::crc_table_lo[2], quint8(0xC1));
    QCOMPARE(orte::crc_table_lo[3], quint8(0x01));
    QCOMPARE(orte::crc_table_hi[255], quint8(0x40));
    QCOMPARE(orte::crc_table_lo[255], quint8(0x40));
    // Every single-byte message agrees with the bitwise reference.
    for (int b = 0; b < 256; ++b) {
        const quint8 byte = quint8(b);
        const orte::crc_pair crc = orte::modbus_crc16(&byte, 1);
        QCOMPARE(quint16(crc.hi | (crc.lo << 8)), reference_crc(QByteArray(1, char(byte))));
    }
}

void tst_link::request_frames()
{
    QCOMPARE(frame_bytes(orte::initial_req_measure()), hex_bytes("01 04 00 00 00 0C F0 0F"));
    QCOMPARE(frame_bytes(orte::initial_req_status()), hex_bytes("01 01 00 00 00 08 3D CC"));
    QCOMPARE(frame_bytes(orte::initial_req_ident()), hex_bytes("01 04 00 32 00 05 91 C6"));
}

void tst_link::stamping_address_128()
{
    orte::request_frame frame = orte::initial_req_status();
    orte::stamp_request(frame, 128);
    QCOMPARE(frame_bytes(frame), with_reference_crc(hex_bytes("80 01 00 00 00 08")));
    orte::stamp_request(frame, 1);
    QCOMPARE(frame_bytes(frame), hex_bytes("01 01 00 00 00 08 3D CC"));
}

void tst_link::crc_check_replies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");
    // Replies as libmodbus built them (taken from an earlier simulator's trace).
    QTest::newRow("01 04 0A ... ident, model 0, 2.0.0.1, serial 123456")
        << hex_bytes("01 04 0A 00 00 02 00 00 01 00 01 E2 40 75 F4") << true;
    QTest::newRow("01 01 01 00 status 0") << hex_bytes("01 01 01 00 51 88") << true;
    QTest::newRow("01 84 02 exception, illegal data address")
        << hex_bytes("01 84 02 C2 C1") << true;
    QTest::newRow("01 04 04 00 17 01 C2 two registers")
        << hex_bytes("01 04 04 00 17 01 C2 CB 81") << true;
    QTest::newRow("status with last CRC byte wrong") << hex_bytes("01 01 01 00 51 89") << false;
    QTest::newRow("status without its CRC") << hex_bytes("01 01 01 00") << false;
    QTest::newRow("two valid frames back to back")
        << hex_bytes("01 01 01 00 51 88 01 01 01 00 51 88") << false;
    QTest::newRow("empty buffer") << QByteArray() << false;
}

void tst_link::crc_check_replies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);
    QCOMPARE(orte::crc_check(reply, quint8(reply.size())), valid);
}

void tst_link::crc_check_every_length()
{
    for (int length = 3; length <= 255; ++length) {
        QByteArray payload;
        for (int i = 0; i < length - 2; ++i)
            payload.append(char((i * 37 + length) & 0xFF));
        const QByteArray frame = with_reference_crc(payload);
        QVERIFY2(orte::crc_check(frame, quint8(frame.size())), qPrintable(QString::number(length)));
    }
}

void tst_link::crc_check_single_bit_errors()
{
    const QByteArray frame = hex_bytes("01 04 0A 00 00 02 00 00 01 00 01 E2 40 75 F4");
    for (int bit = 0; bit < frame.size() * 8; ++bit) {
        QByteArray corrupted = frame;
        corrupted[bit / 8] = char(corrupted[bit / 8] ^ (1 << (bit % 8)));
        QVERIFY2(!orte::crc_check(corrupted, quint8(corrupted.size())),
                 qPrintable(QStringLiteral("bit %1").arg(bit)));
    }
}

void tst_link::crc_check_lengths_are_8_bit()
{
    // 256 bytes count as a frame of length 0: invalid without looking at them.
    QByteArray buffer(256, '\0');
    QVERIFY(!orte::crc_check(buffer, quint8(buffer.size())));
    // 261 bytes count as 5: only the first five enter the check.
    QByteArray long_buffer = hex_bytes("01 84 02 C2 C1") + QByteArray(256, '\x55');
    QCOMPARE(long_buffer.size(), 261);
    QVERIFY(orte::crc_check(long_buffer, quint8(long_buffer.size())));
    long_buffer[0] = '\x02';
    QVERIFY(!orte::crc_check(long_buffer, quint8(long_buffer.size())));
}

void tst_link::reads_beyond_the_buffer_give_zero()
{
    const QByteArray rx = hex_bytes("01 02 03");
    QCOMPARE(orte::rx_at(rx, 2), quint8(3));
    QCOMPARE(orte::rx_at(rx, 3), quint8(0));
    QCOMPARE(orte::rx_at(rx, 1000), quint8(0));
    QCOMPARE(orte::rx_at(QByteArray(), 0), quint8(0));
}

void tst_link::dispatch_by_length_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("kind");
    QTest::newRow("5: exception") << 5 << int(orte::reply_kind::exception);
    QTest::newRow("6: status") << 6 << int(orte::reply_kind::status);
    QTest::newRow("15: ident") << 15 << int(orte::reply_kind::ident);
    QTest::newRow("29: measure") << 29 << int(orte::reply_kind::measure);
    QTest::newRow("7: unexpected") << 7 << int(orte::reply_kind::unexpected);
    QTest::newRow("3: unexpected") << 3 << int(orte::reply_kind::unexpected);
    QTest::newRow("255: unexpected") << 255 << int(orte::reply_kind::unexpected);
}

void tst_link::dispatch_by_length()
{
    QFETCH(int, length);
    QFETCH(int, kind);
    QCOMPARE(int(orte::classify_reply(quint8(length))), kind);
}

void tst_link::timing_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<int>("stop_bits");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("ident_limit");
    // 50 8N1: 200 ms a character; the identification (8 + 3.5 + 15 characters) and the window.
    QTest::newRow("50 8N1") << 50 << false << 1 << 2535 << 8835 << 7835;
    // 1200 8N1: a character is 8.33 ms; 12.5 of them + 35 ms = 139.2, 44 of them + 35 = 401.7.
    QTest::newRow("1200 8N1") << 1200 << false << 1 << 140 << 402 << 1000;
    // 1200 8E2: 10 ms a character: 160 and 475 ms.
    QTest::newRow("1200 8E2") << 1200 << true << 2 << 160 << 475 << 1000;
    QTest::newRow("2400 8E2") << 2400 << true << 2 << 100 << 300 << 1000;
    QTest::newRow("2400 8N1") << 2400 << false << 1 << 100 << 300 << 1000;
    QTest::newRow("9600 8N1") << 9600 << false << 1 << 100 << 300 << 1000;
    QTest::newRow("921600 8O1") << 921600 << true << 1 << 100 << 300 << 1000;
}

void tst_link::timing()
{
    QFETCH(int, baud);
    QFETCH(bool, parity);
    QFETCH(int, stop_bits);
    QFETCH(int, window);
    QFETCH(int, period);
    const orte::line_format format { baud, parity ? 'E' : 'N', stop_bits };
    QCOMPARE(orte::reply_window_ms(format), window);
    QCOMPARE(orte::poll_period_ms(format), period);
    QFETCH(int, ident_limit);
    QCOMPARE(orte::exchange_limit_ms(format, 15), ident_limit);
}

void tst_link::late_poll_restarts_the_period_data()
{
    QTest::addColumn<int>("due");
    QTest::addColumn<int>("now");
    QTest::addColumn<int>("next");
    QTest::newRow("early: on the grid") << 300 << 290 << 600;
    QTest::newRow("20 ms late: on the grid") << 300 << 320 << 600;
    QTest::newRow("21 ms late: from itself") << 300 << 321 << 621;
    QTest::newRow("8 s of noise: from itself, no burst") << 300 << 8300 << 8600;
}

void tst_link::late_poll_restarts_the_period()
{
    QFETCH(int, due);
    QFETCH(int, now);
    QFETCH(int, next);
    QCOMPARE(orte::next_poll_due(due, now, 300), (long long)next);
}

void tst_link::reply_answers_its_request_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("request"); // 0 measurement, 2 identification, both to address 5
    QTest::addColumn<int>("check");
    using c = orte::answer_check;
    const QByteArray ident
        = with_reference_crc(hex_bytes("05 04 0A 00 DC 01 02 03 04 00 01 E2 40"));
    QTest::newRow("05 04 0A ...: its reply") << ident << 2 << int(c::answers);
    QTest::newRow("05 84 02: its exception")
        << with_reference_crc(hex_bytes("05 84 02")) << 2 << int(c::exception);
    QTest::newRow("05 84 02 00: an exception too long")
        << with_reference_crc(hex_bytes("05 84 02 00")) << 2 << int(c::other_length);
    QTest::newRow("04 04 0A ...: another slave's")
        << with_reference_crc(hex_bytes("04 04 0A 00 DC 01 02 03 04 00 01 E2 40")) << 2
        << int(c::other_address);
    QTest::newRow("05 01 01 00: a reply to a status request")
        << with_reference_crc(hex_bytes("05 01 01 00")) << 2 << int(c::other_function);
    QTest::newRow("05 04 0A ...: the identification, late, to the measurement")
        << ident << 0 << int(c::other_byte_count);
    QTest::newRow("05 04 18 ...: the measurement less its last register")
        << with_reference_crc(hex_bytes("05 04 18 00 10 00 18 00 00 00 00 00 01 00 00 00 00 00 00"
                                        " 00 00 00 00 00 00"))
        << 0 << int(c::other_length);
}

void tst_link::reply_answers_its_request()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, request);
    QFETCH(int, check);
    const orte::request_frame r
        = request == 0 ? orte::initial_req_measure() : orte::initial_req_ident();
    QCOMPARE(int(orte::check_answer(frame, orte::stamped_at(r, 5))), check);
    QCOMPARE(orte::answers(frame, orte::stamped_at(r, 5)),
             orte::answered(orte::answer_check(check)));
}

namespace {
// What a reply path made of a reply fed in `chunks`: "measure 29 <hex>", "crc 3", "timeout".
QString monitor_path(const orte::request_frame &request, const QVector<QByteArray> &chunks)
{
    QByteArray rx;
    auto said = [&rx](orte::reply_kind kind) {
        return QStringLiteral("%1 %2 %3").arg(int(kind)).arg(rx.size()).arg(QString(rx.toHex()));
    };
    for (const QByteArray &chunk : chunks) {
        const orte::chunk_result r = orte::accept_chunk(rx, chunk, request);
        if (r.frame_complete)
            return said(r.kind);
    }
    const orte::chunk_result r = orte::close_window(rx);
    if (r.frame_complete)
        return said(r.kind);
    return rx.isEmpty() ? QStringLiteral("timeout") : QStringLiteral("crc %1").arg(rx.size());
}

QString collector_path(const orte::request_frame &request, const QVector<QByteArray> &chunks)
{
    orte::reply_collector c;
    c.start(request);
    for (const QByteArray &chunk : chunks)
        if (c.feed(chunk))
            break;
    c.close();
    const orte::collected_reply &r = c.reply();
    return QStringLiteral("%1 %2 %3 %4")
        .arg(int(r.outcome()))
        .arg(int(r.kind))
        .arg(QString(r.bytes.toHex()))
        .arg(QString(r.foreign.toHex()));
}

// A measurement reply from address `address` with input 1 at 16.024, whose CRC's last byte
// is 0x00 (found by varying input 2's thousandths), or any other when `crc_ends_in_zero` is
// false.
QByteArray measurement(quint8 address, bool crc_ends_in_zero)
{
    for (int milli = 0;; ++milli) {
        QByteArray f = hex_bytes("01 04 18 00 10 00 18 00 00 00 00 00 01 00 00 00 00 00 00"
                                 " 00 00 00 00 00 00 00 00");
        f[0] = char(address);
        f[8] = char(milli >> 8);
        f[9] = char(milli & 0xFF);
        f = with_reference_crc(f);
        if ((f.at(f.size() - 1) == 0) == crc_ends_in_zero)
            return f;
    }
}

// An identification reply (model 220, firmware 1.2.3.4) whose CRC ends in 0x00, by its serial.
QByteArray identification_ending_in_zero()
{
    for (int serial = 1;; ++serial) {
        QByteArray f = hex_bytes("01 04 0A 00 DC 01 02 03 04 00 00 00 00");
        f[9] = char(serial >> 16);
        f[10] = char(serial >> 8);
        f[11] = char(serial);
        f = with_reference_crc(f);
        if (f.at(f.size() - 1) == 0)
            return f;
    }
}
} // namespace

void tst_link::every_chunking_gives_the_whole_reply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("request"); // 0 measurement, 1 status, 2 identification
    QTest::addColumn<int>("kind"); // what the monitor's dispatch makes of it
    const int measure = int(orte::reply_kind::measure);
    QTest::newRow("measurement") << measurement(1, false) << 0 << measure;
    QTest::newRow("measurement, CRC ends in 00") << measurement(1, true) << 0 << measure;
    QTest::newRow("measurement at address 5, CRC ends in 00")
        << measurement(5, true) << 0 << measure;
    QTest::newRow("identification, CRC ends in 00")
        << identification_ending_in_zero() << 2 << int(orte::reply_kind::ident);
    // status: input 1 fault, setpoint 1 of input 1 exceeded
    QTest::newRow("status 01 01 01 11")
        << with_reference_crc(hex_bytes("01 01 01 11")) << 1 << int(orte::reply_kind::status);
    QTest::newRow("exception 01 84 02 to the measurement")
        << with_reference_crc(hex_bytes("01 84 02")) << 0 << int(orte::reply_kind::exception);
    QTest::newRow("7-byte frame to the status request")
        << with_reference_crc(hex_bytes("01 01 02 11 00")) << 1
        << int(orte::reply_kind::unexpected);
}

void tst_link::every_chunking_gives_the_whole_reply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, request);
    QFETCH(int, kind);
    const orte::request_frame requests[]
        = { orte::initial_req_measure(), orte::initial_req_status(), orte::initial_req_ident() };
    const orte::request_frame r = orte::stamped_at(requests[request], quint8(reply.at(0)));
    const QString whole = monitor_path(r, { reply });
    QCOMPARE(whole,
             QStringLiteral("%1 %2 %3").arg(kind).arg(reply.size()).arg(QString(reply.toHex())));
    const QString collected = collector_path(r, { reply });
    QVector<QVector<QByteArray>> chunkings;
    for (int cut = 1; cut < reply.size(); ++cut)
        chunkings.append({ reply.left(cut), reply.mid(cut) });
    QRandomGenerator random(473);
    for (int i = 0; i < 200; ++i) {
        QVector<QByteArray> chunks;
        for (int at = 0; at < reply.size();) {
            const int n = 1 + int(random.bounded(6));
            chunks.append(reply.mid(at, n));
            at += n;
        }
        chunkings.append(chunks);
    }
    for (const QVector<QByteArray> &chunks : chunkings) {
        QCOMPARE(monitor_path(r, chunks), whole);
        QCOMPARE(collector_path(r, chunks), collected);
    }
}

void tst_link::exchange_ends_data()
{
    // A chunk (frame complete or not, of some kind), or the window closing with `received`
    // bytes; then what the window shows, logs and counts.
    QTest::addColumn<bool>("window_closed");
    QTest::addColumn<bool>("frame_complete");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("received");
    QTest::addColumn<bool>("stop_on_timeouts");
    QTest::addColumn<int>("timeouts");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<QString>("link_text"); // "-": left as it is
    QTest::addColumn<int>("record"); // -1: none
    QTest::addColumn<int>("timeouts_after");
    QTest::addColumn<bool>("stop_run");
    const int none = -1;
    const int crc = int(orte::link_failure::crc_error);
    const int timeout = int(orte::link_failure::timeout);
    const int measure = int(orte::reply_kind::measure);
    QTest::newRow("chunk, no frame yet: window again, link line kept")
        << false << false << measure << 0 << true << 4 << false << "-" << none << 0 << false;
    QTest::newRow("measurement frame: link line cleared")
        << false << true << measure << 0 << true << 4 << true << "" << none << 0 << false;
    QTest::newRow("exception frame")
        << false << true << int(orte::reply_kind::exception) << 0 << false << 0 << true
        << orte::diag_exception << none << 0 << false;
    QTest::newRow("7-byte frame") << false << true << int(orte::reply_kind::unexpected) << 0
                                  << false << 0 << true << orte::diag_unexpected << none << 0
                                  << false;
    QTest::newRow("window closed on 3 bytes: CRC error, count ended")
        << true << false << 0 << 3 << true << 7 << true << orte::diag_crc << crc << 0 << false;
    QTest::newRow("window closed on 256 bytes: counted as none (8-bit)")
        << true << false << 0 << 256 << true << 2 << true << orte::diag_timeout << timeout << 3
        << false;
    QTest::newRow("window closed empty, no automatic stop: count kept")
        << true << false << 0 << 0 << false << 10 << true << orte::diag_timeout << timeout << 10
        << false;
    QTest::newRow("10th empty time-out: counted") << true << false << 0 << 0 << true << 9 << true
                                                  << orte::diag_timeout << timeout << 10 << false;
    QTest::newRow("11th empty time-out: the run stops")
        << true << false << 0 << 0 << true << 10 << true << orte::diag_timeout << timeout << 0
        << true;
}

void tst_link::exchange_ends()
{
    QFETCH(bool, window_closed);
    QFETCH(bool, frame_complete);
    QFETCH(int, kind);
    QFETCH(int, received);
    QFETCH(bool, stop_on_timeouts);
    QFETCH(int, timeouts);
    const orte::exchange_decision d = window_closed
        ? orte::on_window_closed(quint8(received), stop_on_timeouts, quint8(timeouts))
        : orte::on_reply_chunk(frame_complete, orte::reply_kind(kind));
    QFETCH(bool, ended);
    QFETCH(QString, link_text);
    QFETCH(int, record);
    QFETCH(int, timeouts_after);
    QFETCH(bool, stop_run);
    QCOMPARE(d.ended, ended);
    QCOMPARE(d.link_text_set ? QString::fromUtf8(d.link_text) : QStringLiteral("-"), link_text);
    QCOMPARE(d.record ? int(d.failure) : -1, record);
    QCOMPARE(int(d.timeouts), timeouts_after);
    QCOMPARE(d.stop_run, stop_run);
}

void tst_link::search_steps_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("reply_done");
    QTest::addColumn<bool>("bound_passed");
    QTest::addColumn<int>("step");
    const int searching = int(orte::link_state::searching);
    QTest::newRow("searching, nothing yet: wait")
        << searching << false << false << int(orte::search_step::wait);
    QTest::newRow("searching, reply done: done")
        << searching << true << false << int(orte::search_step::done);
    QTest::newRow("searching, reply done as the bound passes: done")
        << searching << true << true << int(orte::search_step::done);
    QTest::newRow("searching, bound passed: give up")
        << searching << false << true << int(orte::search_step::give_up);
    QTest::newRow("window closed, reply done: abandon")
        << int(orte::link_state::search_abandoned) << true << false
        << int(orte::search_step::abandon);
}

void tst_link::search_steps()
{
    QFETCH(int, state);
    QFETCH(bool, reply_done);
    QFETCH(bool, bound_passed);
    QFETCH(int, step);
    QCOMPARE(int(orte::next_search_step(orte::link_state(state), reply_done, bound_passed)), step);
}

void tst_link::bus_pairing_data()
{
    // What a listener read, chunk by chunk ("|" between reads, 10 ms apart), and what the
    // framing and pairing made of it: x exchange, u unanswered request, o reply without its
    // request, n noise, b broadcast.
    QTest::addColumn<QString>("heard");
    QTest::addColumn<QString>("events");
    // 01 04 00 00 00 02: read input registers 0..1; its reply carries 23 and 450.
    const QString request = QStringLiteral("01 04 00 00 00 02 71 CB");
    const QString reply = QStringLiteral("01 04 04 00 17 01 C2 CB 81");
    QTest::newRow("request | reply") << request + " | " + reply << "x";
    QTest::newRow("request and reply glued by a late read") << request + " " + reply << "x";
    QTest::newRow("request | exception 02") << request + " | 01 84 02 C2 C1"
                                            << "x";
    QTest::newRow("reply without its request") << reply << "o";
    QTest::newRow("request, next request: the first unanswered")
        << request + " | " + request + " | " + reply << "ux";
    QTest::newRow("request to address 2 | a reply from address 1: unanswered at the end")
        << "02 04 00 00 00 02 71 F8 | " + reply << "ou";
    QTest::newRow("noise between request and reply") << request + " | 5A A5 33 | " + reply << "nx";
    // 01 01 00 00 00 08: read coils 0..7; its 8-byte reply would look like a request.
    QTest::newRow("coils: request | reply 01 01 01 11")
        << "01 01 00 00 00 08 3D CC | 01 01 01 11 91 84"
        << "x";
    // An adapter hands bytes over every few milliseconds, wherever the frame is.
    QTest::newRow("a frame cut in two") << "01 04 00 00 | 00 02 71 CB | " + reply << "x";
    QTest::newRow("a frame cut in three, a cut inside the CRC")
        << "01 04 | 00 00 00 02 71 | CB 01 04 04 00 17 01 C2 CB | 81"
        << "x";
    QTest::newRow("two frames glued with a piece of a third")
        << request + " " + reply + " 01 04 00 | 00 00 02 71 CB"
        << "xu";
    QTest::newRow("noise then a frame in one chunk")
        << "5A A5 33 " + request + " | " + reply << "nx";
    QTest::newRow("a stray byte before each request")
        << "00 " + request + " | " + reply + " | 00 " + request + " | " + reply << "nxnx";
    // 01 10 00 05 00 02 04 00 0A 01 02: write registers 5..6 with 10 and 258.
    QTest::newRow("function 16: write registers | reply")
        << "01 10 00 05 00 02 04 00 0A 01 02 93 C3 | 01 10 00 05 00 02 51 C9"
        << "x";
    QTest::newRow("function 05: write coil 2 on | echo")
        << "01 05 00 02 FF 00 2D FA | 01 05 00 02 FF 00 2D FA"
        << "x";
    QTest::newRow("function 08: diagnostics echo")
        << "01 08 00 00 A5 37 DA 8D | 01 08 00 00 A5 37 DA 8D"
        << "x";
    // 2B 0E 01 00: basic device identification from object 0; one object "ORT".
    QTest::newRow("function 43/14: device identification")
        << "01 2B 0E 01 00 70 77 | 01 2B 0E 01 01 00 00 01 00 03 4F 52 54 01 6E"
        << "x";
    // 17: read 2 registers from 0, write 1 register at 16 with 7.
    QTest::newRow("function 23: read and write")
        << "01 17 00 00 00 02 00 10 00 01 02 00 07 57 E9 | 01 17 04 00 01 00 02 29 26"
        << "x";
    QTest::newRow("a broadcast write to address 0 waits for no reply")
        << "00 06 00 01 00 03 99 DA | " + request + " | " + reply << "bx";
}

void tst_link::bus_pairing()
{
    QFETCH(QString, heard);
    QFETCH(QString, events);
    orte::bus_framer framer(1);
    orte::bus_pairing pairing(1);
    QString made;
    auto note = [&](const QVector<orte::bus_event> &happened) {
        for (const orte::bus_event &e : happened)
            made += QLatin1Char("xuonb"[e.kind]);
    };
    double at = 0;
    QByteArray all;
    QByteArray pieces;
    auto take = [&](const QVector<orte::heard_piece> &heard_pieces) {
        for (const orte::heard_piece &p : heard_pieces) {
            pieces += p.bytes;
            note(pairing.take(p));
        }
    };
    for (const QString &chunk : heard.split(QStringLiteral(" | "))) {
        all += hex_bytes(qPrintable(chunk));
        take(framer.feed(hex_bytes(qPrintable(chunk)), at += 10));
    }
    take(framer.flush(1e9));
    note(pairing.expire(1e9));
    QCOMPARE(made, events);
    // Nothing heard is lost or made up.
    QCOMPARE(pieces, all);
}

void tst_link::long_frame_checks_its_whole_crc()
{
    // A CRC that holds over the first four bytes says nothing of 260.
    QByteArray bytes = with_reference_crc(hex_bytes("01 04"));
    bytes += QByteArray(256, '\0');
    QVERIFY(!orte::frame_at(bytes, 0, 260));
    QVERIFY(orte::frame_at(bytes, 0, 4));
    // At 50 baud (a character 220 ms) the measurement's 29-byte reply takes over 6 s: the
    // pairing waits for it.
    QVERIFY(orte::bus_pairing(220).reply_limit_ms(hex_bytes("01 04 00 00 00 0C F0 0F")) > 29 * 220);
}

void tst_link::error_marks_data()
{
    QTest::addColumn<QString>("read"); // reads, "|" between them
    QTest::addColumn<QByteArray>("clean");
    QTest::addColumn<int>("errors");
    QTest::newRow("nothing marked") << "01 02 03" << hex_bytes("01 02 03") << 0;
    QTest::newRow("FF FF: a plain FF") << "01 FF FF 02" << hex_bytes("01 FF 02") << 0;
    QTest::newRow("FF 00 41: a character with an error, dropped")
        << "01 FF 00 41 02" << hex_bytes("01 02") << 1;
    QTest::newRow("a mark cut by a read")
        << "01 FF | 00 | 41 02 FF | FF" << hex_bytes("01 02 FF") << 1;
}

void tst_link::error_marks()
{
    QFETCH(QString, read);
    QFETCH(QByteArray, clean);
    QFETCH(int, errors);
    orte::error_marks marks;
    QByteArray got;
    for (const QString &chunk : read.split(QStringLiteral(" | ")))
        got += marks.feed(hex_bytes(qPrintable(chunk)));
    QCOMPARE(got, clean);
    QCOMPARE(marks.errors, errors);
}

void tst_link::exchange_outcomes_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("foreign");
    QTest::addColumn<bool>("heard");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("link_text");
    using o = orte::exchange_outcome;
    QTest::newRow("the answer") << "01 01 01 11 91 84"
                                << "" << true << int(o::answer) << "";
    QTest::newRow("exception 02") << "01 84 02 C2 C1"
                                  << "" << true << int(o::exception)
                                  << QString::fromUtf8(orte::diag_exception);
    QTest::newRow("another slave's frame, nothing better")
        << ""
        << "02 01 01 11 91 C0" << true << int(o::foreign)
        << QString::fromUtf8(orte::diag_unexpected);
    QTest::newRow("bytes, no frame")
        << ""
        << "" << true << int(o::crc_error) << QString::fromUtf8(orte::diag_crc);
    QTest::newRow("nothing") << ""
                             << "" << false << int(o::timeout)
                             << QString::fromUtf8(orte::diag_timeout);
}

void tst_link::exchange_outcomes()
{
    QFETCH(QString, answer);
    QFETCH(QString, foreign);
    QFETCH(bool, heard);
    QFETCH(int, outcome);
    QFETCH(QString, link_text);
    const orte::exchange_outcome o = orte::classify_exchange(hex_bytes(qPrintable(answer)),
                                                             hex_bytes(qPrintable(foreign)), heard);
    QCOMPARE(int(o), outcome);
    QCOMPARE(QString::fromUtf8(orte::link_text(o)), link_text);
}

void tst_link::noise_between_frames_data()
{
    // "f": a frame; "N@A-B": N bytes of noise read from A to B ms.
    QTest::addColumn<QString>("heard");
    QTest::addColumn<int>("bursts");
    QTest::addColumn<bool>("lost");
    QString bad_replies;
    for (int i = 0; i < 10; ++i)
        bad_replies += QStringLiteral("f %1@%2-%3 f ").arg(20).arg(300 * i).arg(300 * i + 20);
    QTest::newRow("10 garbage replies between good frames") << bad_replies.trimmed() << 10 << false;
    QTest::newRow("one bad reply cut into 16 ms reads")
        << "f 8@0-0 8@16-16 8@32-32 f" << 1 << false;
    QTest::newRow("the line at other settings: only noise for over a second")
        << "f 37@0-40 37@300-340 37@600-640 37@900-940 37@1200-1240" << 5 << true;
    QTest::newRow("a second of noise, then a frame")
        << "37@0-40 37@600-640 37@1200-1240 f" << 3 << false;
    QTest::newRow("noise for a second, but too few bytes")
        << "f 10@0-10 10@1100-1110" << 2 << false;
}

void tst_link::noise_between_frames()
{
    QFETCH(QString, heard);
    QFETCH(int, bursts);
    QFETCH(bool, lost);
    orte::noise_run run(50);
    int counted = 0;
    for (const QString &piece : heard.split(' ')) {
        if (piece == QLatin1String("f")) {
            run.frame();
            continue;
        }
        const QStringList n = piece.split(QRegularExpression(QStringLiteral("[@-]")));
        counted += run.noise(n[0].toInt(), n[1].toDouble(), n[2].toDouble()) ? 1 : 0;
    }
    QCOMPARE(counted, bursts);
    QCOMPARE(run.lost(), lost);
}

void tst_link::expected_reply_lengths_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("length");
    QTest::newRow("read input registers 0..11: 29") << "01 04 00 00 00 0C F0 0F" << 29;
    QTest::newRow("read input registers 50..54: 15") << "01 04 00 32 00 05 91 C6" << 15;
    QTest::newRow("read coils 0..7: 6") << "01 01 00 00 00 08 3D CC" << 6;
    QTest::newRow("write register: its echo, 8") << "01 06 00 05 FF 00 D8 3B" << 8;
    QTest::newRow("write registers: 8") << "01 10 00 05 00 02 04 00 0A 01 02 93 C3" << 8;
    QTest::newRow("device identification: not fixed") << "01 2B 0E 01 00 70 77" << 0;
    QTest::newRow("a reply is no request") << "01 04 04 00 17 01 C2 CB 81" << -1;
}

void tst_link::expected_reply_lengths()
{
    QFETCH(QString, request);
    QFETCH(int, length);
    QCOMPARE(orte::expected_reply_length(hex_bytes(qPrintable(request))), length);
}

QTEST_APPLESS_MAIN(tst_link)
#include "tst_link.moc"
