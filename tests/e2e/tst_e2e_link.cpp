// The monitor's link and control, end to end: the real window against orte-sim over socat.

#include <QtTest>

#include <QElapsedTimer>
#include <algorithm>

#include "e2e.h"

namespace {
const QString msg_not_found = u(texts::msg_not_found);

enum request { ident, measure, status };

QByteArray request_bytes(request r, quint8 address)
{
    QByteArray body = r == ident ? hex_bytes("00 04 00 32 00 05")
        : r == measure           ? hex_bytes("00 04 00 00 00 0C")
                                 : hex_bytes("00 01 00 00 00 08");
    body[0] = char(address);
    return with_reference_crc(body);
}

// Intervals between the simulator's received requests, from the `from`-th on.
double median_interval(const QVector<traced_frame> &rx, int from)
{
    QVector<double> gaps;
    for (int i = from + 1; i < rx.size(); ++i)
        gaps.append(rx[i].ms - rx[i - 1].ms);
    std::sort(gaps.begin(), gaps.end());
    return gaps.isEmpty() ? 0 : gaps[gaps.size() / 2];
}
} // namespace

class tst_e2e_link : public QObject, private e2e_rig
{
    Q_OBJECT

private slots:
    void init() { set_up(); }
    void cleanup() { tear_down(); }

    void found_for_every_model_data();
    void found_for_every_model();
    void not_found_data();
    void not_found();
    void request_bytes_and_alternation_data();
    void request_bytes_and_alternation();
    void alternation_continues_across_runs();
    void poll_period_and_nothing_after_stop();
    void diagnostics_data();
    void diagnostics();
    void split_reply_is_not_an_error_data();
    void split_reply_is_not_an_error();
    void automatic_stop_on_the_eleventh_time_out();
    void no_automatic_stop_without_the_option();
    void low_speed_with_real_line_timing();
    void late_tick_does_not_cut_the_next_reply_short();
    void noise_ends_the_search_within_a_second();
    void vanished_port_and_back();
    void port_back_during_the_run();
    void stale_bytes_before_open_are_dropped();

private:
    bool clean_link_until(int requests, int ms);
};

// Serves events until the simulator has seen `requests` requests or `ms` have passed; false as
// soon as the link line shows anything. It sleeps between events: the window's timers and the
// simulator's trace wake it, and the deadline's own timer bounds the wait.
bool tst_e2e_link::clean_link_until(int requests, int ms)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(ms);
    while (sim.request_count() < requests && deadline.isActive()) {
        if (!monitor->text("diag_ustr").isEmpty())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return monitor->text("diag_ustr").isEmpty();
}

void tst_e2e_link::found_for_every_model_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("single");
    const char *names[] = { "220", "221", "110", "111", "200", "201", "100", "101", "120", "121" };
    const bool single[] = { false, false, true, true, false, false, true, true, true, true };
    for (int m = 0; m < 10; ++m)
        QTest::addRow("model %d: 473-%s", m, names[m])
            << m << u("Преобразователь ОРТЕ 473-%1 найден").arg(QString::fromLatin1(names[m]))
            << single[m];
}

void tst_e2e_link::found_for_every_model()
{
    QFETCH(int, model);
    QFETCH(QString, name);
    QFETCH(bool, single);
    start_sim({ "--model", QString::number(model), "--version", "2.0.0.1", "--serial", "123456" });
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QCOMPARE(monitor->text("string_name"), name);
    QCOMPARE(monitor->text("versia_po"), u("Версия ПО 2.0.0.1"));
    QCOMPARE(monitor->text("nomer_izd"), u(texts::default_serial));
    QVERIFY(!monitor->get<QPushButton>("Start")->isEnabled());
    QVERIFY(monitor->get<QPushButton>("Stop")->isEnabled());
    // One-input models leave input 2 out once measurements arrive.
    QTRY_VERIFY_WITH_TIMEOUT(!monitor->text("T_1_channal").isEmpty(), 5000);
    QCOMPARE(monitor->text("t_2_channal").isEmpty(), single);
    monitor->stop();
    QCOMPARE(monitor->page(), 0);
    QCOMPARE(monitor->text("err_poisk"), u(texts::msg_stopped));
}

void tst_e2e_link::not_found_data()
{
    QTest::addColumn<QStringList>("sim_args");
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QString>("string_name");
    QTest::addColumn<int>("traced"); // requests the simulator reports: none for another slave
    QTest::newRow("silence") << QStringList {} << QByteArray("req 1 silent 100") << QString() << 1;
    QTest::newRow("exception reply")
        << QStringList {} << QByteArray("req 1 exception 2") << QString() << 1;
    QTest::newRow("model 10") << QStringList { "--model", "10" } << QByteArray()
                              << u("Преобразователь ОРТЕ 473 не найден") << 1;
    QTest::newRow("model 255") << QStringList { "--model", "255" } << QByteArray()
                               << u("Преобразователь ОРТЕ 473 не найден") << 1;
    QTest::newRow("wrong address")
        << QStringList { "--address", "2" } << QByteArray() << QString() << 0;
}

