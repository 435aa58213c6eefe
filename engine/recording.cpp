#include "engine/recording.h"

#include "decode/ident.h"
#include "decode/status.h"
#include "engine/exchange.h"
#include "engine/texts.h"
#include "link/frame_bytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orte {

void converter_state::identify(const QByteArray &ident, const QDateTime &at)
{
    single_input = decode_ident(ident).single_input == 1;
    if (!identified) {
        figures.identified(ident);
        figures.start = at;
    }
    identified = true;
}

exchange_outcome take_poll(const exchange_result &x, bool single_input, reading &r,
                           fault_flags &faults)
{
    exchange_outcome result = x.outcome();
    // A poll brings values or a status; a frame that brings neither is no sound poll.
    if (result == exchange_outcome::answer && x.kind != reply_kind::measure
        && x.kind != reply_kind::status)
        result = exchange_outcome::foreign;
    r.link = QString::fromUtf8(link_text(result));
    if (x.frame && x.kind == reply_kind::measure) {
        r.measure = x.bytes;
        r.measure_shown = decode_measure(x.bytes, single_input, faults.in1, faults.in2);
        r.fault_at_measure[0] = faults.in1;
        r.fault_at_measure[1] = faults.in2;
        r.have_measure = true;
        ++r.measurements;
    } else if (x.frame && x.kind == reply_kind::status) {
        r.status = rx_at(x.bytes, 3);
        const status_view s = decode_status(r.status);
        faults = { s.in1_fault, s.in2_fault };
        r.have_status = true;
    } else if (result != exchange_outcome::answer) {
        // Nothing received: nothing shown or recorded but the link text.
        r.have_measure = r.have_status = false;
    }
    return result;
}

poll_record record_of(const reading &r, bool single_input, exchange_outcome result,
                      const QDateTime &at)
{
    poll_record p;
    p.at = at;
    p.link = r.link;
    p.result = result;
    p.measurement = r.have_measure ? r.measurements : 0;
    for (int input = 1; input <= 2; ++input) {
        const size_t i = size_t(input - 1);
        const bool absent = input == 2 && single_input;
        const orte::input_reading in = orte::read_input(r.measure, input);
        if (!r.have_measure || absent)
            continue;
        p.type[i] = in.type;
        if (r.fault_at_measure[i] || !orte::known_sensor(in.type))
            continue;
        p.value[i] = in.value;
        if (orte::has_cold_junction(in.type))
            p.cold_junction[i] = in.cold_junction;
    }
    for (size_t bit = 0; bit < 8; ++bit)
        if (r.have_status)
            p.flags[bit] = (r.status >> bit) & 1;
    return p;
}

bool output_file::claim(const QString &name, bool replace, QString &said)
{
    if (name.isEmpty())
        return true;
    auto refuse = [&](const QString &why) {
        said = text::tr("cannot write %1: %2").arg(name, why);
        return false;
    };
    const QFileInfo info(name);
    // A link leads to the file that is meant; one that leads nowhere yet, straight to the file
    // it names. A link that loops, or leads nowhere through another link, is refused: writing
    // through it would replace a link.
    QString to = info.absoluteFilePath();
    if (info.isSymLink() && info.exists()) {
        to = info.canonicalFilePath();
    } else if (info.isSymLink()) {
        const QFileInfo next(info.symLinkTarget());
        if (next.isSymLink())
            return refuse(text::tr("it is a link that loops or leads nowhere"));
        to = next.absoluteFilePath();
    }
    // One file, however its folder is named (through a linked folder, say).
    const QString folder = QFileInfo(QFileInfo(to).absolutePath()).canonicalFilePath();
    if (!folder.isEmpty())
        to = QDir(folder).filePath(QFileInfo(to).fileName());
    const QFileInfo file_info(to);
    if (file_info.exists() && !file_info.isFile())
        return refuse(text::tr("it is not a regular file"));
    exists_refused = file_info.exists() && !replace;
    if (exists_refused)
        return refuse(text::tr("it exists"));
    given = name;
    target = to;
    overwrite = replace;
    // The folder must take a new file: try one.
    QFile probe_file(scratch(QStringLiteral(".probe")));
    if (!probe_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        target.clear();
        return refuse(QFileInfo(file_info.absolutePath()).isDir()
                          ? probe_file.errorString()
                          : text::tr("the folder %1 does not exist")
                                .arg(QDir::toNativeSeparators(file_info.absolutePath())));
    }
    probe_file.close();
    probe_file.remove();
    // And take this name: one too long for it is found now, not when the run ends.
    if (!file_info.exists()) {
        QFile named(to);
        if (!named.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            target.clear();
            return refuse(named.errorString());
        }
        named.close();
        named.remove();
    }
    return true;
}

