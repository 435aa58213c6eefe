#include "cli/listen.h"

#include "cli/language.h"
#include "cli/recording.h"
#include "decode/ident.h"
#include "decode/reg.h"
#include "decode/slave_image.h"
#include "decode/status.h"
#include "link/bus.h"
#include "link/crc16.h"
#include "link/diag_texts.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"
#include "link/port_setup.h"
#include "link/wire_trace.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>

#ifdef Q_OS_LINUX
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace orte_cli {

namespace {
// An adapter hands over what it received this long after (an FTDI chip: 16 ms by default).
constexpr int adapter_latency_ms = 20;

using namespace orte::modbus;

// A register, unsigned, high byte first.
int word(const QByteArray &bytes, int index)
{
    return quint16(orte::reg_at(bytes, index));
}

// A slave on the bus: its image, what its line shows, and how it answers.
struct slave
{
    orte::slave_image image;
    reading shown;
    int unanswered_in_a_row = 0;
};

// Reply latencies in half-millisecond steps up to two seconds: a median and a maximum in
// bounded memory, however long the run.
struct latency_histogram
{
    std::array<quint32, 4001> steps {};
    quint64 count = 0;
    double longest = 0;

    void add(double ms)
    {
        steps[size_t(std::min(4000.0, std::max(0.0, ms) * 2))]++;
        ++count;
        longest = std::max(longest, ms);
    }
    double median() const
    {
        quint64 seen = 0;
        for (size_t i = 0; i < steps.size(); ++i)
            if ((seen += steps[i]) * 2 > count)
                return i / 2.0;
        return longest;
    }
};

// Request kinds kept by name; past that many (a master reading random ranges) the rest are
// counted together.
constexpr size_t request_kinds = 64;

// The bus's figures.
struct bus_figures
{
    std::map<QString, int> requests; // by address, function and range
    int other_requests = 0;
    int request_count = 0;
    int broadcasts = 0;
    int replies = 0;
    int exceptions = 0;
    int crc_errors = 0;
    int unanswered = 0;
    latency_histogram latency;

    void count_request(const QString &kind)
    {
        ++request_count;
        const auto known = requests.find(kind);
        if (known != requests.end())
            ++known->second;
        else if (requests.size() < request_kinds)
            requests[kind] = 1;
        else
            ++other_requests;
    }
};

// What a request asks for, for the figures: where and how much, never the values written.
QString request_text(const QByteArray &request)
{
    const int address = orte::rx_at(request, 0);
    const int function = orte::rx_at(request, 1);
    const QString code = QStringLiteral("%1").arg(function, 2, 16, QLatin1Char('0'));
    switch (function) {
    case read_coils:
    case read_discrete_inputs:
    case read_holding_registers:
    case read_input_registers:
        return text::tr("address %1, function %2, start %3, count %4")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4));
    case write_single_coil:
        return text::tr("address %1, function %2, write coil %3")
            .arg(address)
            .arg(code)
            .arg(word(request, 2));
    case write_single_register:
        return text::tr("address %1, function %2, write register %3")
            .arg(address)
            .arg(code)
            .arg(word(request, 2));
    case write_multiple_coils:
    case write_multiple_registers:
        return text::tr("address %1, function %2, write from %3, count %4")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4));
    case read_write_registers:
        return text::tr("address %1, function %2, read from %3, count %4, write from %5, count %6")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4))
            .arg(word(request, 6))
            .arg(word(request, 8));
    case encapsulated:
        return text::tr("address %1, function %2, device identification")
            .arg(address)
            .arg(code + QStringLiteral("/0e"));
    default:
        return text::tr("address %1, function %2").arg(address).arg(code);
    }
}

