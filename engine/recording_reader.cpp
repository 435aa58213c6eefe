#include "engine/recording_reader.h"

#include "engine/csv.h"
#include "engine/texts.h"
#include "link/reply_path.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <zlib.h>

#include <cmath>
#include <vector>

namespace orte {

namespace {

constexpr int columns = 16; // time, 3 a input, 8 flags, the link

QString not_ours(const QString &file)
{
    return text::tr("%1 is not a recording made by orte-cli or the recorder").arg(file);
}

// The exchange's outcome from the link's text as the files keep it.
exchange_outcome outcome_of(const QString &link)
{
    if (link.isEmpty())
        return exchange_outcome::answer;
    for (exchange_outcome o : { exchange_outcome::exception, exchange_outcome::foreign,
                                exchange_outcome::crc_error, exchange_outcome::timeout })
        if (link == QString::fromUtf8(link_text(o)))
            return o;
    return exchange_outcome::timeout; // another front end's words for a lost reply
}

// The files repeat a measurement's values on the status poll's row that follows it: the two
// are polled in turn, so measurements are every other row. Which of the two is told by where
// the values change (only a measurement changes them); a row of the other kind counts only
// where its values differ from the row before (a run that lost a poll).
void count_measurements(std::vector<poll_record> &rows)
{
    const auto same = [](const poll_record &a, const poll_record &b) {
        return a.value == b.value && a.cold_junction == b.cold_junction && a.type == b.type;
    };
    const auto has_values = [](const poll_record &r) { return r.value[0] || r.value[1]; };
    size_t changes[2] = { 0, 0 };
    for (size_t k = 1; k < rows.size(); ++k)
        if (has_values(rows[k]) && has_values(rows[k - 1]) && !same(rows[k], rows[k - 1]))
            ++changes[k % 2];
    const size_t measurement_rows = changes[1] > changes[0] ? 1 : 0;
    int n = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        poll_record &r = rows[k];
        if (has_values(r)
            && (k % 2 == measurement_rows || k == 0 || !has_values(rows[k - 1])
                || !same(r, rows[k - 1])))
            ++n;
        r.measurement = n;
    }
}

// ----- CSV -----

QStringList split_cells(const QString &line, QChar separator)
{
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
                    cell += c, ++i;
                else
                    quoted = false;
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == separator) {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << cell;
    return cells;
}

bool read_csv(const QString &file, std::vector<poll_record> &rows, QString &error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        error = text::tr("cannot read %1: %2").arg(file, f.errorString());
        return false;
    }
    QByteArray all = f.readAll();
    const bool spreadsheet = all.startsWith("\xEF\xBB\xBF");
    if (spreadsheet)
        all.remove(0, 3);
    const QString content = QString::fromUtf8(all);
    QStringList lines = content.split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        error = not_ours(file);
        return false;
    }
    // A Russian spreadsheet's file: ";" between cells, "," in numbers.
    const bool semicolon = lines.constFirst().count(QLatin1Char(';')) == columns - 1;
    const csv_format format = semicolon ? csv_format { false, QLatin1Char(';'), QLatin1Char(',') }
        : spreadsheet                   ? csv_format { false, QLatin1Char(','), QLatin1Char('.') }
                                        : plain_format();
    if (split_cells(lines.constFirst(), format.separator).size() != columns
        || (format.plain && lines.constFirst() != csv_header(format))) {
        error = not_ours(file);
        return false;
    }
    rows.reserve(size_t(lines.size()));
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList c = split_cells(lines[n], format.separator);
        poll_record r;
        if (c.size() == columns) {
            QString time = c[0];
            if (format.plain) {
                r.at = QDateTime::fromString(time, Qt::ISODateWithMs);
            } else {
                if (time.size() > 19)
                    time[19] = QLatin1Char('.');
                r.at = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            }
        }
        if (!r.at.isValid()) {
            error = text::tr("%1, line %2: not a row of a recording").arg(file).arg(n + 1);
            return false;
        }
        bool ok = true;
        const auto number = [&](const QString &s) -> std::optional<double> {
            if (s.isEmpty())
                return std::nullopt;
            QString t = s;
            t.replace(format.decimal, QLatin1Char('.'));
            bool good = false;
            const double v = t.toDouble(&good);
            ok = ok && good;
            return v;
        };
        const auto whole = [&](const QString &s) -> std::optional<int> {
            if (s.isEmpty())
                return std::nullopt;
            bool good = false;
            const int v = s.toInt(&good);
            ok = ok && good;
            return v;
        };
        for (size_t i = 0; i < 2; ++i) {
            r.type[i] = whole(c[int(1 + 3 * i)]);
            r.value[i] = number(c[int(2 + 3 * i)]);
            r.cold_junction[i] = number(c[int(3 + 3 * i)]);
        }
        for (size_t bit = 0; bit < 8; ++bit)
            r.flags[bit] = whole(c[int(7 + bit)]);
        r.link = c[15];
        r.result = outcome_of(r.link);
        if (!ok) {
            error = text::tr("%1, line %2: not a row of a recording").arg(file).arg(n + 1);
            return false;
        }
        rows.push_back(r);
    }
    return true;
}

