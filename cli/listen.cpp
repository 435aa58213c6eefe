#include "cli/listen.h"

#include "cli/language.h"
#include "cli/recording.h"
#include "cli/workbook.h"
#include "decode/ident.h"
#include "decode/reg.h"
#include "decode/status.h"
#include "link/bus.h"
#include "link/crc16.h"
#include "link/diag_texts.h"
#include "link/port_setup.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <algorithm>
#include <map>

namespace orte_cli {

namespace {
// The longest single wait: Ctrl+C is seen within it.
constexpr int slice_ms = 20;

// A register, unsigned, high byte first.
int word(const QByteArray &bytes, int index)
{
    return quint16(orte::reg_at(bytes, index));
}

// What one slave has said in the replies heard so far, whatever ranges the master read.
struct slave_image
{
    std::map<int, quint16> registers;
    std::map<int, bool> coils;
    bool in1_fault = false;
    bool in2_fault = false;
    bool single_input = false;
    reading shown;

    bool has(std::initializer_list<int> regs) const
    {
        return std::all_of(regs.begin(), regs.end(),
                           [this](int r) { return registers.count(r) != 0; });
    }

    // The reply the monitor would have had to a read of `count` registers from `start`.
    QByteArray registers_reply(int start, int count) const
    {
        QByteArray rx(3 + 2 * count + 2, '\0');
        for (int i = 0; i < count; ++i) {
            const auto r = registers.find(start + i);
            const quint16 v = r == registers.end() ? 0 : r->second;
            rx[3 + 2 * i] = char(v >> 8);
            rx[4 + 2 * i] = char(v & 0xFF);
        }
        return rx;
    }
};

// The bus's figures.
struct bus_figures
{
    std::map<QString, int> requests; // by address, function and range
    int request_count = 0;
    int replies = 0;
    int exceptions = 0;
    int crc_errors = 0;
    int unanswered = 0;
    QVector<double> latency_ms;
};

QString request_text(const QByteArray &request)
{
    return text::tr("address %1, function %2, start %3, count %4")
        .arg(orte::rx_at(request, 0))
        .arg(orte::rx_at(request, 1), 2, 16, QLatin1Char('0'))
        .arg(word(request, 2))
        .arg(word(request, 4));
}

void print_figures(QTextStream &out, const bus_figures &f, double seconds)
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
    for (const auto &r : f.requests)
        out << "  " << r.first << ": " << r.second << '\n';
    if (!f.latency_ms.isEmpty()) {
        QVector<double> sorted = f.latency_ms;
        std::sort(sorted.begin(), sorted.end());
        out << text::tr("Reply latency: median %1 ms, maximum %2 ms")
                   .arg(sorted[sorted.size() / 2], 0, 'f', 1)
                   .arg(sorted.last(), 0, 'f', 1)
            << '\n';
    }
    out << Qt::flush;
}

// What a few chunks at one setting formed: frames, and pieces that formed none.
struct trial
{
    int frames = 0;
    int noise = 0;
};

class listener
{
public:
    listener(const listen_plan &p, QTextStream &o, QTextStream &e)
        : plan(p)
        , out(o)
        , err(e)
    {
    }

    int run()
    {
        if (!files.claim(plan.csv_file, plan.csv_plain, plan.xlsx_file, plan.overwrite, err))
            return bad_arguments;
        clock.start();
        run_start = QDateTime::currentDateTime();
        int code = found;
        while (!interrupted()) {
            if (!locked && !find_settings()) {
                code = interrupted() ? found : port_failed;
                break;
            }
            if (!listen())
                break;
        }
        // A request still waiting at the end went unanswered.
        for (const orte::bus_event &e : pairing.expire(1e300))
            take(e);
        const bool complete = finish_files();
        print_figures(out, figures, clock.elapsed() / 1000.0);
        return code == found && !complete ? recording_incomplete : code;
    }

private:
    bool open(const port_settings &s)
    {
        port.close();
        orte::apply_line_format(port, plan.port, s);
        // Read only: a listener never transmits.
        if (!port.open(QIODevice::ReadOnly)) {
            err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, open_error(port))
                << '\n';
            return false;
        }
        settings = s;
        gap_ms = orte::frame_gap_ms(s);
        pairing = orte::bus_pairing(1000, orte::char_time_ms(s));
        return true;
    }

