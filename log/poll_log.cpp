#include "log/poll_log.h"

#include "decode/status.h"

#include <QFile>
#include <QTextCodec>

namespace orte {

namespace {
const QString separator = QString(80, QLatin1Char('=')) + QLatin1Char('\n');

QString two_digits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

QString log_file_name(const QDate &date, const QTime &time)
{
    return QStringLiteral("log-473-%1-%2-%3_%4_%5.txt")
        .arg(date.year())
        .arg(two_digits(date.month()), two_digits(date.day()), two_digits(time.hour()),
             two_digits(time.minute()));
}

QString time_prefix(const QTime &time)
{
    return QStringLiteral("%1:%2:%3\t\t")
        .arg(two_digits(time.hour()), two_digits(time.minute()), two_digits(time.second()));
}

QString header_record(const QTime &time, quint32 serial)
{
    return time_prefix(time) + QString::fromUtf8("Начали опрос ОРТЕ 473; ")
        + QString::fromUtf8("Заводской номер преобразователя  %1\n").arg(serial) + separator
        + QString::fromUtf8("Время\t\t\n");
}

QString log_record(record_kind kind, const QTime &time, quint8 status_byte)
{
    switch (kind) {
    case record_kind::status_change:
        return time_prefix(time) + fault_log_text(status_byte);
    case record_kind::crc_error:
        return time_prefix(time) + QString::fromUtf8("Ошибка CRC\n");
    case record_kind::timeout:
        return time_prefix(time) + QString::fromUtf8("Тайм-аут, барьер не ответил \n");
    case record_kind::link_lost:
        return separator + time_prefix(time)
            + QString::fromUtf8("Опрос завершен по причине обрыва связи с ОРТЕ-473");
    case record_kind::stop:
        return separator + time_prefix(time) + QString::fromUtf8("Опрос завершен");
    }
    return {};
}

void append_to_log(const QString &file_name, const QString &text)
{
    // Unbuffered, so that the record goes out in one write and a short one can be seen.
    QFile file(file_name);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return;
    const qint64 size = file.size();
    bool needs_line_feed = false;
    if (size > 0 && file.seek(size - 1)) {
        char last = '\n';
        file.getChar(&last);
        needs_line_feed = last != '\n';
    }
    // The system's encoding, as the users' tools expect; where it cannot hold the log's
    // Cyrillic (a Western code page), UTF-8 with a byte-order mark, which Notepad reads.
    static const QByteArray bom("\xEF\xBB\xBF");
    file.seek(0);
    const bool has_bom = file.read(3) == bom;
    QTextCodec *codec = QTextCodec::codecForLocale();
    const QString line = needs_line_feed ? QLatin1Char('\n') + text : text;
    const QByteArray local = codec->fromUnicode(line);
    QByteArray bytes = local;
    if (has_bom || codec->toUnicode(local) != line)
        bytes = (size == 0 ? bom : QByteArray()) + line.toUtf8();
    file.seek(size);
    // A record is in the file whole or not at all: a full disk must not leave half a letter
    // that every later record would follow.
    if (file.write(bytes) != bytes.size())
        file.resize(size);
    file.close();
}

} // namespace orte