// ----- the workbook: a zip of XML parts -----

quint32 le(const QByteArray &b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

class zip_parts
{
public:
    bool open(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        bytes = f.readAll();
        // The end of the central directory, within the last 64 KiB.
        int end = -1;
        const int size = int(bytes.size());
        for (int i = size - 22; i >= std::max(0, size - 65557); --i)
            if (le(bytes, i, 4) == 0x06054b50) {
                end = i;
                break;
            }
        if (end < 0)
            return false;
        const int count = int(le(bytes, end + 10, 2));
        qint64 at = le(bytes, end + 16, 4);
        for (int k = 0; k < count; ++k) {
            if (at + 46 > bytes.size() || le(bytes, int(at), 4) != 0x02014b50)
                return false;
            const int name_length = int(le(bytes, int(at) + 28, 2));
            const qint64 next
                = at + 46 + name_length + le(bytes, int(at) + 30, 2) + le(bytes, int(at) + 32, 2);
            if (next > bytes.size())
                return false;
            entry e { int(le(bytes, int(at) + 10, 2)), le(bytes, int(at) + 20, 4),
                      le(bytes, int(at) + 24, 4), le(bytes, int(at) + 42, 4) };
            entries.insert(QString::fromUtf8(bytes.mid(int(at) + 46, name_length)), e);
            at = next;
        }
        return true;
    }
    bool has(const QString &name) const { return entries.contains(name); }
    // A part's bytes; empty where it is missing or damaged.
    QByteArray part(const QString &name) const
    {
        const auto it = entries.constFind(name);
        if (it == entries.constEnd())
            return {};
        const entry &e = *it;
        const qint64 local = e.offset;
        if (local + 30 > bytes.size() || le(bytes, int(local), 4) != 0x04034b50)
            return {};
        const qint64 data
            = local + 30 + le(bytes, int(local) + 26, 2) + le(bytes, int(local) + 28, 2);
        if (data + e.packed > bytes.size())
            return {};
        if (e.method == 0)
            return bytes.mid(int(data), int(e.packed));
        if (e.method != 8)
            return {};
        QByteArray out(int(e.size), Qt::Uninitialized);
        z_stream z {};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return {};
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData() + data));
        z.avail_in = uInt(e.packed);
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = uInt(out.size());
        const int rc = inflate(&z, Z_FINISH);
        inflateEnd(&z);
        return rc == Z_STREAM_END && z.total_out == e.size ? out : QByteArray();
    }

private:
    struct entry
    {
        int method;
        quint32 packed;
        quint32 size;
        quint32 offset;
    };
    QByteArray bytes;
    QHash<QString, entry> entries;
};

// A sheet's cells, row by row: each row's cells by column, as text (numbers as written).
using sheet_rows = std::vector<std::vector<QString>>;

int column_of(QStringView reference)
{
    int c = 0;
    for (const QChar ch : reference) {
        if (!ch.isLetter())
            break;
        c = c * 26 + (ch.toUpper().unicode() - 'A' + 1);
    }
    return c - 1;
}

bool read_sheet(const QByteArray &xml, const QStringList &shared, sheet_rows &rows)
{
    QXmlStreamReader x(xml);
    std::vector<QString> *row = nullptr;
    int column = 0;
    QString type;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = x.name();
        if (name == QLatin1String("row")) {
            rows.emplace_back();
            row = &rows.back();
        } else if (name == QLatin1String("c") && row) {
            column = column_of(x.attributes().value(QLatin1String("r")));
            type = x.attributes().value(QLatin1String("t")).toString();
        } else if ((name == QLatin1String("v") || name == QLatin1String("t")) && row && column >= 0
                   && column < 64) {
            QString text = x.readElementText(QXmlStreamReader::IncludeChildElements);
            if (type == QLatin1String("s")) {
                const int k = text.toInt();
                text = k >= 0 && k < shared.size() ? shared[k] : QString();
            }
            if (int(row->size()) <= column)
                row->resize(size_t(column + 1));
            (*row)[size_t(column)] += text;
        }
    }
    return !x.hasError();
}

