#include "engine/recording_reader.h"

#include "engine/csv.h"
#include "engine/texts.h"
#include "link/reply_path.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orte {

namespace {

constexpr int columns = 16; // time, 3 a input, 8 flags, the link

QString not_ours(const QString &file)
{
    return text::tr("%1 is not a recording made by orte-cli or the recorder").arg(file);
}

// A recording of several converters on one line is not drawn as one converter's run.
QString several_converters(const QString &file)
{
    return text::tr("%1 holds several converters; this chart shows one converter's recording")
        .arg(file);
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

// The files keep wall-clock times. Each is turned into a time with its offset from UTC, the
// offset looked up once an hour of the recording: the system's local-time conversion costs a
// look at the time-zone file each time, which over a day's rows is seconds.
class wall_clock
{
public:
    QDateTime at(const QDate &date, int ms_of_day)
    {
        // 2440588: the Julian day of 1970-01-01.
        const qint64 wall = (date.toJulianDay() - 2440588) * 86400000 + ms_of_day;
        const qint64 hour = wall / 3600000;
        auto it = offsets.constFind(hour);
        if (it == offsets.constEnd())
            it = offsets.insert(hour,
                                QDateTime(date, QTime(ms_of_day / 3600000, 0)).offsetFromUtc());
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        return QDateTime::fromMSecsSinceEpoch(wall - *it * 1000LL,
                                              QTimeZone::fromSecondsAheadOfUtc(*it));
#else
        return QDateTime::fromMSecsSinceEpoch(wall - *it * 1000LL, Qt::OffsetFromUTC, *it);
#endif
    }

private:
    QHash<qint64, int> offsets;
};

// "yyyy-MM-dd HH:mm:ss.zzz", any one character between the date and the time and before the
// milliseconds; invalid where it is not.
QDateTime parse_time(const QString &t, wall_clock &clock)
{
    if (t.size() != 23)
        return {};
    int f[7] = {};
    const int at[7][2]
        = { { 0, 4 }, { 5, 2 }, { 8, 2 }, { 11, 2 }, { 14, 2 }, { 17, 2 }, { 20, 3 } };
    for (int k = 0; k < 7; ++k)
        for (int i = at[k][0]; i < at[k][0] + at[k][1]; ++i) {
            if (!t[i].isDigit())
                return {};
            f[k] = f[k] * 10 + t[i].digitValue();
        }
    const QDate date(f[0], f[1], f[2]);
    if (!date.isValid() || f[3] > 23 || f[4] > 59 || f[5] > 59 || t[4] != QLatin1Char('-')
        || t[7] != QLatin1Char('-') || t[13] != QLatin1Char(':') || t[16] != QLatin1Char(':'))
        return {};
    return clock.at(date, ((f[3] * 60 + f[4]) * 60 + f[5]) * 1000 + f[6]);
}

// A row's cells after the time (`c`: all 16) into `r`. A number's decimal separator is
// `decimal`; a cell that is not a number fails the row where `strict`, and is taken as absent
// otherwise (a workbook a spreadsheet program saved again may hold text there).
template<typename Cells> bool take_cells(const Cells &c, QChar decimal, bool strict, poll_record &r)
{
    bool ok = true;
    const auto number = [&](const QString &s) -> std::optional<double> {
        if (s.isEmpty())
            return std::nullopt;
        bool good = false;
        const double v = decimal == QLatin1Char('.')
            ? s.toDouble(&good)
            : QString(s).replace(decimal, QLatin1Char('.')).toDouble(&good);
        ok = ok && (good || !strict);
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
    return ok;
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
    // A file of several converters has one column more: the address, second.
    for (const QChar separator : { QLatin1Char(','), QLatin1Char(';') }) {
        csv_format several = separator == QLatin1Char(';')
            ? csv_format { false, QLatin1Char(';'), QLatin1Char(','), true }
            : plain_format();
        several.address_column = true;
        const QStringList cells = split_cells(lines.constFirst(), separator);
        if (cells.size() == columns + 1
            && (lines.constFirst() == csv_header(several)
                || cells.value(1).compare(text::tr("Address"), Qt::CaseInsensitive) == 0
                || cells.value(1) == QLatin1String("Address"))) {
            error = several_converters(file);
            return false;
        }
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
    wall_clock clock;
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList c = split_cells(lines[n], format.separator);
        poll_record r;
        if (c.size() == columns)
            r.at = parse_time(c[0], clock);
        if (!r.at.isValid()) {
            error = text::tr("%1, line %2: not a row of a recording").arg(file).arg(n + 1);
            return false;
        }
        if (!take_cells(c, format.decimal, true, r)) {
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
        // A part that says it is larger than any recording's (a damaged directory) is not
        // made room for.
        if (e.method != 8 || e.size > (1u << 30))
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

// A worksheet's XML is read by hand: it is regular (rows of cells, each a value or an inline
// string), and a day's sheet is over a hundred megabytes, which a general XML reader takes
// seconds over.
class sheet_scanner
{
public:
    explicit sheet_scanner(const QByteArray &xml)
        : p(xml.constData())
        , end(xml.constData() + xml.size())
    {
    }
    // The next tag's name and where its attributes are: false at the end.
    bool next_tag(QByteArray &name, const char *&attributes, bool &closes, bool &empty)
    {
        p = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
        if (!p)
            return (p = end), false;
        const char *close = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
        if (!close)
            return (damaged = true), (p = end), false;
        closes = p[1] == '/';
        const char *n = p + (closes ? 2 : 1);
        const char *n_end = n;
        while (n_end < close && *n_end != ' ' && *n_end != '/' && *n_end != '\t' && *n_end != '\n'
               && *n_end != '\r')
            ++n_end;
        name = QByteArray::fromRawData(n, int(n_end - n));
        attributes = n_end;
        empty = close[-1] == '/';
        tag_end = close;
        p = close + 1;
        return true;
    }
    // An attribute of the tag just read, `key` its name with a space before and `="` after.
    QByteArray attribute(const char *attributes, const char *key) const
    {
        const char *key_end = key + std::strlen(key);
        const char *at = std::search(attributes, tag_end, key, key_end);
        if (at == tag_end)
            return {};
        const char *from = at + (key_end - key);
        const char *to = static_cast<const char *>(std::memchr(from, '"', size_t(tag_end - from)));
        return to ? QByteArray::fromRawData(from, int(to - from)) : QByteArray();
    }
    // The text up to the next tag.
    QString text()
    {
        const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(end - p)));
        const char *stop = lt ? lt : end;
        QString t = QString::fromUtf8(p, int(stop - p));
        p = stop;
        if (t.contains(QLatin1Char('&')))
            t = unescaped(t);
        return t;
    }
    bool damaged = false;

private:
    static QString unescaped(const QString &t)
    {
        QString out;
        for (int i = 0; i < t.size(); ++i) {
            const int semicolon = t[i] == QLatin1Char('&') ? t.indexOf(QLatin1Char(';'), i) : -1;
            if (semicolon < 0) {
                out += t[i];
                continue;
            }
            const QStringView entity = QStringView(t).mid(i + 1, semicolon - i - 1);
            if (entity == QLatin1String("amp"))
                out += QLatin1Char('&');
            else if (entity == QLatin1String("lt"))
                out += QLatin1Char('<');
            else if (entity == QLatin1String("gt"))
                out += QLatin1Char('>');
            else if (entity == QLatin1String("quot"))
                out += QLatin1Char('"');
            else if (entity == QLatin1String("apos"))
                out += QLatin1Char('\'');
            else if (entity.startsWith(QLatin1Char('#')))
                out += QChar(entity.startsWith(QLatin1String("#x"))
                                 ? entity.mid(2).toString().toUInt(nullptr, 16)
                                 : entity.mid(1).toString().toUInt());
            else
                out += entity.toString();
            i = semicolon;
        }
        return out;
    }
    const char *p;
    const char *end;
    const char *tag_end = nullptr;
};

int column_of(const QByteArray &reference)
{
    int c = 0;
    for (const char ch : reference) {
        if (ch < 'A' || ch > 'Z')
            break;
        c = c * 26 + (ch - 'A' + 1);
    }
    return c - 1;
}

// A sheet's rows in turn to `row` (its cells by column, as text: numbers as written; its
// index from 0), until `row` says to stop. False when the XML is damaged.
bool read_sheet(const QByteArray &xml, const QStringList &shared,
                const std::function<bool(const std::vector<QString> &, int)> &row)
{
    sheet_scanner x(xml);
    std::vector<QString> cells;
    int rows = 0;
    bool in_row = false;
    int column = -1;
    bool shared_string = false;
    QByteArray name;
    const char *attributes = nullptr;
    bool closes = false;
    bool empty = false;
    while (x.next_tag(name, attributes, closes, empty)) {
        if (name == "row") {
            if (!closes) {
                cells.clear();
                in_row = true;
            }
            if ((closes || empty) && in_row) {
                in_row = false;
                if (!row(cells, rows++))
                    return true;
            }
        } else if (name == "c" && !closes && in_row) {
            column = column_of(x.attribute(attributes, " r=\""));
            shared_string = x.attribute(attributes, " t=\"") == "s";
        } else if ((name == "v" || name == "t") && !closes && !empty && in_row && column >= 0
                   && column < 64) {
            QString text = x.text();
            if (shared_string) {
                const int k = text.toInt();
                text = k >= 0 && k < shared.size() ? shared[k] : QString();
            }
            if (int(cells.size()) <= column)
                cells.resize(size_t(column + 1));
            cells[size_t(column)] += text;
        }
    }
    return !x.damaged && !in_row;
}

QDateTime excel_time(double days, wall_clock &clock)
{
    const qint64 ms = qint64(std::llround(days * 86400000.0));
    return clock.at(QDate(1899, 12, 30).addDays(ms / 86400000), int(ms % 86400000));
}

// A values sheet's row as the poll it records; false when it is not one.
bool take_values_row(std::vector<QString> c, wall_clock &clock, std::vector<poll_record> &rows)
{
    c.resize(columns);
    bool ok = false;
    poll_record r;
    r.at = excel_time(c[0].toDouble(&ok), clock);
    if (!ok)
        return false;
    take_cells(c, QLatin1Char('.'), false, r);
    rows.push_back(r);
    return true;
}

// A line of the sheet on the converter and the run: its name in either language.
void take_run_line(const QString &name, const QString &v, run_figures &about)
{
    const auto is = [&name](const char *source) {
        return name == QLatin1String(source) || name == text::tr(source);
    };
    if (is("Model code"))
        about.model_code = int(v.toDouble());
    else if (is("Serial number"))
        about.serial = quint32(v.toDouble());
    else if (is("Firmware"))
        about.firmware = v;
    else if (is("Port"))
        about.port = v;
    else if (is("Settings"))
        about.settings = v;
    else if (is("Address"))
        about.address = int(v.toDouble());
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
    int runs = 0;
    wall_clock clock;
    for (int n = 1; zip.has(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n)); ++n) {
        const QByteArray xml = zip.part(QStringLiteral("xl/worksheets/sheet%1.xml").arg(n));
        rows.reserve(rows.size() + size_t(xml.size() / 300));
        // A values sheet's heading row has every column; the run's sheet, a name and a value.
        enum { unknown, values, run, other } kind = unknown;
        QString bad;
        const auto row = [&](const std::vector<QString> &cells, int k) {
            if (k == 0)
                kind = cells.size() == size_t(columns) ? values : cells.size() == 2 ? run : other;
            if (kind == values && k > 0) {
                if (!take_values_row(cells, clock, rows)) {
                    bad = text::tr("%1, sheet %2, row %3: not a row of a recording")
                              .arg(file)
                              .arg(n)
                              .arg(k + 1);
                    return false;
                }
            } else if (kind == run && cells.size() >= 2) {
                take_run_line(cells[0], cells[1], about);
            }
            return kind != other;
        };
        if (xml.isEmpty() || !read_sheet(xml, shared, row)) {
            error = text::tr("cannot read %1: the workbook is damaged").arg(file);
            return false;
        }
        if (!bad.isEmpty()) {
            error = bad;
            return false;
        }
        values_found = values_found || kind == values;
        runs += kind == run ? 1 : 0;
    }
    if (runs > 1) {
        error = several_converters(file);
        return false;
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
