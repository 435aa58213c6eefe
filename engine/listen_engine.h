#pragma once

// Listening to a live bus on Qt's event loop: a converter that another master (a PLC, a SCADA
// gateway) polls, read without sending a byte. Where more than one setting is possible, the
// line's settings are found by listening; then every reply to the converter's reads is decoded
// as the monitor would decode it, and the bus's traffic is counted. It reports by signals and
// never prints; stop() ends it at once.

#include "decode/slave_image.h"
#include "engine/recording.h"
#include "link/bus.h"
#include "link/line_format.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <array>
#include <map>
#include <memory>
#include <utility>

namespace orte {

struct listen_plan
{
    QString port;
    QVector<int> speeds; // the speeds the line may have, likeliest first
    QString parities = QStringLiteral("NEO"); // 'N', 'E', 'O': the parities it may have
    int stop_bits = 1; // what the port is opened with; a receiver hears either
    int address = 0; // 0: every slave that answers the converter's reads
};

// The speeds to try, the common field-bus ones first (9600, 19200, 115200, then the rest).
QVector<int> listen_speed_order(const QVector<int> &bauds);

// Reply latencies in half-millisecond steps up to two seconds: a median and a maximum in
// bounded memory, however long the run.
struct latency_histogram
{
    std::array<quint32, 4001> steps {};
    quint64 count = 0;
    double longest = 0;

    void add(double ms);
    double median() const;
};

// The bus's figures.
struct bus_figures
{
    std::map<QString, int> requests; // by address, function and range (request_text)
    int other_requests = 0; // past as many kinds as are kept by name
    int request_count = 0;
    int broadcasts = 0;
    int replies = 0;
    int exceptions = 0;
    int crc_errors = 0;
    int unanswered = 0;
    latency_histogram latency;
    // Replies read with the end of their request: a USB adapter's chunking hides the latency.
    int latency_hidden = 0;

    void count_request(const QString &kind);
};

// What a request asks for, for the figures: where and how much, never the values written.
QString request_text(const QByteArray &request);
// "Reply latency: median 4.6 ms, maximum 9.1 ms", where the reads let it be known; empty when
// no reply was heard.
QString latency_text(const bus_figures &f);

// A write, as the line of its slave shows it; empty for anything else.
QString write_text(const QByteArray &request);
// "parity even", or what cannot be told apart: "parity even, odd or none (the adapter does not
// report parity errors)".
QString parity_text(const QString &parities);
QString parity_name(QChar parity);

struct listen_trial;

class listen_engine : public QObject
{
    Q_OBJECT

public:
    explicit listen_engine(const listen_plan &plan, QObject *parent = nullptr);
    ~listen_engine() override;
    void start();
    void stop();

    const bus_figures &figures() const { return counted; }
    // What a recording of `address` missed: its garbled replies and its unanswered requests.
    std::pair<int, int> missed(int address) const;
    // Seconds since the start.
    double elapsed_s() const { return clock.elapsed() / 1000.0; }
    // The line's settings as far as they can be known ("9600 baud, parity even or none (…), 1 or
    // 2 stop bits").
    QString settings_text() const;
    // The first converter identification heard (empty: none).
    const QByteArray &first_ident() const { return ident_heard; }
    bool ever_opened() const { return opened_once; }

signals:
    void trying(int baud, char parity);
    void open_failed(const QString &error);
    // A first round over every setting formed no frames: listening goes on.
    void no_frames_yet();
    void settings_found(int baud, const QString &parities, int frames, int crc_errors);
    // The traffic no longer forms frames: the settings are sought again.
    void settings_lost(const QString &were);
    void identified(int address, const QByteArray &ident);
    // A reply to the converter's reads from the slave (the one asked for, or any): what its
    // line now shows. `single_input` as its identification said.
    void slave_reading(int address, const orte::reading &shown, bool single_input,
                       orte::exchange_outcome result, const QDateTime &at);
    void write_seen(int address, const QString &write, const QDateTime &at);
    // Three requests in a row to the slave went unanswered (said once, until it answers).
    void slave_silent(int address);
    void port_gone();
    // The end: `failed` when the port could not be opened or went away.
    void finished(bool failed);

private:
    enum class phase { idle, settling, searching, locking, listening, over };
    void open(const line_format &s, phase then);
    void settled();
    void bytes_came();
    void tick();
    void handle(const QVector<heard_piece> &pieces);
    bool gone() const;
    void count_reported_errors();
    void begin_search();
    void next_candidate();
    void try_settings(const line_format &s, phase purpose);
    void trial_done();
    void lock_step();
    void locked_in();
    void begin_listening();
    void take(const bus_event &e);
    void decode(int address, const bus_event &e, bool exception);
    void end(bool failed);
    double now() const { return clock.nsecsElapsed() / 1e6; }

    struct slave
    {
        slave_image image;
        reading shown;
        int unanswered_in_a_row = 0;
        int crc_errors = 0; // bursts of noise while a request to it waited
        int unanswered = 0;
    };

    listen_plan plan;
    QSerialPort port;
    QTimer ticker;
    QElapsedTimer clock;
    QDateTime run_start;
    phase state = phase::idle;
    phase after_settling = phase::idle;
    double settle_until = 0;
    line_format settings;
    error_marks marks;
    bool marking = false; // the driver marks characters with errors
    bool fresh_open = false; // no frame yet since the port was opened
    bool opened_once = false;
    bool lost = false;
    bus_framer framer;
    bus_pairing pairing;
    int pairing_speed = 0;
    // The search: the round, the parity and the speeds still to try with it.
    int round = 0;
    int parity_index = 0;
    QVector<int> speeds_left;
    std::unique_ptr<listen_trial> trial;
    double trial_start = 0;
    double trial_limit = 0;
    bool traffic_known = false; // some setting has heard bytes
    // Locking on: the first clean setting, the parities tried since, and what they heard.
    line_format lock_first;
    int lock_index = 0;
    QString clean_parities;
    QVector<QVector<heard_piece>> lock_heard;
    int lock_frames = 0;
    int lock_noise = 0;
    bool open_at_a_clean_one = true;
    QString parity_found; // the parities that read the line cleanly
    noise_run noise;
    std::map<int, slave> slaves;
    bus_figures counted;
    QByteArray ident_heard;
};

} // namespace orte

Q_DECLARE_METATYPE(orte::reading)
Q_DECLARE_METATYPE(orte::exchange_outcome)