QDateTime excel_time(double days)
{
    const qint64 ms = qint64(std::llround(days * 86400000.0));
    // The workbook keeps the wall-clock time it was recorded at.
    return QDateTime(QDate(1899, 12, 30).addDays(ms / 86400000),
                     QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)));
}

bool read_workbook(const QString &file, std::vector<poll_record> &rows, run_figures &about,
                   QString &error)
{
    zip_parts zip;
    if (!zip.open(file) || !zip.has(QStringLiteral("xl/workbook.xml"))) {
        error = not_ours(file);
        return false;
    }
    QStringList shared;
    if (zip.has(QStringLiteral("xl/sharedStrings.xml"))) {
        QXmlStreamReader x(zip.part(QStringLiteral("xl/sharedStrings.xml")));
        while (!x.atEnd())
            if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("si"))
                shared << x.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    bool values_found = false;
    for (int n = 1; zip.has(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n)); ++n) {
        const QByteArray xml = zip.part(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n));
        sheet_rows sheet;
        if (xml.isEmpty() || !read_sheet(xml, shared, sheet)) {
            error = text::tr("cannot read %1: the workbook is damaged").arg(file);
            return false;
        }
        if (sheet.empty())
            continue;
        if (sheet.front().size() == size_t(columns)) {
            values_found = true;
            for (size_t k = 1; k < sheet.size(); ++k) {
                std::vector<QString> c = sheet[k];
                c.resize(columns);
                bool ok = false;
                poll_record r;
                r.at = excel_time(c[0].toDouble(&ok));
                if (!ok) {
                    error = text::tr("%1, sheet %2, row %3: not a row of a recording")
                                .arg(file)
                                .arg(n)
                                .arg(k + 1);
                    return false;
                }
                const auto number = [](const QString &s) -> std::optional<double> {
                    bool good = false;
                    const double v = s.toDouble(&good);
                    return good ? std::optional<double>(v) : std::nullopt;
                };
                const auto whole = [&](const QString &s) -> std::optional<int> {
                    const std::optional<double> v = number(s);
                    return v ? std::optional<int>(int(*v)) : std::nullopt;
                };
                for (size_t i = 0; i < 2; ++i) {
                    r.type[i] = whole(c[1 + 3 * i]);
                    r.value[i] = number(c[2 + 3 * i]);
                    r.cold_junction[i] = number(c[3 + 3 * i]);
                }
                for (size_t bit = 0; bit < 8; ++bit)
                    r.flags[bit] = whole(c[7 + bit]);
                r.link = c[15];
                r.result = outcome_of(r.link);
                rows.push_back(r);
            }
        } else if (sheet.front().size() == 2) {
            // The converter and the run: a name and its value a row, in either language.
            const auto is = [](const QString &cell, const char *name) {
                return cell == QLatin1String(name) || cell == text::tr(name);
            };
            for (const std::vector<QString> &line : sheet) {
                if (line.size() < 2)
                    continue;
                const QString &name = line[0];
                const QString &v = line[1];
                if (is(name, "Model code"))
                    about.model_code = int(v.toDouble());
                else if (is(name, "Serial number"))
                    about.serial = quint32(v.toDouble());
                else if (is(name, "Firmware"))
                    about.firmware = v;
                else if (is(name, "Port"))
                    about.port = v;
                else if (is(name, "Settings"))
                    about.settings = v;
                else if (is(name, "Address"))
                    about.address = int(v.toDouble());
            }
        }
    }
    if (!values_found) {
        error = not_ours(file);
        return false;
    }
    return true;
}

} // namespace

bool read_recording(const QString &file, const std::function<void(const poll_record &)> &row,
                    run_figures &about, QString &error)
{
    std::vector<poll_record> rows;
    run_figures read;
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly)) {
        error = text::tr("cannot read %1: %2").arg(file, probe.errorString());
        return false;
    }
    const bool zipped = probe.read(4) == QByteArray("PK\x03\x04", 4);
    probe.close();
    if (!(zipped ? read_workbook(file, rows, read, error) : read_csv(file, rows, error)))
        return false;
    count_measurements(rows);
    for (const poll_record &r : rows) {
        read.add(r);
        row(r);
    }
    if (!rows.empty()) {
        read.start = rows.front().at;
        read.end = rows.back().at;
    }
    if (read.port.isEmpty())
        read.port = QFileInfo(file).fileName();
    about = read;
    return true;
}

} // namespace orte
