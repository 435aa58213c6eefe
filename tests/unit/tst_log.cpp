#include "log/file_safety.h"
#include "log/poll_log.h"

#include <QtTest>

#include "fixed_texts.h"

#include <QTextCodec>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {
QByteArray file_bytes(const QString &name)
{
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

const QByteArray separator(texts::log_separator);
} // namespace

class tst_log : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void file_name_data();
    void file_name();
    void records_data();
    void records();
    void header();
    void appending_never_overwrites();
    void closing_records_get_their_line_feed();
    void unwritable_file_is_skipped();
    void full_disk_leaves_no_torn_record();
    void encoding_follows_the_locale_data();
    void encoding_follows_the_locale();

private:
    QTemporaryDir dir;
};

void tst_log::initTestCase()
{
    // The log goes out in the locale's encoding: pin it, and the working folder.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
}

void tst_log::file_name_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("name");
    QTest::newRow("4 March 2025 07:08")
        << QDate(2025, 3, 4) << QTime(7, 8, 59) << "log-473-2025-03-04_07_08.txt";
    QTest::newRow("31 December 2026 23:59")
        << QDate(2026, 12, 31) << QTime(23, 59) << "log-473-2026-12-31_23_59.txt";
    QTest::newRow("1 January 999 00:00")
        << QDate(999, 1, 1) << QTime(0, 0) << "log-473-999-01-01_00_00.txt";
}

void tst_log::file_name()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, name);
    QCOMPARE(orte::log_file_name(date, time), name);
}

void tst_log::records_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    const QString at = QStringLiteral("07:05:09\t\t");
    const QString sep = QString::fromLatin1(separator);
    QTest::newRow("status 0x05") << int(orte::record_kind::status_change) << 0x05
                                 << at + QString::fromUtf8("Есть Ошибки Входа 1 и Выхода 1\n");
    QTest::newRow("status 0x10: no faults")
        << int(orte::record_kind::status_change) << 0x10 << at + QString::fromUtf8("Ошибок нет\n");
    QTest::newRow("CRC error") << int(orte::record_kind::crc_error) << 0
                               << at + QString::fromUtf8("Ошибка CRC\n");
    QTest::newRow("time-out, space before the line feed")
        << int(orte::record_kind::timeout) << 0 << at + QString::fromUtf8(texts::log_timeout);
    QTest::newRow("link lost, no line feed")
        << int(orte::record_kind::link_lost) << 0
        << sep + at + QString::fromUtf8("Опрос завершен по причине обрыва связи с ОРТЕ-473");
    QTest::newRow("stop, no line feed")
        << int(orte::record_kind::stop) << 0 << sep + at + QString::fromUtf8("Опрос завершен");
}

void tst_log::records()
{
    QFETCH(int, kind);
    QFETCH(int, status);
    QFETCH(QString, text);
    QCOMPARE(orte::log_record(orte::record_kind(kind), QTime(7, 5, 9), quint8(status)), text);
}

void tst_log::header()
{
    orte::append_to_log(QStringLiteral("header.txt"), orte::header_record(QTime(9, 5, 3), 123456));
    QCOMPARE(file_bytes(QStringLiteral("header.txt")),
             QByteArray("09:05:03\t\t") + QString::fromUtf8("Начали опрос ОРТЕ 473; ").toUtf8()
                 + QString::fromUtf8("Заводской номер преобразователя  123456\n").toUtf8()
                 + separator + QString::fromUtf8("Время\t\t\n").toUtf8());
}

void tst_log::appending_never_overwrites()
{
    const QString name = QStringLiteral("log-473-2025-03-04_07_08.txt");
    const QString first = orte::header_record(QTime(7, 8, 1), 1)
        + orte::log_record(orte::record_kind::crc_error, QTime(7, 8, 2));
    orte::append_to_log(name, orte::header_record(QTime(7, 8, 1), 1));
    orte::append_to_log(name, orte::log_record(orte::record_kind::crc_error, QTime(7, 8, 2)));
    // A second run started within the same minute continues the same file.
    orte::append_to_log(name, orte::header_record(QTime(7, 8, 40), 1));
    QCOMPARE(file_bytes(name), (first + orte::header_record(QTime(7, 8, 40), 1)).toUtf8());
}