void tst_e2e_link::not_found()
{
    QFETCH(QStringList, sim_args);
    QFETCH(QByteArray, steps);
    QFETCH(QString, string_name);
    QFETCH(int, traced);
    if (!steps.isEmpty())
        sim_args << "--scenario" << scenario(steps);
    start_sim(sim_args);
    QElapsedTimer clock;
    clock.start();
    monitor->start();
    QVERIFY(clock.elapsed() < 1500);
    QCOMPARE(monitor->text("err_poisk"), msg_not_found);
    QCOMPARE(monitor->page(), 0);
    QVERIFY(monitor->get<QPushButton>("Start")->isEnabled());
    QCOMPARE(monitor->text("string_name"), string_name);
    // The port is closed again: nothing more is sent.
    QTRY_COMPARE_WITH_TIMEOUT(sim.request_count(), traced, 2000);
    QVERIFY(nothing_sent_for(sim, 2));
}

void tst_e2e_link::request_bytes_and_alternation_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("ident_frame"); // worked out by hand
    QTest::newRow("address 1") << 1 << hex_bytes("01 04 00 32 00 05 91 C6");
    QTest::newRow("address 128") << 128 << hex_bytes("80 04 00 32 00 05 8F D7");
}

void tst_e2e_link::request_bytes_and_alternation()
{
    QFETCH(int, address);
    start_sim({ "--address", QString::number(address) });
    monitor->set_address(address);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 5, 5000);
    const QVector<traced_frame> rx = sim.requests();
    // At address 1 these are the well-known frames ending 91 C6, F0 0F and 3D CC.
    QCOMPARE(rx[0].bytes, request_bytes(ident, quint8(address)));
    QCOMPARE(rx[1].bytes, request_bytes(measure, quint8(address)));
    QCOMPARE(rx[2].bytes, request_bytes(status, quint8(address)));
    QCOMPARE(rx[3].bytes, request_bytes(measure, quint8(address)));
    QCOMPARE(rx[4].bytes, request_bytes(status, quint8(address)));
    QFETCH(QByteArray, ident_frame);
    QCOMPARE(rx[0].bytes, ident_frame);
}

void tst_e2e_link::alternation_continues_across_runs()
{
    start_sim();
    monitor->start();
    // ident, measure, status, measure: the next poll would be a status request.
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 4, 5000);
    monitor->stop();
    const int before = sim.request_count();
    QCOMPARE(sim.requests()[before - 1].bytes,
             request_bytes(before % 2 == 0 ? measure : status, 1));
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= before + 3, 5000);
    const QVector<traced_frame> rx = sim.requests();
    QCOMPARE(rx[before].bytes, request_bytes(ident, 1));
    // The poll after the new identification picks up where the last run left off.
    QCOMPARE(rx[before + 1].bytes, request_bytes(before % 2 == 0 ? status : measure, 1));
}

void tst_e2e_link::poll_period_and_nothing_after_stop()
{
    start_sim();
    monitor->start();
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 12, 8000);
    const double period = median_interval(sim.requests(), 1);
    qInfo("poll period median %.1f ms", period);
    QVERIFY(period > 280 && period < 340);
    monitor->stop();
    QVERIFY(nothing_sent_for(sim, 3));
}

void tst_e2e_link::diagnostics_data()
{
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<QString>("text");
    // Request 2 is the first measurement request of the run.
    QTest::newRow("exception") << QByteArray("req 2 exception 1") << u(texts::diag_exception);
    QTest::newRow("valid frame of 7 bytes")
        << QByteArray("req 2 wrong-length") << u(texts::diag_unexpected);
    QTest::newRow("corrupted byte") << QByteArray("req 2 corrupt") << u(texts::diag_crc);
    QTest::newRow("garbage") << QByteArray("req 2 garbage 20") << u(texts::diag_crc);
    QTest::newRow("no reply") << QByteArray("req 2 silent") << u(texts::diag_timeout);
}

void tst_e2e_link::diagnostics()
{
    QFETCH(QByteArray, step);
    QFETCH(QString, text);
    start_sim({ "--status", "0x01", "--scenario", scenario(step + '\n') });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), text, 5000);
    // No status reply has come yet; an exception leaves the fault summary empty too.
    QVERIFY(monitor->text("err_izd").isEmpty());
    // The next good reply clears the line.
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), QString(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("err_izd"), u("Есть Ошибка Входа 1"), 5000);
}

void tst_e2e_link::split_reply_is_not_an_error_data()
{
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QString>("in1");
    QTest::newRow("10 + 19 bytes, 40 ms apart")
        << QStringList {} << QByteArray("req 2 split 10 40\nreq 4 split 10 40\n")
        << u(texts::default_in1);
    // The measurement reply's CRC then ends in 0x00: the reply less its last byte checks too.
    QTest::newRow("16.024 a second into the run, one byte at a time")
        << QStringList { "--wire-timing" }
        << QByteArray("at 1 set in1.whole 16\nat 1 set in1.milli 24\n")
        << u("Температура термосопротивления Вх. 1:   16.024 С");
}

