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
#include <QThread>

namespace orte_cli {

namespace {
using orte::diag_crc;
using orte::diag_exception;
using orte::diag_timeout;
using orte::diag_unexpected;

// What the converter has said so far.
struct reading
{
    bool have_measure = false;
    bool have_status = false;
    QByteArray measure;
    quint8 status = 0;
    QString link;
};

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

QString csv_row(const reading &r, bool single_input, const QDateTime &at)
{
    QStringList cells { at.toString(Qt::ISODateWithMs) };
    const orte::status_view s = orte::decode_status(r.status);
    for (int input = 1; input <= 2; ++input) {
        const bool absent = input == 2 && single_input;
        const bool fault = r.have_status && (input == 1 ? s.in1_fault : s.in2_fault);
        const orte::input_reading in = orte::read_input(r.measure, input);
        const bool shown = r.have_measure && !absent && !fault && in.type <= 3;
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

QString text_line(const reading &r, bool single_input, const QDateTime &at)
{
    QStringList parts { at.toString(QStringLiteral("HH:mm:ss.zzz")) };
    const orte::status_view s = orte::decode_status(r.status);
    if (r.have_measure) {
        const orte::measure_view m
            = orte::decode_measure(r.measure, single_input, s.in1_fault, s.in2_fault);
        for (const QString &t : { m.T_1_channal, m.T_1_hs, m.t_2_channal, m.T_2_hs })
            if (!t.isEmpty())
                parts << t.trimmed();
    }
    if (r.have_status) {
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
        return QString::fromUtf8(r.heard ? diag_crc : diag_timeout);
    if (r.kind == orte::reply_kind::exception)
        return QString::fromUtf8(diag_exception);
    if (r.kind == orte::reply_kind::unexpected)
        return QString::fromUtf8(diag_unexpected);
    return {};
}
} // namespace

QString csv_header()
{
    return QStringLiteral("time,in1_type,in1_value,in1_cj,in2_type,in2_value,in2_cj,"
                          "in1_fault,in2_fault,out1_fault,out2_fault,"
                          "in1_above_sp1,in1_below_sp2,in2_above_sp1,in2_below_sp2,link");
}

int run_watch(const watch_plan &plan, QTextStream &out)
{
    probe line;
    QString error;
    if (!line.open(plan.port, plan.settings, error)) {
        out << "orte-cli: cannot open " << plan.port << ": " << error << '\n';
        return port_failed;
    }
    const exchange_result id = line.exchange(orte::initial_req_ident(), quint8(plan.address));
    const orte::ident_result ident = id.frame && id.kind == orte::reply_kind::ident
        ? orte::decode_ident(id.bytes)
        : orte::ident_result {};
    if (!ident.device_found) {
        out << "no converter at " << plan.settings.text() << " address " << plan.address << '\n';
        return not_found;
    }
    const bool single_input = ident.single_input == 1;
    out << ident.string_name << "; " << orte::version_text(id.bytes) << "; "
        << orte::serial_text(orte::serial_number(id.bytes)) << '\n'
        << Qt::flush;

    QFile csv(plan.csv_file);
    if (!plan.csv_file.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            out << "orte-cli: cannot write " << plan.csv_file << '\n';
            return bad_arguments;
        }
        csv.write(csv_header().toUtf8() + '\n');
        csv.flush();
    }

    reading r;
    QElapsedTimer clock;
    clock.start();
    for (int poll = 0; !interrupted() && (plan.polls == 0 || poll < plan.polls); ++poll) {
        const bool measure = poll % 2 == 0;
        const exchange_result x
            = line.exchange(measure ? orte::initial_req_measure() : orte::initial_req_status(),
                            quint8(plan.address));
        r.link = link_text(x);
        if (x.frame && x.kind == orte::reply_kind::measure) {
            r.measure = x.bytes;
            r.have_measure = true;
        } else if (x.frame && x.kind == orte::reply_kind::status) {
            r.status = orte::rx_at(x.bytes, 3);
            r.have_status = true;
        }
        const QDateTime now = QDateTime::currentDateTime();
        out << text_line(r, single_input, now) << '\n' << Qt::flush;
        if (csv.isOpen()) {
            csv.write(csv_row(r, single_input, now).toUtf8() + '\n');
            csv.flush();
        }
        // Requests keep their period however long the exchange took.
        const qint64 next = qint64(poll + 1) * plan.interval_ms;
        while (!interrupted() && clock.elapsed() < next)
            QThread::msleep(ulong(qMin<qint64>(20, next - clock.elapsed())));
    }
    return found;
}

} // namespace orte_cli