void tst_log::closing_records_get_their_line_feed()
{
    const QString name = QStringLiteral("closing.txt");
    orte::append_to_log(name, orte::log_record(orte::record_kind::stop, QTime(10, 0, 0)));
    // A time-out of the exchange still in flight, then a new run's header.
    orte::append_to_log(name, orte::log_record(orte::record_kind::timeout, QTime(10, 0, 0)));
    orte::append_to_log(name, orte::log_record(orte::record_kind::link_lost, QTime(10, 0, 1)));
    orte::append_to_log(name, orte::header_record(QTime(10, 0, 2), 7));
    const QByteArray expected = separator + "10:00:00\t\t"
        + QString::fromUtf8("Опрос завершен\n").toUtf8() + "10:00:00\t\t"
        + QByteArray(texts::log_timeout) + separator + "10:00:01\t\t"
        + QString::fromUtf8("Опрос завершен по причине обрыва связи с ОРТЕ-473\n").toUtf8()
        + orte::header_record(QTime(10, 0, 2), 7).toUtf8();
    QCOMPARE(file_bytes(name), expected);
}

void tst_log::unwritable_file_is_skipped()
{
    QDir().mkdir(QStringLiteral("a-folder.txt"));
    orte::append_to_log(QStringLiteral("a-folder.txt"), QStringLiteral("x\n"));
    orte::append_to_log(QStringLiteral("no-such-folder/log.txt"), QStringLiteral("x\n"));
    QVERIFY(QFileInfo(QStringLiteral("a-folder.txt")).isDir());
    QVERIFY(!QFileInfo::exists(QStringLiteral("no-such-folder/log.txt")));
}

void tst_log::full_disk_leaves_no_torn_record()
{
#ifdef Q_OS_UNIX
    // A file size limit stands in for a full disk: a write past it is cut short.
    const QString name = QStringLiteral("full.txt");
    const QString header = orte::header_record(QTime(9, 0, 0), 5);
    const QString timeout = orte::log_record(orte::record_kind::timeout, QTime(9, 0, 1));
    orte::append_to_log(name, header);
    rlimit saved {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(QFileInfo(name).size() + 20); // half the record
    // As every program sets itself up: the limit fails the write instead of killing.
    orte::keep_files_independent_of_locale_and_limits();
    QVERIFY(setrlimit(RLIMIT_FSIZE, &tight) == 0);
    orte::append_to_log(name, timeout);
    const QByteArray after_full = file_bytes(name);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
    QCOMPARE(after_full, header.toUtf8());
    // Once there is room again the next record goes in whole.
    orte::append_to_log(name, timeout);
    QCOMPARE(file_bytes(name), (header + timeout).toUtf8());
#else
    QSKIP("file size limits are POSIX");
#endif
}

void tst_log::encoding_follows_the_locale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("file_start");
    // A Western code page has no Cyrillic: UTF-8 with a byte-order mark instead of '?'.
    QTest::newRow("windows-1252") << QByteArray("windows-1252") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("windows-1251") << QByteArray("windows-1251") << QByteArray();
    QTest::newRow("UTF-8") << QByteArray("UTF-8") << QByteArray();
}

void tst_log::encoding_follows_the_locale()
{
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, file_start);
    QTextCodec *codec = QTextCodec::codecForName(locale);
    QTextCodec::setCodecForLocale(codec);
    const QString name = QString::fromLatin1("enc-" + locale + ".txt");
    const QString header = orte::header_record(QTime(9, 0, 0), 5);
    const QString stop = orte::log_record(orte::record_kind::stop, QTime(9, 0, 1));
    orte::append_to_log(name, header);
    orte::append_to_log(name, stop);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // A file begun in UTF-8 stays UTF-8; one in the code page stays in it.
    const QByteArray body
        = file_start.isEmpty() ? codec->fromUnicode(header + stop) : (header + stop).toUtf8();
    QCOMPARE(file_bytes(name), file_start + body);
}

QTEST_GUILESS_MAIN(tst_log)
#include "tst_log.moc"