// A write, as the line of its slave shows it; empty for anything else.
QString write_text(const QByteArray &request)
{
    switch (orte::rx_at(request, 1)) {
    case write_single_coil:
        return text::tr("writes coil %1: %2")
            .arg(word(request, 2))
            .arg(word(request, 4) == 0xFF00 ? text::tr("on") : text::tr("off"));
    case write_single_register:
        return text::tr("writes register %1: %2").arg(word(request, 2)).arg(word(request, 4));
    case write_multiple_coils:
        return text::tr("writes %1 coils from %2").arg(word(request, 4)).arg(word(request, 2));
    case write_multiple_registers:
        return text::tr("writes %1 registers from %2").arg(word(request, 4)).arg(word(request, 2));
    default:
        return {};
    }
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
    if (f.latency.count > 0)
        out << text::tr("Reply latency: median %1 ms, maximum %2 ms")
                   .arg(f.latency.median(), 0, 'f', 1)
                   .arg(f.latency.longest, 0, 'f', 1)
            << '\n';
    out << Qt::flush;
}

QString parity_name(QChar parity)
{
    return parity == QLatin1Char('E') ? text::tr("even")
        : parity == QLatin1Char('O')  ? text::tr("odd")
                                      : text::tr("none");
}

// "parity even", or what cannot be told apart: "parity even, odd or none (the adapter does not
// report parity errors)".
QString parity_text(const QString &clean)
{
    if (clean.size() == 1)
        return text::tr("parity %1").arg(parity_name(clean[0]));
    QStringList names;
    for (QChar p : clean)
        names << parity_name(p);
    const QString last = names.takeLast();
    return text::tr("parity %1 or %2 (the adapter does not report parity errors)")
        .arg(names.join(QStringLiteral(", ")), last);
}

// What a few bursts at one setting formed.
struct trial
{
    int frames = 0;
    int frame_bytes = 0;
    int noise_bytes = 0; // before the first frame: perhaps the tail of one the port opened into
    int noise_after = 0; // after it
    int errors = 0; // characters the driver marked with a parity or framing error
    int bytes = 0; // as read, and when the first and the last came
    double first_byte = -1;
    double last_byte = -1;
    QVector<orte::heard_piece> pieces;
    bool port_lost = false;

    void add(const orte::heard_piece &p)
    {
        pieces.append(p);
        if (p.frame) {
            ++frames;
            frame_bytes += p.bytes.size();
        } else {
            (frames == 0 ? noise_bytes : noise_after) += p.bytes.size();
        }
    }
    bool clean() const
    {
        return frames >= 2 && noise_after * 4 <= frame_bytes && errors <= frames / 2;
    }
    // More bytes that cannot form frames than the tail of the converter's longest reply (the
    // port may open in the middle of one) and a request.
    bool garbage() const
    {
        return (frames == 0 && noise_bytes >= 32) || noise_after > frame_bytes + 16
            || (errors >= 4 && errors > frames);
    }
    // The speed the bytes came at, where they came much slower than this setting reads them:
    // a slower line heard at a faster setting (0 where nothing tells).
    int slower_line(int baud) const
    {
        const double span_s = (last_byte - first_byte) / 1000.0;
        if (bytes < 8 || span_s < 0.04)
            return 0;
        const double line_baud = bytes / span_s * 11;
        return line_baud < baud * 0.6 ? int(line_baud) : 0;
    }
};

class listener
{
public:
    listener(const listen_plan &p, QTextStream &o, QTextStream &e, QTextStream *pr)
        : plan(p)
        , out(o)
        , err(e)
        , progress(pr)
    {
    }

    int run()
    {
        if (!files.claim(plan.csv_file, plan.csv_plain, plan.xlsx_file, plan.overwrite, err))
            return bad_arguments;
        clock.start();
        since_stats.start();
        run_start = QDateTime::currentDateTime();
        int code = success;
        while (!interrupted()) {
            if (!locked && !find_settings()) {
                code = interrupted() ? success : port_failed;
                break;
            }
            if (!listen()) {
                code = port_gone ? port_failed : success;
                break;
            }
        }
        clear_progress();
        // A request still waiting at the end went unanswered.
        for (const orte::bus_event &e : pairing.expire(1e300))
            take(e);
        const bool complete = finish_files();
        if (ever_opened)
            print_figures(out, figures, clock.elapsed() / 1000.0);
        return code == success && !complete ? recording_incomplete : code;
    }

private:
    double now() const { return clock.nsecsElapsed() / 1e6; }

