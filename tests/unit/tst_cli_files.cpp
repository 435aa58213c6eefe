// What orte-cli writes for people, without a line: the CSV rows for each kind of spreadsheet,
// the language it speaks, its Russian translation, a workbook, and how a file of a recording
// takes its place.

#include "cli/language.h"
#include "engine/csv.h"
#include "engine/recording.h"
#include "engine/workbook.h"
#include "translations/translations.h"

#include <QtTest>

#include <cerrno>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {
// A measurement poll: input 1 at 23.45 (type 0), input 2 a thermocouple at 500.1 with its cold
// junction at 23.5, no status yet.
orte::poll_record measurement()
{
    orte::poll_record r;
    r.at = QDateTime(QDate(2026, 12, 7), QTime(18, 55, 38, 69));
    r.type = { 0, 1 };
    r.value = { 23.45, 500.1 };
    r.cold_junction[1] = 23.5;
    r.link = QStringLiteral("say \"hi\"");
    return r;
}
} // namespace

class tst_cli_files : public QObject
{
    Q_OBJECT

private slots:
    void csv_rows_data();
    void csv_rows();
    void language_data();
    void language();
    void russian_translation_is_embedded();
    void workbook_data();
    void workbook();
    void file_takes_its_place_data();
    void file_takes_its_place();
    void write_errors_data();
    void write_errors();
    void recording_says_why_it_cannot_start_data();
    void recording_says_why_it_cannot_start();
    void a_rotated_recording_keeps_each_period_whole();
};

void tst_cli_files::csv_rows_data()
{
    QTest::addColumn<QString>("locale"); // empty: plain
    QTest::addColumn<QString>("row");
    QTest::newRow("ru_RU: ; and , and a date-time") << "ru_RU"
                                                    << "2026-12-07 18:55:38,069;0;23,45;;1;500,1;"
                                                       "23,5;;;;;;;;;\"say \"\"hi\"\"\"";
    QTest::newRow("en_US: , and . and a date-time") << "en_US"
                                                    << "2026-12-07 18:55:38.069,0,23.45,,1,500.1,"
                                                       "23.5,,,,,,,,,\"say \"\"hi\"\"\"";
    QTest::newRow("plain: RFC 4180, ISO time") << ""
                                               << "2026-12-07T18:55:38.069,0,23.45,,1,500.1,23.5,"
                                                  ",,,,,,,,\"say \"\"hi\"\"\"";
}

void tst_cli_files::csv_rows()
{
    QFETCH(QString, locale);
    QFETCH(QString, row);
    const orte::csv_format f
        = locale.isEmpty() ? orte::plain_format() : orte::spreadsheet_format(QLocale(locale));
    QCOMPARE(orte::csv_row(f, measurement()), row);
    QCOMPARE(orte::csv_preamble(f).isEmpty(), locale.isEmpty());
}

