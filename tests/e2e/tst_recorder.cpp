// The recorder's window (offscreen) against orte-sim on a pty of its own: the search, a
// recording into both files, a fault on the chart, and listening to a bus mbpoll polls.

#include <QtTest>

#include "link/port_list.h"
#include "recorder/recorder_window.h"
#include "sim_rig.h"

#include <csignal>

class tst_recorder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        orte::set_port_lister([this] { return QStringList { port() }; });
        // The window's remembered settings stay in the test's folder.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    }
    void cleanup()
    {
        sim.stop();
        broker.stop();
        subscriber.stop();
    }
    void search_then_record_into_both_files();
    void fault_is_a_shaded_span_without_values();
    void listen_shows_the_slave_mbpoll_reads();
    void closing_the_window_finishes_the_files();
    void a_line_of_converters_recorded_heard_and_sent_to_the_broker();

private:
    QString port() const { return dir.filePath(QStringLiteral("converter")); }
    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Records at the page's settings until `polls` polls, then stops.
    void record(orte::recorder_window &w, int polls)
    {
        QTRY_VERIFY_WITH_TIMEOUT(w.record->run->figures().polls >= polls, 30000);
        w.record->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.record->running(), 5000);
    }
    QTemporaryDir dir;
    sim_process sim;
    helper broker;
    helper subscriber;
};

void tst_recorder::search_then_record_into_both_files()
{
    QVERIFY2(
        sim.start_pty(port(),
                      { "--baud", "19200", "--parity", "even", "--address", "5", "--wire-timing" }),
        qPrintable(sim.error()));
    orte::recorder_window w;
    w.show();
    w.find->speeds->setText(QStringLiteral("9600,19200"));
    w.find->parity[2]->setChecked(false);
    w.find->stop_bits[1]->setChecked(false);
    w.find->last_address->setValue(6);
    w.find->start_button->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.find->running(), 30000);
    QCOMPARE(w.find->found->rowCount(), 1);
    QCOMPARE(w.find->found->item(0, 1)->text(), QStringLiteral("19200 8E1"));
    QCOMPARE(w.find->found->item(0, 2)->text(), QStringLiteral("5"));

    w.record->files->xlsx_path->setText(file("run.xlsx"));
    w.record->files->csv_path->setText(file("run.csv"));
    w.record->files->set_csv_plain(true);
    w.record->period->setValue(100);
    w.find->record_button->click();
    QCOMPARE(w.tabs->currentIndex(), 1);
    QVERIFY(w.record->running());
    QCOMPARE(w.record->line->settings().text(), std::string("19200 8E1"));
    QCOMPARE(w.record->line->addresses->text(), QStringLiteral("5"));
    record(w, 20);

    // Every poll the window counted is a row of both files; the values the window showed last
    // are the CSV's last row, and the chart holds each value.
    const orte::run_figures &run = w.record->run->figures();
    QFile csv(file("run.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size() - 1, run.polls);
    QVERIFY2(w.record->run->values->text().contains(
                 QString::fromUtf8("Вх. 1:   %1 С").arg(rows.constLast().section(',', 2, 2))),
             qPrintable(w.record->run->values->text() + " / " + rows.constLast()));
    // Nothing before the first status reply: the first row has the status flags. The chart
    // holds each measurement once (the files repeat it on the status polls).
    QVERIFY2(!rows[1].section(',', 7, 7).isEmpty(), qPrintable(rows[1]));
    QCOMPARE(int(w.record->run->chart->values(0)), (run.polls + 2) / 2);
    // Both files open again into the chart, each measurement once.
    for (const char *name : { "run.csv", "run.xlsx" }) {
        QString error;
        QVERIFY2(w.open_file(file(name), true, &error), qPrintable(error));
        QCOMPARE(w.opened_run->figures().polls, run.polls);
        // A file does not say which row was a measurement: told by the rows' turns, the count
        // may miss the one whose own row came before the first status.
        QVERIFY(std::abs(w.opened_run->figures().inputs[0].value(0).count
                         - run.inputs[0].value(0).count)
                <= 1);
        QVERIFY(std::abs(int(w.opened_run->chart->values(0)) - int(w.record->run->chart->values(0)))
                <= 1);
    }
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 { QStringLiteral(ORTE_XLSX_READER), file("run.xlsx") });
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.readAllStandardOutput().contains(
                 QStringLiteral("polls: %1").arg(run.polls).toUtf8()),
             "the workbook's polls differ");
    QVERIFY(w.record->run->where->text().contains(QStringLiteral("run.xlsx")));
}

