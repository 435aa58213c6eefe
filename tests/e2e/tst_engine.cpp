// The engines on their own, driven through their signals against orte-sim on a pty of its own.

#include <QtTest>

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
    }
    void cleanup() { sim.stop(); }
    void scan_finds_the_converter_and_stops_there();
    void scan_stops_at_once();

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

QTEST_GUILESS_MAIN(tst_engine)
#include "tst_engine.moc"
