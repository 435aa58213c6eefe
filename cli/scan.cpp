#include "cli/scan.h"

#include "decode/ident.h"
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
    return ms >= 60000 ? QStringLiteral("%1 min %2 s").arg(ms / 60000).arg(ms / 1000 % 60)
                       : QStringLiteral("%1 s").arg(ms / 1000);
}
} // namespace

int run_scan(const scan_plan &plan, QTextStream &out, QTextStream &err, QTextStream *progress)
{
    const int per_setting = plan.last_address - plan.first_address + 1;
    const int total = plan.settings.size() * per_setting;
    int tried = 0;
    int converters = 0;
    QElapsedTimer clock;
    clock.start();
    probe line;
    auto clear_progress = [progress] {
        if (progress)
            *progress << "\r\033[K" << Qt::flush;
    };
    for (const port_settings &settings : plan.settings) {
        QString error;
        if (!line.open(plan.port, settings, error)) {
            clear_progress();
            err << "orte-cli: cannot open " << plan.port << ": " << error << '\n';
            return port_failed;
        }
        bool garbled = false;
        for (int address = plan.first_address; address <= plan.last_address; ++address) {
            if (progress) {
                const qint64 left = tried > 0 ? clock.elapsed() * (total - tried) / tried : 0;
                *progress << "\r\033[K" << text(settings) << " address " << address << "  " << tried
                          << "/" << total << "  about " << duration(left) << " left" << Qt::flush;
            }
            exchange_result r;
            r.interrupted = interrupted();
            if (!r.interrupted)
                r = line.exchange(orte::initial_req_ident(), quint8(address));
            if (r.interrupted) {
                clear_progress();
                err << "interrupted after " << tried << " of " << total << " tries ("
                    << text(settings) << ", address " << address << " next)\n";
                return converters > 0 ? found : interrupted_code;
            }
            if (r.port_lost) {
                clear_progress();
                err << "orte-cli: the port " << plan.port << " has gone (at " << text(settings)
                    << ", address " << address << ")\n";
                return port_failed;
            }
            ++tried;
            if (r.heard)
                clear_progress();
            if (r.frame && r.kind == orte::reply_kind::ident) {
                const orte::ident_result ident = orte::decode_ident(r.bytes);
                if (ident.device_found) {
                    ++converters;
                    out << text(settings) << " address " << address << ": " << ident.string_name
                        << "; " << orte::version_text(r.bytes) << "; "
                        << orte::serial_text(orte::serial_number(r.bytes)) << '\n'
                        << Qt::flush;
                    if (!plan.all)
                        return found;
                    continue;
                }
            }
            const QString other = what_answered(r, quint8(address));
            if (r.frame || !r.foreign.isEmpty())
                out << text(settings) << " address " << address << ": " << other << '\n'
                    << Qt::flush;
            else if (r.heard && !garbled) {
                // Once per setting: the line is alive but never forms a frame here.
                garbled = true;
                out << "something answers at " << text(settings)
                    << " but not as a converter (bytes that never formed a frame)\n"
                    << Qt::flush;
            }
        }
    }
    clear_progress();
    if (converters == 0)
        out << "no converter found (" << tried << " tries in " << duration(clock.elapsed())
            << ")\n";
    return converters > 0 ? found : not_found;
}

} // namespace orte_cli