    bool open(const port_settings &s)
    {
        port.close();
        orte::apply_line_format(port, plan.port, s);
        // Read only: a listener never transmits.
        if (!port.open(QIODevice::ReadOnly)) {
            clear_progress();
            err << "orte-cli: " << text::tr("cannot open %1: %2").arg(plan.port, open_error(port))
                << '\n';
            return false;
        }
        ever_opened = true;
        settings = s;
        framer = orte::bus_framer(orte::char_time_ms(s));
        marks = orte::error_marks();
        marking = ask_for_error_marks(s);
        fresh_open = true;
        // What the driver and the adapter still hold was read at other settings (or before
        // the port was opened): dropped, and with it what comes within an adapter's latency.
        port.clear(QSerialPort::Input);
        QElapsedTimer settling;
        settling.start();
        while (settling.elapsed() < adapter_latency_ms && !interrupted()) {
            port.waitForReadyRead(int(adapter_latency_ms - settling.elapsed()) + 1);
            port.readAll();
        }
        return true;
    }

    // Qt asks the driver to ignore characters with a wrong parity without asking it to check
    // parity at all (IGNPAR without INPCK), so a wrong parity reads as good data. On Linux the
    // driver is asked to check and to mark each character with a parity or framing error,
    // which is the evidence that tells the settings apart where the adapter gives it (on
    // Windows the port's error flags are, below).
    bool ask_for_error_marks(const port_settings &s)
    {
#ifdef Q_OS_LINUX
        termios t {};
        if (tcgetattr(int(port.handle()), &t) != 0)
            return false;
        t.c_iflag &= tcflag_t(~(IGNPAR | ISTRIP | INPCK));
        t.c_iflag |= PARMRK | (s.parity != 'N' ? INPCK : 0);
        return tcsetattr(int(port.handle()), TCSANOW, &t) == 0;
#else
        (void)s;
        return false;
#endif
    }

    bool gone() const
    {
        return !port.isOpen() || port.error() == QSerialPort::ResourceError
            || port.error() == QSerialPort::ReadError || orte::port_vanished(plan.port);
    }

    // Whatever the port has within a slice, through the framer; false when the port is gone.
    bool read_some(QVector<orte::heard_piece> &pieces, trial *t = nullptr)
    {
        if (port.waitForReadyRead(wait_slice_ms) || port.bytesAvailable() > 0) {
            const QByteArray bytes = port.readAll();
            orte::trace_wire("heard", bytes);
            if (t && !bytes.isEmpty()) {
                t->bytes += bytes.size();
                t->last_byte = now();
                if (t->first_byte < 0)
                    t->first_byte = t->last_byte;
            }
            pieces += framer.feed(marking ? marks.feed(bytes) : bytes, now());
            count_reported_errors();
        }
        pieces += framer.flush(now());
        return !gone();
    }

    // Windows says whether characters came with a parity or framing error since it was last
    // asked (ClearCommError), not which: each read that had some counts once.
    void count_reported_errors()
    {
#ifdef Q_OS_WIN
        DWORD errors = 0;
        if (ClearCommError(reinterpret_cast<HANDLE>(port.handle()), &errors, nullptr)
            && (errors & (CE_RXPARITY | CE_FRAME)))
            ++marks.errors;
#endif
    }

    void show_progress(const port_settings &s)
    {
        if (progress)
            *progress << "\r\033[K"
                      << text::tr("listening at %1 baud, parity %2")
                             .arg(s.baud)
                             .arg(parity_name(QLatin1Char(s.parity)))
                      << Qt::flush;
    }
    void clear_progress()
    {
        if (progress)
            *progress << "\r\033[K" << Qt::flush;
    }

