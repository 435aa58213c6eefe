#include "cli/watch.h"

#include "cli/csv.h"
#include "cli/language.h"
#include "cli/record.h"
#include "cli/workbook.h"
#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/status.h"
#include "link/crc16.h"
#include "link/diag_texts.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace orte_cli {

namespace {
// What the last exchanges brought, as the screen line shows it. The measurement is shown as
// the monitor's page shows it: decoded when it arrives, with the input faults known then, so
// a fault reported by a status reply replaces a value from the next measurement on.
struct reading
{
    bool have_measure = false;
    bool have_status = false;
    QByteArray measure;
    orte::measure_view measure_shown;
    bool fault_at_measure[2] = { false, false };
    quint8 status = 0;
    QString link;
};

// The monitor's fault flags: set by each status reply, kept through failed exchanges.
struct fault_flags
{
    bool in1 = false;
    bool in2 = false;
};

QString text_line(const reading &r, const QDateTime &at)
{
    QStringList parts { at.toString(QStringLiteral("HH:mm:ss.zzz")) };
    if (r.have_measure) {
        const orte::measure_view &m = r.measure_shown;
        for (const QString &t : { m.T_1_channal, m.T_1_hs, m.t_2_channal, m.T_2_hs })
            if (!t.isEmpty())
                parts << t.trimmed();
    }
    if (r.have_status) {
        const orte::status_view s = orte::decode_status(r.status);
        parts << (s.err_izd.isEmpty() ? QString::fromUtf8("Ошибок нет") : s.err_izd);
        for (const QString &t : { s.err_ust_1, s.err_ust_2 })
            if (!t.isEmpty())
                parts << t;
    }
    if (!r.link.isEmpty())
        parts << r.link;
    return parts.join(QStringLiteral(" | "));
}

outcome exchange_outcome(const exchange_result &r)
{
    if (!r.frame)
        return r.heard && r.foreign.isEmpty() ? outcome::crc_error : outcome::timeout;
    if (r.kind == orte::reply_kind::exception)
        return outcome::exception;
    return r.kind == orte::reply_kind::unexpected ? outcome::unexpected : outcome::reply;
}

QString link_text(outcome o)
{
    switch (o) {
    case outcome::crc_error:
        return QString::fromUtf8(orte::diag_crc);
    case outcome::timeout:
        return QString::fromUtf8(orte::diag_timeout);
    case outcome::exception:
        return QString::fromUtf8(orte::diag_exception);
    case outcome::unexpected:
        return QString::fromUtf8(orte::diag_unexpected);
    case outcome::reply:
        break;
    }
    return {};
}

// The poll as the files keep it: what the screen line shows, in cells.
poll_record record_of(const reading &r, bool single_input, outcome result, const QDateTime &at)
{
    poll_record p;
    p.at = at;
    p.link = r.link;
    p.result = result;
    for (int input = 1; input <= 2; ++input) {
        const size_t i = size_t(input - 1);
        const bool absent = input == 2 && single_input;
        const orte::input_reading in = orte::read_input(r.measure, input);
        if (!r.have_measure || absent)
            continue;
        p.type[i] = in.type;
        if (r.fault_at_measure[i] || in.type > 3)
            continue;
        p.value[i] = in.value;
        if (in.type == 1)
            p.cold_junction[i] = in.cold_junction;
    }
    for (size_t bit = 0; bit < 8; ++bit)
        if (r.have_status)
            p.flags[bit] = (r.status >> bit) & 1;
    return p;
}

// A file of the recording that must be writable before the line is touched. An existing one
// is replaced only when asked; one that holds nothing of the run is not left behind.
class output_file
{
public:
    bool claim(const QString &name, bool overwrite, QTextStream &err)
    {
        if (name.isEmpty())
            return true;
        file.setFileName(name);
        const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered
            | (overwrite ? QIODevice::Truncate : QIODevice::NewOnly);
        if (file.open(mode))
            return true;
        err << "orte-cli: "
            << text::tr("cannot write %1: %2")
                   .arg(name,
                        !overwrite && file.exists() ? text::tr("it exists (--force replaces it)")
                                                    : file.errorString())
            << '\n';
        return false;
    }

