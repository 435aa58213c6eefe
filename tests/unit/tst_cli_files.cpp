// What orte-cli writes for people, without a line: the CSV rows for each kind of spreadsheet,
// the language it speaks, its Russian translation, and a workbook.

#include "cli/csv.h"
#include "cli/language.h"
#include "cli/workbook.h"

#include <QtTest>

namespace {
// A measurement poll: input 1 at 23.45 (type 0), input 2 a thermocouple at 500.1 with its cold
// junction at 23.5, no status yet.
orte_cli::poll_record measurement()
{
    orte_cli::poll_record r;
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
    void workbook_is_written();
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
    const orte_cli::csv_format f = locale.isEmpty() ? orte_cli::plain_format()
                                                    : orte_cli::spreadsheet_format(QLocale(locale));
    QCOMPARE(orte_cli::csv_row(f, measurement()), row);
    QCOMPARE(orte_cli::csv_preamble(f).isEmpty(), locale.isEmpty());
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
    Q_INIT_RESOURCE(orte_cli_translations);
    QTranslator russian;
    QVERIFY(russian.load(QStringLiteral(":/i18n/orte-cli_ru.qm")));
    QCOMPARE(russian.translate("text", "Time"), QString::fromUtf8("Время"));
    QVERIFY(russian.translate("text", "(see --help)").startsWith(QString::fromUtf8("(см.")));
}

void tst_cli_files::workbook_is_written()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QString::fromUtf8("замер.xlsx"));
    orte_cli::run_figures run;
    run.start = run.end = measurement().at;
    run.add(measurement());
    QString error;
    QVERIFY2(orte_cli::write_workbook(name, run, { measurement() }, error), qPrintable(error));
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(2), QByteArray("PK")); // a zip, as every workbook
}

QTEST_GUILESS_MAIN(tst_cli_files)
#include "tst_cli_files.moc"