    // A burst or two at one setting: given up as soon as its bytes cannot form frames, or a
    // bound passes (a slow candidate on busy traffic would otherwise hear one endless burst).
    trial try_settings(const port_settings &s)
    {
        trial t;
        show_progress(s);
        if (!open(s)) {
            t.port_lost = true;
            return t;
        }
        // Long enough for a master polling every second to be heard, and for two frames of
        // the longest kind at this speed.
        const double limit = std::max(1200.0, 2 * 260 * orte::char_time_ms(s));
        const double start = now();
        while (!interrupted() && now() - start < limit) {
            QVector<orte::heard_piece> pieces;
            if (!read_some(pieces, &t)) {
                t.port_lost = true;
                return t;
            }
            for (const orte::heard_piece &p : pieces)
                t.add(p);
            t.errors = marks.errors;
            if (t.garbage())
                return t;
            // Two frames and the silence after them: judged on this burst.
            if (t.clean() && framer.held() == 0 && now() - t.last_byte > framer.stale_ms())
                return t;
        }
        return t;
    }

    // Tries each speed until the traffic forms frames with valid CRCs under one, none first
    // (an adapter that passes a character with a wrong parity through reads any line at
    // none); then which parities read it as cleanly, since that is all a receiver can know.
    bool find_settings()
    {
        const QString parities = plan.parities;
        if (plan.speeds.size() == 1 && parities.size() == 1) {
            locked = true;
            return open({ plan.speeds[0], char(parities[0].toLatin1()), plan.stop_bits });
        }
        for (int round = 0; !interrupted(); ++round) {
            for (QChar parity : parities) {
                QVector<int> speeds = plan.speeds;
                while (!speeds.isEmpty()) {
                    const port_settings s { speeds.takeFirst(), char(parity.toLatin1()),
                                            plan.stop_bits };
                    const trial t = try_settings(s);
                    if (t.port_lost) {
                        port_gone = true;
                        return false;
                    }
                    if (interrupted())
                        return false;
                    if (t.clean())
                        return lock(s, t);
                    // Still searching: the figures as they stand (nothing heard yet, say).
                    figures_due();
                    // Bytes that came much slower than this speed reads them tell the line's
                    // speed: the nearest one is tried next.
                    if (const int heard = t.slower_line(s.baud))
                        std::stable_sort(speeds.begin(), speeds.end(), [heard](int a, int b) {
                            return std::abs(std::log(double(a) / heard))
                                < std::abs(std::log(double(b) / heard));
                        });
                }
            }
            if (round == 0) {
                clear_progress();
                err << text::tr("no traffic forms frames at any setting yet; listening on") << '\n'
                    << Qt::flush;
            }
        }
        return false;
    }

    bool lock(const port_settings &first, const trial &first_trial)
    {
        QString clean(QChar::fromLatin1(first.parity));
        // Each trial's pieces on their own: what fell between two is unknown.
        QVector<QVector<orte::heard_piece>> heard { without_leading_noise(first_trial.pieces) };
        int frames = first_trial.frames;
        int noise = noise_pieces(heard.constFirst());
        bool open_at_a_clean_one = true;
        for (QChar other : plan.parities) {
            if (other == QLatin1Char(first.parity))
                continue;
            const trial t = try_settings({ first.baud, char(other.toLatin1()), plan.stop_bits });
            if (t.port_lost) {
                port_gone = true;
                return false;
            }
            open_at_a_clean_one = t.clean();
            if (t.clean()) {
                clean += other;
                heard.append(without_leading_noise(t.pieces));
                frames += t.frames;
                noise += noise_pieces(heard.constLast());
            }
        }
        // The port stays at the last setting that read the line cleanly, so that nothing is
        // missed while it is opened again.
        if (!open_at_a_clean_one && !open(first))
            return false;
        fresh_open = !open_at_a_clean_one;
        clear_progress();
        parity_found = clean;
        out << text::tr("line settings found: %1 baud, %2, 1 or 2 stop bits (%3 frames, %4 CRC "
                        "errors)")
                   .arg(first.baud)
                   .arg(parity_text(clean))
                   .arg(frames)
                   .arg(noise)
            << '\n'
            << Qt::flush;
        locked = true;
        // What was heard while searching is decoded now that the settings are known; a request
        // whose reply fell between two trials is not counted as unanswered.
        for (const QVector<orte::heard_piece> &pieces : heard) {
            pairing = orte::bus_pairing(orte::char_time_ms(first));
            for (const orte::heard_piece &p : pieces)
                for (const orte::bus_event &e : pairing.take(p))
                    take(e);
        }
        if (fresh_open)
            pairing = orte::bus_pairing(orte::char_time_ms(first));
        pairing_speed = first.baud;
        return true;
    }