QString output_file::scratch(const QString &suffix) const
{
    return QDir(QFileInfo(target).absolutePath())
        .filePath(QStringLiteral("orte-cli-%1%2.part")
                      .arg(QCoreApplication::applicationPid())
                      .arg(suffix));
}

bool output_file::place(const QString &scratch_file, QString &error) const
{
    const QFileInfo now(target);
    bool placed = false;
    if (now.exists() && !now.isFile())
        error = text::tr("it is not a regular file");
    else if ((exists_refused = now.exists() && !overwrite))
        error = text::tr("it exists");
    else {
#ifdef _WIN32
        const std::wstring from = QDir::toNativeSeparators(scratch_file).toStdWString();
        const std::wstring to = QDir::toNativeSeparators(target).toStdWString();
        placed = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        if (!placed)
            error = write_error_text(0, qt_error_string(int(GetLastError())));
#else
        // rename() replaces the old file in one step: there is always one or the other.
        placed = ::rename(QFile::encodeName(scratch_file).constData(),
                          QFile::encodeName(target).constData())
            == 0;
        if (!placed)
            error = write_error_text(errno, qt_error_string(errno));
#endif
    }
    if (!placed)
        QFile::remove(scratch_file);
    return placed;
}

QString write_error_text(int error_number, const QString &fallback)
{
    switch (error_number) {
#ifndef _WIN32
    case ENOSPC:
        return text::tr("no space left on the device");
    case EFBIG:
        return text::tr("the file has reached the size limit");
    case EDQUOT:
        return text::tr("the disk quota is exceeded");
#endif
    default:
        break;
    }
    // Qt says "Unknown error" for a write that the system cut short without a reason.
    return fallback.isEmpty() || fallback == QLatin1String("Unknown error")
        ? text::tr("the file cannot be written")
        : fallback;
}

bool csv_recording::add(const poll_record &r, QString &error)
{
    if (!claimed())
        return true;
    const QByteArray row = csv_row(format, r).toUtf8() + '\n';
    return out.isOpen() ? write(row, error) : first_row(row, error);
}

bool csv_recording::first_row(const QByteArray &row, QString &error)
{
    const QString part = scratch(QStringLiteral(".csv"));
    QFile first(part);
    if (!first.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = first.errorString();
        return false;
    }
    const QByteArray bytes = csv_preamble(format) + csv_header(format).toUtf8() + '\n' + row;
    const bool written = first.write(bytes) == bytes.size();
    const int error_number = errno;
    if (!written) {
        error = write_error_text(error_number, first.errorString());
        first.close();
        first.remove();
        return false;
    }
    first.close();
    if (!place(part, error))
        return false;
    out.setFileName(file());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = out.errorString();
        return false;
    }
    return true;
}

bool csv_recording::write(const QByteArray &row, QString &error)
{
    const qint64 size = out.size();
    if (out.write(row) == row.size())
        return true;
    error = write_error_text(errno, out.errorString());
    out.resize(size);
    return false;
}

recording::recording(say_fn s)
    : rows_per_sheet(sheet_rows)
    , say(std::move(s))
{
}

recording::~recording() = default;