void tst_e2e_link::split_reply_is_not_an_error()
{
    QFETCH(QStringList, sim);
    QFETCH(QByteArray, steps);
    QFETCH(QString, in1);
    start_sim(sim + QStringList { "--scenario", scenario(steps) });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"), in1, 10000);
    QVERIFY2(clean_link_until(this->sim.request_count() + 6, 10000),
             qPrintable(monitor->text("diag_ustr")));
    QCOMPARE(monitor->text("T_1_channal"), in1);
}

void tst_e2e_link::automatic_stop_on_the_eleventh_time_out()
{
    // Requests 1 and 2 are answered, then the converter falls silent.
    start_sim({ "--scenario", scenario("req 3 silent 1000\n") });
    monitor->tick("Time_out_yes", true);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->page(), 0, 10000);
    QVERIFY(monitor->get<QPushButton>("Start")->isEnabled());
    QVERIFY(!monitor->get<QPushButton>("Stop")->isEnabled());
    QCOMPARE(monitor->text("diag_ustr"), u(texts::diag_timeout));
    // Eleven unanswered requests, not ten, and none after the stop.
    QCOMPARE(sim.request_count(), 2 + 11);
    QVERIFY(nothing_sent_for(sim, 2));
    // The settings page line is left as it was.
    QCOMPARE(monitor->text("err_poisk"), u(texts::search_hint));
}

void tst_e2e_link::no_automatic_stop_without_the_option()
{
    start_sim({ "--scenario", scenario("req 3 silent 1000\n") });
    monitor->start();
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 2 + 14, 10000);
    QCOMPARE(monitor->page(), 1);
    QCOMPARE(monitor->text("diag_ustr"), u(texts::diag_timeout));
}

void tst_e2e_link::low_speed_with_real_line_timing()
{
    start_sim({ "--baud", "1200", "--wire-timing" });
    monitor->set_speed("1200");
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QVERIFY2(clean_link_until(9, 10000), qPrintable(monitor->text("diag_ustr")));
    QCOMPARE(monitor->text("T_1_channal"), u(texts::default_in1));
    const double period = median_interval(sim.requests(), 1);
    qInfo("1200 baud poll period median %.1f ms", period);
    QVERIFY(period > 390);
}

void tst_e2e_link::late_tick_does_not_cut_the_next_reply_short()
{
    // At 1200 baud a reply ends about 65 ms before the next request is due. A window kept busy
    // over a tick (a slow disk under the log, say) makes that tick late; the one after it must
    // still leave the reply its time.
    start_sim({ "--baud", "1200", "--wire-timing" });
    monitor->set_speed("1200");
    monitor->start();
    QVERIFY(clean_link_until(3, 5000));
    QCOMPARE(sim.request_count(), 3);
    // Its reply is in by then; the next tick is due about 40 ms later.
    QVERIFY(clean_link_until(INT_MAX, 360));
    QThread::msleep(150); // the busy window is the point of the test
    QVERIFY2(clean_link_until(7, 5000), qPrintable(monitor->text("diag_ustr")));
    QCOMPARE(monitor->text("T_1_channal"), u(texts::default_in1));
}

void tst_e2e_link::noise_ends_the_search_within_a_second()
{
    start_sim({ "--scenario", scenario("at 0 noise 60\n") });
    QElapsedTimer clock;
    clock.start();
    monitor->start();
    const qint64 took = clock.elapsed();
    qInfo("search under noise ended after %lld ms", took);
    QVERIFY(took < 1500);
    QCOMPARE(monitor->text("err_poisk"), msg_not_found);
    QCOMPARE(monitor->page(), 0);
}

void tst_e2e_link::vanished_port_and_back()
{
    start_sim();
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!monitor->text("T_1_channal").isEmpty(), 5000);
    // The adapter is pulled: the pair and the simulator go away.
    sim.stop();
    pair.stop();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), u(texts::diag_timeout), 5000);
    QCOMPARE(monitor->page(), 1);
    // Still responsive: Stop works at once.
    monitor->stop();
    QCOMPARE(monitor->page(), 0);
    // Plugged back in.
    QVERIFY(pair.start());
    start_sim();
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 3, 5000);
}

void tst_e2e_link::port_back_during_the_run()
{
    start_sim({ "--in1-whole", "7" });
    monitor->start();
    QTRY_VERIFY_WITH_TIMEOUT(!monitor->text("T_1_channal").isEmpty(), 5000);
    // The pair goes away and comes back under the same name; the run never stops.
    sim.stop();
    pair.stop();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), u(texts::diag_timeout), 5000);
    QVERIFY(pair.start());
    start_sim();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"), u(texts::default_in1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), QString(), 5000);
    QCOMPARE(monitor->page(), 1);
}

void tst_e2e_link::stale_bytes_before_open_are_dropped()
{
    // The simulator writes junk before the monitor has opened its end.
    start_sim({ "--scenario", scenario("at 0 stray 7\n") });
    QTRY_VERIFY_WITH_TIMEOUT(sim.frames().size() >= 1, 3000);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
}

QTEST_MAIN(tst_e2e_link)
#include "tst_e2e_link.moc"
