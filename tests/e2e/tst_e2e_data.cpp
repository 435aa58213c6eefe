// Values, faults, setpoints and the poll log, end to end: the real window against orte-sim.

#include <QtTest>

#include "e2e.h"

class tst_e2e_data : public QObject, private e2e_rig
{
    Q_OBJECT

private slots:
    // Run again under each locale the users have (see CMakeLists.txt): the log in its encoding.
    void initTestCase()
    {
        const QByteArray locale = named_locale();
        QVERIFY2(locale_exists(locale), qPrintable(missing_locale(locale)));
    }
    void init() { set_up(); }
    void cleanup() { tear_down(); }

    void values_on_the_monitoring_page();
    void one_input_model();
    void faults_and_setpoints_come_and_go();
    void log_records_changes_and_failures();
    void logging_off_then_on();
    void second_start_in_the_same_minute_keeps_the_first_log();
    void link_lost_record();

private:
    void wait_for_requests(int n);
};

void tst_e2e_data::wait_for_requests(int n)
{
    // The exchange of the n-th request is over once the next request goes out.
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() > n, 15000);
}

void tst_e2e_data::values_on_the_monitoring_page()
{
    start_sim({ "--in1-type", "2", "--in1-whole", "1", "--in1-milli", "-999", "--in2-type", "1",
                "--in2-whole", "500", "--in2-milli", "100", "--in2-cj", "-12" });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"), u("Сопротивление Вх. 1:   0.001 Ом"),
                              5000);
    QCOMPARE(monitor->text("T_1_hs"), QString());
    QCOMPARE(monitor->text("t_2_channal"), u(texts::default_in2));
    QCOMPARE(monitor->text("T_2_hs"), u(" Температура холодного спая термопары Вх. 2:   -1.2 С"));
}

void tst_e2e_data::one_input_model()
{
    start_sim({ "--model", "2", "--in2-type", "1" });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"), u(texts::default_in1), 5000);
    QCOMPARE(monitor->text("t_2_channal"), QString());
    QCOMPARE(monitor->text("T_2_hs"), QString());
}

void tst_e2e_data::faults_and_setpoints_come_and_go()
{
    // Requests: 1 ident, then measure and status in turn (status replies are 3, 5, 7, ...).
    start_sim({ "--scenario",
                scenario("req 3 set status 0x07\n"
                         "req 9 set status 0x90\n"
                         "req 15 set status 0x00\n") });
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("err_izd"),
                              u("Есть Ошибки Входа 1, Выхода 1 и Входа 2"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"),
                              u("Температура термосопротивления Вх. 1: Ошибка"), 5000);
    QCOMPARE(monitor->text("t_2_channal"), u("Температура термопары Вх. 2: Ошибка"));
    // The cold junction still shows while input 2 is in fault.
    QCOMPARE(monitor->text("T_2_hs"), u(texts::default_cj2));
    QCOMPARE(monitor->text("err_ust_1"), QString());

    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("err_ust_1"), u("Вход 1. Сигнал выше уставки 1"), 5000);
    QCOMPARE(monitor->text("err_ust_2"), u("Вход 2. Сигнал ниже уставки 2"));
    QCOMPARE(monitor->text("err_izd"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("T_1_channal"), u(texts::default_in1), 5000);
    QCOMPARE(monitor->text("t_2_channal"), u(texts::default_in2));

    QTRY_COMPARE_WITH_TIMEOUT(monitor->text("err_ust_1"), QString(), 5000);
    QCOMPARE(monitor->text("err_ust_2"), QString());
    QCOMPARE(monitor->text("err_izd"), QString());
}

void tst_e2e_data::log_records_changes_and_failures()
{
    start_sim({ "--scenario",
                scenario("req 3 set status 0x01\n" // a fault: one record
                         "req 5 set status 0x11\n" // only a setpoint changes: a record all the same
                         "req 7 set status 0x11\n" // no change: nothing
                         "req 9 set status 0x00\n" // all clear: "Ошибок нет"
                         "req 10 corrupt\n"
                         "req 12 silent\n") });
    monitor->tick("log_file", true);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    wait_for_requests(14);
    monitor->stop();
    const QStringList files = log_files();
    QCOMPARE(files.size(), 1);
    QCOMPARE(without_times(read_log(files[0])),
             header() + u("T\t\tЕсть Ошибка Входа 1\n") + u("T\t\tЕсть Ошибка Входа 1\n")
                 + u("T\t\tОшибок нет\n") + u("T\t\tОшибка CRC\n") + u("T\t\t")
                 + u(texts::log_timeout) + separator + u("T\t\tОпрос завершен"));
    // The name carries the date and time of the Start.
    QVERIFY(QRegularExpression(QStringLiteral(R"(^log-473-\d{4}-\d\d-\d\d_\d\d_\d\d\.txt$)"))
                .match(files[0])
                .hasMatch());
}

void tst_e2e_data::logging_off_then_on()
{
    start_sim({ "--scenario", scenario("req 3 set status 0x01\n") });
    monitor->start();
    wait_for_requests(4);
    monitor->stop();
    QVERIFY(log_files().isEmpty());
    // The fault was seen while logging was off, so the next run does not log it again.
    monitor->tick("log_file", true);
    monitor->start();
    const int before = sim.request_count();
    wait_for_requests(before + 4);
    monitor->stop();
    const QStringList files = log_files();
    QCOMPARE(files.size(), 1);
    QCOMPARE(without_times(read_log(files[0])), header() + separator + u("T\t\tОпрос завершен"));
}

void tst_e2e_data::second_start_in_the_same_minute_keeps_the_first_log()
{
    // Both runs must fall into one minute.
    QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().second() < 40, 25000);
    start_sim({ "--serial", "42" });
    monitor->tick("log_file", true);
    monitor->start();
    wait_for_requests(3);
    monitor->stop();
    monitor->start();
    wait_for_requests(sim.request_count() + 2);
    monitor->stop();
    const QStringList files = log_files();
    QCOMPARE(files.size(), 1);
    const QString run = header(42) + separator + u("T\t\tОпрос завершен");
    QCOMPARE(without_times(read_log(files[0])), run + QLatin1Char('\n') + run);
}

void tst_e2e_data::link_lost_record()
{
    start_sim({ "--scenario", scenario("req 3 silent 100\n") });
    monitor->tick("log_file", true);
    monitor->tick("Time_out_yes", true);
    monitor->start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor->page(), 0, 10000);
    const QStringList files = log_files();
    QCOMPARE(files.size(), 1);
    QString expected = header();
    for (int i = 0; i < 11; ++i)
        expected += u("T\t\t") + u(texts::log_timeout);
    expected += separator + u("T\t\t") + u(texts::log_link_lost);
    QCOMPARE(without_times(read_log(files[0])), expected);
}

QTEST_MAIN(tst_e2e_data)
#include "tst_e2e_data.moc"