    static int noise_pieces(const QVector<orte::heard_piece> &pieces)
    {
        return int(std::count_if(pieces.begin(), pieces.end(),
                                 [](const orte::heard_piece &p) { return !p.frame; }));
    }

    // A port opened in the middle of a frame hears its tail first: no error of the line.
    static QVector<orte::heard_piece> without_leading_noise(QVector<orte::heard_piece> pieces)
    {
        while (!pieces.isEmpty() && !pieces.constFirst().frame)
            pieces.removeFirst();
        return pieces;
    }

    // Decodes the traffic until Ctrl+C; false at the end, true to find the settings again.
    bool listen()
    {
        if (pairing_speed != settings.baud) {
            pairing = orte::bus_pairing(orte::char_time_ms(settings));
            pairing_speed = settings.baud;
        }
        int noise_in_a_row = 0;
        while (!interrupted()) {
            QVector<orte::heard_piece> pieces;
            if (!read_some(pieces)) {
                err << "orte-cli: " << text::tr("the port %1 has gone").arg(plan.port) << '\n';
                port_gone = true;
                return false;
            }
            QVector<orte::bus_event> events;
            for (const orte::heard_piece &p : pieces) {
                // A port opened in the middle of a frame hears its tail first.
                fresh_open = fresh_open && !p.frame;
                if (!fresh_open)
                    events += pairing.take(p);
            }
            events += pairing.expire(now());
            for (const orte::bus_event &e : events) {
                noise_in_a_row = e.kind == orte::bus_event::noise ? noise_in_a_row + 1 : 0;
                take(e);
            }
            figures_due();
            // A line whose settings change turns to bytes that form no frames.
            if (noise_in_a_row >= 5 && (plan.speeds.size() > 1 || plan.parities.size() > 1)) {
                err << text::tr("the traffic no longer forms frames at %1: finding the line's "
                                "settings again")
                           .arg(settings_text())
                    << '\n'
                    << Qt::flush;
                locked = false;
                pairing_speed = 0;
                return true;
            }
        }
        return false;
    }

    // With --stats, the bus figures every ten seconds, whatever the listener is doing.
    void figures_due()
    {
        if (!plan.stats || since_stats.elapsed() < 10000)
            return;
        clear_progress();
        print_figures(out, figures, clock.elapsed() / 1000.0);
        since_stats.restart();
    }

