#include "cli/listen.h"

#include "cli/language.h"
#include "cli/lines.h"
#include "decode/ident.h"

#include <QEventLoop>
#include <QMap>
#include <QTimer>

#include <memory>

#include <algorithm>
#include <vector>

namespace orte_cli {

namespace {
void print_figures(QTextStream &out, const orte::bus_figures &f, double seconds)
{
    out << text::tr("Requests: %1 (%2 a second); replies: %3; exceptions: %4; CRC errors: %5; "
                    "unanswered: %6")
               .arg(f.request_count)
               .arg(seconds > 0 ? f.request_count / seconds : 0.0, 0, 'f', 1)
               .arg(f.replies)
               .arg(f.exceptions)
               .arg(f.crc_errors)
               .arg(f.unanswered)
        << '\n';
    if (f.broadcasts > 0)
        out << text::tr("Broadcasts: %1").arg(f.broadcasts) << '\n';
    // The most frequent first.
    std::vector<std::pair<QString, int>> kinds(f.requests.begin(), f.requests.end());
    std::stable_sort(kinds.begin(), kinds.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    for (const auto &r : kinds)
        out << "  " << r.first << ": " << r.second << '\n';
    if (f.other_requests > 0)
        out << "  " << text::tr("other requests") << ": " << f.other_requests << '\n';
    const QString latency = orte::latency_text(f);
    if (!latency.isEmpty())
        out << latency << '\n';
    out << Qt::flush;
}

// The console's side of listening: the listen engine's signals in the user's words, and the
// files.
class listen_console
{
public:
    listen_console(const listen_plan &p, QTextStream &o, QTextStream &e, progress_line &pr)
        : plan(p)
        , out(o)
        , err(e)
        , progress(pr)
        , engine(p)
        , files([this](const QString &said) {
            err << "orte-cli: " << file_said(files, said) << '\n' << Qt::flush;
        })
    {
    }

    int run()
    {
        // Without an address every slave heard is recorded: a sheet and a summary each.
        files.set_several(plan.address == 0);
        files.set_rotation(plan.rotate, [this] { return runs(); });
        if (!files.claim(plan.csv_file, plan.csv_plain, plan.xlsx_file, plan.overwrite))
            return bad_arguments;
        mqtt = open_broker(plan.mqtt, &loop, err);
        run_start = QDateTime::currentDateTime();
        connect_engine();
        // With --stats, the bus figures every ten seconds, whatever the listener is doing.
        QTimer stats;
        QObject::connect(&stats, &QTimer::timeout, &loop, [this] {
            clear_progress();
            print_figures(out, engine.figures(), engine.elapsed_s());
            said();
        });
        if (plan.stats)
            stats.start(10000);
        run_engine(engine, loop);
        const bool complete = finish_files();
        close_broker(mqtt.get(), err);
        if (output_gone)
            return output_closed;
        if (engine.ever_opened())
            print_figures(out, engine.figures(), engine.elapsed_s());
        return failed ? port_failed : complete ? success : recording_incomplete;
    }

private:
    void connect_engine()
    {
        using orte::listen_engine;
        QObject::connect(&engine, &listen_engine::trying, &loop, [this](int baud, char parity) {
            progress.show(text::tr("listening at %1 baud, parity %2")
                              .arg(baud)
                              .arg(orte::parity_name(QLatin1Char(parity))));
        });
        QObject::connect(&engine, &listen_engine::open_failed, &loop, [this](const QString &why) {
            clear_progress();
            err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, why) << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &listen_engine::no_frames_yet, &loop, [this] {
            clear_progress();
            err << text::tr("no traffic forms frames at any setting yet; listening on") << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &listen_engine::settings_found, &loop,
                         [this](int baud, const QString &parities, int frames, int noise) {
                             clear_progress();
                             out << text::tr("line settings found: %1 baud, %2, 1 or 2 stop "
                                             "bits (%3 frames, %4 CRC errors)")
                                        .arg(baud)
                                        .arg(orte::parity_text(parities))
                                        .arg(frames)
                                        .arg(noise)
                                 << '\n';
                             said();
                         });
        QObject::connect(&engine, &listen_engine::settings_lost, &loop, [this](const QString &s) {
            err << text::tr("the traffic no longer forms frames at %1: finding the line's "
                            "settings again")
                       .arg(s)
                << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &listen_engine::identified, &loop,
                         [this](int address, const QByteArray &ident) {
                             out << prefix(address) << orte::decode_ident(ident).string_name << "; "
                                 << orte::version_text(ident) << "; "
                                 << orte::serial_text(orte::serial_number(ident)) << '\n';
                             said();
                             idents.insert(address, ident);
                             if (mqtt)
                                 mqtt->identified(plan.port, address, ident);
                         });
        QObject::connect(&engine, &listen_engine::slave_reading, &loop,
                         [this](int address, const orte::reading &r, bool single_input,
                                orte::exchange_outcome result, const QDateTime &at) {
                             // A line with nothing to show but its time is not printed.
                             if (r.have_measure || r.have_status || !r.link.isEmpty()) {
                                 out << prefix(address) << text_line(r, at) << '\n';
                                 said();
                             }
                             orte::poll_record record
                                 = orte::record_of(r, single_input, result, at);
                             if (plan.address == 0)
                                 record.address = address;
                             recorded[address].add(record);
                             files.add(record);
                             if (mqtt)
                                 mqtt->polled(plan.port, address, record, single_input);
                         });
        QObject::connect(&engine, &listen_engine::write_seen, &loop,
                         [this](int address, const QString &write, const QDateTime &at) {
                             out << prefix(address) << at.toString(QStringLiteral("HH:mm:ss.zzz"))
                                 << " | " << write << '\n';
                             said();
                         });
        QObject::connect(&engine, &listen_engine::slave_silent, &loop, [this](int address) {
            err << text::tr("address %1 does not answer (3 requests in a row)").arg(address) << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &listen_engine::port_gone, &loop, [this] {
            err << "orte-cli: " << text::tr("the port %1 has gone").arg(plan.port) << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &listen_engine::finished, &loop, [this](bool f) {
            failed = f;
            clear_progress();
            loop.quit();
        });
    }

    void clear_progress() { progress.clear(); }

    // Nobody reads the lines any more: listening ends, its files finished.
    void said()
    {
        out << Qt::flush;
        if (out.status() != QTextStream::Ok && !output_gone) {
            output_gone = true;
            engine.stop();
        }
    }

    QString prefix(int address) const
    {
        return plan.address != 0 ? QString() : text::tr("address %1").arg(address) + " | ";
    }

    bool finish_files()
    {
        if (!files.records())
            return true;
        return files.finish(runs());
    }

    // Each slave's run as far as it has gone.
    QVector<orte::run_figures> runs()
    {
        if (plan.address != 0 && !recorded.contains(plan.address))
            recorded[plan.address] = {};
        QVector<orte::run_figures> all;
        for (auto i = recorded.begin(); i != recorded.end(); ++i) {
            orte::run_figures &run = i.value();
            run.port = plan.port;
            run.settings = engine.settings_text();
            run.address = i.key();
            const std::pair<int, int> missed = engine.missed(i.key());
            run.crc_errors += missed.first;
            run.timeouts += missed.second;
            run.start = run_start;
            run.end = QDateTime::currentDateTime();
            run.identified(
                idents.value(i.key(), plan.address != 0 ? engine.first_ident() : QByteArray()));
            all << run;
        }
        return all;
    }

    const listen_plan &plan;
    QTextStream &out;
    QTextStream &err;
    progress_line &progress;
    orte::listen_engine engine;
    QEventLoop loop;
    orte::recording files;
    QMap<int, orte::run_figures> recorded; // by address
    QMap<int, QByteArray> idents; // the identifications heard, by address
    std::unique_ptr<orte::mqtt_publisher> mqtt;
    QDateTime run_start;
    bool failed = false;
    bool output_gone = false;
};
} // namespace

int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err, progress_line &progress)
{
    return listen_console(plan, out, err, progress).run();
}

} // namespace orte_cli
