// The recorder's window without a converter: what it remembers, a port that cannot be opened,
// and a small laptop's screen.

#include <QtTest>

#include "link/port_list.h"
#include "recorder/recorder_window.h"

class tst_recorder_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("ORTE-473-tests"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        orte::set_port_lister([] { return QStringList { QStringLiteral("ttyTEST0") }; });
    }
    void settings_are_remembered();
    void unopenable_port_is_said_and_leaves_no_file_data();
    void unopenable_port_is_said_and_leaves_no_file();
    void fits_a_small_laptop();
    void search_plan_data();
    void search_plan();
    void run_view_draws_faults_crossings_and_health();
    void recordings_go_to_the_documents_folder();

private:
    QTemporaryDir dir;
};

void tst_recorder_window::settings_are_remembered()
{
    {
        orte::recorder_window w;
        w.record->line->set(QStringLiteral("COM7"), { 19200, 'O', 2 });
        w.record->line->address->setValue(37);
        w.record->period->setValue(1000);
        w.record->files->set_csv_plain(true);
        w.listen->line->speed->setCurrentIndex(w.listen->line->speed->findData(115200));
        w.find->last_address->setValue(247);
        w.tabs->setCurrentIndex(2);
        w.save_settings();
    }
    orte::recorder_window w;
    w.restore_settings();
    QCOMPARE(w.record->line->port_name(), QStringLiteral("COM7"));
    QCOMPARE(w.record->line->settings().text(), std::string("19200 8O2"));
    QCOMPARE(w.record->line->address->value(), 37);
    QCOMPARE(w.record->period->value(), 1000);
    QVERIFY(w.record->files->csv_plain());
    QCOMPARE(w.listen->line->baud(), 115200);
    QCOMPARE(w.listen->line->parity_code(), char(0)); // still "any"
    QCOMPARE(w.find->last_address->value(), 247);
    QCOMPARE(w.tabs->currentIndex(), 2);
}

void tst_recorder_window::unopenable_port_is_said_and_leaves_no_file_data()
{
    QTest::addColumn<bool>("listening");
    QTest::newRow("recording") << false;
    QTest::newRow("listening") << true;
}

void tst_recorder_window::unopenable_port_is_said_and_leaves_no_file()
{
    QFETCH(bool, listening);
    orte::recorder_window w;
    orte::line_box *line = listening ? w.listen->line : w.record->line;
    orte::files_box *files = listening ? w.listen->files : w.record->files;
    orte::run_view *run = listening ? w.listen->run : w.record->run;
#ifdef Q_OS_WIN
    line->port->setCurrentText(QStringLiteral("COM199"));
#else
    line->port->setCurrentText(dir.filePath(QStringLiteral("no-such-port")));
#endif
    files->xlsx_on->setChecked(true);
    files->csv_on->setChecked(true);
    files->xlsx_path->setText(dir.filePath(QStringLiteral("run.xlsx")));
    files->csv_path->setText(dir.filePath(QStringLiteral("run.csv")));
    (listening ? w.listen->start_button : w.record->start_button)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!(listening ? w.listen->running() : w.record->running()), 5000);
    QVERIFY2(run->message->text().startsWith(QStringLiteral("cannot open")),
             qPrintable(run->message->text()));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("run.xlsx"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("run.csv"))));
    QVERIFY((listening ? w.listen->start_button : w.record->start_button)->isEnabled());
}

void tst_recorder_window::fits_a_small_laptop()
{
    orte::recorder_window w;
    w.show();
    // Each page scrolls rather than grow the window past a 1024×600 screen.
    QVERIFY2(w.minimumSizeHint().width() <= 1024 && w.minimumSizeHint().height() <= 600,
             qPrintable(QStringLiteral("%1×%2")
                            .arg(w.minimumSizeHint().width())
                            .arg(w.minimumSizeHint().height())));
}

void tst_recorder_window::search_plan_data()
{
    QTest::addColumn<QString>("speeds");
    QTest::addColumn<bool>("odd"); // the parity box ticked
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("said"); // empty: a plan, its settings below
    QTest::addColumn<QStringList>("settings");
    QTest::newRow("likeliest first")
        << "9600, 19200" << false << 1 << 3 << ""
        << QStringList { "9600 8N1",  "19200 8E1", "19200 8N1", "19200 8N2",
                         "19200 8E2", "9600 8N2",  "9600 8E1",  "9600 8E2" };
    QTest::newRow("not a speed") << "9600,fast" << true << 1 << 3 << "not a speed: fast"
                                 << QStringList {};
    QTest::newRow("addresses the wrong way")
        << "9600" << true << 5 << 3 << "choose at least" << QStringList {};
}

