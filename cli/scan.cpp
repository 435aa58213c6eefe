#include "cli/scan.h"

#include "cli/language.h"
#include "decode/ident.h"
#include "decode/register_map.h"
#include "link/crc16.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace orte_cli {

namespace {
using orte::duration;

// The console's side of a search: the engine's signals in the user's words.
class scan_console
{
public:
    scan_console(const scan_plan &p, QTextStream &o, QTextStream &e, progress_line &pr)
        : plan(p)
        , out(o)
        , err(e)
        , progress(pr)
        , engine(p)
    {
        clock.start();
    }

    int run()
    {
        QObject::connect(&engine, &orte::scan_engine::trying, &loop,
                         [this](const orte::scan_place &at) { trying(at); });
        QObject::connect(
            &engine, &orte::scan_engine::found, &loop,
            [this](const orte::scan_place &at, const QByteArray &ident) {
                clear_progress();
                say(where(at) + QStringLiteral(": ") + orte::decode_ident(ident).string_name
                    + QStringLiteral("; ") + orte::version_text(ident) + QStringLiteral("; ")
                    + orte::serial_text(orte::serial_number(ident))
                    + (at.late_ms > 0 ? QStringLiteral("; ")
                               + text::tr("answered about %1 ms late").arg(at.late_ms)
                                      : QString()));
                // What to type next, ready to copy.
                say(QStringLiteral("  ")
                    + text::tr("to record it: %1").arg(next_command(at, true)));
                // A Modbus TCP server forwards no other master's traffic.
                if (!at.port.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive))
                    say(QStringLiteral("  ")
                        + text::tr("to listen to it: %1").arg(next_command(at, false)));
                found_at << at;
            });
        QObject::connect(&engine, &orte::scan_engine::heard, &loop,
                         [this](const orte::scan_place &at, const orte::exchange_result &r) {
                             clear_progress();
                             say(where(at) + QStringLiteral(": ")
                                 + what_answered(r, quint8(at.address)));
                         });
        QObject::connect(&engine, &orte::scan_engine::garbled, &loop,
                         [this](const orte::scan_place &at) {
                             // Once per setting: the line is alive but never forms a frame.
                             clear_progress();
                             const QString setting = plan.ports.size() > 1
                                 ? at.port + QStringLiteral(": ") + text(at.settings)
                                 : text(at.settings);
                             say(text::tr("something answers at %1 but not as a converter "
                                          "(bytes that never formed a frame)")
                                     .arg(setting));
                         });
        QObject::connect(&engine, &orte::scan_engine::port_failed, &loop,
                         [this](const QString &port, const QString &error) {
                             clear_progress();
                             err << "orte-cli: " << text::tr("cannot open %1: %2").arg(port, error)
                                 << '\n'
                                 << Qt::flush;
                         });
        QObject::connect(
            &engine, &orte::scan_engine::port_gone, &loop, [this](const orte::scan_place &at) {
                clear_progress();
                err << "orte-cli: "
                    << text::tr("the port %1 has gone (at %2)").arg(at.port, where(at)) << '\n'
                    << Qt::flush;
            });
        QObject::connect(
            &engine, &orte::scan_engine::finished, &loop,
            [this](int converters, bool port_lost, bool stopped, const orte::scan_place &next) {
                code = ended(converters, port_lost, stopped, next);
                loop.quit();
            });
        run_engine(engine, loop);
        return code;
    }

private:
    // "COM3: 9600 8N1 address 5" with several ports, "9600 8N1 address 5" with one; over the
    // network the gateway keeps the line's settings: "address 5".
    QString where(const orte::scan_place &at) const
    {
        const QString place = orte::is_network_port(at.port)
            ? text::tr("address %1").arg(at.address)
            : text::tr("%1 address %2").arg(text(at.settings)).arg(at.address);
        return plan.ports.size() > 1 ? at.port + QStringLiteral(": ") + place : place;
    }