    // Reads until the line falls silent for a frame gap; false when nothing came in `wait_ms`.
    bool read_chunk(int wait_ms, QByteArray &chunk, double &at)
    {
        QElapsedTimer quiet;
        quiet.start();
        while (!interrupted()) {
            // Within a frame, wait no longer than the silence that would end it.
            const double silent = quiet.nsecsElapsed() / 1e6;
            const int wait = chunk.isEmpty() ? slice_ms : std::max(1, int(gap_ms - silent + 0.5));
            if (port.waitForReadyRead(wait)) {
                if (chunk.isEmpty())
                    at = clock.nsecsElapsed() / 1e6;
                chunk += port.readAll();
                quiet.restart();
                continue;
            }
            if (port.error() == QSerialPort::ResourceError || !port.isOpen()
                || port_vanished(plan.port))
                return false;
            if (!chunk.isEmpty() && quiet.nsecsElapsed() / 1e6 >= gap_ms)
                return true;
            if (chunk.isEmpty() && quiet.elapsed() >= wait_ms)
                return false;
        }
        return false;
    }

    // Tries each candidate until the traffic forms frames with valid CRCs under one.
    bool find_settings()
    {
        for (int round = 0; !interrupted(); ++round) {
            for (const port_settings &s : plan.candidates) {
                if (!open(s))
                    return false;
                if (plan.candidates.size() == 1) {
                    locked = true;
                    return true;
                }
                const trial t = try_settings();
                if (t.frames >= 2 && t.noise <= t.frames / 4) {
                    out << text::tr("line settings found: %1 (%2 frames, %3 CRC errors)")
                               .arg(text(s))
                               .arg(t.frames)
                               .arg(t.noise)
                        << '\n'
                        << Qt::flush;
                    locked = true;
                    return true;
                }
                if (interrupted())
                    return false;
            }
            if (round == 0)
                err << text::tr("no traffic forms frames at any setting yet; listening on") << '\n'
                    << Qt::flush;
        }
        return false;
    }

    // A few chunks at the settings just opened: quick to give up on garbage.
    trial try_settings()
    {
        trial t;
        QElapsedTimer spent;
        spent.start();
        while (spent.elapsed() < 3000 && t.frames < 4 && t.noise < 3 && !interrupted()) {
            QByteArray chunk;
            double at = 0;
            if (!read_chunk(1500, chunk, at))
                break;
            for (const orte::heard_piece &p : orte::split_heard(chunk))
                (p.frame ? t.frames : t.noise)++;
        }
        return t;
    }

    // Decodes the traffic until Ctrl+C; false at the end, true to find the settings again.
    bool listen()
    {
        int noise_in_a_row = 0;
        QElapsedTimer since_stats;
        since_stats.start();
        while (!interrupted()) {
            QByteArray chunk;
            double at = 0;
            const bool heard = read_chunk(500, chunk, at);
            if (!port.isOpen() || port.error() == QSerialPort::ResourceError
                || port_vanished(plan.port)) {
                err << "orte-cli: " << text::tr("the port %1 has gone").arg(plan.port) << '\n';
                return false;
            }
            const double now = clock.nsecsElapsed() / 1e6;
            for (const orte::bus_event &e : heard ? pairing.feed(chunk, at) : pairing.expire(now)) {
                noise_in_a_row = e.kind == orte::bus_event::noise ? noise_in_a_row + 1 : 0;
                take(e);
            }
            if (plan.stats && since_stats.elapsed() >= 10000) {
                print_figures(out, figures, clock.elapsed() / 1000.0);
                since_stats.restart();
            }
            // A line whose settings change turns to bytes that form no frames.
            if (noise_in_a_row >= 5 && plan.candidates.size() > 1) {
                err << text::tr("the traffic no longer forms frames at %1: finding the line's "
                                "settings again")
                           .arg(text(settings))
                    << '\n'
                    << Qt::flush;
                locked = false;
                return true;
            }
        }
        return false;
    }

    void take(const orte::bus_event &e)
    {
        switch (e.kind) {
        case orte::bus_event::noise:
            ++figures.crc_errors;
            return;
        case orte::bus_event::orphan_reply:
            ++figures.replies;
            return;
        case orte::bus_event::unanswered:
            count_request(e.request);
            ++figures.unanswered;
            return;
        case orte::bus_event::exchange:
            break;
        }
        count_request(e.request);
        ++figures.replies;
        const bool exception = (orte::rx_at(e.reply, 1) & 0x80) != 0;
        figures.exceptions += exception ? 1 : 0;
        figures.latency_ms.append(std::max(
            0.0, e.reply_at - e.request_at - e.request.size() * orte::char_time_ms(settings)));
        const int address = orte::rx_at(e.request, 0);
        if (plan.address != 0 && address != plan.address)
            return;
        decode(address, e, exception);
    }

    void count_request(const QByteArray &request)
    {
        ++figures.request_count;
        ++figures.requests[request_text(request)];
    }