void tst_recorder_window::search_plan()
{
    QFETCH(QString, speeds);
    QFETCH(bool, odd);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, said);
    QFETCH(QStringList, settings);
    orte::find_page page;
    page.speeds->setText(speeds);
    page.parity[2]->setChecked(odd);
    page.first_address->setValue(first);
    page.last_address->setValue(last);
    orte::scan_plan plan;
    QCOMPARE(page.plan(plan), said.isEmpty());
    QVERIFY2(said.isEmpty() ? page.message->text().isEmpty()
                            : page.message->text().startsWith(said),
             qPrintable(page.message->text()));
    if (!said.isEmpty())
        return;
    QStringList made;
    for (const orte::line_format &s : plan.settings)
        made << QString::fromStdString(s.text());
    QCOMPARE(made, settings);
    QCOMPARE(plan.ports, QStringList { QStringLiteral("ttyTEST0") });
}

void tst_recorder_window::run_view_draws_faults_crossings_and_health()
{
    // Polls as the recording page takes them: measurement and status in turn, on a clock of
    // their own; input 1 in fault for two statuses, setpoint 1 crossed twice, then a time-out.
    orte::files_box none;
    none.xlsx_on->setChecked(false);
    none.csv_on->setChecked(false);
    orte::run_view view;
    QVERIFY(view.begin(none));
    const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(1700000000000);
    const quint8 statuses[] = { 0x00, 0x01, 0x01, 0x00, 0x10, 0x10, 0x00, 0x00 };
    QByteArray rx(29, '\0');
    rx[1] = 4;
    rx[2] = 24;
    rx[14] = 1; // input 2 a thermocouple
    orte::reading r;
    int at = 0;
    for (quint8 status : statuses) {
        r.have_measure = true;
        r.measure = rx;
        r.fault_at_measure[0] = (r.status & 0x01) != 0;
        ++r.measurements;
        view.add(r, false, orte::exchange_outcome::answer, t0.addMSecs(300 * at++));
        r.status = status;
        r.have_status = true;
        view.add(r, false, orte::exchange_outcome::answer, t0.addMSecs(300 * at++));
    }
    r.link = QStringLiteral("time-out");
    view.add(r, false, orte::exchange_outcome::timeout, t0.addMSecs(300 * at++));
    QCOMPARE(view.chart->pieces(0), 2); // broken by the fault
    QCOMPARE(view.chart->pieces(1), 1);
    QVERIFY(view.chart->in_fault_span(0, t0.addMSecs(900).toMSecsSinceEpoch()));
    QVERIFY(!view.chart->in_fault_span(0, t0.addMSecs(3000).toMSecsSinceEpoch()));
    QCOMPARE(view.chart->marked(), 2); // up and down again
    view.show_texts();
    QVERIFY2(view.health->text().contains(QStringLiteral("time-outs: 1")),
             qPrintable(view.health->text()));
    QVERIFY(view.values->text().endsWith(QStringLiteral("time-out")));
    QVERIFY(view.finish({}));
    QCOMPARE(view.where->text(), QStringLiteral("Nothing was recorded."));
}

void tst_recorder_window::recordings_go_to_the_documents_folder()
{
#ifndef Q_OS_WIN
    // The documents folder of a home of the test's own.
    qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("home/.config"))));
#endif
    orte::files_box box;
    box.propose_names();
    static const QRegularExpression proposed(QString::fromUtf8(
        "ОРТЕ-473[/\\\\]orte-\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.(xlsx|csv)$"));
    for (const QLineEdit *path : { box.xlsx_path, box.csv_path })
        QVERIFY2(proposed.match(path->text()).hasMatch(), qPrintable(path->text()));
    const QString folder = QFileInfo(box.xlsx_name()).absolutePath();
    QDir(folder).removeRecursively();
    // The folder is made by the first recording into it; the page says where the files are.
    orte::run_view view;
    QVERIFY(view.begin(box));
    orte::reading r;
    r.have_status = true;
    view.add(r, false, orte::exchange_outcome::answer, QDateTime::currentDateTime());
    QVERIFY(view.finish({}));
    QVERIFY(QFileInfo::exists(box.xlsx_name()) && QFileInfo::exists(box.csv_name()));
    QVERIFY2(view.where->text().contains(QDir::toNativeSeparators(box.xlsx_name())),
             qPrintable(view.where->text()));
    QVERIFY(!view.open_folder->isHidden());
    QDir(folder).removeRecursively();
}

QTEST_MAIN(tst_recorder_window)
#include "tst_recorder_window.moc"
