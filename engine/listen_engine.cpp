#include "engine/listen_engine.h"

#include "decode/ident.h"
#include "engine/exchange.h"
#include "engine/listen_search.h"
#include "engine/texts.h"
#include "link/diag_texts.h"
#include "link/endpoint.h"
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
// How often held bytes are looked at for the silence that ends them.
constexpr int tick_ms = 10;

using namespace modbus;

} // namespace

listen_engine::listen_engine(const listen_plan &p, QObject *parent)
    : QObject(parent)
    , plan(p)
{
    ticker.setInterval(tick_ms);
    connect(&ticker, &QTimer::timeout, this, &listen_engine::tick);
    connect(&port, &QSerialPort::readyRead, this, &listen_engine::bytes_came);
    connect(&socket, &QTcpSocket::readyRead, this, &listen_engine::bytes_came);
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
        if (is_network_port(plan.port))
            open_network();
        else if (plan.speeds.size() == 1 && plan.parities.size() == 1)
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

void listen_engine::open_network()
{
    endpoint where;
    QString error;
    if (parse_endpoint(plan.port, where, error) && where.kind == transport::modbus_tcp)
        error = text::tr("a Modbus TCP server forwards no other master's traffic: listen to "
                         "rtu+tcp://HOST:PORT");
    if (error.isEmpty()) {
        socket.connectToHost(where.host, where.port);
        if (!socket.waitForConnected(port_exchange::connect_ms))
            error = socket.errorString();
    }
    if (!error.isEmpty()) {
        socket.abort();
        emit open_failed(error);
        return end(true);
    }
    network = true;
    device = &socket;
    opened_once = true;
    // The frames are told apart as at the speed given (the server's own, as it keeps it).
    settings
        = { plan.speeds.value(0, 9600),
            plan.parities.isEmpty() ? 'N' : char(plan.parities[0].toLatin1()), plan.stop_bits };
    framer = bus_framer(char_time_ms(settings));
    marking = false;
    fresh_open = true;
    state = phase::listening;
    begin_listening();
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
    if (network)
        return socket.state() != QAbstractSocket::ConnectedState;
    return !port.isOpen() || port.error() == QSerialPort::ResourceError
        || port.error() == QSerialPort::ReadError || port_vanished(plan.port);
}

// Windows says whether characters came with a parity or framing error since it was last asked
// (ClearCommError), not which: each read that had some counts once.
void listen_engine::count_reported_errors()
{
#ifdef Q_OS_WIN
    DWORD errors = 0;
    if (!network && ClearCommError(reinterpret_cast<HANDLE>(port.handle()), &errors, nullptr)
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
    const QByteArray bytes = device->readAll();
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
        if (settings_search::trial_over(*trial, now(), trial_start, traffic_known, framer.held()))
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

// Where more than one setting is possible, the search says which to try; each trial's
// evidence says what comes next.
void listen_engine::begin_search()
{
    parity_found.clear();
    search = std::make_unique<settings_search>(plan.speeds, plan.parities, plan.stop_bits);
    follow(search->begin());
}

void listen_engine::follow(const settings_search::step &s)
{
    if (s.round_over)
        emit no_frames_yet();
    if (!s.found)
        return try_settings(s.settings, s.locking ? phase::locking : phase::searching);
    // The port stays at the last setting that read the line cleanly, so that nothing is
    // missed while it is opened again.
    if (s.at_clean_setting) {
        fresh_open = false;
        locked_in();
    } else {
        open(search->found(), phase::idle);
    }
}

void listen_engine::try_settings(const line_format &s, phase purpose)
{
    trial = std::make_unique<listen_trial>();
    trial->settings = s;
    emit trying(s.baud, s.parity);
    if (state != phase::over)
        open(s, purpose);
}

void listen_engine::trial_done()
{
    const std::unique_ptr<listen_trial> t = std::move(trial);
    follow(search->judged(*t));
}

void listen_engine::locked_in()
{
    const line_format &found = search->found();
    parity_found = search->parities();
    emit settings_found(found.baud, parity_found, search->frames(), search->crc_errors());
    // What was heard while searching is decoded now that the settings are known; a request
    // whose reply fell between two trials is not counted as unanswered.
    for (const QVector<heard_piece> &pieces : search->heard()) {
        pairing = bus_pairing(char_time_ms(found));
        for (const heard_piece &p : pieces)
            for (const bus_event &e : pairing.take(p))
                take(e);
    }
    search->forget_heard();
    if (fresh_open)
        pairing = bus_pairing(char_time_ms(found));
    pairing_speed = found.baud;
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
    socket.abort();
    emit finished(failed);
}

} // namespace orte