    bool claimed() const { return file.isOpen(); }
    QFile file;
};

// The CSV file: each row goes out in one write, and one cut short is taken back, so the file
// never holds a torn row; the first failure is said once.
class csv_recording : public output_file
{
public:
    bool start(const csv_format &f, QTextStream &err)
    {
        format = f;
        return !claimed() || write(csv_preamble(format) + csv_header(format).toUtf8(), err);
    }

    void add(const poll_record &r, QTextStream &err)
    {
        if (claimed() && write(csv_row(format, r).toUtf8(), err))
            ++rows;
    }

    void discard_if_empty()
    {
        if (claimed() && rows == 0)
            file.remove();
    }

    bool failed = false;

private:
    bool write(const QByteArray &line, QTextStream &err)
    {
        const QByteArray bytes = line + '\n';
        const qint64 size = file.size();
        if (file.write(bytes) == bytes.size())
            return true;
        file.resize(size);
        if (!failed)
            err << "orte-cli: "
                << text::tr("cannot write %1: %2; the recording is incomplete")
                       .arg(file.fileName(), file.errorString())
                << '\n'
                << Qt::flush;
        failed = true;
        return false;
    }

    csv_format format;
    int rows = 0;
};

QString figure(double v)
{
    return QString::number(v, 'g', 10);
}

void print_summary(QTextStream &out, const run_figures &run)
{
    out << text::tr("Polls: %1; CRC errors: %2; time-outs: %3; exceptions: %4")
               .arg(run.polls)
               .arg(run.crc_errors)
               .arg(run.timeouts)
               .arg(run.exceptions)
        << '\n';
    for (int in = 0; in < 2; ++in) {
        const input_figures &f = run.inputs[size_t(in)];
        if (f.count > 0)
            out << text::tr("Input %1: minimum %2, maximum %3, mean %4 (%5 values)")
                       .arg(in + 1)
                       .arg(figure(f.min), figure(f.max), figure(f.mean()))
                       .arg(f.count)
                << '\n';
    }
    out << Qt::flush;
}
} // namespace

