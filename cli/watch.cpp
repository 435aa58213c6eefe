#include "cli/watch.h"

#include "cli/language.h"
#include "cli/record.h"
#include "cli/recording.h"
#include "cli/workbook.h"
#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/register_map.h"
#include "decode/status.h"
#include "link/crc16.h"
#include "link/frame_bytes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace orte_cli {

namespace {
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
               .arg(run.exceptions);
    if (run.unexpected > 0)
        out << text::tr("; replies to something else: %1").arg(run.unexpected);
    out << '\n';
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
    recording files;
    if (!files.claim(plan.csv_file, plan.csv_plain, plan.xlsx_file, plan.overwrite, err))
        return bad_arguments;
    probe line;
    QString error;
    if (!line.open(plan.port, plan.settings, error)) {
        err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, error) << '\n';
        return port_failed;
    }

    // A few tries: one lost reply must not end a recording before it begins.
    constexpr int ident_tries = 3;
    exchange_result id;
    orte::ident_result ident;
    QString heard;
    for (int i = 0; i < ident_tries && !ident.device_found; ++i) {
        id = line.exchange(orte::initial_req_ident(), quint8(plan.address));
        if (id.stopped || id.port_lost)
            break;
        ident = id.frame && id.kind == orte::reply_kind::ident ? orte::decode_ident(id.bytes)
                                                               : orte::ident_result {};
        if (!ident.device_found && !what_answered(id, quint8(plan.address)).isEmpty())
            heard = what_answered(id, quint8(plan.address));
    }
    if (!ident.device_found) {
        if (id.stopped)
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
    run.model_code = orte::model_code(id.bytes);
    run.serial = orte::serial_number(id.bytes);
    run.firmware = orte::version_digits(id.bytes);
    run.port = plan.port;
    run.settings = text(plan.settings);
    run.address = plan.address;
    run.start = QDateTime::currentDateTime();

    reading r;
    fault_flags faults;
    bool port_gone = false;
    bool output_gone = false;
    QElapsedTimer clock;
    clock.start();
    long long due = 0;
    // The line stays silent a frame gap after a reply, however short the interval.
    const long long gap_ms = (long long)std::ceil(orte::frame_gap_ms(plan.settings));
    long long line_free = gap_ms; // the clock starts as the identification's reply ends
    for (int poll = 0; !interrupted() && (plan.polls == 0 || poll < plan.polls); ++poll) {
        pause_ms(std::max(due, line_free) - clock.elapsed());
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
            if (x.stopped)
                break;
            line_free = clock.elapsed() + gap_ms;
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
        const outcome result = x.outcome();
        r.link = QString::fromUtf8(orte::link_text(result));
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
        } else if (result != outcome::answer) {
            // Nothing received: nothing shown or recorded but the link text.
            r.have_measure = r.have_status = false;
        }
        const QDateTime now = QDateTime::currentDateTime();
        const poll_record record = record_of(r, single_input, result, now);
        run.add(record);
        files.add(record, err);
        out << text_line(r, now) << '\n' << Qt::flush;
        if (out.status() != QTextStream::Ok) {
            output_gone = true;
            break;
        }
    }
    run.end = QDateTime::currentDateTime();
    const bool complete = files.finish(run, err);
    if (output_gone)
        return output_closed;
    print_summary(out, run);
    if (port_gone)
        return port_failed;
    return complete ? success : recording_incomplete;
}

} // namespace orte_cli
