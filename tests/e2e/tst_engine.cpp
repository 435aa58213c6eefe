// The engines on their own, driven through their signals against orte-sim on a pty of its own.

#include <QtTest>

#include "decode/register_map.h"
#include "engine/listen_engine.h"
#include "engine/poll_engine.h"
#include "engine/scan_engine.h"
#include "sim_rig.h"

class tst_engine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<orte::scan_place>();
        qRegisterMetaType<orte::exchange_result>();
        qRegisterMetaType<orte::reading>();
        qRegisterMetaType<orte::exchange_outcome>();
    }
    void cleanup() { sim.stop(); }
    void scan_finds_the_converter_and_stops_there();
    void scan_stops_at_once();
    void scan_passes_data();
    void scan_passes();
    void poll_identifies_then_polls_in_turn();
    void a_late_reply_is_said_by_the_next_exchange();
    void listen_finds_the_line_and_decodes_another_master();

private:
    QString port() const { return dir.filePath(QStringLiteral("converter")); }
    QTemporaryDir dir;
    sim_process sim;
};

void tst_engine::scan_finds_the_converter_and_stops_there()
{
    QVERIFY2(sim.start_pty(port(),
                           { "--baud", "19200", "--parity", "odd", "--stop-bits", "2", "--address",
                             "37", "--wire-timing" }),
             qPrintable(sim.error()));
    orte::scan_plan plan;
    plan.ports = QStringList { port() };
    plan.settings = { { 9600, 'N', 1 }, { 19200, 'O', 2 } };
    plan.first_address = 36;
    plan.last_address = 40;
    orte::scan_engine engine(plan);
    QSignalSpy found(&engine, &orte::scan_engine::found);
    QSignalSpy finished(&engine, &orte::scan_engine::finished);
    engine.start();
    QVERIFY(finished.wait(30000));
    QCOMPARE(found.size(), 1);
    const orte::scan_place at = found[0][0].value<orte::scan_place>();
    QCOMPARE(at.settings.text(), std::string("19200 8O2"));
    QCOMPARE(at.address, 37);
    // Five addresses at 9600 8N1, then 36 and 37: nothing tried after the converter.
    QCOMPARE(engine.tried(), 7);
    QCOMPARE(finished[0][0].toInt(), 1);
    QCOMPARE(finished[0][2].toBool(), false);
}