    // The orte-cli command line that records the converter found (or listens to it).
    static QString next_command(const orte::scan_place &at, bool record,
                                const QString &addresses = QString())
    {
        static const char *const parity_names[] = { "none", "even", "odd" };
        const char *parity = parity_names[at.settings.parity == 'E'       ? 1
                                              : at.settings.parity == 'O' ? 2
                                                                          : 0];
        const QString port = at.port.contains(QLatin1Char(' '))
            ? QLatin1Char('"') + at.port + QLatin1Char('"')
            : at.port;
        QString line = QStringLiteral("orte-cli %1 %2")
                           .arg(record ? QStringLiteral("watch") : QStringLiteral("listen"), port);
        if (!orte::is_network_port(at.port) || !record)
            line += QStringLiteral(" --baud %1 --parity %2")
                        .arg(at.settings.baud)
                        .arg(QLatin1String(parity));
        if (record && !orte::is_network_port(at.port))
            line += QStringLiteral(" --stop-bits %1").arg(at.settings.stop_bits);
        const QString which = addresses.isEmpty() ? QString::number(at.address) : addresses;
        line += QStringLiteral(" --address %1").arg(which);
        if (record)
            line += addresses.isEmpty() ? QStringLiteral(" --xlsx orte-%1.xlsx").arg(at.address)
                                        : QStringLiteral(" --xlsx orte.xlsx");
        return line;
    }

    void say(const QString &line)
    {
        out << line << '\n' << Qt::flush;
        // Nobody reads what the search says any more: it stops, as on a broken pipe.
        if (out.status() != QTextStream::Ok) {
            output_gone = true;
            engine.stop();
        }
    }

    void trying(const orte::scan_place &at)
    {
        // On a narrow terminal the time left goes first, then the pass's words.
        if (progress)
            progress.show(QStringList {
                where(at) + QStringLiteral("  %1/%2").arg(engine.tried()).arg(engine.total()),
                engine.pass() == 2 ? text::tr("second pass, full reply windows") : QString(),
                text::tr("about %1 left").arg(duration(engine.time_left_ms())) });
    }

    void clear_progress() { progress.clear(); }

    int ended(int converters, bool port_lost, bool stopped, const orte::scan_place &next)
    {
        clear_progress();
        if (output_gone)
            return output_closed;
        if (stopped) {
            err << text::tr("interrupted after %1 of %2 tries (%3 next)")
                       .arg(engine.tried())
                       .arg(engine.total())
                       .arg(where(next))
                << '\n';
            return converters > 0 ? success : interrupted_code;
        }
        // Several found on one line at one setting: one recording of them all.
        for (int i = 0; i < found_at.size(); ++i) {
            QStringList addresses;
            bool first = true;
            for (int j = 0; j < found_at.size(); ++j) {
                const bool same = found_at[j].port == found_at[i].port
                    && found_at[j].settings == found_at[i].settings;
                first = first && !(same && j < i);
                if (same)
                    addresses << QString::number(found_at[j].address);
            }
            if (first && addresses.size() > 1)
                out << text::tr("to record them all: %1")
                           .arg(next_command(found_at[i], true, addresses.join(QLatin1Char(','))))
                    << '\n';
        }
        // A port lost on the way leaves the search unfinished: it is not said to be empty.
        if (converters == 0 && engine.tried() > 0 && !port_lost)
            out << text::tr("no converter found (%1 tries in %2)")
                       .arg(engine.tried())
                       .arg(duration(clock.elapsed()))
                << '\n'
                << Qt::flush;
        if (out.status() != QTextStream::Ok)
            return output_closed;
        return converters > 0 ? success : port_lost ? port_failed : not_found;
    }

    const scan_plan &plan;
    QTextStream &out;
    QTextStream &err;
    progress_line &progress;
    orte::scan_engine engine;
    QEventLoop loop;
    QElapsedTimer clock;
    QVector<orte::scan_place> found_at;
    bool output_gone = false;
    int code = success;
};
} // namespace

int run_scan(const scan_plan &plan, QTextStream &out, QTextStream &err, progress_line &progress)
{
    return scan_console(plan, out, err, progress).run();
}

} // namespace orte_cli
