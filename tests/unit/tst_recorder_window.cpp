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

QTEST_MAIN(tst_recorder_window)
#include "tst_recorder_window.moc"