void tst_engine::scan_stops_at_once()
{
    // At 50 baud every silent try waits seconds: stop() must not.
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    orte::scan_plan plan;
    plan.ports = QStringList { port() };
    plan.settings = { { 50, 'N', 1 } };
    orte::scan_engine engine(plan);
    QSignalSpy trying(&engine, &orte::scan_engine::trying);
    QSignalSpy finished(&engine, &orte::scan_engine::finished);
    engine.start();
    QVERIFY(trying.wait(5000));
    QElapsedTimer clock;
    clock.start();
    engine.stop();
    QVERIFY(finished.size() == 1 || finished.wait(5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(finished[0][2].toBool(), true); // stopped
    QCOMPARE(finished[0][3].value<orte::scan_place>().address, 1); // the try that was cut
}

void tst_engine::scan_passes_data()
{
    QTest::addColumn<QStringList>("sim_args");
    QTest::addColumn<QString>("found_at"); // "1200 8E1 address 9", "... late": heard late
    QTest::addColumn<int>("pass");
    QTest::addColumn<int>("tries"); // for a late one, at most
    // Settings 9600 8N1, 19200 8E1, 1200 8E1 and addresses 1-10 are searched.
    QTest::newRow("prompt, at the last setting: the first pass")
        << QStringList { "--baud", "1200", "--parity", "even", "--address", "9", "--wire-timing" }
        << "1200 8E1 address 9" << 1 << 29;
    // Every reply 60 ms late: past the first pass's wait, heard while a later address is tried,
    // and taken for the address it names.
    QTest::newRow("60 ms late: the first pass, late")
        << QStringList { "--address", "3", "--wire-timing", "--scenario", "LATE" }
        << "9600 8N1 address 3 late" << 1 << 6;
    QTest::newRow("60 ms late at the second setting: the first pass, late")
        << QStringList { "--baud", "19200",         "--parity",   "even", "--address",
                         "3",      "--wire-timing", "--scenario", "LATE" }
        << "19200 8E1 address 3 late" << 1 << 16;

    // A reply that has begun in time is waited for to its end, however it pauses.
    QTest::newRow("a reply that pauses 60 ms: the first pass")
        << QStringList { "--address", "3", "--wire-timing", "--scenario", "SPLIT" }
        << "9600 8N1 address 3" << 1 << 3;
}

void tst_engine::scan_passes()
{
    QFETCH(QStringList, sim_args);
    QFETCH(QString, found_at);
    QFETCH(int, pass);
    QFETCH(int, tries);
    sim_args.replaceInStrings(
        QStringLiteral("LATE"),
        write_scenario(dir, QStringLiteral("late.txt"), "req 1 delay 60\nreq 2 repeat\n"));
    sim_args.replaceInStrings(
        QStringLiteral("SPLIT"),
        write_scenario(dir, QStringLiteral("split.txt"), "req 1 split 5 60\nreq 2 repeat\n"));
    QVERIFY2(sim.start_pty(port(), sim_args), qPrintable(sim.error()));
    orte::scan_plan plan;
    plan.ports = QStringList { port() };
    plan.settings = { { 9600, 'N', 1 }, { 19200, 'E', 1 }, { 1200, 'E', 1 } };
    plan.last_address = 10;
    orte::scan_engine engine(plan);
    QSignalSpy found(&engine, &orte::scan_engine::found);
    QSignalSpy finished(&engine, &orte::scan_engine::finished);
    const qint64 planned = engine.time_left_ms();
    // The time left as the plan says it, try by try: it only goes down.
    QList<qint64> left;
    connect(&engine, &orte::scan_engine::trying, &engine, [&] { left << engine.time_left_ms(); });
    engine.start();
    QVERIFY(finished.wait(60000));
    QCOMPARE(found.size(), 1);
    const orte::scan_place at = found[0][0].value<orte::scan_place>();
    QCOMPARE(QStringLiteral("%1 address %2%3")
                 .arg(QString::fromStdString(at.settings.text()))
                 .arg(at.address)
                 .arg(at.late_ms > 0 ? " late" : ""),
             found_at);
    QCOMPARE(engine.pass(), pass);
    // A late reply is heard within the next tries, as the machine's pace has it.
    if (found_at.endsWith(QLatin1String(" late")))
        QVERIFY2(engine.tried() <= tries, qPrintable(QString::number(engine.tried())));
    else
        QCOMPARE(engine.tried(), tries);
    QCOMPARE(engine.total(), 60);
    // The plan's time: each try's wait on a silent line, both passes.
    QVERIFY2(planned > 60 * 30 && planned < 60 * 400, qPrintable(QString::number(planned)));
    for (int i = 1; i < left.size(); ++i)
        QVERIFY(left[i] < left[i - 1]);
}

void tst_engine::a_late_reply_is_said_by_the_next_exchange()
{
    // The identification's reply comes 150 ms late: an exchange that waits 30 ms for its first
    // byte ends without it, and the next carries it as late, never as its own reply.
    QVERIFY2(
        sim.start_pty(
            port(),
            { "--scenario", write_scenario(dir, QStringLiteral("late.txt"), "req 1 delay 150\n") }),
        qPrintable(sim.error()));
    orte::port_exchange line;
    QString error;
    QVERIFY2(line.open(port(), { 9600, 'N', 1 }, error), qPrintable(error));
    QSignalSpy done(&line, &orte::port_exchange::done);
    line.send(orte::initial_req_ident(), 1, 30);
    QVERIFY(done.wait(5000));
    const orte::exchange_result first = done[0][0].value<orte::exchange_result>();
    QVERIFY(!first.frame && !first.heard);
    const auto replies = [this] {
        int n = 0;
        for (const traced_frame &f : sim.frames())
            n += f.received ? 0 : 1;
        return n;
    };
    QTRY_COMPARE_WITH_TIMEOUT(replies(), 1, 5000);
    line.send(orte::initial_req_status(), 1);
    QVERIFY(done.wait(5000));
    const orte::exchange_result second = done[1][0].value<orte::exchange_result>();
    QCOMPARE(second.late.size(), 15); // the identification reply
    QVERIFY(second.frame);
    QCOMPARE(int(second.kind), int(orte::reply_kind::status));
}

void tst_engine::poll_identifies_then_polls_in_turn()
{
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    orte::poll_engine engine({ port(), { 9600, 'N', 1 }, { 1 }, 300, 4 });
    QSignalSpy identified(&engine, &orte::poll_engine::identified);
    QSignalSpy polled(&engine, &orte::poll_engine::polled);
    QSignalSpy finished(&engine, &orte::poll_engine::finished);
    engine.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(identified.size(), 1);
    QList<bool> measurement;
    for (const QList<QVariant> &poll : polled) {
        QCOMPARE(poll[0].value<orte::exchange_result>().outcome(), orte::exchange_outcome::answer);
        measurement << poll[1].toBool();
    }
    QCOMPARE(measurement, QList<bool>({ true, false, true, false }));
    QCOMPARE(finished[0][0].toBool(), false); // the port stayed
    QCOMPARE(finished[0][1].toBool(), false); // not stopped: the polls ran out
    // Identification, then the polls a period apart.
    const QVector<traced_frame> requests = sim.requests();
    QCOMPARE(requests.size(), 5);
    for (int i = 2; i < requests.size(); ++i)
        QVERIFY(requests[i].ms - requests[i - 1].ms > 250);
}

void tst_engine::listen_finds_the_line_and_decodes_another_master()
{
    // The poll engine is the other master, at 9600 8E1; the listener hears the tap.
    const QString tap = dir.filePath(QStringLiteral("tap"));
    QVERIFY2(sim.start_pty(port(),
                           { "--tap", tap, "--parity", "even", "--in1-whole", "31", "--in1-milli",
                             "500", "--wire-timing" }),
             qPrintable(sim.error()));
    orte::listen_plan plan;
    plan.port = tap;
    plan.speeds = { 19200, 9600 };
    plan.parities = QStringLiteral("NE");
    orte::listen_engine listener(plan);
    QSignalSpy found(&listener, &orte::listen_engine::settings_found);
    QSignalSpy readings(&listener, &orte::listen_engine::slave_reading);
    QSignalSpy finished(&listener, &orte::listen_engine::finished);
    listener.start();
    orte::poll_engine master({ port(), { 9600, 'E', 1 }, { 1 }, 100, 0 });
    master.start();
    QTRY_VERIFY_WITH_TIMEOUT(!found.isEmpty(), 20000);
    QCOMPARE(found[0][0].toInt(), 9600);
    QVERIFY(found[0][1].toString().contains(QLatin1Char('E')));
    QTRY_VERIFY_WITH_TIMEOUT(!readings.isEmpty(), 10000);
    const orte::reading r = readings.constLast()[1].value<orte::reading>();
    QCOMPARE(readings.constLast()[0].toInt(), 1);
    QVERIFY(r.have_measure || r.have_status);
    if (r.have_measure)
        QVERIFY2(r.measure_shown.in1_value.contains(QLatin1String("31.5")),
                 qPrintable(r.measure_shown.in1_value));
    QVERIFY(listener.figures().replies > 0);
    master.stop();
    listener.stop();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toBool(), false);
}

QTEST_GUILESS_MAIN(tst_engine)
#include "tst_engine.moc"