void tst_recorder::fault_is_a_shaded_span_without_values()
{
    // Request 1 identifies; measurement and status alternate from request 2 on.
    const QString scenario = write_scenario(dir, QStringLiteral("fault.txt"),
                                            "req 7 set status 0x01\nreq 15 set status 0x00\n");
    QVERIFY2(sim.start_pty(port(), { "--scenario", scenario }), qPrintable(sim.error()));
    orte::recorder_window w;
    w.show();
    w.record->line->set(port(), { 9600, 'N', 1 });
    w.record->files->xlsx_on->setChecked(false);
    w.record->files->csv_on->setChecked(false);
    w.record->period->setValue(100);
    w.record->start_button->click();
    QVERIFY(w.record->running());
    record(w, 22);
    orte::trend_chart *chart = w.record->run->chart;
    // The line breaks at the fault and goes on after it; the span is shaded.
    QCOMPARE(chart->pieces(0), 2);
    QCOMPARE(chart->pieces(1), 1);
    const orte::run_figures &run = w.record->run->figures();
    QCOMPARE(run.inputs[0].size(), 1);
    QCOMPARE(run.inputs[1].size(), 1);
    QVERIFY(run.inputs[0][0].count < run.inputs[1][0].count);
    bool shaded = false;
    const qint64 from = run.start.isValid() ? run.start.toMSecsSinceEpoch() : 0;
    for (qint64 ms = QDateTime::currentMSecsSinceEpoch() - 10000;
         ms < QDateTime::currentMSecsSinceEpoch(); ms += 20)
        shaded = shaded || (ms >= from && chart->in_fault_span(0, ms));
    QVERIFY(shaded);
}

void tst_recorder::listen_shows_the_slave_mbpoll_reads()
{
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(),
                           { "--tap", tap, "--baud", "19200", "--in1-whole", "31", "--in1-milli",
                             "500", "--wire-timing", "--any-settings" }),
             qPrintable(sim.error()));
    orte::recorder_window w;
    w.show();
    w.listen->line->port->setCurrentText(tap);
    w.listen->start_button->click();
    QVERIFY(w.listen->running());
    QProcess master;
    master.start(QStringLiteral("mbpoll"),
                 { "-m", "rtu", "-b", "19200", "-P", "none", "-0", "-o", "0.5", "-a",
                   "1",  "-t",  "3",  "-r",    "0",  "-c",   "12", "-l", "100", port() });
    QVERIFY2(master.waitForStarted(5000), "mbpoll did not start");
    QTRY_VERIFY_WITH_TIMEOUT(w.listen->chosen() == 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(w.listen->run->values->text().contains(QStringLiteral("31.5")), 10000);
    ::kill(pid_t(master.processId()), SIGINT);
    QVERIFY(master.waitForFinished(5000));
    QCOMPARE(w.listen->slaves->item(0, 0)->text(), QStringLiteral("1"));
    // A slave that is not there: three requests unanswered, and its row says so.
    QProcess absent;
    absent.start(QStringLiteral("mbpoll"),
                 { "-m", "rtu", "-b", "19200", "-P", "none", "-0", "-o", "0.2", "-a",
                   "2",  "-t",  "3",  "-r",    "0",  "-c",   "12", "-l", "100", port() });
    QVERIFY2(absent.waitForStarted(5000), "mbpoll did not start");
    QTRY_VERIFY_WITH_TIMEOUT(
        w.listen->slaves->rowCount() == 2
            && w.listen->slaves->item(1, 2)->text().contains(QStringLiteral("does not answer")),
        15000);
    QCOMPARE(w.listen->slaves->item(1, 0)->text(), QStringLiteral("2"));
    ::kill(pid_t(absent.processId()), SIGINT);
    QVERIFY(absent.waitForFinished(5000));
    QVERIFY(w.listen->settings->text().contains(QStringLiteral("19200")));
    w.listen->stop();
    QVERIFY(!w.listen->running());
}

void tst_recorder::closing_the_window_finishes_the_files()
{
    QVERIFY2(sim.start_pty(port()), qPrintable(sim.error()));
    orte::recorder_window w;
    w.show();
    w.record->line->set(port(), { 9600, 'N', 1 });
    w.record->files->xlsx_path->setText(file("closed.xlsx"));
    w.record->files->csv_path->setText(file("closed.csv"));
    w.record->period->setValue(100);
    w.record->start_button->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.record->run->figures().polls >= 3, 10000);
    // Closed while recording: the recording ends, and the workbook is written.
    w.close();
    QTRY_VERIFY_WITH_TIMEOUT(!w.record->running() && w.isHidden(), 5000);
    QVERIFY(QFileInfo(file("closed.xlsx")).size() > 0);
    QVERIFY(QFileInfo(file("closed.csv")).size() > 0);
}

