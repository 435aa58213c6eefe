#include "engine/listen_engine.h"

#include "decode/ident.h"
#include "engine/exchange.h"
#include "engine/texts.h"
#include "link/diag_texts.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"
#include "link/port_setup.h"
#include "link/wire_trace.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#ifdef Q_OS_LINUX
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace orte {

namespace {
// An adapter hands over what it received this long after (an FTDI chip: 16 ms by default).
constexpr int adapter_latency_ms = 20;
// How often held bytes are looked at for the silence that ends them.
constexpr int tick_ms = 10;
// Request kinds kept by name; past that many (a master reading random ranges) the rest are
// counted together.
constexpr size_t request_kinds = 64;

using namespace modbus;

// A register, unsigned, high byte first.
int word(const QByteArray &bytes, int index)
{
    return rx_at(bytes, index) << 8 | rx_at(bytes, index + 1);
}

int noise_pieces(const QVector<heard_piece> &pieces)
{
    return int(
        std::count_if(pieces.begin(), pieces.end(), [](const heard_piece &p) { return !p.frame; }));
}

// A port opened in the middle of a frame hears its tail first: no error of the line.
QVector<heard_piece> without_leading_noise(QVector<heard_piece> pieces)
{
    while (!pieces.isEmpty() && !pieces.constFirst().frame)
        pieces.removeFirst();
    return pieces;
}
} // namespace

// What a few bursts at one setting formed.
struct listen_trial
{
    line_format settings;
    int frames = 0;
    int frame_bytes = 0;
    int noise_bytes = 0; // before the first frame: perhaps the tail of one the port opened into
    int noise_after = 0; // after it
    int errors = 0; // characters the driver marked with a parity or framing error
    int bytes = 0; // as read, and when the first and the last came
    double first_byte = -1;
    double last_byte = -1;
    // Within bursts only (reads that follow one another closely): the bytes and the time they
    // took, which tell the line's speed; the silence between polls tells nothing of it.
    int burst_bytes = 0;
    double burst_ms = 0;
    QVector<heard_piece> pieces;

    void add(const heard_piece &p)
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
        if (burst_bytes < 8 || burst_ms < 40)
            return 0;
        const double line_baud = burst_bytes / (burst_ms / 1000.0) * 11;
        return line_baud < baud * 0.6 ? int(line_baud) : 0;
    }
    // A read `at` ms of `n` bytes.
    void read(int n, double at)
    {
        // Reads closer than this belong to one burst: an adapter's latency timer (16 ms), or
        // a character at 1200 baud (9 ms).
        constexpr double burst_gap_ms = 20;
        if (last_byte >= 0 && at - last_byte <= burst_gap_ms) {
            burst_bytes += n;
            burst_ms += at - last_byte;
        }
        bytes += n;
        last_byte = at;
        if (first_byte < 0)
            first_byte = at;
    }
};

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

void latency_histogram::add(double ms)
{
    steps[size_t(std::min(4000.0, std::max(0.0, ms) * 2))]++;
    ++count;
    longest = std::max(longest, ms);
}

double latency_histogram::median() const
{
    quint64 seen = 0;
    for (size_t i = 0; i < steps.size(); ++i)
        if ((seen += steps[i]) * 2 > count)
            return i / 2.0;
    return longest;
}

void bus_figures::count_request(const QString &kind)
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

QString request_text(const QByteArray &request)
{
    const int address = rx_at(request, 0);
    const int function = rx_at(request, 1);
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

QString write_text(const QByteArray &request)
{
    switch (rx_at(request, 1)) {
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

QString parity_name(QChar parity)
{
    return parity == QLatin1Char('E') ? text::tr("even")
        : parity == QLatin1Char('O')  ? text::tr("odd")
                                      : text::tr("none");
}

QString parity_text(const QString &parities)
{
    if (parities.size() == 1)
        return text::tr("parity %1").arg(parity_name(parities[0]));
    QStringList names;
    for (QChar p : parities)
        names << parity_name(p);
    const QString last = names.takeLast();
    return text::tr("parity %1 or %2 (the adapter does not report parity errors)")
        .arg(names.join(QStringLiteral(", ")), last);
}

listen_engine::listen_engine(const listen_plan &p, QObject *parent)
    : QObject(parent)
    , plan(p)
{
    ticker.setInterval(tick_ms);
    connect(&ticker, &QTimer::timeout, this, &listen_engine::tick);
    connect(&port, &QSerialPort::readyRead, this, &listen_engine::bytes_came);
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError)
            QTimer::singleShot(0, this, &listen_engine::tick);
    });
}

listen_engine::~listen_engine() = default;