void tst_cli_files::language_data()
{
    QTest::addColumn<QString>("lc_all");
    QTest::addColumn<QString>("lc_messages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("russian");
    QTest::newRow("LANG=ru_RU.UTF-8") << ""
                                      << ""
                                      << "ru_RU.UTF-8" << true;
    QTest::newRow("LC_MESSAGES=ru_RU.UTF-8, LANG=en_US.UTF-8") << ""
                                                               << "ru_RU.UTF-8"
                                                               << "en_US.UTF-8" << true;
    QTest::newRow("LC_ALL=C over LANG=ru_RU.UTF-8") << "C"
                                                    << ""
                                                    << "ru_RU.UTF-8" << false;
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << "" << false;
}

void tst_cli_files::language()
{
    QFETCH(QString, lc_all);
    QFETCH(QString, lc_messages);
    QFETCH(QString, lang);
    QFETCH(bool, russian);
    QCOMPARE(orte_cli::russian_posix_locale(lc_all, lc_messages, lang), russian);
}

void tst_cli_files::russian_translation_is_embedded()
{
    QTranslator russian;
    QVERIFY(russian.load(orte::companion_translation()));
    QCOMPARE(russian.translate("text", "Time"), QString::fromUtf8("Время"));
    QVERIFY(russian.translate("text", "(see --help)").startsWith(QString::fromUtf8("(см.")));
}

void tst_cli_files::workbook_data()
{
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("rows_per_sheet");
    QTest::addColumn<bool>("with_values");
    QTest::addColumn<QString>("read"); // what the reader says of sheets, charts and the run
    const QString two_charts = "chart: Input 1 / Time / Input 1: resistance thermometer, °C\n"
                               "chart: Input 2 / Time / Input 2: thermocouple, °C\n";
    QTest::newRow("3 polls: a chart an input, on an axis of its own")
        << 3 << orte::sheet_rows << true
        << "sheets: Values, Input 1 chart, Input 2 chart, Converter and run\n" + two_charts
            + "polls: 3\nserial: 123456\nchart note: None\n";
    QTest::newRow("10 polls, 4 rows a sheet: three values sheets, the chart over the last")
        << 10 << 4 << true
        << "sheets: Values, Values 2, Values 3, Input 1 chart, Input 2 chart, Converter and run\n"
            + two_charts
            + "polls: 10\nserial: 123456\nchart note: the last 2 polls, on the sheet Values 3\n";
    QTest::newRow("no value received: no chart, and why")
        << 2 << orte::sheet_rows << false
        << QStringLiteral("sheets: Values, Converter and run\npolls: 2\nserial: 123456\n"
                          "chart note: none: no value was received\n");
}

void tst_cli_files::workbook()
{
    QFETCH(int, polls);
    QFETCH(int, rows_per_sheet);
    QFETCH(bool, with_values);
    QFETCH(QString, read);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("run.xlsx"));
    orte::run_figures run;
    run.serial = 123456;
    run.start = run.end = measurement().at;
    {
        orte::workbook_writer book(name, dir.path(), rows_per_sheet);
        for (int i = 0; i < polls; ++i) {
            orte::poll_record r = with_values ? measurement() : orte::poll_record {};
            r.at = measurement().at.addMSecs(300 * i);
            run.add(r);
            book.add(r);
        }
        QString error;
        QVERIFY2(book.finish({ run }, error), qPrintable(error));
    }
    // Nothing but the workbook is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "run.xlsx" });
#ifdef _WIN32
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(2), QByteArray("PK")); // a zip, as every workbook
#else
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral(ORTE_XLSX_READER), name });
    QVERIFY(reader.waitForFinished(60000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split('\n');
    // Rows and values are the end-to-end tests' matter.
    lines.removeAt(1);
    lines.removeAt(1);
    QCOMPARE(lines.join('\n'), read);
#endif
}

namespace {
void write_file(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
} // namespace

void tst_cli_files::file_takes_its_place_data()
{
    QTest::addColumn<QString>("there"); // what is at the name before the run
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("refused"); // why the claim is refused; empty: it is taken
    QTest::newRow("nothing") << "nothing" << false << "";
    QTest::newRow("a file, without --force") << "file" << false << "it exists";
    QTest::newRow("a file, --force: replaced once the run is in") << "file" << true << "";
    QTest::newRow("a folder, --force") << "folder" << true << "it is not a regular file";
    QTest::newRow("a missing folder") << "missing folder" << true << "does not exist";
#ifndef _WIN32
    QTest::newRow("a link to a file, --force: the file is replaced, the link kept")
        << "link" << true << "";
    QTest::newRow("a link to nothing yet: the file is made") << "dangling link" << false << "";
    QTest::newRow("a FIFO, --force: refused at once, never opened")
        << "fifo" << true << "it is not a regular file";
    QTest::newRow("/dev/null, --force") << "/dev/null" << true << "it is not a regular file";
    QTest::newRow("a link to itself, --force")
        << "looping link" << true << "it is a link that loops or leads nowhere";
    QTest::newRow("a link to a link to nothing, --force")
        << "dangling chain" << true << "it is a link that loops or leads nowhere";
    QTest::newRow("a name too long for the folder") << "long name" << false << "too long";
#endif
}

void tst_cli_files::file_takes_its_place()
{
    QFETCH(QString, there);
    QFETCH(bool, force);
    QFETCH(QString, refused);
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("run.csv"));
    const QString old_file = dir.filePath(QStringLiteral("old.csv"));
    const QString made = there.contains("link") ? old_file : name;
    if (there == "file")
        write_file(name, "old\n");
    else if (there == "folder")
        QVERIFY(QDir().mkdir(name));
    else if (there == "missing folder")
        name = dir.filePath(QStringLiteral("no/run.csv"));
    else if (there == "/dev/null")
        name = there;
#ifndef _WIN32
    else if (there == "fifo")
        QVERIFY(mkfifo(QFile::encodeName(name).constData(), 0600) == 0);
    if (there == "link")
        write_file(old_file, "old\n");
    if (there == "link" || there == "dangling link")
        QVERIFY(QFile::link(old_file, name));
    if (there == "looping link")
        QVERIFY(QFile::link(name, name));
    if (there == "dangling chain") {
        QVERIFY(QFile::link(old_file, dir.filePath(QStringLiteral("middle"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("middle")), name));
    }
    if (there == "long name")
        name = dir.filePath(QString(300, QLatin1Char('x')));
#endif
    orte::output_file out;
    QString said;
    QCOMPARE(out.claim(name, force, said), refused.isEmpty());
    QVERIFY2(said.contains(refused), qPrintable(said));
    if (!refused.isEmpty())
        return;
    // Claimed, nothing at the name has changed; put in place, the run is there.
    QCOMPARE(QFileInfo(made).size(), there == "nothing" || there == "dangling link" ? 0 : 4);
    const QString part = out.scratch(QStringLiteral(".csv"));
    write_file(part, "run\n");
    QString error;
    QVERIFY2(out.place(part, error), qPrintable(error));
    QFile f(made);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("run\n"));
    QCOMPARE(QFileInfo(name).isSymLink(), there.contains("link"));
    QVERIFY(!QFileInfo::exists(part));
}

void tst_cli_files::write_errors_data()
{
    QTest::addColumn<int>("error_number");
    QTest::addColumn<QString>("qt_says");
    QTest::addColumn<QString>("said");
#ifndef _WIN32
    QTest::newRow("ENOSPC") << ENOSPC << "Unknown error"
                            << "no space left on the device";
    QTest::newRow("EFBIG") << EFBIG << "File too large"
                           << "the file has reached the size limit";
#endif
    QTest::newRow("a short write without a reason") << 0 << "Unknown error"
                                                    << "the file cannot be written";
    QTest::newRow("anything else: as the system says it") << 0 << "Input/output error"
                                                          << "Input/output error";
}

void tst_cli_files::write_errors()
{
    QFETCH(int, error_number);
    QFETCH(QString, qt_says);
    QFETCH(QString, said);
    QCOMPARE(orte::write_error_text(error_number, qt_says), said);
}

void tst_cli_files::recording_says_why_it_cannot_start_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("xlsx");
    QTest::addColumn<QString>("said"); // empty: it starts, saying nothing
    QTest::newRow("two files") << "run.csv"
                               << "run.xlsx"
                               << "";
    QTest::newRow("one name for both") << "run"
                                       << "run"
                                       << "the CSV file and the workbook are one file: ";
#ifndef Q_OS_WIN
    QTest::newRow("a link to the other") << "link"
                                         << "run.xlsx"
                                         << "the CSV file and the workbook are one file: ";
#endif
    QTest::newRow("no such folder") << "none/run.csv"
                                    << ""
                                    << "cannot write ";
#ifndef Q_OS_WIN
    QTest::newRow("one file through a linked folder")
        << "run.csv"
        << "folder/run.csv"
        << "the CSV file and the workbook are one file: ";
#endif
}

