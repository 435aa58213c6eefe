// Faults a real line throws at the monitor for hours: the converter vanishing and coming
// back, long noise, stray bytes from another device, late replies. The monitor must stay
// responsive, say what is happening, stop by itself when asked to, and lose no log record.

#include <QtTest>

#include <ctime>

#include "e2e.h"

namespace {
// Seconds of noise in the long test; ORTE_NOISE_SECONDS overrides it.
int noise_seconds()
{
    const int s = qEnvironmentVariableIntValue("ORTE_NOISE_SECONDS");
    return s > 0 ? s : 120;
}

// How late a zero-length timer fires: the event loop's reaction time.
qint64 event_loop_delay_ms()
{
    QElapsedTimer clock;
    clock.start();
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    while (!fired && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return clock.elapsed();
}
} // namespace

class tst_e2e_survival : public QObject, private e2e_rig
{
    Q_OBJECT

private slots:
    void init() { set_up(); }
    void cleanup() { tear_down(); }

    void converter_vanishes_with_automatic_stop();
    void stray_bytes_between_replies();
    void late_replies();
    void long_noise();
};

void tst_e2e_survival::converter_vanishes_with_automatic_stop()
{
    start_sim();
    monitor->tick("log_file", true);
    monitor->tick("Time_out_yes", true);
    monitor->start();
    QTRY_VERIFY_WITH_TIMEOUT(!monitor->text("T_1_channal").isEmpty(), 5000);
    // The adapter is pulled out mid-run.
    sim.stop();
    pair.stop();
    const std::clock_t cpu_before = std::clock();
    QElapsedTimer wall;
    wall.start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->page(), 0, 10000);
    const double cpu_share = double(std::clock() - cpu_before) / CLOCKS_PER_SEC * 1000.0
        / double(qMax<qint64>(1, wall.elapsed()));
    qInfo("CPU while the port was gone: %.0f %% of a core", cpu_share * 100);
    // A closed port is not polled in a tight loop (the gross fault is a whole core).
    QVERIFY(cpu_share < 0.5);
    QCOMPARE(monitor->text("diag_ustr"), u(texts::diag_timeout));
    const QStringList files = log_files();
    QCOMPARE(files.size(), 1);
    const QString log = without_times(read_log(files[0]));
    QString tail;
    for (int i = 0; i < 11; ++i)
        tail += u("T\t\t") + u(texts::log_timeout);
    tail += separator + u("T\t\t") + u(texts::log_link_lost);
    QVERIFY2(log.endsWith(tail), qPrintable(log));
    // Back again: a new Start finds it.
    QVERIFY(pair.start());
    start_sim();
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 3, 5000);
}

void tst_e2e_survival::stray_bytes_between_replies()
{
    start_sim({ "--status", "0x02", "--scenario",
                scenario("at 1.13 stray 3\nat 1.9 stray 1\nat 2.45 stray 7\nat 3 repeat\n") });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), u(texts::diag_crc), 10000);
    // Between the stray bytes the converter is read as usual.
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), QString(), 5000);
    QCOMPARE(monitor->text("T_1_channal"), u(texts::default_in1));
    QCOMPARE(monitor->text("err_izd"), u("Есть Ошибка Входа 2"));
    QVERIFY(event_loop_delay_ms() < 500);
}

void tst_e2e_survival::late_replies()
{
    // Replies 4 and 9 come 350 ms late, after the next request has gone out.
    start_sim({ "--scenario", scenario("req 4 delay 350\nreq 9 delay 350\n") });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), u(texts::diag_timeout), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= 12, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), QString(), 5000);
    QCOMPARE(monitor->page(), 1);
    QCOMPARE(monitor->text("T_1_channal"), u(texts::default_in1));
    QCOMPARE(monitor->text("t_2_channal"), u(texts::default_in2));
}

void tst_e2e_survival::long_noise()
{
    const int seconds = noise_seconds();
    start_sim(
        { "--scenario", scenario(QByteArray("at 1 noise ") + QByteArray::number(seconds) + '\n') });
    monitor->tick("log_file", true);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!monitor->text("T_1_channal").isEmpty(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), u(texts::diag_crc), 5000);
    const int requests_before = sim.request_count();

    // Throughout the noise: the line says so, and the window answers at once.
    int samples = 0;
    int crc_shown = 0;
    qint64 worst_delay = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < (seconds - 2) * 1000) {
        QTest::qWait(500);
        ++samples;
        crc_shown += monitor->text("diag_ustr") == u(texts::diag_crc) ? 1 : 0;
        worst_delay = qMax(worst_delay, event_loop_delay_ms());
    }
    const int requests_in_noise = sim.request_count() - requests_before;
    qInfo("%d s of noise: CRC error shown in %d of %d samples, %d requests, event loop delay at "
          "most %lld ms",
          seconds, crc_shown, samples, requests_in_noise, worst_delay);
    // Random bytes can form a valid frame now and then (a 16-bit CRC), never often.
    QVERIFY(crc_shown >= samples * 9 / 10);
    QVERIFY(worst_delay < 500);

    // After the noise, normal service.
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("diag_ustr"), QString(), 10000);
    QCOMPARE(monitor->text("T_1_channal"), u(texts::default_in1));
    monitor->stop();

    // Each exchange spoiled by the noise left its record.
    const QString log = read_log(log_files().value(0));
    const int records = log.count(u("Ошибка CRC\n"));
    qInfo("%d CRC-error records for %d requests during the noise", records, requests_in_noise);
    QVERIFY(records >= requests_in_noise - requests_in_noise / 100 - 2);
}

QTEST_MAIN(tst_e2e_survival)
#include "tst_e2e_survival.moc"