void listen_engine::start()
{
    QTimer::singleShot(0, this, [this] {
        clock.start();
        run_start = QDateTime::currentDateTime();
        ticker.start();
        if (plan.speeds.size() == 1 && plan.parities.size() == 1)
            open({ plan.speeds[0], char(plan.parities[0].toLatin1()), plan.stop_bits },
                 phase::listening);
        else
            begin_search();
    });
}

void listen_engine::stop()
{
    if (state != phase::over)
        end(lost);
}

QString listen_engine::settings_text() const
{
    if (parity_found.isEmpty())
        return QString::fromStdString(settings.text());
    return text::tr("%1 baud, %2, 1 or 2 stop bits")
        .arg(settings.baud)
        .arg(parity_text(parity_found));
}

// Opens the port for reading only, then drops what the driver and the adapter still hold
// (read at other settings, or before the port was opened) and what comes within an adapter's
// latency; `then` follows.
void listen_engine::open(const line_format &s, phase then)
{
    port.close();
    apply_line_format(port, plan.port, s);
    if (!port.open(QIODevice::ReadOnly)) {
        emit open_failed(open_error(port));
        return end(true);
    }
    opened_once = true;
    settings = s;
    framer = bus_framer(char_time_ms(s));
    marks = error_marks();
#ifdef Q_OS_LINUX
    // Qt asks the driver to ignore characters with a wrong parity without asking it to check
    // parity at all (IGNPAR without INPCK), so a wrong parity reads as good data. The driver is
    // asked to check and to mark each character with a parity or framing error, which is the
    // evidence that tells the settings apart where the adapter gives it (on Windows the port's
    // error flags are).
    termios t {};
    marking = tcgetattr(int(port.handle()), &t) == 0;
    if (marking) {
        t.c_iflag &= tcflag_t(~(IGNPAR | ISTRIP | INPCK));
        t.c_iflag |= PARMRK | (s.parity != 'N' ? INPCK : 0);
        marking = tcsetattr(int(port.handle()), TCSANOW, &t) == 0;
    }
#else
    marking = false;
#endif
    fresh_open = true;
    port.clear(QSerialPort::Input);
    state = phase::settling;
    after_settling = then;
    settle_until = now() + adapter_latency_ms;
}

void listen_engine::settled()
{
    port.readAll();
    const phase then = after_settling;
    state = then;
    if (then == phase::listening)
        begin_listening();
    else if (then == phase::idle)
        locked_in();
    else
        trial_start = now();
}

bool listen_engine::gone() const
{
    return !port.isOpen() || port.error() == QSerialPort::ResourceError
        || port.error() == QSerialPort::ReadError || port_vanished(plan.port);
}

// Windows says whether characters came with a parity or framing error since it was last asked
// (ClearCommError), not which: each read that had some counts once.
void listen_engine::count_reported_errors()
{
#ifdef Q_OS_WIN
    DWORD errors = 0;
    if (ClearCommError(reinterpret_cast<HANDLE>(port.handle()), &errors, nullptr)
        && (errors & (CE_RXPARITY | CE_FRAME)))
        ++marks.errors;
#endif
}

void listen_engine::bytes_came()
{
    if (state == phase::settling) {
        port.readAll();
        return;
    }
    if (state == phase::over || state == phase::idle)
        return;
    const QByteArray bytes = port.readAll();
    if (bytes.isEmpty())
        return;
    trace_wire("heard", bytes);
    if (trial) {
        trial->read(int(bytes.size()), now());
        traffic_known = true;
    }
    QVector<heard_piece> pieces = framer.feed(marking ? marks.feed(bytes) : bytes, now());
    count_reported_errors();
    pieces += framer.flush(now());
    handle(pieces);
}

void listen_engine::tick()
{
    if (state == phase::over || state == phase::idle)
        return;
    if (gone()) {
        // Gone at any point after it was opened: while settling after an open too (a busy
        // machine may stretch those milliseconds), and while the settings are sought.
        if (opened_once)
            emit port_gone();
        return end(true);
    }
    if (state == phase::settling) {
        if (now() >= settle_until)
            settled();
        return;
    }
    handle(framer.flush(now()));
}

