// The edges of a run, end to end: clicks and a close during the search, an exchange in flight
// at Stop, failed Starts after a logged run, and a reply read inside the request's own write.

#include <QtTest>

#include <QComboBox>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "e2e.h"

namespace {
// Whether this process holds the pty behind `path` open.
bool holds_open(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System))
        if (QFileInfo(fds.filePath(fd)).canonicalFilePath() == target)
            return true;
    return false;
}

// Waits, without serving Qt's events, until bytes are readable on the pty behind `path`.
bool readable_without_events(const QString &path, int ms)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    pollfd p { fd, POLLIN, 0 };
    const bool ready = ::poll(&p, 1, ms) == 1;
    ::close(fd);
    return ready;
}
} // namespace

class tst_e2e_run_edges : public QObject, private e2e_rig
{
    Q_OBJECT

private slots:
    void init() { set_up(); }
    void cleanup() { tear_down(); }

    void clicks_during_the_search_are_ignored_data();
    void clicks_during_the_search_are_ignored();
    void closing_the_window_ends_the_search();
    void nothing_after_a_runs_closing_record();
    void reply_read_inside_the_write_is_not_a_crc_error();
};

void tst_e2e_run_edges::clicks_during_the_search_are_ignored_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Старт") << QStringLiteral("Start");
    QTest::newRow("Обновить список портов") << QStringLiteral("Recall");
}

void tst_e2e_run_edges::clicks_during_the_search_are_ignored()
{
    QFETCH(QString, button);
    // At 1200 baud on a paced line the identification takes about 220 ms.
    start_sim({ "--baud", "1200", "--wire-timing" });
    monitor->set_speed("1200");
    const QString hint = monitor->text("err_poisk");
    orte::set_port_lister([] { return QStringList { QStringLiteral("ttyOTHER") }; });
    // Runs inside Start's wait for the reply.
    QTimer::singleShot(20, [&] { monitor->get<QPushButton>(qPrintable(button))->click(); });
    monitor->start();

    QCOMPARE(monitor->page(), 1);
    QCOMPARE(monitor->text("string_name"), u("Преобразователь ОРТЕ 473-220 найден"));
    QCOMPARE(monitor->text("err_poisk"), hint);
    QCOMPARE(monitor->get<QComboBox>("nomer_com")->currentText(), pair.monitor_end());
    QVERIFY(!monitor->get<QPushButton>("Start")->isEnabled());
    QVERIFY(monitor->get<QPushButton>("Stop")->isEnabled());
    QCOMPARE(sim.requests().first().bytes, hex_bytes("01 04 00 32 00 05 91 C6"));
}

void tst_e2e_run_edges::closing_the_window_ends_the_search()
{
    start_sim({ "--address", "2" }); // nobody answers at address 1
    monitor->tick("log_file", true);
    monitor->window->show();
    QTimer::singleShot(20, [&] { monitor->window->close(); });
    monitor->start();

    QVERIFY(!monitor->window->isVisible()); // the program quits with its last window
    QVERIFY(!holds_open(pair.monitor_end()));
    QCOMPARE(monitor->page(), 0);
    QCOMPARE(monitor->text("err_poisk"), u(texts::search_hint));
    QVERIFY(log_files().isEmpty());
}

void tst_e2e_run_edges::nothing_after_a_runs_closing_record()
{
    // Requests 2 and 3 of the run go unanswered; the next run answers again.
    start_sim({ "--scenario", scenario("req 2 silent 2\n") });
    monitor->tick("log_file", true);
    monitor->tick("Time_out_yes", true);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    // Stop while the third request's reply window is open.
    QTRY_COMPARE_WITH_TIMEOUT(sim.request_count(), 3, 5000);
    monitor->stop();

    // Eleven failed Starts: a time-out each, which the closed run must not record.
    monitor->set_address(2);
    for (int i = 0; i < 11; ++i) {
        monitor->start();
        QCOMPARE(monitor->page(), 0);
    }
    const QString first_run = header() + u("T\t\t") + u(texts::log_timeout) + separator + u("T\t\t")
        + u(texts::log_stop);
    QCOMPARE(without_times(read_log(log_files().value(0))), first_run);

    // The next successful Start writes again, after the first run's records.
    monitor->set_address(1);
    monitor->start();
    QCOMPARE(monitor->page(), 1);
    monitor->stop();
    QCOMPARE(log_files().size(), 1);
    QCOMPARE(without_times(read_log(log_files().value(0))),
             first_run + u("\n") + header() + separator + u("T\t\t") + u(texts::log_stop));
}

void tst_e2e_run_edges::reply_read_inside_the_write_is_not_a_crc_error()
{
    // After the identification the converter falls silent; the test answers for it.
    start_sim({ "--scenario", scenario("req 2 silent 1000\n") });
    monitor->tick("log_file", true);
    monitor->start();
    QCOMPARE(monitor->page(), 1);

    // A whole status reply waits in the port before the next request goes out, so the
    // request's own write reads it.
    QFile converter(pair.converter_end());
    QVERIFY(converter.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    converter.write(hex_bytes("01 01 01 00 51 88")); // status 00: no faults
    QVERIFY(readable_without_events(pair.monitor_end(), 5000));
    monitor->window->routine_timer();
    QCOMPARE(monitor->text("diag_ustr"), QString());

    // Later requests time out; none of them may be reported as a spoiled reply.
    const int before = sim.request_count();
    QTRY_VERIFY_WITH_TIMEOUT(sim.request_count() >= before + 2, 5000);
    monitor->stop();
    QVERIFY(!read_log(log_files().value(0)).contains(u(texts::diag_crc)));
}

QTEST_MAIN(tst_e2e_run_edges)
#include "tst_e2e_run_edges.moc"
