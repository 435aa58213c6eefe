#include "cli/watch.h"

#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/status.h"
#include "link/crc16.h"
#include "link/diag_texts.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

namespace orte_cli {

namespace {
// What the last exchange brought, as one line and one row show it. The measurement is shown
// as the monitor's page shows it: decoded when it arrives, with the input faults known then,
// so a fault reported by a status reply replaces a value from the next measurement on.
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

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

QString csv_row(const reading &r, bool single_input, const QDateTime &at)
{
    QStringList cells { at.toString(Qt::ISODateWithMs) };
    for (int input = 1; input <= 2; ++input) {
        const bool absent = input == 2 && single_input;
        const orte::input_reading in = orte::read_input(r.measure, input);
        const bool shown
            = r.have_measure && !absent && !r.fault_at_measure[input - 1] && in.type <= 3;
        cells << (r.have_measure && !absent ? QString::number(in.type) : QString())
              << (shown ? number(in.value) : QString())
              << (shown && in.type == 1 ? number(in.cold_junction) : QString());
    }
    for (int bit = 0; bit < 8; ++bit)
        cells << (r.have_status ? QString::number((r.status >> bit) & 1) : QString());
    QString link = r.link;
    cells << QLatin1Char('"') + link.replace(QLatin1Char('"'), QLatin1String("\"\""))
            + QLatin1Char('"');
    return cells.join(QLatin1Char(','));
}

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

QString link_text(const exchange_result &r)
{
    if (!r.frame)
        return QString::fromUtf8(r.heard && r.foreign.isEmpty() ? orte::diag_crc
                                                                : orte::diag_timeout);
    if (r.kind == orte::reply_kind::exception)
        return QString::fromUtf8(orte::diag_exception);
    if (r.kind == orte::reply_kind::unexpected)
        return QString::fromUtf8(orte::diag_unexpected);
    return {};
}

// The recording: each row goes out in one write, and one cut short is taken back, so the
// file never holds a torn row; the first failure is said once.
class recording
{
public:
    bool open(const watch_plan &plan, QTextStream &err)
    {
        if (plan.csv_file.isEmpty())
            return true;
        file.setFileName(plan.csv_file);
        const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered
            | (plan.overwrite ? QIODevice::Truncate : QIODevice::NewOnly);
        if (!file.open(mode)) {
            err << "orte-cli: cannot write " << plan.csv_file << ": "
                << (!plan.overwrite && file.exists()
                        ? QStringLiteral("it exists (--force replaces it)")
                        : file.errorString())
                << '\n';
            return false;
        }
        return write(csv_header(), err);
    }

    bool write(const QString &row, QTextStream &err)
    {
        if (!file.isOpen())
            return true;
        const QByteArray bytes = row.toUtf8() + '\n';
        const qint64 size = file.size();
        if (file.write(bytes) == bytes.size()) {
            ++rows;
            return true;
        }
        file.resize(size);
        if (!failed)
            err << "orte-cli: cannot write " << file.fileName() << ": " << file.errorString()
                << "; the recording is incomplete\n"
                << Qt::flush;
        failed = true;
        return false;
    }

    // A file that holds nothing but its header is not left behind.
    void discard_if_empty()
    {
        if (file.isOpen() && rows <= 1)
            file.remove();
    }

    bool failed = false;

private:
    QFile file;
    int rows = 0;
};
} // namespace

QString csv_header()
{
    return QStringLiteral("time,in1_type,in1_value,in1_cj,in2_type,in2_value,in2_cj,"
                          "in1_fault,in2_fault,out1_fault,out2_fault,"
                          "in1_above_sp1,in1_below_sp2,in2_above_sp1,in2_below_sp2,link");
}

int run_watch(const watch_plan &plan, QTextStream &out, QTextStream &err)
{
    // The recording first: a file that cannot be written is found before the line is touched.
    recording csv;
    if (!csv.open(plan, err))
        return bad_arguments;
    probe line;
    QString error;
    if (!line.open(plan.port, plan.settings, error)) {
        err << "orte-cli: cannot open " << plan.port << ": " << error << '\n';
        csv.discard_if_empty();
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
        csv.discard_if_empty();
        if (id.interrupted)
            return interrupted_code;
        if (id.port_lost) {
            err << "orte-cli: the port " << plan.port << " has gone\n";
            return port_failed;
        }
        err << "no converter at " << text(plan.settings) << " address " << plan.address << ": "
            << (heard.isEmpty() ? QStringLiteral("nothing answered") : heard) << '\n';
        return not_found;
    }
    const bool single_input = ident.single_input == 1;
    out << ident.string_name << "; " << orte::version_text(id.bytes) << "; "
        << orte::serial_text(orte::serial_number(id.bytes)) << '\n'
        << Qt::flush;

    reading r;
    fault_flags faults;
    bool port_gone = false;
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
            err << "orte-cli: the port " << plan.port << " is back\n" << Qt::flush;
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
                err << "orte-cli: the port " << plan.port << " has gone; reopening it every "
                    << plan.interval_ms << " ms\n"
                    << Qt::flush;
            }
        }
        r.link = link_text(x);
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
        } else if (!r.link.isEmpty()) {
            // Nothing received: nothing shown or recorded but the link text.
            r.have_measure = r.have_status = false;
        }
        const QDateTime now = QDateTime::currentDateTime();
        out << text_line(r, now) << '\n' << Qt::flush;
        if (out.status() != QTextStream::Ok)
            return output_closed;
        csv.write(csv_row(r, single_input, now), err);
    }
    if (port_gone)
        return port_failed;
    return csv.failed ? recording_incomplete : found;
}

} // namespace orte_cli
