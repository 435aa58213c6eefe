#include "cli/scan.h"

#include "cli/language.h"
#include "decode/ident.h"
#include "decode/register_map.h"
#include "link/crc16.h"

#include <QElapsedTimer>

#include <algorithm>

namespace orte_cli {

QVector<port_settings> scan_order(const QVector<int> &bauds, const QString &parities,
                                  const QVector<int> &stop_bits)
{
    QVector<int> fastest_first = bauds;
    std::sort(fastest_first.begin(), fastest_first.end(), std::greater<int>());
    QVector<port_settings> order;
    auto add = [&](int baud, char parity, int stops) {
        if (!bauds.contains(baud) || !parities.contains(QLatin1Char(parity))
            || !stop_bits.contains(stops))
            return;
        for (const port_settings &s : order)
            if (s.baud == baud && s.parity == parity && s.stop_bits == stops)
                return;
        order.append({ baud, parity, stops });
    };
    add(9600, 'N', 1);
    add(19200, 'E', 1);
    for (int baud : fastest_first)
        for (QChar parity : parities)
            for (int stops : stop_bits)
                add(baud, char(parity.toLatin1()), stops);
    return order;
}

namespace {
QString duration(qint64 ms)
{
    return ms >= 60000 ? text::tr("%1 min %2 s").arg(ms / 60000).arg(ms / 1000 % 60)
                       : text::tr("%1 s").arg(ms / 1000);
}

// One scan over every port of the plan: counts, and the words for the lines.
class scanner
{
public:
    scanner(const scan_plan &p, QTextStream &o, QTextStream &e, QTextStream *pr)
        : plan(p)
        , out(o)
        , err(e)
        , progress(pr)
    {
        total = plan.ports.size() * plan.settings.size()
            * (plan.last_address - plan.first_address + 1);
        clock.start();
    }

    int run()
    {
        bool port_lost = false;
        for (const QString &port : plan.ports) {
            const int code = scan_port(port);
            if (code == interrupted_code || code == output_closed || (code == success && !plan.all))
                return code;
            // A port that cannot be had, or goes, is said and passed over for the others.
            port_lost = port_lost || code == port_failed;
        }
        clear_progress();
        // A port lost on the way leaves the search unfinished: it is not said to be empty.
        if (converters == 0 && tried > 0 && !port_lost)
            out << text::tr("no converter found (%1 tries in %2)")
                       .arg(tried)
                       .arg(duration(clock.elapsed()))
                << '\n'
                << Qt::flush;
        if (out.status() != QTextStream::Ok)
            return output_closed;
        return converters > 0 ? success : port_lost ? port_failed : not_found;
    }

private:
    void clear_progress()
    {
        if (progress)
            *progress << "\r\033[K" << Qt::flush;
    }

    // "COM3: 9600 8N1 address 5" with several ports, "9600 8N1 address 5" with one.
    QString where(const QString &port, const port_settings &settings, int address) const
    {
        const QString at = text::tr("%1 address %2").arg(text(settings)).arg(address);
        return plan.ports.size() > 1 ? port + QStringLiteral(": ") + at : at;
    }

    int scan_port(const QString &port)
    {
        probe line;
        for (const port_settings &settings : plan.settings) {
            QString error;
            if (!line.open(port, settings, error)) {
                clear_progress();
                err << "orte-cli: " << text::tr("cannot open %1: %2").arg(port, error) << '\n';
                return port_failed;
            }
            bool garbled = false;
            for (int address = plan.first_address; address <= plan.last_address; ++address) {
                if (progress) {
                    const qint64 left = tried > 0 ? clock.elapsed() * (total - tried) / tried : 0;
                    *progress << "\r\033[K" << where(port, settings, address) << "  " << tried
                              << "/" << total << "  "
                              << text::tr("about %1 left").arg(duration(left)) << Qt::flush;
                }
                exchange_result r;
                r.interrupted = interrupted();
                if (!r.interrupted)
                    r = line.exchange(orte::initial_req_ident(), quint8(address));
                if (r.interrupted) {
                    clear_progress();
                    err << text::tr("interrupted after %1 of %2 tries (%3 next)")
                               .arg(tried)
                               .arg(total)
                               .arg(where(port, settings, address))
                        << '\n';
                    return converters > 0 ? success : interrupted_code;
                }
                if (r.port_lost) {
                    clear_progress();
                    err << "orte-cli: "
                        << text::tr("the port %1 has gone (at %2)")
                               .arg(port, where(port, settings, address))
                        << '\n';
                    return port_failed;
                }
                ++tried;
                if (r.heard)
                    clear_progress();
                if (r.frame && r.kind == orte::reply_kind::ident) {
                    const orte::ident_result ident = orte::decode_ident(r.bytes);
                    if (ident.device_found) {
                        ++converters;
                        out << where(port, settings, address) << ": " << ident.string_name << "; "
                            << orte::version_text(r.bytes) << "; "
                            << orte::serial_text(orte::serial_number(r.bytes)) << '\n'
                            << Qt::flush;
                        if (out.status() != QTextStream::Ok)
                            return output_closed;
                        if (!plan.all)
                            return success;
                        continue;
                    }
                }
                if (r.frame || !r.foreign.isEmpty()) {
                    out << where(port, settings, address) << ": "
                        << what_answered(r, quint8(address)) << '\n'
                        << Qt::flush;
                } else if (r.heard && !garbled) {
                    // Once per setting: the line is alive but never forms a frame here.
                    garbled = true;
                    const QString at = plan.ports.size() > 1
                        ? port + QStringLiteral(": ") + text(settings)
                        : text(settings);
                    out << text::tr("something answers at %1 but not as a converter (bytes that "
                                    "never formed a frame)")
                               .arg(at)
                        << '\n'
                        << Qt::flush;
                }
                // Nobody reads what the scan says any more: it stops, as on a broken pipe.
                if (out.status() != QTextStream::Ok)
                    return output_closed;
            }
        }
        return converters > 0 ? success : not_found;
    }

    const scan_plan &plan;
    QTextStream &out;
    QTextStream &err;
    QTextStream *progress;
    int total = 0;
    int tried = 0;
    int converters = 0;
    QElapsedTimer clock;
};
} // namespace

int run_scan(const scan_plan &plan, QTextStream &out, QTextStream &err, QTextStream *progress)
{
    return scanner(plan, out, err, progress).run();
}

} // namespace orte_cli