void tst_recorder::a_line_of_converters_recorded_heard_and_sent_to_the_broker()
{
    QVERIFY2(!tool("mosquitto").isEmpty() && !tool("mosquitto_sub").isEmpty(),
             "mosquitto and mosquitto_sub are needed");
    const quint16 port_number = free_port();
    QVERIFY(broker.start(tool("mosquitto"), { "-p", QString::number(port_number) }));
    QVERIFY2(serves(port_number), "the broker does not serve");
    QVERIFY(subscriber.start(
        tool("mosquitto_sub"),
        { "-p", QString::number(port_number), "-q", "1", "-v", "-t", "orte/+/state" }));
    const QString tap = file("tap");
    QVERIFY2(sim.start_pty(port(), { "--address", "1,5,7", "--tap", tap }),
             qPrintable(sim.error()));
    orte::recorder_window w;
    w.show();
    QString error;
    QVERIFY2(w.set_broker(QStringLiteral("mqtt://127.0.0.1:%1/orte").arg(port_number), {}, error),
             qPrintable(error));
    // The search goes on past the first converter; "Record all" records the line.
    w.find->speeds->setText(QStringLiteral("9600"));
    w.find->parity[1]->setChecked(false);
    w.find->parity[2]->setChecked(false);
    w.find->stop_bits[1]->setChecked(false);
    w.find->last_address->setValue(8);
    w.find->all->setChecked(true);
    w.find->start_button->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.find->running(), 60000);
    QCOMPARE(w.find->found->rowCount(), 3);
    QVERIFY(w.find->record_all_button->isEnabled());
    w.record->files->xlsx_on->setChecked(false);
    w.record->files->csv_path->setText(file("line.csv"));
    w.record->files->set_csv_plain(true);
    w.record->period->setValue(100);
    w.find->record_all_button->click();
    QVERIFY(w.record->running());
    QCOMPARE(w.record->line->addresses->text(), QStringLiteral("1,5,7"));
    // The bus the recording polls, heard at once: every slave recorded, a sheet each.
    w.listen->line->port->setCurrentText(tap);
    w.listen->files->xlsx_on->setChecked(true);
    w.listen->files->xlsx_path->setText(file("heard.xlsx"));
    w.listen->start_button->click();
    QVERIFY(w.listen->running());
    const QVector<int> line { 1, 5, 7 };
    const auto each = [&](orte::run_view *run, int polls) {
        return std::all_of(line.begin(), line.end(),
                           [&](int a) { return run->figures(a).polls >= polls; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(each(w.record->run, 6) && each(w.listen->run, 4), 60000);
    QCOMPARE(w.record->run->addresses(), line);
    QCOMPARE(w.listen->run->converter_choice->count(), 3);
    // Each converter has its own chart, shown when chosen over it.
    orte::trend_chart *first = w.record->run->chart;
    w.record->run->show_unit(7);
    QVERIFY(w.record->run->chart != first && w.record->run->chart->values(0) > 0);
    QVERIFY(w.record->run->picture_title().contains(QStringLiteral("123458")));
    w.stop_all();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 10000);

    // The CSV names each row's converter; each address has rows with its values.
    QFile csv(file("line.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows[0].section(',', 1, 1), QStringLiteral("address"));
    for (int a : line)
        QVERIFY2(std::count_if(rows.begin(), rows.end(),
                               [a](const QString &r) {
                                   return r.section(',', 1, 1) == QString::number(a)
                                       && r.section(',', 3, 3) == QLatin1String("23.45");
                               })
                     >= 2,
                 qPrintable(rows.join('\n')));
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 { QStringLiteral(ORTE_XLSX_READER), file("heard.xlsx") });
    QVERIFY(reader.waitForFinished(30000));
    const QString read = QString::fromUtf8(reader.readAllStandardOutput());
    for (int a : line)
        QVERIFY2(read.contains(QRegularExpression(QStringLiteral("(Values|Значения) %1").arg(a))),
                 qPrintable(read));
    // Each converter's polls reached the broker under its serial number.
    QString heard;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     heard += QString::fromUtf8(subscriber.p->readAllStandardOutput());
                     return heard.contains(QLatin1String("orte/123456/state"))
                         && heard.contains(QLatin1String("orte/123457/state"))
                         && heard.contains(QLatin1String("orte/123458/state"));
                 },
                 20000),
             qPrintable(heard));
    QVERIFY(heard.contains(QLatin1String("\"address\":5")));
}

QTEST_MAIN(tst_recorder)
#include "tst_recorder.moc"