    QString settings_text() const
    {
        if (parity_found.isEmpty())
            return text(settings);
        return text::tr("%1 baud, %2, 1 or 2 stop bits")
            .arg(settings.baud)
            .arg(parity_text(parity_found));
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
        case orte::bus_event::broadcast:
            figures.count_request(request_text(e.request));
            ++figures.broadcasts;
            return;
        case orte::bus_event::unanswered:
            figures.count_request(request_text(e.request));
            ++figures.unanswered;
            unanswered(orte::rx_at(e.request, 0));
            return;
        case orte::bus_event::exchange:
            break;
        }
        figures.count_request(request_text(e.request));
        ++figures.replies;
        const bool exception = (orte::rx_at(e.reply, 1) & exception_bit) != 0;
        figures.exceptions += exception ? 1 : 0;
        figures.latency.add(e.reply_at - e.request_end);
        const int address = orte::rx_at(e.request, 0);
        slaves[address].unanswered_in_a_row = 0;
        if (plan.address != 0 && address != plan.address)
            return;
        decode(address, e, exception);
    }

    // A slave that stops answering is said once, when three requests in a row went unanswered.
    void unanswered(int address)
    {
        if (++slaves[address].unanswered_in_a_row != 3)
            return;
        err << text::tr("address %1 does not answer (3 requests in a row)").arg(address) << '\n'
            << Qt::flush;
    }

    // Takes what the reply carries into the slave's image and prints what it now shows.
    void decode(int address, const orte::bus_event &e, bool exception)
    {
        slave &s = slaves[address];
        reading &r = s.shown;
        r.link = exception ? QString::fromUtf8(orte::diag_exception) : QString();
        // When the reply was heard, also for what was heard while the settings were sought.
        const QDateTime now = run_start.addMSecs(qint64(e.reply_at));
        const orte::slave_image::change c = s.image.take(e.request, e.reply);
        if (c.ident) {
            const QByteArray ident = s.image.ident_reply();
            out << prefix(address) << orte::decode_ident(ident).string_name << "; "
                << orte::version_text(ident) << "; "
                << orte::serial_text(orte::serial_number(ident)) << '\n';
            if (first_ident.isEmpty())
                first_ident = ident;
        }
        if (c.status) {
            r.status = s.image.status();
            r.have_status = true;
        }
        if ((c.measure || c.ident) && s.image.measure_shown()) {
            r.measure = s.image.measure_reply();
            r.measure_shown = s.image.measure();
            r.fault_at_measure[0] = s.image.in1_fault();
            r.fault_at_measure[1] = s.image.in2_fault();
            r.have_measure = true;
        }
        if (!exception && !c.ident && !c.measure && !c.status) {
            const QString write = write_text(e.request);
            if (!write.isEmpty())
                out << prefix(address) << now.toString(QStringLiteral("HH:mm:ss.zzz")) << " | "
                    << write << '\n'
                    << Qt::flush;
            return;
        }
        // A line with nothing to show but its time is not printed.
        if (r.have_measure || r.have_status || !r.link.isEmpty())
            out << prefix(address) << text_line(r, now) << '\n' << Qt::flush;
        const poll_record record = record_of(r, s.image.single_input(),
                                             exception ? outcome::exception : outcome::answer, now);
        recorded.add(record);
        files.add(record, err);
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
        recorded.settings = settings_text();
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
    QTextStream *progress;
    QSerialPort port;
    port_settings settings;
    QString parity_found; // the parities that read the line cleanly
    orte::error_marks marks;
    bool marking = false; // the driver marks characters with errors
    bool fresh_open = false; // no frame yet since the port was opened
    bool locked = false;
    bool port_gone = false;
    bool ever_opened = false;
    orte::bus_framer framer;
    orte::bus_pairing pairing;
    int pairing_speed = 0;
    QElapsedTimer clock;
    QElapsedTimer since_stats;
    QDateTime run_start;
    std::map<int, slave> slaves;
    bus_figures figures;
    recording files;
    run_figures recorded;
    QByteArray first_ident;
};
} // namespace

QVector<int> listen_speed_order(const QVector<int> &bauds)
{
    static const int common[] = { 9600, 19200, 115200, 38400, 57600, 4800, 2400, 1200 };
    QVector<int> order;
    for (int b : common)
        if (bauds.contains(b))
            order << b;
    QVector<int> rest;
    for (int b : bauds)
        if (!order.contains(b))
            rest << b;
    std::sort(rest.begin(), rest.end());
    return order + rest;
}

int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err, QTextStream *progress)
{
    return listener(plan, out, err, progress).run();
}

} // namespace orte_cli
