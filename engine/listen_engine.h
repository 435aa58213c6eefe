#pragma once

// Listening to a live bus on Qt's event loop: a converter that another master (a PLC, a SCADA
// gateway) polls, read without sending a byte. Where more than one setting is possible, the
// line's settings are found by listening; then every reply to the converter's reads is decoded
// as the monitor would decode it, and the bus's traffic is counted. It reports by signals and
// never prints; stop() ends it at once.

#include "decode/slave_image.h"
#include "engine/bus_figures.h"
#include "engine/listen_search.h"
#include "engine/recording.h"
#include "link/bus.h"
#include "link/line_format.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>
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
    // RTU over TCP: what a serial device server forwards, at the settings it keeps.
    void open_network();
    void settled();
    void bytes_came();
    void tick();
    void handle(const QVector<heard_piece> &pieces);
    bool gone() const;
    void count_reported_errors();
    void begin_search();
    void follow(const settings_search::step &s);
    void try_settings(const line_format &s, phase purpose);
    void trial_done();
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
    QTcpSocket socket;
    QIODevice *device = &port;
    bool network = false;
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
    // The search, and its trial in hand.
    std::unique_ptr<settings_search> search;
    std::unique_ptr<listen_trial> trial;
    double trial_start = 0;
    bool traffic_known = false; // some setting has heard bytes
    QString parity_found; // the parities that read the line cleanly
    noise_run noise;
    std::map<int, slave> slaves;
    bus_figures counted;
    QByteArray ident_heard;
};

} // namespace orte

Q_DECLARE_METATYPE(orte::reading)
Q_DECLARE_METATYPE(orte::exchange_outcome)