int run_watch(const watch_plan &plan, QTextStream &out, QTextStream &err)
{
    // The recordings first: a file that cannot be written is found before the line is touched.
    csv_recording csv;
    output_file xlsx;
    if (!csv.claim(plan.csv_file, plan.overwrite, err)
        || !xlsx.claim(plan.xlsx_file, plan.overwrite, err)) {
        csv.discard_if_empty();
        return bad_arguments;
    }
    auto discard = [&] {
        csv.discard_if_empty();
        if (xlsx.claimed())
            xlsx.file.remove();
    };
    if (!csv.start(plan.csv_plain ? plain_format() : spreadsheet_format(QLocale::system()), err))
        return recording_incomplete;
    probe line;
    QString error;
    if (!line.open(plan.port, plan.settings, error)) {
        err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, error) << '\n';
        discard();
        return port_failed;
    }

    // A few tries: one lost reply must not end a recording before it begins.
    constexpr int ident_tries = 3;
    exchange_result id;
    orte::ident_result ident;
    QString heard;
    for (int i = 0; i < ident_tries && !ident.device_found; ++i) {
        id = line.exchange(orte::initial_req_ident(), quint8(plan.address));
        if (id.interrupted || id.port_lost)
            break;
        ident = id.frame && id.kind == orte::reply_kind::ident ? orte::decode_ident(id.bytes)
                                                               : orte::ident_result {};
        if (!ident.device_found && !what_answered(id, quint8(plan.address)).isEmpty())
            heard = what_answered(id, quint8(plan.address));
    }
    if (!ident.device_found) {
        discard();
        if (id.interrupted)
            return interrupted_code;
        if (id.port_lost) {
            err << "orte-cli: " << text::tr("the port %1 has gone").arg(plan.port) << '\n';
            return port_failed;
        }
        err << text::tr("no converter at %1 address %2: %3")
                   .arg(text(plan.settings))
                   .arg(plan.address)
                   .arg(heard.isEmpty() ? text::tr("nothing answered") : heard)
            << '\n';
        return not_found;
    }
    const bool single_input = ident.single_input == 1;
    out << ident.string_name << "; " << orte::version_text(id.bytes) << "; "
        << orte::serial_text(orte::serial_number(id.bytes)) << '\n'
        << Qt::flush;

    run_figures run;
    run.model = ident.string_name;
    run.serial = QString::number(orte::serial_number(id.bytes));
    run.firmware = orte::version_text(id.bytes);
    run.port = plan.port;
    run.settings = text(plan.settings);
    run.address = plan.address;
    run.start = QDateTime::currentDateTime();
    QVector<poll_record> polls;

    reading r;
    fault_flags faults;
    bool port_gone = false;
    bool output_gone = false;
    QElapsedTimer clock;
    clock.start();
    long long due = 0;
    for (int poll = 0; !interrupted() && (plan.polls == 0 || poll < plan.polls); ++poll) {
        pause_ms(due - clock.elapsed());
        if (interrupted())
            break;
        due = orte::next_poll_due(due, clock.elapsed(), plan.interval_ms);
        // A port that has gone is reopened once a poll, with the same settings.
        if (port_gone && line.open(plan.port, plan.settings, error)) {
            port_gone = false;
            err << "orte-cli: " << text::tr("the port %1 is back").arg(plan.port) << '\n'
                << Qt::flush;
        }
        exchange_result x;
        if (!port_gone) {
            const bool measure = poll % 2 == 0;
            x = line.exchange(measure ? orte::initial_req_measure() : orte::initial_req_status(),
                              quint8(plan.address));
            if (x.interrupted)
                break;
            if (x.port_lost) {
                port_gone = true;
                line.close();
                err << "orte-cli: "
                    << text::tr("the port %1 has gone; reopening it every %2 ms")
                           .arg(plan.port)
                           .arg(plan.interval_ms)
                    << '\n'
                    << Qt::flush;
            }
        }
        const outcome result = exchange_outcome(x);
        r.link = link_text(result);
        if (x.frame && x.kind == orte::reply_kind::measure) {
            r.measure = x.bytes;
            r.measure_shown = orte::decode_measure(x.bytes, single_input, faults.in1, faults.in2);
            r.fault_at_measure[0] = faults.in1;
            r.fault_at_measure[1] = faults.in2;
            r.have_measure = true;
        } else if (x.frame && x.kind == orte::reply_kind::status) {
            r.status = orte::rx_at(x.bytes, 3);
            const orte::status_view s = orte::decode_status(r.status);
            faults = { s.in1_fault, s.in2_fault };
            r.have_status = true;
        } else if (result != outcome::reply) {
            // Nothing received: nothing shown or recorded but the link text.
            r.have_measure = r.have_status = false;
        }
        const QDateTime now = QDateTime::currentDateTime();
        const poll_record record = record_of(r, single_input, result, now);
        run.add(record);
        csv.add(record, err);
        if (xlsx.claimed())
            polls.append(record);
        out << text_line(r, now) << '\n' << Qt::flush;
        if (out.status() != QTextStream::Ok) {
            output_gone = true;
            break;
        }
    }
    run.end = QDateTime::currentDateTime();
    bool workbook_failed = false;
    if (xlsx.claimed()) {
        xlsx.file.close();
        if (!write_workbook(plan.xlsx_file, run, polls, error)) {
            err << "orte-cli: " << text::tr("cannot write %1: %2").arg(plan.xlsx_file, error)
                << '\n';
            workbook_failed = true;
        }
    }
    if (output_gone)
        return output_closed;
    print_summary(out, run);
    if (port_gone)
        return port_failed;
    return csv.failed || workbook_failed ? recording_incomplete : found;
}

} // namespace orte_cli
