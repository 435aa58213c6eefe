#include "cli/watch.h"

#include "cli/language.h"
#include "cli/lines.h"
#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/register_map.h"
#include "decode/status.h"
#include "engine/poll_engine.h"
#include "link/crc16.h"
#include "link/frame_bytes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace orte_cli {

namespace {
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
    for (int in = 0; in < 2; ++in)
        for (const QString &line : orte::summary_lines(in + 1, run.inputs[size_t(in)]))
            out << line << '\n';
    out << Qt::flush;
}
} // namespace

namespace {
// The console's side of a recording: the poll engine's signals in the user's words, and the
// files.
class watch_console
{
public:
    watch_console(const watch_plan &p, QTextStream &o, QTextStream &e)
        : plan(p)
        , out(o)
        , err(e)
        , engine({ p.port, p.settings, p.addresses, p.interval_ms, p.polls, p.reply_ms })
        , files([this](const QString &said) {
            err << "orte-cli: " << file_said(files, said) << '\n' << Qt::flush;
        })
    {
        for (int address : plan.addresses) {
            run_figures &run = converters[address].figures;
            run.port = plan.port;
            run.settings = where();
            run.address = address;
        }
    }

    int run()
    {
        // The recordings first: a file that cannot be written is found before the line is
        // touched.
        files.set_several(engine.several());
        files.set_rotation(plan.rotate, [this] {
            QVector<run_figures> runs;
            for (const converter_state &c : converters)
                runs << c.figures;
            return runs;
        });
        if (!files.claim(plan.csv_file, plan.csv_plain, plan.xlsx_file, plan.overwrite))
            return bad_arguments;
        mqtt = open_broker(plan.mqtt, &loop, err);
        QObject::connect(
            &engine, &orte::poll_engine::open_failed, &loop, [this](const QString &error) {
                err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, error) << '\n';
                code = port_failed;
            });
        QObject::connect(&engine, &orte::poll_engine::not_identified, &loop,
                         [this](const orte::exchange_result &heard, int address) {
                             const QString what = what_answered(heard, quint8(address));
                             err << text::tr("no converter at %1 address %2: %3")
                                        .arg(where())
                                        .arg(address)
                                        .arg(what.isEmpty() ? text::tr("nothing answered") : what)
                                 << '\n'
                                 << Qt::flush;
                             code = not_found;
                         });
        QObject::connect(
            &engine, &orte::poll_engine::identified, &loop,
            [this](const QByteArray &ident, int address) { identified(ident, address); });
        QObject::connect(
            &engine, &orte::poll_engine::polled, &loop,
            [this](const orte::exchange_result &x, bool, int address) { polled(x, address); });
        QObject::connect(&engine, &orte::poll_engine::lost, &loop, [this](int address) {
            err << "orte-cli: "
                << text::tr("address %1 stopped answering; asking it again every %2 s")
                       .arg(address)
                       .arg(std::max(plan.interval_ms, orte::lost_retry_ms) / 1000.0)
                << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &orte::poll_engine::port_gone, &loop, [this] {
            err << "orte-cli: "
                << (recording_started ? text::tr("the port %1 has gone; reopening it every %2 ms")
                                            .arg(plan.port)
                                            .arg(plan.interval_ms)
                                      : text::tr("the port %1 has gone").arg(plan.port))
                << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &orte::poll_engine::port_back, &loop, [this] {
            err << "orte-cli: " << text::tr("the port %1 is back").arg(plan.port) << '\n'
                << Qt::flush;
        });
        QObject::connect(&engine, &orte::poll_engine::finished, &loop,
                         [this](bool gone, bool stopped) {
                             ended(gone, stopped);
                             loop.quit();
                         });
        run_engine(engine, loop);
        return code;
    }

private:
    // The line as the user named it: its settings, or the gateway's.
    QString where() const
    {
        return orte::is_network_port(plan.port) ? plan.port : text(plan.settings);
    }

    void identified(const QByteArray &ident, int address)
    {
        converter_state &c = converters[address];
        const orte::ident_result id = orte::decode_ident(ident);
        if (engine.several())
            out << text::tr("address %1: ").arg(address);
        out << id.string_name << "; " << orte::version_text(ident) << "; "
            << orte::serial_text(orte::serial_number(ident)) << '\n'
            << Qt::flush;
        c.identify(ident, QDateTime::currentDateTime());
        recording_started = true;
        if (mqtt)
            mqtt->identified(plan.port, address, ident);
    }

    void polled(const orte::exchange_result &x, int address)
    {
        converter_state &c = converters[address];
        const outcome result = orte::take_poll(x, c.single_input, c.r, c.faults);
        const QDateTime now = QDateTime::currentDateTime();
        poll_record record = record_of(c.r, c.single_input, result, now);
        if (engine.several())
            record.address = address;
        if (!c.identified)
            c.figures.start = now;
        c.figures.add(record);
        files.add(record);
        if (mqtt)
            mqtt->polled(plan.port, address, record, c.single_input);
        QString line = text_line(c.r, now);
        if (engine.several())
            line.insert(12, QStringLiteral(" | ") + text::tr("address %1").arg(address));
        out << line << '\n' << Qt::flush;
        // Nobody reads the lines any more: the recording ends, its files finished.
        if (out.status() != QTextStream::Ok) {
            output_gone = true;
            engine.stop();
        }
    }

    void ended(bool gone, bool stopped)
    {
        if (!recording_started) {
            if (stopped)
                code = interrupted_code;
            else if (gone)
                code = port_failed;
            return;
        }
        QVector<run_figures> runs;
        for (converter_state &c : converters) {
            c.figures.end = QDateTime::currentDateTime();
            if (c.figures.polls > 0 || c.identified)
                runs << c.figures;
        }
        const bool complete = files.finish(runs);
        close_broker(mqtt.get(), err);
        if (output_gone) {
            code = output_closed;
            return;
        }
        for (const run_figures &run : runs) {
            if (engine.several())
                out << text::tr("Address %1:").arg(run.address) << '\n';
            print_summary(out, run);
        }
        code = gone ? port_failed : complete ? success : recording_incomplete;
    }

    const watch_plan &plan;
    QTextStream &out;
    QTextStream &err;
    orte::poll_engine engine;
    QEventLoop loop;
    orte::recording files;
    QMap<int, converter_state> converters;
    std::unique_ptr<orte::mqtt_publisher> mqtt;
    bool recording_started = false;
    bool output_gone = false;
    int code = success;
};
} // namespace

int run_watch(const watch_plan &plan, QTextStream &out, QTextStream &err)
{
    return watch_console(plan, out, err).run();
}

} // namespace orte_cli