void listen_engine::handle(const QVector<heard_piece> &pieces)
{
    if (state == phase::searching || state == phase::locking) {
        for (const heard_piece &p : pieces)
            trial->add(p);
        trial->errors = marks.errors;
        // Given up as soon as its bytes cannot form frames; judged once two frames and the
        // silence after them were heard; or a bound passes from its first byte (a slow
        // candidate on busy traffic would otherwise hear one endless burst). Silence costs a
        // candidate nothing until traffic has been heard at some setting: from then on, a
        // candidate that hears nothing for as long is one whose adapter drops what it reads.
        const double since = trial->first_byte >= 0 ? now() - trial->first_byte
            : traffic_known                         ? now() - trial_start
                                                    : 0;
        // Between frames is a silence of a frame gap, or of the adapter's latency where it
        // hands bytes over in chunks; a slow line's next poll may follow sooner than a frame
        // in progress is given up.
        const double between_frames
            = std::max(2.0 * adapter_latency_ms, 3.5 * char_time_ms(trial->settings));
        if (trial->garbage()
            || (trial->clean() && framer.held() == 0 && now() - trial->last_byte > between_frames)
            || since >= trial_limit)
            trial_done();
        return;
    }
    if (state != phase::listening)
        return;
    QVector<bus_event> events;
    for (const heard_piece &p : pieces) {
        // A port opened in the middle of a frame hears its tail first.
        fresh_open = fresh_open && !p.frame;
        if (!fresh_open)
            events += pairing.take(p);
    }
    events += pairing.expire(now());
    for (const bus_event &e : events) {
        take(e);
        if (state != phase::listening)
            return;
    }
    // A line whose settings change turns to bytes that form no frames; a bad reply between
    // good frames does not.
    if (noise.lost() && (plan.speeds.size() > 1 || plan.parities.size() > 1)) {
        emit settings_lost(settings_text());
        pairing_speed = 0;
        begin_search();
    }
}

// Tries each speed until the traffic forms frames with valid CRCs under one, none first (an
// adapter that passes a character with a wrong parity through reads any line at none); then
// which parities read it as cleanly, since that is all a receiver can know.
void listen_engine::begin_search()
{
    round = 0;
    parity_index = 0;
    speeds_left = plan.speeds;
    parity_found.clear();
    next_candidate();
}

void listen_engine::next_candidate()
{
    while (speeds_left.isEmpty()) {
        if (++parity_index >= plan.parities.size()) {
            parity_index = 0;
            if (round++ == 0)
                emit no_frames_yet();
        }
        speeds_left = plan.speeds;
    }
    try_settings(
        { speeds_left.takeFirst(), char(plan.parities[parity_index].toLatin1()), plan.stop_bits },
        phase::searching);
}

void listen_engine::try_settings(const line_format &s, phase purpose)
{
    trial = std::make_unique<listen_trial>();
    trial->settings = s;
    // Long enough for a master polling every second to be heard, and for two frames of the
    // longest kind at this speed.
    trial_limit = std::max(1200.0, 2 * 260 * char_time_ms(s));
    emit trying(s.baud, s.parity);
    if (state != phase::over)
        open(s, purpose);
}

void listen_engine::trial_done()
{
    const std::unique_ptr<listen_trial> t = std::move(trial);
    if (state == phase::locking) {
        open_at_a_clean_one = t->clean();
        if (t->clean()) {
            clean_parities += QLatin1Char(t->settings.parity);
            lock_heard.append(without_leading_noise(t->pieces));
            lock_frames += t->frames;
            lock_noise += noise_pieces(lock_heard.constLast());
        }
        return lock_step();
    }
    if (t->clean()) {
        lock_first = t->settings;
        clean_parities = QString(QLatin1Char(lock_first.parity));
        lock_heard = { without_leading_noise(t->pieces) };
        lock_frames = t->frames;
        lock_noise = noise_pieces(lock_heard.constFirst());
        open_at_a_clean_one = true;
        lock_index = 0;
        return lock_step();
    }
    // Bytes that came much slower than this speed reads them tell the line's speed: the
    // nearest one is tried next.
    if (const int heard = t->slower_line(t->settings.baud))
        std::stable_sort(speeds_left.begin(), speeds_left.end(), [heard](int a, int b) {
            return std::abs(std::log(double(a) / heard)) < std::abs(std::log(double(b) / heard));
        });
    next_candidate();
}

// The other parities at the speed found, one trial each.
void listen_engine::lock_step()
{
    while (lock_index < plan.parities.size()) {
        const QChar other = plan.parities[lock_index++];
        if (other != QLatin1Char(lock_first.parity))
            return try_settings({ lock_first.baud, char(other.toLatin1()), plan.stop_bits },
                                phase::locking);
    }
    // The port stays at the last setting that read the line cleanly, so that nothing is
    // missed while it is opened again.
    if (open_at_a_clean_one) {
        fresh_open = false;
        locked_in();
    } else {
        open(lock_first, phase::idle);
    }
}