    // Takes what the reply carries into the slave's image and prints what it now shows.
    void decode(int address, const orte::bus_event &e, bool exception)
    {
        const int function = orte::rx_at(e.request, 1);
        const int start = word(e.request, 2);
        const int count = word(e.request, 4);
        slave_image &s = slaves[address];
        reading &r = s.shown;
        r.link = exception ? QString::fromUtf8(orte::diag_exception) : QString();
        if (!exception && function == 0x04 && orte::rx_at(e.reply, 2) == 2 * count) {
            for (int i = 0; i < count; ++i)
                s.registers[start + i] = quint16(word(e.reply, 3 + 2 * i));
            if (start <= 54 && start + count > 50 && s.has({ 50, 51, 52, 53, 54 })) {
                const QByteArray ident = s.registers_reply(50, 5);
                const orte::ident_result id = orte::decode_ident(ident);
                s.single_input = id.single_input == 1;
                out << prefix(address) << id.string_name << "; " << orte::version_text(ident)
                    << "; " << orte::serial_text(orte::serial_number(ident)) << '\n';
                if (first_ident.isEmpty())
                    first_ident = ident;
            }
            measure(s);
        } else if (!exception && function == 0x01 && count >= 1) {
            for (int i = 0; i < count; ++i)
                s.coils[start + i] = (orte::rx_at(e.reply, 3 + i / 8) >> (i % 8)) & 1;
            bool all_eight = true;
            for (int bit = 0; bit < 8; ++bit)
                all_eight = all_eight && s.coils.count(bit) != 0;
            if (all_eight) {
                quint8 status = 0;
                for (int bit = 0; bit < 8; ++bit)
                    status |= quint8((s.coils[bit] ? 1 : 0) << bit);
                const orte::status_view v = orte::decode_status(status);
                s.in1_fault = v.in1_fault;
                s.in2_fault = v.in2_fault;
                r.status = status;
                r.have_status = true;
            }
        } else if (!exception) {
            return; // not one of the converter's reads
        }
        const QDateTime now = QDateTime::currentDateTime();
        out << prefix(address) << text_line(r, now) << '\n' << Qt::flush;
        const poll_record record
            = record_of(r, s.single_input, exception ? outcome::exception : outcome::reply, now);
        recorded.add(record);
        files.add(record, err);
    }

    // The values whose registers have been seen, as the monitor's page shows them.
    void measure(slave_image &s)
    {
        reading &r = s.shown;
        const bool in1 = s.has({ 0, 1, 4 });
        const bool in2 = !s.single_input && s.has({ 2, 3, 5 });
        if (!in1 && !in2)
            return;
        r.measure = s.registers_reply(0, 12);
        r.measure_shown = orte::decode_measure(r.measure, s.single_input, s.in1_fault, s.in2_fault);
        if (!in1 || !s.has({ 6 }))
            r.measure_shown.T_1_hs.clear();
        if (!in1)
            r.measure_shown.T_1_channal.clear();
        if (!in2 || !s.has({ 7 }))
            r.measure_shown.T_2_hs.clear();
        if (!in2)
            r.measure_shown.t_2_channal.clear();
        r.fault_at_measure[0] = s.in1_fault;
        r.fault_at_measure[1] = s.in2_fault;
        r.have_measure = true;
    }

    QString prefix(int address) const
    {
        return plan.address != 0 ? QString() : text::tr("address %1").arg(address) + " | ";
    }

    bool finish_files()
    {
        if (!files.records())
            return true;
        recorded.port = plan.port;
        recorded.settings = text(settings);
        recorded.address = plan.address;
        recorded.start = run_start;
        recorded.end = QDateTime::currentDateTime();
        if (!first_ident.isEmpty()) {
            recorded.model_code = orte::model_code(first_ident);
            recorded.serial = orte::serial_number(first_ident);
            recorded.firmware = orte::version_digits(first_ident);
        }
        return files.finish(recorded, err);
    }

    const listen_plan &plan;
    QTextStream &out;
    QTextStream &err;
    QSerialPort port;
    port_settings settings;
    double gap_ms = 1.75;
    bool locked = false;
    orte::bus_pairing pairing;
    QElapsedTimer clock;
    QDateTime run_start;
    std::map<int, slave_image> slaves;
    bus_figures figures;
    recording files;
    run_figures recorded;
    QByteArray first_ident;
};
} // namespace

QVector<port_settings> listen_order(const QVector<int> &bauds, const QString &parities,
                                    const QVector<int> &stop_bits)
{
    static const int common[] = { 9600, 19200, 38400, 57600, 115200, 4800, 2400, 1200 };
    QVector<int> order;
    for (int b : common)
        if (bauds.contains(b))
            order << b;
    QVector<int> rest;
    for (int b : bauds)
        if (!order.contains(b))
            rest << b;
    std::sort(rest.begin(), rest.end());
    order += rest;
    QVector<port_settings> candidates;
    for (int baud : order)
        for (QChar parity : parities)
            for (int stops : stop_bits)
                candidates.append({ baud, char(parity.toLatin1()), stops });
    return candidates;
}

int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err)
{
    return listener(plan, out, err).run();
}

} // namespace orte_cli