void tst_cli_files::recording_says_why_it_cannot_start()
{
    QFETCH(QString, csv);
    QFETCH(QString, xlsx);
    QFETCH(QString, said);
    QTemporaryDir dir;
#ifndef Q_OS_WIN
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("run.xlsx")),
                        dir.filePath(QStringLiteral("link"))));
    QVERIFY(QFile::link(dir.path(), dir.filePath(QStringLiteral("folder"))));
#endif
    QStringList heard;
    orte::recording files([&heard](const QString &what) { heard << what; });
    const bool started = files.claim(dir.filePath(csv), true,
                                     xlsx.isEmpty() ? QString() : dir.filePath(xlsx), false);
    QCOMPARE(started, said.isEmpty());
    // Said once, in one sentence, without the program's name (each front end adds its own).
    QCOMPARE(heard.size(), said.isEmpty() ? 0 : 1);
    if (!said.isEmpty())
        QVERIFY2(heard[0].startsWith(said) && !heard[0].contains(QStringLiteral("orte-cli")),
                 qPrintable(heard[0]));
}

// Rows an hour apart, rotated hourly: each hour's CSV and workbook whole, named by the hour,
// the CSV with its own header.
void tst_cli_files::a_rotated_recording_keeps_each_period_whole()
{
    QTemporaryDir dir;
    QStringList heard;
    orte::recording files([&heard](const QString &what) { heard << what; });
    files.set_rotation(orte::rotation::hourly, [] {
        orte::run_figures run;
        run.serial = 123456;
        return QVector<orte::run_figures> { run };
    });
    QVERIFY(files.claim(dir.filePath(QStringLiteral("run.csv")), true,
                        dir.filePath(QStringLiteral("run.xlsx")), false));
    const QDateTime now = QDateTime::currentDateTime();
    QStringList expected;
    for (int hour = 0; hour < 2; ++hour) {
        orte::poll_record r;
        r.at = now.addSecs(3600 * hour);
        r.value[0] = 20 + hour;
        files.add(r);
        for (const char *suffix : { ".csv", ".xlsx" })
            expected << orte::rotated_name(QStringLiteral("run") + QLatin1String(suffix),
                                           orte::rotation::hourly, r.at);
    }
    orte::run_figures whole;
    QVERIFY(files.finish(whole));
    QVERIFY2(heard.isEmpty(), qPrintable(heard.join('\n')));
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    for (int hour = 0; hour < 2; ++hour) {
        QFile csv(dir.filePath(expected[2 * hour]));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.value(0), orte::csv_header(orte::plain_format()).toUtf8());
        QVERIFY2(lines.value(1).contains(hour == 0 ? ",20," : ",21,"), lines.value(1).constData());
    }
}

QTEST_GUILESS_MAIN(tst_cli_files)
#include "translations/translations.h"
#include "tst_cli_files.moc"