void listen_engine::locked_in()
{
    parity_found = clean_parities;
    emit settings_found(lock_first.baud, clean_parities, lock_frames, lock_noise);
    // What was heard while searching is decoded now that the settings are known; a request
    // whose reply fell between two trials is not counted as unanswered.
    for (const QVector<heard_piece> &pieces : std::as_const(lock_heard)) {
        pairing = bus_pairing(char_time_ms(lock_first));
        for (const heard_piece &p : pieces)
            for (const bus_event &e : pairing.take(p))
                take(e);
    }
    lock_heard.clear();
    if (fresh_open)
        pairing = bus_pairing(char_time_ms(lock_first));
    pairing_speed = lock_first.baud;
    state = phase::listening;
    begin_listening();
}

void listen_engine::begin_listening()
{
    state = phase::listening;
    noise = noise_run(framer.stale_ms());
    if (pairing_speed != settings.baud) {
        pairing = bus_pairing(char_time_ms(settings));
        pairing_speed = settings.baud;
    }
}

std::pair<int, int> listen_engine::missed(int address) const
{
    int crc = 0;
    int unanswered = 0;
    for (const auto &s : slaves)
        if (address == 0 || s.first == address) {
            crc += s.second.crc_errors;
            unanswered += s.second.unanswered;
        }
    return { crc, unanswered };
}

QString latency_text(const bus_figures &f)
{
    // A request's end and its reply in one read say nothing of the time between them; where
    // most are so, the few that are not only show the adapter's read interval.
    if (f.latency_hidden > 0 && quint64(f.latency_hidden) >= f.latency.count)
        return text::tr("Reply latency: hidden by the adapter's chunking");
    if (f.latency.count == 0)
        return {};
    return text::tr("Reply latency: median %1 ms, maximum %2 ms")
        .arg(f.latency.median(), 0, 'f', 1)
        .arg(f.latency.longest, 0, 'f', 1);
}

void listen_engine::take(const bus_event &e)
{
    if (e.kind != bus_event::noise)
        noise.frame();
    switch (e.kind) {
    case bus_event::noise:
        if (noise.noise(int(e.reply.size()), e.reply_at, e.reply_end)) {
            ++counted.crc_errors;
            if (!e.request.isEmpty())
                ++slaves[rx_at(e.request, 0)].crc_errors;
        }
        return;
    case bus_event::orphan_reply:
        ++counted.replies;
        return;
    case bus_event::broadcast:
        counted.count_request(request_text(e.request));
        ++counted.broadcasts;
        return;
    case bus_event::unanswered: {
        counted.count_request(request_text(e.request));
        ++counted.unanswered;
        const int address = rx_at(e.request, 0);
        ++slaves[address].unanswered;
        // A slave that stops answering is said once, when three requests in a row went
        // unanswered.
        if (++slaves[address].unanswered_in_a_row == 3)
            emit slave_silent(address);
        return;
    }
    case bus_event::exchange:
        break;
    }
    counted.count_request(request_text(e.request));
    ++counted.replies;
    const bool exception = (rx_at(e.reply, 1) & exception_bit) != 0;
    counted.exceptions += exception ? 1 : 0;
    if (e.reply_at > e.request_end)
        counted.latency.add(e.reply_at - e.request_end);
    else
        ++counted.latency_hidden;
    const int address = rx_at(e.request, 0);
    slaves[address].unanswered_in_a_row = 0;
    if (plan.address == 0 || address == plan.address)
        decode(address, e, exception);
}

// Takes what the reply carries into the slave's image and says what its line now shows.
void listen_engine::decode(int address, const bus_event &e, bool exception)
{
    slave &s = slaves[address];
    reading &r = s.shown;
    r.link = exception ? QString::fromUtf8(diag_exception) : QString();
    // When the reply was heard, also for what was heard while the settings were sought.
    const QDateTime at = run_start.addMSecs(qint64(e.reply_at));
    const slave_image::change c = s.image.take(e.request, e.reply);
    if (c.ident) {
        if (ident_heard.isEmpty())
            ident_heard = s.image.ident_reply();
        emit identified(address, s.image.ident_reply());
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
        ++r.measurements;
    }
    if (!exception && !c.ident && !c.measure && !c.status) {
        const QString write = write_text(e.request);
        if (!write.isEmpty())
            emit write_seen(address, write, at);
        return;
    }
    emit slave_reading(address, r, s.image.single_input(),
                       exception ? exchange_outcome::exception : exchange_outcome::answer, at);
}

void listen_engine::end(bool failed)
{
    if (state == phase::over)
        return;
    lost = failed;
    ticker.stop();
    // A request still waiting at the end went unanswered.
    for (const bus_event &e : pairing.expire(1e300))
        take(e);
    state = phase::over;
    trial.reset();
    port.close();
    emit finished(failed);
}

} // namespace orte