QString rotated_name(const QString &name, rotation r, const QDateTime &at)
{
    if (r == rotation::none || name.isEmpty())
        return name;
    const QFileInfo info(name);
    const QString stamp = at.toString(r == rotation::daily ? QStringLiteral("yyyy-MM-dd")
                                                           : QStringLiteral("yyyy-MM-dd-HH"));
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
    return base + QLatin1Char('-') + stamp
        + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

QDateTime period_start(rotation r, const QDateTime &at)
{
    if (r == rotation::none)
        return {};
    QDateTime start = at; // in its own time zone
    start.setTime(QTime(r == rotation::daily ? 0 : at.time().hour(), 0));
    return start;
}

void recording::set_rotation(rotation r, about_fn a)
{
    every = r;
    about = std::move(a);
}

bool recording::claim(const QString &given_csv, bool csv_plain, const QString &given_xlsx,
                      bool overwrite_csv, bool overwrite_xlsx)
{
    csv_given = given_csv;
    xlsx_given = given_xlsx;
    plain = csv_plain;
    overwrite_csv_given = overwrite_csv;
    overwrite_xlsx_given = overwrite_xlsx;
    const QDateTime now = QDateTime::currentDateTime();
    period = period_start(every, now);
    const QString csv_name = rotated_name(given_csv, every, now);
    const QString xlsx_name = rotated_name(given_xlsx, every, now);
    QString said;
    if (!csv.claim(csv_name, overwrite_csv, said) || !xlsx.claim(xlsx_name, overwrite_xlsx, said)) {
        say(said);
        return false;
    }
    if (csv.claimed() && xlsx.claimed() && csv.file() == xlsx.file()) {
        say(text::tr("the CSV file and the workbook are one file: %1").arg(xlsx_name));
        return false;
    }
    csv_format format = csv_plain ? plain_format() : spreadsheet_format(QLocale::system());
    format.address_column = by_address;
    csv.start(format);
    return true;
}

QString recording::book_scratch() const
{
    const QString folder = narrow_folder(xlsx.file());
    return QDir(folder).filePath(QFileInfo(xlsx.scratch(QStringLiteral(".xlsx"))).fileName());
}

void recording::open_book()
{
    if (!book)
        book = std::make_unique<workbook_writer>(book_scratch(), narrow_folder(xlsx.file()),
                                                 rows_per_sheet, by_address);
}

QVector<run_figures> recording::period_runs(const QVector<run_figures> &given) const
{
    if (every == rotation::none)
        return given;
    // Each converter as the front end knows it, with the figures of this period's files.
    QVector<run_figures> runs;
    for (const run_figures &whole : given) {
        const int key = by_address ? whole.address : 0;
        if (!period_figures.contains(key))
            continue;
        run_figures run = period_figures[key];
        run.take_identity(whole);
        runs << run;
    }
    return runs;
}

void recording::rotate(const QDateTime &at)
{
    finish(about ? about() : QVector<run_figures> {});
    // The next period's files: named by it, each whole from its first row.
    csv.reset();
    xlsx = output_file();
    added = 0;
    period_figures.clear();
    period = period_start(every, at);
    QString said;
    const QString csv_name = rotated_name(csv_given, every, at);
    const QString xlsx_name = rotated_name(xlsx_given, every, at);
    if (!csv.claim(csv_name, overwrite_csv_given, said)
        || !xlsx.claim(xlsx_name, overwrite_xlsx_given, said)) {
        say(said + text::tr("; the recording goes on without it"));
        csv.reset();
        xlsx = output_file();
        return;
    }
    csv_format format = plain ? plain_format() : spreadsheet_format(QLocale::system());
    format.address_column = by_address;
    csv.start(format);
}

void recording::add(const poll_record &r)
{
    if (every != rotation::none && period_start(every, r.at) != period && period.isValid())
        rotate(r.at);
    if (every != rotation::none) {
        run_figures &f = period_figures[r.address];
        if (f.polls == 0)
            f.start = r.at;
        f.end = r.at;
        f.add(r);
    }
    ++added;
    // A row that cannot be written is skipped whole; the next is tried. Said once.
    QString error;
    if (!csv.add(r, error)) {
        if (!csv.failed)
            say(text::tr("cannot write %1: %2; the recording is incomplete")
                    .arg(csv.name(), error));
        csv.failed = true;
    }
    if (!xlsx.claimed())
        return;
    open_book();
    book->add(r);
}

bool recording::finish(const QVector<run_figures> &given)
{
    const QVector<run_figures> run = period_runs(given);
    if (!xlsx.claimed() || added == 0) {
        book.reset();
        return !csv.failed;
    }
    open_book();
    QString error;
    const bool written = book->finish(run, error) && xlsx.place(book_scratch(), error);
    book.reset();
    if (!written)
        say(text::tr("cannot write %1: %2").arg(xlsx.name(), error));
    return written && !csv.failed;
}

} // namespace orte
